#include "plugins/xmpp/tasks/ChatStanzas.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/StanzaText.h"

using gloox::Tag;
using namespace QVPlugin;

namespace Stanza {

namespace {
std::unique_ptr<Tag> NewStanza(const char *name, const char *type, const Jid &to, const std::string &ownJid)
{
    auto stanza = std::make_unique<Tag>(name);
    stanza->addAttribute("type", type);
    stanza->addAttribute("to", ToWire(to.Str()));
    stanza->addAttribute("from", ownJid);
    return stanza;
}
} // namespace

std::unique_ptr<Tag> BuildChatMessage(const ChatMessage &message, const std::string &ownJid)
{
    auto stanza = NewStanza("message", message.type == ChatMessage::GroupChat ? "groupchat" : "chat", message.to,
                            ownJid);
    const std::string body = ToWire(message.body);
    if (!body.empty())
        new Tag(stanza.get(), "body", body);
    if (!message.id.empty()) {
        stanza->addAttribute("id", message.id);
        AddElement(stanza.get(), "request", kNsReceipts);
    }
    AddElement(stanza.get(), "active", kNsChatStates);
    return stanza;
}

std::unique_ptr<Tag> BuildChatState(const ChatStateMessage &state, const std::string &ownJid)
{
    if (state.state == ChatStateNone) {
        auto iq = NewStanza("iq", "get", state.to.jid, ownJid);
        iq->addAttribute("id", "disco1");
        AddElement(iq.get(), "query", kNsDiscoInfo);
        return iq;
    }
    const std::string_view name = ChatStateName(state.state);
    if (name.empty())
        return nullptr;
    auto stanza = NewStanza("message", "chat", state.to.jid, ownJid);
    AddElement(stanza.get(), std::string(name), kNsChatStates);
    return stanza;
}

std::unique_ptr<Tag> BuildMucInvitation(const VisitorMessage &invitation, MucInvitation kind,
                                        const std::string &ownJid)
{
    auto stanza = std::make_unique<Tag>("message");
    stanza->addAttribute("to", ToWire(invitation.room.Str()));
    stanza->addAttribute("from", ownJid);
    Tag *x = AddElement(stanza.get(), "x", kNsMucUser);
    x->addAttribute("to", ToWire(invitation.user.Str()));
    Tag *what = new Tag(x, kind == MucInvitation::Invite ? "invite" : "decline");
    new Tag(what, "reason", ToWire(invitation.reason));
    return stanza;
}

Outcome ReadChatMessage(const Tag &stanza, const std::string &ownJid, std::int64_t now)
{
    Outcome outcome;
    if (stanza.name() != "message")
        return outcome;
    const std::string &type = stanza.findAttribute("type");
    if (type != "chat" && type != "groupchat")
        return outcome;
    outcome.taken = true;

    const std::string &fromText = stanza.findAttribute("from");
    const Jid from(FromWire(fromText));
    const Jid to(FromWire(stanza.findAttribute("to")));
    if (!from.IsValid())
        return outcome;
    const std::string &id = stanza.findAttribute("id");

    if (FindChild(stanza, "request", kNsReceipts)) {
        outcome.reply = std::make_unique<Tag>("message");
        outcome.reply->addAttribute("type", type);
        outcome.reply->addAttribute("to", fromText);
        outcome.reply->addAttribute("from", ownJid);
        outcome.reply->addAttribute("id", id);
        AddElement(outcome.reply.get(), "received", kNsReceipts);
    } else if (FindChild(stanza, "received", kNsReceipts)) {
        auto delivered = std::make_unique<ChatMessage>();
        delivered->time = now;
        delivered->from = from;
        delivered->to = to;
        delivered->id = id;
        outcome.posts.push_back({MSG_CHAT_MESSAGE_DELIVERED, std::move(delivered)});
    }

    if (const Tag *chatState = FindChildIn(stanza, kNsChatStates)) {
        auto state = std::make_unique<ChatStateMessage>();
        state->from = ChatContact(from);
        state->to = ChatContact(to);
        state->state = ChatStateFromName(chatState->name());
        outcome.posts.push_back({MSG_CHAT_STATE, std::move(state)});
    }

    // The body is in the stanza's own namespace; one in another is foreign.
    if (const Tag *body = FindChild(stanza, "body", NamespaceOf(stanza))) {
        auto received = std::make_unique<ChatMessage>();
        received->time = now;
        received->from = from;
        received->to = to;
        received->body = FromWire(body->cdata());
        received->type = type == "groupchat" ? ChatMessage::GroupChat : ChatMessage::Chat;
        outcome.posts.push_back({MSG_CHAT_MESSAGE_RECEIVED, std::move(received)});
    }
    return outcome;
}

} // namespace Stanza
