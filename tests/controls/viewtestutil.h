#pragma once

#include "controls/orvoview.h"
#include "platform/core/clock.h"

#include <QLocale>
#include <QStringList>

namespace viewtest {

struct Row
{
    const char* name;
    const char* size;
    const char* date;
    int kind;
};

inline void fill(TOrvoListView& view, const std::vector<Row>& rows)
{
    for (const Row& r : rows) {
        QStringList subItems;
        if (r.kind != 0)  // the parent entry has no sub-items
            subItems << QString::fromUtf8(r.size) << QString::fromUtf8(r.date);
        view.AddItem(QString::fromUtf8(r.name), subItems, r.kind);
    }
}

inline QStringList captions(const TOrvoListView& view)
{
    QStringList names;
    for (const TListItem& item : view.Items())
        names << item.Caption;
    return names;
}

// Pins "now" (two-digit years are read relative to it) and restores the system clock.
struct PinnedClock
{
    explicit PinnedClock(QDateTime at = QDateTime(QDate(2026, 3, 1), QTime(12, 0)))
    {
        Clock::setSource([at] { return at; });
    }
    ~PinnedClock() { Clock::setSource({}); }
};

// Switches the default locale for one test and back to the suite's en_US.
struct PinnedLocale
{
    explicit PinnedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~PinnedLocale() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

}  // namespace viewtest
