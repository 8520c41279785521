// Frame decoding and CRC, and the replay of the fuzz targets' kept inputs for the decoders.

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
};

QTEST_GUILESS_MAIN(TestFrame)
#include "tst_frame.moc"
