#pragma once
// The engine error codes that MSG_CONNECTION_ERROR carries, and how gloox's
// reasons for closing a session become them. The host signs in once more on
// ConnectionClosed and shows its network box on Socket, so these two are
// kept apart: a connection that never came up is Socket, one that was up and
// went away is ConnectionClosed.

#include <gloox/gloox.h>

#include <string>

namespace EngineError {

enum Code : int {
    None = 0,
    Xml = 1,               // malformed XML, or a stanza over the bounds
    Stream = 2,            // a stream error from the server
    Version = 3,           // the server's stream version is not supported
    Unauthorized = 4,      // SASL refused the credentials
    Tls = 5,               // no STARTTLS, a failed handshake or a refused certificate
    Authentication = 6,    // the server offers no mechanism we use (SASL PLAIN)
    Binding = 7,           // resource binding or session creation failed
    ConnectionClosed = 8,  // the connection was dropped after it was made
    DocumentClosed = 9,    // the server closed the stream with </stream:stream>
    Socket = 10,           // no connection: refused, unreachable, unknown host
    Timeout = 11,          // the session did not open in time
    MissingNickname = 12,  // not produced: the service reports no such error
};

Code FromGloox(gloox::ConnectionError reason);

// The sub-code that comes with Unauthorized, from the SASL failure's
// condition: 919 for "not-authorized" (wrong user name or password), else 0.
int SubcodeForSaslCondition(const std::string &condition);

} // namespace EngineError
