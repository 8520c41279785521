#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "dive/manualdive.h"

#include <QTest>

#include <cmath>
#include <cstring>

using Doubles = QList<double>;

namespace {

DiveSample sampleAt(double time, double depth)
{
    DiveSample s;
    s.time = time;
    s.depth = depth;
    return s;
}

DiveProfile profileOf(const Doubles& times, const Doubles& depths)
{
    DiveProfile p;
    for (qsizetype i = 0; i < times.size(); ++i)
        p.samples.append(sampleAt(times.at(i), depths.at(i)));
    return p;
}

// Pressure in bar at a depth, written out independently: density x g x depth / 100 + surface,
// g taken in single precision as the readout does.
double pressureAt(double depthM, double density = 1.03, double surfaceBar = 1.0)
{
    return density * double(9.80665f) * depthM / 100.0 + surfaceBar;
}

int yoyoLevel(const DiveSample& s)
{
    return (s.alertFlags >> 4) & 3;
}

} // namespace

// Data rows with many values each, one struct per row.
struct StatisticsRow
{
    Doubles times, depths, temperatures, ascentTimes, ascentDepths;
    double duration, maxDepth, meanDepth, minTemperature, maxTemperature, ascentDuration, stopTime;
    int maxIndex;
};
struct InsertRow
{
    double time, depth;
    int position, gas;
    double speed, maxDepth;
};
struct PositionRow
{
    int t;
    bool ascentList;
    quint32 freshWater;
    bool found;
    double beforeTime, afterTime, elapsed, depthChange, ceilingChange, ppO2, trace;
};
struct CutRow
{
    Doubles times, depths;
    int t1, t2;
    Doubles cutTimes, cutDepths, cutSpeeds;
};
struct YoyoRow
{
    Doubles depths; // one sample a minute
    int mode;
    bool markSamples;
    Doubles markerTimes, markerDepths;
    QList<int> markerLevels, sampleLevels;
    int count, invalid;
};
Q_DECLARE_METATYPE(StatisticsRow)
Q_DECLARE_METATYPE(InsertRow)
Q_DECLARE_METATYPE(PositionRow)
Q_DECLARE_METATYPE(CutRow)
Q_DECLARE_METATYPE(YoyoRow)
Q_DECLARE_METATYPE(QList<DiveProfile::TankPressure>)

class TestDiveProfile : public QObject
{
    Q_OBJECT

private slots:
    void defaultSampleBytes()
    {
        // The plan file stores samples raw: a default sample is all zero but its unknown gas
        // index (-1) at bytes 72-75.
        const DiveSample s;
        unsigned char raw[sizeof(DiveSample)];
        std::memcpy(raw, &s, sizeof raw);
        for (int i = 0; i < 104; ++i) {
            const unsigned char expected = (i >= 72 && i < 76) ? 0xFF : 0x00;
            QVERIFY2(raw[i] == expected, qPrintable(QStringLiteral("byte %1").arg(i)));
        }
    }

    void clearKeepsSettings()
    {
        DiveProfile p = profileOf({ 0, 60 }, { 0, 10 });
        p.gases.append(DiveGas());
        p.ceilingTrace.append({ 1, 2, 0 });
        p.name = "dive";
        p.computer = "Veltra";
        p.origin = DiveOriginCsv;
        p.duration = 60;
        p.maxDepth = 10;
        p.meanDepth = 5;
        p.clear();
        QVERIFY(p.samples.isEmpty() && p.gases.isEmpty() && p.ceilingTrace.isEmpty());
        QVERIFY(p.name.isEmpty());
        QCOMPARE(p.origin, DiveOriginNone);
        QCOMPARE(p.duration, 0.0);
        QCOMPARE(p.maxDepth, 0.0);
        QCOMPARE(p.computer, QString("Veltra"));
        QCOMPARE(p.meanDepth, 5.0);
    }

    void statistics_data()
    {
        QTest::addColumn<StatisticsRow>("row");
        // Depth sum 0+10+20+10+0 = 40 over 5 samples.
        QTest::newRow("triangle") << StatisticsRow { { 0, 60, 120, 180, 240 }, { 0, 10, 20, 10, 0 },
            { 20, 18, 16, 17, 19 }, {}, {}, 240, 20, 8, 16, 20, -1, -1, 2 };
        QTest::newRow("tie keeps the first") << StatisticsRow { { 0, 10, 20, 30 }, { 0, 15, 15, 0 },
            { 10, 10, 10, 10 }, {}, {}, 30, 15, 7.5, 10, 10, -1, -1, 1 };
        // Sum 0+30 + 30+30+21+21+0 = 132 over 7; stops 60..120 at 30 m and 180..240 at 21 m.
        QTest::newRow("with ascent")
            << StatisticsRow { { 0, 60 }, { 0, 30 }, { 15, 14 }, { 60, 120, 180, 240, 300 },
                   { 30, 30, 21, 21, 0 }, 300, 30, 132.0 / 7.0, 14, 15, 240, 120, 1 };
        QTest::newRow("one sample")
            << StatisticsRow { { 0 }, { 5 }, { 12 }, {}, {}, 0, 5, 5, 12, 12, -1, -1, 0 };
        QTest::newRow("no sample: mean 0, not 0/0")
            << StatisticsRow { {}, {}, {}, {}, {}, 0, 0, 0, 100, 0, -1, -1, -1 };
    }

    void statistics()
    {
        QFETCH(StatisticsRow, row);
        DiveProfile p = profileOf(row.times, row.depths);
        for (qsizetype i = 0; i < row.temperatures.size(); ++i)
            p.samples[i].temperature = row.temperatures.at(i);
        for (qsizetype i = 0; i < row.ascentTimes.size(); ++i)
            p.ascentSamples.append(sampleAt(row.ascentTimes.at(i), row.ascentDepths.at(i)));
        for (DiveSample& s : p.samples)
            s.isMaxDepth = 1; // a stale flag from an earlier deepest point must go
        // -1 in the table: these keep what they had.
        p.ascentDuration = -1;
        p.stopTime = -1;
        p.computeStatistics();
        QCOMPARE(p.duration, row.duration);
        QCOMPARE(p.maxDepth, row.maxDepth);
        QVERIFY(std::fabs(p.meanDepth - row.meanDepth) < 1e-9);
        QCOMPARE(p.minTemperature, row.minTemperature);
        QCOMPARE(p.maxTemperature, row.maxTemperature);
        QCOMPARE(p.ascentDuration, row.ascentDuration);
        QCOMPARE(p.stopTime, row.stopTime);
        for (int i = 0; i < p.samples.size(); ++i)
            QCOMPARE(int(p.samples.at(i).isMaxDepth), i == row.maxIndex ? 1 : 0);
    }

    void speeds()
    {
        // Times 0, 30, 60, 60, 120 and depths 0, 10, 10, 20, 5: 60/30*10 = 20, 0, equal times 0,
        // 60/60*(5-20) = -15. The first keeps its 7, and so do all when recorded speeds are kept.
        for (bool keepRecorded : { false, true }) {
            DiveProfile p = profileOf({ 0, 30, 60, 60, 120 }, { 0, 10, 10, 20, 5 });
            for (DiveSample& s : p.samples)
                s.speed = 7;
            p.ascentSamples = { sampleAt(120, 5), sampleAt(150, 3), sampleAt(150, 3) };
            p.computeSpeeds(keepRecorded);
            const Doubles expected = keepRecorded ? Doubles(5, 7.0) : Doubles { 7, 20, 0, 0, -15 };
            for (int i = 0; i < expected.size(); ++i)
                QCOMPARE(p.samples.at(i).speed, expected.at(i));
            // The ascent is always recomputed: 60/30*(3-5) = -4, then an equal time gives 0.
            QCOMPARE(p.ascentSamples.at(1).speed, -4.0);
            QCOMPARE(p.ascentSamples.at(2).speed, 0.0);
        }
    }

    void depthAt()
    {
        // Samples (0, 0), (60, 12), (120, 12), (180, 3): halfway up 12 + (3 - 12) / 2 = 7.5; before
        // the dive 0, after it -1.
        const DiveProfile p = profileOf({ 0, 60, 120, 180 }, { 0, 12, 12, 3 });
        for (auto [t, expected] : { std::pair { 30.0, 6.0 }, { 90.0, 12.0 }, { 150.0, 7.5 },
                 { 180.0, 3.0 }, { -5.0, 0.0 }, { 181.0, -1.0 } })
            QVERIFY2(std::fabs(p.depthAt(t) - expected) < 1e-12, qPrintable(QString::number(t)));
    }

    void meanSpeed()
    {
        // Speeds 0, 10, 20, 30, 40: (10 + 20 + 30) / 3 = 20 after the first; a reversed range is
        // read forward, bad indexes give 0.
        DiveProfile p = profileOf({ 0, 1, 2, 3, 4 }, { 0, 0, 0, 0, 0 });
        for (int i = 0; i < 5; ++i)
            p.samples[i].speed = 10.0 * i;
        for (auto [from, to, expected] : { std::tuple { 0, 3, 20.0 }, { 2, 4, 35.0 }, { 1, 1, 0.0 },
                 { 3, 0, 20.0 }, { -1, 2, 0.0 }, { 0, 5, 0.0 } })
            QCOMPARE(p.meanSpeed(from, to), expected);
    }

    void alertLevel()
    {
        // Flags and the levels of yoyo, Pmax, rapid ascent and ceiling; bits 6-7 belong to no
        // kind, and neither do kinds 0, 1 and 6.
        const int kinds[]
            = { SampleAlertYoyo, SampleAlertPmax, SampleAlertRapidAscent, SampleAlertCeiling };
        for (auto [flags, levels] : { std::pair { 0xFF, QList<int> { 3, 2, 1, 3 } },
                 { 0x10, { 1, 0, 0, 0 } }, { 0x20, { 2, 0, 0, 0 } }, { 0x08, { 0, 2, 0, 0 } },
                 { 0x04, { 0, 0, 1, 0 } }, { 0x02, { 0, 0, 0, 2 } }, { 0xC0, { 0, 0, 0, 0 } } }) {
            DiveSample s;
            s.alertFlags = quint8(flags);
            for (int k = 0; k < 4; ++k)
                QCOMPARE(int(DiveProfile::alertLevel(s, kinds[k])), levels.at(k));
            for (int unknown : { 0, 1, 6 })
                QCOMPARE(int(DiveProfile::alertLevel(s, unknown)), 0);
        }
    }

    void setAlertsKeepsHighExtraBits()
    {
        DiveProfile p;
        p.alertExtra = 0xFF;
        p.setAlerts(0x12345678u, 0x06);
        QCOMPARE(p.alerts, 0x12345678u);
        QCOMPARE(p.alertExtra, quint8(0xC2)); // bits 6-7 kept, 2-5 cleared, 0-1 = 6 & 3
    }

    void fillGasIndexes()
    {
        // Unknown (-1) indexes before the first known one take 0, later ones the last change.
        for (auto [before, after] :
            { std::pair { QList<int> { -1, -1, 2, -1 }, QList<int> { 0, 0, 2, 2 } },
                { { 1, -1, -1, 0, -1 }, { 1, 1, 1, 0, 0 } } }) {
            DiveProfile p;
            for (int gas : before) {
                DiveSample s;
                s.gasIndex = gas;
                p.samples.append(s);
            }
            p.fillGasIndexes();
            for (int i = 0; i < after.size(); ++i)
                QCOMPARE(p.samples.at(i).gasIndex, after.at(i));
        }
    }

    void insertSample_data()
    {
        QTest::addColumn<InsertRow>("row");
        // Existing samples (0, 0, gas 0), (60, 20, gas 1), (120, 20, gas 2).
        // 60/30*(30-20) = 20 m/min.
        QTest::newRow("between two") << InsertRow { 90, 30, 2, 1, 20, 30 };
        QTest::newRow("same time goes after, speed 0") << InsertRow { 60, 25, 2, 1, 0, 25 };
        // 60/60*(10-20) = -10 m/min.
        QTest::newRow("after the last") << InsertRow { 180, 10, 3, 2, -10, 20 };
        QTest::newRow("before the first takes its gas") << InsertRow { -10, 0, 0, 0, 4, 20 };
    }

    void insertSample()
    {
        QFETCH(InsertRow, row);
        DiveProfile p = profileOf({ 0, 60, 120 }, { 0, 20, 20 });
        for (int i = 0; i < 3; ++i)
            p.samples[i].gasIndex = i;
        DiveSample s = sampleAt(row.time, row.depth);
        s.gasIndex = 5;
        s.speed = 4.0; // the first sample's speed is never recomputed
        QCOMPARE(p.insertSample(s), row.position);
        QCOMPARE(p.samples.size(), 4);
        QCOMPARE(p.samples.at(row.position).time, row.time);
        QCOMPARE(p.samples.at(row.position).gasIndex, row.gas);
        QCOMPARE(p.samples.at(row.position).speed, row.speed);
        QCOMPARE(p.maxDepth, row.maxDepth);
        for (const DiveSample& each : p.samples)
            QVERIFY(std::isfinite(each.speed));
    }

    void removeSamples_data()
    {
        QTest::addColumn<bool>("oneByOne"); // removeSample for each index in turn
        QTest::addColumn<QList<int>>("indexes");
        QTest::addColumn<Doubles>("remainingTimes");
        // Times 0, 10, 20, 30, 40 at depths 0, 1, 2, 3, 4 m: the last is the deepest and the end.
        QTest::newRow("several, unordered, repeated")
            << false << QList<int> { 3, 0, 3 } << Doubles { 10, 20, 40 };
        QTest::newRow("invalid indexes ignored")
            << false << QList<int> { 99, -2, 1 } << Doubles { 0, 20, 30, 40 };
        QTest::newRow("all") << false << QList<int> { 0, 1, 2, 3, 4 } << Doubles {};
        QTest::newRow("the deepest, last point")
            << false << QList<int> { 4 } << Doubles { 0, 10, 20, 30 };
        QTest::newRow("one by one, invalid ignored, then the deepest")
            << true << QList<int> { -1, 5, 4, 1 } << Doubles { 0, 20, 30 };
    }

    void removeSamples()
    {
        QFETCH(bool, oneByOne);
        QFETCH(QList<int>, indexes);
        QFETCH(Doubles, remainingTimes);
        DiveProfile p = profileOf({ 0, 10, 20, 30, 40 }, { 0, 1, 2, 3, 4 });
        p.computeStatistics();
        if (oneByOne) {
            for (int i : indexes)
                p.removeSample(i);
        } else {
            p.removeSamples(indexes);
        }
        QCOMPARE(p.samples.size(), remainingTimes.size());
        for (int i = 0; i < remainingTimes.size(); ++i) {
            QCOMPARE(p.samples.at(i).time, remainingTimes.at(i));
            QCOMPARE(p.samples.at(i).depth, remainingTimes.at(i) / 10.0); // depth went along
        }
        // The statistics follow what is left: the last remaining point is the deepest and the end.
        const double last = remainingTimes.isEmpty() ? 0.0 : remainingTimes.last();
        QCOMPARE(p.maxDepth, last / 10.0);
        QCOMPARE(p.duration, last);
        if (!remainingTimes.isEmpty())
            QCOMPARE(int(p.samples.last().isMaxDepth), 1);
    }

    void ascentStart()
    {
        // Times 0, 60, 180, 300, 360: from sample 1 to the end 300 s, from sample 3 60 s. A
        // refused start leaves no index and the duration as it was (7).
        const struct AscentRow
        {
            int count, index, returned, storedIndex;
            double ascentDuration;
        } rows[] = {
            { 5, 1, 1, 1, 300 }, // second sample
            { 5, 3, 3, 3, 60 }, // last allowed
            { 5, 4, 3, -1, 7 }, // last sample refused
            { 5, 40, 3, -1, 7 }, // past the end refused
            { 5, -3, -1, -1, 7 }, // negative refused
            { 1, 0, -1, -1, 7 }, // single sample
        };
        for (const AscentRow& row : rows) {
            DiveProfile p = profileOf(Doubles { 0, 60, 180, 300, 360 }.first(row.count),
                Doubles { 0, 20, 20, 10, 0 }.first(row.count));
            p.ascentDuration = 7.0;
            QCOMPARE(p.setAscentStart(row.index), row.returned);
            QCOMPARE(p.ascentStartIndex, row.storedIndex);
            QCOMPARE(p.ascentDuration, row.ascentDuration);
        }
    }

    void positionInfo_data()
    {
        QTest::addColumn<PositionRow>("row");
        // Samples (time, depth, ceiling, gas): (0,0,0,0) (60,20,0,1) (120,20,6,1) (180,10,3,-1);
        // gases air and 50 %; surface 1.0 bar. Ceiling trace (0,0) (100,10) (200,4).
        const double salt20 = pressureAt(20), salt10 = pressureAt(10);
        QTest::newRow("halfway down on air") << PositionRow { 30, false, 0, true, 0, 60, 30, 10, 0,
            (1.0 + (salt20 - 1.0) * 0.5) * 0.21, 3 };
        QTest::newRow("halfway up on 50 %") << PositionRow { 150, false, 0, true, 120, 180, 30, -5,
            -1.5, (salt20 + (salt10 - salt20) * 0.5) * 0.5, 7 };
        QTest::newRow("on a sample")
            << PositionRow { 60, false, 0, true, 0, 60, 60, 20, 0, salt20 * 0.21, 6 };
        QTest::newRow("fresh water")
            << PositionRow { 60, false, 1, true, 0, 60, 60, 20, 0, pressureAt(20, 1.0) * 0.21, 6 };
        QTest::newRow("first sample: f = 0, changes stay 0")
            << PositionRow { 0, false, 0, true, 0, 60, 0, 0, 0, 0, 0 };
        QTest::newRow("after the dive: all zero")
            << PositionRow { 200, false, 0, false, 0, 0, 0, 0, 0, 0, 0 };
        // Ascent (300, 9) (360, 6), gas -1 takes the first gas (air).
        QTest::newRow("ascent list") << PositionRow { 330, true, 0, true, 300, 360, 30, -1.5, 0,
            (pressureAt(9) + pressureAt(6)) / 2 * 0.21, 0 };
    }

    void positionInfo()
    {
        QFETCH(PositionRow, row);
        DiveProfile p = profileOf({ 0, 60, 120, 180 }, { 0, 20, 20, 10 });
        const double ceilings[] = { 0, 0, 6, 3 };
        const int gasIndexes[] = { 0, 1, 1, -1 };
        for (int i = 0; i < 4; ++i) {
            p.samples[i].decoCeiling = ceilings[i];
            p.samples[i].gasIndex = gasIndexes[i];
        }
        DiveGas nitrox;
        nitrox.o2 = 50;
        p.gases = { DiveGas(), nitrox };
        p.surfacePressure = 1.0;
        p.freshWater = row.freshWater;
        p.ceilingTrace = { { 0, 0, 0 }, { 100, 10, 0 }, { 200, 4, 0 } };
        p.ascentSamples = { sampleAt(300, 9), sampleAt(360, 6) };

        const PositionInfo info = p.positionInfo(row.t, row.ascentList);
        QCOMPARE(info.found, row.found);
        QCOMPARE(info.before.time, row.beforeTime);
        QCOMPARE(info.after.time, row.afterTime);
        QCOMPARE(info.elapsedS, row.elapsed);
        QVERIFY(std::fabs(info.depthChange - row.depthChange) < 1e-9);
        QVERIFY(std::fabs(info.ceilingChange - row.ceilingChange) < 1e-9);
        QVERIFY2(std::fabs(info.ppO2 - row.ppO2) < 1e-9,
            qPrintable(QStringLiteral("ppO2 %1, expected %2").arg(info.ppO2).arg(row.ppO2)));
        QVERIFY(std::fabs(info.traceCeiling - row.trace) < 1e-6);
    }

    void positionInfoGas()
    {
        // An unknown index, or one past the list, takes the first gas; no gases at all is air.
        for (auto [gasO2, gasIndex, fraction] :
            { std::tuple { QList<int> { 32, 50 }, 1, 0.50 }, { { 32, 50 }, -1, 0.32 },
                { { 32, 50 }, 2, 0.32 }, { { 32, 50 }, 1000000, 0.32 }, { {}, 0, 0.21 } }) {
            DiveProfile p = profileOf({ 0, 60 }, { 0, 20 });
            p.samples[0].gasIndex = gasIndex;
            for (int o2 : gasO2) {
                DiveGas g;
                g.o2 = o2;
                p.gases.append(g);
            }
            p.surfacePressure = 1.0;
            const PositionInfo info = p.positionInfo(60, false);
            QVERIFY(std::fabs(info.ppO2 - pressureAt(20) * fraction) < 1e-9);
        }
        // Equal sample times: no division by zero.
        const PositionInfo same = profileOf({ 0, 0 }, { 5, 10 }).positionInfo(0, false);
        QVERIFY(same.found);
        QCOMPARE(same.depthChange, 0.0);
        QCOMPARE(same.ppO2, 0.0);
    }

    void cutSelection_data()
    {
        QTest::addColumn<CutRow>("row");
        // At 20 m throughout: D = 2 x 20 = 40, shift 40 - 100 = -60, end 40 + 100 = 140,
        // surfacing 6 x 20 = 120 s later at 260; only the surfacing moves: 60/120 x -20 = -10.
        QTest::newRow("flat at 20 m")
            << CutRow { { 0, 50, 100, 150, 200, 250 }, { 20, 20, 20, 20, 20, 20 }, 100, 200,
                   { 0, 40, 90, 140, 260 }, { 20, 20, 20, 20, 0 }, { 0, 0, 0, 0, -10 } };
        // Depth at 90 is 15 (D = 30, shift -60), at 210 is 15 (A = 90).
        // Speeds: 60/30*15 = 30, 60/30*5 = 10, 0, 60/30*-5 = -10, 60/90*-15 = -10.
        const Doubles dive { 0, 60, 120, 180, 240, 300 };
        const Doubles depths { 0, 10, 20, 20, 10, 0 };
        const CutRow middle { dive, depths, 90, 210, { 0, 30, 60, 120, 150, 240 },
            { 0, 15, 20, 20, 15, 0 }, { 0, 30, 10, 0, -10, -10 } };
        QTest::newRow("middle of a dive") << middle;
        CutRow reversed = middle;
        std::swap(reversed.t1, reversed.t2);
        QTest::newRow("reversed bounds") << reversed;
        // Starting at the surface: D would be 0, the first sample's time: moved to 1 s.
        // Depth at 90 is 15: end at 1 + 90 = 91, surfacing 90 s later.
        QTest::newRow("from the surface, no two samples at 0") << CutRow { dive, depths, 0, 90,
            { 0, 1, 61, 91, 181 }, { 0, 0, 10, 15, 0 }, { 0, 0, 10, 10, -10 } };
        // Outside the dive the bounds are clamped to 0..300; the end depth is 0 so surfacing
        // takes the minimum 1 s.
        QTest::newRow("bounds outside the dive")
            << CutRow { dive, depths, -100, 1000, { 0, 1, 61, 121, 181, 241, 301, 302 },
                   { 0, 0, 10, 20, 20, 10, 0, 0 }, { 0, 0, 10, 10, 0, -10, -10, 0 } };
    }

    void cutSelection()
    {
        QFETCH(CutRow, row);
        DiveProfile p = profileOf(row.times, row.depths);
        p.name = "source";
        p.computer = "Veltra";
        p.dateTime = 1000000;
        p.gases.append(DiveGas());
        // Water cooling by 1 degree a minute: at any time t of the dive it is 20 - t / 60.
        const auto temperatureAt = [](double t) { return 20.0 - t / 60.0; };
        for (DiveSample& s : p.samples) {
            s.temperature = temperatureAt(s.time);
            s.gasIndex = 0;
        }
        const DiveProfile cut = p.cutSelection(row.t1, row.t2);
        QCOMPARE(cut.samples.size(), row.cutTimes.size());
        for (int i = 0; i < row.cutTimes.size(); ++i) {
            const DiveSample& s = cut.samples.at(i);
            const QByteArray where = QByteArray::number(i);
            QVERIFY2(std::fabs(s.time - row.cutTimes.at(i)) < 1e-9, where);
            QVERIFY2(std::fabs(s.depth - row.cutDepths.at(i)) < 1e-9, where);
            QVERIFY2(i == 0 || std::fabs(s.speed - row.cutSpeeds.at(i)) < 1e-9, where);
        }
        // The made-up points take the water's temperature where the dive was cut (the bounds
        // clamped to the dive); the inner samples keep theirs.
        const double from = std::clamp(double(std::min(row.t1, row.t2)), 0.0, row.times.last());
        const double to = std::clamp(double(std::max(row.t1, row.t2)), 0.0, row.times.last());
        QVERIFY(std::fabs(cut.samples.at(1).temperature - temperatureAt(from)) < 1e-9);
        QVERIFY(std::fabs(cut.samples.at(cut.samples.size() - 2).temperature - temperatureAt(to))
            < 1e-9);
        QVERIFY(std::fabs(cut.samples.last().temperature - temperatureAt(to)) < 1e-9);
        QCOMPARE(cut.samples.at(1).gasIndex, 0);
        // The cut is still that dive: its name, computer and gases, starting when the window did.
        QCOMPARE(cut.name, QString("source"));
        QCOMPARE(cut.computer, QString("Veltra"));
        QCOMPARE(cut.gases.size(), 1);
        QCOMPARE(cut.dateTime, qint64(1000000 + from - cut.samples.at(1).time));
    }

    void rapidAscent_data()
    {
        QTest::addColumn<Doubles>("times");
        QTest::addColumn<Doubles>("depths");
        QTest::addColumn<double>("markedTime"); // -1: none
        // Down to 30 m, slowly (-7 m/min) to 16 m, then up at 20 m/min (2 m per 6 s).
        // The ascent starts at (186, 14) with R = 16; D = 8 raised to 10 since the dive went
        // below 20 m: flagged where 16 - depth >= 10, at (210, 6).
        const Doubles ascentTimes { 0, 60, 120, 180, 186, 192, 198, 204, 210, 216, 222, 228 };
        QTest::newRow("deep dive: after 10 m")
            << ascentTimes << Doubles { 0, 30, 23, 16, 14, 12, 10, 8, 6, 4, 2, 0 } << 210.0;
        // Same ascent, deepest 18 m: D = 16 / 2 = 8, flagged at (204, 8).
        QTest::newRow("shallow dive: after 8 m")
            << ascentTimes << Doubles { 0, 18, 17, 16, 14, 12, 10, 8, 6, 4, 2, 0 } << 204.0;
        // 10 m/min never starts an ascent.
        QTest::newRow("slow ascent") << Doubles { 0, 60, 120, 132, 144, 156, 168, 180, 192, 204 }
                                     << Doubles { 0, 30, 16, 14, 12, 10, 8, 6, 4, 2 } << -1.0;
        // The fast part starts at 10 m, not below it.
        QTest::newRow("starts at 10 m")
            << Doubles { 0, 60, 66, 72, 78, 84, 90 } << Doubles { 0, 10, 8, 6, 4, 2, 0 } << -1.0;
        // One fast step then a stop: the mean falls under 6 m/min (20/4 = 5) and the ascent ends.
        QTest::newRow("fast step then stop") << Doubles { 0, 60, 120, 126, 186, 246, 306, 366 }
                                             << Doubles { 0, 30, 16, 14, 14, 14, 14, 4 } << -1.0;
        QTest::newRow("one sample") << Doubles { 0 } << Doubles { 30 } << -1.0;
    }

    void rapidAscent()
    {
        QFETCH(Doubles, times);
        QFETCH(Doubles, depths);
        QFETCH(double, markedTime);
        DiveProfile p = profileOf(times, depths);
        // Old marks everywhere plus a ceiling level the analysis must keep; run twice.
        for (DiveSample& s : p.samples)
            s.alertFlags = 0x04 | 0x01;
        p.computeStatistics();
        p.computeSpeeds(false);
        p.markRapidAscent();
        p.markRapidAscent();
        for (const DiveSample& s : p.samples) {
            QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertRapidAscent)),
                s.time == markedTime ? 1 : 0);
            QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertCeiling)), 1);
        }
    }

    void yoyo_data()
    {
        QTest::addColumn<YoyoRow>("row");
        // 25 m, up to 14 (tracking, M = 14), up to 8 (M = 8), down to 19 (19 - 8 >= 10: yoyo 1),
        // up to 5 (19 - 5 >= 10: tracking, M = 5), down to 16 (yoyo 2), surface.
        // Crossings of M + 10: 18 m between (180, 8) and (240, 19): 180 + 60 x 10/11;
        // 15 m between (300, 5) and (360, 16): 300 + 60 x 10/11.
        const Doubles twoYoyos { 0, 25, 14, 8, 19, 5, 16, 0 };
        const Doubles crossings { 180 + 600.0 / 11, 300 + 600.0 / 11 };
        // Mode 0: deepest 25 is past the 20 m limit: levels 2 then 3.
        QTest::newRow("mode 0, events") << YoyoRow { twoYoyos, 0, false, crossings, { 18, 15 },
            { 2, 3 }, { 0, 0, 0, 0, 2, 0, 3, 0 }, 2, 0 };
        // Mode 1: 25 m is within the 29 m limit: levels min(K, 3) = 1 then 2.
        QTest::newRow("mode 1, events") << YoyoRow { twoYoyos, 1, false, crossings, { 18, 15 },
            { 1, 2 }, { 0, 0, 0, 0, 1, 0, 2, 0 }, 2, 0 };
        QTest::newRow("marking samples")
            << YoyoRow { twoYoyos, 0, true, {}, {}, {}, { 0, 0, 0, 0, 3, 0, 3, 0 }, 2, 1 };
        // Mode 1 needs a dive deeper than 16 m.
        QTest::newRow("too shallow for mode 1")
            << YoyoRow { { 0, 15, 4, 15, 0 }, 1, false, {}, {}, {}, { 0, 0, 0, 0, 0 }, 0, 0 };
        // Deeper than 35 m: two events at the crossing of 28 + 10 = 38 m, between (120, 28) and
        // (180, 40): 120 + 60 x 10/12 = 170; the sample keeps the last level.
        QTest::newRow("deeper than 35 m") << YoyoRow { { 0, 40, 28, 40, 0 }, 0, false, { 170, 170 },
            { 38, 38 }, { 2, 3 }, { 0, 0, 0, 3, 0 }, 1, 0 };
        // Four yoyos between 30 and 18 m: the count saturates at 3.
        QTest::newRow("four yoyos") << YoyoRow { { 0, 30, 18, 30, 18, 30, 18, 30, 18, 30, 0 }, 0,
            true, {}, {}, {}, { 0, 0, 0, 3, 0, 3, 0, 3, 0, 3, 0 }, 3, 1 };
        // A second run over a dive without yoyos leaves no stale count, marker or level.
        QTest::newRow("none") << YoyoRow { { 0, 30, 25, 0 }, 0, false, {}, {}, {}, { 0, 0, 0, 0 },
            0, 0 };
    }

    void yoyo()
    {
        QFETCH(YoyoRow, row);
        Doubles times;
        for (int i = 0; i < row.depths.size(); ++i)
            times.append(60.0 * i);
        DiveProfile p = profileOf(times, row.depths);
        p.alerts = 0x40000001 | (3u << 26); // other alert bits are carried unchanged
        for (DiveSample& s : p.samples)
            s.alertFlags = 0x30;
        p.yoyoMarkers.append({ 1, 1, 1 });
        p.detectYoyo(row.mode, row.markSamples);
        p.detectYoyo(row.mode, row.markSamples);

        QCOMPARE(p.yoyoMarkers.size(), row.markerTimes.size());
        for (int i = 0; i < row.markerTimes.size(); ++i) {
            const ProfileMarker& m = p.yoyoMarkers.at(i);
            QVERIFY2(std::fabs(m.time - row.markerTimes.at(i)) < 1e-3,
                qPrintable(QStringLiteral("%1 vs %2").arg(m.time).arg(row.markerTimes.at(i))));
            QVERIFY(std::fabs(m.depth - row.markerDepths.at(i)) < 1e-4);
            QCOMPARE(m.level, row.markerLevels.at(i));
        }
        for (int i = 0; i < row.sampleLevels.size(); ++i)
            QCOMPARE(yoyoLevel(p.samples.at(i)), row.sampleLevels.at(i));
        QCOMPARE(int((p.alerts >> 26) & 3), row.count);
        QCOMPARE(p.alerts & ~(3u << 26), 0x40000001u);
        QCOMPARE(int(p.invalidDiveCode), row.invalid);
    }

    void airUse_data()
    {
        // A 10-minute dive: down to 20 m in 60 s, level until 540 s, up in 60 s. By hand the
        // mean depth over time is (600 + 9600 + 600) m s / 600 s = 18 m; salt water gives
        // 18 x 1025 x 9.80665 / 1e5 = 1.809326 bar, fresh 18 x 0.0980665 = 1.765197 bar, over a
        // surface pressure of 1.013 bar.
        QTest::addColumn<QList<DiveProfile::TankPressure>>("tanks");
        QTest::addColumn<bool>("fresh");
        QTest::addColumn<bool>("samplePressures"); // 200 bar falling evenly to 150 bar
        QTest::addColumn<double>("sac");
        using Tank = DiveProfile::TankPressure;
        // 12 L x 50 bar = 600 L in 10 min = 60 L/min; / 2.822326 bar = 21.2591.
        QTest::newRow("start and end, salt")
            << QList<Tank> { { 0, 200, 150, 12, 232 } } << false << false << 21.2591;
        // 60 / 2.778197 = 21.5967.
        QTest::newRow("start and end, fresh")
            << QList<Tank> { { 0, 200, 150, 12, 0 } } << true << false << 21.5967;
        QTest::newRow("samples only")
            << QList<Tank> { { 0, 0, 0, 12, 0 } } << false << true << 21.2591;
        // (600 + 7 x 100) L = 1300 L; 130 L/min / 2.822326 = 46.0614.
        QTest::newRow("two cylinders")
            << QList<Tank> { { 0, 200, 150, 12, 0 }, { 0, 200, 100, 7, 0 } } << false << false
            << 46.0614;
        QTest::newRow("no size") << QList<Tank> { { 0, 200, 150, 0, 0 } } << false << true << 0.0;
        QTest::newRow("end above start")
            << QList<Tank> { { 0, 50, 200, 12, 0 } } << false << false << 0.0;
        QTest::newRow("no cylinder") << QList<Tank> {} << false << true << 0.0;
    }

    void airUse()
    {
        QFETCH(QList<DiveProfile::TankPressure>, tanks);
        QFETCH(bool, fresh);
        QFETCH(bool, samplePressures);
        QFETCH(double, sac);
        DiveProfile dive;
        dive.freshWater = fresh ? 1 : 0;
        dive.tanks = tanks;
        for (int t = 0; t <= 600; t += 5) {
            DiveSample s;
            s.time = t;
            s.depth = 20.0 * std::min({ t / 60.0, 1.0, (600 - t) / 60.0 });
            s.tankPressureBar = samplePressures ? float(200.0 - t / 12.0) : 0.0f;
            dive.samples << s;
        }
        QVERIFY(std::fabs(timeWeightedMeanDepth(dive) - 18.0) < 1e-9);
        QVERIFY2(std::fabs(surfaceAirConsumption(dive) - sac) < 1e-3,
            qPrintable(QString::number(surfaceAirConsumption(dive))));
    }

    void manualProfile_data()
    {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<double>("depth");
        QTest::addColumn<double>("mean"); // asked for
        QTest::addColumn<double>("expected"); // mean over time of the profile
        QTest::newRow("mean depth given") << 50.0 << 20.0 << 15.0 << 15.0;
        // No mean: (0,0) (33,10) (1733,10) (1767,5) (1800,0), the vertices rounded to seconds;
        // area 165 + 17000 + 255 + 82.5 = 17502.5 m s over 1800 s = 9.7236 m.
        QTest::newRow("square, no mean given") << 30.0 << 10.0 << 0.0 << 9.7236;
        // Deeper than the shape reaches: the bottom ends at once. (0,0) (67,20) (2667,5)
        // (2700,0): 670 + 32500 + 82.5 = 33252.5 m s over 2700 s = 12.3157 m.
        QTest::newRow("mean below what the shape reaches") << 45.0 << 20.0 << 12.0 << 12.3157;
    }

    void manualProfile()
    {
        QFETCH(double, minutes);
        QFETCH(double, depth);
        QFETCH(double, mean);
        QFETCH(double, expected);
        ManualDive numbers;
        numbers.durationS = minutes * 60;
        numbers.maxDepthM = depth;
        numbers.meanDepthM = mean;
        QCOMPARE(checkManualDive(numbers), QString());
        const DiveProfile dive = manualDiveProfile(numbers);
        QCOMPARE(dive.maxDepth, depth);
        QCOMPARE(dive.duration, minutes * 60);
        QCOMPARE(dive.samples.constLast().depth, 0.0);
        QVERIFY2(std::fabs(timeWeightedMeanDepth(dive) - expected) < 0.01,
            qPrintable(QString::number(timeWeightedMeanDepth(dive))));
    }

    void gasName()
    {
        // 22 % is nitrox, hypoxic without helium is invalid, any helium makes trimix (heliox
        // when no nitrogen is left).
        for (auto [o2, he, name] :
            { std::tuple { 21, 0, "Air" }, { 22, 0, "Nx22" }, { 100, 0, "Oxy" },
                { 20, 0, "Invalid" }, { 21, 35, "Tx21/35" }, { 18, 45, "Tx18/45" },
                { 30, 30, "Triox30/30" }, { 22, 78, "Hx22/78" }, { 21, 1, "Tx21/1" } }) {
            DiveGas gas;
            gas.o2 = o2;
            gas.he = he;
            QCOMPARE(DiveProfile::gasName(gas), QString(name));
            QCOMPARE(gas.name, QString(name));
        }
    }
};

QTEST_GUILESS_MAIN(TestDiveProfile)
#include "tst_diveprofile.moc"
