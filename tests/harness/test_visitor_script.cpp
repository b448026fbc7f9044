// The simulated service's visitor notices and command readers against the
// program's own readers: what a builder sends must reach the live-chat
// plug-in as the values it was given, hostile characters included.

#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/xmpp/server/ServerStanzas.h"
#include "tests/harness/VisitorScript.h"
#include "tests/xmpp/XmlCompare.h"

#include <gtest/gtest.h>

using namespace harness::visitors;

namespace {

const std::string kHostile = "a & <b> \"c\" 'd' \xc3\xa9 +%=]]>";

// The notice as the XMPP plug-in reads it off the wire.
QVPlugin::ServerMessage OnTheWire(const Notice &notice)
{
    const auto parsed = xmltest::ParseXml(NoticeStanza("agent@chat.local/Ostrel", notice)->xml());
    EXPECT_TRUE(parsed);
    if (!parsed)
        return {};
    const Quelvar::SystemReading reading = Quelvar::ReadSystemMessage(*parsed);
    EXPECT_EQ(reading.kind, Quelvar::SystemReading::Message);
    return reading.message;
}

Tessary::FlatXml Flat(const std::string &text)
{
    return Tessary::FlatXmlReader(QByteArrayView(text.data(), qsizetype(text.size())));
}

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

TEST(VisitorScript, TheCarrierIsAnIqResultWithTheTextEscapedOnce)
{
    const auto stanza = NoticeStanza("agent@chat.local/Ostrel", VisitorMessage("v-1", "<b>&"));
    EXPECT_NE(stanza->xml().find(">&lt;b&gt;&amp;</message>"), std::string::npos);
    EXPECT_TRUE(xmltest::SameXml(stanza.get(),
                                 "<iq type='result' id='qv-system-message' to='agent@chat.local/Ostrel'>"
                                 "<message xmlns='quelvar:tessary' type='visitor-message' sessionid='v-1'>"
                                 "&lt;b&gt;&amp;</message></iq>"));
    EXPECT_EQ(NoticeStanza("a@b/c", AccountData({}))->xml().find("CDATA"), std::string::npos);
}

TEST(VisitorScript, EveryNoticeReachesThePluginWithItsValues)
{
    const Page page{"http://shop.test/a?x=1&y=" + kHostile, "a", kHostile, "http://ref.test/", "P1", 12};
    const std::string tracking = Tracking("v-1", "H1", kHostile, page).text;
    const std::vector<std::string> geo{"US", "CA", "San Jose", "", "37.3", "-121.9", "807", "408", "ISP", "Org"};
    const struct
    {
        Notice notice;
        const char *type;
        std::string sessionId;
        std::string text;
    } plain[] = {
        {TrackingNotify("v-1", "H2"), "qv-vt-notify", "", "v-1 H2"},
        {StateChange("v-1", 8), "visitor-state-change", "v-1", "8"},
        {VisitorMessage("v-1", kHostile), "visitor-message", "v-1", kHostile},
        {SessionNotification("v-1", kHostile), "session-notification", "v-1", kHostile},
        {VisitorHistory("v-1", kHostile), "visitor-history", "v-1", kHostile},
        {Geolocation("v-1", geo), "geolocation", "v-1", "US,CA,San Jose,,37.3,-121.9,807,408,ISP,Org"},
        {ChatAlreadyAnswered("v-1"), "chat-already-answered", "v-1", ""},
        {VisitorOffline("v-1"), "visitor-offline", "v-1", ""},
        {TransferAccept("v-1"), "transfer-visitor-chat-accept", "v-1", ""},
        {TransferDecline("v-1", kHostile), "transfer-visitor-chat-decline", "v-1", kHostile},
        {ChangePassword(true), "change-password", "", "SUCCESS"},
        {ChangePassword(false), "change-password", "", "FAILED"},
    };
    for (const auto &c : plain) {
        SCOPED_TRACE(c.type);
        const QVPlugin::ServerMessage received = OnTheWire(c.notice);
        EXPECT_EQ(received.type, c.type);
        EXPECT_EQ(received.sessionId, c.sessionId);
        EXPECT_EQ(received.text, c.text);
    }

    const NameValueCollection fields(QByteArray::fromStdString(OnTheWire(Tracking("v-1", "H1", kHostile, page)).text));
    EXPECT_EQ(fields.Value("sid"), "v-1");
    EXPECT_EQ(fields.Value("qvvvid").toStdString(), kHostile);
    EXPECT_EQ(fields.Value("url").toStdString(), page.url);
    EXPECT_EQ(fields.Value("Title").toStdString(), kHostile);
    EXPECT_EQ(fields.Value("qvv!ID"), "P1");
    EXPECT_EQ(fields.Value("PageSeconds"), "12");

    const Tessary::FlatXml account = Flat(
        OnTheWire(AccountData({"A7", kHostile, "K", "http://127.0.0.1:1/kb", "", "d1,d2", "G"})).text);
    EXPECT_EQ(account.value("AccountID"), "A7");
    EXPECT_EQ(account.value("display-name"), Q(kHostile));
    EXPECT_EQ(account.value("brandle"), "http://127.0.0.1:1/kb");
    EXPECT_FALSE(account.contains("web-module-url"));
    EXPECT_EQ(account.value("member-departments"), "d1,d2");

    const QVPlugin::ServerMessage info = OnTheWire(VisitorInfo("v-1", {{"state", "8"}, {"display-name", kHostile}},
                                                               tracking, false));
    EXPECT_EQ(info.sessionId, "");
    const Tessary::FlatXml infoFields = Flat(info.text);
    EXPECT_EQ(infoFields.value("visitor-id"), "v-1");
    EXPECT_EQ(infoFields.value("state"), "8");
    EXPECT_EQ(infoFields.value("display-name"), Q(kHostile));
    EXPECT_EQ(infoFields.value("name-values"), Q(tracking));

    const Tessary::FlatXml transfer = Flat(OnTheWire(TransferRequest("v-1", "bob@chat.local/desk", kHostile)).text);
    EXPECT_EQ(transfer.value("from-uid"), "bob@chat.local/desk");
    EXPECT_EQ(transfer.value("message"), Q(kHostile));
}

TEST(VisitorScript, CommandsAreReadAsThePluginSendsThem)
{
    using Quelvar::Request;
    const struct
    {
        Request request;
        QVPlugin::ServerMessage message;
    } commands[] = {
        {Request::Set, {kHostile, "open-visitor-chat", "v-1"}},
        {Request::Set, {"", "accept-visitor-chat", "v-1"}},
        {Request::Set, {"H1", "get-visitor-info", "v-1"}},
        {Request::Set, {"", "is-visitor-online", "v-1"}},
        {Request::Set, {"ip", "block-visitor", "v-1"}},
        {Request::Set, {"http://shop.test/?a=1&b=2", "push-url-visitor", "v-1"}},
        {Request::Set, {"bob@chat.local", "transfer-visitor-chat-accepted", "v-1"}},
        {Request::Set, {"bob@chat.local", "transfer-visitor-chat-declined", "v-1"}},
        {Request::Set, {"127.0.0.1", "get-geolocation", "v-1"}},
        {Request::Get, {"127.0.0.1", "visitor-history", "v-1"}},
    };
    for (const auto &c : commands) {
        SCOPED_TRACE(c.message.type);
        auto stanza = xmltest::ParseXml(Quelvar::BuildSystemMessage(c.request, c.message)->xml());
        ASSERT_TRUE(stanza);
        stanza->addAttribute("from", "agent@chat.local/Ostrel");
        ASSERT_TRUE(IsCommand(c.message.type)(*stanza));
        EXPECT_FALSE(IsCommand("other")(*stanza));
        const std::optional<Command> command = ReadCommand(*stanza);
        ASSERT_TRUE(command);
        EXPECT_EQ(command->query, c.request == Request::Get);
        EXPECT_EQ(command->sessionId, "v-1");
        EXPECT_EQ(command->text, c.message.text);
        EXPECT_EQ(command->from, "agent@chat.local/Ostrel");
    }
    // The service's own notices are not commands.
    EXPECT_FALSE(ReadCommand(*NoticeStanza("a@b/c", StateChange("v-1", 6))));

    const std::optional<Transfer> transfer =
        ReadTransfer("<xml><agent>bob@chat.local/desk</agent><message>a &amp; &lt;b&gt; &apos;&quot;</message></xml>");
    ASSERT_TRUE(transfer);
    EXPECT_EQ(transfer->agent, "bob@chat.local/desk");
    EXPECT_EQ(transfer->message, "a & <b> '\"");
    EXPECT_FALSE(ReadTransfer("<xml><message>m</message></xml>"));
    EXPECT_FALSE(ReadTransfer("not xml"));
}
