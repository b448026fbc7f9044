#pragma once
// The read-only chat transcript: one formatted entry per line (a plain line,
// an RTF line from an agent's client, a notice), emoticon codes shown as
// pictures and web links that open outside. Everything is built with
// QTextCursor and formats, so no peer text ever reaches a markup parser.
// User-interface thread only.

#include "plugins/chat/ui/AutoRichEditCtrl.h"

#include <QList>
#include <QPixmap>

#include <deque>
#include <functional>

class CChatRTFCtrl : public CAutoRichEditCtrl
{
    Q_OBJECT
public:
    // Paragraphs kept, the oldest dropped first: room for every line a
    // channel keeps. They are dropped kTrimBlocks at a time past the cap, so
    // the document is laid out again once per kTrimBlocks paragraphs, not
    // once per line.
    static constexpr int kMaxBlocks = 20000;
    static constexpr int kTrimBlocks = 2000;
    // Lines shown at once in one turn of the event loop; past both, a burst
    // waits in a queue shown in slices of kSliceMs, with input and painting
    // let through between them.
    static constexpr int kLinesPerTurn = 20;
    static constexpr int kSliceMs = 8;

    explicit CChatRTFCtrl(QWidget *parent = nullptr);

    // A line of plain text: a header with the stamp (in brackets, when there
    // is one) and the name, then the body's words two blanks apart, with
    // emoticon codes as pictures. A visitor's line is blue.
    void AddLine(const QString &stamp, const QString &name, const QString &body, bool visitor);
    // A line whose body is RTF from an agent's client, read through the
    // bounded reader (refused RTF shows as its plain text).
    void AddRtfLine(const QString &stamp, const QString &name, const QByteArray &rtf);
    // A line of this program's own: "System" and the body in italics.
    void AddNotice(const QString &body);

    // The emoticon pictures, in code order (19 x 19 each).
    const QList<QPixmap> &EmoticonImages() const { return m_emoticonImages; }

    // Opens an http, https or mailto link outside the program; the default
    // hands it to the desktop. Tests replace it.
    void SetLinkOpener(std::function<void(const QUrl &)> opener) { m_openLink = std::move(opener); }

    // Twips are 1/1440 inch; the document's unit is the pixel of the screen.
    qreal TwipsToPixels(int twips) const;

    // Lines of a burst not shown yet.
    int PendingLines() const { return int(m_pending.size()); }

private:
    // Shows the entry now, or queues it behind a burst.
    void Enter(std::function<void()> entry);
    void Run(const std::function<void()> &entry);
    void ShowSlice();
    // True when it dropped lines.
    bool TrimOldest();
    void ShowLine(const QString &stamp, const QString &name, const QString &body, bool visitor);
    void ShowRtfLine(const QString &stamp, const QString &name, const QByteArray &rtf);
    void ShowNotice(const QString &body);
    QTextCursor BeginEntry();
    void AddHeader(QTextCursor &cursor, const QString &header, const QColor &color);
    void InsertEmoticon(QTextCursor &cursor, int index);
    // Turns emoticon codes (unless only links are wanted) and links between
    // from and to into pictures and anchors.
    void DecorateRange(int from, int to, bool emoticons = true);
    void OnAnchorClicked(const QUrl &url);
    void ScrollToEnd();

    QList<QPixmap> m_emoticonImages;
    bool m_atEnd = true; // the newest line is in view
    std::function<void(const QUrl &)> m_openLink;
    std::deque<std::function<void()>> m_pending;
    bool m_turnOpen = false;  // a turn of the event loop is showing lines
    bool m_inSlice = false;
    int m_turnLines = 0;
    qint64 m_turnNs = 0;
    int m_sliceLines = 20; // lines a slice shows, adapted to their cost
};
