// The visitor chat pane's windows offscreen: the tabs and the chat column,
// the Current Page tab refusing addresses that are not web pages, and a
// chat detached into a frame and back. The web tabs are not drawn here, so
// the web engine never starts.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/InputRichEditCtrl.h"
#include "skins/QVButton.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "skins/QVSettingsHelpers.h"
#include "skins/QVSkinManager.h"
#include "tests/TestUtil.h"
#include "tests/chat/VisitorPaneHostStub.h"

#include <QApplication>
#include <QScrollBar>
#include <QTextEdit>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

using panetest::StubHost;

namespace {

CTessaryPane *OpenFrame()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *frame = qobject_cast<CTessaryPane *>(w); frame && frame->isVisible())
            return frame;
    return nullptr;
}

QVPlugin::ChatMessage FromVisitor(const CVisitor &visitor, const QString &body)
{
    QVPlugin::ChatMessage line;
    line.from = visitor.jid();
    line.body = body;
    return line;
}

// Whether the transcript shows its newest line, once the window is laid out.
bool AtEnd(const CChatWnd &window)
{
    QTest::qWait(50);
    const QScrollBar *bar = window.Transcript()->verticalScrollBar();
    return bar->maximum() > 0 && bar->value() == bar->maximum();
}

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
        pane->Tabs()->setCurrentIndex(CVisitorChatPane::TabSitePath);
    }

    CVisitor *Add(const char *sid, int state, const QByteArray &url)
    {
        CVisitor *v = host.Add(sid, state);
        NameValueCollection page("url=" + url.toPercentEncoding());
        v->AppendTracking(page);
        return v;
    }

    QTemporaryDir stateDir;
    StubHost host;
    CContactList contacts;
    std::unique_ptr<CVisitorChatPane> pane;
};

TEST_F(VisitorChatPaneTest, TabsInOrderAndTheChatColumnFollowsTheSelectedVisitorsChat)
{
    QStringList tabs;
    for (int i = 0; i < pane->Tabs()->count(); ++i)
        tabs << pane->Tabs()->tabText(i);
    EXPECT_EQ(tabs, (QStringList{"Details", "Current Page", "History", "Site Path"}));
    EXPECT_FALSE(pane->ChatColumnVisible());

    CVisitor *v = Add("v1", CVisitor::StateChatting, "http://shop.example/");
    pane->Logic().ShowVisitor(v);
    EXPECT_FALSE(pane->ChatColumnVisible());
    EXPECT_EQ(pane->SitePath()->Model()->rowCount(), 1);

    pane->Logic().OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
    EXPECT_EQ(pane->ChatWindow()->GetChat(), pane->Logic().ChatOf(*v));
    EXPECT_TRUE(pane->ChatColumnVisible());
    EXPECT_TRUE(pane->ChatWindow()->isVisible());

    pane->Logic().ShowVisitor(nullptr);
    EXPECT_FALSE(pane->ChatColumnVisible());
    EXPECT_EQ(pane->SitePath()->Model()->rowCount(), 0);
}

TEST_F(VisitorChatPaneTest, CurrentPageOpensOnlyWebAddresses)
{
    for (const QByteArray &url : {QByteArray("javascript:alert(1)"), QByteArray("file:///etc/passwd")}) {
        pane->Tabs()->setCurrentIndex(CVisitorChatPane::TabSitePath);
        CVisitor *v = Add(url.left(4).constData(), CVisitor::StateBrowsing, url);
        pane->Logic().ShowVisitor(v);
        pane->Tabs()->setCurrentIndex(CVisitorChatPane::TabCurrentPage);
        // Remembered, so it is not tried again, but never loaded.
        EXPECT_EQ(pane->CurrentDocument(), QString::fromLatin1(url));
        EXPECT_EQ(pane->View(CVisitorChatPane::TabCurrentPage), nullptr) << url.constData();
    }
}

TEST_F(VisitorChatPaneTest, ADetachedChatLivesInAFrameAndComesBackWhenItCloses)
{
    CVisitor *v = Add("v1", CVisitor::StateChatting, "http://shop.example/");
    pane->Logic().ShowVisitor(v);
    pane->Logic().OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
    CChat *chat = pane->Logic().ChatOf(*v);

    ASSERT_TRUE(pane->Logic().ExecuteCommand(CVisitorPaneLogic::CmdDetach));
    EXPECT_EQ(pane->ChatWindow()->GetChat(), nullptr);
    EXPECT_FALSE(pane->ChatColumnVisible());
    CTessaryPane *frame = OpenFrame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(qobject_cast<CChatWnd *>(frame->ChatWindow())->GetChat(), chat);

    // Another visitor and back: the detached chat stays in its frame.
    pane->Logic().ShowVisitor(Add("v2", CVisitor::StateBrowsing, "http://shop.example/b"));
    pane->Logic().ShowVisitor(v);
    EXPECT_EQ(pane->ChatWindow()->GetChat(), nullptr);

    // Docked back with Exit, as it stands: the unsent text, its selection
    // and the status come along, the room hears no "gone", and the
    // transcript shows its newest line.
    for (int i = 0; i < 60; ++i)
        chat->channel().Publish(FromVisitor(*v, QStringLiteral("line %1").arg(i)));
    auto *window = qobject_cast<CChatWnd *>(frame->ChatWindow());
    QTest::keyClicks(window->Input(), QStringLiteral("half a reply"));
    QTextCursor cursor = window->Input()->textCursor();
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    window->Input()->setTextCursor(cursor);
    window->OnChatState(QVPlugin::ChatStateComposing);
    host.typingStates.clear();
    QPointer<CTessaryPane> closing(frame);
    frame->ExitButton()->click();
    QTRY_VERIFY(!closing);
    EXPECT_EQ(pane->ChatWindow()->GetChat(), chat);
    EXPECT_TRUE(pane->ChatColumnVisible());
    EXPECT_EQ(pane->ChatWindow()->Input()->toPlainText(), "half a reply");
    EXPECT_EQ(pane->ChatWindow()->Input()->textCursor().selectedText(), "half");
    EXPECT_TRUE(pane->ChatWindow()->StatusText().endsWith(QLatin1String("is typing a message...")))
        << pane->ChatWindow()->StatusText().toStdString();
    EXPECT_EQ(std::count(host.typingStates.begin(), host.typingStates.end(), int(QVPlugin::ChatStateGone)), 0);
    EXPECT_TRUE(AtEnd(*pane->ChatWindow()));
}

// A visitor who starts typing while the agent looks at another visitor is
// shown typing once the chat is shown again: docked back from a frame
// closed meanwhile, or just selected again.
TEST_F(VisitorChatPaneTest, AVisitorWhoTypesOutOfViewIsShownTypingWhenTheChatIsShownAgain)
{
    const struct
    {
        const char *visitor;
        const char *other;
        bool detached;
    } kCases[] = {{"t1", "o1", false}, {"t2", "o2", true}};
    for (const auto &c : kCases) {
        CVisitor *v = Add(c.visitor, CVisitor::StateChatting, "http://shop.example/");
        CVisitor *other = Add(c.other, CVisitor::StateBrowsing, "http://shop.example/b");
        pane->Logic().ShowVisitor(v);
        pane->Logic().OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
        if (c.detached)
            ASSERT_TRUE(pane->Logic().ExecuteCommand(CVisitorPaneLogic::CmdDetach));
        pane->Logic().ShowVisitor(other);
        QVPlugin::ChatStateMessage typing;
        typing.from = QVPlugin::ChatContact(v->jid());
        typing.state = QVPlugin::ChatStateComposing;
        pane->Logic().OnPeerChatState(typing);
        if (c.detached) {
            QPointer<CTessaryPane> closing(OpenFrame());
            ASSERT_TRUE(closing);
            closing->ExitButton()->click();
            QTRY_VERIFY(!closing);
        }
        pane->Logic().ShowVisitor(v);
        EXPECT_EQ(pane->ChatWindow()->GetChat(), pane->Logic().ChatOf(*v)) << c.visitor;
        EXPECT_TRUE(pane->ChatWindow()->StatusText().endsWith(QLatin1String("is typing a message...")))
            << c.visitor << ": " << pane->ChatWindow()->StatusText().toStdString();
    }
}

TEST_F(VisitorChatPaneTest, EachChatKeepsItsOwnUnsentText)
{
    CVisitor *ann = Add("ann", CVisitor::StateChatting, "http://shop.example/");
    CVisitor *ben = Add("ben", CVisitor::StateChatting, "http://shop.example/b");
    CVisitor *cid = Add("cid", CVisitor::StateChatting, "http://shop.example/c");
    for (CVisitor *v : {cid, ben, ann}) {
        pane->Logic().ShowVisitor(v);
        pane->Logic().OpenVisitorChat(*v, CVisitorPaneLogic::RoleFullAgent);
    }
    QTextEdit *input = pane->ChatWindow()->Input();
    QTest::keyClicks(input, QStringLiteral("for Ann"));
    pane->Logic().ShowVisitor(ben);
    EXPECT_EQ(input->toPlainText(), "");
    QTest::keyClicks(input, QStringLiteral("for Ben"));
    pane->Logic().ShowVisitor(ann);
    EXPECT_EQ(input->toPlainText(), "for Ann");

    // Nothing typed for another visitor goes into a detached frame.
    pane->Logic().ShowVisitor(cid);
    ASSERT_TRUE(pane->Logic().ExecuteCommand(CVisitorPaneLogic::CmdDetach));
    ASSERT_NE(OpenFrame(), nullptr);
    EXPECT_EQ(qobject_cast<CChatWnd *>(OpenFrame()->ChatWindow())->Input()->toPlainText(), "");

    // An ended chat drops its text, shown or not.
    pane->Logic().EndVisitorChat(ben->jid());
    pane->Logic().ShowVisitor(ann);
    EXPECT_EQ(input->toPlainText(), "for Ann");
    pane->Logic().EndVisitorChat(ann->jid());
    pane->Logic().ShowVisitor(ben);
    EXPECT_EQ(input->toPlainText(), "");
    pane->Logic().OpenVisitorChat(*ben, CVisitorPaneLogic::RoleFullAgent);
    EXPECT_EQ(input->toPlainText(), "");
}

TEST_F(VisitorChatPaneTest, AChatShownAgainShowsItsNewestLine)
{
    // The skin's forms give the transcript less room once a chat is shown.
    ASSERT_TRUE(CQVSkinManager::Load(QStringLiteral(OSTREL_SOURCE_DIR "/skins/data")));
    ASSERT_TRUE(CQVSkinManager::SetCurrentSkin(QStringLiteral("standard")));
    CVisitor *v = Add("v1", CVisitor::StateChatting, "http://shop.example/");
    pane->Logic().ShowVisitor(v);
    pane->Logic().OpenVisitorChat(*v, CVisitorPaneLogic::RoleFullAgent);
    CChat *chat = pane->Logic().ChatOf(*v);
    for (int i = 0; i < 30; ++i)
        chat->channel().Publish(FromVisitor(*v, QStringLiteral("line %1 of a question that is long enough to wrap").arg(i)));
    QTest::keyClicks(pane->ChatWindow()->Input(), QStringLiteral("two"));
    QTest::keyClick(pane->ChatWindow()->Input(), Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(pane->ChatWindow()->Input(), QStringLiteral("lines"));
    pane->Logic().ShowVisitor(Add("v2", CVisitor::StateBrowsing, "http://shop.example/b"));
    pane->Logic().ShowVisitor(v);
    EXPECT_TRUE(AtEnd(*pane->ChatWindow()));
    // The tabs beside it take their room once drawn: the column narrows.
    pane->resize(520, 400);
    EXPECT_TRUE(AtEnd(*pane->ChatWindow()));
}

TEST_F(VisitorChatPaneTest, CommandsNeedAVisitorAndHtmlModeIsChecked)
{
    QVPlugin::CommandUpdate accept(CVisitorPaneLogic::CmdAccept);
    ASSERT_TRUE(pane->OnCmdMsg(CVisitorPaneLogic::CmdAccept, QVPlugin::CommandUpdateUi, &accept, nullptr));
    EXPECT_EQ(accept.Enabled(), false);

    host.settings[CVisitorPaneLogic::kSendHtmlKey] = true;
    QVPlugin::CommandUpdate html(CVisitorPaneLogic::CmdHtmlMode);
    ASSERT_TRUE(pane->OnCmdMsg(CVisitorPaneLogic::CmdHtmlMode, QVPlugin::CommandUpdateUi, &html, nullptr));
    EXPECT_EQ(html.Checked(), true);
    EXPECT_FALSE(pane->OnCmdMsg(CVisitorPaneLogic::CmdNextResponse, QVPlugin::CommandUpdateUi, &html, nullptr));
}

} // namespace
