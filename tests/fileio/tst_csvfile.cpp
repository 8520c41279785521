#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <ctime>

namespace {

// A tab-separated line of 20 fields: the given leading fields, then "0" up to 20.
QByteArray line20(const QList<QByteArray>& leading, const QByteArray& ending = "\n")
{
    QList<QByteArray> fields = leading;
    while (fields.size() < 20)
        fields.append("0");
    return fields.join('\t') + ending;
}

QByteArray fields(int count, const QByteArray& value = "1")
{
    QList<QByteArray> list(count, value);
    return list.join('\t') + '\n';
}

// A device that accepts a few bytes and then fails, like a disk that fills up.
class FailingDevice : public QIODevice
{
public:
    explicit FailingDevice(qint64 room)
        : m_room(room)
    { }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override
    {
        if (length > m_room)
            return -1;
        m_room -= length;
        return length;
    }

private:
    qint64 m_room;
};

} // namespace

class TestCsvFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void parse_data();
    void parse();
    void parseFieldMapping();
    void readFile();
    void readFailures_data();
    void readFailures();
    void fuzzRegressions();

    void writeExact_data();
    void writeExact();
    void numberFormat_data();
    void numberFormat();
    void alertAndDurationTexts_data();
    void alertAndDurationTexts();
    void numbersRecovered_data();
    void numbersRecovered();
    void gasColumn();
    void textWithSeparatorQuoted();
    void writeFailures();
    void profileLayoutReadsBack();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QList<QByteArray> writtenLines(const DiveProfile& dive, int mode);
    QTemporaryDir m_dir;
};

void TestCsvFile::initTestCase()
{
    // The report's date is local time: pin the zone.
    qputenv("TZ", "UTC");
    tzset();
    QVERIFY(m_dir.isValid());
}

void TestCsvFile::init()
{
    CsvFile::setMode(0);
}

QString TestCsvFile::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

QList<QByteArray> TestCsvFile::writtenLines(const DiveProfile& dive, int mode)
{
    CsvFile::setMode(mode);
    const QString path = m_dir.filePath("written.csv");
    DiveProfile copy = dive;
    CsvFile csv;
    if (!csv.write(path, copy))
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().split('\n');
}

void TestCsvFile::parse_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("skipped");
    QTest::addColumn<int>("others");
    QTest::addColumn<double>("firstTime");

    QTest::newRow("20 fields") << line20({ "12.5" }) << 1 << 0 << 0 << 12.5;
    QTest::newRow("19 fields") << fields(19) << 0 << 0 << 1 << 0.0;
    QTest::newRow("21 fields") << fields(21) << 0 << 0 << 1 << 0.0;
    QTest::newRow("one trailing TAB still 20") << line20({ "3" }, "\t\n") << 1 << 0 << 0 << 3.0;
    QTest::newRow("two trailing TABs make 21") << line20({ "3" }, "\t\t\n") << 0 << 0 << 1 << 0.0;
    QTest::newRow("empty unused field") << line20({ "4", "1", "" }) << 1 << 0 << 0 << 4.0;
    QTest::newRow("empty used field skips the line") << line20({ "4", "" }) << 0 << 1 << 0 << 0.0;
    QTest::newRow("CRLF") << line20({ "5" }, "\r\n") << 1 << 0 << 0 << 5.0;
    QTest::newRow("CRLF after a trailing TAB") << line20({ "5" }, "\t\r\n") << 1 << 0 << 0 << 5.0;
    QTest::newRow("inf rejected") << line20({ "inf" }) << 0 << 1 << 0 << 0.0;
    QTest::newRow("nan rejected") << line20({ "1", "nan" }) << 0 << 1 << 0 << 0.0;
    QTest::newRow("out of range rejected") << line20({ "1e999" }) << 0 << 1 << 0 << 0.0;
    QTest::newRow("letters rejected") << line20({ "Time" }) << 0 << 1 << 0 << 0.0;
    QTest::newRow("number then garbage") << line20({ "12.5abc" }) << 1 << 0 << 0 << 12.5;
    QTest::newRow("blanks and plus sign") << line20({ "  +3.5" }) << 1 << 0 << 0 << 3.5;
    QTest::newRow("decimal comma stops the number") << line20({ "12,5" }) << 1 << 0 << 0 << 12.0;
    QTest::newRow("exponent") << line20({ "1.5e2" }) << 1 << 0 << 0 << 150.0;
    QTest::newRow("no final newline") << line20({ "7" }, "") << 1 << 0 << 0 << 7.0;
    QTest::newRow("NUL ends the number") << line20({ QByteArray("8\0x", 3) }) << 1 << 0 << 0 << 8.0;
    QTest::newRow("titles, blank lines, samples")
        << QByteArray("Title\tline\n\n\r\n" + line20({ "1" }) + "\n" + line20({ "2" })) << 2 << 0
        << 4 << 1.0;
    QTest::newRow("lone CR is not a line end")
        << QByteArray("1\r" + line20({ "2" })) << 1 << 0 << 0 << 1.0;
    QTest::newRow("many TABs") << QByteArray(100000, '\t') << 0 << 0 << 1 << 0.0;
    QTest::newRow("empty") << QByteArray() << 0 << 0 << 0 << 0.0;
}

void TestCsvFile::parse()
{
    QFETCH(QByteArray, data);
    QFETCH(int, samples);
    QFETCH(int, skipped);
    QFETCH(int, others);
    QFETCH(double, firstTime);
    CsvFile::ParseStats stats;
    const QList<DiveSample> parsed = CsvFile::parseSamples(data, &stats);
    QCOMPARE(parsed.size(), samples);
    QCOMPARE(stats.sampleLines, samples);
    QCOMPARE(stats.skippedLines, skipped);
    QCOMPARE(stats.otherLines, others);
    if (samples > 0)
        QCOMPARE(parsed.first().time, firstTime);
}

void TestCsvFile::parseFieldMapping()
{
    QList<QByteArray> values;
    for (int i = 0; i < 20; ++i)
        values.append(QByteArray::number(100 + i) + ".25");
    const QList<DiveSample> parsed = CsvFile::parseSamples(line20(values));
    QCOMPARE(parsed.size(), 1);
    const DiveSample& s = parsed.first();
    QCOMPARE(s.time, 100.25);
    QCOMPARE(s.depth, 101.25);
    QCOMPARE(s.temperature, 115.25);
    QCOMPARE(s.otu, 116.25);
    QCOMPARE(s.cns, 117.25);
    QCOMPARE(s.decoCeiling, 118.25);
    QCOMPARE(s.gradientFactor, 119.25);
    // Columns 2-14 are not used; everything else keeps its default.
    QCOMPARE(s.speed, 0.0);
    QCOMPARE(s.gasIndex, -1);
    QCOMPARE(int(s.alertFlags), 0);
    QCOMPARE(int(s.batteryVoltage), 0);
}

void TestCsvFile::readFile()
{
    const QString path = writeFile("C-dives-evening.csv",
        "Time\tDepth\n" + line20({ "0", "0" }) + line20({ "10", "3.5" }) + line20({ "x", "1" }));
    DiveProfile dive;
    CsvFile csv;
    QVERIFY2(csv.read(path, dive), qPrintable(csv.errorString()));
    QVERIFY(csv.errorString().isEmpty());
    QCOMPARE(dive.samples.size(), 2);
    QCOMPARE(dive.samples.at(1).depth, 3.5);
    QCOMPARE(dive.name, QString("C-dives-evening"));
    QCOMPARE(csv.lastReadStats().skippedLines, 1);
    QCOMPARE(csv.lastReadStats().otherLines, 1);
    // The reader sets nothing but the samples and the name.
    QCOMPARE(dive.origin, DiveOriginNone);
    QVERIFY(dive.gases.isEmpty());
}

void TestCsvFile::readFailures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing") << "missing";
    QTest::newRow("directory") << "directory";
    QTest::newRow("empty") << "empty";
    QTest::newRow("only titles") << "titles";
    QTest::newRow("only bad numbers") << "badnumbers";
    QTest::newRow("binary") << "binary";
    QTest::newRow("larger than the limit") << "huge";
}

void TestCsvFile::readFailures()
{
    QFETCH(QString, kind);
    QString path = m_dir.filePath(kind + ".csv");
    if (kind == "directory") {
        QVERIFY(QDir(m_dir.path()).mkpath(kind + ".csv"));
    } else if (kind == "empty") {
        writeFile(kind + ".csv", QByteArray());
    } else if (kind == "titles") {
        writeFile(kind + ".csv", "Time\tDepth\tTemp\n");
    } else if (kind == "badnumbers") {
        writeFile(kind + ".csv", line20({ "nan" }) + line20({ "inf", "1" }) + line20({ "a" }));
    } else if (kind == "binary") {
        QByteArray bytes;
        for (int i = 0; i < 4096; ++i)
            bytes.append(char((i * 37 + 11) & 0xff));
        writeFile(kind + ".csv", bytes);
    } else if (kind == "huge") {
        // A sparse file: one valid line, then past the size limit.
        writeFile(kind + ".csv", line20({ "1" }));
        QFile file(path);
        QVERIFY(file.resize(CsvFile::MaxFileBytes + 1));
    }

    DiveProfile dive;
    dive.name = "before";
    dive.samples.append(DiveSample());
    dive.samples[0].time = 99;
    CsvFile csv;
    QVERIFY(!csv.read(path, dive));
    QVERIFY(!csv.errorString().isEmpty());
    QCOMPARE(dive.name, QString("before"));
    QCOMPARE(dive.samples.size(), 1);
    QCOMPARE(dive.samples.at(0).time, 99.0);
}

void TestCsvFile::fuzzRegressions()
{
    // Inputs the fuzzer found or that probe the splitter's edges: none may crash, and the
    // file reader must agree with the parser.
    const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/csv"));
    const QStringList names = dir.entryList(QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString& name : names) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        const QList<DiveSample> parsed = CsvFile::parseSamples(data);
        for (const DiveSample& s : parsed) {
            QVERIFY(std::isfinite(s.time));
            QVERIFY(std::isfinite(s.depth));
        }
        DiveProfile dive;
        CsvFile csv;
        const bool read = csv.read(dir.filePath(name), dive);
        QCOMPARE(read, !parsed.isEmpty());
        QCOMPARE(dive.samples.size(), parsed.size());
    }
}

namespace {

DiveProfile reportDive()
{
    DiveProfile dive;
    dive.computer = "Veltra";
    dive.name = "42";
    dive.dateTime = 1700000000; // 2023-11-14 22:13:20 UTC
    dive.serial = "SN123";
    dive.diveMode = 0;
    dive.gfLow = 30;
    dive.gfHigh = 85;
    dive.freshWater = 0;
    dive.surfacePressure = 1.013;
    dive.alerts = 0;
    dive.maxDepth = 20.5;
    dive.duration = 125;
    dive.meanDepth = 10.25;
    dive.minTemperature = 12.5;
    dive.maxTemperature = 19;
    dive.firmwareVersion = "1.2.3";
    DiveGas air;
    air.name = "Air";
    DiveGas nitrox;
    nitrox.o2 = 32;
    nitrox.name = "Nx32";
    dive.gases = { air, nitrox };
    DiveSample a;
    a.temperature = 19;
    a.gasIndex = 0;
    DiveSample b;
    b.time = 62.5;
    b.depth = 20.5;
    b.decoCeiling = 3.2;
    b.temperature = 12.5;
    b.batteryVoltage = 3650;
    b.gasIndex = 1;
    DiveSample c;
    c.time = 125;
    c.temperature = 13;
    dive.samples = { a, b, c };
    return dive;
}

} // namespace

void TestCsvFile::writeExact_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray titles = "Nom de l'ordinateur;N\xC2\xB0 de plong\xC3\xA9"
                              "e;Type;Date;N\xC2\xB0 de s\xC3\xA9"
                              "rie;Mode;Gaz;Gfs;Type d'eau;Patm;Alertes;PMax;DTP;PMoy;Tmin;Tmax;"
                              "Version Fw;OTU;\n";
    const QByteArray sampleTitles
        = "N\xB0 de point;Dive Time(s);Depth(m);Deco Ceiling(m);Ambient Temp. (C);"
          "Tension de la batterie;Gaz;Alerte de type CNC;Pression bloc;Alerte pression;GF Low;"
          "GF High;PpO2\n";
    const QByteArray words = "AlertCNC;?bar;AlertPression;GFLow;GFHigh;PpO2\n";

    QTest::newRow("dot") << 0
                         << titles
            + "Veltra;42;QRD-M;2023-11-14 22:13:20;SN123;PLB OC;Gaz?;GFlow30_GFhigh85;Salt;"
              "1.013;Aucune;20.5;02:05;10.25;12.5;19;1.2.3;0;\n"
            + sampleTitles + "0;0;0;0;19;0;Air;" + words + "1;62.5;20.5;3.2;12.5;3650;Nx32;" + words
            + "2;125;0;0;13;0;Inconnu;" + words;
    QTest::newRow("comma") << 1
                           << titles
            + "Veltra;42;QRD-M;2023-11-14 22:13:20;SN123;PLB OC;Gaz?;GFlow30_GFhigh85;Salt;"
              "1,013;Aucune;20,5;02:05;10,25;12,5;19;1.2.3;0;\n"
            + sampleTitles + "0;0;0;0;19;0;Air;" + words + "1;62,5;20,5;3,2;12,5;3650;Nx32;" + words
            + "2;125;0;0;13;0;Inconnu;" + words;
}

void TestCsvFile::writeExact()
{
    QFETCH(int, mode);
    QFETCH(QByteArray, expected);
    CsvFile::setMode(mode);
    const QString path = m_dir.filePath("exact.csv");
    DiveProfile dive = reportDive();
    CsvFile csv;
    QVERIFY2(csv.write(path, dive), qPrintable(csv.errorString()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), expected);
}

void TestCsvFile::numberFormat_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QByteArray>("dot");
    QTest::addColumn<QByteArray>("comma");
    // printf's %g: 6 significant digits, exponent from 1e6 and below 1e-4.
    QTest::newRow("seven digits") << 1234567.0 << QByteArray("1.23457e+06")
                                  << QByteArray("1,23457e+06");
    QTest::newRow("six digits") << 100000.0 << QByteArray("100000") << QByteArray("100000");
    QTest::newRow("one million") << 1000000.0 << QByteArray("1e+06") << QByteArray("1e+06");
    QTest::newRow("small fixed") << 0.0001 << QByteArray("0.0001") << QByteArray("0,0001");
    QTest::newRow("small exponent") << 0.00001 << QByteArray("1e-05") << QByteArray("1e-05");
    QTest::newRow("rounded") << 2.0000001 << QByteArray("2") << QByteArray("2");
    QTest::newRow("negative") << -2.5 << QByteArray("-2.5") << QByteArray("-2,5");
}

void TestCsvFile::numberFormat()
{
    QFETCH(double, value);
    QFETCH(QByteArray, dot);
    QFETCH(QByteArray, comma);
    DiveProfile dive = reportDive();
    dive.surfacePressure = value;
    QList<QByteArray> lines = writtenLines(dive, 0);
    QVERIFY(lines.size() > 2);
    QCOMPARE(lines.at(1).split(';').at(9), dot);
    lines = writtenLines(dive, 1);
    QVERIFY(lines.size() > 2);
    QCOMPARE(lines.at(1).split(';').at(9), comma);
}

void TestCsvFile::alertAndDurationTexts_data()
{
    QTest::addColumn<quint32>("alerts");
    QTest::addColumn<double>("duration");
    QTest::addColumn<QByteArray>("alertText");
    QTest::addColumn<QByteArray>("durationText");
    QTest::newRow("no alert, 125 s") << 0u << 125.0 << QByteArray("Aucune") << QByteArray("02:05");
    QTest::newRow("only bit 27, 3725.9 s rounds down")
        << (1u << 27) << 3725.9 << QByteArray("Yoyo") << QByteArray("01:02:05");
    QTest::newRow("all four in order") << ((1u << 2) | (2u << 22) | (3u << 26) | (1u << 31)) << 0.0
                                       << QByteArray("RARRYoyo24H") << QByteArray("00:00");
    QTest::newRow("security alone has no text")
        << (3u << 28) << 59.0 << QByteArray("Aucune") << QByteArray("00:59");
    QTest::newRow("other bits have no text")
        << 0x30330033u << 86400.0 << QByteArray("Aucune") << QByteArray("24:00:00");
    QTest::newRow("hundred hours")
        << 0u << 360000.0 << QByteArray("Aucune") << QByteArray("100:00:00");
    QTest::newRow("negative duration")
        << 0u << -30.0 << QByteArray("Aucune") << QByteArray("00:00");
}

void TestCsvFile::alertAndDurationTexts()
{
    QFETCH(quint32, alerts);
    QFETCH(double, duration);
    QFETCH(QByteArray, alertText);
    QFETCH(QByteArray, durationText);
    DiveProfile dive = reportDive();
    dive.alerts = alerts;
    dive.duration = duration;
    const QList<QByteArray> lines = writtenLines(dive, 0);
    QVERIFY(lines.size() > 2);
    const QList<QByteArray> summary = lines.at(1).split(';');
    QCOMPARE(summary.at(10), alertText);
    QCOMPARE(summary.at(12), durationText);
}

void TestCsvFile::numbersRecovered_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("dot") << 0;
    QTest::newRow("comma") << 1;
}

void TestCsvFile::numbersRecovered()
{
    // Every number written must come back exactly: with the decimal mark as separator
    // "12.5" and "12" + "5" could not be told apart. The values have at most 6 significant
    // digits, which the report keeps.
    QFETCH(int, mode);
    DiveProfile dive = reportDive();
    dive.surfacePressure = 0.987;
    dive.maxDepth = 41.25;
    dive.meanDepth = 18.375;
    dive.minTemperature = -1.5;
    dive.maxTemperature = 24.75;
    dive.samples.clear();
    for (int i = 0; i < 50; ++i) {
        DiveSample s;
        s.time = i * 4.5;
        s.depth = (i % 17) * 1.25 + 0.1;
        s.decoCeiling = (i % 5) * 0.3;
        s.temperature = 10.5 + (i % 3) * 0.25;
        dive.samples.append(s);
    }

    auto number = [mode](const QByteArray& field, bool* ok) {
        QByteArray text = field;
        if (mode == 1)
            text.replace(',', '.');
        return text.toDouble(ok);
    };

    const QList<QByteArray> lines = writtenLines(dive, mode);
    QCOMPARE(lines.size(), 3 + 50 + 1); // titles, summary, sample titles, samples, final ""
    const QList<QByteArray> summary = lines.at(1).split(';');
    QCOMPARE(summary.size(), 18 + 1);
    const int numericColumns[] = { 9, 11, 13, 14, 15 };
    const double expected[] = { 0.987, 41.25, 18.375, -1.5, 24.75 };
    for (int k = 0; k < 5; ++k) {
        bool ok = false;
        QCOMPARE(number(summary.at(numericColumns[k]), &ok), expected[k]);
        QVERIFY(ok);
    }
    for (int i = 0; i < 50; ++i) {
        const QList<QByteArray> row = lines.at(3 + i).split(';');
        QCOMPARE(row.size(), 13);
        const DiveSample& s = dive.samples.at(i);
        bool ok[4] = {};
        QCOMPARE(row.at(0).toInt(), i);
        QCOMPARE(number(row.at(1), &ok[0]), s.time);
        QCOMPARE(number(row.at(2), &ok[1]), s.depth);
        QCOMPARE(number(row.at(3), &ok[2]), s.decoCeiling);
        QCOMPARE(number(row.at(4), &ok[3]), s.temperature);
        QVERIFY(ok[0] && ok[1] && ok[2] && ok[3]);
    }
}

void TestCsvFile::gasColumn()
{
    DiveProfile dive = reportDive();
    const int indexes[] = { -1, 0, 1, 2, 1000 };
    dive.samples.clear();
    for (int gas : indexes) {
        DiveSample s;
        s.gasIndex = gas;
        dive.samples.append(s);
    }
    const QList<QByteArray> lines = writtenLines(dive, 0);
    QVERIFY(lines.size() > 7);
    const QByteArray expected[] = { "Inconnu", "Air", "Nx32", "Inconnu", "Inconnu" };
    for (int i = 0; i < 5; ++i)
        QCOMPARE(lines.at(3 + i).split(';').at(6), expected[i]);
}

void TestCsvFile::textWithSeparatorQuoted()
{
    DiveProfile dive = reportDive();
    dive.computer = "My; \"best\"";
    dive.serial = "two\nlines";
    const QList<QByteArray> lines = writtenLines(dive, 0);
    QVERIFY(lines.size() > 3);
    QVERIFY(lines.at(1).startsWith("\"My; \"\"best\"\"\";42;QRD-M;"));
    // The newline stays inside the quotes; the report keeps its line count.
    QVERIFY(lines.at(1).endsWith("\"two"));
    QVERIFY(lines.at(2).startsWith("lines\";PLB OC;"));
}

void TestCsvFile::writeFailures()
{
    DiveProfile dive = reportDive();

    // A device that fills up part-way: reported, not success.
    FailingDevice full(100);
    QVERIFY(full.open(QIODevice::WriteOnly));
    QVERIFY(!CsvFile::writeReport(full, dive, 0));

    // A folder that does not exist.
    CsvFile csv;
    const QString missing = m_dir.filePath("no/such/folder/out.csv");
    QVERIFY(!csv.write(missing, dive));
    QVERIFY(!csv.errorString().isEmpty());
    QVERIFY(!QFile::exists(missing));

    // A path that is a folder: the folder is left alone.
    const QString folder = m_dir.filePath("folder.csv");
    QVERIFY(QDir(m_dir.path()).mkpath("folder.csv"));
    QVERIFY(!csv.write(folder, dive));
    QVERIFY(QFileInfo(folder).isDir());

    // Replacing an existing file works and leaves no temporary file behind.
    const QString existing = writeFile("existing.csv", "old");
    QVERIFY(csv.write(existing, dive));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("Nom de l'ordinateur;"));
    QCOMPARE(QDir(m_dir.path()).entryList({ "existing.csv*" }, QDir::Files).size(), 1);
}

void TestCsvFile::profileLayoutReadsBack()
{
    // Values of at most 6 significant digits survive the layout's number format exactly; each
    // gas kind, a hypoxic nitrox (no display name of its own) and an unknown gas come back.
    DiveProfile dive;
    const int mixes[][2] = { { 21, 0 }, { 32, 0 }, { 18, 0 }, { 18, 45 }, { 100, 0 } };
    for (const auto& m : mixes) {
        DiveGas gas;
        gas.o2 = m[0];
        gas.he = m[1];
        dive.gases.append(gas);
    }
    for (int i = 0; i < 6; ++i) {
        DiveSample s;
        s.time = 10 * i;
        s.depth = 1.25 * i;
        s.temperature = 21.5 - i;
        s.decoCeiling = i == 3 ? 3 : 0;
        s.cns = 0.5 * i;
        s.gasIndex = i - 1; // -1 (unknown), then each gas
        dive.samples.append(s);
    }
    const QString path = m_dir.filePath(QStringLiteral("profile é.csv"));
    QString error;
    QVERIFY2(exportDive(dive, path, &error, true), qPrintable(error));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    QVERIFY(bytes.startsWith("Time (s),Depth (m),Temperature (C),Ceiling (m),CNS (%),Gas\n"));
    QCOMPARE(bytes.count('\n'), 7);
    QVERIFY(bytes.contains("\n10,1.25,20.5,0,0.5,Air\n"));

    DiveProfile back;
    QVERIFY2(readFirstDive(path, back, &error), qPrintable(error));
    QCOMPARE(back.samples.size(), dive.samples.size());
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const DiveSample& a = dive.samples.at(i);
        const DiveSample& b = back.samples.at(i);
        QCOMPARE(b.time, a.time);
        QCOMPARE(b.depth, a.depth);
        QCOMPARE(b.temperature, a.temperature);
        QCOMPARE(b.decoCeiling, a.decoCeiling);
        QCOMPARE(b.cns, a.cns);
        QCOMPARE(b.gasIndex < 0, a.gasIndex < 0);
        if (a.gasIndex >= 0) {
            QCOMPARE(back.gases.at(b.gasIndex).o2, dive.gases.at(a.gasIndex).o2);
            QCOMPARE(back.gases.at(b.gasIndex).he, dive.gases.at(a.gasIndex).he);
        }
    }
    // A row that is not numbers is skipped and said so.
    QVERIFY(file.open(QIODevice::Append));
    file.write("deep,long,cold,0,0,Air\n");
    file.close();
    DiveFileContent content = readDiveFile(path);
    QVERIFY(content.ok());
    QCOMPARE(content.dives.at(0).samples.size(), dive.samples.size());
    QCOMPARE(content.warnings.size(), 1);
}

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
