#include "plugins/xmpp/tasks/Roster.h"

namespace Stanza {

namespace {
constexpr const char *kRosterNs = "jabber:iq:roster";
constexpr const char *kRequestId = "roster1";
} // namespace

std::unique_ptr<gloox::Tag> CRoster::Request()
{
    m_colleagues.clear();
    auto iq = std::make_unique<gloox::Tag>("iq");
    iq->addAttribute("type", "get");
    iq->addAttribute("id", kRequestId);
    new gloox::Tag(iq.get(), "query", "xmlns", kRosterNs);
    return iq;
}

void CRoster::Apply(const gloox::Tag &item)
{
    const gloox::JID jid(item.findAttribute("jid"));
    if (!jid || jid.username().empty())
        return;
    // Subscribed to the account's presence: the server (or the service
    // through it) made it the agent's contact.
    const std::string &subscription = item.findAttribute("subscription");
    if (subscription == "both" || subscription == "to")
        m_colleagues.insert(jid.bare());
    else
        m_colleagues.erase(jid.bare());
}

bool CRoster::Read(const gloox::Tag &stanza, const gloox::JID &own, std::unique_ptr<gloox::Tag> *reply)
{
    if (stanza.name() != "iq")
        return false;
    const gloox::Tag *query = stanza.findChild("query", "xmlns", kRosterNs);
    const std::string &type = stanza.findAttribute("type");
    const bool answer = type == "result" && stanza.findAttribute("id") == kRequestId;
    const bool push = type == "set" && query;
    if (!answer && !push)
        return false;
    // Only the agent's own server speaks for the roster; a push from any
    // other sender is someone pretending to it.
    const std::string &from = stanza.findAttribute("from");
    if (!from.empty() && from != own.bare() && from != own.server())
        return push; // taken and ignored; gloox would answer it otherwise
    if (answer)
        m_colleagues.clear();
    if (query) {
        for (const gloox::Tag *item : query->findChildren("item"))
            Apply(*item);
    }
    if (push && reply) {
        auto result = std::make_unique<gloox::Tag>("iq");
        result->addAttribute("type", "result");
        result->addAttribute("id", stanza.findAttribute("id"));
        *reply = std::move(result);
    }
    return true;
}

bool CRoster::IsColleague(const gloox::JID &jid) const
{
    return jid && !jid.username().empty() && m_colleagues.count(jid.bare()) > 0;
}

} // namespace Stanza
