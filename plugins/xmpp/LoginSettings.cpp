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
    const int colon = server.lastIndexOf(QLatin1Char(':'));
    if (colon < 0) {
        *host = server.toStdString();
        *port = kDefaultXmppPort;
        return;
    }
    *host = server.left(colon).toStdString();
    bool ok = false;
    const int number = server.mid(colon + 1).toInt(&ok);
    *port = ok && number >= 1 && number <= 65535 ? number : kDefaultXmppPort;
}
