#include "dive/diveprofile.h"
#include "dive/units.h"
#include "plannerui/simulationdriver.h"
#include "plannerui/simulationtab.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "virtuallink.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>

namespace {

// The virtual link as the simulation needs it: every pressure frame the computer receives
// recorded with whether an earlier one was still unanswered at that moment.
class RecordingComputer : public VirtualDiveComputer
{
public:
    void writeCharacteristic(const QBluetoothUuid& characteristic, const QByteArray& value) override
    {
        // Frame: 8 header bytes, the code, then the u32 pressure little-endian.
        if (value.size() >= 13 && quint8(value.at(8)) == 10) {
            quint32 mbar = 0;
            for (int i = 0; i < 4; ++i)
                mbar |= quint32(quint8(value.at(9 + i))) << (8 * i);
            pressures.append(mbar);
            overlaps += outstanding > 0 ? 1 : 0;
            ++outstanding;
        }
        VirtualDiveComputer::writeCharacteristic(characteristic, value);
    }

    QList<quint32> pressures; // every SetSimulatedPressure value, in order
    int outstanding = 0; // pressure frames written whose reply the link has not seen
    int overlaps = 0; // pressure frames written while another was outstanding
};

struct Rig : VirtualLink
{
    RecordingComputer* vc;

    Rig()
        : VirtualLink(new RecordingComputer)
        , vc(static_cast<RecordingComputer*>(computer))
    {
        // The link's view of the channel: a reply (announced as 9) or a failure ends it.
        QObject::connect(link, &TarskBle::onEndCommand, vc, [this](auto code) {
            if (code == VeltraCommand::GetAmbientPressure)
                vc->outstanding = 0;
        });
        QObject::connect(link, &TarskBle::onExchangeError, vc, [this](auto code, auto) {
            if (code == VeltraCommand::SetSimulatedPressure)
                vc->outstanding = 0;
        });
    }

    // Connects in salt water with a 1013 mbar surface, the computer at `ambientMbar`.
    bool connectSalt(quint32 ambientMbar = 1013)
    {
        vc->setWaterType(0);
        vc->setSurfacePressure(1013);
        vc->setAmbientPressure(ambientMbar);
        return connectAndIdentify();
    }
};

DiveSample point(double timeS, double depthM, double limit = 0, double temperature = 20)
{
    DiveSample s;
    s.time = timeS;
    s.depth = depthM;
    s.decoCeiling = limit;
    s.temperature = temperature;
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

bool waitCount(QSignalSpy& spy, int count)
{
    for (int i = 0; i < 200 && spy.count() < count; ++i)
        spy.wait(25);
    return spy.count() >= count;
}

// Waits until the link has no pressure frame outstanding and nothing waits to be sent.
bool settle(Rig& rig, const SimulationDriver& driver)
{
    for (int i = 0; i < 400; ++i) {
        if (!rig.link->pressureBusy() && !driver.waitingMbar())
            return true;
        QTest::qWait(5);
    }
    return false;
}

// Salt water, 1013 mbar at the surface, worked out by hand:
// 1.03 * 9.80665 = 10.1008495 bar per 100 m, so 30 m is 3.03025485 bar above the surface.
constexpr double kSalt30mBar = 4.04325485;
// 10 m/min in salt water with the computer's g = 9.81: 1.03 * 10 * 9.81 / 6000.
constexpr double kSaltStep10 = 0.0168405;
constexpr int kByHand = 3600 * 1000; // a tick interval that leaves the ticks to the test

quint32 mbar(double bar)
{
    return quint32(std::lround(bar * 1000.0));
}

// A driver on a connected computer in salt water with a 1013 mbar surface.
struct Sim : Rig
{
    SimulationDriver driver;

    bool start(quint32 ambientMbar = 1013, int tickMs = kByHand)
    {
        driver.setTickInterval(tickMs);
        if (!connectSalt(ambientMbar))
            return false;
        driver.setLink(link);
        return true;
    }
};

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
            depth = 0;
            speedMPerMin = 10;
            return acceptAscent;
        };
        tab.confirmStopAscent = [this] { return confirmStop; };
        tab.showError
            = [this](const QString& title, const QString& text) { errors << title + "|" + text; };
        QObject::connect(&tab, &SimulationTab::logMessage, [this](const QString& s) { log << s; });
        driver.setTickInterval(kByHand);
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

class TestSimulation : public QObject
{
    Q_OBJECT
private slots:
    void pressureAndMillibars()
    {
        // density * 9.80665 * depth / 100 + 1.013; step density * speed * 9.81 / 6000. Water
        // types: salt, fresh, the third; an unknown type is salt, a negative depth the surface.
        const struct
        {
            int waterType;
            double depth, pressure;
            int speed;
            double step;
        } rows[] = { { 0, 10.0, 2.02308495, 10, 0.0168405 }, { 1, 10.0, 1.993665, 10, 0.01635 },
            { 2, 10.0, 2.013278, 10, 0.016677 }, { 7, 30.0, kSalt30mBar, 30, 0.0505215 },
            { 0, -3.0, 1.013, 1, 0.00168405 } };
        for (const auto& r : rows) {
            QVERIFY(
                std::fabs(simulationPressureAt(r.depth, r.waterType, 1.013) - r.pressure) < 1e-6);
            QVERIFY(std::fabs(simulationAscentStep(r.waterType, r.speed) - r.step) < 1e-9);
        }
        // 1.013 lands below 1013 in binary; half a millibar rounds up; negative, not a number
        // or too large is refused.
        const std::pair<double, std::optional<quint32>> bars[]
            = { { 1.013, 1013 }, { 2.03, 2030 }, { 1.0125, 1013 }, { 0.0, 0 },
                  { -0.5, std::nullopt }, { std::nan(""), std::nullopt }, { 5.0e6, std::nullopt } };
        for (const auto& [bar, mbar] : bars)
            QVERIFY2(simulationMillibar(bar) == mbar, qPrintable(QString::number(bar)));
    }

    void replaySamples()
    {
        // 0 s 0 m, 60 s 20 m, 600 s 20 m: 600 interpolated seconds, the last point, the surface.
        DiveProfile dive
            = diveOf({ point(0, 0, 0, 24), point(60, 20, -12, 22), point(600, 20, 4.5, 16) });
        QList<SimulationSample> s = buildSimulationSamples(dive, 0, 1.013);
        // Depth in decimetres and limit of a sample; temperature and limit are those of the
        // point before.
        const auto at = [&s](int i) { return QString("%1/%2").arg(s[i].depthDm).arg(s[i].limit); };
        QCOMPARE(s.size(), 602);
        for (int i = 0; i < s.size(); ++i)
            QCOMPARE(s.at(i).timeS, double(i));
        // Halfway down: 10 m; at 45 s 15 m exactly, not 14.9 from a rounding of the
        // interpolation; the last point, then the surface at the computer's surface pressure.
        QCOMPARE(QStringList({ at(30), at(45), at(60), at(600), at(601) }),
            QStringList({ "100/0", "150/0", "200/-12", "200/-250", "0/-250" }));
        QVERIFY(std::fabs(s.at(30).pressureBar - 2.02308495) < 1e-9);
        QCOMPARE(s.at(30).temperatureC, 24.0);
        QCOMPARE(s.at(599).temperatureC, 22.0);
        QCOMPARE(s.at(601).pressureBar, 1.013);

        // The computed ascent repeats the last point, then climbs 20 m in 120 s and stops at 3 m.
        dive.ascentSamples = { point(600, 20), point(690, 3), point(750, 3), point(768, 0) };
        dive.ceilingTrace = { { 600, 6, 0 }, { 750, 0, 0 } };
        s = buildSimulationSamples(dive, 0, 1.013);
        // Seconds 0 to 767 from the segments, the last ascent point at 768, the surface at 769.
        QCOMPARE(s.size(), 770);
        // 645 s is halfway between 20 m and 3 m: 11.5 m. The ascent carries the trace's ceiling
        // (6 m at 600 s to 0 m at 750 s: 4.2 m at 645 s, 2 m at 700 s) and the last measured
        // temperature.
        QCOMPARE(QStringList({ at(645), at(700) }), QStringList({ "115/4.2", "30/2" }));
        QVERIFY(std::fabs(s.at(645).pressureBar - (1.03 * 9.80665 * 0.115 + 1.013)) < 1e-9);
        QCOMPARE(s.at(650).temperatureC, 16.0);
        QCOMPARE(s.at(768).depthDm, quint16(0));
        QCOMPARE(s.at(769).pressureBar, 1.013);

        // No point, longer than two days, only unusable points.
        for (const DiveProfile& dive :
            { DiveProfile {}, diveOf({ point(0, 0), point(60, 10), point(3.0 * 86400.0, 10) }),
                diveOf({ point(std::nan(""), 10), point(-5, 10) }) }) {
            QVERIFY(buildSimulationSamples(dive, 0, 1.013).isEmpty());
            SimulationDriver driver;
            QVERIFY(!driver.startReplay(dive));
            QVERIFY(!driver.replayRunning());
        }
    }

    void connectedPressureSetsTheRange()
    {
        // At the surface the reading becomes the minimum and the remembered surface pressure;
        // under pressure the remembered one stays the minimum. Under water, at altitude then
        // under water, just below the 1100 mbar limit, at it, no reading.
        const struct
        {
            quint32 first, second;
            double minimum, pressure;
            quint32 surface;
        } rows[] = { { 2500, 2500, 1.013, 2.5, 1013 }, { 950, 3000, 0.950, 3.0, 950 },
            { 1100, 1100, 1.1, 1.1, 1100 }, { 1101, 1101, 1.013, 1.101, 1013 },
            { 0, 0, 1.013, 1.013, 1013 } };
        for (const auto& r : rows) {
            Sim sim;
            QVERIFY(sim.start(r.first));
            sim.driver.takeConnectedPressure();
            sim.vc->setAmbientPressure(r.second);
            QVERIFY(sim.run(VeltraCommand::GetAmbientPressure));
            QSignalSpy shown(&sim.driver, &SimulationDriver::pressureChanged);
            sim.driver.takeConnectedPressure();
            QCOMPARE(shown.count(), 1);
            QVERIFY(std::fabs(sim.driver.minimumBar() - r.minimum) < 1e-9);
            QVERIFY(std::fabs(sim.driver.pressureBar() - r.pressure) < 1e-9);
            QCOMPARE(sim.driver.rememberedSurfaceMbar(), r.surface);
            QVERIFY(sim.vc->pressures.isEmpty()); // taking the reading sends nothing
        }
    }

    void manualChangesAreCoalescedAndSurviveALostReply()
    {
        Sim sim;
        QVERIFY(sim.start());
        SimulationDriver& driver = sim.driver;
        // A slider dragged quickly: only the first goes out at once, the last one waits.
        QVERIFY(driver.setPressure(1.5) && !driver.setPressure(2.0) && !driver.setPressure(2.5));
        QCOMPARE(sim.vc->pressures, QList<quint32>({ 1500 }));
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->pressures, QList<quint32>({ 1500, 2500 }));
        QCOMPARE(sim.link->computerInfo().ambientPressure, quint32(2500));
        // The pressure is kept at full precision even though only millibars travel.
        QVERIFY(driver.setPressure(1.23456));
        QCOMPARE(driver.pressureBar(), 1.23456);
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->pressures.constLast(), quint32(1235));

        // Many changes in a row: never two frames at once, and the computer ends on the last one.
        for (int mbarValue = 1100; mbarValue <= 4000; mbarValue += 100)
            driver.setPressure(mbarValue / 1000.0);
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->overlaps, 0);
        QCOMPARE(sim.vc->ambientPressure(), quint32(4000));
        QVERIFY(sim.vc->pressures.size() < 3 + 30);

        // A lost reply frees the channel: the waiting value goes out at once.
        sim.link->setReplyTimeout(60);
        QSignalSpy error(sim.link, &TarskBle::onExchangeError);
        sim.vc->setAnswering(false);
        const int before = sim.vc->pressures.size();
        QVERIFY(driver.setPressure(1.5) && !driver.setPressure(1.6));
        QVERIFY(waitCount(error, 1));
        QCOMPARE(sim.vc->pressures.mid(before), QList<quint32>({ 1500, 1600 }));
        QVERIFY(!driver.waitingMbar());
        sim.vc->setAnswering(true);
        QVERIFY(driver.setPressure(1.7) || driver.waitingMbar());
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->ambientPressure(), quint32(1700));
        QCOMPARE(sim.vc->overlaps, 0);
    }

    void ascentReachesItsEnd()
    {
        const struct
        {
            quint32 connectedMbar;
            int target;
            bool byHand;
            int ticks;
            quint32 finalMbar;
        } rows[] = {
            // From 30 m at 10 m/min (0.0168405 bar/s): 3.03025485 / 0.0168405 = 179.94 -> 180
            // ticks. (With the pressure rounded to 0.01 bar each step, it would take about 151.)
            { 1013, 0, false, 180, 1013 },
            { 1013, 0, true, 180, 1013 },
            // To 5 m (1.51804247 bar): 2.52521238 / 0.0168405 = 149.95 -> 150 ticks.
            { 1013, 5, false, 150, 1518 },
            // Minimum 1.050 bar above the 1.013 bar target: 2.99325485 / 0.0168405 = 177.74.
            { 1050, 0, false, 178, 1050 },
        };
        for (const auto& [connectedMbar, target, byHand, ticks, finalMbar] : rows) {
            Sim sim;
            SimulationDriver& driver = sim.driver;
            QVERIFY(sim.start(connectedMbar, byHand ? kByHand : 1));
            driver.takeConnectedPressure();
            QVERIFY(driver.setPressure(kSalt30mBar));
            QVERIFY(settle(sim, driver));
            QList<quint32>& sent = sim.vc->pressures;
            sent.clear();
            QSignalSpy finished(&driver, &SimulationDriver::ascentFinished);
            driver.startAscent(target, 10);
            QVERIFY(std::fabs(driver.ascentStepBar() - kSaltStep10) < 1e-12);
            QVERIFY(driver.ascentRunning());
            for (int i = 0; byHand && driver.ascentActive() && i < 400; ++i) {
                driver.ascentTick();
                QVERIFY(settle(sim, driver));
            }
            QVERIFY(waitCount(finished, 1));
            QCOMPARE(driver.ascentTicks(), ticks);
            QVERIFY(!driver.ascentRunning());
            QVERIFY(settle(sim, driver));
            // Whatever was coalesced on the way, the computer ends at the end pressure.
            QCOMPARE(sent.constLast(), finalMbar);
            QCOMPARE(sim.vc->ambientPressure(), finalMbar);
            QCOMPARE(sim.vc->overlaps, 0);
            for (int i = 1; i < sent.size(); ++i)
                QVERIFY(sent.at(i) < sent.at(i - 1));
            // By hand every second is sent: 4.02641435 bar after one second, 1.02880535 after
            // 179.
            QVERIFY(!byHand || sent.size() == ticks);
            for (int k = 1; byHand && k < ticks; ++k)
                QCOMPARE(sent.at(k - 1), mbar(kSalt30mBar - k * kSaltStep10));
            // Nothing more is sent once it has ended.
            const int count = sent.size();
            QTest::qWait(20);
            QCOMPARE(sent.size(), count);
        }
    }

    void replaySendsEveryPointAndEndsAtTheSurface()
    {
        Sim sim;
        QVERIFY(sim.start());
        SimulationDriver& driver = sim.driver;
        // A planned dive: 10 m for a minute, then its computed ascent to the surface in a minute.
        DiveProfile dive = diveOf({ point(0, 0), point(60, 10), point(120, 10) });
        dive.ascentSamples = { point(120, 10), point(180, 0) };
        QSignalSpy steps(&driver, &SimulationDriver::replayStep);
        QSignalSpy progress(&driver, &SimulationDriver::replayProgress);
        QSignalSpy stopped(&driver, &SimulationDriver::replayStopped);
        QVERIFY(driver.startReplay(dive));
        while (driver.replayRunning()) {
            driver.replayTick();
            QVERIFY(settle(sim, driver));
        }
        QCOMPARE(steps.count(), 182);
        QCOMPARE(stopped.count(), 1);
        // One pressure per second: down 10 m in 60 s, 60 s at 10 m, up 10 m in 60 s, the surface.
        const QList<quint32>& sent = sim.vc->pressures;
        QCOMPARE(sent.size(), 182);
        for (int t = 0; t < 180; ++t) {
            double depth = t < 60 ? t / 6.0 : (t < 120 ? 10.0 : 10.0 - (t - 120) / 6.0);
            QCOMPARE(sent.at(t), mbar(1.03 * 9.80665 * depth / 100.0 + 1.013));
        }
        QCOMPARE(sent.at(180), quint32(1013));
        QCOMPARE(sent.at(181), quint32(1013));
        // Progress in whole percent, rising only when it changes (100 / 182 rounds down to 0 at
        // the first second: the first change is to 1 %), reaching 100, then back to 0.
        QCOMPARE(progress.size(), 101);
        for (int i = 0; i < progress.size(); ++i)
            QCOMPARE(progress.at(i).at(0).toInt(), i < 100 ? i + 1 : 0);
    }

    void fastReplayThenDisconnect()
    {
        Sim sim;
        QVERIFY(sim.start(1013, 0)); // ticks far faster than the computer answers
        SimulationDriver& driver = sim.driver;
        DiveProfile dive = diveOf({ point(0, 0), point(60, 20), point(300, 20) });
        dive.ascentSamples = { point(300, 20), point(420, 0) };
        QSignalSpy stopped(&driver, &SimulationDriver::replayStopped);
        QVERIFY(driver.startReplay(dive));
        QVERIFY(waitCount(stopped, 1));
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->overlaps, 0);
        QVERIFY(sim.vc->pressures.size() <= 422);
        QCOMPARE(sim.vc->pressures.constLast(), quint32(1013));
        QCOMPARE(sim.vc->ambientPressure(), quint32(1013));

        // A lost connection stops the replay, the ascent and the waiting value.
        driver.setTickInterval(kByHand);
        QVERIFY(driver.setPressure(3.0) && !driver.setPressure(3.1));
        driver.startAscent(0, 10);
        QVERIFY(driver.startReplay(diveOf({ point(0, 0), point(60, 10) })));
        QSignalSpy disconnected(sim.link, &TarskBle::onDisconnectController);
        sim.vc->dropConnection();
        QVERIFY(waitCount(disconnected, 1));
        QCOMPARE(stopped.count(), 2);
        QVERIFY(!driver.replayRunning() && !driver.ascentActive() && !driver.waitingMbar());
        // Without a computer nothing is sent and nothing waits for one.
        QVERIFY(!driver.setPressure(2.0) && !driver.waitingMbar());
    }

    // The tab over the driver.
    void connectButtonSetsTheControls()
    {
        // At altitude the reading is the value and the minimum; a cancelled dialog keeps 1013.
        for (const auto& [accepted, ambient] : { std::pair { true, 890u }, { false, 1500u } }) {
            const int value = accepted ? int(ambient) : 1013;
            Harness h;
            h.replay->setEnabled(false);
            int calls = 0;
            h.tab.connectComputer = [&, accepted = accepted, ambient = ambient] {
                ++calls;
                h.vc->setAmbientPressure(ambient);
                return accepted && h.connectAndIdentify() ? 1 : 0;
            };
            h.connectButton->click();
            QCOMPARE(calls, 1);
            QCOMPARE(h.slider->value(), value);
            QVERIFY(std::fabs(h.spin->value() - value / 1000.0) < 1e-9);
            if (accepted) {
                QCOMPARE(h.slider->minimum(), value);
                QVERIFY(std::fabs(h.spin->minimum() - value / 1000.0) < 1e-9);
            }
            QCOMPARE(h.connectButton->isEnabled(), !accepted);
            for (QWidget* w : { (QWidget*)h.replay, (QWidget*)h.ascent, (QWidget*)h.slider })
                QCOMPARE(w->isEnabled(), accepted);
            // Set up with signals blocked: nothing was sent, nothing logged.
            QTest::qWait(10);
            QVERIFY(h.vc->pressures.isEmpty());
            QVERIFY(h.log.isEmpty());
        }
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
        QVERIFY(h.driver.ascentRunning() && !h.slider->isEnabled() && !h.spin->isEnabled());

        // One second: 4.0433 - 0.0168405 = 4.0264595 bar, kept whole; shown as 4.0265 and 4026.
        h.driver.ascentTick();
        QCOMPARE(h.driver.pressureBar(), 4.0433 - kSaltStep10);
        QVERIFY(std::fabs(h.spin->value() - 4.0265) < 1e-9);
        QCOMPARE(h.slider->value(), 4026);

        // "No" goes on, "Yes" stops and gives the hand controls back.
        h.confirmStop = false;
        h.ascent->click();
        QVERIFY(h.driver.ascentRunning());
        h.confirmStop = true;
        h.ascent->click();
        QVERIFY(!h.driver.ascentActive() && h.slider->isEnabled() && h.spin->isEnabled());

        // An ascent that ends by itself gives them back too, at the target.
        h.spin->setValue(1.1);
        QVERIFY(settle(h, h.driver));
        h.ascent->click();
        for (int i = 0; i < 10 && h.driver.ascentActive(); ++i)
            h.driver.ascentTick();
        QVERIFY(h.slider->isEnabled());
        QCOMPARE(h.slider->value(), 1013);
    }

    void readouts()
    {
        // Time, depth, limit label, limit: a no-decompression limit, a ceiling, a zero ceiling.
        // In feet: 30 m / 0.3048 = 98.4 ft, 4.5 m = 14.8 ft.
        std::tuple<DiveProfile, int, QStringList, UnitSystem> rows[] = {
            { diveOf({ point(0, 0, -12), point(120, 12, -12), point(240, 12, -8) }), 75,
                { "01:15", "7.5m", "NDL", "12mn" }, UnitSystem::Metric },
            { diveOf({ point(0, 0), point(100, 30, 4.5), point(900, 30, 9) }), 130,
                { "02:10", "30.0m", "Ceiling", "4.5m" }, UnitSystem::Metric },
            { diveOf({ point(0, 0), point(100, 30), point(900, 30) }), 10,
                { "00:10", "3.0m", "Ceiling", "0.0m" }, UnitSystem::Metric },
            { diveOf({ point(0, 0), point(100, 30, 4.5), point(900, 30, 9) }), 130,
                { "02:10", "98.4ft", "Ceiling", "14.8ft" }, UnitSystem::Imperial },
        };
        const auto metricAgain = qScopeGuard([]() { DisplayUnits::setCurrent(DisplayUnits()); });
        for (auto& [dive, index, texts, system] : rows) {
            DisplayUnits::setCurrent(DisplayUnits::all(system));
            Harness h;
            GraphView graph;
            graph.showProfile(&dive);
            h.tab.addReplaySource("shown", &graph);
            h.replay->click();
            QVERIFY(h.errors.isEmpty());
            for (int i = 0; i <= index; ++i)
                h.driver.replayTick();
            QCOMPARE(h.text("edSimPointNumber"), QString::number(index));
            QCOMPARE(
                (QStringList { h.text("edSimTime"), h.text("edSimDepth"),
                    h.tab.findChild<QLabel*>("lbSimNdlCeil")->text(), h.text("edSimNdlCeil") }),
                texts);
        }
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
        QCOMPARE(QPointF(m->time, m->depth), QPointF(30, 10));
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
        tab.driver().setTickInterval(kByHand);
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
        // 5 m in salt water: 1.03 * 9.80665 * 0.05 + 1.013 = 1.51804247 bar; the dialog's
        // 10 m/min.
        QVERIFY(std::fabs(tab.driver().ascentTargetBar() - 1.51804247) < 1e-8);
        QVERIFY(std::fabs(tab.driver().ascentStepBar() - kSaltStep10) < 1e-12);
    }
};

QTEST_MAIN(TestSimulation)
#include "tst_simulation.moc"
