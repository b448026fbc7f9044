#include "shared/OneLine.h"

QString OneLine(const QString &text)
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
