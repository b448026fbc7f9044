// The article editor on its real WebEngine surface (under Xvfb).

#include "bus/MessageIds.h"
#include "plugins/kbeditor/KBArticleFrame.h"
#include "plugins/kbeditor/WebEditSurface.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
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
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request.text);
            return QMessageBox::No;
        });
        host.onSend = [this](const QUuid &, IMessage *in, IMessage *) {
            if (auto *m = KBPayloadAs<KBArticleMessage>(in))
                sent.push_back(m->value);
            return 1;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        KBStatusesMessage statuses(std::vector<KBStatus>{{"Draft", ""}});
        plugin->OnMessage(MSG_KB_STATUSES, &statuses, nullptr);
        KBCategoriesMessage categories(std::vector<KBCategory>{{4, 0, "Printers"}});
        plugin->OnMessage(MSG_KB_CATEGORIES, &categories, nullptr);
        article.id = "17";
        article.categoryId = 4;
        article.title = "Printer setup";
        article.status = "Draft";
        article.content = "<p>hello</p>";
        Open();
    }
    void TearDown() override
    {
        delete frame.data();
        CPrompt::SetHandler({});
        plugin->Release();
    }

    void Open()
    {
        delete frame.data();
        surface = new CWebEditSurface;
        frame = new CKBArticleFrame(article, plugin, surface);
        frame->show();
    }
    bool BodyIs(const QString &html)
    {
        return waitUntil([&] { return surface->Body() == html; }, kWait);
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    std::vector<KBArticle> sent;
    std::vector<QString> prompts;
    KBArticle article;
    CWebEditSurface *surface = nullptr;
    QPointer<CKBArticleFrame> frame;
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

// Keys typed and saved at once are all in the saved body: the body is read
// from the page, not from what the page last reported.
TEST_F(WebEdit, TypedAndSavedAtOnceKeepsEveryCharacter)
{
    ASSERT_TRUE(BodyIs(QStringLiteral("<p>hello</p>")));
    // The engine drops keys that come before its page has the focus, which
    // a loaded machine can delay: a first key, waited for, proves it has.
    QWidget *keys = surface->View()->focusProxy();
    ASSERT_NE(keys, nullptr);
    ASSERT_TRUE(waitUntil([&] {
        QApplication::setActiveWindow(frame);
        surface->View()->setFocus();
        surface->Exec(QStringLiteral("selectAll"));
        QTest::keyClicks(keys, QStringLiteral("Q"));
        const std::optional<QString> body = surface->Body();
        return body && body->contains(QLatin1Char('Q'));
    }, kWait));
    surface->Exec(QStringLiteral("selectAll"));
    ASSERT_TRUE(waitUntil([&] { return frame->CommandAction(57635)->isEnabled(); }, kWait));
    QTest::keyClicks(keys, QStringLiteral("CLOSE-abcdefghijklmnop"));
    ASSERT_TRUE(frame->Save()) << (prompts.empty() ? "" : prompts.back().toStdString());
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].content.find("CLOSE-abcdefghijklmnop"), std::string::npos) << sent[0].content;
    EXPECT_FALSE(frame->Document().IsModified());
}

// The page writes a stored body its own way; nobody changed it, so closing
// asks nothing and saves nothing, in either view.
TEST_F(WebEdit, AnUntouchedArticleInOtherSpellingIsNotModified)
{
    article.content = "<P CLASS=note>One<BR/>two</P><IMAGE SRC=\"x.png\"/>";
    Open();
    ASSERT_TRUE(waitUntil([&] { return surface->IsLoaded(); }, kWait));
    ASSERT_NE(surface->Body(), QString::fromStdString(article.content)) << "the page keeps the spelling";
    EXPECT_FALSE(frame->Document().IsModified());
    frame->ShowHtmlView(false);
    EXPECT_FALSE(frame->Document().IsModified());
    frame->ShowHtmlView(true);
    EXPECT_FALSE(frame->Document().IsModified());
    frame->close();
    EXPECT_TRUE(prompts.empty());
    EXPECT_TRUE(sent.empty());
}

// Cut and Copy follow the selection in the context menu and the Edit menu.
TEST_F(WebEdit, CutAndCopyNeedASelection)
{
    ASSERT_TRUE(BodyIs(QStringLiteral("<p>hello</p>")));
    QAction *cut = frame->CommandAction(57635);
    QAction *copy = frame->CommandAction(57634);
    emit surface->selectionChanged();
    EXPECT_FALSE(cut->isEnabled());
    EXPECT_FALSE(copy->isEnabled());
    surface->Exec(QStringLiteral("selectAll"));
    EXPECT_TRUE(waitUntil([&] { return cut->isEnabled() && copy->isEnabled(); }, kWait));
}

} // namespace
