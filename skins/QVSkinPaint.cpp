#include "QVSkinPaint.h"

#include <QBrush>
#include <QPainter>

CQVSkinPaintRect::~CQVSkinPaintRect() = default;

CQVSkinPaintRect::CQVSkinPaintRect(const CQVSkinPaintRect &other)
    : m_id(other.m_id)
    , m_rect(other.m_rect)
    , m_image(other.m_image)
    , m_fill(other.m_fill)
    , m_color(other.m_color)
{
    m_paints.reserve(other.m_paints.size());
    for (const auto &paint : other.m_paints)
        m_paints.push_back(paint->Clone());
}

std::unique_ptr<CQVSkinPaintRect> CQVSkinPaintRect::Clone() const
{
    return std::unique_ptr<CQVSkinPaintRect>(new CQVSkinPaintRect(*this));
}

void CQVSkinPaintRect::Paint(QPainter &painter, const QRect &parent) const
{
    const QRect rect = m_rect.Resolve(parent);
    if (m_image.isNull()) {
        if (m_color != NoColor)
            painter.fillRect(rect, QColor::fromRgba(m_color));
    } else if (m_fill) {
        // Tiled from the painter's origin, as a texture brush is.
        painter.fillRect(rect, QBrush(m_image));
    } else {
        painter.drawImage(rect, m_image);
    }
    PaintNested(painter, rect);
}

void CQVSkinPaintRect::PaintNested(QPainter &painter, const QRect &rect) const
{
    for (const auto &paint : m_paints)
        paint->Paint(painter, rect);
}

void CQVSkinPaintImage::Paint(QPainter &painter, const QRect &parent) const
{
    if (GetImage().isNull())
        return;
    const QRect rect = GetRect().Resolve(parent);
    painter.drawImage(rect, GetImage());
    PaintNested(painter, rect);
}

std::unique_ptr<CQVSkinPaintRect> CQVSkinPaintImage::Clone() const
{
    return std::unique_ptr<CQVSkinPaintRect>(new CQVSkinPaintImage(*this));
}
