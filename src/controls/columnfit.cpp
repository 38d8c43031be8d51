#include "controls/columnfit.h"

#include "controls/orvoview.h"

#include <algorithm>
#include <numeric>

std::vector<int> FitColumnWidths(std::vector<int> widths, int viewWidth, int reserve)
{
    if (widths.size() > 1)
        widths[1] = std::max(widths[1], 50);
    if (widths.size() > 2 && widths[2] < 50)
        widths[2] = 100;
    if (widths.size() > 3)
        widths[3] = std::max(widths[3], 50);
    if (!widths.empty()) {
        const int used = std::accumulate(widths.begin(), widths.end(), 0) + reserve;
        if (used < viewWidth)
            widths[0] += viewWidth - used;
    }
    return widths;
}

void FitColumns(TOrvoListView& view)
{
    if (view.ViewStyle() != vsReport)
        return;
    view.AutoSizeColumns();
    // The view reports the room inside its frame and beside a scroll bar, which is what the
    // fixed allowance for them stood for.
    const std::vector<int> widths = FitColumnWidths(view.ColumnWidths(), view.ColumnAreaWidth(), 0);
    for (size_t c = 0; c < widths.size(); ++c)
        view.SetColumnWidth(int(c), widths[c]);
}
