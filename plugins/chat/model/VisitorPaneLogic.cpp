#include "plugins/chat/model/VisitorPaneLogic.h"

#include "plugins/chat/ChatLog.h"
#include "plugins/chat/model/Visitor.h"
#include "shared/Prompt.h"

#include <utility>

using namespace QVPlugin;

const QString CVisitorPaneLogic::kSendHtmlKey = QStringLiteral("chatpane.sendhtml");

namespace {

const QString kNotInDepartment = QStringLiteral(
    "You are not a member of the department the visitor is requesting.\n\nDo you want to accept the chat?");

const QString kChatEnded = QStringLiteral("The chat has ended");

const QString kGone = QStringLiteral("Nothing was sent: %1 is no longer in the visitor list");
const QString kStale = QStringLiteral("Nothing was sent: \"%1\" does not apply to %2, who is now \"%3\"");

QString CommandName(unsigned id)
{
    switch (id) {
    case TessaryMenu::CmdAcceptChat: return QStringLiteral("Accept Chat");
    case TessaryMenu::CmdRejectChat: return QStringLiteral("Reject Chat");
    case TessaryMenu::CmdInviteVisitor: return QStringLiteral("Invite Visitor to Chat");
    case TessaryMenu::CmdBlockVisitor: return QStringLiteral("Block Visitor");
    case TessaryMenu::CmdEndChat: return QStringLiteral("End Chat");
    case TessaryMenu::CmdTransfer: return QStringLiteral("Transfer");
    case TessaryMenu::CmdDetachChat: return QStringLiteral("Detach Chat");
    case TessaryMenu::CmdPushPage: return QStringLiteral("Push Page");
    default: return QStringLiteral("The command");
    }
}

} // namespace

CVisitorPaneLogic::CVisitorPaneLogic(IVisitorPaneHost &host, IVisitorPaneView &view) : m_host(host), m_view(view) {}

CVisitorPaneLogic::~CVisitorPaneLogic() = default;

CChat *CVisitorPaneLogic::SessionFor(const Jid &room) const
{
    for (const auto &session : m_sessions)
        if (session->peer().BareEquals(room))
            return session.get();
    return nullptr;
}

CChat *CVisitorPaneLogic::ChatOf(const CVisitor &visitor) const
{
    const auto it = m_open.find(visitor.jid().BareStr());
    return it == m_open.end() ? nullptr : it->second;
}

bool CVisitorPaneLogic::HasOpenChat(const Jid &jid) const
{
    return m_open.count(jid.BareStr()) != 0;
}

bool CVisitorPaneLogic::HasChat(const CVisitor &visitor) const
{
    return ChatOf(visitor) != nullptr;
}

bool CVisitorPaneLogic::CanAccept(const CVisitor &visitor) const
{
    return visitor.state() == CVisitor::StateRequestingChat && !HasChat(visitor);
}

CChat *CVisitorPaneLogic::FindVisitorChat(const Jid &jid)
{
    const auto it = m_open.find(jid.BareStr());
    return it == m_open.end() ? nullptr : it->second;
}

MessageChannel *CVisitorPaneLogic::VisitorChannel(CChat *chat)
{
    return chat ? &chat->channel() : nullptr;
}

MessageChannel *CVisitorPaneLogic::RoomChannel(const Jid &room)
{
    // The room's chat is made on this very line when it opens.
    return m_channels.Get(room.BareJid());
}

void CVisitorPaneLogic::OnPeerChatState(const ChatStateMessage &state)
{
    if (CChat *chat = FindVisitorChat(state.from.jid)) {
        // Also while no window shows the chat.
        chat->SetPeerChatState(state.state);
        m_view.ShowPeerChatState(chat, state.state);
    }
}

void CVisitorPaneLogic::OnOwnPresence(PresenceState)
{
    Relayout();
}

void CVisitorPaneLogic::OpenVisitorChat(CVisitor &visitor, int role)
{
    const Jid room = visitor.jid().BareJid();
    if (!room.IsValid() || HasChat(visitor))
        return;
    CChat *chat = SessionFor(room);
    if (!chat) {
        m_sessions.push_back(std::make_unique<CChat>(room, m_host.Core(), *m_channels.Get(room), visitor.displayName()));
        chat = m_sessions.back().get();
    }
    m_open[room.Str()] = chat;
    // The visitor's lines are shown under its name; the agent's own record
    // is a member that never gets a copy of its own.
    ChatContact contact(visitor.jid());
    contact.nick = visitor.displayName();
    contact.role = RoleVisitor;
    chat->members().Update(contact);
    chat->SetVisitor(visitor.jid());
    const ChatContact &self = m_host.Self();
    if (self.jid.IsValid()) {
        chat->members().Update(self);
        chat->excluded().Update(self);
    }
    chat->SetMode(role);
    if (role == RoleParticipant)
        visitor.ClearChatRequested();
    if (!m_view.IsDetached(chat) && (!m_selected || m_selected == &visitor))
        m_view.ShowChat(chat);
    Relayout();
    m_view.ChatOpened(chat);
    qCDebug(lcChat) << "visitor chat opened, role" << role;
}

void CVisitorPaneLogic::EndVisitorChat(const Jid &jid)
{
    const auto it = m_open.find(jid.BareStr());
    if (it == m_open.end())
        return;
    CChat *chat = it->second;
    m_open.erase(it);
    const bool shown = m_view.EndChatWindow(chat);
    m_view.ChatEnded(chat);
    if (shown)
        return;
    // No window shows it (another visitor is selected): the chat still
    // ends, or the agent would stay in the room.
    if (chat->mode() == ChatModeNone)
        return;
    ChatMessage line;
    line.type = ChatMessage::Notice;
    line.body = kChatEnded;
    chat->channel().SetUnread(true);
    chat->channel().Publish(line);
    chat->channel().SetUnread(false);
    chat->SetMode(ChatModeNone);
}

void CVisitorPaneLogic::ActivateVisitorChat(CVisitor &visitor)
{
    if (CChat *chat = ChatOf(visitor))
        m_view.ActivateChat(chat);
}

void CVisitorPaneLogic::AddLine(CVisitor &visitor, const ChatMessage &line)
{
    CChat *chat = ChatOf(visitor);
    if (!chat)
        return;
    chat->channel().SetUnread(true);
    chat->channel().Publish(line);
}

void CVisitorPaneLogic::AddVisitorMessage(CVisitor &visitor, const QString &text)
{
    ChatMessage line;
    line.from = visitor.jid();
    line.body = text;
    if (!ChatOf(visitor)) {
        // Written before the agent accepts: kept for the chat to show first.
        MessageChannel *channel = RoomChannel(visitor.jid());
        channel->SetUnread(true);
        channel->Publish(line);
        return;
    }
    AddLine(visitor, line);
}

void CVisitorPaneLogic::AddSessionNotification(CVisitor &visitor, const QString &text)
{
    ChatMessage line;
    line.type = ChatMessage::Notice;
    line.body = text;
    AddLine(visitor, line);
}

void CVisitorPaneLogic::OnHistoryChanged(CVisitor &visitor)
{
    if (m_selected == &visitor)
        m_view.Redraw();
}

void CVisitorPaneLogic::ShowVisitor(CVisitor *visitor)
{
    if (visitor != m_selected) {
        m_selected = visitor;
        CChat *chat = visitor ? ChatOf(*visitor) : nullptr;
        m_view.ShowChat(chat && !m_view.IsDetached(chat) ? chat : nullptr);
        Relayout();
    }
    m_view.Redraw();
}

void CVisitorPaneLogic::ForgetVisitor(const CVisitor *visitor)
{
    if (visitor && visitor == m_selected) {
        m_selected = nullptr;
        m_view.ShowChat(nullptr);
        Relayout();
        m_view.Redraw();
    }
}

bool CVisitorPaneLogic::CanDetach(const CVisitor *visitor) const
{
    if (!visitor || m_host.OwnState() == PresenceOffline)
        return false;
    CChat *shown = m_view.ShownChat();
    return shown && shown == ChatOf(*visitor);
}

void CVisitorPaneLogic::Relayout()
{
    const bool visible = CanDetach(m_selected);
    if (visible != m_chatColumnVisible) {
        m_chatColumnVisible = visible;
        m_view.SetChatColumnVisible(visible);
    }
    if (m_host.OwnState() == PresenceOffline)
        EndAllChats();
}

void CVisitorPaneLogic::EndAllChats()
{
    if (m_open.empty() && m_sessions.empty())
        return;
    while (!m_open.empty())
        EndVisitorChat(m_open.begin()->second->peer());
    for (const auto &session : m_sessions)
        m_view.ReleaseChat(session.get());
    m_sessions.clear();
}

bool CVisitorPaneLogic::Enabled(unsigned id, const CVisitor *v) const
{
    const bool inChat = v && CVisitor::IsInChatState(v->state());
    switch (id) {
    case CmdAccept:
    case CmdReject:
        return v && CanAccept(*v);
    case CmdJoin:
    case CmdListen:
        return inChat && !HasChat(*v);
    case CmdOpenFullAgent:
    case CmdInvite:
        return v && !inChat;
    case CmdEndChat:
    case CmdTransfer:
    case CmdPushPage:
        return v && HasChat(*v);
    case CmdPushCurrentAsLink:
    case CmdPushCurrentUrl:
        return inChat;
    case CmdHistory:
    case CmdBlock:
        return v != nullptr;
    case CmdDetach:
        return CanDetach(v);
    case CmdHtmlMode:
        return true;
    default:
        return false;
    }
}

bool CVisitorPaneLogic::UpdateCommand(unsigned id, bool &enabled, bool &checked) const
{
    if (id == CmdNextResponse)
        return false;
    switch (id) {
    case CmdInvite: case CmdAccept: case CmdHistory: case CmdPushPage: case CmdPushCurrentAsLink:
    case CmdBlock: case CmdTransfer: case CmdEndChat: case CmdDetach: case CmdReject:
    case CmdOpenFullAgent: case CmdPushCurrentUrl: case CmdJoin: case CmdListen: case CmdHtmlMode:
        break;
    default:
        return false;
    }
    enabled = Enabled(id, m_selected);
    checked = id == CmdHtmlMode && m_host.BoolSetting(kSendHtmlKey, false);
    return true;
}

bool CVisitorPaneLogic::ExecuteCommand(unsigned id, CVisitor *visitor)
{
    bool enabled = false;
    bool checked = false;
    if (!UpdateCommand(id, enabled, checked))
        return false;
    CVisitor *v = visitor ? visitor : m_selected;
    // The menus enable their items by this visitor; a stale command (the
    // state changed under an open menu, or a double-click on a row that
    // no longer asks for a chat) sends nothing, and the agent hears why.
    if (!Enabled(id, v)) {
        if (visitor)
            TellStale(*visitor, id);
        return true;
    }
    if (id == CmdHtmlMode) {
        m_host.SetBoolSetting(kSendHtmlKey, !checked);
        return true;
    }
    const Jid room = v->jid().BareJid();
    switch (id) {
    case CmdAccept:
        Accept(*v);
        break;
    case CmdReject:
        m_host.SendMucDecline(room, v->jid());
        break;
    case CmdJoin:
        OpenVisitorChat(*v, RoleParticipant);
        break;
    case CmdListen:
        OpenVisitorChat(*v, RoleListen);
        break;
    case CmdOpenFullAgent:
        OpenVisitorChat(*v, RoleFullAgent);
        break;
    case CmdInvite:
        m_host.SendMucInvite(room, v->jid());
        break;
    case CmdEndChat:
        EndVisitorChat(v->jid());
        break;
    case CmdTransfer:
        Transfer(*v);
        break;
    case CmdPushPage:
        PushPageDialog(*v);
        break;
    case CmdPushCurrentAsLink:
        PushPage(*v, m_view.CurrentPageUrl(), true);
        break;
    case CmdPushCurrentUrl:
        m_host.SendServerCommand(v->id(), m_view.CurrentPageUrl(), "push-url-visitor");
        break;
    case CmdHistory:
        m_host.SendServerQuery(v->id(), v->TrackingValue("REMOTE_ADDR"));
        break;
    case CmdBlock:
        Block(*v);
        break;
    case CmdDetach:
        m_view.DetachShownChat();
        Relayout();
        break;
    default:
        break;
    }
    return true;
}

void CVisitorPaneLogic::Accept(CVisitor &visitor)
{
    const std::string id = visitor.id();
    if (!m_host.IsInDepartment(visitor.department())) {
        PromptRequest question;
        question.text = kNotInDepartment;
        question.icon = QMessageBox::Question;
        question.buttons = QMessageBox::Yes | QMessageBox::No;
        if (CPrompt::Show(question) != QMessageBox::Yes)
            return;
    }
    // The question's loop may have seen the visitor go, or another agent
    // take the chat.
    CVisitor *v = StillFits(id, visitor.displayName(), CmdAccept);
    if (!v)
        return;
    m_host.SendServerCommand(id, QString(), "accept-visitor-chat");
    v->ClearChatRequested();
    OpenVisitorChat(*v, RoleFullAgent);
    // The agent's next words are for the visitor, not the list's type-ahead.
    if (CChat *chat = ChatOf(*v))
        m_view.ActivateChat(chat);
}

void CVisitorPaneLogic::Block(CVisitor &visitor)
{
    const std::string id = visitor.id();
    const QString name = visitor.displayName();
    const std::optional<QString> type = m_view.AskBlockType();
    if (!type)
        return;
    if (CVisitor *v = StillFits(id, name, CmdBlock)) {
        m_host.SendServerCommand(id, *type, "block-visitor");
        v->SetBlocked();
    }
}

void CVisitorPaneLogic::PushPageDialog(CVisitor &visitor)
{
    const std::string id = visitor.id();
    const QString name = visitor.displayName();
    const std::optional<PushPageChoice> choice = m_view.AskPushPage();
    if (!choice)
        return;
    if (CVisitor *v = StillFits(id, name, CmdPushPage))
        PushPage(*v, choice->url, choice->asLink);
}

void CVisitorPaneLogic::Transfer(CVisitor &visitor)
{
    const std::string id = visitor.id();
    const QString name = visitor.displayName();
    const unsigned menuCommand = m_menuCommand;
    m_view.RunTransfer(id, [this, id, name, menuCommand](const QString &text) {
        const unsigned outer = std::exchange(m_menuCommand, menuCommand);
        if (StillFits(id, name, CmdTransfer))
            m_host.SendServerCommand(id, text, "transfer-visitor-chat");
        m_menuCommand = outer;
    });
}

void CVisitorPaneLogic::PushPage(CVisitor &visitor, const QString &url, bool asLink)
{
    if (url.isEmpty())
        return;
    if (!asLink) {
        m_host.SendServerCommand(visitor.id(), url, "push-url-visitor");
        return;
    }
    if (CChat *chat = ChatOf(visitor)) {
        m_view.PutTextInChat(chat, url);
        m_view.ActivateChat(chat);
    }
}

void CVisitorPaneLogic::RetrieveHistory()
{
    ExecuteCommand(CmdHistory);
}

std::vector<VisitorMenuItem> CVisitorPaneLogic::MenuFor(const CVisitor &visitor) const
{
    std::vector<VisitorMenuItem> items;
    const int state = visitor.state();
    if (CVisitor::IsChattingState(state)) {
        items = {{CmdEndChat, QStringLiteral("&End Chat")},
                 {CmdTransfer, QStringLiteral("&Transfer...")},
                 {CmdDetach, QStringLiteral("&Detach Chat")},
                 {CmdPushPage, QStringLiteral("&Push Page...")}};
    } else if (CVisitor::IsWaitingState(state)) {
        items = {{CmdAccept, QStringLiteral("&Accept Chat")}, {CmdReject, QStringLiteral("&Reject Chat")}};
    } else {
        items = {{CmdInvite, QStringLiteral("&Invite Visitor to Chat")},
                 {CmdBlock, QStringLiteral("&Block Visitor...")}};
    }
    for (VisitorMenuItem &item : items)
        item.enabled = Enabled(item.id, &visitor);
    items.push_back({CmdNextResponse, QStringLiteral("&Next Response"), true});
    return items;
}

void CVisitorPaneLogic::ShowVisitorMenu(CVisitor &visitor, const QPoint &globalPos)
{
    const std::string id = visitor.id();
    const QString name = visitor.displayName();
    const unsigned chosen = m_view.PopupMenu(MenuFor(visitor), globalPos);
    if (chosen == 0)
        return;
    if (chosen == CmdNextResponse) {
        m_view.PostCommand(chosen);
        return;
    }
    // The menu's visitor, not whichever one is selected now, and only
    // while its state still offers what the menu offered.
    const unsigned outer = std::exchange(m_menuCommand, chosen);
    if (CVisitor *v = StillFits(id, name, chosen))
        ExecuteCommand(chosen, v);
    m_menuCommand = outer;
}

bool CVisitorPaneLogic::Fits(const CVisitor &visitor, unsigned id) const
{
    if (!m_menuCommand)
        return Enabled(id, &visitor);
    // A command chosen in a menu fits while the visitor's menu, as its
    // state makes it now, still offers it.
    for (const VisitorMenuItem &item : MenuFor(visitor))
        if (item.id == id)
            return item.enabled;
    return false;
}

CVisitor *CVisitorPaneLogic::StillFits(const std::string &id, const QString &name, unsigned command)
{
    CVisitor *v = m_host.FindVisitorById(id);
    if (!v) {
        m_host.ShowStatus(kGone.arg(name));
        return nullptr;
    }
    if (!Fits(*v, command)) {
        TellStale(*v, command);
        return nullptr;
    }
    return v;
}

void CVisitorPaneLogic::TellStale(const CVisitor &visitor, unsigned command)
{
    m_host.ShowStatus(kStale.arg(CommandName(command), visitor.displayName(), visitor.StateLabel()));
}

void CVisitorPaneLogic::TellGone(const QString &name)
{
    m_host.ShowStatus(kGone.arg(name));
}
