#pragma once
// A real XMPP server for integration tests: Prosody, run as the current user
// on 127.0.0.1 at a port chosen at run time, with its own data folder, the
// test CA's "localhost" certificate, encryption required and SASL PLAIN
// allowed over TLS. The accounts share one roster group, and the relay module
// hands the chat service's iq stanzas to the simulator account.
//
// Not thread-safe; start and stop it from the test's thread. The destructor
// stops the server, so it goes away even when a test fails; should the test
// process die, the kernel ends the server with it.

#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <memory>

namespace harness {

struct ProsodyAccount
{
    QString user; // the node, UTF-8 allowed
    QString password;
};

class ProsodyFixture
{
public:
    struct Options
    {
        QList<ProsodyAccount> accounts{{QStringLiteral("agent"), QStringLiteral("agent-secret")},
                                       {QStringLiteral("sim"), QStringLiteral("sim-secret")},
                                       {QStringLiteral("visitor"), QStringLiteral("visitor-secret")}};
        // The account that plays the chat service.
        QString simulatorUser = QStringLiteral("sim");
        // Whether that account shares the roster group. The agents know the
        // service only as the server, so the demo keeps it out.
        bool simulatorInGroup = true;
        // Further accounts outside the roster group: strangers to the agents.
        QStringList outsiders;
        // Further lines of the global section, e.g. disable_sasl_mechanisms.
        QStringList extraConfig;
    };

    ProsodyFixture();
    explicit ProsodyFixture(Options options);
    ~ProsodyFixture();
    ProsodyFixture(const ProsodyFixture &) = delete;
    ProsodyFixture &operator=(const ProsodyFixture &) = delete;

    // Starts the server and waits until it listens; false with ErrorText()
    // when it did not within the time.
    bool Start(int timeoutMs = 15000);
    void Stop();
    bool IsRunning() const;

    static bool Installed();

    QString Domain() const { return QStringLiteral("localhost"); }
    uint16_t Port() const { return m_port; }
    // "127.0.0.1:port", the form of the "server.address" setting.
    QString Address() const;
    QString CaFile() const;
    QString Jid(const QString &user) const { return user + QLatin1Char('@') + Domain(); }
    QString PasswordOf(const QString &user) const;

    QString ErrorText() const { return m_error; }
    // The server's own log, for failure messages.
    QString Log() const;

private:
    bool WriteFiles();
    bool StartOnce(int timeoutMs);

    Options m_options;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    uint16_t m_port = 0;
    QString m_error;
};

} // namespace harness
