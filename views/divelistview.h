#pragma once

#include <QList>
#include <QString>

class DiveListModel;
class QLabel;
class QModelIndex;
class QTableView;
struct DiveListEntry;

// The dive list of the main window: a table view over a DiveListModel, dives grouped by
// computer or trip under a coloured header row that folds them away. Rows carry the dive id
// in Qt::UserRole; header rows carry -1.
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

// The list's model, set on first use.
DiveListModel* model(QTableView& list);

// Rebuilds the list from the entries, in their order, and writes "N dives" into the label, or
// emptyText when there is no dive. Grouped, a header row starts each run of one serial (sort
// the entries by serial first).
void fill(QTableView& list, QLabel& label, const QList<DiveListEntry>& entries, int computerCount,
    bool grouped = true, const QString& emptyText = QString());

// Orders the entries by trip, newest trip first and dives in no trip last, keeping their order
// within a trip; then fillByTrip puts a header row over each trip.
void sortByTrip(QList<DiveListEntry>& entries);
void fillByTrip(QTableView& list, QLabel& label, const QList<DiveListEntry>& entries,
    const QString& emptyText = QString());
// A click on a header row folds its dives away or shows them again; false for other rows.
bool toggleGroup(QTableView& list, const QModelIndex& index);

// Marks the row of the index (any column) bold in the palette's link colour and returns every
// other dive row to normal text. With an invalid index, no row stays marked.
void highlight(QTableView& list, const QModelIndex& index);

// The dive id of the index's row; -1 for header rows and for no index.
int diveIdOf(const QTableView& list, const QModelIndex& index);

// Dive ids of the selected rows, header rows left out, in row order.
QList<int> selectedDiveIds(const QTableView& list);

// The first-column index of the row of that dive; invalid when it is not listed.
QModelIndex indexOfDive(const QTableView& list, int diveId);

} // namespace DiveListView
