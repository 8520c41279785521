// ".divebin" files written byte by byte at the offsets of the file layout, including cut and
// hostile ones.

#include "dive/devicerecords.h"
#include "dive/diveprofile.h"
#include "fileio/binarydivefile.h"
#include "fileio/binarydiveparser.h"
#include "fileio/divelinesio.h"
#include "fileiotest.h"

#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// 185-byte header: number 42, mode 1, GF 35/80, 1000 g/l, 980 mbar, gas mask 3, alert word
// 0x00C0000C, start 1700000000, max depth 312 dm, end 1700002400, the given period and count.
QByteArray header(quint32 count, int period = 5)
{
    QByteArray b(185, '\0');
    memcpy(b.data(), "TarskDiveBinaryFile", 19);
    put<quint16>(b, 21, 42);
    b[23] = char(0x77);
    b.replace(24, 3, "\x01\x23\x50"); // mode 1, GF 35/80
    put<quint16>(b, 27, 1000);
    put<quint16>(b, 29, 980);
    put<quint16>(b, 31, 0x1111); // wordsA[0]
    put<quint16>(b, 33, 0x2222); // wordsB[0]
    put<quint16>(b, 93, 0x3333); // wordsB[15]
    put<quint16>(b, 95, 3);
    b[97] = char(32); // slot 0 O2
    b[112] = char(45); // slot 7 He
    put<quint32>(b, 120, count);
    put<quint32>(b, 124, 0x00C0000C);
    put<qint64>(b, 128, 1700000000);
    put<quint16>(b, 138, 312);
    put<qint64>(b, 164, 1700002400);
    b[184] = char(period);
    return b;
}

QByteArray record(int depthWord, int ceilingWord, int temperatureByte, int alertByte = 0)
{
    QByteArray r(28, '\0');
    put<quint16>(r, 0, depthWord);
    r[2] = char(0x0E); // flag byte, not used by the reader
    put<quint16>(r, 4, ceilingWord);
    r[6] = char(temperatureByte);
    r[7] = char(alertByte);
    r[8] = char(0x55);
    r[9] = char(0x99); // first tissue, not used
    return r;
}

} // namespace

class TestBinaryDiveFile : public QObject
{
    Q_OBJECT

private slots:
    void readsHeaderAndSamples()
    {
        const QByteArray bytes = header(3, 4) + record(0x0064, 0x0FF6, 0x5C)
            + record(0x012C, 0x001E, 0x50, 0x03) + record(0x0032, 0, 0x60);

        DiveHeader h;
        QVERIFY(parseDiveHeader(bytes, h));
        // Each field at its offset (see header()).
        const QList<qint64> read = { h.number, h.byteAfterNumber, h.diveMode, h.gfLow, h.gfHigh,
            h.waterDensity, h.surfacePressureMbar, h.wordsA[0], h.wordsB[0], h.wordsB[15],
            h.gasMask, h.gasO2[0], h.gasHe[7], h.sampleCount, h.alertWord, h.startTime,
            h.maxDepthDm, h.endTime, h.period };
        const QList<qint64> expected = { 42, 0x77, 1, 35, 80, 1000, 980, 0x1111, 0x2222, 0x3333, 3,
            32, 45, 3, 0x00C0000C, 1700000000, 312, 1700002400, 4 };
        QCOMPARE(read, expected);

        DiveProfile dive;
        QVERIFY(readFirstDive(file(bytes), dive));
        QCOMPARE(QList<double>({ double(dive.origin), double(dive.diveMode), double(dive.period),
                     double(dive.alerts), dive.maxDepth }),
            QList<double>({ DiveOriginBinary, 1, 4, 0x00C0000C, 30 }));
        // The reader sets no gases and no gas index; times follow the period.
        QCOMPARE(describe(dive),
            QStringList({ "42", "Simulator", "0000-0000-0000-0", "1700000000", "0", "", "", "", "",
                "", "0:10:23:- 4:30:20:- ceil3 alert3 8:5:24:-" }));
        // The file keeps the no-deco limit apart from the ceiling (a download keeps it as a
        // negative ceiling): both read the same.
        QCOMPARE(ndlMinutes(dive.samples[0]), 10);
        QCOMPARE(ceilingMetres(dive.samples[0]), 0.0);
        QCOMPARE(ndlMinutes(dive.samples[1]), 0);
        QCOMPARE(dive.samples[0].statusFlags, quint8(0));
        QCOMPARE(dive.samples[0].tissues[0], quint8(0));
    }

    void sampleFields_data()
    {
        QTest::addColumn<int>("depthWord");
        QTest::addColumn<int>("ceilingWord");
        QTest::addColumn<int>("temperatureByte");
        QTest::addColumn<QString>("expected"); // depth, ceiling, no-deco minutes, temperature

        const auto row
            = [](const char* name, int depth, int ceiling, int temperature, const char* expected) {
                  QTest::newRow(name) << depth << ceiling << temperature << QString(expected);
              };
        row("upper depth bits ignored: 0x1234 is 56.4 m", 0x1234, 0, 0, "56.4 0 0 0");
        row("ceiling 0x0FF6 is 10 min without deco", 0x0064, 0x0FF6, 0, "10 0 10 0");
        row("ceiling 0x001E is 3.0 m", 0x0064, 0x001E, 0, "10 3 0 0");
        row("ceiling 0x0800 is the most negative value", 0, 0x0800, 0, "0 0 2048 0");
        row("ceiling 0x07FF is 204.7 m", 0, 0x07FF, 0, "0 204.7 0 0");
        row("upper ceiling bits ignored", 0, 0xF01E, 0, "0 3 0 0");
        row("temperature 0x5C is 23 C", 0, 0, 0x5C, "0 0 0 23");
        row("temperature bits 0-1 and 7 ignored", 0, 0, 0xDF, "0 0 0 23");
    }

    void sampleFields()
    {
        QFETCH(int, depthWord);
        QFETCH(int, ceilingWord);
        QFETCH(int, temperatureByte);
        QFETCH(QString, expected);

        DiveProfile dive;
        BinaryDiveFile reader;
        QVERIFY(
            reader.read(file(header(1) + record(depthWord, ceilingWord, temperatureByte)), dive));
        QCOMPARE(dive.samples.size(), 1);
        const DiveSample& s = dive.samples[0];
        QCOMPARE(QStringList({ num(s.depth), num(s.decoCeiling), QString::number(s.noDecoValue),
                                 num(s.temperature) })
                     .join(' '),
            expected);
    }

    void badFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("samples"); // 0: refused
        QTest::addColumn<QString>("message"); // in the error or warning

        const QByteArray good = header(1) + record(100, 0, 0);
        QByteArray wrongLast = good;
        wrongLast[18] = 'F'; // first 18 characters right, the 19th not
        const QString notBinary = "Not a binary dive file";
        QTest::newRow("empty file") << QByteArray() << 0 << notBinary;
        QTest::newRow("magic cut short") << good.left(18) << 0 << notBinary;
        QTest::newRow("19th magic character differs") << wrongLast << 0 << notBinary;
        QTest::newRow("text file") << QByteArray("Temps;Profondeur\n0;0\n") << 0 << notBinary;
        QTest::newRow("magic only") << good.left(19) << 0 << "cut inside its header";
        QTest::newRow("header one byte short") << good.left(184) << 0 << "cut inside its header";
        QTest::newRow("header without samples") << header(0) << 0 << "no sample";
        QTest::newRow("count 5, no record") << header(5) << 0 << "no sample";
        QTest::newRow("count 5, 27 bytes of a record")
            << header(5) + QByteArray(27, '\x01') << 0 << "no sample";
        QTest::newRow("count 0 with records") << header(0) + record(1, 0, 0) << 0 << "no sample";
        // Records of 1, 2 and 3 m: what the count and the file size agree on is read.
        const QByteArray three = record(10, 0, 0) + record(20, 0, 0) + record(30, 0, 0);
        QTest::newRow("count matches") << header(3) + three << 3 << "";
        QTest::newRow("count smaller: extra records ignored") << header(2) + three << 2 << "";
        QTest::newRow("count larger: records present are read") << header(7) + three << 3 << "7";
        QTest::newRow("hostile count 0xFFFFFFFF")
            << header(0xFFFFFFFFu) + three << 3 << "4294967295";
        QTest::newRow("cut inside the fourth record")
            << header(4) + three + QByteArray(13, '\x05') << 3 << "4";
    }

    void badFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, samples);
        QFETCH(QString, message);

        DiveProfile dive;
        dive.name = "kept";
        dive.computer = "My computer";
        dive.samples.append(DiveSample());
        const QStringList kept = describe(dive);
        BinaryDiveFile reader;
        if (samples > 0) {
            QVERIFY(reader.read(file(bytes), dive));
            QCOMPARE(dive.samples.size(), samples);
            QCOMPARE(dive.samples.last().depth, double(samples));
            QCOMPARE(reader.warningString().isEmpty(), message.isEmpty());
            QVERIFY2(reader.warningString().contains(message), qPrintable(reader.warningString()));
            return;
        }
        QVERIFY(!reader.read(file(bytes), dive));
        QVERIFY2(reader.errorString().contains(message), qPrintable(reader.errorString()));
        QCOMPARE(describe(dive), kept);
        QString error;
        QVERIFY(!readFirstDive(file(bytes), dive, &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(describe(dive), kept);
    }

    void oversizedOrMissingFile()
    {
        const QString path = m_dir.filePath("huge.divebin");
        QVERIFY(sparseFile(path, BinaryDive::MaxFileSize + 1));
        DiveProfile dive;
        BinaryDiveFile reader;
        QVERIFY(!reader.read(path, dive));
        QVERIFY(reader.errorString().contains("too large"));
        QVERIFY(dive.samples.isEmpty());
        QVERIFY(!reader.read(m_dir.filePath("missing.divebin"), dive));
        QVERIFY(reader.errorString().startsWith("Cannot open missing.divebin"));
    }

private:
    QString file(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath("dive.divebin");
        return writeFile(path, bytes) ? path : QString();
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestBinaryDiveFile)
#include "tst_binarydivefile.moc"
