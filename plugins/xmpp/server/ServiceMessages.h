#pragma once
// The chat service's own traffic in Wirlam, between the bus and the
// session: system and data messages, raw stanzas, the stanza-template
// commands 11200 to 11299 and the results of the service's other iq ids.
//
// Threading: OnMessage, OnCommand and OnUpdateCommand run on the
// user-interface thread. OnStanza runs on the network thread: it only posts
// bus messages and hands the history and invitation boxes to the
// user-interface thread, so it never waits. Create and destroy the object on
// the user-interface thread, and stop the network thread before destroying
// it.

#include "bus/Commands.h"
#include "bus/QVPlugin.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>

namespace gloox {
class JID;
class Tag;
}

class CServiceMessages
{
public:
    // The session as the user-interface thread sees it.
    class ISession
    {
    public:
        virtual ~ISession() = default;
        virtual bool IsOpen() const = 0;
        // The full JID of the open session, UTF-8.
        virtual std::string OwnJid() const = 0;
        // Written to the stream of the open session as it is.
        virtual void SendRaw(const std::string &text) = 0;
    };
    // Sends a bus message without out payload; from the network thread the
    // bus posts a clone and returns at once.
    using Post = std::function<void(const QUuid &id, QVPlugin::IMessage *payload)>;

    // session: not owned, outlives this object.
    CServiceMessages(ISession *session, Post post);

    // The result for the messages of this traffic; nothing for other ids.
    std::optional<int> OnMessage(const QUuid &id, QVPlugin::IMessage *in);
    int OnCommand(unsigned id);
    int OnUpdateCommand(QVPlugin::CommandUpdate *update);

    // True when the stanza was this traffic's, even if nothing came of it.
    bool OnStanza(const gloox::Tag &stanza, const gloox::JID &own);

    // Where "xmpp_messages.xml" is looked for; the program's folder unless
    // set.
    void SetProgramFolder(const QString &folder) { m_programFolder = folder; }

private:
    int SendSystemMessage(const QUuid &id, QVPlugin::IMessage *in);
    int SendDataMessage(const QUuid &id, QVPlugin::IMessage *in);
    void Send(const gloox::Tag &stanza);
    void Send(const std::string &text);
    QString TemplateFile() const;
    // The agent-version result goes nowhere: no part of the program asks.
    void OnAgentVersion(const QString &, const QString &) {}
    void ShowBox(const QString &text);

    ISession *m_session;
    Post m_post;
    QString m_programFolder;
    QObject m_uiThread; // the boxes' way to the user-interface thread
};
