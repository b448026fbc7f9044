// The visitor chat pane's decisions with a stub plug-in and stub windows:
// accept in and out of the agent's departments, reject, block, history,
// the menus by visitor state, and a visitor removed while a modal step runs.

#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/model/VisitorPaneLogic.h"
#include "shared/Prompt.h"
#include "tests/chat/VisitorPaneHostStub.h"

#include <gtest/gtest.h>

#include <memory>

using namespace QVPlugin;
using panetest::Command;
using panetest::StubHost;

namespace {

class StubView : public IVisitorPaneView
{
public:
    void ShowChat(CChat *chat) override { shown = chat; }
    CChat *ShownChat() const override { return shown; }
    bool IsDetached(CChat *chat) const override { return chat && chat == detached; }
    void DetachShownChat() override { detached = shown; shown = nullptr; }
    bool EndChatWindow(CChat *) override { return false; }
    void ReleaseChat(CChat *chat) override
    {
        if (shown == chat)
            shown = nullptr;
        ++released;
    }
    void ActivateChat(CChat *chat) override { activated = chat; }
    void ShowPeerChatState(CChat *, int) override {}
    void PutTextInChat(CChat *, const QString &text) override { putText = text; }
    void SetChatColumnVisible(bool visible) override { column = visible; }
    void Redraw() override { ++redraws; }
    QString CurrentPageUrl() const override { return QStringLiteral("http://shop.example/cart"); }
    void PostCommand(unsigned id) override { posted.push_back(id); }
    void ChatOpened(CChat *chat) override { opened.push_back(chat); }
    void ChatEnded(CChat *chat) override { ended.push_back(chat); }
    unsigned PopupMenu(const std::vector<VisitorMenuItem> &items, const QPoint &) override
    {
        menus.push_back(items);
        if (duringModal)
            duringModal();
        return menuChoice;
    }
    std::optional<QString> AskBlockType() override
    {
        if (duringModal)
            duringModal();
        return blockType;
    }
    std::optional<PushPageChoice> AskPushPage() override
    {
        if (duringModal)
            duringModal();
        return push;
    }
    void RunTransfer(const std::string &, const std::function<void(const QString &)> &send) override
    {
        if (duringModal)
            duringModal();
        send(QStringLiteral("<xml/>"));
    }

    CChat *shown = nullptr;
    CChat *detached = nullptr;
    CChat *activated = nullptr;
    std::vector<CChat *> opened;
    std::vector<CChat *> ended;
    int released = 0;
    bool column = false;
    int redraws = 0;
    QString putText;
    std::vector<unsigned> posted;
    std::vector<std::vector<VisitorMenuItem>> menus;
    unsigned menuChoice = 0;
    std::optional<QString> blockType;
    std::optional<PushPageChoice> push;
    std::function<void()> duringModal;
};

class VisitorPaneTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CPrompt::SetHandler([this](const PromptRequest &request) {
            prompts.push_back(request.text);
            if (duringPrompt)
                duringPrompt();
            return answer;
        });
    }
    void TearDown() override { CPrompt::SetHandler({}); }

    std::vector<std::string> Types() const
    {
        std::vector<std::string> types;
        for (const Command &c : host.commands)
            types.push_back(c.type);
        return types;
    }

    StubHost host;
    StubView view;
    CVisitorPaneLogic pane{host, view};
    std::vector<QString> prompts;
    QMessageBox::StandardButton answer = QMessageBox::Yes;
    std::function<void()> duringPrompt;
};

TEST_F(VisitorPaneTest, AcceptInsideTheDepartmentOpensTheChatAsFullAgent)
{
    CVisitor *v = host.Add("v1", CVisitor::StateRequestingChat, "qvvDEPT=sales");
    v->SetChatRequested(0);
    pane.ShowVisitor(v);
    ASSERT_TRUE(pane.ExecuteCommand(CVisitorPaneLogic::CmdAccept));

    EXPECT_TRUE(prompts.empty());
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], (Command{"v1", QString(), "accept-visitor-chat"}));
    EXPECT_FALSE(v->chatRequested());
    CChat *chat = pane.ChatOf(*v);
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->peer(), v->jid().BareJid());
    EXPECT_EQ(chat->mode(), ChatModeRoomParticipant);
    // Joined as administrator, into the visitor's room.
    ASSERT_EQ(host.presences.size(), 1u);
    EXPECT_EQ(host.presences[0].role, RoleAdministrator);
    EXPECT_EQ(view.shown, chat);
    EXPECT_TRUE(view.column);
    // A second accept finds the chat open.
    EXPECT_FALSE(pane.CanAccept(*v));
}

TEST_F(VisitorPaneTest, AcceptOutsideTheDepartmentAsksFirst)
{
    CVisitor *v = host.Add("v1", CVisitor::StateRequestingChat, "qvvDEPT=support");
    v->SetChatRequested(0);

    answer = QMessageBox::No;
    pane.Accept(*v);
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_TRUE(prompts[0].startsWith("You are not a member of the department"));
    EXPECT_TRUE(host.commands.empty());
    EXPECT_TRUE(v->chatRequested());
    EXPECT_FALSE(pane.HasChat(*v));

    answer = QMessageBox::Yes;
    pane.Accept(*v);
    EXPECT_EQ(Types(), std::vector<std::string>{"accept-visitor-chat"});
    EXPECT_TRUE(pane.HasChat(*v));
}

TEST_F(VisitorPaneTest, RejectDeclinesTheRoomInvitation)
{
    CVisitor *v = host.Add("v1", CVisitor::StateRequestingChat);
    pane.ShowVisitor(v);
    pane.ExecuteCommand(CVisitorPaneLogic::CmdReject);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].type, "decline");
    EXPECT_EQ(host.commands[0].text, v->jid().BareStr());
    EXPECT_EQ(host.commands[0].session, v->jid().Str().toStdString());
    EXPECT_FALSE(pane.HasChat(*v));
}

TEST_F(VisitorPaneTest, BlockSendsTheDialogsWordAndCancelSendsNothing)
{
    CVisitor *v = host.Add("v1", CVisitor::StateBrowsing);
    pane.ShowVisitor(v);
    pane.ExecuteCommand(CVisitorPaneLogic::CmdBlock);
    EXPECT_TRUE(host.commands.empty());

    view.blockType = QStringLiteral("both");
    pane.ExecuteCommand(CVisitorPaneLogic::CmdBlock);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], (Command{"v1", QStringLiteral("both"), "block-visitor"}));
}

TEST_F(VisitorPaneTest, HistoryAsksWithTheVisitorsAddress)
{
    pane.ExecuteCommand(CVisitorPaneLogic::CmdHistory); // nobody selected
    EXPECT_TRUE(host.commands.empty());
    pane.ShowVisitor(host.Add("v1", CVisitor::StateBrowsing));
    pane.RetrieveHistory();
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], (Command{"v1", QStringLiteral("10.0.0.7"), "get:visitor-history"}));
}

TEST_F(VisitorPaneTest, MenusFollowTheVisitorsState)
{
    struct Case
    {
        int state;
        std::vector<unsigned> ids;
    };
    using L = CVisitorPaneLogic;
    const Case cases[] = {
        {CVisitor::StateChatting, {L::CmdEndChat, L::CmdTransfer, L::CmdDetach, L::CmdPushPage, L::CmdNextResponse}},
        {11, {L::CmdEndChat, L::CmdTransfer, L::CmdDetach, L::CmdPushPage, L::CmdNextResponse}},
        {CVisitor::StateRequestingChat, {L::CmdAccept, L::CmdReject, L::CmdNextResponse}},
        {CVisitor::StateChatInvitationSent, {L::CmdAccept, L::CmdReject, L::CmdNextResponse}},
        {CVisitor::StateBrowsing, {L::CmdInvite, L::CmdBlock, L::CmdNextResponse}},
        {CVisitor::StateChatEnded, {L::CmdInvite, L::CmdBlock, L::CmdNextResponse}},
    };
    for (const Case &c : cases) {
        CVisitor *v = host.Add("m", c.state);
        std::vector<unsigned> ids;
        for (const VisitorMenuItem &item : pane.MenuFor(*v))
            ids.push_back(item.id);
        EXPECT_EQ(ids, c.ids) << "state " << c.state;
    }

    // Enabled by the menu's visitor: a chatting visitor without a chat in
    // the pane can only be ended elsewhere; a waiting one is accepted only
    // in state 8.
    auto enabled = [&](CVisitor *v) {
        std::vector<bool> on;
        for (const VisitorMenuItem &item : pane.MenuFor(*v))
            on.push_back(item.enabled);
        return on;
    };
    EXPECT_EQ(enabled(host.Add("c", CVisitor::StateChatting)), (std::vector<bool>{false, false, false, false, true}));
    EXPECT_EQ(enabled(host.Add("w", CVisitor::StateChatOpened)), (std::vector<bool>{false, false, true}));
    CVisitor *chatting = host.Add("c2", CVisitor::StateChatting);
    pane.ShowVisitor(chatting);
    pane.OpenVisitorChat(*chatting, CVisitorPaneLogic::RoleParticipant);
    EXPECT_EQ(enabled(chatting), (std::vector<bool>{true, true, true, true, true}));
}

TEST_F(VisitorPaneTest, AMenuActsOnItsOwnVisitor)
{
    CVisitor *selected = host.Add("sel", CVisitor::StateRequestingChat);
    CVisitor *other = host.Add("other", CVisitor::StateRequestingChat);
    pane.ShowVisitor(selected);
    view.menuChoice = CVisitorPaneLogic::CmdAccept;
    pane.ShowVisitorMenu(*other, QPoint());
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0].session, "other");
    EXPECT_TRUE(pane.HasChat(*other));
    EXPECT_FALSE(pane.HasChat(*selected));
    // The selected visitor's (empty) chat column is left alone.
    EXPECT_EQ(view.shown, nullptr);

    view.menuChoice = CVisitorPaneLogic::CmdNextResponse;
    pane.ShowVisitorMenu(*other, QPoint());
    EXPECT_EQ(view.posted, std::vector<unsigned>{CVisitorPaneLogic::CmdNextResponse});
}

TEST_F(VisitorPaneTest, AVisitorRemovedDuringAModalStepGetsNothing)
{
    using L = CVisitorPaneLogic;
    CVisitor *v = nullptr;
    auto remove = [&] {
        pane.ForgetVisitor(v);
        host.visitors.erase("gone");
    };
    view.duringModal = remove;
    duringPrompt = remove;
    view.blockType = QStringLiteral("chatting");
    view.push = PushPageChoice{QStringLiteral("http://shop.example/"), false};

    struct Case
    {
        int state;
        unsigned command;
        bool viaMenu;
        bool openChat;
    };
    const Case cases[] = {
        {CVisitor::StateRequestingChat, L::CmdAccept, false, false}, // department question
        {CVisitor::StateRequestingChat, L::CmdAccept, true, false},  // the menu
        {CVisitor::StateBrowsing, L::CmdBlock, false, false},
        {CVisitor::StateChatting, L::CmdPushPage, false, true},
        {CVisitor::StateChatting, L::CmdTransfer, false, true},
    };
    for (const Case &c : cases) {
        v = host.Add("gone", c.state, "qvvDEPT=support");
        pane.ShowVisitor(v);
        if (c.openChat)
            pane.OpenVisitorChat(*v, L::RoleParticipant);
        host.commands.clear();
        if (c.viaMenu) {
            view.menuChoice = c.command;
            pane.ShowVisitorMenu(*v, QPoint());
        } else {
            pane.ExecuteCommand(c.command);
        }
        EXPECT_TRUE(host.commands.empty()) << "command " << c.command;
        EXPECT_EQ(pane.SelectedVisitor(), nullptr);
        pane.EndVisitorChat(Jid(QStringLiteral("visitors.gone@chat.example")));
    }
}

// The visitor's state moves while its menu or the dialog after it is open:
// the command runs only while the menu the state gives now still offers it,
// and otherwise the status bar says why.
TEST_F(VisitorPaneTest, AMenuCommandWhoseVisitorChangedSendsNothingAndSaysWhy)
{
    using L = CVisitorPaneLogic;
    struct Case
    {
        const char *name;
        int before;
        unsigned command;
        int after; // 0: the visitor is gone
        bool inDialog;
        std::vector<std::string> sent;
        const char *status;
    };
    const Case cases[] = {
        {"block, then a request", CVisitor::StateBrowsing, L::CmdBlock, CVisitor::StateRequestingChat, false, {},
         "Nothing was sent: \"Block Visitor\" does not apply to Ann, who is now \"Requesting Chat\""},
        {"request while blocking", CVisitor::StateBrowsing, L::CmdBlock, CVisitor::StateRequestingChat, true, {},
         "Nothing was sent: \"Block Visitor\" does not apply to Ann, who is now \"Requesting Chat\""},
        {"invite, visitor gone", CVisitor::StateBrowsing, L::CmdInvite, 0, false, {},
         "Nothing was sent: Ann is no longer in the visitor list"},
        {"accept, request withdrawn", CVisitor::StateRequestingChat, L::CmdAccept, CVisitor::StateChatEnded, false, {},
         "Nothing was sent: \"Accept Chat\" does not apply to Ann, who is now \"Chat Ended\""},
        {"block, still browsing", CVisitor::StateBrowsing, L::CmdBlock, CVisitor::StateBrowsing, true,
         {"block-visitor"}, nullptr},
    };
    view.blockType = QStringLiteral("chatting");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        host.commands.clear();
        host.statuses.clear();
        CVisitor *v = host.Add("ann", c.before, "qvvVID=Ann");
        auto change = [&] {
            if (c.after)
                v->SetState(c.after);
            else
                host.visitors.erase("ann");
        };
        view.menuChoice = c.command;
        view.duringModal = [&, first = true]() mutable {
            // The menu is the first modal step, the dialog the second.
            if (first != c.inDialog)
                change();
            first = false;
        };
        pane.ShowVisitorMenu(*v, QPoint());
        EXPECT_EQ(Types(), c.sent);
        if (c.status)
            EXPECT_EQ(host.statuses, std::vector<QString>{QString::fromUtf8(c.status)});
        else
            EXPECT_TRUE(host.statuses.empty());
    }
    view.duringModal = nullptr;
}

TEST_F(VisitorPaneTest, PushPageAsLinkGoesIntoTheChatElseAsCommand)
{
    CVisitor *v = host.Add("v1", CVisitor::StateChatting);
    pane.ShowVisitor(v);
    pane.OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
    view.push = PushPageChoice{QStringLiteral("http://shop.example/a"), true};
    pane.ExecuteCommand(CVisitorPaneLogic::CmdPushPage);
    EXPECT_EQ(view.putText, "http://shop.example/a");
    EXPECT_EQ(view.activated, pane.ChatOf(*v));
    EXPECT_TRUE(host.commands.empty());

    pane.ExecuteCommand(CVisitorPaneLogic::CmdPushCurrentUrl);
    ASSERT_EQ(host.commands.size(), 1u);
    EXPECT_EQ(host.commands[0], (Command{"v1", QStringLiteral("http://shop.example/cart"), "push-url-visitor"}));
}

TEST_F(VisitorPaneTest, EndingAChatNoWindowShowsLeavesTheRoom)
{
    CVisitor *a = host.Add("a", CVisitor::StateChatting);
    CVisitor *b = host.Add("b", CVisitor::StateChatting);
    pane.ShowVisitor(a);
    pane.OpenVisitorChat(*a, CVisitorPaneLogic::RoleParticipant);
    CChat *chat = pane.ChatOf(*a);
    pane.ShowVisitor(b);
    EXPECT_EQ(view.shown, nullptr);
    EXPECT_FALSE(view.column);

    pane.EndVisitorChat(a->jid());
    EXPECT_FALSE(pane.HasChat(*a));
    EXPECT_EQ(chat->mode(), ChatModeNone);
    EXPECT_EQ(host.presences.back().state, PresenceOffline);
    EXPECT_EQ(chat->channel().Messages().back().body, "The chat has ended");
    EXPECT_EQ(view.opened, std::vector<CChat *>{chat});
    EXPECT_EQ(view.ended, std::vector<CChat *>{chat});
}

TEST_F(VisitorPaneTest, VisitorLinesBeforeTheChatShowFirstWhenItOpens)
{
    // Lines written before the accept, by the service's notice and in the
    // room, come first in order with their times; a notice needs the chat.
    CVisitor *v = host.Add("v1", CVisitor::StateChatting);
    pane.AddVisitorMessage(*v, QStringLiteral("anyone there?"));
    ChatMessage inRoom;
    inRoom.time = 1000;
    inRoom.from = v->jid();
    inRoom.body = QStringLiteral("hello?");
    pane.RoomChannel(v->jid().BareJid())->Publish(inRoom);
    pane.AddSessionNotification(*v, QStringLiteral("lost"));
    pane.OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
    pane.AddVisitorMessage(*v, QStringLiteral("hello"));
    pane.AddSessionNotification(*v, QStringLiteral("visitor is typing"));
    const auto &lines = pane.ChatOf(*v)->channel().Messages();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].body, "anyone there?");
    EXPECT_GT(lines[0].time, 0);
    EXPECT_EQ(lines[1].body, "hello?");
    EXPECT_EQ(lines[1].time, 1000);
    EXPECT_EQ(lines[2].from, v->jid());
    EXPECT_EQ(lines[2].body, "hello");
    EXPECT_EQ(lines[3].type, ChatMessage::Notice);
    EXPECT_FALSE(lines[3].from.IsValid());
    EXPECT_EQ(pane.FindVisitorChat(v->jid()), pane.ChatOf(*v));
}

TEST_F(VisitorPaneTest, GoingOfflineEndsEveryChatAndDetachNeedsThePresence)
{
    CVisitor *v = host.Add("v1", CVisitor::StateChatting);
    pane.ShowVisitor(v);
    pane.OpenVisitorChat(*v, CVisitorPaneLogic::RoleParticipant);
    bool enabled = false;
    bool checked = false;
    ASSERT_TRUE(pane.UpdateCommand(CVisitorPaneLogic::CmdDetach, enabled, checked));
    EXPECT_TRUE(enabled);

    host.state = PresenceOffline;
    pane.OnOwnPresence(PresenceOffline);
    EXPECT_FALSE(pane.HasChat(*v));
    EXPECT_EQ(view.released, 1);
    EXPECT_FALSE(view.column);
    pane.UpdateCommand(CVisitorPaneLogic::CmdDetach, enabled, checked);
    EXPECT_FALSE(enabled);
}

TEST_F(VisitorPaneTest, HtmlModeTogglesTheSetting)
{
    bool enabled = false;
    bool checked = true;
    pane.UpdateCommand(CVisitorPaneLogic::CmdHtmlMode, enabled, checked);
    EXPECT_TRUE(enabled);
    EXPECT_FALSE(checked);
    pane.ExecuteCommand(CVisitorPaneLogic::CmdHtmlMode);
    EXPECT_TRUE(host.BoolSetting(CVisitorPaneLogic::kSendHtmlKey, false));
    pane.ExecuteCommand(CVisitorPaneLogic::CmdHtmlMode);
    EXPECT_FALSE(host.BoolSetting(CVisitorPaneLogic::kSendHtmlKey, true));
}

} // namespace
