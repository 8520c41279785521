#include "logbook/divelookups.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <iterator>

namespace DiveLookups {

// Every dive starting near this one; the same-dive rule then weighs serials and computers.
const char sameStartSql[] = "SELECT diveid, serial, computer, datetime FROM dives WHERE datetime "
                            "BETWEEN :from AND :to";
const char sameSummarySql[]
    = "SELECT d.diveid, d.serial, d.computer, d.datetime FROM divedetails x JOIN dives d ON "
      "d.diveid=x.diveid WHERE x.maxtime=:time AND x.maxdepth=:depth";
const char nameTakenSql[] = "SELECT diveid, name, serial FROM dives WHERE name=:name AND "
                            "serial=:serial";
// Ranges written so that the datetime index answers them: (t, id) pairs before or after the
// new dive's, nearest first.
// Written so that the number index and the datetime index answer them: the highest number,
// and whether a numbered dive starts after the new one (then the new one gets no number).
const char highestNumberSql[] = "SELECT MAX(number) FROM divedetails WHERE number>0";
const char laterNumberedSql[]
    = "SELECT 1 FROM dives d JOIN divedetails x ON x.diveid=d.diveid WHERE d.datetime>=:t AND "
      "(d.datetime>:t OR d.diveid>:id) AND x.number>0 LIMIT 1";

const Lookup all[5] = {
    { "sameStart", sameStartSql },
    { "sameSummary", sameSummarySql },
    { "nameTaken", nameTakenSql },
    { "highestNumber", highestNumberSql },
    { "laterNumbered", laterNumberedSql },
};

namespace {

// Beside the original tables: older versions keep reading and writing the file, and SQLite
// keeps these indexes up to date for them too.
const std::pair<const char*, const char*> indexes[] = {
    { "dives_serial_datetime", "dives(serial, datetime)" },
    { "dives_computer_datetime", "dives(computer, datetime)" },
    { "dives_name_serial", "dives(name, serial)" },
    { "dives_datetime", "dives(datetime)" },
    { "divedetails_summary", "divedetails(maxtime, maxdepth)" },
    { "divedetails_number", "divedetails(number)" },
};

bool run(QSqlQuery& q, const QString& sql, QString& error)
{
    if (q.exec(sql))
        return true;
    error = q.lastError().text();
    return false;
}

} // namespace

bool ensureIndexes(QSqlDatabase& db, bool& changed, QString& error)
{
    QSqlQuery q(db);
    if (!run(q, QStringLiteral("SELECT name FROM sqlite_master WHERE type='index'"), error))
        return false;
    QSet<QString> present;
    while (q.next())
        present.insert(q.value(0).toString().toLower());
    q.finish();
    for (const auto& [name, on] : indexes) {
        if (present.contains(QLatin1String(name)))
            continue;
        if (!run(q,
                QStringLiteral("CREATE INDEX %1 ON %2").arg(QLatin1String(name), QLatin1String(on)),
                error))
            return false;
        changed = true;
    }
    // Counting walks the smallest index once per opening, not once per dive; the counts differ
    // where an older version stored dives (without details) or deleted them (leaving details).
    if (!run(q,
            QStringLiteral(
                "SELECT (SELECT COUNT(*) FROM dives) - (SELECT COUNT(*) FROM divedetails)"),
            error)
        || !q.next())
        return false;
    const bool missing = q.value(0).toLongLong() != 0;
    q.finish();
    if (!missing)
        return true;
    const bool filled = run(q,
        QStringLiteral("INSERT OR IGNORE INTO divedetails (diveid, maxtime, maxdepth, "
                       "mintemperature) SELECT d.diveid, (SELECT MAX(p.time) FROM profiles p WHERE "
                       "p.diveid=d.diveid), (SELECT MAX(p.depth) FROM profiles p WHERE "
                       "p.diveid=d.diveid), (SELECT MIN(p.temperature) FROM profiles p WHERE "
                       "p.diveid=d.diveid) FROM dives d WHERE d.diveid IS NOT NULL"),
        error);
    // Details left behind by deleted dives also make the counts differ: nothing to add then.
    changed = changed || (filled && q.numRowsAffected() > 0);
    return filled;
}

} // namespace DiveLookups
