// The article editor on its real WebEngine surface (under Xvfb).

#include "bus/MessageIds.h"
#include "plugins/kbeditor/KBArticleFrame.h"
#include "plugins/kbeditor/WebEditSurface.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QPlainTextEdit>
#include <QWebEngineView>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

constexpr int kWait = 30000;

class WebEdit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([](const PromptRequest &) { return QMessageBox::No; });
        host.onSend = [this](const QUuid &, IMessage *in, IMessage *) {
            if (auto *m = KBPayloadAs<KBArticleMessage>(in))
                sent.push_back(m->value);
            return 1;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        KBStatusesMessage statuses(std::vector<KBStatus>{{"Draft", ""}});
        plugin->OnMessage(MSG_KB_STATUSES, &statuses, nullptr);
        article.id = "17";
        article.title = "Printer setup";
        article.status = "Draft";
        article.content = "<p>hello</p>";
        surface = new CWebEditSurface;
        frame = new CKBArticleFrame(article, plugin, surface);
        frame->show();
    }
    void TearDown() override
    {
        delete frame;
        CPrompt::SetHandler({});
        plugin->Release();
    }

    bool BodyIs(const QString &html)
    {
        return waitUntil([&] { return surface->Body() == html; }, kWait);
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    std::vector<KBArticle> sent;
    KBArticle article;
    CWebEditSurface *surface = nullptr;
    CKBArticleFrame *frame = nullptr;
};

TEST_F(WebEdit, ASaveBeforeThePageLoadedKeepsTheContent)
{
    ASSERT_FALSE(surface->IsLoaded());
    ASSERT_TRUE(frame->Save());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].content, "<p>hello</p>");
    ASSERT_TRUE(BodyIs(QStringLiteral("<p>hello</p>")));
}

TEST_F(WebEdit, DesignModeEditsTheBodyAndBoldChecksItsButton)
{
    ASSERT_TRUE(BodyIs(QStringLiteral("<p>hello</p>")));
    surface->Exec(QStringLiteral("selectAll"));
    ASSERT_TRUE(waitUntil([&] { return frame->CommandAction(14275)->isEnabled(); }, kWait));
    frame->CommandAction(14275)->trigger();
    ASSERT_TRUE(BodyIs(QStringLiteral("<p><b>hello</b></p>")));
    EXPECT_TRUE(waitUntil([&] { return frame->CommandAction(14275)->isChecked(); }, kWait));

    surface->Exec(QStringLiteral("insertText"), QStringLiteral("typed"));
    EXPECT_TRUE(BodyIs(QStringLiteral("<p><b>typed</b></p>"))) << surface->Body()->toStdString();
    EXPECT_TRUE(frame->Document().IsModified());
}

TEST_F(WebEdit, HtmlToSourceAndBack)
{
    ASSERT_TRUE(BodyIs(QStringLiteral("<p>hello</p>")));
    frame->ShowHtmlView(false);
    EXPECT_EQ(frame->SourceView()->toPlainText(), QStringLiteral("<p>hello</p>"));
    frame->SourceView()->setPlainText(QStringLiteral("<h2>Title</h2><p>changed</p>"));
    frame->ShowHtmlView(true);
    ASSERT_TRUE(BodyIs(QStringLiteral("<h2>Title</h2><p>changed</p>")));
    // No navigation leaves the editor's page.
    bool finished = false;
    QObject::connect(surface->View(), &QWebEngineView::loadFinished, [&] { finished = true; });
    surface->View()->load(QUrl(QStringLiteral("http://127.0.0.1:9/")));
    ASSERT_TRUE(waitUntil([&] { return finished; }, kWait));
    EXPECT_EQ(surface->View()->url(), QUrl(QStringLiteral("about:blank")));
    EXPECT_EQ(surface->Body(), QStringLiteral("<h2>Title</h2><p>changed</p>"));
}

} // namespace
