#include "QVSkinRect.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

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

    // Edges far beyond any screen are held at a bound, so that the
    // rectangle's own arithmetic (and a nested one's) stays within int.
    static constexpr qint64 kLimit = 1 << 24;
    const auto place = [](qint64 origin, qint64 v) { return std::clamp(origin + v, -kLimit, kLimit); };
    const qint64 x = place(parent.left(), left);
    const qint64 y = place(parent.top(), top);
    // A positive right or bottom is a coordinate, so it may lie before left or top.
    const qint64 width = std::max<qint64>(place(parent.left(), right) - x, 0);
    const qint64 height = std::max<qint64>(place(parent.top(), bottom) - y, 0);
    return QRect(int(x), int(y), int(width), int(height));
}
