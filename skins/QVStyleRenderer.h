#pragma once
// Draws one picture of the visual style into a rectangle of any size. The
// picture holds one frame per state, all of one size, stacked top to bottom;
// the frame's corners keep their size while its edges and middle stretch.
// A border renderer (one with sides) draws only the band of that width along
// the rectangle's edges. Read-only once made; user-interface thread only.

#include "skins/FaycelExport.h"

#include <QImage>
#include <QMargins>
#include <QSize>

#include <optional>

class QPainter;
class QRect;

class FAYCEL_EXPORT CQVStyleRenderer
{
public:
    CQVStyleRenderer() = default;
    // An empty frame size takes the whole picture as one frame.
    CQVStyleRenderer(const QImage &image, QSize frameSize, const QMargins &corners,
        const std::optional<QMargins> &sides = std::nullopt);

    bool IsValid() const { return !m_image.isNull() && !m_frame.isEmpty(); }
    int GetFrameCount() const;
    QSize GetFrameSize() const { return m_frame; }
    const QMargins &GetCorners() const { return m_corners; }
    const std::optional<QMargins> &GetSides() const { return m_sides; }

    // Draws frame (0 = first; out of range: the last) into rect.
    void Draw(QPainter &painter, const QRect &rect, int frame = 0) const;

private:
    QImage m_image;
    QSize m_frame;
    QMargins m_corners;
    std::optional<QMargins> m_sides;
};
