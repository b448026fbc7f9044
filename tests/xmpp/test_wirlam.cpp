// CWirlam without a server: its bus table while signed out, the user-name
// check, its identity, strings and settings layout, and its module.

#include "FakeHost.h"

#include "bus/ChatPayloads.h"
#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/xmpp/Wirlam.h"
#include "plugins/xmpp/WirlamStrings.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"

#include <QDir>
#include <QDomDocument>
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
            boxes.push_back(r);
            return QMessageBox::Ok;
        });
        wirlam = new CWirlam;
        ASSERT_TRUE(wirlam->Initialize(&host));
    }
    void TearDown() override
    {
        wirlam->Uninitialize();
        wirlam->Release();
        CPrompt::SetHandler({});
    }

    int Sent(const QUuid &id) const
    {
        int n = 0;
        for (const auto &s : host.sent)
            n += s.id == id;
        return n;
    }

    FakeHost host;
    CWirlam *wirlam = nullptr;
    std::vector<PromptRequest> boxes;
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
    EXPECT_EQ(Sent(MSG_PRESENCE_STATE), 0);
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(wirlam->IsConnected());
}

TEST_F(WirlamUnit, UserNameCheck)
{
    const struct
    {
        const char *name;
        bool valid;
    } cases[] = {
        {"agent@localhost", true},
        {"ag\xc3\xa9nt@localhost", true},
        {"agent", false}, // a bare domain
        {"@localhost", false},
        {"", false},
    };
    for (const auto &c : cases) {
        boxes.clear();
        QVMessage<QString> name(QString::fromUtf8(c.name));
        EXPECT_EQ(wirlam->OnMessage(MSG_VALIDATE_USERNAME, &name, nullptr), c.valid ? 2 : -1) << c.name;
        if (c.valid) {
            EXPECT_TRUE(boxes.empty()) << c.name;
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.name;
            EXPECT_EQ(boxes[0].text, QStringLiteral("Invalid username."));
            EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
        }
    }
}

TEST_F(WirlamUnit, ASignInWithAnInvalidUserNameDoesNothingButTheBox)
{
    LoginInfo login;
    login.user = QStringLiteral("agent");
    login.password = QStringLiteral("x");
    login.server = QStringLiteral("127.0.0.1:1");
    EXPECT_EQ(wirlam->OnMessage(MSG_LOGIN, &login, nullptr), -1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Invalid username."));
    // The event queue would carry any notice of a started connection.
    waitUntil([] { return false; }, 200);
    EXPECT_EQ(Sent(MSG_PRESENCE_STATE), 0);
}

TEST_F(WirlamUnit, AgentIdIsAnsweredWithTheDefaultWhileSignedOut)
{
    QVariant out;
    EXPECT_EQ(wirlam->OnGetValue(QStringLiteral("agent.id"), &out, QStringLiteral("none")), 1);
    EXPECT_EQ(out.toString(), QStringLiteral("none"));
    EXPECT_EQ(wirlam->OnGetValue(QStringLiteral("Agent.Id"), &out, QVariant()), 0); // exact key only
    EXPECT_EQ(wirlam->OnGetValue(QStringLiteral("server.address"), &out, QVariant()), 0);
}

TEST_F(WirlamUnit, AgentNickIsCachedFromTheSettingsAndTheirChanges)
{
    EXPECT_EQ(wirlam->AgentNick(), "");
    MsgValue change(QStringLiteral("agent.nick"), QString::fromUtf8("J\xc3\xb6rg"));
    wirlam->OnMessage(MSG_SET_SETTING, &change, nullptr);
    EXPECT_EQ(wirlam->AgentNick(), "J\xc3\xb6rg");
}

TEST_F(WirlamUnit, IdentityStringsAndLayout)
{
    EXPECT_EQ(*wirlam->GetId(), PLUGIN_GUID_XMPP);
    EXPECT_EQ(wirlam->GetVersion(), 1000);
    EXPECT_EQ(wirlam->GetName(), QStringLiteral("XMPP PLugin"));
    EXPECT_EQ(wirlam->GetDescription(), QStringLiteral("XMPP Protocol Communication Plugin"));
    EXPECT_TRUE(wirlam->HasMode(10000));
    EXPECT_EQ(WirlamString(11002), QStringLiteral("Malformed XML or encoding error"));
    EXPECT_EQ(WirlamString(11013), QStringLiteral("User has an account but no nickname"));
    EXPECT_EQ(WirlamString(11919), QStringLiteral("Invalid user name or password."));
    EXPECT_TRUE(WirlamString(11014).isEmpty());

    QDomDocument doc;
    doc.appendChild(doc.createElement(QStringLiteral("settings")));
    wirlam->BuildSettingsLayout(&doc);
    const QDomElement category = doc.documentElement().firstChildElement(QStringLiteral("category"));
    EXPECT_EQ(category.attribute(QStringLiteral("id")), QStringLiteral("xmpp"));
    EXPECT_EQ(category.attribute(QStringLiteral("label")), QStringLiteral("Server"));
    const QDomElement group =
        category.firstChildElement(QStringLiteral("layout")).firstChildElement(QStringLiteral("group"));
    EXPECT_EQ(group.attribute(QStringLiteral("id")), QStringLiteral("xmpp.server.settings"));
    EXPECT_EQ(group.attribute(QStringLiteral("label")), QStringLiteral("Server settings"));
    EXPECT_EQ(group.firstChildElement(QStringLiteral("label")).text(), QStringLiteral("Server connection settings"));
    const struct
    {
        const char *key, *type, *label;
        const char *defaultValue; // null: no attribute
    } rows[] = {
        {"server.address", "text", "&Server:", "127.0.0.1:5222"},
        {"server.username", "text", "&Username:", nullptr},
        {"server.password", "password", "&Password:", nullptr},
    };
    QDomElement setting = group.firstChildElement(QStringLiteral("setting"));
    for (const auto &row : rows) {
        ASSERT_FALSE(setting.isNull()) << row.key;
        EXPECT_EQ(setting.attribute(QStringLiteral("key")), QString::fromLatin1(row.key));
        EXPECT_EQ(setting.attribute(QStringLiteral("type")), QString::fromLatin1(row.type)) << row.key;
        EXPECT_EQ(setting.firstChildElement(QStringLiteral("label")).text(), QString::fromLatin1(row.label)) << row.key;
        EXPECT_EQ(setting.hasAttribute(QStringLiteral("default")), row.defaultValue != nullptr) << row.key;
        if (row.defaultValue) {
            EXPECT_EQ(setting.attribute(QStringLiteral("default")), QString::fromLatin1(row.defaultValue));
        }
        setting = setting.nextSiblingElement(QStringLiteral("setting"));
    }
    EXPECT_TRUE(setting.isNull());
}

TEST(WirlamModule, TheLibraryRegistersOneXmppPluginAtItsKey)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_DIR "/Wirlam.so"), QDir(dir.path()).filePath("Wirlam.so")));
    CManager manager(dir.path());
    manager.LoadPluginLibraries();
    const auto plugins = manager.Plugins();
    ASSERT_EQ(plugins.size(), 1u);
    EXPECT_EQ(*plugins[0]->GetId(), PLUGIN_GUID_XMPP);
    EXPECT_EQ(plugins[0]->GetName(), QStringLiteral("XMPP PLugin"));
}

} // namespace
