// A chat message from stanza to screen: the real CWirlam and CTessaryPlugin
// on one bus, signed in to Prosody on loopback. Two roads, each timed until
// the message's line is in the document of the chat window that shows it:
// - direct: a second client (a contact) sends a chat message to the agent;
//   the line lands in the direct chat's window that the plug-in opened;
// - visitor: the chat-service simulator plays a visitor who asked for a
//   chat in its room (v-1@rooms.localhost), which the agent accepted from
//   the visitor pane; the visitor's lines come from the room and land in
//   the pane's chat window.
// One message at a time, so no message waits behind another; p50, p99 and
// the worst over the run.
//
// Usage: bench_stanza_to_screen [messages (1000)] [direct|visitor (both)]

#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/VisitorPaneLogic.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/TessaryView.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/VisitorScript.h"
#include "tests/xmpp/WirlamBus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

using namespace QVPlugin;
using harness::ChatServiceSimulator;
using Clock = std::chrono::steady_clock;
namespace visitors = harness::visitors;

namespace {

const std::string kVisitor = "v-1";
const std::string kRoom = "v-1@rooms.localhost";

double Percentile(std::vector<double> v, double p)
{
    std::sort(v.begin(), v.end());
    const size_t at = std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())));
    return v[at];
}

// Question n to the agent: a contact's chat message, or a visitor's line in
// its room, which asks for a receipt as the visitors' pages do.
std::string QuestionStanza(const std::string &to, int n, bool inRoom = false)
{
    return std::string(inRoom ? "<message type='groupchat' from='" + kRoom + '/' + kVisitor + "'" : "<message type='chat'")
           + " to='" + to + "' id='q" + std::to_string(n) + "'><body>Question #" + std::to_string(n)
           + ". Where is my order? It has not arrived yet.</body>"
           + (inRoom ? "<request xmlns='urn:xmpp:receipts'/>" : "") + "</message>";
}

// The first stanza that matches, while the agent's side runs on; null when
// none came within ten seconds.
std::unique_ptr<gloox::Tag> Await(ChatServiceSimulator &client, const ChatServiceSimulator::Match &match)
{
    std::unique_ptr<gloox::Tag> got;
    waitUntil([&] { return (got = client.Expect(match, 0)) != nullptr; }, 10000);
    return got;
}

// The direct chat's document, once the contact's messages opened its window.
QTextDocument *DirectChat(CTessaryPlugin &plugin, ChatServiceSimulator &contact, const std::string &agentJid)
{
    QPointer<QWidget> chatWindow;
    const QMetaObject::Connection opening = QObject::connect(
        &plugin.ChatTable(), &CChatTable::windowAdded, [&](CChat *, QWidget *window) { chatWindow = window; });
    // The window opens for a contact whose presence has arrived: the first
    // messages may come before it and are sent again.
    int sent = 0;
    QElapsedTimer sinceSend;
    const bool opened = waitUntil(
        [&] {
            if (chatWindow)
                return true;
            if (!sinceSend.isValid() || sinceSend.elapsed() > 250) {
                contact.Send(QuestionStanza(agentJid, -(++sent)));
                sinceSend.start();
            }
            return false;
        },
        15000);
    QObject::disconnect(opening);
    if (!opened) {
        std::fprintf(stderr, "no chat window opened for the contact's messages\n");
        return nullptr;
    }
    CChatWnd *chat = CChatWindows::ChatWindowOf(chatWindow);
    if (!chat)
        std::fprintf(stderr, "the chat window has no transcript\n");
    return chat ? chat->Transcript()->document() : nullptr;
}

// The visitor pane's chat document, once the visitor asked for a chat in its
// room and the agent accepted from the pane, as the service plays it.
QTextDocument *VisitorChat(QWidget &views, ChatServiceSimulator &service, const std::string &agent)
{
    auto *view = views.findChild<CTessaryView *>();
    if (!view || !view->Pane()) {
        std::fprintf(stderr, "the plug-in added no visitor monitor with a visitor pane\n");
        return nullptr;
    }
    // The Site Path tab, so the pane draws the visitor without a web view.
    CVisitorChatPane *pane = view->Pane();
    pane->Tabs()->setCurrentWidget(pane->SitePath());
    const auto notify = [&](const visitors::Notice &notice) { service.Send(*visitors::NoticeStanza(agent, notice)); };
    notify(visitors::Tracking(kVisitor, "h-1", "Vic", {"http://127.0.0.1:9/", "home", "Welcome", "", "p1", 0}));
    notify(visitors::VisitorInfo(kVisitor,
                                 {{"state", "8"}, {"display-name", "Vic"}, {"hash", "h-1"}, {"group-chat-id", kRoom}}));
    if (!waitUntil([&] {
            const CVisitor *v = view->FindVisitorById(kVisitor);
            return v && v->state() == CVisitor::StateRequestingChat && view->List()->SelectVisitor(kVisitor);
        }, 10000)) {
        std::fprintf(stderr, "the visitor's request did not reach the visitor list\n");
        return nullptr;
    }
    const auto accept = pane->OnCmdMsg(CVisitorPaneLogic::CmdAccept, CommandExecute, nullptr, nullptr)
                            ? Await(service, visitors::IsCommand("accept-visitor-chat"))
                            : nullptr;
    if (!accept) {
        std::fprintf(stderr, "the agent's accept did not reach the service\n");
        return nullptr;
    }
    service.Reply(*accept);
    notify(visitors::StateChange(kVisitor, 6));
    notify(visitors::SessionNotification(kVisitor, "Ann Agent has joined the chat."));
    QTextDocument *document = pane->ChatWindow()->Transcript()->document();
    if (!waitUntil([&] { return document->toPlainText().contains(QLatin1String("has joined the chat")); }, 10000)) {
        std::fprintf(stderr, "the accepted chat did not open in the visitor pane\n");
        return nullptr;
    }
    return document;
}

// Times messages 1..count, each sent by send(n) from the client, until its
// line is the last of the document; prints the figures.
bool Measure(const char *road, int count, QTextDocument *document, const ChatServiceSimulator &client,
             const std::function<void(int)> &send)
{
    QString awaited;
    bool seen = false;
    Clock::time_point seenAt;
    const QMetaObject::Connection watch = QObject::connect(document, &QTextDocument::contentsChanged, [&] {
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
    ms.reserve(static_cast<size_t>(count));
    fromWrite.reserve(static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) {
        awaited = QStringLiteral("#%1.").arg(n); // one word: the transcript spaces words apart
        seen = false;
        const Clock::time_point start = Clock::now();
        send(n);
        if (!waitUntil([&] { return seen; }, 10000)) {
            std::fprintf(stderr, "%s: message %d did not reach the transcript\n", road, n);
            return false;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(seenAt - start).count());
        fromWrite.push_back(std::chrono::duration<double, std::milli>(seenAt - client.LastWrittenAt()).count());
    }
    QObject::disconnect(watch);

    std::printf("%d messages, %s\n", count, road);
    const auto report = [](const char *what, const std::vector<double> &v) {
        std::printf("  %-28s p50 %6.2f  p90 %6.2f  p99 %6.2f  max %6.2f ms\n", what, Percentile(v, 0.50),
                    Percentile(v, 0.90), Percentile(v, 0.99), Percentile(v, 1.0));
    };
    report("from the write to the socket", fromWrite);
    report("from the call to send", ms);
    std::printf("  transcript lines at the end: %d\n", document->blockCount() / 2);
    return true;
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
    const char *only = argc > 2 ? argv[2] : "";
    const bool direct = !*only || std::strcmp(only, "direct") == 0;
    const bool visitor = !*only || std::strcmp(only, "visitor") == 0;
    if (!direct && !visitor) {
        std::fprintf(stderr, "usage: bench_stanza_to_screen [messages] [direct|visitor]\n");
        return 2;
    }

    if (!harness::ProsodyFixture::Installed()) {
        std::fprintf(stderr, "prosody is not installed (scripts/install-deps.sh installs it)\n");
        return 1;
    }
    // The chat service's visitor rooms, played by the simulator.
    harness::ProsodyFixture::Options serverOptions;
    serverOptions.extraConfig << QStringLiteral("Component \"rooms.localhost\" \"quelvar_rooms\"");
    harness::ProsodyFixture server(serverOptions);
    if (!server.Start()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    // The service is there before the agent, whose first request goes to it;
    // the contact is on the agent's roster.
    const auto account = [&](const QString &user) {
        return ChatServiceSimulator::Config{QStringLiteral("127.0.0.1"), server.Port(), server.Jid(user),
                                            server.PasswordOf(user)};
    };
    ChatServiceSimulator service(account(QStringLiteral("sim")));
    ChatServiceSimulator contact(account(QStringLiteral("visitor")));
    if (!service.Start() || !contact.Start()) {
        std::fprintf(stderr, "the simulator or the contact did not sign in: %s %s\n", qPrintable(service.ErrorText()),
                     qPrintable(contact.ErrorText()));
        return 1;
    }

    // The bus stands in for the host's user interface and keeps the
    // plug-ins' windows' state in a scratch store.
    xmpptest::WirlamBus bus;
    CQVSettingsHelpers::SetStoreFile(bus.dir.filePath(QStringLiteral("Quelvar.conf")));
    auto *plugin = new CTessaryPlugin;
    bus.manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT);
    if (!bus.SignIn(server)) {
        std::fprintf(stderr, "the agent did not sign in: %s\n", qPrintable(bus.journal.join(' ')));
        return 1;
    }
    const std::string agentJid = bus.manager->GetSetting(QStringLiteral("agent.id"), QString()).toString().toStdString();
    // The service learns the agent's address from the quick-text request.
    const auto fetch = Await(service, [](const gloox::Tag &t) {
        return t.name() == "iq" && !t.children().empty() && t.children().front()->xmlns() == "quelvar:data";
    });
    if (!fetch) {
        std::fprintf(stderr, "the live-chat plug-in asked the service for nothing\n");
        return 1;
    }
    service.Reply(*fetch);
    const std::string agent = fetch->findAttribute("from");

    std::printf("Through Prosody at %s:\n", qPrintable(server.Address()));
    bool measured = true;
    if (direct) {
        QTextDocument *document = DirectChat(*plugin, contact, agentJid);
        measured = document && Measure("from a contact into a direct chat's window", messages, document, contact,
                                       [&](int n) { contact.Send(QuestionStanza(agentJid, n)); });
    }
    if (measured && visitor) {
        QTextDocument *document = VisitorChat(bus.windowParent, service, agent);
        measured = document && Measure("from a visitor in its room into the visitor pane's chat", messages, document,
                                       service, [&](int n) { service.Send(QuestionStanza(agent, n, true)); });
    }

    bus.Logout();
    bus.manager.reset();
    CQVSettingsHelpers::SetStoreFile(QString());
    return measured ? 0 : 1;
}
