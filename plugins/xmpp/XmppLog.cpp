#include "plugins/xmpp/XmppLog.h"

Q_LOGGING_CATEGORY(lcXmpp, "ostrel.xmpp", QtInfoMsg)

std::string RedactSecrets(const std::string &text)
{
    std::string out = text;
    for (const char *element : {"auth", "response"}) {
        const std::string open = std::string("<") + element;
        const std::string close = std::string("</") + element + ">";
        for (size_t at = out.find(open); at != std::string::npos; at = out.find(open, at + 1)) {
            const char next = at + open.size() < out.size() ? out[at + open.size()] : '\0';
            if (next != ' ' && next != '>' && next != '/')
                continue;
            const size_t contentStart = out.find('>', at);
            if (contentStart == std::string::npos) {
                // Cut off inside the start tag: hide the rest.
                out.erase(at + open.size());
                out += " (hidden)";
                break;
            }
            if (out[contentStart - 1] == '/')
                continue;
            const size_t contentEnd = out.find(close, contentStart);
            const size_t length = (contentEnd == std::string::npos ? out.size() : contentEnd) - contentStart - 1;
            out.replace(contentStart + 1, length, "(hidden)");
        }
    }
    return out;
}

void CGlooxLog::handleLog(gloox::LogLevel level, gloox::LogArea area, const std::string &message)
{
    if (level == gloox::LogLevelError) {
        qCWarning(lcXmpp).noquote() << "gloox:" << QString::fromStdString(RedactSecrets(message));
        return;
    }
    if (!lcXmpp().isDebugEnabled())
        return;
    const char *what = area == gloox::LogAreaXmlIncoming   ? "in:"
                       : area == gloox::LogAreaXmlOutgoing ? "out:"
                                                           : "gloox:";
    qCDebug(lcXmpp).noquote() << what << QString::fromStdString(RedactSecrets(message));
}
