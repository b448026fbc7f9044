// Chat, presence and group-chat traffic between CWirlam on a bus and a second
// client, the visitor, through Prosody; and hostile stanzas from the visitor.

#include "tests/xmpp/WirlamBus.h"
#include "tests/xmpp/tasks/ChatRecorder.h"

#include "plugins/xmpp/tasks/StanzaText.h"
#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/ProsodyFixture.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

// Readable failures for Qt strings.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

using namespace xmpptest;
using harness::ChatServiceSimulator;
using harness::ProsodyFixture;

namespace {

const QString kAgent = QStringLiteral("agent@localhost/Ostrel");

bool IsMessageWith(const gloox::Tag &t, const char *child, const char *ns)
{
    return t.name() == "message" && Stanza::FindChild(t, child, ns);
}

class ChatRoundTrip : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        bus.manager->SetSetting(QStringLiteral("server.cafile"), server.CaFile());
        bus.manager->SetSetting(QStringLiteral("agent.nick"), QStringLiteral("Ann \"the\" <agent>"));
        recorder = new ChatRecorder;
        ASSERT_TRUE(bus.manager->AddPlugin(recorder, PLUGIN_ORDER_LIVE_CHAT));
        ASSERT_EQ(bus.Login(server.Jid(QStringLiteral("agent")), server.PasswordOf(QStringLiteral("agent")),
                            server.Address()),
                  2);
        ASSERT_TRUE(bus.WaitFor(QStringLiteral("connected"))) << server.Log().toStdString();

        ChatServiceSimulator::Config config;
        config.port = server.Port();
        config.jid = server.Jid(QStringLiteral("visitor"));
        config.password = server.PasswordOf(QStringLiteral("visitor"));
        config.resource = QStringLiteral("web");
        visitor = std::make_unique<ChatServiceSimulator>(config);
        ASSERT_TRUE(visitor->Start()) << visitor->ErrorText().toStdString();
    }

    QString Visitor() const { return QString::fromStdString(visitor->FullJid()); }
    int Send(const QUuid &id, IMessage *in) { return bus.manager->SendMessage(nullptr, id, in, nullptr); }

    ProsodyFixture server;
    WirlamBus bus;
    ChatRecorder *recorder = nullptr; // owned by the bus
    std::unique_ptr<ChatServiceSimulator> visitor;
};

TEST_F(ChatRoundTrip, AMessageWithAReceiptRequestArrivesAndItsReceiptComesBackAsDelivered)
{
    ChatMessage message;
    message.to = Jid(Visitor());
    message.body = QStringLiteral("Hello & <welcome> \u00e9\u20ac");
    message.id = "r-42";
    ASSERT_EQ(Send(MSG_SEND_CHAT_MESSAGE, &message), 2);

    const auto arrived = visitor->Expect([](const gloox::Tag &t) { return t.name() == "message" && t.findChild("body"); });
    ASSERT_TRUE(arrived) << server.Log().toStdString();
    EXPECT_EQ(arrived->findAttribute("from"), kAgent.toStdString());
    EXPECT_EQ(arrived->findAttribute("id"), "r-42");
    EXPECT_EQ(QString::fromStdString(arrived->findChild("body")->cdata()), message.body);
    EXPECT_TRUE(Stanza::FindChild(*arrived, "request", Stanza::kNsReceipts));
    EXPECT_TRUE(Stanza::FindChild(*arrived, "active", Stanza::kNsChatStates));

    visitor->Send("<message type='chat' to='" + kAgent.toStdString()
                  + "' id='r-42'><received xmlns='urn:xmpp:receipts'/></message>");
    ASSERT_TRUE(waitUntil([&] { return !recorder->delivered.empty(); }));
    EXPECT_EQ(recorder->delivered[0].id, "r-42");
    EXPECT_EQ(recorder->delivered[0].from.Str(), Visitor());
    EXPECT_EQ(recorder->delivered[0].to.Str(), kAgent);
    EXPECT_TRUE(recorder->received.empty());
    EXPECT_FALSE(recorder->offThread);
}

TEST_F(ChatRoundTrip, ChatStatesGoBothWaysAndTheVisitorsReceiptRequestIsAnswered)
{
    ChatStateMessage typing;
    typing.to = ChatContact(Jid(Visitor()));
    typing.state = ChatStatePaused;
    ASSERT_EQ(Send(MSG_CHAT_STATE, &typing), 2);
    ASSERT_TRUE(visitor->Expect([](const gloox::Tag &t) { return IsMessageWith(t, "paused", Stanza::kNsChatStates); }));
    recorder->Clear(); // it heard our own request too

    const std::string to = kAgent.toStdString();
    visitor->Send("<message type='chat' to='" + to
                  + "'><composing xmlns='http://jabber.org/protocol/chatstates'/></message>");
    ASSERT_TRUE(waitUntil([&] { return !recorder->states.empty(); }));
    EXPECT_EQ(recorder->states[0].state, ChatStateComposing);
    EXPECT_EQ(recorder->states[0].from.jid.Str(), Visitor());
    EXPECT_EQ(recorder->states[0].to.jid.Str(), kAgent);

    visitor->Send("<message type='chat' to='" + to
                  + "' id='v-1'><body>Can you help?</body><request xmlns='urn:xmpp:receipts'/>"
                    "<active xmlns='http://jabber.org/protocol/chatstates'/></message>");
    const auto receipt =
        visitor->Expect([](const gloox::Tag &t) { return IsMessageWith(t, "received", Stanza::kNsReceipts); });
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->findAttribute("id"), "v-1");
    EXPECT_EQ(receipt->findAttribute("type"), "chat");
    ASSERT_TRUE(waitUntil([&] { return !recorder->received.empty(); }));
    EXPECT_EQ(recorder->received[0].body, QStringLiteral("Can you help?"));
    EXPECT_EQ(recorder->received[0].type, ChatMessage::Chat);
    EXPECT_TRUE(recorder->received[0].id.empty());
    const QStringList chat = recorder->log.filter(QRegularExpression(QStringLiteral("^(state|received)")));
    EXPECT_EQ(chat, (QStringList{QStringLiteral("state 2"), QStringLiteral("state 1"), QStringLiteral("received")}));
}

TEST_F(ChatRoundTrip, TheVisitorsDirectedPresenceBecomesTheContact)
{
    visitor->Send("<presence to='" + kAgent.toStdString()
                  + "' nick='Visitor &amp; Co'><show>dnd</show><status>On the pricing page</status>"
                    "<priority>1</priority>"
                    "<c xmlns='http://jabber.org/protocol/caps' node='quelvar:ostrel:caps' ver='1' "
                    "ext='share-v1 rtf voice-v1'/>"
                    "<x xmlns='http://jabber.org/protocol/muc#user'>"
                    "<item role='visitor' jid='visitor@localhost/tab2'/></x></presence>");
    // The item's real JID stands for the sender; the agent also hears its
    // own presence and the visitor's broadcast one.
    const QString real = QStringLiteral("visitor@localhost/tab2");
    auto fromReal = [&] {
        return std::find_if(recorder->contacts.begin(), recorder->contacts.end(),
                            [&](const ChatContact &c) { return c.jid.Str() == real; });
    };
    ASSERT_TRUE(waitUntil([&] { return fromReal() != recorder->contacts.end(); })) << server.Log().toStdString();
    const ChatContact c = *fromReal();
    EXPECT_EQ(c.bareJid.Str(), QStringLiteral("visitor@localhost"));
    EXPECT_EQ(c.nick, QStringLiteral("Visitor & Co"));
    EXPECT_EQ(c.status, QStringLiteral("On the pricing page"));
    EXPECT_EQ(c.state, PresenceBusy);
    EXPECT_EQ(c.role, RoleVisitor);
    EXPECT_TRUE(c.voiceCapable && c.shareCapable && c.rtfCapable);
}

TEST_F(ChatRoundTrip, InvitationsDeclinesAndTheAgentsPresenceReachTheOtherClient)
{
    // The second client stands in for the room, the address the stanzas go to.
    VisitorMessage invitation;
    invitation.room = Jid(Visitor());
    invitation.user = Jid(QStringLiteral("agent2@localhost"));
    invitation.reason = QStringLiteral("Please take over <now>");
    ASSERT_EQ(Send(MSG_SEND_MUC_INVITE, &invitation), 2);
    auto invite = visitor->Expect([](const gloox::Tag &t) { return IsMessageWith(t, "x", Stanza::kNsMucUser); });
    ASSERT_TRUE(invite);
    const gloox::Tag *x = Stanza::FindChild(*invite, "x", Stanza::kNsMucUser);
    EXPECT_EQ(x->findAttribute("to"), "agent2@localhost");
    ASSERT_TRUE(x->findChild("invite") && x->findChild("invite")->findChild("reason"));
    EXPECT_EQ(x->findChild("invite")->findChild("reason")->cdata(), "Please take over <now>");

    invitation.reason.clear();
    ASSERT_EQ(Send(MSG_SEND_MUC_DECLINE, &invitation), 2);
    auto decline = visitor->Expect([](const gloox::Tag &t) { return IsMessageWith(t, "x", Stanza::kNsMucUser); });
    ASSERT_TRUE(decline);
    EXPECT_TRUE(Stanza::FindChild(*decline, "x", Stanza::kNsMucUser)->findChild("decline"));

    // Directed presence with a role: the presence, then the role request.
    ChatContact room{Jid(Visitor())};
    room.role = RoleParticipant;
    room.state = PresenceAway;
    QVMessage<ChatContact> directed(room);
    ASSERT_EQ(Send(MSG_SEND_DIRECTED_PRESENCE, &directed), 2);
    auto presence = visitor->Expect([](const gloox::Tag &t) {
        return t.name() == "presence" && Stanza::FindChild(t, "x", Stanza::kNsMucUser);
    });
    ASSERT_TRUE(presence);
    EXPECT_EQ(presence->findAttribute("nick"), "Ann \"the\" <agent>");
    EXPECT_EQ(presence->findCData("/presence/show"), "away");
    auto request = visitor->Expect([](const gloox::Tag &t) { return IsMessageWith(t, "x", Stanza::kNsDataForms); });
    ASSERT_TRUE(request);
    EXPECT_EQ(request->findCData("/message/x/field[@var='muc#role']/value"), "participant");

    // The agent's own presence goes to everyone who shares the roster, then
    // the notice tells the other plug-ins (the journal also holds the request).
    bus.journal.clear();
    QVMessage<PresenceState> away(PresenceBeRightBack);
    ASSERT_EQ(Send(MSG_PRESENCE_STATE, &away), 2);
    EXPECT_EQ(bus.journal, (QStringList{QStringLiteral("presence 6"), QStringLiteral("presence 6")}));
    auto own = visitor->Expect([](const gloox::Tag &t) {
        return t.name() == "presence" && t.findAttribute("from") == kAgent.toStdString() && t.findChild("show");
    });
    ASSERT_TRUE(own);
    EXPECT_EQ(own->findCData("/presence/show"), "xa");
}

TEST_F(ChatRoundTrip, HostileStanzasYieldNoCrashAndOnlyTheMessagesTheyDefine)
{
    const std::string to = kAgent.toStdString();
    std::string nested;
    for (int i = 0; i < 40; ++i)
        nested += "<n" + std::to_string(i) + " xmlns='urn:example:deep'>";
    for (int i = 39; i >= 0; --i)
        nested += "</n" + std::to_string(i) + ">";
    std::string manyChildren;
    for (int i = 0; i < 2000; ++i)
        manyChildren += "<junk xmlns='urn:example:" + std::to_string(i) + "' a='" + std::to_string(i) + "'/>";
    const std::string bigBody(200 * 1024, 'b');
    std::string bigStatus;
    for (int i = 0; i < 20000; ++i)
        bigStatus += "\xE2\x82\xAC"; // three bytes each

    const std::vector<std::string> stanzas = {
        // Defined: a body, however large within the stream's bounds.
        "<message type='chat' to='" + to + "'><body>" + bigBody + "</body></message>",
        // Defined: a presence whose status is cut.
        "<presence to='" + to + "'><status>" + bigStatus + "</status></presence>",
        // Nothing: no child we know.
        "<message type='chat' to='" + to + "'>" + manyChildren + "</message>",
        "<message type='chat' to='" + to + "'>" + nested + "</message>",
        "<message type='chat' to='" + to + "'><body xmlns='urn:example:html'>x</body>"
            "<composing xmlns='urn:example:chatstates'/><received xmlns='urn:example:receipts'/></message>",
        "<message type='headline' to='" + to + "'><body>news</body></message>",
        "<message type='normal' to='" + to + "'><body>x</body></message>",
        "<message type='error' to='" + to + "'><body>x</body></message>",
        // Defined: state 0 for a state we do not know, however named.
        "<message type='chat' to='" + to + "'><" + std::string(1000, 'q')
            + " xmlns='http://jabber.org/protocol/chatstates'/></message>",
        // Defined: a presence whose muc#user item and caps lack their attributes.
        "<presence to='" + to + "'><x xmlns='http://jabber.org/protocol/muc#user'><item/></x>"
            "<c xmlns='http://jabber.org/protocol/caps'/><show/></presence>",
        // A receipt without an id still reports delivery; its junk is ignored.
        "<message type='chat' to='" + to + "'><received xmlns='urn:xmpp:receipts'><x>" + nested
            + "</x></received></message>",
        "<message type='chat' to='" + to + "'><body>last</body></message>",
    };
    // Past the presences of signing in, which arrive before this message.
    visitor->Send("<message type='chat' to='" + to + "'><body>first</body></message>");
    ASSERT_TRUE(waitUntil([&] { return !recorder->received.empty(); }));
    recorder->Clear();
    for (const std::string &s : stanzas)
        visitor->Send(s);

    // Stanzas arrive in order: the last message proves the others were read.
    ASSERT_TRUE(waitUntil(
        [&] { return !recorder->received.empty() && recorder->received.back().body == QStringLiteral("last"); },
        15000))
        << recorder->log.join(QLatin1Char(' ')).toStdString() << server.Log().right(3000).toStdString();
    bus.Settle();
    EXPECT_TRUE(bus.wirlam->IsConnected());
    EXPECT_TRUE(visitor->IsOnline());

    const QStringList &log = recorder->log;
    const std::vector<ChatContact> &contacts = recorder->contacts;
    EXPECT_EQ(log, (QStringList{QStringLiteral("received"), QStringLiteral("presence"), QStringLiteral("state 0"),
                                QStringLiteral("presence"), QStringLiteral("delivered"), QStringLiteral("received")}))
        << log.join(QLatin1Char(' ')).toStdString();
    ASSERT_EQ(recorder->received.size(), 2u);
    EXPECT_EQ(recorder->received[0].body.size(), qsizetype(bigBody.size()));
    ASSERT_EQ(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].status, QString(100, QChar(0x20AC)));
    EXPECT_EQ(contacts[1].role, RoleNone);
    EXPECT_EQ(contacts[1].state, PresenceOnline);
    EXPECT_FALSE(contacts[1].voiceCapable || contacts[1].shareCapable || contacts[1].rtfCapable);
    EXPECT_FALSE(recorder->offThread);
}

} // namespace
