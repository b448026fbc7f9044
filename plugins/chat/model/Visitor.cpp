#include "plugins/chat/model/Visitor.h"

#include "plugins/chat/model/ContactList.h"
#include "plugins/chat/model/NetworkText.h"

#include <QDateTime>
#include <QStringList>

#include <climits>
#include <iterator>

using QVPlugin::Jid;
using Tessary::CapText;
using Tessary::FromNetworkText;
using Tessary::LeadingInteger;

namespace {

QString FieldText(const NameValueCollection &data, QByteArrayView key)
{
    return CapText(FromNetworkText(data.Value(key)));
}

std::string Narrow(QByteArrayView text, qsizetype maxLength = Tessary::kMaxFieldLength)
{
    return std::string(text.data(), size_t(qMin(text.size(), maxLength)));
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return QByteArrayView(a).compare(QByteArrayView(b), Qt::CaseInsensitive) == 0;
}

} // namespace

CVisitor::Clock CVisitor::SystemClock()
{
    return [] { return std::int64_t(QDateTime::currentSecsSinceEpoch()); };
}

bool CVisitor::IsInChatState(int state)
{
    return IsChattingState(state) || IsWaitingState(state);
}

bool CVisitor::IsChattingState(int state)
{
    return state == 6 || state == 11 || state == 12;
}

bool CVisitor::IsWaitingState(int state)
{
    return state == 3 || state == 7 || state == 8;
}

QString CVisitor::StateLabel(int state)
{
    static const char *const kLabels[] = {
        "Browsing", "Browsing", "Invited", "Chat Invitation Sent", "Invitation Declined",
        "Invited", "Chatting", "Chat Opened", "Requesting Chat", "Chat Refused by Agent",
        "Chat Ended", "Chatting", "Chatting", "", "Visitor",
    };
    if (state < 0 || state >= int(std::size(kLabels)))
        return QString();
    return QString::fromLatin1(kLabels[state]);
}

CVisitor::CVisitor(std::unique_ptr<NameValueCollection> fields, const Jid &agentJid, Clock clock)
    : m_clock(std::move(clock)), m_fields(fields ? std::move(fields) : std::make_unique<NameValueCollection>())
{
    const NameValueCollection &data = *m_fields;
    m_id = Narrow(data.Value("sid"));
    const QString id = FromNetworkText(QByteArrayView(m_id));
    m_jid = Jid(QStringLiteral("visitors.") + id, agentJid.domain(), id);
    m_onSiteSince = m_clock();
    m_hash = Narrow(data.Value("hash"));

    m_displayName = FieldText(data, "qvvVID");
    if (m_displayName.isEmpty()) {
        if (data.HasName("REMOTE_HOST")) {
            m_displayName = FieldText(data, "REMOTE_HOST");
            m_nameFromHost = true;
        }
        if (data.HasName("REMOTE_ADDR")) {
            m_displayName = FieldText(data, "REMOTE_ADDR");
            m_nameFromAddress = true;
        }
        if (m_displayName.isEmpty())
            m_displayName = QStringLiteral("Visitor");
    }
    AppendTracking(data);
}

CVisitor::~CVisitor() = default;

void CVisitor::AppendTracking(const NameValueCollection &data)
{
    const std::int64_t now = m_clock();
    m_lastTracked = now;
    const QByteArray *givenId = data.GetValue("qvv!ID");
    const std::string pageId = Narrow(givenId && !givenId->isEmpty() ? *givenId : data.Value("QVVPID"));
    if (!m_tracking.empty() && EqualIgnoringCase(m_tracking.back().pageId, pageId))
        return;
    if (!data.HasName("url"))
        return;

    VisitorTracking record;
    record.time = now;
    const qint64 pageSeconds = LeadingInteger(QString::fromLatin1(data.Value("PageSeconds")));
    if (pageSeconds > 0)
        record.time -= pageSeconds;
    record.url = FieldText(data, "url");
    record.page = FieldText(data, "Page");
    record.title = FieldText(data, "Title");
    record.referrer = FieldText(data, "Referrer");
    record.pageId = pageId;
    m_tracking.push_back(std::move(record));
    while (m_tracking.size() > size_t(kMaxTrackingRecords))
        m_tracking.pop_front();
}

void CVisitor::ApplyInfo(const Tessary::FlatXml &info)
{
    const std::int64_t now = m_clock();
    auto given = [&](const char *name) { return info.contains(QLatin1String(name)); };
    auto text = [&](const char *name) { return info.value(QLatin1String(name)); };

    if (given("hash"))
        m_hash = Narrow(text("hash").toUtf8());
    if (!text("display-name").isEmpty())
        m_displayName = CapText(text("display-name"));
    // Info comes whole or in part (a page report carries none): only what it
    // carries changes, or the time on site would restart at every page.
    if (!text("survey").isEmpty())
        ApplySurvey(text("survey").toUtf8().toStdString());
    else if (given("survey"))
        m_survey.clear();
    if (given("state"))
        m_state = int(qBound(qint64(INT_MIN), LeadingInteger(text("state")), qint64(INT_MAX)));

    if (given("time-on-site")) {
        m_onSiteSince = now;
        if (const qint64 onSite = LeadingInteger(text("time-on-site")); onSite > 0)
            m_onSiteSince -= onSite;
    }
    if (!m_tracking.empty() && given("time-on-page")) {
        m_tracking.back().time = now;
        if (const qint64 onPage = LeadingInteger(text("time-on-page")); onPage > 0)
            m_tracking.back().time -= onPage;
    }
    if (given("agents"))
        m_agents = CapText(text("agents"));

    if (given("group-chat-id")) {
        // A room address that does not parse keeps the visitor reachable
        // where it was.
        const Jid room(text("group-chat-id") + QLatin1Char('/') + FromNetworkText(QByteArrayView(m_id)));
        if (room.IsValid())
            m_jid = room;
    }

    if (m_state == StateRequestingChat) {
        if (!text("time-chat-requested").isEmpty())
            SetChatRequested(LeadingInteger(text("time-chat-requested")));
        else if (!m_chatRequested)
            SetChatRequested(0);
    }
}

void CVisitor::ApplySurvey(std::string_view survey)
{
    m_survey = Narrow(survey);
    if (m_survey.empty())
        return;
    const NameValueCollection answers(m_survey);
    if (answers.HasName("qvvDEPT"))
        m_department = FieldText(answers, "qvvDEPT");
    if (answers.HasName("qvvVID")) {
        m_displayName = FieldText(answers, "qvvVID");
        m_nameFromAddress = false;
        m_nameFromHost = false;
    }
}

void CVisitor::SetChatRequested(std::int64_t secondsAgo)
{
    if (m_chatRequested)
        return;
    m_chatRequestedAt = m_clock();
    if (secondsAgo > 0)
        m_chatRequestedAt -= secondsAgo;
    m_chatRequested = true;
}

void CVisitor::SetHistory(const QString &history)
{
    m_history = CapText(history, kMaxDocumentLength);
}

void CVisitor::SetGeolocation(std::string_view rows)
{
    m_geolocation = Narrow(rows, kMaxDocumentLength);
}

bool CVisitor::GeolocationPending() const
{
    return m_geolocationAskedAt >= 0 && m_clock() - m_geolocationAskedAt < kGeolocationWaitSeconds;
}

void CVisitor::SetGeolocationAsked()
{
    m_geolocationAskedAt = m_clock();
}

QString CVisitor::AgentsText(const CContactList &contacts, const Jid &ownJid, const QString &ownName) const
{
    QStringList names;
    for (const QString &token : m_agents.split(QLatin1Char(','))) {
        const Jid agent(token);
        if (!agent.IsValid())
            continue;
        if (const QVPlugin::ChatContact *contact = contacts.FindBare(agent))
            names.append(contact->nick);
        else if (agent.BareEquals(ownJid))
            names.append(ownName);
    }
    return names.join(QStringLiteral(", "));
}

QString CVisitor::TrackingValue(QByteArrayView key) const
{
    return FieldText(*m_fields, key);
}
