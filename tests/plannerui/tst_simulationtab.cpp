#include "dive/diveprofile.h"
#include "plannerui/simulationtab.h"
#include "simulationrig.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

using namespace simtest;

Q_DECLARE_METATYPE(DiveProfile)

namespace {

const OverlayIcon* marker(GraphView& graph)
{
    for (const OverlayIcon& icon : graph.profileItem()->overlayIcons())
        if (icon.id == SimulationTab::kTimeMarkerId)
            return &icon;
    return nullptr;
}

// A tab over the virtual computer whose dialogs answer from the test; replay ticks by hand.
struct Harness : Rig
{
    SimulationTab tab;
    int targetDepth = 0;
    bool acceptAscent = true;
    bool confirmStop = true;
    QStringList errors;
    QStringList log;
    SimulationDriver& driver = tab.driver();
    QPushButton* connectButton = tab.findChild<QPushButton*>("btConnectBluetooth");
    QPushButton* replay = tab.findChild<QPushButton*>("btStartStopSimul");
    QPushButton* ascent = tab.findChild<QPushButton*>("btAscent");
    QSlider* slider = tab.findChild<QSlider*>("tbPressure");
    QDoubleSpinBox* spin = tab.findChild<QDoubleSpinBox*>("spPressure");

    Harness()
    {
        tab.askAscent = [this](int& depth, int& speedMPerMin) {
            depth = targetDepth;
            speedMPerMin = 10;
            return acceptAscent;
        };
        tab.confirmStopAscent = [this] { return confirmStop; };
        tab.showError
            = [this](const QString& title, const QString& text) { errors << title + "|" + text; };
        QObject::connect(&tab, &SimulationTab::logMessage, [this](const QString& s) { log << s; });
        driver.setTickInterval(3600 * 1000);
        tab.setLink(link);
        // The replay button as a connection leaves it, for tests that need no computer.
        replay->setEnabled(true);
    }

    bool connectSalt(quint32 ambientMbar = 1013)
    {
        if (!Rig::connectSalt(ambientMbar))
            return false;
        tab.connectionDone();
        return true;
    }

    QString text(const char* name) { return tab.findChild<QLineEdit*>(name)->text(); }
};

} // namespace

class TestSimulationTab : public QObject
{
    Q_OBJECT
private slots:
    void connectButtonSetsTheControls_data()
    {
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<uint>("ambient");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("value");
        QTest::newRow("at altitude") << true << 890u << 890 << 890;
        QTest::newRow("dialog cancelled") << false << 1500u << 1013 << 1013;
    }

    void connectButtonSetsTheControls()
    {
        QFETCH(bool, accepted);
        QFETCH(uint, ambient);
        QFETCH(int, minimum);
        QFETCH(int, value);
        Harness h;
        h.replay->setEnabled(false);
        int calls = 0;
        h.tab.connectComputer = [&] {
            ++calls;
            h.vc->setAmbientPressure(ambient);
            return accepted && h.connectAndIdentify() ? 1 : 0;
        };
        h.connectButton->click();
        QCOMPARE(calls, 1);
        QCOMPARE(h.slider->value(), value);
        QVERIFY(std::fabs(h.spin->value() - value / 1000.0) < 1e-9);
        if (accepted) {
            QCOMPARE(h.slider->minimum(), minimum);
            QVERIFY(std::fabs(h.spin->minimum() - minimum / 1000.0) < 1e-9);
        }
        QCOMPARE(h.connectButton->isEnabled(), !accepted);
        for (QWidget* w : { (QWidget*)h.replay, (QWidget*)h.ascent, (QWidget*)h.slider })
            QCOMPARE(w->isEnabled(), accepted);
        // Set up with signals blocked: nothing was sent, nothing logged.
        QTest::qWait(10);
        QVERIFY(h.vc->pressures.isEmpty());
        QVERIFY(h.log.isEmpty());
    }

    void manualControlsAndAscent()
    {
        Harness h;
        QVERIFY(h.connectSalt());
        h.slider->setValue(1500);
        QCOMPARE(h.spin->value(), 1.5);
        QCOMPARE(h.log, QStringList({ "1500" }));
        h.spin->setValue(2.3456);
        QCOMPARE(h.slider->value(), 2346);
        QVERIFY(settle(h, h.driver));
        QCOMPARE(h.vc->pressures, QList<quint32>({ 1500, 2346 }));
        QCOMPARE(h.log.size(), 1); // the spin box does not write to the console
        // The computer's answer is shown.
        QCOMPARE(h.tab.findChild<QLabel*>("lbSimComputerPressure")->text(),
            QStringLiteral("Computer: 2346 mbar"));

        // The ascent button.
        h.spin->setValue(4.0433);
        QVERIFY(settle(h, h.driver));
        h.acceptAscent = false;
        h.ascent->click();
        QVERIFY(!h.driver.ascentActive());
        h.acceptAscent = true;
        h.ascent->click();
        QVERIFY(h.driver.ascentRunning());
        QVERIFY(!h.slider->isEnabled());
        QVERIFY(!h.spin->isEnabled());

        // One second: 4.0433 - 0.0168405 = 4.0264595 bar, kept whole; shown as 4.0265 and 4026.
        h.driver.ascentTick();
        QCOMPARE(h.driver.pressureBar(), 4.0433 - 0.0168405);
        QVERIFY(std::fabs(h.spin->value() - 4.0265) < 1e-9);
        QCOMPARE(h.slider->value(), 4026);

        // "No" goes on, "Yes" stops and gives the hand controls back.
        h.confirmStop = false;
        h.ascent->click();
        QVERIFY(h.driver.ascentRunning());
        h.confirmStop = true;
        h.ascent->click();
        QVERIFY(!h.driver.ascentActive());
        QVERIFY(h.slider->isEnabled());
        QVERIFY(h.spin->isEnabled());

        // An ascent that ends by itself gives them back too, at the target.
        h.spin->setValue(1.1);
        QVERIFY(settle(h, h.driver));
        h.ascent->click();
        for (int i = 0; i < 10 && h.driver.ascentActive(); ++i)
            h.driver.ascentTick();
        QVERIFY(h.slider->isEnabled());
        QCOMPARE(h.slider->value(), 1013);
    }

    void readouts_data()
    {
        QTest::addColumn<DiveProfile>("dive");
        QTest::addColumn<int>("index");
        QTest::addColumn<QStringList>("texts"); // time, depth, limit label, limit
        QTest::newRow("no-decompression limit")
            << diveOf({ point(0, 0, -12), point(120, 12, -12), point(240, 12, -8) }) << 75
            << QStringList { "01:15", "7.5m", "NDL", "12mn" };
        QTest::newRow("ceiling") << diveOf({ point(0, 0), point(100, 30, 4.5), point(900, 30, 9) })
                                 << 130 << QStringList { "02:10", "30.0m", "Ceiling", "4.5m" };
        QTest::newRow("zero ceiling") << diveOf({ point(0, 0), point(100, 30), point(900, 30) })
                                      << 10 << QStringList { "00:10", "3.0m", "Ceiling", "0.0m" };
        QTest::newRow("the last point") << diveOf({ point(0, 0), point(120, 10) }) << 120
                                        << QStringList { "02:00", "10.0m", "NDL", "250mn" };
    }

    void readouts()
    {
        QFETCH(DiveProfile, dive);
        QFETCH(int, index);
        QFETCH(QStringList, texts);
        Harness h;
        GraphView graph;
        graph.showProfile(&dive);
        h.tab.addReplaySource("shown", &graph);
        h.replay->click();
        QVERIFY(h.errors.isEmpty());
        for (int i = 0; i <= index; ++i)
            h.driver.replayTick();
        QCOMPARE(h.text("edSimPointNumber"), QString::number(index));
        QCOMPARE((QStringList { h.text("edSimTime"), h.text("edSimDepth"),
                     h.tab.findChild<QLabel*>("lbSimNdlCeil")->text(), h.text("edSimNdlCeil") }),
            texts);
    }

    void replaySourcesAndMarker()
    {
        Harness h;
        auto* box = h.tab.findChild<QComboBox*>("cbSimSource");
        auto* progress = h.tab.findChild<QProgressBar*>("progressSimul");
        // No graph, then a graph without a dive: nothing to replay.
        h.replay->click();
        GraphView graph;
        graph.resize(800, 400);
        h.tab.addReplaySource("Dive shown", &graph);
        h.replay->click();
        QCOMPARE(h.errors, QStringList(2, "Simulation Error|No dive profile loaded"));
        QVERIFY(!h.driver.replayRunning());

        DiveProfile dive = diveOf({ point(0, 0), point(60, 20), point(600, 20) });
        graph.showProfile(&dive);
        QVERIFY(box->isHidden());
        h.replay->click();
        for (int i = 0; i <= 30; ++i)
            h.driver.replayTick();
        const OverlayIcon* m = marker(graph);
        QVERIFY(m);
        QCOMPARE(m->time, 30.0);
        QCOMPARE(m->depth, 10.0);
        QCOMPARE(progress->value(), 5); // 31 of 602 samples
        // Starting while it runs stops it: marker gone, progress back to 0.
        h.replay->click();
        QCOMPARE(progress->value(), 0);

        // A full run to its end removes the marker by itself.
        h.replay->click();
        QSignalSpy stopped(&h.driver, &SimulationDriver::replayStopped);
        for (int ticks = 0; h.driver.replayRunning() && ticks < 1000; ++ticks) {
            h.driver.replayTick();
            if (ticks == 601)
                QCOMPARE(progress->value(), 100);
        }
        QCOMPARE(stopped.count(), 1);
        QVERIFY(!marker(graph));
        QCOMPARE(h.text("edSimDepth"), QStringLiteral("0.0m"));

        // A second source brings the choice, and the chosen one is replayed.
        DiveProfile planned = diveOf({ point(0, 0), point(60, 20), point(300, 20) });
        GraphView plannedGraph;
        plannedGraph.showProfile(&planned);
        h.tab.addReplaySource("Planned dive", &plannedGraph);
        QVERIFY(!box->isHidden());
        box->setCurrentIndex(1);
        h.replay->click();
        QCOMPARE(h.driver.replaySamples().size(), 302);
        QVERIFY(marker(plannedGraph));
        QVERIFY(!marker(graph));
    }

    void disconnectDisablesTheControls()
    {
        Harness h;
        h.tab.diveShown();
        QVERIFY(!h.replay->isEnabled()); // a dive shown enables the replay only when connected
        QVERIFY(h.connectSalt());
        h.tab.diveShown();
        QVERIFY(h.replay->isEnabled());
        QSignalSpy disconnected(h.link, &TarskBle::onDisconnectController);
        h.vc->dropConnection();
        QVERIFY(waitCount(disconnected, 1));
        QVERIFY(h.connectButton->isEnabled());
        for (QWidget* w :
            { (QWidget*)h.replay, (QWidget*)h.slider, (QWidget*)h.spin, (QWidget*)h.ascent })
            QVERIFY(!w->isEnabled());
        QVERIFY(h.tab.findChild<QLabel*>("lbSimComputerPressure")->text().isEmpty());
        h.tab.diveShown();
        QVERIFY(!h.replay->isEnabled());
    }

    void defaultDialogs()
    {
        // The real ascent dialog, answered as soon as it is up: cancelled, then 5 m accepted.
        Rig rig;
        QVERIFY(rig.connectSalt());
        SimulationTab tab;
        tab.setLink(rig.link);
        tab.connectionDone();
        tab.driver().setTickInterval(3600 * 1000);
        auto* button = tab.findChild<QPushButton*>("btAscent");
        for (bool accept : { false, true }) {
            QTimer::singleShot(0, [accept] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                dialog->findChildren<QSpinBox*>().at(0)->setValue(5);
                accept ? dialog->accept() : dialog->reject();
            });
            button->click();
            QCOMPARE(tab.driver().ascentRunning(), accept);
        }
        // 5 m in salt water: 1.03 * 9.80665 * 0.05 + 1.013 = 1.51804247 bar; 10 m/min.
        QVERIFY(std::fabs(tab.driver().ascentTargetBar() - 1.51804247) < 1e-8);
        QVERIFY(std::fabs(tab.driver().ascentStepBar() - 0.0168405) < 1e-12);
    }
};

QTEST_MAIN(TestSimulationTab)
#include "tst_simulationtab.moc"
