#include "QVSkinRect.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <limits>

namespace {

int g_dpi = 0;

} // namespace

void CQVSkinRect::SetEdge(Edge edge, int value, bool percent)
{
    m_edges[edge] = value;
    m_percent[edge] = percent;
}

int CQVSkinRect::GetDpi()
{
    if (g_dpi <= 0) {
        const QScreen *screen = QGuiApplication::primaryScreen();
        g_dpi = screen ? qRound(screen->logicalDotsPerInchX()) : 96;
        if (g_dpi <= 0)
            g_dpi = 96;
    }
    return g_dpi;
}

void CQVSkinRect::SetDpi(int dpi)
{
    g_dpi = dpi;
}

QRect CQVSkinRect::Resolve(const QRect &parent) const
{
    const qint64 w = parent.width();
    const qint64 h = parent.height();
    const qint64 dpi = GetDpi();

    // 64-bit intermediates: a large edge times the DPI must not overflow.
    auto scale = [&](Edge edge, qint64 extent) -> qint64 {
        const qint64 v = m_edges[edge];
        return m_percent[edge] ? extent * v / 100 : v * dpi / 96;
    };

    qint64 left = scale(Left, w);
    qint64 top = scale(Top, h);
    qint64 right = scale(Right, w);
    qint64 bottom = scale(Bottom, h);

    if (left < 0)
        left += w;
    if (top < 0)
        top += h;
    if (right <= 0)
        right = std::max(w + right, left);
    if (bottom <= 0)
        bottom = std::max(h + bottom, top);

    // A positive right or bottom is a coordinate, so it may lie before left
    // or top. Huge edges are clamped to what a QRect can hold, never wrapped.
    constexpr qint64 kMax = std::numeric_limits<int>::max();
    constexpr qint64 kMin = std::numeric_limits<int>::min();
    const qint64 x = std::clamp<qint64>(parent.left() + left, kMin, kMax);
    const qint64 y = std::clamp<qint64>(parent.top() + top, kMin, kMax);
    const qint64 width = std::clamp<qint64>(right - left, 0, kMax - std::max<qint64>(x, 0));
    const qint64 height = std::clamp<qint64>(bottom - top, 0, kMax - std::max<qint64>(y, 0));
    return QRect(int(x), int(y), int(width), int(height));
}
