#include "app/divelistorder.h"

#include "views/divelistview.h"

#include <QSettings>

#include <iterator>

namespace {

// The sort key of each sortable column, in column order (name, date, duration, depth, site,
// number); the columns after them have none.
constexpr DiveSortKey SortKeys[] = { DiveSortKey::Name, DiveSortKey::Date, DiveSortKey::Duration,
    DiveSortKey::Depth, DiveSortKey::Site, DiveSortKey::Number };

bool sortable(int column)
{
    return column >= 0 && column < int(std::size(SortKeys));
}

} // namespace

DiveListOrder DiveListOrder::load(const QSettings& settings)
{
    DiveListOrder order;
    const int column = settings.value(QStringLiteral("list/sortColumn"), order.column).toInt();
    if (sortable(column))
        order.column = column;
    order.descending
        = settings.value(QStringLiteral("list/sortDescending"), order.descending).toBool();
    order.groupedByComputer
        = settings.value(QStringLiteral("list/groupByComputer"), false).toBool();
    order.groupedByTrip = settings.value(QStringLiteral("list/groupByTrip"), false).toBool();
    return order;
}

void DiveListOrder::save(QSettings& settings) const
{
    settings.setValue(QStringLiteral("list/sortColumn"), column);
    settings.setValue(QStringLiteral("list/sortDescending"), descending);
    settings.setValue(QStringLiteral("list/groupByComputer"), groupedByComputer);
    settings.setValue(QStringLiteral("list/groupByTrip"), groupedByTrip);
}

bool DiveListOrder::click(int clicked)
{
    if (!sortable(clicked))
        return false;
    if (clicked == column) {
        descending = !descending;
    } else {
        column = clicked;
        descending = clicked != DiveListView::NameColumn && clicked != DiveListView::SiteColumn;
    }
    return true;
}

void DiveListOrder::arrange(QList<DiveListEntry>& entries) const
{
    sortDiveEntries(
        entries, SortKeys[sortable(column) ? column : 1], descending, groupedByComputer);
    if (byTrip())
        DiveListView::sortByTrip(entries);
}
