#include "skins/QVSkinRect.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Edge
{
    int value;
    bool percent = false;
};

TEST(SkinRect, ResolvesAgainstParent)
{
    // QRect(left, top, width, height).
    const struct
    {
        const char *name;
        int dpi;
        Edge left, top, right, bottom;
        QRect parent;
        QRect expected;
    } cases[] = {
        {"default is the whole parent", 96, {0}, {0}, {0}, {0}, {0, 0, 200, 100}, {0, 0, 200, 100}},
        {"inset from every side", 96, {10}, {10}, {-10}, {-10}, {0, 0, 200, 100}, {10, 10, 180, 80}},
        {"right past left stops at left", 96, {10}, {10}, {-300}, {-10}, {0, 0, 200, 100}, {10, 10, 0, 80}},
        {"bottom past top stops at top", 96, {10}, {10}, {-10}, {-300}, {0, 0, 200, 100}, {10, 10, 180, 0}},
        {"strip along the right edge", 96, {-100}, {0}, {0}, {0}, {0, 0, 200, 100}, {100, 0, 100, 100}},
        {"positive right is a coordinate", 96, {20}, {5}, {50}, {25}, {0, 0, 200, 100}, {20, 5, 30, 20}},
        {"right before left is empty", 96, {50}, {0}, {20}, {0}, {0, 0, 200, 100}, {50, 0, 0, 100}},
        {"per cent ignores the DPI", 120, {50, true}, {25, true}, {0}, {0}, {0, 0, 200, 100}, {100, 25, 100, 75}},
        {"negative per cent", 96, {-25, true}, {0}, {0}, {0}, {0, 0, 200, 100}, {150, 0, 50, 100}},
        {"pixels scale at 120", 120, {10}, {10}, {-10}, {-10}, {0, 0, 200, 100}, {12, 12, 176, 76}},
        {"scaling truncates", 120, {7}, {3}, {-7}, {-3}, {0, 0, 200, 100}, {8, 3, 184, 94}},
        {"negative scaling truncates toward zero", 144, {-3}, {0}, {0}, {0}, {0, 0, 200, 100}, {196, 0, 4, 100}},
        {"offset by the parent", 96, {10}, {10}, {-10}, {-10}, {30, 40, 200, 100}, {40, 50, 180, 80}},
        {"per cent of an odd size truncates", 96, {33, true}, {0}, {0}, {0}, {0, 0, 101, 10}, {33, 0, 68, 10}},
        // Absurd edges are held at 2^24 pixels, inside int even when nested.
        {"huge edge", 120, {2000000000}, {0}, {0}, {0}, {0, 0, 200, 100}, {1 << 24, 0, 0, 100}},
        {"inside a huge parent", 96, {30}, {0}, {0}, {0}, {1 << 24, 0, 0, 100}, {1 << 24, 0, 0, 100}},
        {"huge negative edge", 96, {INT_MIN}, {0}, {0}, {0}, {0, 0, 200, 100}, {-(1 << 24), 0, (1 << 24) + 200, 100}},
    };
    for (const auto &c : cases) {
        CQVSkinRect::SetDpi(c.dpi);
        CQVSkinRect r;
        r.SetEdge(CQVSkinRect::Left, c.left.value, c.left.percent);
        r.SetEdge(CQVSkinRect::Top, c.top.value, c.top.percent);
        r.SetEdge(CQVSkinRect::Right, c.right.value, c.right.percent);
        r.SetEdge(CQVSkinRect::Bottom, c.bottom.value, c.bottom.percent);
        EXPECT_EQ(r.Resolve(c.parent), c.expected) << c.name;
    }
    CQVSkinRect::SetDpi(96);
}

} // namespace
