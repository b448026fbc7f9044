// The Windows-style time formats and the quick texts' greeting template.

#include "plugins/chat/session/Greeting.h"
#include "plugins/chat/session/TimeFormat.h"

#include <QLocale>

#include <gtest/gtest.h>

TEST(TimeFormat, WindowsConversionsInEnglish)
{
    const QDateTime afternoon(QDate(2023, 3, 14), QTime(15, 7, 9));
    const QDateTime midnight(QDate(2023, 1, 1), QTime(0, 0, 5));
    const QDateTime noon(QDate(2023, 3, 7), QTime(12, 30, 0));
    const struct {
        const char *format;
        const QDateTime &time;
        const char *expected;
    } cases[] = {
        {"%#I:%M:%S %p", afternoon, "3:07:09 PM"},
        {"%I:%M:%S %p", afternoon, "03:07:09 PM"},
        {"%#I %p", midnight, "12 AM"},
        {"%#I %p", noon, "12 PM"},
        {"-%#x.rtf", afternoon, "-Tuesday, March 14, 2023.rtf"},
        {"%#x", noon, "Tuesday, March 07, 2023"},
        {"%x %X", afternoon, "03/14/23 15:07:09"},
        {"%c", afternoon, "03/14/23 15:07:09"},
        {"%#c", afternoon, "Tuesday, March 14, 2023, 15:07:09"},
        {"%a %b %#d %Y", noon, "Tue Mar 7 2023"},
        {"%j %#j %w %U %W", afternoon, "073 73 2 11 11"},
        {"%U %W", midnight, "01 00"},
        {"%#H.%#M.%#S %#m/%#y", midnight, "0.0.5 1/23"},
        {"100%% %q %", afternoon, "100% %q %"},
        {"%#", afternoon, "%#"},
    };
    // The process locale must not change a word.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    for (const auto &c : cases)
        EXPECT_EQ(FormatWindowsTime(QString::fromLatin1(c.format), c.time), QString::fromLatin1(c.expected)) << c.format;
    QLocale::setDefault(before);
}

TEST(TimeFormat, OutputIsCappedAndInvalidTimesAreEmpty)
{
    const QDateTime time(QDate(2023, 3, 14), QTime(15, 7, 9));
    EXPECT_EQ(FormatWindowsTime(QString(120, QLatin1Char('x')) + QStringLiteral("%A%A%A"), time).size(), kTimeFormatCap);
    EXPECT_EQ(FormatWindowsTime(u"%A", time, 3), "Tue");
    EXPECT_EQ(FormatWindowsTime(u"%A", QDateTime()), "");
    EXPECT_EQ(FormatLocalTime(u"%Y", QDateTime(QDate(2023, 3, 14), QTime(15, 0)).toSecsSinceEpoch()), "2023");
}

TEST(Greeting, TimeOfDayAndPlaceholders)
{
    const struct {
        int hour;
        const char *word;
    } hours[] = {{-1, "evening"}, {0, "evening"}, {4, "evening"}, {5, "morning"}, {11, "morning"},
                 {12, "afternoon"}, {16, "afternoon"}, {17, "evening"}, {23, "evening"}, {24, "evening"}};
    for (const auto &h : hours)
        EXPECT_EQ(TimeOfDay(h.hour), QString::fromLatin1(h.word)) << h.hour;

    EXPECT_EQ(ApplyGreeting(QStringLiteral("Good %TIME_OF_DAY%, I am %USER_NAME% (%DISPLAY_NAME%)."),
                            QStringLiteral("Ann"), 9),
              "Good morning, I am Ann (Ann).");
    // A name is inserted as it stands, never expanded again.
    EXPECT_EQ(ApplyGreeting(QStringLiteral("%USER_NAME% %TIME_OF_DAY"), QStringLiteral("%TIME_OF_DAY%"), 13),
              "%TIME_OF_DAY% %TIME_OF_DAY");
}
