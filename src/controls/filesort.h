#pragma once

#include "controls/listitem.h"

#include <QLocale>
#include <optional>
#include <vector>

// Ordering of file rows. Kinds are the rows' image indexes; "grouped" keeps lower kinds on top
// (the parent entry, then directories, links, files). The parent entry ".." is first in every
// order. Names compare by the locale's collation without regard to case.
enum class TSortField { Name, Size, Date, Extension };

struct TSortRequest
{
    TSortField Field = TSortField::Name;
    bool Ascending = true;
    bool Mixed = false;  // true mixes kinds; the extension sort is always grouped
};

// Column 1 holds sizes, column 2 dates; every other column sorts by name.
TSortField SortFieldOfColumn(int column);

// The new order of `items` as old row numbers: result[newRow] = oldRow. Keys are computed once
// per row. A size or date that does not read counts as 0 or as the oldest date.
//   name       ascending A to Z, descending Z to A
//   size       ascending smaller first, descending larger first
//   date       ascending later first (newest on top), descending earlier first
//   extension  ascending A to Z
// Ties fall back to the name in the same direction, then to the current order.
std::vector<int> FileSortOrder(const std::vector<TListItem>& items, const TSortRequest& request,
                               const QLocale& locale = QLocale());

// A size text as the views show it: digits grouped by the locale's separator. Empty (or blank)
// text is 0; anything else that is not a whole 64-bit number gives no result.
std::optional<qint64> ReadSizeText(QStringView text, QStringView groupSeparator);

// The extension the extension sort compares: the text from the last dot, empty without one.
QStringView FileExtension(QStringView name);
