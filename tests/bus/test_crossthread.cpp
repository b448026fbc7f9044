#include "FakePlugin.h"
#include "tests/TestUtil.h"

#include "bus/Manager.h"
#include "bus/Payloads.h"

#include <gtest/gtest.h>

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

TEST(CrossThread, PostReturns3AndIsDeliveredLaterOnTheUiThreadWithACopy)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *sender = new FakePlugin("sender");
    auto *receiver = new FakePlugin("receiver");
    manager.AddPlugin(sender, 1);
    manager.AddPlugin(receiver, 2);
    IMessage *seen = nullptr;
    int seenValue = 0;
    receiver->onMessage = [&](const QUuid &, IMessage *in, IMessage *) {
        seen = in;
        seenValue = static_cast<Counted *>(in)->value;
        return 1;
    };

    Counted original(7);
    int result = -99;
    std::thread worker([&] { result = sender->host_->SendMessage(kTestMsg, &original, nullptr); });
    worker.join();
    EXPECT_EQ(result, RESULT_POSTED);
    EXPECT_TRUE(receiver->heard.empty()); // nothing ran before the UI thread pumped
    original.value = 8;                   // the caller may change or drop its payload now

    ASSERT_TRUE(waitUntil([&] { return !receiver->heard.empty(); }));
    EXPECT_EQ(receiver->heardOnThread[0], QThread::currentThread());
    EXPECT_NE(seen, &original);
    EXPECT_EQ(seenValue, 7);
    EXPECT_TRUE(sender->heard.empty());
    EXPECT_EQ(Counted::alive, 1); // the clone was freed after delivery
}

TEST(CrossThread, SendWithOutWaitsForTheHandlersResult)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *sender = new FakePlugin("sender");
    auto *receiver = new FakePlugin("receiver");
    manager.AddPlugin(sender, 1);
    manager.AddPlugin(receiver, 2);
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

TEST(CrossThread, ManyThreadsPostingAtOnceLoseNothing)
{
    CManager manager(QStringLiteral("/nonexistent"));
    auto *sender = new FakePlugin("sender");
    auto *receiver = new FakePlugin("receiver");
    manager.AddPlugin(sender, 1);
    manager.AddPlugin(receiver, 2);
    std::vector<int> perThread(8, 0);
    receiver->onMessage = [&](const QUuid &, IMessage *in, IMessage *) {
        ++perThread[static_cast<QVMessage<int> *>(in)->value];
        return 1;
    };
    constexpr int kEach = 2000;
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            QVMessage<int> m(t);
            for (int i = 0; i < kEach; ++i)
                sender->host_->SendMessage(kTestMsg, &m, nullptr);
        });
    for (auto &t : threads)
        t.join();
    ASSERT_TRUE(waitUntil([&] { return int(receiver->heard.size()) == 8 * kEach; }));
    for (int t = 0; t < 8; ++t)
        EXPECT_EQ(perThread[t], kEach) << "thread " << t;
}

TEST(CrossThread, UndeliveredPostsAreFreedAfterUninitializeBeforeRelease)
{
    auto manager = std::make_unique<CManager>(QStringLiteral("/nonexistent"));
    auto *sender = new FakePlugin("sender");
    auto *observer = new FakePlugin("observer");
    manager->AddPlugin(sender, 1);
    manager->AddPlugin(observer, 2);
    int aliveAtUninit = -1;
    int aliveAtRelease = -1;
    observer->onUninitialize = [&] { aliveAtUninit = Counted::alive; };
    sender->onRelease = [&] { aliveAtRelease = Counted::alive; };

    std::thread worker([&] {
        Counted c(1);
        for (int i = 0; i < 10; ++i)
            sender->host_->SendMessage(kTestMsg, &c, nullptr);
    });
    worker.join();
    EXPECT_EQ(Counted::alive, 10);
    manager.reset();
    EXPECT_EQ(aliveAtUninit, 10);
    EXPECT_EQ(aliveAtRelease, 0);
    EXPECT_EQ(Counted::alive, 0);
}

} // namespace
