#include "TimeFormat.h"

#include <array>

namespace {

constexpr std::array<const char *, 7> kDays = {"Sunday", "Monday", "Tuesday", "Wednesday",
                                               "Thursday", "Friday", "Saturday"};
constexpr std::array<const char *, 12> kMonths = {"January", "February", "March", "April",
                                                  "May", "June", "July", "August",
                                                  "September", "October", "November", "December"};

QString Number(int value, int width, bool noZeros)
{
    return noZeros ? QString::number(value) : QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

// Week of the year, the first week starting on the first Sunday (firstDay 0)
// or Monday (firstDay 1); days before it are week 0.
int WeekOfYear(const QDate &date, int firstDay)
{
    const int weekday = date.dayOfWeek() % 7; // 0 = Sunday
    const int yday = date.dayOfYear() - 1;
    return (yday + 7 - ((weekday - firstDay + 7) % 7)) / 7;
}

struct Formatter
{
    const QDateTime &time;
    QString out;

    void Append(QStringView format)
    {
        for (qsizetype i = 0; i < format.size(); ++i) {
            if (format[i] != u'%' || i + 1 == format.size()) {
                out += format[i];
                continue;
            }
            qsizetype j = i + 1;
            const bool alternate = format[j] == u'#';
            if (alternate && ++j == format.size()) {
                out += format.mid(i);
                return;
            }
            if (!Conversion(format[j].unicode(), alternate))
                out += format.mid(i, j - i + 1);
            i = j;
        }
    }

    bool Conversion(char16_t c, bool alt)
    {
        const QDate date = time.date();
        const QTime clock = time.time();
        const int weekday = date.dayOfWeek() % 7;
        switch (c) {
        case u'a': out += QLatin1String(kDays[weekday], 3); break;
        case u'A': out += QLatin1String(kDays[weekday]); break;
        case u'b': out += QLatin1String(kMonths[date.month() - 1], 3); break;
        case u'B': out += QLatin1String(kMonths[date.month() - 1]); break;
        case u'c':
            if (alt) {
                Append(u"%A, %B %d, %Y, %H:%M:%S");
            } else {
                Append(u"%m/%d/%y %H:%M:%S");
            }
            break;
        case u'x': Append(alt ? u"%A, %B %d, %Y" : u"%m/%d/%y"); break;
        case u'X': Append(u"%H:%M:%S"); break;
        case u'd': out += Number(date.day(), 2, alt); break;
        case u'H': out += Number(clock.hour(), 2, alt); break;
        case u'I': out += Number((clock.hour() + 11) % 12 + 1, 2, alt); break;
        case u'j': out += Number(date.dayOfYear(), 3, alt); break;
        case u'm': out += Number(date.month(), 2, alt); break;
        case u'M': out += Number(clock.minute(), 2, alt); break;
        case u'S': out += Number(clock.second(), 2, alt); break;
        case u'U': out += Number(WeekOfYear(date, 0), 2, alt); break;
        case u'W': out += Number(WeekOfYear(date, 1), 2, alt); break;
        case u'w': out += QString::number(weekday); break;
        case u'y': out += Number(date.year() % 100, 2, alt); break;
        case u'Y': out += QString::number(date.year()); break;
        case u'p': out += clock.hour() < 12 ? u"AM" : u"PM"; break;
        case u'z':
        case u'Z': out += time.timeZoneAbbreviation(); break;
        case u'%': out += u'%'; break;
        default: return false;
        }
        return true;
    }
};

} // namespace

QString FormatWindowsTime(QStringView format, const QDateTime &time, int cap)
{
    if (!time.isValid())
        return {};
    Formatter formatter{time, {}};
    formatter.Append(format);
    QString &out = formatter.out;
    if (out.size() > cap)
        out.truncate(cap > 0 && out[cap - 1].isHighSurrogate() ? cap - 1 : qMax(cap, 0));
    return out;
}

QString FormatLocalTime(QStringView format, qint64 secsSinceEpoch, int cap)
{
    return FormatWindowsTime(format, QDateTime::fromSecsSinceEpoch(secsSinceEpoch).toLocalTime(), cap);
}
