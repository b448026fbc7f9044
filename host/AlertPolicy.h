#pragma once
// CAlertPolicy: decides what a plug-in's alert does - the popup with its
// caption and body, the sound, bringing the frame forward, flashing the frame
// and the tray - from the alert's kind, the agent's notification settings of
// the kind's group and the frame's state, with the rate limits for callers
// and visitors. Pure: settings and a monotonic clock are injected; the frame
// carries the actions out. User-interface thread only.

#include <QString>
#include <QVariant>

#include <functional>
#include <optional>

namespace QVPlugin {
class AlertInfo;
}

struct AlertActions
{
    enum Bring { NoBring, Raise, Restore };

    bool showWindow = false;
    QString caption;
    QString body;
    // The sound setting's value, a file name; empty = no sound.
    QString sound;
    // Raise: on top without taking the focus; Restore: out of a minimised
    // (or tray-hidden) state first.
    Bring bring = NoBring;
    bool flashWindow = false;
    bool flashTray = false;

    bool Any() const { return showWindow || !sound.isEmpty() || bring != NoBring || flashWindow || flashTray; }
};

class CAlertPolicy
{
public:
    // Reads a configuration value with its default.
    using Settings = std::function<QVariant(const QString &key, const QVariant &defaultValue)>;
    // Milliseconds of a clock that never goes back.
    using Clock = std::function<qint64()>;

    struct FrameState
    {
        bool active = false; // the frame is the foreground window
        bool visible = true;
    };

    // Starts as if the agent had just signed in.
    explicit CAlertPolicy(Settings settings, Clock clock = SteadyClock());

    // Forgets every earlier alert; the sign-in time is now.
    void Reset();
    AlertActions Decide(const QVPlugin::AlertInfo &alert, FrameState frame);

    static Clock SteadyClock();

    static constexpr qint64 kCallerGapMs = 1000;
    static constexpr qint64 kVisitorGapMs = 3000;
    static constexpr qint64 kQuietAfterSignInMs = 10000;
    static constexpr qint64 kVisitorSoundGapMs = 20000;

private:
    bool Bool(const QString &key, bool defaultValue) const;
    // True when an alert at now comes too soon after last (or after sign-in).
    bool TooSoon(const std::optional<qint64> &last, qint64 gapMs, qint64 now) const;

    Settings m_settings;
    Clock m_clock;
    qint64 m_signIn = 0;
    std::optional<qint64> m_lastCaller;
    std::optional<qint64> m_lastVisitor;
    std::optional<qint64> m_lastVisitorSound;
};
