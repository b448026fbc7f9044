#pragma once
// A one-line field from the network (a name, nick, title, address, status)
// as it may be shown: line and paragraph breaks become a space and other
// control characters U+FFFD, so no field can draw lines of its own. Inline:
// the readers that use it link nothing but QtCore.

#include <QString>

inline QString OneLine(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u == '\n' || u == '\r' || u == '\t' || u == '\v' || u == '\f' || u == 0x85 || u == QChar::LineSeparator
            || u == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
        else if (c.category() == QChar::Other_Control)
            c = QChar(QChar::ReplacementCharacter);
    }
    return out;
}
