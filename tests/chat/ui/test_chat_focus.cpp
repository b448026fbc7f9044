// Where the agent's keys go among the chat windows, on an X screen that a
// window manager manages: keys are typed through the X server into the
// window the agent works in and read back from it.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/MessageChannel.h"
#include "plugins/chat/session/Chat.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "shared/Prompt.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/XKeys.h"
#include "tests/chat/VisitorPaneHostStub.h"

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTextEdit>

#include <gtest/gtest.h>

using QVPlugin::ChatContact;
using QVPlugin::Jid;

namespace {

const Jid kColleague(QStringLiteral("bob@x.org/desk"));

#define NEEDS_A_WINDOW_MANAGER()                                                                                   \
    if (!xkeys::OnX() || !xkeys::Managed())                                                                        \
    GTEST_SKIP() << "needs an X display with a window manager"

// A colleague's direct chat and the windows that show it.
struct ChatWndTest : ::testing::Test
{
    ChatWndTest()
    {
        CQVSettingsHelpers::SetStoreFile(dir.filePath(QStringLiteral("state.ini")));
        ChatContact bob(kColleague);
        bob.bareJid = kColleague.BareJid();
        bob.nick = QStringLiteral("Bob");
        bob.role = QVPlugin::RoleParticipant;
        chat.members().Update(bob);
        chat.SetModeValue(ChatModeDirect);
    }
    ~ChatWndTest() override { CQVSettingsHelpers::SetStoreFile(QString()); }

    QTemporaryDir dir;
    panetest::StubHost host;
    MessageChannel channel{kColleague};
    CChat chat{kColleague, host, channel, QStringLiteral("Bob/Chat")};
    CChatWindows windows{host};
};

} // namespace

// The agent types to a visitor while the colleague writes: the colleague's
// window opens, or is called at a later line, open or minimised, and every
// key reaches the visitor's chat; a click on the visitor's chat stays there.
TEST_F(ChatWndTest, AColleaguesLineRaisesItsFrameWithoutTakingTheKeys)
{
    NEEDS_A_WINDOW_MANAGER();
    enum Colleague { FirstLine, Open, Minimised };
    for (const Colleague colleague : {FirstLine, Open, Minimised}) {
        SCOPED_TRACE(colleague);
        const Jid room(QStringLiteral("visitors.v-1@x.org"));
        MessageChannel roomChannel{room};
        CChat visitorChat{room, host, roomChannel, QStringLiteral("Vic")};
        visitorChat.SetModeValue(ChatModeRoomParticipant);
        auto *typing = new CFullChatWnd(host);
        typing->AttachChat(&visitorChat);
        CTessaryPane visitorFrame(typing, QStringLiteral("Vic"));
        visitorFrame.setGeometry(100, 100, 500, 400);
        visitorFrame.show();

        QPointer<QWidget> frame;
        if (colleague != FirstLine) {
            frame = windows.CreateChatWindow(&chat);
            frame->setGeometry(100, 100, 500, 400); // right over the visitor's chat
            if (colleague == Minimised) {
                frame->showMinimized();
                ASSERT_TRUE(waitUntil([&] { return frame->isMinimized(); }));
            }
        }
        ASSERT_TRUE(xkeys::Activate(&visitorFrame));
        ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == typing->Input(); }));

        const QString typed = QStringLiteral("every letter of this line reaches the visitor");
        auto keys = xkeys::StartTyping(typed);
        for (int line = 0; line < 3; ++line) {
            waitUntil([] { return false; }, 400);
            if (!frame) {
                frame = windows.CreateChatWindow(&chat);
                frame->setGeometry(100, 100, 500, 400);
            } else {
                windows.RaiseChatWindow(frame);
            }
        }
        ASSERT_TRUE(keys->Wait());
        EXPECT_EQ(typing->Input()->toPlainText().toStdString(), typed.toStdString());
        EXPECT_TRUE(visitorFrame.isActiveWindow());
        ASSERT_TRUE(xkeys::Click(typing->Input()));
        waitUntil([] { return false; }, 200);
        EXPECT_TRUE(visitorFrame.isActiveWindow()) << "the colleague's frame took the click";

        // The bar's double-click is the agent's own wish: that one takes the keys.
        windows.FocusChatWindow(frame);
        EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == CChatWindows::ChatWindowOf(frame)->Input(); }));
        delete frame.data();
    }
}

// The agent turns to a colleague's window that opened without the focus and
// answers: the text goes into its input, no Space presses a button.
TEST_F(ChatWndTest, AColleaguesWindowTurnedToTakesTheTextNotItsButtons)
{
    NEEDS_A_WINDOW_MANAGER();
    QPointer<QWidget> frame = windows.CreateChatWindow(&chat);
    ASSERT_TRUE(frame);
    ASSERT_TRUE(xkeys::Activate(frame));
    const QString typed = QStringLiteral("ok thanks, quite busy now");
    ASSERT_TRUE(xkeys::Type(typed));
    ASSERT_TRUE(frame) << "a key closed the window";
    EXPECT_EQ(CChatWindows::ChatWindowOf(frame)->Input()->toPlainText().toStdString(), typed.toStdString());
    delete frame.data();
}

// The agent sends a line and types on while its receipt is awaited: the
// window is locked, and the keys reach the input once it unlocks, in order.
// After a receipt an Enter among them sends the next line; after "could not
// be delivered" they follow the kept text and send nothing.
TEST_F(ChatWndTest, KeysTypedWhileALineIsSentReachTheInput)
{
    NEEDS_A_WINDOW_MANAGER();
    QStringList prompts;
    CPrompt::SetHandler([&](const PromptRequest &request) {
        prompts << request.text;
        return QMessageBox::Ok;
    });
    const struct
    {
        bool receipt;
        const char *input;  // afterwards
        const char *second; // the line sent from the held keys
    } cases[] = {
        {true, "more", "typed on"},
        {false, "firsttyped on\nmore", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.receipt);
        prompts.clear();
        QPointer<QWidget> frame = windows.CreateChatWindow(&chat);
        CChatWnd *window = CChatWindows::ChatWindowOf(frame);
        window->SetTimings({30000, 120000, c.receipt ? 30000 : 1500});
        ASSERT_TRUE(xkeys::Activate(frame));
        ASSERT_TRUE(xkeys::Type(QStringLiteral("first")) && xkeys::Key(QStringLiteral("Return")));
        ASSERT_TRUE(waitUntil([&] { return window->IsSending(); }));

        // 13 keys, one each 60 ms: the receipt comes while they do; the
        // line is given up after the last.
        auto keys = std::make_unique<xkeys::Xdo>(QStringList{"key", "--delay", "60", "t", "y", "p", "e", "d", "space", "o",
                                                             "n", "Return", "m", "o", "r", "e"});
        waitUntil([] { return false; }, 400);
        if (c.receipt)
            ASSERT_TRUE(chat.OnDelivered());
        ASSERT_TRUE(keys->Wait());
        if (!c.receipt)
            ASSERT_TRUE(waitUntil([&] { return !window->IsSending(); }));
        EXPECT_EQ(chat.AwaitedText().isEmpty(), !*c.second);
        if (*c.second) {
            EXPECT_EQ(chat.outgoing().body.contains(QLatin1String(c.second)), true);
            ASSERT_TRUE(chat.OnDelivered());
        }
        EXPECT_FALSE(window->IsSending());
        EXPECT_EQ(window->Input()->toPlainText().toStdString(), c.input);
        EXPECT_EQ(QApplication::focusWidget(), window->Input());
        EXPECT_EQ(prompts, c.receipt ? QStringList() : QStringList{"The message could not be delivered"});
        delete frame.data();
    }
    CPrompt::SetHandler({});
}

namespace {

class VisitorChatPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CQVSettingsHelpers::SetStoreFile(stateDir.filePath("Quelvar.conf"));
        pane = std::make_unique<CVisitorChatPane>(host, host, contacts,
                                                  [](const QString &, const QString &fallback) { return fallback; });
        pane->resize(900, 400);
        pane->show();
    }
    void TearDown() override { CQVSettingsHelpers::SetStoreFile(QString()); }

    QTemporaryDir stateDir;
    panetest::StubHost host;
    CContactList contacts;
    std::unique_ptr<CVisitorChatPane> pane;
};

} // namespace

TEST_F(VisitorChatPaneTest, AnAcceptedChatTakesTheKeys)
{
    NEEDS_A_WINDOW_MANAGER();
    // The visitor list beside the pane has the keys when the agent accepts.
    auto *list = new CVisitorListCtrl(CVisitor::SystemClock(), pane.get());
    list->setGeometry(0, 0, 100, 50);
    list->show();
    ASSERT_TRUE(xkeys::Activate(pane.get()));
    list->setFocus();
    CVisitor *v = host.Add("v1", CVisitor::StateRequestingChat);
    pane->Logic().ShowVisitor(v);
    ASSERT_EQ(QApplication::focusWidget(), list);
    ASSERT_TRUE(pane->Logic().ExecuteCommand(CVisitorPaneLogic::CmdAccept));
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == pane->ChatWindow()->Input(); }));
    const QString typed = QStringLiteral("Hello, how can I help?");
    ASSERT_TRUE(xkeys::Type(typed));
    EXPECT_EQ(pane->ChatWindow()->Input()->toPlainText().toStdString(), typed.toStdString());
}
