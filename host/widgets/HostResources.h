#pragma once
// The host's pictures among the Qt resources, by the type and id its
// windows are designed with: ":/ostrel/host/<type>/<id>" (ICON 128 the
// application icon, BITMAP 317 the login dialog, BITMAP 318 the splash
// picture, BITMAP 319 the about box, GIF 333 the connecting animation;
// BITMAP 314 the tray notice's picture and BITMAP 330 the tray icon's frames
// come with the host's core library).

#include <QIcon>
#include <QString>

inline QString HostResource(const char *type, int id)
{
    return QStringLiteral(":/ostrel/host/%1/%2").arg(QLatin1String(type)).arg(id);
}

// The application icon: the main frame's and its dialogs' banners.
inline QIcon AppIcon()
{
    return QIcon(HostResource("ICON", 128));
}
