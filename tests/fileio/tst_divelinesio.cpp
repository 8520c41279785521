#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestDiveLinesIO : public QObject
{
    Q_OBJECT

private slots:
    void extension_data();
    void extension();
    void nameWithoutExtension_data();
    void nameWithoutExtension();
    void factories();
    void exportRefusesUnwritableFormats_data();
    void exportRefusesUnwritableFormats();

    void loadSetsOriginNameAndStatistics();
    void loadKeepsNothingOfThePreviousDive();
    void failedLoadLeavesProfileUntouched_data();
    void failedLoadLeavesProfileUntouched();

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QTemporaryDir m_dir;
};

QString TestDiveLinesIO::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write test file");
    return path;
}

void TestDiveLinesIO::extension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<int>("type");
    QTest::newRow("upper-case csv") << "dive.CSV"
                                    << ".csv" << 1;
    QTest::newRow("mixed-case uddf in folders") << "x/y/Dive.Uddf"
                                                << ".uddf" << 2;
    QTest::newRow("last dot counts") << "a.b.divebin"
                                     << ".divebin" << 3;
    QTest::newRow("windows folders") << "C:\\dives\\morning.csv"
                                     << ".csv" << 1;
    QTest::newRow("dot in a folder only") << "dir.csv/file"
                                          << "" << 5;
    QTest::newRow("no dot") << "README"
                            << "" << 5;
    QTest::newRow("unknown") << "plan.diveplan"
                             << ".diveplan" << 5;
    QTest::newRow("trailing dot") << "dive."
                                  << "." << 5;
    QTest::newRow("empty") << ""
                           << "" << 5;
}

void TestDiveLinesIO::extension()
{
    QFETCH(QString, path);
    QFETCH(QString, extension);
    QFETCH(int, type);
    QCOMPARE(extensionOf(path), extension);
    QCOMPARE(int(fileTypeOf(path)), type);
}

void TestDiveLinesIO::nameWithoutExtension_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("name");
    QTest::newRow("windows path") << "C:\\dives\\morning.csv"
                                  << "morning";
    QTest::newRow("unix path") << "/home/me/dives/night.dive.csv"
                               << "night.dive";
    QTest::newRow("no folder keeps the extension") << "morning.csv"
                                                   << "morning.csv";
    QTest::newRow("folder, no extension") << "x/plain"
                                          << "plain";
}

void TestDiveLinesIO::nameWithoutExtension()
{
    QFETCH(QString, path);
    QFETCH(QString, name);
    QCOMPARE(fileNameWithoutExtension(path), name);
}

void TestDiveLinesIO::factories()
{
    const std::unique_ptr<DiveLinesIO> csvReader = makeReader("x/dive.CSV");
    QVERIFY(csvReader);
    QCOMPARE(csvReader->fileType(), DiveOriginCsv);
    QVERIFY(!makeReader("dive.txt"));
    QVERIFY(!makeReader("dive"));

    const std::unique_ptr<DiveLinesIO> csvWriter = makeWriter("out.csv");
    QVERIFY(csvWriter);
    QCOMPARE(csvWriter->fileType(), DiveOriginCsv);
    QVERIFY(makeWriter(DiveOriginCsv));
    QVERIFY(!makeWriter("out.divebin"));
    QVERIFY(!makeWriter(DiveOriginBinary));
    QVERIFY(!makeWriter(DiveOriginNone));
}

void TestDiveLinesIO::exportRefusesUnwritableFormats_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("binary dive file has no writer") << "out.divebin";
    QTest::newRow("unknown extension") << "out.txt";
}

void TestDiveLinesIO::exportRefusesUnwritableFormats()
{
    QFETCH(QString, name);
    DiveProfile dive;
    dive.samples.append(DiveSample());
    const QString path = m_dir.filePath(name);
    QString error;
    QVERIFY(!exportDive(dive, path, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!QFile::exists(path));
}

void TestDiveLinesIO::loadSetsOriginNameAndStatistics()
{
    const QString path = writeFile("morning.csv",
        "0\t0\t" + QByteArray("0\t").repeated(13) + "20\t0\t0\t0\t0\n" + "60\t12\t"
            + QByteArray("0\t").repeated(13) + "18\t0\t0\t0\t0\n");
    DiveProfile dive;
    const qint64 before = QDateTime::currentSecsSinceEpoch();
    QString error;
    QVERIFY2(readFirstDive(path, dive, &error), qPrintable(error));
    QCOMPARE(dive.origin, DiveOriginCsv);
    QCOMPARE(dive.name, QString("morning"));
    QCOMPARE(dive.sourceFileName, QString("morning.csv"));
    QCOMPARE(dive.samples.size(), 2);
    QCOMPARE(dive.maxDepth, 12.0);
    QCOMPARE(dive.duration, 60.0);
    QCOMPARE(dive.minTemperature, 18.0);
    QCOMPARE(dive.samples.at(1).speed, 12.0); // 60/60 x 12
    QCOMPARE(dive.samples.at(1).gasIndex, -1);
    // The CSV reader finds no date: "now".
    QVERIFY(dive.dateTime >= before && dive.dateTime <= QDateTime::currentSecsSinceEpoch());
}

void TestDiveLinesIO::loadKeepsNothingOfThePreviousDive()
{
    const QString path
        = writeFile("second.csv", "0\t5\t" + QByteArray("0\t").repeated(13) + "20\t0\t0\t0\t0\n");
    DiveProfile dive;
    dive.computer = "Veltra";
    dive.serial = "1234";
    dive.firmwareVersion = "2.0";
    dive.gases.append(DiveGas());
    dive.yoyoMarkers.append({ 1, 1, 1 });
    dive.ascentSamples.append(DiveSample());
    dive.surfacePressure = 0.9;
    dive.dateTime = 42;
    QVERIFY(readFirstDive(path, dive));
    QVERIFY(dive.computer.isEmpty());
    QVERIFY(dive.serial.isEmpty());
    QVERIFY(dive.firmwareVersion.isEmpty());
    QVERIFY(dive.gases.isEmpty());
    QVERIFY(dive.yoyoMarkers.isEmpty());
    QVERIFY(dive.ascentSamples.isEmpty());
    QCOMPARE(dive.surfacePressure, 1.013);
    QVERIFY(dive.dateTime != 42);
    QCOMPARE(dive.samples.size(), 1);
}

void TestDiveLinesIO::failedLoadLeavesProfileUntouched_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content"); // empty: the file is not created
    QTest::newRow("missing file") << "absent.csv" << QByteArray();
    QTest::newRow("unknown extension") << "dive.txt" << QByteArray("0\t1\n");
    QTest::newRow("no sample line") << "titles.csv" << QByteArray("Time\tDepth\n\n");
    QTest::newRow("binary garbage") << "garbage.csv" << QByteArray("\x00\xff\x7f\x01\x02", 5);
}

void TestDiveLinesIO::failedLoadLeavesProfileUntouched()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    const QString path = content.isEmpty() ? m_dir.filePath(name) : writeFile(name, content);
    DiveProfile dive;
    dive.name = "kept";
    dive.computer = "Veltra";
    dive.origin = DiveOriginComputer;
    dive.samples.append(DiveSample());
    dive.samples[0].depth = 7;
    dive.gases.append(DiveGas());
    QString error;
    QVERIFY(!readFirstDive(path, dive, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(dive.name, QString("kept"));
    QCOMPARE(dive.computer, QString("Veltra"));
    QCOMPARE(dive.origin, DiveOriginComputer);
    QCOMPARE(dive.samples.size(), 1);
    QCOMPARE(dive.samples.at(0).depth, 7.0);
    QCOMPARE(dive.gases.size(), 1);
}

QTEST_GUILESS_MAIN(TestDiveLinesIO)
#include "tst_divelinesio.moc"
