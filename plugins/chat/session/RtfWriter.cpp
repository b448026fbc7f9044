#include "plugins/chat/session/Rtf.h"

#include <QTextBlock>
#include <QTextDocument>

namespace {

// The tables and the text are written apart: the tables are known only once
// every run has been seen.
class Writer
{
public:
    explicit Writer(const QTextDocument &document)
        : m_defaultFont(document.defaultFont())
    {
        m_fonts.append(m_defaultFont.family());
    }

    QByteArray Write(const QTextDocument &document)
    {
        QByteArray body;
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.isValid())
                    Fragment(body, fragment);
            }
            body += "\\par\r\n";
        }
        QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl";
        for (qsizetype i = 0; i < m_fonts.size(); ++i) {
            out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
            Text(out, m_fonts[i]);
            out += ";}";
        }
        out += "}\r\n{\\colortbl ;";
        for (const QColor &color : m_colors) {
            out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green())
                + "\\blue" + QByteArray::number(color.blue()) + ';';
        }
        out += "}\r\n\\viewkind4\\uc1\\pard";
        return out + body + "}\r\n";
    }

private:
    void Fragment(QByteArray &out, const QTextFragment &fragment)
    {
        const QTextCharFormat format = fragment.charFormat();
        QString text = fragment.text();
        if (format.isImageFormat()) {
            // Each picture is one U+FFFC; an emoticon goes back to its code.
            const QString code = format.stringProperty(kEmoticonCodeProperty);
            text = QString();
            for (qsizetype i = 0; i < fragment.length(); ++i)
                text += code;
            if (text.isEmpty())
                return;
        }
        Format(out, format);
        Text(out, text);
    }

    void Format(QByteArray &out, const QTextCharFormat &format)
    {
        QByteArray words;
        const QStringList families = format.fontFamilies().toStringList();
        const int font = Index(m_fonts, families.isEmpty() ? m_defaultFont.family() : families.first());
        if (font != m_font)
            words += "\\f" + QByteArray::number(m_font = font);
        const qreal points = format.fontPointSize() > 0 ? format.fontPointSize() : m_defaultFont.pointSizeF();
        const int halfPoints = qBound(1, qRound(points * 2), 3276);
        if (halfPoints != m_halfPoints)
            words += "\\fs" + QByteArray::number(m_halfPoints = halfPoints);
        int color = 0;
        if (format.hasProperty(QTextFormat::ForegroundBrush) && format.foreground().style() != Qt::NoBrush)
            color = Index(m_colors, format.foreground().color().toRgb()) + 1;
        if (color != m_color)
            words += "\\cf" + QByteArray::number(m_color = color);
        const bool bold = format.fontWeight() >= QFont::DemiBold;
        if (bold != m_bold)
            words += (m_bold = bold) ? "\\b" : "\\b0";
        if (format.fontItalic() != m_italic)
            words += (m_italic = format.fontItalic()) ? "\\i" : "\\i0";
        if (format.fontUnderline() != m_underline)
            words += (m_underline = format.fontUnderline()) ? "\\ul" : "\\ulnone";
        if (!words.isEmpty())
            out += words + ' ';
    }

    static void Text(QByteArray &out, const QString &text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar ch = text[i];
            const char16_t u = ch.unicode();
            if (u == '\\' || u == '{' || u == '}') {
                out += '\\';
                out += char(u);
            } else if (u == '\t') {
                out += "\\tab ";
            } else if (u == QChar::LineSeparator) {
                out += "\\line ";
            } else if (u >= 0x20 && u < 0x7F) {
                out += char(u);
            } else if (const int byte = UnicodeToCp1252(ch); byte >= 0) {
                // Control characters too: nothing in them may end a word.
                static const char hex[] = "0123456789abcdef";
                out += "\\'";
                out += hex[byte >> 4];
                out += hex[byte & 15];
            } else {
                out += "\\u" + QByteArray::number(qint16(u)) + '?';
            }
        }
    }

    template<typename T>
    static int Index(QList<T> &list, const T &value)
    {
        qsizetype i = list.indexOf(value);
        if (i < 0) {
            i = list.size();
            list.append(value);
        }
        return int(i);
    }

    QFont m_defaultFont;
    QList<QString> m_fonts;
    QList<QColor> m_colors;
    int m_font = 0;
    int m_halfPoints = 0;
    int m_color = 0;
    bool m_bold = false;
    bool m_italic = false;
    bool m_underline = false;
};

} // namespace

QByteArray WriteRtf(const QTextDocument &document)
{
    return Writer(document).Write(document);
}
