#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include <QTest>

#include "bus/Manager.h"

#include <gtest/gtest.h>

using namespace bustest;

TEST(Timers, IdsStartAt1AreReusedAndForeignKillsAreIgnored)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *a = new FakePlugin("a");
    auto *b = new FakePlugin("b");
    manager.AddPlugin(a, 1);
    manager.AddPlugin(b, 2);

    EXPECT_EQ(a->host_->SetTimer(1000), 1u);
    EXPECT_EQ(b->host_->SetTimer(1000), 2u);
    a->host_->KillTimer(1);
    EXPECT_EQ(b->host_->SetTimer(1000), 1u); // slot 1 is free again

    // a may not kill b's timers; bogus ids are ignored.
    a->host_->KillTimer(1);
    a->host_->KillTimer(2);
    a->host_->KillTimer(0);
    a->host_->KillTimer(99);
    EXPECT_EQ(a->host_->SetTimer(1000), 3u);
}

TEST(Timers, FireRepeatedlyIntoTheirOwnPlugin)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *a = new FakePlugin("a");
    auto *b = new FakePlugin("b");
    manager.AddPlugin(a, 1);
    manager.AddPlugin(b, 2);
    const unsigned id = b->host_->SetTimer(5);
    ASSERT_TRUE(waitUntil([&] { return b->timers.size() >= 3; }));
    EXPECT_TRUE(a->timers.empty());
    for (unsigned t : b->timers)
        EXPECT_EQ(t, id);
    b->host_->KillTimer(id);
    const size_t fired = b->timers.size();
    QTest::qWait(30);
    EXPECT_EQ(b->timers.size(), fired);
}

TEST(Timers, AFailedPluginsTimersDieWithIt)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *good = new FakePlugin("good");
    manager.AddPlugin(good, 1);
    // Starts a timer during Initialize, then fails.
    struct Starter : FakePlugin
    {
        using FakePlugin::FakePlugin;
        bool Initialize(IHost *host) override
        {
            host->SetTimer(1);
            return false;
        }
    };
    EXPECT_FALSE(manager.AddPlugin(new Starter("bad"), 2));
    // The slot is free again and nothing fires into the released plug-in.
    EXPECT_EQ(good->host_->SetTimer(1000), 1u);
    QTest::qWait(20);
}
