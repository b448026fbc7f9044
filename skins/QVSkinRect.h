#pragma once
// A rectangle of a skin, relative to a parent rectangle: each edge is pixels
// (scaled by the screen's DPI over 96) or a per cent of the parent's size, and
// a negative (or, for right and bottom, zero) edge counts from the far side.
// The all-zero default is the whole parent. User-interface thread only.

#include "skins/FaycelExport.h"

#include <QRect>

#include <array>

class FAYCEL_EXPORT CQVSkinRect
{
public:
    enum Edge { Left = 0, Top = 1, Right = 2, Bottom = 3 };

    CQVSkinRect() = default;

    int GetEdge(Edge edge) const { return m_edges[edge]; }
    bool IsPercent(Edge edge) const { return m_percent[edge]; }
    void SetEdge(Edge edge, int value, bool percent);

    // The rectangle placed in the parent.
    QRect Resolve(const QRect &parent) const;

    // The DPI that pixel edges are scaled with: the primary screen's horizontal
    // logical DPI, read once. SetDpi fixes it (tests run at 96 and 120); 0 makes
    // the next Resolve read the screen again.
    static int GetDpi();
    static void SetDpi(int dpi);

    bool operator==(const CQVSkinRect &other) const = default;

private:
    std::array<int, 4> m_edges{};
    std::array<bool, 4> m_percent{};
};
