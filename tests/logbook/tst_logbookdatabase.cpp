#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "dive/divesample.h"
#include "logbook/divecounts.h"
#include "logbook/divedetails.h"
#include "logbook/divelookups.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookfilecheck.h"
#include "logbook/logbookstats.h"
#include "views/logbookcommands.h"
#include "views/placecommands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QUndoStack>
#include <QVariant>
#include <QtTest>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <limits>
#include <linux/fs.h>
#include <optional>
#include <sys/ioctl.h>
#include <tuple>
#include <unistd.h>

Q_DECLARE_METATYPE(DiveFilter)
Q_DECLARE_METATYPE(DiveDetails)

namespace {

// A start offset that stands for a dive without a start.
constexpr int kNoStart = std::numeric_limits<int>::min();

// Details in the order the diver types them (the struct grows fields between them).
DiveDetails typedDetails(int number, const QString& site, const QString& location,
    const QStringList& buddies, const QString& notes, int rating, const QStringList& tags)
{
    DiveDetails d;
    d.number = number;
    d.site = site;
    d.location = location;
    d.buddies = buddies;
    d.notes = notes;
    d.rating = rating;
    d.tags = tags;
    return d;
}

DiveDetails placed(DiveDetails details, const QString& country, std::optional<GeoPosition> position,
    const QString& trip)
{
    details.country = country;
    details.position = position;
    details.trip = trip;
    return details;
}

// A second, independent connection to a logbook file, to look at or tamper with it the way
// another program (or an older version) would.
class Probe
{
public:
    explicit Probe(const QString& path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        m_db.setDatabaseName(path);
        m_db.open();
    }
    ~Probe()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    }
    bool exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (q.exec(sql))
            return true;
        qWarning() << sql << q.lastError().text();
        return false;
    }
    QSqlDatabase& database() { return m_db; }
    QVariant value(const QString& sql) { return rows(sql).value(0).value(0); }
    QList<QVariantList> rows(const QString& sql)
    {
        QList<QVariantList> result;
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            result << row;
        }
        return result;
    }
    // The statements older versions ran: the first made dives and profiles only; the second
    // added the dives' period and alerts, the samples' alert flags and the gases; the third the
    // samples' tissues and gas index.
    static QStringList oldTables(int version)
    {
        QStringList sql {
            QStringLiteral("CREATE TABLE dives (diveid INTEGER, name TEXT, computer TEXT, datetime "
                           "INTEGER, serial TEXT, divemode INTEGER, gfslow INTEGER, gfshigh "
                           "INTEGER, waterdensity INTEGER, psurf INTEGER%1, PRIMARY KEY(diveid))")
                .arg(version > 1 ? ", period INTEGER, alerts INTEGER" : ""),
            QStringLiteral("CREATE TABLE profiles (diveid INTEGER, pointid INTEGER, time REAL, "
                           "depth REAL, temperature REAL, OTU REAL, CNS REAL, decoCeiling REAL, "
                           "gradientFactor REAL%1, PRIMARY KEY(diveid, pointid))")
                .arg(version > 2 ? ",\talertFlag INTEGER, tissues BLOB, gasindex INTEGER"
                                 : (version > 1 ? ", alertFlag INTEGER" : "")),
        };
        if (version > 1)
            sql << "CREATE TABLE gases (diveid INTEGER, gasid INTEGER, o2 INTEGER, he INTEGER, "
                   "PRIMARY KEY(diveid, gasid))";
        return sql;
    }
    bool createOldTables(int version)
    {
        const QStringList sql = oldTables(version);
        return std::all_of(sql.begin(), sql.end(), [this](const QString& s) { return exec(s); });
    }
    QStringList columns(const QString& table)
    {
        QStringList names;
        for (const QVariantList& row : rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            names << row.value(1).toString();
        return names;
    }

private:
    QSqlDatabase m_db;
};

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every field of every sample, as stored and read back.
QList<QVariantList> sampleFields(const QList<DiveSample>& samples)
{
    QList<QVariantList> fields;
    for (const DiveSample& s : samples)
        fields << QVariantList { s.time, s.depth, s.temperature, s.otu, s.cns, s.decoCeiling,
            s.gradientFactor, s.alertFlags, s.gasIndex,
            QByteArray(reinterpret_cast<const char*>(s.tissues), 16) };
    return fields;
}

// The names of the dives the filter keeps, in list order, or the error; groups gets the number
// of computer groups.
QStringList listed(const DiveFilter& filter = {}, int* groups = nullptr)
{
    QList<DiveListEntry> entries;
    int count = -1;
    if (!LogbookDatabase::instance().listDives(filter, entries, count))
        return { QStringLiteral("error: ") + LogbookDatabase::instance().lastError() };
    if (groups)
        *groups = count;
    QStringList names;
    for (const DiveListEntry& e : entries)
        names << e.name;
    return names;
}

qint64 utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC)
        .toSecsSinceEpoch();
}

// Samples every 10 s: down to depthM, back up at durationS, temperatures from warm to coldC,
// every field set, a switch from air to Nx32 at 30 s. The serial is the computer's name + "-1".
DiveProfile makeDive(const QString& name, const QString& computer, qint64 start, double depthM = 10,
    int durationS = 40, double coldC = 16)
{
    DiveProfile dive;
    dive.name = name;
    dive.computer = computer;
    dive.serial = computer + QStringLiteral("-1");
    dive.dateTime = start;
    DiveGas air;
    DiveGas nitrox;
    nitrox.o2 = 32;
    dive.gases = { air, nitrox };
    for (int t = 0; t <= durationS; t += 10) {
        DiveSample s;
        s.time = t;
        s.depth = (t == 0 || t == durationS) ? 0.0 : (t == 10 ? depthM : depthM * 0.8);
        s.temperature = t == 20 ? coldC : coldC + 3.5;
        s.otu = t * 0.25;
        s.cns = t * 0.125;
        s.decoCeiling = t == 20 ? 3.0 : 0.0;
        s.gradientFactor = 0.5;
        s.alertFlags = quint8(t / 10);
        s.gasIndex = t < 30 ? 0 : 1;
        for (int k = 0; k < 16; ++k)
            s.tissues[k] = quint8(t + k);
        dive.samples.append(s);
    }
    return dive;
}

// A dive of the shared fixture under the given serial.
DiveProfile serialDive(const QString& name, const QString& serial, const QString& computer,
    qint64 dateTime, double depthM = 10.0)
{
    DiveProfile dive = makeDive(name, computer, dateTime, depthM);
    dive.serial = serial;
    return dive;
}

// A database header as SQLite writes it: page size, format bytes, change counter, page count.
QByteArray sqliteHeader(int pageSize, quint32 pageCount, quint32 changeCounter, quint32 validFor)
{
    QByteArray h(100, '\0');
    h.replace(0, 16, QByteArray("SQLite format 3\0", 16));
    h[16] = char((pageSize >> 8) & 0xff);
    h[17] = char(pageSize & 0xff);
    h[18] = 1;
    h[19] = 1;
    h[21] = 64;
    h[22] = 32;
    h[23] = 32;
    const auto put = [&h](int offset, quint32 v) {
        for (int i = 0; i < 4; ++i)
            h[offset + i] = char((v >> (24 - 8 * i)) & 0xff);
    };
    put(24, changeCounter);
    put(28, pageCount);
    put(92, validFor);
    return h;
}

} // namespace

class TestLogbookDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // A zone with summer time, so that months are told in local time, not UTC.
        qputenv("TZ", "Europe/Paris");
        tzset();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void cleanup()
    {
        db().close();
        m_dir.reset();
    }

    void idAllocation_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QList<int>>("deleted");
        QTest::addColumn<int>("expectedId");
        QTest::newRow("empty logbook") << 0 << QList<int>() << 1;
        QTest::newRow("ids 1 2 7 present") << 7 << QList<int> { 3, 4, 5, 6 } << 8;
        QTest::newRow("highest id deleted") << 3 << QList<int> { 3 } << 3;
        QTest::newRow("everything deleted") << 2 << QList<int> { 1, 2 } << 1;
    }

    void idAllocation()
    {
        QFETCH(int, stored);
        QFETCH(QList<int>, deleted);
        QFETCH(int, expectedId);
        QCOMPARE(db().openOrCreate(path()), 0);
        for (int i = 1; i <= stored; ++i)
            QCOMPARE(
                db().storeDive(serialDive(QString::number(i), "S1", "Veltra", utc(2024, 1, 1))), 0);
        for (int id : deleted)
            QVERIFY(db().deleteDive(id));
        int id = 0;
        QCOMPARE(db().storeDive(serialDive("new", "S1", "Veltra", utc(2024, 1, 2)), &id), 0);
        QCOMPARE(id, expectedId);
        QCOMPARE(db().findDive("new", "S1"), expectedId);
    }

    void duplicateRefused()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        // Name and serial of the stored dives; the second ones have other samples, computer and
        // date.
        const QStringList keys[]
            = { { "12", "A1B2" }, { QString(), QString() }, { "it's \"deep\"", "S" } };
        for (const QStringList& key : keys)
            QCOMPARE(db().storeDive(serialDive(key[0], key[1], "Veltra", utc(2024, 3, 1))), 0);
        const QByteArray before = fileBytes(path());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(
                db().storeDive(serialDive(keys[i][0], keys[i][1], "Other", utc(2025, 3, 1), 40.0)),
                2);
            QVERIFY(!db().lastError().isEmpty());
            QCOMPARE(db().findDive(keys[i][0], keys[i][1]), i + 1);
        }
        QCOMPARE(fileBytes(path()), before);
        // The same name under another serial is another dive.
        QCOMPARE(db().storeDive(serialDive("12", "A1B3", "Other", utc(2025, 3, 1), 40.0)), 0);
        QCOMPARE(db().findDive("12", "A1B3"), 4);
    }

    void sameDiveRecognised_data()
    {
        // A dive read from a file against the stored "Reef" (Veltra, serial Veltra-1, its third
        // sample at 8 m).
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("computer");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("startOffset");
        QTest::addColumn<double>("third"); // the depth of the third sample
        QTest::addColumn<QString>("stored"); // the name it is stored under, empty when the same
        const auto row
            = [](const char* tag, const char* name, const char* computer, const char* serial,
                  int startOffset, double third, const char* stored) {
                  QTest::newRow(tag) << QString(name) << QString(computer) << QString(serial)
                                     << startOffset << third << QString(stored);
              };
        row("start 60 s later", "Other", "Veltra", "Veltra-1", 60, 9.0, "");
        row("start 61 s later", "Other", "Veltra", "Veltra-1", 61, 9.0, "Other");
        row("start 60 s earlier", "Other", "Veltra", "Veltra-1", -60, 9.0, "");
        row("same start, other serial", "Other", "Veltra", "X", 0, 9.0, "Other");
        // Identical samples: one dive only when the starts are at most 14 h (50400 s) apart or
        // one is missing, and the computers do not contradict.
        row("identical samples, 14 h later", "Copy", "Veltra", "Veltra-1", 50400, 8.0, "");
        row("identical samples, 14 h 1 s earlier", "Copy", "Veltra", "Veltra-1", -50401, 8.0,
            "Copy");
        row("identical samples, no start", "Copy", "Veltra", "Veltra-1", kNoStart, 8.0, "");
        row("identical samples, no computer", "Copy", "", "", 3600, 8.0, "");
        row("identical samples, other serial", "Copy", "Veltra", "Veltra-2", 0, 8.0, "Copy");
        row("identical samples, other computer, no serial", "Copy", "QRD-M", "", 0, 8.0, "Copy");
        row("one sample 1 cm shallower", "Copy", "Veltra", "Veltra-1", 3600, 7.99, "Copy");
        row("no computer named", "Csv", "", "", 0, 9.0, "Csv");
        row("another dive under a taken name", "Reef", "Veltra", "Veltra-1", 3600, 9.0, "Reef (2)");
    }

    void sameDiveRecognised()
    {
        QFETCH(QString, name);
        QFETCH(QString, computer);
        QFETCH(QString, serial);
        QFETCH(int, startOffset);
        QFETCH(double, third);
        QFETCH(QString, stored);
        QCOMPARE(db().openOrCreate(path()), 0);
        int reef = -1;
        QCOMPARE(db().storeDive(makeDive("Reef", "Veltra", utc(2024, 6, 1, 10)), &reef), 0);
        DiveProfile dive = makeDive(name, computer, utc(2024, 6, 1, 10) + startOffset);
        if (startOffset == kNoStart)
            dive.dateTime = 0;
        dive.serial = serial;
        dive.samples[2].depth = third;
        QCOMPARE(db().findSameDive(dive), stored.isEmpty() ? reef : -1);
        const QByteArray before = fileBytes(path());
        int id = -1;
        QCOMPARE(
            db().importDive(dive, &id), stored.isEmpty() ? int(LogbookDatabase::DuplicateDive) : 0);
        if (stored.isEmpty()) {
            QCOMPARE(id, reef);
            QCOMPARE(fileBytes(path()), before);
        } else {
            QCOMPARE(dive.name, stored);
            QCOMPARE(db().findDive(stored, serial), id);
        }
    }

    void roundTrip()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        // 70 years of 365 days plus 17 leap days (1972 to 2036) = 25567 days: past 32 bits.
        const qint64 in2040 = qint64(25567) * 86400 + 34200;
        DiveProfile dive = makeDive("Dive 42", "Veltra", in2040, 31.25);
        dive.serial = "0042ABCD";
        dive.firmwareVersion = "1.4.2";
        dive.period = 10;
        dive.alerts = 0xC0000004u; // dives-in-24h level 3, ceiling level 1
        dive.diveMode = 2;
        dive.gfLow = 30;
        dive.gfHigh = 85;
        dive.freshWater = 1;
        dive.surfacePressure = 1.013; // 1012.999... mbar in binary: truncation would give 1012
        dive.gases[0].o2 = 32;
        dive.gases[1].o2 = 18;
        dive.gases[1].he = 45;
        dive.samples[4].gasIndex = -1;
        dive.samples[2].gradientFactor = 0.125;
        int id = 0;
        QCOMPARE(db().storeDive(dive, &id), 0);
        {
            // The columns as other programs read them: mbar, integer seconds, gases from 1.
            Probe probe(path());
            QCOMPARE(
                probe
                    .value("SELECT psurf || '|' || datetime || typeof(datetime) || '|' || (SELECT "
                           "group_concat(gasindex) FROM (SELECT gasindex FROM profiles ORDER BY "
                           "pointid)) || '|' || (SELECT group_concat(gasid || ':' || o2) FROM "
                           "gases) FROM dives")
                    .toString(),
                QStringLiteral("1013|%1integer|1,1,1,2,0|1:32,2:18").arg(in2040));
        }

        DiveProfile loaded;
        QVERIFY2(db().loadDive(id, loaded), qPrintable(db().lastError()));
        const auto header = [](const DiveProfile& d) {
            return QVariantList { d.name, d.computer, d.serial, d.firmwareVersion, d.dateTime,
                d.period, d.alerts, d.diveMode, d.gfLow, d.gfHigh, d.freshWater,
                d.surfacePressure };
        };
        QCOMPARE(header(loaded), header(dive));
        QStringList gases;
        for (const DiveGas& g : loaded.gases)
            gases << QStringLiteral("%1 %2 %3/%4").arg(g.id, g.name).arg(g.o2).arg(g.he);
        QCOMPARE(gases, QStringList({ "1 Nx32 32/0", "2 Tx18/45 18/45" }));
        QCOMPARE(sampleFields(loaded.samples), sampleFields(dive.samples));
        // Statistics and speeds (pinned in tests/dive) are recomputed on load: deepest 31.25 m;
        // sample 1 goes 31.25 m in 10 s = 187.5 m/min.
        QCOMPARE(loaded.maxDepth, 31.25);
        QVERIFY(qAbs(loaded.samples.at(1).speed - 187.5) < 1e-9);

        // Opening a logbook of this version again writes nothing.
        db().close();
        const QByteArray before = fileBytes(path());
        QCOMPARE(db().openOrCreate(path()), 0);
        db().close();
        QCOMPARE(fileBytes(path()), before);
    }

    void loadConversions_data()
    {
        // An UPDATE applied to the stored dive (id 1, two gases, samples 0-4), then what loads.
        QTest::addColumn<QString>("update");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("expected");
        const char* const rows[][4] = {
            { "gasindex 1 1 2 loads 0 0 1",
                "UPDATE profiles SET gasindex = CASE WHEN pointid < 2 THEN 1 ELSE 2 END",
                "gasIndexes", "0,0,1,1,1" },
            { "gasindex 0 loads -1", "UPDATE profiles SET gasindex = 0", "gasIndexes",
                "-1,-1,-1,-1,-1" },
            { "gasindex past the gases loads -1", "UPDATE profiles SET gasindex = pointid + 1",
                "gasIndexes", "0,1,-1,-1,-1" },
            { "no samples", "DELETE FROM profiles", "gasIndexes", "" },
            { "no gases", "DELETE FROM gases", "gasIndexes", "-1,-1,-1,-1,-1" },
            { "period 0 loads 5", "UPDATE dives SET period = 0", "period", "5" },
            { "period 300 loads 5", "UPDATE dives SET period = 300", "period", "5" },
            { "period 2 kept", "UPDATE dives SET period = 2", "period", "2" },
            { "psurf 950 mbar", "UPDATE dives SET psurf = 950", "psurf", "0.95" },
            { "psurf 200 is out of range", "UPDATE dives SET psurf = 200", "psurf", "1.013" },
            { "psurf as text", "UPDATE dives SET psurf = 'high'", "psurf", "1.013" },
            { "water 7 is salt", "UPDATE dives SET waterdensity = 7", "water", "0" },
            { "gf 0 and 250 default", "UPDATE dives SET gfslow = 0, gfshigh = 250", "gf", "80/80" },
            { "alerts negative", "UPDATE dives SET alerts = -5", "alerts", "0" },
            { "tissues of 5 bytes", "UPDATE profiles SET tissues = x'0102030405'", "tissues",
                "01020304050000000000000000000000" },
            { "tissues of 20 bytes",
                "UPDATE profiles SET tissues = x'0102030405060708090a0b0c0d0e0f1011121314'",
                "tissues", "0102030405060708090a0b0c0d0e0f10" },
        };
        for (const auto& row : rows)
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]);
    }

    void loadConversions()
    {
        QFETCH(QString, update);
        QFETCH(QString, field);
        QFETCH(QString, expected);
        QCOMPARE(db().openOrCreate(path()), 0);
        QCOMPARE(db().storeDive(makeDive("1", "Veltra", utc(2024, 1, 1))), 0);
        QVERIFY(Probe(path()).exec(update));
        DiveProfile d;
        QVERIFY2(db().loadDive(1, d), qPrintable(db().lastError()));
        QStringList indexes;
        QStringList tissues;
        for (const DiveSample& s : d.samples) {
            indexes << QString::number(s.gasIndex);
            tissues << QByteArray(reinterpret_cast<const char*>(s.tissues), 16).toHex();
        }
        tissues.removeDuplicates(); // every sample had the same update
        const QMap<QString, QString> loaded { { "gasIndexes", indexes.join(',') },
            { "period", QString::number(d.period) },
            { "psurf", QString::number(d.surfacePressure) },
            { "water", QString::number(d.freshWater) },
            { "gf", QStringLiteral("%1/%2").arg(d.gfLow).arg(d.gfHigh) },
            { "alerts", QString::number(d.alerts) }, { "tissues", tissues.join(' ') } };
        QCOMPARE(loaded.value(field), expected);
    }

    void loadStartsFresh()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        QCOMPARE(db().storeDive(makeDive("plain", "Veltra", utc(2024, 1, 1))), 0);

        DiveProfile shown = makeDive("planned", "Planner", utc(2020, 1, 1), 45.0);
        shown.ascentSamples = shown.samples;
        shown.yoyoMarkers.append(ProfileMarker { 10.0f, 20.0f, 2 });
        shown.ceilingTrace.append(ProfileMarker { 10.0f, 3.0f, 0 });
        shown.invalidDiveCode = 2;
        shown.gfLow = 20;
        shown.gfHigh = 95;
        shown.freshWater = 1;
        shown.surfacePressure = 0.8;
        shown.ascentStartIndex = 3;
        shown.computerType = 2;
        shown.alertExtra = 0xC3;
        shown.sourceFileName = "plan.diveplan";

        // A missing dive leaves the profile as it was.
        QVERIFY(!db().loadDive(99, shown));
        QCOMPARE(shown.name, QStringLiteral("planned"));
        QCOMPARE(shown.samples.size(), 5);

        // Loaded over it, the stored dive (at a fresh profile's settings) keeps nothing of it.
        const auto settings = [](const DiveProfile& d) {
            return QVariantList { d.ascentSamples.size(), d.yoyoMarkers.size(),
                d.ceilingTrace.size(), d.invalidDiveCode, d.gfLow, d.gfHigh, d.freshWater,
                d.surfacePressure, d.ascentStartIndex, d.computerType, d.alertExtra,
                d.sourceFileName };
        };
        QVERIFY(db().loadDive(1, shown));
        QCOMPARE(settings(shown), settings(DiveProfile()));
        QCOMPARE(shown.name, QStringLiteral("plain"));
        QCOMPARE(shown.maxDepth, 10.0); // the stored dive's, not the 45 m of the shown one
    }

    void upgradeOlderFile_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("first version: dives and profiles") << 1;
        QTest::newRow("gases table, newest columns missing") << 2;
        QTest::newRow("last version before the firmware column") << 3;
    }

    void upgradeOlderFile()
    {
        QFETCH(int, version);
        {
            // Two dives stored out of date order, with only the columns every version had.
            Probe probe(path());
            QVERIFY(probe.createOldTables(version));
            QVERIFY(
                probe.exec("INSERT INTO dives (diveid, name, computer, datetime, serial, divemode, "
                           "gfslow, gfshigh, waterdensity, psurf) VALUES (1, 'Épave', 'Veltra', "
                           "1600090000, 'S9', 0, 40, 85, 1, 1001), (4, 'Tombant', 'Veltra', "
                           "1600000000, 'S9', 0, 80, 80, 0, 1013)"));
            QVERIFY(probe.exec("INSERT INTO profiles (diveid, pointid, time, depth, temperature) "
                               "VALUES (1, 0, 0, 0, 15), (1, 1, 60, 21.75, 14), (4, 0, 0, 0, 20), "
                               "(4, 1, 5, 12.5, 19), (4, 2, 10, 3, 19)"));
            QVERIFY(version < 2 || probe.exec("INSERT INTO gases VALUES (1, 1, 32, 0)"));
        }
        QCOMPARE(db().openOrCreate(path()), 0);
        {
            Probe probe(path());
            QCOMPARE(probe.columns("dives"),
                QStringList({ "diveid", "name", "computer", "datetime", "serial", "divemode",
                    "gfslow", "gfshigh", "waterdensity", "psurf", "period", "alerts",
                    "computertype", "firmwareversion" }));
            QCOMPARE(probe.columns("profiles"),
                QStringList({ "diveid", "pointid", "time", "depth", "temperature", "OTU", "CNS",
                    "decoCeiling", "gradientFactor", "alertFlag", "tissues", "gasindex" }));
            QCOMPARE(probe.columns("gases"), QStringList({ "diveid", "gasid", "o2", "he" }));
        }

        // Listed with their summaries, numbered in date order, found by name (accents folded).
        QList<DiveListEntry> entries;
        int groups = -1;
        QVERIFY(db().listDives(DiveFilter(), entries, groups));
        QList<QVariantList> summaries;
        for (const DiveListEntry& e : entries)
            summaries << QVariantList { e.name, e.maxTime, e.maxDepth, e.number,
                e.dateTime.toSecsSinceEpoch() };
        QCOMPARE(summaries,
            (QList<QVariantList> { { "Épave", 60.0, 21.75, 2, 1600090000 },
                { "Tombant", 10.0, 12.5, 1, 1600000000 } }));
        QCOMPARE(groups, 1);
        DiveFilter search;
        search.search = "epave";
        QCOMPARE(listed(search), QStringList { "Épave" });

        DiveProfile old;
        QVERIFY(db().loadDive(1, old));
        QCOMPARE((QVariantList { int(old.period), old.gases.size(), old.samples.size(),
                     old.samples.at(1).gasIndex, old.gfLow, old.gfHigh, old.freshWater,
                     old.surfacePressure }),
            (QVariantList { 5, version > 1 ? 1 : 0, 2, -1, 40, 85, 1u, 1.001 }));
        QVERIFY(db().updateDetails(1, typedDetails(2, "Site", "", {}, "", 4, {})));
        int id = 0;
        QCOMPARE(db().storeDive(serialDive("9", "S9", "Veltra", 1600200000), &id), 0);
        QCOMPARE(id, 5);
        db().close();

        // The old tables still answer the old queries; the last version's keep their statements
        // byte for byte (dives with the two columns every version since the firmware one adds).
        Probe probe(path());
        const QList<QVariantList> rows
            = probe.rows("SELECT d.diveid, d.name, (SELECT MAX(p.time) FROM profiles p WHERE "
                         "p.diveid=d.diveid), "
                         "(SELECT COUNT(*) FROM gases g WHERE g.diveid=d.diveid) FROM dives d "
                         "ORDER BY d.diveid");
        QCOMPARE(rows.size(), 3);
        QCOMPARE(rows.at(0), (QVariantList { 1, "Épave", 60.0, version > 1 ? 1 : 0 }));
        QCOMPARE(rows.at(1), (QVariantList { 4, "Tombant", 10.0, 0 }));
        if (version < 3)
            return;
        QStringList original = Probe::oldTables(3);
        original[0].replace("PRIMARY", "computertype INTEGER, firmwareversion TEXT, PRIMARY");
        QStringList stored;
        for (const QVariantList& row :
            probe.rows("SELECT sql FROM sqlite_master WHERE name IN ('dives', 'profiles', 'gases') "
                       "ORDER BY CASE name WHEN 'dives' THEN 0 WHEN 'profiles' THEN 1 ELSE 2 END"))
            stored << row.at(0).toString();
        QCOMPARE(stored, original);
    }

    // Every lookup made once per stored dive seeks an index: a scan made each import slower as
    // the logbook grew. Older files get the indexes from the upgrade; a dive an older version
    // stores afterwards (without details) is still found by its samples.
    void perDiveLookupsSeek_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("new logbook") << 0;
        QTest::newRow("upgraded first version") << 1;
        QTest::newRow("upgraded last version before the details") << 3;
    }

    void perDiveLookupsSeek()
    {
        QFETCH(int, version);
        if (version > 0) {
            Probe probe(path());
            QVERIFY(probe.createOldTables(version));
        }
        QCOMPARE(db().openOrCreate(path()), 0);
        db().close();
        DiveProfile older = makeDive("Older", "Veltra", utc(2024, 2, 1), 17.5);
        {
            Probe probe(path());
            QVERIFY(probe.exec("INSERT INTO dives (diveid, name, computer, datetime, serial) "
                               "VALUES (7, 'Older', '', 0, '')"));
            for (const DiveSample& s : older.samples)
                QVERIFY(probe.exec(QStringLiteral("INSERT INTO profiles (diveid, pointid, time, "
                                                  "depth) VALUES (7, %1, %2, %3)")
                                       .arg(s.time / 10)
                                       .arg(s.time)
                                       .arg(s.depth)));
        }
        QCOMPARE(db().openOrCreate(path()), 0);
        older.computer.clear();
        older.serial.clear();
        QCOMPARE(db().findSameDive(older), 7);
        db().close();

        Probe probe(path());
        for (const auto& [name, sql] : DiveLookups::all) {
            QSqlQuery q(probe.database());
            QVERIFY2(q.prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + QLatin1String(sql)), name);
            const QRegularExpression placeholder(QStringLiteral(":\\w+"));
            for (const auto& m : placeholder.globalMatch(QLatin1String(sql)))
                q.bindValue(m.captured(), 1);
            QVERIFY2(q.exec(), name);
            QStringList steps;
            while (q.next())
                steps << q.value(3).toString();
            QVERIFY2(!steps.isEmpty(), name);
            for (const QString& step : steps)
                QVERIFY2(!step.startsWith(QLatin1String("SCAN")),
                    qPrintable(QLatin1String(name) + QLatin1String(": ") + step));
        }
    }

    // Whether a dive has samples is kept beside it for the list; a file from before that column
    // gets it from the samples on opening.
    void profileFlag()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile paper = makeDive("Paper", "Veltra", utc(2024, 3, 2));
        paper.samples.clear();
        paper.duration = 2400;
        paper.maxDepth = 18;
        QCOMPARE(db().storeDive(makeDive("Sampled", "Veltra", utc(2024, 3, 1))), 0);
        QCOMPARE(db().storeDive(paper), 0);
        for (const bool upgraded : { false, true }) {
            if (upgraded) {
                db().close();
                QVERIFY(Probe(path()).exec("ALTER TABLE divedetails DROP COLUMN hasprofile"));
                QCOMPARE(db().openOrCreate(path()), 0);
            }
            QStringList flags;
            db().visitDives(DiveFilter(), LogbookDatabase::ListOrder::NewestFirst,
                [&](const DiveListEntry& e) { flags << e.name + (e.hasProfile ? "+" : "-"); });
            QCOMPARE(flags, QStringList({ "Paper-", "Sampled+" }));
        }
    }

    void headerCheck_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qint64>("fileSize");
        QTest::addColumn<int>("expected");
        using S = LogbookFileStatus;
        const QByteArray good = sqliteHeader(4096, 3, 7, 7);
        const auto changed = [&good](int offset, char value) {
            QByteArray bytes = good;
            bytes[offset] = value;
            return bytes;
        };
        const auto row = [](const char* tag, const QByteArray& bytes, qint64 fileSize, S expected) {
            QTest::newRow(tag) << bytes << fileSize << int(expected);
        };
        row("whole file", good, 3 * 4096, S::Valid);
        row("longer than the header says", good, 4 * 4096, S::Valid);
        row("empty file", QByteArray(), 0, S::Empty);
        row("99 bytes", good.left(99), 99, S::TooShort);
        row("one page missing", good, 2 * 4096, S::Truncated);
        row("cut inside a page", good, 3 * 4096 - 1, S::Truncated);
        row("stale page count is ignored", sqliteHeader(4096, 9, 8, 7), 3 * 4096, S::Valid);
        row("page size 65536 written as 1", sqliteHeader(1, 2, 1, 1), 2 * 65536, S::Valid);
        row("page size not a power of two", sqliteHeader(3000, 1, 1, 1), 3000, S::BadHeader);
        row("page size 256", sqliteHeader(256, 1, 1, 1), 256, S::BadHeader);
        row("wrong payload fraction", changed(21, 63), 3 * 4096, S::BadHeader);
        row("newer read version", changed(19, 3), 3 * 4096, S::UnsupportedVersion);
        row("other signature", changed(14, '4'), 3 * 4096, S::NotSqlite);
        row("text", QByteArray(100, 'a'), 100, S::NotSqlite);
        row("header shorter than the file says", good.left(50), 3 * 4096, S::TooShort);
    }

    void headerCheck()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qint64, fileSize);
        QFETCH(int, expected);
        const LogbookFileStatus status = checkSqliteHeader(bytes, fileSize);
        QCOMPARE(int(status), expected);
        const bool usable
            = status == LogbookFileStatus::Valid || status == LogbookFileStatus::Empty;
        QCOMPARE(logbookFileStatusText(status).isEmpty(), usable);
    }

    void refusedFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("garbage bytes") << "garbage";
        QTest::newRow("truncated at a page boundary") << "truncatedPage";
        QTest::newRow("damaged schema page") << "damaged";
        QTest::newRow("foreign schema") << "foreign";
        QTest::newRow("dives without profiles") << "divesOnly";
        QTest::newRow("dives missing base columns") << "thinDives";
        QTest::newRow("directory") << "directory";
    }

    void refusedFiles()
    {
        QFETCH(QString, kind);
        const QString file = path();
        QByteArray content;
        if (kind == "garbage") {
            for (int i = 0; i < 8192; ++i)
                content.append(char((i * 7919) % 251));
        } else if (kind == "foreign" || kind == "divesOnly" || kind == "thinDives") {
            {
                Probe probe(file);
                if (kind == "foreign") {
                    QVERIFY(probe.exec("CREATE TABLE customers (id INTEGER, name TEXT)"));
                    QVERIFY(probe.exec("INSERT INTO customers VALUES (1, 'x')"));
                } else if (kind == "divesOnly") {
                    QVERIFY(probe.exec(Probe::oldTables(1).first()));
                } else {
                    QVERIFY(probe.exec("CREATE TABLE dives (diveid INTEGER, name TEXT)"));
                    QVERIFY(probe.exec("CREATE TABLE profiles (diveid INTEGER, pointid INTEGER)"));
                }
            }
            content = fileBytes(file);
        } else if (kind == "directory") {
            QVERIFY(QDir().mkpath(file));
        } else {
            // A real logbook with enough dives to span many pages, then damaged.
            QCOMPARE(db().openOrCreate(file), 0);
            for (int i = 0; i < 40; ++i)
                QCOMPARE(
                    db().storeDive(serialDive(QString::number(i), "S", "V", utc(2024, 1, 1))), 0);
            db().close();
            const QByteArray whole = fileBytes(file);
            const int pageSize = (quint8(whole.at(16)) << 8) | quint8(whole.at(17));
            QVERIFY(whole.size() >= 8 * pageSize);
            if (kind == "truncatedPage")
                content = whole.left(whole.size() / pageSize / 2 * pageSize);
            else {
                content = whole;
                for (int i = 100; i < pageSize; ++i)
                    content[i] = char(0xA5 ^ i);
            }
        }
        if (kind != "directory") {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(out.write(content), qint64(content.size()));
        }

        QCOMPARE(db().openOrCreate(file), 1);
        QVERIFY(!db().lastError().isEmpty());
        QVERIFY(!db().isOpen());
        QCOMPARE(db().storeDive(serialDive("1", "S", "V", 0)), 1);
        if (kind != "directory")
            QCOMPARE(fileBytes(file), content);
        QVERIFY(!QFile::exists(file + "-journal"));
    }

    void readOnlyFile()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        QCOMPARE(db().storeDive(serialDive("1", "S", "V", utc(2024, 1, 1))), 0);
        db().close();
        // Drop an index so that opening would have something to write.
        QVERIFY(Probe(path()).exec("DROP INDEX profiles_diveid_depth"));
        const QByteArray before = fileBytes(path());

        // Even root cannot write an immutable file.
        const QByteArray native = QFile::encodeName(path());
        const int fd = ::open(native.constData(), O_RDONLY);
        QVERIFY(fd >= 0);
        int flags = 0;
        bool immutable = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (immutable) {
            flags |= FS_IMMUTABLE_FL;
            immutable = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (!immutable && ::geteuid() != 0)
            immutable = QFile::setPermissions(path(), QFile::ReadOwner);
        if (!immutable) {
            ::close(fd);
            QSKIP("cannot make a file read-only here");
        }

        const int result = db().openOrCreate(path());
        const QString error = db().lastError();
        db().close();
        flags &= ~FS_IMMUTABLE_FL;
        ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        ::close(fd);
        QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner);

        QCOMPARE(result, 1);
        QVERIFY(!error.isEmpty());
        QCOMPARE(fileBytes(path()), before);
    }

    void filters_data()
    {
        QTest::addColumn<DiveFilter>("filter");
        QTest::addColumn<QStringList>("expected");
        // No computer list is no computer filter; hours are -1 when not set.
        const auto f = [](std::optional<QStringList> computers, QDate from = {}, QDate to = {},
                           int fromHour = -1, int toHour = -1) {
            DiveFilter filter;
            filter.byComputer = computers.has_value();
            filter.computers = computers.value_or(QStringList());
            filter.byDate = from.isValid();
            filter.from = QDateTime(from, QTime(0, 0), Qt::UTC);
            filter.hasTo = to.isValid();
            filter.to = QDateTime(to, QTime(0, 0), Qt::UTC);
            filter.byTime = fromHour >= 0 || toHour >= 0;
            filter.fromTime = fromHour < 0 ? -1 : fromHour * 3600 * 1000;
            filter.toTime = toHour < 0 ? -1 : toHour * 3600 * 1000;
            return filter;
        };
        const QDate may10(2024, 5, 10);
        const QDate may11(2024, 5, 11);
        const QStringList alpha { "Alpha" };
        const auto row = [](const char* tag, const DiveFilter& filter, const char* names) {
            QTest::newRow(tag) << filter << QString(names).split(' ', Qt::SkipEmptyParts);
        };
        row("no filter", f(std::nullopt),
            "a-before a-midnight a-morning a-noon a-late a-next b-day2 b-day3 g-day2 inject column "
            "quote future");
        row("two computers", f(QStringList { "Beta", "Gamma" }), "b-day2 b-day3 g-day2");
        row("two computers from one day on", f(QStringList { "Beta", "Gamma" }, may11),
            "b-day2 b-day3 g-day2");
        row("two computers and a date range", f(QStringList { "Alpha", "Beta" }, may10, may11),
            "a-midnight a-morning a-noon a-late a-next b-day2");
        row("active computer filter without names", f(QStringList()), "");
        row("name that tries injection", f(QStringList { "x\" OR 1=1 --" }), "inject");
        row("name of a column", f(QStringList { "serial" }), "column");
        row("name of the filtered column", f(QStringList { "computer" }), "");
        row("single quotes", f(QStringList { "O'Neil", "') OR ('1'='1" }), "quote");
        row("start date alone is from that day on", f(alpha, may10),
            "a-midnight a-morning a-noon a-late a-next");
        row("single day covers 86400 s", f(alpha, may10, may10),
            "a-midnight a-morning a-noon a-late");
        row("time range includes both ends", f(alpha, may10, {}, 9, 12), "a-morning a-noon");
        row("unset start time is midnight, on every day", f(alpha, may10, {}, -1, 9),
            "a-midnight a-morning a-next");
        row("time of day across midnight", f(QStringList { "Alpha", "Beta" }, may10, {}, 23, 10),
            "a-midnight a-morning a-late a-next b-day2 b-day3");
        row("dive in 2040", f(std::nullopt, QDate(2040, 1, 1)), "future");
    }

    void filters()
    {
        QFETCH(DiveFilter, filter);
        QFETCH(QStringList, expected);
        storeFilterFixture();
        QCOMPARE(listed(filter), expected);
        QCOMPARE(listed().size(), 13); // nothing was changed by any filter text
    }

    void groupCount_data()
    {
        QTest::addColumn<QStringList>("dives"); // serial:computer per dive
        QTest::addColumn<QStringList>("expectedOrder"); // serial:computer in list order
        QTest::addColumn<int>("expectedGroups");
        const auto row = [](const char* tag, const char* dives, const char* order, int groups) {
            QTest::newRow(tag) << QString(dives).split(' ', Qt::SkipEmptyParts)
                               << QString(order).split(' ', Qt::SkipEmptyParts) << groups;
        };
        row("empty logbook", "", "", 0);
        row("one computer", "S1:A S1:A", "S1:A S1:A", 1);
        row("one serial, two computer names", "S1:B S2:C S1:A", "S1:A S1:B S2:C", 2);
        row("same computer name, two serials", "S2:A S1:A S2:A", "S1:A S2:A S2:A", 2);
        row("computer named like the old sentinel", "XXXXXXXXXXX:XXXXXXXXXXX",
            "XXXXXXXXXXX:XXXXXXXXXXX", 1);
        row("empty serial and name", ": :", ": :", 1);
    }

    void groupCount()
    {
        QFETCH(QStringList, dives);
        QFETCH(QStringList, expectedOrder);
        QFETCH(int, expectedGroups);
        QCOMPARE(db().openOrCreate(path()), 0);
        for (int i = 0; i < dives.size(); ++i) {
            const QStringList parts = dives.at(i).split(':');
            QCOMPARE(
                db().storeDive(serialDive(QString::number(i), parts.at(0), parts.at(1), 0)), 0);
        }
        QList<DiveListEntry> entries;
        int groups = -1;
        QVERIFY(db().listDives(DiveFilter(), entries, groups));
        QStringList order;
        for (const DiveListEntry& e : entries)
            order << e.serial + ':' + e.computer;
        QCOMPARE(order, expectedOrder);
        QCOMPARE(groups, expectedGroups);
    }

    void listComputers()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        QCOMPARE(db().storeDive(serialDive("1", "S1", "Veltra", 0)), 0);
        QCOMPARE(db().storeDive(serialDive("2", "S2", "Alpha", 0)), 0);
        QCOMPARE(db().storeDive(serialDive("3", "S1", "Veltra", 0)), 0);
        QCOMPARE(db().storeDive(serialDive("4", "S3", QString(), 0)), 0);
        // An older row with no computer at all.
        QVERIFY(
            Probe(path()).exec("INSERT INTO dives (diveid, name, serial) VALUES (9, 'old', 'S8')"));
        QCOMPARE(db().listComputers(), QStringList({ "", "Alpha", "Veltra" }));

        // Filtering by the empty name keeps both the empty and the missing computer.
        DiveFilter filter;
        filter.byComputer = true;
        filter.computers = { "" };
        int groups = 0;
        QCOMPARE(listed(filter, &groups), QStringList({ "4", "old" }));
        QCOMPARE(groups, 2);
    }

    void rename()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        QStringList expected { "first", "second", "third" }; // the names of dives 1, 2 and 3
        for (int i = 0; i < 3; ++i)
            QCOMPARE(db().storeDive(serialDive(expected[i], i < 2 ? "S1" : "S2", "V", 0)), 0);
        const std::tuple<int, const char*, bool> tries[] = {
            { 1, "first", false }, // its own name
            { 1, "second", false }, // the name of another dive of the serial
            { 1, "third", true }, // the name of a dive of another serial
            { 42, "anything", false }, // no such dive
            { 2, "x', name='y", true }, // quotes kept literally
            { 1, "renamed", true },
        };
        for (const auto& [id, name, accepted] : tries) {
            QCOMPARE(db().renameDive(id, name), accepted);
            if (accepted)
                expected[id - 1] = name;
            QCOMPARE(listed(), expected); // only the renamed dive changed
        }
    }

    void deleteDive()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(db().storeDive(serialDive(QString::number(i), "S", "V", 0)), 0);
        const QByteArray before = fileBytes(path());
        for (int missing : { 5, -1 }) {
            QVERIFY(!db().deleteDive(missing));
            QVERIFY(!db().lastError().isEmpty());
        }
        QCOMPARE(fileBytes(path()), before);
        QVERIFY(db().deleteDive(2));
        // The dive's rows in every table are gone, and no other row.
        Probe probe(path());
        QCOMPARE(probe
                     .value("SELECT (SELECT group_concat(diveid) FROM dives) || '|' || (SELECT "
                            "group_concat(DISTINCT diveid) FROM profiles) || '|' || (SELECT "
                            "group_concat(DISTINCT diveid) FROM gases)")
                     .toString(),
            "1,3|1,3|1,3");
        QCOMPARE(probe.value("SELECT COUNT(*) FROM profiles").toInt(), 10);
    }

    void rollbackOnFailure_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("profiles insert violates its key") << "profiles";
        QTest::newRow("gases insert violates its key") << "gases";
        QTest::newRow("no 32-bit id left") << "lastId";
        QTest::newRow("transaction cannot begin") << "begin";
        QTest::newRow("delete cannot begin") << "deleteBegin";
    }

    void rollbackOnFailure()
    {
        QFETCH(QString, failure);
        QCOMPARE(db().openOrCreate(path()), 0);
        QCOMPARE(db().storeDive(serialDive("1", "S", "V", 0)), 0);
        QCOMPARE(db().storeDive(serialDive("2", "S", "V", 0)), 0);
        {
            Probe probe(path());
            // Left-over rows under the id the next dive will get make its inserts fail midway.
            if (failure == "profiles")
                QVERIFY(
                    probe.exec("INSERT INTO profiles (diveid, pointid, time) VALUES (3, 3, 1)"));
            if (failure == "gases")
                QVERIFY(probe.exec("INSERT INTO gases (diveid, gasid, o2) VALUES (3, 1, 32)"));
            if (failure == "lastId")
                QVERIFY(probe.exec("INSERT INTO dives (diveid, name) VALUES (2147483647, 'last')"));
        }
        const QByteArray before = fileBytes(path());

        if (failure == "begin" || failure == "deleteBegin") {
            // Someone left a transaction open on the connection: a second one cannot begin.
            QSqlQuery open(QSqlDatabase::database());
            QVERIFY(open.exec("BEGIN"));
            if (failure == "begin")
                QCOMPARE(db().storeDive(serialDive("3", "S", "V", 0)), 3);
            else
                QVERIFY(!db().deleteDive(1));
            QVERIFY(!db().lastError().isEmpty());
            QVERIFY(open.exec("ROLLBACK"));
        } else {
            QCOMPARE(db().storeDive(serialDive("3", "S", "V", 0)), 3);
            QVERIFY(!db().lastError().isEmpty());
        }
        QCOMPARE(fileBytes(path()), before);
        QVERIFY(!QFile::exists(path() + "-journal"));
        QCOMPARE(db().findDive("3", "S"), -1);
        DiveProfile dive;
        QVERIFY(db().loadDive(1, dive));
        QCOMPARE(dive.samples.size(), 5);
    }

    void fuzzRegressions_data()
    {
        QTest::addColumn<QString>("input");
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/logbook"));
        const QStringList files = dir.entryList(QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString& file : files)
            QTest::newRow(qPrintable(file)) << dir.filePath(file);
    }

    void fuzzRegressions()
    {
        QFETCH(QString, input);
        const QByteArray content = fileBytes(input);
        {
            QFile out(path());
            QVERIFY(out.open(QIODevice::WriteOnly));
            QCOMPARE(out.write(content), qint64(content.size()));
        }
        const int result = db().openOrCreate(path());
        QVERIFY(result == 0 || result == 1 || result == 3);
        if (result != 0) {
            QCOMPARE(fileBytes(path()), content);
            return;
        }
        QList<DiveListEntry> entries;
        int groups = 0;
        if (db().listDives(DiveFilter(), entries, groups)) {
            QVERIFY(groups <= entries.size());
            for (const DiveListEntry& e : entries) {
                DiveProfile dive;
                if (db().loadDive(e.diveId, dive)) {
                    for (const DiveSample& s : dive.samples)
                        QVERIFY(s.gasIndex >= -1 && s.gasIndex < dive.gases.size());
                }
            }
        }
        db().listComputers();
        // Writing must fail cleanly or succeed, as the fuzz target does it.
        int id = -1;
        const int stored = db().storeDive(serialDive("fuzz", "S", "V", 0), &id);
        QVERIFY(stored == 0 || stored == 3);
        if (stored == 0) {
            QVERIFY(db().renameDive(id, "fuzz2"));
            QVERIFY(db().deleteDive(id));
        }
    }

    void failedUpgradeLeavesFile_data()
    {
        QTest::addColumn<QString>("obstacle"); // its third word names it in the error
        // An index under the name of the tanks table: the step fails after the details table was
        // made and filled.
        QTest::newRow("index named like a new table") << "CREATE INDEX divetanks ON dives(name)";
        // A table under the name of the index the last upgrade step of the original tables
        // creates: that step fails after every column has been added.
        QTest::newRow("table named like the last index")
            << "CREATE TABLE profiles_diveid_depth (x INTEGER)";
        QTest::newRow("details table of another shape")
            << "CREATE TABLE divedetails (diveid INTEGER, remark TEXT)";
    }

    void failedUpgradeLeavesFile()
    {
        QFETCH(QString, obstacle);
        const QString named = obstacle.section(' ', 2, 2);
        {
            Probe probe(path());
            QVERIFY(probe.createOldTables(1));
            QVERIFY(probe.exec("INSERT INTO dives (diveid, name) VALUES (1, 'kept')"));
            QVERIFY(probe.exec(obstacle));
        }
        const QByteArray before = fileBytes(path());
        QCOMPARE(db().openOrCreate(path()), int(LogbookDatabase::StatementFailed));
        QVERIFY2(db().lastError().contains(named), qPrintable(db().lastError()));
        QVERIFY(!db().isOpen());
        QCOMPARE(fileBytes(path()), before);
    }

    void detailsStoredExactly_data()
    {
        QTest::addColumn<DiveDetails>("details");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("word"); // a word that must find the dive once accepted

        using D = DiveDetails;
        QTest::newRow("any script, emoji, newline in a list") << typedDetails(
            12, "Ταύρος 🐙", "Île-de-Ré\nFrance", { "Zoë", "李雷" }, "ok", 5, { "ночь", "a b" })
                                                              << true << "李";
        QTest::newRow("quotes and SQL keywords") << typedDetails(1, "x' OR '1'='1",
            "\"; DROP TABLE dives; --", { "O'Brien", "\"NOT\"" }, "SELECT * FROM dives WHERE 1", 0,
            { "NEAR", "AND" }) << true << "brien";
        QTest::newRow("cleared fields") << D {} << true << "";
        QTest::newRow("notes of exactly 64 KiB")
            << typedDetails(3, "", "", {}, QString(MaxNotesBytes, QLatin1Char('n')), 2, {}) << true
            << "";
        QTest::newRow("notes one byte too long") << typedDetails(
            3, "", "", {}, QString(MaxNotesBytes - 1, QLatin1Char('n')) + "é", 2, {})
                                                 << false << "";
        // Where and in which trip, stored as given.
        QTest::newRow("country, position and trip") << placed(
            typedDetails(12, "Arch", "Gozo", {}, "", 0, {}), "Malta", GeoPosition { 46.2, -1.4 },
            "Ré 2024") << true << "arch";
        QTest::newRow("quotes in country and trip, the date line") << placed(
            typedDetails(1, "x' OR", "", {}, "", 0, {}), "'", GeoPosition { -90, 180 }, "x' OR 1")
                                                                   << true << "";
        QTest::newRow("latitude past the pole")
            << placed(typedDetails(3, "Pole", "", {}, "", 0, {}), "", GeoPosition { 90.5, 0 }, "")
            << false << "";
        QTest::newRow("longitude not a number") << placed(
            typedDetails(3, "Nan", "", {}, "", 0, {}), "", GeoPosition { 0, std::nan("") }, "")
                                                << false << "";
        QTest::newRow("rating 6") << typedDetails(3, "", "", {}, "", 6, {}) << false << "";
        QTest::newRow("negative number") << typedDetails(-1, "", "", {}, "", 1, {}) << false << "";
    }

    void detailsStoredExactly()
    {
        QFETCH(DiveDetails, details);
        QFETCH(bool, accepted);
        QFETCH(QString, word);
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile dive = makeDive("first", "Veltra", utc(2024, 5, 1));
        const DiveDetails kept
            = placed(typedDetails(9, "Kept site", "Kept", { "Kept buddy" }, "kept", 1, { "kept" }),
                "Malta", GeoPosition { 35.9, 14.5 }, "Kept trip");
        applyDetails(kept, dive);
        int id = -1;
        QCOMPARE(db().storeDive(dive, &id), 0);
        const QByteArray before = fileBytes(path());

        QCOMPARE(db().updateDetails(id, details), accepted);
        DiveDetails loaded;
        QVERIFY(db().loadDetails(id, loaded));
        QCOMPARE(loaded, accepted ? details : kept);
        if (!accepted) {
            QVERIFY(!db().lastError().isEmpty());
            QCOMPARE(fileBytes(path()), before);
        }
        if (!word.isEmpty())
            QCOMPARE(found(word), QStringList { "first" });
        // A new dive carrying the details stores them as they are.
        DiveProfile second = makeDive("second", "Veltra", utc(2024, 6, 1));
        applyDetails(details, second);
        QCOMPARE(db().storeDive(second, &id), accepted ? 0 : int(LogbookDatabase::StatementFailed));
        if (accepted && details.number > 0) {
            QVERIFY(db().loadDetails(id, loaded));
            QCOMPARE(loaded, details);
        }
    }

    void damagedDetailsRead_data()
    {
        QTest::addColumn<QString>("update"); // what another program wrote into the details
        QTest::addColumn<DiveDetails>("expected");

        QTest::newRow("lists that are not JSON")
            << "buddies='Ana, Li', tags='[\"cut'" << typedDetails(1, "", "", {}, "", 0, {});
        QTest::newRow("lists of other values")
            << "buddies='[1, null, \"Ana\", {}]', tags='{\"a\": 1}'"
            << typedDetails(1, "", "", { "Ana" }, "", 0, {});
        QTest::newRow("numbers out of range")
            << "number=-4, rating=99" << typedDetails(0, "", "", {}, "", 0, {});
        QTest::newRow("text where numbers belong") << "number='x', rating='five', buddies=X'00FF'"
                                                   << typedDetails(0, "", "", {}, "", 0, {});
    }

    void damagedDetailsRead()
    {
        QFETCH(QString, update);
        QFETCH(DiveDetails, expected);
        QCOMPARE(db().openOrCreate(path()), 0);
        int id = -1;
        QCOMPARE(db().storeDive(makeDive("Damaged", "Veltra", utc(2024, 7, 1)), &id), 0);
        db().close();
        QVERIFY(Probe(path()).exec("UPDATE divedetails SET " + update));
        // Read with the defaults in place of what makes no sense; listing and search still work.
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile dive;
        QVERIFY(db().loadDive(id, dive));
        QCOMPARE(detailsOf(dive), expected);
        QCOMPARE(found("damaged"), QStringList { "Damaged" });
    }

    void search_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("computers"); // the list filter, empty for none
        QTest::addColumn<QStringList>("expected");

        const QStringList none;
        QTest::newRow("blank finds every dive")
            << "  " << none << QStringList { "Evening", "Morning reef", "Wall" };
        QTest::newRow("accents and case folded")
            << "LAGOS" << none << QStringList { "Morning reef" };
        QTest::newRow("typed accent finds plain")
            << "Lagôs" << none << QStringList { "Morning reef" };
        QTest::newRow("prefix") << "lag" << none << QStringList { "Morning reef" };
        QTest::newRow("buddy on two dives")
            << "ana" << none << QStringList { "Morning reef", "Wall" };
        QTest::newRow("every word must match") << "ana malta" << none << QStringList { "Wall" };
        QTest::newRow("computer name") << "qrd" << none << QStringList { "Wall" };
        QTest::newRow("tag") << "wre" << none << QStringList { "Morning reef" };
        QTest::newRow("words of the notes")
            << "arch octo" << none << QStringList { "Morning reef" };
        QTest::newRow("operator words are words") << "and or not" << none << QStringList { "Wall" };
        QTest::newRow("only punctuation") << "!!! ... ,;" << none << none;
        QTest::newRow("only FTS syntax") << "\"* ( ) ^ : - + {}" << none << none;
        QTest::newRow("SQL in the search")
            << "'; DROP TABLE dives; --" << none << QStringList { "Evening" };
        QTest::newRow("with the computer filter")
            << "ana" << QStringList { "QRD-M" } << QStringList { "Wall" };
        QTest::newRow("filter leaves none") << "lagos" << QStringList { "QRD-M" } << none;
    }

    void search()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, computers);
        QFETCH(QStringList, expected);
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile a = makeDive("Morning reef", "Veltra", utc(2024, 1, 1));
        applyDetails(typedDetails(0, "Lagôs Bay", "Portugal", { "Zoë Martin", "Ana" },
                         "Octopus under the arch", 3, { "wreck", "night" }),
            a);
        DiveProfile b = makeDive("Wall", "QRD-M", utc(2024, 1, 2));
        applyDetails(typedDetails(0, "Blue Hole", "Malta", { "Ana" }, "He said \"AND\" OR NOT", 0,
                         { "deep" }),
            b);
        DiveProfile c = makeDive("Evening", "Veltra", utc(2024, 1, 3));
        c.notes = "'; DROP TABLE dives; --";
        for (const DiveProfile& dive : { a, b, c })
            QCOMPARE(db().storeDive(dive), 0);
        QCOMPARE(found(typed, computers), expected);
    }

    void searchInStep()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        int id = -1;
        QCOMPARE(db().storeDive(makeDive("Dawn", "Veltra", utc(2024, 3, 1)), &id), 0);
        QCOMPARE(db().storeDive(makeDive("Other", "Veltra", utc(2024, 3, 2))), 0);
        QCOMPARE(found("coral"), QStringList());
        QVERIFY(db().updateDetails(id, typedDetails(1, "Coral garden", "", {}, "", 0, {})));
        QCOMPARE(found("coral"), QStringList { "Dawn" });
        QVERIFY(db().renameDive(id, "Sunset"));
        QCOMPARE(found("sunset coral"), QStringList { "Sunset" });
        QCOMPARE(found("dawn"), QStringList());

        // Refused edits and a store that fails halfway leave the index as it was.
        QVERIFY(!db().updateDetails(id, typedDetails(1, "Manta point", "", {}, "", 9, {})));
        QCOMPARE(found("manta"), QStringList());
        QVERIFY(
            Probe(path()).exec("INSERT INTO profiles (diveid, pointid, time) VALUES (3, 2, 1)"));
        QCOMPARE(db().storeDive(makeDive("Ghost", "Veltra", utc(2024, 3, 3))),
            int(LogbookDatabase::StatementFailed));
        QCOMPARE(found("ghost"), QStringList());

        QUndoStack stack;
        QVERIFY(pushLogbookCommand(stack, new DeleteDivesCommand({ id })).isEmpty());
        QCOMPARE(found("sunset"), QStringList());
        stack.undo();
        QCOMPARE(found("sunset coral"), QStringList { "Sunset" });

        // Another program writing the original tables only.
        QVERIFY(
            Probe(path()).exec("INSERT INTO dives (diveid, name, computer) VALUES (50, 'Legacy', "
                               "'Old')"));
        QCOMPARE(found("legacy"), QStringList { "Legacy" });
        QVERIFY(Probe(path()).exec("DELETE FROM dives WHERE diveid=50"));
        QCOMPARE(found("legacy"), QStringList());
    }

    void numbering_data()
    {
        QTest::addColumn<QList<int>>("days"); // start days of the dives, in the order stored
        QTest::addColumn<QList<int>>("given"); // numbers the dives carry, 0 none
        QTest::addColumn<QList<int>>("expected"); // numbers after all are stored

        using L = QList<int>;
        QTest::newRow("stored in date order") << L { 1, 2, 3 } << L { 0, 0, 0 } << L { 1, 2, 3 };
        // Numbers already given never change: a dive older than a numbered one gets none.
        QTest::newRow("older dive stored last") << L { 2, 3, 1 } << L { 0, 0, 0 } << L { 1, 2, 0 };
        QTest::newRow("dive between two") << L { 1, 3, 2 } << L { 0, 0, 0 } << L { 1, 2, 0 };
        QTest::newRow("typed 300 kept, older dives come in")
            << L { 3, 4, 1, 2 } << L { 0, 300, 0, 0 } << L { 1, 300, 0, 0 };
        QTest::newRow("newer after an unnumbered one")
            << L { 2, 1, 3 } << L { 0, 0, 0 } << L { 1, 0, 2 };
        // A log that starts at 140: the next dive follows it, a given number is kept.
        QTest::newRow("numbers from a file kept")
            << L { 1, 2, 3 } << L { 140, 0, 7 } << L { 140, 141, 7 };
    }

    void numbering()
    {
        QFETCH(QList<int>, days);
        QFETCH(QList<int>, given);
        QFETCH(QList<int>, expected);
        QCOMPARE(db().openOrCreate(path()), 0);
        QList<int> ids;
        for (int i = 0; i < days.size(); ++i) {
            DiveProfile dive = makeDive(QString::number(i), "Veltra", utc(2024, 2, days[i]));
            dive.number = given[i];
            int id = -1;
            QCOMPARE(db().storeDive(dive, &id), 0);
            ids << id;
        }
        const auto numbers = [&] {
            QList<int> list;
            for (int id : ids) {
                DiveDetails details;
                list << (db().loadDetails(id, details) ? details.number : -1);
            }
            return list;
        };
        QCOMPARE(numbers(), expected);
        QUndoStack stack;
        QCOMPARE(pushLogbookCommand(stack, new RenumberDivesCommand()), QString());
        QCOMPARE(numbers(), days); // days 1..n: the rank in date order is the day itself
        stack.undo();
        QCOMPARE(numbers(), expected);
        stack.redo();
        QCOMPARE(numbers(), days);
    }

    void statistics_data()
    {
        QTest::addColumn<DiveFilter>("filter");
        QTest::addColumn<QString>("where"); // the same restriction in plain SQL

        QTest::newRow("every dive") << DiveFilter() << "1";
        DiveFilter computer;
        computer.byComputer = true;
        computer.computers = { "QRD-M" };
        QTest::newRow("one computer") << computer << "d.computer='QRD-M'";
        DiveFilter search;
        search.search = "wall";
        QTest::newRow("searched name") << search << "d.name LIKE 'Wall%'";
    }

    void statistics()
    {
        QFETCH(DiveFilter, filter);
        QFETCH(QString, where);
        QCOMPARE(db().openOrCreate(path()), 0);
        // Dives over two years; the first starts on 31 December at 23:30 UTC, already January in
        // Paris. Dives 2 and 6 share the deepest depth, so the earlier must win.
        const double depths[] = { 12, 31, 8.5, 22, 17, 41, 41, 5, 29.5 };
        const int durations[] = { 2400, 3000, 1800, 3600, 2700, 3900, 2100, 900, 3900 };
        const double colds[] = { 13, 14, 21, 24, 25.5, 19, 15, 14, 12.5 };
        for (int i = 0; i < 9; ++i) {
            const qint64 start = utc(2023, 12, 31, 23) + 1800 + qint64(i) * 47 * 86400;
            const QString name
                = (i % 2 ? QStringLiteral("Wall %1") : QStringLiteral("Reef %1")).arg(i);
            QCOMPARE(db().storeDive(makeDive(name, i % 3 ? "Veltra" : "QRD-M", start, depths[i],
                         durations[i], colds[i])),
                0);
        }
        QList<DiveListEntry> entries;
        int groups = 0;
        QVERIFY(db().listDives(filter, entries, groups));
        // Both ways of computing them: over the listed dives, and in SQL's aggregates.
        DiveStatistics summed;
        QVERIFY(db().statistics(filter, summed));
        db().close();
        for (const DiveStatistics& stats : { computeStatistics(entries), summed })
            checkStatistics(stats, where);
    }

    void checkStatistics(const DiveStatistics& stats, const QString& where)
    {

        Probe probe(path());
        const QString perDive = QStringLiteral(
            "(SELECT d.diveid id, d.datetime t, MAX(p.time) s, MAX(p.depth) z, MIN(p.temperature) "
            "c FROM dives d JOIN profiles p ON p.diveid=d.diveid WHERE %1 GROUP BY d.diveid)")
                                    .arg(where);
        const auto compareTotals = [&](const DiveTotals& got, const QString& condition) {
            const QString from = perDive + QStringLiteral(" WHERE ") + condition;
            // Ties go to the earlier dive.
            const QString query = QStringLiteral(
                "SELECT AVG(z), COUNT(*), SUM(s), MAX(z), (SELECT id FROM %1 ORDER BY z DESC, t, "
                "id LIMIT 1), (SELECT id FROM %1 ORDER BY s DESC, t, id LIMIT 1), MAX(s) FROM %1");
            QVariantList sql = probe.rows(query.arg(from)).value(0);
            QVERIFY(qAbs(got.meanMaxDepth - sql.takeFirst().toDouble()) < 1e-9);
            QCOMPARE((QVariantList { got.dives, got.totalSeconds, got.maxDepth, got.deepestId,
                         got.longestId, got.longestSeconds }),
                sql);
        };
        compareTotals(stats.totals, "1");
        QVERIFY(stats.totals.dives > 1);

        for (const auto& [format, periods] : { std::pair { QString("%Y"), stats.years },
                 std::pair { QString("%Y-%m"), stats.months } }) {
            const QString local
                = QStringLiteral("strftime('%1', t, 'unixepoch', 'localtime')").arg(format);
            QStringList expected;
            for (const QVariantList& row : probe.rows(
                     QStringLiteral("SELECT DISTINCT %1 FROM %2 ORDER BY 1").arg(local, perDive)))
                expected << row.at(0).toString();
            QStringList got;
            for (const DivePeriodTotals& p : periods) {
                got << p.period;
                compareTotals(p.totals, QStringLiteral("%1='%2'").arg(local, p.period));
            }
            QCOMPARE(got, expected);
        }

        QList<int> histogram;
        for (const QVariantList& row :
            probe.rows("SELECT CAST(z / 5 AS INTEGER), COUNT(*) FROM " + perDive + " GROUP BY 1")) {
            histogram.resize(qMax(histogram.size(), row.at(0).toInt() + 1));
            histogram[row.at(0).toInt()] = row.at(1).toInt();
        }
        QCOMPARE(stats.depthHistogram, histogram);

        for (const QVariantList& row : probe.rows(
                 "SELECT CAST(strftime('%m', t, 'unixepoch', 'localtime') AS INTEGER), AVG(c), "
                 "COUNT(*) FROM "
                 + perDive + " GROUP BY 1")) {
            const int month = row.at(0).toInt() - 1;
            QCOMPARE(stats.temperatureDives[size_t(month)], row.at(2).toInt());
            QVERIFY(qAbs(stats.meanTemperature[size_t(month)] - row.at(1).toDouble()) < 1e-9);
        }
    }

    void undoRedo()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile original = makeDive("Kept whole", "Veltra", utc(2024, 4, 1), 33, 600, 11);
        applyDetails(
            typedDetails(4, "Arch", "Gozo", { "Ana", "Li" }, "notes", 5, { "cave" }), original);
        original.tanks = { { 0, 200, 70 }, { 1, 180, 110 } };
        int id = -1;
        QCOMPARE(db().storeDive(original, &id), 0);
        QCOMPARE(db().storeDive(makeDive("Later", "Veltra", utc(2024, 4, 2))), 0);

        QUndoStack stack;
        QVERIFY(pushLogbookCommand(stack, new DeleteDivesCommand({ id })).isEmpty());
        DiveProfile back;
        QVERIFY(!db().loadDive(id, back));
        stack.undo();
        QVERIFY(db().loadDive(id, back));
        QCOMPARE(sampleFields(back.samples), sampleFields(original.samples));
        QCOMPARE(detailsOf(back), detailsOf(original));
        QCOMPARE((QVariantList { back.gases.size(), back.gases.at(1).o2, back.tanks.size(),
                     back.tanks.at(1).endBar }),
            (QVariantList { 2, 32, 2, 110.0 }));
        stack.redo();
        QVERIFY(!db().loadDive(id, back));
        stack.undo();

        // Rename and details: undo puts the old values back, redo the new ones.
        QVERIFY(pushLogbookCommand(stack, new RenameDiveCommand(id, "Kept whole", "Renamed"))
                    .isEmpty());
        DiveDetails edited = detailsOf(original);
        edited.site = "Blue hole";
        QVERIFY(db().updateDetails(id, edited));
        stack.push(new EditDetailsCommand(id, detailsOf(original), edited));
        stack.undo();
        DiveDetails details;
        QVERIFY(db().loadDetails(id, details));
        QCOMPARE(details.site, QString("Arch"));
        stack.undo();
        QCOMPARE(found("renamed"), QStringList());
        QCOMPARE(found("kept"), QStringList { "Kept whole" });
        stack.redo();
        stack.redo();
        QCOMPARE(found("blue renamed"), QStringList { "Renamed" });

        // A rename to a name taken is refused and stays off the stack.
        const int depth = stack.count();
        QVERIFY(
            !pushLogbookCommand(stack, new RenameDiveCommand(id, "Renamed", "Later")).isEmpty());
        QCOMPARE(stack.count(), depth);

        // An import is undone by deleting it and redone under the same id.
        int imported = -1;
        QCOMPARE(db().storeDive(makeDive("Imported", "Veltra", utc(2024, 4, 3)), &imported), 0);
        QVERIFY(
            pushLogbookCommand(stack, new ImportDiveCommand(DiveProfile(), imported)).isEmpty());
        stack.undo();
        QCOMPARE(found("imported"), QStringList());
        stack.redo();
        QVERIFY(db().loadDive(imported, back));
        QCOMPARE(back.name, QString("Imported"));
        QCOMPARE(back.samples.size(), 5);
    }

    // The window filters in local time; these dives sit around the 2026 clock changes of Paris
    // (29 March 02:00 CET -> 03:00 CEST, 25 October 03:00 CEST -> 02:00 CET).

    void freeTextSitesUpgrade()
    {
        // A logbook of the version before sites: places typed as text only.
        QCOMPARE(db().openOrCreate(path()), 0);
        const QList<std::pair<QString, QString>> places = { { "Arch", "Gozo" }, { "Arch", "Gozo" },
            { "Arch", "Malta" }, { "", "Red Sea" }, { "", "" } };
        for (int i = 0; i < places.size(); ++i) {
            DiveProfile dive = makeDive(QString::number(i), "Veltra", utc(2024, 2, 1 + i));
            dive.site = places.at(i).first;
            dive.location = places.at(i).second;
            QCOMPARE(db().storeDive(dive), 0);
        }
        db().close();
        {
            Probe probe(path());
            for (const char* sql : { "DROP TABLE divesites", "DROP TABLE divetrips",
                     "DROP TABLE tankpressures", "DROP INDEX divedetails_site",
                     "DROP INDEX divedetails_trip", "ALTER TABLE divedetails DROP siteid",
                     "ALTER TABLE divedetails DROP tripid", "ALTER TABLE divedetails DROP sac",
                     "ALTER TABLE divetanks DROP sizel", "ALTER TABLE divetanks DROP workingbar" })
                QVERIFY(probe.exec(sql));
        }
        const QString oldQuery = "SELECT d.name, x.site, x.location FROM dives d JOIN divedetails "
                                 "x ON x.diveid=d.diveid ORDER BY d.diveid";
        const QList<QVariantList> before = Probe(path()).rows(oldQuery);
        QCOMPARE(db().openOrCreate(path()), 0);

        // One site per distinct site and location; the dive without a place links none.
        QList<DiveSite> sites;
        QVERIFY(db().listSites(sites));
        QStringList found;
        for (const DiveSite& site : sites)
            found << QStringLiteral("%1/%2/%3").arg(site.name, site.location).arg(site.dives);
        QCOMPARE(found, QStringList({ "/Red Sea/1", "Arch/Gozo/2", "Arch/Malta/1" }));
        db().close();
        QCOMPARE(Probe(path()).rows(oldQuery), before);
    }

    void sitesEditedAndMerged()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        int ids[3] = {};
        const char* const names[] = { "Arch", "Arch", "Reef" };
        for (int i = 0; i < 3; ++i) {
            DiveProfile dive = makeDive(QString::number(i), "Veltra", utc(2024, 2, 1 + i));
            dive.site = names[i];
            dive.location = "Gozo";
            if (i == 2) {
                dive.country = "Malta";
                dive.position = GeoPosition { 36.0, 14.3 };
            }
            QCOMPARE(db().storeDive(dive, &ids[i]), 0);
        }
        const int arch = db().findSites("Arch").value(0);
        const int reef = db().findSites("Reef").value(0);
        QVERIFY(arch > 0 && reef > 0 && db().findSites("Arch").size() == 1);

        // A rename reaches the dives' texts and the search; another site's name is refused.
        DiveSite site;
        QVERIFY(db().loadSite(arch, site));
        site.name = "Blue Arch";
        QVERIFY(db().storeSite(site));
        QCOMPARE(found("blue"), QStringList({ "0", "1" }));
        site.name = "Reef";
        const QByteArray bytes = fileBytes(path());
        QVERIFY(!db().storeSite(site));
        QCOMPARE(fileBytes(path()), bytes);

        // Merged: every dive at the kept site, whose position (it had none) comes from the other.
        QVERIFY(db().mergeSites(arch, reef));
        QVERIFY(!db().loadSite(reef, site));
        QCOMPARE(db().diveIdsOfSite(arch), QList<int>({ ids[0], ids[1], ids[2] }));
        DiveProfile moved;
        QVERIFY(db().loadDive(ids[2], moved));
        QCOMPARE(moved.site, QString("Blue Arch"));
        QCOMPARE(moved.position, std::optional<GeoPosition>(GeoPosition { 36.0, 14.3 }));
        QCOMPARE(moved.country, QString("Malta"));

        // A second import naming the site fills nothing in and moves nothing.
        DiveProfile again = makeDive("again", "Veltra", utc(2024, 3, 1));
        again.site = "Blue Arch";
        again.location = "Gozo";
        again.position = GeoPosition { 1, 1 };
        QCOMPARE(db().storeDive(again), 0);
        QVERIFY(db().loadSite(arch, site));
        QCOMPARE(site.position, std::optional<GeoPosition>(GeoPosition { 36.0, 14.3 }));
        QCOMPARE(site.dives, 4);

        // Removed: the dives stay, with their texts.
        QVERIFY(db().deleteSite(arch));
        QVERIFY(db().loadDive(ids[0], moved));
        QCOMPARE(moved.site, QString("Blue Arch"));
        QVERIFY(!moved.position);
    }

    void trips()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        // Gaps of 1 day, 2.5 days, 1.5 days, 2 days exactly.
        const qint64 starts[] = { utc(2024, 6, 1, 10), utc(2024, 6, 2, 10), utc(2024, 6, 4, 22),
            utc(2024, 6, 6, 10), utc(2024, 6, 8, 10) };
        QList<int> ids;
        for (const qint64 start : starts) {
            int id = -1;
            QCOMPARE(db().storeDive(makeDive(QString::number(start), "Veltra", start), &id), 0);
            ids << id;
        }
        QCOMPARE(db().suggestTrips(ids),
            (QList<QList<int>> { { ids[0], ids[1] }, { ids[2], ids[3], ids[4] } }));

        DiveTrip trip;
        trip.name = "Gozo";
        QVERIFY(db().storeTrip(trip));
        QVERIFY(db().setDivesTrip({ ids[1], ids[2] }, trip.id));
        QVERIFY(!db().storeTrip(trip, true)); // the name is taken
        // From the start of the first dive to the end of the last (40 s long).
        QVERIFY(db().loadTrip(trip.id, trip));
        QCOMPARE((QList<qint64> { trip.start, trip.end, trip.dives }),
            (QList<qint64> { starts[1], starts[2] + 40, 2 }));
        QCOMPARE(db().suggestTrips(ids), (QList<QList<int>> { { ids[3], ids[4] } }));
        DiveProfile dive;
        QVERIFY(db().loadDive(ids[2], dive));
        QCOMPARE(dive.trip, QString("Gozo"));

        QVERIFY(db().deleteTrip(trip.id));
        QList<DiveTrip> trips;
        QVERIFY(db().listTrips(trips));
        QVERIFY(trips.isEmpty());
        QCOMPARE(listed().size(), 5);
    }

    void tanksStored()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        // 600 s, 10 m then 8 m: 60 s of samples every 10 s (see makeDive).
        DiveProfile dive = makeDive("tanks", "Veltra", utc(2024, 8, 1), 10, 600);
        dive.tanks = { { 0, 0, 0, 12, 232 } };
        for (DiveSample& s : dive.samples)
            s.tankPressureBar = float(200 - s.time / 10);
        int id = -1;
        QCOMPARE(db().storeDive(dive, &id), 0);
        DiveProfile loaded;
        QVERIFY(db().loadDive(id, loaded));
        QCOMPARE(loaded.tanks.value(0).sizeL, 12.0);
        QCOMPARE(loaded.tanks.value(0).workingBar, 232.0);
        for (qsizetype i = 0; i < dive.samples.size(); ++i)
            QCOMPARE(loaded.samples.at(i).tankPressureBar, dive.samples.at(i).tankPressureBar);

        // The list keeps the air use; a change of cylinder in the window updates it.
        const auto listedSac = [] {
            QList<DiveListEntry> entries;
            int groups = 0;
            LogbookDatabase::instance().listDives({}, entries, groups);
            return entries.value(0).sac;
        };
        QVERIFY(std::fabs(listedSac() - surfaceAirConsumption(loaded)) < 1e-9);
        QVERIFY(listedSac() > 0);
        QVERIFY(db().updateTanks(id, { { 0, 0, 0, 24, 0 } }));
        QVERIFY(std::fabs(listedSac() - 2 * surfaceAirConsumption(loaded)) < 1e-9);
        QVERIFY(!db().updateTanks(id, { { 0, -5, 0, 12, 0 } }));
    }

    void placesUndone()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        QList<int> ids;
        for (const char* site : { "Arch", "Reef", "Reef" }) {
            DiveProfile dive = makeDive(
                QString::number(ids.size()), "Veltra", utc(2024, 9, 1 + int(ids.size())));
            dive.site = site;
            dive.number = 10 - int(ids.size()); // out of date order
            int id = -1;
            QCOMPARE(db().storeDive(dive, &id), 0);
            ids << id;
        }
        const auto state = [&] {
            QStringList rows;
            for (const int id : ids) {
                DiveProfile d;
                db().loadDive(id, d);
                rows << QStringLiteral("%1 %2 %3").arg(d.number).arg(d.site, d.trip);
            }
            QList<DiveSite> sites;
            db().listSites(sites);
            for (const DiveSite& s : sites)
                rows << QStringLiteral("%1:%2").arg(s.name).arg(s.dives);
            return rows;
        };
        const QStringList original = state();
        QUndoStack stack;
        DiveTrip trip;
        trip.name = "Malta";
        QCOMPARE(pushLogbookCommand(stack, new DivesTripCommand({ ids[0], ids[2] }, trip)), "");
        QCOMPARE(pushLogbookCommand(stack,
                     new MergeSitesCommand(db().findSites("Arch")[0], db().findSites("Reef")[0])),
            "");
        QCOMPARE(pushLogbookCommand(stack, new RenumberDivesCommand), "");
        const QStringList changed = state();
        QCOMPARE(changed, QStringList({ "1 Arch Malta", "2 Arch ", "3 Arch Malta", "Arch:3" }));
        stack.undo();
        stack.undo();
        stack.undo();
        QCOMPARE(state(), original);
        stack.redo();
        stack.redo();
        stack.redo();
        QCOMPARE(state(), changed);
        // A trip deleted keeps its dives; undone, it has them again.
        DiveTrip malta;
        QVERIFY(db().loadTrip(db().findTrip("Malta"), malta));
        DiveTrip gone = malta;
        gone.id = 0;
        QCOMPARE(pushLogbookCommand(stack, new EditTripCommand(malta, gone)), "");
        QCOMPARE(state().at(0), QString("1 Arch "));
        stack.undo();
        QCOMPARE(state(), changed);
    }

    void diveCounts()
    {
        // Durations 9:59, 10:00, 25:00 and 0 s; air use out of time order.
        const struct
        {
            const char* site;
            QStringList buddies;
            double seconds;
            double sac;
            int day;
        } rows[] = { { "Arch", { "Ana", "Li" }, 599, 14.5, 3 }, { "Reef", { "Li" }, 600, 0, 1 },
            { "Arch", {}, 1500, 12.0, 2 }, { "", { "Ana" }, 0, 0, 4 } };
        QList<DiveListEntry> entries;
        for (const auto& row : rows) {
            DiveListEntry e;
            e.site = row.site;
            e.buddies = row.buddies;
            e.maxTime = row.seconds;
            e.sac = row.sac;
            e.dateTime = QDateTime::fromSecsSinceEpoch(utc(2024, 1, row.day), Qt::UTC);
            entries << e;
        }
        const DiveCounts counts = computeDiveCounts(entries);
        using Ranked = QList<std::pair<QString, int>>;
        QCOMPARE(counts.sites, (Ranked { { "Arch", 2 }, { "Reef", 1 } }));
        QCOMPARE(counts.buddies, (Ranked { { "Ana", 2 }, { "Li", 2 } }));
        QCOMPARE(counts.durationHistogram, (QList<int> { 2, 1, 1 }));
        QCOMPARE(counts.airUse,
            (QList<std::pair<qint64, double>> {
                { utc(2024, 1, 2), 12.0 }, { utc(2024, 1, 3), 14.5 } }));
    }

    void damagedPlacesRead_data()
    {
        QTest::addColumn<QString>("update"); // what another program wrote
        QTest::newRow("latitude past the pole") << "UPDATE divesites SET latitude=95, longitude=14";
        QTest::newRow("position as text")
            << "UPDATE divesites SET latitude='north', longitude=X'00'";
        QTest::newRow("negative cylinder, pressures of no sample")
            << "UPDATE divetanks SET sizel=-12, workingbar=1e300; INSERT INTO tankpressures "
               "VALUES (1, -1, 150), (1, 99999, 150), (1, 2, 'abc')";
        QTest::newRow("link to no site or trip") << "UPDATE divedetails SET siteid=77, tripid=88";
    }

    void damagedPlacesRead()
    {
        QFETCH(QString, update);
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile dive = makeDive("Damaged", "Veltra", utc(2024, 7, 1));
        dive.site = "Arch";
        dive.position = GeoPosition { 36, 14 };
        dive.tanks = { { 0, 200, 50, 12, 232 } };
        int id = -1;
        QCOMPARE(db().storeDive(dive, &id), 0);
        db().close();
        for (const QString& sql : update.split("; "))
            QVERIFY(Probe(path()).exec(sql));
        // What makes no sense reads as not known; the rest of the dive is read as stored.
        QCOMPARE(db().openOrCreate(path()), 0);
        DiveProfile loaded;
        QVERIFY(db().loadDive(id, loaded));
        QCOMPARE(loaded.site, QString("Arch"));
        QVERIFY(!loaded.position || *loaded.position == (GeoPosition { 36, 14 }));
        QVERIFY(loaded.tanks.size() == 1 && loaded.tanks[0].sizeL >= 0);
        QVERIFY(loaded.tanks[0].workingBar <= 1000);
        for (const DiveSample& s : loaded.samples)
            QVERIFY(s.tankPressureBar == 0 || s.tankPressureBar == 150);
        QList<DiveSite> sites;
        QVERIFY(db().listSites(sites));
        QCOMPARE(listed().size(), 1);
    }

    void localDays_data()
    {
        QTest::addColumn<DiveFilter>("filter");
        QTest::addColumn<QStringList>("expected");
        // One local day, or the days from one to another.
        const auto days = [](QDate from, QDate to = {}) {
            DiveFilter f;
            f.byDate = f.hasTo = true;
            f.from = from.startOfDay();
            f.to = (to.isValid() ? to : from).startOfDay();
            return f;
        };
        const QDate autumn(2026, 10, 25);
        const QDate spring(2026, 3, 29);
        QTest::newRow("25-hour day keeps its last hour")
            << days(autumn) << QStringList { "autumn 23:30" };
        QTest::newRow("day after the 25-hour day")
            << days(autumn.addDays(1)) << QStringList { "autumn next 00:30" };
        QTest::newRow("23-hour day stops at its midnight")
            << days(spring) << QStringList { "spring 23:30" };
        QTest::newRow("day after the 23-hour day")
            << days(spring.addDays(1)) << QStringList { "spring next 00:30" };
        DiveFilter morning = days(QDate(2026, 1, 1), QDate(2026, 12, 31));
        morning.byTime = true;
        morning.fromTime = QTime(8, 30).msecsSinceStartOfDay();
        morning.toTime = QTime(9, 30).msecsSinceStartOfDay();
        QTest::newRow("local hour in summer and winter")
            << morning << QStringList { "summer 09:00", "winter 09:00" };
    }

    void localDays()
    {
        QFETCH(DiveFilter, filter);
        QFETCH(QStringList, expected);
        QCOMPARE(db().openOrCreate(path()), 0);
        // Local times worked by hand from the offsets: CET = UTC+1, CEST = UTC+2.
        const std::pair<const char*, qint64> dives[] = {
            { "autumn 23:30", utc(2026, 10, 25, 22) + 1800 }, // 25 Oct 23:30 CET
            { "autumn next 00:30", utc(2026, 10, 25, 23) + 1800 }, // 26 Oct 00:30 CET
            { "spring 23:30", utc(2026, 3, 29, 21) + 1800 }, // 29 Mar 23:30 CEST
            { "spring next 00:30", utc(2026, 3, 29, 22) + 1800 }, // 30 Mar 00:30 CEST
            { "summer 09:00", utc(2026, 7, 1, 7) }, // 1 Jul 09:00 CEST
            { "winter 09:00", utc(2026, 12, 1, 8) }, // 1 Dec 09:00 CET
        };
        for (const auto& [name, start] : dives)
            QCOMPARE(db().storeDive(makeDive(name, "Veltra", start)), 0);
        QStringList list = listed(filter);
        list.sort();
        QCOMPARE(list, expected);
    }

private:
    LogbookDatabase& db() { return LogbookDatabase::instance(); }
    QString path() const { return m_dir->filePath(QStringLiteral("diveDB.db")); }

    std::unique_ptr<QTemporaryDir> m_dir;

    // A logbook with the filter fixture dives, for the list tests.
    void storeFilterFixture()
    {
        QCOMPARE(db().openOrCreate(path()), 0);
        // Name, serial, computer, start.
        const std::tuple<const char*, const char*, const char*, qint64> rows[] = {
            { "a-before", "S1", "Alpha", utc(2024, 5, 9, 23, 59, 59) },
            { "a-midnight", "S1", "Alpha", utc(2024, 5, 10) },
            { "a-morning", "S1", "Alpha", utc(2024, 5, 10, 9, 0) },
            { "a-noon", "S1", "Alpha", utc(2024, 5, 10, 12, 0) },
            { "a-late", "S1", "Alpha", utc(2024, 5, 10, 23, 59, 59) },
            { "a-next", "S1", "Alpha", utc(2024, 5, 11) },
            { "b-day2", "S2", "Beta", utc(2024, 5, 11, 10, 0) },
            { "b-day3", "S2", "Beta", utc(2024, 5, 12, 10, 0) },
            { "g-day2", "S3", "Gamma", utc(2024, 5, 11, 11, 0) },
            { "inject", "S4", "x\" OR 1=1 --", utc(2024, 5, 10, 8, 0) },
            { "column", "S5", "serial", utc(2024, 5, 10, 8, 0) },
            { "quote", "S6", "O'Neil", utc(2024, 5, 10, 8, 0) },
            { "future", "S7", "Veltra", qint64(25567) * 86400 + 3600 },
        };
        for (const auto& [name, serial, computer, start] : rows)
            QCOMPARE(db().storeDive(serialDive(name, serial, computer, start)), 0);
    }

    QStringList found(const QString& typed, const QStringList& computers = {})
    {
        DiveFilter filter;
        filter.search = typed;
        filter.byComputer = !computers.isEmpty();
        filter.computers = computers;
        QStringList list = listed(filter);
        list.sort();
        return list;
    }
};

QTEST_GUILESS_MAIN(TestLogbookDatabase)
#include "tst_logbookdatabase.moc"
