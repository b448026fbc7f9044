#pragma once
// CVisitorRouter: the registry of the visitors the chat service reports and
// the router of its messages about them. Every server message that the
// plug-in does not read itself arrives here and goes to one handler by its
// type word; the handlers create, feed and remove visitors, tell the
// visitor list and the visitor chat pane, raise alerts and answer the
// service. A once-a-second tick keeps the visitors' times fresh, asks the
// service about visitors that went quiet and moves the agent to Away and
// back when the agent is idle.
//
// The plug-in, the list, the pane, the clock, the idle source and the
// message box are injected, so tests drive the router without windows.
//
// Threading: user-interface thread only.

#include "bus/ChatPayloads.h"
#include "bus/Payloads.h"
#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/Visitor.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

class CContactList;

// What the router needs from the plug-in.
class IVisitorRouterHost
{
public:
    virtual ~IVisitorRouterHost() = default;
    virtual void SendServerCommand(const std::string &sessionId, const QString &text, const std::string &type) = 0;
    virtual void RaiseAlert(int kind, const QString &title, const QString &text) = 0;
    virtual void SetOwnPresence(QVPlugin::PresenceState state) = 0;
    virtual QVPlugin::PresenceState OwnState() const = 0;
    virtual bool IsInDepartment(const QString &departmentId) const = 0;
    virtual CContactList &Contacts() = 0;
    // The agent; new visitors' chat addresses lie in its domain.
    virtual const QVPlugin::ChatContact &Self() const = 0;
    // The setting "chat.idle.minutes"; 0 switches idle auto-away off.
    virtual int IdleMinutes() = 0;
    // A short notice in the main frame's status bar.
    virtual void ShowStatus(const QString &text) = 0;
};

// The visitor list as the router drives it.
class IVisitorListView
{
public:
    virtual ~IVisitorListView() = default;
    virtual void AddVisitor(CVisitor *visitor) = 0;
    virtual void UpdateVisitor(CVisitor *visitor) = 0;
    // The visitor is about to be deleted; a selection of it is cleared.
    virtual void RemoveVisitor(CVisitor *visitor) = 0;
    // False when the list does not hold the visitor.
    virtual bool SelectVisitor(CVisitor *visitor) = 0;
    // The once-a-second refresh of every visitor's times.
    virtual void RefreshTimes() = 0;
};

// The visitor chat pane as the router drives it. Chats are found by the
// visitor's chat address.
class IVisitorChatPane
{
public:
    virtual ~IVisitorChatPane() = default;
    virtual bool HasOpenChat(const QVPlugin::Jid &jid) const = 0;
    virtual void EndVisitorChat(const QVPlugin::Jid &jid) = 0;
    virtual void AddVisitorMessage(CVisitor &visitor, const QString &text) = 0;
    virtual void AddSessionNotification(CVisitor &visitor, const QString &text) = 0;
    // The visitor's history changed; shown again when the pane shows it.
    virtual void OnHistoryChanged(CVisitor &visitor) = 0;
    virtual void OpenVisitorChat(CVisitor &visitor, int role) = 0;
    virtual void ShowVisitor(CVisitor *visitor) = 0;
    virtual void ActivateVisitorChat(CVisitor &visitor) = 0;
    // The visitor is about to be deleted; the pane lets go of it.
    virtual void ForgetVisitor(const CVisitor *visitor) = 0;
};

// How long the agent has not touched keyboard or mouse.
class IIdleSource
{
public:
    virtual ~IIdleSource() = default;
    virtual std::int64_t IdleMilliseconds() = 0;
};

class CVisitorRouter
{
public:
    enum class PromptIcon { Information, Question };
    // Shows the text (plain text) in a message box; for a question, true
    // when the agent answers Yes.
    using Prompt = std::function<bool(PromptIcon icon, const QString &text)>;

    // Role of an agent who joins a visitor's chat as a participant.
    static constexpr int kParticipantRole = 3;
    static constexpr int kProbeTicks = 60;
    // Seconds without tracking data before the service is asked whether the
    // visitor is still there.
    static constexpr std::int64_t kQuietSeconds = 60;
    // Visitors kept at most; a flood of session ids cannot grow the
    // registry without bound. New visitors beyond it are dropped.
    static constexpr size_t kMaxVisitors = 10000;

    // None of the references is owned; all must outlive the router.
    CVisitorRouter(IVisitorRouterHost &host, IVisitorListView &list, IVisitorChatPane &pane, IIdleSource &idle,
                   Prompt prompt, CVisitor::Clock clock = CVisitor::SystemClock());
    ~CVisitorRouter();
    CVisitorRouter(const CVisitorRouter &) = delete;
    CVisitorRouter &operator=(const CVisitorRouter &) = delete;

    void RouteServerMessage(const QVPlugin::ServerMessage &message);

    // The visitors by id, in id order; the router owns them.
    const std::map<std::string, std::unique_ptr<CVisitor>> &Visitors() const { return m_visitors; }
    CVisitor *FindVisitorById(const std::string &id) const;
    // A full JID matches exactly; a JID without resource by its bare part.
    CVisitor *FindVisitorByJid(const QVPlugin::Jid &jid) const;
    // The visitor in a chat who has waited longest for an answer; on equal
    // waits the first by id.
    CVisitor *LongestWaitingVisitor() const;
    bool AnyVisitorWaiting() const { return LongestWaitingVisitor() != nullptr; }

    // Tracking data (form-encoded) and visitor info for the visitor of the
    // session; creates the visitor when it is new. Null when nothing could
    // be created or the registry is full.
    CVisitor *ApplyTracking(QByteArrayView text, const std::string &sessionId, const Tessary::FlatXml &info);
    void RemoveVisitor(const std::string &id);
    void RemoveAllVisitors();
    void ProbeIdleVisitors();

    // The one-second timer.
    void Tick();
    // The agent chose a presence from the menu; only Online lets the idle
    // rule change it again.
    void ChoosePresence(QVPlugin::PresenceState state);
    // "Next Response": the longest waiting visitor's chat is brought forward.
    void NextResponse();

    bool IdleAwayEnabled() const { return m_idleAwayEnabled; }

    // The HTML table of a comma list of geolocation fields; empty when the
    // text has too few fields. Values are escaped.
    static std::string GeolocationHtml(QByteArrayView text);

private:
    void OnNotify(const QVPlugin::ServerMessage &message);
    void OnVisitorInfo(const QVPlugin::ServerMessage &message);
    void OnStateChange(CVisitor &visitor, const QVPlugin::ServerMessage &message);
    void OnVisitorMessage(CVisitor &visitor, const QString &text);
    void OnTransferRequest(const QVPlugin::ServerMessage &message);
    void AnnounceCaller(CVisitor &visitor);
    void UpdateIdleAway();
    // A request that stood is gone without an answer: the agent is told.
    void TellWithdrawn(const CVisitor &visitor);
    void RemoveVisitorsWhoLeft();

    IVisitorRouterHost &m_host;
    IVisitorListView &m_list;
    IVisitorChatPane &m_pane;
    IIdleSource &m_idle;
    Prompt m_prompt;
    CVisitor::Clock m_clock;
    std::map<std::string, std::unique_ptr<CVisitor>> m_visitors;
    int m_tickCount = 0;
    bool m_idleAwayEnabled = true;
    // What the idle rule last asked for and the plug-in has not yet taken
    // on: asked once, not again each second while the state catches up.
    std::optional<QVPlugin::PresenceState> m_idleAsked;
    // A flood of new sessions raises one "New Visitor" alert a second.
    std::int64_t m_lastNewVisitorAlert = INT64_MIN;
    // A full registry logs the visitors it drops once a second.
    std::int64_t m_lastDropLogged = INT64_MIN;
    // Expires with the router; a message box's modal loop may outlive it.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
