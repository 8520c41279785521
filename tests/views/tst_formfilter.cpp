#include "logbook/logbookdatabase.h"
#include "views/formfilter.h"

#include <QtTest>
#include <QtWidgets>

namespace {

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

} // namespace

class TestFormFilter : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data()
    {
        QTest::addColumn<DiveFilter>("filter");
        QTest::newRow("all off") << DiveFilter();
        DiveFilter f;
        f.byComputer = true;
        f.computers = { "Tarsk", "Veltra" };
        QTest::newRow("two of three computers") << f;
        f = DiveFilter();
        f.byDate = true;
        f.from = QDate(2026, 6, 13).startOfDay();
        QTest::newRow("one day, no end, no time") << f;
        f.hasTo = true;
        f.to = QDate(2026, 8, 3).startOfDay();
        f.byTime = true;
        f.fromTime = QTime(7, 30).msecsSinceStartOfDay();
        f.toTime = QTime(12, 15, 30).msecsSinceStartOfDay();
        QTest::newRow("date range and time of day") << f;
    }

    void roundTrip()
    {
        QFETCH(DiveFilter, filter);
        FormFilter form(nullptr);
        form.setFilter(filter, { "QRD-M", "Tarsk", "Veltra" });
        DiveFilter back;
        form.readInto(back);
        QCOMPARE(describe(back), describe(filter));
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

    void switchedOffDateKeepsItsValues()
    {
        FormFilter form(nullptr);
        DiveFilter filter;
        form.setFilter(filter, {});
        DiveFilter back;
        back.from = QDate(2020, 1, 2).startOfDay();
        back.hasTo = true;
        back.to = QDate(2020, 1, 5).startOfDay();
        form.readInto(back);
        QVERIFY(!back.byDate);
        QCOMPARE(back.from.date(), QDate(2020, 1, 2));
        QVERIFY(back.hasTo);
        QCOMPARE(back.to.date(), QDate(2020, 1, 5));
    }
};

QTEST_MAIN(TestFormFilter)
#include "tst_formfilter.moc"
