// A visitor floods the agent with chat messages through Prosody on loopback.
// Measured: the time from the first send until every message has been posted
// on the bus by CWirlam as MSG_CHAT_MESSAGE_RECEIVED and delivered on the
// user-interface thread; beside it, in the same run and on the same server,
// a bare gloox client receiving the same flood on its own thread. Rounds
// alternate between the two; the median of each is compared.
//
// Usage: bench_chat_flood [messages per round (20000)] [rounds (3)]

#include "bus/ChatPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "plugins/xmpp/Wirlam.h"
#include "shared/Prompt.h"
#include "tests/bus/FakePlugin.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"

#include <gloox/client.h>
#include <gloox/connectionlistener.h>
#include <gloox/message.h>
#include <gloox/messagehandler.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

using namespace QVPlugin;
using Clock = std::chrono::steady_clock;

namespace {

// What CWirlam delivers on the user-interface thread.
struct FloodCount
{
    bool connected = false;
    bool onUiThread = true;
    long received = 0;
    long target = -1;
    Clock::time_point done;

    int OnMessage(const QUuid &id, IMessage *in)
    {
        if (id == MSG_CONNECTED)
            connected = true;
        else if (id == MSG_CHAT_MESSAGE_RECEIVED && !static_cast<ChatMessage *>(in)->body.isEmpty()) {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            if (++received == target)
                done = Clock::now();
        }
        return RESULT_NOT_HANDLED;
    }
};

// gloox as an application would use it without our plug-in: a client on its
// own thread with a message handler.
class BareReceiver : public gloox::MessageHandler, public gloox::ConnectionListener
{
public:
    BareReceiver(const harness::ProsodyFixture &server, const QString &user)
        : m_client(gloox::JID(server.Jid(user).toStdString() + "/bench"), server.PasswordOf(user).toStdString(),
                   server.Port())
    {
        m_client.setServer("127.0.0.1");
        m_client.setTls(gloox::TLSRequired);
        m_client.setCACerts({server.CaFile().toStdString()});
        m_client.setCompression(false);
        m_client.disableRoster();
        m_client.registerMessageHandler(this);
        m_client.registerConnectionListener(this);
    }
    ~BareReceiver() override
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

    bool Start()
    {
        if (!m_client.connect(false))
            return false;
        m_thread = std::thread([this] {
            while (!m_stop && m_client.recv(10000) == gloox::ConnNoError) {
            }
            m_client.disconnect();
        });
        const QDeadlineTimer deadline(10000);
        while (!m_online && !deadline.hasExpired())
            std::this_thread::yield();
        return m_online;
    }
    std::string FullJid() { return m_client.jid().full(); }

    void Arm(long target)
    {
        m_received = 0;
        m_target = target;
    }
    bool Done() const { return m_finished.load(); }
    Clock::time_point DoneAt() const { return m_doneAt; }
    void Reset() { m_finished = false; }

    void handleMessage(const gloox::Message &message, gloox::MessageSession *) override
    {
        if (message.subtype() == gloox::Message::Chat && !message.body().empty() && ++m_received == m_target) {
            m_doneAt = Clock::now();
            m_finished = true;
        }
    }
    void onConnect() override { m_online = true; }
    void onDisconnect(gloox::ConnectionError) override { m_online = false; }
    bool onTLSConnect(const gloox::CertInfo &) override { return true; }

private:
    gloox::Client m_client;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_online{false};
    std::atomic<bool> m_finished{false};
    long m_received = 0;
    long m_target = -1;
    Clock::time_point m_doneAt;
};

void Flood(harness::ChatServiceSimulator &visitor, const std::string &to, long count, const char *tag)
{
    for (long i = 0; i < count; ++i) {
        visitor.Send("<message type='chat' to='" + to + "' id='" + tag + std::to_string(i)
                     + "'><body>Hello, I have a question about my order number " + std::to_string(100000 + i)
                     + ".</body></message>");
    }
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "ostrel.*.info=false");
    QApplication app(argc, argv);
    const long messages = argc > 1 ? std::max(1L, std::atol(argv[1])) : 20000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

    if (!harness::ProsodyFixture::Installed()) {
        std::fprintf(stderr, "prosody is not installed (scripts/install-deps.sh installs it)\n");
        return 1;
    }
    harness::ProsodyFixture::Options options;
    options.accounts.append({QStringLiteral("bare"), QStringLiteral("bare-secret")});
    harness::ProsodyFixture server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.ErrorText()));
        return 1;
    }

    CPrompt::SetHandler([](const PromptRequest &r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.text));
        return QMessageBox::Ok;
    });
    FloodCount count; // outlives the bus, which may still deliver while it closes
    QTemporaryDir dir;
    CManager manager(dir.path());
    manager.AddPlugin(new CRegSettingsStoragePlugin(QDir(dir.path()).filePath(QStringLiteral("settings.ini"))),
                      PLUGIN_ORDER_SETTINGS_STORAGE);
    FloodCount *counter = &count;
    auto *countingPlugin = new bustest::FakePlugin(QStringLiteral("flood counter"));
    countingPlugin->onMessage = [counter](const QUuid &id, IMessage *in, IMessage *) {
        return counter->OnMessage(id, in);
    };
    manager.AddPlugin(countingPlugin, PLUGIN_ORDER_LIVE_CHAT);
    manager.AddPlugin(new CWirlam, PLUGIN_ORDER_XMPP);
    manager.SetSetting(QStringLiteral("server.cafile"), server.CaFile());
    LoginInfo login;
    login.user = server.Jid(QStringLiteral("agent"));
    login.password = server.PasswordOf(QStringLiteral("agent"));
    login.server = server.Address();
    manager.SendMessage(nullptr, MSG_LOGIN, &login, nullptr);
    const QDeadlineTimer signIn(15000);
    while (!counter->connected && !signIn.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    if (!counter->connected) {
        std::fprintf(stderr, "the agent did not sign in\n");
        return 1;
    }
    const std::string agentJid = manager.GetSetting(QStringLiteral("agent.id"), QString()).toString().toStdString();

    BareReceiver bare(server, QStringLiteral("bare"));
    harness::ChatServiceSimulator::Config config;
    config.port = server.Port();
    config.jid = server.Jid(QStringLiteral("visitor"));
    config.password = server.PasswordOf(QStringLiteral("visitor"));
    harness::ChatServiceSimulator visitor(config);
    if (!bare.Start() || !visitor.Start()) {
        std::fprintf(stderr, "the bare client or the visitor did not sign in\n");
        return 1;
    }

    std::printf("%ld chat messages per round through Prosody at %s, %d rounds\n", messages,
                qPrintable(server.Address()), rounds);
    std::printf("%-6s %-12s %12s %12s\n", "round", "receiver", "seconds", "msg/s");
    std::vector<double> wirlamRates;
    std::vector<double> bareRates;
    for (int round = 1; round <= rounds; ++round) {
        bare.Reset();
        bare.Arm(messages);
        auto start = Clock::now();
        Flood(visitor, bare.FullJid(), messages, "b");
        const QDeadlineTimer bareDeadline(120000);
        while (!bare.Done() && !bareDeadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (!bare.Done()) {
            std::fprintf(stderr, "the bare client did not receive every message\n");
            return 1;
        }
        double seconds = std::chrono::duration<double>(bare.DoneAt() - start).count();
        bareRates.push_back(messages / seconds);
        std::printf("%-6d %-12s %12.3f %12.0f\n", round, "bare gloox", seconds, messages / seconds);

        counter->received = 0;
        counter->target = messages;
        start = Clock::now();
        Flood(visitor, agentJid, messages, "w");
        const QDeadlineTimer wirlamDeadline(120000);
        while (counter->received < messages && !wirlamDeadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
        if (counter->received < messages) {
            std::fprintf(stderr, "Wirlam delivered %ld of %ld messages\n", counter->received, messages);
            return 1;
        }
        seconds = std::chrono::duration<double>(counter->done - start).count();
        wirlamRates.push_back(messages / seconds);
        std::printf("%-6d %-12s %12.3f %12.0f\n", round, "Wirlam+bus", seconds, messages / seconds);
    }
    if (!counter->onUiThread) {
        std::fprintf(stderr, "a message was delivered off the user-interface thread\n");
        return 1;
    }
    const double w = Median(wirlamRates);
    const double b = Median(bareRates);
    std::printf("\nmedian msg/s: Wirlam+bus %.0f, bare gloox %.0f, ratio Wirlam/bare %.2f\n", w, b, w / b);

    manager.SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr);
    CPrompt::SetHandler({});
    return 0;
}
