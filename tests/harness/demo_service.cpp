// The demo chat service: Prosody on 127.0.0.1 with the relay module, a
// simulator that plays the chat service and its web visitors (a chat request
// now and then among them), a colleague who writes to the demo agent now and
// then and takes the chats transferred to it, and the knowledge-base web
// service with fourteen articles, whose address reaches the program in the
// agent's account data after every sign-in, as does the upload address for
// files sent into chats. Runs until interrupted; prints where it listens and
// the demo account as "name=value" lines, then "ready".
//
// For measuring the program under load: --visitors N brings a crowd of N
// further visitors at once, who stay on one page; --churn K has K of them
// leave and K new ones arrive every second, from --churn-after S seconds on.
// With a crowd, Bob is the only visitor who asks for a chat. --redraws R
// has the crowd's first visitor ("Visitor 1") go to another page R times,
// ten a second, from --churn-after S seconds on (so that the agent's
// program redraws that visitor); the churn then waits until 15 s after the
// last of them, and leaves that visitor be.
//
// --kb-url URL gives the agent another knowledge-base address on 127.0.0.0/8
// than the demo's own, to try the program against a service that misbehaves.
//
// --control FILE makes the site quiet (no visitors, callers or colleague
// lines of their own) and plays what the lines appended to FILE ask, so a
// script can bring about a case at the moment it needs it:
//   arrive SID NAME      a visitor comes and stays on one page
//   ask SID              the visitor asks for a chat
//   withdraw SID         a visitor who asks leaves before anyone answers
//   leave SID            the visitor leaves (a chat open ends first)
//   vanish SID           the visitor is gone, told with no end of its chat
//   say SID TEXT         the visitor writes into the chat
//   typing SID, paused SID   the visitor's chat state in the room
//   receipts SID off|on  the visitor's room acknowledges the agent's lines
//   decline SID          a transfer of the visitor's chat is declined
//   offer SID [TEXT]     the colleague asks the agent to take the chat
//   colleague TEXT       the colleague writes to the agent
//   uploads off [S]|on   the upload address refuses files (503), S seconds
//                        after each came
// Each is logged as "demo: control <line>" once done, and every line a
// visitor's room or the colleague reads as "demo: visitor <id> read: <text>"
// or "demo: colleague read: <text>".

#include "tests/harness/ChatServiceSimulator.h"
#include "tests/harness/KBServiceMock.h"
#include "tests/harness/ProsodyFixture.h"
#include "tests/harness/UploadEndpoint.h"
#include "tests/harness/VisitorScript.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

#include <gloox/jid.h>
#include <gloox/tag.h>

#include <csignal>
#include <cstdio>
#include <deque>
#include <iterator>
#include <map>
#include <set>
#include <span>
#include <string_view>
#include <vector>
#include <sys/socket.h>
#include <unistd.h>

using harness::ChatServiceSimulator;
using harness::ProsodyFixture;
namespace visitors = harness::visitors;

namespace {

constexpr int kPollMs = 100;
constexpr int kControlPollMs = 10;
// Late enough not to cover the visitor's first chat.
constexpr int kColleagueEveryMs = 120000;

// What the colleague says, in turn.
const char *const kColleagueLines[] = {
    "Hi, are you busy? There are a lot of visitors today.",
    "Could you take the next caller? I am going for lunch.",
    "Thanks, I am back.",
};

// What the callers say in a chat, in turn: each caller has a script of its
// own, the first caller the first.
const char *const kBobLines[] = {
    "Hello, is anybody there?",
    "I ordered a lamp last week and it has not arrived yet.",
    "Can I change the delivery address of my order?",
    "Thanks for your help!",
};
const char *const kRefundLines[] = {
    "Hi, I sent a lamp back ten days ago.",
    "When will the refund reach my card?",
    "OK, I will wait a few more days. Thank you!",
};
const char *const kPasswordLines[] = {
    "Hello, I cannot sign in to my account.",
    "The password reset mail never came.",
    "Found it in the spam folder, sorry. Thanks!",
};
// This caller closes the browser in the middle of the chat.
const char *const kHurriedLines[] = {
    "Hi, do you ship lamps to Norway?",
    "Oh, my bus is here. I have to go, sorry!",
};
struct Script
{
    const char *const *lines;
    size_t count;
    bool leavesInChat = false; // after the last line, instead of ending the chat
};
constexpr Script kScripts[] = {
    {kBobLines, std::size(kBobLines)},
    {kRefundLines, std::size(kRefundLines)},
    {kPasswordLines, std::size(kPasswordLines)},
    {kHurriedLines, std::size(kHurriedLines), true},
};

// The callers who come after the first, in turn.
const char *const kCallerNames[] = {
    "Dana White", "Erik Larsen", "Fatima Khan", "George O'Neil", "Hana Sato", "Ivan Petrov",
};

// A visitor's room: "visitors.<session id>@host", with or without a nick.
constexpr std::string_view kRoomPrefix = "visitors.";
bool IsRoom(const std::string &address) { return address.compare(0, kRoomPrefix.size(), kRoomPrefix) == 0; }
// The visitor's session id of a room's address; empty for any other address.
std::string RoomVisitor(const std::string &address)
{
    const size_t at = address.find('@');
    return IsRoom(address) && at != std::string::npos ? address.substr(kRoomPrefix.size(), at - kRoomPrefix.size())
                                                      : std::string();
}

// HTML text for the history page: what a visitor typed is not markup.
std::string Escaped(const std::string &text)
{
    return QString::fromStdString(text).toHtmlEscaped().toStdString();
}

int s_signalPipe[2] = {-1, -1};
// Where files sent into chats go; part of the account data.
std::string s_webModuleUrl;

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(s_signalPipe[1], &byte, 1);
}

void Say(const QString &name, const QString &value)
{
    std::printf("%s=%s\n", qPrintable(name), qPrintable(value));
    std::fflush(stdout);
}

void SendAccountData(ChatServiceSimulator &service, const std::string &to, const std::string &kbUrl)
{
    visitors::Account account;
    account.accountId = "demo-account";
    account.displayName = "Demo Agent";
    account.key = "demo-key";
    account.kbUrl = kbUrl;
    account.webModuleUrl = s_webModuleUrl;
    service.Send(*visitors::NoticeStanza(to, visitors::AccountData(account)));
}

// The shop's web visitors. Each arrives, walks the shop's pages and leaves.
// Bob asks for a chat soon after the agent signed in, and after him a new
// caller comes every minute or two, walks a page or two and asks too; once
// an agent is in the chat, the caller writes and answers the agent. A
// request nobody accepts is withdrawn after a while: the caller leaves. The
// visitor's room is played here too: what the agent says in it arrives
// through the server's relay and is acknowledged from the room. A crowd
// (for measuring) brings no callers but Bob, so its runs stay alike.
// A visitor's state changes only when this service says so: 1 browsing,
// 3 invited by the agent, 8 requesting a chat, 6 chatting, 10 chat ended;
// 15 tells that the visitor left.
class DemoVisitors
{
public:
    explicit DemoVisitors(ChatServiceSimulator &service) : m_service(service) {}

    // The colleague's full JID, who takes the chats transferred to it.
    void SetColleague(const std::string &jid) { m_colleague = jid; }

    // An agent signed in (the last one is who hears the visitors) and hears
    // of everyone on the site: a chat of the agent's earlier session ended
    // with it, a request for a chat stands.
    void SignedIn(const std::string &jid)
    {
        m_agent = jid;
        ++m_signIns;
        for (auto &[sid, v] : m_visitors) {
            if (v.state == 3 || v.state == 6) {
                v.state = 10;
                v.nextLine = 0;
                if (!v.leave)
                    v.leave = m_now + kStayAfterChatSeconds;
            }
            ShowPage(v);
            if (v.state == 8)
                Send(visitors::VisitorInfo(v.sid, {{"state", "8"}, {"display-name", v.name}, {"hash", v.hash}}));
        }
        for (const std::string &sid : m_crowd)
            ShowInCrowd(sid);
    }
    const std::string &Agent() const { return m_agent; }
    int SignIns() const { return m_signIns; }

    void SetCrowd(int count, int churn, int churnAfter, int redraws = 0)
    {
        m_crowdSize = count;
        m_churn = churn;
        m_churnAfter = churnAfter;
        m_redraws = m_redrawsAsked = redraws;
    }

    // Ten times a second: the crowd's first visitor's next page.
    void TickRedraws()
    {
        if (m_agent.empty() || m_redraws <= 0 || m_now <= m_churnAfter || m_crowd.empty() || m_crowd.front() != "c-1")
            return;
        const auto &page = kPages[size_t(m_redraws) % std::size(kPages)];
        visitors::Page view{page[0], page[0], page[1], "http://search.demo/?q=lamp", {}, 0};
        view.pageId = "r" + std::to_string(m_redraws--);
        Send(visitors::Tracking("c-1", "hc-1", "Visitor 1", view));
        if (m_redraws == 0)
            std::fprintf(stderr, "demo: redraws done\n");
    }

    // Once a second.
    void Tick()
    {
        if (m_agent.empty())
            return;
        ++m_now;
        TickCrowd();
        for (const Plan &plan : m_scripted ? std::span<const Plan>() : std::span<const Plan>(kPlans))
            if (m_now == plan.arrive)
                Arrive(Newcomer(plan.sid, plan.name, plan.asks, plan.leave, 0));
        if (m_crowdSize == 0 && !m_scripted && m_now == m_nextCaller) {
            const size_t n = m_callers++;
            Arrive(Newcomer("v-" + std::to_string(201 + n), kCallerNames[n % std::size(kCallerNames)],
                            m_now + kCallerAsksAfterSeconds, 0, (n + 1) % std::size(kScripts)));
            m_nextCaller = m_now + kCallerEverySeconds[n % std::size(kCallerEverySeconds)];
        }
        for (auto it = m_visitors.begin(); it != m_visitors.end();)
            it = Step(it->second) ? std::next(it) : m_visitors.erase(it);
    }

    // A command of the agent; false when it is not about a visitor here.
    bool OnCommand(const visitors::Command &command)
    {
        if (command.type == "agent-typing") {
            // The visitor's session by its address: the resource is its id.
            const size_t slash = command.sessionId.find('/');
            const auto it = slash == std::string::npos ? m_visitors.end()
                                                       : m_visitors.find(command.sessionId.substr(slash + 1));
            if (it != m_visitors.end())
                Log(it->second, "sees the agent typing");
            return it != m_visitors.end();
        }
        const auto it = m_visitors.find(command.sessionId);
        if (it == m_visitors.end()) {
            // The service's answer about a visitor who is gone.
            if (!command.sessionId.empty()
                && (command.type == "is-visitor-online" || command.type == "accept-visitor-chat"
                    || command.type == "open-visitor-chat" || command.type == "get-visitor-info")) {
                Send(visitors::VisitorOffline(command.sessionId));
                return true;
            }
            return false;
        }
        Visitor &v = it->second;
        if (command.type == "accept-visitor-chat" && v.state == 8) {
            SetState(v, 6);
            Log(v, "chat accepted");
            Send(visitors::SessionNotification(v.sid, "Demo Agent has joined the chat."));
            v.nextLine = v.scripted ? 0 : m_now + kFirstLineSeconds;
        } else if (command.type == "open-visitor-chat" && (v.state == 1 || v.state == 10)) {
            // The agent wrote first: the visitor is invited and answers soon.
            SetState(v, 3);
            v.line = 0;
            v.nextLine = v.scripted ? 0 : m_now + 3;
        } else if (command.type == "get-visitor-info") {
            Send(visitors::VisitorInfo(v.sid, {{"state", std::to_string(v.state)}, {"display-name", v.name},
                                               {"hash", v.hash}}));
        } else if (command.type == "visitor-history") {
            Send(visitors::VisitorHistory(v.sid, HistoryOf(v)));
        } else if (command.type == "get-geolocation") {
            Send(visitors::Geolocation(v.sid, {"NO", "Oslo", "Oslo", "0150", "59.91", "10.75", "", "22",
                                              "Demo Broadband", "Demo Shop Visitors"}));
        } else if (command.type == "push-url-visitor" && !command.text.empty()) {
            // The visitor's browser opens the page: it is the next step of the walk.
            v.pushed = command.text;
            Log(v, "was shown " + command.text);
            ShowPage(v);
        } else if (command.type == "block-visitor") {
            Log(v, "was blocked");
            Send(visitors::StateChange(v.sid, 15));
            m_visitors.erase(it);
        } else if (command.type == "transfer-visitor-chat") {
            Transfer(v, command);
        } else if (v.offered && gloox::JID(command.from).bare() == gloox::JID(m_agent).bare()
                   && (command.type == "transfer-visitor-chat-accepted"
                       || command.type == "transfer-visitor-chat-declined")) {
            // The agent's answer to the colleague's offer.
            v.offered = false;
            const bool taken = command.type == "transfer-visitor-chat-accepted";
            Log(v, taken ? "was taken by the agent" : "was not taken by the agent");
            if (taken)
                SetState(v, 6);
        } else if (command.type == "transfer-visitor-chat-accepted") {
            // The colleague has the chat now; the visitor goes from the agent's view.
            Log(v, "went to the colleague");
            Send(visitors::TransferAccept(v.sid));
            m_visitors.erase(it);
        }
        return true;
    }

    // A message the agent sent to a visitor's room ("visitors.<id>@...").
    void OnRoomMessage(const gloox::Tag &message)
    {
        const std::string room = message.findAttribute("to");
        const auto it = m_visitors.find(RoomVisitor(room));
        if (it == m_visitors.end())
            return;
        Visitor &v = it->second;
        v.room = room.substr(0, room.find('/'));
        const gloox::Tag *x = message.findChild("x", "xmlns", "http://jabber.org/protocol/muc#user");
        if (x && x->findChild("decline") && v.state == 8) {
            // The agent rejected the request: no agent takes it, the
            // visitor is told so and browses on.
            Log(v, "was declined");
            Send(visitors::SessionNotification(v.sid, "No agent is available right now."));
            EndChat(v);
            return;
        }
        if (!message.findChild("body"))
            return;
        // The room's text is the HTML and the plain text, each in base64.
        const QByteArray body = QByteArray::fromStdString(message.findChild("body")->cdata());
        Log(v, "read: " + QByteArray::fromBase64(body.mid(body.indexOf(',') + 1)).toStdString());
        const std::string id = message.findAttribute("id");
        if (!v.receipts)
            Log(v, "sends no receipt");
        else if (!id.empty() && message.findChild("request", "xmlns", "urn:xmpp:receipts")) {
            gloox::Tag receipt("message");
            receipt.addAttribute("type", "groupchat");
            receipt.addAttribute("from", room.substr(0, room.find('/')) + '/' + v.sid);
            receipt.addAttribute("to", message.findAttribute("from"));
            receipt.addAttribute("id", id);
            new gloox::Tag(&receipt, "received", "xmlns", "urn:xmpp:receipts");
            m_service.Send(receipt);
        }
        Log(v, "heard the agent");
        // The visitor reads the answer and writes again soon.
        if (!v.scripted && v.state == 6 && v.line < kScripts[v.script].count)
            v.nextLine = m_now + kAnswerSeconds;
    }

    // The agent's presence in a visitor's room: leaving it ends the chat.
    void OnRoomPresence(const gloox::Tag &presence)
    {
        const std::string room = presence.findAttribute("to");
        const auto it = m_visitors.find(RoomVisitor(room));
        if (it == m_visitors.end())
            return;
        Visitor &v = it->second;
        v.room = room.substr(0, room.find('/'));
        if (presence.findAttribute("type") != "unavailable")
            return;
        if (v.state == 3 || v.state == 6) {
            Log(v, "was left by the agent");
            EndChat(v);
        }
    }

    // No visitors, callers or pages but those the control file brings.
    void SetScripted() { m_scripted = true; }

    // One line of the control file about a visitor (see the top of the
    // file); false when it is not one or names no visitor here.
    bool Control(const std::string &verb, const std::string &sid, const std::string &rest,
                 const std::string &colleague)
    {
        if (verb == "arrive") {
            Visitor v = Newcomer(sid, rest.empty() ? sid : rest, 0, 0, 0);
            v.scripted = true;
            Arrive(std::move(v));
            return true;
        }
        const auto it = m_visitors.find(sid);
        if (it == m_visitors.end())
            return false;
        Visitor &v = it->second;
        if (verb == "ask" && (v.state == 1 || v.state == 10)) {
            v.state = 8;
            v.asks = m_now;
            Log(v, "asks for a chat");
            Send(visitors::VisitorInfo(v.sid, {{"state", "8"}, {"display-name", v.name}, {"hash", v.hash}}));
        } else if (verb == "withdraw" && v.state == 8) {
            Log(v, "withdrew the chat request");
            Leave(v);
            m_visitors.erase(it);
        } else if (verb == "leave") {
            Log(v, v.state == 6 ? "left in the chat" : "left");
            Leave(v);
            m_visitors.erase(it);
        } else if (verb == "vanish") {
            // The service tells only that the visitor is gone; an open chat
            // stays for the agent to end.
            Log(v, "vanished");
            Send(visitors::StateChange(v.sid, 15));
            m_visitors.erase(it);
        } else if (verb == "say" && !rest.empty()) {
            Send(visitors::VisitorMessage(v.sid, rest));
            Log(v, "wrote " + rest);
        } else if ((verb == "typing" || verb == "paused") && !v.room.empty()) {
            gloox::Tag state("message");
            state.addAttribute("type", "groupchat");
            state.addAttribute("from", v.room + '/' + v.sid);
            state.addAttribute("to", m_agent);
            new gloox::Tag(&state, verb == "typing" ? "composing" : "paused", "xmlns",
                           "http://jabber.org/protocol/chatstates");
            m_service.Send(state);
        } else if (verb == "receipts" && (rest == "on" || rest == "off")) {
            v.receipts = rest == "on";
        } else if (verb == "decline") {
            // A transfer of the visitor's chat that the agent asked for.
            Send(visitors::TransferDecline(v.sid, "The agent is busy."));
            Log(v, "transfer declined");
        } else if (verb == "offer") {
            // The colleague has the visitor's chat and asks the agent to take it.
            v.state = 6;
            v.offered = true;
            m_service.Send(*visitors::NoticeStanza(m_agent, visitors::TransferRequest(v.sid, colleague, rest)));
        } else {
            return false;
        }
        return true;
    }

private:
    struct Plan
    {
        const char *sid;
        const char *name;
        int arrive;
        int asks; // 0: never
        int leave;
    };
    struct Visitor
    {
        std::string sid;
        std::string name;
        int asks = 0;  // when the visitor asks for a chat; 0: never
        int leave = 0; // when the visitor leaves; 0: not yet known
        size_t script = 0; // what the visitor says in a chat
        std::string hash;
        int state = 1;
        int arrived = 0;
        size_t page = 0;
        size_t line = 0;
        int nextLine = 0; // 0: nothing to say
        std::string pushed; // the page the agent pushed, shown until the next one
        std::vector<std::string> chats; // this visitor's earlier chats, for the history
        bool gone = false;
        bool scripted = false; // acts only when the control file says so
        bool receipts = true;  // its room acknowledges the agent's lines
        bool offered = false;  // the colleague asked the agent to take the chat
        std::string room;      // the room's bare address, once the agent is in it
    };
    static Visitor Newcomer(std::string sid, std::string name, int asks, int leave, size_t script)
    {
        Visitor v;
        v.sid = std::move(sid);
        v.name = std::move(name);
        v.asks = asks;
        v.leave = leave;
        v.script = script;
        return v;
    }
    static constexpr int kPageEverySeconds = 12;
    static constexpr int kLineEverySeconds = 25;
    static constexpr int kFirstLineSeconds = 3;
    static constexpr int kAnswerSeconds = 4;
    static constexpr int kCallerAsksAfterSeconds = 20;
    static constexpr int kWaitingLineSeconds = 5;
    static constexpr const char *kWaitingLine = "Is anyone there? I am waiting.";
    // A request unanswered this long is withdrawn.
    static constexpr int kWithdrawSeconds = 150;
    // A caller whose chat ended browses this long before leaving.
    static constexpr int kStayAfterChatSeconds = 60;
    // Bob's chat is over, or withdrawn, before the first caller comes.
    static constexpr int kFirstCallerSeconds = 90;
    static constexpr int kCallerEverySeconds[] = {75, 120, 60};
    static constexpr Plan kPlans[] = {
        {"v-101", "Alice Smith", 2, 0, 300},
        {"v-102", "Bob Jones", 5, 20, 400},
        {"v-103", "Carol <Guest>", 30, 0, 120},
    };
    static constexpr const char *kPages[][2] = {
        {"http://shop.demo/", "Home"},
        {"http://shop.demo/lamps?color=red&size=L", "Red lamps"},
        {"http://shop.demo/lamps/42", "Lamp \"Aurora\""},
        {"http://shop.demo/cart", "Your cart"},
    };

    // What happens in the chat, on stderr, for scripts that drive the demo.
    static void Log(const Visitor &v, const std::string &what)
    {
        std::fprintf(stderr, "demo: visitor %s %s\n", v.sid.c_str(), what.c_str());
        std::fflush(stderr);
    }

    void Send(const visitors::Notice &notice) { m_service.Send(*visitors::NoticeStanza(m_agent, notice)); }

    void SetState(Visitor &v, int state)
    {
        v.state = state;
        Send(visitors::StateChange(v.sid, state));
    }

    void Arrive(Visitor v)
    {
        v.hash = "h-" + v.sid;
        v.arrived = m_now;
        Walk(m_visitors[v.sid] = std::move(v));
    }

    // What the visitor does this second; false once the visitor left.
    bool Step(Visitor &v)
    {
        if (v.scripted)
            return true;
        if (m_now == v.leave || (v.state == 8 && m_now - v.asks >= kWithdrawSeconds)) {
            if (v.state == 8)
                Log(v, "withdrew the chat request");
            Leave(v);
            return false;
        }
        if (m_now == v.asks && v.state == 1) {
            v.state = 8;
            Log(v, "asks for a chat");
            Send(visitors::VisitorInfo(v.sid, {{"state", "8"}, {"display-name", v.name}, {"hash", v.hash}}));
        } else if (v.asks && m_now == v.asks + kWaitingLineSeconds && v.state == 8) {
            // Nobody answered yet: the visitor writes into the waiting chat.
            Send(visitors::VisitorMessage(v.sid, kWaitingLine));
            Log(v, "wrote while waiting");
        } else if ((v.state == 1 || v.state == 10) && m_now != v.arrived
                   && (m_now - v.arrived) % kPageEverySeconds == 0) {
            Walk(v);
        }
        if (v.nextLine && m_now >= v.nextLine)
            Write(v);
        return !v.gone;
    }

    void Walk(Visitor &v)
    {
        ++v.page;
        v.pushed.clear();
        ShowPage(v);
    }

    // The page the visitor is on, to the agent.
    void ShowPage(const Visitor &v)
    {
        const auto &page = kPages[(v.page + std::size(kPages) - 1) % std::size(kPages)];
        visitors::Page view{page[0], page[0], page[1], v.page == 1 ? "http://search.demo/?q=lamp" : "", {}, 0};
        if (!v.pushed.empty())
            view = {v.pushed, v.pushed, v.pushed, page[0], {}, 0};
        view.pageId = "p" + std::to_string(v.page) + (v.pushed.empty() ? "" : "-pushed");
        Send(visitors::Tracking(v.sid, v.hash, v.name, view));
    }

    // Only the colleague takes chats; the service asks it, and its answer
    // comes back as a command.
    void Transfer(Visitor &v, const visitors::Command &command)
    {
        const std::optional<visitors::Transfer> transfer = visitors::ReadTransfer(command.text);
        const std::string to = transfer ? gloox::JID(transfer->agent).bare() : std::string();
        if (to.empty() || to != gloox::JID(m_colleague).bare()) {
            Log(v, "was not transferred");
            Send(visitors::TransferDecline(v.sid, "The agent is not available."));
            return;
        }
        Log(v, "is offered to the colleague");
        m_service.Send(*visitors::NoticeStanza(m_colleague,
                                               visitors::TransferRequest(v.sid, command.from, transfer->message)));
    }

    void Write(Visitor &v)
    {
        if (v.state == 3)
            SetState(v, 6);
        const Script &script = kScripts[v.script];
        if (v.line < script.count) {
            Send(visitors::VisitorMessage(v.sid, script.lines[v.line++]));
            Log(v, "wrote line " + std::to_string(v.line));
            v.nextLine = m_now + kLineEverySeconds;
            return;
        }
        if (script.leavesInChat) {
            // Closes the browser with the chat open: the visitor is gone.
            Log(v, "left in the chat");
            Leave(v);
            v.gone = true;
            return;
        }
        // Said everything: the chat ends and the visitor browses on.
        EndChat(v);
    }

    // The visitor's chat is over (it said everything, the agent left or
    // rejected it): the visitor browses on a while, then leaves.
    void EndChat(Visitor &v)
    {
        if (v.state == 3 || v.state == 6)
            v.chats.push_back("a chat with Demo Agent, " + std::to_string(v.line) + " lines from the visitor");
        v.nextLine = 0;
        SetState(v, 10);
        if (!v.leave || v.leave <= m_now)
            v.leave = m_now + kStayAfterChatSeconds;
    }

    // The visitor leaves the site. A chat still open ends first, as the
    // service tells its agent, so that no chat waits for a visitor who is gone.
    void Leave(Visitor &v)
    {
        if (v.state == 3 || v.state == 6) {
            Send(visitors::SessionNotification(v.sid, v.name + " has left the chat."));
            SetState(v, 10);
        }
        Send(visitors::StateChange(v.sid, 15));
    }

    // The history page's text: the visitor's earlier chats in this run.
    static std::string HistoryOf(const Visitor &v)
    {
        if (v.chats.empty())
            return "<p>No earlier chats with " + Escaped(v.name) + ".</p>";
        std::string text;
        for (size_t i = 0; i < v.chats.size(); ++i)
            text += "<p>" + std::to_string(i + 1) + ". " + Escaped(v.name) + ": " + Escaped(v.chats[i]) + "</p>";
        return text;
    }

    void TickCrowd()
    {
        if (m_crowdArrived < m_crowdSize) {
            while (m_crowdArrived < m_crowdSize)
                ArriveInCrowd();
            return;
        }
        // The churn follows the redraws, with a pause.
        if (m_now <= m_churnAfter + (m_redrawsAsked > 0 ? m_redrawsAsked / 10 + 15 : 0))
            return;
        // The visitor who is redrawn stays.
        const bool keepFirst = m_redrawsAsked > 0 && !m_crowd.empty() && m_crowd.front() == "c-1";
        const size_t first = keepFirst ? 1 : 0;
        for (int i = 0; i < m_churn && m_crowd.size() > first; ++i) {
            Send(visitors::StateChange(m_crowd[first], 15));
            m_crowd.erase(m_crowd.begin() + std::ptrdiff_t(first));
            ArriveInCrowd();
        }
    }

    void ArriveInCrowd()
    {
        m_crowd.push_back("c-" + std::to_string(++m_crowdArrived));
        ShowInCrowd(m_crowd.back());
    }

    // A visitor of the crowd ("c-<n>") on its one page.
    void ShowInCrowd(const std::string &sid)
    {
        const std::string n = sid.substr(2);
        const auto &page = kPages[std::stoul(n) % std::size(kPages)];
        const visitors::Page view{page[0], page[0], page[1], "http://search.demo/?q=lamp", "p1", 0};
        Send(visitors::Tracking(sid, "hc-" + n, "Visitor " + n, view));
    }

    ChatServiceSimulator &m_service;
    bool m_scripted = false;
    std::string m_agent;
    std::string m_colleague;
    int m_signIns = 0;
    int m_now = 0;
    std::map<std::string, Visitor> m_visitors;
    int m_crowdSize = 0;
    int m_churn = 0;
    int m_churnAfter = 0;
    int m_redraws = 0; // still to come
    int m_redrawsAsked = 0;
    int m_crowdArrived = 0; // ever, so each newcomer has a new session
    int m_nextCaller = kFirstCallerSeconds;
    size_t m_callers = 0; // ever, so each caller has a new session
    std::deque<std::string> m_crowd; // present, the earliest first
};

// The agent's data files kept on the service, as the program stores them:
// the agent's own quick texts start as the program's defaults, so that what
// the agent changes is kept for the demo's run (the program stores nothing
// before it has read its own file from the service).
class DemoDataFiles
{
public:
    DemoDataFiles()
    {
        QFile defaults(QStringLiteral(":/demo/QuickTextDefaults.xml"));
        if (defaults.open(QIODevice::ReadOnly))
            m_files["server/quicktext.xml"] = defaults.readAll().toStdString();
    }

    // True when the request was a data file's fetch or store, now answered.
    bool Answer(ChatServiceSimulator &service, const gloox::Tag &request)
    {
        const gloox::Tag *info = request.findChild("info", "xmlns", kNamespace);
        if (!info)
            return false;
        const std::string name = info->findAttribute("type") + "/" + info->findAttribute("key");
        if (request.findAttribute("type") == "set") {
            const gloox::Tag *data = request.findChild("data", "xmlns", kNamespace);
            m_files[name] =
                data ? QByteArray::fromBase64(QByteArray::fromStdString(data->cdata())).toStdString() : std::string();
            service.Reply(request);
            std::fprintf(stderr, "demo: the agent stored %s\n", name.c_str());
            return true;
        }
        // Every file the service does not keep is empty.
        gloox::Tag reply("iq");
        reply.addAttribute("type", "result");
        reply.addAttribute("id", request.findAttribute("id"));
        reply.addAttribute("to", request.findAttribute("from"));
        reply.addChild(info->clone());
        auto *data = new gloox::Tag(&reply, "data");
        data->addAttribute("xmlns", kNamespace);
        data->setCData(QByteArray::fromStdString(m_files[name]).toBase64().toStdString());
        service.Send(reply);
        return true;
    }

private:
    static constexpr const char *kNamespace = "quelvar:data";
    std::map<std::string, std::string> m_files;
};

// Answers what the agent's program asks the chat service. Each sign-in of
// the demo agent (its session's first presence, which the relay tells the
// service of) brings the account data and the visitors on the site, and a request for
// the account data brings it again; a change of password succeeds; commands
// about the visitors go to them; every other request is acknowledged
// without data.
void AnswerService(ChatServiceSimulator &service, const std::string &kbUrl, const std::string &agent,
                   std::set<std::string> &present, DemoVisitors &shop, DemoDataFiles &files)
{
    while (auto request = service.Expect([](const gloox::Tag &t) { return t.name() == "iq"; }, 0)) {
        const std::string type = request->findAttribute("type");
        if (type != "get" && type != "set")
            continue;
        const std::string from = request->findAttribute("from");
        if (files.Answer(service, *request))
            continue;
        const std::optional<visitors::Command> command = visitors::ReadCommand(*request);
        if (command && command->type == "get-extra-info") {
            SendAccountData(service, from, kbUrl);
            continue;
        }
        if (command && command->type == "change-password") {
            service.Send(*visitors::NoticeStanza(from, visitors::ChangePassword(true)));
            continue;
        }
        service.Reply(*request);
        if (command)
            shop.OnCommand(*command);
    }
    while (auto message = service.Expect([](const gloox::Tag &t) { return t.name() != "iq"; }, 0)) {
        if (message->name() == "message") {
            shop.OnRoomMessage(*message);
        } else if (message->name() == "presence" && gloox::JID(message->findAttribute("from")).bare() == agent) {
            // The agent's presence in a visitor's room is its joining or
            // leaving that chat, never a sign-in or a sign-out.
            if (IsRoom(message->findAttribute("to"))) {
                shop.OnRoomPresence(*message);
                continue;
            }
            // A change of the agent's status is no sign-in.
            const std::string from = message->findAttribute("from");
            if (message->findAttribute("type") == "unavailable")
                present.erase(from);
            if (!message->findAttribute("type").empty() || !present.insert(from).second)
                continue;
            std::fprintf(stderr, "demo: agent %s signed in\n", from.c_str());
            std::fflush(stderr);
            SendAccountData(service, from, kbUrl);
            shop.SignedIn(from);
        }
    }
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser options;
    options.addHelpOption();
    const QCommandLineOption crowdOption(QStringLiteral("visitors"), QStringLiteral("A crowd of N more visitors."),
                                         QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption churnOption(QStringLiteral("churn"),
                                         QStringLiteral("K of the crowd leave and K arrive each second."),
                                         QStringLiteral("K"), QStringLiteral("0"));
    const QCommandLineOption churnAfterOption(QStringLiteral("churn-after"),
                                              QStringLiteral("Seconds after the agent signed in."),
                                              QStringLiteral("S"), QStringLiteral("0"));
    const QCommandLineOption kbUrlOption(
        QStringLiteral("kb-url"),
        QStringLiteral("Give the agent this knowledge-base address on 127.0.0.0/8 instead of the demo's own, to try "
                       "a service that misbehaves."),
        QStringLiteral("URL"));
    const QCommandLineOption redrawsOption(QStringLiteral("redraws"),
                                           QStringLiteral("The crowd's first visitor changes pages R times."),
                                           QStringLiteral("R"), QStringLiteral("0"));
    const QCommandLineOption controlOption(
        QStringLiteral("control"), QStringLiteral("A quiet site that plays what the lines appended to FILE ask."),
        QStringLiteral("FILE"));
    options.addOptions({crowdOption, churnOption, churnAfterOption, kbUrlOption, redrawsOption, controlOption});
    options.process(app);
    const QUrl otherKbUrl(options.value(kbUrlOption));
    if (options.isSet(kbUrlOption)
        && (otherKbUrl.scheme() != QLatin1String("http") || !QHostAddress(otherKbUrl.host()).isLoopback()
            || QHostAddress(otherKbUrl.host()).protocol() != QAbstractSocket::IPv4Protocol)) {
        std::fprintf(stderr, "--kb-url must be an http address on 127.0.0.0/8\n");
        return 2;
    }

    // A colleague to chat with, and the visitors' rooms played by the service.
    ProsodyFixture::Options serverOptions;
    serverOptions.accounts = {{QStringLiteral("agent"), QStringLiteral("agent-secret")},
                              {QStringLiteral("sim"), QStringLiteral("sim-secret")},
                              {QStringLiteral("colleague"), QStringLiteral("colleague-secret")}};
    serverOptions.extraConfig << QStringLiteral("quelvar_relay_rooms = true");
    // The service is no colleague of the agents: outside their roster group,
    // it hears of their sign-ins and sign-outs from the relay instead.
    serverOptions.simulatorInGroup = false;
    serverOptions.extraConfig << QStringLiteral("quelvar_relay_signins = true");
    ProsodyFixture server(serverOptions);
    if (!server.Start()) {
        std::fprintf(stderr, "the demo chat service did not start: %s\n", qPrintable(server.ErrorText()));
        return 1;
    }
    const auto client = [&](const QString &user, const QString &resource) {
        return ChatServiceSimulator::Config{QStringLiteral("127.0.0.1"), server.Port(), server.Jid(user),
                                            server.PasswordOf(user), resource};
    };
    ChatServiceSimulator service(client(QStringLiteral("sim"), QStringLiteral("service")));
    ChatServiceSimulator colleague(client(QStringLiteral("colleague"), QStringLiteral("desk")));
    if (!service.Start() || !colleague.Start()) {
        std::fprintf(stderr, "the demo's simulated service and colleague did not sign in: %s %s\n",
                     qPrintable(service.ErrorText()), qPrintable(colleague.ErrorText()));
        return 1;
    }

    harness::KBServiceMock knowledgeBase;
    if (!knowledgeBase.Start()) {
        std::fprintf(stderr, "the demo knowledge-base service did not start\n");
        return 1;
    }
    knowledgeBase.AddDemoData();
    const std::string kbUrl = options.isSet(kbUrlOption) ? otherKbUrl.toString().toStdString() : knowledgeBase.Url();
    std::set<std::string> present; // the demo agent's sessions

    QTemporaryDir uploads;
    harness::UploadEndpoint uploadEndpoint(uploads.path());
    if (!uploads.isValid() || !uploadEndpoint.Start()) {
        std::fprintf(stderr, "the demo upload address did not start\n");
        return 1;
    }
    s_webModuleUrl = uploadEndpoint.Url().toStdString();

    const QString agent = QStringLiteral("agent");
    const std::string colleagueJid = server.Jid(QStringLiteral("colleague")).toStdString() + "/desk";
    DemoVisitors shop(service);
    DemoDataFiles files;
    shop.SetColleague(colleagueJid);
    if (options.isSet(controlOption))
        shop.SetScripted();
    shop.SetCrowd(std::max(0, options.value(crowdOption).toInt()), std::max(0, options.value(churnOption).toInt()),
                  options.value(churnAfterOption).toInt(), std::max(0, options.value(redrawsOption).toInt()));

    Say(QStringLiteral("address"), server.Address());
    Say(QStringLiteral("user"), server.Jid(agent));
    Say(QStringLiteral("password"), server.PasswordOf(agent));
    Say(QStringLiteral("cafile"), server.CaFile());
    Say(QStringLiteral("kb"), QString::fromStdString(kbUrl));
    Say(QStringLiteral("uploads"), uploadEndpoint.Url());
    std::printf("ready\n");
    std::fflush(stdout);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const int signIns = shop.SignIns();
        AnswerService(service, kbUrl, server.Jid(agent).toStdString(), present, shop, files);
        // The colleague is online to a newly signed-in agent, who may
        // transfer chats to it.
        if (shop.SignIns() != signIns) {
            gloox::Tag presence("presence");
            presence.addAttribute("to", shop.Agent());
            colleague.Send(presence);
        }
        // The colleague's client acknowledges the agent's lines, as the
        // program asks, and accepts the chats the service offers it after a
        // moment; the rest of its mail is of no interest.
        while (const auto mail = colleague.Expect([](const gloox::Tag &) { return true; }, 0)) {
            if (const std::optional<visitors::Notice> notice = visitors::ReadNotice(*mail);
                notice && notice->type == "transfer-visitor-chat-request") {
                const std::string sid = notice->sessionId;
                QTimer::singleShot(3000, &app, [&colleague, &shop, sid] {
                    colleague.Send(*visitors::CommandStanza("transfer-visitor-chat-accepted", sid, shop.Agent()));
                });
                continue;
            }
            if (const gloox::Tag *body = mail->name() == "message" ? mail->findChild("body") : nullptr) {
                std::fprintf(stderr, "demo: colleague read: %s\n", body->cdata().c_str());
                std::fflush(stderr);
            }
            const std::string id = mail->findAttribute("id");
            if (mail->name() != "message" || id.empty() || !mail->findChild("request", "xmlns", "urn:xmpp:receipts"))
                continue;
            gloox::Tag receipt("message");
            receipt.addAttribute("to", mail->findAttribute("from"));
            receipt.addAttribute("type", "chat");
            receipt.addAttribute("id", id);
            new gloox::Tag(&receipt, "received", "xmlns", "urn:xmpp:receipts");
            receipt.findChild("received")->addAttribute("id", id);
            colleague.Send(receipt);
        }
    });
    poll.start(kPollMs);

    // The control file's lines, read as they are appended.
    QFile control(options.value(controlOption));
    QByteArray controlText;
    const auto colleagueSays = [&](const std::string &text) {
        gloox::Tag message("message");
        message.addAttribute("to", server.Jid(agent).toStdString());
        message.addAttribute("type", "chat");
        new gloox::Tag(&message, "body", text);
        colleague.Send(message);
    };
    QTimer controlTimer;
    QObject::connect(&controlTimer, &QTimer::timeout, [&] {
        if (shop.Agent().empty() || (!control.isOpen() && !control.open(QIODevice::ReadOnly)))
            return;
        controlText += control.readAll();
        for (qsizetype end; (end = controlText.indexOf('\n')) >= 0; controlText.remove(0, end + 1)) {
            const std::string line = controlText.left(end).trimmed().toStdString();
            const size_t space = line.find(' ');
            const std::string verb = line.substr(0, space);
            const std::string tail = space == std::string::npos ? std::string() : line.substr(space + 1);
            const size_t second = tail.find(' ');
            const std::string sid = tail.substr(0, second);
            const std::string rest = second == std::string::npos ? std::string() : tail.substr(second + 1);
            bool done = true;
            if (verb == "colleague" && !tail.empty())
                colleagueSays(tail);
            else if (verb == "uploads" && (sid == "on" || sid == "off"))
                uploadEndpoint.SetRefusing(sid == "off", QByteArray::fromStdString(rest).toInt() * 1000);
            else
                done = shop.Control(verb, sid, rest, colleagueJid);
            std::fprintf(stderr, "demo: control %s%s\n", done ? "" : "not done: ", line.c_str());
            std::fflush(stderr);
        }
    });
    // Often, so that a script can time a line between two clicks.
    if (options.isSet(controlOption))
        controlTimer.start(kControlPollMs);

    size_t line = 0;
    QTimer colleagueTimer;
    QObject::connect(&colleagueTimer, &QTimer::timeout,
                     [&] { colleagueSays(kColleagueLines[line++ % std::size(kColleagueLines)]); });
    if (!options.isSet(controlOption))
        colleagueTimer.start(kColleagueEveryMs);

    QTimer shopTimer;
    QObject::connect(&shopTimer, &QTimer::timeout, [&] { shop.Tick(); });
    shopTimer.start(1000);
    QTimer redrawTimer;
    QObject::connect(&redrawTimer, &QTimer::timeout, [&] { shop.TickRedraws(); });
    redrawTimer.start(100);

    // Stops cleanly on Ctrl+C or a kill, so Prosody goes with it.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_signalPipe) != 0)
        return 1;
    QSocketNotifier stop(s_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);

    const int result = app.exec();
    colleague.Stop();
    service.Stop();
    knowledgeBase.Stop();
    server.Stop();
    std::printf("stopped\n");
    return result;
}
