#include "views/divelistmodel.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/divelistview.h"

#include <QBrush>
#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QWidget>

namespace {

using namespace DiveListView;

const QColor GroupBackground(155, 201, 255);

bool isTextColumn(int column)
{
    return column == NameColumn || column == SiteColumn || column == LocationColumn
        || column == BuddiesColumn || column == TagsColumn || column == ComputerColumn
        || column == TripColumn;
}

// "21/0,32/0" as the gases' names: "Air, Nx32".
QString gasNames(const QString& stored)
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

QString cellText(const DiveListEntry& e, int column, const LocalClock& clock)
{
    switch (column) {
    case NameColumn:
        return e.name;
    case SiteColumn:
        return e.site;
    case DateColumn:
        return diveStartText(clock.toLocal(e.dateTime.toSecsSinceEpoch()));
    case DurationColumn:
        // An asterisk marks the figures of a dive without a profile.
        return e.hasProfile ? formatTime(int(e.maxTime))
                            : formatTime(int(e.maxTime)) + QLatin1Char('*');
    case DepthColumn:
        return Units::number(Quantity::Depth, e.maxDepth, 1) + Units::symbol(Quantity::Depth);
    case NumberColumn:
        return e.number > 0 ? QString::number(e.number) : QString();
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
        return e.hasTemperature ? Units::number(Quantity::Temperature, e.minTemperature, 1)
                + QLatin1Char(' ') + Units::symbol(Quantity::Temperature)
                                : QString();
    case TripColumn:
        return e.trip;
    case AirUseColumn:
        return e.sac > 0 ? Units::number(Quantity::BreathingRate, e.sac, 1) + QLatin1Char(' ')
                + Units::symbol(Quantity::BreathingRate)
                         : QString();
    default:
        return QString();
    }
}

} // namespace

DiveListModel::DiveListModel(QObject* parent)
    : QAbstractTableModel(parent)
{ }

void DiveListModel::setEntries(QList<DiveListEntry> entries, const Grouping* grouping)
{
    beginResetModel();
    m_entries = std::move(entries);
    m_rows.clear();
    m_groupTitles.clear();
    m_clock = LocalClock();
    m_rows.reserve(m_entries.size());
    const qsizetype count = m_entries.size();
    for (qsizetype start = 0; start < count;) {
        // A group runs while the dives go with its first one.
        qsizetype end = grouping ? start + 1 : count;
        while (end < count && grouping->same(m_entries[end], m_entries[start]))
            ++end;
        if (grouping) {
            m_rows << -1 - int(m_groupTitles.size());
            m_groupTitles << grouping->title(m_entries[start], int(end - start));
        }
        for (qsizetype i = start; i < end; ++i)
            m_rows << int(i);
        start = end;
    }
    endResetModel();
}

int DiveListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int DiveListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant DiveListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnTitle(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QVariant DiveListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const int at = m_rows[index.row()];
    if (at < 0)
        return headerRowData(-1 - at, index.column(), role);
    return diveData(m_entries[at], index.column(), role);
}

QVariant DiveListModel::headerRowData(int group, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return column == 0 ? m_groupTitles.value(group) : QVariant();
    case Qt::UserRole:
        return -1;
    case Qt::BackgroundRole:
        return QBrush(GroupBackground);
    case Qt::ForegroundRole:
        // Dark on its light blue whatever the desktop's palette.
        return QBrush(Qt::black);
    case Qt::FontRole: {
        QFont font;
        font.setBold(true);
        return font;
    }
    default:
        return QVariant();
    }
}

QVariant DiveListModel::diveData(const DiveListEntry& e, int column, int role) const
{
    switch (role) {
    case Qt::DisplayRole:
        return cellText(e, column, m_clock);
    case Qt::ToolTipRole: {
        // A dive stored from its summary alone (logged by hand in another program) says so.
        if (column == NameColumn && !e.hasProfile)
            return QCoreApplication::translate(
                "DiveListView", "%1: no profile, the file gave only the dive's summary")
                .arg(e.name);
        // Long texts are cut by the column: the whole text shows on hover.
        const QString text = isTextColumn(column) ? cellText(e, column, m_clock) : QString();
        return text.size() > 12 ? QVariant(text) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return isTextColumn(column) ? QVariant() : QVariant(int(Qt::AlignCenter));
    case Qt::UserRole:
        return e.diveId;
    case Qt::FontRole:
        if (e.diveId != m_markedId)
            return QVariant();
        {
            QFont font;
            font.setBold(true);
            return font;
        }
    case Qt::ForegroundRole:
        // The palette's link colour, so that the marked row reads on a dark desktop too.
        if (e.diveId != m_markedId)
            return QVariant();
        if (const auto* view = qobject_cast<const QWidget*>(QObject::parent()))
            return QBrush(view->palette().color(QPalette::Link));
        return QBrush(QGuiApplication::palette().color(QPalette::Link));
    default:
        return QVariant();
    }
}

int DiveListModel::diveIdAt(int row) const
{
    if (row < 0 || row >= m_rows.size() || m_rows[row] < 0)
        return -1;
    return m_entries[m_rows[row]].diveId;
}

bool DiveListModel::isHeader(int row) const
{
    return row >= 0 && row < m_rows.size() && m_rows[row] < 0;
}

int DiveListModel::rowOfDive(int diveId) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row] >= 0 && m_entries[m_rows[row]].diveId == diveId)
            return row;
    }
    return -1;
}

QList<int> DiveListModel::headerRows() const
{
    QList<int> rows;
    rows.reserve(m_groupTitles.size());
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row] < 0)
            rows << row;
    }
    return rows;
}

void DiveListModel::setMarked(int diveId)
{
    const int before = rowOfDive(m_markedId);
    m_markedId = diveId;
    for (const int row : { before, rowOfDive(diveId) }) {
        if (row >= 0)
            emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
    }
}
