#include "plugins/chat/model/VisitorRouter.h"

#include "plugins/chat/ChatLog.h"
#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/NetworkText.h"
#include "plugins/chat/model/UiThread.h"

#include <QUrl>

#include <algorithm>
#include <climits>
#include <vector>

using QVPlugin::Jid;
using QVPlugin::PresenceState;
using QVPlugin::ServerMessage;
using Tessary::CapText;
using Tessary::FromNetworkText;
using Tessary::LeadingInteger;

namespace {

const QString kNewVisitor = QStringLiteral("New Visitor");
const QString kNewCaller = QStringLiteral("New Caller");

enum AlertKind { AlertCaller = 1, AlertVisitorMessage = 2, AlertNewVisitor = 3, AlertTransfer = 4 };

QString NetworkText(const std::string &text)
{
    return CapText(FromNetworkText(QByteArrayView(text)));
}

std::string Utf8(const QString &text)
{
    return CapText(text).toStdString();
}

int StateValue(const QString &text)
{
    return int(qBound(qint64(INT_MIN), LeadingInteger(text), qint64(INT_MAX)));
}

} // namespace

CVisitorRouter::CVisitorRouter(IVisitorRouterHost &host, IVisitorListView &list, IVisitorChatPane &pane,
                               IIdleSource &idle, Prompt prompt, CVisitor::Clock clock)
    : m_host(host), m_list(list), m_pane(pane), m_idle(idle), m_prompt(std::move(prompt)), m_clock(std::move(clock))
{
}

CVisitorRouter::~CVisitorRouter() = default;

void CVisitorRouter::RouteServerMessage(const ServerMessage &message)
{
    Tessary::AssertUiThread();
    const std::string &type = message.type;
    if (type == "qv-visitor-tracking") {
        ApplyTracking(QByteArrayView(message.text), message.sessionId, Tessary::FlatXml());
        return;
    }
    if (type == "qv-vt-notify") {
        OnNotify(message);
        return;
    }
    if (type == "qv-visitor-info") {
        OnVisitorInfo(message);
        return;
    }
    if (type == "transfer-visitor-chat-request") {
        OnTransferRequest(message);
        return;
    }
    if (type == "transfer-visitor-chat-decline") {
        m_prompt(PromptIcon::Information,
                 QStringLiteral("The visitor chat transfer was declined. Reason:\n%1").arg(NetworkText(message.text)));
        return;
    }
    if (type == "change-password") {
        m_prompt(PromptIcon::Information, message.text == "SUCCESS"
                                              ? QStringLiteral("Your password has been changed.")
                                              : QStringLiteral("An error occurred while changing your password."));
        return;
    }

    static const char *const kVisitorTypes[] = {
        "visitor-state-change", "visitor-message", "session-notification", "visitor-history", "geolocation",
        "chat-already-answered", "visitor-offline", "transfer-visitor-chat-accept",
    };
    if (std::find(std::begin(kVisitorTypes), std::end(kVisitorTypes), type) == std::end(kVisitorTypes)) {
        qCDebug(lcChat) << "server message of unknown type dropped";
        return;
    }
    CVisitor *visitor = FindVisitorById(message.sessionId);
    if (!visitor)
        return;
    if (type == "visitor-state-change") {
        OnStateChange(*visitor, message);
    } else if (type == "visitor-message") {
        OnVisitorMessage(*visitor, NetworkText(message.text));
    } else if (type == "session-notification") {
        m_pane.AddSessionNotification(*visitor, NetworkText(message.text));
    } else if (type == "visitor-history") {
        visitor->SetHistory(FromNetworkText(QByteArrayView(message.text)));
        m_pane.OnHistoryChanged(*visitor);
    } else if (type == "geolocation") {
        // Whatever it says, the request has its answer.
        visitor->ClearGeolocationAsked();
        if (message.text.empty())
            return;
        const std::string html = GeolocationHtml(QByteArrayView(message.text));
        if (html.empty())
            return;
        visitor->SetGeolocation(html);
        m_list.UpdateVisitor(visitor);
    } else {
        // The chat was answered elsewhere, the visitor left, or the
        // transfer went through: the visitor is no longer ours.
        if (type == "visitor-offline")
            TellWithdrawn(*visitor);
        RemoveVisitor(visitor->id());
    }
}

void CVisitorRouter::OnNotify(const ServerMessage &message)
{
    const QList<QByteArray> words = Tessary::SplitWords(QByteArrayView(message.text));
    if (words.size() != 2)
        return;
    const std::string id = words[0].left(Tessary::kMaxFieldLength).toStdString();
    const CVisitor *visitor = FindVisitorById(id);
    if (visitor && QByteArrayView(visitor->hash()) == QByteArrayView(words[1]))
        return;
    m_host.SendServerCommand(id, visitor ? FromNetworkText(QByteArrayView(visitor->hash())) : QString(),
                             "get-visitor-info");
}

void CVisitorRouter::OnVisitorInfo(const ServerMessage &message)
{
    const Tessary::FlatXml info = Tessary::FlatXmlReader(QByteArrayView(message.text));
    std::string sessionId = message.sessionId;
    if (sessionId.empty())
        sessionId = Utf8(info.value(QStringLiteral("visitor-id")));
    const QByteArray tracking = info.value(QStringLiteral("name-values")).toUtf8();
    ApplyTracking(tracking, sessionId, info);
}

CVisitor *CVisitorRouter::ApplyTracking(QByteArrayView text, const std::string &sessionId,
                                        const Tessary::FlatXml &info)
{
    Tessary::AssertUiThread();
    // No tracking data, no collection: a new visitor cannot be made from
    // nothing, and a known one gets no page record.
    std::unique_ptr<NameValueCollection> data;
    if (!text.isEmpty())
        data = std::make_unique<NameValueCollection>(text);

    // The session id names the visitor; without one, the tracking data's own.
    std::string key = sessionId;
    if (key.empty() && data)
        key = data->Value("sid").left(Tessary::kMaxFieldLength).toStdString();
    if (key.empty() || key.size() > size_t(Tessary::kMaxFieldLength))
        return nullptr;

    CVisitor *visitor = FindVisitorById(key);
    if (!visitor) {
        if (!data)
            return nullptr;
        if (m_visitors.size() >= kMaxVisitors) {
            const std::int64_t now = m_clock();
            if (now != m_lastDropLogged) {
                m_lastDropLogged = now;
                qCWarning(lcChat) << "visitor registry full at" << kMaxVisitors << "visitors: new visitors dropped";
            }
            return nullptr;
        }
        if (data->Value("sid") != QByteArrayView(key)) {
            // The visitor's id is the session id the service names it by
            // (the later pair wins); the chat address is made from it.
            const QByteArray withId = text.toByteArray() + "&sid=" + QUrl::toPercentEncoding(QString::fromStdString(key));
            data = std::make_unique<NameValueCollection>(withId);
        }
        auto created = std::make_unique<CVisitor>(std::move(data), m_host.Self().jid, m_clock);
        visitor = created.get();
        m_visitors.emplace(key, std::move(created));
        m_list.AddVisitor(visitor);
        visitor->ApplyInfo(info);
        if (visitor->state() == CVisitor::StateRequestingChat) {
            AnnounceCaller(*visitor);
        } else {
            const std::int64_t now = m_clock();
            if (now != m_lastNewVisitorAlert) {
                m_lastNewVisitorAlert = now;
                m_host.RaiseAlert(AlertNewVisitor, visitor->displayName(), kNewVisitor);
            }
        }
    } else {
        if (visitor->state() != CVisitor::StateRequestingChat && info.contains(QStringLiteral("state"))
            && StateValue(info.value(QStringLiteral("state"))) == CVisitor::StateRequestingChat)
            AnnounceCaller(*visitor);
        if (data)
            visitor->AppendTracking(*data);
        visitor->ApplyInfo(info);
    }
    m_list.UpdateVisitor(visitor);
    return visitor;
}

void CVisitorRouter::AnnounceCaller(CVisitor &visitor)
{
    if (!m_host.IsInDepartment(visitor.department()))
        return;
    m_host.RaiseAlert(AlertCaller, visitor.displayName(), kNewVisitor);
    visitor.SetChatRequested(0);
}

void CVisitorRouter::OnStateChange(CVisitor &visitor, const ServerMessage &message)
{
    const int state = StateValue(QString::fromLatin1(QByteArrayView(message.text)));
    if (state <= 0)
        return;
    if (state == CVisitor::StateLeft) {
        TellWithdrawn(visitor);
        // A block's answer ends the chat too; a visitor who left on their
        // own leaves the agent's chat open to be read, and goes when it ends.
        if (!m_pane.HasOpenChat(visitor.jid()) || visitor.blocked())
            RemoveVisitor(visitor.id());
        else
            visitor.SetLeft();
        return;
    }
    if (state == CVisitor::StateRequestingChat) {
        m_host.RaiseAlert(AlertCaller, visitor.displayName(), kNewCaller);
    } else if (state == CVisitor::StateChatEnded) {
        TellWithdrawn(visitor);
        visitor.ClearChatRequested();
        m_pane.EndVisitorChat(visitor.jid());
    }
    visitor.SetState(state);
    m_list.UpdateVisitor(&visitor);
}

void CVisitorRouter::OnVisitorMessage(CVisitor &visitor, const QString &text)
{
    visitor.SetChatRequested(0);
    m_pane.AddVisitorMessage(visitor, text);
    const bool anonymous = visitor.nameFromAddress() || visitor.nameFromHost();
    m_host.RaiseAlert(AlertVisitorMessage, text, anonymous ? QStringLiteral("Visitor") : visitor.displayName());
}

void CVisitorRouter::OnTransferRequest(const ServerMessage &message)
{
    const Tessary::FlatXml info = Tessary::FlatXmlReader(QByteArrayView(message.text));
    const QString fromUid = CapText(info.value(QStringLiteral("from-uid")));
    // The colleague as the Agents list names them: the nick, else the
    // address, so the question never asks about nobody.
    const Jid from(fromUid);
    const QVPlugin::ChatContact *contact = m_host.Contacts().FindBare(from.BareJid());
    const QString name = contact ? ContactName(*contact) : from.BareJid().BareStr();
    const QString note = CapText(info.value(QStringLiteral("message")));
    const QString messagePart = note.isEmpty() ? QString() : QStringLiteral("\r\n\"%1\"").arg(note);
    const QString prompt =
        QStringLiteral("Do you want to accept a transfer request from %1?\n%2").arg(name, messagePart);
    m_host.RaiseAlert(AlertTransfer, prompt, QStringLiteral("New transfer request"));

    // The box runs a loop in which bus messages and the agent's own work
    // may remove the visitor, and the view may even close: the visitor is
    // looked up again afterwards, and nothing is done when the router is gone.
    const std::string sessionId = message.sessionId;
    const std::weak_ptr<bool> alive = m_alive;
    const bool accepted = m_prompt(PromptIcon::Question, prompt);
    if (alive.expired())
        return;
    if (!accepted) {
        m_host.SendServerCommand(sessionId, fromUid, "transfer-visitor-chat-declined");
        return;
    }
    CVisitor *visitor = FindVisitorById(sessionId);
    if (!visitor)
        return;
    m_pane.OpenVisitorChat(*visitor, kParticipantRole);
    m_host.SendServerCommand(sessionId, fromUid, "transfer-visitor-chat-accepted");
    m_list.SelectVisitor(visitor);
    m_pane.ShowVisitor(visitor);
    m_pane.ActivateVisitorChat(*visitor);
}

std::string CVisitorRouter::GeolocationHtml(QByteArrayView text)
{
    const QList<QByteArray> fields = Tessary::SplitCommaList(text);
    if (fields.size() < 10)
        return std::string();
    struct Row
    {
        const char *label;
        int field;
    };
    static const Row kRows[] = {
        {"Country", 0}, {"State", 1}, {"City", 2}, {"Zip", 3}, {"Latitude", 4}, {"Longitude", 5},
        {"Area&nbsp;Code", 7}, {"ISP", 8}, {"Organization", 9}, {"DMA&nbsp;Code", 6},
    };
    QString html = QStringLiteral(
        "<table class='qvTable' cellSpacing=0 cellPadding=0 width='100%' border='0'>"
        "<tr><TD colSpan=2 class=qvTblHeader style='PADDING-LEFT: 10px'><SPAN style='FONT-WEIGHT: bold; "
        "FONT-SIZE: 13px; COLOR: #ffffff'>Geolocation</SPAN><br><SPAN style='FONT-WEIGHT: bold; FONT-SIZE: "
        "10px; COLOR: #ffffff'>Note: This information may be inaccurate</SPAN></TD></tr>");
    bool alternate = false;
    for (const Row &row : kRows) {
        const QString value = CapText(FromNetworkText(fields[row.field]));
        if (row.field == 3 && value.isEmpty())
            continue;
        // No row is cut short: a cut could split an escape or a tag.
        html += QStringLiteral("<TR class=%1 vAlign=top><TD width='20%'><P class=qvCell>%2</P></TD>"
                               "<TD style='BORDER-RIGHT: #cccccc 1px solid'><P class=qvCell>%3&nbsp;</P></TD></TR>")
                    .arg(alternate ? QStringLiteral("qvRowAlt") : QStringLiteral("qvRow"),
                         QLatin1String(row.label), value.toHtmlEscaped());
        alternate = !alternate;
    }
    html += QStringLiteral("</table><div class=qvTableBottomMargin></div>");
    return html.toStdString();
}

CVisitor *CVisitorRouter::FindVisitorById(const std::string &id) const
{
    const auto it = m_visitors.find(id);
    return it == m_visitors.end() ? nullptr : it->second.get();
}

CVisitor *CVisitorRouter::FindVisitorByJid(const Jid &jid) const
{
    for (const auto &[id, visitor] : m_visitors) {
        if (jid.resource().isEmpty() ? visitor->jid().BareEquals(jid) : visitor->jid() == jid)
            return visitor.get();
    }
    return nullptr;
}

CVisitor *CVisitorRouter::LongestWaitingVisitor() const
{
    const std::int64_t now = m_clock();
    CVisitor *longest = nullptr;
    std::int64_t longestWait = 0;
    for (const auto &[id, visitor] : m_visitors) {
        if (!visitor->chatRequested() || !CVisitor::IsInChatState(visitor->state()))
            continue;
        const std::int64_t wait = now - visitor->chatRequestedAt();
        if (!longest || wait > longestWait) {
            longest = visitor.get();
            longestWait = wait;
        }
    }
    return longest;
}

void CVisitorRouter::RemoveVisitor(const std::string &id)
{
    const auto it = m_visitors.find(id);
    if (it == m_visitors.end())
        return;
    // Out of the map first: the views may call back while they let go.
    std::unique_ptr<CVisitor> visitor = std::move(it->second);
    m_visitors.erase(it);
    m_list.RemoveVisitor(visitor.get());
    m_pane.EndVisitorChat(visitor->jid());
    m_pane.ForgetVisitor(visitor.get());
}

void CVisitorRouter::RemoveAllVisitors()
{
    while (!m_visitors.empty())
        RemoveVisitor(m_visitors.begin()->first);
}

void CVisitorRouter::ProbeIdleVisitors()
{
    const std::int64_t now = m_clock();
    std::vector<std::string> quiet;
    for (const auto &[id, visitor] : m_visitors) {
        if (CVisitor::IsInChatState(visitor->state()) || m_pane.HasOpenChat(visitor->jid())
            || now - visitor->lastTracked() <= kQuietSeconds)
            continue;
        visitor->SetLastTracked(now);
        quiet.push_back(visitor->id());
    }
    for (const std::string &id : quiet)
        m_host.SendServerCommand(id, QString(), "is-visitor-online");
}

void CVisitorRouter::TellWithdrawn(const CVisitor &visitor)
{
    // Told where the request was told: the list row goes or changes, and
    // the status bar says why.
    if (visitor.state() == CVisitor::StateRequestingChat && !m_pane.HasOpenChat(visitor.jid()))
        m_host.ShowStatus(QStringLiteral("%1 withdrew the chat request").arg(visitor.displayName()));
}

void CVisitorRouter::RemoveVisitorsWhoLeft()
{
    std::vector<std::string> gone;
    for (const auto &[id, visitor] : m_visitors)
        if (visitor->left() && !m_pane.HasOpenChat(visitor->jid()))
            gone.push_back(id);
    for (const std::string &id : gone)
        RemoveVisitor(id);
}

void CVisitorRouter::Tick()
{
    // A visitor who left during a chat goes once the chat has ended, by the
    // service or by the agent.
    RemoveVisitorsWhoLeft();
    if (++m_tickCount >= kProbeTicks) {
        m_tickCount = 0;
        ProbeIdleVisitors();
    }
    m_list.RefreshTimes();
    UpdateIdleAway();
}

void CVisitorRouter::UpdateIdleAway()
{
    if (!m_idleAwayEnabled)
        return;
    const int minutes = m_host.IdleMinutes();
    if (minutes <= 0) {
        m_idleAsked.reset();
        return;
    }
    const bool idle = m_idle.IdleMilliseconds() > std::int64_t(minutes) * 60000;
    const PresenceState own = m_host.OwnState();
    PresenceState wanted = own;
    if (idle && own == QVPlugin::PresenceOnline)
        wanted = QVPlugin::PresenceAway;
    else if (!idle && own == QVPlugin::PresenceAway)
        wanted = QVPlugin::PresenceOnline;
    if (wanted == own) {
        m_idleAsked.reset();
        return;
    }
    if (m_idleAsked == wanted)
        return;
    m_idleAsked = wanted;
    m_host.SetOwnPresence(wanted);
}

void CVisitorRouter::ChoosePresence(PresenceState state)
{
    m_idleAwayEnabled = state == QVPlugin::PresenceOnline;
    m_idleAsked.reset();
    m_host.SetOwnPresence(state);
}

void CVisitorRouter::NextResponse()
{
    CVisitor *visitor = LongestWaitingVisitor();
    if (!visitor || !m_list.SelectVisitor(visitor)) {
        m_prompt(PromptIcon::Information, QStringLiteral("No visitors are waiting for a response"));
        return;
    }
    m_pane.ActivateVisitorChat(*visitor);
}
