#pragma once
// The path a visitor took through the web site: one row per page record,
// oldest first, with the page, its title, the referrer and when the page was
// entered in the agent's timestamp format ("sitepath.timestamp.format").
// Column widths persist in the window state ("Tessary\SitePathList").
// User-interface thread only.

#include "plugins/chat/ui/ReportListView.h"

#include <QAbstractTableModel>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class CVisitor;

// The rows as texts, taken when the list is filled.
class CSitePathModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColumnPage, ColumnTitle, ColumnReferrer, ColumnTimeAccessed, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    // Replaces the rows with the visitor's page records.
    void Fill(const CVisitor &visitor, const QString &timeFormat);
    void Clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::vector<std::array<QString, ColumnCount>> m_rows;
};

class CSitePathListCtrl : public CReportListView
{
    Q_OBJECT

public:
    // Reads a setting with its default (the plug-in's configuration values).
    using SettingReader = std::function<QString(const QString &key, const QString &defaultValue)>;

    static const QString kFormatKey;     // "sitepath.timestamp.format"
    static const QString kDefaultFormat; // hour without a leading zero, then AM/PM

    explicit CSitePathListCtrl(SettingReader settings, QWidget *parent = nullptr);

    // Replaces the rows with the visitor's path; the format is read anew.
    void Fill(const CVisitor *visitor);
    void Clear();

    CSitePathModel *Model() const { return m_model; }

    // A time (seconds since 1970, UTC) as local time in a strftime pattern;
    // the Windows flag "%#" reads as "%-". A pattern that is empty, has an
    // unknown conversion or gives no text falls back to the default.
    static QString FormatPageTime(std::int64_t time, const QString &format);

private:
    SettingReader m_settings;
    CSitePathModel *m_model;
};
