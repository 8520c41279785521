// The CSV reader and writers, and the choice of reader and writer by file name.

#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "fileiotest.h"

#include <QDateTime>
#include <QDir>
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

// A dive with every summary and sample column set; also the dive a failed read must keep.
DiveProfile reportDive()
{
    DiveProfile dive;
    dive.computer = "Veltra";
    dive.name = "42";
    dive.dateTime = 1700000000; // 2023-11-14 22:13:20 UTC
    dive.serial = "SN123";
    dive.gfLow = 30;
    dive.gfHigh = 85;
    dive.surfacePressure = 1.013;
    dive.maxDepth = 20.125;
    dive.duration = 125;
    dive.meanDepth = 10.25;
    dive.minTemperature = 12.375;
    dive.maxTemperature = 19;
    dive.firmwareVersion = "1.2.3";
    dive.gases = { { {}, "Air", 21, 0 }, { {}, "Nx32", 32, 0 } };
    const auto sample = [](double time, double depth, double ceiling, double temperature, int gas) {
        DiveSample s;
        s.time = time;
        s.depth = depth;
        s.decoCeiling = ceiling;
        s.temperature = temperature;
        s.gasIndex = gas;
        return s;
    };
    // The last two breathe no gas of the dive, or an unknown one.
    dive.samples = { sample(0, 0, 0, 19, 0), sample(62.25, 20.125, 3.25, 12.375, 1),
        sample(125, 0, 0, 13, 2), sample(125, 0, 0, 13, -1) };
    dive.samples[1].batteryVoltage = 3650;
    return dive;
}

} // namespace

class TestCsvFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The report's date is local time: pin the zone.
        qputenv("TZ", "UTC");
        tzset();
    }

    void fileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("extension");
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("name"); // without folder and extension

        const auto row = [](const char* tag, const char* path, const char* extension, int type,
                             const char* name) {
            QTest::newRow(tag) << QString(path) << QString(extension) << type << QString(name);
        };
        row("upper-case csv", "x/dive.CSV", ".csv", 1, "dive");
        row("mixed-case uddf in folders", "x/y/Dive.Uddf", ".uddf", 2, "Dive");
        row("last dot counts", "/home/me/a.b.divebin", ".divebin", 3, "a.b");
        row("windows folders", "C:\\dives\\morning.csv", ".csv", 1, "morning");
        row("dot in a folder only", "dir.csv/file", "", 5, "file");
        row("no folder keeps the extension", "README.csv", ".csv", 1, "README.csv");
        row("unknown", "plan.diveplan", ".diveplan", 5, "plan.diveplan");
        row("trailing dot", "dive.", ".", 5, "dive.");
        row("empty", "", "", 5, "");
    }

    void fileNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, extension);
        QFETCH(int, type);
        QFETCH(QString, name);
        QCOMPARE(extensionOf(path), extension);
        QCOMPARE(int(fileTypeOf(path)), type);
        QCOMPARE(fileNameWithoutExtension(path), name);
        const std::unique_ptr<DiveLinesIO> reader = makeReader(path);
        QCOMPARE(reader ? int(reader->fileType()) : 5, type);
        // The binary dive file has no writer.
        const std::unique_ptr<DiveLinesIO> writer = makeWriter(path);
        QCOMPARE(writer ? int(writer->fileType()) : 5, type == DiveOriginBinary ? 5 : type);
        QCOMPARE(
            bool(makeWriter(DiveOrigin(type))), type == DiveOriginCsv || type == DiveOriginUddf);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QList<double>>("counts"); // samples, skipped, other lines, first time

        QTest::newRow("20 fields") << line20({ "12.5" }) << QList<double> { 1, 0, 0, 12.5 };
        QTest::newRow("19 fields")
            << line20({}).replace("\t0\n", "\n") << QList<double> { 0, 0, 1, 0.0 };
        QTest::newRow("21 fields") << line20({}, "\t0\n") << QList<double> { 0, 0, 1, 0.0 };
        QTest::newRow("one trailing TAB still 20")
            << line20({ "3" }, "\t\n") << QList<double> { 1, 0, 0, 3.0 };
        QTest::newRow("two trailing TABs make 21")
            << line20({ "3" }, "\t\t\n") << QList<double> { 0, 0, 1, 0.0 };
        QTest::newRow("empty unused field")
            << line20({ "4", "1", "" }) << QList<double> { 1, 0, 0, 4.0 };
        QTest::newRow("empty used field skips the line")
            << line20({ "4", "" }) << QList<double> { 0, 1, 0, 0.0 };
        QTest::newRow("CRLF") << line20({ "5" }, "\r\n") << QList<double> { 1, 0, 0, 5.0 };
        QTest::newRow("CRLF after a trailing TAB")
            << line20({ "5" }, "\t\r\n") << QList<double> { 1, 0, 0, 5.0 };
        QTest::newRow("inf rejected") << line20({ "inf" }) << QList<double> { 0, 1, 0, 0.0 };
        QTest::newRow("nan rejected") << line20({ "1", "nan" }) << QList<double> { 0, 1, 0, 0.0 };
        QTest::newRow("out of range rejected")
            << line20({ "1e999" }) << QList<double> { 0, 1, 0, 0.0 };
        QTest::newRow("letters rejected") << line20({ "Time" }) << QList<double> { 0, 1, 0, 0.0 };
        QTest::newRow("number then garbage")
            << line20({ "12.5abc" }) << QList<double> { 1, 0, 0, 12.5 };
        QTest::newRow("blanks and plus sign")
            << line20({ "  +3.5" }) << QList<double> { 1, 0, 0, 3.5 };
        QTest::newRow("decimal comma stops the number")
            << line20({ "12,5" }) << QList<double> { 1, 0, 0, 12.0 };
        QTest::newRow("exponent") << line20({ "1.5e2" }) << QList<double> { 1, 0, 0, 150.0 };
        QTest::newRow("no final newline") << line20({ "7" }, "") << QList<double> { 1, 0, 0, 7.0 };
        QTest::newRow("NUL ends the number")
            << line20({ QByteArray("8\0x", 3) }) << QList<double> { 1, 0, 0, 8.0 };
        QTest::newRow("titles, blank lines, samples")
            << QByteArray("Title\tline\n\n\r\n" + line20({ "1" }) + "\n" + line20({ "2" }))
            << QList<double> { 2, 0, 4, 1.0 };
        QTest::newRow("lone CR is not a line end")
            << QByteArray("1\r" + line20({ "2" })) << QList<double> { 1, 0, 0, 1.0 };
        QTest::newRow("many TABs") << QByteArray(100000, '\t') << QList<double> { 0, 0, 1, 0.0 };
        QTest::newRow("empty") << QByteArray() << QList<double> { 0, 0, 0, 0.0 };
    }

    void parse()
    {
        QFETCH(QByteArray, data);
        QFETCH(QList<double>, counts);
        CsvFile::ParseStats stats;
        const QList<DiveSample> parsed = CsvFile::parseSamples(data, &stats);
        QCOMPARE(parsed.size(), stats.sampleLines);
        QCOMPARE(QList<double>({ double(stats.sampleLines), double(stats.skippedLines),
                     double(stats.otherLines), parsed.isEmpty() ? 0.0 : parsed.first().time }),
            counts);
    }

    void readFile()
    {
        // A title line, two samples and a line without numbers, read into a dive that held another
        // one: nothing of it may stay. Fields 0, 1 and 15-19 are time, depth, temperature (here ten
        // times the depth), OTU, CNS, ceiling and gradient factor; fields 2-14 are not used.
        const auto sample = [](const QByteArray& time, const QByteArray& depth) {
            QList<QByteArray> values = { time, depth };
            values << QList<QByteArray>(13, "9") << depth + "0"
                   << "1.5"
                   << "2.5"
                   << "3"
                   << "0.75";
            return line20(values);
        };
        const QString path = m_dir.filePath("C-dives-evening.csv");
        QVERIFY(writeFile(
            path, "Time\tDepth\n" + sample("0", "2") + sample("60", "12") + line20({ "x", "1" })));
        DiveProfile dive = reportDive();
        dive.yoyoMarkers.append({ 1, 1, 1 });
        dive.ascentSamples.append(DiveSample());
        dive.surfacePressure = 0.9;
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QString error;
        QVERIFY2(readFirstDive(path, dive, &error), qPrintable(error));
        QCOMPARE(dive.origin, DiveOriginCsv);
        QCOMPARE(dive.sourceFileName, QString("C-dives-evening.csv"));
        QCOMPARE(describe(dive),
            QStringList({ "C-dives-evening", "", "", QString::number(dive.dateTime), "0", "", "",
                "", "", "", "0:2:20:- cns2.5 ceil3 60:12:120:- cns2.5 ceil3" }));
        QCOMPARE(dive.samples.at(1).otu, 1.5);
        QCOMPARE(dive.samples.at(1).gradientFactor, 0.75);
        QVERIFY(dive.yoyoMarkers.isEmpty() && dive.ascentSamples.isEmpty());
        // OTU, gradient factor, the default surface pressure, statistics, 10 m in 60 s: 10 m/min.
        QCOMPARE(QList<double>({ dive.samples.at(1).otu, dive.samples.at(1).gradientFactor,
                     dive.surfacePressure, dive.maxDepth, dive.duration, dive.minTemperature,
                     dive.samples.at(1).speed }),
            QList<double>({ 1.5, 0.75, 1.013, 12, 60, 20, 10 }));
        // The CSV file holds no date: "now".
        QVERIFY(dive.dateTime >= before && dive.dateTime <= QDateTime::currentSecsSinceEpoch());
        // The line without numbers is skipped and said so.
        QCOMPARE(readDiveFile(path).warnings.size(), 1);
    }

    void readFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing") << "missing" << QByteArray();
        QTest::newRow("directory") << "directory" << QByteArray();
        QTest::newRow("empty") << "empty" << QByteArray();
        QTest::newRow("only titles") << "titles" << QByteArray("Time\tDepth\tTemp\n\n");
        QTest::newRow("only bad numbers")
            << "bad" << line20({ "nan" }) + line20({ "inf", "1" }) + line20({ "a" });
        QTest::newRow("binary") << "binary"
                                << QByteArray("\x00\xff\x13\x37\t\x80garbage\n", 15).repeated(300);
        // A sparse file: one valid line, then past the size limit.
        QTest::newRow("larger than the limit") << "huge" << line20({ "1" });
    }

    void readFailures()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, content);
        const QString path = m_dir.filePath(kind + ".csv");
        if (kind == "directory")
            QVERIFY(QDir(m_dir.path()).mkpath(kind + ".csv"));
        else if (kind != "missing")
            QVERIFY(writeFile(path, content));
        if (kind == "huge")
            QVERIFY(QFile(path).resize(CsvFile::MaxFileBytes + 1));

        DiveProfile dive = reportDive();
        CsvFile csv;
        QVERIFY(!csv.read(path, dive));
        QVERIFY(!csv.errorString().isEmpty());
        QCOMPARE(describe(dive), describe(reportDive()));
    }

    void fuzzRegressions()
    {
        // Inputs the fuzzer found or that probe the splitter's edges: none may crash, and the
        // file reader must agree with the parser.
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/csv"));
        const QStringList names = dir.entryList(QDir::Files);
        QVERIFY(!names.isEmpty());
        for (const QString& name : names) {
            const QList<DiveSample> parsed = CsvFile::parseSamples(::readFile(dir.filePath(name)));
            for (const DiveSample& s : parsed)
                QVERIFY(std::isfinite(s.time) && std::isfinite(s.depth));
            DiveProfile dive;
            CsvFile csv;
            QCOMPARE(csv.read(dir.filePath(name), dive), !parsed.isEmpty());
            QCOMPARE(dive.samples.size(), parsed.size());
        }
    }

    void writeExact_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("expected");

        const QByteArray titles
            = "Nom de l'ordinateur;N\xC2\xB0 de plong\xC3\xA9"
              "e;Type;Date;N\xC2\xB0 de s\xC3\xA9"
              "rie;Mode;Gaz;Gfs;Type d'eau;Patm;Alertes;PMax;DTP;PMoy;Tmin;Tmax;"
              "Version Fw;OTU;\n";
        const QByteArray sampleTitles
            = "N\xB0 de point;Dive Time(s);Depth(m);Deco Ceiling(m);Ambient Temp. (C);"
              "Tension de la batterie;Gaz;Alerte de type CNC;Pression bloc;Alerte pression;GF Low;"
              "GF High;PpO2\n";
        const QByteArray words = "AlertCNC;?bar;AlertPression;GFLow;GFHigh;PpO2\n";

        // Texts with the separator or a newline are quoted; the newline stays inside the quotes.
        const QByteArray dot = titles
            + "\"My; \"\"best\"\"\";42;QRD-M;2023-11-14 22:13:20;\"two\nlines\";PLB OC;Gaz?;"
              "GFlow30_GFhigh85;Salt;1.013;Aucune;20.125;02:05;10.25;12.375;19;1.2.3;0;\n"
            + sampleTitles + "0;0;0;0;19;0;Air;" + words + "1;62.25;20.125;3.25;12.375;3650;Nx32;"
            + words + "2;125;0;0;13;0;Inconnu;" + words + "3;125;0;0;13;0;Inconnu;" + words;
        QByteArray comma = dot;
        for (const char* number : { "1.013", "20.125", "10.25", "12.375", "62.25", "3.25" })
            comma.replace(number, QByteArray(number).replace('.', ','));
        QTest::newRow("dot") << 0 << dot;
        QTest::newRow("comma") << 1 << comma;
    }

    void writeExact()
    {
        QFETCH(int, mode);
        QFETCH(QByteArray, expected);
        DiveProfile dive = reportDive();
        dive.computer = "My; \"best\"";
        dive.serial = "two\nlines";
        QCOMPARE(writtenLines(dive, mode).join('\n'), expected);
    }

    void summaryFields_data()
    {
        QTest::addColumn<double>("pressure");
        QTest::addColumn<quint32>("alerts");
        QTest::addColumn<double>("duration");
        QTest::addColumn<QByteArray>("dot"); // pressure, alert and duration texts
        QTest::addColumn<QByteArray>("comma"); // pressure

        const auto row = [](const char* name, double pressure, quint32 alerts, double duration,
                             const char* dot, const char* comma) {
            QTest::newRow(name) << pressure << alerts << duration << QByteArray(dot)
                                << QByteArray(comma);
        };
        // printf's %g: 6 significant digits, exponent from 1e6 and below 1e-4.
        row("seven digits", 1234567.0, 0, 125, "1.23457e+06;Aucune;02:05", "1,23457e+06");
        row("six digits", 100000.0, 0, 125, "100000;Aucune;02:05", "100000");
        row("one million", 1000000.0, 0, 125, "1e+06;Aucune;02:05", "1e+06");
        row("small fixed", 0.0001, 0, 125, "0.0001;Aucune;02:05", "0,0001");
        row("small exponent", 0.00001, 0, 125, "1e-05;Aucune;02:05", "1e-05");
        row("rounded", 2.0000001, 0, 125, "2;Aucune;02:05", "2");
        row("negative", -2.5, 0, 125, "-2.5;Aucune;02:05", "-2,5");
        row("only bit 27, 3725.9 s rounds down", 1.013, 1u << 27, 3725.9, "1.013;Yoyo;01:02:05",
            "1,013");
        row("all four in order", 1.013, (1u << 2) | (2u << 22) | (3u << 26) | (1u << 31), 0.0,
            "1.013;RARRYoyo24H;00:00", "1,013");
        row("security alone has no text", 1.013, 3u << 28, 59, "1.013;Aucune;00:59", "1,013");
        row("other bits have no text", 1.013, 0x30330033u, 86400, "1.013;Aucune;24:00:00", "1,013");
        row("hundred hours", 1.013, 0, 360000, "1.013;Aucune;100:00:00", "1,013");
        row("negative duration", 1.013, 0, -30, "1.013;Aucune;00:00", "1,013");
    }

    void summaryFields()
    {
        QFETCH(double, pressure);
        QFETCH(quint32, alerts);
        QFETCH(double, duration);
        QFETCH(QByteArray, dot);
        QFETCH(QByteArray, comma);
        DiveProfile dive = reportDive();
        dive.surfacePressure = pressure;
        dive.alerts = alerts;
        dive.duration = duration;
        const QList<QByteArray> summary = writtenLines(dive, 0).value(1).split(';');
        QCOMPARE(summary.value(9) + ';' + summary.value(10) + ';' + summary.value(12), dot);
        QCOMPARE(writtenLines(dive, 1).value(1).split(';').value(9), comma);
    }

    void writeFailures()
    {
        DiveProfile dive = reportDive();
        QString error;
        // A folder that does not exist, a path that is a folder (left alone), formats without a
        // writer: refused, said so, nothing created.
        QVERIFY(QDir(m_dir.path()).mkpath("folder.csv"));
        for (const char* name :
            { "no/such/folder/out.csv", "folder.csv", "out.divebin", "out.txt" }) {
            const QString path = m_dir.filePath(name);
            QVERIFY2(!exportDive(dive, path, &error), name);
            QVERIFY(!error.isEmpty());
            QCOMPARE(QFile::exists(path), QFileInfo(path).isDir()); // only the folder, left alone
        }
    }

    void profileLayoutReadsBack()
    {
        // Values of at most 6 significant digits survive the layout's number format exactly; each
        // gas kind, a hypoxic nitrox (no display name of its own) and an unknown gas come back.
        DiveProfile dive;
        dive.gases = { { {}, {}, 21, 0 }, { {}, {}, 32, 0 }, { {}, {}, 18, 0 }, { {}, {}, 18, 45 },
            { {}, {}, 100, 0 } };
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
        const QByteArray bytes = ::readFile(path);
        QVERIFY(bytes.startsWith("Time (s),Depth (m),Temperature (C),Ceiling (m),CNS (%),Gas\n"));
        QCOMPARE(bytes.count('\n'), 7);
        QVERIFY(bytes.contains("\n10,1.25,20.5,0,0.5,Air\n"));

        // A row that is not numbers is skipped and said so.
        QVERIFY(writeFile(path, bytes + "deep,long,cold,0,0,Air\n"));
        const DiveFileContent content = readDiveFile(path);
        QCOMPARE(content.warnings.size(), 1);
        QCOMPARE(content.dives.size(), 1);
        QCOMPARE(describe(content.dives.at(0)).constLast(), describe(dive).constLast());
    }

private:
    QList<QByteArray> writtenLines(const DiveProfile& dive, int mode)
    {
        CsvFile::setMode(mode);
        // Over a longer file: the report must replace it whole.
        const QString path = m_dir.filePath("written.csv");
        writeFile(path, QByteArray(20000, 'o'));
        DiveProfile copy = dive;
        CsvFile csv;
        return csv.write(path, copy) ? ::readFile(path).split('\n') : QList<QByteArray>();
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCsvFile)
#include "tst_csvfile.moc"
