#include "plugins/chat/model/WebAddress.h"

#include "plugins/chat/model/NameValueCollection.h"
#include "plugins/chat/model/NetworkText.h"

#include <QUrl>

namespace Tessary {

namespace {

// Where the authority of "scheme://authority..." ends, or -1 when the text
// does not start with a scheme and "://".
qsizetype AuthorityEnd(const QString &url)
{
    const qsizetype colon = url.indexOf(QLatin1String("://"));
    if (colon <= 0)
        return -1;
    for (qsizetype i = 0; i < colon; ++i) {
        const QChar c = url.at(i);
        const bool schemeChar = (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            || (i > 0 && ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+')
                          || c == QLatin1Char('-') || c == QLatin1Char('.')));
        if (!schemeChar)
            return -1;
    }
    const qsizetype start = colon + 3;
    qsizetype end = start;
    while (end < url.size() && url.at(end) != QLatin1Char('/') && url.at(end) != QLatin1Char('?')
           && url.at(end) != QLatin1Char('#'))
        ++end;
    // No host, no site.
    return end > start ? end : -1;
}

} // namespace

QString ReferrerSite(const QString &url)
{
    const qsizetype end = AuthorityEnd(url);
    return end < 0 ? url : url.left(end);
}

void ReferrerKeywords(const QString &url, QStringList &keywords)
{
    // Search engines use these names for the words searched for.
    static const char *const kNames[] = {
        "q", "p", "ask", "searchfor", "key", "query", "search", "keyword", "keywords", "qry", "searchitem", "kwd",
        "recherche", "search_text", "search_term", "term", "terms", "qq", "qry_str", "qu", "s", "k", "t", "va",
    };

    QByteArray query;
    const qsizetype question = url.indexOf(QLatin1Char('?'));
    if (question >= 0) {
        query = url.mid(question + 1).toUtf8();
    } else {
        const qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
        if (slash < 0)
            return;
        const qsizetype dot = url.lastIndexOf(QLatin1Char('.'));
        if (dot >= 0 && (dot == url.size() - 4 || dot == url.size() - 5))
            return;
        // Engines that put the words in the path.
        query = "q=" + url.mid(slash + 1).toUtf8();
    }

    const NameValueCollection pairs(query, NameValueCollection::UpperCaseNames);
    for (const char *name : kNames) {
        if (const QByteArray *value = pairs.GetValue(name))
            keywords.append(FromNetworkText(*value));
    }
}

bool IsWebAddress(const QString &url)
{
    const QUrl parsed(url.trimmed(), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return false;
    const QString scheme = parsed.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace Tessary
