#pragma once
// CTessaryPlugin: the plug-in object of the library Tessary and the live-chat
// workplace's one bus endpoint. It hears the XMPP plug-in's notices (own
// presence, server messages, quick-text files) and is the only place that
// sends for the chat workplace: server commands and queries, the agent's
// replies, typing states, presence, group-chat invitations and alerts. It
// keeps the agent's identity and account data and writes the account data
// to the settings the other plug-ins read.
//
// The known visitors live with the visitor monitor, made at load; the
// plug-in reaches them through IVisitors, which is null until a monitor is
// attached, and serves the monitor's router as its IVisitorRouterHost.
//
// Threading: user-interface thread only, like every bus handler.

#include "bus/ChatPayloads.h"
#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextStore.h"
#include "plugins/chat/model/VisitorRouter.h"
#include "plugins/xmpp/PluginBase.h"

#include <QStringList>

#include <memory>
#include <string>

class CVisitor;

class CTessaryPlugin : public QVPlugin::CPluginBase, public IVisitorRouterHost
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
        // Offline removes every visitor.
        virtual void OnOwnPresence(QVPlugin::PresenceState) {}
    };

    CTessaryPlugin();
    ~CTessaryPlugin() override;

    const QUuid *GetId() const override;
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    bool OnLoad() override;
    void OnSettingChanged(const QString &key, const QVariant &value) override;
    void OnDisconnected() override;
    void BuildSettingsLayout(QDomDocument *document) override;

    // Not owned; must outlive the plug-in or be reset to null first.
    void SetVisitors(IVisitors *visitors) { m_visitors = visitors; }

    // text: UTF-8 of the command's text, empty for none.
    void SendServerCommand(const std::string &sessionId, const QString &text, const std::string &type) override;
    void SendServerQuery(const std::string &sessionId, const QString &text);
    // The agent's text leaving a chat: a chat message, or for a visitor who
    // is not in a chat the command that opens one. True when the bus took it.
    bool SendAgentMessage(const QVPlugin::ChatMessage &message);
    // Nothing for a visitor who is not in a chat (false).
    bool SendTypingState(const QVPlugin::ChatContact &peer, int state);
    void SetOwnPresence(QVPlugin::PresenceState state) override;
    void SendDirectedPresence(const QVPlugin::ChatContact &contact);
    // The bus result.
    int SendMucInvite(const QVPlugin::Jid &room, const QVPlugin::Jid &user);
    int SendMucDecline(const QVPlugin::Jid &room, const QVPlugin::Jid &user);
    void RaiseAlert(int kind, const QString &title, const QString &text) override;
    // True for an empty id or one of the agent's departments (exact match).
    bool IsInDepartment(const QString &departmentId) const override;
    int IdleMinutes() override;

    const QVPlugin::ChatContact &Self() const override { return m_self; }
    const QString &WebModuleUrl() const { return m_webModuleUrl; }
    const QStringList &Departments() const { return m_departments; }
    QVPlugin::PresenceState OwnState() const override { return m_ownState; }
    CQuickTextList &QuickTexts() { return m_quickTexts; }
    CContactList &Contacts() override { return m_contacts; }

private:
    void ReadAccountData(const std::string &text);
    void WriteSetting(const QString &key, const QString &value);

    IVisitors *m_visitors = nullptr;
    CContactList m_contacts;
    CQuickTextList m_quickTexts;
    // Made at load, once the host is known.
    std::unique_ptr<CQuickTextStore> m_quickTextStore;
    QVPlugin::PresenceState m_ownState = QVPlugin::PresenceOffline;
    QVPlugin::ChatContact m_self;
    QString m_webModuleUrl;
    QStringList m_departments;
};
