// The demo chat service as the program meets it: the real demo binary, and
// the demo agent signed in to it as a plain XMPP client that joins and
// leaves visitors' rooms as the program does.

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/VisitorScript.h"

#include <QProcess>
#include <QString>

#include <gloox/tag.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>

using harness::ChatServiceSimulator;
namespace visitors = harness::visitors;

namespace {

class DemoService : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_demo.setProgram(QStringLiteral(OSTREL_DEMO_SERVICE));
        m_demo.setProcessChannelMode(QProcess::SeparateChannels);
        m_demo.start();
        ASSERT_TRUE(m_demo.waitForStarted(10000)) << "the demo service did not start";
        std::map<QString, QString> said;
        QByteArray out;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!out.contains("\nready\n") && std::chrono::steady_clock::now() < deadline) {
            m_demo.waitForReadyRead(500);
            out += m_demo.readAllStandardOutput();
        }
        ASSERT_TRUE(out.contains("\nready\n")) << "the demo service never got ready: " << out.toStdString()
                                               << m_demo.readAllStandardError().toStdString();
        for (const QByteArray &line : out.split('\n'))
            if (const int eq = line.indexOf('='); eq > 0)
                said[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
        const QString address = said[QStringLiteral("address")];
        ChatServiceSimulator::Config config;
        config.port = uint16_t(address.section(QLatin1Char(':'), 1).toUInt());
        config.jid = said[QStringLiteral("user")];
        config.password = said[QStringLiteral("password")];
        config.resource = QStringLiteral("Ostrel");
        m_agent = std::make_unique<ChatServiceSimulator>(config);
        ASSERT_TRUE(m_agent->Start()) << m_agent->ErrorText().toStdString();
        ASSERT_TRUE(Notice("get-extra-info", {}, 10000)) << "no account data after the sign-in";
    }

    void TearDown() override
    {
        if (m_agent)
            m_agent->Stop();
        m_demo.terminate();
        if (!m_demo.waitForFinished(10000))
            m_demo.kill();
    }

    // The next notice of this type (and visitor and text, when given), in time.
    std::optional<visitors::Notice> Notice(const std::string &type, const std::string &sid, int timeoutMs = 8000,
                                           const std::string &text = {})
    {
        const auto tag = m_agent->Expect(
            [&](const gloox::Tag &t) {
                const auto notice = visitors::ReadNotice(t);
                return notice && notice->type == type && (sid.empty() || notice->sessionId == sid)
                       && (text.empty() || notice->text == text);
            },
            timeoutMs);
        return tag ? visitors::ReadNotice(*tag) : std::nullopt;
    }

    void Command(const std::string &type, const std::string &sid, const std::string &text = {})
    {
        m_agent->Send(visitors::CommandStanza(type, sid, text)->xml());
    }

    static std::string Room(const std::string &sid) { return "visitors." + sid + "@localhost"; }
    void JoinRoom(const std::string &sid) { m_agent->Send("<presence to='" + Room(sid) + "/agent'/>"); }
    void LeaveRoom(const std::string &sid)
    {
        m_agent->Send("<presence type='unavailable' to='" + Room(sid) + "/agent'/>");
    }

    QProcess m_demo;
    std::unique_ptr<ChatServiceSimulator> m_agent;
};

// Each chat the agent takes stays up until the agent or the visitor ends it:
// joining a visitor's room after an earlier chat ended is no new sign-in,
// which would end every chat.
TEST_F(DemoService, EveryChatStaysUpUntilTheAgentEndsIt)
{
    ASSERT_TRUE(Notice("qv-visitor-tracking", "v-101")) << "Alice never came";
    for (int round = 1; round <= 10; ++round) {
        SCOPED_TRACE("chat " + std::to_string(round));
        Command("open-visitor-chat", "v-101", "Hello Alice");
        JoinRoom("v-101");
        const auto line = Notice("visitor-message", "v-101");
        ASSERT_TRUE(line) << "the visitor never wrote in the chat";
        ASSERT_FALSE(Notice("get-extra-info", {}, 0)) << "joining the room was taken for a new sign-in";
        m_agent->Send("<message type='groupchat' to='" + Room("v-101")
                      + "' id='l" + std::to_string(round)
                      + "'><body>How can I help?</body><request xmlns='urn:xmpp:receipts'/></message>");
        ASSERT_TRUE(m_agent->Expect(
            [&](const gloox::Tag &t) { return t.name() == "message" && t.findAttribute("id") == "l" + std::to_string(round); }))
            << "the room never acknowledged the agent's line";
        LeaveRoom("v-101");
        ASSERT_TRUE(Notice("visitor-state-change", "v-101", 8000, "10")) << "leaving the room did not end the chat";
    }
}

// What the program asks about a visitor gets the service's answer, and a
// rejected request ends the visitor's waiting.
TEST_F(DemoService, AnswersTheProgramsQuestionsAndRejections)
{
    ASSERT_TRUE(Notice("qv-visitor-tracking", "v-102", 15000)) << "Bob never came";
    Command("visitor-history", "v-102", "127.0.0.1");
    const auto history = Notice("visitor-history", "v-102");
    ASSERT_TRUE(history) << "Retrieve transcripts got no answer";
    EXPECT_NE(history->text.find("Bob Jones"), std::string::npos) << history->text;
    Command("get-geolocation", "v-102", "127.0.0.1");
    EXPECT_TRUE(Notice("geolocation", "v-102")) << "the geolocation was not answered";
    Command("is-visitor-online", "v-999");
    EXPECT_TRUE(Notice("visitor-offline", "v-999")) << "a visitor who is gone was not told as gone";

    ASSERT_TRUE(Notice("qv-visitor-info", "v-102", 30000)) << "Bob never asked for a chat";
    m_agent->Send("<message to='" + Room("v-102")
                  + "'><x xmlns='http://jabber.org/protocol/muc#user' to='" + Room("v-102")
                  + "/v-102'><decline><reason/></decline></x></message>");
    ASSERT_TRUE(Notice("visitor-state-change", "v-102", 8000, "10")) << "the rejection was ignored";
    EXPECT_FALSE(Notice("visitor-message", "v-102", 7000)) << "the rejected visitor kept asking";
}

} // namespace
