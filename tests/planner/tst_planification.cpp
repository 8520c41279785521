#include "planner/plancompute.h"
#include "planner/planification.h"
#include "planner/planstorage.h"

#include <QtTest>

class TestPlanification : public QObject
{
    Q_OBJECT

private slots:
    void addReplaceAndTheFourthDive()
    {
        DiveProfile recorded;
        recorded.name = "Reef";
        recorded.origin = DiveOriginCsv;
        for (int i = 0; i < 4; ++i) {
            DiveSample s;
            s.time = i * 60;
            s.depth = i == 0 ? 0 : 12;
            s.gasIndex = i == 2 ? 7 : -1; // unknown, and one beyond the gas list
            recorded.samples.append(s);
        }
        Planification plan;
        QCOMPARE(plan.addDive(recorded), 0);
        const DiveProfile& p = plan.dives[0]->profile;
        QCOMPARE(p.name, QStringLiteral("Reef"));
        QCOMPARE(p.origin, DiveOriginCsv); // a recorded dive keeps its origin
        QVERIFY(!p.gases.isEmpty());
        for (const DiveSample& s : p.samples)
            QVERIFY(s.gasIndex >= 0 && s.gasIndex < p.gases.size());
        for (int i = 1; i < 3; ++i)
            QCOMPARE(plan.addDefaultDive(), i);
        QCOMPARE(plan.addDefaultDive(), -1);
        QCOMPARE(plan.addDive(DiveProfile {}), -1);
        QCOMPARE(plan.diveCount(), 3);
        QCOMPARE(plan.currentIndex, 2);
        // A dive replaced by the default one keeps its surface settings.
        plan.currentIndex = 1;
        plan.dives[1]->surfaceIntervalS = 5400;
        plan.dives[1]->surfacePressure = 0.85f;
        plan.dives[1]->profile.samples[2].depth = 40;
        QVERIFY(plan.replaceCurrentByDefault());
        QCOMPARE(plan.dives[1]->profile.samples[2].depth, 20.0);
        QCOMPARE(plan.dives[1]->surfaceIntervalS, 5400u);
        QCOMPARE(plan.dives[1]->surfacePressure, 0.85f);
    }

    void removeKeepsSlotsContiguous()
    {
        // Dives, the one removed, the current one after, the name of the first after.
        const std::tuple<int, int, int, QString> rows[] = { { 2, 0, 0, "Dive 2" }, { 1, 0, -1, "" },
            { 3, 1, 1, "Dive 1" }, { 3, 2, 1, "Dive 1" } };
        for (const auto& [dives, removed, expectedCurrent, expectedFirst] : rows) {
            Planification plan;
            for (int i = 0; i < dives; ++i)
                plan.addDefaultDive();
            plan.currentIndex = removed;
            QCOMPARE(plan.removeCurrent(), expectedCurrent);
            QCOMPARE(plan.diveCount(), dives - 1);
            for (int k = plan.diveCount(); k < kPlanSlots; ++k)
                QVERIFY(!plan.dives[size_t(k)]);
            QCOMPARE(plan.dives[0] ? plan.dives[0]->profile.name : QString(), expectedFirst);
        }
    }

    void loggedDiveBecomesADozenPoints()
    {
        // Every 5 s: down to 40 m in 2 min, 40 m with a 0.3 m wobble and its deepest sample,
        // 40.68 m, at 14 min, up at 10 m/min from 25 min to 21 m, EAN50 from there, 3 m/min to
        // the surface at 34 min.
        DiveProfile logged;
        logged.gases = { DiveGas { {}, {}, 21, 0 }, DiveGas { {}, {}, 50, 0 } };
        for (int t = 0; t <= 34 * 60; t += 5) {
            DiveSample s;
            s.time = t;
            const double min = t / 60.0;
            s.depth = min < 2 ? 20 * min
                : min < 25    ? 40 + 0.3 * std::sin(t / 30.0) + (t == 14 * 60 ? 0.6 : 0.0)
                : min < 26.9  ? 40 - 10 * (min - 25)
                              : std::max(0.0, 21 - 3 * (min - 26.9));
            s.gasIndex = min < 26.9 ? 0 : 1;
            logged.samples.append(s);
        }
        Planification plan;
        QCOMPARE(plan.addDive(logged), 0);
        const PlanifDive& dive = *plan.dives[0];
        const QList<DiveSample>& points = dive.profile.samples;
        QVERIFY2(
            points.size() <= 12 && points.size() >= 5, qPrintable(QString::number(points.size())));
        QCOMPARE(points.first().time, 0.0);
        QCOMPARE(points.last().time, 34.0 * 60);
        QVERIFY(std::any_of(points.begin(), points.end(),
            [](const DiveSample& s) { return s.time == 14 * 60 && s.depth > 40.5; }));
        // The bottom ends within a metre of the logged line.
        QVERIFY(std::any_of(points.begin(), points.end(),
            [](const DiveSample& s) { return qAbs(s.time - 25 * 60) <= 10 && s.depth > 39; }));
        QCOMPARE(dive.settings.decoGases.size(), 1);
        QVERIFY(dive.settings.decoGases[0].sameMix(50, 0));
        for (const DiveSample& s : points)
            QCOMPARE(s.gasIndex, 0);
    }

    void planFilesTheReaderAcceptsCompute()
    {
        // Every kept fuzz input the reader accepts must compute: the older two-dive sample has
        // a second dive without gases, which breathes the standard list.
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/planfile"));
        int computed = 0;
        for (const QString& name : dir.entryList(QDir::Files)) {
            Planification plan;
            if (loadPlan(plan, dir.filePath(name)) != PlanFile::Status::Ok)
                continue;
            for (int slot = 0; slot < plan.diveCount(); ++slot) {
                computePlanDive(plan, slot, {}, true);
                const PlanifDive& dive = *plan.dives[size_t(slot)];
                QVERIFY2(!dive.profile.gases.isEmpty() && dive.result.computed, qPrintable(name));
                ++computed;
            }
        }
        QVERIFY(computed >= 2);
    }
};

QTEST_GUILESS_MAIN(TestPlanification)
#include "tst_planification.moc"
