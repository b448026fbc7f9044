#pragma once
// The greeting template of quick texts: "%USER_NAME%" and "%DISPLAY_NAME%"
// become the agent's display name, "%TIME_OF_DAY%" "morning" (hours 5 to
// 11), "afternoon" (12 to 16) or "evening" (any other hour, or none known),
// so "Good %TIME_OF_DAY%" greets fittingly. Pure functions; any thread.

#include <QString>

// hour: the local hour 0 to 23; anything else counts as unknown.
QString TimeOfDay(int hour);
QString ApplyGreeting(QString text, const QString &displayName, int hour);
