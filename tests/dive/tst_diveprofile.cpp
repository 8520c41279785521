#include "dive/diveprofile.h"

#include <QTest>

#include <cmath>
#include <cstring>

namespace {

using Doubles = QList<double>;

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
double pressureAt(double depthM, double density, double surfaceBar)
{
    return density * double(9.80665f) * depthM / 100.0 + surfaceBar;
}

int yoyoLevel(const DiveSample& s)
{
    return (s.alertFlags >> 4) & 3;
}

} // namespace

class TestDiveProfile : public QObject
{
    Q_OBJECT

private slots:
    void sampleRawLayout();
    void alertBlockRawLayout();
    void clearKeepsSettings();

    void statistics_data();
    void statistics();
    void statisticsClearsOldMaxFlag();

    void speeds_data();
    void speeds();

    void depthAt_data();
    void depthAt();

    void meanSpeed_data();
    void meanSpeed();

    void alertLevel_data();
    void alertLevel();
    void setAlertsKeepsHighExtraBits();

    void fillGasIndexes_data();
    void fillGasIndexes();

    void insertSample_data();
    void insertSample();

    void removeSample();
    void removeSamples_data();
    void removeSamples();

    void ascentStart_data();
    void ascentStart();

    void positionInfo_data();
    void positionInfo();
    void positionInfoGas_data();
    void positionInfoGas();

    void cutSelection_data();
    void cutSelection();

    void rapidAscent_data();
    void rapidAscent();
    void rapidAscentRepeatedLeavesOneMark();

    void yoyo_data();
    void yoyo();
    void yoyoRepeatedLeavesNoStaleCount();

    void gasName_data();
    void gasName();
};

void TestDiveProfile::sampleRawLayout()
{
    // The plan file stores samples raw: check the bytes a default sample and a filled one make.
    DiveSample s;
    unsigned char raw[sizeof(DiveSample)];
    std::memcpy(raw, &s, sizeof raw);
    for (int i = 0; i < 104; ++i) {
        const unsigned char expected = (i >= 72 && i < 76) ? 0xFF : 0x00; // gasIndex -1
        QVERIFY2(raw[i] == expected, qPrintable(QStringLiteral("byte %1").arg(i)));
    }

    s.time = 1.0; // 3FF0000000000000
    s.noDecoValue = 0x0102;
    s.gasIndex = 2;
    s.isMaxDepth = 1;
    s.alertFlags = 0x30;
    s.statusFlags = 0x7E;
    s.tissues[0] = 0xA0;
    s.tissues[15] = 0xAF;
    s.batteryVoltage = 0x0E10;
    std::memcpy(raw, &s, sizeof raw);
    QCOMPARE(raw[6], 0xF0);
    QCOMPARE(raw[7], 0x3F);
    QCOMPARE(raw[56], 0x02);
    QCOMPARE(raw[57], 0x01);
    QCOMPARE(raw[72], 0x02);
    QCOMPARE(raw[75], 0x00);
    QCOMPARE(raw[76], 0x01);
    QCOMPARE(raw[77], 0x30);
    QCOMPARE(raw[78], 0x7E);
    QCOMPARE(raw[81], 0xA0);
    QCOMPARE(raw[96], 0xAF);
    QCOMPARE(raw[97], 0x00);
    QCOMPARE(raw[98], 0x10);
    QCOMPARE(raw[99], 0x0E);
}

void TestDiveProfile::alertBlockRawLayout()
{
    DiveProfile p;
    p.setPeriod(4);
    p.alerts = 0x11223344;
    p.alertExtra = 0x81;
    const DiveAlertBlock block = p.alertBlock();
    unsigned char raw[6];
    std::memcpy(raw, &block, sizeof raw);
    const unsigned char expected[6] = { 0x04, 0x44, 0x33, 0x22, 0x11, 0x81 };
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(raw), 6),
        QByteArray(reinterpret_cast<const char*>(expected), 6));

    DiveProfile q;
    q.setAlertBlock(block);
    QCOMPARE(q.period, quint8(4));
    QCOMPARE(q.alerts, 0x11223344u);
    QCOMPARE(q.alertExtra, quint8(0x81));
}

void TestDiveProfile::clearKeepsSettings()
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
    QVERIFY(p.samples.isEmpty());
    QVERIFY(p.gases.isEmpty());
    QVERIFY(p.ceilingTrace.isEmpty());
    QVERIFY(p.name.isEmpty());
    QCOMPARE(p.origin, DiveOriginNone);
    QCOMPARE(p.duration, 0.0);
    QCOMPARE(p.maxDepth, 0.0);
    QCOMPARE(p.computer, QString("Veltra"));
    QCOMPARE(p.meanDepth, 5.0);
}

void TestDiveProfile::statistics_data()
{
    QTest::addColumn<Doubles>("times");
    QTest::addColumn<Doubles>("depths");
    QTest::addColumn<Doubles>("temperatures");
    QTest::addColumn<Doubles>("ascentTimes");
    QTest::addColumn<Doubles>("ascentDepths");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("maxDepth");
    QTest::addColumn<double>("meanDepth");
    QTest::addColumn<double>("minTemperature");
    QTest::addColumn<double>("maxTemperature");
    QTest::addColumn<double>("ascentDuration");
    QTest::addColumn<double>("stopTime");
    QTest::addColumn<int>("maxIndex");

    // Depth sum 0+10+20+10+0 = 40 over 5 samples.
    QTest::newRow("triangle") << Doubles { 0, 60, 120, 180, 240 } << Doubles { 0, 10, 20, 10, 0 }
                              << Doubles { 20, 18, 16, 17, 19 } << Doubles {} << Doubles {} << 240.0
                              << 20.0 << 8.0 << 16.0 << 20.0 << -1.0 << -1.0 << 2;
    QTest::newRow("tie keeps the first")
        << Doubles { 0, 10, 20, 30 } << Doubles { 0, 15, 15, 0 } << Doubles { 10, 10, 10, 10 }
        << Doubles {} << Doubles {} << 30.0 << 15.0 << 7.5 << 10.0 << 10.0 << -1.0 << -1.0 << 1;
    // Sum 0+30 + 30+30+21+21+0 = 132 over 7; stops 60..120 at 30 m and 180..240 at 21 m.
    QTest::newRow("with ascent") << Doubles { 0, 60 } << Doubles { 0, 30 } << Doubles { 15, 14 }
                                 << Doubles { 60, 120, 180, 240, 300 }
                                 << Doubles { 30, 30, 21, 21, 0 } << 300.0 << 30.0 << 132.0 / 7.0
                                 << 14.0 << 15.0 << 240.0 << 120.0 << 1;
    QTest::newRow("one sample") << Doubles { 0 } << Doubles { 5 } << Doubles { 12 } << Doubles {}
                                << Doubles {} << 0.0 << 5.0 << 5.0 << 12.0 << 12.0 << -1.0 << -1.0
                                << 0;
    QTest::newRow("no sample: mean 0, not 0/0")
        << Doubles {} << Doubles {} << Doubles {} << Doubles {} << Doubles {} << 0.0 << 0.0 << 0.0
        << 100.0 << 0.0 << -1.0 << -1.0 << -1;
}

void TestDiveProfile::statistics()
{
    QFETCH(Doubles, times);
    QFETCH(Doubles, depths);
    QFETCH(Doubles, temperatures);
    QFETCH(Doubles, ascentTimes);
    QFETCH(Doubles, ascentDepths);
    QFETCH(double, duration);
    QFETCH(double, maxDepth);
    QFETCH(double, meanDepth);
    QFETCH(double, minTemperature);
    QFETCH(double, maxTemperature);
    QFETCH(double, ascentDuration);
    QFETCH(double, stopTime);
    QFETCH(int, maxIndex);

    DiveProfile p = profileOf(times, depths);
    for (qsizetype i = 0; i < temperatures.size(); ++i)
        p.samples[i].temperature = temperatures.at(i);
    for (qsizetype i = 0; i < ascentTimes.size(); ++i)
        p.ascentSamples.append(sampleAt(ascentTimes.at(i), ascentDepths.at(i)));
    // -1 in the table: these keep what they had.
    p.ascentDuration = -1;
    p.stopTime = -1;

    p.computeStatistics();
    QCOMPARE(p.duration, duration);
    QCOMPARE(p.maxDepth, maxDepth);
    QVERIFY(std::fabs(p.meanDepth - meanDepth) < 1e-9);
    QCOMPARE(p.minTemperature, minTemperature);
    QCOMPARE(p.maxTemperature, maxTemperature);
    QCOMPARE(p.ascentDuration, ascentDuration);
    QCOMPARE(p.stopTime, stopTime);
    for (int i = 0; i < p.samples.size(); ++i)
        QCOMPARE(int(p.samples.at(i).isMaxDepth), i == maxIndex ? 1 : 0);
}

void TestDiveProfile::statisticsClearsOldMaxFlag()
{
    DiveProfile p = profileOf({ 0, 60, 120 }, { 0, 20, 10 });
    p.computeStatistics();
    QCOMPARE(int(p.samples.at(1).isMaxDepth), 1);
    // The planner moves a point: the deepest sample changes.
    p.samples[1].depth = 5;
    p.samples[2].depth = 25;
    p.computeStatistics();
    QCOMPARE(int(p.samples.at(1).isMaxDepth), 0);
    QCOMPARE(int(p.samples.at(2).isMaxDepth), 1);
    QCOMPARE(p.maxDepth, 25.0);
}

void TestDiveProfile::speeds_data()
{
    QTest::addColumn<bool>("keepRecorded");
    QTest::addColumn<Doubles>("expected");
    // Times 0, 30, 60, 60, 120 and depths 0, 10, 10, 20, 5: 60/30*10 = 20, 0, equal times 0,
    // 60/60*(5-20) = -15. The first keeps its 7.
    QTest::newRow("recomputed") << false << Doubles { 7, 20, 0, 0, -15 };
    QTest::newRow("recorded kept") << true << Doubles { 7, 7, 7, 7, 7 };
}

void TestDiveProfile::speeds()
{
    QFETCH(bool, keepRecorded);
    QFETCH(Doubles, expected);
    DiveProfile p = profileOf({ 0, 30, 60, 60, 120 }, { 0, 10, 10, 20, 5 });
    for (DiveSample& s : p.samples)
        s.speed = 7;
    p.ascentSamples = { sampleAt(120, 5), sampleAt(150, 3), sampleAt(150, 3) };
    p.computeSpeeds(keepRecorded);
    for (int i = 0; i < expected.size(); ++i)
        QCOMPARE(p.samples.at(i).speed, expected.at(i));
    // The ascent is always recomputed: 60/30*(3-5) = -4, then an equal time gives 0.
    QCOMPARE(p.ascentSamples.at(1).speed, -4.0);
    QCOMPARE(p.ascentSamples.at(2).speed, 0.0);
}

void TestDiveProfile::depthAt_data()
{
    QTest::addColumn<double>("t");
    QTest::addColumn<double>("expected");
    // Samples (0, 0), (60, 12), (120, 12), (180, 3).
    QTest::newRow("halfway down") << 30.0 << 6.0;
    QTest::newRow("on a sample") << 60.0 << 12.0;
    QTest::newRow("flat part") << 90.0 << 12.0;
    QTest::newRow("halfway up") << 150.0 << 7.5; // 12 + (3 - 12) / 2
    QTest::newRow("last sample") << 180.0 << 3.0;
    QTest::newRow("first sample gives 0") << 0.0 << 0.0;
    QTest::newRow("before the dive") << -5.0 << 0.0;
    QTest::newRow("after the dive") << 181.0 << -1.0;
}

void TestDiveProfile::depthAt()
{
    QFETCH(double, t);
    QFETCH(double, expected);
    const DiveProfile p = profileOf({ 0, 60, 120, 180 }, { 0, 12, 12, 3 });
    QVERIFY(std::fabs(p.depthAt(t) - expected) < 1e-12);
}

void TestDiveProfile::meanSpeed_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<double>("expected");
    // Speeds 0, 10, 20, 30, 40.
    QTest::newRow("three after the first") << 0 << 3 << 20.0; // (10+20+30)/3
    QTest::newRow("last two") << 2 << 4 << 35.0;
    QTest::newRow("same point") << 1 << 1 << 0.0;
    QTest::newRow("reversed") << 3 << 0 << 20.0;
    QTest::newRow("negative index") << -1 << 2 << 0.0;
    QTest::newRow("past the end") << 0 << 5 << 0.0;
}

void TestDiveProfile::meanSpeed()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(double, expected);
    DiveProfile p = profileOf({ 0, 1, 2, 3, 4 }, { 0, 0, 0, 0, 0 });
    for (int i = 0; i < 5; ++i)
        p.samples[i].speed = 10.0 * i;
    QCOMPARE(p.meanSpeed(from, to), expected);
}

void TestDiveProfile::alertLevel_data()
{
    QTest::addColumn<int>("flags");
    QTest::addColumn<int>("yoyo");
    QTest::addColumn<int>("pmax");
    QTest::addColumn<int>("rapidAscent");
    QTest::addColumn<int>("ceiling");
    QTest::newRow("all bits") << 0xFF << 3 << 2 << 1 << 3;
    QTest::newRow("yoyo level 1") << 0x10 << 1 << 0 << 0 << 0;
    QTest::newRow("yoyo level 2") << 0x20 << 2 << 0 << 0 << 0;
    QTest::newRow("Pmax bit") << 0x08 << 0 << 2 << 0 << 0;
    QTest::newRow("rapid ascent bit") << 0x04 << 0 << 0 << 1 << 0;
    QTest::newRow("ceiling level 2") << 0x02 << 0 << 0 << 0 << 2;
    QTest::newRow("bits 6-7 belong to no kind") << 0xC0 << 0 << 0 << 0 << 0;
}

void TestDiveProfile::alertLevel()
{
    QFETCH(int, flags);
    QFETCH(int, yoyo);
    QFETCH(int, pmax);
    QFETCH(int, rapidAscent);
    QFETCH(int, ceiling);
    DiveSample s;
    s.alertFlags = quint8(flags);
    QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertYoyo)), yoyo);
    QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertPmax)), pmax);
    QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertRapidAscent)), rapidAscent);
    QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertCeiling)), ceiling);
    QCOMPARE(int(DiveProfile::alertLevel(s, 0)), 0);
    QCOMPARE(int(DiveProfile::alertLevel(s, 1)), 0);
    QCOMPARE(int(DiveProfile::alertLevel(s, 6)), 0);
}

void TestDiveProfile::setAlertsKeepsHighExtraBits()
{
    DiveProfile p;
    p.alertExtra = 0xFF;
    p.setAlerts(0x12345678u, 0x06);
    QCOMPARE(p.alerts, 0x12345678u);
    QCOMPARE(p.alertExtra, quint8(0xC2)); // bits 6-7 kept, 2-5 cleared, 0-1 = 6 & 3
}

void TestDiveProfile::fillGasIndexes_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<QList<int>>("after");
    QTest::newRow("unknown first take 0")
        << QList<int> { -1, -1, 2, -1 } << QList<int> { 0, 0, 2, 2 };
    QTest::newRow("changes carried")
        << QList<int> { 1, -1, -1, 0, -1 } << QList<int> { 1, 1, 1, 0, 0 };
    QTest::newRow("all known unchanged") << QList<int> { 0, 1, 2 } << QList<int> { 0, 1, 2 };
}

void TestDiveProfile::fillGasIndexes()
{
    QFETCH(QList<int>, before);
    QFETCH(QList<int>, after);
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

void TestDiveProfile::insertSample_data()
{
    QTest::addColumn<double>("time");
    QTest::addColumn<double>("depth");
    QTest::addColumn<int>("position");
    QTest::addColumn<int>("gas");
    QTest::addColumn<double>("speed");
    QTest::addColumn<double>("maxDepth");
    // Existing samples (0, 0, gas 0), (60, 20, gas 1), (120, 20, gas 2).
    // 60/30*(30-20) = 20 m/min.
    QTest::newRow("between two") << 90.0 << 30.0 << 2 << 1 << 20.0 << 30.0;
    QTest::newRow("same time goes after, speed 0") << 60.0 << 25.0 << 2 << 1 << 0.0 << 25.0;
    // 60/60*(10-20) = -10 m/min.
    QTest::newRow("after the last") << 180.0 << 10.0 << 3 << 2 << -10.0 << 20.0;
    QTest::newRow("before the first takes its gas") << -10.0 << 0.0 << 0 << 0 << 4.0 << 20.0;
}

void TestDiveProfile::insertSample()
{
    QFETCH(double, time);
    QFETCH(double, depth);
    QFETCH(int, position);
    QFETCH(int, gas);
    QFETCH(double, speed);
    QFETCH(double, maxDepth);
    DiveProfile p = profileOf({ 0, 60, 120 }, { 0, 20, 20 });
    for (int i = 0; i < 3; ++i)
        p.samples[i].gasIndex = i;
    DiveSample s = sampleAt(time, depth);
    s.gasIndex = 5;
    s.speed = 4.0; // the first sample's speed is never recomputed
    QCOMPARE(p.insertSample(s), position);
    QCOMPARE(p.samples.size(), 4);
    QCOMPARE(p.samples.at(position).time, time);
    QCOMPARE(p.samples.at(position).gasIndex, gas);
    QCOMPARE(p.samples.at(position).speed, speed);
    QCOMPARE(p.maxDepth, maxDepth);
    for (const DiveSample& each : p.samples)
        QVERIFY(std::isfinite(each.speed));
}

void TestDiveProfile::removeSample()
{
    DiveProfile p = profileOf({ 0, 60, 120 }, { 0, 25, 20 });
    p.computeStatistics();
    p.removeSample(-1);
    p.removeSample(3);
    QCOMPARE(p.samples.size(), 3);
    // Deleting the deepest point: the maximum is the 20 m left, flagged on its sample.
    p.removeSample(1);
    QCOMPARE(p.samples.size(), 2);
    QCOMPARE(p.samples.at(1).time, 120.0);
    QCOMPARE(p.maxDepth, 20.0);
    QCOMPARE(int(p.samples.at(1).isMaxDepth), 1);
}

void TestDiveProfile::removeSamples_data()
{
    QTest::addColumn<QList<int>>("indexes");
    QTest::addColumn<Doubles>("remainingTimes");
    // Times 0, 10, 20, 30, 40 at depths 0, 1, 2, 3, 4 m: the last is the deepest and the end.
    QTest::newRow("several, unordered, repeated")
        << QList<int> { 3, 0, 3 } << Doubles { 10, 20, 40 };
    QTest::newRow("invalid indexes ignored")
        << QList<int> { 99, -2, 1 } << Doubles { 0, 20, 30, 40 };
    QTest::newRow("none") << QList<int> {} << Doubles { 0, 10, 20, 30, 40 };
    QTest::newRow("all") << QList<int> { 0, 1, 2, 3, 4 } << Doubles {};
    QTest::newRow("the deepest, last point") << QList<int> { 4 } << Doubles { 0, 10, 20, 30 };
}

void TestDiveProfile::removeSamples()
{
    QFETCH(QList<int>, indexes);
    QFETCH(Doubles, remainingTimes);
    DiveProfile p = profileOf({ 0, 10, 20, 30, 40 }, { 0, 1, 2, 3, 4 });
    p.computeStatistics();
    p.removeSamples(indexes);
    QCOMPARE(p.samples.size(), remainingTimes.size());
    for (int i = 0; i < remainingTimes.size(); ++i) {
        QCOMPARE(p.samples.at(i).time, remainingTimes.at(i));
        QCOMPARE(p.samples.at(i).depth, remainingTimes.at(i) / 10.0); // the right depth went along
    }
    // The statistics follow what is left: the last remaining point is the deepest and the end.
    const double last = remainingTimes.isEmpty() ? 0.0 : remainingTimes.last();
    QCOMPARE(p.maxDepth, last / 10.0);
    QCOMPARE(p.duration, last);
    if (!remainingTimes.isEmpty())
        QCOMPARE(int(p.samples.last().isMaxDepth), 1);
}

void TestDiveProfile::ascentStart_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("returned");
    QTest::addColumn<int>("storedIndex");
    QTest::addColumn<double>("ascentDuration");
    // Times 0, 60, 180, 300, 360: from sample 1 to the end 300 s, from sample 3 60 s.
    QTest::newRow("second sample") << 5 << 1 << 1 << 1 << 300.0;
    QTest::newRow("last allowed") << 5 << 3 << 3 << 3 << 60.0;
    QTest::newRow("last sample refused") << 5 << 4 << 3 << -1 << 7.0;
    QTest::newRow("past the end refused") << 5 << 40 << 3 << -1 << 7.0;
    QTest::newRow("negative refused") << 5 << -3 << -1 << -1 << 7.0;
    QTest::newRow("single sample") << 1 << 0 << -1 << -1 << 7.0;
}

void TestDiveProfile::ascentStart()
{
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, returned);
    QFETCH(int, storedIndex);
    QFETCH(double, ascentDuration);
    DiveProfile p = profileOf(
        Doubles { 0, 60, 180, 300, 360 }.first(count), Doubles { 0, 20, 20, 10, 0 }.first(count));
    p.ascentDuration = 7.0;
    QCOMPARE(p.setAscentStart(index), returned);
    QCOMPARE(p.ascentStartIndex, storedIndex);
    QCOMPARE(p.ascentDuration, ascentDuration);
}

void TestDiveProfile::positionInfo_data()
{
    QTest::addColumn<int>("t");
    QTest::addColumn<bool>("ascentList");
    QTest::addColumn<quint32>("freshWater");
    QTest::addColumn<bool>("found");
    QTest::addColumn<double>("beforeTime");
    QTest::addColumn<double>("afterTime");
    QTest::addColumn<double>("elapsed");
    QTest::addColumn<double>("depthChange");
    QTest::addColumn<double>("ceilingChange");
    QTest::addColumn<double>("ppO2");
    QTest::addColumn<double>("trace");

    // Samples (time, depth, ceiling, gas): (0,0,0,0) (60,20,0,1) (120,20,6,1) (180,10,3,-1);
    // gases air and 50 %; surface 1.0 bar. Ceiling trace (0,0) (100,10) (200,4).
    const double salt20 = pressureAt(20, 1.03, 1.0);
    const double salt10 = pressureAt(10, 1.03, 1.0);
    QTest::newRow("halfway down on air") << 30 << false << 0u << true << 0.0 << 60.0 << 30.0 << 10.0
                                         << 0.0 << (1.0 + (salt20 - 1.0) * 0.5) * 0.21 << 3.0;
    QTest::newRow("halfway up on 50 %")
        << 150 << false << 0u << true << 120.0 << 180.0 << 30.0 << -5.0 << -1.5
        << (salt20 + (salt10 - salt20) * 0.5) * 0.5 << 7.0;
    QTest::newRow("on a sample") << 60 << false << 0u << true << 0.0 << 60.0 << 60.0 << 20.0 << 0.0
                                 << salt20 * 0.21 << 6.0;
    QTest::newRow("fresh water") << 60 << false << 1u << true << 0.0 << 60.0 << 60.0 << 20.0 << 0.0
                                 << pressureAt(20, 1.0, 1.0) * 0.21 << 6.0;
    QTest::newRow("first sample: f = 0, changes stay 0")
        << 0 << false << 0u << true << 0.0 << 60.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    QTest::newRow("after the dive: all zero")
        << 200 << false << 0u << false << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0;
    // Ascent (300, 9) (360, 6), gas -1 takes the first gas (air).
    QTest::newRow("ascent list") << 330 << true << 0u << true << 300.0 << 360.0 << 30.0 << -1.5
                                 << 0.0
                                 << (pressureAt(9, 1.03, 1.0)
                                        + (pressureAt(6, 1.03, 1.0) - pressureAt(9, 1.03, 1.0))
                                            * 0.5)
            * 0.21 << 0.0;
}

void TestDiveProfile::positionInfo()
{
    QFETCH(int, t);
    QFETCH(bool, ascentList);
    QFETCH(quint32, freshWater);
    QFETCH(bool, found);
    QFETCH(double, beforeTime);
    QFETCH(double, afterTime);
    QFETCH(double, elapsed);
    QFETCH(double, depthChange);
    QFETCH(double, ceilingChange);
    QFETCH(double, ppO2);
    QFETCH(double, trace);

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
    p.freshWater = freshWater;
    p.ceilingTrace = { { 0, 0, 0 }, { 100, 10, 0 }, { 200, 4, 0 } };
    p.ascentSamples = { sampleAt(300, 9), sampleAt(360, 6) };

    const PositionInfo info = p.positionInfo(t, ascentList);
    const double tolerance = 1e-9;
    QCOMPARE(info.found, found);
    QCOMPARE(info.before.time, beforeTime);
    QCOMPARE(info.after.time, afterTime);
    QCOMPARE(info.elapsedS, elapsed);
    QVERIFY(std::fabs(info.depthChange - depthChange) < tolerance);
    QVERIFY(std::fabs(info.ceilingChange - ceilingChange) < tolerance);
    QVERIFY2(std::fabs(info.ppO2 - ppO2) < tolerance,
        qPrintable(QStringLiteral("ppO2 %1, expected %2").arg(info.ppO2).arg(ppO2)));
    QVERIFY(std::fabs(info.traceCeiling - trace) < 1e-6);
}

void TestDiveProfile::positionInfoGas_data()
{
    QTest::addColumn<QList<int>>("gasO2");
    QTest::addColumn<int>("gasIndex");
    QTest::addColumn<double>("fraction");
    QTest::newRow("valid index") << QList<int> { 32, 50 } << 1 << 0.50;
    QTest::newRow("unknown takes the first gas") << QList<int> { 32, 50 } << -1 << 0.32;
    QTest::newRow("index past the list takes the first gas") << QList<int> { 32, 50 } << 2 << 0.32;
    QTest::newRow("huge index") << QList<int> { 32, 50 } << 1000000 << 0.32;
    QTest::newRow("no gases is air") << QList<int> {} << 0 << 0.21;
}

void TestDiveProfile::positionInfoGas()
{
    QFETCH(QList<int>, gasO2);
    QFETCH(int, gasIndex);
    QFETCH(double, fraction);
    DiveProfile p = profileOf({ 0, 60 }, { 0, 20 });
    p.samples[0].gasIndex = gasIndex;
    for (int o2 : gasO2) {
        DiveGas g;
        g.o2 = o2;
        p.gases.append(g);
    }
    p.surfacePressure = 1.0;
    const PositionInfo info = p.positionInfo(60, false);
    QVERIFY(std::fabs(info.ppO2 - pressureAt(20, 1.03, 1.0) * fraction) < 1e-9);

    // Equal sample times: no division by zero.
    DiveProfile q = profileOf({ 0, 0 }, { 5, 10 });
    const PositionInfo same = q.positionInfo(0, false);
    QVERIFY(same.found);
    QCOMPARE(same.depthChange, 0.0);
    QCOMPARE(same.ppO2, 0.0);
}

void TestDiveProfile::cutSelection_data()
{
    QTest::addColumn<Doubles>("times");
    QTest::addColumn<Doubles>("depths");
    QTest::addColumn<int>("t1");
    QTest::addColumn<int>("t2");
    QTest::addColumn<Doubles>("cutTimes");
    QTest::addColumn<Doubles>("cutDepths");
    QTest::addColumn<Doubles>("cutSpeeds");

    // At 20 m throughout: D = 2 x 20 = 40, shift 40 - 100 = -60, end 40 + 100 = 140,
    // surfacing 6 x 20 = 120 s later at 260; only the surfacing moves: 60/120 x -20 = -10.
    const Doubles flat { 0, 50, 100, 150, 200, 250 };
    const Doubles at20 { 20, 20, 20, 20, 20, 20 };
    QTest::newRow("flat at 20 m") << flat << at20 << 100 << 200 << Doubles { 0, 40, 90, 140, 260 }
                                  << Doubles { 20, 20, 20, 20, 0 } << Doubles { 0, 0, 0, 0, -10 };

    // Depth at 90 is 15 (D = 30, shift -60), at 210 is 15 (A = 90).
    // Speeds: 60/30*15 = 30, 60/30*5 = 10, 0, 60/30*-5 = -10, 60/90*-15 = -10.
    const Doubles dive { 0, 60, 120, 180, 240, 300 };
    const Doubles diveDepths { 0, 10, 20, 20, 10, 0 };
    QTest::newRow("middle of a dive")
        << dive << diveDepths << 90 << 210 << Doubles { 0, 30, 60, 120, 150, 240 }
        << Doubles { 0, 15, 20, 20, 15, 0 } << Doubles { 0, 30, 10, 0, -10, -10 };
    QTest::newRow("reversed bounds")
        << dive << diveDepths << 210 << 90 << Doubles { 0, 30, 60, 120, 150, 240 }
        << Doubles { 0, 15, 20, 20, 15, 0 } << Doubles { 0, 30, 10, 0, -10, -10 };
    // Starting at the surface: D would be 0, the first sample's time: moved to 1 s.
    // Depth at 90 is 15: end at 1 + 90 = 91, surfacing 90 s later.
    QTest::newRow("from the surface, no two samples at 0")
        << dive << diveDepths << 0 << 90 << Doubles { 0, 1, 61, 91, 181 }
        << Doubles { 0, 0, 10, 15, 0 } << Doubles { 0, 0, 10, 10, -10 };
    // Outside the dive the bounds are clamped to 0..300; the end depth is 0 so surfacing
    // takes the minimum 1 s.
    QTest::newRow("bounds outside the dive")
        << dive << diveDepths << -100 << 1000 << Doubles { 0, 1, 61, 121, 181, 241, 301, 302 }
        << Doubles { 0, 0, 10, 20, 20, 10, 0, 0 } << Doubles { 0, 0, 10, 10, 0, -10, -10, 0 };
}

void TestDiveProfile::cutSelection()
{
    QFETCH(Doubles, times);
    QFETCH(Doubles, depths);
    QFETCH(int, t1);
    QFETCH(int, t2);
    QFETCH(Doubles, cutTimes);
    QFETCH(Doubles, cutDepths);
    QFETCH(Doubles, cutSpeeds);

    DiveProfile p = profileOf(times, depths);
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
    const DiveProfile cut = p.cutSelection(t1, t2);
    QCOMPARE(cut.samples.size(), cutTimes.size());
    for (int i = 0; i < cutTimes.size(); ++i) {
        const DiveSample& s = cut.samples.at(i);
        QVERIFY2(std::fabs(s.time - cutTimes.at(i)) < 1e-9, qPrintable(QString::number(i)));
        QVERIFY2(std::fabs(s.depth - cutDepths.at(i)) < 1e-9, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY2(std::fabs(s.speed - cutSpeeds.at(i)) < 1e-9, qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY(s.time > cut.samples.at(i - 1).time);
    }
    // The made-up points take the water's temperature where the dive was cut (the bounds
    // clamped to the dive); the inner samples keep theirs.
    const double from = std::clamp(double(std::min(t1, t2)), times.first(), times.last());
    const double to = std::clamp(double(std::max(t1, t2)), times.first(), times.last());
    QVERIFY(std::fabs(cut.samples.at(1).temperature - temperatureAt(from)) < 1e-9);
    QVERIFY(
        std::fabs(cut.samples.at(cut.samples.size() - 2).temperature - temperatureAt(to)) < 1e-9);
    QVERIFY(std::fabs(cut.samples.last().temperature - temperatureAt(to)) < 1e-9);
    QCOMPARE(cut.samples.at(1).gasIndex, 0);
    // The cut is still that dive: its name, computer and gases, starting when the window did.
    QCOMPARE(cut.name, QString("source"));
    QCOMPARE(cut.computer, QString("Veltra"));
    QCOMPARE(cut.gases.size(), 1);
    QCOMPARE(cut.dateTime, qint64(1000000 + from - cut.samples.at(1).time));
}

void TestDiveProfile::rapidAscent_data()
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

void TestDiveProfile::rapidAscent()
{
    QFETCH(Doubles, times);
    QFETCH(Doubles, depths);
    QFETCH(double, markedTime);
    DiveProfile p = profileOf(times, depths);
    p.computeStatistics();
    p.computeSpeeds(false);
    p.markRapidAscent();
    int marks = 0;
    for (const DiveSample& s : p.samples) {
        if (DiveProfile::alertLevel(s, SampleAlertRapidAscent)) {
            ++marks;
            QCOMPARE(s.time, markedTime);
        }
    }
    QCOMPARE(marks, markedTime < 0 ? 0 : 1);
}

void TestDiveProfile::rapidAscentRepeatedLeavesOneMark()
{
    DiveProfile p = profileOf(
        { 0, 60, 120, 180, 186, 192, 198, 204, 210, 216 }, { 0, 30, 23, 16, 14, 12, 10, 8, 6, 4 });
    // Old marks everywhere plus a ceiling level the analysis must keep.
    for (DiveSample& s : p.samples)
        s.alertFlags = 0x04 | 0x01;
    p.computeStatistics();
    p.computeSpeeds(false);
    p.markRapidAscent();
    p.markRapidAscent();
    for (const DiveSample& s : p.samples) {
        QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertRapidAscent)), s.time == 210 ? 1 : 0);
        QCOMPARE(int(DiveProfile::alertLevel(s, SampleAlertCeiling)), 1);
    }
}

void TestDiveProfile::yoyo_data()
{
    QTest::addColumn<Doubles>("depths"); // one sample a minute
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("markSamples");
    QTest::addColumn<Doubles>("markerTimes");
    QTest::addColumn<Doubles>("markerDepths");
    QTest::addColumn<QList<int>>("markerLevels");
    QTest::addColumn<QList<int>>("sampleLevels");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("invalid");

    // 25 m, up to 14 (tracking, M = 14), up to 8 (M = 8), down to 19 (19 - 8 >= 10: yoyo 1),
    // up to 5 (19 - 5 >= 10: tracking, M = 5), down to 16 (yoyo 2), surface.
    // Crossings of M + 10: 18 m between (180, 8) and (240, 19): 180 + 60 x 10/11;
    // 15 m between (300, 5) and (360, 16): 300 + 60 x 10/11.
    const Doubles twoYoyos { 0, 25, 14, 8, 19, 5, 16, 0 };
    const double cross1 = 180 + 600.0 / 11;
    const double cross2 = 300 + 600.0 / 11;
    // Mode 0: deepest 25 is past the 20 m limit: levels 2 then 3.
    QTest::newRow("mode 0, events")
        << twoYoyos << 0 << false << Doubles { cross1, cross2 } << Doubles { 18, 15 }
        << QList<int> { 2, 3 } << QList<int> { 0, 0, 0, 0, 2, 0, 3, 0 } << 2 << 0;
    // Mode 1: 25 m is within the 29 m limit: levels min(K, 3) = 1 then 2.
    QTest::newRow("mode 1, events")
        << twoYoyos << 1 << false << Doubles { cross1, cross2 } << Doubles { 18, 15 }
        << QList<int> { 1, 2 } << QList<int> { 0, 0, 0, 0, 1, 0, 2, 0 } << 2 << 0;
    QTest::newRow("marking samples")
        << twoYoyos << 0 << true << Doubles {} << Doubles {} << QList<int> {}
        << QList<int> { 0, 0, 0, 0, 3, 0, 3, 0 } << 2 << 1;
    // Mode 1 needs a dive deeper than 16 m.
    QTest::newRow("too shallow for mode 1")
        << Doubles { 0, 15, 4, 15, 0 } << 1 << false << Doubles {} << Doubles {} << QList<int> {}
        << QList<int> { 0, 0, 0, 0, 0 } << 0 << 0;
    // Deeper than 35 m: two events at the crossing of 28 + 10 = 38 m, between (120, 28) and
    // (180, 40): 120 + 60 x 10/12 = 170; the sample keeps the last level.
    QTest::newRow("deeper than 35 m")
        << Doubles { 0, 40, 28, 40, 0 } << 0 << false << Doubles { 170, 170 } << Doubles { 38, 38 }
        << QList<int> { 2, 3 } << QList<int> { 0, 0, 0, 3, 0 } << 1 << 0;
    // Four yoyos between 30 and 18 m: the count saturates at 3.
    QTest::newRow("four yoyos") << Doubles { 0, 30, 18, 30, 18, 30, 18, 30, 18, 30, 0 } << 0 << true
                                << Doubles {} << Doubles {} << QList<int> {}
                                << QList<int> { 0, 0, 0, 3, 0, 3, 0, 3, 0, 3, 0 } << 3 << 1;
}

void TestDiveProfile::yoyo()
{
    QFETCH(Doubles, depths);
    QFETCH(int, mode);
    QFETCH(bool, markSamples);
    QFETCH(Doubles, markerTimes);
    QFETCH(Doubles, markerDepths);
    QFETCH(QList<int>, markerLevels);
    QFETCH(QList<int>, sampleLevels);
    QFETCH(int, count);
    QFETCH(int, invalid);

    Doubles times;
    for (int i = 0; i < depths.size(); ++i)
        times.append(60.0 * i);
    DiveProfile p = profileOf(times, depths);
    p.alerts = 0x40000001; // other alert bits are carried unchanged
    p.detectYoyo(mode, markSamples);

    QCOMPARE(p.yoyoMarkers.size(), markerTimes.size());
    for (int i = 0; i < markerTimes.size(); ++i) {
        const ProfileMarker& m = p.yoyoMarkers.at(i);
        QVERIFY2(std::fabs(m.time - markerTimes.at(i)) < 1e-3,
            qPrintable(QStringLiteral("%1 vs %2").arg(m.time).arg(markerTimes.at(i))));
        QVERIFY(std::fabs(m.depth - markerDepths.at(i)) < 1e-4);
        QCOMPARE(m.level, markerLevels.at(i));
    }
    for (int i = 0; i < sampleLevels.size(); ++i)
        QCOMPARE(yoyoLevel(p.samples.at(i)), sampleLevels.at(i));
    QCOMPARE(int((p.alerts >> 26) & 3), count);
    QCOMPARE(p.alerts & ~(3u << 26), 0x40000001u);
    QCOMPARE(int(p.invalidDiveCode), invalid);
}

void TestDiveProfile::yoyoRepeatedLeavesNoStaleCount()
{
    DiveProfile p = profileOf({ 0, 60, 120, 180 }, { 0, 30, 25, 0 });
    p.alerts = 3u << 26;
    for (DiveSample& s : p.samples)
        s.alertFlags = 0x30;
    p.yoyoMarkers.append({ 1, 1, 1 });
    p.detectYoyo(0, false);
    QCOMPARE((p.alerts >> 26) & 3, 0u);
    QVERIFY(p.yoyoMarkers.isEmpty());
    for (const DiveSample& s : p.samples)
        QCOMPARE(yoyoLevel(s), 0);
}

void TestDiveProfile::gasName_data()
{
    QTest::addColumn<int>("o2");
    QTest::addColumn<int>("he");
    QTest::addColumn<QString>("name");
    QTest::newRow("air") << 21 << 0 << "Air";
    QTest::newRow("22 % is nitrox") << 22 << 0 << "Nx22";
    QTest::newRow("oxygen") << 100 << 0 << "Oxy";
    QTest::newRow("hypoxic without helium") << 20 << 0 << "Invalid";
    QTest::newRow("normoxic trimix low o2") << 21 << 35 << "Tx21/35";
    QTest::newRow("hypoxic trimix") << 18 << 45 << "Tx18/45";
    QTest::newRow("triox") << 30 << 30 << "Triox30/30";
    QTest::newRow("heliox, no nitrogen") << 22 << 78 << "Hx22/78";
    QTest::newRow("one percent helium is trimix") << 21 << 1 << "Tx21/1";
}

void TestDiveProfile::gasName()
{
    QFETCH(int, o2);
    QFETCH(int, he);
    QFETCH(QString, name);
    DiveGas gas;
    gas.o2 = o2;
    gas.he = he;
    QCOMPARE(DiveProfile::gasName(gas), name);
    QCOMPARE(gas.name, name);
}

QTEST_GUILESS_MAIN(TestDiveProfile)
#include "tst_diveprofile.moc"
