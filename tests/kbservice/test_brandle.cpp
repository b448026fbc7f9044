// The knowledge-base service plug-in against the service mock, with a host
// that records what the worker sends.

#include "bus/KBPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "plugins/kbservice/Brandle.h"
#include "tests/harness/KBServiceMock.h"

#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace QVPlugin;
using harness::KBServiceMock;
using namespace std::chrono_literals;

namespace {

// Records the id of every send, from any thread, and lets a test wait for one.
class RecordingHost : public IHost
{
public:
    int SendMessage(const QUuid &id, IMessage *in, IMessage *) override
    {
        std::lock_guard lock(m_lock);
        sent.push_back(id);
        if (auto *results = KBPayloadAs<KBArticlesMessage>(in))
            resultCounts.push_back(results->value.size());
        if (auto *text = KBPayloadAs<QVMessage<std::string>>(in))
            texts.push_back(text->value);
        m_changed.notify_all();
        return 0;
    }
    void Reserved1(int) override {}
    bool Reserved2(int) override { return true; }
    unsigned SetTimer(unsigned) override { return 0; }
    void KillTimer(unsigned) override {}

    // True when id has been sent count times before the limit.
    bool WaitFor(const QUuid &id, size_t count = 1)
    {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, 10s, [&] { return size_t(std::count(sent.begin(), sent.end(), id)) >= count; });
    }
    std::vector<QUuid> Sent()
    {
        std::lock_guard lock(m_lock);
        return sent;
    }

    std::vector<QUuid> sent;
    std::vector<size_t> resultCounts;
    std::vector<std::string> texts;

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
};

class BrandleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(service.Start());
        service.AddCannedData();
        plugin = new CBrandle;
    }
    void TearDown() override
    {
        plugin->Uninitialize();
        plugin->Release();
    }

    void Start(std::chrono::milliseconds refresh = CBrandle::kRefreshInterval)
    {
        plugin->SetRefreshInterval(refresh);
        ASSERT_TRUE(plugin->Initialize(&host));
    }
    void Set(const char *key, const std::string &value)
    {
        plugin->OnSettingChanged(QString::fromLatin1(key), QString::fromStdString(value));
    }
    void SignIn(const std::string &url)
    {
        Set("agent.account.id", "acc-1");
        Set("agent.account.key", "k");
        Set("kb.webservice.url", url);
    }
    int Find(const std::string &keywords)
    {
        KBSearchParams params;
        params.keywords = keywords;
        KBSearchMessage msg(params);
        return plugin->OnMessage(MSG_KB_FIND, &msg, nullptr);
    }
    std::vector<std::string> Operations() const
    {
        std::vector<std::string> ops;
        for (const auto &r : service.Requests())
            ops.push_back(r.operation);
        return ops;
    }

    KBServiceMock service;
    RecordingHost host;
    CBrandle *plugin = nullptr;
};

// The latest request of one operation; an empty request when there is none.
KBServiceMock::Request LastRequest(const KBServiceMock &service, const std::string &operation)
{
    const auto requests = service.Requests();
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
        if (it->operation == operation)
            return *it;
    ADD_FAILURE() << "no " << operation << " request";
    return {};
}

TEST_F(BrandleTest, RequestsWaitForTheAccountAndTheAddress)
{
    Start();
    Set("agent.account.key", "k");
    Set("kb.webservice.url", service.Url());
    EXPECT_EQ(Find("x"), 0);
    EXPECT_EQ(plugin->OnMessage(MSG_KB_REFRESH, nullptr, nullptr), 0);
    QVMessage<int> category(1);
    EXPECT_EQ(plugin->OnMessage(MSG_KB_DELETE_CATEGORY, &category, nullptr), 0);
    EXPECT_TRUE(service.Requests().empty());
}

TEST_F(BrandleTest, ASearchReloadsTheListsFirstAndSearchesAreAnsweredInOrder)
{
    Start();
    SignIn(service.Url());
    EXPECT_EQ(Find("first"), 1);
    EXPECT_EQ(Find("second"), 1);
    ASSERT_TRUE(host.WaitFor(MSG_KB_SEARCH_RESULTS, 2));

    const auto ops = Operations();
    ASSERT_GE(ops.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(ops.begin(), ops.begin() + 3),
              (std::vector<std::string>{"GetStatusList", "GetCategories", "Find"}));
    std::vector<std::string> searched;
    for (const auto &r : service.Requests())
        if (r.operation == "Find")
            searched.push_back(r.Field("values"));
    EXPECT_EQ(searched, (std::vector<std::string>{"first", "second"}));

    const auto sent = host.Sent();
    const auto at = [&](const QUuid &id) { return std::find(sent.begin(), sent.end(), id) - sent.begin(); };
    EXPECT_LT(at(MSG_KB_STATUSES), at(MSG_KB_CATEGORIES));
    EXPECT_LT(at(MSG_KB_CATEGORIES), at(MSG_KB_SEARCH_RESULTS));
}

TEST_F(BrandleTest, TheListsAreReloadedWhenIdleAndOnRequest)
{
    Start(50ms);
    SignIn(service.Url());
    EXPECT_TRUE(host.WaitFor(MSG_KB_CATEGORIES, 3));
    EXPECT_EQ(plugin->OnMessage(MSG_KB_REFRESH, nullptr, nullptr), 1);
}

TEST_F(BrandleTest, WritesAnswerWithTheServiceResult)
{
    Start();
    SignIn(service.Url());
    for (int id : {42, -7, 0}) {
        QVMessage<int> msg(id);
        EXPECT_EQ(plugin->OnMessage(MSG_KB_DELETE_CATEGORY, &msg, nullptr), 1) << id;
        // The worker's list refresh may come between: look for the delete.
        const auto last = LastRequest(service, "Delete");
        EXPECT_EQ(last.Field("entity"), "CATEGORY");
        EXPECT_EQ(last.Field("id"), std::to_string(id));
    }

    KBArticleMessage article;
    article.value.title = "T";
    EXPECT_EQ(plugin->OnMessage(MSG_KB_ADD_ARTICLE, &article, nullptr), -1);
    QVMessage<std::string> newId;
    EXPECT_EQ(plugin->OnMessage(MSG_KB_ADD_ARTICLE, &article, &newId), 1);
    EXPECT_FALSE(newId.value.empty());

    service.SetFailure(KBServiceMock::Failure::SoapFault);
    KBCategoryMessage category;
    category.value.title = "C";
    EXPECT_EQ(plugin->OnMessage(MSG_KB_ADD_CATEGORY, &category, nullptr), -1);
}

TEST_F(BrandleTest, ANewAddressTakesTheNextCall)
{
    KBServiceMock other;
    ASSERT_TRUE(other.Start());
    Start();
    SignIn(service.Url());
    Set("kb.webservice.url", other.Url());
    QVMessage<std::string> id("1");
    plugin->OnMessage(MSG_KB_DELETE_ARTICLE, &id, nullptr);
    EXPECT_EQ(LastRequest(other, "Delete").Field("id"), "1");
}

TEST_F(BrandleTest, UnloadCutsACallThatNeverReturns)
{
    service.SetFailure(KBServiceMock::Failure::Hang);
    Start();
    SignIn(service.Url());
    EXPECT_EQ(Find("x"), 1);
    // The refresh reaches the service and hangs there.
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (service.Requests().empty() && std::chrono::steady_clock::now() < limit)
        std::this_thread::yield();
    ASSERT_FALSE(service.Requests().empty());
    const auto start = std::chrono::steady_clock::now();
    plugin->Uninitialize();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 200ms + 5s);
}

TEST_F(BrandleTest, UnloadEndsACallStillConnecting)
{
    harness::UnansweredPort port;
    ASSERT_TRUE(port.Start());
    Start();
    SignIn(port.Url());
    EXPECT_EQ(Find("x"), 1); // wakes the worker, whose refresh connects
    std::this_thread::sleep_for(300ms);
    const auto start = std::chrono::steady_clock::now();
    plugin->Uninitialize();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

// A write to a server that answers too slowly for the call's limit.
class BrandleWaitTest : public BrandleTest
{
protected:
    void SetUp() override
    {
        BrandleTest::SetUp();
        ASSERT_TRUE(trickle.Start());
        trickle.SetResponse("HTTP/1.1 200 OK\r\nX-Filler: " + std::string(2000, 'x') + "\r\n\r\n");
        trickle.SetDrip(20ms);
        Start();
        SignIn(trickle.Url());
        plugin->Client().SetCallLimit(1500ms);
    }
    int Write()
    {
        QVMessage<std::string> id("1");
        writing = true;
        const int result = plugin->OnMessage(MSG_KB_DELETE_ARTICLE, &id, nullptr);
        writing = false;
        return result;
    }

    harness::RawHttpResponder trickle;
    bool writing = false;
};

TEST_F(BrandleWaitTest, AWriteToATricklingServiceEndsByItsDeadlineWhileTheWindowsRun)
{
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(50);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Write(), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_GT(ticks, 0); // the user-interface thread ran its events while it waited
}

// What opens while a write waits closes as it would at any other time: a
// box with one click, a dialog with the agent's input, an alert by its own
// timer.
TEST_F(BrandleWaitTest, WindowsOpenedDuringAWriteClose)
{
    const struct
    {
        const char *name;
        std::function<bool()> during; // true when the window closed as asked
    } cases[] = {
        {"box closed with one click",
         [] {
             QMessageBox box(QMessageBox::Information, QStringLiteral("Visitor"), QStringLiteral("history"),
                             QMessageBox::Ok);
             QTimer::singleShot(100, &box, [&box] { box.button(QMessageBox::Ok)->click(); });
             bool forced = false;
             QTimer::singleShot(4000, &box, [&] { forced = true; box.setVisible(false); });
             box.exec();
             return !forced;
         }},
        {"dialog takes input and its OK",
         [] {
             QDialog dialog;
             auto *name = new QLineEdit(&dialog);
             QTimer::singleShot(100, &dialog, [&] {
                 QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
                 QCoreApplication::sendEvent(name, &key);
                 dialog.accept();
             });
             QTimer::singleShot(4000, &dialog, [&] { dialog.setVisible(false); });
             return dialog.exec() == QDialog::Accepted && name->text() == QLatin1String("a");
         }},
        {"alert closes itself",
         [] {
             QWidget alert;
             alert.show();
             QTimer::singleShot(100, &alert, &QWidget::close);
             QElapsedTimer since;
             since.start();
             while (alert.isVisible() && since.elapsed() < 4000)
                 QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
             return !alert.isVisible();
         }},
    };
    for (const auto &c : cases) {
        bool closed = false;
        bool inWrite = false;
        QTimer::singleShot(100, [&] {
            closed = c.during();
            inWrite = writing;
        });
        EXPECT_EQ(Write(), -1) << c.name;
        EXPECT_TRUE(closed) << c.name;
        EXPECT_TRUE(inWrite) << c.name << ": the write ended first";
    }
}

// Quitting while a write waits ends the program, a window open meanwhile
// included.
TEST_F(BrandleWaitTest, QuitDuringAWriteEndsTheProgram)
{
    QWidget window;
    window.show();
    QTimer::singleShot(0, [&] { Write(); });
    QTimer::singleShot(200, [] { QCoreApplication::quit(); });
    QTimer::singleShot(6000, [] { QCoreApplication::exit(2); }); // the quit was refused
    EXPECT_EQ(QCoreApplication::exec(), 0);
}

TEST_F(BrandleTest, AFailedArticleReadIsAnsweredWithItsId)
{
    service.SetFailure(KBServiceMock::Failure::SoapFault);
    Start();
    SignIn(service.Url());
    QVMessage<std::string> id("A-7");
    EXPECT_EQ(plugin->OnMessage(MSG_KB_GET_ARTICLE, &id, nullptr), 1);
    ASSERT_TRUE(host.WaitFor(MSG_KB_ARTICLE_NOT_READ));
    EXPECT_EQ(host.texts, std::vector<std::string>{"A-7"});
}

TEST(BrandleModule, TheLibraryRegistersTheServicePlugin)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(OSTREL_PROGRAM_DIR "/Brandle.so", dir.filePath("Brandle.so")));
    CManager manager(dir.path());
    manager.LoadPluginLibraries();
    ASSERT_EQ(manager.Plugins().size(), 1u);
    EXPECT_EQ(*manager.Plugins()[0]->GetId(), PLUGIN_GUID_KB_SERVICE);
    manager.Shutdown();
}

} // namespace
