#pragma once
// Moves and sizes a window's controls by anchor flags when the window is
// resized, for windows that place their controls themselves (no layout).
// Controls are named by id: the child whose objectName is "c" + id.
// User-interface thread only.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRectF>
#include <QSize>
#include <QSizeGrip>

class QWidget;

class CDialogResizer : public QObject
{
    Q_OBJECT
public:
    // Anchor flags of a control. The fixed anchors (the low nibble and
    // 0x200 to 0x1000) are tried first, in the order of ApplyAnchor; the
    // others say what the control does when the width or height changes.
    enum Anchor : unsigned {
        FillClient = 0x0F,   // the whole client area
        DockTop = 0x01,      // full width along the top, own height
        DockBottom = 0x02,   // full width along the bottom, own height
        DockLeft = 0x04,     // full height along the left, own width
        DockRight = 0x08,    // full height along the right, own width
        StayVertically = 0x10,
        MoveDown = 0x20,
        GrowDown = 0x30,     // StayVertically | MoveDown
        StayHorizontally = 0x40,
        MoveRight = 0x80,
        Widen = 0xC0,        // StayHorizontally | MoveRight
        Automatic = 0x100,   // flags from where the control sits (Attach)
        ToTop = 0x200,       // top at 0, bottom kept
        ToBottom = 0x400,    // bottom at the client bottom, top kept
        ToLeft = 0x800,      // left at 0, own width
        ToRight = 0x1000,    // right at the client right, left kept
    };

    enum AttachFlag : unsigned {
        FitToControls = 0x1, // size the window to the extent of its controls
        SizeGrip = 0x2,      // a size grip in the bottom-right corner
        TakeInChildren = 0x4 // every other direct child too, with flags 0
    };

    static constexpr int kMaxControls = 256;

    struct Control
    {
        int id = 0;
        unsigned flags = 0;
    };

    struct Entry
    {
        int id = 0;
        unsigned flags = 0;
        QRectF rect; // client coordinates, kept fractional across half moves
        QPointer<QWidget> widget;
    };

    // The new rectangle of a control after the client area changed by dx, dy
    // to clientSize; false when no rule touches it.
    static bool ApplyAnchor(unsigned flags, QRectF &rect, const QSizeF &clientSize, qreal dx, qreal dy);

    // The flags an Automatic control gets from where it sits in the client area.
    static unsigned AutomaticFlags(const QRectF &rect, const QSizeF &clientSize);

    explicit CDialogResizer(QObject *parent = nullptr);

    // Records the listed controls (and, with TakeInChildren, the other direct
    // children) as they are now and follows the window's size from here on.
    // Give the window its first size before attaching. A listed id that the
    // window lacks stays in the list and is never moved.
    void Attach(QWidget *window, unsigned flags, const QList<Control> &controls = {});

    // Moves the controls for the window's present size (or for newSize).
    void Resize(const QSize &newSize = QSize());

    const QList<Entry> &Entries() const { return m_entries; }
    QSizeGrip *Grip() const { return m_grip; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PlaceGrip();

    QPointer<QWidget> m_window;
    QList<Entry> m_entries;
    QSize m_clientSize;
    QPointer<QSizeGrip> m_grip;
};
