#include "plugins/chat/ui/ChatRTFCtrl.h"

#include "plugins/chat/ChatLog.h"
#include "plugins/chat/session/EmoticonCodes.h"
#include "plugins/chat/session/Rtf.h"

#include "shared/OneLine.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <QScrollBar>
#include <QRegularExpression>
#include <QTextBlock>

namespace {

const QColor kVisitorColor(0, 0, 255);
const QColor kAgentHeaderColor(51, 51, 51);

QUrl EmoticonUrl(int index)
{
    return QUrl(QStringLiteral("tessary-emoticon:%1").arg(index));
}

// Emoticon codes and web links standing alone between blanks, line ends or
// the ends of the text.
const QRegularExpression &DecorationPattern()
{
    static const QRegularExpression pattern = [] {
        QStringList codes;
        for (int i = 0; i < kEmoticonCount; ++i)
            codes.append(QRegularExpression::escape(EmoticonCode(i)));
        return QRegularExpression(QStringLiteral("(?<!\\S)(?:(%1)|(?i:((?:https?://|mailto:|www\\.)\\S+)))(?!\\S)")
                                      .arg(codes.join(QLatin1Char('|'))),
                                  QRegularExpression::UseUnicodePropertiesOption);
    }();
    return pattern;
}

// Only these leave the program; anything else does nothing.
bool IsOpenable(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https" || scheme == u"mailto");
}

} // namespace

CChatRTFCtrl::CChatRTFCtrl(QWidget *parent)
    : CAutoRichEditCtrl(parent)
    , m_openLink([](const QUrl &url) { QDesktopServices::openUrl(url); })
{
    setReadOnly(true);
    setUndoRedoEnabled(false);
    // A peer that writes without end must not grow the window without end;
    // TrimOldest keeps the document within kMaxBlocks + kTrimBlocks.
    setTextInteractionFlags(Qt::TextBrowserInteraction);
    const QPixmap strip(QStringLiteral(":/tessary/BITMAP/10031"));
    for (int i = 0; i < kEmoticonCount; ++i)
        m_emoticonImages.append(strip.copy(i * 19, 0, 19, 19));
    connect(this, &QTextBrowser::anchorClicked, this, &CChatRTFCtrl::OnAnchorClicked);
    // A transcript showing its newest line keeps showing it when its window
    // is shown again or resized (its lines were laid out while hidden); one
    // the agent scrolled back stays where the agent put it.
    QScrollBar *bar = verticalScrollBar();
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) { m_atEnd = value >= bar->maximum(); });
    connect(bar, &QScrollBar::rangeChanged, this, [this, bar](int, int maximum) {
        if (m_atEnd)
            bar->setValue(maximum);
    });
}

qreal CChatRTFCtrl::TwipsToPixels(int twips) const
{
    return twips * logicalDpiY() / 1440.0;
}

QTextCursor CChatRTFCtrl::BeginEntry()
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    if (!document()->isEmpty())
        cursor.insertBlock();
    QTextBlockFormat block;
    block.setTextIndent(TwipsToPixels(10));
    block.setBottomMargin(TwipsToPixels(35));
    cursor.setBlockFormat(block);
    QTextCharFormat format;
    format.setFontFamilies({QStringLiteral("MS Sans Serif")});
    format.setFontPointSize(10);
    format.setFontWeight(QFont::Normal);
    cursor.setCharFormat(format);
    return cursor;
}

void CChatRTFCtrl::AddHeader(QTextCursor &cursor, const QString &header, const QColor &color)
{
    QTextCharFormat format = cursor.charFormat();
    format.setFontWeight(QFont::Bold);
    if (color.isValid())
        format.setForeground(color);
    // A name from the network must not draw header lines of its own.
    cursor.insertText(OneLine(header) + QLatin1Char(':'), format);
    QTextBlockFormat body = cursor.blockFormat();
    body.setTextIndent(0);
    cursor.insertBlock(body);
    format.setFontWeight(QFont::Normal);
    format.clearForeground();
    cursor.setCharFormat(format);
}

void CChatRTFCtrl::Enter(std::function<void()> entry)
{
    if (m_pending.empty() && (m_turnLines < kLinesPerTurn || m_turnNs < kSliceMs * 1000000LL)) {
        Run(entry);
        return;
    }
    m_pending.push_back(std::move(entry));
}

void CChatRTFCtrl::Run(const std::function<void()> &entry)
{
    if (!m_turnOpen) {
        // The turn ends when the event loop comes round; the queue goes on
        // from there.
        m_turnOpen = true;
        QTimer::singleShot(0, this, &CChatRTFCtrl::ShowSlice);
    }
    QElapsedTimer clock;
    clock.start();
    // One layout for the entry's edits (for the slice's, inside a slice).
    // The trim is an edit of its own: joined with the new lines, it would
    // lay out the whole document again.
    QTextCursor edit(document());
    edit.beginEditBlock();
    entry();
    edit.endEditBlock();
    if (!m_inSlice) {
        TrimOldest();
        ScrollToEnd();
    }
    m_turnNs += clock.nsecsElapsed();
    ++m_turnLines;
}

void CChatRTFCtrl::ShowSlice()
{
    m_turnOpen = false;
    m_turnLines = 0;
    m_turnNs = 0;
    if (m_pending.empty())
        return;
    // A trim due takes a turn of its own, so a turn never holds both.
    if (TrimOldest()) {
        m_turnOpen = true;
        QTimer::singleShot(0, this, &CChatRTFCtrl::ShowSlice);
        return;
    }
    // One layout and one scroll for the slice. Most of a line's cost is its
    // layout, which comes at the end, so the slice is sized in lines, from
    // what the last one cost.
    QElapsedTimer clock;
    clock.start();
    m_inSlice = true;
    QTextCursor edit(document());
    edit.beginEditBlock();
    int lines = 0;
    while (!m_pending.empty() && lines < m_sliceLines) {
        const std::function<void()> entry = std::move(m_pending.front());
        m_pending.pop_front();
        Run(entry);
        ++lines;
    }
    edit.endEditBlock();
    m_inSlice = false;
    if (m_pending.empty())
        TrimOldest();
    ScrollToEnd();
    const qint64 spentNs = std::max<qint64>(clock.nsecsElapsed(), 1);
    if (lines == m_sliceLines)
        m_sliceLines = int(std::clamp<qint64>(lines * kSliceMs * 1000000LL / spentNs, 1, 1000));
}

bool CChatRTFCtrl::TrimOldest()
{
    QTextDocument *doc = document();
    const int excess = doc->blockCount() - kMaxBlocks;
    if (excess < kTrimBlocks)
        return false;
    const QTextBlock first = doc->findBlockByNumber(excess);
    const QTextBlockFormat format = first.blockFormat();
    const QTextCharFormat charFormat = first.charFormat();
    // One edit, so one layout: each edit at the top lays the whole document
    // out again, and the formats put back would make it two more.
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    cursor.setPosition(first.position(), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setBlockFormat(format);
    cursor.setBlockCharFormat(charFormat);
    cursor.endEditBlock();
    return true;
}

void CChatRTFCtrl::AddLine(const QString &stamp, const QString &name, const QString &body, bool visitor)
{
    Enter([=, this] { ShowLine(stamp, name, body, visitor); });
}

void CChatRTFCtrl::AddRtfLine(const QString &stamp, const QString &name, const QByteArray &rtf)
{
    Enter([=, this] { ShowRtfLine(stamp, name, rtf); });
}

void CChatRTFCtrl::AddNotice(const QString &body)
{
    Enter([=, this] { ShowNotice(body); });
}

void CChatRTFCtrl::ShowLine(const QString &stamp, const QString &name, const QString &body, bool visitor)
{
    QTextCursor cursor = BeginEntry();
    const QString header = stamp.isEmpty() ? name : QLatin1Char('[') + stamp + QStringLiteral("] ") + name;
    AddHeader(cursor, header, visitor ? kVisitorColor : kAgentHeaderColor);
    QTextCharFormat format = cursor.charFormat();
    format.setForeground(visitor ? kVisitorColor : QColor(Qt::black));
    const int start = cursor.position();
    const QStringList words = body.trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    cursor.insertText(QStringLiteral("  ") + words.join(QStringLiteral("  ")), format);
    DecorateRange(start, cursor.position());
}

void CChatRTFCtrl::ShowRtfLine(const QString &stamp, const QString &name, const QByteArray &rtf)
{
    QTextCursor cursor = BeginEntry();
    AddHeader(cursor, stamp.isEmpty() ? name : QLatin1Char('[') + stamp + QStringLiteral("] ") + name,
              kAgentHeaderColor);
    cursor.insertText(QStringLiteral("  "));
    const int start = cursor.position();
    if (!InsertRtf(cursor, rtf))
        qCInfo(lcChat) << "RTF line of" << rtf.size() << "bytes refused; shown as text";
    DecorateRange(start, cursor.position());
}

void CChatRTFCtrl::ShowNotice(const QString &body)
{
    QTextCursor cursor = BeginEntry();
    AddHeader(cursor, QStringLiteral("System"), QColor());
    QTextCharFormat format = cursor.charFormat();
    format.setFontItalic(true);
    cursor.insertText(QStringLiteral("  "), format);
    const int start = cursor.position();
    cursor.insertText(body, format);
    // An uploaded file's address is a link like any line's; codes stay text.
    DecorateRange(start, cursor.position(), false);
    cursor.movePosition(QTextCursor::End);
    cursor.insertBlock();
    format.setFontItalic(false);
    cursor.setCharFormat(format);
}

void CChatRTFCtrl::InsertEmoticon(QTextCursor &cursor, int index)
{
    const QUrl url = EmoticonUrl(index);
    document()->addResource(QTextDocument::ImageResource, url, m_emoticonImages.value(index).toImage());
    QTextImageFormat image;
    image.merge(cursor.charFormat()); // a copy or a save writes the code in the line's format
    image.setName(url.toString());
    image.setWidth(19);
    image.setHeight(19);
    image.setProperty(kEmoticonCodeProperty, EmoticonCode(index));
    cursor.insertImage(image);
}

void CChatRTFCtrl::DecorateRange(int from, int to, bool emoticons)
{
    QTextCursor range(document());
    range.setPosition(from);
    range.setPosition(to, QTextCursor::KeepAnchor);
    // selectedText() keeps one character per position: paragraph ends are
    // U+2029, pictures U+FFFC.
    const QString text = range.selectedText();
    QList<QRegularExpressionMatch> matches;
    for (auto it = DecorationPattern().globalMatch(text); it.hasNext();)
        matches.append(it.next());
    // Last first, so that pictures do not move the matches still to do.
    for (auto it = matches.crbegin(); it != matches.crend(); ++it) {
        QTextCursor cursor(document());
        if (it->capturedLength(1) > 0) {
            if (!emoticons)
                continue;
            cursor.setPosition(from + it->capturedStart(1));
            cursor.setPosition(from + it->capturedEnd(1), QTextCursor::KeepAnchor);
            const QTextCharFormat format = cursor.charFormat();
            cursor.removeSelectedText();
            cursor.setCharFormat(format);
            InsertEmoticon(cursor, EmoticonIndex(it->captured(1)));
            continue;
        }
        QString link = it->captured(2);
        if (link.endsWith(QLatin1Char('.')) || link.endsWith(QLatin1Char('!')) || link.endsWith(QLatin1Char('?'))
            || link.endsWith(QLatin1Char(',')))
            link.chop(1);
        QUrl url = QUrl::fromUserInput(link);
        if (!IsOpenable(url))
            continue;
        cursor.setPosition(from + it->capturedStart(2));
        cursor.setPosition(from + it->capturedStart(2) + link.size(), QTextCursor::KeepAnchor);
        QTextCharFormat anchor;
        anchor.setAnchor(true);
        anchor.setAnchorHref(url.toString(QUrl::FullyEncoded));
        anchor.setFontUnderline(true);
        anchor.setForeground(palette().link());
        cursor.mergeCharFormat(anchor);
    }
}

void CChatRTFCtrl::OnAnchorClicked(const QUrl &url)
{
    if (IsOpenable(url) && m_openLink)
        m_openLink(url);
}

void CChatRTFCtrl::ScrollToEnd()
{
    // The caret goes to the end like every entry's; making it visible lays
    // the document out that far first.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    setTextCursor(end);
    ensureCursorVisible();
}
