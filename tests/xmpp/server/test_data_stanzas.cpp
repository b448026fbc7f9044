#include "StanzaXml.h"
#include "tests/TestPayloads.h"

#include "plugins/xmpp/server/DataStanzas.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

using namespace QVPlugin;
using namespace Quelvar;
using xmpptest::ParseStanza;

const std::string kMd5Abc = "900150983cd24fb0d6963f7d28e17f72";
const std::string kMd5Empty = "d41d8cd98f00b204e9800998ecf8427e";

TEST(DataMessage, OutgoingRequests)
{
    const struct
    {
        const char *name;
        Request request;
        DataInfo info;
        const char *xml;
    } cases[] = {
        {"fetch with the saved hash", Request::Get, MakeDataInfo(1, "acc-7", "quicktext.xml", "", kMd5Abc),
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data' hash='900150983cd24fb0d6963f7d28e17f72'/></iq>"},
        {"a fetch never carries data", Request::Get, MakeDataInfo(2, "acc-7", "quicktext.xml", "abc"),
         "<iq type='get' id='qv-data-message'><info xmlns='quelvar:data' type='shared' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data'/></iq>"},
        {"store in Base64", Request::Set, MakeDataInfo(1, "acc-7", "quicktext.xml", "abc", kMd5Abc),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='quicktext.xml' "
         "account='acc-7'/><data xmlns='quelvar:data' hash='900150983cd24fb0d6963f7d28e17f72'>YWJj</data></iq>"},
        {"store of empty data", Request::Set, MakeDataInfo(3, "acc-7", "f", ""),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='download' key='f' "
         "account='acc-7'/><data xmlns='quelvar:data'/></iq>"},
        {"no account, UTF-8 name, binary data", Request::Set,
         MakeDataInfo(0, "", QStringLiteral("\u00fcber.xml"), std::string("\0\xff", 2)),
         "<iq type='set' id='qv-data-message'><info xmlns='quelvar:data' type='local' key='\xc3\xbc" "ber.xml'/>"
         "<data xmlns='quelvar:data'>AP8=</data></iq>"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto iq = BuildDataMessage(c.request, c.info);
        ASSERT_TRUE(iq);
        EXPECT_XML_EQ(iq->xml(), c.xml);
    }
    for (const int type : {4, 7, -1, INT_MIN, INT_MAX})
        EXPECT_FALSE(BuildDataMessage(Request::Get, MakeDataInfo(type, "acc", "q"))) << type;
}

TEST(DataMessage, TypeWords)
{
    const std::pair<const char *, int> cases[] = {
        {"local", 0}, {"server", 1}, {"shared", 2}, {"download", 3},
        {"serv", 1},  {"s", 2},      {"", 3},       {"l", 0},
        {"servers", -1}, {"Server", -1}, {"x", -1}, {"download ", -1},
    };
    for (const auto &[word, type] : cases)
        EXPECT_EQ(DataTypeOfWord(word), type) << "'" << word << "'";
}

TEST(DataMessage, IncomingForms)
{
    const struct
    {
        const char *name;
        const char *xml;
        DataReading::Kind kind;
        DataInfo info;
    } cases[] = {
        {"current", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' account='acc-7' "
         "key='quicktext.xml'/><current xmlns='quelvar:data'/></iq>",
         DataReading::Current, MakeDataInfo(1, "acc-7", "quicktext.xml")},
        {"data", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='shared' account='acc-7' "
         "key='quicktext.xml'/><data xmlns='quelvar:data' hash='h1'>YWJj</data></iq>",
         DataReading::Data, MakeDataInfo(2, "acc-7", "quicktext.xml", "abc", "h1")},
        {"data in wrapped lines", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
         "key='q'/><data xmlns='quelvar:data' hash='h2'>\n  YW\r\n  Jj\n</data></iq>",
         DataReading::Data, MakeDataInfo(1, "", "q", "abc", "h2")},
        {"data without a hash gets the MD5 of its data", "<iq type='result' id='qv-data-message'>"
         "<info xmlns='quelvar:data' type='server' key='q'/><data xmlns='quelvar:data'>YWJj</data></iq>",
         DataReading::Data, MakeDataInfo(1, "", "q", "abc", kMd5Abc)},
        {"an empty file still has a hash", "<iq type='result' id='qv-data-message'>"
         "<info xmlns='quelvar:data' type='server' key='q'/><data xmlns='quelvar:data'/></iq>",
         DataReading::Data, MakeDataInfo(1, "", "q", "", kMd5Empty)},
        {"changed carries neither data nor hash", "<iq type='result' id='qv-data-message'>"
         "<info xmlns='quelvar:data' type='server' key='q'/><changed xmlns='quelvar:data' hash='h3'>YWJj</changed></iq>",
         DataReading::Changed, MakeDataInfo(1, "", "q")},
        {"current wins over data", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
         "key='q'/><data xmlns='quelvar:data'>YWJj</data><current xmlns='quelvar:data'/></iq>",
         DataReading::Current, MakeDataInfo(1, "", "q")},
        {"a prefix of server", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='serv' "
         "key='q'/><current xmlns='quelvar:data'/></iq>",
         DataReading::Current, MakeDataInfo(1, "", "q")},
        {"an empty type is download", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='' "
         "key='q'/><current xmlns='quelvar:data'/></iq>",
         DataReading::Current, MakeDataInfo(3, "", "q")},
        {"UTF-8 account and key", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
         "account='k\xc3\xa4' key='\xc3\xbc.xml'/><current xmlns='quelvar:data'/></iq>",
         DataReading::Current, MakeDataInfo(1, QStringLiteral("k\u00e4"), QStringLiteral("\u00fc.xml"))},
        {"local is dropped", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='local' "
         "key='q'/><data xmlns='quelvar:data'>YWJj</data></iq>",
         DataReading::Ignored, {}},
        {"an unknown type is dropped", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' "
         "type='cloud' key='q'/><data xmlns='quelvar:data'>YWJj</data></iq>",
         DataReading::Ignored, {}},
        {"no info", "<iq type='result' id='qv-data-message'><data xmlns='quelvar:data'>YWJj</data></iq>",
         DataReading::Ignored, {}},
        {"bad Base64", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='q'/>"
         "<data xmlns='quelvar:data'>YW*j</data></iq>",
         DataReading::Ignored, {}},
        {"no answer child", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' type='server' "
         "key='q'/></iq>",
         DataReading::NotMine, {}},
        {"answer in another namespace", "<iq type='result' id='qv-data-message'><info xmlns='quelvar:data' "
         "type='server' key='q'/><current xmlns='quelvar:tessary'/></iq>",
         DataReading::NotMine, {}},
        {"another id", "<iq type='result' id='x'><info xmlns='quelvar:data' type='server' key='q'/>"
         "<current xmlns='quelvar:data'/></iq>",
         DataReading::NotMine, {}},
        {"an error", "<iq type='error' id='qv-data-message'><info xmlns='quelvar:data' type='server' key='q'/>"
         "<current xmlns='quelvar:data'/></iq>",
         DataReading::NotMine, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const auto stanza = ParseStanza(c.xml);
        ASSERT_TRUE(stanza);
        const DataReading reading = ReadDataMessage(*stanza);
        EXPECT_EQ(reading.kind, c.kind);
        if (reading.kind == DataReading::Ignored) {
            EXPECT_STRNE(reading.reason, "");
        }
        if (c.kind == DataReading::NotMine || c.kind == DataReading::Ignored)
            continue;
        EXPECT_EQ(reading.info.type, c.info.type);
        EXPECT_EQ(reading.info.account, c.info.account);
        EXPECT_EQ(reading.info.name, c.info.name);
        EXPECT_EQ(reading.info.data, c.info.data);
        EXPECT_EQ(reading.info.hash, c.info.hash);
    }
}

TEST(DataMessage, StoreReadsBackAsData)
{
    // What the service would echo: the stored bytes survive the wire exactly.
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    const auto store = BuildDataMessage(Request::Set, MakeDataInfo(1, "acc", "blob", bytes, "h"));
    auto answer = ParseStanza(store->xml());
    ASSERT_TRUE(answer);
    answer->addAttribute("type", "result");
    const DataReading reading = ReadDataMessage(*answer);
    ASSERT_EQ(reading.kind, DataReading::Data);
    EXPECT_EQ(reading.info.data, bytes);
}

} // namespace
