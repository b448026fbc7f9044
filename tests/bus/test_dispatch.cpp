#include "FakePlugin.h"

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"

#include <gtest/gtest.h>

using namespace bustest;

namespace {

struct Dispatch : ::testing::Test
{
    Journal journal; // outlives the manager, which releases into it
    CManager manager{QStringLiteral("/nonexistent")};

    FakePlugin *add(const QString &name, int key, int result = 0)
    {
        auto *p = new FakePlugin(name, &journal);
        p->result = result;
        EXPECT_TRUE(manager.AddPlugin(p, key));
        return p;
    }
    QStringList order() const
    {
        QStringList names;
        for (const QString &e : journal.events)
            if (e.endsWith(QLatin1String(":msg")))
                names << e.section(QLatin1Char(':'), 0, 0);
        return names;
    }
};

TEST_F(Dispatch, WalksInSignedKeyOrderEqualKeysByRegistration)
{
    add("upgrade", 0x10001);
    add("storage", 0x10000);
    add("kb", 15000);
    add("chatA", 10000);
    add("ui", -1);
    add("chatB", 10000);
    EXPECT_EQ(manager.SendMessage(nullptr, kTestMsg, nullptr, nullptr), 0);
    EXPECT_EQ(order(), QStringList({"ui", "chatA", "chatB", "kb", "storage", "upgrade"}));
}

TEST_F(Dispatch, ResultRules)
{
    struct Case
    {
        const char *name;
        std::vector<int> results;
        int expected;
        int heardBy;
    };
    const Case cases[] = {
        {"nobody handles", {0, 0, 0}, 0, 3},
        {"one passes on", {0, 2, 0}, 2, 3},
        {"first stops with 1", {1, 2, 0}, 1, 1},
        {"refusal stops the walk", {2, -1, 0}, -1, 2},
        {"an odd value stops too", {0, 0, 7}, 7, 3},
    };
    for (const Case &c : cases) {
        CManager m(QStringLiteral("/nonexistent"));
        int heard = 0;
        for (size_t i = 0; i < c.results.size(); ++i) {
            auto *p = new FakePlugin(QString::number(i));
            const int r = c.results[i];
            p->onMessage = [&heard, r](const QUuid &, IMessage *, IMessage *) {
                ++heard;
                return r;
            };
            m.AddPlugin(p, int(i));
        }
        EXPECT_EQ(m.SendMessage(nullptr, kTestMsg, nullptr, nullptr), c.expected) << c.name;
        EXPECT_EQ(heard, c.heardBy) << c.name;
    }
}

TEST_F(Dispatch, SenderNeverHearsItselfHostReachesAll)
{
    auto *a = add("a", 1);
    auto *b = add("b", 2);
    a->host_->SendMessage(kTestMsg, nullptr, nullptr);
    EXPECT_TRUE(a->heard.empty());
    EXPECT_EQ(b->heard.size(), 1u);

    manager.SendMessage(nullptr, kTestMsg, nullptr, nullptr);
    EXPECT_EQ(a->heard.size(), 1u);
    EXPECT_EQ(b->heard.size(), 2u);
}

TEST_F(Dispatch, NestedSendRunsToCompletionSkippingOnlyTheNestedSender)
{
    const QUuid inner = QUuid::createUuid();
    auto *a = add("a", 1);
    auto *b = add("b", 2);
    auto *c = add("c", 3);
    b->onMessage = [&](const QUuid &id, IMessage *, IMessage *) {
        if (id == kTestMsg)
            b->host_->SendMessage(inner, nullptr, nullptr);
        return 0;
    };
    a->host_->SendMessage(kTestMsg, nullptr, nullptr);
    // a sent the outer message, b the inner one: a hears the inner only.
    ASSERT_EQ(a->heard.size(), 1u);
    EXPECT_EQ(a->heard[0], inner);
    ASSERT_EQ(c->heard.size(), 2u);
    EXPECT_EQ(c->heard[0], inner); // the nested walk finished first
    EXPECT_EQ(c->heard[1], kTestMsg);
}

TEST_F(Dispatch, SettingsHelpersUsePresetOutAndReachEveryone)
{
    auto *storage = add("storage", 0x10000);
    storage->onMessage = [](const QUuid &id, IMessage *in, IMessage *out) {
        if (id == MSG_GET_SETTING) {
            auto *v = static_cast<MsgValue *>(in);
            if (v->name == QLatin1String("known")) {
                static_cast<QVMessage<QVariant> *>(out)->value = 42;
                return 1;
            }
        }
        return 0;
    };
    EXPECT_EQ(manager.GetSetting("known", 1).toInt(), 42);
    EXPECT_EQ(manager.GetSetting("unknown", QStringLiteral("dflt")).toString(), QStringLiteral("dflt"));
    manager.SetSetting("k", 5);
    EXPECT_EQ(storage->heard.back(), MSG_SET_SETTING);
}

TEST_F(Dispatch, FailedInitializeReleasesOnceAndLeavesTheList)
{
    int released = 0;
    auto *p = new FakePlugin("bad", &journal);
    p->initResult = false;
    p->releasedFlag = &released;
    EXPECT_FALSE(manager.AddPlugin(p, 5));
    EXPECT_EQ(released, 1);
    EXPECT_TRUE(manager.Plugins().empty());
}

class PreDispatch : public IPreDispatchHandler
{
public:
    int result = 0;
    int Handle(CHost *, const QUuid &, IMessage *, IMessage *) override { return result; }
};

TEST_F(Dispatch, PreDispatchResultOtherThan0Or2IsAnsweredByTheBus)
{
    auto *a = add("a", 1, 0);
    auto handler = std::make_unique<PreDispatch>();
    auto *h = handler.get();
    manager.SetPreDispatchHandler(std::move(handler));
    h->result = -2;
    EXPECT_EQ(manager.SendMessage(nullptr, kTestMsg, nullptr, nullptr), -2);
    EXPECT_TRUE(a->heard.empty());
    h->result = 2; // not remembered: the dispatch's own result wins
    EXPECT_EQ(manager.SendMessage(nullptr, kTestMsg, nullptr, nullptr), 0);
    EXPECT_EQ(a->heard.size(), 1u);
}

} // namespace
