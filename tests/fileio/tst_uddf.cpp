#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/uddf.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <ctime>

namespace {

const double kTol = 1e-9;

// A UDDF document around the given waypoints, gas definitions and datetime.
QByteArray document(const QByteArray& waypoints, const QByteArray& mixes = QByteArray(),
    const QByteArray& datetime = QByteArray())
{
    QByteArray doc = "<uddf version=\"3.2.0\">";
    if (!mixes.isEmpty())
        doc += "<gasdefinitions>" + mixes + "</gasdefinitions>";
    doc += "<profiledata><repetitiongroup id=\"g\"><dive id=\"5\">";
    if (!datetime.isNull())
        doc += "<informationbeforedive><datetime>" + datetime
            + "</datetime></informationbeforedive>";
    doc += "<samples>" + waypoints + "</samples></dive></repetitiongroup></profiledata></uddf>";
    return doc;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A profile holding values that no UDDF reader produces, to see that a failed read keeps them.
DiveProfile sentinelProfile()
{
    DiveProfile dive;
    dive.name = QStringLiteral("keep me");
    dive.computer = QStringLiteral("Old computer");
    dive.serial = QStringLiteral("S-1");
    dive.dateTime = 123456789;
    DiveGas gas;
    gas.id = QStringLiteral("g");
    gas.o2 = 50;
    dive.gases.append(gas);
    DiveSample sample;
    sample.time = 7;
    sample.depth = 3.25;
    dive.samples.append(sample);
    return dive;
}

void compareToSentinel(const DiveProfile& dive)
{
    const DiveProfile expected = sentinelProfile();
    QCOMPARE(dive.name, expected.name);
    QCOMPARE(dive.computer, expected.computer);
    QCOMPARE(dive.serial, expected.serial);
    QCOMPARE(dive.dateTime, expected.dateTime);
    QCOMPARE(dive.gases.size(), 1);
    QCOMPARE(dive.gases.at(0).o2, 50);
    QCOMPARE(dive.samples.size(), 1);
    QCOMPARE(dive.samples.at(0).depth, 3.25);
}

// Empty when the document validates against the UDDF 3.2.2 schema, else xmllint's complaint.
QString schemaErrors(const QByteArray& document)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("written.uddf"));
    if (!writeFile(path, document))
        return QStringLiteral("cannot write %1").arg(path);
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"),
        { QStringLiteral("--noout"), QStringLiteral("--schema"),
            QStringLiteral(VELTRA_TEST_DATA "/uddf/schema/uddf_3.2.2.xsd"), path });
    if (!xmllint.waitForFinished(120000) || xmllint.exitStatus() != QProcess::NormalExit)
        return QStringLiteral("xmllint (libxml2-utils) did not run");
    return xmllint.exitCode() == 0 ? QString() : QString::fromUtf8(xmllint.readAllStandardError());
}

DiveSample sampleAt(double time, double depth, int gas)
{
    DiveSample s;
    s.time = time;
    s.depth = depth;
    s.temperature = 18.5 + depth / 10.0;
    s.gasIndex = gas;
    return s;
}

// Dives as a logbook export holds them: names that are no XML ids or repeat, two computers,
// shared and own gases, switches, tank pressures, a site, buddies, notes, alerts and stops.
QList<DiveProfile> logbookDives()
{
    DiveProfile a;
    a.name = QStringLiteral("42");
    a.computer = QStringLiteral("Veltra");
    a.serial = QStringLiteral("S1");
    a.dateTime = 1700000000;
    DiveGas air;
    DiveGas nx50;
    nx50.o2 = 50;
    a.gases = { air, nx50 };
    a.samples = { sampleAt(0, 0, 0), sampleAt(60, 18, 0), sampleAt(1200, 18, 0),
        sampleAt(1300, 6, 1), sampleAt(1500, 3, 1), sampleAt(1560, 0, 1) };
    a.samples[2].decoCeiling = 3;
    a.samples[2].cns = 12.5;
    a.samples[3].alertFlags = 0x24; // rapid ascent, yoyo level 2
    a.tanks = { { 0, 200, 60 }, { 1, 180, 150 } };
    a.site = QStringLiteral("Blue Hole");
    a.buddies = { QStringLiteral("Anna Berg"), QStringLiteral("Madonna") };
    a.notes = QStringLiteral("Current <strong> & cold\nSaw a turtle");
    a.number = 7;

    DiveProfile b = a;
    b.name = QStringLiteral("dc1"); // the id of a computer
    b.computer = QStringLiteral("Tarsk");
    b.serial = QStringLiteral("T2");
    b.dateTime = 1700020000;
    DiveGas trimix;
    trimix.o2 = 18;
    trimix.he = 45;
    b.gases = { trimix, air };
    b.tanks = { { 0, 210, 90 } };
    b.buddies = { QStringLiteral("Anna Berg") };
    b.site.clear();
    b.notes.clear();
    b.number = 0;

    DiveProfile c;
    c.name = QStringLiteral("42"); // the name of another dive
    c.computer = QStringLiteral("<&> \"x\"");
    c.samples = { sampleAt(0, 0, -1), sampleAt(30, 5, -1), sampleAt(90, 0, -1) };
    return { a, b, c };
}

} // namespace

class TestUddf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void pathAccess_data();
    void pathAccess();
    void numbersMatchReference();
    void startTime_data();
    void startTime();
    void gasFractions_data();
    void gasFractions();
    void waypoints();
    void waypointTimesAndDepths_data();
    void waypointTimesAndDepths();
    void documentsFromOtherSoftware_data();
    void documentsFromOtherSoftware();
    void roundTripKeepsTheDive();
    void everyDiveOfAFile();
    void manyDivesRoundTrip();
    void writtenFilesValidate_data();
    void writtenFilesValidate();
    void writtenDocumentShape();
    void badInputLeavesProfile_data();
    void badInputLeavesProfile();
    void truncatedAtEveryByte();
    void oversizedFileRefused();
    void writeFailureReported();
    void registeredByExtension();
    void fuzzRegressions();
};

void TestUddf::initTestCase()
{
    // Local-time cases below are worked out for Paris: CET (+1) in winter, CEST (+2) in summer.
    qputenv("TZ", "Europe/Paris");
    tzset();
}

void TestUddf::pathAccess_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number"); // doubleAt with default -1

    const QByteArray doc = "<r><a><b>first</b><b>second</b></a><n> 12.5 </n><m>10.5m</m>"
                           "<x>nan</x><y>1e999</y><z>-4</z><p:q xmlns:p=\"u\">3</p:q></r>";
    QTest::newRow("first_of_equal_names") << doc << "a/b"
                                          << "first" << 0.0;
    QTest::newRow("empty_components_skipped") << doc << "/a//b/"
                                              << "first" << 0.0;
    QTest::newRow("missing_component") << doc << "a/c"
                                       << "" << -1.0;
    QTest::newRow("number_with_blanks") << doc << "n"
                                        << " 12.5 " << 12.5;
    QTest::newRow("number_with_unit_is_not_a_number") << doc << "m"
                                                      << "10.5m" << 0.0;
    QTest::newRow("nan_is_not_a_number") << doc << "x"
                                         << "nan" << 0.0;
    QTest::newRow("overflow_is_not_a_number") << doc << "y"
                                              << "1e999" << 0.0;
    QTest::newRow("negative") << doc << "z"
                              << "-4" << -4.0;
    QTest::newRow("prefixed_name_by_local_part") << doc << "q"
                                                 << "3" << 3.0;
}

void TestUddf::pathAccess()
{
    QFETCH(QByteArray, xml);
    QFETCH(QString, path);
    QFETCH(QString, text);
    QFETCH(double, number);

    XmlPathDocument doc;
    QVERIFY(doc.loadFromData(xml, "r"));
    const QByteArray p = path.toUtf8();
    QCOMPARE(doc.textAt(p.constData()), text);
    QCOMPARE(doc.doubleAt(p.constData(), -1.0), number);
}

void TestUddf::numbersMatchReference()
{
    // Decimal texts of every length and precision give exactly the double that the C library's
    // locale-free conversion gives (QByteArray::toDouble), bit for bit.
    quint64 state = 0x9E3779B97F4A7C15ull;
    const auto next = [&state]() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    for (int i = 0; i < 20000; ++i) {
        const int intDigits = int(next() % 10);
        const int fracDigits = int(next() % 12);
        QByteArray text = (next() % 4 == 0) ? "-" : "";
        for (int d = 0; d < intDigits; ++d)
            text += char('0' + next() % 10);
        if (fracDigits > 0 || intDigits == 0) {
            text += '.';
            for (int d = 0; d < qMax(fracDigits, 1); ++d)
                text += char('0' + next() % 10);
        }
        bool ok = false;
        const double expected = text.toDouble(&ok);
        QVERIFY2(ok, text.constData());
        const std::optional<double> value = XmlPathDocument::parseNumber(text.constData());
        QVERIFY2(value.has_value(), text.constData());
        QVERIFY2(std::memcmp(&*value, &expected, sizeof expected) == 0, text.constData());
    }
    for (const char* bad : { "", " ", ".", "-", "--5", "1.2.3", "1,5", "0x10", "+-1", "1e", "inf" })
        QVERIFY2(!XmlPathDocument::parseNumber(bad).has_value(), bad);
    QCOMPARE(XmlPathDocument::parseNumber("2.5e1").value_or(0), 25.0);
    QCOMPARE(XmlPathDocument::parseNumber(" +7 ").value_or(0), 7.0);
}

void TestUddf::startTime_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qint64>("expected");

    // 2019-03-05T10:22:00Z is 1551781320 s (17960 days * 86400 + 37320 s).
    const qint64 utc = 1551781320;
    QTest::newRow("20_chars_utc") << QByteArray("2019-03-05T10:22:00Z") << utc;
    QTest::newRow("19_chars_local_winter") << QByteArray("2019-03-05T11:22:00") << utc;
    QTest::newRow("21_chars_fraction_local") << QByteArray("2019-03-05T11:22:00.9") << utc;
    QTest::newRow("fraction_utc") << QByteArray("2019-03-05T10:22:00.750Z") << utc;
    QTest::newRow("offset_plus") << QByteArray("2019-03-05T11:52:00+01:30") << utc;
    QTest::newRow("offset_minus") << QByteArray("2019-03-05T05:22:00-05:00") << utc;
    QTest::newRow("offset_basic") << QByteArray("2019-03-05T12:22:00+0200") << utc;
    QTest::newRow("offset_hours_only") << QByteArray("2019-03-05T13:22:00+03") << utc;
    QTest::newRow("space_separator") << QByteArray("2019-03-05 10:22:00Z") << utc;
    QTest::newRow("no_seconds") << QByteArray("2019-03-05T10:22Z") << utc;
    QTest::newRow("surrounding_blanks") << QByteArray("  2019-03-05T10:22:00Z\n") << utc;
    // 2019-07-05T08:22:00Z is 1562314920 s; Paris is then at +2.
    QTest::newRow("19_chars_local_summer") << QByteArray("2019-07-05T10:22:00") << 1562314920LL;
    // Local midnight of 2019-03-05 in Paris is 23:00 UTC the day before.
    QTest::newRow("date_only_local") << QByteArray("2019-03-05") << 1551740400LL;
    QTest::newRow("leap_second") << QByteArray("2016-12-31T23:59:60Z") << 1483228800LL;
    // 02:30 on 2019-03-31 does not exist in Paris (clocks jump from 02:00 to 03:00): it is
    // taken as 03:30 CEST = 01:30 UTC. 02:30 on 2019-10-27 happens twice: the first, CEST one,
    // is 00:30 UTC.
    QTest::newRow("dst_gap_moves_forward") << QByteArray("2019-03-31T02:30:00") << 1553995800LL;
    QTest::newRow("dst_overlap_first") << QByteArray("2019-10-27T02:30:00") << 1572136200LL;
    QTest::newRow("garbage") << QByteArray("last tuesday") << 0LL;
    QTest::newRow("empty") << QByteArray("") << 0LL;
    QTest::newRow("month_13") << QByteArray("2019-13-05T10:22:00Z") << 0LL;
    QTest::newRow("february_30") << QByteArray("2019-02-30T10:22:00Z") << 0LL;
    QTest::newRow("hour_25") << QByteArray("2019-03-05T25:22:00Z") << 0LL;
    QTest::newRow("wrong_separator") << QByteArray("2019/03/05T10:22:00Z") << 0LL;
    QTest::newRow("trailing_junk") << QByteArray("2019-03-05T10:22:00Zulu") << 0LL;
    QTest::newRow("offset_garbage") << QByteArray("2019-03-05T10:22:00+1") << 0LL;
    QTest::newRow("fraction_without_digits") << QByteArray("2019-03-05T10:22:00.Z") << 0LL;
}

void TestUddf::startTime()
{
    QFETCH(QByteArray, text);
    QFETCH(qint64, expected);

    QCOMPARE(parseUddfDateTime(QString::fromUtf8(text)), expected);

    // The same through a whole document.
    DiveProfile dive;
    dive.dateTime = 42;
    QCOMPARE(UDDF::readData(document("<waypoint><depth>0</depth><divetime>0</divetime>"
                                     "</waypoint>",
                                QByteArray(), text),
                 dive),
        UDDF::Status::Ok);
    QCOMPARE(dive.dateTime, expected);
}

void TestUddf::gasFractions_data()
{
    QTest::addColumn<QByteArray>("mix");
    QTest::addColumn<int>("o2");
    QTest::addColumn<int>("he");

    QTest::newRow("o2_0.29_rounds_to_29") << QByteArray("<o2>0.29</o2>") << 29 << 0;
    QTest::newRow("o2_0.32") << QByteArray("<o2>0.32</o2>") << 32 << 0;
    QTest::newRow("o2_0.57_rounds_to_57") << QByteArray("<o2>0.57</o2>") << 57 << 0;
    QTest::newRow("nearest_percent_up") << QByteArray("<o2>0.326</o2>") << 33 << 0;
    QTest::newRow("nearest_percent_down") << QByteArray("<o2>0.324</o2>") << 32 << 0;
    QTest::newRow("no_o2_is_air") << QByteArray("<he>0</he>") << 21 << 0;
    QTest::newRow("trimix_18_45") << QByteArray("<o2>0.18</o2><he>0.45</he>") << 18 << 45;
    QTest::newRow("o2_above_one_clamped") << QByteArray("<o2>3.2</o2>") << 100 << 0;
    QTest::newRow("negative_clamped") << QByteArray("<o2>0.21</o2><he>-0.1</he>") << 21 << 0;
    QTest::newRow("huge_clamped") << QByteArray("<o2>1e300</o2>") << 100 << 0;
    QTest::newRow("not_a_number_is_0") << QByteArray("<o2>rich</o2>") << 0 << 0;
}

void TestUddf::gasFractions()
{
    QFETCH(QByteArray, mix);
    QFETCH(int, o2);
    QFETCH(int, he);

    DiveProfile dive;
    QCOMPARE(UDDF::readData(document("<waypoint><depth>0</depth><divetime>0</divetime>"
                                     "<switchmix ref=\"m\"/></waypoint>",
                                "<mix id=\"m\"><name>N</name>" + mix + "</mix>"),
                 dive),
        UDDF::Status::Ok);
    QCOMPARE(dive.gases.size(), 1);
    QCOMPARE(dive.gases.at(0).id, QStringLiteral("m"));
    QCOMPARE(dive.gases.at(0).name, QStringLiteral("N"));
    QCOMPARE(dive.gases.at(0).o2, o2);
    QCOMPARE(dive.gases.at(0).he, he);
}

void TestUddf::waypoints()
{
    // Temperatures 300.15 K, missing, 299.15 K read as 27, 27, 26 degrees C; a first waypoint
    // at 10 s is preceded by a surface sample at 0 s on its gas and temperature; the dive is
    // closed at the surface one period (5 s) after the last waypoint. A switch to an unknown
    // mix keeps the gas breathed.
    DiveProfile dive;
    const QByteArray wps = "<waypoint><depth>3</depth><divetime>10</divetime>"
                           "<temperature>300.15</temperature><switchmix ref=\"b\"/></waypoint>"
                           "<waypoint><depth>6</depth><divetime>20</divetime><cns>4.5</cns>"
                           "<switchmix ref=\"nope\"/></waypoint>"
                           "<waypoint><depth>4</depth><divetime>30</divetime>"
                           "<temperature>299.15</temperature>"
                           "<decostop kind=\"mandatory\" decodepth=\"3\"/>"
                           "<switchmix ref=\"a\"/></waypoint>";
    const QByteArray mixes = "<mix id=\"a\"><o2>0.21</o2></mix><mix id=\"b\"><o2>0.5</o2></mix>";
    QCOMPARE(UDDF::readData(document(wps, mixes), dive), UDDF::Status::Ok);
    QCOMPARE(dive.name, QStringLiteral("5"));
    QCOMPARE(dive.samples.size(), 5);

    const double times[] = { 0, 10, 20, 30, 35 };
    const double depths[] = { 0, 3, 6, 4, 0 };
    const double temperatures[] = { 27, 27, 27, 26, 26 };
    const int gasIndexes[] = { 1, 1, 1, 0, 0 };
    for (int i = 0; i < 5; ++i) {
        const DiveSample& s = dive.samples.at(i);
        QCOMPARE(s.time, times[i]);
        QCOMPARE(s.depth, depths[i]);
        QVERIFY2(qAbs(s.temperature - temperatures[i]) < kTol, qPrintable(QString::number(i)));
        QCOMPARE(s.gasIndex, gasIndexes[i]);
    }
    QCOMPARE(dive.samples.at(2).cns, 4.5);
    QCOMPARE(dive.samples.at(3).decoCeiling, 3.0);

    // A dive whose first waypoint has no temperature starts at 20 degrees C.
    DiveProfile cold;
    QCOMPARE(UDDF::readData(document("<waypoint><depth>0</depth><divetime>0</divetime>"
                                     "</waypoint>"),
                 cold),
        UDDF::Status::Ok);
    QCOMPARE(cold.samples.size(), 1);
    QCOMPARE(cold.samples.at(0).temperature, 20.0);

    // Two mixes with one id: a reference names the first.
    DiveProfile twice;
    QCOMPARE(UDDF::readData(document("<waypoint><depth>0</depth><divetime>0</divetime>"
                                     "<switchmix ref=\"x\"/></waypoint>",
                                "<mix id=\"y\"/><mix id=\"x\"/><mix id=\"x\"/>"),
                 twice),
        UDDF::Status::Ok);
    QCOMPARE(twice.gases.size(), 1);
    QCOMPARE(twice.gases.at(0).id, QStringLiteral("x"));
    QCOMPARE(twice.samples.at(0).gasIndex, 0);

    // Alarms: the standard's "ascent" and "deco" words, the flag byte this program writes
    // (48 = yoyo level 3), and what it does not know (no mark).
    DiveProfile alarms;
    QCOMPARE(UDDF::readData(document("<waypoint><depth>9</depth><divetime>0</divetime>"
                                     "<alarm>ascent</alarm></waypoint>"
                                     "<waypoint><depth>9</depth><divetime>10</divetime>"
                                     "<alarm>deco</alarm><alarm> ascent </alarm></waypoint>"
                                     "<waypoint><depth>9</depth><divetime>20</divetime>"
                                     "<alarm>48</alarm></waypoint>"
                                     "<waypoint><depth>9</depth><divetime>30</divetime>"
                                     "<alarm>rbt</alarm><alarm>300</alarm><alarm/></waypoint>"),
                 alarms),
        UDDF::Status::Ok);
    const quint8 flags[] = { 0x04, 0x07, 0x30, 0x00 };
    for (int i = 0; i < 4; ++i)
        QCOMPARE(alarms.samples.at(i).alertFlags, flags[i]);

    // Samples and start time count only inside a dive, not anywhere below the root.
    DiveProfile stray;
    stray.dateTime = 42;
    QCOMPARE(UDDF::readData("<uddf><samples><waypoint><depth>9</depth><divetime>10</divetime>"
                            "</waypoint></samples><informationbeforedive><datetime>"
                            "2019-03-05T10:22:00Z</datetime></informationbeforedive></uddf>",
                 stray),
        UDDF::Status::NoDive);
    QVERIFY(stray.samples.isEmpty());
    QCOMPARE(stray.dateTime, 42);
}

void TestUddf::waypointTimesAndDepths_data()
{
    QTest::addColumn<QByteArray>("waypoints");
    QTest::addColumn<QList<double>>("times");
    QTest::addColumn<QList<double>>("depths");

    QTest::newRow("real_seconds") << QByteArray("<waypoint><depth>0</depth><divetime>0.0"
                                                "</divetime></waypoint><waypoint><depth>5"
                                                "</depth><divetime>10.0</divetime></waypoint>")
                                  << QList<double> { 0, 10, 15 } << QList<double> { 0, 5, 0 };
    QTest::newRow("real_seconds_rounded")
        << QByteArray("<waypoint><depth>0</depth><divetime>0.4</divetime></waypoint>"
                      "<waypoint><depth>2</depth><divetime>20.6</divetime></waypoint>"
                      "<waypoint><depth>0</depth><divetime>29.5</divetime></waypoint>")
        << QList<double> { 0, 21, 30 } << QList<double> { 0, 2, 0 };
    QTest::newRow("missing_depth_repeats_previous")
        << QByteArray("<waypoint><depth>0</depth><divetime>0</divetime></waypoint>"
                      "<waypoint><depth>8</depth><divetime>10</divetime></waypoint>"
                      "<waypoint><divetime>20</divetime></waypoint>"
                      "<waypoint><depth>0</depth><divetime>30</divetime></waypoint>")
        << QList<double> { 0, 10, 20, 30 } << QList<double> { 0, 8, 8, 0 };
    QTest::newRow("first_without_depth_is_0")
        << QByteArray("<waypoint><divetime>0</divetime></waypoint>"
                      "<waypoint><depth>0</depth><divetime>5</divetime></waypoint>")
        << QList<double> { 0, 5 } << QList<double> { 0, 0 };
    QTest::newRow("unreadable_depth_repeats_previous")
        << QByteArray("<waypoint><depth>4</depth><divetime>0</divetime></waypoint>"
                      "<waypoint><depth>deep</depth><divetime>10</divetime></waypoint>")
        << QList<double> { 0, 10, 15 } << QList<double> { 4, 4, 0 };
    QTest::newRow("no_divetime_no_sample")
        << QByteArray("<waypoint><depth>0</depth><divetime>0</divetime></waypoint>"
                      "<waypoint><depth>9</depth></waypoint>"
                      "<waypoint><depth>0</depth><divetime>10</divetime></waypoint>")
        << QList<double> { 0, 10 } << QList<double> { 0, 0 };
    QTest::newRow("negative_divetime_skipped")
        << QByteArray("<waypoint><depth>0</depth><divetime>0</divetime></waypoint>"
                      "<waypoint><depth>9</depth><divetime>-3</divetime></waypoint>")
        << QList<double> { 0 } << QList<double> { 0 };
    QTest::newRow("divetime_not_a_number_at_0")
        << QByteArray("<waypoint><depth>0</depth><divetime>soon</divetime></waypoint>")
        << QList<double> { 0 } << QList<double> { 0 };
}

void TestUddf::waypointTimesAndDepths()
{
    QFETCH(QByteArray, waypoints);
    QFETCH(QList<double>, times);
    QFETCH(QList<double>, depths);

    DiveProfile dive;
    QCOMPARE(UDDF::readData(document(waypoints), dive), UDDF::Status::Ok);
    QCOMPARE(dive.samples.size(), times.size());
    for (qsizetype i = 0; i < times.size(); ++i) {
        QCOMPARE(dive.samples.at(i).time, times.at(i));
        QCOMPARE(dive.samples.at(i).depth, depths.at(i));
    }
}

void TestUddf::documentsFromOtherSoftware_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("computer");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<qint64>("dateTime");
    QTest::addColumn<QStringList>("gases"); // id:name:o2:he
    QTest::addColumn<QList<double>>("samples"); // time, depth, temperature, gasIndex, ...

    // Default namespace, byte-order mark, declaration, comments, two dives, real dive times,
    // extra waypoint children. 10:22 local in Paris in March is 09:22 UTC = 1551777720 s.
    QTest::newRow("bom_namespace_two_dives")
        << "exported_ns_bom.uddf"
        << "dive-17"
        << "Reef Pro"
        << "A-0042" << 1551777720LL << QStringList { "mix1:EAN29:29:0", "mix2:Trimix 18/45:18:45" }
        << QList<double> { 0, 0, 24, 0, 10, 12.4, 24, 0, 21, 12.4, 23, 0, 30, 30, 23, 1, 1200, 3,
               23, 1, 1205, 0, 23, 1 };
    QTest::newRow("prefixed_namespace")
        << "prefixed.uddf"
        << "7"
        << ""
        << "" << 1590996600LL // 07:30 UTC
        << QStringList { "m1:EAN50:50:0" }
        << QList<double> { 0, 0, 20, 0, 30, 6, 20, 0, 90, 0, 20, 0 };
    QTest::newRow("minimal") << "minimal.uddf"
                             << "42"
                             << "Veltra"
                             << "1234-5678-9012-3" << 1551781320LL
                             << QStringList { "air:Air:21:0", "ean32:Nitrox 32:32:0" }
                             << QList<double> { 0, 0, 27, 0, 60, 10.5, 27, 0, 120, 20, 26, 1, 600,
                                    5, 26, 1, 660, 0, 26, 1 };
}

void TestUddf::documentsFromOtherSoftware()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    QFETCH(QString, computer);
    QFETCH(QString, serial);
    QFETCH(qint64, dateTime);
    QFETCH(QStringList, gases);
    QFETCH(QList<double>, samples);

    UDDF reader;
    DiveProfile dive;
    QVERIFY2(reader.read(QStringLiteral(VELTRA_TEST_DATA "/uddf/") + file, dive),
        qPrintable(reader.errorString()));
    QCOMPARE(dive.name, name);
    QCOMPARE(dive.computer, computer);
    QCOMPARE(dive.serial, serial);
    QCOMPARE(dive.dateTime, dateTime);
    QCOMPARE(dive.gases.size(), gases.size());
    for (qsizetype i = 0; i < gases.size(); ++i) {
        const QStringList parts = gases.at(i).split(QLatin1Char(':'));
        QCOMPARE(dive.gases.at(i).id, parts.at(0));
        QCOMPARE(dive.gases.at(i).name, parts.at(1));
        QCOMPARE(dive.gases.at(i).o2, parts.at(2).toInt());
        QCOMPARE(dive.gases.at(i).he, parts.at(3).toInt());
    }
    QCOMPARE(dive.samples.size() * 4, samples.size());
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const DiveSample& s = dive.samples.at(i);
        const QByteArray where = "sample " + QByteArray::number(i);
        QVERIFY2(qAbs(s.time - samples.at(4 * i)) < kTol, where);
        QVERIFY2(qAbs(s.depth - samples.at(4 * i + 1)) < kTol, where);
        QVERIFY2(qAbs(s.temperature - samples.at(4 * i + 2)) < kTol, where);
        QCOMPARE(s.gasIndex, int(samples.at(4 * i + 3)));
    }
}

void TestUddf::roundTripKeepsTheDive()
{
    DiveProfile dive;
    dive.name = QStringLiteral("Wreck <& \"Thistle\">");
    dive.computer = QStringLiteral("Veltra Plongée");
    dive.serial = QStringLiteral("1234-5678-9012-3");
    dive.dateTime = 1551781320;
    const struct
    {
        const char* id;
        const char* name;
        int o2;
        int he;
    } gases[] = { { "1", "Air", 21, 0 }, { "2", "Nx32", 32, 0 }, { "", "Tx18/45", 18, 45 },
        { "2", "Oxy", 100, 0 } };
    for (const auto& g : gases) {
        DiveGas gas;
        gas.id = QString::fromUtf8(g.id);
        gas.name = QString::fromUtf8(g.name);
        gas.o2 = g.o2;
        gas.he = g.he;
        dive.gases.append(gas);
    }
    // time, depth, temperature, gas, cns, ceiling, alert
    const double rows[][7] = { { 0, 0, 24.5, 0, 0, 0, 0 }, { 10, 6.2, 24, 0, 0, 0, 0 },
        { 20, 30.25, 18, 2, 1.5, 0, 0 }, { 30, 30.25, 17.5, 2, 2, 6, 4 },
        { 40, 21, 17.5, 1, 2.5, 3, 0 }, { 50, 6, 19, 3, 3, 0, 0 }, { 60, 0, 20, 3, 3, 0, 0 } };
    for (const auto& r : rows) {
        DiveSample s;
        s.time = r[0];
        s.depth = r[1];
        s.temperature = r[2];
        s.gasIndex = int(r[3]);
        s.cns = r[4];
        s.decoCeiling = r[5];
        s.alertFlags = quint8(r[6]);
        dive.samples.append(s);
    }

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("round trip é.uddf"));
    QString error;
    QVERIFY2(exportDive(dive, path, &error), qPrintable(error));

    DiveProfile back;
    QVERIFY2(readFirstDive(path, back, &error), qPrintable(error));
    QCOMPARE(back.origin, DiveOriginUddf);
    QCOMPARE(back.name, dive.name);
    QCOMPARE(back.computer, dive.computer);
    QCOMPARE(back.serial, dive.serial);
    QCOMPARE(back.dateTime, dive.dateTime);
    QCOMPARE(back.gases.size(), dive.gases.size());
    for (qsizetype i = 0; i < dive.gases.size(); ++i) {
        QCOMPARE(back.gases.at(i).name, dive.gases.at(i).name);
        QCOMPARE(back.gases.at(i).o2, dive.gases.at(i).o2);
        QCOMPARE(back.gases.at(i).he, dive.gases.at(i).he);
    }
    QCOMPARE(back.samples.size(), dive.samples.size());
    // The file marks gas switches; the gas holds until the next one.
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const DiveSample& a = dive.samples.at(i);
        const DiveSample& b = back.samples.at(i);
        QCOMPARE(b.time, a.time);
        QCOMPARE(b.depth, a.depth);
        QVERIFY(qAbs(b.temperature - a.temperature) < kTol);
        QCOMPARE(b.gasIndex, a.gasIndex);
        QCOMPARE(b.cns, a.cns);
        QCOMPARE(b.decoCeiling, a.decoCeiling);
    }
}

void TestUddf::everyDiveOfAFile()
{
    // Worked from the file: dive d1 links computer Beta (the second), the site and the buddy,
    // breathes air then EAN50 from 600 s, tank 200 -> 50 bar (Pa / 1e5); the unnamed second dive
    // links no computer (the file links them, so it has none), takes its start as name and its
    // tank from the waypoints (210 -> 90 bar); d3 has no samples; the last dive switches to no
    // mix: in a file of several dives it has no gas.
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    QCOMPARE(UDDF::readAllData(readFile(QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf")),
                 dives, refused),
        UDDF::Status::Ok);
    QCOMPARE(dives.size(), 3);
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.at(0).name, QStringLiteral("d3"));
    QVERIFY(!refused.at(0).reason.isEmpty());

    const DiveProfile& d1 = dives.at(0);
    QCOMPARE(d1.name, QStringLiteral("d1"));
    QCOMPARE(d1.computer, QStringLiteral("Beta"));
    QCOMPARE(d1.serial, QStringLiteral("B-2"));
    QCOMPARE(d1.dateTime, 1551781320);
    QCOMPARE(d1.gases.size(), 2);
    QCOMPARE(d1.gases.at(1).o2, 50);
    QList<int> gases;
    for (const DiveSample& s : d1.samples)
        gases << s.gasIndex;
    QCOMPARE(gases, (QList<int> { 0, 0, 1, 1, 1 }));
    QCOMPARE(d1.tanks.size(), 1);
    QCOMPARE(d1.tanks.at(0).gasIndex, 0);
    QCOMPARE(d1.tanks.at(0).startBar, 200.0);
    QCOMPARE(d1.tanks.at(0).endBar, 50.0);
    QCOMPARE(d1.site, QStringLiteral("North Wall"));
    QCOMPARE(d1.buddies, QStringList { QStringLiteral("Anna Berg") });
    QCOMPARE(d1.notes, QStringLiteral("Nice"));

    const DiveProfile& d2 = dives.at(1);
    QCOMPARE(d2.name, QStringLiteral("2019-03-05T14:00:00Z"));
    QVERIFY(d2.computer.isEmpty());
    QCOMPARE(d2.number, 18);
    QCOMPARE(d2.dateTime, 1551781320 + 3 * 3600 + 38 * 60);
    QCOMPARE(d2.gases.size(), 1);
    QCOMPARE(d2.gases.at(0).he, 45);
    QCOMPARE(d2.samples.constLast().gasIndex, 0);
    QCOMPARE(d2.tanks.size(), 1);
    QCOMPARE(d2.tanks.at(0).startBar, 210.0);
    QCOMPARE(d2.tanks.at(0).endBar, 90.0);
    QVERIFY(d2.site.isEmpty() && d2.buddies.isEmpty() && d2.notes.isEmpty());

    const DiveProfile& d4 = dives.at(2);
    QCOMPARE(d4.name, QStringLiteral("2019-03-06T12:00:00Z"));
    QVERIFY(d4.gases.isEmpty());
    QCOMPARE(d4.samples.at(1).gasIndex, -1);

    // Two dives without id or start are still two dives.
    DiveProfile one = sentinelProfile();
    QByteArray doc = document("<waypoint><depth>0</depth><divetime>0</divetime></waypoint>");
    doc.replace("<dive id=\"5\">", "<dive>");
    const qsizetype at = doc.indexOf("<dive>");
    const qsizetype end = doc.indexOf("</dive>") + 7;
    doc.insert(end, doc.mid(at, end - at));
    QCOMPARE(UDDF::readAllData(doc, dives, refused), UDDF::Status::Ok);
    QCOMPARE(dives.size(), 2);
    QVERIFY(dives.at(0).name != dives.at(1).name);
}

void TestUddf::manyDivesRoundTrip()
{
    const QList<DiveProfile> dives = logbookDives();
    QList<DiveProfile> back;
    QList<RefusedDive> refused;
    QCOMPARE(UDDF::readAllData(UDDF::toDocument(dives), back, refused), UDDF::Status::Ok);
    QCOMPARE(back.size(), dives.size());
    QVERIFY(refused.isEmpty());
    for (qsizetype d = 0; d < dives.size(); ++d) {
        const DiveProfile& a = dives.at(d);
        const DiveProfile& b = back.at(d);
        QCOMPARE(b.name, a.name);
        QCOMPARE(b.computer, a.computer);
        QCOMPARE(b.serial, a.serial);
        QCOMPARE(b.dateTime, a.dateTime);
        QCOMPARE(b.number, a.number);
        QCOMPARE(b.site, a.site);
        QCOMPARE(b.buddies, a.buddies);
        QCOMPARE(b.notes, a.notes);
        // The gases may come in the file's order: compare what each sample and tank breathes.
        QCOMPARE(b.gases.size(), a.gases.size());
        const auto mix = [](const DiveProfile& dive, int index) {
            return index < 0
                ? QString()
                : QStringLiteral("%1/%2").arg(dive.gases.at(index).o2).arg(dive.gases.at(index).he);
        };
        QCOMPARE(b.tanks.size(), a.tanks.size());
        for (qsizetype t = 0; t < a.tanks.size(); ++t) {
            QCOMPARE(mix(b, b.tanks.at(t).gasIndex), mix(a, a.tanks.at(t).gasIndex));
            QCOMPARE(b.tanks.at(t).startBar, a.tanks.at(t).startBar);
            QCOMPARE(b.tanks.at(t).endBar, a.tanks.at(t).endBar);
        }
        QCOMPARE(b.samples.size(), a.samples.size());
        for (qsizetype i = 0; i < a.samples.size(); ++i) {
            QCOMPARE(b.samples.at(i).time, a.samples.at(i).time);
            QCOMPARE(b.samples.at(i).depth, a.samples.at(i).depth);
            QCOMPARE(mix(b, b.samples.at(i).gasIndex), mix(a, a.samples.at(i).gasIndex));
            QCOMPARE(b.samples.at(i).decoCeiling, a.samples.at(i).decoCeiling);
            QCOMPARE(b.samples.at(i).cns, a.samples.at(i).cns);
            QVERIFY(qAbs(b.samples.at(i).temperature - a.samples.at(i).temperature) < kTol);
        }
    }
}

void TestUddf::writtenFilesValidate_data()
{
    QTest::addColumn<QByteArray>("written");

    DiveProfile single = sentinelProfile();
    single.samples.append(sampleAt(20, 12, 0));
    single.samples[1].alertFlags = 0x0f;
    single.samples[1].decoCeiling = 6;
    single.samples[1].otu = 3;
    QTest::newRow("single_dive") << UDDF::toDocument(single);
    DiveProfile unnamed;
    unnamed.samples = { sampleAt(0, 0, -1) };
    QTest::newRow("unnamed_undated") << UDDF::toDocument(unnamed);
    QTest::newRow("no_dive") << UDDF::toDocument(QList<DiveProfile>());
    QTest::newRow("logbook_export") << UDDF::toDocument(logbookDives());
    for (const char* file :
        { "minimal.uddf", "prefixed.uddf", "exported_ns_bom.uddf", "multi_dive.uddf" }) {
        QList<DiveProfile> dives;
        QList<RefusedDive> refused;
        UDDF::readAllData(
            readFile(QStringLiteral(VELTRA_TEST_DATA "/uddf/") + file), dives, refused);
        QTest::newRow(file) << UDDF::toDocument(dives);
    }
}

void TestUddf::writtenFilesValidate()
{
    QFETCH(QByteArray, written);
    const QString errors = schemaErrors(written);
    QVERIFY2(errors.isEmpty(), qPrintable(errors));
}

void TestUddf::writtenDocumentShape()
{
    // What the file must keep for other software: the root, the fixed generator, the dive's
    // waypoints with whole-second dive times and kelvin temperatures.
    DiveProfile dive;
    DiveSample s;
    s.time = 12.6;
    s.depth = 10.5;
    s.temperature = 20;
    s.alertFlags = 5;
    dive.samples.append(s);

    XmlPathDocument doc;
    QVERIFY(doc.loadFromData(UDDF::toDocument(dive), "uddf"));
    QCOMPARE(doc.textAt("generator/name"), QStringLiteral("VeltraDesktop"));
    // An unknown start is written as the epoch (the schema asks for one) and reads back as 0.
    QCOMPARE(doc.textAt("profiledata/repetitiongroup/dive/informationbeforedive/datetime"),
        QStringLiteral("1970-01-01T00:00:00Z"));
    const char* wp = "profiledata/repetitiongroup/dive/samples/waypoint";
    const tinyxml2::XMLElement* waypoint = doc.elementAt(wp);
    QVERIFY(waypoint);
    QCOMPARE(doc.textAt("divetime", waypoint), QStringLiteral("12"));
    QCOMPARE(doc.doubleAt("depth", 0, waypoint), 10.5);
    QVERIFY(qAbs(doc.doubleAt("temperature", 0, waypoint) - 293.15) < kTol);
    // No no-deco time is known, so none is written; alert bits 0 (ceiling, level 1) and 2
    // (rapid ascent) become the schema's words.
    QVERIFY(!doc.elementAt("nodecotime", waypoint));
    QCOMPARE(doc.textAt("alarm", waypoint), QStringLiteral("deco"));
    QCOMPARE(doc.attributeAt("alarm", "level", QString(), waypoint), QStringLiteral("1"));
    QCOMPARE(QString::fromUtf8(waypoint->FirstChildElement()->NextSiblingElement()->GetText()),
        QStringLiteral("ascent"));

    // A time far beyond any integer type (from a damaged file) is still written in whole
    // seconds.
    DiveProfile far;
    DiveSample late;
    late.time = 3.1e42;
    far.samples.append(late);
    DiveProfile farBack;
    QCOMPARE(UDDF::readData(UDDF::toDocument(far), farBack), UDDF::Status::Ok);
    QCOMPARE(farBack.samples.size(), 2); // the surface sample at 0 s, then the late one
    QCOMPARE(farBack.samples.at(1).time, 3.1e42);

    // Control characters cannot be carried by XML 1.0: they are left out of texts, so that
    // strict readers accept the file; the dive's name travels escaped in its id.
    dive.name = QStringLiteral("Dive\x01 7\t");
    dive.computer = QStringLiteral("Vel\x1btra");
    const QByteArray text = UDDF::toDocument(dive);
    for (char c = 1; c < 0x20; ++c) {
        if (c != '\t' && c != '\n' && c != '\r')
            QVERIFY2(!text.contains(c), qPrintable(QString::number(int(c))));
    }
    DiveProfile back;
    QCOMPARE(UDDF::readData(text, back), UDDF::Status::Ok);
    QCOMPARE(back.name, dive.name);
    QCOMPARE(back.computer, QStringLiteral("Veltra"));
}

void TestUddf::badInputLeavesProfile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");

    const int notXml = int(UDDF::Status::NotXml);
    QTest::newRow("empty_file") << QByteArray() << notXml;
    QTest::newRow("binary_garbage") << QByteArray("\x00\xff\x13\x37garbage", 11) << notXml;
    QTest::newRow("text_garbage") << QByteArray("depth;time\n1;2\n") << notXml;
    QTest::newRow("unclosed_root") << QByteArray("<uddf><profiledata>") << notXml;
    QTest::newRow("mismatched_tags") << QByteArray("<uddf><a></b></uddf>") << notXml;
    QTest::newRow("two_roots") << QByteArray("<uddf/><uddf/>") << notXml;
    QTest::newRow("other_root") << QByteArray("<divelog><dive/></divelog>")
                                << int(UDDF::Status::NotUddf);
    QTest::newRow("bom_only") << QByteArray("\xef\xbb\xbf") << notXml;
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<uddf>";
    for (int i = 0; i < 5000; ++i)
        deep += "</uddf>";
    QTest::newRow("nested_too_deep") << deep << notXml;
}

void TestUddf::badInputLeavesProfile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);

    DiveProfile dive = sentinelProfile();
    QCOMPARE(int(UDDF::readData(bytes, dive)), status);
    compareToSentinel(dive);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.uddf"));
    QVERIFY(writeFile(path, bytes));
    DiveProfile loaded = sentinelProfile();
    QString error;
    QVERIFY(!readFirstDive(path, loaded, &error));
    QVERIFY(!error.isEmpty());
    compareToSentinel(loaded);
}

void TestUddf::truncatedAtEveryByte()
{
    // Every proper prefix of a real document is refused (the root is never closed) and the
    // profile keeps its values.
    const QByteArray full = readFile(QStringLiteral(VELTRA_TEST_DATA "/uddf/exported_ns_bom.uddf"));
    QVERIFY(full.size() > 1000);
    const qsizetype end = full.lastIndexOf("</uddf>");
    for (qsizetype n = 0; n < end; ++n) {
        DiveProfile dive = sentinelProfile();
        QVERIFY2(
            UDDF::readData(full.left(n), dive) != UDDF::Status::Ok, qPrintable(QString::number(n)));
        compareToSentinel(dive);
    }
}

void TestUddf::oversizedFileRefused()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("huge.uddf"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // Sparse: costs no disk, but reports its size.
        QVERIFY(file.resize(XmlPathDocument::maxFileSize + 1));
    }
    UDDF reader;
    DiveProfile dive = sentinelProfile();
    QVERIFY(!reader.read(path, dive));
    QCOMPARE(reader.lastStatus(), UDDF::Status::TooLarge);
    QVERIFY(!reader.errorString().isEmpty());
    compareToSentinel(dive);

    QVERIFY(!reader.read(dir.filePath(QStringLiteral("missing.uddf")), dive));
    QCOMPARE(reader.lastStatus(), UDDF::Status::CannotOpen);
    compareToSentinel(dive);
}

void TestUddf::writeFailureReported()
{
    QTemporaryDir dir;
    DiveProfile dive = sentinelProfile();
    UDDF writer;
    QVERIFY(!writer.write(dir.filePath(QStringLiteral("no/such/folder/x.uddf")), dive));
    QVERIFY(!writer.errorString().isEmpty());

    // Writing over an existing file replaces it whole.
    const QString path = dir.filePath(QStringLiteral("x.uddf"));
    QVERIFY(writeFile(path, QByteArray(100000, 'x')));
    QVERIFY(writer.write(path, dive));
    DiveProfile back;
    QVERIFY(writer.read(path, back));
    QCOMPARE(back.name, dive.name);
}

void TestUddf::registeredByExtension()
{
    std::unique_ptr<DiveLinesIO> reader = makeReader(QStringLiteral("x/y/Dive.Uddf"));
    QVERIFY(reader);
    QCOMPARE(reader->fileType(), DiveOriginUddf);
    std::unique_ptr<DiveLinesIO> writer = makeWriter(DiveOriginUddf);
    QVERIFY(writer);
    QCOMPARE(writer->fileType(), DiveOriginUddf);
}

void TestUddf::fuzzRegressions()
{
    // Inputs the fuzzer once crashed on: each must now be read or refused cleanly.
    const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/uddf"));
    const QStringList files = dir.entryList(QDir::Files);
    QVERIFY2(!files.isEmpty(), "no inputs in tests/data/fuzz/uddf");
    for (const QString& name : files) {
        QList<DiveProfile> dives;
        QList<RefusedDive> refused;
        if (UDDF::readAllData(readFile(dir.filePath(name)), dives, refused) != UDDF::Status::Ok) {
            QVERIFY(dives.isEmpty());
            continue;
        }
        // As the fuzz target does: what was read writes and reads again, dive for dive.
        QList<DiveProfile> again;
        QList<RefusedDive> againRefused;
        UDDF::readAllData(UDDF::toDocument(dives), again, againRefused);
        QCOMPARE(again.size(), dives.size());
        for (qsizetype i = 0; i < dives.size(); ++i) {
            QCOMPARE(again.at(i).samples.size(), dives.at(i).samples.size());
            QCOMPARE(again.at(i).gases.size(), dives.at(i).gases.size());
            QCOMPARE(again.at(i).tanks.size(), dives.at(i).tanks.size());
        }
    }
}

QTEST_GUILESS_MAIN(TestUddf)
#include "tst_uddf.moc"
