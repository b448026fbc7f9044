// The small pure pieces of the connection: the engine error mapping, the
// parsing of the sign-in's user name and server, the log's redaction.

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/XmppLog.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineError, GlooxReasonsMapToTheEngineCodes)
{
    const struct
    {
        gloox::ConnectionError reason;
        int code;
    } cases[] = {
        {gloox::ConnNoError, 0},
        {gloox::ConnUserDisconnected, 0},
        {gloox::ConnParseError, 1},
        {gloox::ConnStreamError, 2},
        {gloox::ConnStreamVersionError, 3},
        {gloox::ConnAuthenticationFailed, 4},
        {gloox::ConnTlsFailed, 5},
        {gloox::ConnTlsNotAvailable, 5},
        {gloox::ConnNoSupportedAuth, 6},
        {gloox::ConnIoError, 8},
        {gloox::ConnStreamClosed, 9},
        {gloox::ConnConnectionRefused, 10},
        {gloox::ConnDnsError, 10},
        {gloox::ConnNotConnected, 10},
        {gloox::ConnOutOfMemory, 10},
        {gloox::ConnProxyAuthRequired, 10},
        {gloox::ConnProxyAuthFailed, 10},
        {gloox::ConnProxyNoSupportedAuth, 10},
        {gloox::ConnCompressionFailed, 10},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EngineError::FromGloox(c.reason), c.code) << "gloox reason " << int(c.reason);
    EXPECT_EQ(EngineError::SubcodeForSaslCondition("not-authorized"), 919);
    EXPECT_EQ(EngineError::SubcodeForSaslCondition("temporary-auth-failure"), 0);
    EXPECT_EQ(EngineError::SubcodeForSaslCondition(""), 0);
}

TEST(LoginSettings, UserNames)
{
    const struct
    {
        const char *text;
        bool valid;
        const char *node;
        const char *domain;
    } cases[] = {
        {"agent@localhost", true, "agent", "localhost"},
        {"agent@localhost/Home", true, "agent", "localhost"},
        {"localhost", false, "", ""},  // a bare domain: no node
        {"@localhost", false, "", ""},
        {"", false, "", ""},
        {"ag\xc3\xa9nt@localhost", true, "ag\xc3\xa9nt", "localhost"}, // UTF-8, not a code page
    };
    for (const auto &c : cases) {
        std::string node, domain;
        EXPECT_EQ(ParseUserName(QString::fromUtf8(c.text), &node, &domain), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(node, c.node) << c.text;
            EXPECT_EQ(domain, c.domain) << c.text;
        }
    }
}

TEST(LoginSettings, ServerAddressSplitsAtTheLastColon)
{
    const struct
    {
        const char *text;
        const char *host;
        int port;
    } cases[] = {
        {"chat.example", "chat.example", 5222},
        {"chat.example:", "chat.example", 5222},
        {"chat.example:0", "chat.example", 5222},
        {"chat.example:-4", "chat.example", 5222},
        {"chat.example:abc", "chat.example", 5222},
        {"chat.example:70000", "chat.example", 5222},
        {"chat.example:5223", "chat.example", 5223},
        {"fe80::1:5223", "fe80::1", 5223},
        {"127.0.0.1:1", "127.0.0.1", 1},
    };
    for (const auto &c : cases) {
        std::string host;
        int port = 0;
        SplitServerAddress(QString::fromUtf8(c.text), &host, &port);
        EXPECT_EQ(host, c.host) << c.text;
        EXPECT_EQ(port, c.port) << c.text;
    }
}

TEST(XmppLog, SaslSecretsAreHidden)
{
    const std::string plain = "AGFnZW50AHMzY3IzdA=="; // "\0agent\0s3cr3t"
    const struct
    {
        std::string text;
        std::string expected;
    } cases[] = {
        {"<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='PLAIN'>" + plain + "</auth>",
         "<auth xmlns='urn:ietf:params:xml:ns:xmpp-sasl' mechanism='PLAIN'>(hidden)</auth>"},
        {"<response xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>" + plain + "</response>",
         "<response xmlns='urn:ietf:params:xml:ns:xmpp-sasl'>(hidden)</response>"},
        {"<auth mechanism='PLAIN'>" + plain, "<auth mechanism='PLAIN'>(hidden)"},
        {"<auth mechanism='PL", "<auth (hidden)"},
        {"<authority>kept</authority><auth/>", "<authority>kept</authority><auth/>"},
        {"<message><body>auth</body></message>", "<message><body>auth</body></message>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RedactSecrets(c.text), c.expected) << c.text;
}

} // namespace
