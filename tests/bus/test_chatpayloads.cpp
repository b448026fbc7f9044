#include "bus/ChatPayloads.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;

TEST(ChatPayloads, Defaults)
{
    const ChatContact c;
    EXPECT_FALSE(c.jid.IsValid());
    EXPECT_EQ(c.status, QStringLiteral("Available"));
    EXPECT_EQ(c.state, PresenceOnline);
    EXPECT_EQ(c.role, RoleNone);
    EXPECT_FALSE(c.shareCapable || c.voiceCapable || c.videoCapable || c.rtfCapable);

    const Jid full(QStringLiteral("v1@chat.local/web"));
    const ChatContact fromJid(full);
    EXPECT_EQ(fromJid.jid, full);
    EXPECT_EQ(fromJid.bareJid, full) << "one JID fills both fields";

    const ChatStateMessage s;
    EXPECT_EQ(s.state, ChatStateNone);
    EXPECT_EQ(s.from.status, QStringLiteral("Available"));
    EXPECT_EQ(s.to.state, PresenceOnline);

    // A message carries the time it was made, not the time it is sent.
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    const ChatMessage m;
    const qint64 after = QDateTime::currentSecsSinceEpoch();
    EXPECT_GE(m.time, before);
    EXPECT_LE(m.time, after);
    EXPECT_EQ(m.type, ChatMessage::Chat);
    EXPECT_TRUE(m.id.empty());
}

TEST(ChatPayloads, ClonesAreDeepCopies)
{
    ChatMessage m;
    m.time = 42;
    m.to = Jid(QStringLiteral("v1@chat.local/web"));
    m.body = QStringLiteral("Hello");
    m.id = "r1";
    std::unique_ptr<IMessage> mc(m.Clone());
    EXPECT_STREQ(mc->GetTypeName(), "ChatMessage");
    auto *copy = static_cast<ChatMessage *>(mc.get());
    EXPECT_EQ(copy->time, 42);
    EXPECT_EQ(copy->to, m.to);
    copy->body += QStringLiteral("!");
    copy->id += "x";
    mc.reset();
    EXPECT_EQ(m.body, QStringLiteral("Hello"));
    EXPECT_EQ(m.id, "r1");

    ChatStateMessage s;
    s.from.nick = QStringLiteral("Ann");
    s.state = ChatStateComposing;
    std::unique_ptr<IMessage> sc(s.Clone());
    EXPECT_STREQ(sc->GetTypeName(), "ChatStateMessage");
    auto *scopy = static_cast<ChatStateMessage *>(sc.get());
    EXPECT_EQ(scopy->state, ChatStateComposing);
    scopy->from.nick.clear();
    EXPECT_EQ(s.from.nick, QStringLiteral("Ann"));
}

TEST(ChatPayloads, PresenceShowConversions)
{
    struct In
    {
        bool available;
        const char *show;
        PresenceState state;
    };
    const In incoming[] = {
        {true, "", PresenceOnline},       {true, "chat", PresenceOnline}, {true, "away", PresenceAway},
        {true, "dnd", PresenceBusy},      {true, "xa", PresenceBeRightBack},
        {true, "Away", PresenceOnline},   // show words are case-sensitive; unknown reads as chat
        {false, "away", PresenceOffline}, {false, "", PresenceOffline},
    };
    for (const In &c : incoming)
        EXPECT_EQ(PresenceFromShow(c.available, c.show), c.state) << c.available << " '" << c.show << "'";

    struct Out
    {
        int state;
        const char *show;
    };
    const Out outgoing[] = {{PresenceError, ""}, {PresenceOffline, ""}, {PresenceConnecting, ""},
                            {PresenceOnline, ""}, {PresenceAway, "away"}, {PresenceBusy, "dnd"},
                            {PresenceBeRightBack, "xa"}, {7, ""}};
    for (const Out &c : outgoing)
        EXPECT_EQ(ShowOfPresence(PresenceState(c.state)), c.show) << c.state;
}

TEST(ChatPayloads, RoleAndChatStateWords)
{
    struct Role
    {
        const char *text;
        ContactRole role;
    };
    const Role incoming[] = {{"none", RoleNone},
                             {"visitor", RoleVisitor},
                             {"participant", RoleParticipant},
                             {"administrator", RoleParticipant},
                             {"moderator", RoleOther},
                             {"", RoleOther}};
    for (const Role &c : incoming)
        EXPECT_EQ(RoleFromText(c.text), c.role) << "'" << c.text << "'";

    const Role outgoing[] = {{"none", RoleNone},
                             {"", RoleOther},
                             {"visitor", RoleVisitor},
                             {"participant", RoleParticipant},
                             {"administrator", RoleAdministrator},
                             {"", ContactRole(9)}};
    for (const Role &c : outgoing)
        EXPECT_EQ(RoleText(c.role), c.text) << int(c.role);

    const char *names[] = {"", "active", "composing", "paused", "inactive", "gone"};
    for (int state = ChatStateNone; state <= ChatStateGone; ++state) {
        EXPECT_EQ(ChatStateName(ChatState(state)), names[state]) << state;
        EXPECT_EQ(ChatStateFromName(names[state]), ChatState(state)) << state;
    }
    EXPECT_EQ(ChatStateFromName("typing"), ChatStateNone);
    EXPECT_EQ(ChatStateName(ChatState(6)), "");
}
