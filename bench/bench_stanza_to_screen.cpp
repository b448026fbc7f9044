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
// With --frame the plug-ins sit in the host's main frame instead of under a
// bare widget: the frame is built, skinned and shown as the program does it
// (the plug-ins are put on its bus rather than loaded from their libraries),
// the Live Chat page is up, and each message is timed on to the end of the
// chat view's own paint that covers the line.
//
// Usage: bench_stanza_to_screen [messages (1000)] [direct|visitor (both)] [--frame]

#include "host/MainFrame.h"
#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/VisitorPaneLogic.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/TessaryView.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "skins/QVSettingsHelpers.h"
#include "skins/QVSkinManager.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/VisitorScript.h"
#include "tests/xmpp/WirlamBus.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
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

// The direct chat's transcript, once the contact's messages opened its window.
QTextEdit *DirectChat(CTessaryPlugin &plugin, ChatServiceSimulator &contact, const std::string &agentJid)
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
    return chat ? chat->Transcript() : nullptr;
}

// The visitor pane's chat transcript, once the visitor asked for a chat in
// its room and the agent accepted from the pane, as the service plays it.
QTextEdit *VisitorChat(QWidget &views, ChatServiceSimulator &service, const std::string &agent)
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
    QTextEdit *transcript = pane->ChatWindow()->Transcript();
    if (!waitUntil([&] { return transcript->toPlainText().contains(QLatin1String("has joined the chat")); }, 10000)) {
        std::fprintf(stderr, "the accepted chat did not open in the visitor pane\n");
        return nullptr;
    }
    return transcript;
}

// The application, which stamps the end of every paint of one widget: the
// paint is done once the widget's paintEvent has returned.
class PaintClock : public QApplication
{
public:
    using QApplication::QApplication;

    // Called after each paint of the widget with the region it painted.
    void Watch(QWidget *widget, std::function<void(const QRegion &)> painted)
    {
        m_widget = widget;
        m_painted = std::move(painted);
    }

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (!m_widget || receiver != m_widget || event->type() != QEvent::Paint)
            return QApplication::notify(receiver, event);
        const QRegion region = static_cast<QPaintEvent *>(event)->region();
        const bool result = QApplication::notify(receiver, event);
        m_painted(region);
        return result;
    }

private:
    QWidget *m_widget = nullptr;
    std::function<void(const QRegion &)> m_painted;
};

// Where the last line holding text lies in the transcript's viewport; empty
// when it is not in the document.
QRect LineInView(QTextEdit *transcript, const QString &text)
{
    QTextDocument *document = transcript->document();
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    cursor = document->find(text, cursor, QTextDocument::FindBackward);
    if (cursor.isNull())
        return {};
    return document->documentLayout()
        ->blockBoundingRect(cursor.block())
        .translated(-transcript->horizontalScrollBar()->value(), -transcript->verticalScrollBar()->value())
        .toAlignedRect();
}

// Times messages 1..count, each sent by send(n) from the client, until its
// line is the last of the document, and with toPaint on to the end of the
// transcript's first paint that covers the line; prints the figures.
bool Measure(const char *road, int count, QTextEdit *transcript, const ChatServiceSimulator &client,
             const std::function<void(int)> &send, bool toPaint)
{
    QTextDocument *document = transcript->document();
    QString awaited;
    bool seen = false;
    bool painted = false;
    Clock::time_point seenAt;
    Clock::time_point paintedAt;
    const QMetaObject::Connection watch = QObject::connect(document, &QTextDocument::contentsChanged, [&] {
        if (!seen && !awaited.isEmpty() && document->lastBlock().text().contains(awaited)) {
            seen = true;
            seenAt = Clock::now();
        }
    });
    auto *app = static_cast<PaintClock *>(QCoreApplication::instance());
    if (toPaint) {
        app->Watch(transcript->viewport(), [&](const QRegion &region) {
            if (seen && !painted && region.intersects(LineInView(transcript, awaited) & transcript->viewport()->rect())) {
                painted = true;
                paintedAt = Clock::now();
            }
        });
    }
    waitUntil([] { return false; }, 300); // what the warm-up brought along

    // From the call to send, which includes the simulator's own wait of up
    // to 20 ms before it writes, and from the write to the connection.
    std::vector<double> ms;
    std::vector<double> fromWrite;
    std::vector<double> toScreen;
    ms.reserve(static_cast<size_t>(count));
    fromWrite.reserve(static_cast<size_t>(count));
    toScreen.reserve(static_cast<size_t>(count));
    for (int n = 1; n <= count; ++n) {
        awaited = QStringLiteral("#%1.").arg(n); // one word: the transcript spaces words apart
        seen = painted = false;
        const Clock::time_point start = Clock::now();
        send(n);
        if (!waitUntil([&] { return seen && (painted || !toPaint); }, 10000)) {
            std::fprintf(stderr, "%s: message %d did not reach the %s\n", road, n,
                         seen ? "screen (no paint of the transcript covered its line)" : "transcript");
            app->Watch(nullptr, {});
            return false;
        }
        const auto since = [](Clock::time_point from, Clock::time_point to) {
            return std::chrono::duration<double, std::milli>(to - from).count();
        };
        ms.push_back(since(start, seenAt));
        fromWrite.push_back(since(client.LastWrittenAt(), seenAt));
        if (toPaint)
            toScreen.push_back(since(client.LastWrittenAt(), paintedAt));
    }
    QObject::disconnect(watch);
    app->Watch(nullptr, {});

    std::printf("%d messages, %s\n", count, road);
    const auto report = [](const char *what, const std::vector<double> &v) {
        std::printf("  %-34s p50 %6.2f  p90 %6.2f  p99 %6.2f  max %6.2f ms\n", what, Percentile(v, 0.50),
                    Percentile(v, 0.90), Percentile(v, 0.99), Percentile(v, 1.0));
    };
    report("from the write to the socket", fromWrite);
    report("from the call to send", ms);
    if (toPaint)
        report("from the write to the line painted", toScreen);
    QFile loadFile(QStringLiteral("/proc/loadavg"));
    const QByteArray load = loadFile.open(QIODevice::ReadOnly) ? loadFile.readLine(64) : QByteArray("unknown");
    std::printf("  transcript lines at the end: %d; load average %s\n", document->blockCount() / 2,
                load.split(' ').mid(0, 3).join(' ').trimmed().constData());
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
    PaintClock app(argc, argv);
    bool framed = false;
    std::vector<const char *> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frame") == 0)
            framed = true;
        else
            args.push_back(argv[i]);
    }
    const int messages = args.size() > 0 ? std::max(1, std::atoi(args[0])) : 1000;
    const char *only = args.size() > 1 ? args[1] : "";
    const bool direct = !*only || std::strcmp(only, "direct") == 0;
    const bool visitor = !*only || std::strcmp(only, "visitor") == 0;
    if (!direct && !visitor) {
        std::fprintf(stderr, "usage: bench_stanza_to_screen [messages] [direct|visitor] [--frame]\n");
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

    QTemporaryDir scratch;
    auto *plugin = new CTessaryPlugin;
    std::unique_ptr<xmpptest::WirlamBus> bus;
    std::unique_ptr<CMainFrame> frame;
    CManager *manager = nullptr;
    QWidget *views = nullptr;
    if (!framed) {
        // The bus stands in for the host's user interface and keeps the
        // plug-ins' windows' state in a scratch store.
        bus = std::make_unique<xmpptest::WirlamBus>();
        CQVSettingsHelpers::SetStoreFile(bus->dir.filePath(QStringLiteral("Quelvar.conf")));
        manager = bus->manager.get();
        manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT);
        if (!bus->SignIn(server)) {
            std::fprintf(stderr, "the agent did not sign in: %s\n", qPrintable(bus->journal.join(' ')));
            return 1;
        }
        views = &bus->windowParent;
    } else {
        // The frame over a settings file of its own and a program folder
        // without plug-in libraries: the bench's own plug-ins join its bus
        // before the frame loads, as the libraries' would.
        const QString settings = scratch.filePath(QStringLiteral("Quelvar.conf"));
        CQVSettingsHelpers::SetStoreFile(settings);
        CPrompt::SetHandler([](const PromptRequest &r) {
            std::fprintf(stderr, "message box: %s\n", qPrintable(r.text));
            return QMessageBox::Ok;
        });
        if (!CQVSkinManager::Load(QStringLiteral(OSTREL_PROGRAM_DIR "/skins/"))) {
            std::fprintf(stderr, "no skins in %s/skins\n", OSTREL_PROGRAM_DIR);
            return 1;
        }
        CMainFrame::Options options;
        options.programDir = scratch.filePath(QStringLiteral("program"));
        options.settingsFile = settings;
        if (!QDir().mkpath(options.programDir))
            return 1;
        frame = std::make_unique<CMainFrame>(options);
        if (!frame->Create()) {
            std::fprintf(stderr, "the main frame was not created\n");
            return 1;
        }
        manager = frame->Bus();
        manager->AddPlugin(new CWirlam, PLUGIN_ORDER_XMPP);
        manager->AddPlugin(plugin, PLUGIN_ORDER_LIVE_CHAT);
        frame->LoadFrame();
        frame->show();
        manager->SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        LoginInfo &login = frame->Login();
        login.user = server.Jid(QStringLiteral("agent"));
        login.password = server.PasswordOf(QStringLiteral("agent"));
        login.server = server.Address();
        manager->SendMessage(nullptr, MSG_LOGIN, &login, nullptr);
        if (!waitUntil([&] { return frame->ConnectionState() == PresenceOnline; }, 15000)) {
            std::fprintf(stderr, "the agent did not sign in\n");
            return 1;
        }
        views = frame.get();
    }
    const std::string agentJid = manager->GetSetting(QStringLiteral("agent.id"), QString()).toString().toStdString();
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

    std::printf("Through Prosody at %s%s:\n", qPrintable(server.Address()),
                framed ? ", in the main frame, to the line painted" : "");
    bool measured = true;
    if (direct) {
        QTextEdit *transcript = DirectChat(*plugin, contact, agentJid);
        measured = transcript && Measure("from a contact into a direct chat's window", messages, transcript, contact,
                                         [&](int n) { contact.Send(QuestionStanza(agentJid, n)); }, framed);
    }
    if (measured && visitor) {
        QTextEdit *transcript = VisitorChat(*views, service, agent);
        measured = transcript
                   && Measure("from a visitor in its room into the visitor pane's chat", messages, transcript, service,
                              [&](int n) { service.Send(QuestionStanza(agent, n, true)); }, framed);
    }

    manager->SendMessage(nullptr, MSG_LOGOUT, nullptr, nullptr);
    frame.reset();
    bus.reset();
    CPrompt::SetHandler({});
    CQVSettingsHelpers::SetStoreFile(QString());
    return measured ? 0 : 1;
}
