// The harness itself: the certificates are faulty for the right reason, and
// Prosody with its relay module lets a second client play the chat service.

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"
#include "tests/harness/TestPki.h"

#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <QFile>

#include <gtest/gtest.h>

using namespace harness;

namespace {

// GnuTLS's verdict on a certificate for "localhost" against the test CA.
unsigned VerifyForLocalhost(const QString &certFile)
{
    gnutls_x509_trust_list_t trust;
    gnutls_x509_trust_list_init(&trust, 0);
    gnutls_x509_trust_list_add_trust_file(trust, TestPki::Shared().caCert.toLocal8Bit().constData(), nullptr,
                                          GNUTLS_X509_FMT_PEM, 0, 0);
    QFile f(certFile);
    f.open(QIODevice::ReadOnly);
    const QByteArray pem = f.readAll();
    gnutls_datum_t data{reinterpret_cast<unsigned char *>(const_cast<char *>(pem.constData())), unsigned(pem.size())};
    gnutls_x509_crt_t cert;
    gnutls_x509_crt_init(&cert);
    gnutls_x509_crt_import(cert, &data, GNUTLS_X509_FMT_PEM);
    gnutls_typed_vdata_st host{GNUTLS_DT_DNS_HOSTNAME, reinterpret_cast<unsigned char *>(const_cast<char *>("localhost")),
                               0};
    unsigned status = 0;
    gnutls_x509_trust_list_verify_crt2(trust, &cert, 1, &host, 1, 0, &status, nullptr);
    gnutls_x509_crt_deinit(cert);
    gnutls_x509_trust_list_deinit(trust, 1);
    return status;
}

TEST(TestPki, EachCertificateFailsForItsOwnReason)
{
    const TestPki &pki = TestPki::Shared();
    ASSERT_TRUE(pki.ok) << pki.error.toStdString();
    const struct
    {
        const char *name;
        QString cert;
        unsigned expected; // a flag that must be set; 0 = verifies
    } cases[] = {
        {"localhost", pki.localhost.cert, 0},
        {"self-signed", pki.selfSigned.cert, GNUTLS_CERT_SIGNER_NOT_FOUND},
        {"expired", pki.expired.cert, GNUTLS_CERT_EXPIRED},
        {"not yet valid", pki.notYetValid.cert, GNUTLS_CERT_NOT_ACTIVATED},
        {"wrong host", pki.wrongHost.cert, GNUTLS_CERT_UNEXPECTED_OWNER},
        {"unknown CA", pki.unknownCa.cert, GNUTLS_CERT_SIGNER_NOT_FOUND},
    };
    for (const auto &c : cases) {
        const unsigned status = VerifyForLocalhost(c.cert);
        if (c.expected == 0)
            EXPECT_EQ(status, 0u) << c.name;
        else
            EXPECT_TRUE(status & c.expected) << c.name << " status " << status;
    }
    // Only the wrong-host certificate has the wrong name.
    EXPECT_FALSE(VerifyForLocalhost(pki.expired.cert) & GNUTLS_CERT_UNEXPECTED_OWNER);
}

class ProsodyHarness : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(m_server.Start()) << m_server.ErrorText().toStdString();
    }

    std::unique_ptr<ChatServiceSimulator> SignIn(const QString &user, const QString &resource)
    {
        auto client = std::make_unique<ChatServiceSimulator>(ChatServiceSimulator::Config{
            QStringLiteral("127.0.0.1"), m_server.Port(), m_server.Jid(user), m_server.PasswordOf(user), resource});
        EXPECT_TRUE(client->Start()) << client->ErrorText().toStdString() << m_server.Log().toStdString();
        return client;
    }

    ProsodyFixture m_server;
};

TEST_F(ProsodyHarness, RelaysTheServiceIqsToTheSimulatorAndItsAnswersBack)
{
    auto simulator = SignIn(QStringLiteral("sim"), QStringLiteral("service"));
    auto agent = SignIn(QStringLiteral("agent"), QStringLiteral("Ostrel"));
    ASSERT_TRUE(simulator->IsOnline() && agent->IsOnline());

    agent->Send("<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='ping'>hi</message></iq>");
    auto request = simulator->ExpectIq("quelvar:tessary");
    ASSERT_TRUE(request) << m_server.Log().toStdString();
    EXPECT_EQ(request->findAttribute("from"), agent->FullJid());
    EXPECT_EQ(request->findChild("message")->cdata(), "hi");

    gloox::Tag answer("message", "pong");
    answer.setXmlns("quelvar:tessary");
    simulator->Reply(*request, &answer);
    auto reply = agent->Expect([](const gloox::Tag &t) { return t.findAttribute("id") == "qv-system-message"; });
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->findAttribute("type"), "result");
    EXPECT_EQ(reply->findAttribute("from"), "localhost"); // as if the service had sent it
    EXPECT_EQ(reply->findChild("message")->cdata(), "pong");

    agent->Send("<iq type='get' id='d1'><info xmlns='quelvar:data' type='server' key='quicktext.xml'/></iq>");
    EXPECT_TRUE(simulator->ExpectIq("quelvar:data"));
}

TEST_F(ProsodyHarness, OtherIqsAreNotRelayedAndTheAccountsShareOneRosterGroup)
{
    auto simulator = SignIn(QStringLiteral("sim"), QStringLiteral("service"));
    auto agent = SignIn(QStringLiteral("agent"), QStringLiteral("Ostrel"));

    agent->Send("<iq type='get' id='r1'><query xmlns='jabber:iq:roster'/></iq>");
    auto roster = agent->Expect([](const gloox::Tag &t) { return t.findAttribute("id") == "r1"; });
    ASSERT_TRUE(roster);
    const gloox::Tag *query = roster->findChild("query");
    ASSERT_TRUE(query);
    std::set<std::string> contacts;
    for (const gloox::Tag *item : query->findChildren("item")) {
        ASSERT_TRUE(item->findChild("group"));
        EXPECT_EQ(item->findChild("group")->cdata(), "Support");
        contacts.insert(item->findAttribute("jid"));
    }
    EXPECT_EQ(contacts, (std::set<std::string>{"sim@localhost", "visitor@localhost"}));
    EXPECT_FALSE(simulator->ExpectIq("jabber:iq:roster", 200));
}

TEST_F(ProsodyHarness, WithoutTheSimulatorTheServiceIqIsRefused)
{
    auto agent = SignIn(QStringLiteral("agent"), QStringLiteral("Ostrel"));
    agent->Send("<iq type='set' id='x1'><message xmlns='quelvar:tessary'/></iq>");
    auto reply = agent->Expect([](const gloox::Tag &t) { return t.findAttribute("id") == "x1"; });
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->findAttribute("type"), "error");
}

TEST_F(ProsodyHarness, StopEndsTheServer)
{
    const uint16_t port = m_server.Port();
    ASSERT_TRUE(m_server.IsRunning());
    m_server.Stop();
    EXPECT_FALSE(m_server.IsRunning());
    auto client = std::make_unique<ChatServiceSimulator>(ChatServiceSimulator::Config{
        QStringLiteral("127.0.0.1"), port, m_server.Jid(QStringLiteral("agent")), QStringLiteral("x"),
        QStringLiteral("r")});
    EXPECT_FALSE(client->Start(2000));
}

} // namespace
