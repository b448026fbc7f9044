// The editor plug-in against a recording host and scripted questions.

#include "bus/MessageIds.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryBar.h"
#include "plugins/kbeditor/LumoryView.h"
#include "shared/Prompt.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace QVPlugin;

namespace {

class FakeFrame : public IArticleFrame
{
public:
    explicit FakeFrame(const KBArticle &article) : article(article) {}
    QWidget *Window() override { return &window; }
    std::string ArticleId() const override { return article.id; }
    QWidget window;
    KBArticle article;
};

class Lumory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request.text);
            return answer;
        });
        ASSERT_TRUE(plugin->Initialize(&host));
        host.sent.clear();
        plugin->SetFrameFactory([this](const KBArticle &article, CLumoryPlugin *) {
            frames.push_back(std::make_unique<FakeFrame>(article));
            events.push_back("open " + article.id);
            return frames.back().get();
        });
        QObject::connect(plugin, &CLumoryPlugin::previewArticle,
                         [this](const KBArticle &a) { events.push_back("preview " + a.id); });
        QObject::connect(plugin, &CLumoryPlugin::articleArrived,
                         [this](const KBArticle &a) { events.push_back("arrived " + a.id); });
        QObject::connect(plugin, &CLumoryPlugin::articleDeleted,
                         [this](const std::string &id) { events.push_back("deleted " + id); });
        QObject::connect(plugin, &CLumoryPlugin::categoriesChanged, [this](const std::vector<KBCategory> &c) {
            events.push_back("categories " + std::to_string(c.size()));
        });
        QObject::connect(plugin, &CLumoryPlugin::statusesChanged, [this](const std::vector<KBStatus> &s) {
            events.push_back("statuses " + std::to_string(s.size()));
        });
    }
    void TearDown() override
    {
        CPrompt::SetHandler({});
        plugin->Release();
    }

    void Arrive(const std::string &id)
    {
        KBArticleMessage message;
        message.value.id = id;
        EXPECT_EQ(plugin->OnMessage(MSG_KB_ARTICLE, &message, nullptr), 2);
    }
    void Lists(std::vector<KBCategory> categories, std::vector<KBStatus> statuses)
    {
        KBCategoriesMessage c(categories);
        KBStatusesMessage s(statuses);
        EXPECT_EQ(plugin->OnMessage(MSG_KB_CATEGORIES, &c, nullptr), 2);
        EXPECT_EQ(plugin->OnMessage(MSG_KB_STATUSES, &s, nullptr), 2);
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::vector<QString> prompts;
    std::vector<std::string> events;
    std::vector<std::unique_ptr<FakeFrame>> frames;
};

TEST_F(Lumory, PendingSetsDecideWhatAnArrivingArticleDoes)
{
    host.results[MSG_KB_GET_ARTICLE] = 1;
    plugin->RequestArticlePreview("A1");
    plugin->RequestArticleEdit("A1");
    plugin->RequestArticleEdit("B2");
    host.results[MSG_KB_GET_ARTICLE] = -1;
    plugin->RequestArticleEdit("C3"); // refused: must not open later

    Arrive("A1");
    Arrive("b2"); // ids match case-sensitively
    Arrive("B2");
    Arrive("C3");
    Arrive("A1"); // each request is answered once
    EXPECT_EQ(events, (std::vector<std::string>{"preview A1", "open A1", "arrived A1", "arrived b2", "open B2",
                                                "arrived B2", "arrived C3", "arrived A1"}));
}

TEST_F(Lumory, AFailedReadForgetsWhatItAskedFor)
{
    host.results[MSG_KB_GET_ARTICLE] = 1;
    plugin->RequestArticlePreview("A1");
    QVMessage<std::string> failed("A1");
    EXPECT_EQ(plugin->OnMessage(MSG_KB_ARTICLE_NOT_READ, &failed, nullptr), 2);
    plugin->RequestArticleEdit("A1");
    Arrive("A1");
    EXPECT_EQ(events, (std::vector<std::string>{"open A1", "arrived A1"})); // no preview nobody asked for
}

TEST_F(Lumory, OpenFramesAreRaisedByExactIdAndRefuseTheClose)
{
    EXPECT_EQ(plugin->OnMessage(MSG_QUERY_CLOSE, nullptr, nullptr), 0);
    plugin->NewArticle();
    plugin->NewArticle();
    KBArticle stored;
    stored.id = "A1";
    plugin->OpenArticleFrame(stored);
    plugin->OpenArticleFrame(stored);
    stored.id = "a1";
    plugin->OpenArticleFrame(stored);
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[0]->article.title, "New Article");
    EXPECT_EQ(frames[0]->article.status, "Draft");
    EXPECT_GT(frames[0]->article.dateAdded, 0);

    EXPECT_EQ(plugin->OnMessage(MSG_QUERY_CLOSE, nullptr, nullptr), 1);
    EXPECT_EQ(prompts, std::vector<QString>{"Please close all opened lumory articles before exit"});
    for (auto &frame : frames)
        plugin->FrameClosed(frame.get());
    EXPECT_EQ(plugin->OnMessage(MSG_QUERY_CLOSE, nullptr, nullptr), 0);
}

TEST_F(Lumory, EachActivationRefreshesAndHandsOutTheCaches)
{
    Lists({{1, 0, "Hardware"}}, {{"Draft", ""}, {"Pending", ""}});
    events.clear();
    plugin->OnModeActivate(CLumoryPlugin::kMode);
    plugin->OnModeActivate(CLumoryPlugin::kMode);
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), MSG_KB_REFRESH), 2);
    EXPECT_EQ(events, (std::vector<std::string>{"categories 1", "statuses 2", "categories 1", "statuses 2"}));
}

TEST_F(Lumory, LoadsItsPagesAndActivationAddsTheMenu)
{
    ASSERT_EQ(host.added.size(), 2u);
    EXPECT_TRUE(qobject_cast<CLumoryBar *>(host.added[0]));
    EXPECT_TRUE(qobject_cast<CLumoryView *>(host.added[1]));
    MenuSpec menu;
    host.onSend = [&](const QUuid &id, IMessage *in, IMessage *) {
        if (id == MSG_MENU_ADD)
            menu = static_cast<QVMessage<MenuSpec> *>(in)->value;
        return 1;
    };
    plugin->OnModeActivate(CLumoryPlugin::kMode);
    EXPECT_EQ(host.sent, (std::vector<QUuid>{MSG_SHOW_VIEW, MSG_MENU_ADD, MSG_KB_REFRESH}));
    EXPECT_EQ(menu, MenuSpec::Menu({MenuSpec::Popup(
                        "Lumory", {MenuSpec::Command(14245, "&Search"), MenuSpec::Separator(),
                                   MenuSpec::Command(14251, "New Article"), MenuSpec::Command(14252, "Edit Article"),
                                   MenuSpec::Command(14254, "Delete Article")})}));
}

TEST_F(Lumory, DeleteArticleAsksAndReportsOnlyWhatTheServiceDid)
{
    answer = QMessageBox::No;
    EXPECT_EQ(plugin->DeleteArticle(nullptr, "A1"), 0);
    EXPECT_TRUE(host.sent.empty());

    answer = QMessageBox::Yes;
    host.results[MSG_KB_DELETE_ARTICLE] = -1;
    EXPECT_EQ(plugin->DeleteArticle(nullptr, "A1"), -1);
    host.results[MSG_KB_DELETE_ARTICLE] = 1;
    EXPECT_EQ(plugin->DeleteArticle(nullptr, "A2"), 1);
    EXPECT_EQ(events, std::vector<std::string>{"deleted A2"});
    EXPECT_EQ(prompts.size(), 3u);
    EXPECT_EQ(prompts[0], QStringLiteral("Are you sure you want to delete article?"));
}

TEST_F(Lumory, DeletesUpdateTheCachesAndRefresh)
{
    Lists({{1, 0, "Hardware"}, {2, 0, "Software"}, {1, 0, "Twin"}},
          {{"Draft", ""}, {"Pending", ""}, {"Draft", "again"}});
    EXPECT_EQ(plugin->GetCategoryTitle(2), QStringLiteral("Software"));
    EXPECT_EQ(plugin->GetCategoryTitle(9), QString());
    events.clear();

    host.results[MSG_KB_DELETE_STATUS] = 1;
    host.results[MSG_KB_DELETE_CATEGORY] = -1;
    EXPECT_EQ(plugin->DeleteStatus("Draft", nullptr), 1);
    EXPECT_EQ(plugin->DeleteCategory(1, "Hardware", nullptr), -1);
    ASSERT_EQ(plugin->Statuses().size(), 2u);
    EXPECT_EQ(plugin->Statuses()[1].description, "again"); // only the first match goes
    EXPECT_EQ(plugin->Categories().size(), 3u);
    EXPECT_EQ(host.sent, (std::vector<QUuid>{MSG_KB_DELETE_STATUS, MSG_KB_REFRESH, MSG_KB_DELETE_CATEGORY}));
    EXPECT_EQ(events, (std::vector<std::string>{"categories 3", "statuses 2"}));
    EXPECT_EQ(prompts[0], QStringLiteral("Are you sure you want to delete status 'Draft'?"));

    host.results[MSG_KB_DELETE_CATEGORY] = 1;
    EXPECT_EQ(plugin->DeleteCategory(1, "Hardware", nullptr), 1);
    EXPECT_EQ(plugin->GetCategoryTitle(1), QStringLiteral("Twin"));
}

TEST_F(Lumory, NewArticleTakesTheIdOnlyWhenAdded)
{
    host.onSend = [this](const QUuid &id, IMessage *, IMessage *out) {
        static_cast<QVMessage<std::string> *>(out)->value = "K-7";
        return host.results[id];
    };
    KBArticle article;
    host.results[MSG_KB_ADD_ARTICLE] = -1;
    plugin->SaveArticle(article);
    EXPECT_TRUE(article.id.empty());
    host.results[MSG_KB_ADD_ARTICLE] = 1;
    plugin->SaveArticle(article);
    EXPECT_EQ(article.id, "K-7");
    host.onSend = nullptr;
    plugin->SaveArticle(article);
    EXPECT_EQ(host.sent.back(), MSG_KB_UPDATE_ARTICLE);
}

} // namespace
