#pragma once
// A web visitor as the chat service reports it: who (session id, chat
// address, name, department), what the visitor does (state, pages seen,
// time on site, wait for a chat) and what the service told about the
// visitor (survey, agents in the chat, history, geolocation). The router
// creates and feeds visitors; the views only read them. Every text is
// capped in length and the page records in number, so a flood from the
// network cannot grow memory without bound. User-interface thread only.

#include "bus/Jid.h"
#include "plugins/chat/model/FlatXmlReader.h"
#include "plugins/chat/model/NameValueCollection.h"

#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class CContactList;

// One page view.
struct VisitorTracking
{
    QString url;
    QString page;
    QString title;
    QString referrer;
    std::int64_t time = 0; // when the page was entered, seconds since 1970 (UTC)
    std::string pageId;
};

class CVisitor
{
public:
    // Seconds since 1970 (UTC); tests step their own.
    using Clock = std::function<std::int64_t()>;
    static Clock SystemClock();

    static constexpr int kMaxTrackingRecords = 1000;
    static constexpr qsizetype kMaxDocumentLength = 1 << 20; // history, geolocation

    enum State : int {
        StateBrowsing = 1,
        StateChatInvitationSent = 3,
        StateChatting = 6,
        StateChatOpened = 7,
        StateRequestingChat = 8,
        StateChatEnded = 10,
        StateLeft = 15, // never stored
    };
    static bool IsInChatState(int state);   // 3, 6, 7, 8, 11, 12
    static bool IsChattingState(int state); // 6, 11, 12
    static bool IsWaitingState(int state);  // 3, 7, 8
    // Empty for a state without a label.
    static QString StateLabel(int state);

    // From the first tracking data, which the visitor keeps as its fields.
    // The chat address lies in the agent's domain.
    CVisitor(std::unique_ptr<NameValueCollection> fields, const QVPlugin::Jid &agentJid,
             Clock clock = SystemClock());
    ~CVisitor();
    CVisitor(const CVisitor &) = delete;
    CVisitor &operator=(const CVisitor &) = delete;

    // Adds at most one page record; a repeated report of the current page
    // adds none.
    void AppendTracking(const NameValueCollection &data);
    // Visitor info as the flat XML reader gives it.
    void ApplyInfo(const Tessary::FlatXml &info);
    // Form-encoded survey answers: department and display name.
    void ApplySurvey(std::string_view survey);
    // Starts the wait for a chat, back-dated by the given seconds; a wait
    // already running is kept.
    void SetChatRequested(std::int64_t secondsAgo);
    void ClearChatRequested() { m_chatRequested = false; }
    void SetState(int state) { m_state = state; }
    // The service said the visitor left while the agent's chat was still
    // open: the visitor goes once that chat ends.
    void SetLeft() { m_left = true; }
    bool left() const { return m_left; }
    // The agent sent a block: the service's next "left" is its answer.
    void SetBlocked() { m_blocked = true; }
    bool blocked() const { return m_blocked; }
    void SetLastTracked(std::int64_t time) { m_lastTracked = time; }
    void SetHistory(const QString &history);
    void SetGeolocation(std::string_view rows);
    // The service was asked for the geolocation and has not answered: no
    // second request goes until it does (any answer), or until a request
    // unanswered for kGeolocationWaitSeconds counts as lost.
    bool GeolocationPending() const;
    void SetGeolocationAsked();
    void ClearGeolocationAsked() { m_geolocationAskedAt = -1; }
    static constexpr std::int64_t kGeolocationWaitSeconds = 60;

    QString StateLabel() const { return StateLabel(m_state); }
    // The nicks of the agents in the visitor's chat, joined with ", ":
    // contacts by bare JID, the agent by own JID and name; others are left out.
    QString AgentsText(const CContactList &contacts, const QVPlugin::Jid &ownJid, const QString &ownName) const;
    // A tracking field of the first data, decoded; empty when absent.
    QString TrackingValue(QByteArrayView key) const;

    const std::string &id() const { return m_id; }
    const QVPlugin::Jid &jid() const { return m_jid; }
    const std::string &hash() const { return m_hash; }
    const QString &department() const { return m_department; }
    const QString &displayName() const { return m_displayName; }
    const QString &agents() const { return m_agents; }
    const std::deque<VisitorTracking> &Tracking() const { return m_tracking; }
    std::int64_t lastTracked() const { return m_lastTracked; }
    std::int64_t chatRequestedAt() const { return m_chatRequestedAt; }
    std::int64_t onSiteSince() const { return m_onSiteSince; }
    int state() const { return m_state; }
    bool chatRequested() const { return m_chatRequested; }
    const std::string &survey() const { return m_survey; }
    const QString &history() const { return m_history; }
    const std::string &geolocation() const { return m_geolocation; }
    const NameValueCollection &fields() const { return *m_fields; }
    // The name came from the address or host name, not from the visitor.
    bool nameFromAddress() const { return m_nameFromAddress; }
    bool nameFromHost() const { return m_nameFromHost; }

private:
    Clock m_clock;
    std::string m_id;
    QVPlugin::Jid m_jid;
    std::string m_hash;
    QString m_department;
    QString m_displayName;
    QString m_agents;
    std::deque<VisitorTracking> m_tracking;
    std::int64_t m_lastTracked = 0;
    std::int64_t m_chatRequestedAt = 0;
    std::int64_t m_onSiteSince = 0;
    int m_state = StateBrowsing;
    bool m_chatRequested = false;
    std::string m_survey;
    QString m_history;
    std::string m_geolocation;
    std::int64_t m_geolocationAskedAt = -1;
    std::unique_ptr<NameValueCollection> m_fields;
    bool m_nameFromAddress = false;
    bool m_nameFromHost = false;
    bool m_left = false;
    bool m_blocked = false;
};
