// CWirlam without a server: its bus table while signed out and the check of
// the user name, against a fake host; and its library loaded by the bus.

#include "FakeHost.h"

#include "bus/ChatPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/LoginSettings.h"
#include "plugins/xmpp/Wirlam.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace QVPlugin;
using xmpptest::FakeHost;

namespace {

class WirlamUnit : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &r) {
            boxes << QStringLiteral("%1 %2").arg(int(r.icon)).arg(r.text);
            return QMessageBox::Ok;
        });
        ASSERT_TRUE(wirlam->Initialize(&host));
    }
    void TearDown() override
    {
        wirlam->Uninitialize();
        wirlam->Release();
        CPrompt::SetHandler({});
    }

    FakeHost host;
    CWirlam *wirlam = new CWirlam;
    QStringList boxes;
};

TEST_F(WirlamUnit, SignedOutResultsOfTheBusTable)
{
    ChatMessage chat;
    ChatStateMessage chatState;
    VisitorMessage visitor;
    ServerMessage server;
    QVMessage<PresenceState> presence(PresenceAway);
    QVMessage<ChatContact> contact;
    DataInfo data;
    data.type = DataInfo::Server;
    QVMessage<std::string> raw("<presence/>");
    const struct
    {
        const char *name;
        QUuid id;
        IMessage *in;
        int result;
    } cases[] = {
        {"chat message", MSG_SEND_CHAT_MESSAGE, &chat, -1},
        {"chat state", MSG_CHAT_STATE, &chatState, -1},
        {"visitor message", MSG_SEND_VISITOR_MESSAGE, &chat, -1},
        {"agent typing", MSG_SEND_AGENT_TYPING, &chatState, -1},
        {"group-chat invitation", MSG_SEND_MUC_INVITE, &visitor, 2},
        {"group-chat decline", MSG_SEND_MUC_DECLINE, &visitor, 2},
        {"server set", MSG_SERVER_SET, &server, -1},
        {"server get", MSG_SERVER_GET, &server, -1},
        {"own presence", MSG_PRESENCE_STATE, &presence, 2},
        {"directed presence", MSG_SEND_DIRECTED_PRESENCE, &contact, 2},
        {"data store", MSG_DATA_STORE, &data, 0},
        {"data fetch", MSG_DATA_FETCH, &data, 0},
        {"sign-out", MSG_LOGOUT, nullptr, 2},
        {"raw stanza", MSG_SEND_RAW_STANZA, &raw, 1},
        {"a message of nobody's", MSG_KB_FIND, nullptr, 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(wirlam->OnMessage(c.id, c.in, nullptr), c.result) << c.name;
    // Nothing went out: no notices, no session.
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), MSG_PRESENCE_STATE), 0);
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_FALSE(wirlam->IsConnected());
}

TEST_F(WirlamUnit, UserNamesWithoutANodeAreRefusedWithTheBoxAndStartNoSession)
{
    const struct
    {
        const char *text;
        const char *node; // null: refused
        const char *domain;
    } cases[] = {
        {"agent@localhost", "agent", "localhost"},
        {"agent@localhost/Home", "agent", "localhost"},
        {"ag\xc3\xa9nt@localhost", "ag\xc3\xa9nt", "localhost"}, // UTF-8, not a code page
        {"agent", nullptr, nullptr},                             // a bare domain
        {"@localhost", nullptr, nullptr},
        {"", nullptr, nullptr},
    };
    const QString box = QStringLiteral("%1 Invalid username.").arg(int(QMessageBox::Critical));
    for (const auto &c : cases) {
        boxes.clear();
        std::string node, domain;
        EXPECT_EQ(ParseUserName(QString::fromUtf8(c.text), &node, &domain), c.node != nullptr) << c.text;
        if (c.node) {
            EXPECT_EQ(node, c.node) << c.text;
            EXPECT_EQ(domain, c.domain) << c.text;
        }
        QVMessage<QString> name(QString::fromUtf8(c.text));
        EXPECT_EQ(wirlam->OnMessage(MSG_VALIDATE_USERNAME, &name, nullptr), c.node ? 2 : -1) << c.text;
        if (!c.node) {
            LoginInfo login;
            login.user = name.value;
            login.server = QStringLiteral("127.0.0.1:1");
            EXPECT_EQ(wirlam->OnMessage(MSG_LOGIN, &login, nullptr), -1) << c.text;
        }
        EXPECT_EQ(boxes.size(), c.node ? 0 : 2) << c.text;
        EXPECT_EQ(boxes.filter(box).size(), boxes.size()) << c.text;
    }
    // The event queue would carry any notice of a started connection.
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(std::count(host.sent.begin(), host.sent.end(), MSG_PRESENCE_STATE), 0);
}

// The base class compiled into the library, behind its hidden symbols, works
// with what the bus sends across the boundary.
TEST(WirlamModule, TheLibraryRegistersOneXmppPluginThatAnswersTheBus)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(OSTREL_PROGRAM_DIR "/Wirlam.so", dir.filePath("Wirlam.so")));
    CManager manager(dir.path());
    manager.LoadPluginLibraries();
    ASSERT_EQ(manager.Plugins().size(), 1u);
    EXPECT_EQ(*manager.Plugins()[0]->GetId(), PLUGIN_GUID_XMPP);
    EXPECT_EQ(manager.Plugins()[0]->GetName(), "XMPP PLugin");
    EXPECT_EQ(manager.GetSetting("agent.id", "signed out").toString(), "signed out");
    QVMessage<QString> name("agent@localhost");
    EXPECT_EQ(manager.SendMessage(nullptr, MSG_VALIDATE_USERNAME, &name, nullptr), 2);
    manager.Shutdown();
}

} // namespace
