// The chat service's traffic of CServiceMessages against a fake session: bus
// messages to golden stanzas, stanzas from the network thread to bus
// messages and boxes, and the stanza-template commands.

#include "tests/TestPayloads.h"
#include "tests/TestUtil.h"
#include "tests/xmpp/XmlCompare.h"

#include "bus/ChatPayloads.h"
#include "bus/MessageIds.h"
#include "plugins/xmpp/server/DataStanzas.h"
#include "plugins/xmpp/server/ServiceMessages.h"
#include "plugins/xmpp/server/StanzaTemplates.h"
#include "shared/Prompt.h"

#include <gloox/jid.h>

#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <climits>
#include <thread>

namespace {

using namespace QVPlugin;

struct FakeSession : CServiceMessages::ISession
{
    bool IsOpen() const override { return open; }
    std::string OwnJid() const override { return "agent@localhost/Ostrel"; }
    void SendRaw(const std::string &text) override { sent.push_back(text); }

    bool open = true;
    std::vector<std::string> sent;
};

// A posted bus message as one line.
std::string Describe(const QUuid &id, const IMessage *payload)
{
    if (id == MSG_SERVER_MESSAGE_RECEIVED) {
        const auto *m = static_cast<const ServerMessage *>(payload);
        return "server " + m->type + " " + m->sessionId + " " + m->text;
    }
    if (id == MSG_AGENT_VERSION_INFO)
        return "version " + static_cast<const QVMessage<std::string> *>(payload)->value;
    const auto *d = static_cast<const DataInfo *>(payload);
    return (id == MSG_DATA_CURRENT ? "current " : id == MSG_DATA_RECEIVED ? "data " : "unexpected ")
        + std::to_string(d->type) + " " + d->account.toStdString() + " " + d->name.toStdString() + " " + d->data
        + " " + d->hash;
}

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

    std::optional<bool> Enabled(unsigned id)
    {
        CommandUpdate update(id);
        if (service.OnUpdateCommand(&update) != RESULT_DONE)
            return std::nullopt;
        return update.Enabled();
    }

    QTemporaryDir m_folder;
    FakeSession session;
    std::vector<std::string> posted; // network thread, joined before reading
    CServiceMessages service{&session,
                             [this](const QUuid &id, IMessage *payload) { posted.push_back(Describe(id, payload)); }};
    QStringList boxes;
};

TEST_F(ServiceMessages, BusMessagesOut)
{
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72"; // of "abc"
    ServerMessage command("hello", "open-visitor-chat", "v-17");
    ServerMessage bare("only text", "", "");
    ServerMessage hostile("Gr\xc3\xbc\xc3\x9f" "e <b>\x01\xff", "a\"b", "");
    ChatStateMessage composing;
    composing.to = ChatContact(Jid(QStringLiteral("v-1@localhost/web")));
    composing.state = ChatStateComposing;
    ChatStateMessage paused = composing;
    paused.state = ChatStatePaused;
    ChatMessage chat;
    chat.to = Jid(QStringLiteral("v-2@localhost/web"));
    chat.body = QStringLiteral("Gr\u00fc\u00dfe");
    DataInfo fetch = MakeDataInfo(1, "acc-7", "quicktext.xml", "abc", md5);
    DataInfo binary = MakeDataInfo(0, "", QStringLiteral("\u00fcber.xml"), std::string("\0\xff", 2));
    DataInfo empty = MakeDataInfo(3, "acc-7", "f");
    DataInfo bad[] = {MakeDataInfo(4, "a", "q"), MakeDataInfo(-1, "a", "q"), MakeDataInfo(INT_MIN, "a", "q")};
    QVMessage<std::string> raw("<presence to='%%DOMAIN%%' from='%%JID%%'/>");
    const std::string system = "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'";
    const std::string data = "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data'";

    const struct
    {
        const char *name;
        QUuid id;
        IMessage *payload;
        std::optional<int> result;
        std::string stanza; // empty: nothing sent
    } cases[] = {
        {"server get", MSG_SERVER_GET, &command, 2,
         "<iq type='get' id='qv-system-message'><message xmlns='quelvar:tessary' type='open-visitor-chat' "
         "sessionid='v-17'>hello</message></iq>"},
        {"server set, no type or session", MSG_SERVER_SET, &bare, 2, system + ">only text</message></iq>"},
        {"markup stays text; bytes XML cannot carry are dropped or replaced", MSG_SERVER_SET, &hostile, 2,
         system + " type='a&quot;b'>Gr\xc3\xbc\xc3\x9f" "e &lt;b&gt;\xef\xbf\xbd</message></iq>"},
        {"a chat payload as server message", MSG_SERVER_SET, &chat, -1, ""},
        {"typing", MSG_SEND_AGENT_TYPING, &composing, 2,
         system + " type='agent-typing' sessionid='v-1@localhost/web'/></iq>"},
        {"paused is not told", MSG_SEND_AGENT_TYPING, &paused, 2, ""},
        {"visitor message", MSG_SEND_VISITOR_MESSAGE, &chat, 2,
         system + " type='visitor-message' sessionid='v-2@localhost/web'>Gr\xc3\xbc\xc3\x9f" "e</message></iq>"},
        {"data fetch with the saved hash", MSG_DATA_FETCH, &fetch, 2,
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data' hash='" + md5 + "'/></iq>"},
        {"data store in Base64", MSG_DATA_STORE, &fetch, 2,
         data + " type='server' key='quicktext.xml' account='acc-7'/><data xmlns='quelvar:data' hash='" + md5
             + "'>YWJj</data></iq>"},
        {"store of empty data", MSG_DATA_STORE, &empty, 2,
         data + " type='download' key='f' account='acc-7'/><data xmlns='quelvar:data'/></iq>"},
        {"no account, UTF-8 name, binary data", MSG_DATA_STORE, &binary, 2,
         data + " type='local' key='\xc3\xbc" "ber.xml'/><data xmlns='quelvar:data'>AP8=</data></iq>"},
        {"data type 4", MSG_DATA_STORE, &bad[0], 0, ""},
        {"data type -1", MSG_DATA_FETCH, &bad[1], 0, ""},
        {"data type INT_MIN", MSG_DATA_STORE, &bad[2], 0, ""},
        {"raw stanza", MSG_SEND_RAW_STANZA, &raw, 1, "<presence to='localhost' from='agent@localhost/Ostrel'/>"},
        {"another message", MSG_SEND_CHAT_MESSAGE, &chat, std::nullopt, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        session.sent.clear();
        EXPECT_EQ(service.OnMessage(c.id, c.payload), c.result);
        ASSERT_EQ(session.sent.size(), c.stanza.empty() ? 0u : 1u);
        if (!c.stanza.empty()) {
            EXPECT_TRUE(xmltest::SameXml(xmltest::ParseXml(session.sent[0]).get(), c.stanza));
        }
    }
}

TEST_F(ServiceMessages, StanzasInArePostedAndBoxesWaitForTheUiThread)
{
    const std::string own = "agent@localhost/Ostrel";
    const std::string system = "<iq type='result' id='qv-system-message'>";
    const auto answer = [](const char *type, const std::string &child) {
        return std::string("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='") + type
            + "' account='k\xc3\xa4' key='q.xml'/>" + child + "</iq>";
    };
    const auto result = [](const char *id, const std::string &to, const std::string &payload) {
        return std::string("<iq type='result' id='") + id + "'" + (to.empty() ? "" : " to='" + to + "'") + ">"
            + payload + "</iq>";
    };
    const std::string history = "<query xmlns='quelvar:tessary'><visitor id='v-9@localhost'>&lt;b&gt;3 chats"
                                "</visitor></query>";
    const std::string invited = "<visitor xmlns='quelvar:tessary' id='v-5@localhost' result='";
    const std::string notice = "<message xmlns='quelvar:tessary' type='geolocation'/></iq>";
    const auto from = [](const std::string &sender, const std::string &stanza) {
        return "<iq from='" + sender + "'" + stanza.substr(3);
    };
    const struct
    {
        const char *name;
        std::string stanza;
        bool taken;
        std::string posted = {}; // empty: nothing
        QString box = {};        // empty: none
    } cases[] = {
        {"system notice",
         system + "<message xmlns='quelvar:tessary' type='visitor-state-change' sessionid='v-1'>a &amp; b</message>"
             + "</iq>",
         true, "server visitor-state-change v-1 a & b"},
        {"namespace by prefix", system + "<t:message xmlns:t='quelvar:tessary' type='geolocation'/></iq>",
         true, "server geolocation  "},
        {"version-info is decoded, never a server message",
         system + "<message xmlns='quelvar:tessary' type='version-info'>NS4xLjAuMjAw</message></iq>", true,
         "version 5.1.0.200"},
        {"version-info that is not Base64",
         system + "<message xmlns='quelvar:tessary' type='version-info'>5.1!</message></iq>", true},
        {"a system request", "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'/></iq>", false},
        {"a system message in another namespace", system + "<message xmlns='quelvar:data'/></iq>", false},
        {"current", answer("server", "<current xmlns='quelvar:data'/>"), true, "current 1 k\xc3\xa4 q.xml  "},
        {"data in wrapped lines", answer("shared", "<data xmlns='quelvar:data' hash='h1'>\n YW\r\n Jj\n</data>"),
         true, "data 2 k\xc3\xa4 q.xml abc h1"},
        {"type word by prefix; data without hash gets its MD5",
         answer("serv", "<data xmlns='quelvar:data'>YWJj</data>"), true,
         "data 1 k\xc3\xa4 q.xml abc 900150983cd24fb0d6963f7d28e17f72"},
        {"changed has neither data nor hash", answer("", "<changed xmlns='quelvar:data' hash='h'>YWJj</changed>"),
         true, "data 3 k\xc3\xa4 q.xml  "},
        {"local is dropped", answer("local", "<current xmlns='quelvar:data'/>"), true},
        {"an unknown type is dropped", answer("cloud", "<current xmlns='quelvar:data'/>"), true},
        {"bad Base64", answer("server", "<data xmlns='quelvar:data'>YW*j</data>"), true},
        {"no info", "<iq type='result' id='qv-data-message'><current xmlns='quelvar:data'/></iq>", true},
        {"no answer", answer("server", ""), false},
        {"a data error", "<iq type='error' id='qv-data-message'><current xmlns='quelvar:data'/></iq>", false},
        {"agent version",
         result("quelvar-agent-version", own, "<query xmlns='quelvar:tessary'><version agent='5.2'/></query>"), true},
        {"history, shown as plain text", result("quelvar-get-visitor-history", own, history), true, "",
         QStringLiteral("<b>3 chats")},
        {"history for another session", result("quelvar-get-visitor-history", "agent@localhost/x", history), false},
        {"history for nobody", result("quelvar-get-visitor-history", "", history), false},
        {"invited", result("invite-visitor-to-chat", own, invited + "invited'/>"), true, "",
         QStringLiteral("v-5@localhost")},
        {"declined", result("invite-visitor-to-chat", own, invited + "declined'/>"), false},
        {"another iq", result("roster1", own, ""), false},
        {"a notice from the domain", from("localhost", system + notice), true, "server geolocation  "},
        {"a notice from the own account", from("agent@localhost", system + notice), true, "server geolocation  "},
        {"a notice forged by another account", from("mallory@localhost/x", system + notice), true},
        {"a notice forged by another domain's account", from("agent@localhost.evil", system + notice), true},
        {"data forged by another account",
         from("mallory@localhost", answer("server", "<data xmlns='quelvar:data'>YWJj</data>")), true},
        {"history forged by another account",
         from("mallory@localhost", result("quelvar-get-visitor-history", own, history)), true},
        {"an invitation forged by another account",
         from("mallory@localhost", result("invite-visitor-to-chat", own, invited + "invited'/>")), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        posted.clear();
        boxes.clear();
        const auto stanza = xmltest::ParseXml(c.stanza);
        ASSERT_TRUE(stanza);
        bool taken = false;
        // On a thread of its own, as on the network thread, which must not wait for a box.
        std::thread network([&] { taken = service.OnStanza(*stanza, gloox::JID(own)); });
        network.join();
        EXPECT_EQ(taken, c.taken);
        EXPECT_EQ(posted, c.posted.empty() ? std::vector<std::string>() : std::vector<std::string>{c.posted});
        EXPECT_TRUE(boxes.isEmpty());
        if (c.box.isEmpty())
            QCoreApplication::processEvents();
        else
            waitUntil([&] { return !boxes.isEmpty(); });
        EXPECT_EQ(boxes, c.box.isEmpty() ? QStringList() : QStringList{c.box});
    }
}

TEST(DataMessage, TypeWordsMatchByPrefixTheLastWinning)
{
    const std::pair<const char *, int> cases[] = {{"local", 0}, {"server", 1}, {"download", 3},   {"serv", 1},
                                                  {"s", 2},     {"", 3},       {"servers", -1}, {"Server", -1}};
    for (const auto &[word, type] : cases)
        EXPECT_EQ(Quelvar::DataTypeOfWord(word), type) << "'" << word << "'";
}

TEST_F(ServiceMessages, TemplateCommandsReadTheFileEachTime)
{
    const auto write = [&](const QByteArray &xml) {
        QFile file(m_folder.filePath("xmpp_messages.xml"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(xml);
    };
    EXPECT_EQ(service.OnCommand(11199), 0);
    EXPECT_EQ(Enabled(11300), std::nullopt);
    EXPECT_EQ(Enabled(11200), false); // no file
    EXPECT_EQ(service.OnCommand(11200), 1);

    write("<?xml version='1.0' encoding='ISO-8859-1'?>\n<messages>\n  <message><presence/></message>\n"
          "  <!-- a comment --><other><presence/></other>\n  <message>\n    <iq type='get' id='v1' to='%%FROM%%'>"
          "<q xmlns='urn:q' a='%%TO%%'>%%TO%% caf\xe9 &amp;</q></iq>\n  </message>\n</messages>\n");
    EXPECT_EQ(Enabled(11201), true);
    EXPECT_EQ(Enabled(11202), false);
    EXPECT_EQ(service.OnCommand(11201), 1);
    EXPECT_EQ(service.OnCommand(11202), 1);
    ASSERT_EQ(session.sent.size(), 1u);
    EXPECT_TRUE(xmltest::SameXml(xmltest::ParseXml(session.sent[0]).get(),
                                 "<iq type='get' id='v1' to='localhost'><q xmlns='urn:q' a='agent@localhost/Ostrel'>"
                                 "agent@localhost/Ostrel caf\xc3\xa9 &amp;</q></iq>"))
        << session.sent[0];
    session.open = false;
    EXPECT_EQ(Enabled(11201), false);
    session.open = true;

    const std::pair<const char *, QByteArray> unusable[] = {
        {"malformed", "<messages><message><presence/></message>"},
        {"a DTD", "<!DOCTYPE messages [<!ENTITY a 'aaaaaaaa'><!ENTITY b '&a;&a;&a;'>]>"
                  "<messages><message><presence status='&b;'/></message></messages>"},
        {"over the size bound", "<messages><message><presence/></message><!--"
                                    + QByteArray(int(Quelvar::kMaxTemplateFileBytes), 'x') + "--></messages>"},
    };
    for (const auto &[name, xml] : unusable) {
        write(xml);
        EXPECT_EQ(Enabled(11200), false) << name;
        EXPECT_EQ(service.OnCommand(11200), 1);
        EXPECT_EQ(session.sent.size(), 1u) << name;
    }
}

TEST(RawStanza, PlaceholdersAreReplacedOnceAndEscaped)
{
    const struct
    {
        const char *jid, *text, *sent;
    } cases[] = {
        {"agent@localhost/Ostrel", "<iq to='%%DOMAIN%%' from='%%JID%%'><q a='%%JID%%'/></iq>",
         "<iq to='localhost' from='agent@localhost/Ostrel'><q a='agent@localhost/Ostrel'/></iq>"},
        {"agent@localhost/a'<&", "<x v='%%JID%%'/>", "<x v='agent@localhost/a&apos;&lt;&amp;'/>"},
        {"agent@localhost/%%DOMAIN%%", "<x v='%%JID%%'/>", "<x v='agent@localhost/%%DOMAIN%%'/>"},
        {"a@b/c", "%%JID% %%TO%% %%%DOMAIN%%", "%%JID% %%TO%% %localhost"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(Quelvar::FillRawStanza(c.text, c.jid, "localhost"), c.sent) << c.jid;
}

} // namespace
