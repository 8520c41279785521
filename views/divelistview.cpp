#include "views/divelistview.h"

#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "views/divelistmodel.h"

#include <QCoreApplication>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSet>
#include <QTableView>

#include <algorithm>
#include <numeric>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("DiveListView", text);
}

const DiveListModel* modelOf(const QTableView& list)
{
    return qobject_cast<const DiveListModel*>(list.model());
}

void fillRows(QTableView& list, QLabel& label, const QList<DiveListEntry>& entries,
    const DiveListModel::Grouping* grouping, const QString& emptyText)
{
    if (entries.isEmpty() && !emptyText.isEmpty())
        label.setText(emptyText);
    else
        label.setText(entries.size() == 1 ? tr("1 dive") : tr("%1 dives").arg(entries.size()));
    DiveListModel* model = DiveListView::model(list);
    list.clearSpans();
    // A copy that shares the caller's strings until either side changes them.
    model->setEntries(entries, grouping);
    // Groups folded in the last fill open again.
    if (list.verticalHeader()->hiddenSectionCount() > 0) {
        for (int row = 0; row < model->rowCount(); ++row)
            list.setRowHidden(row, false);
    }
    for (const int row : model->headerRows())
        list.setSpan(row, 0, 1, DiveListView::ColumnCount);
}

} // namespace

namespace DiveListView {

QString groupTitle(const QString& computer, const QString& serial, int diveCount)
{
    const QString name = computer.isEmpty() ? tr("No name") : computer;
    return name + QStringLiteral(" - ") + serial + QStringLiteral(" - ")
        + tr("%1 dives").arg(diveCount);
}

QString columnTitle(int column)
{
    switch (column) {
    case NameColumn:
        return tr("Dive Id");
    case DateColumn:
        return tr("Date/Time");
    case DurationColumn:
        return tr("Duration");
    case DepthColumn:
        return tr("Depth");
    case SiteColumn:
        return tr("Site");
    case NumberColumn:
        return tr("No.");
    case LocationColumn:
        return tr("Location");
    case BuddiesColumn:
        return tr("Buddies");
    case RatingColumn:
        return tr("Rating");
    case TagsColumn:
        return tr("Tags");
    case ComputerColumn:
        return tr("Computer");
    case GasesColumn:
        return tr("Gases");
    case TemperatureColumn:
        return tr("Lowest temperature");
    case TripColumn:
        return tr("Trip");
    case AirUseColumn:
        return tr("Air use");
    default:
        return QString();
    }
}

} // namespace DiveListView

namespace DiveListView {

DiveListModel* model(QTableView& list)
{
    if (auto* existing = qobject_cast<DiveListModel*>(list.model()))
        return existing;
    auto* created = new DiveListModel(&list);
    list.setModel(created);
    return created;
}

void fill(QTableView& list, QLabel& label, const QList<DiveListEntry>& entries, int computerCount,
    bool grouped, const QString& emptyText)
{
    Q_UNUSED(computerCount)
    const DiveListModel::Grouping bySerial { [](const DiveListEntry& a, const DiveListEntry& b) {
                                                return a.serial == b.serial;
                                            },
        [](const DiveListEntry& e, int count) { return groupTitle(e.computer, e.serial, count); } };
    fillRows(list, label, entries, grouped ? &bySerial : nullptr, emptyText);
}

void sortByTrip(QList<DiveListEntry>& entries)
{
    // Trips newest first by their first dive; dives in no trip last.
    QHash<int, qint64> firstDive;
    for (const DiveListEntry& e : entries) {
        const qint64 start = e.dateTime.toSecsSinceEpoch();
        auto it = firstDive.find(e.tripId);
        if (it == firstDive.end() || start < *it)
            firstDive.insert(e.tripId, start);
    }
    // Each dive's trip start read once; the dives are moved once, at the end.
    std::vector<qint64> tripStart(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        tripStart[size_t(i)] = firstDive.value(entries[i].tripId);
    const QList<DiveListEntry>& all = entries;
    std::vector<int> order(size_t(entries.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int ta = all[a].tripId;
        const int tb = all[b].tripId;
        if ((ta == 0) != (tb == 0))
            return tb == 0;
        const qint64 x = tripStart[size_t(a)];
        const qint64 y = tripStart[size_t(b)];
        return x != y ? x > y : ta > tb;
    });
    reorderEntries(entries, order);
}

void fillByTrip(
    QTableView& list, QLabel& label, const QList<DiveListEntry>& entries, const QString& emptyText)
{
    const DiveListModel::Grouping byTrip { [](const DiveListEntry& a, const DiveListEntry& b) {
                                              return a.tripId == b.tripId;
                                          },
        [](const DiveListEntry& e, int count) {
            return (e.tripId > 0 ? e.trip : tr("Not in a trip")) + QStringLiteral(" - ")
                + tr("%1 dives").arg(count);
        } };
    fillRows(list, label, entries, &byTrip, emptyText);
}

bool toggleGroup(QTableView& list, const QModelIndex& index)
{
    const DiveListModel* model = modelOf(list);
    if (!model || !index.isValid() || index.column() != 0 || !model->isHeader(index.row()))
        return false;
    const int header = index.row();
    int last = header + 1;
    while (last < model->rowCount() && !model->isHeader(last))
        ++last;
    const bool hide = header + 1 < last && !list.isRowHidden(header + 1);
    for (int row = header + 1; row < last; ++row)
        list.setRowHidden(row, hide);
    return true;
}

int diveIdOf(const QTableView& list, const QModelIndex& index)
{
    const DiveListModel* model = modelOf(list);
    return model && index.isValid() ? model->diveIdAt(index.row()) : -1;
}

void highlight(QTableView& list, const QModelIndex& index)
{
    DiveListView::model(list)->setMarked(diveIdOf(list, index));
}

QList<int> selectedDiveIds(const QTableView& list)
{
    const DiveListModel* model = modelOf(list);
    if (!model || !list.selectionModel())
        return {};
    QSet<int> rows;
    for (const QItemSelectionRange& range : list.selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows.insert(row);
    }
    QList<int> sortedRows(rows.begin(), rows.end());
    std::sort(sortedRows.begin(), sortedRows.end());
    QList<int> ids;
    for (const int row : sortedRows) {
        const int id = model->diveIdAt(row);
        if (id >= 0)
            ids << id;
    }
    return ids;
}

QModelIndex indexOfDive(const QTableView& list, int diveId)
{
    const DiveListModel* model = modelOf(list);
    const int row = model ? model->rowOfDive(diveId) : -1;
    return row >= 0 ? model->index(row, 0) : QModelIndex();
}

} // namespace DiveListView
