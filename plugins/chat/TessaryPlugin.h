#pragma once
// CTessaryPlugin: the plug-in object of the library Tessary and the live-chat
// workplace's one bus endpoint. It hears the XMPP plug-in's notices (own
// presence, server messages, quick-text files) and is the only place that
// sends for the chat workplace: server commands and queries, the agent's
// replies, typing states, presence, group-chat invitations and alerts. It
// keeps the agent's identity and account data and writes the account data
// to the settings the other plug-ins read.
//
// The known visitors live with the visitor monitor (the plug-in's view, made
// at load), and the visitors' chats with the visitor chat pane; the plug-in
// reaches them through IVisitors and IVisitorChats, each null until its
// owner is attached, and serves the monitor's router as its
// IVisitorRouterHost. The agent's direct chats and their windows are the
// plug-in's own (CChatTable).
//
// While its mode is active the plug-in keeps its menus and keys in the
// frame: the quick-text menu and shortcuts follow every change of the list.
//
// Threading: user-interface thread only, like every bus handler.

#include "bus/ChatPayloads.h"
#include "plugins/chat/AgentPictures.h"
#include "plugins/chat/ChatTable.h"
#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextStore.h"
#include "plugins/chat/model/VisitorPaneHost.h"
#include "plugins/chat/model/VisitorRouter.h"
#include "plugins/chat/session/Chat.h"
#include "plugins/chat/ui/ChatWndHost.h"
#include "plugins/xmpp/PluginBase.h"

#include <QPointer>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

class CChatWindows;
class CTessaryBar;
class CTessaryView;
class CVisitor;

class CTessaryPlugin : public QVPlugin::CPluginBase, public IVisitorRouterHost, public IVisitorPaneHost
{
public:
    static constexpr int kMode = 10000;

    // The visitors the service has reported, and the router of every server
    // message the plug-in does not read itself.
    class IVisitors
    {
    public:
        virtual ~IVisitors() = default;
        // A full JID matches exactly; a JID without resource by its bare part.
        virtual CVisitor *FindVisitorByJid(const QVPlugin::Jid &jid) = 0;
        // A visitor whose chat id (the resource of its chat JID) is this.
        virtual CVisitor *FindVisitorById(const std::string &id) = 0;
        virtual bool AnyVisitorWaiting() const = 0;
        virtual void OnServerMessage(const QVPlugin::ServerMessage &message) = 0;
        // The own presence went offline: every visitor goes.
        virtual void RemoveAllVisitors() {}
        // Selects the visitor in the list and shows its chat in the pane.
        virtual void ShowVisitorChat(CVisitor *) {}
    };

    // The visitors' chats, as the visitor chat pane holds them.
    class IVisitorChats
    {
    public:
        virtual ~IVisitorChats() = default;
        // The visitor chat that a message, receipt or room presence from
        // this JID belongs to, or null.
        virtual CChat *FindVisitorChat(const QVPlugin::Jid &jid) = 0;
        // The conversation line of that chat.
        virtual MessageChannel *VisitorChannel(CChat *chat) = 0;
        // The conversation line of a visitor's room (bare JID) whose chat is
        // not open: what is published there shows first when it opens.
        virtual MessageChannel *RoomChannel(const QVPlugin::Jid &room) = 0;
        virtual void OnPeerChatState(const QVPlugin::ChatStateMessage &state) = 0;
        virtual void OnOwnPresence(QVPlugin::PresenceState state) = 0;
    };

    // The chat input that quick texts chosen in the bar's tree or the
    // "&Quick Text" menu go into: the chat window the agent works in.
    class IQuickTextInput
    {
    public:
        virtual ~IQuickTextInput() = default;
        // True when a chat window would take a quick text now.
        virtual bool CanInsertQuickText() const = 0;
        // The quick text with this number (its command less 10300).
        virtual void InsertQuickText(unsigned number) = 0;
    };

    CTessaryPlugin();
    ~CTessaryPlugin() override;

    const QUuid *GetId() const override;
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    bool OnLoad() override;
    void OnUnload() override;
    void OnModeActivate(int mode) override;
    void OnModeDeactivate(int mode) override;
    // The quick-text commands; every other command goes on to the view.
    int OnCommand(unsigned id) override;
    int OnUpdateCommand(QVPlugin::CommandUpdate *update) override;
    void OnSettingChanged(const QString &key, const QVariant &value) override;
    void OnDisconnected() override;
    void BuildSettingsLayout(QDomDocument *document) override;

    // Not owned; must outlive the plug-in or be reset to null first.
    void SetVisitors(IVisitors *visitors) { m_visitors = visitors; }
    void SetVisitorChats(IVisitorChats *chats) { m_visitorChats = chats; }
    // Not owned. Replaces the plug-in's own chat windows; tests set fakes.
    void SetChatWindows(IChatWindows *windows);
    void SetQuickTextInput(IQuickTextInput *input) { m_quickTextInput = input; }

    // False when no chat window takes it now.
    bool InsertQuickText(unsigned number);
    // What the frame holds for the quick texts while the mode is active.
    const QVPlugin::AcceleratorTable &QuickTextAccelerators() const { return m_quickTextAccelerators; }

    // text: UTF-8 of the command's text, empty for none.
    void SendServerCommand(const std::string &sessionId, const QString &text, const std::string &type) override;
    void SendServerQuery(const std::string &sessionId, const QString &text) override;
    // The agent's text leaving a chat: a chat message, or for a visitor who
    // is not in a chat the command that opens one. True when the bus took it.
    bool SendAgentMessage(const QVPlugin::ChatMessage &message);
    // Nothing for a visitor who is not in a chat (false).
    bool SendTypingState(const QVPlugin::ChatContact &peer, int state);
    void SetOwnPresence(QVPlugin::PresenceState state) override;
    void SendDirectedPresence(const QVPlugin::ChatContact &contact);
    // The bus result.
    int SendMucInvite(const QVPlugin::Jid &room, const QVPlugin::Jid &user) override;
    int SendMucDecline(const QVPlugin::Jid &room, const QVPlugin::Jid &user) override;
    CVisitor *FindVisitorById(const std::string &id) override;
    bool BoolSetting(const QString &key, bool fallback) const override;
    void SetBoolSetting(const QString &key, bool value) override;
    QString StringSetting(const QString &key, const QString &fallback) const override;
    void RaiseAlert(int kind, const QString &title, const QString &text) override;
    void ShowStatus(const QString &text) override;
    // True for an empty id or one of the agent's departments (exact match).
    bool IsInDepartment(const QString &departmentId) const override;
    int IdleMinutes() override;
    // Raises the contact's chat window, or opens one, making the direct chat
    // when the JID is a known contact and has none.
    void OpenContactChat(const QVPlugin::Jid &jid);
    // A visitor's room chat in the visitor pane; any other in its window.
    void ShowChatFor(CChat *chat);
    // An agent's picture: null until fetched (then pictureArrived of
    // Pictures() tells), or when it does not load.
    QImage GetPicture(const QVPlugin::Jid &jid) { return m_pictures.Picture(jid); }
    void RequestPicture(const QVPlugin::Jid &jid) { m_pictures.Request(jid); }
    CAgentPictures &Pictures() { return m_pictures; }

    const QVPlugin::ChatContact &Self() const override { return m_self; }
    const QString &WebModuleUrl() const { return m_webModuleUrl; }
    const QStringList &Departments() const { return m_departments; }
    QVPlugin::PresenceState OwnState() const override { return m_ownState; }
    CQuickTextList &QuickTexts() { return m_quickTexts; }
    CContactList &Contacts() override { return m_contacts; }
    // The outlook-bar page; null before load or once the host removed it.
    CTessaryBar *Bar() const;
    CChatTable &ChatTable() { return m_chatTable; }
    MessageChannelRegistry &Channels() { return m_channels; }
    // What every chat of the workplace sends through.
    ChatCore &Core() override { return m_core; }
    // What the chat windows need of the plug-in.
    IChatWndHost &ChatWndHost() { return m_core; }

private:
    // What the chats and their windows reach of the plug-in.
    class CoreLink : public IChatWndHost
    {
    public:
        explicit CoreLink(CTessaryPlugin &plugin);
        QVPlugin::Jid OwnJid() const override { return m_plugin.m_self.jid; }
        bool SendAgentMessage(const QVPlugin::ChatMessage &message) override;
        bool BoolSetting(const QString &key, bool fallback) const override;
        void SendTypingState(const QVPlugin::Jid &peer, int state) override;
        void SendDirectedPresence(const QVPlugin::ChatContact &presence) override;
        const CContactList *Contacts() const override { return &m_plugin.m_contacts; }
        QString StringSetting(const QString &key, const QString &fallback) const override;
        QString AgentDisplayName() const override;
        QString WebModuleUrl() const override { return m_plugin.m_webModuleUrl; }
        QImage GetPicture(const QVPlugin::Jid &jid) override { return m_plugin.GetPicture(jid); }
        QMetaObject::Connection
        ConnectPictures(QObject *receiver,
                        std::function<void(const QVPlugin::Jid &, const QImage &)> slot) override;
        CQuickTextList *QuickTexts() override { return &m_plugin.m_quickTexts; }
        void OpenTransfer(const QVPlugin::Jid &peer, QWidget *parent) override;

    private:
        CTessaryPlugin &m_plugin;
    };

    // Reads the list's settings and keeps the frame's quick-text menu and
    // keys following the list.
    void LoadQuickTexts();
    void RebuildQuickTextShortcuts();
    void ReadAccountData(const std::string &text);
    void WriteSetting(const QString &key, const QString &value);
    void OnContactPresence(const QVPlugin::ChatContact &contact);
    // Neither the agent itself nor the chat service is one.
    bool IsColleague(const QVPlugin::Jid &jid) const;
    void OnOwnPresence(QVPlugin::PresenceState state);
    void OnChatMessage(const QVPlugin::ChatMessage &message);
    void OnReceipt(const QVPlugin::ChatMessage &receipt);

    IVisitors *m_visitors = nullptr;
    QPointer<CTessaryView> m_view;
    // Owned by the host's bar parent once added.
    QPointer<CTessaryBar> m_bar;
    IVisitorChats *m_visitorChats = nullptr;
    CoreLink m_core{*this};
    // Channels outlive the chats that publish on them.
    MessageChannelRegistry m_channels;
    CContactList m_contacts;
    CChatTable m_chatTable;
    CAgentPictures m_pictures;
    CQuickTextList m_quickTexts;
    IQuickTextInput *m_quickTextInput = nullptr;
    const QVPlugin::AcceleratorTable m_pluginAccelerators;
    QVPlugin::AcceleratorTable m_quickTextAccelerators;
    // Made at load, once the host is known.
    std::unique_ptr<CQuickTextStore> m_quickTextStore;
    // The direct chats' windows unless SetChatWindows chose others.
    std::unique_ptr<CChatWindows> m_chatWindows;
    bool m_chatWindowsSet = false;
    QVPlugin::PresenceState m_ownState = QVPlugin::PresenceOffline;
    QVPlugin::ChatContact m_self;
    QString m_webModuleUrl;
    QStringList m_departments;
    // "chat.idle.minutes", read once and then kept up by setting changes:
    // the idle rule asks every second.
    std::optional<int> m_idleMinutes;
};
