#include "plugins/xmpp/EngineError.h"

namespace EngineError {

Code FromGloox(gloox::ConnectionError reason)
{
    switch (reason) {
    case gloox::ConnNoError:
    case gloox::ConnUserDisconnected:
        return None;
    case gloox::ConnParseError:
        return Xml;
    case gloox::ConnStreamError:
        return Stream;
    case gloox::ConnStreamVersionError:
        return Version;
    case gloox::ConnAuthenticationFailed:
        return Unauthorized;
    case gloox::ConnTlsFailed:
    case gloox::ConnTlsNotAvailable:
        return Tls;
    case gloox::ConnNoSupportedAuth:
        return Authentication;
    case gloox::ConnIoError:
        return ConnectionClosed;
    case gloox::ConnStreamClosed:
        return DocumentClosed;
    case gloox::ConnConnectionRefused:
    case gloox::ConnDnsError:
    case gloox::ConnNotConnected:
    case gloox::ConnOutOfMemory:
    case gloox::ConnProxyAuthRequired:
    case gloox::ConnProxyAuthFailed:
    case gloox::ConnProxyNoSupportedAuth:
    case gloox::ConnCompressionFailed:
        return Socket;
    }
    return Socket;
}

int SubcodeForSaslCondition(const std::string &condition)
{
    return condition == "not-authorized" ? 919 : 0;
}

} // namespace EngineError
