// The visitor pane's pages in a real web engine (under Xvfb): the History
// page reaches the plug-in through window.external, other documents do not,
// a Details page built from a hostile visitor runs no script, and links in
// our own pages never take the view anywhere.

#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/VisitorInfoHtml.h"
#include "plugins/chat/ui/HTMLPageExternal.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "tests/HtmlViewTestUtil.h"

#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <gtest/gtest.h>

namespace {

struct HistoryOwner : CHTMLPageExternal::Owner
{
    void RetrieveHistory() override { ++requests; }
    int requests = 0;
};

QVariant RunScript(CQVHtmlViewPane &pane, const QString &script)
{
    QVariant result;
    bool done = false;
    pane.View()->page()->runJavaScript(script, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(waitUntil([&] { return done; }, 120000)) << script.toStdString();
    return result;
}

// Clicks the element with the mouse, as the agent would.
void Click(CQVHtmlViewPane &pane, const QString &id)
{
    QVariant rect;
    bool done = false;
    pane.View()->page()->runJavaScript(
        QStringLiteral("(function(){var r=document.getElementById('%1').getBoundingClientRect();"
                       "return [r.left+r.width/2,r.top+r.height/2];})()").arg(id),
        QWebEngineScript::ApplicationWorld, [&](const QVariant &value) {
            rect = value;
            done = true;
        });
    ASSERT_TRUE(waitUntil([&] { return done; }, 120000));
    const QVariantList at = rect.toList();
    ASSERT_EQ(at.size(), 2);
    const QPoint point(at[0].toInt(), at[1].toInt());
    QWidget *target = pane.View()->focusProxy() ? pane.View()->focusProxy() : pane.View();
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
}

} // namespace

TEST(HtmlPages, HistoryPageReachesThePluginThroughWindowExternal)
{
    HistoryOwner owner;
    CHTMLPageExternal external(&owner);
    CQVHtmlViewPane pane;
    pane.resize(400, 300);
    pane.show();
    pane.SetExternal(&external);

    ASSERT_TRUE(LoadAndWait(pane, Tessary::VisitorHistoryPage(), CQVHtmlViewPane::ExternalAccess::Granted));
    // Answered within the same script: no promise, no callback.
    EXPECT_EQ(RunScript(pane, QStringLiteral("window.external.GetQVAgentVersion()")).toString(),
              QStringLiteral("5.0.592.2"));
    EXPECT_EQ(RunScript(pane, QStringLiteral("RetrieveHistory()")).toBool(), true);
    EXPECT_TRUE(waitUntil([&] { return owner.requests == 1; }, 120000));
    RunScript(pane, QStringLiteral("document.getElementById('retrieve').click()"));
    EXPECT_TRUE(waitUntil([&] { return owner.requests == 2; }, 120000));

    // The history text from the service is not our page: no object, no
    // channel to forge calls through.
    ASSERT_TRUE(LoadAndWait(pane, QStringLiteral("<p>Transcript</p>")));
    EXPECT_EQ(RunScript(pane, QStringLiteral("typeof window.external.GetHistory")).toString(),
              QStringLiteral("undefined"));
    EXPECT_EQ(RunScript(pane, QStringLiteral("typeof qt")).toString(), QStringLiteral("undefined"));
}

TEST(HtmlPages, HostileVisitorOnDetailsPageRunsNoScript)
{
    const char *tracking = "sid=S1&REMOTE_ADDR=10.0.0.1&url=http%3A%2F%2Fshop.example%2F"
                           "&Title=%3C%2Ftitle%3E%3Cscript%3Edocument.title%3D'owned'%3C%2Fscript%3E"
                           "%3Cimg+src%3Dx+onerror%3D%22document.title%3D'owned'%22%3E";
    CVisitor visitor(std::make_unique<NameValueCollection>(QByteArray(tracking)),
                     QVPlugin::Jid(QStringLiteral("agent@chat.example/desk")));
    CQVHtmlViewPane pane;
    pane.resize(400, 300);
    pane.show();
    pane.SetJavaScriptEnabled(false);

    ASSERT_TRUE(LoadAndWait(pane, Tessary::VisitorDetailsPage(&visitor, {})));
    EXPECT_TRUE(waitUntil([&] { return pane.View()->title() == QStringLiteral("Details"); }, 120000));
    const QString text = PlainText(pane);
    EXPECT_TRUE(text.contains(QStringLiteral("</title><script>document.title='owned'</script>"))) << text.toStdString();
    EXPECT_EQ(pane.View()->title(), QStringLiteral("Details"));
}

TEST(HtmlPages, LinksInOurOwnPagesLeaveThePageAlone)
{
    CQVHtmlViewPane pane;
    pane.resize(400, 300);
    pane.show();
    pane.SetJavaScriptEnabled(false);
    QStringList clicked;
    CVisitorChatPane::KeepOnOwnPages(pane, [&](const QUrl &url) { clicked.append(url.toString()); });
    ASSERT_TRUE(LoadAndWait(pane, QStringLiteral("<p><a id='f' href='file:///etc/hostname'>file</a></p>"
                                                 "<p><a id='w' href='http://127.0.0.1:9/a'>web</a></p>"
                                                 "<p><a id='n' target='_blank' href='http://127.0.0.1:9/b'>new</a></p>")));
    const QString location = pane.GetLocation();
    for (const char *id : {"f", "w", "n"})
        Click(pane, QString::fromLatin1(id));
    EXPECT_TRUE(waitUntil([&] { return clicked.size() == 2; }, 120000)) << clicked.join(u' ').toStdString();
    EXPECT_EQ(clicked, QStringList({QStringLiteral("http://127.0.0.1:9/a"), QStringLiteral("http://127.0.0.1:9/b")}));
    QTest::qWait(200);
    EXPECT_EQ(pane.GetLocation(), location);
    EXPECT_TRUE(PlainText(pane).contains(QLatin1String("file"))) << PlainText(pane).toStdString();
}
