#pragma once
// Presence on the wire: the agent's own and directed presence with the
// group-chat role request that may follow it, and the reader of contacts'
// presence. Pure functions; any thread. Builders transfer ownership of the
// stanzas to the caller.

#include "bus/ChatPayloads.h"
#include "plugins/xmpp/tasks/StanzaOutcome.h"

#include <QDateTime>

#include <memory>
#include <string>

namespace Stanza {

struct PresenceRequest
{
    QVPlugin::PresenceState state = QVPlugin::PresenceOnline;
    // RoleNone makes the presence unavailable; RoleOther adds no muc#user
    // element (the agent's own presence).
    QVPlugin::ContactRole role = QVPlugin::RoleOther;
    // Invalid for the agent's own presence, which goes to the server.
    QVPlugin::Jid target;
    QString nick;    // the agent's nick; empty: no "nick" attribute
    QDateTime stamp; // the delay stamp, sent in UTC
};

struct PresenceStanzas
{
    std::unique_ptr<gloox::Tag> presence;
    // The muc#request form asking the target for the role: only for
    // directed presence with the roles visitor, participant, administrator.
    std::unique_ptr<gloox::Tag> roleRequest;
};

PresenceStanzas BuildPresence(const PresenceRequest &request, const std::string &ownJid);

// Takes presence without type or of type "unavailable" and posts
// MSG_CONTACT_PRESENCE with the contact it announces (none without a valid
// sender); subscriptions are left alone.
Outcome ReadPresence(const gloox::Tag &stanza);

} // namespace Stanza
