// The HTML made from a typed text: escaping, emoticons and links.

#include "plugins/chat/session/ChatText.h"

#include <gtest/gtest.h>

namespace {

QString Link(const QString &url)
{
    return QStringLiteral("<a target=\"_blank\" href=\"%1\">%1</a>").arg(url);
}

QString Img(int i, const QString &alt)
{
    return QStringLiteral("<IMG SRC='qvimg/emoticon%1.gif' ALT='%2'>").arg(i).arg(alt);
}

} // namespace

TEST(ChatText, Html)
{
    struct Case { QString in; QString out; };
    const Case cases[] = {
        {"a < b & c", "a &lt; b &amp; c"},
        {"say \"hi\"", "say &quot;hi&quot;"},
        {"a :) b", "a" + Img(0, ":)") + " b"},
        {":)", ":)"},
        {":) go", Img(0, ":)") + "go"},
        {"x :-| y", "x" + Img(6, ":-|") + " y"},
        // An entity made by escaping never turns into a picture.
        {"\";) x", "&quot;" + Img(4, ";)") + "x"},
        {"\") x", "&quot;) x"},
        {"see http://a.com.", "see " + Link("http://a.com") + "."},
        {"http://a.com http://a.com/x", Link("http://a.com") + " " + Link("http://a.com/x")},
        {"http://a.com and http://a.com", Link("http://a.com") + " and " + Link("http://a.com")},
        {"HTTPS://A.COM/?q=1&r=2!", Link("HTTPS://A.COM/?q=1&amp;r=2") + "!"},
        {"read the news: or file: later", "read the news: or file: later"},
        {"xhttp://a.com", "xhttp://a.com"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ChatTextToHtml(c.in), c.out) << c.in.toStdString();
}

TEST(ChatText, SeparateSteps)
{
    QString a = "a :) http://b.c";
    InsertEmoticons(a);
    EXPECT_EQ(a, "a" + Img(0, ":)") + " http://b.c");
    QString b = "a :) http://b.c";
    LinkifyUrls(b);
    EXPECT_EQ(b, "a :) " + Link("http://b.c"));
}
