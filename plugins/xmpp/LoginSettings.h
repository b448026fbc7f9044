#pragma once
// What a sign-in needs, and the two parsings of the sign-in: the user name
// as a JID and the server address as host and port.

#include <QString>

#include <string>

inline constexpr int kDefaultXmppPort = 5222;
inline constexpr const char *kXmppResource = "Ostrel";
// Deployments set "server.address"; the default only makes the field usable.
inline constexpr const char *kDefaultServerAddress = "127.0.0.1:5222";

struct XmppLoginSettings
{
    std::string user;     // the JID's node, UTF-8
    std::string domain;   // the JID's domain: the stream's "to" and the certificate's name
    std::string resource = kXmppResource;
    std::string password; // UTF-8; never logged
    std::string host;     // where to connect, resolved by name
    int port = kDefaultXmppPort;
    std::string caFile;   // an extra CA file besides the system's, or empty
    // A session not open by then is given up (engine error 11).
    int signInTimeoutMs = 30000;
    // A server that acknowledges nothing this long, neither what was written
    // (the keep-alive every minute) nor the system's probes of an idle
    // connection, is gone: the connection is lost (engine error 8).
    int deadPeerMs = 60000;
    // A server that still acknowledges but sends no stanza for pingIdleMs is
    // asked with an XMPP ping; no stanza within pingAnswerMs after it is a
    // lost connection (engine error 8). Zero or less: never asked.
    int pingIdleMs = 60000;
    int pingAnswerMs = 30000;
};

// Valid when the user name parses as a JID (UTF-8) with a non-empty node.
bool ParseUserName(const QString &userName, std::string *node = nullptr, std::string *domain = nullptr);

// Splits at the last ":", or after the "]" of a bracketed IPv6 literal
// ("[::1]:5222"); no port, or one that is not 1..65535, gives 5222.
void SplitServerAddress(const QString &server, std::string *host, int *port);
