// The reference rewrite of the knowledge-base answers, fed in every split.

#include "plugins/kbservice/KBAnswerFilter.h"

#include <gtest/gtest.h>

namespace {

// The filtered text, or "malformed".
std::string Filtered(const std::string &body, size_t split)
{
    CKBAnswerFilter filter;
    filter.Feed(std::string_view(body).substr(0, split));
    filter.Feed(std::string_view(body).substr(split));
    filter.Finish();
    std::string out;
    char piece[5];
    while (const size_t n = filter.Read(piece, sizeof piece))
        out.append(piece, n);
    return filter.Malformed() ? "malformed" : out;
}

} // namespace

TEST(KBAnswerFilter, ReferencesAreRewrittenOrRefused)
{
    const struct
    {
        const char *name;
        std::string body;
        std::string expected;
    } cases[] = {
        {"astral, decimal and hex", "&#128512;&#x1F600;", "\xF0\x9F\x98\x80\xF0\x9F\x98\x80"},
        {"padded past 16 characters", "&#x00000000000000000001F600;|&#00000000000000000000060;",
         "\xF0\x9F\x98\x80|&#60;"},
        {"named and short ones", "&amp;&lt;&#65;&#xe9;", "&amp;&lt;&#65;\xC3\xA9"},
        {"in CDATA they are text", "<![CDATA[&#0;&#128512;]]>&#128512;", "<![CDATA[&#0;&#128512;]]>\xF0\x9F\x98\x80"},
        {"CDATA opened in a comment is no CDATA", "<!-- <![CDATA[ -->&#128512;",
         "<!-- <![CDATA[ -->\xF0\x9F\x98\x80"},
        {"beyond U+10FFFF", "a&#x110000;", "malformed"},
        {"far beyond", "&#99999999999;", "malformed"},
        {"a surrogate", "&#xD800;", "malformed"},
        {"NUL", "&#0;", "malformed"},
        {"a control character", "&#x1;", "malformed"},
        {"no digits", "&#;", "malformed"},
        {"not a number", "&#12a;", "malformed"},
        {"cut at the end", "x&#12", "malformed"},
    };
    for (const auto &c : cases) {
        for (size_t split = 0; split <= c.body.size(); ++split)
            EXPECT_EQ(Filtered(c.body, split), c.expected) << c.name << ", split at " << split;
    }
}
