#include "tests/TestPayloads.h"
#include "tests/xmpp/tasks/XmlCompare.h"

#include "plugins/xmpp/server/DataStanzas.h"
#include "plugins/xmpp/server/ServerStanzas.h"

#include <gloox/jid.h>

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace QVPlugin;
using namespace Quelvar;
using xmltest::ParseXml;
using xmltest::SameXml;

const std::string kMd5Abc = "900150983cd24fb0d6963f7d28e17f72";

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
        {"get, empty type and session id", Request::Get, {"only text", "", ""},
         "<iq type='get' id='qv-system-message'><message xmlns='quelvar:tessary'>only text</message></iq>"},
        {"markup stays text", Request::Set, {"Gr\xc3\xbc\xc3\x9f" "e <b>", "a\"b", ""},
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary' type='a&quot;b'>"
         "Gr\xc3\xbc\xc3\x9f" "e &lt;b&gt;</message></iq>"},
        {"bytes XML cannot carry", Request::Set, {"a\x01" "b\xff" "c", "", ""},
         "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'>ab\xef\xbf\xbd" "c</message></iq>"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(SameXml(BuildSystemMessage(c.request, c.message).get(), c.xml)) << c.name;
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
        {"notice", "<iq type='result' id='qv-system-message'><message xmlns='quelvar:tessary' "
         "type='visitor-state-change' sessionid='v-1'>a &amp; b</message></iq>",
         SystemReading::Message, {"a & b", "visitor-state-change", "v-1"}, ""},
        {"namespace by prefix", "<iq type='result' id='qv-system-message'>"
         "<t:message xmlns:t='quelvar:tessary' type='geolocation'/></iq>",
         SystemReading::Message, {"", "geolocation", ""}, ""},
        {"version-info is decoded, never a server message", "<iq type='result' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='version-info'>NS4xLjAuMjAw</message></iq>",
         SystemReading::VersionInfo, {}, "5.1.0.200"},
        {"version-info that is not Base64", "<iq type='result' id='qv-system-message'>"
         "<message xmlns='quelvar:tessary' type='version-info'>5.1!</message></iq>",
         SystemReading::Ignored, {}, ""},
        {"a request", "<iq type='set' id='qv-system-message'><message xmlns='quelvar:tessary'/></iq>",
         SystemReading::NotMine, {}, ""},
        {"another id", "<iq type='result' id='x1'><message xmlns='quelvar:tessary'/></iq>",
         SystemReading::NotMine, {}, ""},
        {"another namespace", "<iq type='result' id='qv-system-message'><message xmlns='quelvar:data'/></iq>",
         SystemReading::NotMine, {}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto stanza = ParseXml(c.xml);
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
    const auto stanza = [](const std::string &to, const std::string &id, const std::string &payload) {
        return ParseXml("<iq type='result' id='" + id + "'" + (to.empty() ? "" : " to='" + to + "'") + ">"
                        + payload + "</iq>");
    };
    const std::string version = "<query xmlns='quelvar:tessary'><version agent='5.2' url='http://127.0.0.1/u'/>"
                                "</query>";
    const auto agent = ReadAgentVersion(*stanza(own.full(), "quelvar-agent-version", version), own);
    ASSERT_TRUE(agent);
    EXPECT_EQ(agent->agent, "5.2");
    EXPECT_EQ(agent->url, "http://127.0.0.1/u");
    EXPECT_FALSE(ReadAgentVersion(*stanza("agent@localhost/other", "quelvar-agent-version", version), own));
    EXPECT_FALSE(ReadAgentVersion(*stanza("", "quelvar-agent-version", version), own));
    EXPECT_FALSE(ReadAgentVersion(*stanza(own.full(), "quelvar-agent-version", version), gloox::JID()));

    const auto history = ReadVisitorHistory(
        *stanza(own.full(), "quelvar-get-visitor-history",
                "<query xmlns='quelvar:tessary'><visitor id='v-9@localhost'>3 chats &lt;b&gt;</visitor></query>"),
        own);
    ASSERT_TRUE(history);
    EXPECT_EQ(history->visitor.Str(), "v-9@localhost");
    EXPECT_EQ(history->text, "3 chats <b>");

    const auto invited = [&](const char *result) {
        return ReadVisitorInvited(*stanza(own.full(), "invite-visitor-to-chat",
                                          std::string("<visitor xmlns='quelvar:tessary' id='v-9@localhost' result='")
                                              + result + "'/>"),
                                  own);
    };
    ASSERT_TRUE(invited("invited"));
    EXPECT_EQ(invited("invited")->Str(), "v-9@localhost");
    EXPECT_FALSE(invited("declined"));
}

TEST(DataMessage, OutgoingRequests)
{
    const struct
    {
        const char *name;
        Request request;
        DataInfo info;
        const char *xml;
    } cases[] = {
        {"fetch with the saved hash", Request::Get, MakeDataInfo(1, "acc-7", "quicktext.xml", "abc", kMd5Abc),
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data' hash='900150983cd24fb0d6963f7d28e17f72'/></iq>"},
        {"store in Base64", Request::Set, MakeDataInfo(2, "acc-7", "quicktext.xml", "abc", kMd5Abc),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='shared' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data' hash='900150983cd24fb0d6963f7d28e17f72'>YWJj</data></iq>"},
        {"store of empty data", Request::Set, MakeDataInfo(3, "acc-7", "f", ""),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='download' key='f' "
         "account='acc-7'/><data xmlns='quelvar:data'/></iq>"},
        {"no account, UTF-8 name, binary data", Request::Set,
         MakeDataInfo(0, "", QStringLiteral("\u00fcber.xml"), std::string("\0\xff", 2)),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='local' key='\xc3\xbc" "ber.xml'/>"
         "<data xmlns='quelvar:data'>AP8=</data></iq>"},
    };
    for (const auto &c : cases)
        EXPECT_TRUE(SameXml(BuildDataMessage(c.request, c.info).get(), c.xml)) << c.name;
    for (const int type : {4, -1, INT_MIN})
        EXPECT_FALSE(BuildDataMessage(Request::Get, MakeDataInfo(type, "acc", "q"))) << type;
}

TEST(DataMessage, TypeWordsMatchByPrefixTheLastWinning)
{
    const std::pair<const char *, int> cases[] = {
        {"local", 0}, {"server", 1}, {"download", 3}, {"serv", 1}, {"s", 2},
        {"", 3},      {"servers", -1}, {"Server", -1},
    };
    for (const auto &[word, type] : cases)
        EXPECT_EQ(DataTypeOfWord(word), type) << "'" << word << "'";
}

TEST(DataMessage, IncomingForms)
{
    const auto answer = [](const char *type, const std::string &child) {
        return std::string("<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='") + type
            + "' account='k\xc3\xa4' key='q.xml'/>" + child + "</iq>";
    };
    const struct
    {
        const char *name;
        std::string xml;
        DataReading::Kind kind;
        int type;
        std::string data;
        std::string hash;
    } cases[] = {
        {"current", answer("server", "<current xmlns='quelvar:data'/>"), DataReading::Current, 1, "", ""},
        {"data in wrapped lines", answer("shared", "<data xmlns='quelvar:data' hash='h1'>\n YW\r\n Jj\n</data>"),
         DataReading::Data, 2, "abc", "h1"},
        {"data without a hash gets its MD5", answer("serv", "<data xmlns='quelvar:data'>YWJj</data>"),
         DataReading::Data, 1, "abc", kMd5Abc},
        {"changed has neither data nor hash", answer("", "<changed xmlns='quelvar:data' hash='h'>YWJj</changed>"),
         DataReading::Changed, 3, "", ""},
        {"local is dropped", answer("local", "<current xmlns='quelvar:data'/>"), DataReading::Ignored, 0, "", ""},
        {"an unknown type is dropped", answer("cloud", "<current xmlns='quelvar:data'/>"), DataReading::Ignored, 0,
         "", ""},
        {"bad Base64", answer("server", "<data xmlns='quelvar:data'>YW*j</data>"), DataReading::Ignored, 0, "", ""},
        {"no info", "<iq type='result' id='qv-data-message'><current xmlns='quelvar:data'/></iq>",
         DataReading::Ignored, 0, "", ""},
        {"no answer", answer("server", ""), DataReading::NotMine, 0, "", ""},
        {"an error", "<iq type='error' id='qv-data-message'><current xmlns='quelvar:data'/></iq>",
         DataReading::NotMine, 0, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto stanza = ParseXml(c.xml);
        ASSERT_TRUE(stanza);
        const DataReading reading = ReadDataMessage(*stanza);
        ASSERT_EQ(reading.kind, c.kind);
        if (c.kind == DataReading::NotMine || c.kind == DataReading::Ignored)
            continue;
        EXPECT_EQ(reading.info.type, c.type);
        EXPECT_EQ(reading.info.account, QStringLiteral("k\u00e4"));
        EXPECT_EQ(reading.info.name, "q.xml");
        EXPECT_EQ(reading.info.data, c.data);
        EXPECT_EQ(reading.info.hash, c.hash);
    }
}

} // namespace
