#include "plugins/chat/model/TransferText.h"

namespace Tessary {

QString EscapeXmlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '&': out += QLatin1String("&amp;"); break;
        case '<': out += QLatin1String("&lt;"); break;
        case '>': out += QLatin1String("&gt;"); break;
        case '\'': out += QLatin1String("&apos;"); break;
        case '"': out += QLatin1String("&quot;"); break;
        default: out += c;
        }
    }
    return out;
}

QString TransferChatText(const QString &agentJid, const QString &message)
{
    return QLatin1String("<xml><agent>") + EscapeXmlText(agentJid) + QLatin1String("</agent><message>")
        + EscapeXmlText(message) + QLatin1String("</message></xml>");
}

} // namespace Tessary
