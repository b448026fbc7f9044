#include "bus/Payloads.h"
#include "host/AlertPolicy.h"

#include <QHash>
#include <QStringList>

#include <gtest/gtest.h>

using namespace QVPlugin;

namespace {

// What an alert does, in one line: "popup New caller / Ann; sound newcall.wav; raise; tray", "-" for nothing.
QString Describe(const AlertActions &a)
{
    QStringList parts;
    if (a.showWindow)
        parts << QStringLiteral("popup %1 / %2").arg(a.caption, a.body);
    if (!a.sound.isEmpty())
        parts << QStringLiteral("sound ") + a.sound;
    if (a.bring != AlertActions::NoBring)
        parts << (a.bring == AlertActions::Raise ? QStringLiteral("raise") : QStringLiteral("restore"));
    if (a.flashWindow)
        parts << QStringLiteral("flash");
    if (a.flashTray)
        parts << QStringLiteral("tray");
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QStringLiteral("; "));
}

} // namespace

TEST(AlertPolicy, KindsTimingsAndTheActiveFrame)
{
    qint64 now = 0;
    // Visitors show a popup here, so that a dropped one can be told apart.
    const QHash<QString, QVariant> stored = {{"application.newvisitor.showalert", true}};
    CAlertPolicy policy([&](const QString &key, const QVariant &value) { return stored.value(key, value); },
                        [&] { return now; });

    enum Frame { Behind, Active, ActiveHidden, SignIn };
    const QString caller = "popup New caller / Ann; sound newcall.wav; raise; tray";
    const struct { double at; int kind; Frame frame; QString expected; } cases[] = {
        {2, 1, Behind, caller}, // the first one even within 10 s of signing in
        {5, 1, Behind, "-"},    // the second one not
        {11, 6, Behind, caller},
        {12, 8, Behind, "popup The chat was transferred / Ann; sound newcall.wav; raise; tray"}, // 1 s is enough
        {12.5, 1, Behind, "-"},
        {13, 1, Active, caller}, // callers are announced in front of the agent too
        {30, 3, Behind, "popup hello / Ann; sound newvisitor.wav"},
        {31, 5, Behind, "-"},
        {34, 3, Behind, "popup hello / Ann"}, // visitor sounds at least 20 s apart
        {50, 3, Behind, "popup hello / Ann"},
        {53, 3, Behind, "popup hello / Ann; sound newvisitor.wav"},
        {54, 0, Behind, "-"},
        {54, 9, Behind, "-"},
        {55, 2, Active, "-"},
        {55, 2, ActiveHidden, "popup New message / Ann; sound newmsg.wav"},
        {55, 4, Behind, "popup New message / Ann; sound newmsg.wav"},
        {56, 7, Active, "popup hello / Ann; sound newmsg.wav"},
        {57, 3, Active, "-"},
        // Signing in again forgets every earlier alert.
        {60, 0, SignIn, "-"},
        {60.5, 1, Behind, caller},
        {61, 3, Behind, "popup hello / Ann; sound newvisitor.wav"},
        {62, 1, Behind, "-"},
    };
    for (const auto &c : cases) {
        now = qint64(c.at * 1000);
        if (c.frame == SignIn) {
            policy.Reset();
            continue;
        }
        AlertInfo alert;
        alert.title = QStringLiteral("Ann");
        alert.text = QStringLiteral("hello");
        alert.kind = c.kind;
        const CAlertPolicy::FrameState frame{c.frame != Behind, c.frame != ActiveHidden};
        EXPECT_EQ(Describe(policy.Decide(alert, frame)), c.expected)
            << "kind " << c.kind << " at " << c.at << " s, frame " << c.frame;
    }
}
