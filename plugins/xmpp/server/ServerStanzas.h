#pragma once
// The chat service's system messages on the wire: the iq "qv-system-message"
// in "quelvar:tessary" that carries a ServerMessage both ways, the commands
// built from chat payloads, and the results of the service's other iq ids.
// Builders make gloox Tags from payloads, readers make payloads from Tags;
// pure functions, any thread.

#include "bus/ChatPayloads.h"
#include "bus/Jid.h"
#include "bus/Payloads.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>

namespace gloox {
class JID;
class Tag;
}

namespace Quelvar {

inline constexpr char kSystemNamespace[] = "quelvar:tessary";
inline constexpr char kSystemIqId[] = "qv-system-message";
inline constexpr char kAgentVersionIqId[] = "quelvar-agent-version";
inline constexpr char kVisitorHistoryIqId[] = "quelvar-get-visitor-history";
inline constexpr char kInviteVisitorIqId[] = "invite-visitor-to-chat";

inline constexpr char kVersionInfoType[] = "version-info";
inline constexpr char kAgentTypingType[] = "agent-typing";
inline constexpr char kVisitorMessageType[] = "visitor-message";

// The iq type of a request: "get" or "set".
enum class Request { Get, Set };

// One system message request; the caller owns the result.
std::unique_ptr<gloox::Tag> BuildSystemMessage(Request request, const QVPlugin::ServerMessage &message);

// "agent-typing" to the contact, only while the agent is composing.
std::optional<QVPlugin::ServerMessage> AgentTypingCommand(const QVPlugin::ChatStateMessage &state);
// "visitor-message" to the message's addressee, with its body.
QVPlugin::ServerMessage VisitorMessageCommand(const QVPlugin::ChatMessage &message);

struct SystemReading
{
    enum Kind {
        NotMine,     // another handler's stanza
        Message,     // -> MSG_SERVER_MESSAGE_RECEIVED
        VersionInfo, // -> MSG_AGENT_VERSION_INFO
        Ignored,     // ours, but nothing to pass on (see reason)
    };
    Kind kind = NotMine;
    QVPlugin::ServerMessage message; // Message
    std::string version;             // VersionInfo: the decoded text
    const char *reason = "";         // Ignored
};

// An iq result "qv-system-message" with a "message" child in the system
// namespace; the service sends its replies and its notices this way.
SystemReading ReadSystemMessage(const gloox::Tag &stanza);

// The results of the service's other iq ids. Each is read only from an iq
// result with its id addressed to the own full JID.
struct AgentVersion
{
    QString agent;
    QString url;
};
std::optional<AgentVersion> ReadAgentVersion(const gloox::Tag &stanza, const gloox::JID &own);

struct VisitorHistory
{
    QVPlugin::Jid visitor;
    QString text;
};
std::optional<VisitorHistory> ReadVisitorHistory(const gloox::Tag &stanza, const gloox::JID &own);

// The visitor that accepted the invitation.
std::optional<QVPlugin::Jid> ReadVisitorInvited(const gloox::Tag &stanza, const gloox::JID &own);

} // namespace Quelvar
