#pragma once
// CWirlam: the plug-in object of the library Wirlam, the only part of the
// system that speaks XMPP. It turns the bus messages of sign-in, sign-out,
// presence, chat and server commands into work for its connection, which
// runs on the plug-in's network thread, and reports what becomes of the
// session on the bus: the presence-state notices, "agent.id",
// MSG_CONNECTED, MSG_DISCONNECTED and MSG_CONNECTION_ERROR. The chat
// service's own messages and the stanza-template commands go to its
// CServiceMessages.
//
// Threading: the bus handlers, the timer and every report of the connection
// run on the user-interface thread. The network thread never calls the bus
// synchronously: what it needs from the settings ("agent.nick") is cached
// here and read under a lock, and what it reads from the stream (chat
// messages, receipts, chat states, presence) it posts.

#include "plugins/xmpp/PluginBase.h"
#include "plugins/xmpp/XmppConnection.h"
#include "plugins/xmpp/tasks/Roster.h"
#include "plugins/xmpp/server/ServiceMessages.h"

#include <QString>

#include <memory>
#include <mutex>
#include <string>

namespace QVPlugin {
class LoginInfo;
}

class CWirlam : public QVPlugin::CPluginBase,
                private CXmppConnection::IListener,
                private CXmppConnection::ISessionHandler,
                private CServiceMessages::ISession
{
public:
    static constexpr int kMode = 10000;
    static constexpr unsigned kKeepAliveMs = 60000;
    static constexpr const char *kKeepAlive = " ";

    CWirlam();
    ~CWirlam() override;

    const QUuid *GetId() const override;
    bool OnLoad() override;
    void OnUnload() override;
    void OnTimer(unsigned id) override;
    int OnGetValue(const QString &key, QVariant *out, const QVariant &defaultValue) override;
    void OnSettingChanged(const QString &key, const QVariant &value) override;
    void BuildSettingsLayout(QDomDocument *document) override;
    int OnMessage(const QUuid &id, QVPlugin::IMessage *in, QVPlugin::IMessage *out) override;
    int OnCommand(unsigned id) override;
    int OnUpdateCommand(QVPlugin::CommandUpdate *update) override;

    // A session is open (the stream is up and bound).
    bool IsConnected() const { return m_open; }
    unsigned KeepAliveTimer() const { return m_keepAliveTimer; }
    // "agent.nick" as last read or changed, UTF-8; any thread.
    std::string AgentNick() const;
    // Where "xmpp_messages.xml" is looked for; the program's folder unless set.
    void SetProgramFolder(const QString &folder) { m_service.SetProgramFolder(folder); }

private:
    void OnConnectionEvent(const CXmppConnection::Event &event) override;
    // Network thread.
    void OnSessionOpened(XmppPump &pump) override;
    bool OnStanza(XmppPump &pump, const gloox::Tag &stanza) override;
    // A chat message from an account of the agent's server that is not a
    // colleague: it gets no receipt.
    bool IsStrangersMessage(const gloox::Tag &stanza, const gloox::JID &self) const;
    // The stanzas of a chat, presence or group-chat message of the bus;
    // false when there were none (no session, or not such a payload).
    bool SendTaskStanzas(const QUuid &id, const QVPlugin::IMessage *in);
    bool IsOpen() const override { return m_open; }
    std::string OwnJid() const override { return m_ownJid.toStdString(); }
    void SendRaw(const std::string &text) override;
    // Shows the box and gives false for a user name without a node.
    bool CheckUserName(const QString &userName, std::string *node, std::string *domain);
    int Login(const QVPlugin::LoginInfo &info);
    void NotifyPresence(int state);
    void ReportClosed(int error, int subcode);

    // Outlives the connection, whose network thread calls it.
    CServiceMessages m_service;
    Stanza::CRoster m_roster; // network thread
    std::unique_ptr<CXmppConnection> m_connection;
    unsigned m_keepAliveTimer = 0;
    bool m_open = false;
    QString m_ownJid; // of the open session

    mutable std::mutex m_nickLock;
    std::string m_agentNick;
};
