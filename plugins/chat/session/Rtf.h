#pragma once
// Our own RTF, since Qt has none: a writer for what the chat controls hold
// (fonts, sizes, colours, bold, italic, underline, paragraphs) and a
// whitelisting reader for RTF from other agents' clients. The reader takes
// only text and character formats; pictures, objects, field instructions and
// every unknown destination are skipped, so RTF can never bring in anything
// but formatted text. Pure functions over their arguments; any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QTextCharFormat>

#include <optional>

class QTextCursor;
class QTextDocument;

// The reader refuses input larger than this, or nested deeper than
// kRtfMaxDepth groups; callers then show the text as it stands.
inline constexpr qsizetype kRtfMaxBytes = 256 * 1024;
inline constexpr int kRtfMaxDepth = 64;

// Set on the character format of a picture that stands for an emoticon: its
// code, which the writer (and a copy to the clipboard) writes in its place.
inline constexpr int kEmoticonCodeProperty = QTextFormat::UserProperty + 1;

// One run of text in one format. "\n" in the text ends a paragraph.
struct RtfRun
{
    QString text;
    QTextCharFormat format;
};

// The formatted text of an RTF document; empty runs never occur.
using RtfText = QList<RtfRun>;

// Null when the input is not RTF, is larger than kRtfMaxBytes or nests
// deeper than kRtfMaxDepth. An unterminated document gives what was read.
std::optional<RtfText> ReadRtf(QByteArrayView rtf);

// Whether a chat body is shown as RTF: one that holds "{\rtf1\" from a
// sender who is not a visitor. A visitor's body is always plain text.
bool TakesBodyAsRtf(QStringView body, bool fromVisitor);

// Inserts rtf at the cursor, in the cursor's font where the RTF names none.
// Input that ReadRtf refuses is inserted as plain text (decoded as UTF-8)
// and the result is false.
bool InsertRtf(QTextCursor &cursor, QByteArrayView rtf);

// The whole document as RTF: "{\rtf1\ansi\ansicpg1252\deff0", the font and
// colour tables, then every paragraph ending in "\par" and CR-LF, and "}"
// with CR-LF. Emoticon pictures are written as their codes; other pictures
// are left out.
QByteArray WriteRtf(const QTextDocument &document);

// The Windows-1252 code page: the character of a byte, and the byte of a
// character (-1 when it has none).
QChar Cp1252ToUnicode(uchar byte);
int UnicodeToCp1252(QChar ch);
