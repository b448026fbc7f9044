// CWirlam on a bus against real servers: Prosody for sign-in, refusal,
// conflict and a UTF-8 account; the scripted fake server for the keep-alive,
// the raw stanza, a second sign-in and a shut-down while connecting.

#include "WirlamBus.h"

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/LocalPort.h"

#include <QElapsedTimer>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <mutex>

using namespace xmpptest;
using harness::FakeXmppServer;
using harness::ProsodyFixture;

namespace {

const QStringList kSignedIn{"presence 2", "presence 2", "presence 3", "set agent.id=agent@localhost/Ostrel",
                            "connected"};
const QStringList kSignedOut{"disconnected", "set agent.id=", "presence 1"};
const QString kUtf8User = QString::fromUtf8("ag\xc3\xa9nt");

class WirlamProsody : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ProsodyFixture::Options options;
        options.accounts.append({kUtf8User, QString::fromUtf8("p\xc3\xa4sswort-\xe2\x82\xac")});
        server = std::make_unique<ProsodyFixture>(options);
        ASSERT_TRUE(server->Start()) << server->ErrorText().toStdString();
    }

    std::string Journal() const { return bus.journal.join(QLatin1Char('\n')).toStdString(); }

    WirlamBus bus;
    std::unique_ptr<ProsodyFixture> server;
};

TEST_F(WirlamProsody, SignInReportsConnectingOnlineTheAgentIdThenConnectedAndSignOutReportsNoError)
{
    ASSERT_TRUE(bus.SignIn(*server));
    EXPECT_EQ(bus.journal, kSignedIn);
    EXPECT_EQ(bus.manager->GetSetting("agent.id", QString()).toString(), "agent@localhost/Ostrel");

    bus.journal.clear();
    EXPECT_EQ(bus.Logout(), 2);
    ASSERT_TRUE(bus.WaitFor("presence 1"));
    bus.Settle();
    EXPECT_EQ(bus.journal, kSignedOut);
    EXPECT_EQ(bus.manager->GetSetting("agent.id", "none").toString(), "none");
}

TEST_F(WirlamProsody, AWrongPasswordShowsTheRefusalThenReportsError4)
{
    ASSERT_EQ(bus.Login(*server, "agent", "wrong"), 2);
    ASSERT_TRUE(bus.WaitFor("error 4")) << Journal();
    bus.Settle();
    const QStringList expected = kSignedOut + QStringList{"box Error|Invalid user name or password.", "error 4"};
    EXPECT_EQ(bus.journal.mid(bus.journal.size() - 5), expected) << Journal();
    EXPECT_EQ(bus.journal.count("error 4"), 1);
}

TEST_F(WirlamProsody, ASecondSignInOfTheAccountElsewhereEndsTheSessionWithTheStreamError)
{
    ASSERT_TRUE(bus.SignIn(*server));
    harness::ChatServiceSimulator elsewhere({"127.0.0.1", server->Port(), server->Jid("agent"),
                                             server->PasswordOf("agent"), "Ostrel"});
    ASSERT_TRUE(elsewhere.Start()) << elsewhere.ErrorText().toStdString();
    ASSERT_TRUE(bus.WaitFor("error 2")) << Journal();
    bus.Settle();
    EXPECT_EQ(bus.journal.count("error 2"), 1);
    EXPECT_TRUE(bus.journal.filter("box").isEmpty());
    EXPECT_FALSE(bus.wirlam->IsConnected());
}

// Everything logged, from every thread, while it lives.
struct LogCapture
{
    LogCapture()
    {
        QLoggingCategory::setFilterRules("ostrel.xmpp.debug=true");
        previous = qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &message) {
            std::lock_guard lock(s_lock);
            s_text += message + '\n';
        });
    }
    ~LogCapture()
    {
        qInstallMessageHandler(previous);
        QLoggingCategory::setFilterRules(QString());
    }
    static QString Text()
    {
        std::lock_guard lock(s_lock);
        return s_text;
    }
    static inline std::mutex s_lock;
    static inline QString s_text;
    QtMessageHandler previous;
};

TEST_F(WirlamProsody, AUtf8AccountSignsInAndTheLogNeverHoldsThePassword)
{
    const QString password = server->PasswordOf(kUtf8User);
    QString log;
    {
        LogCapture capture;
        ASSERT_TRUE(bus.SignIn(*server, kUtf8User));
        bus.Logout();
        ASSERT_TRUE(bus.WaitFor("presence 1"));
        log = capture.Text();
    }
    EXPECT_TRUE(bus.journal.contains("set agent.id=" + kUtf8User + "@localhost/Ostrel"));
    const QByteArray plain = QByteArray("\0", 1) + kUtf8User.toUtf8() + QByteArray("\0", 1) + password.toUtf8();
    EXPECT_TRUE(log.contains("mechanism='PLAIN'")) << "the exchange itself is logged";
    EXPECT_FALSE(log.contains(password));
    EXPECT_FALSE(log.contains(QString::fromLatin1(plain.toBase64())));
}

TEST(WirlamFake, AClosedPortReportsError10WithoutABox)
{
    WirlamBus bus;
    bus.Login("agent@localhost", "x", QStringLiteral("127.0.0.1:%1").arg(harness::FreeLocalPort()));
    ASSERT_TRUE(bus.WaitFor("error 10"));
    bus.Settle();
    EXPECT_EQ(bus.journal, QStringList{"presence 2"} + kSignedOut + QStringList{"error 10"});
}

TEST(WirlamFake, KeepAliveAndRawStanzaGoOutOnlyWhileConnected)
{
    FakeXmppServer server;
    server.LoginScript().Expect("</stream:stream>");
    ASSERT_TRUE(server.Start());
    WirlamBus bus;
    bus.manager->SetSetting("server.address", server.Address());
    bus.manager->SetSetting("server.cafile", harness::TestPki::Shared().caCert);
    ASSERT_NE(bus.wirlam->KeepAliveTimer(), 0u);

    // An empty server in the sign-in means the "server.address" setting.
    ASSERT_EQ(bus.Login("agent@localhost", "x", QString()), 2);
    ASSERT_TRUE(bus.WaitFor("connected")) << server.ScriptError();
    bus.wirlam->OnTimer(bus.wirlam->KeepAliveTimer());
    QVMessage<std::string> raw("<message to='%%DOMAIN%%' from='%%JID%%'/>");
    EXPECT_EQ(bus.Send(MSG_SEND_RAW_STANZA, &raw), 1);
    bus.Logout();
    ASSERT_TRUE(bus.WaitFor("presence 1"));
    bus.wirlam->OnTimer(bus.wirlam->KeepAliveTimer()); // signed out: nothing
    ASSERT_TRUE(server.WaitForConnectionsEnded());
    // The session's own presence follows the binding; then the space and the raw stanza.
    EXPECT_NE(server.Received().find(
                  "</presence> <message to='localhost' from='agent@localhost/Ostrel'/></stream:stream>"),
              std::string::npos)
        << server.Received();
}

TEST(WirlamFake, ASecondSignInClosesTheRunningSessionFirst)
{
    FakeXmppServer server;
    server.LoginScript();
    ASSERT_TRUE(server.Start());
    WirlamBus bus;
    bus.manager->SetSetting("server.cafile", harness::TestPki::Shared().caCert);
    bus.Login("agent@localhost", "x", server.Address());
    ASSERT_TRUE(bus.WaitFor("connected"));
    bus.Login("agent@localhost", "x", server.Address());
    ASSERT_TRUE(bus.WaitFor("connected", 2));
    bus.Settle();
    EXPECT_EQ(bus.journal, kSignedIn + kSignedOut + kSignedIn);
}

TEST(WirlamFake, WhileConnectingNoKeepAliveGoesOutAndShutDownIsQuick)
{
    FakeXmppServer silent;
    ASSERT_TRUE(silent.Start());
    auto bus = std::make_unique<WirlamBus>();
    bus->Login("agent@localhost", "x", silent.Address());
    ASSERT_TRUE(bus->WaitFor("presence 2", 2)); // the stream is opening
    bus->wirlam->OnTimer(bus->wirlam->KeepAliveTimer());
    QElapsedTimer timer;
    timer.start();
    bus.reset();
    EXPECT_LT(timer.elapsed(), 2000);
    ASSERT_TRUE(silent.WaitForConnectionsEnded());
    // The stream's end follows its header without a space between them.
    EXPECT_NE(silent.Received().find("version='1.0'></stream:stream>"), std::string::npos) << silent.Received();
}

} // namespace
