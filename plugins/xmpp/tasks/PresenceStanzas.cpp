#include "plugins/xmpp/tasks/PresenceStanzas.h"

#include "bus/MessageIds.h"
#include "plugins/xmpp/tasks/StanzaText.h"

#include <optional>

using gloox::Tag;
using namespace QVPlugin;

namespace Stanza {

namespace {
void AddField(Tag *form, const std::string &var, const std::string &value)
{
    Tag *field = new Tag(form, "field");
    field->addAttribute("var", var);
    new Tag(field, "value", value);
}

// Built as elements, so a quote or "<" in a JID or role ends up escaped.
std::unique_ptr<Tag> BuildRoleRequest(const std::string &roleText, const Jid &target, const std::string &ownJid)
{
    auto message = std::make_unique<Tag>("message");
    message->addAttribute("from", ownJid);
    message->addAttribute("to", ToWire(target.Str()));
    Tag *form = AddElement(message.get(), "x", kNsDataForms);
    form->addAttribute("type", "submit");
    AddField(form, "FORM_TYPE", kNsMucRequest);
    Tag *role = new Tag(form, "field");
    role->addAttribute("var", "muc#role");
    role->addAttribute("type", "text-single");
    role->addAttribute("label", "Requested role");
    new Tag(role, "value", roleText);
    return message;
}

std::string ChildText(const Tag &stanza, const char *name)
{
    const Tag *child = FindChild(stanza, name, NamespaceOf(stanza));
    return child ? child->cdata() : std::string();
}

// The contact a presence without type (available) or of type
// "unavailable" announces; nothing without a valid sender.
std::optional<ChatContact> ContactFromPresence(const Tag &stanza, bool available)
{
    Jid jid(FromWire(stanza.findAttribute("from")));
    std::string role; // empty: no group-chat role at all
    if (const Tag *x = FindChild(stanza, "x", kNsMucUser)) {
        role = "none";
        if (const Tag *item = FindChild(*x, "item", kNsMucUser)) {
            const std::string itemRole = item->findAttribute("role");
            if (!itemRole.empty())
                role = itemRole;
            const Jid realJid(FromWire(item->findAttribute("jid")));
            if (realJid.IsValid())
                jid = realJid;
        }
    }
    if (!jid.IsValid())
        return std::nullopt;

    ChatContact contact(jid);
    contact.bareJid = jid.BareJid();
    contact.nick = FromWire(stanza.findAttribute("nick"));
    if (available)
        contact.status = FromWire(CutUtf8(ChildText(stanza, "status"), kMaxStatusBytes));
    contact.state = PresenceFromShow(available, available ? ChildText(stanza, "show") : std::string());
    if (const Tag *caps = FindChild(stanza, "c", kNsCaps)) {
        const std::string ext = caps->findAttribute("ext");
        if (caps->findAttribute("node") == kClientCapsNode) {
            contact.voiceCapable = HasWord(ext, "voice-v1");
            contact.shareCapable = HasWord(ext, "share-v1");
        }
        contact.rtfCapable = HasWord(ext, "rtf");
    }
    contact.role = RoleFromText(role);
    return contact;
}

} // namespace

PresenceStanzas BuildPresence(const PresenceRequest &request, const std::string &ownJid)
{
    PresenceStanzas out;
    const std::string roleText(RoleText(request.role));
    out.presence = std::make_unique<Tag>("presence");
    Tag *presence = out.presence.get();
    if (!roleText.empty())
        AddElement(presence, "x", kNsMucUser);
    const std::string nick = ToWire(request.nick);
    if (!nick.empty())
        presence->addAttribute("nick", nick);
    if (request.target.IsValid())
        presence->addAttribute("to", ToWire(request.target.Str()));

    if (request.role == RoleNone) {
        presence->addAttribute("type", "unavailable");
    } else {
        const std::string_view show = ShowOfPresence(request.state);
        if (!show.empty())
            new Tag(presence, "show", std::string(show));
        new Tag(presence, "status");
        new Tag(presence, "priority", "0");
        Tag *delay = AddElement(presence, "x", kNsDelay);
        delay->addAttribute("stamp",
                            request.stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HH:mm:ss")).toStdString());
    }

    if (request.target.IsValid() && !roleText.empty() && roleText != "none")
        out.roleRequest = BuildRoleRequest(roleText, request.target, ownJid);
    return out;
}

Outcome ReadPresence(const Tag &stanza)
{
    Outcome outcome;
    if (stanza.name() != "presence")
        return outcome;
    const std::string &type = stanza.findAttribute("type");
    const bool available = type.empty();
    if (!available && type != "unavailable")
        return outcome;
    outcome.taken = true;
    if (std::optional<ChatContact> contact = ContactFromPresence(stanza, available))
        outcome.posts.push_back({MSG_CONTACT_PRESENCE, std::make_unique<QVMessage<ChatContact>>(*contact)});
    return outcome;
}

} // namespace Stanza
