#include "plugins/xmpp/LoginSettings.h"

#include <gloox/jid.h>

bool ParseUserName(const QString &userName, std::string *node, std::string *domain)
{
    gloox::JID jid;
    if (!jid.setJID(userName.toStdString()) || jid.username().empty())
        return false;
    if (node)
        *node = jid.username();
    if (domain)
        *domain = jid.server();
    return true;
}

void SplitServerAddress(const QString &server, std::string *host, int *port)
{
    *port = kDefaultXmppPort;
    QString portText;
    // An IPv6 literal comes in brackets, its own colons not being the port's.
    const int close = server.startsWith(QLatin1Char('[')) ? server.indexOf(QLatin1Char(']')) : -1;
    if (close > 0) {
        *host = server.mid(1, close - 1).toStdString();
        if (server.mid(close + 1).startsWith(QLatin1Char(':')))
            portText = server.mid(close + 2);
    } else {
        const int colon = server.lastIndexOf(QLatin1Char(':'));
        *host = (colon < 0 ? server : server.left(colon)).toStdString();
        if (colon >= 0)
            portText = server.mid(colon + 1);
    }
    bool ok = false;
    const int number = portText.toInt(&ok);
    if (ok && number >= 1 && number <= 65535)
        *port = number;
}
