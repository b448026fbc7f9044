// The connection against the scripted fake server: each engine error that a
// server can provoke, the certificate checks, the XML bounds and an open
// session's stanzas and sign-out.

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/XmppConnection.h"
#include "tests/TestUtil.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/TestPki.h"

#include <QProcess>

#include <gloox/tag.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>

using harness::FakeXmppServer;
using harness::TestPki;

namespace {

constexpr const char *kStreamNs = "urn:ietf:params:xml:ns:xmpp-streams";

// Records the connection's events, on the test's thread.
struct Probe : CXmppConnection::IListener
{
    void OnConnectionEvent(const CXmppConnection::Event &event) override { events.push_back(event); }
    std::vector<CXmppConnection::Event> events;
};

XmppLoginSettings Settings(uint16_t port)
{
    XmppLoginSettings s;
    s.user = "agent";
    s.domain = "localhost";
    s.password = "s3cr3t";
    s.host = "127.0.0.1";
    s.port = port;
    s.caFile = TestPki::Shared().caCert.toStdString();
    return s;
}

// Up to the TLS handshake, with the given certificate and TLS versions.
void UpToTls(FakeXmppServer &server, const harness::CertPair &certificate, std::string priority = {})
{
    server.Expect("<stream:stream")
        .Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesStartTls())
        .Expect("<starttls")
        .Send(FakeXmppServer::Proceed())
        .StartTls(certificate, std::move(priority));
}

// Past TLS to the new stream's header, which offers these mechanisms.
void UpToMechanisms(FakeXmppServer &server, const std::vector<std::string> &mechanisms)
{
    UpToTls(server, TestPki::Shared().localhost);
    server.Expect("<stream:stream").Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesMechanisms(mechanisms));
}

std::string Nested(int levels)
{
    std::string text = "<message></message>";
    for (int i = 0; i < levels; ++i)
        text.insert(9 + 3 * i, "<x></x>"); // after "<message>" and the tags opened so far
    return text;
}

// Elements whose names the guard cannot read whole; their cut tail looks
// like a stream root's.
std::string CutStreamLike(int count)
{
    const std::string prefix(249, 'P');
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "<" + prefix + ":streamzzz xmlns:" + prefix + "='http://etherx.jabber.org/streams'>";
    return text;
}

std::string Repeated(const std::string &text, int times)
{
    std::string out;
    out.reserve(text.size() * size_t(times));
    while (times-- > 0)
        out += text;
    return out;
}

class Connection : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(TestPki::Shared().ok) << TestPki::Shared().error.toStdString(); }

    // Signs in to the server and gives the third event, the session's open
    // or close, after the start and the opening; nothing may follow it.
    CXmppConnection::Event SignIn(FakeXmppServer &server, int signInTimeoutMs = 30000)
    {
        Probe probe;
        CXmppConnection connection(&probe);
        connection.Start();
        XmppLoginSettings settings = Settings(server.Port());
        settings.signInTimeoutMs = signInTimeoutMs;
        connection.Login(settings);
        EXPECT_TRUE(waitUntil([&] { return probe.events.size() >= 3; }, 10000)) << server.ScriptError();
        waitUntil([] { return false; }, 100);
        EXPECT_EQ(probe.events.size(), 3u);
        EXPECT_EQ(probe.events.front().state, XmppPump::StateStart);
        return probe.events.back();
    }
};

TEST_F(Connection, EachServerFailureGivesItsEngineErrorOnce)
{
    const std::string header = FakeXmppServer::Header();
    const std::string oversized = header + "<message><body>" + std::string(300 * 1024, 'a');
    const auto afterHeader = [](std::string text) {
        return [text](FakeXmppServer &s) { s.Expect("<stream:stream").Send(text); };
    };
    const auto insideTls = [](std::string text) {
        return [text](FakeXmppServer &s) {
            UpToTls(s, TestPki::Shared().localhost);
            s.Expect("<stream:stream").Send(text);
        };
    };
    const struct
    {
        const char *name;
        std::function<void(FakeXmppServer &)> script;
        int error;
        int signInTimeoutMs = 30000;
    } cases[] = {
        {"bad XML", afterHeader(header + "<message><<"), EngineError::Xml},
        {"stream error",
         afterHeader(header + "<stream:error><system-shutdown xmlns='" + kStreamNs + "'/></stream:error>"),
         EngineError::Stream},
        {"no stream version", afterHeader(FakeXmppServer::Header("")), EngineError::Version},
        {"a newer stream version", afterHeader(FakeXmppServer::Header(" version='2.0'")), EngineError::Version},
        {"the server refuses STARTTLS",
         [&](FakeXmppServer &s) {
             afterHeader(header + FakeXmppServer::FeaturesStartTls())(s);
             s.Expect("<starttls").Send("<failure xmlns='urn:ietf:params:xml:ns:xmpp-tls'/></stream:stream>");
         },
         EngineError::Tls},
        {"no SASL PLAIN inside TLS", [](FakeXmppServer &s) { UpToMechanisms(s, {"SCRAM-SHA-1", "DIGEST-MD5"}); },
         EngineError::Authentication},
        {"resource binding refused",
         [&](FakeXmppServer &s) {
             UpToMechanisms(s, {"PLAIN"});
             s.Expect("</auth>")
                 .Send("<success xmlns='urn:ietf:params:xml:ns:xmpp-sasl'/>")
                 .Expect("<stream:stream")
                 .Send(header + FakeXmppServer::FeaturesBind())
                 .Expect("</iq>")
                 .Send("<iq type='error' id='%ID%'><error type='cancel'><conflict "
                       "xmlns='urn:ietf:params:xml:ns:xmpp-stanzas'/></error></iq>");
         },
         EngineError::Binding},
        {"connection dropped", [&](FakeXmppServer &s) { afterHeader(header)(s), s.Drop(); },
         EngineError::ConnectionClosed},
        {"connection closed without a word", [](FakeXmppServer &s) { s.Expect("<stream:stream").Close(); },
         EngineError::ConnectionClosed},
        {"the server closes the document",
         [&](FakeXmppServer &s) { afterHeader(header + "</stream:stream>")(s), s.Close(); },
         EngineError::DocumentClosed},
        {"an oversized stanza before TLS", afterHeader(oversized), EngineError::Xml},
        {"an over-deep stanza before TLS", afterHeader(header + Nested(60)), EngineError::Xml},
        {"an oversized stanza inside TLS", insideTls(oversized), EngineError::Xml},
        {"an over-deep stanza inside TLS", insideTls(header + Nested(60)), EngineError::Xml},
        {"nested elements with overlong names", insideTls(header + CutStreamLike(2000)), EngineError::Xml},
        {"invalid UTF-8", insideTls(header + "<message><body>a\xff\xfe</body></message>"), EngineError::Xml},
        {"an overlong UTF-8 form", insideTls(header + "<message><body>\xc0\xbc</body></message>"), EngineError::Xml},
        {"a control character", insideTls(header + "<message><body>a\x01</body></message>"), EngineError::Xml},
        {"a forbidden character reference", insideTls(header + "<message><body>&#x1;</body></message>"),
         EngineError::Xml},
        {"a forbidden character in an attribute", insideTls(header + "<message to='\xef\xbf\xbe'/>"),
         EngineError::Xml},
        {"the root's end tag inside a stanza",
         insideTls(header + "<message to='a@b' from='c@d'>" + Repeated("</stream:stream><a>", 300000)),
         EngineError::Xml},
        {"a quote of the other kind inside a value",
         insideTls(header + Repeated("<x a='\">" + Repeated("<a>", 1000) + "'></a>", 300)), EngineError::Xml},
        {"a reference that never ends", insideTls(header + "<presence/>&" + std::string(2 << 20, 'a')),
         EngineError::Xml, 5000},
        {"a server that says nothing", [](FakeXmppServer &s) { s.Expect("<stream:stream"); }, EngineError::Timeout,
         300},
        {"a server that stops inside TLS", insideTls(header), EngineError::Timeout, 1500},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        c.script(server);
        ASSERT_TRUE(server.Start());
        const auto closed = SignIn(server, c.signInTimeoutMs);
        EXPECT_EQ(closed.state, XmppPump::StateClosed);
        EXPECT_EQ(closed.error, c.error) << server.ScriptError();
    }
}

TEST_F(Connection, OnlyTheTestCasLocalhostCertificateIsAcceptedAndNoCredentialsGoOutBeforeIt)
{
    const TestPki &pki = TestPki::Shared();
    const struct
    {
        const char *name;
        std::optional<harness::CertPair> certificate; // none: the server offers no STARTTLS
        bool accepted;
        std::string priority = {}; // the TLS versions the server offers
    } cases[] = {
        {"the test CA's localhost", pki.localhost, true}, {"self-signed", pki.selfSigned, false},
        {"expired", pki.expired, false},                  {"not yet valid", pki.notYetValid, false},
        {"wrong host name", pki.wrongHost, false},        {"unknown CA", pki.unknownCa, false},
        {"no STARTTLS", std::nullopt, false},
        {"TLS 1.0 only", pki.localhost, false, "NORMAL:-VERS-ALL:+VERS-TLS1.0"},
        {"TLS 1.1 only", pki.localhost, false, "NORMAL:-VERS-ALL:+VERS-TLS1.1"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        if (c.accepted)
            server.LoginScript();
        else if (c.certificate)
            UpToTls(server, *c.certificate, c.priority);
        // Should the client go on, the server would offer PLAIN.
        if (!c.accepted)
            server.Expect("<stream:stream").Send(FakeXmppServer::Header()
                                                 + FakeXmppServer::FeaturesMechanisms({"PLAIN"}));
        ASSERT_TRUE(server.Start());
        const auto last = SignIn(server);
        EXPECT_EQ(last.state, c.accepted ? XmppPump::StateOpen : XmppPump::StateClosed);
        EXPECT_EQ(last.error, c.accepted ? EngineError::None : EngineError::Tls);
        EXPECT_EQ(last.ownJid, c.accepted ? "agent@localhost/Ostrel" : "");
        ASSERT_TRUE(server.WaitForConnectionsEnded());
        EXPECT_EQ(server.TlsHandshakeFailed(), c.certificate && !c.accepted);
        // PLAIN inside TLS only, and nothing the session did not ask for.
        EXPECT_EQ(server.Received().find("mechanism='PLAIN'") != std::string::npos, c.accepted);
        EXPECT_EQ(server.Received().find("<presence"), std::string::npos); // no automatic presence
        EXPECT_EQ(server.Received().find("jabber:iq:roster"), std::string::npos);
    }
}

// A server process that stops while its kernel still acknowledges: after a
// quiet spell the client pings; an answer, even an error, keeps the session.
TEST_F(Connection, AQuietServerIsPingedAndOneThatNeverAnswersIsALostConnection)
{
    const struct
    {
        const char *name;
        std::function<void(FakeXmppServer &)> after; // after the login
        int pings;                                   // read by the server; the last one it never reads
    } cases[] = {
        {"an error answer, then stopped",
         [](FakeXmppServer &s) { s.Expect("urn:xmpp:ping").Send("<iq type='error' id='%ID%' from='localhost'/>").Stall(); },
         1},
        {"two answers, then stopped",
         [](FakeXmppServer &s) {
             s.Expect("urn:xmpp:ping").Send("<iq type='error' id='%ID%' from='localhost'/>");
             s.Expect("urn:xmpp:ping").Send("<iq type='result' id='%ID%' from='localhost'/>").Stall();
         },
         2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        server.LoginScript();
        c.after(server);
        ASSERT_TRUE(server.Start());
        Probe probe;
        CXmppConnection connection(&probe);
        connection.Start();
        XmppLoginSettings settings = Settings(server.Port());
        settings.pingIdleMs = 200;
        settings.pingAnswerMs = 300;
        connection.Login(settings);
        ASSERT_TRUE(waitUntil([&] { return probe.events.size() >= 4; }, 10000)) << server.ScriptError();
        EXPECT_EQ(probe.events[2].state, XmppPump::StateOpen);
        EXPECT_EQ(probe.events[3].state, XmppPump::StateClosed);
        EXPECT_EQ(probe.events[3].error, EngineError::ConnectionClosed);
        const std::string sent = server.Received();
        EXPECT_NE(sent.find("<iq type='get' id='ping1' to='localhost'><ping xmlns='urn:xmpp:ping'/></iq>"),
                  std::string::npos);
        size_t pings = 0;
        for (size_t at = 0; (at = sent.find("urn:xmpp:ping", at)) != std::string::npos; ++at)
            ++pings;
        EXPECT_EQ(pings, size_t(c.pings));
        connection.Stop();
    }
}

// The server's machine goes silent while the connection stays up: nothing
// it sent is taken back, nothing arrives. Cutting the loopback needs a network
// of the test's own, so the test runs itself again in one.
TEST_F(Connection, AServerThatStopsAnsweringIsALostConnection)
{
    const char *name = "Connection.AServerThatStopsAnsweringIsALostConnection";
    if (!qEnvironmentVariableIsSet("OSTREL_TEST_OWN_NETWORK")) {
        QProcess self;
        self.setProcessChannelMode(QProcess::MergedChannels);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("OSTREL_TEST_OWN_NETWORK"), QStringLiteral("1"));
        self.setProcessEnvironment(environment);
        self.start(QStringLiteral("unshare"),
                   {QStringLiteral("-rn"), QStringLiteral("sh"), QStringLiteral("-c"),
                    QStringLiteral("ip link set lo up || exit 77; exec \"$0\" --gtest_filter=%1").arg(name),
                    QCoreApplication::applicationFilePath()});
        if (!self.waitForStarted())
            GTEST_SKIP() << "no unshare";
        ASSERT_TRUE(self.waitForFinished(60000));
        const std::string output = self.readAll().toStdString();
        if (self.exitCode() == 77 || output.find("unshare: ") != std::string::npos)
            GTEST_SKIP() << "no network of its own: " << output;
        EXPECT_EQ(self.exitCode(), 0) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }

    FakeXmppServer server;
    server.LoginScript();
    ASSERT_TRUE(server.Start());
    Probe probe;
    CXmppConnection connection(&probe);
    connection.Start();
    XmppLoginSettings settings = Settings(server.Port());
    settings.deadPeerMs = 1000;
    connection.Login(settings);
    ASSERT_TRUE(waitUntil([&] { return !probe.events.empty() && probe.events.back().state == XmppPump::StateOpen; }))
        << server.ScriptError();

    // Every packet on the loopback is dropped from now on.
    if (QProcess::execute(QStringLiteral("tc"), {"qdisc", "add", "dev", "lo", "root", "pfifo", "limit", "0"}) != 0)
        GTEST_SKIP() << "tc cannot cut the loopback";
    connection.SendRaw(" "); // the keep-alive
    EXPECT_TRUE(waitUntil([&] { return probe.events.back().state == XmppPump::StateClosed; }, 15000));
    EXPECT_EQ(probe.events.back().error, EngineError::ConnectionClosed);
    QProcess::execute(QStringLiteral("tc"), {"qdisc", "del", "dev", "lo", "root"});
    connection.Stop();
}

} // namespace
