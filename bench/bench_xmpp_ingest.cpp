// How fast the program takes in stanzas: a scripted server on loopback
// signs the agent in (STARTTLS, SASL, binding) and then writes chat
// messages as fast as TLS carries them; measured is the rate at which CWirlam
// delivers them as MSG_CHAT_MESSAGE_RECEIVED on the user-interface thread,
// from the first message to the last. Unlike bench_chat_flood no server
// software sits in between, so the client's own reading is what is measured.
//
// Usage: bench_xmpp_ingest [messages per round (100000)] [rounds (3)]

#include "bus/ChatPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/RegSettingsStoragePlugin.h"
#include "plugins/xmpp/Wirlam.h"
#include "shared/Prompt.h"
#include "tests/bus/FakePlugin.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/TestPki.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace QVPlugin;
using Clock = std::chrono::steady_clock;

namespace {

struct Count
{
    bool connected = false;
    long received = 0;
    Clock::time_point first, last;

    int OnMessage(const QUuid &id, IMessage *in)
    {
        if (id == MSG_CONNECTED)
            connected = true;
        else if (id == MSG_CHAT_MESSAGE_RECEIVED && !static_cast<ChatMessage *>(in)->body.isEmpty()) {
            last = Clock::now();
            if (received++ == 0)
                first = last;
        }
        return RESULT_NOT_HANDLED;
    }
};

std::string Flood(long count)
{
    std::string out;
    for (long i = 0; i < count; ++i)
        out += "<message type='chat' from='visitor@localhost/web' to='agent@localhost/Ostrel' id='m"
               + std::to_string(i) + "'><body>Hello, I have a question about my order number "
               + std::to_string(100000 + i) + ".</body></message>";
    return out;
}

// One sign-in and one flood; the rate in messages per second, 0 on failure.
double Round(long messages)
{
    harness::FakeXmppServer server;
    server.LoginScript().Expect("<presence").Send(Flood(messages));
    if (!server.Start())
        return 0;
    Count count;
    QTemporaryDir dir;
    double rate = 0;
    {
        CManager manager(dir.path());
        manager.AddPlugin(new CRegSettingsStoragePlugin(QDir(dir.path()).filePath(QStringLiteral("settings.ini"))),
                          PLUGIN_ORDER_SETTINGS_STORAGE);
        auto *counter = new bustest::FakePlugin(QStringLiteral("ingest counter"));
        Count *c = &count;
        counter->onMessage = [c](const QUuid &id, IMessage *in, IMessage *) { return c->OnMessage(id, in); };
        manager.AddPlugin(counter, PLUGIN_ORDER_LIVE_CHAT);
        manager.AddPlugin(new CWirlam, PLUGIN_ORDER_XMPP);
        manager.SetSetting(QStringLiteral("server.cafile"), harness::TestPki::Shared().caCert);
        LoginInfo login;
        login.user = QStringLiteral("agent@localhost");
        login.password = QStringLiteral("secret");
        login.server = server.Address();
        manager.SendMessage(nullptr, MSG_LOGIN, &login, nullptr);
        const QDeadlineTimer deadline(120000);
        while (count.received < messages && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
        if (count.received == messages)
            rate = (messages - 1) / std::chrono::duration<double>(count.last - count.first).count();
        else
            std::fprintf(stderr, "delivered %ld of %ld messages (%s)\n", count.received, messages,
                         server.ScriptError().c_str());
        manager.SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr);
    }
    return rate;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "ostrel.*.info=false");
    QApplication app(argc, argv);
    const long messages = argc > 1 ? std::max(2L, std::atol(argv[1])) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    if (!harness::TestPki::Shared().ok) {
        std::fprintf(stderr, "%s\n", qPrintable(harness::TestPki::Shared().error));
        return 1;
    }
    CPrompt::SetHandler([](const PromptRequest &r) {
        std::fprintf(stderr, "box: %s\n", qPrintable(r.text));
        return QMessageBox::Ok;
    });
    std::printf("%ld chat messages per round from a scripted server, %d rounds\n", messages, rounds);
    std::vector<double> rates;
    for (int round = 1; round <= rounds; ++round) {
        const double rate = Round(messages);
        if (rate <= 0)
            return 1;
        rates.push_back(rate);
        std::printf("round %d: %.0f messages/s\n", round, rate);
    }
    std::sort(rates.begin(), rates.end());
    std::printf("median: %.0f messages/s\n", rates[rates.size() / 2]);
    CPrompt::SetHandler({});
    return 0;
}
