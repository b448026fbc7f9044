// The article preview on a real web engine (under Xvfb): the page's own
// scripts never run and it follows no navigation of its own.

#include "plugins/kbeditor/ArticlePreview.h"
#include "shared/html/QVHtmlWebView.h"
#include "tests/TestUtil.h"

#include <QSignalSpy>
#include <QWebEngineNavigationRequest>
#include <QWebEnginePage>

#include <gtest/gtest.h>

using namespace QVPlugin;

TEST(ArticlePreviewWeb, RunsNoScriptAndStaysOnItsPage)
{
    KBArticle article;
    article.id = "17";
    article.title = "<script>document.title='title ran'</script>";
    article.content = "<script>document.title='body ran'</script>"
                      "<meta http-equiv=\"refresh\" content=\"0; url=qvhtml://page/999\">"
                      "<p>Body</p><iframe src=\"data:text/html,<p>framed</p>\"></iframe>";

    CArticleHtmlPane pane;
    pane.resize(400, 300);
    pane.show();
    std::vector<QUrl> requested;
    QObject::connect(pane.View()->page(), &QWebEnginePage::navigationRequested,
                     [&](QWebEngineNavigationRequest &request) { requested.push_back(request.url()); });
    QSignalSpy finished(&pane, &CQVHtmlViewPane::loadFinished);
    pane.ShowHtml(BuildArticlePreviewHtml(article, QStringLiteral("Hardware")));
    ASSERT_TRUE(finished.wait(30000));
    const QUrl page = pane.View()->url();

    // The refresh and the frame come after the load; wait until the engine asked for them.
    ASSERT_TRUE(waitUntil([&] { return requested.size() >= 3; }, 30000)) << requested.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(pane.View()->title(), QString::fromStdString(article.title)) << "no script changed the title";
    EXPECT_EQ(pane.View()->url(), page) << "the refresh was refused";
}
