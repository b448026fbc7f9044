#pragma once
// The white banner on top of a dialog: a bold title, a subtitle below it and
// an icon on the right. Attach() makes room for it at the top of the dialog.
// User-interface thread only.

#include <QIcon>
#include <QPointer>
#include <QWidget>

class QDialog;
class QLayout;

class CDialogHeader : public QWidget
{
    Q_OBJECT
public:
    enum TextAlignment { AlignLeft = 0, AlignCenter = 1, AlignRight = 2 };

    static constexpr int kHeight = 45;
    static constexpr int kTitleHeight = 15;
    static constexpr int kSubtitleHeight = 13;
    static constexpr int kTopMargin = 5;    // also the icon's distance from the top
    static constexpr int kIconMargin = 5;   // between the icon and the right margin
    static constexpr int kTitleLeft = 10;   // also the right margin beside the icon
    static constexpr int kSubtitleIndent = 10;

    // Where the parts go in a header of the given size; an empty iconSize
    // for a header without an icon.
    struct Layout
    {
        QRect icon;
        QRect title;
        QRect subtitle;
    };
    static Layout ComputeLayout(const QSize &size, int alignment, const QSize &iconSize, int edge);

    explicit CDialogHeader(QWidget *parent = nullptr);

    // Lays out a dialog as the small dialogs share it: the fields, OK ("c1",
    // accepts) and Cancel ("c2", rejects) below, and a banner on top. The
    // dialog is never narrower than its banner's texts.
    static CDialogHeader *LayOutDialog(QDialog *dialog, QLayout *fields, const QString &title,
                                       const QString &subtitle, const QIcon &icon);

    // Makes the dialog kHeight pixels taller, puts the header across its top
    // and moves everything else down by kHeight (a dialog with a layout gets
    // a larger top margin instead). The header follows the dialog's width.
    void Attach(QWidget *dialog);

    void SetTitle(const QString &title);
    void SetSubtitle(const QString &subtitle);
    void SetIcon(const QIcon &icon);
    void SetTextAlignment(int alignment);

    // The narrowest dialog in which title and subtitle each show whole on
    // one line.
    int MinimumDialogWidth() const;

    // The system sizes the header draws with.
    QSize IconSize() const;
    int EdgeSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString m_title;
    QString m_subtitle;
    QIcon m_icon;
    int m_alignment = AlignLeft;
    QPointer<QWidget> m_dialog;
};
