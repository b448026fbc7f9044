#include "bus/ChatPayloads.h"

#include <QDateTime>

namespace QVPlugin {

namespace {
struct RoleWord
{
    ContactRole role;
    std::string_view text;
};
constexpr RoleWord kRoleWords[] = {
    {RoleNone, "none"},
    {RoleVisitor, "visitor"},
    {RoleParticipant, "participant"},
    {RoleAdministrator, "administrator"},
};

constexpr std::string_view kChatStateNames[] = {"", "active", "composing", "paused", "inactive", "gone"};
} // namespace

PresenceState PresenceFromShow(bool available, std::string_view show)
{
    if (!available)
        return PresenceOffline;
    if (show == "away")
        return PresenceAway;
    if (show == "dnd")
        return PresenceBusy;
    if (show == "xa")
        return PresenceBeRightBack;
    return PresenceOnline;
}

std::string_view ShowOfPresence(PresenceState state)
{
    switch (state) {
    case PresenceAway:
        return "away";
    case PresenceBusy:
        return "dnd";
    case PresenceBeRightBack:
        return "xa";
    default:
        return {};
    }
}

ContactRole RoleFromText(std::string_view role)
{
    // An incoming administrator counts as a participant.
    if (role == "administrator")
        return RoleParticipant;
    for (const RoleWord &w : kRoleWords) {
        if (w.text == role)
            return w.role;
    }
    return RoleOther;
}

std::string_view RoleText(ContactRole role)
{
    for (const RoleWord &w : kRoleWords) {
        if (w.role == role)
            return w.text;
    }
    return {};
}

ChatState ChatStateFromName(std::string_view name)
{
    for (int i = ChatStateActive; i <= ChatStateGone; ++i) {
        if (kChatStateNames[i] == name)
            return ChatState(i);
    }
    return ChatStateNone;
}

std::string_view ChatStateName(ChatState state)
{
    if (state < ChatStateActive || state > ChatStateGone)
        return {};
    return kChatStateNames[state];
}

ChatMessage::ChatMessage() : time(QDateTime::currentSecsSinceEpoch())
{
}

} // namespace QVPlugin
