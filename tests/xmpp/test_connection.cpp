// The connection against the scripted fake server: each engine error that a
// server can provoke, the certificate checks, the XML bounds and an open
// session's stanzas and sign-out.

#include "ConnectionProbe.h"

#include "plugins/xmpp/EngineError.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/TestPki.h"

#include <gtest/gtest.h>

#include <functional>

using harness::FakeXmppServer;
using harness::TestPki;

namespace {

constexpr const char *kStreamNs = "urn:ietf:params:xml:ns:xmpp-streams";

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

// Up to the TLS handshake, with the given certificate.
void UpToTls(FakeXmppServer &server, const harness::CertPair &certificate)
{
    server.Expect("<stream:stream")
        .Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesStartTls())
        .Expect("<starttls")
        .Send(FakeXmppServer::Proceed())
        .StartTls(certificate);
}

// Past TLS to the new stream's header, which offers these mechanisms.
void UpToMechanisms(FakeXmppServer &server, const std::vector<std::string> &mechanisms)
{
    UpToTls(server, TestPki::Shared().localhost);
    server.Expect("<stream:stream").Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesMechanisms(mechanisms));
}

std::string Nested(int levels)
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) {
        open += "<x>";
        close += "</x>";
    }
    return "<message>" + open + close + "</message>";
}

class Connection : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(TestPki::Shared().ok) << TestPki::Shared().error.toStdString(); }

    // Signs in to the port and waits for the session to close.
    CXmppConnection::Event SignInUntilClosed(ConnectionProbe &probe, uint16_t port)
    {
        CXmppConnection connection(&probe, &probe);
        connection.Start();
        connection.Login(Settings(port));
        EXPECT_TRUE(probe.WaitFor(XmppPump::StateClosed));
        // Nothing after the close: one error per session.
        waitUntil([] { return false; }, 100);
        EXPECT_EQ(probe.Count(XmppPump::StateClosed), 1);
        connection.Stop();
        return probe.LastClosed();
    }
};

TEST_F(Connection, EachServerFailureGivesItsEngineErrorOnce)
{
    const std::string header = FakeXmppServer::Header();
    const struct
    {
        const char *name;
        std::function<void(FakeXmppServer &)> script;
        int error;
    } cases[] = {
        {"bad XML", [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(header + "<message><<"); },
         EngineError::Xml},
        {"stream error",
         [&](FakeXmppServer &s) {
             s.Expect("<stream:stream")
                 .Send(header + "<stream:error><system-shutdown xmlns='" + kStreamNs + "'/></stream:error>");
         },
         EngineError::Stream},
        {"no stream version",
         [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(FakeXmppServer::Header("")); },
         EngineError::Version},
        {"a newer stream version",
         [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(FakeXmppServer::Header(" version='2.0'")); },
         EngineError::Version},
        {"the server refuses STARTTLS",
         [&](FakeXmppServer &s) {
             s.Expect("<stream:stream")
                 .Send(header + FakeXmppServer::FeaturesStartTls())
                 .Expect("<starttls")
                 .Send("<failure xmlns='urn:ietf:params:xml:ns:xmpp-tls'/></stream:stream>");
         },
         EngineError::Tls},
        {"no SASL PLAIN inside TLS", [&](FakeXmppServer &s) { UpToMechanisms(s, {"SCRAM-SHA-1", "DIGEST-MD5"}); },
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
        {"connection dropped", [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(header).Drop(); },
         EngineError::ConnectionClosed},
        {"connection closed without a word", [&](FakeXmppServer &s) { s.Expect("<stream:stream").Close(); },
         EngineError::ConnectionClosed},
        {"the server closes the document",
         [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(header + "</stream:stream>").Close(); },
         EngineError::DocumentClosed},
        {"an oversized stanza before TLS",
         [&](FakeXmppServer &s) {
             s.Expect("<stream:stream").Send(header + "<message><body>" + std::string(300 * 1024, 'a'));
         },
         EngineError::Xml},
        {"an over-deep stanza before TLS",
         [&](FakeXmppServer &s) { s.Expect("<stream:stream").Send(header + Nested(60)); }, EngineError::Xml},
        {"an oversized stanza inside TLS",
         [&](FakeXmppServer &s) {
             UpToTls(s, TestPki::Shared().localhost);
             s.Expect("<stream:stream").Send(header + "<message><body>" + std::string(300 * 1024, 'a'));
         },
         EngineError::Xml},
        {"an over-deep stanza inside TLS",
         [&](FakeXmppServer &s) {
             UpToTls(s, TestPki::Shared().localhost);
             s.Expect("<stream:stream").Send(header + Nested(60));
         },
         EngineError::Xml},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        c.script(server);
        ASSERT_TRUE(server.Start());
        ConnectionProbe probe;
        const auto closed = SignInUntilClosed(probe, server.Port());
        EXPECT_EQ(closed.error, c.error) << server.ScriptError();
        EXPECT_EQ(probe.States().front(), XmppPump::StateStart);
    }
}

TEST_F(Connection, CertificatesThatDoNotVerifyAreRefusedBeforeAnyCredentials)
{
    const TestPki &pki = TestPki::Shared();
    const struct
    {
        const char *name;
        harness::CertPair certificate;
    } cases[] = {
        {"self-signed", pki.selfSigned}, {"expired", pki.expired},     {"not yet valid", pki.notYetValid},
        {"wrong host name", pki.wrongHost}, {"unknown CA", pki.unknownCa},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        UpToTls(server, c.certificate);
        // Should the client go on, the server would offer PLAIN.
        server.Expect("<stream:stream").Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesMechanisms({"PLAIN"}));
        ASSERT_TRUE(server.Start());
        ConnectionProbe probe;
        EXPECT_EQ(SignInUntilClosed(probe, server.Port()).error, EngineError::Tls);
        ASSERT_TRUE(server.WaitForConnectionsEnded());
        EXPECT_TRUE(server.TlsHandshakeFailed());
        EXPECT_EQ(server.Received().find("<auth"), std::string::npos);
        EXPECT_EQ(server.Received().find("s3cr3t"), std::string::npos);
    }
}

TEST_F(Connection, AServerWithoutStartTlsIsRefusedBeforeAuthentication)
{
    FakeXmppServer server;
    server.Expect("<stream:stream").Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesMechanisms({"PLAIN"}));
    ASSERT_TRUE(server.Start());
    ConnectionProbe probe;
    EXPECT_EQ(SignInUntilClosed(probe, server.Port()).error, EngineError::Tls);
    ASSERT_TRUE(server.WaitForConnectionsEnded());
    EXPECT_EQ(server.Received().find("<auth"), std::string::npos);
}

TEST_F(Connection, TheTestCasLocalhostCertificateIsAcceptedAndTheSessionOpens)
{
    FakeXmppServer server;
    server.LoginScript()
        .Send("<message from='visitor@localhost/web' to='agent@localhost/Ostrel' type='chat'>"
              "<body>gr\xc3\xbc\xc3\x9f dich</body></message>")
        .Expect(" ");
    ASSERT_TRUE(server.Start());
    ConnectionProbe probe;
    CXmppConnection connection(&probe, &probe);
    connection.Start();
    connection.SendRaw(" "); // before sign-in: dropped
    connection.Login(Settings(server.Port()));
    ASSERT_TRUE(probe.WaitFor(XmppPump::StateOpen)) << server.ScriptError();
    EXPECT_EQ(probe.States(),
              (std::vector<int>{XmppPump::StateStart, XmppPump::StateOpening, XmppPump::StateOpen}));
    EXPECT_EQ(probe.events.back().ownJid, "agent@localhost/Ostrel");

    // The stanza reaches the session handler as it came, UTF-8 intact.
    ASSERT_TRUE(waitUntil([&] { return !probe.Stanzas().empty(); }));
    EXPECT_NE(probe.Stanzas().front().find("<body>gr\xc3\xbc\xc3\x9f dich</body>"), std::string::npos);

    // SASL PLAIN, and nothing the session did not ask for.
    const std::string received = server.Received();
    EXPECT_NE(received.find("mechanism='PLAIN'"), std::string::npos);
    EXPECT_EQ(received.find("<presence"), std::string::npos); // no automatic presence
    EXPECT_EQ(received.find("jabber:iq:roster"), std::string::npos);

    connection.SendRaw(" ");
    connection.Logout();
    ASSERT_TRUE(probe.WaitFor(XmppPump::StateClosed));
    EXPECT_EQ(probe.LastClosed().error, EngineError::None);
    ASSERT_TRUE(server.WaitForConnectionsEnded());
    const std::string all = server.Received();
    EXPECT_NE(all.find(" </stream:stream>"), std::string::npos) << "keep-alive then the stream's end";
    EXPECT_TRUE(server.ScriptError().empty()) << server.ScriptError();
}

} // namespace
