// CWirlam on a bus against real servers: Prosody for sign-in, refusal,
// conflict and UTF-8 accounts; the scripted fake server for the keep-alive,
// the raw stanza, a second sign-in and a shut-down while connecting.

#include "WirlamBus.h"

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/LocalPort.h"
#include "tests/harness/ProsodyFixture.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <mutex>

using namespace xmpptest;
using harness::FakeXmppServer;
using harness::ProsodyFixture;

namespace {

const QStringList kSignedIn{QStringLiteral("presence 2"), QStringLiteral("presence 2"), QStringLiteral("presence 3"),
                            QStringLiteral("set agent.id=agent@localhost/Ostrel"), QStringLiteral("connected")};
const QStringList kSignedOut{QStringLiteral("disconnected"), QStringLiteral("set agent.id="),
                             QStringLiteral("presence 1")};

class WirlamProsody : public ::testing::Test
{
protected:
    void SetUp() override { StartServer(ProsodyFixture::Options()); }

    void StartServer(const ProsodyFixture::Options &options)
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        server = std::make_unique<ProsodyFixture>(options);
        ASSERT_TRUE(server->Start()) << server->ErrorText().toStdString();
        bus.manager->SetSetting(QStringLiteral("server.cafile"), server->CaFile());
    }

    int SignIn(const QString &user, const QString &password)
    {
        return bus.Login(server->Jid(user), password, server->Address());
    }

    std::string Journal() const { return bus.journal.join(QStringLiteral("\n")).toStdString(); }

    WirlamBus bus;
    std::unique_ptr<ProsodyFixture> server;
};

TEST_F(WirlamProsody, SignInReportsConnectingOnlineTheAgentIdThenConnectedAndSignOutReportsNoError)
{
    ASSERT_EQ(SignIn(QStringLiteral("agent"), server->PasswordOf(QStringLiteral("agent"))), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"))) << Journal() << server->Log().toStdString();
    EXPECT_EQ(bus.journal, kSignedIn);
    EXPECT_TRUE(bus.wirlam->IsConnected());
    EXPECT_EQ(bus.manager->GetSetting(QStringLiteral("agent.id"), QString()).toString(),
              QStringLiteral("agent@localhost/Ostrel"));

    bus.journal.clear();
    EXPECT_EQ(bus.Logout(), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("presence 1")));
    bus.Settle();
    EXPECT_EQ(bus.journal, kSignedOut);
    EXPECT_EQ(bus.manager->GetSetting(QStringLiteral("agent.id"), QStringLiteral("none")).toString(),
              QStringLiteral("none"));
}

TEST_F(WirlamProsody, AWrongPasswordShowsTheRefusalThenReportsError4)
{
    ASSERT_EQ(SignIn(QStringLiteral("agent"), QStringLiteral("wrong")), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("error 4"))) << Journal();
    bus.Settle();
    const QStringList expected =
        kSignedOut + QStringList{QStringLiteral("box Error|Invalid user name or password."), QStringLiteral("error 4")};
    EXPECT_EQ(bus.journal.mid(bus.journal.size() - 5), expected) << Journal();
    EXPECT_EQ(bus.journal.count(QStringLiteral("error 4")), 1);
}

TEST_F(WirlamProsody, ASecondSignInOfTheAccountElsewhereEndsTheSessionWithTheStreamError)
{
    ASSERT_EQ(SignIn(QStringLiteral("agent"), server->PasswordOf(QStringLiteral("agent"))), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected")));
    harness::ChatServiceSimulator elsewhere({QStringLiteral("127.0.0.1"), server->Port(),
                                             server->Jid(QStringLiteral("agent")),
                                             server->PasswordOf(QStringLiteral("agent")), QStringLiteral("Ostrel")});
    ASSERT_TRUE(elsewhere.Start()) << elsewhere.ErrorText().toStdString();
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("error 2"))) << Journal();
    bus.Settle();
    EXPECT_EQ(bus.journal.count(QStringLiteral("error 2")), 1);
    EXPECT_FALSE(bus.journal.join(QLatin1Char('\n')).contains(QStringLiteral("box")));
    EXPECT_FALSE(bus.wirlam->IsConnected());
}

TEST_F(WirlamProsody, UserNameAndPasswordGoOutAsUtf8)
{
    const QString user = QString::fromUtf8("ag\xc3\xa9nt");
    const QString password = QString::fromUtf8("p\xc3\xa4sswort-\xe2\x82\xac");
    ProsodyFixture::Options options;
    options.accounts = {{user, password}};
    bus.journal.clear();
    server.reset();
    StartServer(options);
    ASSERT_EQ(SignIn(user, password), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"))) << Journal() << server->Log().toStdString();
    EXPECT_TRUE(bus.journal.contains(QStringLiteral("set agent.id=") + user + QStringLiteral("@localhost/Ostrel")));
}

// Everything logged while a session signs in, from every thread.
class LogCapture
{
public:
    LogCapture()
    {
        s_self = this;
        QLoggingCategory::setFilterRules(QStringLiteral("ostrel.xmpp.debug=true"));
        m_previous = qInstallMessageHandler(&LogCapture::Handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        s_self = nullptr;
    }
    QString Text()
    {
        std::lock_guard lock(m_lock);
        return m_text;
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext &, const QString &message)
    {
        std::lock_guard lock(s_self->m_lock);
        s_self->m_text += message + QLatin1Char('\n');
    }

    static inline LogCapture *s_self = nullptr;
    QtMessageHandler m_previous = nullptr;
    std::mutex m_lock;
    QString m_text;
};

TEST_F(WirlamProsody, TheLogNeverHoldsThePassword)
{
    const QString password = server->PasswordOf(QStringLiteral("agent"));
    QString log;
    {
        LogCapture capture;
        ASSERT_EQ(SignIn(QStringLiteral("agent"), password), 2);
        ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected")));
        bus.Logout();
        ASSERT_TRUE(bus.WaitFor(QStringLiteral("presence 1")));
        log = capture.Text();
    }
    const QByteArray plain = QByteArray("\0agent\0", 7) + password.toUtf8();
    EXPECT_TRUE(log.contains(QStringLiteral("mechanism='PLAIN'"))) << "the exchange itself is logged";
    EXPECT_FALSE(log.contains(password));
    EXPECT_FALSE(log.contains(QString::fromLatin1(plain.toBase64())));
}

TEST(WirlamFake, AClosedPortReportsError10WithoutABox)
{
    WirlamBus bus;
    bus.Login(QStringLiteral("agent@localhost"), QStringLiteral("x"),
              QStringLiteral("127.0.0.1:%1").arg(harness::FreeLocalPort()));
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("error 10")));
    bus.Settle();
    const QStringList expected =
        QStringList{QStringLiteral("presence 2")} + kSignedOut + QStringList{QStringLiteral("error 10")};
    EXPECT_EQ(bus.journal, expected);
}

TEST(WirlamFake, KeepAliveAndRawStanzaGoOutOnlyWhileConnected)
{
    FakeXmppServer server;
    server.LoginScript().Expect("</stream:stream>");
    ASSERT_TRUE(server.Start());
    WirlamBus bus;
    bus.manager->SetSetting(QStringLiteral("server.address"), server.Address());
    bus.manager->SetSetting(QStringLiteral("server.cafile"), harness::TestPki::Shared().caCert);
    ASSERT_NE(bus.wirlam->KeepAliveTimer(), 0u);

    // An empty server in the sign-in means the "server.address" setting.
    ASSERT_EQ(bus.Login(QStringLiteral("agent@localhost"), QStringLiteral("x"), QString()), 2);
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"))) << server.ScriptError();
    bus.wirlam->OnTimer(bus.wirlam->KeepAliveTimer());
    QVMessage<std::string> raw("<message to='%%DOMAIN%%' from='%%JID%%'/>");
    EXPECT_EQ(bus.manager->SendMessage(nullptr, MSG_SEND_RAW_STANZA, &raw, nullptr), 1);
    bus.Logout();
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("presence 1")));
    bus.wirlam->OnTimer(bus.wirlam->KeepAliveTimer()); // signed out: nothing
    ASSERT_TRUE(server.WaitForConnectionsEnded());
    const std::string received = server.Received();
    // The session's own presence follows the binding; then the space and the raw stanza.
    EXPECT_NE(received.find("</presence> <message to='localhost' from='agent@localhost/Ostrel'/></stream:stream>"),
              std::string::npos)
        << received;
}

TEST(WirlamFake, NoKeepAliveWhileConnecting)
{
    FakeXmppServer silent;
    ASSERT_TRUE(silent.Start());
    WirlamBus bus;
    bus.Login(QStringLiteral("agent@localhost"), QStringLiteral("x"), silent.Address());
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("presence 2"), 2)); // the stream is opening
    bus.wirlam->OnTimer(bus.wirlam->KeepAliveTimer());
    bus.Logout();
    ASSERT_TRUE(silent.WaitForConnectionsEnded());
    // The stream's end follows its header without a space between them.
    EXPECT_NE(silent.Received().find("version='1.0'></stream:stream>"), std::string::npos) << silent.Received();
}

TEST(WirlamFake, ASecondSignInClosesTheRunningSessionFirst)
{
    FakeXmppServer server;
    server.LoginScript();
    ASSERT_TRUE(server.Start());
    WirlamBus bus;
    bus.manager->SetSetting(QStringLiteral("server.cafile"), harness::TestPki::Shared().caCert);
    bus.Login(QStringLiteral("agent@localhost"), QStringLiteral("x"), server.Address());
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected")));
    bus.Login(QStringLiteral("agent@localhost"), QStringLiteral("x"), server.Address());
    ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"), 2));
    bus.Settle();
    EXPECT_EQ(bus.journal, kSignedIn + kSignedOut + kSignedIn);
}

TEST(WirlamFake, ShutDownDuringAConnectToASilentServerIsQuick)
{
    FakeXmppServer silent;
    ASSERT_TRUE(silent.Start());
    auto bus = std::make_unique<WirlamBus>();
    bus->Login(QStringLiteral("agent@localhost"), QStringLiteral("x"), silent.Address());
    ASSERT_TRUE(bus->WaitFor(QStringLiteral("presence 2"), 2));
    QElapsedTimer timer;
    timer.start();
    bus.reset();
    EXPECT_LT(timer.elapsed(), 2000);
}

} // namespace
