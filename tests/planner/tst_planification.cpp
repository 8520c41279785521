#include "planner/planification.h"

#include <QtTest>

class TestPlanification : public QObject
{
    Q_OBJECT

private slots:
    void newDiveDefaults()
    {
        Planification plan;
        QCOMPARE(plan.addDefaultDive(), 0);
        QCOMPARE(plan.addDefaultDive(), 1);
        const PlanifDive& second = *plan.dives[1];
        QCOMPARE(second.profile.name, QStringLiteral("Dive 2"));
        QCOMPARE(second.profile.origin, DiveOriginPlan);
        QCOMPARE(second.surfaceIntervalS, 7200u);
        QCOMPARE(plan.dives[0]->surfaceIntervalS, 0u);
        QCOMPARE(second.profile.samples.size(), 3);
        QCOMPARE(second.profile.samples[1].time, 60.0);
        QCOMPARE(second.profile.samples[2].depth, 20.0);
        QCOMPARE(second.profile.samples[2].gasIndex, 0);
        const QStringList names = { "Air", "Nx30", "Nx40", "OxyAR", "OxySR", "Oxycf" };
        const QList<int> o2 = { 21, 30, 40, 100, 100, 100 };
        QCOMPARE(second.profile.gases.size(), 6);
        for (int i = 0; i < 6; ++i) {
            QCOMPARE(second.profile.gases[i].name, names[i]);
            QCOMPARE(second.profile.gases[i].id, names[i]);
            QCOMPARE(second.profile.gases[i].o2, o2[i]);
            QCOMPARE(second.profile.gases[i].he, 0);
        }
        // Air at 1.013 bar: (1.013 - 0.0627) x 0.79.
        QVERIFY(qAbs(second.tissues.pN2[0] - 0.750737f) < 1e-5f);
    }

    void fourthDiveIsRefused()
    {
        Planification plan;
        for (int i = 0; i < 3; ++i)
            QCOMPARE(plan.addDefaultDive(), i);
        QCOMPARE(plan.addDefaultDive(), -1);
        QCOMPARE(plan.addDive(DiveProfile {}), -1);
        QCOMPARE(plan.diveCount(), 3);
        QCOMPARE(plan.currentIndex, 2);
    }

    void removeKeepsSlotsContiguous_data()
    {
        QTest::addColumn<int>("dives");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("expectedCurrent");
        QTest::addColumn<QString>("expectedFirst");
        QTest::newRow("first-of-two") << 2 << 0 << 0 << "Dive 2";
        QTest::newRow("only-dive") << 1 << 0 << -1 << "";
        QTest::newRow("middle-of-three") << 3 << 1 << 1 << "Dive 1";
        QTest::newRow("second-of-two") << 2 << 1 << 0 << "Dive 1";
        QTest::newRow("last-of-three") << 3 << 2 << 1 << "Dive 1";
    }

    void removeKeepsSlotsContiguous()
    {
        QFETCH(int, dives);
        QFETCH(int, removed);
        QFETCH(int, expectedCurrent);
        QFETCH(QString, expectedFirst);
        Planification plan;
        for (int i = 0; i < dives; ++i)
            plan.addDefaultDive();
        plan.currentIndex = removed;
        QCOMPARE(plan.removeCurrent(), expectedCurrent);
        QCOMPARE(plan.diveCount(), dives - 1);
        for (int k = plan.diveCount(); k < kPlanSlots; ++k)
            QVERIFY(!plan.dives[size_t(k)]);
        if (!expectedFirst.isEmpty())
            QCOMPARE(plan.dives[0]->profile.name, expectedFirst);
    }

    void addedProfileGetsUsableGases()
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
    }

    void replaceByDefaultKeepsSurfaceSettings()
    {
        Planification plan;
        plan.addDefaultDive();
        plan.addDefaultDive();
        plan.dives[1]->surfaceIntervalS = 5400;
        plan.dives[1]->surfacePressure = 0.85f;
        plan.dives[1]->profile.samples[2].depth = 40;
        QVERIFY(plan.replaceCurrentByDefault());
        QCOMPARE(plan.dives[1]->profile.samples[2].depth, 20.0);
        QCOMPARE(plan.dives[1]->surfaceIntervalS, 5400u);
        QCOMPARE(plan.dives[1]->surfacePressure, 0.85f);
    }
};

QTEST_GUILESS_MAIN(TestPlanification)
#include "tst_planification.moc"
