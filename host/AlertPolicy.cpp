#include "host/AlertPolicy.h"

#include "bus/Payloads.h"

#include <chrono>

using namespace QVPlugin;

namespace {

enum class Group { None, Caller, Message, Visitor, System };

Group GroupOf(int kind)
{
    switch (kind) {
    case 1:
    case 6:
    case 8:
        return Group::Caller;
    case 2:
    case 4:
        return Group::Message;
    case 3:
    case 5:
        return Group::Visitor;
    case 7:
        return Group::System;
    default:
        return Group::None;
    }
}

// The defaults of a group's settings, the same as the settings layout's.
struct GroupDefaults
{
    const char *name;
    bool flashTray;
    bool showAlert;
    bool bringToTop;
    bool notifyWhenActive;
    const char *soundFile;
};

constexpr GroupDefaults kCaller = {"newcaller", true, true, true, true, "newcall.wav"};
constexpr GroupDefaults kMessage = {"newmsg", false, true, false, false, "newmsg.wav"};
constexpr GroupDefaults kVisitor = {"newvisitor", false, false, false, false, "newvisitor.wav"};

QString Key(const GroupDefaults &group, const char *name)
{
    return QStringLiteral("application.%1.%2").arg(QLatin1String(group.name), QLatin1String(name));
}

} // namespace

CAlertPolicy::CAlertPolicy(Settings settings, Clock clock) : m_settings(std::move(settings)), m_clock(std::move(clock))
{
    Reset();
}

CAlertPolicy::Clock CAlertPolicy::SteadyClock()
{
    return [] {
        using namespace std::chrono;
        return qint64(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    };
}

void CAlertPolicy::Reset()
{
    m_signIn = m_clock();
    m_lastCaller.reset();
    m_lastVisitor.reset();
    m_lastVisitorSound.reset();
}

bool CAlertPolicy::Bool(const QString &key, bool defaultValue) const
{
    return m_settings(key, defaultValue).toBool();
}

bool CAlertPolicy::TooSoon(const std::optional<qint64> &last, qint64 gapMs, qint64 now) const
{
    // The first alert after signing in is never held back.
    return last && (now - *last < gapMs || now - m_signIn < kQuietAfterSignInMs);
}

AlertActions CAlertPolicy::Decide(const AlertInfo &alert, FrameState frame)
{
    AlertActions actions;
    const qint64 now = m_clock();
    const bool frameInFront = frame.active;
    const GroupDefaults *group = nullptr;

    switch (GroupOf(alert.kind)) {
    case Group::None:
        return actions;
    case Group::System:
        actions.showWindow = true;
        actions.caption = alert.text;
        actions.body = alert.title;
        actions.sound = m_settings(Key(kMessage, "soundfile"), QString::fromLatin1(kMessage.soundFile)).toString();
        return actions;
    case Group::Caller:
        if (TooSoon(m_lastCaller, kCallerGapMs, now))
            return actions;
        m_lastCaller = now;
        group = &kCaller;
        actions.caption = alert.kind == 8 ? QStringLiteral("The chat was transferred") : QStringLiteral("New caller");
        if (!Bool(Key(kCaller, "notifywhenactive"), kCaller.notifyWhenActive) && frameInFront)
            return actions;
        break;
    case Group::Message:
        group = &kMessage;
        actions.caption = QStringLiteral("New message");
        // A frame hidden in the tray is not in front even when it is active.
        if (!Bool(Key(kMessage, "notifywhenactive"), kMessage.notifyWhenActive) && frameInFront && frame.visible)
            return actions;
        break;
    case Group::Visitor:
        if (TooSoon(m_lastVisitor, kVisitorGapMs, now))
            return actions;
        m_lastVisitor = now;
        group = &kVisitor;
        actions.caption = alert.text;
        if (!Bool(Key(kVisitor, "notifywhenactive"), kVisitor.notifyWhenActive) && frameInFront)
            return actions;
        break;
    }

    actions.body = alert.title;
    actions.showWindow = Bool(Key(*group, "showalert"), group->showAlert);
    if (Bool(Key(*group, "playsound"), true)) {
        const bool visitor = group == &kVisitor;
        // Visitors come in bursts: their sound plays at most every 20 s.
        if (!visitor || !m_lastVisitorSound || now - *m_lastVisitorSound > kVisitorSoundGapMs) {
            if (visitor)
                m_lastVisitorSound = now;
            actions.sound = m_settings(Key(*group, "soundfile"), QString::fromLatin1(group->soundFile)).toString();
        }
    }
    if (Bool(Key(*group, "bringwndtotop"), group->bringToTop))
        actions.bring = group == &kCaller ? AlertActions::Raise : AlertActions::Restore;
    actions.flashWindow = Bool(Key(*group, "flashwindow"), false);
    actions.flashTray = Bool(Key(*group, "flashtray"), group->flashTray);
    return actions;
}
