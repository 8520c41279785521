#pragma once

#include <QList>
#include <QString>

class QLabel;
class QTableWidget;
class QTableWidgetItem;
struct DiveListEntry;

// The dive list of the main window: dives grouped by computer under a coloured
// header row. Rows carry the dive id in the Qt::UserRole of their first item;
// header rows carry -1.
namespace DiveListView {

// Text of a computer header row.
QString groupTitle(const QString& computer, const QString& serial, int diveCount);

// The list's columns; the first carries the dive id.
enum Column {
    NameColumn,
    DateColumn,
    DurationColumn,
    DepthColumn,
    SiteColumn,
    NumberColumn,
    LocationColumn,
    BuddiesColumn,
    RatingColumn,
    TagsColumn,
    ComputerColumn,
    GasesColumn,
    TemperatureColumn,
    TripColumn,
    AirUseColumn,
    ColumnCount
};

// The header title of a column.
QString columnTitle(int column);

// Rebuilds the list from the entries, in their order, and writes "N dives" into the label, or
// emptyText when there is no dive. Grouped, a header row starts each run of one serial (sort
// the entries by serial first). Hidden columns get no cells.
void fill(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries, int computerCount,
    bool grouped = true, const QString& emptyText = QString());

// Orders the entries by trip, newest trip first and dives in no trip last, keeping their order
// within a trip; then fillByTrip puts a header row over each trip.
void sortByTrip(QList<DiveListEntry>& entries);
void fillByTrip(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries,
    const QString& emptyText = QString());
// A click on a header row folds its dives away or shows them again; false for other rows.
bool toggleGroup(QTableWidget& list, QTableWidgetItem* item);

// Marks the row of the item (any column) bold and blue and returns every other
// dive row to normal text. With no item, no row stays marked.
void highlight(QTableWidget& list, QTableWidgetItem* item);

// The first-column item of the item's row (the item itself when in column 0).
QTableWidgetItem* firstColumnItem(const QTableWidget& list, QTableWidgetItem* item);

// The dive id of the item's row; -1 for header rows and for no item.
int diveIdOf(const QTableWidget& list, QTableWidgetItem* item);

// Dive ids of the selected rows, header rows left out, in row order.
QList<int> selectedDiveIds(const QTableWidget& list);

// The first-column item of the row of that dive, or null.
QTableWidgetItem* itemOfDive(const QTableWidget& list, int diveId);

} // namespace DiveListView
