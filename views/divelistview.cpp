#include "views/divelistview.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QBrush>
#include <QCoreApplication>
#include <QFont>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QTableWidget>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

using namespace DiveListView;

QString tr(const char* text)
{
    return QCoreApplication::translate("DiveListView", text);
}

const QColor GroupBackground(155, 201, 255);

void setWeight(QTableWidgetItem* item, int weight, const QColor& colour)
{
    QFont font = item->font();
    font.setWeight(QFont::Weight(weight));
    item->setFont(font);
    item->setForeground(QBrush(colour));
}

// A dive's cell formats its text, alignment and tooltip only when the view asks for them:
// the view asks for the few rows on screen, while building every string up front for
// 10,000 dives took most of the first listing. Values set later (highlight, rename) win.
class DiveCell : public QTableWidgetItem
{
public:
    // The cells of a row share one copy of its entry: they outlive the entries.
    DiveCell(std::shared_ptr<const DiveListEntry> entry, int column,
        std::shared_ptr<const LocalClock> clock)
        : QTableWidgetItem(UserType)
        , m_column(column)
        , m_clock(std::move(clock))
        , m_entry(std::move(entry))
    { }

    QVariant data(int role) const override
    {
        const QVariant stored = QTableWidgetItem::data(role);
        if (stored.isValid())
            return stored;
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return text();
        case Qt::ToolTipRole:
            // A dive stored from its summary alone (logged by hand in another program) says so.
            if (m_column == NameColumn && !m_entry->hasProfile)
                return QCoreApplication::translate(
                    "DiveListView", "%1: no profile, the file gave only the dive's summary")
                    .arg(m_entry->name);
            // Long texts are cut by the column: the whole text shows on hover.
            if (isText() && text().size() > 12)
                return text();
            return QVariant();
        case Qt::TextAlignmentRole:
            if (isText())
                return QVariant();
            return int(Qt::AlignCenter);
        case Qt::UserRole:
            if (m_column == NameColumn)
                return m_entry->diveId;
            return QVariant();
        default:
            return QVariant();
        }
    }

    QTableWidgetItem* clone() const override { return new DiveCell(*this); }

private:
    bool isText() const
    {
        return m_column == NameColumn || m_column == SiteColumn || m_column == LocationColumn
            || m_column == BuddiesColumn || m_column == TagsColumn || m_column == ComputerColumn
            || m_column == TripColumn;
    }

    QString text() const
    {
        const DiveListEntry& e = *m_entry;
        switch (m_column) {
        case NameColumn:
            return e.name;
        case SiteColumn:
            return e.site;
        case DateColumn:
            return diveStartText(m_clock->toLocal(e.dateTime.toSecsSinceEpoch()));
        case DurationColumn:
            // An asterisk marks the figures of a dive without a profile.
            return e.hasProfile ? formatTime(int(e.maxTime))
                                : formatTime(int(e.maxTime)) + QLatin1Char('*');
        case DepthColumn:
            return Units::number(Quantity::Depth, e.maxDepth, 1) + Units::symbol(Quantity::Depth);
        case NumberColumn:
            return QString::number(e.number);
        case LocationColumn:
            return e.location;
        case BuddiesColumn:
            return e.buddies.join(QStringLiteral(", "));
        case RatingColumn:
            return QString(e.rating, QChar(0x2605)) + QString(5 - e.rating, QChar(0x2606));
        case TagsColumn:
            return e.tags.join(QStringLiteral(", "));
        case ComputerColumn:
            return e.computer;
        case GasesColumn:
            return gasNames(e.gases);
        case TemperatureColumn:
            return e.hasTemperature ? QStringLiteral("%1 °C").arg(e.minTemperature, 0, 'f', 1)
                                    : QString();
        case TripColumn:
            return e.trip;
        case AirUseColumn:
            return e.sac > 0
                ? QCoreApplication::translate("DiveListView", "%1 L/min").arg(e.sac, 0, 'f', 1)
                : QString();
        default:
            return QString();
        }
    }

    // "21/0,32/0" as the gases' names: "Air, Nx32".
    static QString gasNames(const QString& stored)
    {
        QStringList names;
        for (const QString& pair : stored.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            DiveGas gas;
            gas.o2 = pair.section(QLatin1Char('/'), 0, 0).toInt();
            gas.he = pair.section(QLatin1Char('/'), 1, 1).toInt();
            names << DiveProfile::gasName(gas);
        }
        return names.join(QStringLiteral(", "));
    }

    int m_column;
    std::shared_ptr<const LocalClock> m_clock;
    std::shared_ptr<const DiveListEntry> m_entry;
};

// Cells that would be empty are not made.
bool hasValue(const DiveListEntry& e, int column)
{
    switch (column) {
    case SiteColumn:
        return !e.site.isEmpty();
    case NumberColumn:
        return e.number > 0;
    case LocationColumn:
        return !e.location.isEmpty();
    case BuddiesColumn:
        return !e.buddies.isEmpty();
    case TagsColumn:
        return !e.tags.isEmpty();
    case TripColumn:
        return !e.trip.isEmpty();
    case AirUseColumn:
        return e.sac > 0;
    case TemperatureColumn:
        return e.hasTemperature;
    default:
        return true;
    }
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

namespace {

// Whether two dives go under one header row, and the text of that row.
struct Grouping
{
    std::function<bool(const DiveListEntry&, const DiveListEntry&)> same;
    std::function<QString(const DiveListEntry&, int count)> title;
};

void fillRows(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries,
    const Grouping* grouping, const QString& emptyText)
{
    const bool grouped = grouping != nullptr;
    list.clearSpans();
    // Groups folded in the last fill open again.
    if (list.verticalHeader()->hiddenSectionCount() > 0) {
        for (int row = 0; row < list.rowCount(); ++row)
            list.setRowHidden(row, false);
    }
    if (entries.isEmpty() && !emptyText.isEmpty())
        label.setText(emptyText);
    else
        label.setText(entries.size() == 1 ? tr("1 dive") : tr("%1 dives").arg(entries.size()));

    // The header rows are counted here from the entries themselves, so that the
    // table always has room for every dive whatever count the caller passed.
    int groups = 0;
    for (int i = 0; grouped && i < entries.size(); ++i) {
        if (i == 0 || !grouping->same(entries[i], entries[i - 1]))
            ++groups;
    }

    list.clearContents();
    list.setRowCount(entries.size() + groups);
    list.setColumnCount(ColumnCount);
    QStringList titles;
    for (int column = 0; column < ColumnCount; ++column)
        titles << columnTitle(column);
    list.setHorizontalHeaderLabels(titles);
    QList<int> shown;
    for (int column = 0; column < ColumnCount; ++column) {
        if (!list.isColumnHidden(column))
            shown << column;
    }
    // The zone is read once: a conversion to local time per row reads it for every row.
    const auto clock = std::make_shared<const LocalClock>();

    int row = 0;
    int groupRow = -1;
    int groupCount = 0;
    const DiveListEntry* reference = nullptr;
    const auto finishGroup = [&]() {
        if (!reference)
            return;
        auto* header = new QTableWidgetItem(grouping->title(*reference, groupCount));
        header->setData(Qt::UserRole, -1);
        header->setBackground(QBrush(GroupBackground));
        // Dark on its light blue whatever the desktop's palette.
        header->setForeground(QBrush(Qt::black));
        QFont font = header->font();
        font.setWeight(QFont::Bold);
        header->setFont(font);
        list.setItem(groupRow, 0, header);
        list.setSpan(groupRow, 0, 1, ColumnCount);
    };

    for (const DiveListEntry& entry : entries) {
        if (grouped && (!reference || !grouping->same(entry, *reference))) {
            finishGroup();
            groupRow = row++;
            groupCount = 0;
            reference = &entry;
        }
        const auto shared = std::make_shared<const DiveListEntry>(entry);
        for (const int column : shown) {
            // The first column carries the dive id, shown or not.
            if (column == NameColumn || hasValue(entry, column))
                list.setItem(row, column, new DiveCell(shared, column, clock));
        }
        if (list.isColumnHidden(NameColumn))
            list.setItem(row, NameColumn, new DiveCell(shared, NameColumn, clock));
        ++row;
        ++groupCount;
    }
    finishGroup();
}

} // namespace

namespace DiveListView {

void fill(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries, int computerCount,
    bool grouped, const QString& emptyText)
{
    Q_UNUSED(computerCount)
    const Grouping bySerial { [](const DiveListEntry& a, const DiveListEntry& b) {
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
    std::stable_sort(
        entries.begin(), entries.end(), [&](const DiveListEntry& a, const DiveListEntry& b) {
            if ((a.tripId == 0) != (b.tripId == 0))
                return b.tripId == 0;
            const qint64 x = firstDive.value(a.tripId);
            const qint64 y = firstDive.value(b.tripId);
            return x != y ? x > y : a.tripId > b.tripId;
        });
}

void fillByTrip(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries,
    const QString& emptyText)
{
    const Grouping byTrip { [](const DiveListEntry& a, const DiveListEntry& b) {
                               return a.tripId == b.tripId;
                           },
        [](const DiveListEntry& e, int count) {
            return (e.tripId > 0 ? e.trip : tr("Not in a trip")) + QStringLiteral(" - ")
                + tr("%1 dives").arg(count);
        } };
    fillRows(list, label, entries, &byTrip, emptyText);
}

bool toggleGroup(QTableWidget& list, QTableWidgetItem* item)
{
    if (!item || item->column() != 0 || diveIdOf(list, item) != -1)
        return false;
    const int header = item->row();
    int last = header + 1;
    while (last < list.rowCount() && diveIdOf(list, list.item(last, 0)) >= 0)
        ++last;
    const bool hide = header + 1 < last && !list.isRowHidden(header + 1);
    for (int row = header + 1; row < last; ++row)
        list.setRowHidden(row, hide);
    return true;
}

QTableWidgetItem* firstColumnItem(const QTableWidget& list, QTableWidgetItem* item)
{
    if (!item)
        return nullptr;
    if (item->column() == 0)
        return item;
    return list.item(item->row(), 0);
}

int diveIdOf(const QTableWidget& list, QTableWidgetItem* item)
{
    QTableWidgetItem* first = firstColumnItem(list, item);
    if (!first)
        return -1;
    bool ok = false;
    const int id = first->data(Qt::UserRole).toInt(&ok);
    return ok ? id : -1;
}

void highlight(QTableWidget& list, QTableWidgetItem* item)
{
    const int marked = item ? item->row() : -1;
    for (int row = 0; row < list.rowCount(); ++row) {
        QTableWidgetItem* first = list.item(row, 0);
        if (!first || first->data(Qt::UserRole).toInt() < 0)
            continue;
        for (int column = 0; column < list.columnCount(); ++column) {
            QTableWidgetItem* cell = list.item(row, column);
            if (!cell)
                continue;
            // The palette's colours, so that the marked row and the others read on a dark
            // desktop too.
            if (row == marked)
                setWeight(cell, QFont::Bold, list.palette().color(QPalette::Link));
            else if (cell->font().weight() > QFont::Medium)
                setWeight(cell, QFont::Normal, list.palette().color(QPalette::Text));
        }
    }
}

QList<int> selectedDiveIds(const QTableWidget& list)
{
    QSet<int> rows;
    const QList<QTableWidgetItem*> selected = list.selectedItems();
    for (const QTableWidgetItem* item : selected)
        rows.insert(item->row());
    QList<int> sortedRows(rows.begin(), rows.end());
    std::sort(sortedRows.begin(), sortedRows.end());
    QList<int> ids;
    for (int row : sortedRows) {
        const QTableWidgetItem* first = list.item(row, 0);
        if (!first)
            continue;
        const int id = first->data(Qt::UserRole).toInt();
        if (id >= 0)
            ids.append(id);
    }
    return ids;
}

QTableWidgetItem* itemOfDive(const QTableWidget& list, int diveId)
{
    for (int row = 0; row < list.rowCount(); ++row) {
        QTableWidgetItem* first = list.item(row, 0);
        if (first && first->data(Qt::UserRole).toInt() == diveId
            && first->data(Qt::UserRole).isValid())
            return first;
    }
    return nullptr;
}

} // namespace DiveListView
