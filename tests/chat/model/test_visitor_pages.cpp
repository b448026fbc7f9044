// What the visitor pane builds from visitor data: referrer site and search
// words, the transfer command's text and the Details table.

#include "plugins/chat/model/TransferText.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/VisitorInfoHtml.h"
#include "plugins/chat/model/WebAddress.h"

#include <gtest/gtest.h>

using namespace Tessary;

// Readable failures for Qt strings.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

TEST(WebAddress, ReferrerSite)
{
    const struct { const char *url, *site; } cases[] = {
        {"http://www.google.com/search?q=chat", "http://www.google.com"},
        {"https://user@shop.example:8080/a/b.html", "https://user@shop.example:8080"},
        {"http://search.example?q=x", "http://search.example"},
        {"http://search.example", "http://search.example"},
        {"search.example/path", "search.example/path"},
        {"http:///path", "http:///path"},
        {"", ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ReferrerSite(QString::fromUtf8(c.url)), QString::fromUtf8(c.site)) << c.url;
}

TEST(WebAddress, ReferrerKeywords)
{
    const struct { const char *url; QStringList words; } cases[] = {
        // Both present: in the order of the known names, q first.
        {"http://www.google.com/search?query=second&q=first+word", {"first word", "second"}},
        {"http://search.yahoo.com/search?P=yahoo&ei=UTF-8", {"yahoo"}},
        {"http://s.example/?s=last&t=tee&va=v&k=kay", {"last", "kay", "tee", "v"}},
        {"http://s.example/find?q=J%C3%BCrgen", {QString::fromUtf8("J\xc3\xbcrgen")}},
        {"http://s.example/find?q=J%FCrgen", {QString::fromLatin1("J\xfcrgen")}},
        {"http://s.example/find?other=1", {}},
        // Words in the path.
        {"http://s.example/search/c%2B%2B", {"c++"}},
        // A file name, or a site name, is no search.
        {"http://s.example/dir/page.htm", {}},
        {"http://s.example/dir/page.html", {}},
        {"http://www.example.com", {}},
        {"no-slash-here", {}},
    };
    for (const auto &c : cases) {
        QStringList words;
        ReferrerKeywords(QString::fromUtf8(c.url), words);
        EXPECT_EQ(words, c.words) << c.url;
    }
    QStringList kept{QStringLiteral("before")};
    ReferrerKeywords(QStringLiteral("http://a.example/?q=x"), kept);
    EXPECT_EQ(kept, (QStringList{"before", "x"}));
}

TEST(WebAddress, OnlyWebPagesOpen)
{
    const struct { const char *url; bool web; } cases[] = {
        {"http://www.example.com/a?b=c", true}, {"HTTPS://Example.COM", true}, {" https://example.com/ ", true},
        {"javascript:alert(1)", false}, {"file:///etc/passwd", false}, {"http://", false},
        {"ftp://example.com/x", false}, {"www.example.com", false}, {"data:text/html,<b>x</b>", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsWebAddress(QString::fromUtf8(c.url)), c.web) << c.url;
}

TEST(TransferText, EscapesMessageAndAgent)
{
    EXPECT_EQ(TransferChatText(QStringLiteral("ann@chat.example/desk"), QStringLiteral("Say \"hi\" & <it's>")),
              QStringLiteral("<xml><agent>ann@chat.example/desk</agent><message>Say &quot;hi&quot; &amp; "
                             "&lt;it&apos;s&gt;</message></xml>"));
    // Typed entities are escaped once more; the resource of a JID may hold
    // any character.
    EXPECT_EQ(TransferChatText(QStringLiteral("ann@chat.example/a</agent><agent>eve@x"), QStringLiteral("&lt;")),
              QStringLiteral("<xml><agent>ann@chat.example/a&lt;/agent&gt;&lt;agent&gt;eve@x</agent><message>"
                             "&amp;lt;</message></xml>"));
}

namespace {

std::unique_ptr<CVisitor> MakeVisitor(const char *tracking)
{
    return std::make_unique<CVisitor>(std::make_unique<NameValueCollection>(QByteArray(tracking)),
                                      QVPlugin::Jid(QStringLiteral("agent@chat.example/desk")),
                                      [] { return std::int64_t(1'700'000'000); });
}

const QString kHeaderStyle = QStringLiteral(
    "<tr><TD style='PADDING-LEFT: 10px; background-color:#006FB1; color:#FFFFFF;FONT-WEIGHT: bold; FONT-SIZE: 13px;' "
    "colSpan=2>%1</TD></tr>");

QString Row(bool alternate, const QString &label, const QString &value)
{
    return QStringLiteral("<TR class=%1 vAlign=top><TD width='20%'><P class=qvCell>%2</P></TD><TD "
                          "style='BORDER-RIGHT: #cccccc 1px solid'><P class=qvCell>%3</P></TD></TR>")
        .arg(alternate ? "qvRowAlt" : "qvRow", label, value);
}

const QString kOpen = QStringLiteral("<TABLE class='qvTable' cellSpacing=0 cellPadding=0 width='100%' border='0'>");
const QString kClose = QStringLiteral("</TABLE><DIV class=qvTableBottomMargin></DIV>");

} // namespace

TEST(VisitorInfoHtml, SectionsRowsAndEscaping)
{
    EXPECT_EQ(VisitorInfoHtml(nullptr, {}), QString());

    auto visitor = MakeVisitor(
        "sid=S1&REMOTE_ADDR=10.0.0.1&REMOTE_HOST=&appname=Netscape&userAgent=Moz%3Cb%3E"
        "&url=http%3A%2F%2Fshop.example%2F%3Fa%3D1%26b%3D%3Cx%3E"
        "&Title=%3C%2Ftitle%3E%3Cscript%3Ealert('x')%3C%2Fscript%3E"
        "&Referrer=http%3A%2F%2Fwww.google.com%2Fsearch%3Fq%3D%253Cimg%2Bsrc%253Dx%253E%26hl%3Den");
    // Decoded once: "C%2B%2B" is "C++", not "C  ".
    visitor->ApplySurvey("qvvVID=Ann&qvvDEPT=&Lang=C%2B%2B&Empty=&<b>=%3Ci%3E");
    QStringList requested;
    const QString html = VisitorInfoHtml(visitor.get(), [&](const QString &ip) { requested.append(ip); });

    const QString expected = kOpen + kHeaderStyle.arg("Survey")
        + Row(false, "&lt;b&gt;", "&lt;i&gt;") + Row(true, "Empty", "&nbsp;") + Row(false, "Lang", "C++") + kClose
        + kOpen + kHeaderStyle.arg("Visitor Information")
        + Row(true, "IP&nbsp;Address", "10.0.0.1")
        + Row(false, "Referrer", "http://www.google.com/search?q=%3Cimg+src%3Dx%3E&amp;hl=en")
        + Row(true, "Current&nbsp;Page&nbsp;Title", "&lt;/title&gt;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;")
        + Row(false, "Current&nbsp;Page", "http://shop.example/?a=1&amp;b=&lt;x&gt;")
        + Row(true, "Browser", "Netscape (Moz&lt;b&gt;)") + kClose
        + kOpen + kHeaderStyle.arg("Keywords") + Row(false, "http://www.google.com", "&lt;img src=x&gt;") + kClose;
    EXPECT_EQ(html, expected);
    // No geolocation yet: it is asked for.
    EXPECT_EQ(requested, QStringList{"10.0.0.1"});
}

TEST(VisitorInfoHtml, GeolocationIsAskedOnceUntilAnsweredOrLost)
{
    std::int64_t now = 1'700'000'000;
    CVisitor visitor(std::make_unique<NameValueCollection>(QByteArray("sid=S1&REMOTE_ADDR=10.0.0.1")),
                     QVPlugin::Jid(QStringLiteral("agent@chat.example/desk")), [&now] { return now; });
    int requests = 0;
    const auto draw = [&] { VisitorInfoHtml(&visitor, [&](const QString &) { ++requests; }); };
    draw();
    draw();
    EXPECT_EQ(requests, 1);
    visitor.ClearGeolocationAsked(); // an answer that carried nothing
    draw();
    draw();
    EXPECT_EQ(requests, 2);
    now += CVisitor::kGeolocationWaitSeconds;
    draw();
    EXPECT_EQ(requests, 3);
}

TEST(VisitorInfoHtml, DepartmentAndGeolocation)
{
    auto visitor = MakeVisitor("sid=S2&REMOTE_ADDR=10.0.0.2");
    visitor->ApplySurvey("QVVDEPT=Sales&qvvdept=&QVVVID=Bob");
    const QString routerHeader = QStringLiteral(
        "<TD colSpan=2 class=qvTblHeader style='PADDING-LEFT: 10px'><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 13px; "
        "COLOR: #ffffff'>Geolocation</SPAN><br><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 10px; COLOR: "
        "#ffffff'>Note: This information may be inaccurate</SPAN></TD>");
    visitor->SetGeolocation(("<table><tr>" + routerHeader + "</tr><TR><TD>Country</TD></TR></table>").toStdString());

    int requests = 0;
    const QString html = VisitorInfoHtml(visitor.get(), [&](const QString &) { ++requests; });
    EXPECT_EQ(requests, 0);
    // Names are kept as sent: only the two known spellings are special.
    EXPECT_TRUE(html.startsWith(kOpen + kHeaderStyle.arg("Survey") + Row(false, "Department", "Sales")
                                + Row(true, "qvvdept", "&nbsp;") + kClose));
    EXPECT_FALSE(html.contains(QStringLiteral("Bob")));
    EXPECT_FALSE(html.contains(QStringLiteral("class=qvTblHeader")));
    EXPECT_TRUE(html.endsWith(QStringLiteral(
        "<table><tr><TD colSpan=2 style='PADDING-LEFT: 10px; background-color:#006FB1; color:#FFFFFF;FONT-WEIGHT: "
        "bold; FONT-SIZE: 13px;'>Geolocation<br><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: 10px;'>Note: This "
        "information may be inaccurate</SPAN></TD></tr><TR><TD>Country</TD></TR></table>")));

    // A visitor without an address asks for nothing.
    auto anonymous = MakeVisitor("sid=S3");
    VisitorInfoHtml(anonymous.get(), [&](const QString &) { ++requests; });
    EXPECT_EQ(requests, 0);
}

TEST(VisitorInfoHtml, PagesFromTemplates)
{
    auto visitor = MakeVisitor("sid=S4&REMOTE_ADDR=10.0.0.4&Title=%3Cb%3E");
    const QString page = VisitorDetailsPage(visitor.get(), {});
    EXPECT_TRUE(page.contains(QStringLiteral("<title>Details</title>")));
    EXPECT_TRUE(page.contains(QStringLiteral("IP&nbsp;Address")));
    EXPECT_FALSE(page.contains(QStringLiteral("%TABLE%")));
    EXPECT_TRUE(VisitorHistoryPage().contains(QStringLiteral("external.GetHistory()")));
}
