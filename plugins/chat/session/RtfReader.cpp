#include "plugins/chat/session/Rtf.h"

#include <QColor>
#include <QTextCursor>

#include <QHash>

#include <cctype>
#include <tuple>

namespace {

// 0x80 to 0x9F of Windows-1252; the undefined bytes map to themselves.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

enum class Dest { Text, Skip, FontTable, ColorTable };

struct State
{
    Dest dest = Dest::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;
    int color = 0;
    int halfPoints = 0;
    int unicodeSkip = 1;
};

// Destinations whose content is never text: skipped with all they hold.
constexpr const char *kSkipped[] = {
    "pict", "object", "objdata", "objclass", "objname", "fldinst", "stylesheet", "info",
    "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr", "footerf",
    "footnote", "annotation", "nonshppict", "listtable", "listoverridetable", "revtbl",
    "rsidtbl", "xmlnstbl", "themedata", "colorschememapping", "latentstyles", "datastore",
    "filetbl", "pntext", "pntxta", "pntxtb", "bkmkstart", "bkmkend", "template", "txe",
    "xe", "tc", "private", "generator", "mmathPr", "userprops", "docvar"};

bool IsSkipped(const QByteArray &word)
{
    for (const char *name : kSkipped) {
        if (word == name)
            return true;
    }
    return false;
}

class Reader
{
public:
    explicit Reader(QByteArrayView in) : m_in(in) {}

    std::optional<RtfText> Run()
    {
        if (!m_in.startsWith("{\\rtf"))
            return std::nullopt;
        while (m_pos < m_in.size()) {
            const char c = m_in[m_pos++];
            switch (c) {
            case '{':
                if (m_stack.size() >= kRtfMaxDepth)
                    return std::nullopt;
                m_stack.append(m_state);
                m_skip = 0;
                continue;
            case '}':
                if (m_stack.isEmpty())
                    return Finish(); // the end of the document
                m_state = m_stack.takeLast();
                m_skip = 0;
                break;
            case '\\':
                ControlWord();
                break;
            case '\r':
            case '\n':
                break;
            default:
                if (uchar(c) >= 0x20)
                    Char(Cp1252ToUnicode(uchar(c)));
                break;
            }
        }
        return Finish();
    }

private:
    std::optional<RtfText> Finish()
    {
        Flush();
        return std::move(m_out);
    }

    void ControlWord()
    {
        if (m_pos >= m_in.size())
            return;
        const char c = m_in[m_pos];
        if (!std::isalpha(uchar(c))) {
            ++m_pos;
            Symbol(c);
            return;
        }
        QByteArray word;
        while (m_pos < m_in.size() && std::isalpha(uchar(m_in[m_pos])) && word.size() < 32)
            word.append(m_in[m_pos++]);
        while (m_pos < m_in.size() && std::isalpha(uchar(m_in[m_pos])))
            ++m_pos; // an overlong word is not one we know
        bool hasParam = false;
        bool negative = false;
        qint64 param = 0;
        if (m_pos < m_in.size() && m_in[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        int digits = 0;
        while (m_pos < m_in.size() && std::isdigit(uchar(m_in[m_pos]))) {
            if (digits++ < 10)
                param = param * 10 + (m_in[m_pos] - '0');
            hasParam = true;
            ++m_pos;
        }
        if (negative)
            param = -param;
        if (m_pos < m_in.size() && m_in[m_pos] == ' ')
            ++m_pos;
        if (word == "bin") {
            // Raw bytes that may hold anything, braces too: never read them.
            m_pos += qBound(qint64(0), param, qint64(m_in.size() - m_pos));
            return;
        }
        Word(word, hasParam, int(qBound(qint64(-1000000000), param, qint64(1000000000))));
    }

    void Symbol(char c)
    {
        switch (c) {
        case '\\':
        case '{':
        case '}':
            Char(QLatin1Char(c));
            break;
        case '~':
            Char(QChar(0x00A0));
            break;
        case '_':
            Char(QChar(0x2011));
            break;
        case '\'': {
            int value = 0;
            for (int i = 0; i < 2; ++i) {
                if (m_pos >= m_in.size() || !std::isxdigit(uchar(m_in[m_pos])))
                    return;
                const char d = char(std::tolower(uchar(m_in[m_pos++])));
                value = value * 16 + (d <= '9' ? d - '0' : d - 'a' + 10);
            }
            Char(Cp1252ToUnicode(uchar(value)));
            break;
        }
        case '*':
            // An optional destination: none of them holds text we show.
            m_state.dest = Dest::Skip;
            break;
        case '\r':
        case '\n':
            Paragraph();
            break;
        default:
            break; // "\-", "\|", "\:" and the rest: nothing to show
        }
    }

    void Word(const QByteArray &w, bool hasParam, int p)
    {
        if (m_state.dest == Dest::Skip)
            return;
        if (m_skip > 0) { // a control word stands for one fallback character
            --m_skip;
            return;
        }
        if (w == "fonttbl") {
            m_state.dest = Dest::FontTable;
        } else if (w == "colortbl") {
            m_state.dest = Dest::ColorTable;
            m_color = QColor();
        } else if (IsSkipped(w)) {
            m_state.dest = Dest::Skip;
        } else if (m_state.dest == Dest::FontTable) {
            if (w == "f" && hasParam) {
                m_fontId = p;
                m_fontName.clear();
            }
        } else if (m_state.dest == Dest::ColorTable) {
            if (!m_color.isValid())
                m_color = QColor(0, 0, 0);
            const int v = qBound(0, p, 255);
            if (w == "red")
                m_color.setRed(v);
            else if (w == "green")
                m_color.setGreen(v);
            else if (w == "blue")
                m_color.setBlue(v);
        } else if (w == "par" || w == "row") {
            Paragraph();
        } else if (w == "line") {
            Char(QChar(QChar::LineSeparator));
        } else if (w == "tab" || w == "cell") {
            Char(QLatin1Char('\t'));
        } else if (w == "u" && hasParam) {
            Unicode(p);
        } else if (w == "uc") {
            m_state.unicodeSkip = qBound(0, p, 8);
        } else if (w == "b") {
            m_state.bold = !hasParam || p != 0;
        } else if (w == "i") {
            m_state.italic = !hasParam || p != 0;
        } else if (w == "ul") {
            m_state.underline = !hasParam || p != 0;
        } else if (w == "ulnone") {
            m_state.underline = false;
        } else if (w == "plain") {
            const int skip = m_state.unicodeSkip;
            const Dest dest = m_state.dest;
            m_state = State();
            m_state.unicodeSkip = skip;
            m_state.dest = dest;
        } else if (w == "f" && hasParam) {
            m_state.font = p;
        } else if (w == "fs" && hasParam) {
            m_state.halfPoints = qBound(0, p, 3276);
        } else if (w == "cf" && hasParam) {
            m_state.color = p;
        } else if (w == "emdash") {
            Char(QChar(0x2014));
        } else if (w == "endash") {
            Char(QChar(0x2013));
        } else if (w == "bullet") {
            Char(QChar(0x2022));
        } else if (w == "lquote") {
            Char(QChar(0x2018));
        } else if (w == "rquote") {
            Char(QChar(0x2019));
        } else if (w == "ldblquote") {
            Char(QChar(0x201C));
        } else if (w == "rdblquote") {
            Char(QChar(0x201D));
        }
        // Any other word changes nothing we show; a group that starts with
        // one is still read, since only "\*" marks a group to skip.
    }

    void Unicode(int value)
    {
        // Writers give units above 32767 as negative numbers. A value that
        // is no 16-bit unit, or a control character, is not text: it shows
        // as the replacement character, never as a control.
        const bool inRange = value >= -32768 && value <= 0xFFFF;
        char16_t ch = char16_t(value < 0 ? value + 65536 : value);
        if (!inRange || (ch < 0x20 && ch != u'\t' && ch != u'\n'))
            ch = QChar::ReplacementCharacter;
        if (QChar::isHighSurrogate(ch)) {
            m_highSurrogate = ch;
        } else if (QChar::isLowSurrogate(ch)) {
            if (m_highSurrogate) {
                Append(QChar(m_highSurrogate));
                Append(QChar(ch));
            }
            m_highSurrogate = 0;
        } else {
            m_highSurrogate = 0;
            Append(QChar(ch));
        }
        m_skip = m_state.unicodeSkip;
    }

    void Char(QChar ch)
    {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        switch (m_state.dest) {
        case Dest::Skip:
            return;
        case Dest::FontTable:
            if (ch == QLatin1Char(';')) {
                if (m_fontId >= 0 && m_fontId < 4096)
                    m_fonts.insert(m_fontId, m_fontName.trimmed());
                m_fontName.clear();
            } else if (m_fontName.size() < 256) {
                m_fontName.append(ch);
            }
            return;
        case Dest::ColorTable:
            if (ch == QLatin1Char(';') && m_colors.size() < 4096) {
                m_colors.append(m_color);
                m_color = QColor();
            }
            return;
        case Dest::Text:
            m_highSurrogate = 0;
            Append(ch);
            return;
        }
    }

    void Paragraph()
    {
        if (m_state.dest == Dest::Text)
            Append(QLatin1Char('\n'));
    }

    void Append(QChar ch)
    {
        if (m_state.dest != Dest::Text)
            return;
        const auto key = std::tuple(m_state.bold, m_state.italic, m_state.underline, m_state.font,
                                    m_state.color, m_state.halfPoints);
        if (m_run.text.isEmpty() || key != m_runKey) {
            Flush();
            m_run.format = Format();
            m_runKey = key;
        }
        m_run.text.append(ch);
    }

    void Flush()
    {
        if (!m_run.text.isEmpty())
            m_out.append(std::move(m_run));
        m_run = RtfRun();
    }

    QTextCharFormat Format() const
    {
        QTextCharFormat f;
        f.setFontWeight(m_state.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(m_state.italic);
        f.setFontUnderline(m_state.underline);
        const auto font = m_fonts.constFind(m_state.font);
        if (font != m_fonts.constEnd() && !font->isEmpty())
            f.setFontFamilies({*font});
        if (m_state.halfPoints > 0)
            f.setFontPointSize(m_state.halfPoints / 2.0);
        if (m_state.color > 0 && m_state.color < m_colors.size() && m_colors[m_state.color].isValid())
            f.setForeground(m_colors[m_state.color]);
        return f;
    }

    QByteArrayView m_in;
    qsizetype m_pos = 0;
    State m_state;
    QList<State> m_stack;
    int m_skip = 0; // fallback characters still to drop after "\u"
    char16_t m_highSurrogate = 0;
    QHash<int, QString> m_fonts;
    int m_fontId = -1;
    QString m_fontName;
    QList<QColor> m_colors;
    QColor m_color;
    RtfRun m_run;
    std::tuple<bool, bool, bool, int, int, int> m_runKey;
    RtfText m_out;
};

} // namespace

QChar Cp1252ToUnicode(uchar byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(kCp1252High[byte - 0x80]);
    return QChar(byte);
}

int UnicodeToCp1252(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == u)
            return 0x80 + i;
    }
    return -1;
}

std::optional<RtfText> ReadRtf(QByteArrayView rtf)
{
    if (rtf.size() > kRtfMaxBytes)
        return std::nullopt;
    return Reader(rtf.trimmed()).Run();
}

bool TakesBodyAsRtf(QStringView body, bool fromVisitor)
{
    return !fromVisitor && body.contains(u"{\\rtf1\\");
}

bool InsertRtf(QTextCursor &cursor, QByteArrayView rtf)
{
    const std::optional<RtfText> text = ReadRtf(rtf);
    if (!text) {
        cursor.insertText(QString::fromUtf8(rtf));
        return false;
    }
    const QTextCharFormat base = cursor.charFormat();
    for (const RtfRun &run : *text) {
        QTextCharFormat format = base;
        format.merge(run.format);
        if (!run.format.hasProperty(QTextFormat::ForegroundBrush))
            format.clearForeground();
        const QStringList paragraphs = run.text.split(QLatin1Char('\n'));
        for (qsizetype i = 0; i < paragraphs.size(); ++i) {
            if (i > 0)
                cursor.insertBlock();
            if (!paragraphs[i].isEmpty())
                cursor.insertText(paragraphs[i], format);
        }
    }
    return true;
}
