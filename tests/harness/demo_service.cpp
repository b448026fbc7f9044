// The demo chat service: Prosody on 127.0.0.1 with the relay module, a
// simulator that plays the chat service, a visitor who writes to the demo
// agent now and then, and the knowledge-base web service with a few articles,
// whose address reaches the program in the agent's account data. Runs until interrupted; prints where it listens
// and the demo account as "name=value" lines, then "ready".

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/KBServiceMock.h"
#include "tests/harness/ProsodyFixture.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <gloox/tag.h>

#include <QXmlStreamWriter>

#include <csignal>
#include <set>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

using harness::ChatServiceSimulator;
using harness::ProsodyFixture;

namespace {

const std::string kSystemNs = "quelvar:tessary";
constexpr int kPollMs = 100;
constexpr int kVisitorEveryMs = 30000;

const char *const kVisitorLines[] = {
    "Hello, is anybody there?",
    "I ordered a lamp last week and it has not arrived yet.",
    "Can I change the delivery address of my order?",
    "Thanks for your help!",
};

int s_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_signalPipe[1], &byte, 1);
}

void Say(const QString &name, const QString &value)
{
    std::printf("%s=%s\n", qPrintable(name), qPrintable(value));
    std::fflush(stdout);
}

// The agent's account data as the chat service sends it: flat XML in the
// text of a "get-extra-info" system message.
std::string AccountData(const std::string &kbUrl)
{
    QString xml;
    QXmlStreamWriter writer(&xml);
    writer.writeStartElement(QStringLiteral("account"));
    writer.writeTextElement(QStringLiteral("AccountID"), QStringLiteral("demo-account"));
    writer.writeTextElement(QStringLiteral("display-name"), QStringLiteral("Demo Agent"));
    writer.writeTextElement(QStringLiteral("key"), QStringLiteral("demo-key"));
    writer.writeTextElement(QStringLiteral("brandle"), QString::fromStdString(kbUrl));
    writer.writeEndElement();
    return xml.toStdString();
}

void SendAccountData(ChatServiceSimulator &service, const std::string &to, const std::string &kbUrl)
{
    gloox::Tag message("message", AccountData(kbUrl));
    message.setXmlns(kSystemNs);
    message.addAttribute("type", "get-extra-info");
    gloox::Tag result("iq");
    result.addAttribute("type", "result");
    result.addAttribute("id", "qv-system-message");
    result.addAttribute("to", to);
    result.addChild(message.clone());
    service.Send(result);
}

// Answers what the agent's program asks the chat service. The first request
// of each session brings the account data along, and so does a request for
// it; a change of password succeeds; every other request is acknowledged
// without data.
void AnswerService(ChatServiceSimulator &service, const std::string &kbUrl, std::set<std::string> &greeted)
{
    while (auto request = service.Expect([](const gloox::Tag &t) { return t.name() == "iq"; }, 0)) {
        const std::string type = request->findAttribute("type");
        if (type != "get" && type != "set")
            continue;
        const std::string from = request->findAttribute("from");
        const gloox::Tag *message = request->findChild("message", "xmlns", kSystemNs);
        if (message && message->findAttribute("type") == "get-extra-info") {
            greeted.insert(from);
            SendAccountData(service, from, kbUrl);
            continue;
        }
        if (greeted.insert(from).second)
            SendAccountData(service, from, kbUrl);
        if (message && message->findAttribute("type") == "change-password") {
            gloox::Tag reply("message", "SUCCESS");
            reply.setXmlns(kSystemNs);
            reply.addAttribute("type", "change-password");
            gloox::Tag result("iq");
            result.addAttribute("type", "result");
            result.addAttribute("id", "qv-system-message");
            result.addAttribute("to", request->findAttribute("from"));
            result.addChild(reply.clone());
            service.Send(result);
            continue;
        }
        service.Reply(*request);
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    ProsodyFixture server;
    if (!server.Start()) {
        std::fprintf(stderr, "the demo chat service did not start: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    const auto client = [&](const QString &user, const QString &resource) {
        return ChatServiceSimulator::Config{QStringLiteral("127.0.0.1"), server.Port(), server.Jid(user),
                                            server.PasswordOf(user), resource};
    };
    ChatServiceSimulator service(client(QStringLiteral("sim"), QStringLiteral("service")));
    ChatServiceSimulator visitor(client(QStringLiteral("visitor"), QStringLiteral("web")));
    if (!service.Start() || !visitor.Start()) {
        std::fprintf(stderr, "the demo's simulated service and visitor did not sign in: %s %s\n",
                     qPrintable(service.ErrorText()), qPrintable(visitor.ErrorText()));
        return 1;
    }

    harness::KBServiceMock knowledgeBase;
    if (!knowledgeBase.Start()) {
        std::fprintf(stderr, "the demo knowledge-base service did not start\n");
        return 1;
    }
    knowledgeBase.AddDemoData();
    const std::string kbUrl = knowledgeBase.Url();
    std::set<std::string> greeted;

    const QString agent = QStringLiteral("agent");
    Say(QStringLiteral("address"), server.Address());
    Say(QStringLiteral("user"), server.Jid(agent));
    Say(QStringLiteral("password"), server.PasswordOf(agent));
    Say(QStringLiteral("cafile"), server.CaFile());
    Say(QStringLiteral("kb"), QString::fromStdString(kbUrl));
    std::printf("ready\n");
    std::fflush(stdout);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        AnswerService(service, kbUrl, greeted);
        // The visitor's own mail is of no interest.
        while (visitor.Expect([](const gloox::Tag &) { return true; }, 0)) {
        }
    });
    poll.start(kPollMs);

    size_t line = 0;
    QTimer visitorTimer;
    QObject::connect(&visitorTimer, &QTimer::timeout, [&] {
        gloox::Tag message("message");
        message.addAttribute("to", server.Jid(agent).toStdString());
        message.addAttribute("type", "chat");
        new gloox::Tag(&message, "body", kVisitorLines[line++ % std::size(kVisitorLines)]);
        visitor.Send(message);
    });
    visitorTimer.start(kVisitorEveryMs);

    // Stops cleanly on Ctrl+C or a kill, so Prosody goes with it.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0)
        return 1;
    QSocketNotifier stop(s_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    const int result = app.exec();
    visitor.Stop();
    service.Stop();
    knowledgeBase.Stop();
    server.Stop();
    std::printf("stopped\n");
    return result;
}
