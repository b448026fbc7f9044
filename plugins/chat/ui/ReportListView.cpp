#include "plugins/chat/ui/ReportListView.h"

#include "skins/QVSettingsHelpers.h"

#include <QHeaderView>

CReportListView::CReportListView(const QString &section, QWidget *parent)
    : QTableView(parent), m_section(section)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Fixed row heights keep layout and scrolling independent of the row count.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setMinimumSectionSize(0);
}

CReportListView::~CReportListView()
{
    CQVSettingsHelpers::SaveState(horizontalHeader(), m_section);
}

void CReportListView::SetColumnWidths(std::initializer_list<int> widths)
{
    int column = 0;
    for (int width : widths)
        horizontalHeader()->resizeSection(column++, width);
    CQVSettingsHelpers::LoadState(horizontalHeader(), m_section);
}
