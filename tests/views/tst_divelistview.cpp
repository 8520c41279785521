#include "logbook/logbookdatabase.h"
#include "views/divelistcolumns.h"
#include "views/divelistview.h"
#include "views/formfilter.h"

#include <QtTest>
#include <QtWidgets>

namespace {

DiveListEntry entry(int id, const QString& name, const QString& computer, const QString& serial,
    double maxTime = 600, double maxDepth = 10)
{
    DiveListEntry e;
    e.diveId = id;
    e.name = name;
    e.computer = computer;
    e.serial = serial;
    e.dateTime = QDateTime(QDate(2026, 6, 13), QTime(8, 42, 5)); // local time
    e.maxTime = maxTime;
    e.maxDepth = maxDepth;
    return e;
}

// The fields the form edits, as text; what a switch turns off is not read.
QString describe(const DiveFilter& f)
{
    QString s = f.byComputer ? "computers " + f.computers.join('|') : "any computer";
    if (f.byDate) {
        s += " from " + f.from.date().toString(Qt::ISODate);
        if (f.hasTo)
            s += " to " + f.to.date().toString(Qt::ISODate);
        if (f.byTime)
            s += QString(" time %1-%2").arg(f.fromTime).arg(f.toTime);
    }
    return s;
}

QVariant cell(const QTableView& list, int row, int column, int role = Qt::DisplayRole)
{
    return list.model()->index(row, column).data(role);
}

QString text(const QTableView& list, int row, int column)
{
    return cell(list, row, column).toString();
}

} // namespace

class TestDiveListView : public QObject
{
    Q_OBJECT
private slots:
    void groupsAndCounts()
    {
        // Row ids: -1 marks a group row, other values the dive id expected on that row.
        const struct
        {
            QList<DiveListEntry> entries;
            int computers;
            QString label;
            QList<int> rowIds;
            QStringList groupTitles;
        } rows[] = {
            { {}, 0, "0 dives", {}, {} },
            { { entry(1, "1", "Veltra", "S1"), entry(2, "2", "Veltra", "S1"),
                  entry(5, "3", "Veltra", "S1"), entry(3, "a", "QRD-M", "S2"),
                  entry(4, "b", "QRD-M", "S2") },
                2, "5 dives", { -1, 1, 2, 5, -1, 3, 4 },
                { "Veltra - S1 - 3 dives", "QRD-M - S2 - 2 dives" } },
            { { entry(7, "x", "", "S9"), entry(8, "y", "", "S9") }, 1, "2 dives", { -1, 7, 8 },
                { "No name - S9 - 2 dives" } },
            // Two serials under one computer name are two groups: every dive keeps its row
            // even when the caller counted computer names.
            { { entry(1, "1", "Veltra", "A"), entry(2, "2", "Veltra", "B") }, 1, "2 dives",
                { -1, 1, -1, 2 }, { "Veltra - A - 1 dives", "Veltra - B - 1 dives" } },
        };
        for (const auto& [entries, computers, label, rowIds, groupTitles] : rows) {
            QTableView list;
            QLabel lb;
            // A previous, larger fill must leave nothing behind.
            DiveListView::fill(
                list, lb, QList<DiveListEntry>(12, entry(99, "old", "Old", "OLD")), 1);
            DiveListView::fill(list, lb, entries, computers);
            QCOMPARE(lb.text(), label);
            QCOMPARE(list.model()->columnCount(), int(DiveListView::ColumnCount));
            QCOMPARE(list.model()->rowCount(), rowIds.size());
            QStringList titles;
            for (int row = 0; row < rowIds.size(); ++row) {
                QCOMPARE(cell(list, row, 0, Qt::UserRole).toInt(), rowIds[row]);
                if (rowIds[row] < 0)
                    titles << text(list, row, 0);
                QCOMPARE(
                    list.columnSpan(row, 0), rowIds[row] < 0 ? int(DiveListView::ColumnCount) : 1);
            }
            QCOMPARE(titles, groupTitles);
        }
    }

    void diveRowTexts()
    {
        // The name and site columns show about 12 characters: from 13 on, the whole text shows
        // on hover. Fractions of a second are dropped, the depth is rounded to 0.1 m.
        DiveListEntry fits = entry(3, "Twelve chars", "Veltra", "S1", 3599.9, 18.0);
        fits.site = "Blue Hole 12";
        DiveListEntry tips = entry(4, "Thirteen char", "Veltra", "S1", 125.9, 9.96);
        tips.site = QString::fromUtf8("Lagôs Arch 13");
        QTableView list;
        QLabel lb;
        DiveListView::fill(list, lb, { fits, tips }, 1, false);
        for (int row = 0; row < 2; ++row) {
            const DiveListEntry& e = row ? tips : fits;
            QCOMPARE(text(list, row, DiveListView::NameColumn), e.name);
            QCOMPARE(text(list, row, DiveListView::SiteColumn), e.site);
            QCOMPARE(text(list, row, 1), QString("13/06/2026 08:42:05"));
            QCOMPARE(cell(list, row, DiveListView::NameColumn, Qt::ToolTipRole).toString(),
                row ? e.name : QString());
            QCOMPARE(cell(list, row, DiveListView::SiteColumn, Qt::ToolTipRole).toString(),
                row ? e.site : QString());
        }
        QCOMPARE(
            QStringList({ text(list, 0, 2), text(list, 0, 3), text(list, 1, 2), text(list, 1, 3) }),
            QStringList({ "59:59", "18.0m", "02:05", "10.0m" }));
    }

    void chosenColumns()
    {
        QTemporaryDir dir;
        QSettings settings(dir.filePath("settings.cfg"), QSettings::IniFormat);
        DiveListEntry e = entry(3, "Reef", "Veltra", "S1");
        e.rating = 3;
        e.sac = 15.26;
        e.gases = "21/0,32/0,18/45";
        e.trip = "Gozo";
        e.buddies = { "Ana", "Li" };
        QTableView list;
        QLabel lb;
        DiveListColumns::install(list, &settings, [] {});
        using V = DiveListView::Column;
        // Shown from the menu: the cells the list makes read as the values do.
        for (const int column : { V::RatingColumn, V::AirUseColumn, V::GasesColumn, V::TripColumn })
            QVERIFY(DiveListColumns::setColumnShown(list, &settings, column, true));
        QVERIFY(DiveListColumns::setColumnShown(list, &settings, V::DepthColumn, false));
        DiveListView::fill(list, lb, { e }, 1, false, "Nothing");
        QCOMPARE(QStringList({ text(list, 0, V::RatingColumn), text(list, 0, V::AirUseColumn),
                     text(list, 0, V::GasesColumn), text(list, 0, V::TripColumn),
                     text(list, 0, V::BuddiesColumn) }),
            QStringList({ QString::fromUtf8("★★★☆☆"), "15.3 L/min", "Air, Nx32, Tx18/45", "Gozo",
                "Ana, Li" }));
        QVERIFY(list.isColumnHidden(V::DepthColumn));
        QCOMPARE(lb.text(), QString("1 dive"));
        DiveListView::fill(list, lb, {}, 0, false, "Nothing");
        QCOMPARE(lb.text(), QString("Nothing"));

        // The choice is kept for the next start; the last column shown stays.
        QTableView next;
        DiveListColumns::install(next, &settings, [] {});
        QVERIFY(!next.isColumnHidden(V::TripColumn) && next.isColumnHidden(V::DepthColumn));
        for (int column = 0; column < V::ColumnCount; ++column)
            DiveListColumns::setColumnShown(next, &settings, column, false);
        QCOMPARE(next.isColumnHidden(V::ColumnCount - 1), false);
    }

    void groupedByTrip()
    {
        // Trip 7 began before trip 9; dive 4 is in no trip. Within a trip the order stays.
        QList<DiveListEntry> entries;
        const int trips[] = { 0, 7, 9, 7, 9 };
        for (int i = 0; i < 5; ++i) {
            DiveListEntry e = entry(i, QString::number(i), "Veltra", "S1");
            e.dateTime = e.dateTime.addDays(i);
            e.tripId = trips[i];
            e.trip = QStringLiteral("Trip %1").arg(trips[i]);
            entries.prepend(e);
        }
        DiveListView::sortByTrip(entries);
        QTableView list;
        QLabel lb;
        DiveListView::fillByTrip(list, lb, entries);
        QList<int> ids;
        QStringList titles;
        for (int row = 0; row < list.model()->rowCount(); ++row) {
            ids << DiveListView::diveIdOf(list, list.model()->index(row, 0));
            if (ids.constLast() < 0)
                titles << text(list, row, 0);
        }
        QCOMPARE(ids, (QList<int> { -1, 4, 2, -1, 3, 1, -1, 0 }));
        QCOMPARE(titles,
            QStringList({ "Trip 9 - 2 dives", "Trip 7 - 2 dives", "Not in a trip - 1 dives" }));
        // A header folds its dives away and shows them again; a dive row is no header.
        QVERIFY(DiveListView::toggleGroup(list, list.model()->index(3, 0)));
        QVERIFY(list.isRowHidden(4) && list.isRowHidden(5) && !list.isRowHidden(6));
        QVERIFY(!DiveListView::toggleGroup(list, list.model()->index(1, 0)));
        QVERIFY(DiveListView::toggleGroup(list, list.model()->index(3, 0)));
        QVERIFY(!list.isRowHidden(4));
        DiveListView::toggleGroup(list, list.model()->index(0, 0));
        DiveListView::fillByTrip(list, lb, entries);
        QVERIFY(!list.isRowHidden(1));
    }

    void highlightAndSelection()
    {
        QTableView list;
        // A dark desktop: every text must stand out from what it is drawn on.
        QPalette dark(QColor(53, 53, 53));
        dark.setColor(QPalette::Base, QColor(35, 35, 35));
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::Link, QColor(100, 170, 255));
        list.setPalette(dark);
        QLabel lb;
        DiveListView::fill(list, lb,
            { entry(11, "1", "Veltra", "S1"), entry(12, "2", "Veltra", "S1"),
                entry(13, "3", "QRD-M", "S2") },
            2);
        const auto readable = [&](int row) {
            const QVariant background = cell(list, row, 0, Qt::BackgroundRole);
            const QVariant foreground = cell(list, row, 0, Qt::ForegroundRole);
            const QColor back = background.isValid() ? background.value<QBrush>().color()
                                                     : dark.color(QPalette::Base);
            const QColor text = foreground.isValid() ? foreground.value<QBrush>().color()
                                                     : dark.color(QPalette::Text);
            return std::abs(text.lightness() - back.lightness()) > 90;
        };
        // Rows: 0 group, 1 dive 1, 2 dive 2, 3 group, 4 dive 3. Any column highlights the row,
        // one row at a time; group rows keep their own bold face.
        const auto weight = [&](int row, int column) {
            const QVariant font = cell(list, row, column, Qt::FontRole);
            return font.isValid() ? int(font.value<QFont>().weight()) : int(QFont::Normal);
        };
        DiveListView::highlight(list, list.model()->index(1, 2));
        QCOMPARE(weight(1, 0), int(QFont::Bold));
        QCOMPARE(weight(1, 3), int(QFont::Bold));
        QVERIFY(weight(2, 0) < int(QFont::Medium));
        DiveListView::highlight(list, list.model()->index(4, 0));
        QCOMPARE(weight(1, 0), int(QFont::Normal));
        QCOMPARE(weight(4, 3), int(QFont::Bold));
        for (int row = 0; row < 5; ++row)
            QVERIFY2(readable(row), qPrintable(QString::number(row)));
        DiveListView::highlight(list, QModelIndex());
        QCOMPARE(weight(4, 3), int(QFont::Normal));
        QVERIFY(weight(0, 0) == QFont::Bold && weight(3, 0) == QFont::Bold);

        // Selecting skips the group rows.
        list.setSelectionBehavior(QAbstractItemView::SelectRows);
        list.setSelectionMode(QAbstractItemView::MultiSelection);
        list.selectRow(0);
        QVERIFY(DiveListView::selectedDiveIds(list).isEmpty());
        list.selectRow(4);
        list.selectRow(1);
        QCOMPARE(DiveListView::selectedDiveIds(list), (QList<int> { 11, 13 }));
        QCOMPARE(DiveListView::diveIdOf(list, list.model()->index(0, 0)), -1);
        QCOMPARE(DiveListView::diveIdOf(list, list.model()->index(2, 3)), 12);
        QCOMPARE(DiveListView::indexOfDive(list, 13), list.model()->index(4, 0));
        QVERIFY(!DiveListView::indexOfDive(list, 42).isValid());
    }

    // The filter form.
    void roundTrip()
    {
        DiveFilter computers, day, range;
        computers.byComputer = true;
        computers.computers = { "Tarsk", "Veltra" };
        day.byDate = range.byDate = true;
        day.from = range.from = QDate(2026, 6, 13).startOfDay();
        range.hasTo = true;
        range.to = QDate(2026, 8, 3).startOfDay();
        range.byTime = true;
        range.fromTime = QTime(7, 30).msecsSinceStartOfDay();
        range.toTime = QTime(12, 15, 30).msecsSinceStartOfDay();
        for (const DiveFilter& filter : { DiveFilter(), computers, day, range }) {
            FormFilter form(nullptr);
            form.setFilter(filter, { "QRD-M", "Tarsk", "Veltra" });
            DiveFilter back;
            form.readInto(back);
            QCOMPARE(describe(back), describe(filter));
        }
        // A date switched off leaves the values it does not use as they were.
        FormFilter form(nullptr);
        form.setFilter(DiveFilter(), {});
        DiveFilter back;
        back.from = QDate(2020, 1, 2).startOfDay();
        back.hasTo = true;
        back.to = QDate(2020, 1, 5).startOfDay();
        form.readInto(back);
        QCOMPARE(describe(back), QStringLiteral("any computer"));
        QCOMPARE(QList({ back.from.date(), back.to.date() }),
            QList({ QDate(2020, 1, 2), QDate(2020, 1, 5) }));
        QVERIFY(back.hasTo);
    }

    void computerTicks()
    {
        FormFilter form(nullptr);
        DiveFilter filter;
        filter.byComputer = true;
        filter.computers = { "" };
        form.setFilter(filter, { "", "Veltra" });
        // The nameless computer is shown as such, ticked; the other is not.
        QTableWidget* table = form.findChild<QTableWidget*>("tblComputers");
        QCOMPARE(table->item(0, 0)->text(), QString("No name"));
        QCOMPARE(table->item(1, 0)->checkState(), Qt::Unchecked);
        DiveFilter back;
        form.readInto(back);
        QVERIFY(back.byComputer);
        QCOMPARE(back.computers, QStringList { QString() });
        // Every computer ticked is no restriction; none ticked keeps nothing.
        form.findChild<QPushButton*>("btCheckAll")->click();
        form.readInto(back);
        QVERIFY(!back.byComputer);
        form.findChild<QGroupBox*>("grComputer")->setChecked(true);
        form.findChild<QPushButton*>("btUncheckAll")->click();
        form.readInto(back);
        QVERIFY(back.byComputer);
        QVERIFY(back.computers.isEmpty());
        // Without a restriction every computer starts ticked.
        form.setFilter(DiveFilter(), { "QRD-M", "Veltra" });
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(1, 0)->checkState(), Qt::Checked);
    }
};

QTEST_MAIN(TestDiveListView)
#include "tst_divelistview.moc"
