// ".divebin" files written byte by byte at the offsets of the file layout, including cut and
// hostile ones.

#include "dive/devicerecords.h"
#include "dive/diveprofile.h"
#include "fileio/binarydivefile.h"
#include "fileio/binarydiveparser.h"
#include "fileio/divelinesio.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void put16(QByteArray& b, int at, int v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void put32(QByteArray& b, int at, quint32 v)
{
    put16(b, at, int(v & 0xFFFF));
    put16(b, at + 2, int(v >> 16));
}
void put64(QByteArray& b, int at, qint64 v)
{
    put32(b, at, quint32(quint64(v) & 0xFFFFFFFFu));
    put32(b, at + 4, quint32(quint64(v) >> 32));
}

// 185-byte header: number 42, mode 1, GF 35/80, 1000 g/l, 980 mbar, gas mask 3, alert word
// 0x00C0000C, start 1700000000, max depth 312 dm, end 1700002400, the given period and count.
QByteArray header(quint32 count, int period = 5)
{
    QByteArray b(185, '\0');
    memcpy(b.data(), "TarskDiveBinaryFile", 19);
    put16(b, 21, 42);
    b[23] = char(0x77);
    b[24] = char(1);
    b[25] = char(35);
    b[26] = char(80);
    put16(b, 27, 1000);
    put16(b, 29, 980);
    put16(b, 31, 0x1111); // wordsA[0]
    put16(b, 33, 0x2222); // wordsB[0]
    put16(b, 93, 0x3333); // wordsB[15]
    put16(b, 95, 3);
    b[97] = char(32); // slot 0 O2
    b[112] = char(45); // slot 7 He
    put32(b, 120, count);
    put32(b, 124, 0x00C0000C);
    put64(b, 128, 1700000000);
    put16(b, 138, 312);
    put64(b, 164, 1700002400);
    b[184] = char(period);
    return b;
}

QByteArray record(int depthWord, int ceilingWord, int temperatureByte, int alertByte = 0)
{
    QByteArray r(28, '\0');
    put16(r, 0, depthWord);
    r[2] = char(0x0E); // flag byte, not used by the reader
    put16(r, 4, ceilingWord);
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
    void init();
    void readsHeaderAndSamples();
    void sampleFields_data();
    void sampleFields();
    void refusesBadFiles_data();
    void refusesBadFiles();
    void countAndFileSizeDisagree_data();
    void countAndFileSizeDisagree();
    void oversizedFileIsRefusedWithoutReading();
    void writeIsRefused();
    void ndlAndCeilingReadTheSameInBothForms();

private:
    QString writeFile(const QByteArray& bytes, const QString& name = "dive.divebin");
    QTemporaryDir m_dir;
};

QString TestBinaryDiveFile::writeFile(const QByteArray& bytes, const QString& name)
{
    const QString path = m_dir.filePath(name);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        qFatal("cannot write the test file");
    return path;
}

void TestBinaryDiveFile::init()
{
    QVERIFY(m_dir.isValid());
}

void TestBinaryDiveFile::readsHeaderAndSamples()
{
    const QByteArray file = header(3, 4) + record(0x0064, 0x0FF6, 0x5C)
        + record(0x012C, 0x001E, 0x50, 0x03) + record(0x0032, 0, 0x60);

    DiveHeader h;
    QVERIFY(parseDiveHeader(file, h));
    QCOMPARE(h.number, quint16(42));
    QCOMPARE(h.byteAfterNumber, quint8(0x77));
    QCOMPARE(h.diveMode, quint8(1));
    QCOMPARE(h.gfLow, quint8(35));
    QCOMPARE(h.gfHigh, quint8(80));
    QCOMPARE(h.waterDensity, quint16(1000));
    QCOMPARE(h.surfacePressureMbar, quint16(980));
    QCOMPARE(h.wordsA[0], quint16(0x1111));
    QCOMPARE(h.wordsB[0], quint16(0x2222));
    QCOMPARE(h.wordsB[15], quint16(0x3333));
    QCOMPARE(h.gasMask, quint16(3));
    QCOMPARE(h.gasO2[0], quint8(32));
    QCOMPARE(h.gasHe[7], quint8(45));
    QCOMPARE(h.sampleCount, 3u);
    QCOMPARE(h.alertWord, 0x00C0000Cu);
    QCOMPARE(h.startTime, qint64(1700000000));
    QCOMPARE(h.maxDepthDm, quint16(312));
    QCOMPARE(h.endTime, qint64(1700002400));
    QCOMPARE(h.period, quint8(4));
    // Not in the file: defaults.
    QCOMPARE(h.computerType, 0u);
    QCOMPARE(h.alertExtra, quint16(0));
    QCOMPARE(h.gasO2[8], quint8(0));
    QCOMPARE(h.wordAfterPeriod, quint16(1));

    DiveProfile dive;
    QVERIFY(readFirstDive(writeFile(file), dive));
    QCOMPARE(dive.name, QString("42"));
    QCOMPARE(dive.origin, DiveOriginBinary);
    QCOMPARE(dive.computer, QString("Simulator"));
    QCOMPARE(dive.serial, QString("0000-0000-0000-0"));
    QCOMPARE(dive.diveMode, 1u);
    QCOMPARE(dive.period, quint8(4));
    QCOMPARE(dive.alerts, 0x00C0000Cu);
    QCOMPARE(dive.dateTime, qint64(1700000000));
    QCOMPARE(dive.samples.size(), 3);
    QCOMPARE(dive.samples[0].time, 0.0);
    QCOMPARE(dive.samples[1].time, 4.0);
    QCOMPARE(dive.samples[2].time, 8.0);
    QCOMPARE(dive.maxDepth, 30.0);
    QCOMPARE(dive.samples[1].alertFlags, quint8(3));
    // The reader sets no gases and no gas index.
    QVERIFY(dive.gases.isEmpty());
    QCOMPARE(dive.samples[0].gasIndex, -1);
    QCOMPARE(dive.samples[0].statusFlags, quint8(0));
    QCOMPARE(dive.samples[0].tissues[0], quint8(0));
}

void TestBinaryDiveFile::sampleFields_data()
{
    QTest::addColumn<int>("depthWord");
    QTest::addColumn<int>("ceilingWord");
    QTest::addColumn<int>("temperatureByte");
    QTest::addColumn<double>("depth");
    QTest::addColumn<double>("ceiling");
    QTest::addColumn<int>("noDeco");
    QTest::addColumn<double>("temperature");

    QTest::newRow("upper depth bits ignored: 0x1234 is 56.4 m")
        << 0x1234 << 0 << 0 << 56.4 << 0.0 << 0 << 0.0;
    QTest::newRow("ceiling 0x0FF6 is 10 min without deco")
        << 0x0064 << 0x0FF6 << 0 << 10.0 << 0.0 << 10 << 0.0;
    QTest::newRow("ceiling 0x001E is 3.0 m") << 0x0064 << 0x001E << 0 << 10.0 << 3.0 << 0 << 0.0;
    QTest::newRow("ceiling 0x0800 is the most negative value")
        << 0 << 0x0800 << 0 << 0.0 << 0.0 << 2048 << 0.0;
    QTest::newRow("ceiling 0x07FF is 204.7 m") << 0 << 0x07FF << 0 << 0.0 << 204.7 << 0 << 0.0;
    QTest::newRow("upper ceiling bits ignored") << 0 << 0xF01E << 0 << 0.0 << 3.0 << 0 << 0.0;
    QTest::newRow("temperature 0x5C is 23 C") << 0 << 0 << 0x5C << 0.0 << 0.0 << 0 << 23.0;
    QTest::newRow("temperature bits 0-1 and 7 ignored")
        << 0 << 0 << 0xDF << 0.0 << 0.0 << 0 << 23.0;
}

void TestBinaryDiveFile::sampleFields()
{
    QFETCH(int, depthWord);
    QFETCH(int, ceilingWord);
    QFETCH(int, temperatureByte);
    QFETCH(double, depth);
    QFETCH(double, ceiling);
    QFETCH(int, noDeco);
    QFETCH(double, temperature);

    DiveProfile dive;
    BinaryDiveFile reader;
    QVERIFY(
        reader.read(writeFile(header(1) + record(depthWord, ceilingWord, temperatureByte)), dive));
    QCOMPARE(dive.samples.size(), 1);
    const DiveSample& s = dive.samples[0];
    QVERIFY(qAbs(s.depth - depth) < 1e-9);
    QVERIFY(qAbs(s.decoCeiling - ceiling) < 1e-9);
    QCOMPARE(int(s.noDecoValue), noDeco);
    QCOMPARE(s.temperature, temperature);
}

void TestBinaryDiveFile::refusesBadFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");

    const QByteArray good = header(1) + record(100, 0, 0);
    QByteArray wrongLast = good;
    wrongLast[18] = 'F'; // first 18 characters right, the 19th not
    QTest::newRow("empty file") << QByteArray() << "Not a binary dive file";
    QTest::newRow("magic cut short") << good.left(18) << "Not a binary dive file";
    QTest::newRow("19th magic character differs") << wrongLast << "Not a binary dive file";
    QTest::newRow("text file") << QByteArray("Temps;Profondeur\n0;0\n") << "Not a binary dive file";
    QTest::newRow("magic only") << good.left(19) << "cut inside its header";
    QTest::newRow("header one byte short") << good.left(184) << "cut inside its header";
    QTest::newRow("header without samples") << header(0) << "no sample";
    QTest::newRow("count 5, no record") << header(5) << "no sample";
    QTest::newRow("count 5, 27 bytes of a record")
        << header(5) + QByteArray(27, '\x01') << "no sample";
    QTest::newRow("count 0 with records") << header(0) + record(1, 0, 0) << "no sample";
}

void TestBinaryDiveFile::refusesBadFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);

    DiveProfile dive;
    dive.name = "kept";
    dive.computer = "My computer";
    DiveSample s;
    s.depth = 7;
    dive.samples.append(s);

    BinaryDiveFile reader;
    QVERIFY(!reader.read(writeFile(bytes), dive));
    QVERIFY2(reader.errorString().contains(message), qPrintable(reader.errorString()));
    QCOMPARE(dive.name, QString("kept"));
    QCOMPARE(dive.computer, QString("My computer"));
    QCOMPARE(dive.samples.size(), 1);
    QCOMPARE(dive.samples[0].depth, 7.0);

    QString error;
    QVERIFY(!readFirstDive(writeFile(bytes), dive, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(dive.name, QString("kept"));
}

void TestBinaryDiveFile::countAndFileSizeDisagree_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("samples");
    QTest::addColumn<bool>("warned");

    const QByteArray three = record(10, 0, 0) + record(20, 0, 0) + record(30, 0, 0);
    QTest::newRow("count matches") << header(3) + three << 3 << false;
    QTest::newRow("count smaller: extra records ignored") << header(2) + three << 2 << false;
    QTest::newRow("count larger: records present are read") << header(7) + three << 3 << true;
    QTest::newRow("hostile count 0xFFFFFFFF") << header(0xFFFFFFFFu) + three << 3 << true;
    QTest::newRow("cut inside the fourth record")
        << header(4) + three + QByteArray(13, '\x05') << 3 << true;
}

void TestBinaryDiveFile::countAndFileSizeDisagree()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, samples);
    QFETCH(bool, warned);

    DiveProfile dive;
    BinaryDiveFile reader;
    QVERIFY(reader.read(writeFile(bytes), dive));
    QCOMPARE(dive.samples.size(), samples);
    QCOMPARE(dive.samples.last().depth, double(samples)); // records hold 1, 2, 3 m
    QCOMPARE(!reader.warningString().isEmpty(), warned);
}

void TestBinaryDiveFile::oversizedFileIsRefusedWithoutReading()
{
    const QString path = writeFile(header(1) + record(100, 0, 0), "huge.divebin");
    QFile f(path);
    QVERIFY(f.resize(BinaryDive::MaxFileSize + 1)); // sparse: cheap to make
    DiveProfile dive;
    BinaryDiveFile reader;
    QVERIFY(!reader.read(path, dive));
    QVERIFY(reader.errorString().contains("too large"));
    QVERIFY(dive.samples.isEmpty());

    // A file that cannot be opened says so.
    QVERIFY(!reader.read(m_dir.filePath("missing.divebin"), dive));
    QVERIFY(reader.errorString().startsWith("Cannot open missing.divebin"));
}

void TestBinaryDiveFile::writeIsRefused()
{
    const QString path = m_dir.filePath("out.divebin");
    DiveProfile dive;
    dive.samples.append(DiveSample());
    BinaryDiveFile file;
    QVERIFY(!file.write(path, dive));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!makeWriter(path));
    QVERIFY(!exportDive(dive, path));
    QVERIFY(!QFile::exists(path));
    auto reader = makeReader(m_dir.filePath("x.DiveBin"));
    QVERIFY(reader);
    QCOMPARE(reader->fileType(), DiveOriginBinary);
}

void TestBinaryDiveFile::ndlAndCeilingReadTheSameInBothForms()
{
    DiveSample fromDownload; // the download keeps the limit as a negative ceiling
    fromDownload.decoCeiling = -12;
    DiveSample fromFile; // the file keeps it in noDecoValue
    fromFile.noDecoValue = 12;
    DiveSample deco;
    deco.decoCeiling = 4.5;
    QCOMPARE(ceilingMetres(fromDownload), 0.0);
    QCOMPARE(ndlMinutes(fromDownload), 12);
    QCOMPARE(ceilingMetres(fromFile), 0.0);
    QCOMPARE(ndlMinutes(fromFile), 12);
    QCOMPARE(ceilingMetres(deco), 4.5);
    QCOMPARE(ndlMinutes(deco), 0);
}

QTEST_GUILESS_MAIN(TestBinaryDiveFile)
#include "tst_binarydivefile.moc"
