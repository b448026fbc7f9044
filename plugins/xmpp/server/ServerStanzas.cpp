#include "plugins/xmpp/server/ServerStanzas.h"

#include "plugins/xmpp/server/WireText.h"
#include "plugins/xmpp/tasks/StanzaText.h"

#include <gloox/jid.h>
#include <gloox/tag.h>

namespace Quelvar {

namespace {

const char *RequestType(Request request)
{
    return request == Request::Set ? "set" : "get";
}

// The payload's bytes are UTF-8; what is not becomes U+FFFD.
std::string ToWire(const std::string &utf8)
{
    return Stanza::ToWire(QString::fromStdString(utf8));
}

bool IsResult(const gloox::Tag &stanza, const char *id)
{
    return stanza.name() == "iq" && stanza.findAttribute("type") == "result" && stanza.findAttribute("id") == id;
}

// The results of the other iq ids must be meant for this session.
bool IsResultForMe(const gloox::Tag &stanza, const char *id, const gloox::JID &own)
{
    return IsResult(stanza, id) && own && gloox::JID(stanza.findAttribute("to")) == own;
}

const gloox::Tag *SystemChild(const gloox::Tag &parent, const char *name)
{
    return Stanza::FindChild(parent, name, kSystemNamespace);
}

} // namespace

std::unique_ptr<gloox::Tag> BuildSystemMessage(Request request, const QVPlugin::ServerMessage &message)
{
    auto iq = std::make_unique<gloox::Tag>("iq");
    iq->addAttribute("type", RequestType(request));
    iq->addAttribute("id", kSystemIqId);
    gloox::Tag *child = Stanza::AddElement(iq.get(), "message", kSystemNamespace);
    if (!message.type.empty())
        child->addAttribute("type", ToWire(message.type));
    if (!message.sessionId.empty())
        child->addAttribute("sessionid", ToWire(message.sessionId));
    if (!message.text.empty())
        child->setCData(ToWire(message.text));
    return iq;
}

std::optional<QVPlugin::ServerMessage> AgentTypingCommand(const QVPlugin::ChatStateMessage &state)
{
    if (state.state != QVPlugin::ChatStateComposing)
        return std::nullopt;
    return QVPlugin::ServerMessage({}, kAgentTypingType, state.to.jid.Str().toStdString());
}

QVPlugin::ServerMessage VisitorMessageCommand(const QVPlugin::ChatMessage &message)
{
    return QVPlugin::ServerMessage(message.body.toStdString(), kVisitorMessageType, message.to.Str().toStdString());
}

SystemReading ReadSystemMessage(const gloox::Tag &stanza)
{
    SystemReading reading;
    if (!IsResult(stanza, kSystemIqId))
        return reading;
    const gloox::Tag *child = SystemChild(stanza, "message");
    if (!child)
        return reading;
    QVPlugin::ServerMessage message(child->cdata(), child->findAttribute("type"), child->findAttribute("sessionid"));
    if (message.type == kVersionInfoType) {
        std::optional<std::string> version = DecodeBase64(message.text);
        if (!version) {
            reading.kind = SystemReading::Ignored;
            reading.reason = "version-info whose text is not Base64";
            return reading;
        }
        reading.kind = SystemReading::VersionInfo;
        reading.version = std::move(*version);
        return reading;
    }
    reading.kind = SystemReading::Message;
    reading.message = std::move(message);
    return reading;
}

std::optional<AgentVersion> ReadAgentVersion(const gloox::Tag &stanza, const gloox::JID &own)
{
    if (!IsResultForMe(stanza, kAgentVersionIqId, own))
        return std::nullopt;
    const gloox::Tag *query = SystemChild(stanza, "query");
    const gloox::Tag *version = query ? SystemChild(*query, "version") : nullptr;
    if (!version)
        return std::nullopt;
    return AgentVersion{Stanza::FromWire(version->findAttribute("agent")), Stanza::FromWire(version->findAttribute("url"))};
}

std::optional<VisitorHistory> ReadVisitorHistory(const gloox::Tag &stanza, const gloox::JID &own)
{
    if (!IsResultForMe(stanza, kVisitorHistoryIqId, own))
        return std::nullopt;
    const gloox::Tag *query = SystemChild(stanza, "query");
    const gloox::Tag *visitor = query ? SystemChild(*query, "visitor") : nullptr;
    if (!visitor)
        return std::nullopt;
    return VisitorHistory{QVPlugin::Jid(Stanza::FromWire(visitor->findAttribute("id"))), Stanza::FromWire(visitor->cdata())};
}

std::optional<QVPlugin::Jid> ReadVisitorInvited(const gloox::Tag &stanza, const gloox::JID &own)
{
    if (!IsResultForMe(stanza, kInviteVisitorIqId, own))
        return std::nullopt;
    const gloox::Tag *visitor = SystemChild(stanza, "visitor");
    if (!visitor || visitor->findAttribute("result") != "invited")
        return std::nullopt;
    return QVPlugin::Jid(Stanza::FromWire(visitor->findAttribute("id")));
}

} // namespace Quelvar
