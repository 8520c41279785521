// The logbook's queries over many dives (the list, the filter, the computers) and the edits
// of one stored dive (rename, delete).

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/storedvalues.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <limits>

using namespace StoredValues;

void LogbookDatabase::filterConditions(
    const DiveFilter& filter, QStringList& conditions, QVariantList& values)
{
    // Every value is bound; nothing from the data becomes part of the statement text.
    if (filter.byComputer) {
        if (filter.computers.isEmpty()) {
            conditions << QStringLiteral("0");
        } else {
            QStringList marks;
            bool withEmpty = false;
            for (const QString& name : filter.computers) {
                marks << QStringLiteral("?");
                values << textValue(name);
                withEmpty = withEmpty || name.isEmpty();
            }
            // Older rows may hold NULL where the list shows an empty name.
            conditions << QStringLiteral("(d.computer IN (%1)%2)")
                              .arg(marks.join(QStringLiteral(", ")),
                                  withEmpty ? QStringLiteral(" OR d.computer IS NULL") : QString());
        }
    }
    // Days run from one midnight to the next in the filter's own clock (local time in the
    // window), so a day on which the clocks change lasts 23 or 25 hours.
    const Qt::TimeSpec clock = filter.from.isValid() ? filter.from.timeSpec() : Qt::LocalTime;
    if (filter.byDate) {
        if (!filter.from.isValid() || (filter.hasTo && !filter.to.isValid())) {
            conditions << QStringLiteral("0");
        } else {
            // A start date alone means from that day on.
            conditions << QStringLiteral("d.datetime>=?");
            values << filter.from.date().startOfDay(clock).toSecsSinceEpoch();
            if (filter.hasTo) {
                conditions << QStringLiteral("d.datetime<?");
                values << filter.to.date().addDays(1).startOfDay(clock).toSecsSinceEpoch();
            }
        }
    }

    if (!filter.search.trimmed().isEmpty()) {
        const QString match = searchExpression(filter.search);
        if (match.isEmpty()) {
            conditions << QStringLiteral("0");
        } else {
            conditions << QStringLiteral(
                "d.diveid IN (SELECT rowid FROM divesearch WHERE divesearch MATCH ?)");
            values << match;
        }
    }
}

bool LogbookDatabase::visitDives(const DiveFilter& filter, ListOrder order,
    const std::function<void(const DiveListEntry&)>& visit)
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));

    QStringList conditions;
    QVariantList values;
    filterConditions(filter, conditions, values);
    // Days run in the filter's own clock (local time in the window).
    const Qt::TimeSpec clock = filter.from.isValid() ? filter.from.timeSpec() : Qt::LocalTime;
    const bool byTimeOfDay = filter.byDate && filter.byTime;

    // The summary kept beside each dive; a dive stored by an older version has none and is
    // measured from its samples.
    QString sql = QStringLiteral(
        "SELECT d.diveid, d.name, d.serial, d.datetime, d.computer, "
        "COALESCE(x.maxtime, (SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid)), "
        "COALESCE(x.maxdepth, (SELECT MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid)), "
        "x.number, x.site, x.location, x.buddies, x.rating, x.tags, x.mintemperature, "
        "x.tripid, t.name, x.sac, COALESCE(x.gases, (%1)), "
        "COALESCE(x.hasprofile, EXISTS(SELECT 1 FROM profiles p WHERE p.diveid=d.diveid)) "
        "FROM dives d LEFT JOIN "
        "divedetails x ON x.diveid=d.diveid LEFT JOIN divetrips t ON t.tripid=x.tripid")
                      .arg(QLatin1String(gasesOfDiveSql).arg(QStringLiteral("d.diveid")));
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    switch (order) {
    case ListOrder::BySerial:
        sql += QStringLiteral(" ORDER BY d.serial, d.computer, d.diveid");
        break;
    case ListOrder::NewestFirst:
        sql += QStringLiteral(" ORDER BY d.datetime DESC, d.diveid DESC");
        break;
    case ListOrder::HighestNumber:
        sql += QStringLiteral(" ORDER BY x.number DESC, d.diveid DESC");
        break;
    case ListOrder::DeepestFirst:
        sql += QStringLiteral(" ORDER BY 7 DESC, d.diveid DESC");
        break;
    case ListOrder::LongestFirst:
        sql += QStringLiteral(" ORDER BY 6 DESC, d.diveid DESC");
        break;
    }

    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return fail(q.lastError().text());
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (!q.exec())
        return fail(q.lastError().text());

    while (q.next()) {
        DiveListEntry entry;
        entry.diveId = int(integerInRange(
            q.value(0), std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), -1));
        entry.name = q.value(1).toString();
        entry.serial = q.value(2).toString();
        qint64 dateTime = 0;
        readInteger(q.value(3), dateTime);
        // In UTC, the clock the computer records (a conversion to local time per row would
        // cost more than the whole query).
        entry.dateTime = QDateTime::fromSecsSinceEpoch(dateTime, Qt::UTC);
        if (byTimeOfDay
            && !filter.acceptsTimeOfDay(QDateTime::fromSecsSinceEpoch(dateTime, clock).time()))
            continue;
        entry.computer = q.value(4).toString();
        entry.maxTime = realValue(q.value(5));
        entry.maxDepth = realValue(q.value(6));
        entry.number = int(integerInRange(q.value(7), 0, std::numeric_limits<int>::max(), 0));
        entry.site = q.value(8).toString();
        entry.location = q.value(9).toString();
        entry.buddies = storedList(q.value(10));
        entry.rating = int(integerInRange(q.value(11), 0, 5, 0));
        entry.tags = storedList(q.value(12));
        entry.hasTemperature = !q.value(13).isNull();
        entry.minTemperature = realValue(q.value(13));
        entry.tripId = int(integerInRange(q.value(14), 0, std::numeric_limits<int>::max(), 0));
        entry.trip = q.value(15).toString();
        entry.sac = realValue(q.value(16));
        entry.gases = q.value(17).toString();
        entry.hasProfile = q.value(18).toBool();
        visit(entry);
    }
    if (q.lastError().isValid())
        return fail(q.lastError().text());
    return true;
}

bool LogbookDatabase::listDives(
    const DiveFilter& filter, QList<DiveListEntry>& entries, int& computerCount)
{
    entries.clear();
    computerCount = 0;
    QList<DiveListEntry> rows;
    QString previousSerial;
    const bool done = visitDives(filter, ListOrder::BySerial, [&](const DiveListEntry& entry) {
        // The list starts a computer group whenever the serial changes: count the same way.
        if (rows.isEmpty() || entry.serial != previousSerial)
            ++computerCount;
        previousSerial = entry.serial;
        rows.append(entry);
    });
    if (!done) {
        computerCount = 0;
        return false;
    }
    entries = std::move(rows);
    return true;
}

QStringList LogbookDatabase::listComputers()
{
    QStringList names;
    if (!isOpen())
        return names;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT DISTINCT computer FROM dives ORDER BY computer"))) {
        fail(q.lastError().text());
        return names;
    }
    while (q.next()) {
        // NULL and empty text both show as an empty name: list it once.
        const QString name = q.value(0).toString();
        if (names.isEmpty() || names.constLast() != name)
            names << name;
    }
    return names;
}

bool LogbookDatabase::renameDive(int diveId, const QString& newName)
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT diveid, serial FROM dives WHERE diveid=:diveid")))
        return fail(q.lastError().text());
    q.bindValue(QStringLiteral(":diveid"), diveId);
    if (!q.exec())
        return fail(q.lastError().text());
    if (!q.next())
        return fail(tr("There is no dive %1 in the logbook.").arg(diveId));
    const QString serial = q.value(1).toString();
    q.finish();

    qint64 other = -1;
    if (!findDiveId(newName, serial, other))
        return false;
    if (other >= 0)
        return fail(tr("A dive with the same name and serial already exists."));

    QSqlQuery update(m_db);
    if (!update.prepare(QStringLiteral("UPDATE dives SET name=:name WHERE diveid=:diveid")))
        return fail(update.lastError().text());
    update.bindValue(QStringLiteral(":name"), textValue(newName));
    update.bindValue(QStringLiteral(":diveid"), diveId);
    if (!update.exec())
        return fail(update.lastError().text());
    return update.numRowsAffected() == 1;
}

bool LogbookDatabase::deleteDive(int diveId)
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    const char* const tables[] = { "profiles", "gases", "dives" };
    for (const char* table : tables) {
        QSqlQuery q(m_db);
        if (!q.prepare(
                QStringLiteral("DELETE FROM %1 WHERE diveid=:diveid").arg(QLatin1String(table)))) {
            fail(q.lastError().text());
            m_db.rollback();
            return false;
        }
        q.bindValue(QStringLiteral(":diveid"), diveId);
        if (!q.exec()) {
            fail(q.lastError().text());
            m_db.rollback();
            return false;
        }
        if (std::strcmp(table, "dives") == 0 && q.numRowsAffected() != 1) {
            fail(tr("There is no dive %1 in the logbook.").arg(diveId));
            m_db.rollback();
            return false;
        }
    }
    QString detailsError;
    if (!DiveDetailsStore::remove(m_db, diveId, detailsError)) {
        fail(detailsError);
        m_db.rollback();
        return false;
    }
    if (!m_db.commit()) {
        fail(m_db.lastError().text());
        m_db.rollback();
        return false;
    }
    return true;
}
