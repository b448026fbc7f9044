#pragma once
// The list of the visitors on the web site in the monitor view: who, where,
// how long on the page and the site, how long waiting for a chat, and a
// blinking icon for the visitors who ask for or are in a chat. Visitors are
// named by their id; the owner keeps the visitors alive while they have a
// row. Column widths persist in the window state ("Tessary\VisitorList").
// User-interface thread only.

#include "plugins/chat/ui/ReportListView.h"
#include "plugins/chat/ui/VisitorListModel.h"

#include <QTimer>

#include <string>

class CVisitorListCtrl : public CReportListView
{
    Q_OBJECT

public:
    static constexpr int kBlinkMs = 500;

    explicit CVisitorListCtrl(CVisitor::Clock clock = CVisitor::SystemClock(), QWidget *parent = nullptr);

    void SetAgentsText(CVisitorListModel::AgentsTextFn agentsText);

    // See CVisitorListModel; the list keeps the pointer, the caller owns the
    // visitor and removes its row before deleting it.
    bool AddVisitor(const CVisitor *visitor);
    // Unless timesOnly, an update of the selected visitor also announces the
    // selection again (once per pass of the event loop) so that the panes
    // showing it redraw.
    void UpdateVisitor(const std::string &id, bool timesOnly = false);
    // The once-a-second refresh of every row's times.
    void RefreshTimes();
    // Removing the selected visitor leaves no row selected.
    void RemoveVisitor(const std::string &id);
    // Selects and focuses the visitor's row; false when it has none.
    bool SelectVisitor(const std::string &id);
    // Empty when no row is selected.
    std::string SelectedId() const;

    CVisitorListModel *Model() const { return m_model; }

signals:
    // The selected visitor, or an empty id when none is.
    void VisitorSelected(const std::string &id);
    // A double-click: accept the chat request (where one applies) of the
    // visitor whose row took the first press, named as the row showed it.
    void AcceptRequested(const std::string &id, const QString &name);
    // The context menu of the selected visitor, at a screen position.
    void ContextMenuRequested(const std::string &id, const QPoint &globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void AnnounceSelection();

    CVisitorListModel *m_model;
    QTimer m_blinkTimer;
    QTimer m_redrawSelected;
    std::string m_announced;
    // The visitors under the last two presses: a double-click's second
    // press may land on another row when rows moved between the clicks.
    struct Press
    {
        std::string id;
        QString name;
        quint64 time = 0;
    };
    Press m_firstPress;
    Press m_lastPress;
};
