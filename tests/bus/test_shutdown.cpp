#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include "bus/Manager.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace bustest;

// A plug-in whose worker makes a synchronous send that the user-interface
// thread never serves, and whose Uninitialize joins that worker: the bus
// must release the worker instead of hanging.
TEST(Shutdown, UninitializeCanJoinAWorkerBlockedInASynchronousSend)
{
    auto manager = std::make_unique<CManager>(QStringLiteral("/nonexistent"));
    auto *plugin = new FakePlugin("xmpp");
    auto *other = new FakePlugin("other");
    manager->AddPlugin(plugin, 1);
    manager->AddPlugin(other, 2);

    std::atomic<bool> started{false};
    std::atomic<int> result{-99};
    QVMessage<int> in(1);
    QVMessage<QVariant> out(QStringLiteral("untouched"));
    std::thread worker;
    worker = std::thread([&] {
        started = true;
        result = plugin->host_->SendMessage(kTestMsg, &in, &out);
        // A send after shut-down began returns 0 at once.
        QVMessage<QVariant> late(QStringLiteral("late"));
        const int r2 = plugin->host_->SendMessage(kTestMsg, &in, &late);
        if (r2 != 0 || late.value.toString() != QLatin1String("late"))
            result = -1000;
    });
    while (!started)
        std::this_thread::yield();
    QThread::msleep(20); // let the worker block; no event is pumped here

    plugin->onUninitialize = [&] { worker.join(); };
    QElapsedTimer t;
    t.start();
    manager.reset();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out.value.toString(), QStringLiteral("untouched"));
    EXPECT_TRUE(other->heard.empty() || other->heard.size() == 0);
}
