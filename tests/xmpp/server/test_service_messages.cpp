#include "tests/TestPayloads.h"
#include "tests/TestUtil.h"
#include "tests/xmpp/tasks/XmlCompare.h"

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "plugins/xmpp/server/ServiceMessages.h"
#include "shared/Prompt.h"

#include <gloox/jid.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

namespace {

using namespace QVPlugin;

class FakeSession : public CServiceMessages::ISession
{
public:
    bool IsOpen() const override { return open; }
    std::string OwnJid() const override { return "agent@localhost/Ostrel"; }
    void SendRaw(const std::string &text) override { sent.push_back(text); }

    bool open = true;
    std::vector<std::string> sent;
};

class ServiceMessages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service.SetProgramFolder(m_folder.path());
        CPrompt::SetHandler([this](const PromptRequest &request) {
            boxes << request.text + (QThread::currentThread() == qApp->thread() ? "" : " off-thread");
            return QMessageBox::Ok;
        });
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    // The stanza arrives on a thread of its own, as on the network thread.
    bool Receive(const std::string &xml)
    {
        const auto stanza = xmltest::ParseXml(xml);
        bool taken = false;
        std::thread network([&] { taken = service.OnStanza(*stanza, gloox::JID("agent@localhost/Ostrel")); });
        network.join();
        return taken;
    }

    std::optional<bool> Enabled(unsigned id)
    {
        CommandUpdate update(id);
        if (service.OnUpdateCommand(&update) != RESULT_DONE)
            return std::nullopt;
        return update.Enabled();
    }

    QTemporaryDir m_folder;
    FakeSession session;
    std::vector<std::pair<QUuid, std::unique_ptr<IMessage>>> posted; // network thread, joined before reading
    CServiceMessages service{&session, [this](const QUuid &id, IMessage *payload) {
                                 posted.emplace_back(id, payload->Clone());
                             }};
    QStringList boxes;
};

TEST_F(ServiceMessages, BusMessagesOut)
{
    ServerMessage command("t", "open-visitor-chat", "v-1");
    ChatStateMessage composing;
    composing.to = ChatContact(Jid(QStringLiteral("v-1@localhost/web")));
    composing.state = ChatStateComposing;
    ChatStateMessage paused = composing;
    paused.state = ChatStatePaused;
    ChatMessage chat;
    chat.to = Jid(QStringLiteral("v-2@localhost/web"));
    chat.body = QStringLiteral("Gr\u00fc\u00dfe");
    DataInfo fetch = MakeDataInfo(1, "acc", "quicktext.xml");
    DataInfo negative = MakeDataInfo(-1, "acc", "quicktext.xml");
    QVMessage<std::string> raw("<presence to='%%DOMAIN%%' from='%%JID%%'/>");

    const struct
    {
        const char *name;
        QUuid id;
        IMessage *payload;
        bool open;
        std::optional<int> result;
        const char *stanza; // empty: nothing sent
    } cases[] = {
        {"server get", MSG_SERVER_GET, &command, true, 2,
         "<iq type='get' id='qv-system-message'><message xmlns='quelvar:tessary' type='open-visitor-chat' "
         "sessionid='v-1'>t</message></iq>"},
        {"server set signed out", MSG_SERVER_SET, &command, false, -1, ""},
        {"typing", MSG_SEND_AGENT_TYPING, &composing, true, 2,
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='agent-typing' "
         "sessionid='v-1@localhost/web'/></iq>"},
        {"paused", MSG_SEND_AGENT_TYPING, &paused, true, 2, ""},
        {"visitor message", MSG_SEND_VISITOR_MESSAGE, &chat, true, 2,
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='visitor-message' "
         "sessionid='v-2@localhost/web'>Gr\xc3\xbc\xc3\x9f" "e</message></iq>"},
        {"a chat payload as server message", MSG_SERVER_SET, &chat, true, -1, ""},
        {"data fetch", MSG_DATA_FETCH, &fetch, true, 2,
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc'/><data xmlns='quelvar:data'/></iq>"},
        {"data of a negative type", MSG_DATA_STORE, &negative, true, 0, ""},
        {"data signed out", MSG_DATA_FETCH, &fetch, false, 0, ""},
        {"raw stanza", MSG_SEND_RAW_STANZA, &raw, true, 1, "<presence to='localhost' from='agent@localhost/Ostrel'/>"},
        {"raw stanza signed out", MSG_SEND_RAW_STANZA, &raw, false, 1, ""},
        {"another message", MSG_SEND_CHAT_MESSAGE, &chat, true, std::nullopt, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        session.open = c.open;
        session.sent.clear();
        EXPECT_EQ(service.OnMessage(c.id, c.payload), c.result);
        ASSERT_EQ(session.sent.size(), *c.stanza ? 1u : 0u);
        if (*c.stanza) {
            EXPECT_TRUE(xmltest::SameXml(xmltest::ParseXml(session.sent[0]).get(), c.stanza));
        }
    }
}

TEST_F(ServiceMessages, StanzasInArePostedAndBoxesWaitForTheUiThread)
{
    EXPECT_TRUE(Receive("<iq type='result' id='qv-system-message'>"
                        "<message xmlns='quelvar:tessary' type='visitor-offline' sessionid='v-3'>gone</message></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-system-message'>"
                        "<message xmlns='quelvar:tessary' type='version-info'>NS4y</message></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
                        "key='quicktext.xml'/><current xmlns='quelvar:data'/></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='local' "
                        "key='q'/><changed xmlns='quelvar:data'/></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='quelvar-get-visitor-history' to='agent@localhost/Ostrel'>"
                        "<query xmlns='quelvar:tessary'><visitor id='v-4@localhost'>&lt;b&gt;3 chats</visitor>"
                        "</query></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='invite-visitor-to-chat' to='agent@localhost/Ostrel'>"
                        "<visitor xmlns='quelvar:tessary' id='v-5@localhost' result='invited'/></iq>"));
    EXPECT_FALSE(Receive("<iq type='result' id='roster1'/>"));

    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].first, MSG_SERVER_MESSAGE_RECEIVED);
    EXPECT_EQ(static_cast<ServerMessage *>(posted[0].second.get())->sessionId, "v-3");
    EXPECT_EQ(posted[1].first, MSG_AGENT_VERSION_INFO);
    EXPECT_EQ(static_cast<QVMessage<std::string> *>(posted[1].second.get())->value, "5.2");
    EXPECT_EQ(posted[2].first, MSG_DATA_CURRENT);

    // The network thread went on without waiting for either box.
    EXPECT_TRUE(boxes.isEmpty());
    ASSERT_TRUE(waitUntil([&] { return boxes.size() == 2; }));
    EXPECT_EQ(boxes, QStringList({"<b>3 chats", "v-5@localhost"}));
}

TEST_F(ServiceMessages, TemplateCommandsReadTheFileEachTime)
{
    const auto write = [&](const QByteArray &xml) {
        QFile file(m_folder.filePath(QStringLiteral("xmpp_messages.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
    };
    EXPECT_EQ(service.OnCommand(11199), 0);
    EXPECT_EQ(Enabled(11300), std::nullopt);
    EXPECT_EQ(Enabled(11200), false); // no file
    EXPECT_EQ(service.OnCommand(11200), 1);

    write("<messages><message><presence/></message><message><presence to='%%FROM%%'/></message></messages>");
    EXPECT_EQ(Enabled(11201), true);
    EXPECT_EQ(Enabled(11202), false);
    EXPECT_EQ(service.OnCommand(11201), 1);
    EXPECT_EQ(service.OnCommand(11202), 1);
    EXPECT_EQ(session.sent, std::vector<std::string>({"<presence to=\"localhost\"/>"}));

    session.open = false;
    EXPECT_EQ(Enabled(11200), false);
    session.open = true;
    write("<messages><message><presence/></message>");
    EXPECT_EQ(Enabled(11200), false);
    EXPECT_EQ(service.OnCommand(11200), 1);
    EXPECT_EQ(session.sent.size(), 1u);
}

} // namespace
