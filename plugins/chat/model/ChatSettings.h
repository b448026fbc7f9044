#pragma once
// The live chat's settings that the settings dialog offers, with the one
// default each: every reader and the dialog's layout take it from here, so
// the dialog shows what the windows do.

#include <QString>

namespace ChatSettings {

inline const QString kTimestamp = QStringLiteral("chatpane.timestamp");
inline constexpr bool kTimestampDefault = true;
inline const QString kTimestampFormat = QStringLiteral("chatpane.timestamp.format");
// strftime's, with "#" for an hour without its leading zero.
inline const QString kTimeFormatDefault = QStringLiteral("%#I:%M:%S %p");
inline const QString kIdleMinutes = QStringLiteral("chat.idle.minutes");
inline constexpr int kIdleMinutesDefault = 10;
inline const QString kQuickTextDuplicates = QStringLiteral("quicktext.duplicates");
inline constexpr bool kQuickTextDuplicatesDefault = false;

} // namespace ChatSettings
