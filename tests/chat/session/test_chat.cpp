// The chat session against a fake core: what goes on the wire, the ids and
// the echo after the last receipt.

#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/session/Chat.h"
#include "shared/Prompt.h"
#include "tests/TestUtil.h"

#include <QSignalSpy>

#include <optional>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::ChatMessage;
using QVPlugin::Jid;

namespace {

struct FakeCore : ChatCore
{
    Jid OwnJid() const override { return Jid(QStringLiteral("agent@x.org/desk")); }
    bool SendAgentMessage(const ChatMessage &message) override
    {
        sent.push_back(message);
        return int(sent.size()) != failAt;
    }
    bool BoolSetting(const QString &, bool fallback) const override { return sendHtml.value_or(fallback); }

    void SendTypingState(const Jid &peer, int state) override { typing.push_back({peer.Str(), state}); }
    void SendDirectedPresence(const ChatContact &p) override { presences.push_back(p); }
    const CContactList *Contacts() const override { return &roster; }

    std::vector<ChatMessage> sent;
    std::vector<std::pair<QString, int>> typing;
    std::vector<ChatContact> presences;
    int failAt = -1;
    std::optional<bool> sendHtml;
    CContactList roster;
};

ChatContact Member(const char *jid, QVPlugin::ContactRole role, bool rtf = false, const char *nick = "")
{
    ChatContact c{Jid(QString::fromLatin1(jid))};
    c.nick = QString::fromLatin1(nick);
    c.role = role;
    c.rtfCapable = rtf;
    return c;
}

struct ChatFixture : ::testing::Test
{
    FakeCore core;
    MessageChannel channel{Jid(QStringLiteral("room@conf.x.org"))};
    CChat chat{Jid(QStringLiteral("room@conf.x.org")), core, channel, QStringLiteral("T")};
};

using Chat = ChatFixture;

} // namespace

TEST_F(Chat, RoomMessageCarriesBothHalvesInBase64)
{
    chat.SetModeValue(4);
    ASSERT_TRUE(chat.SendMessage("{\\rtf1 x}", "a < b & c"));
    ASSERT_EQ(core.sent.size(), 1u);
    EXPECT_EQ(core.sent[0].body, "YSAmbHQ7IGIgJmFtcDsgYw==,YSA8IGIgJiBj");
    EXPECT_EQ(core.sent[0].type, ChatMessage::GroupChat);
    EXPECT_EQ(core.sent[0].to.Str(), "room@conf.x.org");

    core.sendHtml = true;
    ASSERT_TRUE(chat.SendMessage("", "a :) b"));
    EXPECT_EQ(core.sent[1].body, "YSA6KSBi,YSA6KSBi");
}

TEST_F(Chat, DirectCopiesGoToEveryRoledMemberAndEchoAfterTheLastReceipt)
{
    chat.SetModeValue(ChatModeDirect);
    chat.members().Update(Member("a@x.org/1", QVPlugin::RoleParticipant, true));
    chat.members().Update(Member("b@x.org/1", QVPlugin::RoleNone));
    chat.members().Update(Member("c@x.org/1", QVPlugin::RoleVisitor));
    chat.members().Update(Member("d@x.org/1", QVPlugin::RoleParticipant));
    chat.excluded().Update(Member("d@x.org/1", QVPlugin::RoleParticipant));
    QSignalSpy echo(&channel, &MessageChannel::messagePublished);

    ASSERT_TRUE(chat.SendMessage("{\\rtf1 hi}", "hi"));
    ASSERT_EQ(core.sent.size(), 2u);
    EXPECT_EQ(core.sent[0].to.Str(), "a@x.org/1");
    EXPECT_EQ(core.sent[0].body, "{\\rtf1 hi}");
    EXPECT_EQ(core.sent[1].to.Str(), "c@x.org/1");
    EXPECT_EQ(core.sent[1].body, "hi");
    EXPECT_EQ(core.sent[0].id, core.sent[1].id);
    EXPECT_EQ(core.sent[0].from.Str(), "agent@x.org/desk");

    EXPECT_FALSE(chat.OnDelivered());
    EXPECT_TRUE(echo.isEmpty());
    EXPECT_TRUE(chat.OnDelivered());
    ASSERT_EQ(echo.size(), 1);
    EXPECT_EQ(channel.Messages().back().body, "{\\rtf1 hi}");
    // A stray receipt after the echo shows nothing more.
    EXPECT_FALSE(chat.OnDelivered());
    EXPECT_EQ(echo.size(), 1);
}

TEST_F(Chat, IdsCountInHexAndDifferBetweenChats)
{
    chat.SetModeValue(ChatModeRoomParticipant);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(chat.SendMessage("", "x"));
    const QString last = QString::fromStdString(core.sent.back().id);
    EXPECT_TRUE(last.endsWith("-a")) << last.toStdString();

    CChat other(Jid(QStringLiteral("room@conf.x.org")), core, channel, QStringLiteral("T"));
    other.SetModeValue(ChatModeRoomParticipant);
    ASSERT_TRUE(other.SendMessage("", "x"));
    EXPECT_NE(core.sent.back().id, core.sent.front().id);
}

TEST_F(Chat, RefusalsAndFailures)
{
    EXPECT_FALSE(chat.SendMessage("", "x")); // not in the conversation
    EXPECT_TRUE(core.sent.empty());

    chat.SetModeValue(ChatModeDirect);
    EXPECT_TRUE(chat.SendMessage("", "x")); // nobody to send to
    EXPECT_FALSE(chat.OnDelivered());

    chat.members().Update(Member("a@x.org/1", QVPlugin::RoleParticipant));
    chat.members().Update(Member("c@x.org/1", QVPlugin::RoleParticipant));
    core.failAt = 1;
    EXPECT_FALSE(chat.SendMessage("", "x"));
    EXPECT_EQ(core.sent.size(), 1u);
}

TEST_F(Chat, ModePresenceAndChatStates)
{
    EXPECT_EQ(chat.occupant().Str(), "room@conf.x.org/agent");
    chat.SetChatState(QVPlugin::ChatStateComposing, true); // not in the room yet
    EXPECT_TRUE(core.typing.empty());

    struct Step { int mode; int state; int role; int stored; };
    for (const Step &s : {Step{2, QVPlugin::PresenceOnline, 2, 2}, Step{4, QVPlugin::PresenceOnline, 4, 3},
                          Step{0, QVPlugin::PresenceOffline, 0, 0}}) {
        chat.SetMode(s.mode);
        ASSERT_FALSE(core.presences.empty());
        EXPECT_EQ(core.presences.back().jid.Str(), "room@conf.x.org/agent");
        EXPECT_EQ(core.presences.back().state, s.state);
        EXPECT_EQ(core.presences.back().role, s.role);
        EXPECT_EQ(chat.mode(), s.stored);
    }
    chat.SetMode(0);
    EXPECT_EQ(core.presences.size(), 3u);

    chat.SetMode(ChatModeDirect);
    EXPECT_EQ(core.presences.size(), 3u);
    chat.SetChatState(QVPlugin::ChatStateComposing, true);
    chat.SetChatState(QVPlugin::ChatStateComposing, true);
    chat.SetChatState(QVPlugin::ChatStatePaused, false);
    ASSERT_EQ(core.typing.size(), 1u);
    EXPECT_EQ(core.typing[0], std::make_pair(QString("room@conf.x.org"), int(QVPlugin::ChatStateComposing)));
    EXPECT_EQ(chat.chatState(), QVPlugin::ChatStatePaused);
}

TEST_F(Chat, UploadResults)
{
    std::vector<PromptRequest> prompts;
    CPrompt::SetHandler([&](const PromptRequest &r) { prompts.push_back(r); return QMessageBox::Ok; });
    EXPECT_FALSE(chat.upload().Start("http://127.0.0.1:1/up", "/nonexistent/file"));
    EXPECT_TRUE(prompts.empty()); // never inside the upload's own call
    ASSERT_TRUE(waitUntil([&] { return !prompts.empty(); }));
    CPrompt::SetHandler({});
    // It may come long after Send File, over another chat: it names both.
    EXPECT_EQ(prompts[0].text, "The file file was not sent to T.\nUnable to open the file.");
    EXPECT_TRUE(prompts[0].caption.isEmpty());
    EXPECT_TRUE(channel.Messages().empty());

    emit chat.upload().finished("/tmp/a b.txt", "http://files/1");
    ASSERT_EQ(channel.Messages().size(), 1u);
    EXPECT_EQ(channel.Messages()[0].type, ChatMessage::Notice);
    EXPECT_EQ(channel.Messages()[0].body, "File a b.txt has been uploaded as http://files/1");
}

TEST_F(Chat, DisplayNames)
{
    chat.members().Update(Member("ann@x.org/1", QVPlugin::RoleParticipant, false, "Ann"));
    chat.members().Update(Member("ann@x.org/2", QVPlugin::RoleParticipant));
    chat.members().Update(Member("loop@x.org/1", QVPlugin::RoleParticipant, false, "::1"));
    core.roster.Update(Member("bob@x.org/home", QVPlugin::RoleNone, false, "Bob"));
    struct Case { const char *from; const char *name; };
    for (const Case &c : {Case{"agent@x.org/desk", "me"}, Case{"v1@visitors.x.org/w", "Visitor"},
                          Case{"ann@x.org/1", "Ann"}, Case{"ann@x.org/2", "Ann"}, Case{"ann@x.org/3", "Ann"},
                          Case{"bob@x.org/work", "Bob"}, Case{"room@conf.x.org", "Server"},
                          Case{"carl@x.org/1", "carl"}, Case{"loop@x.org/1", "Visitor"}}) {
        EXPECT_EQ(chat.GetDisplayName(Jid(QString::fromLatin1(c.from))), c.name) << c.from;
    }
}
