#include "plugins/chat/ui/SitePathListCtrl.h"

#include "plugins/chat/model/Visitor.h"
#include "shared/OneLine.h"

#include <QByteArray>

#include <ctime>

const QString CSitePathListCtrl::kFormatKey = QStringLiteral("sitepath.timestamp.format");
const QString CSitePathListCtrl::kDefaultFormat = QStringLiteral("%-I:%M:%S %p");

namespace {

constexpr qsizetype kMaxFormatLength = 256;

// The pattern in glibc's terms, or empty when it has a conversion that
// strftime does not know (which it would copy or garble).
QByteArray CheckedPattern(const QString &format)
{
    static const QByteArray conversions = "aAbBcCdDeFgGhHIjklmMnpPrRsStTuUVwWxXyYzZ%+";
    static const QByteArray flags = "-_0^";
    QByteArray pattern = format.left(kMaxFormatLength).toLocal8Bit();
    pattern.replace("%#", "%-");
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%')
            continue;
        if (++i < pattern.size() && flags.contains(pattern[i]))
            ++i;
        if (i < pattern.size() && (pattern[i] == 'E' || pattern[i] == 'O'))
            ++i;
        if (i >= pattern.size() || !conversions.contains(pattern[i]))
            return {};
    }
    return pattern;
}

QString Strftime(std::int64_t time, const QByteArray &pattern)
{
    if (pattern.isEmpty())
        return {};
    const std::time_t t = std::time_t(time);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    char buffer[512];
    const size_t length = std::strftime(buffer, sizeof buffer, pattern.constData(), &local);
    return QString::fromLocal8Bit(buffer, qsizetype(length));
}

} // namespace

void CSitePathModel::Fill(const CVisitor &visitor, const QString &timeFormat)
{
    beginResetModel();
    m_rows.clear();
    m_rows.reserve(visitor.Tracking().size());
    for (const VisitorTracking &record : visitor.Tracking())
        m_rows.push_back({record.url, record.title, record.referrer,
                          CSitePathListCtrl::FormatPageTime(record.time, timeFormat)});
    endResetModel();
}

void CSitePathModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int CSitePathModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CSitePathModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CSitePathModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    return OneLine(m_rows[size_t(index.row())][size_t(index.column())]);
}

QVariant CSitePathModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColumnPage: return tr("Page");
    case ColumnTitle: return tr("Title");
    case ColumnReferrer: return tr("Referrer");
    case ColumnTimeAccessed: return tr("Time Accessed");
    default: return {};
    }
}

CSitePathListCtrl::CSitePathListCtrl(SettingReader settings, QWidget *parent)
    : CReportListView(QStringLiteral("Tessary\\SitePathList"), parent), m_settings(std::move(settings)),
      m_model(new CSitePathModel(this))
{
    setObjectName(QStringLiteral("c103"));
    setModel(m_model);
    SetColumnWidths({100, 100, 100, 100});
}

void CSitePathListCtrl::Fill(const CVisitor *visitor)
{
    if (!visitor) {
        Clear();
        return;
    }
    const QString format = m_settings ? m_settings(kFormatKey, kDefaultFormat) : kDefaultFormat;
    m_model->Fill(*visitor, format);
}

void CSitePathListCtrl::Clear()
{
    m_model->Clear();
}

QString CSitePathListCtrl::FormatPageTime(std::int64_t time, const QString &format)
{
    const QString text = Strftime(time, CheckedPattern(format));
    return text.isEmpty() ? Strftime(time, CheckedPattern(kDefaultFormat)) : text;
}
