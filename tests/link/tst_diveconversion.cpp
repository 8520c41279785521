// Header plus decoded samples into a DiveProfile, checked against values worked out by hand.

#include "link/devicerecordparser.h"
#include "link/diveconversion.h"

#include <QTest>

class TestDiveConversion : public QObject
{
    Q_OBJECT

private slots:
    void convertsHeaderGasesAndSamples();
    void waterAndComputerType_data();
    void waterAndComputerType();
    void convertsADecodedStream();
};

void TestDiveConversion::convertsHeaderGasesAndSamples()
{
    DiveHeader h;
    h.computerType = 2;
    h.number = 300;
    h.diveMode = 5;
    h.gfLow = 30;
    h.gfHigh = 85;
    h.waterDensity = 1025;
    h.surfacePressureMbar = 1013;
    h.gasMask = 0x0205; // slots 0 and 2; slot 9 lies beyond the eight converted
    h.gasO2 = { 32, 99, 50, 0, 0, 0, 0, 0, 0, 18 };
    h.gasHe = { 0, 99, 0, 0, 0, 0, 0, 0, 0, 45 };
    h.alertWord = 0x0C;
    h.alertExtra = 0x0107;
    h.startTime = 1700000000;
    h.period = 5;

    QList<DeviceSample> s(3);
    s[0].flagByte = 0 << 3; // slot 0
    s[0].temperatureByte = 0x5C; // 23 C
    s[1].depthWord = 123;
    s[1].ceilingWord = 0xFF4; // 12 min without decompression
    s[1].flagByte = 1 << 3; // slot 1: not in use
    s[1].alertByte = 0x03;
    s[1].statusByte = 0x40;
    s[2].depthWord = 0xF0C8; // 20.0 m, upper bits ignored
    s[2].ceilingWord = 0x014; // 2.0 m
    s[2].flagByte = (2 << 3) | 0x06; // slot 2 plus other flag bits
    s[2].tissues[0] = 200;
    s[2].tissues[15] = 17;

    const DiveProfile d = convertDownloadedDive(h, s, { "1.2.3.b", "Veltra Blue", "0001-02" });
    QCOMPARE(d.computerType, 2u);
    QCOMPARE(d.firmwareVersion, QString("1.2.3.b"));
    QCOMPARE(d.name, QString("300"));
    QCOMPARE(d.origin, DiveOriginComputer);
    QCOMPARE(d.computer, QString("Veltra Blue"));
    QCOMPARE(d.serial, QString("0001-02"));
    QCOMPARE(d.diveMode, 5u);
    QCOMPARE(d.period, quint8(5));
    QCOMPARE(d.alerts, 0x0Cu);
    QCOMPARE(d.alertExtra, quint8(3)); // low byte 0x07, two bits kept
    QVERIFY(qAbs(d.surfacePressure - 1.013) < 1e-12);
    QCOMPARE(d.gfLow, quint8(30));
    QCOMPARE(d.gfHigh, quint8(85));
    QCOMPARE(d.freshWater, 0u);
    QCOMPARE(d.dateTime, qint64(1700000000));

    QCOMPARE(d.gases.size(), 2);
    QCOMPARE(d.gases[0].o2, 32);
    QCOMPARE(d.gases[1].o2, 50);
    QCOMPARE(d.gases[1].he, 0);

    QCOMPARE(d.samples.size(), 3);
    QCOMPARE(d.samples[0].time, 0.0);
    QCOMPARE(d.samples[1].time, 5.0);
    QCOMPARE(d.samples[2].time, 10.0);
    QCOMPARE(d.samples[0].temperature, 23.0);
    QVERIFY(qAbs(d.samples[1].depth - 12.3) < 1e-9);
    QVERIFY(qAbs(d.samples[2].depth - 20.0) < 1e-9);
    // The no-decompression limit stays a negative ceiling in the downloaded form.
    QCOMPARE(d.samples[1].decoCeiling, -12.0);
    QCOMPARE(d.samples[1].noDecoValue, quint16(0));
    QCOMPARE(ndlMinutes(d.samples[1]), 12);
    QCOMPARE(ceilingMetres(d.samples[1]), 0.0);
    QVERIFY(qAbs(d.samples[2].decoCeiling - 2.0) < 1e-9);
    // 0-based indexes into gases; a slot the header does not use is unknown.
    QCOMPARE(d.samples[0].gasIndex, 0);
    QCOMPARE(d.samples[1].gasIndex, -1);
    QCOMPARE(d.samples[2].gasIndex, 1);
    QCOMPARE(d.samples[1].alertFlags, quint8(3));
    QCOMPARE(d.samples[1].statusFlags, quint8(0x40));
    QCOMPARE(d.samples[2].tissues[0], quint8(200));
    QCOMPARE(d.samples[2].tissues[15], quint8(17));
    // Statistics and speeds: 12.3 m in 5 s is 147.6 m/min; 7.7 m in 5 s is 92.4 m/min.
    QVERIFY(qAbs(d.maxDepth - 20.0) < 1e-9);
    QCOMPARE(d.duration, 10.0);
    QVERIFY(qAbs(d.samples[1].speed - 147.6) < 1e-9);
    QVERIFY(qAbs(d.samples[2].speed - 92.4) < 1e-9);
    QCOMPARE(d.samples[2].isMaxDepth, quint8(1));
}

void TestDiveConversion::waterAndComputerType_data()
{
    QTest::addColumn<int>("density");
    QTest::addColumn<int>("computerType");
    QTest::addColumn<int>("fresh");
    QTest::addColumn<int>("type");
    QTest::newRow("1020 g/l is fresh") << 1020 << 1 << 1 << 1;
    QTest::newRow("1021 g/l is salt") << 1021 << 2 << 0 << 2;
    QTest::newRow("unknown computer type left 0") << 1000 << 7 << 1 << 0;
}

void TestDiveConversion::waterAndComputerType()
{
    QFETCH(int, density);
    QFETCH(int, computerType);
    QFETCH(int, fresh);
    QFETCH(int, type);
    DiveHeader h;
    h.waterDensity = quint16(density);
    h.computerType = quint32(computerType);
    const DiveProfile d = convertDownloadedDive(h, {}, {});
    QCOMPARE(int(d.freshWater), fresh);
    QCOMPARE(int(d.computerType), type);
    QVERIFY(d.samples.isEmpty());
}

void TestDiveConversion::convertsADecodedStream()
{
    // 0x80 0x02 stream with period 4: two records, times 0 and 4.
    QList<DeviceSample> samples;
    decodeDeviceSamples(QByteArray::fromHex("8002"
                                            "1ce8030000170000ff00"
                                            "1ca10f000017000000ff"),
        false, samples);
    DiveHeader h;
    h.period = 4;
    h.gasMask = 0x08; // slot 3 only
    h.gasO2[3] = 100;
    const DiveProfile d = convertDownloadedDive(h, samples, {});
    QCOMPARE(d.samples.size(), 2);
    QCOMPARE(d.samples[1].time, 4.0);
    QVERIFY(qAbs(d.samples[0].depth - 100.0) < 1e-9); // 0x3E8 dm
    QVERIFY(qAbs(d.samples[1].depth - 100.0) < 1e-9); // 4001 keeps the previous depth
    QCOMPARE(d.samples[0].gasIndex, 0); // nibble 0xC: flag bits 3-4 = 3, slot 3 is the first gas
    QCOMPARE(d.samples[0].temperature, 23.0);
    QCOMPARE(d.samples[0].alertFlags, quint8(0xFF));
    QCOMPARE(d.samples[1].statusFlags, quint8(0xFF));
}

QTEST_GUILESS_MAIN(TestDiveConversion)
#include "tst_diveconversion.moc"
