#include "logbook/logbookdatabase.h"
#include "views/formfilter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

namespace {

bool sameFilter(const DiveFilter& a, const DiveFilter& b, QString* why)
{
    const auto differs = [why](const char* field) {
        *why = QString::fromLatin1(field);
        return false;
    };
    if (a.byComputer != b.byComputer)
        return differs("byComputer");
    if (a.byComputer && a.computers != b.computers)
        return differs("computers");
    if (a.byDate != b.byDate)
        return differs("byDate");
    if (!a.byDate)
        return true;
    if (a.from.date() != b.from.date())
        return differs("from");
    if (a.hasTo != b.hasTo)
        return differs("hasTo");
    if (a.hasTo && a.to.date() != b.to.date())
        return differs("to");
    if (a.byTime != b.byTime)
        return differs("byTime");
    if (a.byTime && (a.fromTime != b.fromTime || a.toTime != b.toTime))
        return differs("time range");
    return true;
}

QTableWidget* computers(FormFilter& form)
{
    return form.findChild<QTableWidget*>("tblComputers");
}

} // namespace

class TestFormFilter : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void everyComputerTickedIsNoRestriction();
    void noneTickedKeepsNothing();
    void namelessComputer();
    void switchedOffDateKeepsItsValues();
};

void TestFormFilter::roundTrip_data()
{
    QTest::addColumn<DiveFilter>("filter");
    const QStringList names { "QRD-M", "Tarsk", "Veltra" };

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
    f.byComputer = true;
    f.computers = { "QRD-M" };
    QTest::newRow("computer and dates together") << f;
}

void TestFormFilter::roundTrip()
{
    QFETCH(DiveFilter, filter);
    FormFilter form(nullptr);
    form.setFilter(filter, { "QRD-M", "Tarsk", "Veltra" });
    DiveFilter back;
    form.readInto(back);
    QString why;
    QVERIFY2(sameFilter(filter, back, &why), qPrintable(why));
}

void TestFormFilter::everyComputerTickedIsNoRestriction()
{
    FormFilter form(nullptr);
    DiveFilter filter;
    filter.byComputer = true;
    filter.computers = { "Veltra" };
    form.setFilter(filter, { "QRD-M", "Veltra" });
    form.findChild<QPushButton*>("btCheckAll")->click();
    DiveFilter back = filter;
    form.readInto(back);
    QVERIFY(!back.byComputer);
}

void TestFormFilter::noneTickedKeepsNothing()
{
    FormFilter form(nullptr);
    form.setFilter(DiveFilter(), { "QRD-M", "Veltra" });
    // Without a restriction every computer starts ticked.
    QTableWidget* table = computers(form);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->item(0, 0)->checkState(), Qt::Checked);
    form.findChild<QGroupBox*>("grComputer")->setChecked(true);
    form.findChild<QPushButton*>("btUncheckAll")->click();
    DiveFilter back;
    form.readInto(back);
    QVERIFY(back.byComputer);
    QVERIFY(back.computers.isEmpty());
}

void TestFormFilter::namelessComputer()
{
    FormFilter form(nullptr);
    DiveFilter filter;
    filter.byComputer = true;
    filter.computers = { "" };
    form.setFilter(filter, { "", "Veltra" });
    QTableWidget* table = computers(form);
    QCOMPARE(table->item(0, 0)->text(), QString("No name"));
    QCOMPARE(table->item(0, 0)->checkState(), Qt::Checked);
    QCOMPARE(table->item(1, 0)->checkState(), Qt::Unchecked);
    DiveFilter back;
    form.readInto(back);
    QVERIFY(back.byComputer);
    QCOMPARE(back.computers, QStringList { QString() });
}

void TestFormFilter::switchedOffDateKeepsItsValues()
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

QTEST_MAIN(TestFormFilter)
#include "tst_formfilter.moc"
