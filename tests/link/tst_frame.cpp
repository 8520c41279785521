// Frame decoding and CRC; the identity, serial number and settings replies; dive list and sample
// replies and their conversion into a DiveProfile, from bytes written out by hand in the
// computer's layout; the replay of the fuzz targets' kept inputs for the decoders.

#include "fileio/binarydiveparser.h"
#include "link/computerinfo.h"
#include "link/deviceframe.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/virtualdivecomputer.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Frames built by the virtual computer, whose table CRC is written apart from the link's.
static QByteArray vframe(quint8 code, const QByteArray& payload = {})
{
    return VirtualDiveComputer::frame(code, payload);
}

struct Event
{
    char kind; // 'F' frame, 'C' bad CRC, 'L' bad length
    quint8 code;
    QByteArray body;
};

static QList<Event> drain(FrameDecoder& d)
{
    QList<Event> events;
    for (int guard = 0; guard < 100000; ++guard) {
        QByteArray body;
        quint8 code = 0;
        const auto st = d.next(&body, &code);
        if (st == FrameDecoder::Status::NeedMore)
            return events;
        events.append({ st == FrameDecoder::Status::Frame ? 'F'
                : st == FrameDecoder::Status::BadCrc      ? 'C'
                                                          : 'L',
            code, body });
    }
    qFatal("decoder does not make progress");
}

static QString kinds(const QList<Event>& events)
{
    QString s;
    for (const Event& e : events)
        s += QLatin1Char(e.kind) + QString::number(e.code) + QLatin1Char(' ');
    return s.trimmed();
}

namespace {

// Builds a settings body from the field lists of the protocol, independently of the parser.
// Every numeric field gets a distinct value; the test then checks that the parser met the named
// fields where they are and walked the whole list (last field, field count).
struct SettingsBuilder
{
    QByteArray b;
    int fields = 0;
    quint64 last = 0;
    int next = 1;

    SettingsBuilder& put(quint64 v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        last = v;
        ++fields;
        return *this;
    }
    SettingsBuilder& u8(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            put(quint8(next++), 1);
        return *this;
    }
    SettingsBuilder& u16(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            put(0x2000 + next++, 2);
        return *this;
    }
    SettingsBuilder& u64() { return put(0x0102030405060000ULL + next++, 8); }
    SettingsBuilder& raw(int n) { return b.append(QByteArray(n, 'r')), *this; }
    SettingsBuilder& text(const QByteArray& t)
    {
        b.append(t.leftJustified(32, '\0'));
        return *this;
    }
};

constexpr quint8 kWater = 0x77;
constexpr quint16 kSurface = 1002;

// Consecutive fields of one size are built by one call: u8(3) then u8(5) is u8(8).
SettingsBuilder buildSettings(int layout, int s, bool ext, int records = 2)
{
    SettingsBuilder x;
    x.b.append(char(ext ? 24 : 5));
    if (layout != 0 || s != 0) // else M below 255 is the first settings word itself
        x.b.append(char(s)).append(char(0x01)).append(char(layout)); // M = 0x0100 | s
    x.put(9, 2).u8(4).u16().put(kWater, 1).put(kSurface, 2).u8(2);
    if (layout < 2) {
        x.u8(8).u16(s > 12 ? 12 : 8).u8().u16(3).text("Blue Reef");
        x.u8(6).u16().u8(2).u64().text("other");
        if (!ext)
            return x;
        x.u64().put(quint8(records), 1).raw(records * 11);
        x.u64().u8().u16(8).u8(3).u64().u64().u8().u16(s >= 13 ? 9 : 3);
    } else if (layout == 2) {
        x.u8(9).u16(8).u8();
        for (int g = 0; g < 3; ++g)
            x.u16(2).u8();
        if (s >= 2)
            x.u16(8).raw(s >= 5 ? 3 : 0);
        x.text("Blue Reef").u8(5).u16().u8(2).u64().raw(76).text("other");
        if (!ext)
            return x;
        x.u16();
        x.b.append(char(0x55)); // overwritten by the next byte
        x.u8().u16(4).u8();
    }
    return x;
}

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

// A header reply for (format, variant), fields in wire order, each with a telling value.
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

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValues_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("crc");
        // Published check value of this CRC, and the value over "abc".
        QTest::newRow("check string") << QByteArray("123456789") << 0xE5CC;
        QTest::newRow("abc") << QByteArray("abc") << 0x8CDA;
        // The command byte 1 alone: the CRC in the GetInfo frame.
        QTest::newRow("single 0x01") << QByteArray(1, '\x01') << 0xDCBD;
        // No data: the register after 16 zero bits, the direct form's start value.
        QTest::newRow("empty") << QByteArray() << 0x1D0F;
    }

    void crcCheckValues()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, crc);
        QCOMPARE(frameCrc(data), quint16(crc));
        QCOMPARE(VirtualDiveComputer::crc16(data), quint16(crc));
    }

    void decoderCutsStreams_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QString>("events");
        QTest::addColumn<int>("left");

        const QByteArray info = vframe(1, QByteArray::fromHex("6203020115"));
        const QByteArray serial = vframe(3, QByteArray(12, 'x'));
        QByteArray badCrc = info;
        badCrc[4] = char(badCrc[4] ^ 0x40);
        QByteArray nonZeroByte6 = info;
        nonZeroByte6[6] = 1;
        QByteArray tooLong = info;
        tooLong[2] = 0x01;
        tooLong[3] = 0x02; // 513
        QByteArray zeroLength = info.left(8);
        zeroLength[2] = 0;
        zeroLength[3] = 0;
        // Its length runs past the good frame that follows.
        QByteArray lying = info.left(8);
        lying[2] = char(0x00);
        lying[3] = char(0x01); // 256

        using L = QList<QByteArray>;
        auto row = [](const char* tag, const L& pieces, const char* events, int left) {
            QTest::newRow(tag) << pieces << QString(events) << left;
        };
        row("one frame", { info }, "F1", 0);
        row("split into 20-byte pieces", { serial.left(20), serial.mid(20) }, "F3", 0);
        row("frame plus start of next", { info + serial.left(5) }, "F1", 5);
        row("garbage before marker", { QByteArray("\x00\x13\xDC\x42", 4) + info }, "F1", 0);
        // DC DC DC reads as a marker with a length above the limit: reported, then the real
        // frame one byte on is found.
        row("stray DC before marker", { QByteArray("\xDC", 1), info }, "L0 F1", 0);
        row("bad crc then good frame", { badCrc + serial }, "C1 F3", 0);
        row("non-zero byte 6", { nonZeroByte6 }, "C1", 0);
        row("length above 512 then good frame", { tooLong + serial }, "L1 F3", 0);
        row("length zero", { zeroLength + info }, "L220 F1", 0);
        row("lying length before good frame", { lying + info }, "C220 F1", 0);
        row("empty pieces", { QByteArray(), info.left(4), QByteArray(), info.mid(4) }, "F1", 0);
        row("garbage only", { QByteArray(100, 'a') }, "", 0);
        row("garbage ending in DC", { QByteArray("abc\xDC") }, "", 1);
    }

    void decoderCutsStreams()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QString, events);
        QFETCH(int, left);
        FrameDecoder d;
        QList<Event> all;
        for (const QByteArray& p : pieces) {
            d.append(p);
            all += drain(d);
        }
        QCOMPARE(kinds(all), events);
        QCOMPARE(int(d.buffered()), left);
        for (const Event& e : all) {
            if (e.kind == 'F')
                QCOMPARE(quint8(e.body[0]), e.code);
        }
    }

    void decoderBoundsBuffer()
    {
        // A marker with the largest legal length waits for at most 520 bytes; then the damaged
        // frame goes and the decoder holds nothing more than the tail after it.
        FrameDecoder d;
        QByteArray start = QByteArray::fromHex("dcdc0002") + QByteArray(4, '\0');
        d.append(start);
        QVERIFY(drain(d).isEmpty());
        d.append(QByteArray(600, 'z'));
        const QList<Event> events = drain(d);
        QCOMPARE(kinds(events), QStringLiteral("C122"));
        QCOMPARE(int(d.buffered()), 0);
    }

    void fuzzRegressions()
    {
        // Inputs kept from the decoder's fuzz target, replayed the way it reads them: the first
        // byte gives the notification size. Each must pass without a crash and stay bounded.
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/link"));
        const QStringList files = dir.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString& name : files) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadOnly));
            const QByteArray data = f.readAll();
            if (data.isEmpty())
                continue;
            const int piece = 1 + quint8(data[0]) % 64;
            FrameDecoder d;
            ComputerInfo info;
            for (qsizetype at = 1; at < data.size(); at += piece) {
                d.append(data.mid(at, piece));
                for (const Event& e : drain(d)) {
                    if (e.kind != 'F')
                        continue;
                    parseIdentity(e.body, info);
                    parseSerialNumber(e.body, info.modeDigit);
                    parseSettings(e.body, true);
                }
                QVERIFY(d.buffered() <= kFrameHeaderSize + kMaxFrameBody + piece);
            }
        }
    }

    void recordFuzzReplay_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/devicerecords"));
        const QStringList names = dir.entryList(QDir::Files);
        QVERIFY2(!names.isEmpty(), "no inputs in tests/data/fuzz/devicerecords");
        for (const QString& name : names)
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }

    void recordFuzzReplay()
    {
        // Inputs that once crashed or misled the device record decoders.
        QFETCH(QString, path);
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray input = f.readAll();
        if (input.isEmpty())
            return;
        const quint32 variant = quint8(input[0]) & 3;
        const bool tissues = quint8(input[0]) & 4;
        const QByteArray bytes = input.mid(1);

        DiveHeader header;
        parseDiveHeaderReply(QByteArray(1, char(19)) + bytes, variant, header);
        QList<DeviceSample> samples;
        const SampleDecodeResult r = decodeDeviceSamples(bytes, tissues, samples);
        // Every byte is the format marker, part of a whole record or counted as dropped: none is
        // lost silently.
        if (!bytes.isEmpty() && r.status != SampleDecodeStatus::MissingFormat) {
            const int marker = quint8(bytes[0]) == 0x80 ? 2 : 0;
            QCOMPARE(marker + samples.size() * r.recordLength + r.droppedBytes, bytes.size());
        }
        const DiveProfile dive = convertDownloadedDive(header, samples, {});
        QCOMPARE(dive.samples.size(), samples.size());
        const BinaryDiveContent content = parseBinaryDive(bytes);
        QVERIFY(qint64(content.samples.size()) * 28 <= qMax<qint64>(0, bytes.size() - 185));
    }

    void identity_data()
    {
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<int>("variantBefore");
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("modeDigit");
        QTest::addColumn<int>("mode");
        QTest::newRow("22: variant 2, firmware") << 22 << 0 << 2 << 2 << 2;
        QTest::newRow("12: variant 1, firmware") << 12 << 2 << 1 << 2 << 2;
        QTest::newRow("5 keeps earlier variant") << 5 << 2 << 2 << 5 << 0;
        QTest::newRow("10 keeps earlier variant") << 10 << 1 << 1 << 10 << 0;
        QTest::newRow("1 plain normal") << 1 << 0 << 0 << 1 << 1;
        QTest::newRow("35 subtracts twice only") << 35 << 0 << 2 << 15 << 0;
    }

    void identity()
    {
        QFETCH(int, modeByte);
        QFETCH(int, variantBefore);
        QFETCH(int, variant);
        QFETCH(int, modeDigit);
        QFETCH(int, mode);
        ComputerInfo info;
        info.variant = quint32(variantBefore);
        info.mode = 7;
        QByteArray body = QByteArray::fromHex("0162030201");
        body.append(char(modeByte));
        parseIdentity(body, info);
        QCOMPARE(info.variant, quint32(variant));
        QCOMPARE(int(info.modeDigit), modeDigit);
        QCOMPARE(info.mode, quint32(mode));
        QCOMPARE(info.versionWord, quint32(0x01020362));
        QCOMPARE(info.versionText, QStringLiteral("1.2.3.b"));

        // A reply cut after its code reads as zeros.
        ComputerInfo cut;
        parseIdentity(QByteArray(1, '\x01'), cut);
        QCOMPARE(cut.versionText, QStringLiteral("0.0.0."));
        QCOMPARE(cut.mode, quint32(0));
    }

    void serialNumber_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("modeDigit");
        QTest::addColumn<QString>("text");
        QTest::newRow("three words, upper case") << QByteArray::fromHex(
            "03c3b2a10004002517efbe0000") << 1 << QStringLiteral("00A1B2C3-17250004-0000BEEF");
        QTest::newRow("mode digit 0: six bytes reversed and a letter")
            << QByteArray::fromHex("030a0b0c0d0e0f4b") << 0 << QStringLiteral("0f0e-0d0c-0b0a-K");
        QTest::newRow("short body reads zeros")
            << QByteArray::fromHex("03ff") << 2 << QStringLiteral("000000FF-00000000-00000000");
    }

    void serialNumber()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, modeDigit);
        QFETCH(QString, text);
        QCOMPARE(parseSerialNumber(body, quint8(modeDigit)), text);
    }

    void settingsLayouts_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("subVersion");
        QTest::addColumn<bool>("extension");
        QTest::newRow("A short form, reply 24") << 0 << 0 << true;
        QTest::newRow("A short form, reply 5") << 0 << 0 << false;
        QTest::newRow("A s=12, reply 24") << 1 << 12 << true;
        QTest::newRow("A s=13 wide, reply 24") << 1 << 13 << true;
        QTest::newRow("B s=1, reply 24") << 2 << 1 << true;
        QTest::newRow("B s=2, reply 24") << 2 << 2 << true;
        QTest::newRow("B s=5, reply 24") << 2 << 5 << true;
        QTest::newRow("B s=5, reply 5") << 2 << 5 << false;
        QTest::newRow("layout 3: common block only") << 3 << 4 << true;
    }

    void settingsLayouts()
    {
        QFETCH(int, layout);
        QFETCH(int, subVersion);
        QFETCH(bool, extension);
        const SettingsBuilder x = buildSettings(layout, subVersion, extension);
        const ComputerSettings s = parseSettings(x.b, extension);
        QCOMPARE(int(s.layout), layout);
        QCOMPARE(int(s.subVersion), subVersion);
        QCOMPARE(s.firstWord, quint16(9));
        QCOMPARE(s.waterType, kWater);
        QCOMPARE(s.surfacePressureMbar, kSurface);
        QCOMPARE(s.computerNameText(), layout <= 2 ? QStringLiteral("Blue Reef") : QString());
        if (layout <= 2)
            QCOMPARE(s.secondText.left(5), QByteArray("other"));
        QCOMPARE(s.fields.size(), x.fields);
        QCOMPARE(s.fields.last(), x.last);
    }

    void settingsRecordCountBeyondBody()
    {
        // A record count that carries the reading position past the body: the rest reads as zero,
        // nothing is read beyond the body.
        SettingsBuilder x = buildSettings(1, 0, true, 2);
        const qsizetype countAt = x.b.indexOf(QByteArray("rrrrrrrrrrrrrrrrrrrrrr")) - 1;
        QVERIFY(countAt > 0);
        QByteArray body = x.b.left(countAt);
        body.append(char(0xFF));
        body.append(QByteArray(30, 'r'));
        const ComputerSettings s = parseSettings(body, true);
        QCOMPARE(s.computerNameText(), QStringLiteral("Blue Reef"));
        QCOMPARE(s.fields.last(), quint64(0));
    }

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
        // A first word below 0x8001 is the dive number itself (format 0): 0x8000 included.
        QTest::newRow("dive 0x8000") << headerReply(0, 2, 0x8000) << 2u << HeaderParseStatus::Ok;
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
        // Gas slots 0 (21/0) and 2 (23/2); slot 11 lies beyond the eight converted.
        DiveHeader h;
        QCOMPARE(parseDiveHeaderReply(headerReply(5, 1), 1, h), HeaderParseStatus::Ok);

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
        s[2].tissues[15] = 17;

        const DiveProfile d = convertDownloadedDive(h, s, { "1.2.3.b", "Veltra Blue", "0001-02" });
        QCOMPARE(d.computerType, 1u);
        QCOMPARE(d.firmwareVersion, QString("1.2.3.b"));
        QCOMPARE(d.name, QString("300"));
        QCOMPARE(d.serial, QString("0001-02"));
        QCOMPARE(d.diveMode, 3u);
        QCOMPARE(d.alerts, 0x0Cu);
        QCOMPARE(d.alertExtra, quint8(2)); // of 0x0102: the low byte's two bits
        QVERIFY(qAbs(d.surfacePressure - 1.013) < 1e-12);
        QCOMPARE(d.gfLow, quint8(30));
        QCOMPARE(d.gfHigh, quint8(85));
        QCOMPARE(d.dateTime, qint64(1700000000));

        QCOMPARE(d.gases.size(), 2);
        QCOMPARE(d.gases[0].o2, 21);
        QCOMPARE(d.gases[1].o2, 23);
        QCOMPARE(d.gases[1].he, 2);

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

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
