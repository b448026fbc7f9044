#include "skins/QVSplitterLayout.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Panes = std::vector<QVSplitterPane>;

QVSplitterPane pane(int ideal, int minimum)
{
    QVSplitterPane p;
    p.ideal = ideal;
    p.minimum = minimum;
    return p;
}

std::vector<int> fit(Panes &panes, int length, int gap)
{
    QVSplitterLayout::FitPanes(panes, length, gap);
    return QVSplitterLayout::LayOutPanes(panes, length, gap);
}

} // namespace

// Dragging is tested on the widget (test_splitter); these are the rules a
// drag cannot reach cheaply.
TEST(SplitterRules, Fitting)
{
    struct Case
    {
        const char *name;
        Panes panes;
        int length;
        int gap;
        std::vector<int> sizes;
        std::vector<int> ideals; // of the panes before the last
    };
    const Case cases[] = {
        // The visitor chat pane: chat column 500 (at least 380), tabs 200 (at least 200).
        {"last column takes the rest", {pane(500, 380), pane(200, 200)}, 1000, 4, {500, 496}, {500}},
        {"chat column shrinks for the tabs", {pane(500, 380), pane(200, 200)}, 600, 4, {396, 200}, {396}},
        {"minimums cannot be met", {pane(500, 380), pane(200, 200)}, 500, 4, {380, 116}, {380}},
        // The plug-in bar: three rows of 100, at least 50 each.
        {"last but one shrinks first", {pane(100, 50), pane(100, 50), pane(100, 50)}, 200, 5,
         {90, 50, 50}, {90, 50}},
        {"ideal below the minimum", {pane(30, 50), pane(100, 50)}, 300, 5, {50, 245}, {50}},
        {"negative length", {pane(100, 50), pane(100, 50)}, -20, 5, {0, 0}, {50}},
        {"single pane", {pane(10, 10)}, 70, 5, {70}, {}},
    };
    for (const Case &c : cases) {
        Panes panes = c.panes;
        EXPECT_EQ(fit(panes, c.length, c.gap), c.sizes) << c.name;
        for (size_t i = 0; i < c.ideals.size(); ++i)
            EXPECT_EQ(panes[i].ideal, c.ideals[i]) << c.name << ", pane " << i;
        for (size_t i = 0; i < panes.size(); ++i)
            EXPECT_EQ(panes[i].current, c.sizes[i]) << c.name << ", pane " << i;
    }
}

TEST(SplitterRules, TrackingLimits)
{
    Panes panes{pane(100, 50), pane(100, 40), pane(100, 30)};
    fit(panes, 320, 5);
    // Bar 0's start may go from row 0's minimum to where rows 1 and 2 with
    // their bars are at their minimums.
    EXPECT_EQ(QVSplitterLayout::TrackLimits(panes, 0, 0, 320, 5), std::make_pair(50, 320 - 45 - 35));
    EXPECT_EQ(QVSplitterLayout::TrackLimits(panes, 1, 105, 320, 5), std::make_pair(145, 320 - 35));
    QVSplitterLayout::TrackPaneSize(panes, 0, 320 - 45 - 35, 5, 5);
    EXPECT_EQ(fit(panes, 320, 5), (std::vector<int>{240, 40, 30}));

    // A splitter too small for the minimums pins the bar at the pane's minimum.
    Panes small{pane(100, 50), pane(100, 50)};
    fit(small, 80, 5);
    EXPECT_EQ(QVSplitterLayout::TrackLimits(small, 0, 0, 80, 5), std::make_pair(50, 50));

    // A collapsed row stays collapsed when its bar is dragged.
    Panes collapsed{pane(0, 0), pane(100, 50), pane(100, 50)};
    fit(collapsed, 320, 5);
    QVSplitterLayout::TrackPaneSize(collapsed, 0, 120, 5, 5);
    EXPECT_EQ(fit(collapsed, 320, 5), (std::vector<int>{0, 100, 210}));
}
