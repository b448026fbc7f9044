// The visitor chat pane's windows offscreen: the tabs and the chat column,
// the Current Page tab refusing addresses that are not web pages, and a
// chat detached into a frame and back. The web tabs are not drawn here, so
// the web engine never starts.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/ui/ChatWnd.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "plugins/chat/ui/VisitorChatPane.h"
#include "skins/QVSettingsHelpers.h"
#include "tests/chat/VisitorPaneHostStub.h"

#include <QApplication>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using panetest::StubHost;

namespace {

CTessaryPane *OpenFrame()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *frame = qobject_cast<CTessaryPane *>(w); frame && frame->isVisible())
            return frame;
    return nullptr;
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

    QPointer<CTessaryPane> closing(frame);
    frame->close();
    QTRY_VERIFY(!closing);
    EXPECT_EQ(pane->ChatWindow()->GetChat(), chat);
    EXPECT_TRUE(pane->ChatColumnVisible());
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
