#include "shared/DialogResizer.h"

#include "shared/DialogHeader.h"

#include <QEvent>
#include <QSizeGrip>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace {

// What one axis of a control does with a size change: its near edge
// shifts, and it grows.
struct Follow
{
    qreal shift = 0;
    qreal grow = 0;
};

Follow FollowChange(unsigned bits, unsigned stay, unsigned move, qreal delta)
{
    if (bits == stay)
        return {};
    if (bits == move)
        return {delta, 0};
    if (bits == (stay | move))
        return {0, delta};
    return {delta / 2, 0};
}

} // namespace

bool CDialogResizer::ApplyAnchor(unsigned flags, QRectF &rect, const QSizeF &client, qreal dx, qreal dy)
{
    const qreal w = rect.width();
    const qreal h = rect.height();
    if ((flags & FillClient) == FillClient) {
        rect = QRectF(QPointF(0, 0), client);
    } else if (flags & DockTop) {
        rect = QRectF(0, 0, client.width(), h);
    } else if (flags & DockBottom) {
        rect = QRectF(0, client.height() - h, client.width(), h);
    } else if (flags & DockLeft) {
        rect = QRectF(0, 0, w, client.height());
    } else if (flags & DockRight) {
        rect = QRectF(client.width() - w, 0, w, client.height());
    } else if (flags & ToLeft) {
        rect.moveLeft(0);
    } else if (flags & ToRight) {
        rect.setRight(client.width());
    } else if (flags & ToTop) {
        rect.setTop(0);
    } else if (flags & ToBottom) {
        rect.setBottom(client.height());
    } else {
        bool touched = false;
        if (dx != 0) {
            const Follow across = FollowChange(flags & Widen, StayHorizontally, MoveRight, dx);
            rect.adjust(across.shift, 0, across.shift + across.grow, 0);
            touched = across.shift != 0 || across.grow != 0;
        }
        if (dy != 0) {
            const Follow down = FollowChange(flags & GrowDown, StayVertically, MoveDown, dy);
            rect.adjust(0, down.shift, 0, down.shift + down.grow);
            touched = touched || down.shift != 0 || down.grow != 0;
        }
        return touched;
    }
    return true;
}

unsigned CDialogResizer::AutomaticFlags(const QRectF &rect, const QSizeF &client)
{
    const qreal middle = client.height() / 2;
    const qreal centre = client.width() / 2;
    unsigned flags = 0;
    if (rect.top() < middle)
        flags |= StayVertically;
    if (rect.bottom() >= middle)
        flags |= MoveDown;
    if (rect.left() < centre)
        flags |= StayHorizontally;
    if (rect.right() >= centre)
        flags |= MoveRight;
    return flags;
}

CDialogResizer::CDialogResizer(QObject *parent)
    : QObject(parent)
{
}

void CDialogResizer::Attach(QWidget *window, unsigned flags, const QList<Control> &controls)
{
    if (m_window)
        m_window->removeEventFilter(this);
    m_window = window;
    m_entries.clear();
    if (!window)
        return;

    const auto childById = [window](int id) {
        return window->findChild<QWidget *>(QStringLiteral("c%1").arg(id), Qt::FindDirectChildrenOnly);
    };
    for (const Control &c : controls) {
        if (m_entries.size() >= kMaxControls)
            break;
        Entry entry{c.id, c.flags, {}, childById(c.id)};
        if (entry.widget)
            entry.rect = entry.widget->geometry();
        m_entries.append(entry);
    }

    if (flags & TakeInChildren) {
        const QList<QWidget *> children = window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children) {
            if (m_entries.size() >= kMaxControls)
                break;
            // The banner and the grip keep their own places.
            if (child->isWindow() || qobject_cast<CDialogHeader *>(child) || child == m_grip)
                continue;
            const bool listed = std::any_of(m_entries.cbegin(), m_entries.cend(),
                                            [child](const Entry &e) { return e.widget == child; });
            if (!listed)
                m_entries.append(Entry{0, 0, child->geometry(), child});
        }
    }

    if (flags & FitToControls) {
        QRectF extent;
        for (const Entry &e : std::as_const(m_entries)) {
            if (e.widget)
                extent = extent.united(e.rect);
        }
        // The controls keep their left and top margins on the right and at the bottom.
        if (!extent.isNull())
            window->resize(qRound(extent.right() + extent.left()), qRound(extent.bottom() + extent.top()));
    }
    m_clientSize = window->size();

    for (Entry &e : m_entries) {
        if (e.flags & Automatic)
            e.flags = (e.flags & ~(Automatic | Widen | GrowDown)) | AutomaticFlags(e.rect, QSizeF(m_clientSize));
    }

    if ((flags & SizeGrip) && !m_grip) {
        m_grip = new QSizeGrip(window);
        const int extent = window->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window);
        m_grip->resize(extent, extent);
    }
    PlaceGrip();
    window->installEventFilter(this);
}

void CDialogResizer::Resize(const QSize &newSize)
{
    if (!m_window)
        return;
    const QSize size = newSize.isValid() ? newSize : m_window->size();
    const qreal dx = size.width() - m_clientSize.width();
    const qreal dy = size.height() - m_clientSize.height();
    m_clientSize = size;

    // Only updates that were on are switched off and on again: a window whose
    // parent holds its updates off (a stacked page being shown) must not
    // keep them off for good.
    const bool updates = m_window->updatesEnabled();
    if (updates)
        m_window->setUpdatesEnabled(false);
    for (Entry &e : m_entries) {
        if (!e.widget)
            continue;
        if (ApplyAnchor(e.flags, e.rect, QSizeF(size), dx, dy)) {
            // A control squeezed below nothing keeps its rectangle for when it grows again.
            const QRect r = e.rect.toRect();
            e.widget->setGeometry(r.x(), r.y(), qMax(0, r.width()), qMax(0, r.height()));
        }
    }
    PlaceGrip();
    if (updates)
        m_window->setUpdatesEnabled(true);
}

void CDialogResizer::PlaceGrip()
{
    if (!m_grip || !m_window)
        return;
    m_grip->move(m_window->width() - m_grip->width(), m_window->height() - m_grip->height());
    m_grip->raise();
    m_grip->setVisible(!m_window->isMaximized());
}

bool CDialogResizer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Resize)
            Resize();
        else if (event->type() == QEvent::WindowStateChange)
            PlaceGrip();
    }
    return QObject::eventFilter(watched, event);
}
