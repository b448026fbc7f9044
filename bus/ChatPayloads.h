#pragma once
// The records that carry chat traffic between the XMPP plug-in and the
// live-chat plug-in, and the conversions between their numbers and the
// protocol's words. Values: copies and clones are deep.

#include "bus/Jid.h"
#include "bus/Payloads.h"

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

namespace QVPlugin {

// A contact's role in a group chat.
enum ContactRole : int {
    RoleNone = 0,          // "none"
    RoleOther = 1,         // no role, or one not listed here
    RoleVisitor = 2,       // "visitor"
    RoleParticipant = 3,   // "participant"; an incoming "administrator" too
    RoleAdministrator = 4, // "administrator", only when sending presence
};

// XEP-0085 chat states.
enum ChatState : int {
    ChatStateNone = 0,
    ChatStateActive = 1,
    ChatStateComposing = 2,
    ChatStatePaused = 3,
    ChatStateInactive = 4,
    ChatStateGone = 5,
};

// The state a contact's presence stanza gives: an unavailable presence is
// Offline; otherwise its "show" text decides, and a missing, empty or unknown
// show reads as "chat", which is Online.
PresenceState PresenceFromShow(bool available, std::string_view show);
// The "show" text for the agent's own state; empty means no "show" element.
std::string_view ShowOfPresence(PresenceState state);

ContactRole RoleFromText(std::string_view role);
// Empty for RoleOther and unknown numbers.
std::string_view RoleText(ContactRole role);

// ChatStateNone for an unknown name.
ChatState ChatStateFromName(std::string_view name);
// Empty for ChatStateNone and unknown numbers.
std::string_view ChatStateName(ChatState state);

// A person in a chat, or a contact's presence. Carried in a
// QVMessage<ChatContact>.
struct ChatContact
{
    ChatContact() = default;
    // Holds the given JID in both JID fields.
    explicit ChatContact(const Jid &j) : jid(j), bareJid(j) {}

    Jid jid;     // full JID
    Jid bareJid; // without resource
    QString nick;
    QString status = QStringLiteral("Available");
    PresenceState state = PresenceOnline;
    bool shareCapable = false;
    bool voiceCapable = false;
    bool videoCapable = false; // never set by the XMPP plug-in
    bool rtfCapable = false;   // rich text
    ContactRole role = RoleNone;
};

class ChatMessage : public Payload<ChatMessage>
{
public:
    enum Type : int {
        Chat = 0,
        GroupChat = 1,
        Notice = 2, // a notice line of the live-chat plug-in, never sent
    };

    // Stamped with the time of construction.
    ChatMessage();
    const char *GetTypeName() const override { return "ChatMessage"; }

    std::int64_t time = 0; // seconds since 1970, UTC
    Jid from;
    Jid to;
    QString body;
    int type = Chat;
    std::string id; // receipt id; empty when no receipt is wanted
};

class ChatStateMessage : public Payload<ChatStateMessage>
{
public:
    const char *GetTypeName() const override { return "ChatStateMessage"; }

    ChatContact from;
    ChatContact to;
    ChatState state = ChatStateNone;
};

} // namespace QVPlugin
