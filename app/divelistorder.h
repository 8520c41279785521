#pragma once

#include "logbook/logbookstats.h"

#include <QList>

class QSettings;

// The dive list's order and grouping, as the header clicks and the Edit menu set them and the
// settings keep them between sessions.
struct DiveListOrder
{
    int column = 1; // DiveListView::DateColumn
    bool descending = true;
    bool groupedByComputer = false;
    bool groupedByTrip = false;

    // The list/ keys of the settings; a column the list cannot sort by reads as the date.
    static DiveListOrder load(const QSettings& settings);
    void save(QSettings& settings) const;

    // A click on a column header: the same column turns the order round; another starts with
    // the largest numbers and times first, names from A. Columns without an order (buddies,
    // tags...) leave it as it was; returns whether it changed.
    bool click(int clicked);
    // One grouping at a time: the trips only when not grouped by computer.
    bool byTrip() const { return groupedByTrip && !groupedByComputer; }
    // Sorts the entries in this order, grouped as chosen.
    void arrange(QList<DiveListEntry>& entries) const;
};
