#pragma once

#include <QString>
#include <QStringList>
#include <Qt>

// One row of a TOrvoListView: the caption (a name), the texts of the further columns in column
// order, and an image index that tells the kind of entry. The file views use 0 for the parent
// entry "..", 1 directory, 2 link, 3 file; the sorts keep lower indexes on top.
struct TListItem
{
    QString Caption;
    QStringList SubItems;
    int ImageIndex = -1;
    // The owner's key of the row (the index of the entry it shows); it travels with the row
    // through sorts and moves.
    int Tag = -1;

    // Text of a column: 0 is the caption, n the n-th sub-item (empty when absent).
    QString columnText(int column) const
    {
        if (column <= 0)
            return Caption;
        return column <= SubItems.size() ? SubItems.at(column - 1) : QString();
    }
};

struct TListColumn
{
    QString Caption;
    int Width = 100;
    Qt::Alignment Alignment = Qt::AlignLeft;
};

// The numbering is that of the stored view style settings (0 large icons .. 3 details).
enum TViewStyle { vsIcon = 0, vsSmallIcon = 1, vsList = 2, vsReport = 3 };
