#include "plugins/xmpp/tasks/ChatTasks.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/ChatStanzas.h"
#include "plugins/xmpp/tasks/PresenceStanzas.h"

using namespace QVPlugin;

namespace Stanza {

namespace {
PresenceStanzas Presence(PresenceState state, ContactRole role, const Jid &target, const SenderContext &context)
{
    PresenceRequest request;
    request.state = state;
    request.role = role;
    request.target = target;
    request.nick = context.nick;
    request.stamp = context.now;
    return BuildPresence(request, context.ownJid);
}
} // namespace

std::unique_ptr<gloox::Tag> OwnPresence(PresenceState state, const SenderContext &context)
{
    return Presence(state, RoleOther, Jid(), context).presence;
}

std::vector<std::unique_ptr<gloox::Tag>> StanzasFor(const QUuid &id, const IMessage *in,
                                                    const SenderContext &context)
{
    std::vector<std::unique_ptr<gloox::Tag>> out;
    auto add = [&out](std::unique_ptr<gloox::Tag> tag) {
        if (tag)
            out.push_back(std::move(tag));
    };
    if (id == MSG_SEND_CHAT_MESSAGE) {
        if (const auto *m = PayloadAs<ChatMessage>(in, "ChatMessage"))
            add(BuildChatMessage(*m, context.ownJid));
    } else if (id == MSG_CHAT_STATE) {
        if (const auto *s = PayloadAs<ChatStateMessage>(in, "ChatStateMessage"))
            add(BuildChatState(*s, context.ownJid));
    } else if (id == MSG_SEND_MUC_INVITE || id == MSG_SEND_MUC_DECLINE) {
        if (const auto *v = PayloadAs<VisitorMessage>(in, "VisitorMessage"))
            add(BuildMucInvitation(*v, id == MSG_SEND_MUC_INVITE ? MucInvitation::Invite : MucInvitation::Decline,
                                   context.ownJid));
    } else if (id == MSG_PRESENCE_STATE) {
        if (const auto *p = PayloadAs<QVMessage<PresenceState>>(in, "QVMessage"))
            add(OwnPresence(p->value, context));
    } else if (id == MSG_SEND_DIRECTED_PRESENCE) {
        if (const auto *c = PayloadAs<QVMessage<ChatContact>>(in, "QVMessage")) {
            PresenceStanzas stanzas = Presence(c->value.state, c->value.role, c->value.jid, context);
            add(std::move(stanzas.presence));
            add(std::move(stanzas.roleRequest));
        }
    }
    return out;
}

Outcome ReadStanza(const gloox::Tag &stanza, const std::string &ownJid, std::int64_t now)
{
    Outcome outcome = ReadChatMessage(stanza, ownJid, now);
    if (!outcome.taken)
        outcome = ReadPresence(stanza);
    return outcome;
}

} // namespace Stanza
