#include "plannerui/planificationtab.h"

#include <QtTest>
#include <QtWidgets>

// The gas panel of the planner tab: what the diver types reaches the plan, and what the plan
// computes reaches the panel.
class TestGasPanel : public QObject
{
    Q_OBJECT

private:
    static QString cell(QTableWidget* table, int row, int column)
    {
        QTableWidgetItem* item = table->item(row, column);
        return item ? item->text() : QString();
    }

private slots:
    void fillPressureDrivesEndAndColour_data()
    {
        QTest::addColumn<int>("fill");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("colour");
        // The default dive (air, 20 m for 1 + 9 min, 1.84 min up) uses 642.16 L by hand, 53.51
        // bar of 12 L; its minimum gas is 66 bar (the gas numbers are the planner tests' job).
        QTest::newRow("200-bar-green") << 200 << "146 bar"
                                       << "#30a050";
        QTest::newRow("110-bar-orange-below-66") << 110 << "56 bar"
                                                 << "#f08000";
        QTest::newRow("50-bar-red-dry") << 50 << "0 bar"
                                        << "#d00000";
    }

    void fillPressureDrivesEndAndColour()
    {
        QFETCH(int, fill);
        QFETCH(QString, end);
        QFETCH(QString, colour);
        PlanificationTab tab;
        tab.addNewDive();
        auto* table = tab.findChild<QTableWidget*>("tblGas");
        QVERIFY(table);
        QCOMPARE(cell(table, 0, 3), QStringLiteral("642 L"));
        auto* spin = qobject_cast<QSpinBox*>(table->cellWidget(0, 2));
        QVERIFY(spin);
        spin->setValue(fill);
        emit spin->editingFinished();
        QTRY_COMPARE(tab.plan().current()->cylinders.value(0).fillBar, double(fill));
        QTRY_COMPARE(cell(table, 0, 4), end);
        auto* bar = qobject_cast<QProgressBar*>(table->cellWidget(0, 6));
        QVERIFY(bar);
        QVERIFY2(bar->styleSheet().contains(colour), qPrintable(bar->styleSheet()));
    }

    void settingsReachThePlan()
    {
        PlanificationTab tab;
        tab.addNewDive();
        auto* table = tab.findChild<QTableWidget*>("tblGas");
        tab.findChild<QDoubleSpinBox*>("spSac")->setValue(10);
        tab.findChild<QDoubleSpinBox*>("spDecoSac")->setValue(7.5);
        // Half the rates, half the litres: 321.08 L.
        QCOMPARE(tab.plan().gasSettings.bottomSacLpm, 10.0);
        QCOMPARE(cell(table, 0, 3), QStringLiteral("321 L"));
        tab.findChild<QComboBox*>("cbReserve")->setCurrentIndex(1);
        QCOMPARE(tab.plan().gasSettings.reserveMode, ReserveMode::Thirds);
        QCOMPARE(cell(table, 0, 5), QStringLiteral("67 bar"));

        // A size from the presets: the AL80's 11.1 L.
        auto* size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        QVERIFY(size);
        const int al80 = size->findData(11.1);
        QVERIFY(al80 >= 0);
        size->setCurrentIndex(al80);
        QTRY_COMPARE(tab.plan().current()->cylinders.value(0).litres, 11.1);
    }
};

QTEST_MAIN(TestGasPanel)
#include "tst_gaspanel.moc"
