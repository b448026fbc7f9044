// The live-chat plug-in object against a recording host: account data and
// its settings, the quick-text road, and the reply and typing roads to
// visitors and contacts, the visitor monitor it adds as its view; and its
// library loaded by the bus.

#include "bus/Manager.h"
#include "bus/MessageIds.h"
#include "bus/Payloads.h"
#include "plugins/chat/TessaryPlugin.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/QuickTextKeys.h"
#include "plugins/chat/model/Visitor.h"
#include "plugins/chat/ui/ChatRTFCtrl.h"
#include "plugins/chat/ui/ChatWindows.h"
#include "plugins/chat/ui/TessaryBar.h"
#include "plugins/chat/ui/TessaryPane.h"
#include "shared/Prompt.h"
#include "skins/QVSettingsHelpers.h"
#include "plugins/chat/ui/QuickTextTree.h"
#include "tests/TestUtil.h"
#include "plugins/chat/ui/TessaryView.h"
#include "plugins/chat/ui/VisitorListCtrl.h"
#include "tests/bus/FakePlugin.h"
#include "tests/chat/plugin/FakeChatWindows.h"
#include "tests/xmpp/FakeHost.h"

#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

using namespace QVPlugin;
using xmpptest::FakeHost;

namespace {

// A message the plug-in sent, with a copy of its payload.
struct Sent
{
    QUuid id;
    std::shared_ptr<IMessage> in;
    template <typename T>
    const T &As() const { return *static_cast<const T *>(in.get()); }
};

class FakeVisitors : public CTessaryPlugin::IVisitors
{
public:
    CVisitor *Add(const char *sid, int state)
    {
        auto v = std::make_unique<CVisitor>(
            std::make_unique<NameValueCollection>(QByteArray("sid=") + sid + "&hash=H"),
            Jid(QStringLiteral("agent@chat.example/desk")));
        v->SetState(state);
        m_visitors.push_back(std::move(v));
        return m_visitors.back().get();
    }
    CVisitor *FindVisitorByJid(const Jid &jid) override
    {
        for (auto &v : m_visitors)
            if (v->jid() == jid || (byBare && jid.resource().isEmpty() && v->jid().BareEquals(jid)))
                return v.get();
        return nullptr;
    }
    bool byBare = false;
    CVisitor *FindVisitorById(const std::string &id) override
    {
        for (auto &v : m_visitors)
            if (v->id() == id)
                return v.get();
        return nullptr;
    }
    bool AnyVisitorWaiting() const override
    {
        for (auto &v : m_visitors)
            if (v->chatRequested())
                return true;
        return false;
    }
    void OnServerMessage(const ServerMessage &m) override { routed.push_back(m.type); }
    void RemoveAllVisitors() override { ++removedAll; }
    void ShowVisitorChat(CVisitor *visitor) override { shown.push_back(visitor); }

    std::vector<std::string> routed;
    int removedAll = 0;
    std::vector<CVisitor *> shown;

private:
    std::vector<std::unique_ptr<CVisitor>> m_visitors;
};

// The chat window that takes quick texts.
class FakeQuickTextInput : public CTessaryPlugin::IQuickTextInput
{
public:
    bool CanInsertQuickText() const override { return open; }
    void InsertQuickText(unsigned number) override { inserted.push_back(number); }

    bool open = true;
    std::vector<unsigned> inserted;
};

// One visitor's room chat, as the visitor chat pane would hold it.
class FakeVisitorChats : public CTessaryPlugin::IVisitorChats
{
public:
    CChat *FindVisitorChat(const Jid &jid) override
    {
        return chat && chat->peer().BareEquals(jid) ? chat.get() : nullptr;
    }
    MessageChannel *VisitorChannel(CChat *c) override { return c == chat.get() ? channel : nullptr; }
    MessageChannel *RoomChannel(const Jid &room) override { return rooms.Get(room); }
    void OnPeerChatState(const ChatStateMessage &s) override { states.push_back(s.state); }
    void OnOwnPresence(PresenceState s) override { presences.push_back(s); }

    std::unique_ptr<CChat> chat;
    MessageChannel *channel = nullptr;
    MessageChannelRegistry rooms;
    std::vector<int> states;
    std::vector<PresenceState> presences;
};

// The view's list and splitter keep their sizes in the window-state store:
// a scratch file while this lives.
class ScratchStateStore
{
public:
    ScratchStateStore() { CQVSettingsHelpers::SetStoreFile(m_dir.filePath("Quelvar.conf")); }
    ~ScratchStateStore() { CQVSettingsHelpers::SetStoreFile(QString()); }

private:
    QTemporaryDir m_dir;
};

class TessaryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        viewParent.show();
        host.onSend = [this](const QUuid &id, IMessage *in, IMessage *out) {
            sent.push_back({id, std::shared_ptr<IMessage>(in ? in->Clone() : nullptr)});
            if (id == MSG_GET_SETTING) {
                const QString &name = static_cast<MsgValue *>(in)->name;
                QWidget *parent = name == "UI.ViewParentWnd" ? &viewParent
                                  : name == "UI.BarParentWnd" ? &barParent
                                                              : nullptr;
                if (!parent)
                    return 0;
                static_cast<QVMessage<QVariant> *>(out)->value = QVariant::fromValue(parent);
                return 1;
            }
            if (id == MSG_ADD_BAR_PANE)
                return addBarResult;
            return id == MSG_ADD_VIEW ? addViewResult : 1;
        };
        ASSERT_TRUE(plugin->Initialize(&host));
        plugin->SetVisitors(&visitors);
        plugin->SetVisitorChats(&visitorChats);
        if (fakeWindows)
            plugin->SetChatWindows(&windows);
        sent.clear();
    }
    void TearDown() override
    {
        plugin->Uninitialize();
        plugin->Release();
    }
    std::vector<Sent> Of(const QUuid &id) const
    {
        std::vector<Sent> out;
        for (const Sent &s : sent)
            if (s.id == id)
                out.push_back(s);
        return out;
    }
    // The settings written, last value per key.
    std::map<QString, QString> Settings() const
    {
        std::map<QString, QString> out;
        for (const Sent &s : Of(MSG_SET_SETTING))
            out[s.As<MsgValue>().name] = s.As<MsgValue>().value.toString();
        return out;
    }
    int Presence(PresenceState state)
    {
        QVMessage<PresenceState> msg(state);
        return plugin->OnMessage(MSG_PRESENCE_STATE, &msg, nullptr);
    }
    int Mode(const QUuid &id)
    {
        QVMessage<int> mode(CTessaryPlugin::kMode);
        return plugin->OnMessage(id, &mode, nullptr);
    }
    // What the plug-in sent to the frame's menus and keys, in order.
    std::vector<Sent> FrameMessages() const
    {
        std::vector<Sent> out;
        for (const Sent &s : sent) {
            if (s.id == MSG_MENU_ADD || s.id == MSG_MENU_REPLACE || s.id == MSG_ACCELERATORS_ADD
                || s.id == MSG_ACCELERATORS_REMOVE)
                out.push_back(s);
        }
        return out;
    }
    CQuickTextItem *FirstQuickText() const
    {
        return plugin->QuickTexts().Root()->Categories().front()->Items().front();
    }
    int Command(unsigned id, int code, CommandUpdate *update = nullptr)
    {
        CmdMsgDetails details(CTessaryPlugin::kMode, id, code, update);
        return plugin->OnMessage(MSG_COMMAND, &details, nullptr);
    }
    int Server(const char *type, const char *text)
    {
        ServerMessage msg(text, type, "");
        return plugin->OnMessage(MSG_SERVER_MESSAGE_RECEIVED, &msg, nullptr);
    }

    int Deliver(const QUuid &id, const char *from, const std::string &receiptId = {})
    {
        ChatMessage message;
        message.from = Jid(QString::fromLatin1(from));
        message.body = QStringLiteral("hello");
        message.id = receiptId;
        return plugin->OnMessage(id, &message, nullptr);
    }
    void AddContact(const char *jid)
    {
        QVMessage<ChatContact> contact(ChatContact(Jid(QString::fromLatin1(jid))));
        contact.value.role = RoleOther;
        contact.value.nick = QStringLiteral("Bob");
        plugin->OnMessage(MSG_CONTACT_PRESENCE, &contact, nullptr);
    }

    ScratchStateStore stateStore; // outlives the windows
    QWidget viewParent, barParent;
    int addBarResult = 1;
    int addViewResult = 1;
    FakeHost host;
    FakeVisitors visitors;
    FakeVisitorChats visitorChats;
    FakeChatWindows windows;
    bool fakeWindows = true;
    CTessaryPlugin *plugin = new CTessaryPlugin;
    std::vector<Sent> sent;
};

TEST_F(TessaryTest, AccountDataWritesItsSettingsAndDisconnectClearsThem)
{
    EXPECT_EQ(Server("get-extra-info",
                     "<extra><AccountID>A7</AccountID><display-name>Ann &amp; Co</display-name><key>K</key>"
                     "<brandle>http://127.0.0.1/kb</brandle><web-module-url>http://127.0.0.1/qvx/</web-module-url>"
                     "<member-departments>d1,,d2</member-departments><geoipkey>G</geoipkey></extra>"),
              2);
    const std::map<QString, QString> expected{
        {"agent.account.id", "A7"}, {"agent.nick", "Ann & Co"}, {"agent.account.key", "K"},
        {"kb.webservice.url", "http://127.0.0.1/kb"}, {"server.webmodule.url", "http://127.0.0.1/qvx/"},
        {"agent.department.id", "d1,,d2"}, {"agent.account.geoipkey", "G"}};
    EXPECT_EQ(Settings(), expected);
    EXPECT_EQ(plugin->Self().nick, "Ann & Co");
    EXPECT_EQ(plugin->Departments(), QStringList({"d1", "d2"}));
    EXPECT_TRUE(plugin->IsInDepartment("d2"));
    EXPECT_FALSE(plugin->IsInDepartment("D2"));
    EXPECT_TRUE(plugin->IsInDepartment(""));

    sent.clear();
    plugin->OnDisconnected();
    const std::map<QString, QString> cleared{
        {"agent.account.id", ""}, {"agent.nick", ""}, {"agent.account.key", ""},
        {"server.webmodule.url", ""}, {"agent.department.id", ""}, {"agent.account.geoipkey", ""}};
    EXPECT_EQ(Settings(), cleared);
    EXPECT_TRUE(plugin->Departments().isEmpty());
    EXPECT_TRUE(plugin->WebModuleUrl().isEmpty());
}

TEST_F(TessaryTest, AccountDataLeavesOutOptionalSettingsAndOtherTypesAreRouted)
{
    const QString before = plugin->WebModuleUrl();
    Server("get-extra-info", "<extra><key>K</key></extra>");
    const std::map<QString, QString> expected{
        {"agent.account.id", ""}, {"agent.nick", ""}, {"agent.account.key", "K"}, {"agent.account.geoipkey", ""}};
    EXPECT_EQ(Settings(), expected);
    EXPECT_EQ(plugin->WebModuleUrl(), before);
    EXPECT_FALSE(plugin->IsInDepartment("d1"));

    EXPECT_EQ(Server("qv-visitor-tracking", "sid=S1"), 2);
    EXPECT_EQ(visitors.routed, std::vector<std::string>{"qv-visitor-tracking"});
}

TEST_F(TessaryTest, QuickTextsAreFetchedOnTheFirstOnlineAfterOffline)
{
    const auto fetches = [this] { return Of(MSG_DATA_FETCH).size(); };
    Presence(PresenceConnecting);
    EXPECT_EQ(fetches(), 0u);
    Presence(PresenceOnline);
    ASSERT_EQ(fetches(), 2u);
    EXPECT_EQ(Of(MSG_DATA_FETCH)[0].As<DataInfo>().type, DataInfo::Server);
    EXPECT_EQ(Of(MSG_DATA_FETCH)[1].As<DataInfo>().type, DataInfo::Shared);
    EXPECT_EQ(Of(MSG_DATA_FETCH)[0].As<DataInfo>().name, "quicktext.xml");
    Presence(PresenceAway);
    Presence(PresenceOnline);
    EXPECT_EQ(fetches(), 2u);
    Presence(PresenceOffline);
    Presence(PresenceOnline);
    EXPECT_EQ(fetches(), 4u);
    EXPECT_EQ(plugin->OwnState(), PresenceOnline);
}

TEST_F(TessaryTest, WhatAnyAccountCanGrowIsBounded)
{
    for (int i = 0; i <= CContactList::kMaxContacts; ++i)
        AddContact(("c" + std::to_string(i) + "@chat.example/x").c_str());
    EXPECT_EQ(plugin->Contacts().Count(), CContactList::kMaxContacts);

    MessageChannel *channel = plugin->Channels().Get(Jid(QStringLiteral("c0@chat.example/x")));
    ChatMessage line;
    for (size_t i = 0; i <= MessageChannel::kMaxMessages; ++i) {
        line.body = QString::number(i);
        channel->Publish(line);
    }
    ASSERT_EQ(channel->Messages().size(), MessageChannel::kMaxMessages);
    EXPECT_EQ(channel->Messages().front().body, QStringLiteral("1")) << "the oldest goes";
    EXPECT_EQ(channel->Messages().back().body, QString::number(MessageChannel::kMaxMessages));
}

TEST_F(TessaryTest, OrdinaryContactsFillTheListUntilTheAgentGoesOffline)
{
    QVMessage<ChatContact> colleague(ChatContact(Jid(QStringLiteral("colleague@chat.example/desk"))));
    colleague.value.role = RoleOther;
    QVMessage<ChatContact> occupant(ChatContact(Jid(QStringLiteral("room@conference.chat.example/visitor"))));
    occupant.value.role = RoleParticipant;
    EXPECT_EQ(plugin->OnMessage(MSG_CONTACT_PRESENCE, &colleague, nullptr), 2);
    EXPECT_EQ(plugin->OnMessage(MSG_CONTACT_PRESENCE, &occupant, nullptr), 2);
    EXPECT_EQ(plugin->Contacts().Count(), 1);
    Presence(PresenceOffline);
    EXPECT_EQ(plugin->Contacts().Count(), 0);
}

TEST_F(TessaryTest, NeitherTheAgentItselfNorTheServiceIsAColleague)
{
    plugin->OnSettingChanged(QStringLiteral("agent.id"), QStringLiteral("agent@chat.example/Ostrel"));
    // The server reflects the agent's own presence (any of its resources);
    // the service speaks as the server.
    for (const char *jid : {"agent@chat.example/Ostrel", "agent@chat.example/laptop", "chat.example"})
        AddContact(jid);
    EXPECT_EQ(plugin->Contacts().Count(), 0);
    EXPECT_EQ(plugin->Bar()->Agents()->count(), 0);
    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "agent@chat.example/laptop");
    EXPECT_EQ(plugin->ChatTable().Count(), 0);
    AddContact("colleague@chat.example/desk");
    EXPECT_EQ(plugin->Contacts().Count(), 1);
}

TEST_F(TessaryTest, TheBarFollowsAgentsAndChatsAndARefusedBarStopsTheLoad)
{
    CTessaryBar *bar = plugin->Bar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), &barParent);
    AddContact("bob@chat.example/desk");
    ASSERT_EQ(bar->Agents()->count(), 1);
    EXPECT_EQ(bar->Agents()->item(0)->text(), "Bob");

    // The chat a double-click opens is announced as a chat and as a window: one entry.
    emit bar->contactActivated(Jid(QStringLiteral("bob@chat.example/desk")));
    EXPECT_EQ(windows.created, 1);
    ASSERT_EQ(bar->Conversations()->count(), 1);
    EXPECT_EQ(bar->Conversations()->item(0)->text(), "Bob");
    const int focused = windows.focused;
    emit bar->chatActivated(plugin->ChatTable().At(0));
    EXPECT_EQ(windows.created, 1);
    EXPECT_EQ(windows.focused, focused + 1);

    Presence(PresenceOffline);
    EXPECT_EQ(bar->Agents()->count(), 0);

    addBarResult = -1;
    CTessaryPlugin *refused = new CTessaryPlugin;
    EXPECT_FALSE(refused->Initialize(&host));
    EXPECT_EQ(refused->Bar(), nullptr) << "the refused page is deleted";
    refused->Release();
}

TEST_F(TessaryTest, OnlyTheExactQuickTextFileNameIsLoaded)
{
    DataInfo file;
    file.type = DataInfo::Server;
    file.data = "<quicktexts><category name=\"Mine\"/></quicktexts>";
    file.name = "QuickText.xml";
    EXPECT_EQ(plugin->OnMessage(MSG_DATA_RECEIVED, &file, nullptr), 0);
    file.name = "quicktext.xml";
    EXPECT_EQ(plugin->OnMessage(MSG_DATA_RECEIVED, &file, nullptr), 2);
}

TEST_F(TessaryTest, ReplyRoadOpensAChatForABrowsingVisitorAndStopsFlashingForTheLastWaiting)
{
    CVisitor *browsing = visitors.Add("S1", CVisitor::StateBrowsing);
    CVisitor *waiting = visitors.Add("S2", CVisitor::StateRequestingChat);
    waiting->SetChatRequested(0);

    ChatMessage toBrowsing;
    toBrowsing.to = browsing->jid();
    toBrowsing.body = "Hello <b>";
    EXPECT_TRUE(plugin->SendAgentMessage(toBrowsing));
    EXPECT_TRUE(Of(MSG_SEND_CHAT_MESSAGE).empty());
    ASSERT_EQ(Of(MSG_SERVER_SET).size(), 1u);
    const auto &command = Of(MSG_SERVER_SET)[0].As<ServerMessage>();
    EXPECT_EQ(command.type, "open-visitor-chat");
    EXPECT_EQ(command.sessionId, "S1");
    EXPECT_EQ(command.text, "Hello <b>");

    ChatMessage toWaiting;
    toWaiting.to = waiting->jid();
    EXPECT_TRUE(plugin->SendAgentMessage(toWaiting));
    EXPECT_EQ(Of(MSG_SEND_CHAT_MESSAGE).size(), 1u);
    EXPECT_FALSE(waiting->chatRequested());
    ASSERT_EQ(Of(MSG_SET_FLASHING).size(), 1u);
    EXPECT_FALSE(Of(MSG_SET_FLASHING)[0].As<QVMessage<bool>>().value);
}

TEST_F(TessaryTest, TypingGoesToChattingVisitorsAndContactsOnly)
{
    // A visitor chat's peer is the visitor's bare room; the notice names the
    // visitor. A room whose visitor is gone gets no chat state either.
    const struct
    {
        const char *peer;
        QUuid id;       // null: nothing sent
        const char *to; // the addressee sent
    } cases[] = {
        {"visitors.s6@chat.example", MSG_SEND_AGENT_TYPING, "visitors.s6@chat.example/S6"},
        {"S6@chat.example/S6", MSG_SEND_AGENT_TYPING, "visitors.s6@chat.example/S6"},
        {"visitors.s1@chat.example", QUuid(), ""},
        {"visitors.s9@chat.example", QUuid(), ""},
        {"colleague@chat.example/desk", MSG_CHAT_STATE, "colleague@chat.example/desk"},
    };
    visitors.byBare = true;
    visitors.Add("S6", CVisitor::StateChatting);
    visitors.Add("S1", CVisitor::StateBrowsing);
    const Jid gone(QStringLiteral("visitors.s9@chat.example"));
    visitorChats.channel = plugin->Channels().Get(gone);
    visitorChats.chat = std::make_unique<CChat>(gone, plugin->Core(), *visitorChats.channel, QStringLiteral("V"));
    for (const auto &c : cases) {
        sent.clear();
        EXPECT_EQ(plugin->SendTypingState(ChatContact(Jid(QString::fromLatin1(c.peer))), ChatStateComposing),
                  !c.id.isNull())
            << c.peer;
        ASSERT_EQ(sent.size(), c.id.isNull() ? 0u : 1u) << c.peer;
        if (!c.id.isNull()) {
            EXPECT_EQ(sent[0].id, c.id) << c.peer;
            EXPECT_EQ(sent[0].As<ChatStateMessage>().to.jid.Str(), QLatin1String(c.to)) << c.peer;
        }
    }
}

TEST_F(TessaryTest, TheMonitorIsTheLiveChatViewAndTakesThePresenceCommands)
{
    ASSERT_EQ(plugin->ViewWindows().size(), 1u);
    auto *view = qobject_cast<CTessaryView *>(plugin->ViewWindows()[0].data());
    ASSERT_TRUE(view);
    EXPECT_EQ(view->windowTitle(), "Live Chat");
    plugin->SetVisitors(view);

    const auto command = [this](unsigned id, int code, CommandUpdate *update) {
        CmdMsgDetails details(CTessaryPlugin::kMode, id, code, update);
        return plugin->OnMessage(MSG_COMMAND, &details, nullptr);
    };
    Presence(PresenceAway);
    for (unsigned id : {10201u, 10202u, 10203u, 10204u}) {
        CommandUpdate update(id);
        EXPECT_EQ(command(id, CommandUpdateUi, &update), RESULT_DONE) << id;
        EXPECT_EQ(update.Checked(), std::optional<bool>(id == 10202)) << id;
    }
    CommandUpdate next(10217);
    EXPECT_EQ(command(10217, CommandUpdateUi, &next), RESULT_DONE);
    EXPECT_EQ(next.Enabled(), std::optional<bool>(false));

    // F2 joins the frame's keys while the mode is active.
    sent.clear();
    QVMessage<int> mode(CTessaryPlugin::kMode);
    plugin->OnMessage(MSG_MODE_ACTIVATE, &mode, nullptr);
    ASSERT_FALSE(Of(MSG_ACCELERATORS_ADD).empty());
    EXPECT_EQ(Of(MSG_ACCELERATORS_ADD)[0].As<QVMessage<AcceleratorTable>>().value,
              (AcceleratorTable{{10217, QKeySequence(Qt::Key_F2)}}));

    sent.clear();
    EXPECT_EQ(command(10203, CommandExecute, nullptr), RESULT_DONE);
    ASSERT_EQ(Of(MSG_PRESENCE_STATE).size(), 1u);
    EXPECT_EQ(Of(MSG_PRESENCE_STATE)[0].As<QVMessage<PresenceState>>().value, PresenceBusy);

    // Server messages reach the monitor and its list, and going offline
    // empties both.
    Server("qv-visitor-tracking", "sid=S1&url=u");
    CVisitor *visitor = view->FindVisitorById("S1");
    ASSERT_TRUE(visitor);
    EXPECT_EQ(view->List()->Model()->RowOf("S1"), 0);
    view->ShowVisitorChat(visitor);
    EXPECT_EQ(view->List()->SelectedId(), "S1");
    Presence(PresenceOffline);
    EXPECT_FALSE(view->FindVisitorById("S1"));
    EXPECT_EQ(view->List()->Model()->rowCount(), 0);
}

// The first web view starts the engine and changes the window under the
// mouse; a double-click the agent makes on a waiting visitor meanwhile must
// still accept. Real input through the X server, as the agent's mouse.
TEST_F(TessaryTest, TheFirstDoubleClickOnAWaitingVisitorAccepts)
{
    auto *view = qobject_cast<CTessaryView *>(plugin->ViewWindows()[0].data());
    ASSERT_TRUE(view && view->Pane());
    plugin->SetVisitors(view);
    viewParent.resize(900, 600);
    view->setGeometry(0, 0, 900, 600);
    Server("qv-visitor-tracking", "sid=S1&url=http%3A%2F%2Fshop.example%2F");
    CVisitor *visitor = view->FindVisitorById("S1");
    ASSERT_TRUE(visitor);
    visitor->SetState(CVisitor::StateRequestingChat);
    visitor->SetChatRequested(0);
    view->List()->UpdateVisitor("S1");
    ASSERT_TRUE(waitUntil([&] { return viewParent.isVisible() && view->List()->isVisible(); }));

    CVisitorListCtrl *list = view->List();
    const QPoint at = list->viewport()->mapTo(&viewParent, list->visualRect(list->Model()->index(0, 1)).center());
    sent.clear();
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"),
                                {QStringLiteral("mousemove"), QStringLiteral("--window"),
                                 QString::number(viewParent.winId()), QString::number(at.x()), QString::number(at.y()),
                                 QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"),
                                 QStringLiteral("--delay"), QStringLiteral("100"), QStringLiteral("1")}),
              0);
    const auto accepted = [this] {
        for (const Sent &s : Of(MSG_SERVER_SET))
            if (s.As<ServerMessage>().type == "accept-visitor-chat")
                return true;
        return false;
    };
    // Long enough for the engine's start on a loaded machine.
    EXPECT_TRUE(waitUntil(accepted, 60000));
}

TEST_F(TessaryTest, TheIdleTimeoutIsReadOnceUntilItChanges)
{
    const auto reads = [this] {
        size_t n = 0;
        for (const Sent &s : Of(MSG_GET_SETTING))
            n += s.As<MsgValue>().name == "chat.idle.minutes";
        return n;
    };
    EXPECT_EQ(plugin->IdleMinutes(), 10);
    EXPECT_EQ(plugin->IdleMinutes(), 10);
    EXPECT_EQ(reads(), 1u);
    MsgValue change(QStringLiteral("chat.idle.minutes"), 12);
    plugin->OnMessage(MSG_SET_SETTING, &change, nullptr);
    plugin->IdleMinutes();
    EXPECT_EQ(reads(), 2u);
}

TEST_F(TessaryTest, ARefusedViewFailsTheLoad)
{
    auto *other = new CTessaryPlugin;
    addViewResult = 0;
    EXPECT_FALSE(other->Initialize(&host));
    other->Release();
}

TEST_F(TessaryTest, AContactsMessageOpensADirectChatWithTheContactAsItsMember)
{
    AddContact("bob@chat.example/desk");
    EXPECT_EQ(Deliver(MSG_CHAT_MESSAGE_RECEIVED, "bob@chat.example/desk"), 2);
    MessageChannel *channel = plugin->Channels().Find(Jid(QStringLiteral("bob@chat.example/desk")));
    ASSERT_NE(channel, nullptr);
    EXPECT_TRUE(channel->IsUnread());
    ASSERT_EQ(channel->Messages().size(), 1u);
    CChat *chat = plugin->ChatTable().FindChat(Jid(QStringLiteral("bob@chat.example")));
    ASSERT_NE(chat, nullptr);
    EXPECT_EQ(chat->mode(), ChatModeDirect);
    EXPECT_EQ(chat->members().Count(), 1);
    EXPECT_EQ(windows.created, 1);

    // The next one raises the open window; a stranger's line is dropped, no chat opens.
    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "bob@chat.example/desk");
    EXPECT_EQ(windows.created, 1);
    EXPECT_EQ(windows.raised, 1);
    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "stranger@chat.example/x");
    EXPECT_EQ(plugin->Channels().Find(Jid(QStringLiteral("stranger@chat.example/x"))), nullptr);
    EXPECT_EQ(plugin->ChatTable().Count(), 1);

    // The agent's line shows once its receipt comes; another id changes nothing.
    ASSERT_TRUE(chat->SendMessage("", QStringLiteral("hi")));
    ASSERT_EQ(Of(MSG_SEND_CHAT_MESSAGE).size(), 1u);
    const std::string id = chat->outgoing().id;
    Deliver(MSG_CHAT_MESSAGE_DELIVERED, "bob@chat.example/desk", id + "x");
    EXPECT_EQ(channel->Messages().size(), 2u);
    EXPECT_EQ(Deliver(MSG_CHAT_MESSAGE_DELIVERED, "bob@chat.example/desk", id), 2);
    EXPECT_EQ(channel->Messages().size(), 3u);

    ChatStateMessage state;
    state.from = ChatContact(Jid(QStringLiteral("bob@chat.example/desk")));
    state.state = ChatStateComposing;
    EXPECT_EQ(plugin->OnMessage(MSG_CHAT_STATE, &state, nullptr), 2);
    EXPECT_EQ(windows.states, std::vector<int>{ChatStateComposing});
    EXPECT_EQ(visitorChats.states, std::vector<int>{ChatStateComposing});

    // Offline closes every window and tells the visitors' side; the chat
    // stays, but the bar lists no conversation whose window is gone.
    ASSERT_EQ(plugin->Bar()->Conversations()->count(), 1);
    Presence(PresenceOffline);
    EXPECT_EQ(plugin->Bar()->Conversations()->count(), 0);
    EXPECT_EQ(windows.destroyed, 1);
    EXPECT_EQ(plugin->ChatTable().FindWindow(chat->peer()), nullptr);
    EXPECT_EQ(visitors.removedAll, 1);
    EXPECT_EQ(visitorChats.presences, std::vector<PresenceState>{PresenceOffline});
    plugin->ShowChatFor(chat);
    EXPECT_EQ(windows.created, 2);
}

// The plug-in's own windows: a detached frame with the chat window.
class TessaryWindowsTest : public TessaryTest
{
protected:
    TessaryWindowsTest()
    {
        fakeWindows = false;
        CQVSettingsHelpers::SetStoreFile(dir.filePath(QStringLiteral("state.ini")));
    }
    ~TessaryWindowsTest() override { CQVSettingsHelpers::SetStoreFile(QString()); }
    QTemporaryDir dir;
};

TEST_F(TessaryWindowsTest, AContactsMessageShowsInItsChatFrame)
{
    AddContact("bob@chat.example/desk");
    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "bob@chat.example/desk");
    CChat *chat = plugin->ChatTable().FindChat(Jid(QStringLiteral("bob@chat.example")));
    ASSERT_NE(chat, nullptr);
    QPointer<QWidget> frame = plugin->ChatTable().FindWindow(chat->peer());
    ASSERT_TRUE(qobject_cast<CTessaryPane *>(frame.data()));
    CChatWnd *window = CChatWindows::ChatWindowOf(frame);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->GetChat(), chat);
    EXPECT_TRUE(window->Transcript()->toPlainText().contains(QLatin1String("Bob:\n  hello")));
    // Unloading closes it while the bus still takes the last state.
    plugin->Uninitialize();
    EXPECT_FALSE(frame);
    plugin->Initialize(&host);
}

TEST_F(TessaryTest, ChatWindowsTransferOnlyAVisitorsChatAndOnlyToAnAgent)
{
    QStringList prompts;
    CPrompt::SetHandler([&prompts](const PromptRequest &request) {
        prompts.append(request.text);
        return QMessageBox::Ok;
    });
    auto *windowHost = dynamic_cast<IChatWndHost *>(&plugin->Core());
    ASSERT_NE(windowHost, nullptr);
    windowHost->OpenTransfer(Jid(QStringLiteral("bob@chat.example/desk")), nullptr);
    EXPECT_TRUE(prompts.isEmpty());
    windowHost->OpenTransfer(visitors.Add("S1", 6)->jid(), nullptr);
    EXPECT_EQ(prompts, QStringList{"There are no agents to transfer the chat to"});
    CPrompt::SetHandler({});
}

TEST_F(TessaryTest, AVisitorsRoomTakesItsMessagesOccupantsAndShowing)
{
    CVisitor *visitor = visitors.Add("S1", CVisitor::StateChatting);
    const Jid room = visitor->jid().BareJid();
    visitors.byBare = true;
    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "visitors.S1@chat.example/S1");
    ASSERT_NE(visitorChats.rooms.Find(room), nullptr) << "a line before the chat opens is not kept for it";
    EXPECT_EQ(visitorChats.rooms.Find(room)->Messages().size(), 1u);
    EXPECT_EQ(plugin->Channels().Find(Jid(QStringLiteral("visitors.S1@chat.example/S1"))), nullptr);
    visitorChats.channel = plugin->Channels().Get(room);
    visitorChats.chat = std::make_unique<CChat>(room, plugin->Core(), *visitorChats.channel, QStringLiteral("V"));

    Deliver(MSG_CHAT_MESSAGE_RECEIVED, "visitors.S1@chat.example/S1");
    EXPECT_EQ(visitorChats.channel->Messages().size(), 1u);
    EXPECT_TRUE(visitorChats.channel->IsUnread());
    EXPECT_EQ(plugin->ChatTable().Count(), 0);

    plugin->OnSettingChanged(QStringLiteral("agent.id"), QStringLiteral("agent@chat.example"));
    for (const char *jid : {"visitors.S1@chat.example/S1", "agent@chat.example/Ostrel"}) {
        QVMessage<ChatContact> occupant(ChatContact(Jid(QString::fromLatin1(jid))));
        occupant.value.bareJid = Jid(QString::fromLatin1(jid)).BareJid();
        occupant.value.role = RoleParticipant;
        plugin->OnMessage(MSG_CONTACT_PRESENCE, &occupant, nullptr);
    }
    EXPECT_EQ(visitorChats.chat->members().Count(), 1);
    EXPECT_EQ(plugin->Contacts().Count(), 0);

    plugin->ShowChatFor(visitorChats.chat.get());
    EXPECT_EQ(visitors.shown, std::vector<CVisitor *>{visitor});
    EXPECT_EQ(windows.created, 0);
}

TEST_F(TessaryTest, TheModeMergesMenusAndKeysAndLeavingItRemovesTheKeys)
{
    CQuickTextItem *item = FirstQuickText();
    item->SetShortcut(QuickTextKeys::FromKey(Qt::CTRL | Qt::Key_G));
    const unsigned command = CQuickTextList::CommandOf(item);
    EXPECT_TRUE(FrameMessages().empty()) << "an inactive mode leaves the frame alone";
    const AcceleratorTable quick{{command, QKeySequence(Qt::CTRL | Qt::Key_G)}};
    EXPECT_EQ(plugin->QuickTextAccelerators(), quick);

    EXPECT_EQ(Mode(MSG_MODE_ACTIVATE), 2);
    std::vector<Sent> frame = FrameMessages();
    ASSERT_EQ(frame.size(), 5u);
    const QUuid order[] = {MSG_MENU_ADD, MSG_MENU_ADD, MSG_ACCELERATORS_ADD, MSG_ACCELERATORS_REMOVE,
                           MSG_ACCELERATORS_ADD};
    for (size_t i = 0; i < frame.size(); ++i)
        EXPECT_EQ(frame[i].id, order[i]) << i;
    EXPECT_EQ(frame[0].As<QVMessage<MenuSpec>>().value.Title(), "&Quick Text");
    const MenuSpec &visitorMenu = frame[1].As<QVMessage<MenuSpec>>().value;
    ASSERT_EQ(visitorMenu.children.size(), 2u);
    EXPECT_EQ(visitorMenu.children[0].text, "Vi&sitor");
    EXPECT_EQ(visitorMenu.children[1].text, "&Web Status");
    const AcceleratorTable f2{{10217, QKeySequence(Qt::Key_F2)}};
    EXPECT_EQ(frame[2].As<QVMessage<AcceleratorTable>>().value, f2);
    EXPECT_EQ(frame[3].As<QVMessage<AcceleratorTable>>().value, quick);
    EXPECT_EQ(frame[4].As<QVMessage<AcceleratorTable>>().value, quick);

    sent.clear();
    EXPECT_EQ(Mode(MSG_MODE_DEACTIVATE), 2);
    frame = FrameMessages();
    ASSERT_EQ(frame.size(), 2u);
    EXPECT_EQ(frame[0].id, MSG_ACCELERATORS_REMOVE);
    EXPECT_EQ(frame[0].As<QVMessage<AcceleratorTable>>().value, f2);
    EXPECT_EQ(frame[1].As<QVMessage<AcceleratorTable>>().value, quick);
}

TEST_F(TessaryTest, AQuickTextChangeWhileActiveIsStoredThenReplacesTheMenuAndTheKeys)
{
    Mode(MSG_MODE_ACTIVATE);
    // Changes are stored once the agent's own file has been read.
    DataInfo own;
    own.type = DataInfo::Server;
    own.name = "quicktext.xml";
    own.data = "<QUICKTEXTCATEGORY><TITLE>Mine</TITLE><QUICKTEXT><TITLE>Hi</TITLE></QUICKTEXT></QUICKTEXTCATEGORY>";
    plugin->OnMessage(MSG_DATA_RECEIVED, &own, nullptr);
    sent.clear();
    CQuickTextItem *item = FirstQuickText();
    item->SetShortcut(QuickTextKeys::FromKey(Qt::ALT | Qt::Key_1));
    const unsigned command = CQuickTextList::CommandOf(item);
    const auto first = [this](const QUuid &id) {
        return std::find_if(sent.begin(), sent.end(), [&id](const Sent &s) { return s.id == id; }) - sent.begin();
    };
    EXPECT_EQ(Of(MSG_DATA_STORE).size(), 2u);
    EXPECT_LT(first(MSG_DATA_STORE), first(MSG_MENU_REPLACE)) << "stored before the frame follows";
    std::vector<Sent> frame = FrameMessages();
    ASSERT_EQ(frame.size(), 2u) << "no old table to remove";
    EXPECT_EQ(frame[0].id, MSG_MENU_REPLACE);
    const MenuSpec &popup = frame[0].As<QVMessage<MenuSpec>>().value.children.at(0);
    EXPECT_EQ(popup.text, "&Quick Text");
    EXPECT_TRUE(popup.children.at(0).children.at(0).text.contains(QLatin1Char('\t')));
    const AcceleratorTable table{{command, QKeySequence(Qt::ALT | Qt::Key_1)}};
    EXPECT_EQ(frame[1].id, MSG_ACCELERATORS_ADD);
    EXPECT_EQ(frame[1].As<QVMessage<AcceleratorTable>>().value, table);

    // A reload (here the duplicates setting) takes the old table away first.
    sent.clear();
    MsgValue duplicates(QStringLiteral("quicktext.duplicates"), true);
    plugin->OnMessage(MSG_SET_SETTING, &duplicates, nullptr);
    frame = FrameMessages();
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_EQ(frame[0].id, MSG_ACCELERATORS_REMOVE);
    EXPECT_EQ(frame[0].As<QVMessage<AcceleratorTable>>().value, table);
    EXPECT_EQ(frame[1].id, MSG_MENU_REPLACE);
    EXPECT_EQ(frame[2].id, MSG_ACCELERATORS_ADD);
}

TEST_F(TessaryTest, QuickTextCommandsReachTheChatInputFromTheMenuAndTheTree)
{
    const unsigned command = CQuickTextList::CommandOf(FirstQuickText());
    CommandUpdate update(command);
    EXPECT_EQ(Command(command, CommandUpdateUi, &update), 2) << "no chat window: left to the others";
    EXPECT_FALSE(update.Enabled());

    FakeQuickTextInput input;
    plugin->SetQuickTextInput(&input);
    EXPECT_EQ(Command(command, CommandUpdateUi, &update), 1);
    EXPECT_EQ(update.Enabled(), true);
    EXPECT_EQ(Command(command, CommandExecute), 1);
    for (unsigned other : {CQuickTextList::kFirstCommand, CQuickTextList::kFirstCommand + CQuickTextList::kLastNumber + 1})
        EXPECT_EQ(Command(other, CommandExecute), 2) << other;
    EXPECT_EQ(input.inserted, std::vector<unsigned>{command - CQuickTextList::kFirstCommand});

    // The bar's tree sends the selected item (posted to the bar).
    CQuickTextTree *tree = plugin->Bar()->QuickTextTree();
    tree->setCurrentItem(tree->NodeOf(FirstQuickText()));
    tree->RunCommand(CQuickTextTree::CommandSend);
    EXPECT_TRUE(waitUntil([&] { return input.inserted.size() == 2; }));
    EXPECT_EQ(input.inserted.back(), command - CQuickTextList::kFirstCommand);
    // The tree's own ids are the visitor pane's commands in the frame's menu.
    CommandUpdate joinChat(CQuickTextTree::CommandSend);
    EXPECT_FALSE(plugin->Bar()->OnCmdMsg(CQuickTextTree::CommandSend, CommandUpdateUi, &joinChat, nullptr));
    EXPECT_FALSE(plugin->Bar()->OnCmdMsg(CQuickTextTree::CommandSend, CommandExecute, nullptr, nullptr));

    input.open = false;
    EXPECT_EQ(Command(command, CommandExecute), 2);
    EXPECT_EQ(input.inserted.size(), 2u);
    plugin->SetQuickTextInput(nullptr);
}

TEST(TessaryModule, TheLibraryRegistersTheLiveChatPlugin)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(OSTREL_PROGRAM_DIR "/Tessary.so", dir.filePath("Tessary.so")));
    ScratchStateStore stateStore;
    // The live-chat plug-in loads only where the host takes its bar page and view.
    QWidget barParent, viewParent;
    auto *ui = new bustest::FakePlugin(QStringLiteral("ui"));
    ui->onMessage = [&](const QUuid &id, IMessage *in, IMessage *out) {
        if (id == MSG_GET_SETTING) {
            const QString &name = static_cast<MsgValue *>(in)->name;
            if (name != "UI.BarParentWnd" && name != "UI.ViewParentWnd")
                return 0;
            static_cast<QVMessage<QVariant> *>(out)->value =
                QVariant::fromValue<QWidget *>(name == "UI.BarParentWnd" ? &barParent : &viewParent);
            return 1;
        }
        return id == MSG_ADD_BAR_PANE || id == MSG_ADD_VIEW ? 1 : 0;
    };
    CManager manager(dir.path());
    manager.AddPlugin(ui, PLUGIN_ORDER_UI);
    manager.LoadPluginLibraries();
    ASSERT_EQ(manager.Plugins().size(), 2u);
    const IPlugin *chat = manager.Plugins()[1];
    EXPECT_EQ(*chat->GetId(), PLUGIN_GUID_LIVE_CHAT);
    EXPECT_EQ(chat->GetName(), "Live Chat Plugin");
    EXPECT_EQ(chat->GetDescription(), "Live Chat Plugin allows chat interaction with customers");
    manager.Shutdown();
}

} // namespace
