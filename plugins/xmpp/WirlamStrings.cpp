#include "plugins/xmpp/WirlamStrings.h"

#include <QHash>

QString WirlamString(unsigned id)
{
    static const QHash<unsigned, QString> table{
        {11000, QStringLiteral("XMPP PLugin")},
        {11001, QStringLiteral("XMPP Protocol Communication Plugin")},
        {11002, QStringLiteral("Malformed XML or encoding error")},
        {11003, QStringLiteral("XMPP stream error - see GetStreamError()")},
        {11004, QStringLiteral("XMPP version error")},
        {11005, QStringLiteral("User is not authorized (rejected credentials)")},
        {11006, QStringLiteral("TLS could not be negotiated")},
        {11007, QStringLiteral("Authentication could not be negotiated")},
        {11008, QStringLiteral("Resource or session binding could not be negotiated")},
        {11009, QStringLiteral("Connection closed by output handler.")},
        {11010, QStringLiteral("Closed by </stream:stream>")},
        {11011, QStringLiteral("Socket error")},
        {11012, QStringLiteral("Some sort of timeout (eg., we never got the roster)")},
        {11013, QStringLiteral("User has an account but no nickname")},
        {11015, QStringLiteral("Invalid username.")},
        {11919, QStringLiteral("Invalid user name or password.")},
        {11921, QStringLiteral("A new version of Ostrel must be installed before you can use the service. "
                               "Please download it from the download page.")},
    };
    return table.value(id);
}
