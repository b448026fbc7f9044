#include "plugins/chat/ui/TessaryView.h"

#include "plugins/chat/TessaryMenu.h"
#include "plugins/chat/ui/IdleSource.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "plugins/chat/ui/VisitorChatPanePlaceholder.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "shared/Prompt.h"
#include "skins/QVSplitter.h"

#include <QTimerEvent>
#include <QVBoxLayout>

using namespace QVPlugin;
using namespace TessaryMenu;

namespace {

const QString kSection = QStringLiteral("Tessary\\View");

// The visitor list's row and the pane's: ideal and minimum heights.
constexpr int kListHeight = 200;
constexpr int kListMinimum = 50;
constexpr int kPaneHeight = 200;
constexpr int kPaneMinimum = 230;

PresenceState PresenceOf(unsigned command)
{
    return PresenceState(PresenceOnline + int(command - CmdOnline));
}

} // namespace

// The visitor list as the router drives it; the list names visitors by id.
class CTessaryView::ListLink : public IVisitorListView
{
public:
    explicit ListLink(CVisitorListCtrl &list) : m_list(list) {}
    void AddVisitor(CVisitor *visitor) override { m_list.AddVisitor(visitor); }
    void UpdateVisitor(CVisitor *visitor) override { m_list.UpdateVisitor(visitor->id()); }
    void RemoveVisitor(CVisitor *visitor) override { m_list.RemoveVisitor(visitor->id()); }
    bool SelectVisitor(CVisitor *visitor) override { return m_list.SelectVisitor(visitor->id()); }
    void RefreshTimes() override { m_list.RefreshTimes(); }

private:
    CVisitorListCtrl &m_list;
};

namespace {

CVisitorChatPane *MakePane(const CTessaryView::PaneServices *services, IVisitorRouterHost &host)
{
    if (!services)
        return nullptr;
    return new CVisitorChatPane(services->host, services->chatHost, host.Contacts(),
                                [&setting = services->host](const QString &key, const QString &fallback) {
                                    return setting.StringSetting(key, fallback);
                                });
}

} // namespace

CTessaryView::CTessaryView(IVisitorRouterHost &host, std::unique_ptr<IIdleSource> idle, CVisitor::Clock clock,
                           QWidget *parent, const PaneServices *paneServices)
    : QWidget(parent),
      m_host(host),
      m_splitter(new CQVSplitter(kSection, Qt::Vertical, this)),
      m_list(new CVisitorListCtrl(clock)),
      m_listLink(std::make_unique<ListLink>(*m_list)),
      m_chatPane(MakePane(paneServices, host)),
      m_paneWindow(m_chatPane ? static_cast<QWidget *>(m_chatPane) : new CVisitorChatPanePlaceholder),
      m_pane(m_chatPane ? &m_chatPane->Logic() : dynamic_cast<IVisitorChatPane *>(m_paneWindow)),
      m_idle(idle ? std::move(idle) : CreateSystemIdleSource()),
      m_router(host, *m_listLink, *m_pane, *m_idle,
               [this](CVisitorRouter::PromptIcon icon, const QString &text) {
                   // The service's requests and answers come while the agent
                   // may be typing to a visitor.
                   PromptRequest request;
                   request.text = text;
                   request.unasked = true;
                   if (icon == CVisitorRouter::PromptIcon::Question) {
                       request.icon = QMessageBox::Question;
                       request.buttons = QMessageBox::Yes | QMessageBox::No;
                   }
                   return CPrompt::Show(request, window()) == QMessageBox::Yes;
               },
               std::move(clock))
{
    setObjectName(QStringLiteral("TessaryView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);
    m_splitter->addWidget(m_list);
    m_splitter->addWidget(m_paneWindow);
    m_splitter->SetPaneInfo(0, kListHeight, kListMinimum);
    m_splitter->SetPaneInfo(1, kPaneHeight, kPaneMinimum);

    m_list->SetAgentsText([this](const CVisitor &visitor) {
        return visitor.AgentsText(m_host.Contacts(), m_host.Self().jid, m_host.Self().nick);
    });
    connect(m_list, &CVisitorListCtrl::VisitorSelected, this,
            [this](const std::string &id) { m_pane->ShowVisitor(m_router.FindVisitorById(id)); });
    if (m_chatPane) {
        // The menu and the double-click act on the visitor of that row.
        connect(m_list, &CVisitorListCtrl::ContextMenuRequested, this,
                [this](const std::string &id, const QPoint &globalPos) {
                    if (CVisitor *visitor = m_router.FindVisitorById(id))
                        m_chatPane->Logic().ShowVisitorMenu(*visitor, globalPos);
                });
        connect(m_list, &CVisitorListCtrl::AcceptRequested, this, [this](const std::string &id, const QString &name) {
            if (CVisitor *visitor = m_router.FindVisitorById(id))
                m_chatPane->Logic().ExecuteCommand(CVisitorPaneLogic::CmdAccept, visitor);
            else
                m_chatPane->Logic().TellGone(name);
        });
    }
    m_timer.start(kTickMs, this);
}

CTessaryView::~CTessaryView()
{
    // The list and the pane still exist: they let go of every visitor.
    m_router.RemoveAllVisitors();
}

bool CTessaryView::OnCmdMsg(unsigned id, int code, CommandUpdate *update, CommandHandlerInfo *info)
{
    if (auto *pane = qobject_cast<ICommandTarget *>(m_paneWindow);
        pane && pane->OnCmdMsg(id, code, update, info))
        return true;

    const bool presence = id >= CmdOnline && id <= CmdBeRightBack;
    if (!presence && id != CmdNextResponse)
        return false;
    // An update, or a probe (answered like one).
    if (code == CommandUpdateUi || (update && info)) {
        if (!update)
            return false;
        if (presence)
            update->SetCheck(m_host.OwnState() == PresenceOf(id));
        else
            update->Enable(m_router.AnyVisitorWaiting());
        if (info)
            info->target = this;
        return true;
    }
    if (code != CommandExecute)
        return false;
    if (presence)
        m_router.ChoosePresence(PresenceOf(id));
    else
        m_router.NextResponse();
    return true;
}

void CTessaryView::ShowVisitorChat(CVisitor *visitor)
{
    if (!visitor || !m_list->SelectVisitor(visitor->id()))
        return;
    m_pane->ShowVisitor(visitor);
    m_pane->ActivateVisitorChat(*visitor);
}

void CTessaryView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_router.Tick();
    // The first click on a visitor then finds the engine running.
    if (m_chatPane && !m_warmedUp && m_list->model()->rowCount() > 0 && m_idle->IdleMilliseconds() >= kWarmUpIdleMs) {
        m_warmedUp = true;
        m_chatPane->PrepareViews();
    }
}
