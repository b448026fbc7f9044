#include "skins/QVButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <qdrawutil.h>

CQVButton::CQVButton(bool flat, QWidget *parent) : QPushButton(parent)
{
    setFlat(flat);
    // Hover starts on a move, as the mouse may already be inside when a
    // background is set.
    setMouseTracking(true);
}

void CQVButton::SetBackgroundHover(const QPixmap &background)
{
    if (background.isNull()) {
        m_hoverBackground = QImage();
    } else {
        QImage copy = background.toImage();
        if (copy.isNull())
            return; // keep the previous one
        m_hoverBackground = copy;
    }
    update();
}

void CQVButton::SetImage(const QPixmap &image, const QPixmap &hotImage)
{
    m_image = image;
    m_hotImage = hotImage;
    updateGeometry();
    update();
}

void CQVButton::SetFaceColor(const QColor &color, bool redraw)
{
    m_faceColor = color;
    if (redraw)
        update();
}

void CQVButton::SetTransparent(bool transparent)
{
    m_transparent = transparent;
    update();
}

QSize CQVButton::sizeHint() const
{
    QSize hint = QPushButton::sizeHint();
    if (!m_image.isNull()) {
        int width = m_image.width();
        if (!text().isEmpty())
            width += fontMetrics().horizontalAdvance(text()) + fontMetrics().averageCharWidth() * 2;
        hint = hint.expandedTo(QSize(width, m_image.height()));
    }
    return hint;
}

void CQVButton::OnFillBackground(QPainter &painter, const QRect &rect)
{
    if (m_hovered && !m_hoverBackground.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect, m_hoverBackground);
        painter.restore();
        return;
    }
    if (m_transparent)
        return;
    if (m_faceColor.isValid()) {
        painter.fillRect(rect, m_faceColor);
    } else if (isFlat()) {
        painter.fillRect(rect, palette().brush(QPalette::Button));
    } else {
        QStyleOptionButton option;
        initStyleOption(&option);
        option.rect = rect;
        style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &option, &painter, this);
    }
}

void CQVButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect r = rect();
    OnFillBackground(painter, r);

    // The style's own panel already has its border.
    const bool stylePanel = !isFlat() && !m_transparent && !m_faceColor.isValid()
                            && !(m_hovered && !m_hoverBackground.isNull());
    if (!isFlat() && !stylePanel)
        qDrawShadePanel(&painter, r, palette(), isDown() || isChecked(), 1);

    QRect textRect = r;
    const QPixmap &image = (m_highlighted && !m_hotImage.isNull()) ? m_hotImage : m_image;
    if (!image.isNull()) {
        const QSize size = image.deviceIndependentSize().toSize();
        QRect imageRect(QPoint(0, 0), size);
        if (text().isEmpty()) {
            imageRect.moveCenter(r.center());
        } else {
            imageRect.moveTop(r.top() + (r.height() - size.height()) / 2);
            imageRect.moveLeft(r.left());
            textRect.setLeft(imageRect.right() + 1);
        }
        painter.drawPixmap(imageRect, image);
    }
    if (!text().isEmpty()) {
        style()->drawItemText(&painter, textRect, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                              isEnabled(), text(), QPalette::ButtonText);
    }
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = r.adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
}

void CQVButton::TrackMouse()
{
    bool changed = !m_highlighted;
    m_highlighted = true;
    if (!m_hovered && !m_hoverBackground.isNull()) {
        m_hovered = true;
        changed = true;
    }
    if (changed)
        update();
}

void CQVButton::enterEvent(QEnterEvent *e)
{
    TrackMouse();
    QPushButton::enterEvent(e);
}

void CQVButton::mouseMoveEvent(QMouseEvent *e)
{
    if (rect().contains(e->position().toPoint()))
        TrackMouse();
    QPushButton::mouseMoveEvent(e);
}

void CQVButton::leaveEvent(QEvent *e)
{
    m_hovered = false;
    m_highlighted = false;
    update();
    QPushButton::leaveEvent(e);
}
