// The server-message router with a fake plug-in, list, pane, idle source,
// message box and a clock the test steps, fed the service's notices in the
// simulated service's own wire forms.

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/VisitorRouter.h"
#include "tests/harness/VisitorScript.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace QVPlugin;
namespace script = harness::visitors;

namespace {

constexpr std::int64_t kStart = 1'700'000'000;

struct FakeHost : IVisitorRouterHost
{
    void SendServerCommand(const std::string &sid, const QString &text, const std::string &type) override
    {
        commands.push_back(type + " " + sid + " [" + text.toStdString() + "]");
    }
    void RaiseAlert(int kind, const QString &title, const QString &text) override
    {
        alerts.push_back(std::to_string(kind) + " " + title.toStdString() + " / " + text.toStdString());
    }
    void SetOwnPresence(PresenceState state) override
    {
        presences.push_back(state);
        if (!lagging)
            own = state;
    }
    PresenceState OwnState() const override { return own; }
    bool IsInDepartment(const QString &id) const override { return id.isEmpty() || id == department; }
    CContactList &Contacts() override { return contacts; }
    const ChatContact &Self() const override { return self; }
    int IdleMinutes() override { return idleMinutes; }
    void ShowStatus(const QString &text) override { statuses.push_back(text.toStdString()); }

    std::vector<std::string> commands, alerts, statuses;
    std::vector<PresenceState> presences;
    PresenceState own = PresenceOnline;
    QString department = QStringLiteral("d1");
    CContactList contacts;
    ChatContact self{Jid(QStringLiteral("agent@chat.example"))};
    int idleMinutes = 10;
    // The plug-in takes on a requested state only when the test says so.
    bool lagging = false;
};

// The list and the pane write one line per call into the same log.
struct FakeViews : IVisitorListView, IVisitorChatPane
{
    void AddVisitor(CVisitor *v) override { Log("add", v); }
    void UpdateVisitor(CVisitor *v) override { Log("update", v); }
    void RemoveVisitor(CVisitor *v) override { Log("remove", v); }
    bool SelectVisitor(CVisitor *v) override { return Log("select", v), selectable; }
    void RefreshTimes() override { ++refreshes; }

    bool HasOpenChat(const Jid &jid) const override { return openChats.count(jid.Str().toStdString()) > 0; }
    void EndVisitorChat(const Jid &jid) override { log.push_back("end " + jid.resource().toStdString()); }
    void AddVisitorMessage(CVisitor &v, const QString &text) override { Log("message", &v, text); }
    void AddSessionNotification(CVisitor &v, const QString &text) override { Log("notice", &v, text); }
    void OnHistoryChanged(CVisitor &v) override { Log("history", &v); }
    void OpenVisitorChat(CVisitor &v, int role) override { Log("open", &v, QString::number(role)); }
    void ShowVisitor(CVisitor *v) override { Log("show", v); }
    void ActivateVisitorChat(CVisitor &v) override { Log("activate", &v); }
    void ForgetVisitor(const CVisitor *v) override { log.push_back("forget " + v->id()); }

    void Log(const char *what, const CVisitor *v, const QString &text = QString())
    {
        log.push_back(std::string(what) + " " + v->id() + (text.isEmpty() ? "" : " " + text.toStdString()));
    }

    std::vector<std::string> log;
    std::set<std::string> openChats;
    bool selectable = true;
    int refreshes = 0;
};

struct FakeIdle : IIdleSource
{
    std::int64_t IdleMilliseconds() override { return ms; }
    std::int64_t ms = 0;
};

class RouterTest : public ::testing::Test
{
protected:
    void Route(const char *type, const std::string &text, const char *sid = "S1")
    {
        router.RouteServerMessage(ServerMessage(text, type, sid));
    }
    void Route(const script::Notice &notice)
    {
        router.RouteServerMessage(ServerMessage(notice.text, notice.type, notice.sessionId));
    }
    CVisitor *Track(const char *sid, const char *pageId = "p1")
    {
        Route(script::Tracking(sid, "H1", "Ann", {"http://shop/", "home", "Home", "", pageId}));
        return router.FindVisitorById(sid);
    }
    void Clear()
    {
        host.commands.clear(), host.alerts.clear(), host.presences.clear(), views.log.clear(), prompts.clear();
    }

    std::int64_t now = kStart;
    FakeHost host;
    FakeViews views;
    FakeIdle idle;
    std::vector<std::string> prompts;
    bool answer = true;
    std::function<void()> duringPrompt;
    CVisitorRouter router{host, views, views, idle,
                          [this](CVisitorRouter::PromptIcon icon, const QString &text) {
                              prompts.push_back((icon == CVisitorRouter::PromptIcon::Question ? "? " : "i ")
                                                + text.toStdString());
                              if (duringPrompt)
                                  duringPrompt();
                              return answer;
                          },
                          [this] { return now; }};
};

} // namespace

TEST_F(RouterTest, NotifyAsksForInfoUnlessTheHashIsCurrent)
{
    Track("S1");
    const struct
    {
        std::string text;
        std::vector<std::string> commands;
    } cases[] = {
        {"S1 H1", {}},
        {script::TrackingNotify("S1", "H2").text, {"get-visitor-info S1 [H1]"}},
        {"  S1   H2 ", {"get-visitor-info S1 [H1]"}},
        {script::TrackingNotify("S9", "H1").text, {"get-visitor-info S9 []"}},
        {"S1", {}},
        {"S1 H2 X", {}},
        {"", {}},
    };
    for (const auto &c : cases) {
        host.commands.clear();
        Route("qv-vt-notify", c.text, "");
        EXPECT_EQ(host.commands, c.commands) << c.text;
    }
}

TEST_F(RouterTest, TrackingCreatesKnownVisitorsOnceAndAlertsOncePerSecond)
{
    CVisitor *v = Track("S1");
    ASSERT_TRUE(v);
    EXPECT_EQ(views.log, (std::vector<std::string>{"add S1", "update S1"}));
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"3 Ann / New Visitor"}));

    Clear();
    Track("S1", "p2");
    EXPECT_EQ(router.FindVisitorById("S1"), v);
    EXPECT_EQ(v->Tracking().size(), 2u);
    EXPECT_TRUE(host.alerts.empty());

    // A flood of new sessions in one second raises one alert.
    ++now;
    Track("S2"), Track("S3");
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"3 Ann / New Visitor"}));
    ++now;
    Track("S4");
    EXPECT_EQ(host.alerts.size(), 2u);

    // No tracking data makes no visitor; the session id names a visitor
    // whose data has no "sid", and the data's "sid" one without session id.
    Route("qv-visitor-tracking", "", "S5");
    EXPECT_FALSE(router.FindVisitorById("S5"));
    Route("qv-visitor-tracking", "url=x&qvvVID=Bo", "S6");
    ASSERT_TRUE(router.FindVisitorById("S6"));
    EXPECT_EQ(router.FindVisitorById("S6")->jid().resource(), QStringLiteral("S6"));
    Route("qv-visitor-tracking", "sid=S7&url=x", "");
    EXPECT_TRUE(router.FindVisitorById("S7"));
    // A "sid" other than the session id gives way to it.
    Route("qv-visitor-tracking", "sid=S1&url=x", "S8");
    ASSERT_TRUE(router.FindVisitorById("S8"));
    EXPECT_EQ(router.FindVisitorById("S8")->id(), "S8");
    EXPECT_EQ(router.FindVisitorById("S1"), v);
    EXPECT_EQ(router.Visitors().size(), 7u);
}

TEST_F(RouterTest, VisitorInfoAnnouncesACallerOnceAndOnlyInTheDepartment)
{
    const script::Notice info = script::VisitorInfo(
        "S1", {{"survey", "qvvVID=Cy&qvvDEPT=d1"}, {"state", "8"}}, "sid=S1&url=u", false);
    for (const char *department : {"d1", "other"}) {
        host.alerts.clear();
        router.RemoveAllVisitors();
        host.department = QString::fromLatin1(department);
        Route(info);
        Route(info);
        const CVisitor *v = router.FindVisitorById("S1");
        ASSERT_TRUE(v);
        EXPECT_EQ(v->state(), 8);
        EXPECT_TRUE(v->chatRequested());
        EXPECT_EQ(host.alerts, host.department == "d1" ? std::vector<std::string>{"1 Cy / New Visitor"}
                                                         : std::vector<std::string>{})
            << department;
    }

    // A browsing visitor who now asks for a chat is announced once.
    host.department = QStringLiteral("d1");
    host.alerts.clear();
    Track("S2");
    Route(script::VisitorInfo("S2", {{"state", "8"}}));
    Route(script::VisitorInfo("S2", {{"state", "8"}}));
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"3 Ann / New Visitor", "1 Ann / New Visitor"}));
}

TEST_F(RouterTest, StateChanges)
{
    const struct
    {
        const char *text;
        bool openChat;
        int state;   // after; 0 when the visitor is gone
        std::vector<std::string> alerts;
        bool ended;
    } cases[] = {
        {"0", false, 1, {}, false},
        {"-2", false, 1, {}, false},
        {"x", false, 1, {}, false},
        {"8", false, 8, {"1 Ann / New Caller"}, false},
        {"10", false, 10, {}, true},
        {"4", false, 4, {}, false},
        {"15", false, 0, {}, true},
        {"15", true, 1, {}, false},
    };
    for (const auto &c : cases) {
        router.RemoveAllVisitors();
        Track("S1");
        router.FindVisitorById("S1")->SetChatRequested(0);
        views.openChats.clear();
        if (c.openChat)
            views.openChats.insert(router.FindVisitorById("S1")->jid().Str().toStdString());
        Clear();
        Route("visitor-state-change", c.text);
        const CVisitor *v = router.FindVisitorById("S1");
        EXPECT_EQ(v ? v->state() : 0, c.state) << c.text;
        EXPECT_EQ(host.alerts, c.alerts) << c.text;
        EXPECT_EQ(std::count(views.log.begin(), views.log.end(), "end S1") == 1, c.ended) << c.text;
        if (v && c.state == 10) {
            EXPECT_FALSE(v->chatRequested());
        }
    }
}

TEST_F(RouterTest, VisitorRoutesAndRemoval)
{
    CVisitor *v = Track("S1");
    Clear();
    Route(script::VisitorMessage("S1", "Hello <b>"));
    Route(script::SessionNotification("S1", "joined"));
    Route(script::VisitorHistory("S1", "earlier"));
    Route(script::VisitorMessage("S9", "Bye")); // unknown visitor
    Route("Visitor-Message", "Hi");       // types are case-sensitive
    EXPECT_TRUE(v->chatRequested());
    EXPECT_EQ(v->chatRequestedAt(), kStart);
    EXPECT_EQ(v->history(), QStringLiteral("earlier"));
    EXPECT_EQ(views.log, (std::vector<std::string>{"message S1 Hello <b>", "notice S1 joined", "history S1"}));
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"2 Hello <b> / Ann"}));

    for (const script::Notice &gone :
         {script::ChatAlreadyAnswered("S1"), script::VisitorOffline("S1"), script::TransferAccept("S1")}) {
        Track("S1");
        views.log.clear();
        Route(gone);
        EXPECT_FALSE(router.FindVisitorById("S1")) << gone.type;
        EXPECT_EQ(views.log, (std::vector<std::string>{"remove S1", "end S1", "forget S1"})) << gone.type;
    }

    // A visitor named by its address is "Visitor" in the message alert.
    Route("qv-visitor-tracking", "sid=S2&REMOTE_ADDR=10.0.0.1&url=u", "S2");
    host.alerts.clear();
    Route("visitor-message", "Hi", "S2");
    EXPECT_EQ(host.alerts, (std::vector<std::string>{"2 Hi / Visitor"}));
}

// A visitor who left (or was blocked) during a chat leaves no row behind
// once the chat has ended; a request that goes unanswered is told.
TEST_F(RouterTest, VisitorsWhoLeftGoWithTheirChatAndWithdrawnRequestsAreTold)
{
    struct Case
    {
        const char *name;
        int stateBefore;
        bool openChat;
        bool blocked;
        script::Notice notice;
        bool goneAtOnce;
        bool statusTold;
    };
    const Case cases[] = {
        {"left during a chat", 6, true, false, script::StateChange("S1", 15), false, false},
        {"blocked during a chat", 6, true, true, script::StateChange("S1", 15), true, false},
        {"left while browsing", 1, false, false, script::StateChange("S1", 15), true, false},
        {"request withdrawn by leaving", 8, false, false, script::StateChange("S1", 15), true, true},
        {"request ended", 8, false, false, script::StateChange("S1", 10), false, true},
        {"request gone offline", 8, false, false, script::VisitorOffline("S1"), true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        CVisitor *v = Track("S1");
        v->SetState(c.stateBefore);
        if (c.blocked)
            v->SetBlocked();
        const std::string room = v->jid().Str().toStdString();
        if (c.openChat)
            views.openChats.insert(room);
        host.statuses.clear();
        Route(c.notice);
        EXPECT_EQ(router.FindVisitorById("S1") == nullptr, c.goneAtOnce);
        EXPECT_EQ(host.statuses,
                  c.statusTold ? std::vector<std::string>{"Ann withdrew the chat request"} : std::vector<std::string>{});
        router.Tick();
        EXPECT_EQ(router.FindVisitorById("S1") == nullptr, c.goneAtOnce);
        // The agent's chat ends: a visitor who left goes with it.
        views.openChats.erase(room);
        router.Tick();
        const bool left = c.notice.type == "visitor-state-change" && c.notice.text == "15";
        EXPECT_EQ(router.FindVisitorById("S1") == nullptr, c.goneAtOnce || left);
        router.RemoveVisitor("S1");
    }
}

TEST_F(RouterTest, GeolocationRowsAlternateAndAreEscaped)
{
    CVisitor *v = Track("S1");
    const std::string isp(400, 'i');
    Route(script::Geolocation("S1", {"US", "CA", "San Jose", "", "37.3", "-121.9", "807", "408", isp,
                                     "<b>Acme & Co</b>"}));
    const QString html = QString::fromStdString(v->geolocation());
    EXPECT_EQ(html.count(QStringLiteral("<TR class=")), 9);
    EXPECT_FALSE(html.contains(QStringLiteral(">Zip<")));
    const QStringList rows = html.split(QStringLiteral("<TR class="));
    for (int i = 1; i < rows.size(); ++i)
        EXPECT_TRUE(rows[i].startsWith(i % 2 ? QStringLiteral("qvRow ") : QStringLiteral("qvRowAlt "))) << i;
    EXPECT_TRUE(html.contains(QString::fromStdString(isp) + QStringLiteral("&nbsp;</P></TD></TR>")));
    EXPECT_TRUE(html.contains(QStringLiteral("&lt;b&gt;Acme &amp; Co&lt;/b&gt;&nbsp;")));
    EXPECT_TRUE(rows.last().contains(QStringLiteral("DMA&nbsp;Code</P></TD><TD style='BORDER-RIGHT: #cccccc 1px "
                                                    "solid'><P class=qvCell>807&nbsp;")));
    EXPECT_TRUE(html.endsWith(QStringLiteral("</table><div class=qvTableBottomMargin></div>")));

    // Even an answer that cannot be used ends the wait for one.
    v->SetGeolocationAsked();
    Route("geolocation", "US,CA,San Jose,95110,1,2,3,4,5"); // nine fields
    EXPECT_FALSE(v->GeolocationPending());
    Route("geolocation", "");
    EXPECT_EQ(QString::fromStdString(v->geolocation()), html);
    EXPECT_EQ(QString::fromStdString(CVisitorRouter::GeolocationHtml("a,b,c,95110,1,2,3,4,5,6"))
                  .count(QStringLiteral("<TR class=")),
              10);
}

TEST_F(RouterTest, ChangePasswordAndTransferDecline)
{
    const struct
    {
        const char *type;
        std::string text;
        const char *prompt;
    } cases[] = {
        {"change-password", script::ChangePassword(true).text, "i Your password has been changed."},
        {"change-password", "success", "i An error occurred while changing your password."},
        {"change-password", script::ChangePassword(false).text,
         "i An error occurred while changing your password."},
        {"transfer-visitor-chat-decline", "busy <i>now</i>",
         "i The visitor chat transfer was declined. Reason:\nbusy <i>now</i>"},
    };
    for (const auto &c : cases) {
        prompts.clear();
        Route(c.type, c.text);
        EXPECT_EQ(prompts, std::vector<std::string>{c.prompt}) << c.text;
    }
}

TEST_F(RouterTest, TransferRequestAcceptedDeclinedOrLostDuringTheQuestion)
{
    ChatContact bob(Jid(QStringLiteral("bob@chat.example/desk")));
    bob.nick = QStringLiteral("Bob");
    bob.state = PresenceOnline;
    host.contacts.Update(bob);
    const script::Notice request = script::TransferRequest("S1", "bob@chat.example/x", "take it");
    const std::string question = "Do you want to accept a transfer request from Bob?\n\r\n\"take it\"";

    Track("S1");
    Clear();
    Route(request);
    EXPECT_EQ(prompts, std::vector<std::string>{"? " + question});
    EXPECT_EQ(host.alerts, std::vector<std::string>{"4 " + question + " / New transfer request"});
    EXPECT_EQ(host.commands, std::vector<std::string>{"transfer-visitor-chat-accepted S1 [bob@chat.example/x]"});
    EXPECT_EQ(views.log, (std::vector<std::string>{"open S1 3", "select S1", "show S1", "activate S1"}));

    Clear();
    answer = false;
    Route(script::TransferRequest("S1", "eve@x", ""));
    EXPECT_EQ(prompts, std::vector<std::string>{"? Do you want to accept a transfer request from eve@x?\n"});
    EXPECT_EQ(host.commands, std::vector<std::string>{"transfer-visitor-chat-declined S1 [eve@x]"});
    // A colleague without a nick is named as the Agents list names them.
    Clear();
    ChatContact carl(Jid(QStringLiteral("carl@chat.example/desk")));
    host.contacts.Update(carl);
    Route(script::TransferRequest("S1", "carl@chat.example/desk", ""));
    EXPECT_EQ(prompts, std::vector<std::string>{"? Do you want to accept a transfer request from carl@chat.example?\n"});

    // The visitor leaves while the question is open: no answer, nothing shown.
    Clear();
    answer = true;
    duringPrompt = [this] { Route(script::VisitorOffline("S1")); };
    Route(request);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(views.log, (std::vector<std::string>{"remove S1", "end S1", "forget S1"}));

    // The view (and its router) closes while the question is open.
    std::unique_ptr<CVisitorRouter> closing;
    closing = std::make_unique<CVisitorRouter>(
        host, views, views, idle, [&](CVisitorRouter::PromptIcon, const QString &) { return closing.reset(), false; },
        [this] { return now; });
    closing->RouteServerMessage(ServerMessage(request.text, request.type, request.sessionId));
    EXPECT_FALSE(closing);
    EXPECT_TRUE(host.commands.empty());
}

TEST_F(RouterTest, QuietVisitorsAreProbedEverySixtyTicks)
{
    Track("S1");                              // quiet, browsing
    Track("S2")->SetState(6);                 // chatting
    Track("S3");                              // chat open in the pane
    views.openChats.insert(router.FindVisitorById("S3")->jid().Str().toStdString());
    now += 61;
    Track("S4");                              // fresh
    for (int i = 0; i < 59; ++i)
        router.Tick();
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(views.refreshes, 59);
    now += 30; // S4 is 30 s quiet
    router.Tick();
    EXPECT_EQ(host.commands, std::vector<std::string>{"is-visitor-online S1 []"});
    EXPECT_EQ(router.FindVisitorById("S1")->lastTracked(), now);
    for (int i = 0; i < 60; ++i)
        router.Tick();
    EXPECT_EQ(host.commands.size(), 1u);
}

TEST_F(RouterTest, IdleAwayAndBack)
{
    idle.ms = 10 * 60000 + 1;
    router.Tick();
    EXPECT_EQ(host.presences, std::vector<PresenceState>{PresenceAway});
    idle.ms = 0;
    router.Tick();
    router.Tick();
    EXPECT_EQ(host.presences, (std::vector<PresenceState>{PresenceAway, PresenceOnline}));

    // Away chosen from the menu stays; Online from the menu lets the rule work again.
    router.ChoosePresence(PresenceAway);
    router.Tick();
    EXPECT_EQ(host.presences.back(), PresenceAway);
    router.ChoosePresence(PresenceOnline);
    idle.ms = 10 * 60000 + 1;
    router.Tick();
    EXPECT_EQ(host.presences.back(), PresenceAway);

    host.presences.clear();
    host.own = PresenceOnline;
    host.idleMinutes = 0;
    router.Tick();
    EXPECT_TRUE(host.presences.empty());
}

TEST_F(RouterTest, IdleRuleAsksOncePerChangeWhileTheStateCatchesUp)
{
    host.lagging = true;
    const struct
    {
        bool idle;
        PresenceState own;
        std::vector<PresenceState> sent;
    } steps[] = {
        {true, PresenceOnline, {PresenceAway}}, {true, PresenceOnline, {}},  {true, PresenceAway, {}},
        {false, PresenceAway, {PresenceOnline}}, {false, PresenceAway, {}}, {false, PresenceOnline, {}},
        {true, PresenceOnline, {PresenceAway}}, {false, PresenceOnline, {}}, {true, PresenceOnline, {PresenceAway}},
    };
    int step = 0;
    for (const auto &s : steps) {
        host.own = s.own;
        idle.ms = s.idle ? 10 * 60000 + 1 : 0;
        host.presences.clear();
        router.Tick();
        EXPECT_EQ(host.presences, s.sent) << "step " << step++;
    }
}

TEST_F(RouterTest, AFullRegistryDropsNewVisitorsAndSaysSoOnceASecond)
{
    for (size_t i = 0; i < CVisitorRouter::kMaxVisitors; ++i)
        ASSERT_TRUE(router.ApplyTracking("url=u", "V" + std::to_string(i), {})) << i;
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { logged << text; });
    const auto flood = [this](const char *prefix) {
        for (int i = 0; i < 100; ++i)
            EXPECT_FALSE(router.ApplyTracking("url=u", prefix + std::to_string(i), {}));
    };
    flood("X");
    now += 1;
    flood("Y");
    qInstallMessageHandler(previous);
    EXPECT_EQ(logged.filter("registry full").size(), 2) << logged.join('\n').toStdString();
    EXPECT_EQ(router.Visitors().size(), CVisitorRouter::kMaxVisitors);

    // Known visitors still get their pages, and a place that comes free is taken.
    EXPECT_TRUE(router.ApplyTracking("url=v", "V1", {}));
    router.RemoveVisitor("V1");
    EXPECT_TRUE(router.ApplyTracking("url=u", "Z", {}));
}

TEST_F(RouterTest, NextResponseBringsTheLongestWaitingVisitorForward)
{
    router.NextResponse();
    EXPECT_EQ(prompts, std::vector<std::string>{"i No visitors are waiting for a response"});

    Track("S1")->SetState(8);
    router.FindVisitorById("S1")->SetChatRequested(0);
    Track("S2")->SetState(8);
    router.FindVisitorById("S2")->SetChatRequested(5);
    Track("S3")->SetState(8);
    router.FindVisitorById("S3")->SetChatRequested(5);
    Clear();
    router.NextResponse();
    EXPECT_EQ(views.log, (std::vector<std::string>{"select S2", "activate S2"}));

    views.selectable = false;
    router.NextResponse();
    EXPECT_EQ(prompts, std::vector<std::string>{"i No visitors are waiting for a response"});

    router.RemoveAllVisitors();
    EXPECT_TRUE(router.Visitors().empty());
    EXPECT_FALSE(router.AnyVisitorWaiting());
}
