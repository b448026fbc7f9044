#include "plugins/chat/ui/VisitorListCtrl.h"

#include <QContextMenuEvent>
#include "plugins/chat/ui/ContextMenuKey.h"

#include <QMouseEvent>
#include <utility>

CVisitorListCtrl::CVisitorListCtrl(CVisitor::Clock clock, QWidget *parent)
    : CReportListView(QStringLiteral("Tessary\\VisitorList"), parent), m_model(new CVisitorListModel(std::move(clock), this))
{
    setObjectName(QStringLiteral("VisitorList"));
    setModel(m_model);
    SetColumnWidths({28, 100, 100, 100, 100, 100, 100, 100, 100, 100});

    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &CVisitorListCtrl::AnnounceSelection);

    m_redrawSelected.setSingleShot(true);
    m_redrawSelected.setInterval(0);
    connect(&m_redrawSelected, &QTimer::timeout, this, [this] {
        if (!m_announced.empty())
            emit VisitorSelected(m_announced);
    });
    connect(&m_blinkTimer, &QTimer::timeout, m_model, &CVisitorListModel::Blink);
    m_blinkTimer.start(kBlinkMs);
}

void CVisitorListCtrl::SetAgentsText(CVisitorListModel::AgentsTextFn agentsText)
{
    m_model->SetAgentsText(std::move(agentsText));
}

bool CVisitorListCtrl::AddVisitor(const CVisitor *visitor)
{
    return m_model->AddVisitor(visitor);
}

void CVisitorListCtrl::UpdateVisitor(const std::string &id, bool timesOnly)
{
    if (!m_model->UpdateVisitor(id, timesOnly) || timesOnly)
        return;
    if (!m_announced.empty() && id == m_announced)
        m_redrawSelected.start();
}

void CVisitorListCtrl::RefreshTimes()
{
    m_model->RefreshTimes();
}

void CVisitorListCtrl::RemoveVisitor(const std::string &id)
{
    // The view would otherwise select a neighbour in the removed row's place,
    // and the panes would show a visitor the agent never chose.
    if (id == SelectedId())
        selectionModel()->clear();
    m_model->RemoveVisitor(id);
}

bool CVisitorListCtrl::SelectVisitor(const std::string &id)
{
    const int row = m_model->RowOf(id);
    if (row < 0)
        return false;
    const QModelIndex index = m_model->index(row, CVisitorListModel::ColumnVisitor);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(index);
    return true;
}

std::string CVisitorListCtrl::SelectedId() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {};
    const CVisitor *visitor = m_model->VisitorAt(rows.first().row());
    return visitor ? visitor->id() : std::string();
}

void CVisitorListCtrl::AnnounceSelection()
{
    const std::string id = SelectedId();
    if (id == m_announced)
        return;
    m_announced = id;
    m_redrawSelected.stop();
    emit VisitorSelected(id);
}

void CVisitorListCtrl::mousePressEvent(QMouseEvent *event)
{
    Press press;
    press.time = event->timestamp();
    if (const CVisitor *visitor = m_model->VisitorAt(indexAt(event->position().toPoint()).row()))
        press = {visitor->id(), visitor->displayName(), event->timestamp()};
    m_firstPress = std::exchange(m_lastPress, std::move(press));
    CReportListView::mousePressEvent(event);
}

void CVisitorListCtrl::keyPressEvent(QKeyEvent *event)
{
    if (!Tessary::OpenContextMenuOnShiftF10(this, event))
        CReportListView::keyPressEvent(event);
}

void CVisitorListCtrl::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The window system delivers the second press, then the double-click
    // with the same time: the press before named the visitor the agent
    // aimed at. (A double-click without a press of its own follows the first.)
    const Press first = m_lastPress.time == event->timestamp() ? m_firstPress : m_lastPress;
    CReportListView::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && !first.id.empty())
        emit AcceptRequested(first.id, first.name);
}

void CVisitorListCtrl::contextMenuEvent(QContextMenuEvent *event)
{
    const std::string id = SelectedId();
    if (id.empty())
        return;
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QModelIndex index = m_model->index(m_model->RowOf(id), CVisitorListModel::ColumnVisitor);
        const QRect cell = visualRect(index);
        at = viewport()->mapToGlobal(QPoint(0, cell.bottom()));
    }
    emit ContextMenuRequested(id, at);
}
