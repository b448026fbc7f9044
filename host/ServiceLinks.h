#pragma once
// Addresses of the chat service's web pages. The service redirects
// "/qvx/?t=rd&rd=<page>" on its web host, which is the host of the chat
// server the agent signs in to ("server.address", host[:port]).

#include <QString>
#include <QUrl>

// The host part of a server address: "example.com:5222" gives
// "example.com", "[::1]:5222" gives "::1". Empty for an empty address.
QString ServerHost(const QString &serverAddress);

// https://<host>/qvx/?t=rd&rd=<page>; invalid when the address has no host.
QUrl ServiceRedirectUrl(const QString &serverAddress, const QString &page);
// The provider's home page on the same host.
QUrl ServiceHomeUrl(const QString &serverAddress);

// The chat server used when the agent never chose one.
QString DefaultServerAddress();
