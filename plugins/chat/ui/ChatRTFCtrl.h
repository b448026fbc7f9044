#pragma once
// The read-only chat transcript: one formatted entry per line (a plain line,
// an RTF line from an agent's client, a notice), emoticon codes shown as
// pictures and web links that open outside. Everything is built with
// QTextCursor and formats, so no peer text ever reaches a markup parser.
// User-interface thread only.

#include "plugins/chat/ui/AutoRichEditCtrl.h"

#include <QList>
#include <QPixmap>

#include <functional>

class CChatRTFCtrl : public CAutoRichEditCtrl
{
    Q_OBJECT
public:
    // Paragraphs kept, the oldest dropped first: room for every line a
    // channel keeps.
    static constexpr int kMaxBlocks = 20000;

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

private:
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
};
