#include "QVStyleRenderer.h"

#include <QPainter>
#include <QRect>

#include <algorithm>

CQVStyleRenderer::CQVStyleRenderer(
    const QImage &image, QSize frameSize, const QMargins &corners, const std::optional<QMargins> &sides)
    : m_image(image)
    , m_frame(frameSize.isEmpty() ? image.size() : frameSize)
    , m_corners(corners)
    , m_sides(sides)
{
    // Frames wider or taller than the picture would read outside it.
    m_frame = m_frame.boundedTo(image.size());
}

int CQVStyleRenderer::GetFrameCount() const
{
    return IsValid() ? std::max(m_image.height() / m_frame.height(), 1) : 0;
}

void CQVStyleRenderer::Draw(QPainter &painter, const QRect &rect, int frame) const
{
    if (!IsValid() || rect.isEmpty())
        return;
    frame = std::clamp(frame, 0, GetFrameCount() - 1);
    const QRect source(QPoint(0, frame * m_frame.height()), m_frame);

    // Corners never take more than half of the frame or of the target.
    const auto clampMargins = [](const QMargins &m, const QSize &size) {
        return QMargins(std::min(m.left(), size.width() / 2), std::min(m.top(), size.height() / 2),
            std::min(m.right(), size.width() / 2), std::min(m.bottom(), size.height() / 2));
    };
    const QMargins src = clampMargins(m_corners, m_frame);
    const QMargins dst = clampMargins(m_corners, rect.size());

    // Column and row bands of source and target: start, middle, end.
    const int sx[4] = {source.left(), source.left() + src.left(), source.right() + 1 - src.right(), source.right() + 1};
    const int sy[4] = {source.top(), source.top() + src.top(), source.bottom() + 1 - src.bottom(), source.bottom() + 1};
    const int tx[4] = {rect.left(), rect.left() + dst.left(), rect.right() + 1 - dst.right(), rect.right() + 1};
    const int ty[4] = {rect.top(), rect.top() + dst.top(), rect.bottom() + 1 - dst.bottom(), rect.bottom() + 1};

    painter.save();
    if (m_sides) {
        const QRegion ring = QRegion(rect) - QRegion(rect.marginsRemoved(*m_sides));
        painter.setClipRegion(ring, Qt::IntersectClip);
    }
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QRect s(QPoint(sx[col], sy[row]), QPoint(sx[col + 1] - 1, sy[row + 1] - 1));
            const QRect t(QPoint(tx[col], ty[row]), QPoint(tx[col + 1] - 1, ty[row + 1] - 1));
            if (s.isEmpty() || t.isEmpty())
                continue;
            painter.drawImage(t, m_image, s);
        }
    }
    painter.restore();
}
