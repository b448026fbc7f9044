#include "bus/ChatPayloads.h"
#include "bus/Jid.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;

TEST(Jid, ParsesAndCompares)
{
    const struct { const char *text; bool valid; const char *node, *domain, *resource, *full; } cases[] = {
        {"Agent@LocalHost/Ostrel", true, "agent", "localhost", "Ostrel", "agent@localhost/Ostrel"},
        {"localhost", true, "", "localhost", "", "localhost"},
        {"room@conf.x/Nick/with/slash", true, "room", "conf.x", "Nick/with/slash", "room@conf.x/Nick/with/slash"},
        {"", false, "", "", "", ""},
        {"@x", false, "", "", "", ""},
        {"a@b@c", false, "", "", "", ""},
        {"a@b/", false, "", "", "", ""},
    };
    for (const auto &c : cases) {
        Jid j{QString::fromUtf8(c.text)};
        EXPECT_EQ(j.IsValid(), c.valid) << c.text;
        EXPECT_EQ(j.node(), QString::fromUtf8(c.node)) << c.text;
        EXPECT_EQ(j.domain(), QString::fromUtf8(c.domain)) << c.text;
        EXPECT_EQ(j.resource(), QString::fromUtf8(c.resource)) << c.text;
        EXPECT_EQ(j.Str(), QString::fromUtf8(c.full)) << c.text;
    }
    Jid a(QStringLiteral("a@x/1")), b(QStringLiteral("A@X/2"));
    EXPECT_TRUE(a.BareEquals(b));
    EXPECT_NE(a, b);
    EXPECT_EQ(a.BareStr(), QStringLiteral("a@x"));
}

TEST(ChatPayloads, DefaultsAndClones)
{
    const ChatContact c;
    EXPECT_EQ(c.status, QStringLiteral("Available"));
    EXPECT_EQ(c.state, PresenceOnline);
    EXPECT_EQ(c.role, RoleNone);
    const Jid full(QStringLiteral("v1@chat.local/web"));
    EXPECT_EQ(ChatContact(full).bareJid, full) << "one JID fills both fields";

    // A message carries the time it was made, not the time it is sent.
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    ChatMessage m;
    EXPECT_GE(m.time, before);
    EXPECT_LE(m.time, QDateTime::currentSecsSinceEpoch());
    EXPECT_EQ(m.type, ChatMessage::Chat);

    m.time = 42;
    m.body = QStringLiteral("Hello");
    m.id = "r1";
    std::unique_ptr<IMessage> clone(m.Clone());
    EXPECT_STREQ(clone->GetTypeName(), "ChatMessage");
    auto *copy = static_cast<ChatMessage *>(clone.get());
    EXPECT_EQ(copy->time, 42);
    copy->body += QStringLiteral("!");
    copy->id += "x";
    clone.reset();
    EXPECT_EQ(m.body, QStringLiteral("Hello"));
    EXPECT_EQ(m.id, "r1");
}

TEST(ChatPayloads, PresenceRoleAndChatStateWords)
{
    const struct { bool available; const char *show; PresenceState state; } incoming[] = {
        {true, "", PresenceOnline},       {true, "chat", PresenceOnline}, {true, "away", PresenceAway},
        {true, "dnd", PresenceBusy},      {true, "xa", PresenceBeRightBack},
        {true, "Away", PresenceOnline},   // show words are case-sensitive; unknown reads as chat
        {false, "away", PresenceOffline}, {false, "", PresenceOffline},
    };
    for (const auto &c : incoming)
        EXPECT_EQ(PresenceFromShow(c.available, c.show), c.state) << c.available << " '" << c.show << "'";
    const std::pair<int, const char *> outgoing[] = {{PresenceError, ""}, {PresenceOffline, ""},
        {PresenceConnecting, ""}, {PresenceOnline, ""}, {PresenceAway, "away"}, {PresenceBusy, "dnd"},
        {PresenceBeRightBack, "xa"}, {7, ""}};
    for (const auto &[state, show] : outgoing)
        EXPECT_EQ(ShowOfPresence(PresenceState(state)), show) << state;

    const std::pair<const char *, ContactRole> rolesIn[] = {{"none", RoleNone}, {"visitor", RoleVisitor},
        {"participant", RoleParticipant}, {"administrator", RoleParticipant}, {"moderator", RoleOther},
        {"", RoleOther}};
    for (const auto &[text, role] : rolesIn)
        EXPECT_EQ(RoleFromText(text), role) << "'" << text << "'";
    const std::pair<const char *, ContactRole> rolesOut[] = {{"none", RoleNone}, {"", RoleOther},
        {"visitor", RoleVisitor}, {"participant", RoleParticipant}, {"administrator", RoleAdministrator},
        {"", ContactRole(9)}};
    for (const auto &[text, role] : rolesOut)
        EXPECT_EQ(RoleText(role), text) << int(role);

    const char *names[] = {"", "active", "composing", "paused", "inactive", "gone"};
    for (int state = ChatStateNone; state <= ChatStateGone; ++state) {
        EXPECT_EQ(ChatStateName(ChatState(state)), names[state]) << state;
        EXPECT_EQ(ChatStateFromName(names[state]), ChatState(state)) << state;
    }
    EXPECT_EQ(ChatStateFromName("typing"), ChatStateNone);
    EXPECT_EQ(ChatStateName(ChatState(6)), "");
}
