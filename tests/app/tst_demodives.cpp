// The demo and benchmark dives must look like real recreational dives: the
// planned duration and depth, and no segment faster than the planned speeds.
#include "app/demodives.h"

#include <QtTest>

class TestDemoDives : public QObject
{
    Q_OBJECT
private slots:
    void plansGiveTheirDurationAndDepth()
    {
        const QList<DemoDives::Plan> plans = DemoDives::demoPlans();
        for (const DemoDives::Plan& plan : plans) {
            // Duration by hand: 18 m/min down to each deeper level, 9 m/min up to each shallower
            // one, the level times, 9 m/min up to 5 m, 3 min there, 9 m/min to the surface.
            double expectedS = 0;
            double depth = 0;
            double deepest = 0;
            for (const auto& level : plan.levels) {
                const double rate = level.first > depth ? 18.0 : 9.0;
                expectedS += std::abs(level.first - depth) / rate * 60 + level.second * 60;
                depth = level.first;
                deepest = std::max(deepest, depth);
            }
            expectedS += (depth - 5) / 9 * 60 + 180 + 5.0 / 9 * 60;

            const DiveProfile dive = DemoDives::makeDive(plan);
            QVERIFY2(std::abs(dive.duration - expectedS) <= 5.0,
                qPrintable(QString("%1: %2 s").arg(plan.name).arg(dive.duration)));
            // The swell on the levels stays within 0.6 m.
            QVERIFY(std::abs(dive.maxDepth - deepest) <= 0.6);
            QCOMPARE(dive.samples.first().depth, 0.0);
            QCOMPARE(dive.samples.last().depth, 0.0);
            for (int i = 1; i < dive.samples.size(); ++i) {
                const double speed = dive.samples[i].speed; // m/min, positive downwards
                QVERIFY2(speed <= 18.0 + 2.0 && speed >= -(9.0 + 2.0),
                    qPrintable(QString("%1 at %2 s").arg(plan.name).arg(dive.samples[i].time)));
                QCOMPARE(dive.samples[i].time - dive.samples[i - 1].time, 5.0);
            }
            QCOMPARE(dive.gases.size(), plan.ascentO2 > 0 ? 2 : 1);
            QCOMPARE(dive.gases.first().o2, plan.o2);
            // The second gas, when there is one, is breathed only from the last level up.
            if (plan.ascentO2 > 0) {
                QCOMPARE(dive.samples.first().gasIndex, 0);
                QCOMPARE(dive.samples.last().gasIndex, 1);
            }
        }
    }

    void manyDivesAreDistinct()
    {
        const QList<DiveProfile> dives = DemoDives::manyDives(12);
        QCOMPARE(dives.size(), 12);
        QSet<QString> keys;
        for (const DiveProfile& dive : dives)
            keys.insert(dive.name + QLatin1Char('/') + dive.serial);
        QCOMPARE(keys.size(), 12);
        // The sixth dive repeats the first plan one day later.
        QCOMPARE(dives[5].dateTime - dives[0].dateTime, qint64(86400));
    }
};

QTEST_MAIN(TestDemoDives)
#include "tst_demodives.moc"
