#include "ChatText.h"

#include "EmoticonCodes.h"

namespace {

const char *const kSchemes[] = {"http:", "file:", "mailto:", "ftp:", "https:", "gopher:", "nntp:",
                                "prospero:", "telnet:", "news:", "wais:"};

bool IsUrlEnd(QChar c)
{
    return c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('!')
        || c == QLatin1Char('<');
}

// The length of the URL that starts at pos, 0 when none does.
qsizetype UrlAt(const QString &text, qsizetype pos)
{
    if (pos > 0 && text.at(pos - 1).isLetterOrNumber())
        return 0;
    for (const char *scheme : kSchemes) {
        const QString lower = QString::fromLatin1(scheme);
        for (const QString &s : {lower, lower.toUpper()}) {
            if (!QStringView(text).mid(pos).startsWith(s))
                continue;
            qsizetype end = pos + s.size();
            while (end < text.size() && !IsUrlEnd(text.at(end)))
                ++end;
            const QChar last = text.at(end - 1);
            if (last == QLatin1Char('.') || last == QLatin1Char('?'))
                --end;
            // A bare scheme in prose is not a link.
            return end - pos > s.size() ? end - pos : 0;
        }
    }
    return 0;
}

// The emoticon that starts at pos with its blank: returns the consumed
// length and sets index, 0 when none does.
qsizetype EmoticonAt(const QString &text, qsizetype pos, int &index)
{
    const QStringView rest = QStringView(text).mid(pos);
    for (int i = 0; i < kEmoticonCount; ++i) {
        const QString code = EmoticonCode(i);
        if (rest.size() > code.size() && rest.at(0) == QLatin1Char(' ') && rest.mid(1).startsWith(code)) {
            index = i;
            return code.size() + 1;
        }
        if (rest.size() > code.size() && rest.startsWith(code) && rest.at(code.size()) == QLatin1Char(' ')) {
            index = i;
            return code.size() + 1;
        }
    }
    return 0;
}

QString Convert(const QString &text, bool emoticons, bool links)
{
    QString html;
    html.reserve(text.size() + text.size() / 4);
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (links) {
            if (const qsizetype n = UrlAt(text, pos)) {
                const QString url = text.mid(pos, n).toHtmlEscaped();
                html += QLatin1String("<a target=\"_blank\" href=\"") + url + QLatin1String("\">") + url
                    + QLatin1String("</a>");
                pos += n;
                continue;
            }
        }
        if (emoticons) {
            int index = 0;
            if (const qsizetype n = EmoticonAt(text, pos, index)) {
                html += QStringLiteral("<IMG SRC='qvimg/emoticon%1.gif' ALT='%2'>")
                            .arg(index)
                            .arg(EmoticonCode(index).toHtmlEscaped());
                pos += n;
                continue;
            }
        }
        html += QString(text.at(pos)).toHtmlEscaped();
        ++pos;
    }
    return html;
}

} // namespace

void InsertEmoticons(QString &text)
{
    text = Convert(text, true, false);
}

void LinkifyUrls(QString &text)
{
    text = Convert(text, false, true);
}

QString ChatTextToHtml(const QString &text)
{
    return Convert(text, true, true);
}
