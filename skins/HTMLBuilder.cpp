#include "HTMLBuilder.h"

#include "SkinLog.h"
#include "skins/QVSkinManager.h"

#include <QFile>

CHTMLBuilder::CHTMLBuilder() = default;

CHTMLBuilder::CHTMLBuilder(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSkins) << "no HTML template" << resourcePath;
        return;
    }
    QByteArray text = file.readAll();
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    m_segments.push_back({text, false});
    Replace("%%CssPath%%", CQVSkinManager::GetCssPath());
}

CHTMLBuilder::CHTMLBuilder(const CHTMLBuilder &other) = default;
CHTMLBuilder &CHTMLBuilder::operator=(const CHTMLBuilder &other) = default;
CHTMLBuilder::~CHTMLBuilder() = default;

CHTMLBuilder &CHTMLBuilder::Replace(QByteArrayView placeholder, const QString &value)
{
    return Replace(placeholder, ToHTML(value));
}

CHTMLBuilder &CHTMLBuilder::Replace(QByteArrayView placeholder, const char *value)
{
    return Replace(placeholder, QByteArray(value));
}

CHTMLBuilder &CHTMLBuilder::ReplaceEscaped(QByteArrayView placeholder, const QString &text)
{
    return Replace(placeholder, ToHTML(text.toHtmlEscaped()));
}

CHTMLBuilder &CHTMLBuilder::Replace(QByteArrayView placeholder, const QByteArray &value)
{
    if (placeholder.isEmpty())
        return *this;

    std::vector<Segment> out;
    out.reserve(m_segments.size());
    for (Segment &segment : m_segments) {
        if (segment.isValue) {
            out.push_back(std::move(segment));
            continue;
        }
        qsizetype from = 0;
        qsizetype at = segment.bytes.indexOf(placeholder, from);
        if (at < 0) {
            out.push_back(std::move(segment));
            continue;
        }
        for (; at >= 0; at = segment.bytes.indexOf(placeholder, from)) {
            if (at > from)
                out.push_back({segment.bytes.mid(from, at - from), false});
            out.push_back({value, true});
            from = at + placeholder.size();
        }
        if (from < segment.bytes.size())
            out.push_back({segment.bytes.mid(from), false});
    }
    m_segments = std::move(out);
    return *this;
}

QByteArray CHTMLBuilder::ToHTML(const QString &text)
{
    return text.toUtf8();
}

QString CHTMLBuilder::GetHTML() const
{
    QByteArray bytes;
    for (const Segment &segment : m_segments)
        bytes += segment.bytes;
    return QString::fromUtf8(bytes);
}
