#include "StanzaXml.h"

#include "plugins/xmpp/server/ServerStanzas.h"

#include <gloox/jid.h>

#include <gtest/gtest.h>

namespace {

using namespace QVPlugin;
using namespace Quelvar;
using xmpptest::ParseStanza;

TEST(SystemMessage, OutgoingRequests)
{
    const struct
    {
        const char *name;
        Request request;
        ServerMessage message;
        const char *xml;
    } cases[] = {
        {"set with every field", Request::Set, {"hello", "open-visitor-chat", "v-17"},
         "<iq type='set' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='open-visitor-chat' sessionid='v-17'>hello</message></iq>"},
        {"get without text", Request::Get, {"", "visitor-history", "v-18"},
         "<iq type='get' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='visitor-history' sessionid='v-18'/></iq>"},
        {"empty type and session id", Request::Set, {"only text", "", ""},
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'>only text</message></iq>"},
        {"markup and UTF-8 stay text", Request::Set, {"Gr\xc3\xbc\xc3\x9f" "e <b>&amp;</b>", "a\"b", "x'y"},
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='a&quot;b' "
         "sessionid=\"x'y\">Gr\xc3\xbc\xc3\x9f" "e &lt;b&gt;&amp;amp;&lt;/b&gt;</message></iq>"},
        {"bytes XML cannot carry", Request::Set, {"a\x01" "b\xff" "c", "t\x1b", ""},
         "<iq type='set' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='t'>ab\xef\xbf\xbd" "c</message></iq>"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_XML_EQ(BuildSystemMessage(c.request, c.message)->xml(), c.xml);
    }
}

TEST(SystemMessage, CommandsFromChatPayloads)
{
    const Jid visitor(QStringLiteral("v-42@visitors.localhost/web"));
    for (const ChatState state : {ChatStateNone, ChatStateActive, ChatStateComposing, ChatStatePaused,
                                  ChatStateInactive, ChatStateGone}) {
        ChatStateMessage typing;
        typing.to = ChatContact(visitor);
        typing.state = state;
        const std::optional<ServerMessage> command = AgentTypingCommand(typing);
        ASSERT_EQ(command.has_value(), state == ChatStateComposing) << state;
        if (command) {
            EXPECT_EQ(command->type, "agent-typing");
            EXPECT_EQ(command->sessionId, "v-42@visitors.localhost/web");
            EXPECT_EQ(command->text, "");
        }
    }

    ChatMessage message;
    message.to = visitor;
    message.body = QStringLiteral("Gr\u00fc\u00dfe");
    const ServerMessage command = VisitorMessageCommand(message);
    EXPECT_EQ(command.type, "visitor-message");
    EXPECT_EQ(command.sessionId, "v-42@visitors.localhost/web");
    EXPECT_EQ(command.text, "Gr\xc3\xbc\xc3\x9f" "e");
}

TEST(SystemMessage, IncomingForms)
{
    const struct
    {
        const char *name;
        const char *xml;
        SystemReading::Kind kind;
        ServerMessage message;
        std::string version;
    } cases[] = {
        {"notice with every field",
         "<iq type='result' id='qv-system-message' from='localhost' to='agent@localhost/Ostrel'>"
         "<message xmlns='quelvar:tessary' type='visitor-state-change' sessionid='v-1'>a &amp; b</message></iq>",
         SystemReading::Message, {"a & b", "visitor-state-change", "v-1"}, ""},
        {"namespace by prefix", "<iq type='result' id='qv-system-message'>"
         "<t:message xmlns:t='quelvar:tessary' type='geolocation'>x</t:message></iq>",
         SystemReading::Message, {"x", "geolocation", ""}, ""},
        {"no attributes", "<iq type='result' id='qv-system-message'><message xmlns='quelvar:tessary'/></iq>",
         SystemReading::Message, {}, ""},
        {"version-info is decoded and never a server message",
         "<iq type='result' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='version-info'>NS4xLjAuMjAw</message></iq>",
         SystemReading::VersionInfo, {}, "5.1.0.200"},
        {"version-info that is not Base64",
         "<iq type='result' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='version-info'>5.1!</message></iq>",
         SystemReading::Ignored, {}, ""},
        {"a request, not a result",
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'>x</message></iq>",
         SystemReading::NotMine, {}, ""},
        {"another id", "<iq type='result' id='x1'><message xmlns='quelvar:tessary'>x</message></iq>",
         SystemReading::NotMine, {}, ""},
        {"message in another namespace",
         "<iq type='result' id='qv-system-message'><message xmlns='quelvar:data'>x</message></iq>",
         SystemReading::NotMine, {}, ""},
        {"no message", "<iq type='result' id='qv-system-message'/>", SystemReading::NotMine, {}, ""},
        {"a message stanza", "<message id='qv-system-message' type='result'><message xmlns='quelvar:tessary'/></message>",
         SystemReading::NotMine, {}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto stanza = ParseStanza(c.xml);
        ASSERT_TRUE(stanza);
        const SystemReading reading = ReadSystemMessage(*stanza);
        EXPECT_EQ(reading.kind, c.kind);
        EXPECT_EQ(reading.message.text, c.message.text);
        EXPECT_EQ(reading.message.type, c.message.type);
        EXPECT_EQ(reading.message.sessionId, c.message.sessionId);
        EXPECT_EQ(reading.version, c.version);
    }
}

TEST(ServiceResults, OnlyResultsForThisSession)
{
    const gloox::JID own("agent@localhost/Ostrel");
    const auto read = [&](const std::string &xml, const gloox::JID &me) {
        const auto stanza = ParseStanza(xml);
        EXPECT_TRUE(stanza) << xml;
        struct
        {
            std::optional<AgentVersion> version;
            std::optional<VisitorHistory> history;
            std::optional<Jid> invited;
        } r{ReadAgentVersion(*stanza, me), ReadVisitorHistory(*stanza, me), ReadVisitorInvited(*stanza, me)};
        return r;
    };

    const auto version = read("<iq type='result' id='quelvar-agent-version' to='agent@localhost/Ostrel'>"
                              "<query xmlns='quelvar:tessary'><version agent='5.2' url='http://127.0.0.1/u'/>"
                              "</query></iq>",
                              own);
    ASSERT_TRUE(version.version);
    EXPECT_EQ(version.version->agent, "5.2");
    EXPECT_EQ(version.version->url, "http://127.0.0.1/u");
    EXPECT_FALSE(version.history || version.invited);

    const auto history = read("<iq type='result' id='quelvar-get-visitor-history' to='agent@localhost/Ostrel'>"
                              "<query xmlns='quelvar:tessary'><visitor id='v-9@localhost'>3 chats &lt;b&gt;</visitor>"
                              "</query></iq>",
                              own);
    ASSERT_TRUE(history.history);
    EXPECT_EQ(history.history->visitor.Str(), "v-9@localhost");
    EXPECT_EQ(history.history->text, "3 chats <b>");

    const auto invited = read("<iq type='result' id='invite-visitor-to-chat' to='agent@localhost/Ostrel'>"
                              "<visitor xmlns='quelvar:tessary' id='v-9@localhost' result='invited'/></iq>",
                              own);
    ASSERT_TRUE(invited.invited);
    EXPECT_EQ(invited.invited->Str(), "v-9@localhost");

    const struct
    {
        const char *name;
        const char *xml;
        gloox::JID own;
    } refused[] = {
        {"to another resource", "<iq type='result' id='quelvar-agent-version' to='agent@localhost/other'>"
         "<query xmlns='quelvar:tessary'><version agent='5.2' url=''/></query></iq>", own},
        {"without to", "<iq type='result' id='quelvar-get-visitor-history'>"
         "<query xmlns='quelvar:tessary'><visitor id='v'>t</visitor></query></iq>", own},
        {"before the session has a JID", "<iq type='result' id='quelvar-agent-version' to='agent@localhost/Ostrel'>"
         "<query xmlns='quelvar:tessary'><version agent='5.2' url=''/></query></iq>", gloox::JID()},
        {"a request", "<iq type='get' id='invite-visitor-to-chat' to='agent@localhost/Ostrel'>"
         "<visitor xmlns='quelvar:tessary' id='v' result='invited'/></iq>", own},
        {"not invited", "<iq type='result' id='invite-visitor-to-chat' to='agent@localhost/Ostrel'>"
         "<visitor xmlns='quelvar:tessary' id='v' result='declined'/></iq>", own},
        {"no version child", "<iq type='result' id='quelvar-agent-version' to='agent@localhost/Ostrel'>"
         "<query xmlns='quelvar:tessary'/></iq>", own},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        const auto r = read(c.xml, c.own);
        EXPECT_FALSE(r.version || r.history || r.invited);
    }
}

} // namespace
