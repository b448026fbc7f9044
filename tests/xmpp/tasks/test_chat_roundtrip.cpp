// Chat, presence and group-chat traffic between CWirlam on a bus and a second
// client, the visitor, through Prosody; and hostile stanzas from the visitor.

#include "tests/xmpp/WirlamBus.h"

#include "plugins/xmpp/tasks/StanzaText.h"
#include "tests/harness/ChatServiceSimulator.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace xmpptest;
using harness::ChatServiceSimulator;
using harness::ProsodyFixture;

namespace {

const std::string kAgent = "agent@localhost/Ostrel";

ChatServiceSimulator::Match MessageWith(const char *child, const char *ns)
{
    return [=](const gloox::Tag &t) { return t.name() == "message" && Stanza::FindChild(t, child, ns); };
}

class ChatRoundTrip : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!ProsodyFixture::Installed())
            GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
        ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
        bus.manager->SetSetting("agent.nick", "Ann \"the\" <agent>");
        ASSERT_TRUE(bus.SignIn(server));
        visitor = std::make_unique<ChatServiceSimulator>(ChatServiceSimulator::Config{
            "127.0.0.1", server.Port(), server.Jid("visitor"), server.PasswordOf("visitor"), "web"});
        ASSERT_TRUE(visitor->Start()) << visitor->ErrorText().toStdString();
    }

    QString Visitor() const { return QString::fromStdString(visitor->FullJid()); }
    // Sends the text from the visitor to the agent, after the stanza's name.
    void FromVisitor(const std::string &name, const std::string &rest)
    {
        visitor->Send("<" + name + " to='" + kAgent + "'" + rest);
    }

    ProsodyFixture server;
    WirlamBus bus;
    std::unique_ptr<ChatServiceSimulator> visitor;
};

TEST_F(ChatRoundTrip, AMessageWithAReceiptRequestArrivesAndItsReceiptComesBackAsDelivered)
{
    ChatMessage message;
    message.to = Jid(Visitor());
    message.body = QStringLiteral("Hello & <welcome> \u00e9\u20ac");
    message.id = "r-42";
    ASSERT_EQ(bus.Send(MSG_SEND_CHAT_MESSAGE, &message), 2);

    const auto arrived =
        visitor->Expect([](const gloox::Tag &t) { return t.name() == "message" && t.findChild("body"); });
    ASSERT_TRUE(arrived) << server.Log().toStdString();
    EXPECT_EQ(arrived->findAttribute("from"), kAgent);
    EXPECT_EQ(arrived->findAttribute("id"), "r-42");
    EXPECT_EQ(QString::fromStdString(arrived->findChild("body")->cdata()), message.body);
    EXPECT_TRUE(Stanza::FindChild(*arrived, "request", Stanza::kNsReceipts));
    EXPECT_TRUE(Stanza::FindChild(*arrived, "active", Stanza::kNsChatStates));

    FromVisitor("message", " type='chat' id='r-42'><received xmlns='urn:xmpp:receipts'/></message>");
    const auto delivered = bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_DELIVERED);
    ASSERT_TRUE(delivered);
    EXPECT_EQ(delivered->id, "r-42");
    EXPECT_EQ(delivered->from.Str(), Visitor());
    EXPECT_EQ(delivered->to.Str().toStdString(), kAgent);
    EXPECT_EQ(bus.chat.filter(QRegularExpression("^(delivered|received)")), QStringList{"delivered"});
}

TEST_F(ChatRoundTrip, ChatStatesGoBothWaysAndTheVisitorsReceiptRequestIsAnswered)
{
    ChatStateMessage paused;
    paused.to = ChatContact(Jid(Visitor()));
    paused.state = ChatStatePaused;
    ASSERT_EQ(bus.Send(MSG_CHAT_STATE, &paused), 2);
    ASSERT_TRUE(visitor->Expect(MessageWith("paused", Stanza::kNsChatStates)));

    FromVisitor("message", " type='chat'><composing xmlns='http://jabber.org/protocol/chatstates'/></message>");
    FromVisitor("message", " type='chat' id='v-1'><body>Can you help?</body><request xmlns='urn:xmpp:receipts'/>"
                           "<active xmlns='http://jabber.org/protocol/chatstates'/></message>");
    const auto receipt = visitor->Expect(MessageWith("received", Stanza::kNsReceipts));
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->findAttribute("id"), "v-1");
    EXPECT_EQ(receipt->findAttribute("type"), "chat");
    const auto received = bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_RECEIVED);
    ASSERT_TRUE(received);
    EXPECT_EQ(received->body, "Can you help?");
    EXPECT_EQ(received->type, ChatMessage::Chat);
    EXPECT_TRUE(received->id.empty());
    const auto composing = bus.Take<ChatStateMessage>(MSG_CHAT_STATE, [](auto &s) { return s.state == 2; });
    ASSERT_TRUE(composing);
    EXPECT_EQ(composing->from.jid.Str(), Visitor());
    EXPECT_EQ(composing->to.jid.Str().toStdString(), kAgent);
    // Our own request first, then the visitor's states, the message last.
    EXPECT_EQ(bus.chat.filter(QRegularExpression("^(state|received)")),
              (QStringList{"state 3", "state 2", "state 1", "received"}));
}

TEST_F(ChatRoundTrip, TheVisitorsDirectedPresenceBecomesTheContact)
{
    FromVisitor("presence", " nick='Visitor &amp; Co'><show>dnd</show><status>On the pricing page</status>"
                            "<priority>1</priority><c xmlns='http://jabber.org/protocol/caps' "
                            "node='quelvar:ostrel:caps' ver='1' ext='share-v1 rtf voice-v1'/>"
                            "<x xmlns='http://jabber.org/protocol/muc#user'>"
                            "<item role='visitor' jid='visitor@localhost/tab2'/></x></presence>");
    // The item's real JID stands for the sender; the agent also hears its
    // own presence and the visitor's broadcast one.
    const auto contact = bus.Take<QVMessage<ChatContact>>(
        MSG_CONTACT_PRESENCE, [](auto &c) { return c.value.jid.Str() == "visitor@localhost/tab2"; });
    ASSERT_TRUE(contact) << server.Log().toStdString();
    const ChatContact &c = contact->value;
    EXPECT_EQ(c.bareJid.Str(), "visitor@localhost");
    EXPECT_EQ(c.nick, "Visitor & Co");
    EXPECT_EQ(c.status, "On the pricing page");
    EXPECT_EQ(c.state, PresenceBusy);
    EXPECT_EQ(c.role, RoleVisitor);
    EXPECT_TRUE(c.voiceCapable && c.shareCapable && c.rtfCapable);
}

TEST_F(ChatRoundTrip, InvitationsAndTheAgentsPresenceReachTheOtherClient)
{
    // The second client stands in for the room, the address the stanzas go to.
    VisitorMessage invitation;
    invitation.room = Jid(Visitor());
    invitation.user = Jid(QStringLiteral("agent2@localhost"));
    invitation.reason = QStringLiteral("Please take over <now>");
    ASSERT_EQ(bus.Send(MSG_SEND_MUC_INVITE, &invitation), 2);
    const auto invite = visitor->Expect(MessageWith("x", Stanza::kNsMucUser));
    ASSERT_TRUE(invite);
    EXPECT_EQ(Stanza::FindChild(*invite, "x", Stanza::kNsMucUser)->findAttribute("to"), "agent2@localhost");
    EXPECT_EQ(invite->findCData("/message/x/invite/reason"), "Please take over <now>");

    // Directed presence with a role: the presence, then the role request.
    ChatContact room{Jid(Visitor())};
    room.role = RoleParticipant;
    room.state = PresenceAway;
    QVMessage<ChatContact> directed(room);
    ASSERT_EQ(bus.Send(MSG_SEND_DIRECTED_PRESENCE, &directed), 2);
    const auto presence = visitor->Expect(
        [](const gloox::Tag &t) { return t.name() == "presence" && Stanza::FindChild(t, "x", Stanza::kNsMucUser); });
    ASSERT_TRUE(presence);
    EXPECT_EQ(presence->findAttribute("nick"), "Ann \"the\" <agent>");
    EXPECT_EQ(presence->findCData("/presence/show"), "away");
    const auto request = visitor->Expect(MessageWith("x", Stanza::kNsDataForms));
    ASSERT_TRUE(request);
    EXPECT_EQ(request->findCData("/message/x/field[@var='muc#role']/value"), "participant");

    // The agent's own presence goes to everyone who shares the roster, then
    // the notice tells the other plug-ins (the journal also holds the request).
    bus.journal.clear();
    QVMessage<PresenceState> away(PresenceBeRightBack);
    ASSERT_EQ(bus.Send(MSG_PRESENCE_STATE, &away), 2);
    EXPECT_EQ(bus.journal, (QStringList{"presence 6", "presence 6"}));
    const auto own = visitor->Expect([](const gloox::Tag &t) {
        return t.name() == "presence" && t.findAttribute("from") == kAgent && t.findChild("show");
    });
    ASSERT_TRUE(own);
    EXPECT_EQ(own->findCData("/presence/show"), "xa");
}

TEST_F(ChatRoundTrip, HostileStanzasYieldNoCrashAndOnlyTheMessagesTheyDefine)
{
    std::string nested, manyChildren, bigStatus;
    for (int i = 0; i < 40; ++i)
        nested = "<n" + std::to_string(i) + " xmlns='urn:example:deep'>" + nested + "</n" + std::to_string(i) + ">";
    for (int i = 0; i < 2000; ++i)
        manyChildren += "<junk xmlns='urn:example:" + std::to_string(i) + "' a='" + std::to_string(i) + "'/>";
    for (int i = 0; i < 20000; ++i)
        bigStatus += "\xE2\x82\xAC"; // three bytes each
    const std::string bigBody(200 * 1024, 'b');

    // Past the presences of signing in, which arrive before this message.
    FromVisitor("message", " type='chat'><body>first</body></message>");
    ASSERT_TRUE(bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_RECEIVED));
    bus.chat.clear();
    bus.heard.clear();
    // Defined: a body however large within the stream's bounds; a presence whose status is cut.
    FromVisitor("message", " type='chat'><body>" + bigBody + "</body></message>");
    FromVisitor("presence", "><status>" + bigStatus + "</status></presence>");
    // Nothing: no child we know.
    FromVisitor("message", " type='chat'>" + manyChildren + "</message>");
    FromVisitor("message", " type='chat'>" + nested + "</message>");
    // Defined: a presence whose muc#user item and caps lack their attributes.
    FromVisitor("presence", "><x xmlns='http://jabber.org/protocol/muc#user'><item/></x>"
                            "<c xmlns='http://jabber.org/protocol/caps'/><show/></presence>");
    // A receipt without an id still reports delivery; its content is ignored.
    FromVisitor("message", " type='chat'><received xmlns='urn:xmpp:receipts'>" + nested + "</received></message>");
    FromVisitor("message", " type='chat'><body>last</body></message>");

    // Stanzas arrive in order: the last message proves the others were read.
    ASSERT_TRUE(bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_RECEIVED, [](auto &m) { return m.body == "last"; }))
        << bus.chat.join(' ').toStdString() << server.Log().right(3000).toStdString();
    bus.Settle();
    EXPECT_TRUE(bus.wirlam->IsConnected());
    EXPECT_TRUE(visitor->IsOnline());
    EXPECT_EQ(bus.chat, (QStringList{"received", "contact", "contact", "delivered", "received"}));
    const auto big = bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_RECEIVED);
    const auto cut = bus.Take<QVMessage<ChatContact>>(MSG_CONTACT_PRESENCE);
    const auto bare = bus.Take<QVMessage<ChatContact>>(MSG_CONTACT_PRESENCE);
    ASSERT_TRUE(big && cut && bare);
    EXPECT_EQ(big->body.size(), qsizetype(bigBody.size()));
    EXPECT_EQ(cut->value.status, QString(100, QChar(0x20AC)));
    EXPECT_EQ(bare->value.role, RoleNone);
    EXPECT_EQ(bare->value.state, PresenceOnline);
    EXPECT_FALSE(bare->value.voiceCapable || bare->value.shareCapable || bare->value.rtfCapable);
}

// Strangers on the same server: their directed presence, a forged roster
// push and a message make no contact; a colleague who signs in after them does.
TEST(Colleagues, OnlyTheRostersSubscribedAccountsBecomeContacts)
{
    if (!ProsodyFixture::Installed())
        GTEST_SKIP() << "prosody is not installed (scripts/install-deps.sh installs it)";
    ProsodyFixture::Options options;
    options.outsiders = {QStringLiteral("outsider")};
    ProsodyFixture server(options);
    ASSERT_TRUE(server.Start()) << server.ErrorText().toStdString();
    WirlamBus bus;
    ASSERT_TRUE(bus.SignIn(server));
    const auto signIn = [&](const char *user, const std::string &resource) {
        auto client = std::make_unique<ChatServiceSimulator>(ChatServiceSimulator::Config{
            "127.0.0.1", server.Port(), server.Jid(user), server.PasswordOf(user), QString::fromStdString(resource)});
        EXPECT_TRUE(client->Start()) << client->ErrorText().toStdString();
        return client;
    };
    std::vector<std::unique_ptr<ChatServiceSimulator>> strangers;
    for (int i = 0; i < 3; ++i) {
        strangers.push_back(signIn("outsider", "s" + std::to_string(i)));
        strangers.back()->Send("<presence to='" + kAgent + "'/>");
    }
    strangers.front()->Send("<iq type='set' id='push1' to='" + kAgent + "'><query xmlns='jabber:iq:roster'>"
                            "<item jid='outsider@localhost' subscription='both'/></query></iq>");
    strangers.front()->Send("<presence to='" + kAgent + "'><show>chat</show></presence>");
    strangers.front()->Send("<message type='chat' id='m1' to='" + kAgent
                            + "'><body>hi</body><request xmlns='urn:xmpp:receipts'/></message>");
    ASSERT_TRUE(bus.Take<ChatMessage>(MSG_CHAT_MESSAGE_RECEIVED)); // the stranger's stanzas were all read
    EXPECT_FALSE(strangers.front()->Expect(MessageWith("received", Stanza::kNsReceipts), 500));

    auto colleague = signIn("visitor", "desk");
    const auto contact = bus.Take<QVMessage<ChatContact>>(
        MSG_CONTACT_PRESENCE, [](auto &c) { return c.value.bareJid.Str() == "visitor@localhost"; });
    EXPECT_TRUE(contact);
    bus.Settle();
    for (const auto &[id, payload] : bus.heard) {
        if (id == MSG_CONTACT_PRESENCE)
            EXPECT_NE(static_cast<const QVMessage<ChatContact> &>(*payload).value.bareJid.Str(), "outsider@localhost");
    }
}

} // namespace
