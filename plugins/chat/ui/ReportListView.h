#pragma once
// The report-style list that the visitor list and the site path list share:
// whole-row selection, no grid, rows of one fixed height, left-aligned
// headers, and column widths kept in the window state under the list's
// section (restored by SetColumnWidths, saved when the list is destroyed).
// User-interface thread only.

#include <QTableView>

#include <initializer_list>

class CReportListView : public QTableView
{
    Q_OBJECT

public:
    CReportListView(const QString &section, QWidget *parent = nullptr);
    ~CReportListView() override;

protected:
    // The initial widths, column 0 first, then the stored ones over them.
    // Call once the model is set.
    void SetColumnWidths(std::initializer_list<int> widths);

private:
    QString m_section;
};
