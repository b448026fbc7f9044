// The preview view and page, headless, with panes that keep their page.

#include "bus/MessageIds.h"
#include "plugins/kbeditor/ArticlePreview.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "plugins/kbeditor/LumoryView.h"
#include "shared/Prompt.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QTabWidget>

#include <gtest/gtest.h>

#include <algorithm>

using namespace QVPlugin;

namespace {

using lumorytest::FakePane;

KBArticle Article(const std::string &id, const std::string &title = "Printer setup")
{
    KBArticle a;
    a.id = id;
    a.title = title;
    a.categoryId = 3;
    a.content = "<p>Turn it <b>off</b> &amp; on.</p>";
    a.keywords = "printer, setup";
    return a;
}

TEST(ArticlePreview, PageFromOurTemplate)
{
    const QString page = BuildArticlePreviewHtml(Article("17"), QStringLiteral("Hardware"));
    for (const char *part : {"<h1>Lumory</h1>", "Article ID: 17 ", "<h3 class=\"diet bold-text\">Printer setup</h3>",
                             "<p>Turn it <b>off</b> &amp; on.</p>", "<h5>Category: Hardware</h5>",
                             "<h5>Keywords: printer, setup</h5>", "class=\"cleer\"", "<title>Printer setup</title>"})
        EXPECT_TRUE(page.contains(QLatin1String(part))) << part;
    EXPECT_TRUE(BuildArticlePreviewHtml(Article("17"), QString()).contains(QLatin1String("<h5>Category: </h5>")));

    KBArticle hostile = Article("<i>1</i>", "<script>alert(1)</script> & %CONTENT%");
    hostile.keywords = "<img src=x onerror=alert(2)>";
    const QString escaped = BuildArticlePreviewHtml(hostile, QStringLiteral("<b>cat</b>"));
    EXPECT_FALSE(escaped.contains(QLatin1String("<script>")));
    EXPECT_FALSE(escaped.contains(QLatin1String("<img")));
    EXPECT_FALSE(escaped.contains(QLatin1String("<b>cat")));
    EXPECT_FALSE(escaped.contains(QLatin1String("<i>1")));
    EXPECT_EQ(escaped.count(QLatin1String("&lt;script&gt;alert(1)&lt;/script&gt; &amp; %CONTENT%")), 2);
}

class LumoryViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &) { return answer; });
        ASSERT_TRUE(plugin->Initialize(&host));
        host.sent.clear();
        view = std::make_unique<CLumoryView>(plugin);
        view->SetPaneFactory([this](QWidget *parent) {
            panes.push_back(new FakePane(parent));
            return panes.back();
        });
    }
    void TearDown() override
    {
        view.reset();
        CPrompt::SetHandler({});
        plugin->Release();
    }

    std::vector<int> Ids() const
    {
        std::vector<int> ids;
        for (int i = 0; i < view->Tabs()->count(); ++i)
            ids.push_back(view->TabId(i).value_or(-1));
        return ids;
    }
    // The command's enabled state after an update; 1 when nobody changed it.
    int Enabled(unsigned id)
    {
        CommandUpdate update(id);
        EXPECT_TRUE(view->OnCmdMsg(id, CommandUpdateUi, &update, nullptr));
        return update.Enabled().value_or(true);
    }
    void Run(unsigned id) { EXPECT_TRUE(view->OnCmdMsg(id, CommandExecute, nullptr, nullptr)); }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    std::unique_ptr<CLumoryView> view;
    std::vector<FakePane *> panes;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
};

TEST_F(LumoryViewTest, OneTabPerArticleWithIdsNeverZeroNorReused)
{
    host.results[MSG_KB_GET_ARTICLE] = 1;
    plugin->RequestArticlePreview("A");
    KBArticleMessage arrived(Article("A", "Q&A"));
    plugin->OnMessage(MSG_KB_ARTICLE, &arrived, nullptr);
    view->ShowArticle(Article("B"));
    view->ShowArticle(Article("A", "Changed meanwhile"));
    EXPECT_EQ(view->Tabs()->currentIndex(), 0);
    EXPECT_EQ(view->Tabs()->tabText(0), QStringLiteral("Q&&A"));
    ASSERT_EQ(panes.size(), 2u);
    EXPECT_EQ(panes[0]->loads, 1) << "an open preview is not reloaded";
    EXPECT_TRUE(panes[0]->html.contains(QLatin1String("Q&amp;A")));

    view->Tabs()->tabCloseRequested(1);
    view->ShowArticle(Article("C"));
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3}));

    view->SetNextTabId(65535);
    view->ShowArticle(Article("D"));
    view->ShowArticle(Article("E")); // wraps past 0 and the ids in use
    EXPECT_EQ(Ids(), (std::vector<int>{1, 3, 65535, 2}));
    EXPECT_EQ(view->NextTabId(), 3);
}

TEST_F(LumoryViewTest, ASavedArticlesPreviewShowsTheSavedArticle)
{
    host.results[MSG_KB_UPDATE_ARTICLE] = 1;
    view->ShowArticle(Article("A"));
    view->ShowArticle(Article("B"));
    KBArticle saved = Article("A", "Printer setup, revised");
    saved.content = "<p>Unplug it first.</p>";
    ASSERT_EQ(plugin->SaveArticle(saved), 1);
    ASSERT_EQ(panes.size(), 2u);
    EXPECT_EQ(view->Tabs()->tabText(0), QStringLiteral("Printer setup, revised"));
    EXPECT_TRUE(panes[0]->html.contains(QLatin1String("<p>Unplug it first.</p>"))) << panes[0]->html.toStdString();
    EXPECT_EQ(view->Tabs()->currentIndex(), 1) << "the agent's tab stays active";
    EXPECT_EQ(panes[1]->loads, 1);
}

TEST_F(LumoryViewTest, CommandsActOnTheActivePreview)
{
    host.results[MSG_KB_GET_ARTICLE] = 1;
    host.results[MSG_KB_DELETE_ARTICLE] = 1;
    EXPECT_EQ(Enabled(LumoryCommand::EditArticle), 0) << "no tab";
    Run(LumoryCommand::Search);
    Run(LumoryCommand::Search);
    EXPECT_EQ(Ids(), std::vector<int>{0});
    EXPECT_EQ(view->Tabs()->tabText(0), QStringLiteral("Search"));
    EXPECT_EQ(Enabled(LumoryCommand::EditArticle), 0);
    EXPECT_EQ(Enabled(LumoryCommand::DeleteArticle), 0);
    Run(LumoryCommand::EditArticle);
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), MSG_KB_GET_ARTICLE), 0);
    EXPECT_FALSE(view->OnCmdMsg(57634, CommandExecute, nullptr, nullptr)) << "not ours";

    view->ShowArticle(Article("A"));
    view->ShowArticle(Article("B"));
    EXPECT_EQ(Enabled(LumoryCommand::EditArticle), 1);
    Run(LumoryCommand::EditArticle);
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), MSG_KB_GET_ARTICLE), 1);

    std::vector<std::string> opened;
    plugin->SetFrameFactory([&](const KBArticle &a, CLumoryPlugin *) -> IArticleFrame * {
        opened.push_back(a.title);
        return nullptr;
    });
    KBArticleMessage b(Article("B"));
    plugin->OnMessage(MSG_KB_ARTICLE, &b, nullptr);
    Run(LumoryCommand::NewArticle);
    EXPECT_EQ(opened, (std::vector<std::string>{"Printer setup", "New Article"}));

    answer = QMessageBox::No;
    Run(LumoryCommand::DeleteArticle);
    EXPECT_EQ(view->Tabs()->count(), 3);
    answer = QMessageBox::Yes;
    Run(LumoryCommand::DeleteArticle);
    EXPECT_EQ(Ids(), (std::vector<int>{0, 1})) << "the deleted article's tab closes";
}

} // namespace
