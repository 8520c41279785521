#include "views/divelistview.h"

#include "dive/formattime.h"
#include "dive/units.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QBrush>
#include <QCoreApplication>
#include <QFont>
#include <QLabel>
#include <QSet>
#include <QTableWidget>

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
    // The cell keeps the fields it shows (shared strings, no copy): it outlives the entries.
    DiveCell(const DiveListEntry& entry, int column, std::shared_ptr<const LocalClock> clock)
        : QTableWidgetItem(UserType)
        , m_column(column)
        , m_clock(std::move(clock))
        , m_name(column == SiteColumn ? entry.site : entry.name)
        , m_secs(entry.dateTime.toSecsSinceEpoch())
        , m_maxTime(int(entry.maxTime))
        , m_maxDepth(entry.maxDepth)
        , m_number(entry.number)
        , m_diveId(entry.diveId)
        , m_hasProfile(entry.hasProfile)
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
            if (m_column == NameColumn && !m_hasProfile)
                return QCoreApplication::translate(
                    "DiveListView", "%1: no profile, the file gave only the dive's summary")
                    .arg(m_name);
            // Long names are cut by the column: the whole name shows on hover.
            if ((m_column == NameColumn || m_column == SiteColumn) && m_name.size() > 12)
                return m_name;
            return QVariant();
        case Qt::TextAlignmentRole:
            if (m_column == NameColumn || m_column == SiteColumn)
                return QVariant();
            return int(Qt::AlignCenter);
        case Qt::UserRole:
            if (m_column == NameColumn)
                return m_diveId;
            return QVariant();
        default:
            return QVariant();
        }
    }

    QTableWidgetItem* clone() const override { return new DiveCell(*this); }

private:
    QString text() const
    {
        switch (m_column) {
        case NameColumn:
        case SiteColumn:
            return m_name;
        case DateColumn:
            return diveStartText(m_clock->toLocal(m_secs));
        case DurationColumn:
            // An asterisk marks the figures of a dive without a profile.
            return m_hasProfile ? formatTime(m_maxTime) : formatTime(m_maxTime) + QLatin1Char('*');
        case DepthColumn:
            return Units::number(Quantity::Depth, m_maxDepth, 1) + Units::symbol(Quantity::Depth);
        case NumberColumn:
            return QString::number(m_number);
        default:
            return QString();
        }
    }

    int m_column;
    std::shared_ptr<const LocalClock> m_clock;
    QString m_name;
    qint64 m_secs;
    int m_maxTime;
    double m_maxDepth;
    int m_number;
    int m_diveId;
    bool m_hasProfile;
};

} // namespace

namespace DiveListView {

QString groupTitle(const QString& computer, const QString& serial, int diveCount)
{
    const QString name = computer.isEmpty() ? tr("No name") : computer;
    return name + QStringLiteral(" - ") + serial + QStringLiteral(" - ")
        + tr("%1 dives").arg(diveCount);
}

void fill(QTableWidget& list, QLabel& label, const QList<DiveListEntry>& entries, int computerCount,
    bool grouped)
{
    list.clearSpans();
    label.setText(QStringLiteral("%1 %2 / %3 %4")
                      .arg(computerCount)
                      .arg(tr("Names"))
                      .arg(entries.size())
                      .arg(tr("Dives")));

    // The header rows are counted here from the entries themselves, so that the
    // table always has room for every dive whatever count the caller passed.
    int groups = 0;
    for (int i = 0; grouped && i < entries.size(); ++i) {
        if (i == 0 || entries[i].serial != entries[i - 1].serial)
            ++groups;
    }

    list.clearContents();
    list.setRowCount(entries.size() + groups);
    list.setColumnCount(ColumnCount);
    list.setHorizontalHeaderLabels(
        { tr("Dive Id"), tr("Date/Time"), tr("Duration"), tr("Depth"), tr("Site"), tr("No.") });
    // The zone is read once: a conversion to local time per row reads it for every row.
    const auto clock = std::make_shared<const LocalClock>();

    int row = 0;
    int groupRow = -1;
    int groupCount = 0;
    const DiveListEntry* reference = nullptr;
    const auto finishGroup = [&]() {
        if (!reference)
            return;
        auto* header
            = new QTableWidgetItem(groupTitle(reference->computer, reference->serial, groupCount));
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
        if (grouped && (!reference || entry.serial != reference->serial)) {
            finishGroup();
            groupRow = row++;
            groupCount = 0;
            reference = &entry;
        }
        for (int column = 0; column < ColumnCount; ++column) {
            // Empty site and unnumbered dives leave their cells empty.
            if ((column == SiteColumn && entry.site.isEmpty())
                || (column == NumberColumn && entry.number <= 0))
                continue;
            list.setItem(row, column, new DiveCell(entry, column, clock));
        }
        ++row;
        ++groupCount;
    }
    finishGroup();
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
