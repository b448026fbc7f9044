// The small pure pieces of the connection: the bounds on incoming XML, the
// server address of the sign-in, the log's redaction and the refusal sub-code.

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/XmlGuard.h"
#include "plugins/xmpp/XmlTextCheck.h"
#include "plugins/xmpp/XmppLog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using Verdict = CXmlGuard::Verdict;

const std::string kStreams = "http://etherx.jabber.org/streams";
const std::string kHeader = "<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
                            "xmlns:stream='http://etherx.jabber.org/streams' version='1.0'>";

const std::string kCutStreamLike = "<" + std::string(249, 'P') + ":streamzzz xmlns:" + std::string(249, 'P')
                                   + "=\"http://etherx.jabber.org/streams\">";

std::string Nested(int levels, const std::string &inner = {})
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += "<x a='" + std::to_string(i) + "'>";
        close += "</x>";
    }
    return open + inner + close;
}

std::string MessageOfSize(size_t total)
{
    return "<message><body>" + std::string(total - 32, 'a') + "</body></message>"; // 32 bytes of tags
}

std::string Repeated(const std::string &text, int times)
{
    std::string out;
    while (times-- > 0)
        out += text;
    return out;
}

TEST(XmlGuard, Table)
{
    const size_t max = CXmlGuard::kMaxStanzaBytes;
    const struct
    {
        const char *name;
        std::string text;
        Verdict expected;
    } cases[] = {
        {"ordinary stanzas", kHeader + "<message to='a@b'><body>hi</body></message><presence/>", Verdict::Ok},
        {"a stanza of exactly the limit", kHeader + MessageOfSize(max), Verdict::Ok},
        {"a stanza one byte over", kHeader + MessageOfSize(max + 1), Verdict::TooLarge},
        {"stanzas that add up to more than the limit", kHeader + Repeated(MessageOfSize(max / 2), 8), Verdict::Ok},
        {"whitespace keep-alives between stanzas", kHeader + std::string(2 * max, ' ') + "<presence/>", Verdict::Ok},
        {"a stream header that never ends", "<stream:stream " + std::string(max + 10, 'a'), Verdict::TooLarge},
        {"a stanza that never ends", kHeader + "<message><body>" + std::string(max, 'x'), Verdict::TooLarge},
        {"50 levels", kHeader + Nested(50), Verdict::Ok},
        {"51 levels", kHeader + Nested(51), Verdict::TooDeep},
        {"50 levels and an empty element", kHeader + Nested(50, "<y/>"), Verdict::TooDeep},
        {"empty elements do not nest", kHeader + "<iq>" + Repeated("<item a='1'/>", 200) + "</iq>", Verdict::Ok},
        {"markup inside quotes and CDATA does not nest",
         kHeader + "<message a='<x><y>' b=\"/>\"><body><![CDATA[" + Nested(60) + "<<<]]></body></message>",
         Verdict::Ok},
        {"a stream restart starts the depth anew", kHeader + Nested(30) + kHeader + Nested(50), Verdict::Ok},
        {"a root in the default namespace", kHeader + "<stream xmlns = \"" + kStreams + "\">" + Nested(50), Verdict::Ok},
        {"a stream element outside the streams namespace is a stanza", kHeader + "<stream>" + Nested(50),
         Verdict::TooDeep},
        {"its text counts", kHeader + "<x:stream xmlns:x='jabber:client'>" + std::string(max, 'x'),
         Verdict::TooLarge},
        {"a second declaration of its prefix counts", kHeader + "<x:stream xmlns:x='" + kStreams + "' xmlns:x='a'>"
         + Nested(50), Verdict::TooDeep},
        {"a stream element inside a stanza nests like any other",
         kHeader + "<message><stream>" + Nested(48) + "</stream></message>", Verdict::Ok},
        {"a stream element inside a stanza counts towards the depth", kHeader + "<message><stream>" + Nested(49),
         Verdict::TooDeep},
        {"a prefixed one too", kHeader + Nested(30, "<db:stream>" + Nested(20)), Verdict::TooDeep},
        {"a stream element inside a stanza counts towards the size",
         kHeader + "<message><stream>" + std::string(max, 'x') + "</stream></message>", Verdict::TooLarge},
        {"the depth counts per stanza", kHeader + Nested(40) + Nested(40), Verdict::Ok},
        // The parser sees a name longer than the guard reads; its cut tail reads
        // ":stream", the prefix bound to the streams namespace.
        {"stream-like elements whose names were cut nest", kHeader + Repeated(kCutStreamLike, 200000),
         Verdict::TooDeep},
        {"and count towards the size",
         kHeader + kCutStreamLike + Repeated("<x>" + std::string(200 * 1024, 'x') + "</x>", 2), Verdict::TooLarge},
        {"the XML declaration is not a stanza", "<?xml version='1.0'?>" + kHeader + Nested(50), Verdict::Ok},
    };
    for (const auto &c : cases) {
        CXmlGuard whole, bytewise;
        EXPECT_EQ(whole.Feed(c.text), c.expected) << c.name;
        Verdict v = Verdict::Ok;
        for (char ch : c.text)
            v = bytewise.Feed(std::string_view(&ch, 1));
        EXPECT_EQ(v, c.expected) << c.name << " (fed byte by byte)";
    }
}

TEST(XmlGuard, ARefusalStaysUntilResetAndTheServersEndOfStreamIsNoticed)
{
    CXmlGuard guard;
    EXPECT_EQ(guard.Feed(kHeader + Nested(51)), Verdict::TooDeep);
    EXPECT_EQ(guard.Feed("<presence/>"), Verdict::TooDeep);
    guard.Reset();
    EXPECT_EQ(guard.Feed(kHeader + "<presence/>"), Verdict::Ok);
    EXPECT_FALSE(guard.StreamClosed());
    guard.Feed("<message><stream:stream></stream:stream></message>");
    EXPECT_FALSE(guard.StreamClosed()) << "only the root's end tag ends the stream";
    guard.Feed("</stream:stream>");
    EXPECT_TRUE(guard.StreamClosed());
    guard.Feed(kHeader);
    EXPECT_FALSE(guard.StreamClosed());
}

TEST(XmlTextCheck, CharactersSplitBetweenChunksAreJoined)
{
    const struct
    {
        std::vector<std::string> chunks;
        bool ok;
    } cases[] = {
        {{"<b>gr\xc3", "\xbc\xc3\x9f", "e</b>"}, true},
        {{"\xf0\x9f", "\x98", "\x80"}, true},
        {{"a &#x", "41; &#2", "28; &amp; &lt"}, true},
        {{"<b>\xc3", "a</b>"}, false},
        {{"&#", "x1;"}, false},
        {{"&#xD800;"}, false},
        {{"\xed\xa0\x80"}, false}, // a surrogate
        {{"\xef\xbf\xbf"}, false}, // U+FFFF
        {{"\x0b"}, false},
    };
    for (const auto &c : cases) {
        CXmlTextCheck check;
        bool ok = true;
        for (const std::string &chunk : c.chunks)
            ok = check.Feed(chunk) && ok;
        EXPECT_EQ(ok, c.ok) << ::testing::PrintToString(c.chunks);
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
        {"chat.example", "chat.example", 5222},      {"chat.example:", "chat.example", 5222},
        {"chat.example:0", "chat.example", 5222},    {"chat.example:-4", "chat.example", 5222},
        {"chat.example:abc", "chat.example", 5222},  {"chat.example:70000", "chat.example", 5222},
        {"chat.example:5223", "chat.example", 5223}, {"fe80::1:5223", "fe80::1", 5223},
        {"127.0.0.1:1", "127.0.0.1", 1},            {"[::1]:5223", "::1", 5223},
        {"[::1]", "::1", 5222},                      {"[fe80::1]:x", "fe80::1", 5222},
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
    const std::string sasl = "xmlns='urn:ietf:params:xml:ns:xmpp-sasl'";
    const struct
    {
        std::string text;
        std::string expected;
    } cases[] = {
        {"<auth " + sasl + " mechanism='PLAIN'>" + plain + "</auth>",
         "<auth " + sasl + " mechanism='PLAIN'>(hidden)</auth>"},
        {"<response " + sasl + ">" + plain + "</response>", "<response " + sasl + ">(hidden)</response>"},
        {"<auth mechanism='PLAIN'>" + plain, "<auth mechanism='PLAIN'>(hidden)"},
        {"<auth mechanism='PL", "<auth (hidden)"},
        {"<authority>kept</authority><auth/>", "<authority>kept</authority><auth/>"},
        {"<message><body>auth</body></message>", "<message><body>auth</body></message>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(RedactSecrets(c.text), c.expected) << c.text;
}

TEST(EngineError, OnlyNotAuthorizedGivesTheRefusalSubcode)
{
    EXPECT_EQ(EngineError::SubcodeForSaslCondition("not-authorized"), 919);
    EXPECT_EQ(EngineError::SubcodeForSaslCondition("temporary-auth-failure"), 0);
    EXPECT_EQ(EngineError::SubcodeForSaslCondition(""), 0);
}

} // namespace
