#include "planner/divereplay.h"
#include "planner/plancomparison.h"
#include "planner/plancompute.h"
#include "tests/engine/oracle.h"

#include <QtTest>

#include <cmath>

namespace {

double pressureAt(double depthM)
{
    return 1.03 * 9.80665 * depthM / 100.0 + 1.013;
}

// The plan's own points and its computed ascent, one sample every 2 s, each on the gas of
// the line it lies on.
DiveProfile planAsSamples(const DiveProfile& plan)
{
    const QList<DiveSample> points = planProfilePoints(plan);
    DiveProfile logged;
    logged.gases = plan.gases;
    qsizetype k = 1;
    for (double t = 0; t <= points.last().time; t += 2.0) {
        while (k + 1 < points.size() && points[k].time < t)
            ++k;
        const DiveSample& a = points[k - 1];
        const DiveSample& b = points[k];
        const double f
            = b.time > a.time ? std::clamp((t - a.time) / (b.time - a.time), 0.0, 1.0) : 1.0;
        DiveSample s;
        s.time = t;
        s.depth = a.depth + f * (b.depth - a.depth);
        s.gasIndex = b.gasIndex;
        logged.samples.append(s);
    }
    return logged;
}

} // namespace

class TestDiveReplay : public QObject
{
    Q_OBJECT

private slots:
    void planReplayedAsSamplesGivesItsCeilingAndDoses_data()
    {
        QTest::addColumn<double>("depthM");
        QTest::addColumn<double>("bottomMin");
        QTest::addColumn<int>("o2");
        QTest::addColumn<int>("he");
        QTest::addColumn<int>("decoO2"); // 0 for none
        QTest::addColumn<int>("gfLow");
        QTest::addColumn<int>("gfHigh");
        QTest::newRow("air 40 m, stops at 30/80") << 40.0 << 25.0 << 21 << 0 << 0 << 30 << 80;
        QTest::newRow("within the no-stop limit") << 18.0 << 30.0 << 21 << 0 << 0 << 80 << 80;
        QTest::newRow("trimix 60 m with EAN50") << 60.0 << 20.0 << 18 << 45 << 50 << 50 << 80;
    }
    void planReplayedAsSamplesGivesItsCeilingAndDoses()
    {
        QFETCH(double, depthM);
        QFETCH(double, bottomMin);
        QFETCH(int, o2);
        QFETCH(int, he);
        QFETCH(int, decoO2);
        QFETCH(int, gfLow);
        QFETCH(int, gfHigh);
        Planification plan;
        plan.dives[0] = PlanifDive::makeDefault(0);
        PlanifDive& dive = *plan.dives[0];
        DiveGas bottom;
        bottom.o2 = o2;
        bottom.he = he;
        dive.profile.gases = { bottom };
        if (decoO2 > 0)
            dive.settings.decoGases = { PlanGas { decoO2, 0, PlanGasRole::Deco, 0.0f } };
        dive.profile.samples[1].time = depthM / 20.0 * 60.0;
        dive.profile.samples[1].depth = depthM;
        dive.profile.samples[2].time = bottomMin * 60.0;
        dive.profile.samples[2].depth = depthM;
        for (DiveSample& s : dive.profile.samples)
            s.gasIndex = 0;
        dive.settings.gfLow = gfLow;
        dive.settings.gfHigh = gfHigh;
        plan.currentIndex = 0;
        computePlan(plan, {});

        const DiveProfile logged = planAsSamples(dive.profile);
        const DiveReplay replay = replayDive(logged, gfLow, gfHigh);
        QCOMPARE(replay.points.size(), logged.samples.size());
        float maxCns = 0;
        for (const ReplayPoint& p : replay.points)
            maxCns = std::max(maxCns, p.cnsPercent);
        // Within the rounding the plan shows: whole percent of CNS, whole OTU.
        QVERIFY2(qAbs(maxCns - dive.result.cnsPercent) < 0.5f,
            qPrintable(QStringLiteral("%1 / %2").arg(maxCns).arg(dive.result.cnsPercent)));
        QVERIFY(qAbs(replay.cnsEndPercent - dive.result.cnsEndPercent) < 0.5f);
        QVERIFY2(qAbs(replay.otu - dive.result.otu) < 0.5f,
            qPrintable(QStringLiteral("%1 / %2").arg(replay.otu).arg(dive.result.otu)));

        // The ceiling of every replayed sample of the diver's own segments is the plan's trace
        // at that time, to the centimetre; while the ascent runs, the same within 10 cm (the
        // trace's slices there start where the legs start, not on the 2-second grid).
        const QList<ProfileMarker>& trace = dive.profile.ceilingTrace;
        const double bottomEnd = dive.profile.samples.last().time;
        int compared = 0;
        for (const ProfileMarker& m : trace) {
            const int i = replay.indexAt(m.time);
            if (i < 0 || replay.points[i].timeS != m.time)
                continue;
            const ReplayPoint& p = replay.points[i];
            const float expected = m.depth;
            const float got = std::min<float>(p.ceilingM, float(p.depthM));
            const float tolerance = p.timeS <= bottomEnd ? 0.01f : 0.1f;
            QVERIFY2(qAbs(got - expected) <= tolerance,
                qPrintable(
                    QStringLiteral("%1 s: %2 m, plan %3 m").arg(m.time).arg(got).arg(expected)));
            ++compared;
        }
        QCOMPARE(compared > 0, !trace.isEmpty());
        if (trace.isEmpty()) {
            for (const ReplayPoint& p : replay.points)
                QCOMPARE(p.ceilingM, 0.0f);
        }
    }

    // A diver at a constant depth from the first sample on (no descent), for `minutes`.
    void readOutAtOneMoment_data()
    {
        QTest::addColumn<double>("depthM");
        QTest::addColumn<int>("o2");
        QTest::addColumn<int>("he");
        QTest::addColumn<int>("setpointMbar");
        QTest::addColumn<double>("ppO2");
        QTest::addColumn<double>("ppN2");
        QTest::addColumn<double>("ppHe");
        QTest::addColumn<double>("endM");
        QTest::addColumn<double>("densityGL");
        QTest::addColumn<double>("modM");
        // Ambient 1.013 + 1.03 x 9.80665 x depth / 100 bar; END from ppO2 + ppN2 as air; density
        // sum(pp x molar mass) / 1.01325 / 22.414; MOD 1.4 / fO2 in the same water.
        // 30 m: 4.0433 bar. Air: 0.8491, 3.1942; 4.0433 x 28.850 / 22.711 = 5.136 g/L; MOD
        // (6.6667 - 1.013) / 0.10101 = 55.97 m.
        QTest::newRow("air 30 m") << 30.0 << 21 << 0 << 0 << 0.8491 << 3.1942 << 0.0 << 30.0
                                  << 5.136 << 55.97;
        // 60 m: 7.0735 bar. Tx18/45: 1.2732, 2.6172, 3.1831; END (3.8904 - 1.013) / 0.10101 =
        // 28.49 m; (40.740 + 73.318 + 12.741) / 22.711 = 5.583 g/L; MOD (7.7778 - 1.013) /
        // 0.10101 = 66.97 m.
        QTest::newRow("trimix 60 m")
            << 60.0 << 18 << 45 << 0 << 1.2732 << 2.6172 << 3.1831 << 28.49 << 5.583 << 66.97;
        // Loop at 1.3 bar on an air diluent at 30 m: the rest, 2.7433 bar, is nitrogen; END
        // still 30 m; (41.597 + 76.851) / 22.711 = 5.215 g/L; MOD at 1.4 bar of the diluent.
        QTest::newRow("closed circuit 1.3 bar 30 m")
            << 30.0 << 21 << 0 << 1300 << 1.3 << 2.7433 << 0.0 << 30.0 << 5.215 << 55.97;
    }
    void readOutAtOneMoment()
    {
        QFETCH(double, depthM);
        QFETCH(int, o2);
        QFETCH(int, he);
        QFETCH(int, setpointMbar);
        constexpr double minutes = 20.0;
        DiveProfile dive;
        DiveGas gas;
        gas.o2 = o2;
        gas.he = he;
        dive.gases = { gas };
        for (double t : { 0.0, minutes * 60.0 }) {
            DiveSample s;
            s.time = t;
            s.depth = depthM;
            s.gasIndex = 0;
            s.setpointMbar = quint16(setpointMbar);
            dive.samples.append(s);
        }
        const DiveReplay replay = replayDive(dive, 30, 70);
        const ReplayPoint& p = replay.points.last();
        QFETCH(double, ppO2);
        QFETCH(double, ppN2);
        QFETCH(double, ppHe);
        QFETCH(double, endM);
        QFETCH(double, densityGL);
        QFETCH(double, modM);
        const std::pair<double, double> got[] = { { p.ppO2, ppO2 }, { p.ppN2, ppN2 },
            { p.ppHe, ppHe }, { p.endM, endM }, { p.densityGL, densityGL }, { p.modM, modM } };
        for (const auto& [value, expected] : got)
            QVERIFY2(qAbs(value - expected) < 0.006,
                qPrintable(QStringLiteral("%1, expected %2").arg(value).arg(expected)));

        // Tissues, leading compartment, its surface GF and the CNS from the plain reference.
        const double pAmb = pressureAt(depthM);
        const double sp = setpointMbar > 0 ? setpointMbar / 1000.0 : qInf();
        const oracle::Gas g { o2 / 100.0, he / 100.0, (100 - o2 - he) / 100.0 };
        oracle::Tissues t = oracle::airAt(1.013);
        oracle::constant(t, pAmb, minutes, g, sp);
        oracle::cns(t, pAmb, pAmb, minutes, g, sp);
        int leading = 0;
        double best = -1e9;
        for (int i = 0; i < 16; ++i) {
            const double fHe = t.he[i] / (t.n2[i] + t.he[i]);
            const double a = oracle::kN2A[i] * (1 - fHe) + oracle::kHeA[i] * fHe;
            const double b = oracle::kN2B[i] * (1 - fHe) + oracle::heB(i) * fHe;
            const double gf = (t.n2[i] + t.he[i] - 1.013) / (1.013 / b + a - 1.013) * 100.0;
            if (gf > best) {
                best = gf;
                leading = i;
            }
        }
        QCOMPARE(p.leadingTissue, leading);
        QVERIFY2(qAbs(p.gfSurfacePercent - best) < 0.1,
            qPrintable(QStringLiteral("%1 / %2").arg(p.gfSurfacePercent).arg(best)));
        QVERIFY(qAbs(p.cnsPercent - t.cns * 100.0) < 0.05);
    }

    void badSamplesStayFinite_data()
    {
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<QList<double>>("depths");
        QTest::addColumn<int>("gasIndex");
        QTest::addColumn<quint32>("diveMode");
        const double nan = qQNaN();
        const double inf = qInf();
        QTest::newRow("depth not a number")
            << QList<double> { 0, 60, 120 } << QList<double> { 0, nan, 30 } << 0 << 0u;
        QTest::newRow("infinite depth")
            << QList<double> { 0, 60, 120 } << QList<double> { 0, inf, 30 } << 0 << 0u;
        QTest::newRow("infinite time")
            << QList<double> { 0, inf, 120 } << QList<double> { 0, 30, 30 } << 0 << 0u;
        QTest::newRow("time not a number")
            << QList<double> { 0, nan, 120 } << QList<double> { 0, 30, 30 } << 0 << 0u;
        QTest::newRow("times backwards")
            << QList<double> { 0, 600, 300, 900 } << QList<double> { 0, 40, 40, 0 } << 0 << 0u;
        QTest::newRow("gas index outside")
            << QList<double> { 0, 60, 1200 } << QList<double> { 0, 40, 40 } << 99 << 0u;
        QTest::newRow("closed circuit without setpoints")
            << QList<double> { 0, 60, 1800 } << QList<double> { 0, 50, 50 } << 0 << 1u;
    }
    void badSamplesStayFinite()
    {
        QFETCH(QList<double>, times);
        QFETCH(QList<double>, depths);
        QFETCH(int, gasIndex);
        QFETCH(quint32, diveMode);
        DiveProfile dive;
        dive.gases = { DiveGas {} };
        dive.diveMode = diveMode;
        for (qsizetype i = 0; i < times.size(); ++i) {
            DiveSample s;
            s.time = times[i];
            s.depth = depths[i];
            s.gasIndex = gasIndex;
            dive.samples.append(s);
        }
        const DiveReplay replay = replayDive(dive, 30, 80);
        QCOMPARE(replay.points.size(), dive.samples.size());
        const QList<float> tts = replayTtsAll(dive, replay);
        for (qsizetype i = 0; i < replay.points.size(); ++i) {
            const ReplayPoint& p = replay.points[i];
            for (float v : { p.ceilingM, p.ndlMin, p.gfSurfacePercent, p.cnsPercent, p.otu, p.ppO2,
                     p.ppN2, p.ppHe, p.endM, p.densityGL, tts[i] })
                QVERIFY2(std::isfinite(v), qPrintable(QStringLiteral("sample %1").arg(i)));
        }
    }

    void planAgainstDive()
    {
        // Plan: 40 m at 20 m/min, to 20 min, up to 6 m (3 min), 3 m (5 min), surface. Dive: 42 m,
        // a minute longer, 4 min at 6 m, 4 min at 3 m. Two thirds of 40 m is 26.7 m: the bottom
        // ends at the last sample as deep, 1200 s and 1260 s; the 6 m stop of the dive is the
        // stretch 1500-1740 s (middle 6 m), its 3 m stop 1800-2040 s.
        auto points = [](const QList<QPair<double, double>>& list) {
            QList<DiveSample> out;
            for (const auto& [t, d] : list) {
                DiveSample s;
                s.time = t;
                s.depth = d;
                out.append(s);
            }
            return out;
        };
        const PlanComparison c
            = comparePlan(points({ { 0, 0 }, { 120, 40 }, { 1200, 40 }, { 1440, 6 }, { 1620, 6 },
                              { 1680, 3 }, { 1980, 3 }, { 2040, 0 } }),
                points({ { 0, 0 }, { 120, 42 }, { 1260, 42 }, { 1500, 6 }, { 1740, 6 }, { 1800, 3 },
                    { 2040, 3 }, { 2100, 0 } }));
        QCOMPARE((QList<double> { c.planMaxDepthM, c.diveMaxDepthM, c.planBottomS, c.diveBottomS,
                     c.planRunS, c.diveRunS }),
            (QList<double> { 40, 42, 1200, 1260, 2040, 2100 }));
        QList<double> stops;
        for (const PlanComparison::Stop& stop : c.stops)
            stops << stop.depthM << stop.planS << stop.diveS;
        QCOMPARE(stops, (QList<double> { 6, 180, 240, 3, 300, 240 }));
    }

    void heatMapLoads_data()
    {
        QTest::addColumn<float>("tension");
        QTest::addColumn<float>("ambient");
        QTest::addColumn<float>("mValue");
        QTest::addColumn<float>("load");
        // Rested on air at the surface: 0.7510 / 1.013 - 1.
        QTest::newRow("rested at the surface") << 0.7510f << 1.013f << 3.2658f << -0.2586f;
        QTest::newRow("at ambient") << 2.0f << 2.0f << 3.0f << 0.0f;
        QTest::newRow("half way to the M-value") << 2.5f << 2.0f << 3.0f << 0.5f;
        QTest::newRow("past the M-value") << 3.5f << 2.0f << 3.0f << 1.5f;
        QTest::newRow("empty") << 0.0f << 2.0f << 3.0f << -1.0f;
    }
    void heatMapLoads()
    {
        QFETCH(float, tension);
        QFETCH(float, ambient);
        QFETCH(float, mValue);
        QFETCH(float, load);
        QVERIFY(qAbs(tissueLoad(tension, ambient, mValue) - load) < 1e-4f);
    }
};

QTEST_GUILESS_MAIN(TestDiveReplay)
#include "tst_divereplay.moc"
