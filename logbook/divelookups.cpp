#include "logbook/divelookups.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <iterator>

namespace DiveLookups {

const char sameSerialSql[] = "SELECT diveid FROM dives WHERE serial=:serial AND datetime BETWEEN "
                             ":from AND :to";
const char sameComputerSql[]
    = "SELECT diveid FROM dives WHERE computer=:computer AND (serial IS NULL OR serial='') AND "
      "datetime BETWEEN :from AND :to";
const char sameSummarySql[] = "SELECT x.diveid FROM divedetails x JOIN dives d ON "
                              "d.diveid=x.diveid WHERE x.maxtime=:time AND x.maxdepth=:depth";
const char nameTakenSql[] = "SELECT diveid, name, serial FROM dives WHERE name=:name AND "
                            "serial=:serial";
// Ranges written so that the datetime index answers them: (t, id) pairs before or after the
// new dive's, nearest first.
const char previousNumberSql[]
    = "SELECT x.number FROM dives d JOIN divedetails x ON x.diveid=d.diveid WHERE d.datetime<=:t "
      "AND (d.datetime<:t OR d.diveid<:id) AND x.number>0 ORDER BY d.datetime DESC, d.diveid "
      "DESC LIMIT 1";
const char lowestNumberSql[]
    = "SELECT x.number FROM divedetails x JOIN dives d ON d.diveid=x.diveid WHERE x.number>0 AND "
      "x.diveid<>:id ORDER BY x.number LIMIT 1";
const char shiftNumbersSql[]
    = "UPDATE divedetails SET number=number+1 WHERE number>=:n AND diveid IN (SELECT d.diveid "
      "FROM dives d WHERE d.datetime>=:t AND (d.datetime>:t OR d.diveid>:id))";

const Lookup all[7] = {
    { "sameSerial", sameSerialSql },
    { "sameComputer", sameComputerSql },
    { "sameSummary", sameSummarySql },
    { "nameTaken", nameTakenSql },
    { "previousNumber", previousNumberSql },
    { "lowestNumber", lowestNumberSql },
    { "shiftNumbers", shiftNumbersSql },
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
