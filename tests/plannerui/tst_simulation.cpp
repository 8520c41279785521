#include "dive/diveprofile.h"
#include "plannerui/simulationdriver.h"
#include "simulationrig.h"

#include <QSignalSpy>
#include <QTest>

#include <cmath>

using namespace simtest;

Q_DECLARE_METATYPE(DiveProfile)

namespace {

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

} // namespace

class TestSimulation : public QObject
{
    Q_OBJECT
private slots:
    void pressureOfDepth_data()
    {
        QTest::addColumn<int>("waterType");
        QTest::addColumn<double>("depth");
        QTest::addColumn<double>("pressure");
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("step");
        // density * 9.80665 * depth / 100 + 1.013; step density * speed * 9.81 / 6000
        QTest::newRow("salt 10 m") << 0 << 10.0 << 2.02308495 << 10 << 0.0168405;
        QTest::newRow("fresh 10 m") << 1 << 10.0 << 1.993665 << 10 << 0.01635;
        QTest::newRow("third type 10 m") << 2 << 10.0 << 2.013278 << 10 << 0.016677;
        QTest::newRow("unknown type is salt") << 7 << 30.0 << kSalt30mBar << 30 << 0.0505215;
        QTest::newRow("negative depth is the surface") << 0 << -3.0 << 1.013 << 1 << 0.00168405;
    }

    void pressureOfDepth()
    {
        QFETCH(int, waterType);
        QFETCH(double, depth);
        QFETCH(double, pressure);
        QFETCH(int, speed);
        QFETCH(double, step);
        QVERIFY(std::fabs(simulationPressureAt(depth, waterType, 1.013) - pressure) < 1e-6);
        QVERIFY(std::fabs(simulationAscentStep(waterType, speed) - step) < 1e-9);
    }

    void millibarRounding_data()
    {
        QTest::addColumn<double>("bar");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<uint>("mbar");
        QTest::newRow("1.013 lands below 1013 in binary") << 1.013 << true << 1013u;
        QTest::newRow("2.03") << 2.03 << true << 2030u;
        QTest::newRow("half up") << 1.0125 << true << 1013u;
        QTest::newRow("zero") << 0.0 << true << 0u;
        QTest::newRow("negative") << -0.5 << false << 0u;
        QTest::newRow("not a number") << std::nan("") << false << 0u;
        QTest::newRow("too large") << 5.0e6 << false << 0u;
    }

    void millibarRounding()
    {
        QFETCH(double, bar);
        QFETCH(bool, valid);
        QFETCH(uint, mbar);
        const std::optional<quint32> got = simulationMillibar(bar);
        QCOMPARE(got.has_value(), valid);
        if (valid)
            QCOMPARE(*got, quint32(mbar));
    }

    void replaySamples()
    {
        // 0 s 0 m, 60 s 20 m, 600 s 20 m: 600 interpolated seconds, the last point, the surface.
        DiveProfile dive
            = diveOf({ point(0, 0, 0, 24), point(60, 20, -12, 22), point(600, 20, 4.5, 16) });
        QList<SimulationSample> s = buildSimulationSamples(dive, 0, 1.013);
        QCOMPARE(s.size(), 602);
        for (int i = 0; i < s.size(); ++i)
            QCOMPARE(s.at(i).timeS, double(i));
        // Halfway down: 10 m.
        QCOMPARE(s.at(30).depthDm, quint16(100));
        QVERIFY(std::fabs(s.at(30).pressureBar - 2.02308495) < 1e-9);
        QCOMPARE(s.at(30).temperatureC, 24.0);
        QCOMPARE(s.at(30).limit, 0.0);
        // 45 s: 15 m exactly, not 14.9 from a rounding of the interpolation.
        QCOMPARE(s.at(45).depthDm, quint16(150));
        QCOMPARE(s.at(60).limit, -12.0);
        QCOMPARE(s.at(599).temperatureC, 22.0);
        // The last point, then the surface at the computer's surface pressure.
        QCOMPARE(s.at(600).depthDm, quint16(200));
        QCOMPARE(s.at(600).limit, kReplayEndLimit);
        QCOMPARE(s.at(601).depthDm, quint16(0));
        QCOMPARE(s.at(601).pressureBar, 1.013);
        QCOMPARE(s.at(601).limit, kReplayEndLimit);

        // The computed ascent repeats the last point, then climbs 20 m in 120 s and stops at 3 m.
        dive.ascentSamples = { point(600, 20), point(690, 3), point(750, 3), point(768, 0) };
        dive.ceilingTrace = { { 600, 6, 0 }, { 750, 0, 0 } };
        s = buildSimulationSamples(dive, 0, 1.013);
        // Seconds 0 to 767 from the segments, the last ascent point at 768, the surface at 769.
        QCOMPARE(s.size(), 770);
        // 645 s is halfway between 20 m and 3 m: 11.5 m.
        QCOMPARE(s.at(645).depthDm, quint16(115));
        QVERIFY(std::fabs(s.at(645).pressureBar - (1.03 * 9.80665 * 0.115 + 1.013)) < 1e-9);
        // The ascent carries the last measured temperature and the trace's ceiling (6 m at 600 s
        // to 0 m at 750 s: 4 m at 650 s).
        QCOMPARE(s.at(650).temperatureC, 16.0);
        QVERIFY(std::fabs(s.at(650).limit - 4.0) < 1e-6);
        QCOMPARE(s.at(700).depthDm, quint16(30));
        QCOMPARE(s.at(768).depthDm, quint16(0));
        QCOMPARE(s.at(769).pressureBar, 1.013);
    }

    void refusedInputsGiveNoSamples_data()
    {
        QTest::addColumn<DiveProfile>("dive");
        QTest::newRow("no point") << DiveProfile {};
        QTest::newRow("longer than two days")
            << diveOf({ point(0, 0), point(60, 10), point(3.0 * 86400.0, 10) });
        QTest::newRow("only unusable points") << diveOf({ point(std::nan(""), 10), point(-5, 10) });
    }

    void refusedInputsGiveNoSamples()
    {
        QFETCH(DiveProfile, dive);
        QVERIFY(buildSimulationSamples(dive, 0, 1.013).isEmpty());
        SimulationDriver driver;
        QVERIFY(!driver.startReplay(dive));
        QVERIFY(!driver.replayRunning());
    }

    void connectedPressureSetsTheRange_data()
    {
        QTest::addColumn<uint>("first");
        QTest::addColumn<uint>("second");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("pressure");
        QTest::addColumn<uint>("surface");
        // At the surface the reading becomes the minimum and the remembered surface pressure;
        // under pressure the remembered one stays the minimum.
        QTest::newRow("under water") << 2500u << 2500u << 1.013 << 2.5 << 1013u;
        QTest::newRow("altitude then under water") << 950u << 3000u << 0.950 << 3.0 << 950u;
        QTest::newRow("just below the limit") << 1100u << 1100u << 1.1 << 1.1 << 1100u;
        QTest::newRow("at the limit") << 1101u << 1101u << 1.013 << 1.101 << 1013u;
        QTest::newRow("no reading") << 0u << 0u << 1.013 << 1.013 << 1013u;
    }

    void connectedPressureSetsTheRange()
    {
        QFETCH(uint, first);
        QFETCH(uint, second);
        QFETCH(double, minimum);
        QFETCH(double, pressure);
        QFETCH(uint, surface);
        Sim sim;
        QVERIFY(sim.start(first));
        sim.driver.takeConnectedPressure();
        sim.vc->setAmbientPressure(second);
        QVERIFY(sim.run(VeltraCommand::GetAmbientPressure));
        QSignalSpy shown(&sim.driver, &SimulationDriver::pressureChanged);
        sim.driver.takeConnectedPressure();
        QCOMPARE(shown.count(), 1);
        QVERIFY(std::fabs(sim.driver.minimumBar() - minimum) < 1e-9);
        QVERIFY(std::fabs(sim.driver.pressureBar() - pressure) < 1e-9);
        QCOMPARE(sim.driver.rememberedSurfaceMbar(), quint32(surface));
        // Taking the reading sends nothing.
        QVERIFY(sim.vc->pressures.isEmpty());
    }

    void manualChangesAreCoalescedAndSurviveALostReply()
    {
        Sim sim;
        QVERIFY(sim.start());
        SimulationDriver& driver = sim.driver;
        // A slider dragged quickly: only the first goes out at once, the last one waits.
        QVERIFY(driver.setPressure(1.5));
        QVERIFY(!driver.setPressure(2.0));
        QVERIFY(!driver.setPressure(2.5));
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
        QVERIFY(driver.setPressure(1.5));
        QVERIFY(!driver.setPressure(1.6));
        QVERIFY(waitCount(error, 1));
        QCOMPARE(sim.vc->pressures.mid(before), QList<quint32>({ 1500, 1600 }));
        QVERIFY(!driver.waitingMbar());
        sim.vc->setAnswering(true);
        QVERIFY(driver.setPressure(1.7) || driver.waitingMbar());
        QVERIFY(settle(sim, driver));
        QCOMPARE(sim.vc->ambientPressure(), quint32(1700));
        QCOMPARE(sim.vc->overlaps, 0);
    }

    void ascentReachesItsEnd_data()
    {
        QTest::addColumn<uint>("connectedMbar");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("byHand");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<uint>("finalMbar");
        // From 30 m at 10 m/min (0.0168405 bar/s): 3.03025485 / 0.0168405 = 179.94 -> 180 ticks.
        // (With the pressure rounded to 0.01 bar each step, it would take about 151.)
        QTest::newRow("to the surface") << 1013u << 0 << false << 180 << 1013u;
        QTest::newRow("to the surface, ticked by hand") << 1013u << 0 << true << 180 << 1013u;
        // To 5 m (1.51804247 bar): 2.52521238 / 0.0168405 = 149.95 -> 150 ticks.
        QTest::newRow("to 5 m") << 1013u << 5 << false << 150 << 1518u;
        // Minimum 1.050 bar above the 1.013 bar target: 2.99325485 / 0.0168405 = 177.74 -> 178.
        QTest::newRow("stopped by the minimum") << 1050u << 0 << false << 178 << 1050u;
    }

    void ascentReachesItsEnd()
    {
        QFETCH(uint, connectedMbar);
        QFETCH(int, target);
        QFETCH(bool, byHand);
        QFETCH(int, ticks);
        QFETCH(uint, finalMbar);
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
        QCOMPARE(sent.constLast(), quint32(finalMbar));
        QCOMPARE(sim.vc->ambientPressure(), quint32(finalMbar));
        QCOMPARE(sim.vc->overlaps, 0);
        for (int i = 1; i < sent.size(); ++i)
            QVERIFY(sent.at(i) < sent.at(i - 1));
        if (byHand) {
            // Every second sent: 4.02641435 bar after one second, 1.02880535 after 179.
            QCOMPARE(sent.size(), ticks);
            for (int k = 1; k < ticks; ++k)
                QCOMPARE(sent.at(k - 1), mbar(kSalt30mBar - k * kSaltStep10));
            QCOMPARE(sent.first(), quint32(4026));
            QCOMPARE(sent.at(178), quint32(1029));
        }
        // Nothing more is sent once it has ended.
        const int count = sent.size();
        QTest::qWait(20);
        QCOMPARE(sent.size(), count);
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
        QCOMPARE(sent.at(150), quint32(1518)); // 5 m on the way up
        QCOMPARE(sent.at(180), quint32(1013));
        QCOMPARE(sent.at(181), quint32(1013));
        // Progress in whole percent, rising only when it changes (100 / 182 rounds down to 0 at
        // the first second: the first change is to 1 %), reaching 100, then back to 0.
        QList<int> seen;
        QList<int> expected;
        for (int i = 0; i < progress.size(); ++i)
            seen << progress.at(i).at(0).toInt();
        for (int percent = 1; percent <= 100; ++percent)
            expected << percent;
        QCOMPARE(seen, expected << 0);
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
        QVERIFY(driver.setPressure(3.0));
        QVERIFY(!driver.setPressure(3.1));
        driver.startAscent(0, 10);
        QVERIFY(driver.startReplay(diveOf({ point(0, 0), point(60, 10) })));
        QSignalSpy disconnected(sim.link, &TarskBle::onDisconnectController);
        sim.vc->dropConnection();
        QVERIFY(waitCount(disconnected, 1));
        QCOMPARE(stopped.count(), 2);
        QVERIFY(!driver.replayRunning());
        QVERIFY(!driver.ascentActive());
        QVERIFY(!driver.waitingMbar());
        // Without a computer nothing is sent and nothing waits for one.
        QVERIFY(!driver.setPressure(2.0));
        QVERIFY(!driver.waitingMbar());
    }
};

QTEST_MAIN(TestSimulation)
#include "tst_simulation.moc"
