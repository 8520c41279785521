#include "testdives.h"
#include "views/graphview.h"
#include "views/measurewindow.h"
#include "views/multifielddialog.h"

#include <QtTest>
#include <QtWidgets>

// Runs the dialog and, once it is on screen, lets `act` play the user before pressing Ok.
static int runWith(MultiFieldDialog& dialog, std::function<void()> act, bool accept = true)
{
    QTimer::singleShot(0, [&dialog, act, accept] {
        act();
        if (accept)
            dialog.dialog()->accept();
        else
            dialog.dialog()->reject();
    });
    return dialog.run();
}

class TestDialogs : public QObject
{
    Q_OBJECT

private slots:
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
        box->click();
        QVERIFY(depth->editor()->isEnabled());
        QVERIFY(depth->isChecked());
        box->click();
        QVERIFY(!depth->editor()->isEnabled());
        QVERIFY(!depth->isChecked());
    }

    void measureValues_data()
    {
        using Points = QList<QPair<double, double>>;
        QTest::addColumn<Points>("points");
        QTest::addColumn<int>("i");
        QTest::addColumn<int>("j");
        QTest::addColumn<QStringList>("texts");
        // 20 m in 1 min, then 9 min level: 20 m over 10 min is 2.0 m/min (not the mean of the
        // per-sample speeds, 10).
        QTest::newRow("uneven-steps")
            << Points { { 0, 0 }, { 60, 20 }, { 600, 20 } } << 0 << 2
            << QStringList { "0m", "00:00", "20m", "10:00", "20m", "10:00", "2.0 m/min" };
        // Reversed order, an ascent and more than an hour apart.
        QTest::newRow("reversed-ascent-over-an-hour")
            << Points { { 0, 0 }, { 120, 30.5 }, { 3000, 30 }, { 4020, 3 } } << 3 << 1
            << QStringList { "30.5m", "02:00", "3m", "01:07:00", "27.5m", "01:05:00",
                   "-0.4 m/min" };
        QTest::newRow("same-point")
            << Points { { 0, 0 }, { 60, 10 } } << 1 << 1
            << QStringList { "10m", "01:00", "10m", "01:00", "0m", "00:00", "0.0 m/min" };
    }

    void measureValues()
    {
        using Points = QList<QPair<double, double>>;
        QFETCH(Points, points);
        QFETCH(int, i);
        QFETCH(int, j);
        QFETCH(QStringList, texts);
        const DiveProfile dive = diveFromPoints(points);
        const MeasureValues v = measureBetween(dive, i, j);
        QVERIFY(v.valid);
        QCOMPARE((QStringList { v.depth1, v.time1, v.depth2, v.time2, v.depthDifference,
                     v.timeDifference, v.meanSpeed }),
            texts);
        QVERIFY(!measureBetween(dive, 0, int(points.size())).valid);
        QVERIFY(!measureBetween(dive, -1, 0).valid);
    }

    void measureWindowForm()
    {
        // The window shows the values and is kept: a second show reuses it.
        const DiveProfile dive = diveFromPoints({ { 0, 0 }, { 60, 20 }, { 600, 20 } });
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
        const QList<QPair<QString, QStringList>> expected {
            { ceiling,
                { "<td>01:05:00</td>", "<td>10.0m</td>", "<td>2.0 m/min</td>",
                    "<td>24.0&deg;C</td>", "Ceiling</td> <td>0.0m</td>" } },
            { ndl, { "<td>00:30</td>", "<td>20.0 m/min</td>", "NDL</td> <td>12.5 min</td>" } }
        };
        for (const auto& [html, fragments] : expected) {
            QVERIFY(!html.contains("Selection"));
            for (const QString& fragment : fragments)
                QVERIFY2(html.contains(fragment), qPrintable(fragment + " in " + html));
        }

        const QString html = positionInformationHtml(dive, 100, true, 120, 3840);
        QVERIFY(html.contains("Selection</p>"));
        QVERIFY(html.contains("Start Time</td> <td>02:00</td>"));
        QVERIFY(html.contains("End Time</td> <td>01:04:00</td>"));
        QVERIFY(html.contains("Elapsed Time</td> <td>01:02:00</td>"));
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
