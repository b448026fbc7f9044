#pragma once
// Times in the chat window's Windows-style strftime formats ("%#I:%M:%S %p"
// gives "3:07:09 PM", "%#x" gives "Tuesday, March 07, 2023"), always with
// English names and the C locale's layouts, whatever locale the process
// runs in. Settings carry these formats, so the conversions and the "#"
// flag are those of the Windows C run-time:
//   %a %A %b %B  weekday and month names, short and long
//   %c %x %X     "%m/%d/%y %H:%M:%S", "%m/%d/%y", "%H:%M:%S";
//                %#c and %#x give the long date ("%A, %B %d, %Y"), %#c
//                followed by ", " and the time
//   %d %H %I %j %m %M %S %U %w %W %y %Y  numbers; "#" drops leading zeros
//   %p "AM"/"PM", %z %Z the zone's abbreviation, %% a percent sign
// An unknown conversion is copied as it stands. Pure functions; any thread.

#include <QDateTime>
#include <QString>
#include <QStringView>

// The most characters a formatted time holds; longer results are cut.
inline constexpr int kTimeFormatCap = 128;

// time in the given format; empty for an invalid time.
QString FormatWindowsTime(QStringView format, const QDateTime &time, int cap = kTimeFormatCap);

// secsSinceEpoch as local time in the given format.
QString FormatLocalTime(QStringView format, qint64 secsSinceEpoch, int cap = kTimeFormatCap);
