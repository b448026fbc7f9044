// The plug-in's bar page and the detached chat frame, offscreen: agents in
// order with their presence pictures, blinking by ticks, one entry per
// chat, double-clicks, and the frame's size and its one goodbye.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/session/Chat.h"
#include "plugins/chat/ui/TessaryBar.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "skins/QVButton.h"
#include "skins/QVSettingsHelpers.h"

#include <QGuiApplication>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::Jid;

namespace {

struct FakeCore : ChatCore
{
    Jid OwnJid() const override { return Jid(QStringLiteral("agent@x.org/desk")); }
    bool SendAgentMessage(const QVPlugin::ChatMessage &) override { return true; }
    bool BoolSetting(const QString &, bool fallback) const override { return fallback; }
    void SendTypingState(const Jid &, int) override {}
    void SendDirectedPresence(const ChatContact &) override {}
};

// A conversation with its own channel.
struct Conversation
{
    Conversation(FakeCore &core, const char *jid, const char *title)
        : channel(Jid(QString::fromLatin1(jid))), chat(channel.jid(), core, channel, QString::fromLatin1(title))
    {
    }
    MessageChannel channel;
    CChat chat;
};

QString Labels(const QListWidget *list)
{
    QStringList labels;
    for (int row = 0; row < list->count(); ++row)
        labels << list->item(row)->text();
    return labels.join(QLatin1Char('|'));
}

void DoubleClick(QListWidget *list, int row)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    // The view takes a double-click only on the entry that the first click pressed.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

struct Frames : ::testing::Test
{
    // The splitter and the frame keep their sizes in the window-state store.
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        CQVSettingsHelpers::SetStoreFile(dir.filePath(QStringLiteral("state.ini")));
    }
    void TearDown() override { CQVSettingsHelpers::SetStoreFile(QString()); }
    void SavePlacement(const QRect &rect)
    {
        QSettings(dir.filePath(QStringLiteral("state.ini")), QSettings::IniFormat)
            .setValue(QStringLiteral("Tessary/Chat/Placement"), rect);
    }

    QTemporaryDir dir;
    FakeCore core;
};

} // namespace

TEST_F(Frames, AgentsAreSortedWithoutRegardToCaseAndShowTheirPresence)
{
    CContactList contacts;
    CTessaryBar bar(nullptr, nullptr, 0);
    QObject::connect(&contacts, &CContactList::added, &bar, &CTessaryBar::AddAgent);
    QObject::connect(&contacts, &CContactList::changed, &bar, &CTessaryBar::UpdateAgent);
    QObject::connect(&contacts, &CContactList::removed, &bar, &CTessaryBar::RemoveAgent);

    const struct
    {
        const char *jid;
        const char *nick;
        QVPlugin::PresenceState state;
    } agents[] = {
        {"bob@x.org/a", "bob", QVPlugin::PresenceOnline},
        {"alice@x.org/a", "Alice", QVPlugin::PresenceAway},
        {"carol@x.org/a", "carol", QVPlugin::PresenceBusy},
        {"dave@x.org/a", "Dave", QVPlugin::PresenceOffline},
        {"erin@x.org/a", "Erin", QVPlugin::PresenceBeRightBack},
    };
    for (const auto &a : agents) {
        ChatContact contact{Jid(QString::fromLatin1(a.jid))};
        contact.nick = QString::fromLatin1(a.nick);
        contact.state = a.state;
        contacts.Update(contact);
    }
    QListWidget *list = bar.Agents();
    ASSERT_EQ(Labels(list), "Alice|bob|carol|Erin");
    for (const auto &a : agents) {
        const auto found = list->findItems(QString::fromLatin1(a.nick), Qt::MatchExactly);
        if (found.isEmpty())
            continue;
        EXPECT_EQ(found[0]->icon().cacheKey(), bar.AgentIcon(a.state).cacheKey()) << a.nick;
    }
    // Our own pictures load, one per state, and nothing beyond the states.
    for (int state = QVPlugin::PresenceError; state <= QVPlugin::PresenceBeRightBack; ++state)
        EXPECT_FALSE(bar.AgentIcon(state).pixmap(16, 16).isNull()) << state;
    EXPECT_TRUE(bar.AgentIcon(QVPlugin::PresenceBeRightBack + 1).isNull());

    // Offline leaves the list; coming back (renamed) is sorted in again.
    ChatContact bob{Jid(QStringLiteral("bob@x.org/a"))};
    bob.state = QVPlugin::PresenceOffline;
    contacts.Update(bob);
    EXPECT_EQ(Labels(list), "Alice|carol|Erin");
    bob.state = QVPlugin::PresenceOnline;
    bob.nick = QStringLiteral("aaron");
    contacts.Update(bob);
    EXPECT_EQ(Labels(list), "aaron|Alice|carol|Erin");
    ChatContact carol{Jid(QStringLiteral("carol@x.org/a"))};
    carol.nick = QStringLiteral("Zoe");
    contacts.Update(carol);
    EXPECT_EQ(Labels(list), "aaron|Alice|Erin|Zoe");
}

TEST_F(Frames, UnreadConversationsBlinkThroughEveryFrameAndSettleWhenRead)
{
    Conversation anna(core, "anna@x.org/web", "Anna"), ben(core, "ben@x.org/web", "Ben");
    CTessaryBar bar(nullptr, nullptr, 0);
    // A chat is announced for itself and for its window: one entry.
    bar.AddChatEntry(&anna.chat);
    bar.AddChatEntry(&anna.chat);
    bar.AddChatEntry(&ben.chat);
    ASSERT_EQ(Labels(bar.Conversations()), "Anna|Ben");
    ASSERT_GE(bar.BlinkCount(), 2);

    anna.channel.SetUnread(true);
    for (int tick = 1; tick <= bar.BlinkCount() + 1; ++tick) {
        bar.BlinkStep();
        EXPECT_EQ(bar.ImageOf(&anna.chat), tick % bar.BlinkCount()) << tick;
        EXPECT_EQ(bar.ImageOf(&ben.chat), CTessaryBar::kSteadyImage) << tick;
    }
    anna.channel.SetUnread(false);
    bar.BlinkStep();
    EXPECT_EQ(bar.ImageOf(&anna.chat), CTessaryBar::kSteadyImage);

    bar.RemoveChatEntry(&anna.chat);
    EXPECT_EQ(bar.ImageOf(&anna.chat), -1);
    EXPECT_EQ(Labels(bar.Conversations()), "Ben");

    // The blinking wakes the program only while there are conversations.
    CTessaryBar ticking(nullptr, nullptr, CTessaryBar::kBlinkPeriodMs);
    const auto *timer = ticking.findChild<QTimer *>();
    ASSERT_TRUE(timer);
    EXPECT_FALSE(timer->isActive());
    ticking.AddChatEntry(&anna.chat);
    EXPECT_TRUE(timer->isActive());
    ticking.RemoveChatEntry(&anna.chat);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(Frames, DoubleClicksAskForTheChat)
{
    Conversation anna(core, "anna@x.org/web", "Anna");
    CContactList contacts;
    CTessaryBar bar(nullptr, nullptr, 0);
    QObject::connect(&contacts, &CContactList::added, &bar, &CTessaryBar::AddAgent);
    ChatContact colleague{Jid(QStringLiteral("colleague@x.org/desk"))};
    colleague.nick = QStringLiteral("Colleague");
    contacts.Update(colleague);
    bar.AddChatEntry(&anna.chat);
    bar.resize(240, 480);
    bar.show();

    std::vector<CChat *> chats;
    std::vector<QString> jids;
    QObject::connect(&bar, &CTessaryBar::chatActivated, [&](CChat *chat) { chats.push_back(chat); });
    QObject::connect(&bar, &CTessaryBar::contactActivated, [&](const Jid &jid) { jids.push_back(jid.Str()); });
    DoubleClick(bar.Conversations(), 0);
    DoubleClick(bar.Agents(), 0);
    EXPECT_EQ(chats, std::vector<CChat *>{&anna.chat});
    EXPECT_EQ(jids, std::vector<QString>{QStringLiteral("colleague@x.org/desk")});
}

TEST_F(Frames, TheDetachedFrameOpensAtItsLastSizeAndNeverSmaller)
{
    auto *first = new CTessaryPane(new QWidget, QStringLiteral("Anna"));
    EXPECT_EQ(first->size(), CTessaryPane::kMinimumSize);
    EXPECT_EQ(first->minimumSize(), CTessaryPane::kMinimumSize);
    EXPECT_EQ(first->windowTitle(), "Anna");
    first->show();
    first->resize(600, 500);
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    auto *second = new CTessaryPane(new QWidget, QStringLiteral("Anna"));
    EXPECT_EQ(second->size(), QSize(600, 500));
    delete second;

    SavePlacement(QRect(10, 10, 100, 50));
    EXPECT_EQ(CTessaryPane::InitialSize(), CTessaryPane::kMinimumSize);
    SavePlacement(QRect(0, 0, 90000, 90000));
    const QSize screen = QGuiApplication::primaryScreen()->availableSize().expandedTo(CTessaryPane::kMinimumSize);
    EXPECT_EQ(CTessaryPane::InitialSize(), screen);
}

TEST_F(Frames, ExitClosesTheFrameWithItsWindowAndTellsTheOwnerOnce)
{
    QPointer<QWidget> chatWindow = new QWidget;
    QPointer<CTessaryPane> pane = new CTessaryPane(chatWindow, QStringLiteral("Anna"));
    int told = 0;
    QObject::connect(pane, &CTessaryPane::closing, [&](CTessaryPane *which) {
        EXPECT_EQ(which, pane.data());
        ++told;
    });
    pane->show();
    EXPECT_EQ(pane->ExitButton()->objectName(), "c2");
    pane->ExitButton()->click();
    pane->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pane.isNull());
    EXPECT_TRUE(chatWindow.isNull());
    EXPECT_EQ(told, 1);
}
