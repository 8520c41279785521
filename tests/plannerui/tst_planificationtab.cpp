#include "dive/units.h"
#include "plannerui/durationspinbox.h"
#include "plannerui/planificationtab.h"
#include "plannerui/plansettingsdialog.h"
#include "plannerui/spinboxdelegate.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"

#include <QAbstractItemModelTester>
#include <QtTest>
#include <QtWidgets>

namespace {

// Answers the next modal message box with `button` and remembers its text.
struct BoxAnswer
{
    QString text;

    explicit BoxAnswer(QMessageBox::StandardButton button = QMessageBox::Ok)
    {
        QTimer::singleShot(0, [this, button]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                box->button(button) ? box->button(button)->click() : box->done(button);
            }
        });
    }
};

QPushButton* addDives(PlanificationTab& tab, int count)
{
    auto* add = tab.findChild<QPushButton*>("btAddDive");
    for (int i = 0; i < count; ++i)
        add->click();
    return add;
}

QString cell(QTableWidget* table, int row, int column)
{
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

class TestPlanificationTab : public QObject
{
    Q_OBJECT

private slots:
    void addRemoveAndReplace()
    {
        PlanificationTab tab;
        QPushButton* add = addDives(tab, 3);
        QCOMPARE(tab.plan().currentIndex, 2);
        BoxAnswer box;
        add->click();
        QCOMPARE(box.text, QStringLiteral("No free place for a new dive"));
        QCOMPARE(tab.plan().diveCount(), 3);
        QVERIFY(tab.resultHtml().contains("arrowDdive.png"));

        // The remove button removes the dive shown (the planner's tests check what moves up).
        tab.plan().dives[1]->profile.name = "Second";
        tab.changeCurrentPlanifDive(0);
        tab.findChild<QPushButton*>("btRemoveDive")->click();
        QCOMPARE(tab.plan().dives[0]->profile.name, QStringLiteral("Second"));
        // A new dive replaces the current one only when the user says yes.
        tab.plan().current()->profile.samples[2].depth = 42;
        BoxAnswer no(QMessageBox::No);
        tab.findChild<QPushButton*>("btNewReplace")->click();
        QCOMPARE(tab.plan().current()->profile.samples[2].depth, 42.0);
        BoxAnswer yes(QMessageBox::Yes);
        tab.findChild<QPushButton*>("btNewReplace")->click();
        QCOMPARE(tab.plan().current()->profile.samples[2].depth, 20.0);
    }

    void delegateEditsRecomputeAtOnce()
    {
        PlanificationTab tab;
        tab.resize(1200, 800);
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        addDives(tab, 1);
        auto* view = tab.findChild<QTableView*>("tblViewlDivePoints");
        QAbstractItemModelTester tester(
            view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(view->model()->index(2, 2).data().toString(), QStringLiteral("10:00"));
        auto* delegate = qobject_cast<SpinBoxDelegate*>(view->itemDelegateForColumn(2));
        const auto edit = [&](int row, int column) {
            QWidget* e = delegate->createEditor(
                view->viewport(), QStyleOptionViewItem(), view->model()->index(row, column));
            if (e)
                delegate->setEditorData(e, view->model()->index(row, column));
            return std::unique_ptr<QWidget>(e);
        };
        // The start at the surface has no editor.
        QVERIFY(!edit(0, 1) && !edit(0, 2));
        const auto timeEditor = edit(2, 2);
        auto* time = qobject_cast<QTimeEdit*>(timeEditor.get());
        QCOMPARE(time->displayFormat(), QStringLiteral("mm:ss"));
        time->setTime(QTime(0, 25, 0)); // 20 m until 25:00 instead of 10:00
        QCOMPARE(tab.plan().current()->profile.samples[2].time, 1500.0);
        QVERIFY(tab.resultHtml().contains("|    25:00 |"));
        // The graph fits the longer dive.
        const DiveProfileItem* item = tab.findChild<GraphView*>("widgetSimul")->profileItem();
        QVERIFY(item->xScale() * tab.plan().current()->profile.duration
            <= item->plotRect().width() + 0.5);
        // A time before the previous point is clamped and written back into the editor.
        time->setTime(QTime(0, 0, 30));
        QCOMPARE(tab.plan().current()->profile.samples[2].time, 60.0);
        QCOMPARE(time->time(), QTime(0, 1, 0));

        qobject_cast<QDoubleSpinBox*>(edit(1, 1).get())->setValue(35.0);
        QCOMPARE(tab.plan().current()->profile.samples[1].depth, 35.0);
        // Typed digit by digit, 250 m is applied when the edit ends, and refused with a
        // message instead of becoming 25 m; 120 m is a depth a plan may have.
        const auto depthEditor = edit(1, 1);
        auto* depth = qobject_cast<QDoubleSpinBox*>(depthEditor.get());
        depth->selectAll();
        BoxAnswer refused;
        QTest::keyClicks(depth, "250");
        QCOMPARE(tab.plan().current()->profile.samples[1].depth, 35.0);
        QTest::keyClick(depth, Qt::Key_Enter);
        QTRY_VERIFY(refused.text.contains(QStringLiteral("150\u00a0m")));
        QCOMPARE(tab.plan().current()->profile.samples[1].depth, 35.0);
        depth->setValue(120.0);
        QCOMPARE(tab.plan().current()->profile.samples[1].depth, 120.0);
        // The gas of a point is the gas of the segment that ends there.
        const auto gasEditor = edit(2, 3);
        auto* gas = qobject_cast<QComboBox*>(gasEditor.get());
        QCOMPARE(gas->currentIndex(), 0);
        gas->setCurrentIndex(2);
        QCOMPARE(tab.plan().current()->profile.samples[2].gasIndex, 2);
        QCOMPARE(view->model()->index(2, 3).data().toString(), QStringLiteral("Nx40"));
        // Oxygen has one name, whichever of the computer's three oxygen entries is taken.
        gas->setCurrentIndex(4);
        QCOMPARE(gas->itemText(3) + gas->itemText(5), QStringLiteral("O2O2"));
        QCOMPARE(view->model()->index(2, 3).data().toString(), QStringLiteral("O2"));

        // Past one hour the editor keeps the hours.
        QCOMPARE(SpinBoxDelegate::timeFormatFor(3599), QStringLiteral("mm:ss"));
        QCOMPARE(SpinBoxDelegate::timeFormatFor(3600), QStringLiteral("HH:mm:ss"));
    }

    void durationText()
    {
        const std::pair<const char*, int> rows[]
            = { { "26H05mn", 26 * 60 + 5 }, { "01h30", 90 }, { "2:00", 120 }, { "3H", 180 },
                  { "95mn", 95 }, { "45", 45 }, { "1H75", 135 }, { "abc", -1 } };
        for (const auto& [text, minutes] : rows) {
            QCOMPARE(DurationSpinBox::minutesOf(text), minutes);
            if (minutes >= 0)
                QCOMPARE(DurationSpinBox::minutesOf(DurationSpinBox::text(minutes)), minutes);
        }
    }

    void surfaceIntervalTyped()
    {
        PlanificationTab tab;
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        QPushButton* add = addDives(tab, 1);
        // Only the later dives of a day have a surface interval before them, 2 h at first.
        auto* interval = tab.findChild<DurationSpinBox*>("edSurfaceInterval");
        QVERIFY(!interval->isEnabled());
        add->click();
        QVERIFY(interval->isEnabled());
        QCOMPARE(interval->seconds(), 7200);
        // More minutes than an hour holds; 26 h is past the 24 h that lifts the third-dive rules.
        for (const auto& [typed, minutes] :
            { std::pair { "0H90", 90u }, { "26H05", 26u * 60 + 5 } }) {
            interval->setFocus();
            interval->selectAll();
            QTest::keyClicks(interval, typed);
            QTest::keyClick(interval, Qt::Key_Tab);
            QCOMPARE(tab.plan().dives[1]->surfaceIntervalS, minutes * 60);
            QCOMPARE(interval->seconds(), int(minutes * 60));
        }
    }

    void gasTableSetsDecoGases()
    {
        // The default dive breathes air on its points: one bottom row, then three deco rows.
        PlanificationTab tab;
        addDives(tab, 1);
        auto* table = tab.findChild<QTableWidget*>("tblPlanGases");
        QCOMPARE(table->rowCount(), 1 + kMaxDecoGases);
        QCOMPARE(table->item(0, 0)->text(), QStringLiteral("21"));
        table->item(1, 0)->setText("50");
        table->item(2, 0)->setText("100");
        const PlanDiveSettings& settings = tab.plan().dives[0]->settings;
        QCOMPARE(settings.decoGases.size(), 2);
        QVERIFY(settings.decoGases[1].sameMix(100, 0));
        // 20 m for 10 min owes no stop: the ascent never takes EAN50. At 45 m for 25 min it is
        // taken where the plan switches: the first stop, within its 21.65 m in salt water.
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("never"));
        PlanifDive& dive = *tab.plan().dives[0];
        dive.profile.samples[1].depth = dive.profile.samples[2].depth = 45;
        dive.profile.samples[2].time = 1500;
        table->item(2, 0)->setText("80"); // recomputes
        float switchDepth = 0;
        for (const LinePlan& l : dive.result.lines)
            if (l.kind == LinePlan::Switch && switchDepth == 0)
                switchDepth = l.depth;
        QVERIFY(switchDepth > 3 && switchDepth <= 21);
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("%1\u00a0m").arg(switchDepth));
        table->item(1, 0)->setText("90");
        table->item(1, 1)->setText("20"); // no such mix: the row is dropped
        QCOMPARE(tab.plan().dives[0]->settings.decoGases.size(), 1);
        tab.findChild<QComboBox*>("cbDiverType")->setCurrentIndex(1);
        QVERIFY(tab.plan().dives[0]->settings.closedCircuit);
        QVERIFY(table->item(1, 3)->text().contains("closed circuit"));
    }

    void planFileRoundTripAndUnsavedChanges()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("day.diveplan");
        {
            PlanificationTab tab;
            QVERIFY(tab.maybeSave()); // nothing to lose
            addDives(tab, 2);
            // planstorage's own tests pin the gas settings only: these fields are checked here.
            tab.plan().dives[0]->profile.samples[2].depth = 32;
            tab.plan().dives[1]->surfaceIntervalS = 5400;
            tab.plan().dives[1]->effortMode = 1;
            QVERIFY(tab.isModified());
            BoxAnswer cancel(QMessageBox::Cancel);
            QVERIFY(!tab.maybeSave());
            QVERIFY(!cancel.text.isEmpty());
            BoxAnswer discard(QMessageBox::Discard);
            QVERIFY(tab.maybeSave());
            tab.changeCurrentPlanifDive(0);
            QSignalSpy done(&tab, &PlanificationTab::done);
            QVERIFY(tab.savePlanTo(path));
            QCOMPARE(done.value(0).value(0).toString(),
                "Plan saved to " + QDir::toNativeSeparators(path));
            tab.changeCurrentPlanifDive(1); // looking at another dive is no change
            QVERIFY(!tab.isModified());
            tab.findChild<QSpinBox*>("spSurfPressure")->setValue(900);
            QVERIFY(tab.isModified());
        }
        PlanificationTab loaded;
        QVERIFY(loaded.loadPlanFrom(path));
        const Planification& p = loaded.plan();
        QCOMPARE(QList<double>({ double(p.diveCount()), double(p.currentIndex),
                     p.dives[0]->profile.samples[2].depth, double(p.dives[1]->surfaceIntervalS),
                     double(p.dives[1]->effortMode) }),
            QList<double>({ 2, 0, 32, 5400, 1 }));

        // A bad file leaves the plan as it was.
        QFile bad(dir.filePath("bad.diveplan"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray("\x07\x00\x00\x00", 4));
        bad.close();
        BoxAnswer box;
        QVERIFY(!loaded.loadPlanFrom(bad.fileName()));
        QVERIFY(!box.text.isEmpty());
        QCOMPARE(p.diveCount(), 2);
        QCOMPARE(p.dives[0]->profile.samples[2].depth, 32.0);
    }

    // The gas panel: what the diver types reaches the plan, and what the plan computes reaches
    // the panel.
    void fillPressureDrivesEndAndColour()
    {
        // The default dive (air, 20 m for 1 + 9 min, 1.84 min up) uses 642.16 L by hand; 12 L
        // of real air at 200 bar hold about 2339 L (Z 1.026), at 110 bar about 1332 L; its
        // minimum gas is about 59 bar (the gas numbers are the planner tests' job).
        const std::tuple<int, int, const char*> rows[] = { { 200, 140, "#30a050" },
            { 110, 56, "#f08000" }, { 50, 0, "#d00000" } }; // green, orange below 59, red dry
        for (const auto& [fill, end, colour] : rows) {
            PlanificationTab tab;
            tab.addNewDive();
            auto* table = tab.findChild<QTableWidget*>("tblGas");
            QVERIFY(table);
            QCOMPARE(cell(table, 0, 0), QStringLiteral("Air"));
            QCOMPARE(cell(table, 0, 4), QStringLiteral("642 L"));
            auto* spin = qobject_cast<QSpinBox*>(table->cellWidget(0, 3));
            QVERIFY(spin);
            spin->setValue(fill);
            emit spin->editingFinished();
            QTRY_COMPARE(tab.plan().current()->cylinders.value(0).fillBar, double(fill));
            QTRY_COMPARE(cell(table, 0, 5), QStringLiteral("%1 bar").arg(end));
            auto* bar = qobject_cast<QProgressBar*>(table->cellWidget(0, 7));
            QVERIFY(bar);
            QVERIFY2(bar->styleSheet().contains(colour), qPrintable(bar->styleSheet()));
        }
    }

    void settingsReachThePlan()
    {
        PlanificationTab tab;
        tab.addNewDive();
        auto* table = tab.findChild<QTableWidget*>("tblGas");
        tab.findChild<QDoubleSpinBox*>("spSac")->setValue(10);
        tab.findChild<QDoubleSpinBox*>("spDecoSac")->setValue(7.5);
        // Half the rates, half the litres: 321.08 L.
        QCOMPARE(cell(table, 0, 4), QStringLiteral("321 L"));
        tab.findChild<QComboBox*>("cbReserve")->setCurrentIndex(1);
        QCOMPARE(tab.plan().gasSettings.reserveMode, ReserveMode::Thirds);
        QCOMPARE(cell(table, 0, 6), QStringLiteral("67 bar"));
        tab.findChild<QDoubleSpinBox*>("spCylinderTemperature")->setValue(30);
        QCOMPARE(tab.plan().gasSettings.cylinderCelsius, 30.0);
        tab.findChild<QCheckBox*>("chkContingency")->setChecked(true);
        QVERIFY(tab.plan().current()->result.contingencies);

        // A size from the presets: the AL80's 11.1 L.
        auto* size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        QVERIFY(size && size->findData(11.1) >= 0);
        size->setCurrentIndex(size->findData(11.1));
        QTRY_COMPARE(tab.plan().current()->cylinders.value(0).litres, 11.1);
        // Any size typed; a word is refused and the size kept.
        size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        size->lineEdit()->setText("13,5 L");
        emit size->lineEdit()->editingFinished();
        QTRY_COMPARE(tab.plan().current()->cylinders.value(0).litres, 13.5);
        size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        BoxAnswer refused;
        size->lineEdit()->setText("big");
        emit size->lineEdit()->editingFinished();
        QTRY_VERIFY(refused.text.contains("litres"));
        QCOMPARE(tab.plan().current()->cylinders.value(0).litres, 13.5);
    }

    void imperialGasPanel()
    {
        // The default dive uses 642.16 L: / 28.3168 = 22.7 cuft. An AL80 (11.1 L at 206.84 bar,
        // 3000 psi) holds 11.1 x 206.8 / 1.01325 / 28.3168 = 80.0 cuft.
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        const auto metricAgain = qScopeGuard([]() { DisplayUnits::setCurrent(DisplayUnits()); });
        PlanificationTab tab;
        tab.addNewDive();
        auto* table = tab.findChild<QTableWidget*>("tblGas");
        QCOMPARE(cell(table, 0, 4), QStringLiteral("22.7 cuft"));
        // Points in feet: 20 m / 0.3048 = 65.6 ft; 100 ft typed is 30.48 m.
        auto* view = tab.findChild<QTableView*>("tblViewlDivePoints");
        QCOMPARE(view->model()->index(1, 1).data().toString(), QStringLiteral("65.6"));
        auto* delegate = qobject_cast<SpinBoxDelegate*>(view->itemDelegateForColumn(1));
        const std::unique_ptr<QWidget> depth(
            delegate->createEditor(view->viewport(), {}, view->model()->index(1, 1)));
        qobject_cast<QDoubleSpinBox*>(depth.get())->setValue(100);
        QCOMPARE(tab.plan().current()->profile.samples[1].depth, 30.48);
        // Metric chosen in Preferences shows when the tab is shown again.
        DisplayUnits::setCurrent(DisplayUnits());
        tab.show();
        QCOMPARE(view->model()->index(1, 1).data().toString(), QStringLiteral("30.5"));
        QCOMPARE(cell(table, 0, 4).right(2), QStringLiteral(" L"));
        tab.hide();
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        tab.show();
        // 20 L/min shown as 0.71 cuft/min stays 20 L/min when another box changes.
        QCOMPARE(tab.findChild<QDoubleSpinBox*>("spSac")->suffix(), QStringLiteral(" cuft/min"));
        tab.findChild<QComboBox*>("cbReserve")->setCurrentIndex(1);
        QCOMPARE(tab.plan().gasSettings.bottomSacLpm, 20.0);
        auto* size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        size->setCurrentIndex(size->findData(11.1));
        QTRY_COMPARE(tab.plan().current()->cylinders.value(0).workBar, 206.84);
        QCoreApplication::processEvents(); // the row rebuilt
        // 80 cuft typed at the AL80's 3000 psi is the AL80's 11.1 L of water.
        size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        size->lineEdit()->setText("80 cuft");
        emit size->lineEdit()->editingFinished();
        QTRY_VERIFY(qAbs(tab.plan().current()->cylinders.value(0).litres - 11.1) < 0.01);
        QCoreApplication::processEvents();
        // 3300 psi (227.5 bar) in a cylinder made for 3000 psi is warned.
        auto* fill = qobject_cast<QSpinBox*>(table->cellWidget(0, 3));
        fill->setValue(3300);
        emit fill->editingFinished();
        QTRY_VERIFY(qAbs(tab.plan().current()->cylinders.value(0).fillBar - 227.53) < 0.01);
        QTRY_VERIFY(tab.findChild<QTextEdit*>("runtime")->toPlainText().contains(
            "filled to 3300 psi, above its working pressure of 3000 psi"));
        // A word for a size is explained in the diver's units.
        size = qobject_cast<QComboBox*>(table->cellWidget(0, 1));
        BoxAnswer refused;
        size->lineEdit()->setText("big");
        emit size->lineEdit()->editingFinished();
        QTRY_VERIFY(refused.text.contains("cubic feet"));
    }

    void planSettingsReachNewDivesAndTheSchedule()
    {
        // The dialog gives back what it was shown; Preferences' store gives new dives their
        // settings; applied to the plan, the 6 m last stop shows in the schedule.
        AscentSettings s;
        s.switchRule = SwitchRule::Depth;
        s.switchTimeMin = 2;
        s.decoPpo2 = 1.4f;
        s.lastStopM = 6;
        s.ascentRateMpm = 9;
        s.safetyStopMin = 3;
        s.roundStops = true;
        s.altitudeM = 1500;
        s.o2BreakMin = 20;
        s.backGasMin = 5;
        s.endLimitM = 40;
        QVERIFY(PlanSettingsDialog(s, nullptr).settings() == s);
        QTemporaryDir dir;
        QSettings store(dir.filePath("settings.cfg"), QSettings::IniFormat);
        writePlanDefaults(store, s);
        PlanificationTab tab;
        tab.setSettings(&store);
        addDives(tab, 1);
        QVERIFY(tab.plan().dives[0]->settings.ascent == s);
        AscentSettings lastStop6;
        lastStop6.lastStopM = 6;
        tab.plan().dives[0]->profile.samples[1].depth = 40;
        tab.plan().dives[0]->profile.samples[2].depth = 40;
        tab.plan().dives[0]->profile.samples[2].time = 1800;
        tab.applyAscentSettings(lastStop6, true);
        float shallowest = 99;
        for (const LinePlan& l : tab.plan().dives[0]->result.lines)
            if (l.kind == LinePlan::Line && l.computed && l.direction == LinePlan::Level)
                shallowest = std::min(shallowest, l.depth);
        QCOMPARE(shallowest, 6.0f);
    }

    void newPlanAsksOnceAndClearsTheGases()
    {
        PlanificationTab tab;
        addDives(tab, 1);
        QVERIFY(tab.findChild<QTableWidget*>("tblGas")->rowCount() > 0);
        int questions = 0;
        // Every box that opens is counted and answered "Discard".
        QTimer answerer;
        connect(&answerer, &QTimer::timeout, [&questions]() {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++questions;
                box->button(QMessageBox::Discard) ? box->button(QMessageBox::Discard)->click()
                                                  : box->button(QMessageBox::Yes)->click();
            }
        });
        answerer.start(10);
        tab.findChild<QPushButton*>("btNewSimulation")->click();
        QCOMPARE(questions, 1);
        QCOMPARE(tab.plan().diveCount(), 0);
        QCOMPARE(tab.findChild<QTableWidget*>("tblGas")->rowCount(), 0);
        QCOMPARE(tab.findChild<QTableWidget*>("tblPlanGases")->item(0, 0)->text(), QString());
    }

    void graphKeepsItsHeightOnALaptop()
    {
        // 1366x768 leaves the tab about 1366x600 below the menu, tool and tab bars: the graph
        // keeps at least 250 px, and an error puts one red banner above it.
        PlanificationTab tab;
        tab.resize(1366, 600);
        addDives(tab, 1);
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        auto* graph = tab.findChild<GraphView*>("widgetSimul");
        QVERIFY2(graph->height() >= 250, qPrintable(QString::number(graph->height())));
        auto* banner = tab.findChild<QLabel*>("lbNotDiveable");
        QVERIFY(banner && !banner->isVisible());
        tab.plan().current()->profile.samples[1].depth = 100;
        tab.plan().current()->profile.samples[2].depth = 100;
        tab.findChild<QPushButton*>("btSolve")->click();
        QVERIFY(banner->isVisible() && banner->text().contains("1.6 bar"));
        QTRY_VERIFY(banner->mapTo(&tab, QPoint(0, banner->height())).y()
            <= graph->mapTo(&tab, QPoint(0, 0)).y());
        QVERIFY(graph->height() >= 250);
    }

    void screenshot()
    {
        // By hand: VELTRA_TEST_SCREENSHOTS=<folder>, for the README's planner picture and to
        // look at the tab and its settings at 1366x768 in metric and imperial; with
        // VELTRA_TEST_QM=<a .qm file> in that language.
        const QString out = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS");
        if (out.isEmpty())
            QSKIP("VELTRA_TEST_SCREENSHOTS names no folder");
        QTranslator translator;
        if (translator.load(qEnvironmentVariable("VELTRA_TEST_QM")))
            QCoreApplication::installTranslator(&translator);
        const auto metricAgain = qScopeGuard([]() { DisplayUnits::setCurrent(DisplayUnits()); });
        for (const UnitSystem system : { UnitSystem::Metric, UnitSystem::Imperial }) {
            DisplayUnits::setCurrent(DisplayUnits::all(system));
            const QString suffix = system == UnitSystem::Metric ? QString() : "-imperial";
            PlanificationTab tab;
            tab.resize(1366, 768);
            addDives(tab, 1);
            tab.plan().current()->profile.samples[1].depth = 35;
            tab.plan().current()->profile.samples[2].depth = 35;
            tab.plan().current()->profile.samples[2].time = 1500;
            tab.plan().current()->cylinders
                = { Cylinder { 21, 0, CylinderRole::Bottom, 18, 232, 232 } };
            auto* gases = tab.findChild<QTableWidget*>("tblPlanGases");
            gases->item(1, 0)->setText("50");
            gases->item(2, 0)->setText("100");
            tab.changeCurrentPlanifDive(0);
            tab.show();
            QVERIFY(QTest::qWaitForWindowExposed(&tab));
            QVERIFY(tab.grab().save(out + "/planner" + suffix + ".png"));
            PlanSettingsDialog dialog(AscentSettings {}, &tab);
            dialog.show();
            QVERIFY(dialog.grab().save(out + "/plan-settings" + suffix + ".png"));
        }
    }
};

QTEST_MAIN(TestPlanificationTab)
#include "tst_planificationtab.moc"
