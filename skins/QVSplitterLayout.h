#pragma once
// The size rules of CQVSplitter as pure functions over its pane records, so
// that the splitter's own layout never depends on QSplitter's proportional one.
// A splitter is one-dimensional: a "size" is a height for rows, a width for
// columns; a "gap" is the width of one split bar.

#include "skins/FaycelExport.h"

#include <utility>
#include <vector>

struct QVSplitterPane
{
    int ideal = 0;    // the size the pane asks for
    int minimum = 0;  // 0 or less keeps the pane collapsed
    int current = -1; // the size it was last given; -1 until laid out
};

namespace QVSplitterLayout {

// Pane fitting: every pane but the last gets the larger of its minimum and
// ideal size (0 when its minimum is 0 or less); the last takes the rest. When
// that overflows the length, the last pane gets its minimum and the panes
// before it give up size, last but one first, never below their minimums.
// The last pane's current size becomes INT_MAX when it simply takes the rest.
FAYCEL_EXPORT void FitPanes(std::vector<QVSplitterPane> &panes, int length, int gap);

// Places fitted panes along the length: each pane its current size, the last
// the rest; what does not fit is cut off at the end. Records and returns the
// sizes given.
FAYCEL_EXPORT std::vector<int> LayOutPanes(std::vector<QVSplitterPane> &panes, int length, int gap);

// The bar below `pane` was dragged so that the pane would be `newSize` long.
// Growth is taken from the panes after it, the last one first, each down to
// its minimum; growth nobody can give shortens the new size.
FAYCEL_EXPORT void TrackPaneSize(std::vector<QVSplitterPane> &panes, int pane, int newSize,
                                 int barSize, int gap);

// The range of positions (start of the bar) that the bar below `pane` may be
// dragged to, so that neither that pane nor any pane after it falls below its
// minimum. `paneStart` is where the pane begins, `end` where the last one ends.
FAYCEL_EXPORT std::pair<int, int> TrackLimits(const std::vector<QVSplitterPane> &panes, int pane,
                                              int paneStart, int end, int gap, int border = 0);

} // namespace QVSplitterLayout
