#include "StanzaXml.h"
#include "tests/TestPayloads.h"
#include "tests/TestUtil.h"

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
#include <mutex>
#include <thread>

namespace {

using namespace QVPlugin;
using xmpptest::ParseStanza;

const char kOwnJid[] = "agent@localhost/Ostrel";

class FakeSession : public CServiceMessages::ISession
{
public:
    bool IsOpen() const override { return open; }
    std::string OwnJid() const override { return kOwnJid; }
    void SendRaw(const std::string &text) override { sent.push_back(text); }

    bool open = true;
    std::vector<std::string> sent;
};

struct Posted
{
    QUuid id;
    std::unique_ptr<IMessage> payload;
    bool onUiThread;
};

class ServiceMessages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        service.SetProgramFolder(m_folder.path());
        CPrompt::SetHandler([this](const PromptRequest &request) {
            boxes.push_back({request.text, QThread::currentThread() == qApp->thread()});
            return QMessageBox::Ok;
        });
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    void WriteTemplates(const QByteArray &xml)
    {
        QFile file(m_folder.filePath(QStringLiteral("xmpp_messages.xml")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
    }

    // The stanza arrives on a thread of its own, as on the network thread.
    bool Receive(const std::string &xml)
    {
        const auto stanza = ParseStanza(xml);
        EXPECT_TRUE(stanza) << xml;
        bool taken = false;
        std::thread network([&] { taken = service.OnStanza(*stanza, gloox::JID(kOwnJid)); });
        network.join();
        return taken;
    }

    std::optional<bool> Enabled(unsigned id)
    {
        CommandUpdate update(id);
        if (service.OnUpdateCommand(&update) != RESULT_DONE)
            return std::nullopt;
        return update.Enabled().value_or(true);
    }

    QTemporaryDir m_folder;
    FakeSession session;
    std::mutex postedLock;
    std::vector<Posted> posted;
    CServiceMessages service{&session, [this](const QUuid &id, IMessage *payload) {
                                 std::lock_guard lock(postedLock);
                                 posted.push_back({id, std::unique_ptr<IMessage>(payload->Clone()),
                                                   QThread::currentThread() == qApp->thread()});
                             }};
    std::vector<std::pair<QString, bool>> boxes; // text, shown on the UI thread
};

TEST_F(ServiceMessages, BusMessagesOut)
{
    using Make = std::function<std::unique_ptr<IMessage>()>;
    const auto server = [](std::string text, std::string type, std::string sid) -> Make {
        return [=] { return std::make_unique<ServerMessage>(text, type, sid); };
    };
    const auto typing = [](ChatState state) -> Make {
        return [=] {
            auto m = std::make_unique<ChatStateMessage>();
            m->to = ChatContact(Jid(QStringLiteral("v-1@localhost/web")));
            m->state = state;
            return m;
        };
    };
    const auto data = [](int type) -> Make {
        return [=] { return std::make_unique<DataInfo>(MakeDataInfo(type, "acc", "quicktext.xml", "abc", "h")); };
    };
    const auto raw = [](std::string text) -> Make {
        return [=] { return std::make_unique<QVMessage<std::string>>(text); };
    };
    const Make visitorMessage = [] {
        auto m = std::make_unique<ChatMessage>();
        m->to = Jid(QStringLiteral("v-2@localhost/web"));
        m->body = QStringLiteral("hello");
        return m;
    };

    const struct
    {
        const char *name;
        QUuid id;
        Make payload;
        bool open;
        std::optional<int> result;
        const char *stanza; // null: nothing sent
    } cases[] = {
        {"server set", MSG_SERVER_SET, server("t", "open-visitor-chat", "v-1"), true, 2,
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='open-visitor-chat' "
         "sessionid='v-1'>t</message></iq>"},
        {"server get", MSG_SERVER_GET, server("", "visitor-history", "v-1"), true, 2,
         "<iq type='get' id='qv-system-message'><message xmlns='quelvar:tessary' type='visitor-history' "
         "sessionid='v-1'/></iq>"},
        {"server set signed out", MSG_SERVER_SET, server("t", "x", ""), false, -1, nullptr},
        {"typing", MSG_SEND_AGENT_TYPING, typing(ChatStateComposing), true, 2,
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='agent-typing' "
         "sessionid='v-1@localhost/web'/></iq>"},
        {"paused", MSG_SEND_AGENT_TYPING, typing(ChatStatePaused), true, 2, nullptr},
        {"typing signed out", MSG_SEND_AGENT_TYPING, typing(ChatStateComposing), false, -1, nullptr},
        {"visitor message", MSG_SEND_VISITOR_MESSAGE, visitorMessage, true, 2,
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='visitor-message' "
         "sessionid='v-2@localhost/web'>hello</message></iq>"},
        {"a typing payload as server message", MSG_SERVER_SET, typing(ChatStateComposing), true, -1, nullptr},
        {"data store", MSG_DATA_STORE, data(2), true, 2,
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='shared' key='quicktext.xml' "
         "account='acc'/><data xmlns='quelvar:data' hash='h'>YWJj</data></iq>"},
        {"data fetch", MSG_DATA_FETCH, data(1), true, 2,
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc'/><data xmlns='quelvar:data' hash='h'/></iq>"},
        {"data of type 4", MSG_DATA_FETCH, data(4), true, 0, nullptr},
        {"data of a negative type", MSG_DATA_STORE, data(-1), true, 0, nullptr},
        {"data signed out", MSG_DATA_FETCH, data(1), false, 0, nullptr},
        {"raw stanza", MSG_SEND_RAW_STANZA, raw("<presence to='%%DOMAIN%%' from='%%JID%%'/>"), true, 1,
         "<presence to='localhost' from='agent@localhost/Ostrel'/>"},
        {"raw stanza signed out", MSG_SEND_RAW_STANZA, raw("<presence/>"), false, 1, nullptr},
        {"another message", MSG_SEND_CHAT_MESSAGE, visitorMessage, true, std::nullopt, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        session.open = c.open;
        session.sent.clear();
        const auto payload = c.payload();
        EXPECT_EQ(service.OnMessage(c.id, payload.get()), c.result);
        ASSERT_EQ(session.sent.size(), c.stanza ? 1u : 0u);
        if (c.stanza) {
            EXPECT_XML_EQ(session.sent[0], c.stanza);
        }
    }
}

TEST_F(ServiceMessages, StanzasInBecomeBusMessagesAndBoxes)
{
    EXPECT_TRUE(Receive("<iq type='result' id='qv-system-message' to='agent@localhost/Ostrel'>"
                        "<message xmlns='quelvar:tessary' type='visitor-offline' sessionid='v-3'>gone</message></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-system-message'>"
                        "<message xmlns='quelvar:tessary' type='version-info'>NS4y</message></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
                        "account='acc' key='quicktext.xml'/><changed xmlns='quelvar:data'/></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='local' "
                        "key='q'/><current xmlns='quelvar:data'/></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='quelvar-agent-version' to='agent@localhost/Ostrel'>"
                        "<query xmlns='quelvar:tessary'><version agent='5' url=''/></query></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='quelvar-get-visitor-history' to='agent@localhost/Ostrel'>"
                        "<query xmlns='quelvar:tessary'><visitor id='v-4@localhost'>&lt;b&gt;3 chats</visitor>"
                        "</query></iq>"));
    EXPECT_TRUE(Receive("<iq type='result' id='invite-visitor-to-chat' to='agent@localhost/Ostrel'>"
                        "<visitor xmlns='quelvar:tessary' id='v-5@localhost' result='invited'/></iq>"));
    EXPECT_FALSE(Receive("<iq type='result' id='roster1'/>"));
    EXPECT_FALSE(Receive("<message from='v@localhost/w'><body>hi</body></message>"));

    ASSERT_EQ(posted.size(), 3u);
    EXPECT_EQ(posted[0].id, MSG_SERVER_MESSAGE_RECEIVED);
    const auto *notice = static_cast<ServerMessage *>(posted[0].payload.get());
    EXPECT_EQ(notice->type, "visitor-offline");
    EXPECT_EQ(notice->sessionId, "v-3");
    EXPECT_EQ(notice->text, "gone");
    EXPECT_EQ(posted[1].id, MSG_AGENT_VERSION_INFO);
    EXPECT_EQ(static_cast<QVMessage<std::string> *>(posted[1].payload.get())->value, "5.2");
    EXPECT_EQ(posted[2].id, MSG_DATA_RECEIVED);
    const auto *changed = static_cast<DataInfo *>(posted[2].payload.get());
    EXPECT_EQ(changed->name, "quicktext.xml");
    EXPECT_TRUE(changed->data.empty() && changed->hash.empty());
    for (const Posted &p : posted)
        EXPECT_FALSE(p.onUiThread);

    // The boxes wait for the user-interface thread; the network thread did not.
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(waitUntil([&] { return boxes.size() == 2; }));
    EXPECT_EQ(boxes[0], std::make_pair(QStringLiteral("<b>3 chats"), true));
    EXPECT_EQ(boxes[1], std::make_pair(QStringLiteral("v-5@localhost"), true));
}

TEST_F(ServiceMessages, TemplateCommands)
{
    const unsigned first = 11200;
    EXPECT_EQ(service.OnCommand(first - 1), 0);
    EXPECT_EQ(service.OnCommand(11300), 0);
    EXPECT_EQ(Enabled(11300), std::nullopt);

    // No file: every command is disabled and sends nothing.
    EXPECT_EQ(Enabled(first), false);
    EXPECT_EQ(service.OnCommand(first), 1);
    EXPECT_TRUE(session.sent.empty());

    WriteTemplates("<messages><message><presence/></message>"
                   "<message><iq type='get' to='%%FROM%%' id='t2'><q xmlns='urn:t' a='%%TO%%'>%%TO%%</q></iq>"
                   "</message></messages>");
    EXPECT_EQ(Enabled(first), true);
    EXPECT_EQ(Enabled(first + 1), true);
    EXPECT_EQ(Enabled(first + 2), false);
    EXPECT_EQ(service.OnCommand(first + 1), 1);
    ASSERT_EQ(session.sent.size(), 1u);
    EXPECT_XML_EQ(session.sent[0], "<iq type='get' to='localhost' id='t2'><q xmlns='urn:t' "
                                   "a='agent@localhost/Ostrel'>agent@localhost/Ostrel</q></iq>");
    EXPECT_EQ(service.OnCommand(first + 2), 1);
    EXPECT_EQ(session.sent.size(), 1u);

    session.open = false;
    EXPECT_EQ(Enabled(first), false);
    EXPECT_EQ(service.OnCommand(first), 1);
    EXPECT_EQ(session.sent.size(), 1u);

    // The file is read anew: a broken one disables what a good one enabled.
    session.open = true;
    WriteTemplates("<messages><message><presence/></message>");
    EXPECT_EQ(Enabled(first), false);
    EXPECT_EQ(service.OnCommand(first), 1);
    EXPECT_EQ(session.sent.size(), 1u);
}

} // namespace
