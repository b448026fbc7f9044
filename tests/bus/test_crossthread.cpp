#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include "bus/Payloads.h"

#include <QElapsedTimer>
#include <QTest>

#include <atomic>
#include <thread>

using namespace bustest;

namespace {

// Counts live instances so the tests can see clones being freed.
struct Counted : Payload<Counted>
{
    static inline std::atomic<int> alive{0};
    Counted(int v = 0) : value(v) { ++alive; }
    Counted(const Counted &o) : Payload<Counted>(), value(o.value) { ++alive; }
    ~Counted() override { --alive; }
    const char *GetTypeName() const override { return "Counted"; }
    int value;
};

struct CrossThread : Bus
{
    FakePlugin *sender = add("sender", 1);
    FakePlugin *receiver = add("receiver", 2);
};

TEST_F(CrossThread, PostReturns3AndIsDeliveredLaterOnTheUiThreadWithACopy)
{
    IMessage *seen = nullptr;
    int seenValue = 0;
    receiver->onMessage = [&](const QUuid &, IMessage *in, IMessage *) {
        seen = in;
        seenValue = static_cast<Counted *>(in)->value;
        return 1;
    };
    Counted original(7);
    int result = -99;
    std::thread([&] { result = sender->host_->SendMessage(kTestMsg, &original, nullptr); }).join();
    EXPECT_EQ(result, RESULT_POSTED);
    EXPECT_TRUE(receiver->heard.empty()); // nothing ran before the UI thread pumped
    original.value = 8;                   // the caller may change or drop its payload now

    ASSERT_TRUE(waitUntil([&] { return !receiver->heard.empty(); }));
    EXPECT_EQ(receiver->heardOnThread[0], QThread::currentThread());
    EXPECT_NE(seen, &original);
    EXPECT_EQ(seenValue, 7);
    EXPECT_EQ(Counted::alive, 1); // the clone was freed after delivery
}

TEST_F(CrossThread, SendWithOutWaitsForTheHandlersResult)
{
    receiver->onMessage = [](const QUuid &, IMessage *in, IMessage *out) {
        static_cast<QVMessage<QVariant> *>(out)->value = static_cast<QVMessage<int> *>(in)->value * 2;
        return 1;
    };
    std::atomic<int> result{-99};
    QVMessage<int> in(21);
    QVMessage<QVariant> out;
    std::thread worker([&] { result = sender->host_->SendMessage(kTestMsg, &in, &out); });
    ASSERT_TRUE(waitUntil([&] { return result != -99; }));
    worker.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(out.value.toInt(), 42);
    EXPECT_EQ(receiver->heardOnThread[0], QThread::currentThread());
}

TEST_F(CrossThread, ManyThreadsPostingAtOnceLoseNothing)
{
    constexpr int kThreads = 8, kEach = 2000;
    std::vector<int> perThread(kThreads, 0);
    receiver->onMessage = [&](const QUuid &, IMessage *in, IMessage *) {
        ++perThread[static_cast<QVMessage<int> *>(in)->value];
        return 1;
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            QVMessage<int> m(t);
            for (int i = 0; i < kEach; ++i)
                sender->host_->SendMessage(kTestMsg, &m, nullptr);
        });
    for (auto &t : threads)
        t.join();
    ASSERT_TRUE(waitUntil([&] { return int(receiver->heard.size()) == kThreads * kEach; }));
    EXPECT_EQ(perThread, std::vector<int>(kThreads, kEach));
}

// The worker posts, then makes a synchronous send that the user-interface
// thread never serves, and the plug-in's Uninitialize joins it: the bus must
// release the worker instead of hanging, and free the undelivered posts after
// every Uninitialize, before any Release.
TEST_F(CrossThread, ShutdownReleasesABlockedWorkerAndFreesUndeliveredPosts)
{
    std::atomic<bool> posted{false};
    std::atomic<int> result{-99};
    QVMessage<int> in(1);
    QVMessage<QVariant> out(QStringLiteral("untouched"));
    std::thread worker([&] {
        Counted c(1);
        for (int i = 0; i < 10; ++i)
            sender->host_->SendMessage(kTestMsg, &c, nullptr);
        posted = true;
        result = sender->host_->SendMessage(kTestMsg, &in, &out);
        // A send after shut-down began returns 0 at once.
        QVMessage<QVariant> late(QStringLiteral("late"));
        if (sender->host_->SendMessage(kTestMsg, &in, &late) != 0 || late.value.toString() != QLatin1String("late"))
            result = -1000;
    });
    while (!posted)
        std::this_thread::yield();
    QThread::msleep(20); // let the worker block; no event is pumped here

    int aliveAtUninit = -1;
    int aliveAtRelease = -1;
    sender->onUninitialize = [&] { worker.join(); };
    receiver->onUninitialize = [&] { aliveAtUninit = Counted::alive; };
    sender->onRelease = [&] { aliveAtRelease = Counted::alive; };
    QElapsedTimer t;
    t.start();
    manager.reset();
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out.value.toString(), QStringLiteral("untouched"));
    EXPECT_TRUE(order.isEmpty()); // nothing ran
    EXPECT_EQ(aliveAtUninit, 10);
    EXPECT_EQ(aliveAtRelease, 0);
    EXPECT_EQ(Counted::alive, 0);
}

// An Uninitialize that pumps events (a box, a wait) must not let queued
// posts or timers reach the plug-ins that are being shut down.
TEST_F(CrossThread, NoPostOrTimerIsDeliveredOnceShutdownBegan)
{
    receiver->host_->SetTimer(10);
    std::thread([&] {
        Counted c(1);
        for (int i = 0; i < 5; ++i)
            sender->host_->SendMessage(kTestMsg, &c, nullptr);
    }).join();
    sender->onUninitialize = [] { QTest::qWait(50); };
    size_t heard = 99, timers = 99;
    receiver->onUninitialize = [&] { heard = receiver->heard.size(), timers = receiver->timers.size(); };
    manager.reset();
    EXPECT_EQ(heard, 0u);
    EXPECT_EQ(timers, 0u);
}

// A handler that runs an event loop (a box, a wait) still receives the sends
// queued behind its own, in order.
TEST_F(CrossThread, AHandlersEventLoopGoesOnDeliveringInOrder)
{
    std::vector<int> seen;
    receiver->onMessage = [&](const QUuid &, IMessage *in, IMessage *) {
        seen.push_back(static_cast<Counted *>(in)->value);
        if (seen.size() == 1) {
            EXPECT_TRUE(waitUntil([&] { return seen.size() == 3; }));
        }
        return 1;
    };
    std::thread([&] {
        for (int i = 1; i <= 3; ++i) {
            Counted c(i);
            sender->host_->SendMessage(kTestMsg, &c, nullptr);
        }
    }).join();
    ASSERT_TRUE(waitUntil([&] { return seen.size() == 3; }));
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3}));
}

} // namespace
