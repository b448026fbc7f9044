// The table of direct chats: lookup by bare JID, one chat per peer, windows
// made once through the factory and forgotten when they go.

#include "plugins/chat/ChatTable.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/session/Chat.h"
#include "tests/chat/plugin/FakeChatWindows.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::ChatMessage;
using QVPlugin::Jid;

namespace {

struct NullCore : ChatCore
{
    Jid OwnJid() const override { return Jid(QStringLiteral("agent@x.org/desk")); }
    bool SendAgentMessage(const ChatMessage &) override { return true; }
    bool BoolSetting(const QString &, bool fallback) const override { return fallback; }
    void SendTypingState(const Jid &, int) override {}
    void SendDirectedPresence(const ChatContact &) override {}
};

} // namespace

TEST(ChatTable, OneChatPerBarePeerAndOneWindowUntilItIsDestroyed)
{
    NullCore core;
    MessageChannel channel(Jid(QStringLiteral("bob@x.org")));
    FakeChatWindows windows;
    CChatTable table;
    table.SetWindows(&windows);
    QSignalSpy chats(&table, &CChatTable::chatAdded);
    QSignalSpy opened(&table, &CChatTable::windowAdded);
    const auto make = [&](const char *jid) {
        return std::make_unique<CChat>(Jid(QString::fromLatin1(jid)), core, channel, QStringLiteral("Bob"));
    };

    CChat *chat = table.AddChat(make("bob@x.org/phone"));
    EXPECT_EQ(table.AddChat(make("bob@x.org/desk")), chat);
    EXPECT_EQ(table.Count(), 1);
    EXPECT_EQ(chats.count(), 1);
    EXPECT_EQ(table.FindChat(Jid(QStringLiteral("bob@x.org/other"))), chat);
    EXPECT_EQ(table.FindChat(Jid(QStringLiteral("bobby@x.org"))), nullptr);

    EXPECT_FALSE(table.RaiseWindow(Jid(QStringLiteral("bob@x.org"))));
    QWidget *window = table.OpenWindow(chat);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(table.OpenWindow(chat), window);
    EXPECT_EQ(windows.created, 1);
    ASSERT_EQ(opened.count(), 1);
    EXPECT_EQ(opened[0][1].value<QWidget *>(), window);
    EXPECT_TRUE(table.RaiseWindow(Jid(QStringLiteral("bob@x.org/desk"))));
    table.ShowChatState(Jid(QStringLiteral("bob@x.org/desk")), QVPlugin::ChatStateComposing);
    EXPECT_EQ(windows.states, std::vector<int>{QVPlugin::ChatStateComposing});

    // A window closed elsewhere is simply gone; a new one can be made.
    delete window;
    EXPECT_EQ(table.FindWindow(Jid(QStringLiteral("bob@x.org"))), nullptr);
    ASSERT_NE(table.OpenWindow(chat), nullptr);
    table.DestroyAllWindows();
    EXPECT_EQ(table.FindWindow(Jid(QStringLiteral("bob@x.org"))), nullptr);
    EXPECT_EQ(table.FindChat(Jid(QStringLiteral("bob@x.org"))), chat);
}
