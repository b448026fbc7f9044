// The agents' pictures against a web module that fails every fetch: one
// that answers 404 and one whose port refuses the connection. Counts the
// requests each agent costs a minute (the goal: at most 6).
//
//   bench_agent_pictures [seconds per case, 60] [agents, 3]

#include "plugins/chat/AgentPictures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>

using QVPlugin::Jid;

namespace {

int g_failures = 0;
QtMessageHandler g_previous = nullptr;

// Every fetch that fails says so once on the chat category.
void CountFailures(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (text.startsWith(QLatin1String("agent picture of"))) {
        ++g_failures;
        return;
    }
    if (g_previous)
        g_previous(type, context, text);
}

// Answers every request with 404.
class NotFoundServer : public QObject
{
public:
    NotFoundServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *s = m_server.nextPendingConnection()) {
                connect(s, &QTcpSocket::readyRead, s, [this, s] {
                    if (!s->readAll().contains("\r\n\r\n"))
                        return;
                    ++requests;
                    s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                    s->disconnectFromHost();
                });
                connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
            }
        });
        m_server.listen(QHostAddress::LocalHost, 0);
    }
    quint16 Port() const { return m_server.serverPort(); }
    int requests = 0;

private:
    QTcpServer m_server;
};

quint16 ClosedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort(); // closed again when the probe goes
}

void RunCase(const char *name, const QString &base, int seconds, int agents)
{
    g_failures = 0;
    CAgentPictures pictures;
    pictures.SetBaseUrl(base);
    for (int i = 0; i < agents; ++i)
        pictures.Request(Jid(QStringLiteral("agent%1@chat.local").arg(i)));
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(seconds * 1000, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    const double minutes = double(clock.elapsed()) / 60000.0;
    std::printf("%-22s %8d %10.1f %14.2f\n", name, g_failures, g_failures / minutes,
                g_failures / minutes / agents);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
    const int agents = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    QLoggingCategory::setFilterRules(QStringLiteral("ostrel.chat.debug=true"));
    g_previous = qInstallMessageHandler(CountFailures);

    std::printf("%d agents, %d s per case, retry interval %d ms, at most %d tries an hour\n", agents, seconds,
                CAgentPictures::kRetryMs, CAgentPictures::kMaxTriesPerHour);
    std::printf("%-22s %8s %10s %14s\n", "web module", "requests", "per minute", "per agent/min");
    NotFoundServer notFound;
    RunCase("answers 404", QStringLiteral("http://127.0.0.1:%1/qvx/").arg(notFound.Port()), seconds, agents);
    RunCase("refuses connections", QStringLiteral("http://127.0.0.1:%1/qvx/").arg(ClosedPort()), seconds, agents);
    return 0;
}
