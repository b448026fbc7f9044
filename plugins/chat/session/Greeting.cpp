#include "Greeting.h"

QString TimeOfDay(int hour)
{
    if (hour >= 5 && hour <= 11)
        return QStringLiteral("morning");
    if (hour >= 12 && hour <= 16)
        return QStringLiteral("afternoon");
    return QStringLiteral("evening");
}

QString ApplyGreeting(QString text, const QString &displayName, int hour)
{
    // One pass per placeholder on the template only: a display name that
    // itself holds a placeholder is not expanded again.
    QString result;
    result.reserve(text.size());
    static const QString kKeys[] = {QStringLiteral("%USER_NAME%"), QStringLiteral("%DISPLAY_NAME%"),
                                    QStringLiteral("%TIME_OF_DAY%")};
    qsizetype i = 0;
    while (i < text.size()) {
        bool matched = false;
        for (int k = 0; k < 3 && !matched; ++k) {
            if (QStringView(text).mid(i).startsWith(kKeys[k])) {
                result += k == 2 ? TimeOfDay(hour) : displayName;
                i += kKeys[k].size();
                matched = true;
            }
        }
        if (!matched)
            result += text[i++];
    }
    return result;
}
