#pragma once

// Logbooks of many hour-long dives for the benchmarks, made once and kept in the build folder
// (bench-cache/, or the folder VELTRA_BENCH_DIR names). Storing 50,000 dives one by one takes
// a quarter of an hour; the fixture writes the same rows with a few INSERT ... SELECT
// statements in one transaction instead, then leaves the file as the program would.

#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace BenchFixture {

constexpr int samplesPerDive = 720; // one hour at 5 s
constexpr qint64 firstDay = 1640995200; // 2022-01-01 00:00 UTC
inline const char* const computers[]
    = { "Veltra A", "Veltra B", "Veltra C", "Veltra D", "Veltra E" };
inline const char* const sites[] = { "Blue Hole", "Coral Garden", "Lagôs Arch", "Wreck Bay" };
inline const char* const buddies[] = { "Ana", "Zoë Martin", "Li", "Tom" };

// Dive number n of the fixture: a computer of five, a start every 6 hours, a 30 m arc.
inline DiveProfile hourDive(int number)
{
    DiveProfile dive;
    dive.name = QString::number(number);
    dive.computer = QString::fromLatin1(computers[number % 5]);
    dive.serial = QStringLiteral("SN%1").arg(number % 5);
    dive.dateTime = firstDay + qint64(number) * 6 * 3600;
    dive.site = QString::fromUtf8(sites[number % 4]);
    dive.location = number % 2 ? QStringLiteral("Malta") : QStringLiteral("Portugal");
    dive.buddies
        = { QString::fromUtf8(buddies[number % 4]), QString::fromUtf8(buddies[number % 3]) };
    dive.notes = QStringLiteral("Dive %1: visibility %2 m").arg(number).arg(number % 30);
    dive.tags = { number % 5 ? QStringLiteral("reef") : QStringLiteral("night") };
    DiveGas air;
    DiveGas nitrox;
    nitrox.o2 = 50;
    dive.gases = { air, nitrox };
    dive.samples.reserve(samplesPerDive);
    for (int i = 0; i < samplesPerDive; ++i) {
        DiveSample s;
        s.time = i * 5.0;
        // Each dive a little deeper than the one before: no two have the same samples.
        s.depth = 30.0 * std::sin(M_PI * i / samplesPerDive) + number * 1.0e-5;
        s.temperature = 18.0 - s.depth / 10.0;
        s.otu = i * 0.05;
        s.cns = i * 0.02;
        s.gradientFactor = 0.4;
        s.gasIndex = i < 600 ? 0 : 1;
        for (int t = 0; t < 16; ++t)
            s.tissues[t] = quint8(i + t);
        dive.samples.append(s);
    }
    return dive;
}

inline QDir cacheDir()
{
    const QString kept = qEnvironmentVariable("VELTRA_BENCH_DIR");
    const QDir dir(kept.isEmpty() ? QStringLiteral(VELTRA_BENCH_CACHE) : kept);
    QDir().mkpath(dir.path());
    return dir;
}

inline void mustRun(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql)) {
        std::fprintf(stderr, "fixture: %s\n", qPrintable(q.lastError().text()));
        std::abort();
    }
}

// Fills the empty logbook at path with dives 0 .. count-1 as hourDive makes them: the dives,
// their details (numbered in date order), gases and samples.
inline void fillLogbook(const QString& path, int count)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "fixture");
        db.setDatabaseName(path);
        if (!db.open())
            std::abort();
        QSqlQuery q(db);
        mustRun(q, QStringLiteral("PRAGMA synchronous=OFF"));
        mustRun(q, QStringLiteral("BEGIN"));
        mustRun(q, QStringLiteral("CREATE TEMP TABLE n (i INTEGER PRIMARY KEY)"));
        mustRun(q,
            QStringLiteral("INSERT INTO n WITH RECURSIVE c(i) AS (SELECT 0 UNION ALL SELECT i+1 "
                           "FROM c WHERE i<%1) SELECT i FROM c")
                .arg(std::max(count, samplesPerDive) - 1));
        mustRun(q,
            QStringLiteral("CREATE TEMP TABLE t (pointid INTEGER PRIMARY KEY, time REAL, depth "
                           "REAL, temperature REAL, otu REAL, cns REAL, tissues BLOB, gasindex "
                           "INTEGER)"));
        if (!q.prepare(QStringLiteral("INSERT INTO t VALUES (?, ?, ?, ?, ?, ?, ?, ?)")))
            std::abort();
        const DiveProfile shape = hourDive(0);
        for (int i = 0; i < samplesPerDive; ++i) {
            const DiveSample& s = shape.samples.at(i);
            const QVariantList row { i, s.time, s.depth, s.temperature, s.otu, s.cns,
                QByteArray(reinterpret_cast<const char*>(s.tissues), 16), s.gasIndex + 1 };
            for (int c = 0; c < row.size(); ++c)
                q.bindValue(c, row.at(c));
            if (!q.exec())
                std::abort();
        }
        const QString last = QString::number(count - 1);
        mustRun(q,
            QStringLiteral(
                "INSERT INTO dives (diveid, name, computer, datetime, serial, divemode, gfslow, "
                "gfshigh, waterdensity, psurf, period, alerts, computertype, firmwareversion) "
                "SELECT i+1, CAST(i AS TEXT), 'Veltra '||char(65+i%5), %1+i*21600, 'SN'||(i%5), "
                "0, 80, 80, 0, 1013, 5, 0, 0, '' FROM n WHERE i<=%2")
                .arg(firstDay)
                .arg(last));
        mustRun(q,
            QStringLiteral(
                "INSERT INTO divedetails (diveid, number, site, location, buddies, notes, rating, "
                "tags, maxtime, maxdepth, mintemperature, gases, hasprofile) SELECT i+1, i+1, CASE "
                "i%4 WHEN 0 THEN "
                "'Blue Hole' WHEN 1 THEN 'Coral Garden' WHEN 2 THEN 'Lagôs Arch' ELSE 'Wreck "
                "Bay' END, CASE i%2 WHEN 1 THEN 'Malta' ELSE 'Portugal' END, json_array(CASE i%4 "
                "WHEN 0 THEN 'Ana' WHEN 1 THEN 'Zoë Martin' WHEN 2 THEN 'Li' ELSE 'Tom' END, "
                "CASE i%3 WHEN 0 THEN 'Ana' WHEN 1 THEN 'Zoë Martin' ELSE 'Li' END), 'Dive '||i||"
                "': visibility '||(i%30)||' m', 0, json_array(CASE WHEN i%5 THEN 'reef' ELSE "
                "'night' END), (SELECT MAX(time) FROM t), (SELECT MAX(depth) FROM t)+i*1.0e-5, "
                "(SELECT MIN(temperature) FROM t)-i*1.0e-6, '21/0,50/0', 1 FROM n WHERE i<=%1")
                .arg(last));
        mustRun(q,
            QStringLiteral(
                "INSERT INTO gases SELECT i+1, g.id, g.o2, 0 FROM n CROSS JOIN (SELECT 1 "
                "AS id, 21 AS o2 UNION ALL SELECT 2, 50) g WHERE i<=%1 ORDER BY 1, 2")
                .arg(last));
        mustRun(q,
            QStringLiteral(
                "INSERT INTO profiles (diveid, pointid, time, depth, temperature, OTU, "
                "CNS, decoCeiling, gradientFactor, alertFlag, tissues, gasindex) SELECT "
                "i+1, t.pointid, t.time, t.depth+i*1.0e-5, t.temperature-i*1.0e-6, "
                "t.otu, t.cns, 0, 0.4, 0, t.tissues, t.gasindex FROM n CROSS JOIN t WHERE i<=%1 "
                "ORDER BY i, t.pointid")
                .arg(last));
        mustRun(q, QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
}

// The path of a logbook of count fixture dives, made on first use.
inline QString cachedLogbook(int count)
{
    const QString path = cacheDir().filePath(QStringLiteral("logbook-%1.db").arg(count));
    const QString ready = path + QStringLiteral(".ready");
    if (QFile::exists(ready))
        return path;
    std::fprintf(stderr, "Making a logbook of %d dives in %s (once)\n", count, qPrintable(path));
    QFile::remove(path);
    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.openOrCreate(path) != LogbookDatabase::Success)
        std::abort();
    db.close();
    if (count > 0)
        fillLogbook(path, count);
    QFile mark(ready);
    if (!mark.open(QIODevice::WriteOnly))
        std::abort();
    return path;
}

// Takes the dives above the fixture's back out, in one transaction: what a benchmark stored.
inline void removeDivesAfter(int count)
{
    QSqlQuery q(QSqlDatabase::database());
    mustRun(q, QStringLiteral("BEGIN"));
    for (const char* table : { "profiles", "gases", "divetanks", "divedetails", "dives" })
        mustRun(q, QStringLiteral("DELETE FROM %1 WHERE diveid>%2").arg(table).arg(count));
    mustRun(q, QStringLiteral("COMMIT"));
}

// Closes the logbook and opens the file again, so SQLite starts with an empty page cache (the
// system's file cache stays warm), then lists every dive as the window's first listing does.
inline int reopenAndList(const QString& path, QList<DiveListEntry>& entries)
{
    LogbookDatabase& db = LogbookDatabase::instance();
    db.close();
    int groups = 0;
    if (db.openOrCreate(path) != LogbookDatabase::Success
        || !db.listDives(DiveFilter(), entries, groups))
        std::abort();
    return groups;
}

} // namespace BenchFixture
