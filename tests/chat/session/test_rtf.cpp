#include "plugins/chat/session/Rtf.h"

#include <QTextCursor>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QString Plain(const RtfText &text)
{
    QString out;
    for (const RtfRun &run : text)
        out += run.text;
    return out;
}

QTextCharFormat Styled(bool bold, bool italic, bool underline, const QColor &color, const QString &font, qreal points)
{
    QTextCharFormat f;
    f.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(italic);
    f.setFontUnderline(underline);
    if (color.isValid())
        f.setForeground(color);
    f.setFontFamilies({font});
    f.setFontPointSize(points);
    return f;
}

} // namespace

TEST(RtfWriter, RoundTripsTextAndFormats)
{
    struct Case {
        const char *name;
        QString text;
        QTextCharFormat format;
    };
    const QList<Case> cases = {
        {"escapes", QStringLiteral("a{b}\\c \u00e9"), Styled(false, false, false, {}, "Arial", 10)},
        {"control characters", QStringLiteral("x\x01y\x1f\tz"), Styled(true, false, false, {}, "Arial", 10)},
        {"non-Latin", QStringLiteral("\u041f\u0440\u0438 \u4f60\u597d \U0001F600 \u20ac"),
         Styled(false, true, true, QColor(200, 10, 30), "Courier New", 12)},
        {"line break", QStringLiteral("one\u2028two"), Styled(true, true, false, QColor(0, 0, 255), "Tahoma", 8.5)},
    };
    for (const Case &c : cases) {
        QTextDocument doc;
        QTextCursor cursor(&doc);
        cursor.insertText(c.text, c.format);
        cursor.insertBlock();
        cursor.insertText(QStringLiteral("next"), c.format);
        const QByteArray rtf = WriteRtf(doc);
        EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0")) << c.name;
        EXPECT_TRUE(rtf.endsWith("\\par\r\n}\r\n")) << c.name;
        for (char byte : rtf)
            EXPECT_TRUE(uchar(byte) < 0x80) << c.name;
        const auto read = ReadRtf(rtf);
        ASSERT_TRUE(read) << c.name;
        EXPECT_EQ(Plain(*read), c.text + "\nnext\n") << c.name;
        for (const RtfRun &run : *read) {
            EXPECT_EQ(run.format.fontWeight(), c.format.fontWeight()) << c.name;
            EXPECT_EQ(run.format.fontItalic(), c.format.fontItalic()) << c.name;
            EXPECT_EQ(run.format.fontUnderline(), c.format.fontUnderline()) << c.name;
            EXPECT_EQ(run.format.fontFamilies(), c.format.fontFamilies()) << c.name;
            EXPECT_EQ(run.format.fontPointSize(), c.format.fontPointSize()) << c.name;
            EXPECT_EQ(run.format.foreground().color(), c.format.foreground().color()) << c.name;
        }
    }
}

TEST(RtfWriter, EscapesMarkupAndEmoticons)
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("}{\\rtf1 \\pict"));
    QTextImageFormat picture;
    picture.setName(QStringLiteral("tessary-emoticon:0"));
    picture.setProperty(kEmoticonCodeProperty, QStringLiteral(":)"));
    cursor.insertImage(picture);
    const QByteArray rtf = WriteRtf(doc);
    EXPECT_TRUE(rtf.contains("\\}\\{\\\\rtf1 \\\\pict:)\\par\r\n}\r\n")) << rtf.constData();
}

TEST(RtfReader, ReadsTypicalRichEditOutput)
{
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
        "{\\f1\\fnil\\fcharset0 Tahoma;}}\r\n{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
        "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\cf1\\b\\f0\\fs20 Hello\\cf0\\b0  "
        "world\\par\r\n\\i caf\\'e9 \\'80\\i0\\f1\\fs24  \\u8364?\\u-10179?\\u-8704?\\tab x\\line y\\par\r\n}\r\n";
    const auto read = ReadRtf(rtf);
    ASSERT_TRUE(read);
    EXPECT_EQ(Plain(*read), QStringLiteral("Hello world\ncaf\u00e9 \u20ac \u20ac\U0001F600\tx\u2028y\n"));
    ASSERT_GE(read->size(), 4);
    EXPECT_EQ((*read)[0].text, "Hello");
    EXPECT_EQ((*read)[0].format.foreground().color(), QColor(255, 0, 0));
    EXPECT_EQ((*read)[0].format.fontWeight(), QFont::Bold);
    EXPECT_EQ((*read)[0].format.fontFamilies().toStringList(), QStringList{"Arial"});
    EXPECT_EQ((*read)[0].format.fontPointSize(), 10);
    EXPECT_FALSE((*read)[1].format.hasProperty(QTextFormat::ForegroundBrush));
    EXPECT_TRUE((*read)[2].format.fontItalic());
    EXPECT_EQ(read->back().format.fontFamilies().toStringList(), QStringList{"Tahoma"});
}

TEST(RtfReader, HostileInput)
{
    const QByteArray deep = "{\\rtf1 " + QByteArray(100, '{') + "x" + QByteArray(100, '}') + "}";
    const QByteArray deepest = "{\\rtf1 " + QByteArray(kRtfMaxDepth - 1, '{') + "x" + QByteArray(kRtfMaxDepth - 1, '}') + "}";
    const QByteArray huge = "{\\rtf1 " + QByteArray(10 * 1024 * 1024, 'a') + "}";
    struct Case {
        const char *name;
        QByteArray rtf;
        std::optional<QString> text; // null: refused
    };
    const QList<Case> cases = {
        {"embedded object", "{\\rtf1 a{\\object\\objemb{\\*\\objclass Package}{\\*\\objdata 0105000002}"
                            "{\\result b}}{\\pict\\wmetafile8 0a0b}c}", QStringLiteral("ac")},
        {"binary picture data", QByteArray("{\\rtf1 a{\\pict\\bin6 }{x\\\0!}b}", 29), QStringLiteral("ab")},
        {"binary data cut short", "{\\rtf1 a\\bin99 }", QStringLiteral("a")},
        {"100 nested groups", deep, std::nullopt},
        {"nesting at the limit", deepest, QStringLiteral("x")},
        {"10 MB", huge, std::nullopt},
        {"field with an instruction", "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"file:///etc/passwd\"}"
                                      "{\\fldrslt click}}}", QStringLiteral("click")},
        {"unterminated group", "{\\rtf1 {\\b bold", QStringLiteral("bold")},
        {"not RTF", "hello {\\rtf1 x}", std::nullopt},
        {"overlong word and number", "{\\rtf1 \\" + QByteArray(100, 'z') + "99999999999999999999 ok\\fs-99999999999 !}",
         QStringLiteral("ok!")},
        {"cut escapes", "{\\rtf1 a\\'e", QStringLiteral("a")},
        {"lone surrogates", "{\\rtf1 \\u-10179?a\\u-8704?b}", QStringLiteral("ab")},
        {"\\u out of range or a control", "{\\rtf1 a\\u65536?b\\u-40000?c\\u0?d\\u27?e}",
         QStringLiteral("a\uFFFDb\uFFFDc\uFFFDd\uFFFDe")},
    };
    for (const Case &c : cases) {
        const auto read = ReadRtf(c.rtf);
        ASSERT_EQ(read.has_value(), c.text.has_value()) << c.name;
        if (read) {
            EXPECT_EQ(Plain(*read), *c.text) << c.name;
        }
    }
}

TEST(RtfReader, RefusedRtfIsInsertedAsText)
{
    EXPECT_TRUE(TakesBodyAsRtf(u"x{\\rtf1\\ansi y}", false));
    EXPECT_FALSE(TakesBodyAsRtf(u"x{\\rtf1\\ansi y}", true)) << "a visitor's body is text";
    EXPECT_FALSE(TakesBodyAsRtf(u"{\\rtf1 y}", false));

    QTextDocument doc;
    QTextCursor cursor(&doc);
    const QByteArray deep = "{\\rtf1 " + QByteArray(100, '{') + "<b>x</b>" + QByteArray(100, '}') + "}";
    EXPECT_FALSE(InsertRtf(cursor, deep));
    EXPECT_EQ(doc.toPlainText(), QString::fromLatin1(deep));
    doc.clear();
    QTextCursor again(&doc);
    EXPECT_TRUE(InsertRtf(again, "{\\rtf1 one\\par two}"));
    EXPECT_EQ(doc.toPlainText(), "one\ntwo");
}
