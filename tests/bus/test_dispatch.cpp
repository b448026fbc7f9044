#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include <QTest>

using namespace bustest;

namespace {

using Dispatch = Bus;
using Timers = Bus;

TEST_F(Dispatch, WalksInSignedKeyOrderEqualKeysByRegistration)
{
    const std::pair<const char *, int> plugins[] = {{"upgrade", 0x10001}, {"storage", 0x10000}, {"kb", 15000},
                                                    {"chatA", 10000},     {"ui", -1},              {"chatB", 10000}};
    for (const auto &[name, key] : plugins)
        add(name, key);
    EXPECT_EQ(manager->SendMessage(nullptr, kTestMsg, nullptr, nullptr), 0);
    EXPECT_EQ(order, QStringList({"ui", "chatA", "chatB", "kb", "storage", "upgrade"}));
}

TEST_F(Dispatch, ResultRules)
{
    const struct { const char *name; std::vector<int> results; int expected; qsizetype heardBy; } cases[] = {
        {"nobody handles", {0, 0, 0}, 0, 3},
        {"one passes on", {0, 2, 0}, 2, 3},
        {"first stops with 1", {1, 2, 0}, 1, 1},
        {"refusal stops the walk", {2, -1, 0}, -1, 2},
        {"an odd value stops too", {0, 0, 7}, 7, 3},
    };
    for (const auto &c : cases) {
        manager = std::make_unique<CManager>(QStringLiteral("/nonexistent"));
        order.clear();
        for (size_t i = 0; i < c.results.size(); ++i)
            add(QString::number(i), int(i))->result = c.results[i];
        EXPECT_EQ(manager->SendMessage(nullptr, kTestMsg, nullptr, nullptr), c.expected) << c.name;
        EXPECT_EQ(order.size(), c.heardBy) << c.name;
    }
}

TEST_F(Dispatch, SenderNeverHearsItselfHostReachesAll)
{
    auto *a = add("a", 1);
    auto *b = add("b", 2);
    a->host_->SendMessage(kTestMsg, nullptr, nullptr);
    EXPECT_EQ(order, QStringList({"b"}));
    manager->SendMessage(nullptr, kTestMsg, nullptr, nullptr);
    EXPECT_EQ(order, QStringList({"b", "a", "b"}));
    EXPECT_EQ(a->heard.size() + b->heard.size(), 3u);
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
    // a sent the outer message, b the inner one; the inner walk ends first.
    EXPECT_EQ(order, QStringList({"b", "a", "c", "c"}));
    EXPECT_EQ(a->heard, std::vector<QUuid>({inner}));
    EXPECT_EQ(c->heard, std::vector<QUuid>({inner, kTestMsg}));
}

TEST_F(Timers, IdsStartAt1AreReusedAndForeignKillsAreIgnored)
{
    auto *a = add("a", 1);
    auto *b = add("b", 2);
    EXPECT_EQ(a->host_->SetTimer(1000), 1u);
    EXPECT_EQ(b->host_->SetTimer(1000), 2u);
    a->host_->KillTimer(1);
    EXPECT_EQ(b->host_->SetTimer(1000), 1u); // slot 1 is free again
    // a may not kill b's timers; bogus ids are ignored.
    for (unsigned id : {1u, 2u, 0u, 99u})
        a->host_->KillTimer(id);
    EXPECT_EQ(a->host_->SetTimer(1000), 3u);
}

TEST_F(Timers, AZeroIntervalIsRaisedToTheMinimum)
{
    auto *a = add("a", 1);
    a->host_->SetTimer(0);
    QTest::qWait(50);
    EXPECT_GE(a->timers.size(), 1u);
    EXPECT_LE(a->timers.size(), 6u); // at 10 ms; unbounded it fires thousands of times
}

TEST_F(Timers, FireRepeatedlyIntoTheirOwnPlugin)
{
    auto *a = add("a", 1);
    auto *b = add("b", 2);
    const unsigned id = b->host_->SetTimer(5);
    ASSERT_TRUE(waitUntil([&] { return b->timers.size() >= 3; }));
    EXPECT_TRUE(a->timers.empty());
    EXPECT_EQ(b->timers, std::vector<unsigned>(b->timers.size(), id));
    b->host_->KillTimer(id);
    const size_t fired = b->timers.size();
    QTest::qWait(30);
    EXPECT_EQ(b->timers.size(), fired);
}

TEST_F(Timers, AFailedPluginsTimersDieWithIt)
{
    auto *good = add("good", 1);
    struct Starter : FakePlugin
    {
        using FakePlugin::FakePlugin;
        bool Initialize(IHost *host) override
        {
            host->SetTimer(1);
            return false;
        }
    };
    EXPECT_FALSE(manager->AddPlugin(new Starter("bad"), 2));
    EXPECT_TRUE(manager->Plugins().size() == 1);
    // The slot is free again and nothing fires into the released plug-in.
    EXPECT_EQ(good->host_->SetTimer(1000), 1u);
    QTest::qWait(20);
}

} // namespace
