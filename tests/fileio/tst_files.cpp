// The file readers and writers (CSV, binary dive file, UDDF, plan file), and the choice of reader
// and writer by file name.

#include "dive/devicerecords.h"
#include "dive/diveprofile.h"
#include "fileio/binarydivefile.h"
#include "fileio/binarydiveparser.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "fileio/planfile.h"
#include "fileio/uddf.h"
#include "fileio/uddfdatetime.h"
#include "fileio/xmlpathdocument.h"
#include "fileio/xmlschema.h"
#include "tests/filesizelimit.h"

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>

namespace {

// A little-endian value at a byte offset, for files laid out by hand.
template <typename T> void put(QByteArray& bytes, int offset, T value)
{
    qToLittleEndian<T>(value, reinterpret_cast<uchar*>(bytes.data()) + offset);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A file of the given size that costs no disk (sparse), to meet the readers' size limits.
bool sparseFile(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

QString num(double value)
{
    return QString::number(value, 'g', 6);
}

QString mixOf(const DiveProfile& dive, int index)
{
    return index < 0 || index >= dive.gases.size()
        ? QStringLiteral("-")
        : QStringLiteral("%1/%2").arg(dive.gases.at(index).o2).arg(dive.gases.at(index).he);
}

// What a reader must get right, field by field: name, computer, serial, start, number, gases
// ("name o2/he", sorted), tanks ("mix:start-end" bar), site, buddies, notes, samples
// ("time:depth:temperature:mix" with cns, ceiling and alert bits when set). Gases are named by
// their mix, so the order in which a file defines them does not matter.
// With setpoints, closed-circuit samples also show theirs ("sp1300") and the dive its mode.
QStringList describe(const DiveProfile& d, bool setpoints = false)
{
    QStringList gases;
    QStringList tanks;
    QStringList samples;
    for (const DiveGas& g : d.gases)
        gases << QStringLiteral("%1 %2/%3").arg(g.name).arg(g.o2).arg(g.he);
    gases.sort();
    for (const DiveProfile::TankPressure& t : d.tanks)
        tanks << mixOf(d, t.gasIndex) + ':' + num(t.startBar) + '-' + num(t.endBar);
    for (const DiveSample& s : d.samples) {
        QString text
            = QStringList { num(s.time), num(s.depth), num(s.temperature), mixOf(d, s.gasIndex) }
                  .join(':');
        if (s.cns != 0)
            text += " cns" + num(s.cns);
        if (s.decoCeiling != 0)
            text += " ceil" + num(s.decoCeiling);
        if (s.alertFlags != 0)
            text += " alert" + QString::number(s.alertFlags);
        if (setpoints && s.setpointMbar != 0)
            text += " sp" + QString::number(s.setpointMbar);
        samples << text;
    }
    // The site's place where there is one: location, country, position.
    QString site = d.site;
    for (const QString& part : { d.location, d.country })
        site += part.isEmpty() ? QString() : " / " + part;
    if (d.position)
        site += " @" + num(d.position->latitude) + ',' + num(d.position->longitude);
    return { d.name, d.computer, d.serial, QString::number(d.dateTime),
        QString::number(d.number) + (setpoints && d.diveMode == 1 ? " cc" : ""), gases.join(','),
        tanks.join(','), site, d.buddies.join(','), d.notes, samples.join(' ') };
}

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
    // A closed-circuit dive with its setpoints and site position; a dive cut short, which
    // neither starts at 0 s nor ends at the surface and must keep its duration and samples.
    dives[1].diveMode = 1;
    for (qsizetype i = 0; i < dives[1].samples.size(); ++i)
        dives[1].samples[i].setpointMbar = i == 0 ? 700 : (i < 3 ? 1300 : 0);
    dives[1].location = QStringLiteral("Gozo");
    dives[1].country = QStringLiteral("Malta");
    dives[1].position = GeoPosition { 36.0825, -14.2017 };
    dives[3].samples.removeFirst();
    dives[3].samples.removeLast();
    return dives;
}

// Little-endian bytes laid out by hand, independently of the code under test.
class Bytes
{
public:
    template <typename T> Bytes& num(T value)
    {
        uchar b[sizeof(T)];
        qToLittleEndian<T>(value, b);
        m_bytes.append(reinterpret_cast<const char*>(b), sizeof(T));
        return *this;
    }
    Bytes& text(const QByteArray& utf8) { return num<quint64>(quint64(utf8.size())).raw(utf8); }
    Bytes& raw(const QByteArray& bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// One 104-byte sample in the order of the sample layout; the reserved bytes are not zero.
QByteArray sampleBytes(double time, double depth, qint32 gasIndex)
{
    const auto reserved = [](int n) { return QByteArray(n, '\x5a'); };
    Bytes b;
    // Time, depth, speed, temperature, OTU, CNS, ceiling.
    for (double value : { time, depth, 20.0, 21.5, 1.25, 3.5, 0.0 })
        b.num<double>(value);
    b.num<quint16>(7).raw(reserved(6)).num<double>(0.4); // no-deco value, gradient factor
    // Gas index, max-depth mark, alert flags, status flags.
    b.num<qint32>(gasIndex).num<quint8>(1).num<quint8>(0x10).num<quint8>(0x80);
    b.raw(reserved(2));
    for (int i = 1; i <= 16; ++i)
        b.num<quint8>(quint8(i)); // tissue bytes
    return b.raw(reserved(1)).num<quint16>(3700).raw(reserved(4)).bytes(); // battery
}

// The 140 tissue bytes at their offsets.
QByteArray tissueBytes(float firstN2, float cns)
{
    QByteArray t(140, '\0');
    for (int i = 0; i < 16; ++i) {
        put<float>(t, 4 * i, i == 0 ? firstN2 : 0.75f + 0.01f * float(i));
        put<float>(t, 64 + 4 * i, 0.02f * float(i));
    }
    put<float>(t, 128, cns);
    t[132] = 1; // hasHe
    t[133] = 2; // spare byte
    put<float>(t, 136, 0.32f);
    return t;
}

// What may differ from a well-formed one-dive file in the malformed cases.
struct PlanShape
{
    quint32 diveCount = 1;
    int dives = 1; // written
    quint64 nameLength = 6; // "Dive 1"
    quint64 gasCount = 2;
    quint64 sampleCount = 2;
    qint32 secondGasIndex = 1;
    double secondDepth = 20.0;
    double secondTime = 60.0;
    qint32 secondO2 = 32;
    qint32 secondHe = 0;
    quint32 waterType = 1;
    float firstN2 = 0.8f;
    float cns = 0.25f;
    float surfacePressure = 0.98f;
    QByteArray trailing;
};

// A well-formed shape with one member changed.
template <typename T, typename V> PlanShape with(T PlanShape::*member, V value)
{
    PlanShape shape;
    shape.*member = T(value);
    return shape;
}

// Dive k + 1 of the plan.
QByteArray profileBytes(const PlanShape& shape, int k = 0)
{
    Bytes b;
    b.text("a.uddf");
    b.num<quint64>(shape.nameLength).raw("Dive " + QByteArray::number(k + 1));
    b.text("Plong\xc3\xa9"
           "e")
        .text("")
        .text("S1");
    b.num<qint64>(1551781320 + 7200 * k).num<quint32>(4);
    b.num<double>(600.5).num<double>(20.0).num<double>(12.5).num<double>(22.0);
    b.num<quint64>(shape.gasCount);
    b.text("Air").text("Air").num<qint32>(21).num<qint32>(0);
    b.text("3").text("Nx32").num<qint32>(shape.secondO2).num<qint32>(shape.secondHe);
    b.num<quint32>(0); // dive mode
    b.num<quint8>(2).num<quint32>(0x0C000004u).num<quint8>(0x41); // period, alerts, extra
    b.num<quint64>(shape.sampleCount);
    b.raw(sampleBytes(0.0, 0.0, 0))
        .raw(sampleBytes(shape.secondTime, shape.secondDepth, shape.secondGasIndex));
    return b.bytes();
}

QByteArray planBytes(const PlanShape& shape)
{
    Bytes b;
    b.num<quint32>(shape.diveCount);
    for (int k = 0; k < shape.dives; ++k) {
        b.raw(profileBytes(shape, k));
        b.raw(tissueBytes(shape.firstN2, shape.cns));
        b.num<quint32>(7200).num<quint8>(1).num<quint32>(shape.waterType);
        b.num<float>(shape.surfacePressure);
    }
    b.raw(shape.trailing);
    return b.bytes();
}

// A dive settings record (tag 1) by hand: slot, GF, circuit, setpoints and deco gases
// (o2, he, role).
QByteArray diveSettingsRecord(quint8 slot, quint8 low, quint8 high, quint8 closed, float setpoint,
    const QList<std::array<quint8, 3>>& gases, quint16 tag = 1)
{
    Bytes payload;
    payload.num<quint8>(slot).num<quint8>(low).num<quint8>(high).num<quint8>(closed);
    payload.num<float>(0.7f).num<float>(setpoint).num<float>(1.5f);
    payload.num<quint8>(quint8(gases.size()));
    for (const auto& g : gases)
        payload.num<quint8>(g[0]).num<quint8>(g[1]).num<quint8>(g[2]);
    Bytes record;
    record.num<quint16>(tag).num<quint32>(quint32(payload.bytes().size())).raw(payload.bytes());
    return record.bytes();
}

// The settings block: "DPST", version, length of the records, the records.
QByteArray settingsBlock(const QByteArray& records, quint16 version = 1, int lengthDelta = 0)
{
    Bytes block;
    block.raw("DPST").num<quint16>(version).num<quint32>(quint32(records.size() + lengthDelta));
    return block.raw(records).bytes();
}

// A plan that is already loaded, to see that failed loads keep it.
std::vector<PlanDiveRecord> existingPlan()
{
    std::vector<PlanDiveRecord> plan(1);
    plan[0].profile.name = QStringLiteral("Existing");
    plan[0].profile.samples.append(DiveSample());
    plan[0].surfaceIntervalS = 3600;
    return plan;
}

void verifyExisting(const std::vector<PlanDiveRecord>& plan)
{
    QCOMPARE(plan.size(), size_t(1));
    QCOMPARE(describe(plan[0].profile), describe(existingPlan()[0].profile));
    QCOMPARE(plan[0].surfaceIntervalS, quint32(3600));
}

// Three dives, each with its settings: closed circuit at GF 30/85 with a working setpoint of
// 1.25 bar and one deco gas, open circuit at GF 35/75 with two deco gases, the defaults.
PlanShape threeDives(bool withSettings = true)
{
    PlanShape shape;
    shape.diveCount = 3;
    shape.dives = 3;
    if (withSettings)
        shape.trailing = settingsBlock(diveSettingsRecord(0, 30, 85, 1, 1.25f, { { 40, 0, 1 } })
            + diveSettingsRecord(1, 35, 75, 0, 1.3f, { { 50, 0, 1 }, { 100, 0, 1 } })
            + diveSettingsRecord(2, 80, 80, 0, 1.3f, {}));
    return shape;
}

QString settingsText(const PlanDiveSettings& s)
{
    return QString::asprintf("%d/%d %s %g %d", s.gfLow, s.gfHigh, s.closedCircuit ? "cc" : "oc",
        double(s.setpointsBar[1]), int(s.decoGases.size()));
}

constexpr rlim_t kLimitBytes = 512;

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local times below are worked out for Paris: CET (+1) in winter, CEST (+2) in summer.
        qputenv("TZ", "Europe/Paris");
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

        const auto row = [](const char* tag, const QByteArray& data, const QList<double>& counts) {
            QTest::newRow(tag) << data << counts;
        };
        row("20 fields", line20({ "12.5" }), { 1, 0, 0, 12.5 });
        row("19 fields", line20({}).replace("\t0\n", "\n"), { 0, 0, 1, 0.0 });
        row("21 fields", line20({}, "\t0\n"), { 0, 0, 1, 0.0 });
        row("one trailing TAB still 20", line20({ "3" }, "\t\n"), { 1, 0, 0, 3.0 });
        row("two trailing TABs make 21", line20({ "3" }, "\t\t\n"), { 0, 0, 1, 0.0 });
        row("empty unused field", line20({ "4", "1", "" }), { 1, 0, 0, 4.0 });
        row("empty used field skips the line", line20({ "4", "" }), { 0, 1, 0, 0.0 });
        row("CRLF", line20({ "5" }, "\r\n"), { 1, 0, 0, 5.0 });
        row("CRLF after a trailing TAB", line20({ "5" }, "\t\r\n"), { 1, 0, 0, 5.0 });
        row("inf rejected", line20({ "inf" }), { 0, 1, 0, 0.0 });
        row("nan rejected", line20({ "1", "nan" }), { 0, 1, 0, 0.0 });
        row("out of range rejected", line20({ "1e999" }), { 0, 1, 0, 0.0 });
        row("letters rejected", line20({ "Time" }), { 0, 1, 0, 0.0 });
        row("number then garbage", line20({ "12.5abc" }), { 1, 0, 0, 12.5 });
        row("blanks and plus sign", line20({ "  +3.5" }), { 1, 0, 0, 3.5 });
        row("decimal comma stops the number", line20({ "12,5" }), { 1, 0, 0, 12.0 });
        row("exponent", line20({ "1.5e2" }), { 1, 0, 0, 150.0 });
        row("no final newline", line20({ "7" }, ""), { 1, 0, 0, 7.0 });
        row("NUL ends the number", line20({ QByteArray("8\0x", 3) }), { 1, 0, 0, 8.0 });
        row("titles, blank lines, samples",
            QByteArray("Title\tline\n\n\r\n" + line20({ "1" }) + "\n" + line20({ "2" })),
            { 2, 0, 4, 1.0 });
        row("lone CR is not a line end", QByteArray("1\r" + line20({ "2" })), { 1, 0, 0, 1.0 });
        row("many TABs", QByteArray(100000, '\t'), { 0, 0, 1, 0.0 });
        row("empty", QByteArray(), { 0, 0, 0, 0.0 });
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

    void readCsvFile()
    {
        // A title line, two samples and a line without numbers, read into a dive that held another
        // one: nothing of it may stay. Fields 0, 1 and 15-19 are time, depth, temperature (here ten
        // times the depth), OTU, CNS, ceiling and gradient factor; fields 2-14 are not used.
        const auto sample = [](const QByteArray& time, const QByteArray& depth) {
            return line20(QList<QByteArray> { time, depth } + QList<QByteArray>(13, "9")
                + QList<QByteArray> { depth + "0", "1.5", "2.5", "3", "0.75" });
        };
        const QString path = m_dir.filePath("C-dives-evening.csv");
        QVERIFY(writeFile(
            path, "Time\tDepth\n" + sample("0", "2") + sample("60", "12") + line20({ "x", "1" })));
        DiveProfile dive = reportDive();
        dive.yoyoMarkers.append({ 1, 1, 1 });
        dive.ascentSamples.append(DiveSample());
        dive.surfacePressure = 0.9;
        // The CSV file holds no date: the one given.
        DiveReadOptions dated;
        dated.fallbackDateTime = 1700000000;
        DiveFileContent content = readDiveFile(path, dated);
        QVERIFY2(content.ok() && content.dives.size() == 1, qPrintable(content.error));
        dive = content.dives.takeFirst();
        QCOMPARE(dive.origin, DiveOriginCsv);
        QCOMPARE(dive.sourceFileName, QString("C-dives-evening.csv"));
        QCOMPARE(describe(dive),
            QStringList({ "C-dives-evening", "", "", QString::number(dive.dateTime), "0", "", "",
                "", "", "", "0:2:20:- cns2.5 ceil3 60:12:120:- cns2.5 ceil3" }));
        QVERIFY(dive.yoyoMarkers.isEmpty() && dive.ascentSamples.isEmpty());
        // OTU, gradient factor, the default surface pressure, statistics, 10 m in 60 s: 10 m/min.
        QCOMPARE(QList<double>({ dive.samples.at(1).otu, dive.samples.at(1).gradientFactor,
                     dive.surfacePressure, dive.maxDepth, dive.duration, dive.minTemperature,
                     dive.samples.at(1).speed }),
            QList<double>({ 1.5, 0.75, 1.013, 12, 60, 20, 10 }));
        QCOMPARE(dive.dateTime, qint64(1700000000));
        // The line without numbers is skipped and said so.
        QCOMPARE(readDiveFile(path).warnings.size(), 1);
    }

    void readFailures_data()
    {
        // Size -1: no file, -2: a folder, above 0: stretched (sparse) to it, past the reader's
        // limit.
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<qint64>("size");
        const auto row = [](const char* name, const QByteArray& content, qint64 size = 0) {
            QTest::newRow(name) << QString(name) << content << size;
        };
        row("missing.csv", {}, -1);
        row("folder.csv", {}, -2);
        row("empty.csv", {});
        row("titles.csv", "Time\tDepth\tTemp\n\n");
        row("bad.csv", line20({ "nan" }) + line20({ "inf", "1" }) + line20({ "a" }));
        row("binary.csv", QByteArray("\x00\xff\x13\x37\t\x80garbage\n", 15).repeated(300));
        row("huge.csv", line20({ "1" }), CsvFile::MaxFileBytes + 1);
        row("missing.uddf", {}, -1);
        row("huge.uddf", {}, XmlPathDocument::maxFileSize + 1);
        row("missing.divebin", {}, -1);
        row("huge.divebin", header(1) + record(100, 0, 0), BinaryDive::MaxFileSize + 1);
    }

    void readFailures()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(qint64, size);
        const QString path = m_dir.filePath(name);
        if (size == -2)
            QVERIFY(QDir(m_dir.path()).mkpath(name));
        else if (size != -1)
            QVERIFY(writeFile(path, content) && (size == 0 || QFile(path).resize(size)));

        DiveProfile dive = reportDive();
        const std::unique_ptr<DiveLinesIO> reader = makeReader(path);
        QVERIFY(!reader->read(path, dive));
        QVERIFY(!reader->errorString().isEmpty());
        QCOMPARE(describe(dive), describe(reportDive()));
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
        // The date is local: 22:13:20 UTC is 23:13:20 in Paris in November (CET, +1).
        const QByteArray dot = titles
            + "\"My; \"\"best\"\"\";42;QRD-M;2023-11-14 23:13:20;\"two\nlines\";PLB OC;Gaz?;"
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
        for (const char* name : { "no/such/folder/out.csv", "no/such/folder/out.uddf", "folder.csv",
                 "out.divebin", "out.txt" }) {
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
        DiveReadOptions dated;
        dated.fallbackDateTime = 1700000000;
        const DiveFileContent content = readDiveFile(path, dated);
        QCOMPARE(content.warnings.size(), 1);
        QCOMPARE(content.dives.size(), 1);
        QCOMPARE(describe(content.dives.at(0)).constLast(), describe(dive).constLast());
    }

    // ".divebin" files written byte by byte at the offsets of the file layout, including cut
    // and hostile ones.
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
        QCOMPARE(QList<double>({ double(ndlMinutes(dive.samples[0])),
                     ceilingMetres(dive.samples[0]), double(ndlMinutes(dive.samples[1])),
                     double(dive.samples[0].statusFlags), double(dive.samples[0].tissues[0]) }),
            QList<double>({ 10, 0, 0, 0, 0 }));
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

        DiveProfile dive = reportDive();
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
        // Whole percent as some writers give it; 1 is a fraction (oxygen).
        mix("whole_percent_nitrox", "<o2>32</o2><he>0</he>", "32/0");
        mix("whole_percent_trimix", "<o2>18</o2><he>45</he>", "18/45");
        mix("one_is_oxygen", "<o2>1</o2>", "100/0");
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
        // Closed circuit from another writer: setpoints in pascal (or bar), held until the next,
        // none after a switch to open circuit.
        QTest::newRow("setpoints_and_bailout")
            << wp("0", "0", "<divemode type=\"closedcircuit\"/>")
                + wp("10", "5", "<setpo2 setby=\"user\">70000</setpo2>") + wp("20", "30")
                + wp("30", "30", "<setpo2 setby=\"computer\">1.3</setpo2>")
                + wp("40", "20", "<divemode type=\"opencircuit\"/>") + wp("50", "0")
            << QByteArray()
            << "0:0:20:- 10:5:20:- sp700 20:30:20:- sp700 30:30:20:- sp1300 40:20:20:- 50:0:20:-";
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
        QCOMPARE(describe(dive, true).constLast(), samples);
    }

    void mixOverHundredPercentRefused()
    {
        // 60 % O2 and 50 % He in whole percent; 0.8 and 0.3 as fractions: 110 % each. The dive
        // breathing one is refused with the reason; the other dive of the file is read.
        for (const QByteArray& mix :
            { QByteArray("<o2>60</o2><he>50</he>"), QByteArray("<o2>0.8</o2><he>0.3</he>") }) {
            const QByteArray dive = "<dive id=\"%1\"><samples>" + wp("0", "0", "%2")
                + wp("60", "10") + "</samples></dive>";
            QList<DiveProfile> dives;
            QList<RefusedDive> refused;
            QCOMPARE(UDDF::readAllData("<uddf><gasdefinitions><mix id=\"bad\">" + mix
                             + "</mix></gasdefinitions><profiledata><repetitiongroup>"
                             + QByteArray(dive).replace("%1", "a").replace("%2",
                                 "<switchmix "
                                 "ref=\"bad\"/>")
                             + QByteArray(dive).replace("%1", "b").replace("%2", "")
                             + "</repetitiongroup></profiledata></uddf>",
                         dives, refused),
                UDDF::Status::Ok);
            QCOMPARE(dives.size(), 1);
            QCOMPARE(refused.size(), 1);
            QCOMPARE(refused.at(0).name, QStringLiteral("a"));
            QVERIFY2(refused.at(0).reason.contains("100 %"), qPrintable(refused.at(0).reason));
        }
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

        const auto row = [](const char* tag, const char* file, const QStringList& dives,
                             const QStringList& refused = {}) {
            QTest::newRow(tag) << QString(file) << dives << refused;
        };
        // Single-dive file: the one computer without links, real and whole dive times.
        row("minimal", "minimal.uddf",
            { "42|Veltra|1234-5678-9012-3|1551781320|0|Air 21/0,Nitrox 32 32/0|||||0:0:27:21/0 "
              "60:10.5:27:21/0 120:20:26:32/0 600:5:26:32/0 cns12.5 ceil3 660:0:26:32/0" });
        // Prefixed namespace; 09:30+02:00 is 07:30 UTC.
        row("prefixed_namespace", "prefixed.uddf",
            { "7|||1590996600|0|EAN50 50/0|||||0:0:20:50/0 30:6:20:50/0 90:0:20:50/0" });
        // Default namespace, byte-order mark, declaration, comments, extra waypoint children, real
        // dive times, local times (10:22 in Paris in March is 09:22 UTC), a tank reference to no
        // mix; the unlinked computer recorded both dives; the second switches to no mix: in a file
        // of several dives it has no gas.
        row("bom_namespace_comments", "exported_ns_bom.uddf",
            { "dive-17|Reef Pro|A-0042|1551777720|17|EAN29 29/0,Trimix 18/45 18/45|-:200-200|North "
              "Wall|||0:0:24:29/0 10:12.4:24:29/0 21:12.4:23:29/0 30:30:23:18/45 alert4 "
              "1200:3:23:18/45 1205:0:23:18/45",
                "dive-18|Reef Pro|A-0042|1551790800|0||||||0:0:20:- 60:8:20:- 65:0:20:-" });
        // Two repetition groups; dive d1 links the second computer, the site and the buddy, tank
        // 200 -> 50 bar (Pa / 1e5); the unnamed second dive takes its start as name, no computer
        // (the file links them) and its tank from the waypoints; d3 has no samples.
        row("multi_dive", "multi_dive.uddf",
            { "d1|Beta|B-2|1551781320|0|Air 21/0,EAN50 50/0|21/0:200-50|North Wall|Anna Berg|Nice|"
              "0:0:20:21/0 120:20:20:21/0 600:6:20:50/0 700:5:20:50/0 800:0:20:50/0",
                "2019-03-05T14:00:00Z|||1551794400|18|Tx 18/45|18/45:210-90||||0:0:20:18/45 "
                "300:30:20:18/45 900:0:20:18/45",
                "2019-03-06T12:00:00Z|||1551873600|0||||||0:0:20:- 300:12:20:- 900:0:20:-" },
            { "d3" });
        // UDDF 3.3 from another program: 2024-05-12 is day 19855 since 1970, 09:15 and 13:40 UTC;
        // the computer linked through equipmentused; tank pressures of the waypoints refer to the
        // tankdata id, whose link names the mix (190 -> 110 bar); the site's location is a cove.
        row("uddf_3_3_other_program", "other_program_3_3.uddf",
            { "k-101|Gull 3|G3-0007|1715505300|101|Air 21/0,EAN40 40/0|21/0:205-60|Stone Arch / "
              "Cove|Lea "
              "Moss|Octopus under the arch|0:0:18:21/0 180:24.5:14:21/0 1500:6:14:40/0 "
              "1800:3:14:40/0 2000:0:14:40/0",
                "k-102|Gull 3|G3-0007|1715521200|102|EAN40 40/0|40/0:190-110|Stone Arch / Cove|Lea "
                "Moss||0:0:19:40/0 120:15:19:40/0 900:12:19:40/0 1200:0:19:40/0" });
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

    void uddfDiveWithoutSamples()
    {
        // A dive logged by hand elsewhere: no waypoints, only its summary (40 min, 18 m, mean
        // 11.5 m). It is kept, and written back as a summary that reads the same.
        const QByteArray file = "<uddf version=\"3.2.2\"><profiledata><repetitiongroup><dive "
                                "id=\"h1\"><informationbeforedive><datetime>2025-05-01T10:00:00Z"
                                "</datetime></informationbeforedive><informationafterdive>"
                                "<greatestdepth>18</greatestdepth><averagedepth>11.5</averagedepth>"
                                "<diveduration>2400</diveduration></informationafterdive></dive>"
                                "</repetitiongroup></profiledata></uddf>";
        QTemporaryDir dir;
        QFile in(dir.filePath("in.uddf"));
        QVERIFY(in.open(QIODevice::WriteOnly) && in.write(file) == file.size());
        in.close();
        for (const QString& path : { in.fileName(), dir.filePath("out.uddf") }) {
            UDDF reader;
            QList<DiveProfile> read;
            QList<RefusedDive> refused;
            QVERIFY2(reader.readDives(path, read, refused), qPrintable(reader.errorString()));
            QCOMPARE(read.size(), 1);
            const DiveProfile& d = read.constFirst();
            QVERIFY(d.samples.isEmpty());
            QCOMPARE(QList<double>({ d.duration, d.maxDepth, d.meanDepth }),
                QList<double>({ 2400, 18, 11.5 }));
            DiveProfile copy = d;
            if (path == in.fileName())
                QVERIFY2(UDDF().write(dir.filePath("out.uddf"), copy), "written back");
        }
    }

    void uddfRoundTrip()
    {
        // Several dives through one document; the file marks gas switches and the gas holds until
        // the next one.
        const QList<DiveProfile> dives = logbookDives();
        QList<DiveProfile> back;
        QList<RefusedDive> refused;
        QCOMPARE(UDDF::readAllData(UDDF::toDocument(dives), back, refused), UDDF::Status::Ok);
        QCOMPARE(back.size(), dives.size());
        for (qsizetype d = 0; d < dives.size(); ++d)
            QCOMPARE(describe(back.at(d), true), describe(dives.at(d), true));

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
        const QString problem = XmlSchema::validateUddf(written);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        // And the check can fail: a waypoint's time under a name the schema does not know.
        if (written.contains("<divetime>"))
            QVERIFY(!XmlSchema::validateUddf(QByteArray(written).replace("divetime>", "divetimes>"))
                         .isEmpty());
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
        // This program's file holds the dive sample for sample: nothing added before or after.
        QCOMPARE(back.samples.size(), 1);
        QCOMPARE(back.samples.at(0).time, 3.1e42);
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

    void uddfTruncatedAtEveryByte()
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

    void layoutAndRoundTrip()
    {
        // Three hand-built dives (see threeDives). The dives keep their layout byte for byte, so a
        // reader that stops after them still reads them; the settings block follows.
        const QByteArray bytes = planBytes(threeDives());
        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(PlanFile::decode(bytes, plan), PlanFile::Status::Ok);
        QCOMPARE(plan.size(), size_t(3));

        // Every field of the first from its offset (see profileBytes, sampleBytes, tissueBytes and
        // planBytes).
        const DiveProfile& p = plan[0].profile;
        QCOMPARE(describe(p),
            QStringList({ "Dive 1", "Plongée", "S1", "1551781320", "0", "Air 21/0,Nx32 32/0", "",
                "", "", "", "0:0:21.5:21/0 cns3.5 alert16 60:20:21.5:32/0 cns3.5 alert16" }));
        QCOMPARE(p.sourceFileName + '|' + p.gases.at(0).id + '|' + p.gases.at(1).id,
            QStringLiteral("a.uddf|Air|3"));
        const DiveSample& s = p.samples.at(1);
        const tissues_t& t = plan[0].tissues;
        const QList<double> values = { double(p.origin), p.duration, p.maxDepth, p.meanDepth,
            p.maxTemperature, double(p.diveMode), double(p.period), double(p.alerts),
            double(p.alertExtra), s.speed, s.otu, double(s.noDecoValue), s.gradientFactor,
            double(s.isMaxDepth), double(s.statusFlags), double(s.tissues[15]),
            double(s.batteryVoltage), t.pN2[0], t.cns, double(t.hasHe), double(t.spareByte),
            t.spareValue, double(plan[0].surfaceIntervalS), double(plan[0].effortMode),
            double(plan[0].waterType), plan[0].surfacePressureBar };
        const QList<double> written
            = { DiveOriginPlan, 600.5, 20, 12.5, 22, 0, 2, 0x0C000004u, 0x41, 20, 1.25, 7, 0.4, 1,
                  0x80, 16, 3700, 0.8f, 0.25f, 1, 2, 0.32f, 7200, 1, 1, 0.98f };
        QCOMPARE(values, written);
        const QString settings[] = { "30/85 cc 1.25 1", "35/75 oc 1.3 2", "80/80 oc 1.3 0" };
        for (size_t d = 0; d < 3; ++d) {
            QCOMPARE(plan[d].profile.name, QStringLiteral("Dive %1").arg(d + 1));
            QCOMPARE(plan[d].profile.dateTime, 1551781320 + 7200 * qint64(d));
            QCOMPARE(settingsText(plan[d].settings), settings[d]);
        }

        // Written again through a file: the same bytes, read back the same.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("day.diveplan"));
        QCOMPARE(PlanFile::save(path, plan), PlanFile::Status::Ok);
        QCOMPARE(readFile(path), bytes);
        std::vector<PlanDiveRecord> back;
        QCOMPARE(PlanFile::load(path, back), PlanFile::Status::Ok);
        QCOMPARE(PlanFile::encode(back), bytes);

        // A fourth dive is not written: there are three slots.
        plan.push_back(plan[0]);
        QCOMPARE(PlanFile::encode(plan), bytes);

        // An empty plan is the 4-byte count 0; loading it empties a plan.
        QCOMPARE(PlanFile::encode({}), QByteArray(4, '\0'));
        QCOMPARE(PlanFile::decode(QByteArray(4, '\0'), plan), PlanFile::Status::Ok);
        QVERIFY(plan.empty());
    }

    void malformedLeavesPlan_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("settings"); // of the dive read, when read

        using S = PlanFile::Status;
        const auto row = [](const char* name, const PlanShape& shape, S status,
                             const char* settings = "80/80 oc 1.3 0") {
            QTest::newRow(name) << planBytes(shape) << int(status) << QString(settings);
        };
        const auto settings = [](const QByteArray& records, quint16 version = 1, int delta = 0) {
            return with(&PlanShape::trailing, settingsBlock(records, version, delta));
        };
        // Files from before the settings block read at the defaults: GF 80/80, open circuit.
        row("well_formed", PlanShape(), S::Ok);
        row("trailing_bytes_ignored", with(&PlanShape::trailing, "xyz"), S::Ok);
        row("four_dives", with(&PlanShape::diveCount, 4), S::TooManyDives);
        row("dive_count_255", with(&PlanShape::diveCount, 255), S::TooManyDives);
        row("dive_count_256", with(&PlanShape::diveCount, 256), S::NotAPlan);
        row("dive_count_2^32-1", with(&PlanShape::diveCount, 0xFFFFFFFFu), S::NotAPlan);
        // What the command line refuses as options, a file cannot carry either.
        row("depth_150_m_ok", with(&PlanShape::secondDepth, 150.0), S::Ok);
        row("depth_above_150_m", with(&PlanShape::secondDepth, 150.01), S::OutOfRange);
        row("depth_negative", with(&PlanShape::secondDepth, -0.5), S::OutOfRange);
        row("point_at_24_h_ok", with(&PlanShape::secondTime, 86400.0), S::Ok);
        row("point_past_24_h", with(&PlanShape::secondTime, 86401.0), S::OutOfRange);
        row("point_at_a_million_minutes", with(&PlanShape::secondTime, 6.0e7), S::OutOfRange);
        row("point_before_the_start", with(&PlanShape::secondTime, -1.0), S::OutOfRange);
        row("oxygen_0", with(&PlanShape::secondO2, 0), S::OutOfRange);
        row("oxygen_101", with(&PlanShape::secondO2, 101), S::OutOfRange);
        row("helium_past_100", with(&PlanShape::secondHe, 69), S::OutOfRange);
        row("helium_to_100_ok", with(&PlanShape::secondHe, 68), S::Ok);
        row("helium_negative", with(&PlanShape::secondHe, -1), S::OutOfRange);
        row("water_type_2", with(&PlanShape::waterType, 2), S::OutOfRange);
        row("count_2_one_dive", with(&PlanShape::diveCount, 2), S::Truncated);
        row("text_length_2^63", with(&PlanShape::nameLength, quint64(1) << 63), S::LengthTooLarge);
        row("text_length_past_end", with(&PlanShape::nameLength, 1 << 20), S::LengthTooLarge);
        row("gas_count_2^64-1", with(&PlanShape::gasCount, std::numeric_limits<quint64>::max()),
            S::LengthTooLarge);
        row("gas_count_past_end", with(&PlanShape::gasCount, 1000), S::LengthTooLarge);
        row("sample_count_2^61", with(&PlanShape::sampleCount, quint64(1) << 61),
            S::LengthTooLarge);
        // Fits the bytes left, so a third "sample" is read from the tissue bytes: the helium
        // tension of compartment 3 (0.04f) lands on its gas index.
        row("sample_count_one_too_many", with(&PlanShape::sampleCount, 3), S::BadGasIndex);
        row("sample_count_past_end", with(&PlanShape::sampleCount, 5), S::LengthTooLarge);
        row("gas_index_equal_to_count", with(&PlanShape::secondGasIndex, 2), S::BadGasIndex);
        row("gas_index_below_minus_1", with(&PlanShape::secondGasIndex, -2), S::BadGasIndex);
        row("gas_index_huge", with(&PlanShape::secondGasIndex, std::numeric_limits<qint32>::max()),
            S::BadGasIndex);
        row("gas_index_unknown_ok", with(&PlanShape::secondGasIndex, -1), S::Ok);
        row("sample_depth_nan", with(&PlanShape::secondDepth, NAN), S::BadSample);
        row("sample_depth_infinite", with(&PlanShape::secondDepth, INFINITY), S::BadSample);
        row("tension_nan", with(&PlanShape::firstN2, NAN), S::BadTissues);
        row("tension_infinite", with(&PlanShape::firstN2, INFINITY), S::BadTissues);
        row("tension_negative", with(&PlanShape::firstN2, -0.01f), S::BadTissues);
        row("tension_above_10_bar", with(&PlanShape::firstN2, 10.01f), S::BadTissues);
        row("tension_10_bar_ok", with(&PlanShape::firstN2, 10.0f), S::Ok);
        row("cns_nan", with(&PlanShape::cns, NAN), S::BadTissues);
        row("cns_negative", with(&PlanShape::cns, -0.5f), S::BadTissues);
        row("surface_pressure_nan", with(&PlanShape::surfacePressure, NAN), S::BadSurfacePressure);
        row("surface_pressure_zero", with(&PlanShape::surfacePressure, 0), S::BadSurfacePressure);
        row("settings_cut_in_magic", with(&PlanShape::trailing, "DPS"), S::BadSettings);
        const QByteArray good = diveSettingsRecord(0, 30, 85, 1, 1.25f, { { 40, 0, 1 } });
        row("settings_length_past_end", settings(good, 1, 1), S::BadSettings);
        row("settings_record_cut_short", settings(good + "z"), S::BadSettings);
        row("settings_newer_version", settings(good, 2), S::NewerSettings);
        const auto badRecord
            = [&](const char* name, quint8 slot, quint8 low, quint8 high, quint8 closed,
                  float setpoint, const QList<std::array<quint8, 3>>& gases) {
                  row(name, settings(diveSettingsRecord(slot, low, high, closed, setpoint, gases)),
                      S::BadSettings);
              };
        badRecord("settings_gf_low_above_high", 0, 90, 80, 0, 1.3f, {});
        badRecord("settings_gf_zero", 0, 0, 80, 0, 1.3f, {});
        badRecord("settings_circuit_2", 0, 30, 80, 2, 1.3f, {});
        badRecord("settings_setpoint_nan", 0, 30, 80, 0, NAN, {});
        badRecord("settings_four_deco_gases", 0, 30, 80, 0, 1.3f,
            { { 50, 0, 1 }, { 80, 0, 1 }, { 100, 0, 1 }, { 40, 0, 1 } });
        badRecord("settings_mix_above_100", 0, 30, 80, 0, 1.3f, { { 60, 50, 1 } });
        badRecord("settings_slot_without_dive", 1, 30, 80, 0, 1.3f, {});
        row("settings_unknown_tag_skipped",
            settings(diveSettingsRecord(0, 30, 80, 0, 1.3f, {}, 99) + good), S::Ok,
            "30/85 cc 1.25 1");
        QTest::newRow("garbage") << QByteArray("this is not a plan at all, just some text")
                                 << int(S::NotAPlan) << QString();
    }

    void malformedLeavesPlan()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, settings);

        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(int(PlanFile::decode(bytes, plan)), status);
        if (status == int(PlanFile::Status::Ok)) {
            QCOMPARE(plan.size(), size_t(1));
            QCOMPARE(plan[0].profile.name, QStringLiteral("Dive 1"));
            QCOMPARE(settingsText(plan[0].settings), settings);
            return;
        }
        verifyExisting(plan);
        QVERIFY(!PlanFile::statusText(PlanFile::Status(status)).isEmpty());

        // The same through a file.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("bad.diveplan"));
        QVERIFY(writeFile(path, bytes));
        QCOMPARE(int(PlanFile::load(path, plan)), status);
        verifyExisting(plan);
    }

    void planTruncatedAtEveryByte()
    {
        const QByteArray full = planBytes(threeDives());
        const qsizetype divesEnd = planBytes(threeDives(false)).size();
        for (qsizetype n = 0; n < full.size(); ++n) {
            std::vector<PlanDiveRecord> plan = existingPlan();
            const PlanFile::Status status = PlanFile::decode(full.left(n), plan);
            if (n == divesEnd) {
                // Whole dives and nothing after them: a plan from before the settings block.
                QCOMPARE(status, PlanFile::Status::Ok);
                continue;
            }
            QVERIFY2(n > divesEnd ? status == PlanFile::Status::BadSettings
                                  : status == PlanFile::Status::Truncated
                        || status == PlanFile::Status::LengthTooLarge,
                qPrintable(QString::number(n)));
            verifyExisting(plan);
        }
    }

    void loadProfileKeepsProfileOnFailure()
    {
        // The record alone, cut inside its samples, then whole: the profile changes only when the
        // record is whole, and then only in the fields of the record.
        const QByteArray record = profileBytes(PlanShape());
        DiveProfile dive = existingPlan()[0].profile;
        dive.surfacePressure = 0.9;
        for (const bool whole : { false, true }) {
            QBuffer buffer;
            buffer.setData(whole ? record : record.left(record.size() - 1));
            QVERIFY(buffer.open(QIODevice::ReadOnly));
            QCOMPARE(dive.loadProfile(buffer), whole);
            QCOMPARE(dive.name, whole ? QStringLiteral("Dive 1") : QStringLiteral("Existing"));
            QCOMPARE(dive.samples.size(), whole ? 2 : 1);
            QCOMPARE(dive.surfacePressure, 0.9);
        }
    }

    void planFileFailures()
    {
        QTemporaryDir dir;
        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(PlanFile::load(dir.filePath(QStringLiteral("missing.diveplan")), plan),
            PlanFile::Status::CannotOpen);
        verifyExisting(plan);
        const QString huge = dir.filePath(QStringLiteral("huge.diveplan"));
        QVERIFY(sparseFile(huge, PlanFile::maxFileBytes + 1));
        QCOMPARE(PlanFile::load(huge, plan), PlanFile::Status::TooLarge);
        verifyExisting(plan);

        // A save that cannot happen is reported.
        QVERIFY(PlanFile::save(dir.filePath(QStringLiteral("no/such/dir/p.diveplan")), plan)
            != PlanFile::Status::Ok);

        // Saving over a longer file leaves exactly the new plan.
        const QString path = dir.filePath(QStringLiteral("p.diveplan"));
        QVERIFY(writeFile(path, QByteArray(50000, '\x7f')));
        QCOMPARE(PlanFile::save(path, plan), PlanFile::Status::Ok);
        QCOMPARE(readFile(path), PlanFile::encode(plan));
    }

    void fuzzRegressions_data()
    {
        // Inputs the fuzzer once crashed on, or that probe the CSV splitter's edges: the file
        // reader agrees with the parser, and a refused plan leaves the plan as it was (the
        // targets themselves replay them too: tests/fuzz).
        QTest::addColumn<QString>("path");
        for (const QString folder : { "csv", "planfile" }) {
            const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/") + folder);
            const QStringList names = dir.entryList(QDir::Files);
            QVERIFY2(!names.isEmpty(), qPrintable("no inputs in tests/data/fuzz/" + folder));
            for (const QString& name : names)
                QTest::newRow(qPrintable(folder + '/' + name)) << dir.filePath(name);
        }
    }

    void fuzzRegressions()
    {
        QFETCH(QString, path);
        const QByteArray bytes = readFile(path);
        if (path.contains("/fuzz/planfile/")) {
            std::vector<PlanDiveRecord> plan = existingPlan();
            if (PlanFile::decode(bytes, plan) != PlanFile::Status::Ok)
                verifyExisting(plan);
        } else {
            // The file reader must agree with the parser.
            const QList<DiveSample> parsed = CsvFile::parseSamples(bytes);
            for (const DiveSample& s : parsed)
                QVERIFY(std::isfinite(s.time) && std::isfinite(s.depth));
            DiveProfile dive;
            CsvFile csv;
            QCOMPARE(csv.read(path, dive), !parsed.isEmpty());
            QCOMPARE(dive.samples.size(), parsed.size());
        }
    }

    // Every writer replaces a file only once the new content is complete. The write is made to
    // fail after the file is open; a writer that truncates the old file and writes in place
    // loses it.
    void oldFileSurvives_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("samples");
        // A file under the 16 KiB write buffer reaches the disk only while the writer commits; a
        // bigger one is written through at once. Both must fail without touching the old file.
        QTest::newRow("plan file") << QStringLiteral("plan.diveplan") << 0;
        QTest::newRow("csv, buffered") << QStringLiteral("dive.csv") << 20;
        QTest::newRow("uddf, buffered") << QStringLiteral("dive.uddf") << 20;
        QTest::newRow("uddf, written through") << QStringLiteral("dive.uddf") << 2000;
    }

    void oldFileSurvives()
    {
        QFETCH(QString, fileName);
        QFETCH(int, samples);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        const QByteArray old(300, 'o');
        QVERIFY(writeFile(path, old));

        std::vector<PlanDiveRecord> plan;
        QCOMPARE(PlanFile::decode(planBytes(threeDives()), plan), PlanFile::Status::Ok);
        DiveProfile written = reportDive();
        written.samples = QList<DiveSample>(samples, written.samples.at(1));

        const auto write = [&]() {
            return fileName.endsWith(QLatin1String(".diveplan"))
                ? PlanFile::save(path, plan) == PlanFile::Status::Ok
                : exportDive(written, path);
        };
        bool saved = true;
        QVERIFY(underFileSizeLimit(kLimitBytes, [&]() { saved = write(); }));
        QVERIFY(!saved);
        QCOMPARE(readFile(path), old);
        // No temporary file is left behind either.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { fileName });

        // Without the limit the same write goes through, so the failure above was the limit's.
        QVERIFY(write());
        QVERIFY(readFile(path).size() > qsizetype(kLimitBytes));
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

    QString file(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath("dive.divebin");
        return writeFile(path, bytes) ? path : QString();
    }
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
