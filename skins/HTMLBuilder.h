#pragma once
// Fills an HTML page template kept in a deliverable's Qt resources: the
// current skin's style sheet goes into "%%CssPath%%", the caller replaces
// further placeholders, and GetHTML hands the page to an HTML view.
// Placeholders are looked for in the template's own text only: a value that
// was put in is never searched again. User-interface thread only.

#include "skins/FaycelExport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <vector>

class FAYCEL_EXPORT CHTMLBuilder
{
public:
    // An empty page.
    CHTMLBuilder();
    // The template at resourcePath (e.g. ":/Tessary/html/chat.html"), read as
    // UTF-8 up to its first zero byte; empty when there is no such resource.
    explicit CHTMLBuilder(const QString &resourcePath);
    CHTMLBuilder(const CHTMLBuilder &other);
    CHTMLBuilder &operator=(const CHTMLBuilder &other);
    virtual ~CHTMLBuilder();

    // Puts markup in: the value goes in unescaped, as UTF-8.
    CHTMLBuilder &Replace(QByteArrayView placeholder, const QString &value);
    // Puts bytes in unchanged.
    CHTMLBuilder &Replace(QByteArrayView placeholder, const QByteArray &value);
    CHTMLBuilder &Replace(QByteArrayView placeholder, const char *value);
    // Puts plain text in (visitor or article text): HTML-escaped, as UTF-8.
    CHTMLBuilder &ReplaceEscaped(QByteArrayView placeholder, const QString &text);

    // The text in UTF-8; no escaping.
    static QByteArray ToHTML(const QString &text);

    // The filled page.
    QString GetHTML() const;

private:
    // The template's own text and the values put into it, in page order.
    struct Segment
    {
        QByteArray bytes;
        bool isValue = false;
    };

    std::vector<Segment> m_segments;
};
