#pragma once
// CTessaryView: the live-chat plug-in's main view, the visitor monitor: a
// splitter with the visitor list above and the visitor chat pane below
// (sizes kept in "Tessary\View"). It holds the router of the chat service's
// visitor messages and the visitors it knows, runs the router's
// one-second tick, and takes the presence and "Next Response" commands; the
// pane is offered every command first. The plug-in reaches the visitors
// through IVisitors.
//
// Threading: user-interface thread only.

#include "bus/Commands.h"
#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/VisitorRouter.h"

#include <QBasicTimer>
#include <QWidget>

#include <memory>

class CQVSplitter;
class CVisitorChatPane;
class CVisitorListCtrl;
class IChatWndHost;
class IVisitorPaneHost;

class CTessaryView : public QWidget, public QVPlugin::ICommandTarget, public CTessaryPlugin::IVisitors
{
    Q_OBJECT
    Q_INTERFACES(QVPlugin::ICommandTarget)
public:
    static constexpr int kTickMs = 1000;
    // The web engine starts once a visitor is listed and the agent has left
    // mouse and keyboard alone this long.
    static constexpr std::int64_t kWarmUpIdleMs = 1000;

    // What the visitor chat pane needs; without it the view has a stand-in
    // pane with no chats. Both must outlive the view.
    struct PaneServices
    {
        IVisitorPaneHost &host;
        IChatWndHost &chatHost;
    };

    // The host must outlive the view. Null idle source: the desktop's.
    explicit CTessaryView(IVisitorRouterHost &host, std::unique_ptr<IIdleSource> idle = nullptr,
                          CVisitor::Clock clock = CVisitor::SystemClock(), QWidget *parent = nullptr,
                          const PaneServices *paneServices = nullptr);
    ~CTessaryView() override;

    bool OnCmdMsg(unsigned id, int code, QVPlugin::CommandUpdate *update,
                  QVPlugin::CommandHandlerInfo *info) override;

    CVisitor *FindVisitorByJid(const QVPlugin::Jid &jid) override { return m_router.FindVisitorByJid(jid); }
    CVisitor *FindVisitorById(const std::string &id) override { return m_router.FindVisitorById(id); }
    bool AnyVisitorWaiting() const override { return m_router.AnyVisitorWaiting(); }
    void OnServerMessage(const QVPlugin::ServerMessage &message) override { m_router.RouteServerMessage(message); }
    void RemoveAllVisitors() override { m_router.RemoveAllVisitors(); }
    void ShowVisitorChat(CVisitor *visitor) override;

    CVisitorRouter &Router() { return m_router; }
    CVisitorListCtrl *List() const { return m_list; }
    // Null with the stand-in pane.
    CVisitorChatPane *Pane() const { return m_chatPane; }

protected:
    void timerEvent(QTimerEvent *event) override;

private:
    class ListLink;

    IVisitorRouterHost &m_host;
    CQVSplitter *m_splitter;
    CVisitorListCtrl *m_list;
    std::unique_ptr<ListLink> m_listLink;
    // The pane's window and what the router drives: the real pane's logic,
    // or the stand-in.
    CVisitorChatPane *m_chatPane;
    QWidget *m_paneWindow;
    IVisitorChatPane *m_pane;
    std::unique_ptr<IIdleSource> m_idle;
    CVisitorRouter m_router;
    QBasicTimer m_timer;
    bool m_warmedUp = false;
};
