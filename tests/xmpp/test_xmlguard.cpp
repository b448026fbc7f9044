// The bounds on incoming XML, fed as the network delivers it.

#include "plugins/xmpp/XmlGuard.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Verdict = CXmlGuard::Verdict;

const std::string kHeader = "<?xml version='1.0'?><stream:stream xmlns='jabber:client' "
                            "xmlns:stream='http://etherx.jabber.org/streams' version='1.0'>";

std::string Nested(int levels, const std::string &inner = {})
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += "<x a='" + std::to_string(i) + "'>";
        close = "</x>" + close;
    }
    return open + inner + close;
}

std::string MessageOfSize(size_t total)
{
    const std::string open = "<message><body>", close = "</body></message>";
    return open + std::string(total - open.size() - close.size(), 'a') + close;
}

Verdict FeedAll(const std::vector<std::string> &chunks)
{
    CXmlGuard guard;
    Verdict v = Verdict::Ok;
    for (const std::string &chunk : chunks)
        v = guard.Feed(chunk);
    return v;
}

Verdict FeedBytewise(const std::string &text)
{
    CXmlGuard guard;
    Verdict v = Verdict::Ok;
    for (char c : text)
        v = guard.Feed(std::string_view(&c, 1));
    return v;
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
        {"a header and ordinary stanzas", kHeader + "<message to='a@b'><body>hi</body></message><presence/>",
         Verdict::Ok},
        {"a stanza of exactly the limit", kHeader + MessageOfSize(max), Verdict::Ok},
        {"a stanza one byte over", kHeader + MessageOfSize(max + 1), Verdict::TooLarge},
        {"many stanzas that add up to more than the limit",
         kHeader + [&] {
             std::string s;
             for (int i = 0; i < 8; ++i)
                 s += MessageOfSize(max / 2);
             return s;
         }(),
         Verdict::Ok},
        {"whitespace keep-alives between stanzas", kHeader + std::string(2 * max, ' ') + "<presence/>", Verdict::Ok},
        {"a stream header that never ends", "<stream:stream " + std::string(max + 10, 'a'), Verdict::TooLarge},
        {"50 levels", kHeader + Nested(50), Verdict::Ok},
        {"51 levels", kHeader + Nested(51), Verdict::TooDeep},
        {"empty elements do not nest", kHeader + "<iq>" + [] {
             std::string s;
             for (int i = 0; i < 200; ++i)
                 s += "<item a='1'/>";
             return s;
         }() + "</iq>",
         Verdict::Ok},
        {"markup inside quotes and CDATA does not nest",
         kHeader + "<message a='<x><y>' b=\"/>\"><body><![CDATA[" + Nested(60) + "<<<]]></body></message>",
         Verdict::Ok},
        {"a stream restart starts the depth anew", kHeader + Nested(30, "<stream:stream version='1.0'>" + Nested(40)),
         Verdict::Ok},
        {"the depth counts from the stream, not across stanzas", kHeader + Nested(40) + Nested(40), Verdict::Ok},
        {"the header's XML declaration is markup, not a stanza", "<?xml version='1.0'?>" + kHeader + Nested(50),
         Verdict::Ok},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(FeedAll({c.text}), c.expected) << c.name;
        EXPECT_EQ(FeedBytewise(c.text), c.expected) << c.name << " (fed byte by byte)";
    }
}

TEST(XmlGuard, ARefusalStaysAndResetStartsAnew)
{
    CXmlGuard guard;
    EXPECT_EQ(guard.Feed(kHeader + Nested(51)), Verdict::TooDeep);
    EXPECT_EQ(guard.Feed("<presence/>"), Verdict::TooDeep);
    guard.Reset();
    EXPECT_EQ(guard.Feed(kHeader + "<presence/>"), Verdict::Ok);
    EXPECT_EQ(guard.Depth(), 0);
}

TEST(XmlGuard, AnOpenStanzaThatGrowsAcrossChunksIsRefusedWhenItPassesTheLimit)
{
    CXmlGuard guard;
    ASSERT_EQ(guard.Feed(kHeader + "<message><body>"), Verdict::Ok);
    const std::string chunk(16 * 1024, 'x');
    Verdict v = Verdict::Ok;
    size_t fed = 15;
    while (v == Verdict::Ok && fed < 2 * CXmlGuard::kMaxStanzaBytes) {
        v = guard.Feed(chunk);
        fed += chunk.size();
    }
    EXPECT_EQ(v, Verdict::TooLarge);
    EXPECT_LE(fed, CXmlGuard::kMaxStanzaBytes + chunk.size());
}

} // namespace

namespace {

TEST(XmlGuard, TheServersEndOfStreamIsNoticedAndANewStreamClearsIt)
{
    CXmlGuard guard;
    guard.Feed(kHeader + "<message><body>a</body></message>");
    EXPECT_FALSE(guard.StreamClosed());
    guard.Feed("</stream:stream>");
    EXPECT_TRUE(guard.StreamClosed());
    guard.Feed(kHeader);
    EXPECT_FALSE(guard.StreamClosed());
}

} // namespace
