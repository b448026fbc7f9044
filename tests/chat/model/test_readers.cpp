// The readers of the chat service's texts: form-encoded data, URL
// decoding, flat XML, and the word and comma lists.

#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/NetworkText.h"

#include <gtest/gtest.h>

using namespace Tessary;

namespace {

QString Dump(const QMap<QByteArray, QByteArray> &pairs)
{
    QStringList out;
    for (auto it = pairs.begin(); it != pairs.end(); ++it)
        out << QString::fromLatin1(it.key() + '=' + it.value());
    return out.join(QLatin1Char('|'));
}

QString Dump(const FlatXml &map)
{
    QStringList out;
    for (auto it = map.begin(); it != map.end(); ++it)
        out << it.key() + QLatin1Char('=') + it.value();
    return out.join(QLatin1Char('|'));
}

} // namespace

TEST(NameValueCollection, ParsesFormText)
{
    struct Case { const char *text; const char *pairs; } cases[] = {
        {"a=1&&b=2&A=3", "A=3|B=2"},
        {"x=a+b%41%62", "X=a bAb"},
        {"x=ab%4", "X=ab"},
        {"x=%", "X="},
        {"x=%zz1", "X=%zz1"},
        {"name", "NAME="},
        {"a=b=c", "A=b"},
        {"===&", "="},
        {"", ""},
    };
    for (const Case &c : cases) {
        const NameValueCollection form{QByteArray(c.text)};
        EXPECT_EQ(Dump(form.Pairs()), QLatin1String(c.pairs)) << c.text;
        EXPECT_TRUE(form.HasData()) << c.text;
    }

    const NameValueCollection form("sId=abc&Url=http%3A%2F%2Fx");
    EXPECT_TRUE(form.HasName("SID"));
    ASSERT_NE(form.GetValue("url"), nullptr);
    EXPECT_EQ(*form.GetValue("uRL"), "http://x");
    EXPECT_EQ(form.GetValue("missing"), nullptr);

    EXPECT_FALSE(NameValueCollection().HasData());
    const NameValueCollection asSent("qvvVID=Ann", NameValueCollection::NamesAsSent);
    EXPECT_TRUE(asSent.HasName("qvvVID"));
    EXPECT_FALSE(asSent.HasName("QVVVID"));
}

TEST(NameValueCollection, UrlDecodeKeepsBadEscapesAndEndsAtCutShortOnes)
{
    struct Case { const char *in; const char *out; } cases[] = {
        {"a+b", "a b"}, {"%41%62", "Ab"}, {"%e2%82%ac", "\xe2\x82\xac"},
        {"ab%4", "ab"}, {"%", ""}, {"%g1x", "%g1x"}, {"100%", "100"}, {"%%41", "%A"}, {"%4", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(UrlDecode(c.in), QByteArray(c.out)) << c.in;
}

TEST(FlatXmlReader, FlattensElements)
{
    struct Case { const char *xml; const char *map; } cases[] = {
        {"<r><a>1</a><b>2</b></r>", "a=1|b=2"},
        {"<r><a></a><b/></r>", ""},
        {"<r><o><i>x</i></o></r>", "i=x"},
        {"<r><a>1</a><a>2</a></r>", "a=2"},
        {"<r><p:a xmlns:p='u'>1</p:a><q:b>2</q:b></r>", "a=1|b=2"},
        {"<r><a k='v'>x&amp;y&#65;</a></r>", "a=x&yA"},
        {"<r><a><![CDATA[c]]></a><b>t<!--c-->u<?pi x?></b></r>", "b=tu"},
        {"<r>\n  <a>1</a>\n  <b>2</b>\n</r>", "a=1|b=2"},
        {"<r><a> </a></r>", "a= "},
        {"<r><a>1</a><b>2", "a=1"},
        {"<r><a>1</a><b>2</b>", "a=1|b=2"},
        {"<r><a>1</a><b>2</c></r><x>3</x>", "a=1|b=2"},
        {"<!DOCTYPE r [<!ENTITY e 'boom'>]><r><a>&e;</a></r>", ""},
        {"<r><a>1</a><b>&e;</b></r>", "a=1"},
        {"not xml", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Dump(FlatXmlReader(c.xml)), QString::fromUtf8(c.map)) << c.xml;

    EXPECT_EQ(FlatXmlReader("<r><n>J\xc3\xbcrgen</n></r>").value(QStringLiteral("n")), QString::fromUtf8("J\xc3\xbcrgen"));
}

TEST(NetworkText, SplitsAndDecodes)
{
    EXPECT_EQ(SplitWords("a  b "), (QList<QByteArray>{"a", "b"}));
    EXPECT_EQ(SplitCommaList(" a,\t\vb,,d"), (QList<QByteArray>{"a", "b", "", "d"}));
    EXPECT_EQ(SplitCommaList("x, \t"), (QList<QByteArray>{"x", " \t"}));

    EXPECT_EQ(FromNetworkText("J\xc3\xbcrgen"), QString::fromUtf8("J\xc3\xbcrgen"));
    EXPECT_EQ(FromNetworkText("J\xfcrgen"), QString::fromLatin1("J\xfcrgen"));

    EXPECT_EQ(LeadingInteger(u"42abc"), 42);
    EXPECT_EQ(LeadingInteger(u" -7"), -7);
    EXPECT_GT(LeadingInteger(u"99999999999999999999999"), 0);

    const QString pair = QString(kMaxFieldLength - 1, QLatin1Char('x')) + QString::fromUtf8("\xf0\x9f\x98\x80");
    EXPECT_EQ(CapText(pair).size(), kMaxFieldLength - 1);
}
