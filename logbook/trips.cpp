// The logbook's trips: dives grouped as one journey, with dates taken from their dives.

#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/sqlsteps.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

using SqlSteps::exec;
using SqlSteps::prepare;
using SqlSteps::text;

class TripsText
{
    Q_DECLARE_TR_FUNCTIONS(DiveTrips)
};

// A trip ends when its last dive does.
const char selectTripsSql[]
    = "SELECT t.tripid, t.name, t.location, t.notes, MIN(d.datetime), MAX(d.datetime + "
      "COALESCE(x.maxtime, 0)), COUNT(d.diveid) FROM divetrips t LEFT JOIN divedetails x ON "
      "x.tripid=t.tripid LEFT JOIN dives d ON d.diveid=x.diveid";

DiveTrip tripFrom(const QSqlQuery& q)
{
    DiveTrip trip;
    trip.id = q.value(0).toInt();
    trip.name = q.value(1).toString();
    trip.location = q.value(2).toString();
    trip.notes = q.value(3).toString();
    trip.start = q.value(4).toLongLong();
    trip.end = q.value(5).toLongLong();
    trip.dives = q.value(6).toInt();
    return trip;
}

} // namespace

bool LogbookDatabase::listTrips(QList<DiveTrip>& trips)
{
    trips.clear();
    if (!isOpen())
        return fail(TripsText::tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QLatin1String(selectTripsSql)
            + QStringLiteral(" GROUP BY t.tripid ORDER BY MIN(d.datetime) DESC, t.tripid DESC")))
        return fail(q.lastError().text());
    while (q.next())
        trips << tripFrom(q);
    return true;
}

bool LogbookDatabase::loadTrip(int tripId, DiveTrip& trip)
{
    if (!isOpen())
        return fail(TripsText::tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QLatin1String(selectTripsSql)
            + QStringLiteral(" WHERE t.tripid=:id GROUP BY t.tripid")))
        return fail(q.lastError().text());
    q.bindValue(QStringLiteral(":id"), tripId);
    if (!q.exec())
        return fail(q.lastError().text());
    if (!q.next())
        return fail(TripsText::tr("There is no trip %1 in the logbook.").arg(tripId));
    trip = tripFrom(q);
    return true;
}

int LogbookDatabase::findTrip(const QString& name)
{
    if (!isOpen())
        return -1;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT tripid FROM divetrips WHERE name=:name")))
        return -1;
    q.bindValue(QStringLiteral(":name"), text(name));
    return q.exec() && q.next() ? q.value(0).toInt() : -1;
}

bool LogbookDatabase::storeTrip(DiveTrip& trip, bool create)
{
    if (trip.name.trimmed().isEmpty())
        return fail(TripsText::tr("A trip needs a name."));
    const int other = findTrip(trip.name);
    const bool insert = create || trip.id <= 0;
    if (other > 0 && (insert || other != trip.id))
        return fail(TripsText::tr("There is already a trip named %1.").arg(trip.name));
    int stored = trip.id;
    const bool done = inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(q,
                insert ? QStringLiteral("INSERT INTO divetrips (tripid, name, location, notes) "
                                        "VALUES (:id, :name, :location, :notes)")
                       : QStringLiteral("UPDATE divetrips SET name=:name, location=:location, "
                                        "notes=:notes WHERE tripid=:id"),
                error))
            return false;
        q.bindValue(QStringLiteral(":id"), trip.id > 0 ? QVariant(trip.id) : QVariant());
        q.bindValue(QStringLiteral(":name"), text(trip.name));
        q.bindValue(QStringLiteral(":location"), text(trip.location));
        q.bindValue(QStringLiteral(":notes"), text(trip.notes));
        if (!exec(q, error))
            return false;
        if (!insert && q.numRowsAffected() != 1) {
            error = TripsText::tr("There is no trip %1 in the logbook.").arg(trip.id);
            return false;
        }
        stored = insert ? q.lastInsertId().toInt() : trip.id;
        return true;
    });
    if (done)
        trip.id = stored;
    return done;
}

bool LogbookDatabase::deleteTrip(int tripId)
{
    return inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(
                q, QStringLiteral("UPDATE divedetails SET tripid=NULL WHERE tripid=:id"), error))
            return false;
        q.bindValue(QStringLiteral(":id"), tripId);
        if (!exec(q, error)
            || !prepare(q, QStringLiteral("DELETE FROM divetrips WHERE tripid=:id"), error))
            return false;
        q.bindValue(QStringLiteral(":id"), tripId);
        if (!exec(q, error))
            return false;
        if (q.numRowsAffected() == 1)
            return true;
        error = TripsText::tr("There is no trip %1 in the logbook.").arg(tripId);
        return false;
    });
}

QList<int> LogbookDatabase::diveIdsOfTrip(int tripId)
{
    QList<int> ids;
    if (!isOpen())
        return ids;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT diveid FROM divedetails WHERE tripid=:id ORDER BY "
                                  "diveid")))
        return ids;
    q.bindValue(QStringLiteral(":id"), tripId);
    if (!q.exec())
        return ids;
    while (q.next())
        ids << q.value(0).toInt();
    return ids;
}

bool LogbookDatabase::setDivesTrip(const QList<int>& diveIds, int tripId)
{
    return inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(
                q, QStringLiteral("UPDATE divedetails SET tripid=:trip WHERE diveid=:id"), error))
            return false;
        for (const int id : diveIds) {
            q.bindValue(QStringLiteral(":trip"), tripId > 0 ? QVariant(tripId) : QVariant());
            q.bindValue(QStringLiteral(":id"), id);
            if (!exec(q, error))
                return false;
            if (q.numRowsAffected() != 1) {
                error = TripsText::tr("There is no dive %1 in the logbook.").arg(id);
                return false;
            }
        }
        return true;
    });
}

QList<QList<int>> LogbookDatabase::suggestTrips(const QList<int>& diveIds)
{
    QList<QList<int>> groups;
    if (!isOpen())
        return groups;
    QList<std::pair<qint64, int>> dives; // (start, id) of the dives in no trip
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT d.datetime FROM dives d LEFT JOIN divedetails x ON "
                                  "x.diveid=d.diveid WHERE d.diveid=:id AND x.tripid IS NULL")))
        return groups;
    for (const int id : diveIds) {
        q.bindValue(QStringLiteral(":id"), id);
        if (q.exec() && q.next())
            dives.append({ q.value(0).toLongLong(), id });
        q.finish();
    }
    std::sort(dives.begin(), dives.end());
    constexpr qint64 twoDaysS = 2 * 24 * 3600;
    QList<int> run;
    for (qsizetype i = 0; i < dives.size(); ++i) {
        if (i > 0 && dives.at(i).first - dives.at(i - 1).first > twoDaysS) {
            if (run.size() > 1)
                groups << run;
            run.clear();
        }
        run << dives.at(i).second;
    }
    if (run.size() > 1)
        groups << run;
    return groups;
}
