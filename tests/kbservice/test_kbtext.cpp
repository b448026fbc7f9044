// The knowledge-base payloads and the text rules of the operations.

#include "bus/KBPayloads.h"
#include "plugins/kbservice/KBText.h"

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;

TEST(KBPayloads, ListCloneIsDeepAndWrongTypeIsRefused)
{
    KBArticlesMessage sent(std::vector<KBArticle>(2));
    sent.value[0].title = "before";
    std::unique_ptr<IMessage> clone(sent.Clone());
    sent.value[0].title = "after";
    sent.value.clear();
    auto *copy = KBPayloadAs<KBArticlesMessage>(clone.get());
    ASSERT_TRUE(copy);
    ASSERT_EQ(copy->value.size(), 2u);
    EXPECT_EQ(copy->value[0].title, "before");

    KBStatusMessage status;
    EXPECT_FALSE(KBPayloadAs<KBCategoryMessage>(&status));
    EXPECT_FALSE(KBPayloadAs<KBArticleMessage>(clone.get()));
    EXPECT_FALSE(KBPayloadAs<KBSearchMessage>(nullptr));
    QVMessage<std::string> id("42");
    EXPECT_FALSE(KBPayloadAs<KBArticleMessage>(&id));
}

TEST(KBText, FindPairs)
{
    struct Case
    {
        const char *name;
        KBSearchParams params;
        std::vector<std::string> attributes;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        {"all five", {7, "A-1", "Draft", "lamp", true},
         {"ARTICLE NUMBER", "KEYWORDS", "STATUS", "CATEGORY", "TEXT"}, {"A-1", "lamp", "Draft", "7", "1"}},
        {"keywords and text", {0, "", "", "lamp", true}, {"KEYWORDS", "TEXT"}, {"lamp", "1"}},
        {"nothing set", {-3, "", "", "", false}, {}, {}},
    };
    for (const Case &c : cases) {
        const KBText::FindPairs pairs = KBText::FindPairsOf(c.params);
        EXPECT_EQ(pairs.attributes, c.attributes) << c.name;
        EXPECT_EQ(pairs.values, c.values) << c.name;
    }
}

TEST(KBText, CleanSearchExcerpt)
{
    const std::pair<std::string, std::string> cases[] = {
        {"a&amp;b", "a b"},
        {"&lt;b&gt;", "<b>"},
        {"&amp;lt;", " lt;"}, // each pattern once, in order
        {"x&nbsp;y\r\nz\rw\n", "x y z\rw\n"},
        {"&quot;kept&quot;", "&quot;kept&quot;"},
        {std::string("cut\0off", 7), "cut"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(KBText::CleanSearchExcerpt(in), out) << in;
}
