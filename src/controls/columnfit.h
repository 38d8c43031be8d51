#pragma once

#include <vector>

class TOrvoListView;

// Column widths after the fitting rules, from widths already fitted to their contents: the
// second column at least 50, a third narrower than 50 set to 100, a fourth at least 50, and
// the first column takes up what is left when the columns plus `reserve` (room for a scroll
// bar and frame) are narrower than `viewWidth`.
std::vector<int> FitColumnWidths(std::vector<int> widths, int viewWidth, int reserve);

// Fits a view's columns to their contents and then to the view (details style only).
void FitColumns(TOrvoListView& view);
