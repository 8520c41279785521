// Frame decoding and CRC; the identity, serial number and settings replies; dive list and sample
// replies and their conversion into a DiveProfile, from bytes written out by hand in the
// computer's layout; the replay of the fuzz targets' kept inputs for the decoders.

#include "fileio/binarydiveparser.h"
#include "link/computerinfo.h"
#include "link/deviceframe.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/streamcheck.h"
#include "virtualcomputer/virtualdivecomputer.h"

#include <QDir>
#include <QFile>
#include <QTest>

#include <cmath>

namespace {

// Decodes all that is buffered: the bodies of the whole frames, and every event in `events` as
// F (frame, its body starting with its code), C (bad CRC) or L (bad length) and the code.
QList<QByteArray> drain(FrameDecoder& d, QStringList* events = nullptr)
{
    QList<QByteArray> frames;
    for (int guard = 0; guard < 100000; ++guard) {
        QByteArray body;
        quint8 code = 0;
        const auto st = d.next(&body, &code);
        if (st == FrameDecoder::Status::NeedMore)
            return frames;
        const bool frame = st == FrameDecoder::Status::Frame;
        if (frame)
            frames << body;
        const char* kind = frame ? (!body.isEmpty() && quint8(body[0]) == code ? "F" : "F?")
            : st == FrameDecoder::Status::BadCrc ? "C"
                                                 : "L";
        if (events)
            *events << kind + QString::number(code);
    }
    qFatal("decoder does not make progress");
}

// Builds a settings body from the field lists of the protocol, independently of the parser.
// Every numeric field gets a distinct value.
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

// To 0.1, so that computed values compare exactly with the hand-worked ones.
double tenths(double v)
{
    return std::round(v * 10) / 10;
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void crcCheckValues()
    {
        // Published check value of this CRC, and the value over "abc"; the command byte 1 alone
        // (the CRC in the GetInfo frame); no data: the register after 16 zero bits, the direct
        // form's start value.
        const std::pair<QByteArray, quint16> rows[] = { { "123456789", 0xE5CC }, { "abc", 0x8CDA },
            { QByteArray(1, '\x01'), 0xDCBD }, { {}, 0x1D0F } };
        for (const auto& [data, crc] : rows) {
            QCOMPARE(frameCrc(data), crc);
            QCOMPARE(VirtualDiveComputer::crc16(data), crc);
        }
    }

    void decoderCutsStreams()
    {
        // Frames built by the virtual computer, whose table CRC is written apart from the link's.
        const QByteArray info = VirtualDiveComputer::frame(1, QByteArray::fromHex("6203020115"));
        const QByteArray serial = VirtualDiveComputer::frame(3, QByteArray(12, 'x'));
        const QByteArray badCrc = QByteArray(info).replace(4, 1, QByteArray(1, info[4] ^ 0x40));
        const QByteArray nonZeroByte6 = QByteArray(info).replace(6, 1, "\x01");
        const QByteArray tooLong = QByteArray(info).replace(2, 2, "\x01\x02"); // 513
        const QByteArray zeroLength = info.left(8).replace(2, 2, QByteArray(2, 0));
        // Its length, 256, runs past the good frame that follows.
        const QByteArray lying = info.left(8).replace(2, 2, QByteArray("\0\x01", 2));
        // The pieces as notifications bring them, the events, the bytes left buffered.
        const std::tuple<QList<QByteArray>, QString, int> rows[] = {
            { { info }, "F1", 0 },
            { { serial.left(20), serial.mid(20) }, "F3", 0 },
            { { info + serial.left(5) }, "F1", 5 },
            { { QByteArray("\x00\x13\xDC\x42", 4) + info }, "F1", 0 }, // garbage before marker
            // DC DC DC reads as a marker with a length above the limit: reported, then the real
            // frame one byte on is found.
            { { QByteArray("\xDC", 1), info }, "L0 F1", 0 },
            { { badCrc + serial }, "C1 F3", 0 },
            { { nonZeroByte6 }, "C1", 0 },
            { { tooLong + serial }, "L1 F3", 0 },
            { { zeroLength + info }, "L220 F1", 0 },
            { { lying + info }, "C220 F1", 0 },
            { { QByteArray(), info.left(4), QByteArray(), info.mid(4) }, "F1", 0 },
            { { QByteArray(100, 'a') }, "", 0 },
            { { QByteArray("abc\xDC") }, "", 1 },
        };
        for (const auto& [pieces, events, left] : rows) {
            FrameDecoder d;
            QStringList all;
            for (const QByteArray& p : pieces) {
                d.append(p);
                drain(d, &all);
            }
            QCOMPARE(all.join(' '), events);
            QCOMPARE(int(d.buffered()), left);
        }
    }

    void decoderBoundsBuffer()
    {
        // A marker with the largest legal length waits for at most 520 bytes; then the damaged
        // frame goes and the decoder holds nothing more than the tail after it.
        FrameDecoder d;
        QStringList events;
        d.append(QByteArray::fromHex("dcdc0002") + QByteArray(4, '\0'));
        drain(d, &events);
        QVERIFY(events.isEmpty());
        d.append(QByteArray(600, 'z'));
        drain(d, &events);
        QCOMPARE(events, QStringList { "C122" });
        QCOMPARE(int(d.buffered()), 0);
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

    void identity()
    {
        // Mode byte, variant before and after, mode digit, mode.
        const std::tuple<int, int, int, int, int> rows[] = {
            { 22, 0, 2, 2, 2 }, // variant 2, firmware
            { 12, 2, 1, 2, 2 }, // variant 1, firmware
            { 5, 2, 2, 5, 0 }, // keeps the earlier variant
            { 10, 1, 1, 10, 0 }, // keeps the earlier variant
            { 1, 0, 0, 1, 1 }, // plain normal
            { 35, 0, 2, 15, 0 }, // subtracts twice only
        };
        for (const auto& [modeByte, variantBefore, variant, modeDigit, mode] : rows) {
            ComputerInfo info;
            info.variant = quint32(variantBefore);
            info.mode = 7;
            QByteArray body = QByteArray::fromHex("0162030201");
            body.append(char(modeByte));
            parseIdentity(body, info);
            // A reply cut after its code reads as zeros.
            ComputerInfo cut;
            parseIdentity(QByteArray(1, '\x01'), cut);
            QCOMPARE(QList<qint64>(
                         { info.variant, info.modeDigit, info.mode, info.versionWord, cut.mode }),
                QList<qint64>({ variant, modeDigit, mode, 0x01020362, 0 }));
            QCOMPARE(info.versionText + ' ' + cut.versionText, QStringLiteral("1.2.3.b 0.0.0."));
        }
    }

    void serialNumber()
    {
        const std::tuple<QByteArray, int, QString> rows[] = {
            { QByteArray::fromHex("03c3b2a10004002517efbe0000"), 1, "00A1B2C3-17250004-0000BEEF" },
            // Mode digit 0: six bytes reversed and a letter.
            { QByteArray::fromHex("030a0b0c0d0e0f4b"), 0, "0f0e-0d0c-0b0a-K" },
            // Shorter than the layout, or all zeros: no serial (two such computers would be one).
            { QByteArray::fromHex("03ff"), 2, "" },
            { QByteArray::fromHex("03c3b2a10004002517efbe00"), 1, "" },
            { QByteArray::fromHex("030a0b0c0d0e0f"), 0, "" },
            { QByteArray::fromHex("03000000000000000000000000"), 1, "" },
            { QByteArray::fromHex("030000000000004b"), 0, "" },
        };
        for (const auto& [body, modeDigit, text] : rows)
            QCOMPARE(parseSerialNumber(body, quint8(modeDigit)), text);
    }

    void settingsLayouts()
    {
        // Layout (A short form, A (wide from 13), B, 3 with the common block only), sub-version,
        // reply 24.
        const std::tuple<int, int, bool> rows[]
            = { { 0, 0, true }, { 0, 0, false }, { 1, 12, true }, { 1, 13, true }, { 2, 1, true },
                  { 2, 2, true }, { 2, 5, true }, { 2, 5, false }, { 3, 4, true } };
        for (const auto& [layout, subVersion, extension] : rows) {
            const SettingsBuilder x = buildSettings(layout, subVersion, extension);
            const ComputerSettings s = parseSettings(x.b, extension);
            // The named fields where they are, and the whole list walked (count, last field).
            QCOMPARE(QList<qint64>({ s.layout, s.subVersion, s.firstWord, s.waterType,
                         s.surfacePressureMbar, s.fields.size(), qint64(s.fields.last()) }),
                QList<qint64>(
                    { layout, subVersion, 9, kWater, kSurface, x.fields, qint64(x.last) }));
            QCOMPARE(s.computerNameText(), layout <= 2 ? QStringLiteral("Blue Reef") : QString());
            if (layout <= 2)
                QCOMPARE(s.secondText.left(5), QByteArray("other"));
        }
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

    void headerLayouts()
    {
        // Format, variant, length counted by hand from the field list, mode, gas slots,
        // alertExtra, the last byte and word.
        const std::tuple<int, quint32, int, int, int, int, int, int> rows[] = {
            { 0, 1, 163, 3, 8, 0, 0, 1 }, { 0, 2, 172, 5, 8, 0, 0, 1 }, // mode 3 becomes 5
            { 5, 2, 186, 5, 12, 0, 0x55, 0x6677 }, // 0x8005
            { 4, 1, 170, 3, 8, 0x0102, 0x55, 0x6677 }, // narrow gases
            { 6, 1, 182, 3, 12, 0x0102, 0x88, 0x99AA }, // last pair replaced
            { 6, 2, 186, 5, 12, 0, 0x55, 0x6677 }, // no replacement
        };
        for (const auto& [format, variant, length, expectedMode, gasSlots, alertExtra, lastByte,
                 lastWord] : rows) {
            const QByteArray body = headerReply(format, variant);
            QCOMPARE(body.size(), length);
            QCOMPARE(diveHeaderReplyLength(format, variant), length);

            DiveHeader h;
            QCOMPARE(parseDiveHeaderReply(body, variant, h), HeaderParseStatus::Ok);
            // Fields in wire order; beyond eight gas slots the ninth stays empty.
            const QList<qint64> got { h.computerType, h.number, h.diveMode, h.gfLow, h.gfHigh,
                h.waterDensity, h.surfacePressureMbar, h.wordsA[15], h.gasMask,
                h.gasO2[gasSlots - 1], h.gasHe[gasSlots - 1], h.gasO2[8], h.byteAfterGases,
                h.wordsAfterGases[0], h.wordsAfterGases[1], h.wordsAfterGases[2], h.sampleCount,
                h.alertWord, h.alertExtra, h.startTime, h.maxDepthDm, h.endTime, h.wordsAfterEnd[2],
                h.byteAfterPeriod, h.wordAfterPeriod };
            const QList<qint64> expected { variant, 300, expectedMode, 30, 85, 1025, 1013, 0x10F,
                gasSlots == 12 ? 0x0805 : 0x05, 21 + gasSlots - 1, gasSlots - 1,
                gasSlots == 8 ? 0 : 29, 0xB2, 0xB3B4, 0xC1C2, 0xC3C4, 720, 0x0C, alertExtra,
                1700000000, 423, 1700003600, 13, lastByte, lastWord };
            QCOMPARE(got, expected);
        }
    }

    void headerRefusesShortOrForeignBodies()
    {
        const QByteArray full = headerReply(5, 2);
        using S = HeaderParseStatus;
        const std::pair<QByteArray, S> rows[] = {
            { {}, S::NotAHeader },
            { QByteArray(full).replace(0, 1, "\x14"), S::NotAHeader }, // other code
            { "\x13", S::Truncated }, // code only
            { full.left(full.size() - 1), S::Truncated },
            { full.left(90), S::Truncated }, // cut in the gases
            { headerReply(0, 1), S::Truncated }, // variant 1 layout read as variant 2
            // A first word below 0x8001 is the dive number itself (format 0): 0x8000 included.
            { headerReply(0, 2, 0x8000), S::Ok },
            { full + QByteArray(20, '\x7F'), S::Ok }, // trailing bytes are ignored
        };
        for (const auto& [body, status] : rows) {
            DiveHeader h;
            h.number = 4242;
            QCOMPARE(parseDiveHeaderReply(body, 2, h), status);
            if (status != HeaderParseStatus::Ok)
                QCOMPARE(h.number, quint16(4242)); // untouched
        }
    }

    void samples()
    {
        // Stream, tissues, count, record length; of the last sample: depth (dm), ceiling,
        // temperature (C), then in hexadecimal the flag, alert and status bytes and the extra
        // word, then tissue 15.
        const std::tuple<QByteArray, bool, int, int, QString> rows[] = {
            // Format 0, no marker: 6-byte records. Byte 0 low nibble 0xB -> flag bits 1-4 = 0x16.
            // High nibble and bits above 11 of the words are not data.
            { QByteArray::fromHex("0b7b00140017fb7bf0f4ff37"), false, 2, 6,
                "123 -12 23 16 0 0 0 0" },
            // 0x80 0x02: 10-byte records with extra word, alert and status bytes.
            { QByteArray::fromHex("80020f2c01140010bbaa0307"), false, 1, 10,
                "300 20 16 1e 3 7 aabb 0" },
            { QByteArray::fromHex("80020864000000020100ff010102030405060708090a0b0c0d0e0f10"), true,
                1, 26, "100 0 2 10 ff 1 1 16" }, // format 2 with tissues
            { QByteArray::fromHex("800101c800f40f053412"), false, 1, 8, "200 -12 5 2 0 0 1234 0" },
            // Format 9 reads as 10-byte records.
            { QByteArray::fromHex("800900320000000a00000000"), false, 1, 10, "50 0 10 0 0 0 0 0" },
            { {}, false, 0, 0, {} },
            { QByteArray::fromHex("8002"), false, 0, 10, {} }, // marker only, no record
        };
        for (const auto& [stream, tissues, count, recordLength, last] : rows) {
            QList<DeviceSample> out;
            const SampleDecodeResult r = decodeDeviceSamples(stream, tissues, out);
            QCOMPARE(out.size(), count);
            QCOMPARE(r.droppedBytes, 0);
            if (count == 0)
                continue;
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
    }

    void sampleDepthGlitch()
    {
        // Depth field 4001 (0x0FA1): first sample -> 0, after 12.3 m -> 12.3 m again.
        QList<DeviceSample> out;
        decodeDeviceSamples(QByteArray::fromHex("00a10f000000"
                                                "007b00000000"
                                                "00a10f000000"),
            false, out);
        // 4000 itself is a valid depth.
        decodeDeviceSamples(QByteArray::fromHex("00a00f000000"), false, out);
        QList<int> depths;
        for (const DeviceSample& s : out)
            depths << s.depthDm();
        QCOMPARE(depths, (QList<int> { 0, 123, 123, 4000 }));
    }

    void streamAgainstItsHeader()
    {
        // 60 samples every 10 s make 600 s; the header's duration may differ from that by a
        // tenth of itself or two periods, whichever is more: 660 s (60 <= 66) and 550 s
        // (50 <= 55) pass, 700 s (100 > 70) does not.
        DiveHeader h;
        h.sampleCount = 60;
        h.period = 10;
        const QList<DeviceSample> samples(60);
        SampleDecodeResult decoded;
        decoded.status = SampleDecodeStatus::Ok;
        for (auto [durationS, expected] : { std::pair { 660, StreamCheckStatus::Ok },
                 { 700, StreamCheckStatus::Duration }, { 550, StreamCheckStatus::Ok } }) {
            h.endTime = durationS;
            QCOMPARE(checkStreamAgainstHeader(h, decoded, samples), expected);
        }
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
        QCOMPARE(QStringList({ d.firmwareVersion, d.name, d.serial }),
            QStringList({ "1.2.3.b", "300", "0001-02" }));
        // alertExtra of 0x0102: the low byte's two bits.
        const QList<double> header { double(d.computerType), double(d.diveMode), double(d.alerts),
            double(d.alertExtra), tenths(d.surfacePressure * 1000), double(d.gfLow),
            double(d.gfHigh), double(d.dateTime), tenths(d.maxDepth) };
        QCOMPARE(header, (QList<double> { 1, 3, 0x0C, 2, 1013, 30, 85, 1700000000, 20.0 }));
        QCOMPARE(d.gases.size(), 2);
        QCOMPARE(
            QList<int>({ d.gases[0].o2, d.gases[1].o2, d.gases[1].he }), QList<int>({ 21, 23, 2 }));

        // Per sample: time, temperature, depth, ceiling (the no-decompression limit stays a
        // negative ceiling in the downloaded form), 0-based gas index (-1: a slot the header does
        // not use), alert, status, tissue 15, speed and max-depth mark. Speeds: 12.3 m in 5 s is
        // 147.6 m/min; 7.7 m in 5 s is 92.4 m/min.
        QList<QList<double>> got;
        for (const DiveSample& x : d.samples)
            got << QList<double> { x.time, x.temperature, tenths(x.depth), tenths(x.decoCeiling),
                double(x.gasIndex), double(x.alertFlags), double(x.statusFlags),
                double(x.tissues[15]), tenths(x.speed), double(x.isMaxDepth) };
        QCOMPARE(got.size(), 3);
        QCOMPARE(got[0].mid(1, 1) + got[0].mid(4, 1), (QList<double> { 23, 0 }));
        QCOMPARE(got[1].mid(0, 1) + got[1].mid(2),
            (QList<double> { 5, 12.3, -12, -1, 3, 0x40, 0, 147.6, 0 }));
        QCOMPARE(got[2].mid(2), (QList<double> { 20.0, 2.0, 1, 0, 0, 17, 92.4, 1 }));
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
