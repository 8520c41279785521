#include "dive/diveprofile.h"
#include "plannerui/simulationtab.h"
#include "simulationrig.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <cmath>

using namespace simtest;

Q_DECLARE_METATYPE(DiveProfile)

namespace {

DiveSample point(double timeS, double depthM, double limit = 0)
{
    DiveSample s;
    s.time = timeS;
    s.depth = depthM;
    s.decoCeiling = limit;
    return s;
}

DiveProfile diveOf(std::initializer_list<DiveSample> points)
{
    DiveProfile dive;
    for (const DiveSample& p : points)
        dive.samples.append(p);
    dive.computeStatistics();
    return dive;
}

template <typename T> T* child(QWidget& tab, const char* name)
{
    T* w = tab.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        qFatal("no widget %s", name);
    return w;
}

const OverlayIcon* marker(GraphView& graph)
{
    for (const OverlayIcon& icon : graph.profileItem()->overlayIcons())
        if (icon.id == SimulationTab::kTimeMarkerId)
            return &icon;
    return nullptr;
}

// A tab whose dialogs answer from the test.
struct Harness
{
    SimulationTab tab;
    int targetDepth = 0;
    int speed = 10;
    bool acceptAscent = true;
    bool confirmStop = true;
    QStringList errors;

    Harness()
    {
        tab.askAscent = [this](int& depth, int& speedMPerMin) {
            depth = targetDepth;
            speedMPerMin = speed;
            return acceptAscent;
        };
        tab.confirmStopAscent = [this] { return confirmStop; };
        tab.showError
            = [this](const QString& title, const QString& text) { errors << title + "|" + text; };
    }

    // The replay button as a connection leaves it, for tests that need no computer.
    QPushButton* replayButton()
    {
        auto* button = tab.findChild<QPushButton*>(QStringLiteral("btStartStopSimul"));
        button->setEnabled(true);
        return button;
    }
};

} // namespace

class TestSimulationTab : public QObject
{
    Q_OBJECT
private slots:
    void connectButtonRunsTheConnection_data();
    void connectButtonRunsTheConnection();
    void connectionSetsTheControls_data();
    void connectionSetsTheControls();
    void manualControlsSendMillibars();
    void ascentButton();
    void readouts_data();
    void readouts();
    void timeMarkerFollowsTheReplay();
    void replayChoosesItsSource();
    void noDiveIsAnError_data();
    void noDiveIsAnError();
    void disconnectDisablesTheControls();
    void showingADiveEnablesTheReplayOnlyWhenConnected();
    void defaultDialogs();
};

void TestSimulationTab::connectButtonRunsTheConnection_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<bool>("done");
    QTest::newRow("connected") << 1 << true;
    QTest::newRow("dialog cancelled") << 0 << false;
}

void TestSimulationTab::connectButtonRunsTheConnection()
{
    QFETCH(int, result);
    QFETCH(bool, done);
    Rig rig;
    rig.vc->setAmbientPressure(1500);
    Harness h;
    h.tab.setLink(rig.link.get());
    int calls = 0;
    h.tab.connectComputer = [&] {
        ++calls;
        return result == 1 && connectComputer(rig) ? 1 : 0;
    };
    child<QPushButton>(h.tab, "btConnectBluetooth")->click();
    QCOMPARE(calls, 1);
    QCOMPARE(child<QPushButton>(h.tab, "btConnectBluetooth")->isEnabled(), !done);
    QCOMPARE(child<QPushButton>(h.tab, "btStartStopSimul")->isEnabled(), done);
    QCOMPARE(child<QSlider>(h.tab, "tbPressure")->value(), done ? 1500 : 1013);
}

void TestSimulationTab::connectionSetsTheControls_data()
{
    QTest::addColumn<uint>("ambient");
    QTest::addColumn<int>("sliderMinimum");
    QTest::addColumn<int>("sliderValue");
    QTest::addColumn<double>("spinMinimum");
    QTest::addColumn<double>("spinValue");
    QTest::newRow("at altitude") << 890u << 890 << 890 << 0.89 << 0.89;
    QTest::newRow("sea level") << 1013u << 1013 << 1013 << 1.013 << 1.013;
    QTest::newRow("under water") << 2750u << 1013 << 2750 << 1.013 << 2.75;
}

void TestSimulationTab::connectionSetsTheControls()
{
    QFETCH(uint, ambient);
    QFETCH(int, sliderMinimum);
    QFETCH(int, sliderValue);
    QFETCH(double, spinMinimum);
    QFETCH(double, spinValue);
    Rig rig;
    rig.vc->setAmbientPressure(ambient);
    QVERIFY(connectComputer(rig));
    Harness h;
    QStringList log;
    connect(&h.tab, &SimulationTab::logMessage, [&](const QString& s) { log << s; });
    h.tab.setLink(rig.link.get());
    h.tab.connectionDone();
    auto* slider = child<QSlider>(h.tab, "tbPressure");
    auto* spin = child<QDoubleSpinBox>(h.tab, "spPressure");
    QCOMPARE(slider->minimum(), sliderMinimum);
    QCOMPARE(slider->value(), sliderValue);
    QVERIFY(std::fabs(spin->minimum() - spinMinimum) < 1e-9);
    QVERIFY(std::fabs(spin->value() - spinValue) < 1e-9);
    QVERIFY(!child<QPushButton>(h.tab, "btConnectBluetooth")->isEnabled());
    QVERIFY(child<QPushButton>(h.tab, "btStartStopSimul")->isEnabled());
    QVERIFY(slider->isEnabled());
    QVERIFY(spin->isEnabled());
    QVERIFY(child<QPushButton>(h.tab, "btAscent")->isEnabled());
    // Set up with signals blocked: nothing was sent, nothing logged.
    QTest::qWait(10);
    QVERIFY(rig.vc->pressures.isEmpty());
    QVERIFY(log.isEmpty());
}

void TestSimulationTab::manualControlsSendMillibars()
{
    Rig rig;
    QVERIFY(connectComputer(rig));
    Harness h;
    QStringList log;
    connect(&h.tab, &SimulationTab::logMessage, [&](const QString& s) { log << s; });
    h.tab.setLink(rig.link.get());
    h.tab.connectionDone();
    auto* slider = child<QSlider>(h.tab, "tbPressure");
    auto* spin = child<QDoubleSpinBox>(h.tab, "spPressure");

    slider->setValue(1500);
    QCOMPARE(spin->value(), 1.5);
    QCOMPARE(log, QStringList({ "1500" }));
    QVERIFY(settle(rig, h.tab.driver()));
    QCOMPARE(rig.vc->pressures, QList<quint32>({ 1500 }));

    spin->setValue(2.3456);
    QCOMPARE(slider->value(), 2346);
    QVERIFY(settle(rig, h.tab.driver()));
    QCOMPARE(rig.vc->pressures, QList<quint32>({ 1500, 2346 }));
    QCOMPARE(log.size(), 1); // the spin box does not write to the console

    // Dragging: three values in a row; the first goes, the last follows the reply.
    slider->setValue(3000);
    slider->setValue(3100);
    slider->setValue(3200);
    QVERIFY(settle(rig, h.tab.driver()));
    QCOMPARE(rig.vc->pressures, QList<quint32>({ 1500, 2346, 3000, 3200 }));
    QCOMPARE(rig.vc->ambientPressure(), quint32(3200));
    QCOMPARE(rig.vc->overlaps, 0);
    QCOMPARE(log.last(), QStringLiteral("3200"));
    // The computer's answer is shown.
    QCOMPARE(child<QLabel>(h.tab, "lbSimComputerPressure")->text(),
        QStringLiteral("Computer: 3200 mbar"));
}

void TestSimulationTab::ascentButton()
{
    Rig rig;
    rig.vc->setWaterType(0);
    rig.vc->setSurfacePressure(1013);
    QVERIFY(connectComputer(rig));
    Harness h;
    h.tab.setLink(rig.link.get());
    h.tab.connectionDone();
    h.tab.driver().setTickInterval(3600 * 1000); // ticks driven by hand below
    auto* button = child<QPushButton>(h.tab, "btAscent");
    auto* slider = child<QSlider>(h.tab, "tbPressure");
    auto* spin = child<QDoubleSpinBox>(h.tab, "spPressure");
    spin->setValue(4.0433);
    QVERIFY(settle(rig, h.tab.driver()));

    h.acceptAscent = false;
    button->click();
    QVERIFY(!h.tab.driver().ascentActive());

    h.acceptAscent = true;
    h.targetDepth = 0;
    h.speed = 10;
    button->click();
    QVERIFY(h.tab.driver().ascentRunning());
    QVERIFY(!slider->isEnabled());
    QVERIFY(!spin->isEnabled());

    // One second: 4.0433 - 0.0168405 = 4.0264595 bar, kept whole; shown as 4.0265 and 4026.
    h.tab.driver().ascentTick();
    QCOMPARE(h.tab.driver().pressureBar(), 4.0433 - 0.0168405);
    QVERIFY(std::fabs(spin->value() - 4.0265) < 1e-9);
    QCOMPARE(slider->value(), 4026);
    QVERIFY(settle(rig, h.tab.driver()));
    QCOMPARE(rig.vc->pressures.constLast(), quint32(4026));

    // "No" goes on, "Yes" stops and gives the hand controls back.
    h.confirmStop = false;
    button->click();
    QVERIFY(h.tab.driver().ascentRunning());
    h.confirmStop = true;
    button->click();
    QVERIFY(!h.tab.driver().ascentActive());
    QVERIFY(slider->isEnabled());
    QVERIFY(spin->isEnabled());

    // An ascent that ends by itself gives them back too, at the target.
    spin->setValue(1.1);
    QVERIFY(settle(rig, h.tab.driver()));
    button->click();
    for (int i = 0; i < 10 && h.tab.driver().ascentActive(); ++i)
        h.tab.driver().ascentTick();
    // 0.087 bar above the surface at 0.0168405 per second: 6 ticks.
    QCOMPARE(h.tab.driver().ascentTicks(), 6);
    QVERIFY(slider->isEnabled());
    QCOMPARE(slider->value(), 1013);
    QVERIFY(settle(rig, h.tab.driver()));
    QCOMPARE(rig.vc->ambientPressure(), quint32(1013));
}

void TestSimulationTab::readouts_data()
{
    QTest::addColumn<DiveProfile>("dive");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("depth");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("limit");
    QTest::newRow("no-decompression limit")
        << diveOf({ point(0, 0, -12), point(120, 12, -12), point(240, 12, -8) }) << 75 << "01:15"
        << "7.5m"
        << "NDL"
        << "12mn";
    QTest::newRow("ceiling") << diveOf({ point(0, 0), point(100, 30, 4.5), point(900, 30, 9) })
                             << 130 << "02:10"
                             << "30.0m"
                             << "Ceiling"
                             << "4.5m";
    QTest::newRow("zero ceiling") << diveOf({ point(0, 0), point(100, 30), point(900, 30) }) << 10
                                  << "00:10"
                                  << "3.0m"
                                  << "Ceiling"
                                  << "0.0m";
    // Past one hour the time carries its hours: 3725 s.
    QTest::newRow("past one hour")
        << diveOf({ point(0, 0, -250), point(3800, 10) }) << 3725 << "01:02:05"
        << "9.8m"
        << "NDL"
        << "250mn";
    QTest::newRow("the last point") << diveOf({ point(0, 0), point(120, 10) }) << 120 << "02:00"
                                    << "10.0m"
                                    << "NDL"
                                    << "250mn";
}

void TestSimulationTab::readouts()
{
    QFETCH(DiveProfile, dive);
    QFETCH(int, index);
    QFETCH(QString, time);
    QFETCH(QString, depth);
    QFETCH(QString, label);
    QFETCH(QString, limit);
    Harness h;
    GraphView graph;
    graph.showProfile(&dive);
    h.tab.addReplaySource("shown", &graph);
    h.tab.driver().setTickInterval(3600 * 1000);
    h.replayButton()->click();
    QVERIFY(h.errors.isEmpty());
    QVERIFY(h.tab.driver().replayRunning());
    for (int i = 0; i <= index; ++i)
        h.tab.driver().replayTick();
    QCOMPARE(child<QLineEdit>(h.tab, "edSimPointNumber")->text(), QString::number(index));
    QCOMPARE(child<QLineEdit>(h.tab, "edSimTime")->text(), time);
    QCOMPARE(child<QLineEdit>(h.tab, "edSimDepth")->text(), depth);
    QCOMPARE(child<QLabel>(h.tab, "lbSimNdlCeil")->text(), label);
    QCOMPARE(child<QLineEdit>(h.tab, "edSimNdlCeil")->text(), limit);
}

void TestSimulationTab::timeMarkerFollowsTheReplay()
{
    Harness h;
    DiveProfile dive = diveOf({ point(0, 0), point(60, 20), point(600, 20) });
    GraphView graph;
    graph.resize(800, 400);
    graph.showProfile(&dive);
    h.tab.addReplaySource("shown", &graph);
    h.tab.driver().setTickInterval(3600 * 1000);
    auto* start = h.replayButton();
    auto* progress = child<QProgressBar>(h.tab, "progressSimul");
    QVERIFY(!marker(graph));
    start->click();
    QVERIFY(marker(graph));
    for (int i = 0; i <= 30; ++i)
        h.tab.driver().replayTick();
    const OverlayIcon* m = marker(graph);
    QVERIFY(m);
    QCOMPARE(m->time, 30.0);
    QCOMPARE(m->depth, 10.0);
    const QPointF at = graph.profileItem()->mapToScene(30, 10);
    QCOMPARE(m->x, at.x());
    QCOMPARE(m->y, at.y());
    // 31 of 602 samples: 5 %.
    QCOMPARE(progress->value(), 5);

    // Starting while it runs stops it: marker gone, progress back to 0, nothing more ticks.
    start->click();
    QVERIFY(!h.tab.driver().replayRunning());
    QVERIFY(!marker(graph));
    QCOMPARE(progress->value(), 0);

    // A full run to its end removes the marker by itself.
    start->click();
    QSignalSpy stopped(&h.tab.driver(), &SimulationDriver::replayStopped);
    int ticks = 0;
    while (h.tab.driver().replayRunning() && ticks < 1000) {
        h.tab.driver().replayTick();
        ++ticks;
        if (ticks == 602)
            QCOMPARE(progress->value(), 100);
    }
    // 602 samples, then the tick that ends the run.
    QCOMPARE(ticks, 603);
    QCOMPARE(stopped.count(), 1);
    QVERIFY(!marker(graph));
    QCOMPARE(child<QLineEdit>(h.tab, "edSimDepth")->text(), QStringLiteral("0.0m"));
}

void TestSimulationTab::replayChoosesItsSource()
{
    Harness h;
    DiveProfile logged = diveOf({ point(0, 0), point(60, 10) });
    DiveProfile planned = diveOf({ point(0, 0), point(60, 20), point(300, 20) });
    planned.ascentSamples = { point(300, 20), point(420, 0) };
    GraphView loggedGraph;
    GraphView plannedGraph;
    loggedGraph.showProfile(&logged);
    plannedGraph.showProfile(&planned);
    h.tab.addReplaySource("Dive shown", &loggedGraph);
    QVERIFY(child<QComboBox>(h.tab, "cbSimSource")->isHidden());
    h.tab.addReplaySource("Planned dive", &plannedGraph);
    auto* box = child<QComboBox>(h.tab, "cbSimSource");
    QVERIFY(!box->isHidden());
    h.tab.driver().setTickInterval(3600 * 1000);
    auto* start = h.replayButton();

    start->click();
    QCOMPARE(h.tab.driver().replaySamples().size(), 62);
    QVERIFY(marker(loggedGraph));
    start->click();

    box->setCurrentIndex(1);
    start->click();
    // With its ascent: seconds 0 to 419, the last point, the surface.
    QCOMPARE(h.tab.driver().replaySamples().size(), 422);
    QVERIFY(marker(plannedGraph));
    QVERIFY(!marker(loggedGraph));
    start->click();
    QVERIFY(!marker(plannedGraph));
}

void TestSimulationTab::noDiveIsAnError_data()
{
    QTest::addColumn<bool>("withGraph");
    QTest::newRow("graph without a dive") << true;
    QTest::newRow("no graph at all") << false;
}

void TestSimulationTab::noDiveIsAnError()
{
    QFETCH(bool, withGraph);
    Harness h;
    GraphView graph;
    if (withGraph)
        h.tab.addReplaySource("shown", &graph);
    h.replayButton()->click();
    QCOMPARE(h.errors, QStringList({ "Simulation Error|No dive profile loaded" }));
    QVERIFY(!h.tab.driver().replayRunning());
}

void TestSimulationTab::disconnectDisablesTheControls()
{
    Rig rig;
    QVERIFY(connectComputer(rig));
    Harness h;
    h.tab.setLink(rig.link.get());
    h.tab.connectionDone();
    DiveProfile dive = diveOf({ point(0, 0), point(60, 20), point(600, 20) });
    GraphView graph;
    graph.showProfile(&dive);
    h.tab.addReplaySource("shown", &graph);
    h.tab.driver().setTickInterval(3600 * 1000);
    child<QPushButton>(h.tab, "btStartStopSimul")->click();
    h.tab.driver().replayTick();
    QVERIFY(marker(graph));
    QSignalSpy disconnected(rig.link.get(), &TarskBle::onDisconnectController);
    rig.vc->dropConnection();
    QVERIFY(waitCount(disconnected, 1));
    QVERIFY(child<QPushButton>(h.tab, "btConnectBluetooth")->isEnabled());
    QVERIFY(!child<QPushButton>(h.tab, "btStartStopSimul")->isEnabled());
    QVERIFY(!child<QSlider>(h.tab, "tbPressure")->isEnabled());
    QVERIFY(!child<QDoubleSpinBox>(h.tab, "spPressure")->isEnabled());
    QVERIFY(!child<QPushButton>(h.tab, "btAscent")->isEnabled());
    QVERIFY(!h.tab.driver().replayRunning());
    QVERIFY(!marker(graph));
    QVERIFY(child<QLabel>(h.tab, "lbSimComputerPressure")->text().isEmpty());
}

void TestSimulationTab::showingADiveEnablesTheReplayOnlyWhenConnected()
{
    Rig rig;
    Harness h;
    h.tab.setLink(rig.link.get());
    auto* button = child<QPushButton>(h.tab, "btStartStopSimul");
    h.tab.diveShown();
    QVERIFY(!button->isEnabled());
    QVERIFY(connectComputer(rig));
    h.tab.diveShown();
    QVERIFY(button->isEnabled());
    QSignalSpy disconnected(rig.link.get(), &TarskBle::onDisconnectController);
    rig.vc->dropConnection();
    QVERIFY(waitCount(disconnected, 1));
    h.tab.diveShown();
    QVERIFY(!button->isEnabled());
}

void TestSimulationTab::defaultDialogs()
{
    // The real dialogs, answered as soon as they are up.
    Rig rig;
    rig.vc->setWaterType(0);
    rig.vc->setSurfacePressure(1013);
    QVERIFY(connectComputer(rig));
    SimulationTab tab;
    tab.setLink(rig.link.get());
    tab.connectionDone();
    tab.driver().setTickInterval(3600 * 1000);
    auto answerAscent = [&](bool accept) {
        QTimer::singleShot(0, [&, accept] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            const QList<QSpinBox*> spins = dialog->findChildren<QSpinBox*>();
            if (spins.size() == 2)
                spins.at(0)->setValue(5);
            if (accept)
                dialog->accept();
            else
                dialog->reject();
        });
    };
    auto* button = tab.findChild<QPushButton*>("btAscent");
    answerAscent(false);
    button->click();
    QVERIFY(!tab.driver().ascentActive());

    answerAscent(true);
    button->click();
    QVERIFY(tab.driver().ascentRunning());
    // 5 m in salt water: 1.03 * 9.80665 * 0.05 + 1.013 = 1.51804247 bar; 10 m/min.
    QVERIFY(std::fabs(tab.driver().ascentTargetBar() - 1.51804247) < 1e-8);
    QVERIFY(std::fabs(tab.driver().ascentStepBar() - 0.0168405) < 1e-12);
}

QTEST_MAIN(TestSimulationTab)
#include "tst_simulationtab.moc"
