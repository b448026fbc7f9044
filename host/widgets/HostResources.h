#pragma once
// The host's pictures among the Qt resources, by the type and id its
// windows are designed with: ":/ostrel/host/<type>/<id>" (BITMAP 318 the
// splash picture, BITMAP 319 the about box, GIF 333 the connecting animation).

#include <QString>

inline QString HostResource(const char *type, int id)
{
    return QStringLiteral(":/ostrel/host/%1/%2").arg(QLatin1String(type)).arg(id);
}
