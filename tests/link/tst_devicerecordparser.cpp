// Dive list and sample replies, decoded from bytes written out by hand in the computer's layout,
// and their conversion into a DiveProfile checked against values worked out by hand.

#include "link/devicerecordparser.h"
#include "link/diveconversion.h"

#include <QTest>

namespace {

// Appends little-endian values, independently of the decoder's own reader.
struct Bytes
{
    QByteArray b;
    Bytes& u8(int v)
    {
        b.append(char(v & 0xFF));
        return *this;
    }
    Bytes& u16(int v) { return u8(v).u8(v >> 8); }
    Bytes& u32(quint32 v) { return u16(int(v & 0xFFFF)).u16(int(v >> 16)); }
    Bytes& i64(qint64 v)
    {
        return u32(quint32(quint64(v) & 0xFFFFFFFF)).u32(quint32(quint64(v) >> 32));
    }
    Bytes& fill(int n, int v = 0)
    {
        for (int i = 0; i < n; ++i)
            u8(v);
        return *this;
    }
};

// A header reply for (format, variant) with every field given a value that tells it apart.
// Fields follow the wire order of the dive list reply.
QByteArray headerReply(int format, quint32 variant, int number = 300, int diveMode = 3)
{
    Bytes w;
    w.u8(19);
    if (format == 0)
        w.u16(number);
    else
        w.u16(0x8000 | format).u16(number);
    w.u8(0xA1).u8(diveMode).u8(30).u8(85).u16(1025).u16(1013);
    for (int i = 0; i < 16; ++i)
        w.u16(0x100 + i).u16(0x200 + i);
    const bool wide = format >= 5;
    if (wide)
        w.u16(0x0805);
    else
        w.u8(0x05);
    for (int i = 0; i < (wide ? 12 : 8); ++i)
        w.u8(21 + i).u8(i);
    w.u8(0xB2).u16(0xB3B4);
    if (variant != 2)
        w.u16(0xC1C2).u16(0xC3C4);
    else
        w.fill(3, 0xEE).u16(0xC1C2).fill(3, 0xEE).u16(0xC3C4).fill(3, 0xEE);
    w.u32(720).u32(0x0000000C);
    if (format != 0 && variant == 1)
        w.u16(0x0102);
    w.i64(1700000000).u16(0xD1D2).u16(423);
    w.u16(1).u8(2).u8(3).u32(4).u16(5).u32(6).u32(7).u16(8).u16(9).u16(10);
    w.i64(1700003600).u32(11).u32(12).u32(13);
    if (format != 0) {
        w.u8(0x55).u16(0x6677);
        if (format >= 6 && variant == 1)
            w.u8(0x88).u16(0x99AA);
    }
    return w.b;
}

} // namespace

class TestDeviceRecordParser : public QObject
{
    Q_OBJECT

private slots:
    void headerLayouts_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<quint32>("variant");
        QTest::addColumn<int>("length"); // counted by hand from the field list
        QTest::addColumn<int>("expectedMode");
        QTest::addColumn<int>("gasSlots");
        QTest::addColumn<int>("alertExtra");
        QTest::addColumn<int>("lastByte");
        QTest::addColumn<int>("lastWord");

        QTest::newRow("format0 variant1") << 0 << 1u << 163 << 3 << 8 << 0 << 0 << 1;
        QTest::newRow("format0 variant2: mode 3 becomes 5")
            << 0 << 2u << 172 << 5 << 8 << 0 << 0 << 1;
        QTest::newRow("format5 variant2 (0x8005)")
            << 5 << 2u << 186 << 5 << 12 << 0 << 0x55 << 0x6677;
        QTest::newRow("format4 variant1: narrow gases, alertExtra")
            << 4 << 1u << 170 << 3 << 8 << 0x0102 << 0x55 << 0x6677;
        QTest::newRow("format6 variant1: last pair replaced")
            << 6 << 1u << 182 << 3 << 12 << 0x0102 << 0x88 << 0x99AA;
        QTest::newRow("format6 variant2: no replacement")
            << 6 << 2u << 186 << 5 << 12 << 0 << 0x55 << 0x6677;
    }

    void headerLayouts()
    {
        QFETCH(int, format);
        QFETCH(quint32, variant);
        QFETCH(int, length);
        QFETCH(int, expectedMode);
        QFETCH(int, gasSlots);
        QFETCH(int, alertExtra);
        QFETCH(int, lastByte);
        QFETCH(int, lastWord);

        const QByteArray body = headerReply(format, variant);
        QCOMPARE(body.size(), length);
        QCOMPARE(diveHeaderReplyLength(format, variant), length);

        DiveHeader h;
        QCOMPARE(parseDiveHeaderReply(body, variant, h), HeaderParseStatus::Ok);
        QCOMPARE(h.computerType, variant);
        QCOMPARE(h.number, quint16(300));
        QCOMPARE(int(h.diveMode), expectedMode);
        QCOMPARE(h.gfLow, quint8(30));
        QCOMPARE(h.gfHigh, quint8(85));
        QCOMPARE(h.waterDensity, quint16(1025));
        QCOMPARE(h.surfacePressureMbar, quint16(1013));
        QCOMPARE(h.wordsA[15], quint16(0x10F));
        QCOMPARE(int(h.gasMask), gasSlots == 12 ? 0x0805 : 0x05);
        QCOMPARE(int(h.gasO2[gasSlots - 1]), 21 + gasSlots - 1);
        QCOMPARE(int(h.gasHe[gasSlots - 1]), gasSlots - 1);
        if (gasSlots == 8)
            QCOMPARE(int(h.gasO2[8]), 0);
        QCOMPARE(h.byteAfterGases, quint8(0xB2));
        QCOMPARE(h.wordsAfterGases[0], quint16(0xB3B4));
        QCOMPARE(h.wordsAfterGases[1], quint16(0xC1C2));
        QCOMPARE(h.wordsAfterGases[2], quint16(0xC3C4));
        QCOMPARE(h.sampleCount, 720u);
        QCOMPARE(h.alertWord, 0x0Cu);
        QCOMPARE(int(h.alertExtra), alertExtra);
        QCOMPARE(h.startTime, qint64(1700000000));
        QCOMPARE(h.maxDepthDm, quint16(423));
        QCOMPARE(h.endTime, qint64(1700003600));
        QCOMPARE(h.wordsAfterEnd[2], 13u);
        QCOMPARE(int(h.byteAfterPeriod), lastByte);
        QCOMPARE(int(h.wordAfterPeriod), lastWord);
        QCOMPARE(h.period, quint8(5)); // never on the wire
    }

    void headerRefusesShortOrForeignBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<quint32>("variant");
        QTest::addColumn<HeaderParseStatus>("status");

        const QByteArray full = headerReply(5, 2);
        QTest::newRow("empty") << QByteArray() << 2u << HeaderParseStatus::NotAHeader;
        QTest::newRow("other code")
            << QByteArray(full).replace(0, 1, "\x14") << 2u << HeaderParseStatus::NotAHeader;
        QTest::newRow("code only") << QByteArray("\x13") << 2u << HeaderParseStatus::Truncated;
        QTest::newRow("one byte short")
            << full.left(full.size() - 1) << 2u << HeaderParseStatus::Truncated;
        QTest::newRow("cut in the gases") << full.left(90) << 2u << HeaderParseStatus::Truncated;
        QTest::newRow("variant1 layout read as variant2")
            << headerReply(0, 1) << 2u << HeaderParseStatus::Truncated;
        QTest::newRow("trailing bytes are ignored")
            << full + QByteArray(20, '\x7F') << 2u << HeaderParseStatus::Ok;
    }

    void headerRefusesShortOrForeignBodies()
    {
        QFETCH(QByteArray, body);
        QFETCH(quint32, variant);
        QFETCH(HeaderParseStatus, status);

        DiveHeader h;
        h.number = 4242;
        QCOMPARE(parseDiveHeaderReply(body, variant, h), status);
        if (status != HeaderParseStatus::Ok)
            QCOMPARE(h.number, quint16(4242)); // untouched
    }

    void samples_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<bool>("tissues");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("recordLength");
        // Of the last sample: depth (dm), ceiling, temperature (C), then in hexadecimal the flag,
        // alert and status bytes and the extra word, then tissue 15.
        QTest::addColumn<QString>("last");

        // Format 0, no marker: 6-byte records. Byte 0 low nibble 0xB -> flag bits 1-4 = 0x16.
        // High nibble and bits above 11 of the words are not data.
        QTest::newRow("format0 6-byte records") << QByteArray::fromHex("0b7b00140017"
                                                                       "fb7bf0f4ff37")
                                                << false << 2 << 6 << "123 -12 23 16 0 0 0 0";
        // 0x80 0x02: 10-byte records with extra word, alert and status bytes.
        QTest::newRow("format2 10-byte records") << QByteArray::fromHex("8002"
                                                                        "0f2c01140010bbaa0307")
                                                 << false << 1 << 10 << "300 20 16 1e 3 7 aabb 0";
        QTest::newRow("format2 with tissues 26-byte records")
            << QByteArray::fromHex("8002"
                                   "0864000000020100ff01"
                                   "0102030405060708090a0b0c0d0e0f10")
            << true << 1 << 26 << "100 0 2 10 ff 1 1 16";
        QTest::newRow("format1 8-byte records") << QByteArray::fromHex("8001"
                                                                       "01c800f40f053412")
                                                << false << 1 << 8 << "200 -12 5 2 0 0 1234 0";
        QTest::newRow("format 9 reads as 10-byte records") << QByteArray::fromHex(
            "8009"
            "00320000000a00000000") << false << 1 << 10 << "50 0 10 0 0 0 0 0";
        QTest::newRow("empty stream") << QByteArray() << false << 0 << 0 << QString();
        QTest::newRow("marker only, no record")
            << QByteArray::fromHex("8002") << false << 0 << 10 << QString();
    }

    void samples()
    {
        QFETCH(QByteArray, stream);
        QFETCH(bool, tissues);
        QFETCH(int, count);
        QFETCH(int, recordLength);
        QFETCH(QString, last);
        QList<DeviceSample> out;
        const SampleDecodeResult r = decodeDeviceSamples(stream, tissues, out);
        QCOMPARE(out.size(), count);
        QCOMPARE(r.droppedBytes, 0);
        if (count == 0)
            return;
        QCOMPARE(r.recordLength, recordLength);
        QCOMPARE(r.status, SampleDecodeStatus::Ok);
        const DeviceSample& s = out.last();
        QCOMPARE(QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
                     .arg(s.depthDm())
                     .arg(s.ceilingValue())
                     .arg(s.temperatureC())
                     .arg(int(s.flagByte), 0, 16)
                     .arg(int(s.alertByte), 0, 16)
                     .arg(int(s.statusByte), 0, 16)
                     .arg(int(s.extraWord), 0, 16)
                     .arg(int(s.tissues[15])),
            last);
        QCOMPARE(s.depthWord & 0xF000, 0);
        QCOMPARE(s.ceilingWord & 0xF000, 0);
        QCOMPARE(s.temperatureByte & ~0x7C, 0);
    }

    void sampleDepthGlitch()
    {
        // Depth field 4001 (0x0FA1): first sample -> 0, after 12.3 m -> 12.3 m again.
        QList<DeviceSample> out;
        decodeDeviceSamples(QByteArray::fromHex("00a10f000000"
                                                "007b00000000"
                                                "00a10f000000"),
            false, out);
        QCOMPARE(out.size(), 3);
        QCOMPARE(out[0].depthDm(), 0);
        QCOMPARE(out[1].depthDm(), 123);
        QCOMPARE(out[2].depthDm(), 123);
        // 4000 itself is a valid depth.
        out.clear();
        decodeDeviceSamples(QByteArray::fromHex("00a00f000000"), false, out);
        QCOMPARE(out[0].depthDm(), 4000);
    }

    void sampleStreamCutInsideRecord()
    {
        // Two whole 10-byte records and 3 bytes of a third: the tail is dropped, never read past.
        QByteArray stream
            = QByteArray::fromHex("8002") + QByteArray(20, '\x01') + QByteArray(3, '\x02');
        QList<DeviceSample> out;
        SampleDecodeResult r = decodeDeviceSamples(stream, false, out);
        QCOMPARE(out.size(), 2);
        QCOMPARE(r.status, SampleDecodeStatus::PartialTail);
        QCOMPARE(r.droppedBytes, 3);
        QVERIFY(sampleDecodeResultText(r).contains("3 bytes"));

        out.clear();
        r = decodeDeviceSamples(QByteArray("\x80", 1), false, out);
        QCOMPARE(r.status, SampleDecodeStatus::MissingFormat);
        QVERIFY(out.isEmpty());

        // Fewer bytes than one record: nothing decoded, all dropped.
        out.clear();
        r = decodeDeviceSamples(QByteArray::fromHex("0102"), true, out);
        QCOMPARE(r.status, SampleDecodeStatus::PartialTail);
        QCOMPARE(r.droppedBytes, 2);
        QVERIFY(out.isEmpty());
    }

    void convertsHeaderGasesAndSamples()
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
        QCOMPARE(d.serial, QString("0001-02"));
        QCOMPARE(d.diveMode, 5u);
        QCOMPARE(d.alerts, 0x0Cu);
        QCOMPARE(d.alertExtra, quint8(3)); // low byte 0x07, two bits kept
        QVERIFY(qAbs(d.surfacePressure - 1.013) < 1e-12);
        QCOMPARE(d.gfLow, quint8(30));
        QCOMPARE(d.gfHigh, quint8(85));
        QCOMPARE(d.dateTime, qint64(1700000000));

        QCOMPARE(d.gases.size(), 2);
        QCOMPARE(d.gases[0].o2, 32);
        QCOMPARE(d.gases[1].o2, 50);

        QCOMPARE(d.samples.size(), 3);
        QCOMPARE(d.samples[1].time, 5.0);
        QCOMPARE(d.samples[0].temperature, 23.0);
        QVERIFY(qAbs(d.samples[1].depth - 12.3) < 1e-9);
        QVERIFY(qAbs(d.samples[2].depth - 20.0) < 1e-9);
        // The no-decompression limit stays a negative ceiling in the downloaded form.
        QCOMPARE(d.samples[1].decoCeiling, -12.0);
        QVERIFY(qAbs(d.samples[2].decoCeiling - 2.0) < 1e-9);
        // 0-based indexes into gases; a slot the header does not use is unknown.
        QCOMPARE(d.samples[0].gasIndex, 0);
        QCOMPARE(d.samples[1].gasIndex, -1);
        QCOMPARE(d.samples[2].gasIndex, 1);
        QCOMPARE(d.samples[1].alertFlags, quint8(3));
        QCOMPARE(d.samples[1].statusFlags, quint8(0x40));
        QCOMPARE(d.samples[2].tissues[15], quint8(17));
        // Statistics and speeds: 12.3 m in 5 s is 147.6 m/min; 7.7 m in 5 s is 92.4 m/min.
        QVERIFY(qAbs(d.maxDepth - 20.0) < 1e-9);
        QVERIFY(qAbs(d.samples[1].speed - 147.6) < 1e-9);
        QVERIFY(qAbs(d.samples[2].speed - 92.4) < 1e-9);
        QCOMPARE(d.samples[2].isMaxDepth, quint8(1));
    }

    void waterAndComputerType()
    {
        // Up to 1020 g/l is fresh water; a computer type other than 1 or 2 is left 0.
        DiveHeader h;
        h.waterDensity = 1020;
        h.computerType = 7;
        const DiveProfile d = convertDownloadedDive(h, {}, {});
        QCOMPARE(d.freshWater, 1u);
        QCOMPARE(d.computerType, 0u);
        QVERIFY(d.samples.isEmpty());
        h.waterDensity = 1021;
        QCOMPARE(convertDownloadedDive(h, {}, {}).freshWater, 0u);
    }
};

QTEST_GUILESS_MAIN(TestDeviceRecordParser)
#include "tst_devicerecordparser.moc"
