// The demo chat service: Prosody on 127.0.0.1 with the relay module, a
// simulator that plays the chat service and a visitor who writes to the
// demo agent now and then. Runs until interrupted; prints where it listens
// and the demo account as "name=value" lines, then "ready".

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <gloox/tag.h>

#include <csignal>
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

// Answers what the agent's program asks the chat service. A change of
// password succeeds; every other request is acknowledged without data.
void AnswerService(ChatServiceSimulator &service)
{
    while (auto request = service.Expect([](const gloox::Tag &t) { return t.name() == "iq"; }, 0)) {
        const std::string type = request->findAttribute("type");
        if (type != "get" && type != "set")
            continue;
        const gloox::Tag *message = request->findChild("message", "xmlns", kSystemNs);
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

    const QString agent = QStringLiteral("agent");
    Say(QStringLiteral("address"), server.Address());
    Say(QStringLiteral("user"), server.Jid(agent));
    Say(QStringLiteral("password"), server.PasswordOf(agent));
    Say(QStringLiteral("cafile"), server.CaFile());
    std::printf("ready\n");
    std::fflush(stdout);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        AnswerService(service);
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
    server.Stop();
    std::printf("stopped\n");
    return result;
}
