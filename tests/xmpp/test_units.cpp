// The small pure pieces of the connection: the front end of incoming XML, the
// server address of the sign-in, the log's redaction and the refusal sub-code.

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/XmlGuard.h"
#include "plugins/xmpp/XmppLog.h"

#include <gloox/parser.h>
#include <gloox/tag.h>
#include <gloox/taghandler.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

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
        {"a start tag that never ends", kHeader + "<message to='" + std::string(max, 'x'), Verdict::TooLarge},
        {"a comment that never ends", kHeader + "<!--" + std::string(max, 'x'), Verdict::TooLarge},
        {"50 levels", kHeader + Nested(50), Verdict::Ok},
        {"51 levels", kHeader + Nested(51), Verdict::TooDeep},
        {"50 levels and an empty element", kHeader + Nested(50, "<y/>"), Verdict::TooDeep},
        {"empty elements do not nest", kHeader + "<iq>" + Repeated("<item a='1'/>", 200) + "</iq>", Verdict::Ok},
        {"markup inside quotes and CDATA does not nest",
         kHeader + "<message a='&lt;x>&lt;y>' b=\"/>\"><body><![CDATA[" + Nested(60) + "<<<]]></body></message>",
         Verdict::Ok},
        {"a < inside a value is not well-formed", kHeader + "<message a='<x><y>'/>", Verdict::NotWellFormed},
        {"a restart after SASL starts a new document",
         kHeader + Nested(30) + "<success xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>" + kHeader + Nested(50),
         Verdict::Ok},
        {"a new header without a restart", kHeader + Nested(30) + kHeader, Verdict::NotWellFormed},
        {"a stream header where a stanza belongs", kHeader + "<stream:stream>" + Nested(10), Verdict::NotWellFormed},
        {"a root in the default namespace", "<?xml version='1.0'?><stream xmlns = \"" + kStreams + "\">" + Nested(50),
         Verdict::Ok},
        {"a root of another name", "<?xml version='1.0'?><message xmlns='jabber:client'>", Verdict::NotWellFormed},
        {"a stream element outside the streams namespace", kHeader + "<stream>" + Nested(50),
         Verdict::NotWellFormed},
        {"a prefixed one", kHeader + "<x:stream xmlns:x='jabber:client'>" + std::string(max, 'x'),
         Verdict::NotWellFormed},
        {"a second declaration of its prefix", kHeader + "<x:stream xmlns:x='" + kStreams + "' xmlns:x='a'>"
         + Nested(50), Verdict::NotWellFormed},
        {"a stream element inside a stanza",
         kHeader + "<message><stream>" + Nested(48) + "</stream></message>", Verdict::NotWellFormed},
        {"one inside a stanza's child", kHeader + "<message><x xmlns='urn:x'><stream>" + Nested(2),
         Verdict::NotWellFormed},
        {"a prefixed one too", kHeader + Nested(30, "<db:stream xmlns:db='jabber:server:dialback'>" + Nested(20)),
         Verdict::NotWellFormed},
        {"an element whose name begins with stream", kHeader + "<message><streams/><stream-x/></message>",
         Verdict::Ok},
        {"a stream header inside a stanza", kHeader + "<message><x:stream xmlns:x='" + kStreams + "'/></message>",
         Verdict::NotWellFormed},
        {"and one of another namespace under its name",
         kHeader + "<message><stream:stream xmlns:stream='urn:x'/></message>", Verdict::NotWellFormed},
        {"an undeclared prefix", kHeader + "<db:result/>", Verdict::NotWellFormed},
        {"a stanza counts towards the size with its children",
         kHeader + "<message><streams>" + std::string(max, 'x') + "</streams></message>", Verdict::TooLarge},
        {"the depth counts per stanza", kHeader + Nested(40) + Nested(40), Verdict::Ok},
        {"stream-like elements with long names nest", kHeader + Repeated(kCutStreamLike, 200000), Verdict::TooDeep},
        {"and count towards the size",
         kHeader + kCutStreamLike + Repeated("<x>" + std::string(200 * 1024, 'x') + "</x>", 2), Verdict::TooLarge},
        {"the XML declaration is not a stanza", kHeader + Nested(50), Verdict::Ok},
        {"a second XML declaration", "<?xml version='1.0'?>" + kHeader, Verdict::NotWellFormed},
        {"a DTD", "<?xml version='1.0'?><!DOCTYPE stream:stream [<!ENTITY a 'aaaaaaaaaa'>]>"
         + kHeader.substr(21) + "<message><body>&a;</body></message>", Verdict::NotWellFormed},
        {"an entity of no DTD", kHeader + "<message><body>&a;</body></message>", Verdict::NotWellFormed},
        {"a mismatched end tag", kHeader + "<message></iq>", Verdict::NotWellFormed},
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
    EXPECT_EQ(guard.Feed("<message><stream></stream></message>"), Verdict::NotWellFormed);
    EXPECT_FALSE(guard.StreamClosed()) << "only the root's end tag ends the stream";
    guard.Reset();
    guard.Feed(kHeader);
    EXPECT_EQ(guard.Feed("</stream:stream><junk>"), Verdict::Ok) << "nothing after the end is read";
    EXPECT_TRUE(guard.StreamClosed());
    guard.Reset();
    guard.Feed(kHeader);
    EXPECT_FALSE(guard.StreamClosed());
}

// gloox's parser as the client uses it, after the front end.
struct GlooxReader : gloox::TagHandler
{
    void handleTag(gloox::Tag *tag) override
    {
        if (!tag || tag->name() == "stream")
            return;
        std::vector<std::pair<const gloox::Tag *, int>> open{{tag, 1}};
        while (!open.empty()) {
            const auto [t, depth] = open.back();
            open.pop_back();
            deepest = std::max(deepest, depth);
            for (const gloox::Tag::Attribute *a : t->attributes())
                text += a->value();
            text += t->cdata();
            for (const gloox::Tag *child : t->children())
                open.emplace_back(child, depth + 1);
        }
        names.push_back(tag->name());
    }
    std::vector<std::string> names;
    std::string text;
    int deepest = 0;
};

TEST(XmlGuard, GlooxReadsOnlyTheShapeThatWasCounted)
{
    const struct
    {
        const char *name;
        std::string text;
        Verdict expected;
        std::vector<std::string> stanzas; // what gloox then holds
        std::string held;                  // its values and text
    } cases[] = {
        {"the root's end tag inside a stanza",
         "<message to='a@b' from='c@d'>" + Repeated("</stream:stream><a>", 300000), Verdict::NotWellFormed, {}, ""},
        {"a quote of the other kind inside a value",
         Repeated("<x a='\">" + Repeated("<a>", 1000) + "'>" + "</a>", 300), Verdict::NotWellFormed, {}, ""},
        {"text beside a CDATA section between stanzas",
         "<presence/><![CDATA[x]]>" + std::string(2 << 20, 'A') + "<message><body>hi</body></message>", Verdict::Ok,
         {"presence", "message"}, "hi"},
        {"a reference that never ends", "<presence/>&" + std::string(32 << 20, 'a'), Verdict::TooLarge, {"presence"},
         ""},
        {"quotes, references and CDATA are read as XML reads them",
         "<message a='&quot;&apos;\"' b=\"'&lt;&gt;&amp;\"><body>&lt;a&gt;'\"<![CDATA[<b>&amp;]]></body></message>",
         Verdict::Ok, {"message"}, "\"'\"'<>&<a>'\"<b>&amp;"},
    };
    for (const auto &c : cases) {
        for (const size_t chunk : {size_t(16384), size_t(7)}) {
            SCOPED_TRACE(std::string(c.name) + ", in chunks of " + std::to_string(chunk));
            CXmlGuard guard;
            GlooxReader reader;
            gloox::Parser parser(&reader);
            const std::string stream = kHeader + c.text;
            Verdict v = Verdict::Ok;
            for (size_t at = 0; at < stream.size() && v == Verdict::Ok; at += chunk) {
                v = guard.Feed(std::string_view(stream).substr(at, chunk));
                std::string accepted = guard.TakeAccepted();
                if (v == Verdict::Ok)
                    ASSERT_LT(parser.feed(accepted), 0) << accepted;
            }
            EXPECT_EQ(v, c.expected);
            EXPECT_EQ(reader.names, c.stanzas);
            EXPECT_EQ(reader.text, c.held);
            EXPECT_LE(reader.deepest, CXmlGuard::kMaxDepth);
        }
    }
}

TEST(XmlGuard, CharactersSplitBetweenChunksAreJoined)
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
        CXmlGuard guard;
        Verdict v = guard.Feed(kHeader + "<message><body>");
        for (const std::string &chunk : c.chunks)
            v = guard.Feed(chunk);
        EXPECT_EQ(v, c.ok ? Verdict::Ok : Verdict::NotWellFormed) << ::testing::PrintToString(c.chunks);
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
