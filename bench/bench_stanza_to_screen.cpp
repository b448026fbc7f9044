// A contact's chat message from stanza to screen: the real CWirlam and
// CTessaryPlugin on one bus, signed in to Prosody on loopback; a second
// client (the simulator) sends a chat message to the agent, and the time is
// taken until its line is in the document of the direct chat's window that
// the plug-in opened. One message at a time, so no message waits behind
// another; p50, p99 and the worst over the run.
//
// Usage: bench_stanza_to_screen [messages (1000)]

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/xmpp/WirlamBus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace QVPlugin;
using Clock = std::chrono::steady_clock;

namespace {

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    return v[at];
}

std::string ChatStanza(const std::string &to, int n)
{
    return "<message type='chat' to='" + to + "' id='s" + std::to_string(n)
           + "'><body>Question #" + std::to_string(n) + ". Where is my order? It has not arrived yet.</body></message>";
}

// Offscreen windows cannot be raised; the plug-in raises the chat's window
// for every message.
QtMessageHandler g_nextHandler = nullptr;

void QuietRaise(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (!text.contains(QLatin1String("does not support raise()")) && g_nextHandler)
        g_nextHandler(type, context, text);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_LOGGING_RULES", "ostrel.*.info=false");
    g_nextHandler = qInstallMessageHandler(QuietRaise);
    QApplication app(argc, argv);
    const int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;

    if (!harness::ProsodyFixture::Installed()) {
        std::fprintf(stderr, "prosody is not installed (scripts/install-deps.sh installs it)\n");
        return 1;
    }
    harness::ProsodyFixture server;
    if (!server.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.ErrorText()));
        return 1;
    }

    // The bus stands in for the host's user interface and keeps the
    // plug-ins' windows' state in a scratch store.
    xmpptest::WirlamBus bus;
    CQVSettingsHelpers::SetStoreFile(bus.dir.filePath(QStringLiteral("Quelvar.conf")));
    auto *plugin = new CTessaryPlugin;
    bus.manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT);

    // The direct chat's window, as the plug-in opens it.
    QPointer<QWidget> chatWindow;
    QObject::connect(&plugin->ChatTable(), &CChatTable::windowAdded,
                     [&](CChat *, QWidget *window) { chatWindow = window; });

    if (!bus.SignIn(server)) {
        std::fprintf(stderr, "the agent did not sign in: %s\n", qPrintable(bus.journal.join(' ')));
        return 1;
    }
    const std::string agentJid = bus.manager->GetSetting(QStringLiteral("agent.id"), QString()).toString().toStdString();

    // A colleague on the agent's roster.
    harness::ChatServiceSimulator::Config config;
    config.port = server.Port();
    config.jid = server.Jid(QStringLiteral("visitor"));
    config.password = server.PasswordOf(QStringLiteral("visitor"));
    harness::ChatServiceSimulator contact(config);
    if (!contact.Start()) {
        std::fprintf(stderr, "the contact did not sign in: %s\n", qPrintable(contact.ErrorText()));
        return 1;
    }
    // The window opens for a contact whose presence has arrived: the first
    // messages may come before it and are sent again.
    int sent = 0;
    QElapsedTimer sinceSend;
    if (!waitUntil(
            [&] {
                if (chatWindow)
                    return true;
                if (!sinceSend.isValid() || sinceSend.elapsed() > 250) {
                    contact.Send(ChatStanza(agentJid, -(++sent)));
                    sinceSend.start();
                }
                return false;
            },
            15000)) {
        std::fprintf(stderr, "no chat window opened for the contact's messages\n");
        return 1;
    }
    CChatWnd *chat = CChatWindows::ChatWindowOf(chatWindow);
    if (!chat) {
        std::fprintf(stderr, "the chat window has no transcript\n");
        return 1;
    }
    QTextDocument *document = chat->Transcript()->document();

    // The moment the awaited line's body is in the document.
    QString awaited;
    bool seen = false;
    Clock::time_point seenAt;
    QObject::connect(document, &QTextDocument::contentsChanged, [&] {
        if (!seen && !awaited.isEmpty() && document->lastBlock().text().contains(awaited)) {
            seen = true;
            seenAt = Clock::now();
        }
    });
    waitUntil([] { return false; }, 300); // what the warm-up brought along

    // From the call to send, which includes the simulator's own wait of up
    // to 20 ms before it writes, and from the write to the connection.
    std::vector<double> ms;
    std::vector<double> fromWrite;
    ms.reserve(static_cast<size_t>(messages));
    fromWrite.reserve(static_cast<size_t>(messages));
    for (int n = 1; n <= messages; ++n) {
        awaited = QStringLiteral("#%1.").arg(n); // one word: the transcript spaces words apart
        seen = false;
        const Clock::time_point start = Clock::now();
        contact.Send(ChatStanza(agentJid, n));
        if (!waitUntil([&] { return seen; }, 10000)) {
            std::fprintf(stderr, "message %d did not reach the transcript\n", n);
            return 1;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(seenAt - start).count());
        fromWrite.push_back(std::chrono::duration<double, std::milli>(seenAt - contact.LastWrittenAt()).count());
    }

    std::printf("%d chat messages from a contact through Prosody at %s into a direct chat's window\n", messages,
                qPrintable(server.Address()));
    const auto report = [](const char *what, const std::vector<double> &v) {
        std::printf("%-28s p50 %6.2f  p90 %6.2f  p99 %6.2f  max %6.2f ms\n", what, Percentile(v, 0.50),
                    Percentile(v, 0.90), Percentile(v, 0.99), Percentile(v, 1.0));
    };
    report("from the write to the socket", fromWrite);
    report("from the call to send", ms);
    std::printf("transcript lines at the end: %d\n", document->blockCount() / 2);

    bus.Logout();
    bus.manager.reset();
    CQVSettingsHelpers::SetStoreFile(QString());
    return 0;
}
