#pragma once
// CVisitorPaneLogic: what the visitor chat pane decides, without its
// windows. It keeps the visitors' room chats that the agent opened (one per
// visitor, found by the room, the bare form of the visitor's chat address),
// the visitor shown, and the visitor commands: accept, reject, join, listen,
// invite, end, transfer, push page, history, block, detach, "HTML Mode" and
// the visitor context menus. Each command becomes the server command,
// group-chat message or window action it stands for.
//
// Every modal step (the department question, a menu, the block, push and
// transfer dialogs) runs while the chat service may remove the visitor, so
// the logic holds the visitor's id across it and finds the visitor again
// afterwards; a visitor gone meanwhile means nothing is sent.
//
// The plug-in side (IVisitorPaneHost) and the windows (IVisitorPaneView)
// are injected, so tests drive it with stubs. The router reaches it as its
// IVisitorChatPane, the plug-in core as its IVisitorChats.
//
// Threading: user-interface thread only.

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/TessaryMenu.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/VisitorPaneHost.h"
#include "plugins/chat/model/VisitorRouter.h"
#include "plugins/chat/session/Chat.h"

#include <QPoint>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// One item of a visitor context menu.
struct VisitorMenuItem
{
    unsigned id = 0;
    QString text;
    bool enabled = true;
};

// The agent's choice in the push-page dialog.
struct PushPageChoice
{
    QString url;
    bool asLink = false;
};

// The pane's windows as the logic drives them.
class IVisitorPaneView
{
public:
    virtual ~IVisitorPaneView() = default;
    // The chat shown in the pane's chat window (null for none).
    virtual void ShowChat(CChat *chat) = 0;
    virtual CChat *ShownChat() const = 0;
    // Whether the chat lives in a detached frame of its own.
    virtual bool IsDetached(CChat *chat) const = 0;
    // Detaches the pane's chat window into a frame of its own.
    virtual void DetachShownChat() = 0;
    // Tells the window that shows the chat (the pane's or its frame) that
    // the chat ended; false when no window shows it.
    virtual bool EndChatWindow(CChat *chat) = 0;
    // The chat is about to be deleted: no window may keep it.
    virtual void ReleaseChat(CChat *chat) = 0;
    // Brings the window that shows the chat forward.
    virtual void ActivateChat(CChat *chat) = 0;
    // The peer's chat state in the window that shows the chat.
    virtual void ShowPeerChatState(CChat *chat, int state) = 0;
    // Puts the text into the chat as the agent's text.
    virtual void PutTextInChat(CChat *chat, const QString &text) = 0;
    // Opens or closes the chat column.
    virtual void SetChatColumnVisible(bool visible) = 0;
    // Draws the selected visitor anew (the active tab).
    virtual void Redraw() = 0;
    // The address the current-page view was last sent to.
    virtual QString CurrentPageUrl() const = 0;
    // A command the logic does not run itself (the view's "Next Response").
    virtual void PostCommand(unsigned id) = 0;
    // A visitor chat was opened or has ended (the bar lists the open ones).
    virtual void ChatOpened(CChat *chat) = 0;
    virtual void ChatEnded(CChat *chat) = 0;

    // Modal steps; the visitor may be gone when they return.
    // The chosen command, or 0.
    virtual unsigned PopupMenu(const std::vector<VisitorMenuItem> &items, const QPoint &globalPos) = 0;
    // The block dialog's word, or none for Cancel.
    virtual std::optional<QString> AskBlockType() = 0;
    virtual std::optional<PushPageChoice> AskPushPage() = 0;
    // The transfer dialog for the visitor's session; on OK it hands the
    // command's text to send.
    virtual void RunTransfer(const std::string &sessionId, const std::function<void(const QString &text)> &send) = 0;
};

class CVisitorPaneLogic : public IVisitorChatPane, public CTessaryPlugin::IVisitorChats
{
public:
    // The menu's ids, and the pane's own commands beside them.
    enum Command : unsigned {
        CmdInvite = TessaryMenu::CmdInviteVisitor,
        CmdAccept = TessaryMenu::CmdAcceptChat,
        CmdHistory = TessaryMenu::CmdRetrieveHistory,
        CmdPushPage = TessaryMenu::CmdPushPage,
        CmdPushCurrentAsLink = 10216,
        CmdNextResponse = TessaryMenu::CmdNextResponse,
        CmdBlock = TessaryMenu::CmdBlockVisitor,
        CmdTransfer = TessaryMenu::CmdTransfer,
        CmdEndChat = TessaryMenu::CmdEndChat,
        CmdDetach = TessaryMenu::CmdDetachChat,
        CmdReject = TessaryMenu::CmdRejectChat,
        CmdOpenFullAgent = 10243,
        CmdPushCurrentUrl = 10244,
        CmdJoin = TessaryMenu::CmdJoinChat,
        CmdListen = 10248,
        CmdHtmlMode = TessaryMenu::CmdHtmlMode,
    };
    // The group-chat roles of OpenVisitorChat.
    enum Role : int { RoleListen = 2, RoleParticipant = 3, RoleFullAgent = 4 };
    static const QString kSendHtmlKey; // "chatpane.sendhtml"

    // Neither is owned; both must outlive the logic.
    CVisitorPaneLogic(IVisitorPaneHost &host, IVisitorPaneView &view);
    ~CVisitorPaneLogic() override;
    CVisitorPaneLogic(const CVisitorPaneLogic &) = delete;
    CVisitorPaneLogic &operator=(const CVisitorPaneLogic &) = delete;

    // IVisitorChatPane, as the router drives it.
    bool HasOpenChat(const QVPlugin::Jid &jid) const override;
    void EndVisitorChat(const QVPlugin::Jid &jid) override;
    void AddVisitorMessage(CVisitor &visitor, const QString &text) override;
    void AddSessionNotification(CVisitor &visitor, const QString &text) override;
    void OnHistoryChanged(CVisitor &visitor) override;
    void OpenVisitorChat(CVisitor &visitor, int role) override;
    void ShowVisitor(CVisitor *visitor) override;
    void ActivateVisitorChat(CVisitor &visitor) override;
    void ForgetVisitor(const CVisitor *visitor) override;

    // IVisitorChats, as the plug-in core asks.
    CChat *FindVisitorChat(const QVPlugin::Jid &jid) override;
    MessageChannel *VisitorChannel(CChat *chat) override;
    MessageChannel *RoomChannel(const QVPlugin::Jid &room) override;
    void OnPeerChatState(const QVPlugin::ChatStateMessage &state) override;
    void OnOwnPresence(QVPlugin::PresenceState state) override;

    CVisitor *SelectedVisitor() const { return m_selected; }
    // Every chat the pane made, open or ended.
    const std::vector<std::unique_ptr<CChat>> &Sessions() const { return m_sessions; }
    bool CanAccept(const CVisitor &visitor) const;
    bool HasChat(const CVisitor &visitor) const;
    // The chat of the visitor's room while the pane has it open, or null.
    CChat *ChatOf(const CVisitor &visitor) const;

    // The command table. Update: true when the id is one of the pane's;
    // enabled and checked are then set. Execute acts on the visitor given
    // (the selected one when null); false when the id is not the pane's.
    bool UpdateCommand(unsigned id, bool &enabled, bool &checked) const;
    bool ExecuteCommand(unsigned id, CVisitor *visitor = nullptr);

    // The visitor's context menu by its state, with each item enabled as
    // its command would be for that visitor.
    std::vector<VisitorMenuItem> MenuFor(const CVisitor &visitor) const;
    // Shows the menu and carries out the choice for that same visitor,
    // found again by its id; when it is gone or its state no longer offers
    // the choice, nothing is sent and the status bar says why.
    void ShowVisitorMenu(CVisitor &visitor, const QPoint &globalPos);
    // A command meant for a visitor who is gone: the status bar says so.
    void TellGone(const QString &name);

    void Accept(CVisitor &visitor);
    void PushPage(CVisitor &visitor, const QString &url, bool asLink);
    // Sends the "visitor-history" query for the visitor shown.
    void RetrieveHistory();
    // Opens or closes the chat column for the selection and, once the
    // agent is offline, ends every chat of the pane.
    void Relayout();

private:
    bool Enabled(unsigned id, const CVisitor *visitor) const;
    bool CanDetach(const CVisitor *visitor) const;
    // Whether the command still applies to the visitor: as its menu offers
    // it while a menu command runs, else as the command table enables it.
    bool Fits(const CVisitor &visitor, unsigned id) const;
    // The visitor of the id after a modal step, or null (and the agent
    // told why) when it is gone or the command no longer fits.
    CVisitor *StillFits(const std::string &id, const QString &name, unsigned command);
    void TellStale(const CVisitor &visitor, unsigned command);
    void AddLine(CVisitor &visitor, const QVPlugin::ChatMessage &line);
    CChat *SessionFor(const QVPlugin::Jid &room) const;
    void Block(CVisitor &visitor);
    void PushPageDialog(CVisitor &visitor);
    void Transfer(CVisitor &visitor);
    void EndAllChats();

    IVisitorPaneHost &m_host;
    IVisitorPaneView &m_view;
    // The pane's own conversation lines, one per room.
    MessageChannelRegistry m_channels;
    // Every visitor chat the pane made; a chat ended stays until the agent
    // goes offline, so a window that still shows it stays valid.
    std::vector<std::unique_ptr<CChat>> m_sessions;
    // The rooms whose chats are open, by the room's text.
    std::map<QString, CChat *> m_open;
    CVisitor *m_selected = nullptr;
    bool m_chatColumnVisible = false;
    // The command chosen in a visitor menu while it runs; 0 otherwise.
    unsigned m_menuCommand = 0;
};
