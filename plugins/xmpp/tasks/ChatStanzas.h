#pragma once
// Chat messages, chat states, delivery receipts and group-chat invitations
// on the wire: builders from the bus payloads to gloox stanzas, and the
// reader of incoming message stanzas. Pure functions; any thread. Builders
// transfer ownership of the stanza to the caller.
//
// ownJid is the session's full JID (node@domain/resource), UTF-8.

#include "bus/ChatPayloads.h"
#include "plugins/xmpp/tasks/StanzaOutcome.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Stanza {

// A "chat" (or "groupchat") message with its body, a receipt request when
// the message has a receipt id, and the "active" chat state last.
std::unique_ptr<gloox::Tag> BuildChatMessage(const QVPlugin::ChatMessage &message, const std::string &ownJid);

// States 1 to 5: a bodiless message carrying the state. State 0: the
// disco#info query "disco1" to the contact instead. Null for other numbers.
std::unique_ptr<gloox::Tag> BuildChatState(const QVPlugin::ChatStateMessage &state, const std::string &ownJid);

enum class MucInvitation { Invite, Decline };
// To the room: a muc#user "x" naming the user, holding "invite" or
// "decline" with its (possibly empty) "reason".
std::unique_ptr<gloox::Tag> BuildMucInvitation(const QVPlugin::VisitorMessage &invitation, MucInvitation kind,
                                               const std::string &ownJid);

// Takes every "chat" and "groupchat" message. Its outcome, in order: the
// receipt for a receipt request (or MSG_CHAT_MESSAGE_DELIVERED for a
// receipt), MSG_CHAT_STATE for a chat state, MSG_CHAT_MESSAGE_RECEIVED
// (stamped now, seconds since 1970) for a body. A message without a valid
// sender is taken and yields nothing.
Outcome ReadChatMessage(const gloox::Tag &stanza, const std::string &ownJid, std::int64_t now);

} // namespace Stanza
