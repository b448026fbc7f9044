#include "skins/QVSplitterLayout.h"

#include <algorithm>
#include <climits>

namespace QVSplitterLayout {

void FitPanes(std::vector<QVSplitterPane> &panes, int length, int gap)
{
    if (panes.empty())
        return;
    const int last = int(panes.size()) - 1;
    int sum = 0;
    for (int i = 0; i < last; ++i) {
        QVSplitterPane &p = panes[i];
        const int size = p.minimum <= 0 ? 0 : std::max(p.minimum, p.ideal);
        p.ideal = p.current = size;
        sum += size + gap;
    }
    int overflow = sum + std::max(panes[last].minimum, 0) - std::max(length, 0);
    if (overflow <= 0) {
        panes[last].current = INT_MAX;
        return;
    }
    panes[last].current = std::max(panes[last].minimum, 0);
    for (int i = last - 1; i >= 0 && overflow > 0; --i) {
        QVSplitterPane &p = panes[i];
        const int give = std::max(0, std::min(overflow, p.ideal - p.minimum));
        p.ideal -= give;
        p.current = p.ideal;
        overflow -= give;
    }
}

std::vector<int> LayOutPanes(std::vector<QVSplitterPane> &panes, int length, int gap)
{
    std::vector<int> sizes(panes.size(), 0);
    int left = std::max(length, 0);
    for (size_t i = 0; i < panes.size(); ++i) {
        if (i > 0)
            left -= std::min(gap, left);
        const bool isLast = i + 1 == panes.size();
        sizes[i] = isLast ? left : std::clamp(panes[i].current, 0, left);
        left -= sizes[i];
        panes[i].current = sizes[i];
    }
    return sizes;
}

void TrackPaneSize(std::vector<QVSplitterPane> &panes, int pane, int newSize, int barSize, int gap)
{
    if (pane < 0 || pane >= int(panes.size()))
        return;
    QVSplitterPane &tracked = panes[pane];
    if (tracked.minimum <= 0) {
        tracked.ideal = 0;
        return;
    }
    newSize = std::max(newSize, tracked.minimum);
    int growth = newSize - tracked.ideal + barSize;
    if (growth <= 0) {
        tracked.ideal = newSize;
        return;
    }
    for (int i = int(panes.size()) - 1; i > pane && growth > 0; --i) {
        QVSplitterPane &donor = panes[i];
        const int size = std::max(donor.ideal, donor.current);
        if (size - growth < donor.minimum + gap) {
            growth -= size - donor.minimum + gap;
            donor.ideal = donor.current = donor.minimum;
        } else {
            donor.ideal = donor.current = size - growth;
            growth = 0;
        }
    }
    if (growth > 0)
        newSize -= growth;
    tracked.ideal = newSize;
}

std::pair<int, int> TrackLimits(const std::vector<QVSplitterPane> &panes, int pane, int paneStart,
                                int end, int gap, int border)
{
    if (pane < 0 || pane + 1 >= int(panes.size()))
        return {paneStart, paneStart};
    // Unlimited, the bar may run from the pane's start to the end, still inside.
    const int low = paneStart + border + std::max(panes[pane].minimum, 0);
    int high = end - gap;
    for (int i = pane + 1; i < int(panes.size()); ++i)
        high -= std::max(panes[i].minimum, 0) + (i == pane + 1 ? border : gap);
    return {low, std::max(low, high)};
}

} // namespace QVSplitterLayout
