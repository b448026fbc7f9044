// The search window and its result list, offscreen, against a recording host.

#include "bus/MessageIds.h"
#include "plugins/kbeditor/KBArticleList.h"
#include "plugins/kbeditor/KBSearchWindow.h"
#include "plugins/kbeditor/Lumory.h"
#include "plugins/kbeditor/LumoryStrings.h"
#include "shared/Prompt.h"
#include "tests/kbeditor/LumoryHost.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTextDocument>

#include <QTest>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

KBArticle Hit(const std::string &id, int category = 4)
{
    KBArticle a;
    a.id = id;
    a.title = "Article " + id;
    a.text = "An excerpt with <b> that stays text";
    a.categoryId = category;
    return a;
}

class SearchWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([](const PromptRequest &) { return QMessageBox::Yes; });
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *) {
            if (auto *search = KBPayloadAs<KBSearchMessage>(in))
                searches.push_back(search->value);
            const auto it = host.results.find(id);
            return it == host.results.end() ? 0 : it->second;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        host.sent.clear();
        first = std::make_unique<CKBSearchWindow>(plugin);
        second = std::make_unique<CKBSearchWindow>(plugin);
        Lists({{4, 0, "Hardware"}, {5, 0, "Software"}}, {{"Draft", ""}, {"Published", ""}});
    }
    void TearDown() override
    {
        first.reset();
        second.reset();
        third.reset();
        CPrompt::SetHandler({});
        plugin->Release();
    }

    void Lists(std::vector<KBCategory> categories, std::vector<KBStatus> statuses)
    {
        KBCategoriesMessage c(categories);
        KBStatusesMessage s(statuses);
        plugin->OnMessage(MSG_KB_CATEGORIES, &c, nullptr);
        plugin->OnMessage(MSG_KB_STATUSES, &s, nullptr);
    }
    void Results(std::vector<KBArticle> articles)
    {
        KBArticlesMessage m(articles);
        plugin->OnMessage(MSG_KB_SEARCH_RESULTS, &m, nullptr);
    }

    lumorytest::LumoryHost host;
    CLumoryPlugin *plugin = new CLumoryPlugin;
    std::vector<KBSearchParams> searches;
    std::unique_ptr<CKBSearchWindow> first, second, third;
};

TEST_F(SearchWindow, ChoicesFillAtOnceAndMakeTheSearchParameters)
{
    host.sent.clear();
    third = std::make_unique<CKBSearchWindow>(plugin);
    EXPECT_EQ(third->CategoryBox()->count(), 2) << "the cached lists are handed out on creation";
    EXPECT_EQ(host.sent, std::vector<QUuid>{MSG_KB_REFRESH});
    EXPECT_EQ(first->StatusBox()->itemText(1), QStringLiteral("Published"));
    EXPECT_EQ(first->CategoryBox()->currentIndex(), -1);

    host.results[MSG_KB_FIND] = 1;
    first->StatusBox()->setEditText(QStringLiteral("Pending")); // not in the list, still a filter
    first->SearchText()->setText(QStringLiteral("printer"));
    first->Search();
    first->CategoryBox()->setCurrentIndex(0);
    first->StatusBox()->setEditText(QString());
    first->SearchText()->setText(QStringLiteral("größe"));
    first->Search();
    ASSERT_EQ(searches.size(), 2u);
    EXPECT_EQ(searches[0].categoryId, 0);
    EXPECT_EQ(searches[0].status, "Pending");
    EXPECT_EQ(searches[0].keywords, "printer");
    EXPECT_TRUE(searches[0].searchText);
    EXPECT_TRUE(searches[0].articleNumber.empty());
    EXPECT_EQ(searches[1].categoryId, 4);
    EXPECT_EQ(searches[1].status, "");
    EXPECT_EQ(searches[1].keywords, "gr\xc3\xb6\xc3\x9f" "e");
}

// The text the agent leaves in the category box decides the category: a
// cleared box, or text no item begins with, searches every category.
TEST_F(SearchWindow, EditedCategoryTextDecidesTheCategory)
{
    host.results[MSG_KB_FIND] = 1;
    const struct
    {
        const char *typed;
        int category;
    } cases[] = {{"", 0}, {"zz", 0}, {"soft", 5}};
    QComboBox *box = first->CategoryBox();
    for (const auto &c : cases) {
        box->setCurrentIndex(0);
        QTest::keyClick(box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box->lineEdit(), Qt::Key_Backspace);
        QTest::keyClicks(box->lineEdit(), QString::fromLatin1(c.typed));
        first->Search();
        EXPECT_EQ(searches.back().categoryId, c.category) << c.typed;
    }
}

TEST_F(SearchWindow, ResultsGoOnlyToTheLatestSearchTheServiceTook)
{
    host.results[MSG_KB_FIND] = 1;
    first->Search();
    second->Search();
    host.results[MSG_KB_FIND] = -1;
    first->Search(); // refused: the results stay with the second window
    Results({Hit("1"), Hit("2")});
    EXPECT_TRUE(first->List()->Articles().empty());
    ASSERT_EQ(second->List()->Articles().size(), 2u);
    EXPECT_EQ(second->List()->SelectedId(), "1");

    Results({Hit("3")});
    ASSERT_EQ(second->List()->Articles().size(), 1u) << "a new answer replaces the rows";
    EXPECT_EQ(second->List()->SelectedId(), "3");
    EXPECT_EQ(second->List()->sizeHintForRow(0), 5 * second->List()->fontMetrics().height());
}

TEST_F(SearchWindow, ListCommandsAskForTheSelectedArticle)
{
    host.results[MSG_KB_FIND] = 1;
    host.results[MSG_KB_GET_ARTICLE] = 1;
    host.results[MSG_KB_DELETE_ARTICLE] = 1;
    first->Search();
    Results({Hit("7"), Hit("8")});
    second->List()->AddArticle(Hit("8"));
    CKBArticleList *list = first->List();
    list->resize(300, 400);

    std::vector<std::string> previews, opened;
    QObject::connect(plugin, &CLumoryPlugin::previewArticle, [&](const KBArticle &a) { previews.push_back(a.id); });
    plugin->SetFrameFactory([&](const KBArticle &a, CLumoryPlugin *) -> IArticleFrame * {
        opened.push_back(a.id);
        return nullptr;
    });
    CPrompt::SetHandler([](const PromptRequest &) { return QMessageBox::Yes; });

    emit list->doubleClicked(list->currentIndex());
    EXPECT_FALSE(list->ContextMenuPoint(QPoint(5, 399), false)) << "no menu below the rows";
    EXPECT_TRUE(list->ContextMenuPoint(list->visualRect(list->model()->index(1, 0)).center(), false));
    EXPECT_EQ(list->SelectedId(), "8") << "the row under the mouse is selected first";
    list->RunCommand(LumoryCommand::ListEditArticle);
    KBArticleMessage seven, eight;
    seven.value.id = "7";
    eight.value.id = "8";
    plugin->OnMessage(MSG_KB_ARTICLE, &seven, nullptr);
    plugin->OnMessage(MSG_KB_ARTICLE, &eight, nullptr);
    EXPECT_EQ(previews, std::vector<std::string>{"7"});
    EXPECT_EQ(opened, std::vector<std::string>{"8"});

    list->RunCommand(LumoryCommand::ListDeleteArticle);
    ASSERT_EQ(list->Articles().size(), 1u);
    EXPECT_EQ(list->Articles()[0].id, "7");
    EXPECT_TRUE(second->List()->Articles().empty()) << "every list drops the deleted article";

    list->clearSelection();
    EXPECT_FALSE(list->ContextMenuPoint(QPoint(), true)) << "keyboard menu needs a selected row";
}

TEST_F(SearchWindow, RefillKeepsTheTypedText)
{
    const struct
    {
        const char *typed;
        int index;
    } cases[] = {{"ha", 0}, {"SOFT", 1}, {"zz", -1}, {"", -1}};
    for (const auto &c : cases) {
        first->CategoryBox()->setEditText(QString::fromLatin1(c.typed));
        Lists({{4, 0, "Hardware"}, {5, 0, "Software"}}, {});
        EXPECT_EQ(first->CategoryBox()->currentIndex(), c.index) << c.typed;
        EXPECT_EQ(first->CategoryBox()->currentText(), QString::fromLatin1(c.typed)) << c.typed;
    }
}

} // namespace

TEST(ArticleModel, TheToolTipShowsTheTitleAsText)
{
    KBArticle a = Hit("7");
    a.title = "<h1 style=\"color:red\">ZEBRA</h1><img src=\"file:///tmp/x.png\"><a href=\"http://127.0.0.9/\">link</a>";
    CKBArticleModel model(nullptr);
    model.Append(a);
    const QString tip = model.data(model.index(0), Qt::ToolTipRole).toString();
    // As the tool tip decides between rich and plain text.
    QTextDocument shown;
    if (Qt::mightBeRichText(tip))
        shown.setHtml(tip);
    else
        shown.setPlainText(tip);
    EXPECT_EQ(shown.toPlainText().toStdString(), a.title);
}
