// The connection against the scripted fake server: each engine error that a
// server can provoke, the certificate checks, the XML bounds and an open
// session's stanzas and sign-out.

#include "plugins/xmpp/EngineError.h"
#include "plugins/xmpp/XmppConnection.h"
#include "tests/TestUtil.h"
#include "tests/harness/FakeXmppServer.h"
#include "tests/harness/TestPki.h"

#include <gloox/tag.h>

#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <optional>

using harness::FakeXmppServer;
using harness::TestPki;

namespace {

constexpr const char *kStreamNs = "urn:ietf:params:xml:ns:xmpp-streams";

// Records the connection's events on the test's thread and the open
// session's stanzas on the network thread.
struct Probe : CXmppConnection::IListener, CXmppConnection::ISessionHandler
{
    void OnConnectionEvent(const CXmppConnection::Event &event) override { events.push_back(event); }
    bool OnStanza(XmppPump &, const gloox::Tag &stanza) override
    {
        std::lock_guard lock(m_lock);
        m_stanzas.push_back(stanza.xml());
        return true;
    }
    std::vector<std::string> Stanzas()
    {
        std::lock_guard lock(m_lock);
        return m_stanzas;
    }
    int Count(int state) const
    {
        return int(std::count_if(events.begin(), events.end(), [&](const auto &e) { return e.state == state; }));
    }
    bool WaitFor(int state) { return waitUntil([&] { return Count(state) > 0; }, 10000); }

    std::vector<CXmppConnection::Event> events;

private:
    std::mutex m_lock;
    std::vector<std::string> m_stanzas;
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
    std::string text = "<message></message>";
    for (int i = 0; i < levels; ++i)
        text.insert(9 + 3 * i, "<x></x>"); // after "<message>" and the tags opened so far
    return text;
}

class Connection : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(TestPki::Shared().ok) << TestPki::Shared().error.toStdString(); }

    // Signs in to the server and waits for the session to close: one close,
    // after the start, carrying the engine error.
    int SignInUntilClosed(FakeXmppServer &server)
    {
        Probe probe;
        CXmppConnection connection(&probe, &probe);
        connection.Start();
        connection.Login(Settings(server.Port()));
        EXPECT_TRUE(probe.WaitFor(XmppPump::StateClosed)) << server.ScriptError();
        waitUntil([] { return false; }, 100); // nothing after the close
        EXPECT_EQ(probe.Count(XmppPump::StateClosed), 1);
        EXPECT_EQ(probe.events.front().state, XmppPump::StateStart);
        return probe.events.back().error;
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
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        c.script(server);
        ASSERT_TRUE(server.Start());
        EXPECT_EQ(SignInUntilClosed(server), c.error) << server.ScriptError();
    }
}

TEST_F(Connection, CertificatesThatDoNotVerifyAndAMissingStartTlsAreRefusedBeforeAnyCredentials)
{
    const TestPki &pki = TestPki::Shared();
    const struct
    {
        const char *name;
        std::optional<harness::CertPair> certificate; // none: the server offers no STARTTLS
    } cases[] = {
        {"self-signed", pki.selfSigned},    {"expired", pki.expired},       {"not yet valid", pki.notYetValid},
        {"wrong host name", pki.wrongHost}, {"unknown CA", pki.unknownCa}, {"no STARTTLS", std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeXmppServer server;
        if (c.certificate)
            UpToTls(server, *c.certificate);
        // Should the client go on, the server would offer PLAIN.
        server.Expect("<stream:stream").Send(FakeXmppServer::Header() + FakeXmppServer::FeaturesMechanisms({"PLAIN"}));
        ASSERT_TRUE(server.Start());
        EXPECT_EQ(SignInUntilClosed(server), EngineError::Tls);
        ASSERT_TRUE(server.WaitForConnectionsEnded());
        EXPECT_EQ(server.TlsHandshakeFailed(), c.certificate.has_value());
        EXPECT_EQ(server.Received().find("<auth"), std::string::npos);
        EXPECT_EQ(server.Received().find("s3cr3t"), std::string::npos);
    }
}

TEST_F(Connection, TheTestCasLocalhostCertificateIsAcceptedAndTheSessionOpens)
{
    FakeXmppServer server;
    server.LoginScript()
        .Send("<message from='visitor@localhost/web' to='agent@localhost/Ostrel' type='chat'>"
              "<body>gr\xc3\xbc\xc3\x9f dich</body></message>")
        .Expect(" ");
    ASSERT_TRUE(server.Start());
    Probe probe;
    CXmppConnection connection(&probe, &probe);
    connection.Start();
    connection.SendRaw(" "); // before sign-in: dropped
    connection.Login(Settings(server.Port()));
    ASSERT_TRUE(probe.WaitFor(XmppPump::StateOpen)) << server.ScriptError();
    ASSERT_EQ(probe.events.size(), 3u);
    EXPECT_EQ(probe.events[1].state, XmppPump::StateOpening);
    EXPECT_EQ(probe.events[2].ownJid, "agent@localhost/Ostrel");

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
    EXPECT_EQ(probe.events.back().error, EngineError::None);
    ASSERT_TRUE(server.WaitForConnectionsEnded());
    EXPECT_NE(server.Received().find(" </stream:stream>"), std::string::npos) << "keep-alive then the stream's end";
    EXPECT_TRUE(server.ScriptError().empty()) << server.ScriptError();
}

} // namespace
