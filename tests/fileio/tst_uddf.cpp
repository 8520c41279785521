#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/uddf.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"
#include "fileiotest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <ctime>

namespace {

const QString kData = QStringLiteral(VELTRA_TEST_DATA "/uddf/");

// A UDDF document around the given waypoints and gas definitions.
QByteArray document(const QByteArray& waypoints, const QByteArray& mixes = QByteArray())
{
    return "<uddf version=\"3.2.0\"><gasdefinitions>" + mixes
        + "</gasdefinitions><profiledata><repetitiongroup id=\"g\"><dive id=\"5\"><samples>"
        + waypoints + "</samples></dive></repetitiongroup></profiledata></uddf>";
}

// One waypoint; a null time or depth leaves the element out.
QByteArray wp(const char* time, const char* depth, const QByteArray& extra = QByteArray())
{
    QByteArray w = "<waypoint>";
    if (depth)
        w += QByteArray("<depth>") + depth + "</depth>";
    if (time)
        w += QByteArray("<divetime>") + time + "</divetime>";
    return w + extra + "</waypoint>";
}

// Whether the document validates against the UDDF 3.2.2 schema; xmllint says why not.
bool validates(const QByteArray& document)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("written.uddf"));
    return writeFile(path, document)
        && QProcess::execute(QStringLiteral("xmllint"),
               { QStringLiteral("--noout"), QStringLiteral("--schema"),
                   kData + QStringLiteral("schema/uddf_3.2.2.xsd"), path })
        == 0;
}

// Dives as a logbook export holds them: those of test files, with names that are no XML ids,
// repeat or equal a computer's id, and texts with markup and accents. The first also stands for
// data a failed read must keep.
QList<DiveProfile> logbookDives()
{
    QList<DiveProfile> dives;
    // The last file has an 18/45 mix under another name than the first file's.
    for (const char* file :
        { "multi_dive.uddf", "other_program_3_3.uddf", "minimal.uddf", "exported_ns_bom.uddf" }) {
        QList<DiveProfile> read;
        QList<RefusedDive> refused;
        UDDF::readAllData(readFile(kData + file), read, refused);
        dives << read;
    }
    dives[0].name = QStringLiteral("Wreck <& \"Thistle\">");
    dives[0].computer = QStringLiteral("Veltra Plongée <&> \"x\"");
    dives[0].buddies << QStringLiteral("Madonna");
    dives[0].notes = QStringLiteral("Current <strong> & cold\nSaw a turtle");
    dives[0].samples[1].alertFlags = 0x04; // rapid ascent (yoyo bits are not written)
    dives[1].name = QStringLiteral("dc1");
    dives[3].name = QStringLiteral("Dive\x01 7\t"); // control characters XML 1.0 cannot carry
    dives[2].name = dives[0].name;
    return dives;
}

} // namespace

class TestUddf : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local-time cases below are worked out for Paris: CET (+1) in winter, CEST (+2) in summer.
        qputenv("TZ", "Europe/Paris");
        tzset();
    }

    void numbers()
    {
        // Decimal texts of every length and precision give exactly the double that the C library's
        // locale-free conversion gives (QByteArray::toDouble), bit for bit.
        for (const char* text : { "0.1", "-12.375", "123456789.98765432101", "0.000000000001", ".5",
                 "-0", "2.5e1", " +7 ", "299.15", "9007199254740993" }) {
            const double expected = QByteArray(text).trimmed().toDouble();
            const std::optional<double> value = XmlPathDocument::parseNumber(text);
            QVERIFY2(value.has_value(), text);
            QVERIFY2(std::memcmp(&*value, &expected, sizeof expected) == 0, text);
        }
        for (const char* bad : { "", " ", ".", "-", "--5", "1.2.3", "1,5", "0x10", "+-1", "1e",
                 "inf", "nan", "1e999", "10.5m" })
            QVERIFY2(!XmlPathDocument::parseNumber(bad).has_value(), bad);

        // Paths take the first of equal names and skip empty components.
        XmlPathDocument doc;
        QVERIFY(doc.loadFromData("<r><a><b>first</b><b>2</b></a></r>", "r"));
        QCOMPARE(doc.textAt("/a//b/"), QStringLiteral("first"));
    }

    void startTime_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<qint64>("expected");

        // 2019-03-05T10:22:00Z is 1551781320 s (17960 days * 86400 + 37320 s).
        const qint64 utc = 1551781320;
        QTest::newRow("20_chars_utc") << QByteArray("2019-03-05T10:22:00Z") << utc;
        QTest::newRow("19_chars_local_winter") << QByteArray("2019-03-05T11:22:00") << utc;
        QTest::newRow("21_chars_fraction_local") << QByteArray("2019-03-05T11:22:00.9") << utc;
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

    void startTime()
    {
        QFETCH(QByteArray, text);
        QFETCH(qint64, expected);
        QCOMPARE(parseUddfDateTime(QString::fromUtf8(text)), expected);
    }

    void waypoints_data()
    {
        QTest::addColumn<QByteArray>("waypoints");
        QTest::addColumn<QByteArray>("mixes");
        QTest::addColumn<QString>("samples"); // as describe() gives them

        // Gas fractions to whole percent.
        const auto mix = [](const char* name, const QByteArray& fractions, const char* percent) {
            QTest::newRow(name) << wp("0", "0", "<switchmix ref=\"m\"/>")
                                << "<mix id=\"m\">" + fractions + "</mix>"
                                << QString("0:0:20:") + percent;
        };
        mix("o2_0.29_rounds_to_29", "<o2>0.29</o2>", "29/0");
        mix("nearest_percent_up", "<o2>0.326</o2>", "33/0");
        mix("nearest_percent_down", "<o2>0.324</o2>", "32/0");
        mix("no_o2_is_air", "<he>0</he>", "21/0");
        mix("trimix_18_45", "<o2>0.18</o2><he>0.45</he>", "18/45");
        mix("o2_above_one_clamped", "<o2>3.2</o2>", "100/0");
        mix("negative_clamped", "<o2>0.21</o2><he>-0.1</he>", "21/0");
        mix("not_a_number_is_0", "<o2>rich</o2>", "0/0");

        // 300.15 K, missing, 299.15 K read as 27, 27, 26 degrees C; a first waypoint at 10 s is
        // preceded by a surface sample at 0 s on its gas and temperature; the dive is closed at the
        // surface one period (5 s) after the last waypoint. A switch to an unknown mix keeps the
        // gas breathed.
        QTest::newRow("switches_temperatures_closing")
            << wp("10", "3", "<temperature>300.15</temperature><switchmix ref=\"b\"/>")
                + wp("20", "6",
                    "<decostop kind=\"mandatory\" decodepth=\"3\"/><switchmix ref=\"x\"/>")
                + wp("30", "4",
                    "<temperature>299.15</temperature><cns>4.5</cns><switchmix ref=\"a\"/>")
            << QByteArray("<mix id=\"a\"><o2>0.21</o2></mix><mix id=\"b\"><o2>0.5</o2></mix>")
            << "0:0:27:50/0 10:3:27:50/0 20:6:27:50/0 ceil3 30:4:26:21/0 cns4.5 35:0:26:21/0 "
               "cns4.5";
        QTest::newRow("mix_id_twice_first_counts")
            << wp("0", "0", "<switchmix ref=\"x\"/>")
            << QByteArray("<mix id=\"y\"><o2>0.3</o2></mix><mix id=\"x\"><o2>0.4</o2></mix>"
                          "<mix id=\"x\"><o2>0.5</o2></mix>")
            << "0:0:20:40/0";
        // Times and depths; no mixes.
        const auto row = [](const char* name, const QByteArray& waypoints, const char* samples) {
            QTest::newRow(name) << waypoints << QByteArray() << QString(samples);
        };
        row("real_seconds", wp("0.0", "0") + wp("10.0", "5"), "0:0:20:- 10:5:20:- 15:0:20:-");
        row("real_seconds_rounded", wp("0.4", "0") + wp("20.6", "2") + wp("29.5", "0"),
            "0:0:20:- 21:2:20:- 30:0:20:-");
        row("missing_depth_repeats_previous",
            wp("0", "0") + wp("10", "8") + wp("20", nullptr) + wp("30", "0"),
            "0:0:20:- 10:8:20:- 20:8:20:- 30:0:20:-");
        row("first_without_depth_is_0", wp("0", nullptr) + wp("5", "0"), "0:0:20:- 5:0:20:-");
        row("unreadable_depth_repeats_previous", wp("0", "4") + wp("10", "deep"),
            "0:4:20:- 10:4:20:- 15:0:20:-");
        row("no_divetime_no_sample", wp("0", "0") + wp(nullptr, "9") + wp("10", "0"),
            "0:0:20:- 10:0:20:-");
        row("negative_divetime_skipped", wp("0", "0") + wp("-3", "9"), "0:0:20:-");
        row("divetime_not_a_number_at_0", wp("soon", "0"), "0:0:20:-");
        // The standard's "ascent" and "deco" words, the flag byte this program writes (48 = yoyo
        // level 3), and what it does not know (no mark).
        row("alarms",
            wp("0", "9", "<alarm>ascent</alarm>")
                + wp("10", "9", "<alarm>deco</alarm><alarm> ascent </alarm>")
                + wp("20", "9", "<alarm>48</alarm>")
                + wp("30", "9", "<alarm>rbt</alarm><alarm>300</alarm><alarm/>"),
            "0:9:20:- alert4 10:9:20:- alert7 20:9:20:- alert48 30:9:20:- 35:0:20:-");
    }

    void waypoints()
    {
        QFETCH(QByteArray, waypoints);
        QFETCH(QByteArray, mixes);
        QFETCH(QString, samples);

        DiveProfile dive;
        QCOMPARE(UDDF::readData(document(waypoints, mixes), dive), UDDF::Status::Ok);
        QCOMPARE(describe(dive).constLast(), samples);
    }

    void unnamedDives()
    {
        // Two dives without id or start are still two dives, with names of their own.
        const QByteArray dive = "<dive><samples>" + wp("0", "0") + "</samples></dive>";
        QList<DiveProfile> dives;
        QList<RefusedDive> refused;
        QCOMPARE(UDDF::readAllData("<uddf><profiledata><repetitiongroup>" + dive + dive
                         + "</repetitiongroup></profiledata></uddf>",
                     dives, refused),
            UDDF::Status::Ok);
        QCOMPARE(dives.size(), 2);
        QVERIFY(dives.at(0).name != dives.at(1).name);
    }

    void filesFromOtherSoftware_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("dives"); // describe() joined by '|'
        QTest::addColumn<QStringList>("refused");

        // Single-dive file: the one computer without links, real and whole dive times.
        QTest::newRow("minimal") << "minimal.uddf"
                                 << QStringList { "42|Veltra|1234-5678-9012-3|1551781320|0|"
                                                  "Air 21/0,Nitrox 32 32/0|||||0:0:27:21/0 "
                                                  "60:10.5:27:21/0 120:20:26:32/0 600:5:26:32/0 "
                                                  "cns12.5 ceil3 660:0:26:32/0" }
                                 << QStringList();
        // Prefixed namespace; 09:30+02:00 is 07:30 UTC.
        QTest::newRow("prefixed_namespace")
            << "prefixed.uddf"
            << QStringList { "7|||1590996600|0|EAN50 50/0|||||0:0:20:50/0 30:6:20:50/0 "
                             "90:0:20:50/0" }
            << QStringList();
        // Default namespace, byte-order mark, declaration, comments, extra waypoint children, real
        // dive times, local times (10:22 in Paris in March is 09:22 UTC), a tank reference to no
        // mix; the unlinked computer recorded both dives; the second switches to no mix: in a file
        // of several dives it has no gas.
        QTest::newRow("bom_namespace_comments")
            << "exported_ns_bom.uddf"
            << QStringList { "dive-17|Reef Pro|A-0042|1551777720|17|EAN29 29/0,Trimix 18/45 18/45|"
                             "-:200-200|North Wall|||0:0:24:29/0 10:12.4:24:29/0 21:12.4:23:29/0 "
                             "30:30:23:18/45 alert4 1200:3:23:18/45 1205:0:23:18/45",
                   "dive-18|Reef Pro|A-0042|1551790800|0||||||0:0:20:- 60:8:20:- 65:0:20:-" }
            << QStringList();
        // Two repetition groups; dive d1 links the second computer, the site and the buddy, tank
        // 200 -> 50 bar (Pa / 1e5); the unnamed second dive takes its start as name, no computer
        // (the file links them) and its tank from the waypoints; d3 has no samples.
        QTest::newRow("multi_dive")
            << "multi_dive.uddf"
            << QStringList { "d1|Beta|B-2|1551781320|0|Air 21/0,EAN50 50/0|21/0:200-50|North Wall|"
                             "Anna Berg|Nice|0:0:20:21/0 120:20:20:21/0 600:6:20:50/0 "
                             "700:5:20:50/0 "
                             "800:0:20:50/0",
                   "2019-03-05T14:00:00Z|||1551794400|18|Tx 18/45|18/45:210-90||||0:0:20:18/45 "
                   "300:30:20:18/45 900:0:20:18/45",
                   "2019-03-06T12:00:00Z|||1551873600|0||||||0:0:20:- 300:12:20:- 900:0:20:-" }
            << QStringList { "d3" };
        // UDDF 3.3 from another program: 2024-05-12 is day 19855 since 1970, 09:15 and 13:40 UTC;
        // the computer linked through equipmentused; tank pressures of the waypoints refer to the
        // tankdata id, whose link names the mix (190 -> 110 bar).
        QTest::newRow("uddf_3_3_other_program")
            << "other_program_3_3.uddf"
            << QStringList { "k-101|Gull 3|G3-0007|1715505300|101|Air 21/0,EAN40 40/0|21/0:205-60|"
                             "Stone Arch|Lea Moss|Octopus under the arch|0:0:18:21/0 "
                             "180:24.5:14:21/0 "
                             "1500:6:14:40/0 1800:3:14:40/0 2000:0:14:40/0",
                   "k-102|Gull 3|G3-0007|1715521200|102|EAN40 40/0|40/0:190-110|Stone Arch|Lea "
                   "Moss||"
                   "0:0:19:40/0 120:15:19:40/0 900:12:19:40/0 1200:0:19:40/0" }
            << QStringList();
    }

    void filesFromOtherSoftware()
    {
        QFETCH(QString, file);
        QFETCH(QStringList, dives);
        QFETCH(QStringList, refused);

        UDDF reader;
        QList<DiveProfile> read;
        QList<RefusedDive> notRead;
        QVERIFY2(reader.readDives(kData + file, read, notRead), qPrintable(reader.errorString()));
        QCOMPARE(read.size(), dives.size());
        for (qsizetype i = 0; i < dives.size(); ++i)
            QCOMPARE(describe(read.at(i)), dives.at(i).split('|'));
        QStringList refusedNames;
        for (const RefusedDive& r : notRead) {
            refusedNames << r.name;
            QVERIFY(!r.reason.isEmpty());
        }
        QCOMPARE(refusedNames, refused);
    }

    void roundTrip()
    {
        // Several dives through one document; the file marks gas switches and the gas holds until
        // the next one.
        const QList<DiveProfile> dives = logbookDives();
        QList<DiveProfile> back;
        QList<RefusedDive> refused;
        QCOMPARE(UDDF::readAllData(UDDF::toDocument(dives), back, refused), UDDF::Status::Ok);
        QCOMPARE(back.size(), dives.size());
        for (qsizetype d = 0; d < dives.size(); ++d)
            QCOMPARE(describe(back.at(d)), describe(dives.at(d)));

        // One dive through a file whose name is no ASCII, written over a longer file.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("round trip é.uddf"));
        QVERIFY(writeFile(path, QByteArray(100000, 'x')));
        QString error;
        DiveProfile written = dives.constFirst();
        QVERIFY2(exportDive(written, path, &error), qPrintable(error));
        DiveProfile one;
        QVERIFY2(readFirstDive(path, one, &error), qPrintable(error));
        QCOMPARE(one.origin, DiveOriginUddf);
        QCOMPARE(describe(one), describe(written));
    }

    void writtenFilesValidate_data()
    {
        QTest::addColumn<QByteArray>("written");

        DiveProfile single = logbookDives().constFirst();
        single.computer = QStringLiteral("Vel\x1btra"); // left out: XML 1.0 cannot carry it
        single.samples[1].alertFlags = 0x0f;
        single.samples[1].decoCeiling = 6;
        single.samples[1].otu = 3;
        QTest::newRow("single_dive") << UDDF::toDocument(single);
        DiveProfile unnamed;
        unnamed.samples = { DiveSample() };
        QTest::newRow("unnamed_undated") << UDDF::toDocument(unnamed);
        QTest::newRow("no_dive") << UDDF::toDocument(QList<DiveProfile>());
        QTest::newRow("logbook_export") << UDDF::toDocument(logbookDives());
        for (const char* file : { "minimal.uddf", "prefixed.uddf", "exported_ns_bom.uddf",
                 "multi_dive.uddf", "other_program_3_3.uddf" }) {
            QList<DiveProfile> dives;
            QList<RefusedDive> refused;
            UDDF::readAllData(readFile(kData + file), dives, refused);
            QTest::newRow(file) << UDDF::toDocument(dives);
        }
    }

    void writtenFilesValidate()
    {
        QFETCH(QByteArray, written);
        QVERIFY(validates(written));
    }

    void writtenDocumentShape()
    {
        // What the file must keep for other software: whole-second dive times, kelvin temperatures,
        // no no-deco time where none is known, and alert bits 0 (ceiling, level 1) and 2 (rapid
        // ascent) as the schema's words.
        DiveProfile dive;
        DiveSample s;
        s.time = 12.6;
        s.depth = 10.5;
        s.temperature = 20;
        s.alertFlags = 5;
        dive.samples.append(s);

        const QByteArray xml = UDDF::toDocument(dive);
        for (const char* part :
            { "<alarm level=\"1\">deco</alarm><alarm level=\"1\">ascent</alarm>",
                "<depth>10.5</depth><divetime>12</divetime>", "<temperature>293.15</temperature>" })
            QVERIFY2(xml.contains(part), part);
        QVERIFY(!xml.contains("nodecotime"));

        // A time far beyond any integer type (from a damaged file) is still written in whole
        // seconds.
        dive.samples[0].time = 3.1e42;
        DiveProfile back;
        QCOMPARE(UDDF::readData(UDDF::toDocument(dive), back), UDDF::Status::Ok);
        // The surface sample at 0 s, the late one, the closing one.
        QCOMPARE(back.samples.size(), 3);
        QCOMPARE(back.samples.at(1).time, 3.1e42);
    }

    void badInputLeavesProfile_data()
    {
        // Empty, cut and byte-order-mark-only input: see truncatedAtEveryByte.
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");

        const int notXml = int(UDDF::Status::NotXml);
        QTest::newRow("binary_garbage") << QByteArray("\x00\xff\x13\x37garbage", 11) << notXml;
        QTest::newRow("text_garbage") << QByteArray("depth;time\n1;2\n") << notXml;
        QTest::newRow("mismatched_tags") << QByteArray("<uddf><a></b></uddf>") << notXml;
        QTest::newRow("two_roots") << QByteArray("<uddf/><uddf/>") << notXml;
        QTest::newRow("other_root")
            << QByteArray("<divelog><dive/></divelog>") << int(UDDF::Status::NotUddf);
        // Samples and start time count only inside a dive, not anywhere below the root.
        QTest::newRow("samples_outside_a_dive") << "<uddf><samples>" + wp("10", "9")
                + "</samples><informationbeforedive><datetime>"
                  "2019-03-05T10:22:00Z</datetime></informationbeforedive></uddf>"
                                                << int(UDDF::Status::NoDive);
        QTest::newRow("nested_too_deep")
            << QByteArray("<uddf>").repeated(5000) + QByteArray("</uddf>").repeated(5000) << notXml;
    }

    void badInputLeavesProfile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);

        DiveProfile dive = logbookDives().constFirst();
        QCOMPARE(int(UDDF::readData(bytes, dive)), status);
        QCOMPARE(describe(dive), describe(logbookDives().constFirst()));
    }

    void truncatedAtEveryByte()
    {
        // Every proper prefix of a real document is refused (the root is never closed) and the
        // profile keeps its values.
        const QByteArray full = readFile(kData + QStringLiteral("exported_ns_bom.uddf"));
        const DiveProfile kept = logbookDives().constFirst();
        const qsizetype end = full.lastIndexOf("</uddf>");
        for (qsizetype n = 0; n < end; ++n) {
            DiveProfile dive = kept;
            QVERIFY2(UDDF::readData(full.left(n), dive) != UDDF::Status::Ok,
                qPrintable(QString::number(n)));
            QCOMPARE(describe(dive), describe(kept));
        }
    }

    void fileFailures()
    {
        QTemporaryDir dir;
        const QString huge = dir.filePath(QStringLiteral("huge.uddf"));
        QVERIFY(sparseFile(huge, XmlPathDocument::maxFileSize + 1));
        UDDF uddf;
        DiveProfile dive = logbookDives().constFirst();
        QVERIFY(!uddf.read(huge, dive));
        QCOMPARE(uddf.lastStatus(), UDDF::Status::TooLarge);
        QVERIFY(!uddf.errorString().isEmpty());
        QVERIFY(!uddf.read(dir.filePath(QStringLiteral("missing.uddf")), dive));
        QCOMPARE(uddf.lastStatus(), UDDF::Status::CannotOpen);
        QCOMPARE(describe(dive), describe(logbookDives().constFirst()));

        QVERIFY(!uddf.write(dir.filePath(QStringLiteral("no/such/folder/x.uddf")), dive));
        QVERIFY(!uddf.errorString().isEmpty());
    }

    void fuzzRegressions()
    {
        // Inputs the fuzzer once crashed on: each must now be read or refused cleanly.
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/uddf"));
        const QStringList files = dir.entryList(QDir::Files);
        QVERIFY2(!files.isEmpty(), "no inputs in tests/data/fuzz/uddf");
        for (const QString& name : files) {
            QList<DiveProfile> dives;
            QList<RefusedDive> refused;
            if (UDDF::readAllData(readFile(dir.filePath(name)), dives, refused)
                != UDDF::Status::Ok) {
                QVERIFY(dives.isEmpty());
                continue;
            }
            // As the fuzz target does: what was read writes and reads again.
            QList<DiveProfile> again;
            UDDF::readAllData(UDDF::toDocument(dives), again, refused);
            QCOMPARE(again.size(), dives.size());
        }
    }
};

QTEST_GUILESS_MAIN(TestUddf)
#include "tst_uddf.moc"
