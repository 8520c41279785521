// Frame decoding and CRC; the identity, serial number and settings replies; the replay of the
// fuzz targets' kept inputs for the decoders.

#include "fileio/binarydiveparser.h"
#include "link/computerinfo.h"
#include "link/deviceframe.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/virtualdivecomputer.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Frames for the decoder are built by the virtual computer, whose CRC is the table form
// written separately from the link's bitwise one.
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

        QTest::newRow("one frame") << QList<QByteArray> { info } << "F1" << 0;
        QTest::newRow("split into 20-byte pieces")
            << QList<QByteArray> { serial.left(20), serial.mid(20) } << "F3" << 0;
        QTest::newRow("frame plus start of next")
            << QList<QByteArray> { info + serial.left(5) } << "F1" << 5;
        QTest::newRow("garbage before marker")
            << QList<QByteArray> { QByteArray("\x00\x13\xDC\x42", 4) + info } << "F1" << 0;
        // DC DC DC reads as a marker with a length above the limit: reported, then the real
        // frame one byte on is found.
        QTest::newRow("stray DC before marker")
            << QList<QByteArray> { QByteArray("\xDC", 1), info } << "L0 F1" << 0;
        QTest::newRow("bad crc then good frame")
            << QList<QByteArray> { badCrc + serial } << "C1 F3" << 0;
        QTest::newRow("non-zero byte 6") << QList<QByteArray> { nonZeroByte6 } << "C1" << 0;
        QTest::newRow("length above 512 then good frame")
            << QList<QByteArray> { tooLong + serial } << "L1 F3" << 0;
        QTest::newRow("length zero") << QList<QByteArray> { zeroLength + info } << "L220 F1" << 0;
        QTest::newRow("lying length before good frame")
            << QList<QByteArray> { lying + info } << "C220 F1" << 0;
        QTest::newRow("empty pieces")
            << QList<QByteArray> { QByteArray(), info.left(4), QByteArray(), info.mid(4) } << "F1"
            << 0;
        QTest::newRow("garbage only") << QList<QByteArray> { QByteArray(100, 'a') } << "" << 0;
        QTest::newRow("garbage ending in DC")
            << QList<QByteArray> { QByteArray("abc\xDC") } << "" << 1;
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
        QTest::newRow("21: variant 2, normal") << 21 << 0 << 2 << 1 << 1;
        QTest::newRow("11: variant 1, normal") << 11 << 0 << 1 << 1 << 1;
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
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
