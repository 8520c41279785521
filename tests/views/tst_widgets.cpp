#include "testdives.h"
#include "views/adddivedialog.h"
#include "views/cylinderseditor.h"
#include "views/gestures.h"
#include "views/graphview.h"
#include "views/measurewindow.h"
#include "views/multifielddialog.h"
#include "views/profilereadout.h"
#include "views/progresscircle.h"
#include "views/savefiledialog.h"
#include "views/tissuesgraph.h"

#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QtTest>
#include <QtWidgets>

#include <cmath>

// Runs the dialog and, once it is on screen, lets `act` play the user before pressing Ok.
static int runWith(MultiFieldDialog& dialog, std::function<void()> act, bool accept = true)
{
    QTimer::singleShot(0, [&dialog, act, accept] {
        act();
        accept ? dialog.dialog()->accept() : dialog.dialog()->reject();
    });
    return dialog.run();
}

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void savedNameGetsChosenExtension_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("saved");
        QTest::newRow("UDDF chosen") << "/d/export13"
                                     << "UDDF file (*.uddf)"
                                     << "/d/export13.uddf";
        QTest::newRow("first of two") << "x"
                                      << "Dive file (*.uddf *.csv)"
                                      << "x.uddf";
        QTest::newRow("slate") << "/d/slate"
                               << "PDF slate (*.pdf)"
                               << "/d/slate.pdf";
        QTest::newRow("typed extension kept") << "a.csv"
                                              << "UDDF file (*.uddf)"
                                              << "a.csv";
        QTest::newRow("dot in a folder") << "/d.v/plan"
                                         << "Plan (*.diveplan)"
                                         << "/d.v/plan.diveplan";
        QTest::newRow("cancelled") << ""
                                   << "UDDF file (*.uddf)"
                                   << "";
        QTest::newRow("any file") << "notes"
                                  << "All files (*)"
                                  << "notes";
    }

    void savedNameGetsChosenExtension()
    {
        QFETCH(QString, typed);
        QFETCH(QString, filter);
        QFETCH(QString, saved);
        QCOMPARE(withChosenExtension(typed, filter), saved);
    }

    void resources()
    {
        // Every picture the program names is compiled in, at 1x and at twice the size for @2x.
        const char* const names[] = { "Led_Green", "Led_Orange", "Led_Red", "mark_info",
            "mark_warning", "mark_error", "mark_gas", "diver", "oxygen-tank", "dtr", "alertCeil",
            "alertRR", "alertYoyo", "alertSecurity", "alertDive24h", "alertPmax", "yoyoInfo",
            "yoyoWarning", "yoyoError", "ok", "cancel", "dossier", "database", "signal", "reglage",
            "fitall", "import", "download", "utilisateur", "calendrier", "effort", "effortOn",
            "run_simulation", "pause", "arrowD", "arrowR", "arrowU", "arrowDdive", "arrowRdive",
            "arrowUdive", "bluetooth-smartphone-step0", "bluetooth-smartphone-step1",
            "bluetooth-smartphone-step2", "bluetooth-smartphone-step3", "Veltra-bluetooth-on",
            "Veltra-power-off", "splashscreen" };
        for (const QString name : names) {
            const QImage normal(QStringLiteral(":/TestGraphics/icons/%1.png").arg(name));
            const QImage doubled(QStringLiteral(":/TestGraphics/icons/%1@2x.png").arg(name));
            QVERIFY2(normal.width() >= 16 && doubled.size() == normal.size() * 2, qPrintable(name));
            // Not blank: some pixel is opaque.
            bool opaque = false;
            for (int y = 0; y < normal.height(); ++y)
                for (int x = 0; x < normal.width(); ++x)
                    opaque = opaque || normal.pixelColor(x, y).alpha() == 255;
            QVERIFY2(opaque, qPrintable(name));
        }
        // The about window puts its button 140 px from the right and 220 px from the bottom.
        const QImage splash(QStringLiteral(":/TestGraphics/icons/splashscreen.png"));
        QVERIFY(splash.width() >= 700 && splash.height() >= 400);
        QVERIFY(!QImage(QStringLiteral(":/AppIcon/BrenmorSystemsDiveIcon.ico")).isNull());
        QVERIFY(QFile::exists(QStringLiteral(":/Form/formMeasureTwoPoints.ui")));
    }

    void tissueBars()
    {
        // Loads 1..16 over 150 px: range 15, so each step of 1 is 10 px and the first bar is 0.
        TissuesGraph::Loads ramp, equal, noData;
        std::array<int, 16> rampHeights;
        for (int i = 0; i < 16; ++i) {
            ramp[i] = float(i + 1);
            rampHeights[i] = 10 * i;
        }
        QCOMPARE(TissuesGraph::barHeights(ramp, 150), rampHeights);
        // All equal: range below 0.01, every bar at half of 151 px truncated to 75.
        equal.fill(0.7f);
        std::array<int, 16> expected;
        expected.fill(75);
        QCOMPARE(TissuesGraph::barHeights(equal, 151), expected);
        // A first load below 0.01 means no data, whatever follows.
        noData.fill(5.0f);
        noData[0] = 0.0f;
        expected.fill(0);
        QCOMPARE(TissuesGraph::barHeights(noData, 150), expected);

        TissuesGraph graph;
        graph.resize(300, 200);
        graph.setLoads(ramp);
        const QImage image = graph.grab().toImage();
        // Bar width (300 - 10 - 85) / 16 = 12; bar 16 starts at 10 + 15 * 17 = 265 and fills the
        // available 170 px above the base line at y 185.
        QCOMPARE(image.pixelColor(271, 100), QColor(Qt::green));
        QCOMPARE(image.pixelColor(271, 30), QColor(Qt::green));
        // Bar 1 has the smallest load: zero height, background above the base line.
        QCOMPARE(image.pixelColor(15, 100), QColor("#F0F0F0"));
        QCOMPARE(image.pixelColor(150, 185), QColor(Qt::black));
    }

    void progressCircle()
    {
        const std::tuple<const char*, QVariant, double> clamps[] = { { "innerRadius", 1.5, 1.0 },
            { "innerRadius", -0.2, 0.0 }, { "outerRadius", 3.0, 1.0 }, { "outerRadius", -1.0, 0.0 },
            { "value", -3, 0.0 }, { "maximum", -7, 0.0 } };
        for (const auto& [property, input, stored] : clamps) {
            ProgressCircle circle;
            QVERIFY(circle.setProperty(property, input));
            QVERIFY2(std::abs(circle.property(property).toDouble() - stored) < 1e-12, property);
        }

        // Over the maximum a full disc; a quarter from twelve clockwise; empty. The ring runs
        // from radius 29.4 (hole) to 49 around (50, 50); sampled at radius 40.
        const int d = int(40 / std::sqrt(2.0));
        const QRgb colour = qRgb(110, 190, 235), grey = qRgb(225, 225, 225);
        const std::tuple<int, QRgb, QRgb> pictures[]
            = { { 150, colour, colour }, { 25, colour, grey }, { 0, grey, grey } };
        for (const auto& [visible, upperRight, lowerLeft] : pictures) {
            ProgressCircle circle;
            circle.resize(100, 100);
            circle.setMaximum(100);
            circle.setVisibleValue(visible);
            const QImage image = circle.generatePixmap().toImage();
            QCOMPARE(image.pixel(50 + d, 50 - d), upperRight);
            QCOMPARE(image.pixel(50 - d, 50 + d), lowerLeft);
            QCOMPARE(image.pixel(50, 50), qRgb(255, 255, 255)); // the hole
            QCOMPARE(image.pixelColor(1, 1).alpha(), 0); // outside the circle
        }
    }

    void nativeZoomGesture()
    {
        // A touchpad pinch arrives as the platform's zoom gesture: value is the change of scale.
        // (Two-finger touch pans and pinches are followed through the profile graph's tests.)
        TwoFingersPinchRecognizer recognizer;
        QWidget target;
        std::unique_ptr<QGesture> gesture(recognizer.create(&target));
        auto* pinch = static_cast<TwoFingersPinchGesture*>(gesture.get());
        QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
            QPointF(10, 10), QPointF(10, 10), QPointF(310, 210), 0.25, QPointF());
        QCOMPARE(recognizer.recognize(pinch, &target, &zoom), QGestureRecognizer::TriggerGesture);
        QVERIFY(std::abs(pinch->scaleFactor() - 1.25) < 1e-12);
        QCOMPARE(pinch->centerPoint(), QPointF(310, 210));
        QCOMPARE(pinch->isVertical(), 0);
        // A wild value is kept within the wheel's zoom limits.
        QNativeGestureEvent wild(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
            QPointF(), QPointF(), QPointF(), -3.0, QPointF());
        recognizer.recognize(pinch, &target, &wild);
        QCOMPARE(pinch->scaleFactor(), 0.5);
        QCOMPARE(pinch->lastScaleFactor(), 1.25);
    }

    void multiFieldDialog()
    {
        MultiFieldDialog dialog(QStringLiteral("Inputs"));
        InputDialogMultiField* name
            = dialog.addTextField(QStringLiteral("Name"), QStringLiteral("x"));
        InputDialogMultiField* count = dialog.addIntField(QStringLiteral("Count"), 0, 50, 5, 40);
        auto* depth
            = new InputDialogMultiFieldDouble(QStringLiteral("Depth"), 12.5, 0, 100, 0.5, 1);
        depth->setCheckable(true);
        depth->setChecked(false);
        dialog.addField(depth);
        dialog.addField(new InputDialogMultiFieldBool(QStringLiteral("B"), true));
        dialog.addField(
            new InputDialogMultiFieldString(QStringLiteral("Name"), QStringLiteral("2")));
        QVERIFY(!dialog.value(QStringLiteral("missing")).isValid());
        // The first exact match wins.
        QCOMPARE(dialog.value(QStringLiteral("Name")).toString(), QStringLiteral("x"));

        // What the user typed stays for the next run, even a cancelled one; limits clamp it, and a
        // disabled editor's value is still read.
        const int first = runWith(dialog, [&] {
            qobject_cast<QLineEdit*>(name->editor())->setText(QStringLiteral("Blue hole"));
            qobject_cast<QSpinBox*>(count->editor())->setValue(80);
            QVERIFY(!depth->editor()->isEnabled());
            qobject_cast<QDoubleSpinBox*>(depth->editor())->setValue(33.5);
        });
        QCOMPARE(first, int(QDialog::Accepted));
        QString seenText;
        const int second = runWith(
            dialog, [&] { seenText = qobject_cast<QLineEdit*>(name->editor())->text(); }, false);
        QCOMPARE(second, int(QDialog::Rejected));
        QCOMPARE(seenText, QStringLiteral("Blue hole"));
        QCOMPARE(dialog.value(name).toString(), QStringLiteral("Blue hole"));
        QCOMPARE(dialog.value(QStringLiteral("Count")).toInt(), 50);
        QCOMPARE(dialog.value(depth).toDouble(), 33.5);

        // Ticking the row's box enables the editor and tells the field.
        QCheckBox* box = dialog.dialog()->findChild<QCheckBox*>();
        for (bool checked : { true, false }) {
            box->click();
            QCOMPARE(depth->editor()->isEnabled(), checked);
            QCOMPARE(depth->isChecked(), checked);
        }
    }

    void addDiveInImperial()
    {
        // An AL80 as a diver names it, 80 cuft at the offered 3000 psi: 80 x 28.3168 L x 1.01325
        // / 206.843 bar = 11.10 L of water. 100 ft = 30.48 m; 3000 psi = 206.84 bar, 500 psi =
        // 34.47 bar.
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        AddDiveDialog dialog({}, {}, {});
        DisplayUnits::setCurrent(DisplayUnits());
        dialog.findChild<QDoubleSpinBox*>("sbAddDepth")->setValue(100);
        dialog.findChild<QDoubleSpinBox*>("sbAddCylinder")->setValue(80);
        dialog.findChild<QSpinBox*>("sbAddStartPressure")->setValue(3000);
        dialog.findChild<QSpinBox*>("sbAddEndPressure")->setValue(500);
        const DiveProfile dive = dialog.dive();
        QVERIFY(qAbs(dive.maxDepth - 30.48) < 0.01);
        QCOMPARE(dive.tanks.size(), 1);
        const DiveProfile::TankPressure& tank = dive.tanks.first();
        for (auto [got, expected] : { std::pair { tank.sizeL, 11.10 }, { tank.startBar, 206.84 },
                 { tank.endBar, 34.47 }, { tank.workingBar, 206.84 } })
            QVERIFY2(qAbs(got - expected) < 0.01, qPrintable(QString::number(got)));
    }

    void cylindersInTheDiversUnits()
    {
        // In French with psi: 12.5 L reads "12,5"; 200 bar / 0.0689476 = 2900.75 psi shows
        // "2901", 50 bar = 725.19 psi "725,2"; 3000 psi typed back is 206.84 bar. Shown with a
        // point, a French diver's own value could not be typed back.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        DisplayUnits psi;
        psi.pressure = UnitSystem::Imperial;
        DisplayUnits::setCurrent(psi);
        const auto restore = qScopeGuard([before] {
            QLocale::setDefault(before);
            DisplayUnits::setCurrent(DisplayUnits());
        });
        QTableWidget table;
        CylindersEditor editor(&table);
        DiveProfile dive;
        dive.gases = { DiveGas() };
        dive.tanks = { { 0, 200, 50, 12.5, 0 } };
        editor.setDive(dive, true);
        QCOMPARE(table.horizontalHeaderItem(4)->text(), QString("Start (psi)"));
        for (auto [column, expected] : { std::pair { 3, "12,5" }, { 4, "2901" }, { 5, "725,2" } })
            QCOMPARE(table.item(0, column)->text(), QString(expected));
        QList<DiveProfile::TankPressure> after;
        connect(&editor, &CylindersEditor::edited, this,
            [&after](const auto&, const auto& tanks) { after = tanks; });
        table.item(0, 4)->setText("3000");
        QCOMPARE(after.size(), 1);
        QVERIFY(qAbs(after.first().startBar - 206.84) < 0.01);
        table.item(0, 3)->setText("12,5");
        QCOMPARE(after.first().sizeL, 12.5);
    }

    void measureValues()
    {
        using Points = QList<QPair<double, double>>;
        const std::tuple<Points, int, int, QStringList> rows[] = {
            // 20 m in 1 min, then 9 min level: 20 m over 10 min is 2.0 m/min (not the mean of
            // the per-sample speeds, 10).
            { { { 0, 0 }, { 60, 20 }, { 600, 20 } }, 0, 2,
                { "0\u00a0m", "00:00", "20\u00a0m", "10:00", "20\u00a0m", "10:00", "2.0 m/min" } },
            // Reversed order, an ascent and more than an hour apart.
            { { { 0, 0 }, { 120, 30.5 }, { 3000, 30 }, { 4020, 3 } }, 3, 1,
                { "30.5\u00a0m", "02:00", "3\u00a0m", "01:07:00", "27.5\u00a0m", "01:05:00",
                    "-0.4 m/min" } },
            { { { 0, 0 }, { 60, 10 } }, 1, 1,
                { "10\u00a0m", "01:00", "10\u00a0m", "01:00", "0\u00a0m", "00:00", "0.0 m/min" } },
        };
        for (const auto& [points, i, j, texts] : rows) {
            const DiveProfile dive = diveFromPoints(points);
            const MeasureValues v = measureBetween(dive, i, j);
            QVERIFY(v.valid);
            QCOMPARE((QStringList { v.depth1, v.time1, v.depth2, v.time2, v.depthDifference,
                         v.timeDifference, v.meanSpeed }),
                texts);
            QVERIFY(!measureBetween(dive, 0, int(points.size())).valid);
            QVERIFY(!measureBetween(dive, -1, 0).valid);
        }
        // In feet and French: 30.5 m / 0.3048 = 100.07 ft.
        QLocale::setDefault(QLocale(QLocale::French));
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        const QString feet = measureBetween(diveFromPoints(std::get<0>(rows[1])), 3, 1).depth1;
        DisplayUnits::setCurrent(DisplayUnits());
        QLocale::setDefault(QLocale::system());
        QCOMPARE(feet, QString::fromUtf8("100,1\u00a0ft"));

        // The window shows the values and is kept: a second show reuses it.
        const DiveProfile dive = diveFromPoints(std::get<0>(rows[0]));
        MeasureWindow window;
        QVERIFY(window.show(dive, 2, 0));
        QWidget* w = window.widget();
        QCOMPARE(window.pointsTable()->item(1, 1)->text(), QStringLiteral("10:00"));
        QCOMPARE(window.valuesTable()->item(2, 0)->text(), QStringLiteral("2.0 m/min"));
        QVERIFY(window.show(dive, 0, 1));
        QCOMPARE(window.widget(), w);
        QCOMPARE(window.valuesTable()->item(2, 0)->text(), QStringLiteral("20.0 m/min"));
    }

    void positionInformation()
    {
        // Dive (0,0) (60,20) (3600,20) (4200,0), water 24 - 0.2 depth; what lies between the
        // samples is DiveProfile::positionInfo's (tests/dive), here only what the html shows.
        DiveProfile dive = diveFromPoints({ { 0, 0 }, { 60, 20 }, { 3600, 20 }, { 4200, 0 } });
        // 65 min: 10 m on the way up at 2 m/min, no ceiling.
        const QString ceiling = positionInformationHtml(dive, 3900, false, -1, -1);
        // A negative ceiling is the no-decompression time.
        dive.samples[0].decoCeiling = dive.samples[1].decoCeiling = -12.5;
        const QString ndl = positionInformationHtml(dive, 30, false, -1, -1);
        const QString html = positionInformationHtml(dive, 100, true, 120, 3840);
        const QList<QPair<QString, QStringList>> expected {
            { ceiling,
                { "<td>01:05:00</td>", "<td>10.0 m</td>", "<td>2.0 m/min</td>", "<td>24.0 °C</td>",
                    "Ceiling</td> <td>0.0 m</td>" } },
            { ndl, { "<td>00:30</td>", "<td>20.0 m/min</td>", "NDL</td> <td>12.5 min</td>" } },
            { html,
                { "Selection</p>", "Start Time</td> <td>02:00</td>",
                    "End Time</td> <td>01:04:00</td>", "Elapsed Time</td> <td>01:02:00</td>" } }
        };
        for (const auto& [text, fragments] : expected) {
            QCOMPARE(text.contains("Selection"), fragments.first() == "Selection</p>");
            for (const QString& fragment : fragments)
                QVERIFY2(text.contains(fragment), qPrintable(fragment + " in " + text));
        }
        // Every tag opened is closed: the text parses as XML (with the one HTML entity declared).
        QString xmlText = html;
        xmlText.replace(QStringLiteral("&deg;"), QStringLiteral("&#176;"));
        QXmlStreamReader xml(xmlText);
        int tables = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement
                && xml.name() == QLatin1String("table"))
                ++tables;
        }
        QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
        QCOMPARE(tables, 2);
        // Outside the dive, or with no dive shown, there is nothing to say.
        QVERIFY(positionInformationHtml(dive, 5000, false, -1, -1).isEmpty());
        GraphView view;
        QVERIFY(view.positionInformation(QPointF(10, 10), 30).isEmpty());
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
