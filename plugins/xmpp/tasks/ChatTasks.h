#pragma once
// The chat, presence and group-chat tasks as the plug-in meets them: which
// stanzas a sender message of the bus becomes, and which bus messages an
// incoming stanza becomes. Pure functions; any thread. The plug-in sends
// the stanzas and posts the messages.

#include "bus/Payloads.h"
#include "plugins/xmpp/tasks/StanzaOutcome.h"

#include <QDateTime>
#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace Stanza {

struct SenderContext
{
    std::string ownJid; // the session's full JID, UTF-8
    QString nick;       // "agent.nick"
    QDateTime now;      // for the presence's delay stamp
};

// The stanzas for MSG_SEND_CHAT_MESSAGE, MSG_CHAT_STATE, MSG_SEND_MUC_INVITE,
// MSG_SEND_MUC_DECLINE, MSG_PRESENCE_STATE (the agent's own presence) and
// MSG_SEND_DIRECTED_PRESENCE, in the order they go out; none for other
// messages, or for a payload of the wrong type.
std::vector<std::unique_ptr<gloox::Tag>> StanzasFor(const QUuid &id, const QVPlugin::IMessage *in,
                                                    const SenderContext &context);

// The agent's own presence (to the server, no group-chat role).
std::unique_ptr<gloox::Tag> OwnPresence(QVPlugin::PresenceState state, const SenderContext &context);

// Offers the stanza to the chat-message reader, then the presence reader.
Outcome ReadStanza(const gloox::Tag &stanza, const std::string &ownJid, std::int64_t now);

} // namespace Stanza
