#pragma once
// The text of the "transfer-visitor-chat" command: the agent who is to take
// the chat and the message for that agent, as the chat service reads them.
// Pure functions; any thread.

#include <QString>

namespace Tessary {

// & < > ' " as entities, in that order of concern: "&" first, so an
// entity the agent typed is escaped once more ("&lt;" gives "&amp;lt;").
QString EscapeXmlText(const QString &text);

// "<xml><agent>JID</agent><message>MESSAGE</message></xml>"; both the JID
// and the message are escaped.
QString TransferChatText(const QString &agentJid, const QString &message);

} // namespace Tessary
