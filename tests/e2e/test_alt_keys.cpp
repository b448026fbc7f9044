// The Alt keys of each window the agent works in: the main frame with the
// plug-in libraries loaded as the program loads them (live chat and the
// knowledge base), the chat windows as the live-chat plug-in builds them, and
// the pages of the settings dialog. Each Alt key reaches one target; only
// menu titles may share a letter, and then one press opens one menu.

#include "host/FrameDefaults.h"
#include "host/OutlookBar.h"
#include "host/SettingsDlg.h"
#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/model/QuickText.h"
#include "plugins/chat/model/QuickTextKeys.h"
#include "plugins/chat/session/Chat.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/XKeys.h"
#include "tests/chat/VisitorPaneHostStub.h"
#include "tests/host/FrameTest.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <map>

using QVPlugin::ChatContact;
using QVPlugin::Jid;

namespace {

// The targets of each Alt key in the window: "menu &Quelvar", "button S&ave".
using AltKeys = std::map<QString, QStringList>;

void Collect(QWidget *window, AltKeys &keys)
{
    const auto add = [&](const QString &text, const char *kind) {
        if (const QKeySequence key = QKeySequence::mnemonic(text); !key.isEmpty())
            keys[key.toString()] << QLatin1String(kind) + QLatin1Char(' ') + text;
    };
    // Reachable now: shown, enabled and in this window, not a dialog of it.
    const auto reachable = [window](const QWidget *w) {
        return w->window() == window && w->isVisible() && w->isEnabled();
    };
    for (QMenuBar *bar : window->findChildren<QMenuBar *>())
        for (QAction *action : bar->actions())
            if (reachable(bar) && action->isVisible() && action->isEnabled())
                add(action->text(), "menu");
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        if (reachable(button))
            add(button->text(), "button");
    for (QLabel *label : window->findChildren<QLabel *>())
        if (reachable(label) && label->buddy() && label->buddy()->isEnabled())
            add(label->text(), "label");
    for (QTabBar *tabs : window->findChildren<QTabBar *>())
        for (int i = 0; i < tabs->count(); ++i)
            if (reachable(tabs) && tabs->isTabEnabled(i))
                add(tabs->tabText(i), "tab");
}

// The keys that reach more than one target, unless all of them are menu
// titles: "Alt+T: menu &Tools, label S&tatus".
QStringList Clashes(const AltKeys &keys)
{
    QStringList clashes;
    for (const auto &[key, targets] : keys) {
        const bool menus = std::all_of(targets.begin(), targets.end(),
                                       [](const QString &t) { return t.startsWith(QLatin1String("menu ")); });
        if (targets.size() > 1 && !menus)
            clashes << key + QStringLiteral(": ") + targets.join(QStringLiteral(", "));
    }
    return clashes;
}

class AltKeysTest : public hosttest::FrameTest
{
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        CQVSettingsHelpers::SetStoreFile(state.filePath(QStringLiteral("state.ini")));
        for (const char *library : {"Wirlam.so", "Tessary.so", "Brandle.so", "Lumory.so"})
            ASSERT_TRUE(QFile::copy(QStringLiteral(OSTREL_PROGRAM_DIR "/") + library,
                                    ProgramDir() + QLatin1Char('/') + library))
                << library;
        ASSERT_TRUE(QFile::link(QStringLiteral(OSTREL_PROGRAM_DIR "/web"), ProgramDir() + QStringLiteral("/web")));
        CMainFrame::Options options;
        options.programDir = ProgramDir();
        options.settingsFile = SettingsFile();
        frame = std::make_unique<CMainFrame>(options);
        ASSERT_TRUE(frame->Create());
        frame->LoadFrame();
        frame->resize(1200, 760);
        frame->show();
        ASSERT_TRUE(waitUntil([&] { return Title("&Quick Text"); })) << "the live-chat mode's menus";
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        CQVSettingsHelpers::SetStoreFile(QString());
    }

    QMenu *Title(const char *text) const
    {
        for (QAction *action : frame->menuBar()->actions())
            if (action->text() == QLatin1String(text))
                return action->menu();
        return nullptr;
    }
    // The bar page of the mode with this title becomes the active one.
    void ShowMode(const char *title)
    {
        CQVOutlookBar *bar = frame->OutlookBar();
        for (int i = 0; i < bar->PageCount(); ++i)
            if (bar->PageWindow(i)->windowTitle() == QLatin1String(title))
                ASSERT_TRUE(bar->SetActivePage(i));
        QCoreApplication::processEvents();
    }

    QTemporaryDir state;
    panetest::StubHost host;
};

// A visitor's room chat and a colleague's direct chat.
struct Chats
{
    explicit Chats(panetest::StubHost &host)
        : room(Jid(QStringLiteral("visitors.v-1@x.org"))), colleague(Jid(QStringLiteral("bob@x.org/desk"))),
          visitorChat(room.jid(), host, room, QStringLiteral("Vic")),
          colleagueChat(colleague.jid(), host, colleague, QStringLiteral("Bob/Chat"))
    {
        visitorChat.SetModeValue(ChatModeRoomParticipant);
        ChatContact bob(colleague.jid());
        bob.bareJid = colleague.jid().BareJid();
        bob.nick = QStringLiteral("Bob");
        colleagueChat.members().Update(bob);
        colleagueChat.SetModeValue(ChatModeDirect);
    }
    MessageChannel room;
    MessageChannel colleague;
    CChat visitorChat;
    CChat colleagueChat;
};

} // namespace

// Every window the agent works in, walked as it is shown; the frame's rows
// add the chat pane that the live-chat view docks below its visitor list.
TEST_F(AltKeysTest, EachAltKeyReachesOneTargetInEachWindow)
{
    Chats chats(host);
    CContactList contacts;
    CVisitorChatPane pane(host, host, contacts, [](const QString &, const QString &fallback) { return fallback; });
    pane.resize(900, 400);
    pane.show();
    pane.Logic().ShowVisitor(host.Add("v1", CVisitor::StateRequestingChat));
    ASSERT_TRUE(pane.Logic().ExecuteCommand(CVisitorPaneLogic::CmdAccept));
    ASSERT_TRUE(waitUntil([&] { return pane.ChatWindow()->isVisible(); }));

    CChatWindows windows(host);
    QWidget *colleague = windows.CreateChatWindow(&chats.colleagueChat);
    auto *detached = new CFullChatWnd(host);
    detached->AttachChat(&chats.visitorChat);
    CTessaryPane detachedFrame(detached, QStringLiteral("Vic"));
    detachedFrame.show();
    ASSERT_TRUE(waitUntil([&] { return colleague->isVisible() && detachedFrame.isVisible(); }));

    const struct
    {
        const char *window;
        const char *mode; // of the main frame, or none
        std::vector<QWidget *> parts;
    } rows[] = {
        {"live chat, visitor chat docked", "Live Chat", {frame.get(), &pane}},
        {"knowledge base", "Lumory", {frame.get()}},
        {"colleague's chat window", nullptr, {colleague}},
        {"detached visitor chat", nullptr, {&detachedFrame}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.window);
        if (row.mode)
            ShowMode(row.mode);
        AltKeys keys;
        for (QWidget *part : row.parts)
            Collect(part, keys);
        EXPECT_GE(keys.size(), 3u) << "the walk found the window's targets";
        EXPECT_EQ(Clashes(keys).join(QLatin1Char('\n')).toStdString(), "");
    }

    CSettingsDlg settings(frame->Bus(), frame.get());
    settings.show();
    int pages = 0;
    for (QTreeWidgetItemIterator it(settings.Tree()); *it; ++it, ++pages) {
        SCOPED_TRACE((*it)->text(0).toStdString());
        settings.Tree()->setCurrentItem(*it);
        QCoreApplication::processEvents();
        AltKeys keys;
        Collect(&settings, keys);
        EXPECT_EQ(Clashes(keys).join(QLatin1Char('\n')).toStdString(), "");
    }
    EXPECT_GE(pages, 6) << "the host's and the plug-ins' settings pages";
}

// "&Quick Text" and "&Quelvar" share Alt+Q: from rest a press opens Quick
// Text, a press while it is open moves to Quelvar and back, and never are two
// menus open at once.
TEST_F(AltKeysTest, AltQOpensOneMenuAPressFirstQuickText)
{
    if (!xkeys::OnX() || !xkeys::Managed())
        GTEST_SKIP() << "needs an X display with a window manager";
    const auto open = [&] {
        QStringList menus;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<QMenu *>(w) && w->isVisible())
                menus << (w == Title("&Quick Text") ? "Quick Text" : w == Title("&Quelvar") ? "Quelvar" : "other");
        return menus.join(QLatin1Char('+')).toStdString();
    };
    ASSERT_TRUE(xkeys::Activate(frame.get()));
    const char *const steps[][2] = {
        {"alt+q", "Quick Text"}, {"alt+q", "Quelvar"}, {"alt+q", "Quick Text"}, {"Escape Escape", ""},
        {"alt+q", "Quick Text"}, {"alt+q", "Quelvar"}, {"Escape Escape", ""},  {"alt+q", "Quick Text"},
    };
    for (const auto &[keys, menus] : steps) {
        SCOPED_TRACE(keys);
        for (const QString &key : QString::fromLatin1(keys).split(QLatin1Char(' ')))
            ASSERT_TRUE(xkeys::Key(key));
        waitUntil([&] { return open() == menus; }, 2000);
        EXPECT_EQ(open(), menus);
    }
    ASSERT_TRUE(xkeys::Key(QStringLiteral("Escape")) && xkeys::Key(QStringLiteral("Escape")));
}

// An Alt letter that no menu or control takes writes nothing into the
// editor that has the focus: the knowledge base's search words stay as typed.
TEST_F(AltKeysTest, AnAltLetterThatReachesNothingWritesNothing)
{
    ShowMode("Lumory");
    QLineEdit *search = nullptr;
    for (QLineEdit *edit : frame->findChildren<QLineEdit *>(QStringLiteral("c103")))
        search = edit->isVisible() ? edit : search;
    ASSERT_TRUE(search) << "no search words in the knowledge base's bar";
    search->setFocus();
    const struct
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    } keys[] = {{Qt::Key_L, Qt::NoModifier}, {Qt::Key_B, Qt::AltModifier}, {Qt::Key_Z, Qt::AltModifier},
                {Qt::Key_Z, Qt::AltModifier | Qt::ShiftModifier}, {Qt::Key_A, Qt::NoModifier}};
    for (const auto &k : keys)
        QTest::keyClick(search, k.key, k.modifiers);
    EXPECT_EQ(search->text().toStdString(), "la");
}

// The chat input still inserts a quick text whose shortcut is an Alt letter:
// the chat window looks such keys up before the input would drop them.
TEST_F(AltKeysTest, AnAltLetterQuickTextStillReachesTheChatInput)
{
    struct QuickTextHost : panetest::StubHost
    {
        CQuickTextList *QuickTexts() override { return &list; }
        CQuickTextList list; // the built-in set
    } quickHost;
    CQuickTextItem *item = nullptr;
    for (CQuickTextCategory *category : quickHost.list.Root()->Categories())
        item = item || category->Items().empty() ? item : category->Items().front();
    ASSERT_TRUE(item);
    item->SetShortcut(QuickTextKeys::FromKey(QKeyCombination(Qt::AltModifier, Qt::Key_B)));
    Chats chats(quickHost);
    CChatWnd window(quickHost);
    window.AttachChat(&chats.colleagueChat);
    window.show();
    window.Input()->setFocus();
    QTest::keyClick(window.Input(), Qt::Key_B, Qt::AltModifier);
    EXPECT_FALSE(window.Input()->toPlainText().isEmpty()) << "the quick text of Alt+B";
}
