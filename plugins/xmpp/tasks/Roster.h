#pragma once
// The agent's colleagues as the server keeps them: the accounts on the
// agent's roster whose presence the agent is subscribed to, which the chat
// service sets up by putting its agents in one roster group. Any other
// account, or the service's own address (no node), is a stranger whose
// presence makes no contact. Filled from the roster the session asks for
// and kept up by the server's roster pushes. Network thread only.

#include <gloox/jid.h>
#include <gloox/tag.h>

#include <memory>
#include <set>
#include <string>

namespace Stanza {

class CRoster
{
public:
    // The roster request of a new session; forgets the last session's roster.
    std::unique_ptr<gloox::Tag> Request();
    // Takes the answer to Request and the server's pushes; a push gets the
    // result to send in *reply. False for any other stanza.
    bool Read(const gloox::Tag &stanza, const gloox::JID &own, std::unique_ptr<gloox::Tag> *reply);
    // Whether this account (any resource) is a colleague.
    bool IsColleague(const gloox::JID &jid) const;

private:
    void Apply(const gloox::Tag &item);

    std::set<std::string> m_colleagues; // bare JIDs
};

} // namespace Stanza
