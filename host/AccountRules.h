#pragma once
// The rules of the account dialogs that need no window: the settings they
// keep, how a typed server address is completed and shown, and how two
// typed new passwords are judged.

#include <QString>

namespace AccountKeys {
inline const QString UserName = QStringLiteral("server.username");
inline const QString Password = QStringLiteral("server.password");
inline const QString ServerAddress = QStringLiteral("server.address");
} // namespace AccountKeys

// The XMPP port a server address without one gets.
inline constexpr int kDefaultServerPort = 5222;

// The address with ":5222" appended when it holds no ":" at all.
QString WithDefaultPort(const QString &server);

// What the server becomes when the agent typed text into the server dialog:
// the trimmed text with the default port, or current when nothing was typed.
QString ChosenServer(const QString &current, const QString &typed);

// The rich text of the login dialog's server link: the address without a
// trailing ":5222", escaped, as one link.
QString ServerLinkText(const QString &server);

enum class NewPasswordCheck { Accepted, Mismatch, Empty };

// Both texts are trimmed; they must match and must not be empty.
NewPasswordCheck CheckNewPassword(const QString &password, const QString &retyped);
