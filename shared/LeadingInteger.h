#pragma once
// The integer at the start of a text from outside (a version part, a
// tracking field): leading blanks, an optional sign, then digits. Saturates
// instead of overflowing; 0 when there are no digits.

#include <QStringView>

#include <limits>

inline qint64 LeadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        negative = text[i++] == QLatin1Char('-');
    constexpr qint64 kLimit = std::numeric_limits<qint64>::max() / 10 - 1;
    qint64 value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        if (value >= kLimit)
            break;
        value = value * 10 + (text[i].unicode() - '0');
    }
    return negative ? -value : value;
}
