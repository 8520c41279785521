#include "logbook/diveplaces.h"

#include "logbook/sqlsteps.h"

#include <QCoreApplication>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

using SqlSteps::exec;
using SqlSteps::prepare;
using SqlSteps::run;
using SqlSteps::text;

class DivePlacesText
{
    Q_DECLARE_TR_FUNCTIONS(DivePlaces)
};

// New tables beside the original ones; older versions never look at them.
const char createSites[]
    = "CREATE TABLE divesites (siteid INTEGER PRIMARY KEY, name TEXT NOT NULL DEFAULT '', "
      "location TEXT NOT NULL DEFAULT '', country TEXT NOT NULL DEFAULT '', latitude REAL, "
      "longitude REAL, notes TEXT NOT NULL DEFAULT '')";
const char createTrips[]
    = "CREATE TABLE divetrips (tripid INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE, location "
      "TEXT NOT NULL DEFAULT '', notes TEXT NOT NULL DEFAULT '')";
const char* const indexes[] = {
    "CREATE INDEX IF NOT EXISTS divesites_name ON divesites(name, location)",
    "CREATE INDEX IF NOT EXISTS divedetails_site ON divedetails(siteid)",
    "CREATE INDEX IF NOT EXISTS divedetails_trip ON divedetails(tripid)",
};
// Columns this file adds to the program's own tables (never to the original ones).
const std::pair<const char*, const char*> addedColumns[] = {
    { "divedetails", "siteid INTEGER" },
    { "divedetails", "tripid INTEGER" },
    { "divedetails", "sac REAL" },
    { "divedetails", "gases TEXT" },
    { "divedetails", "hasprofile INTEGER" },
    { "divetanks", "sizel REAL" },
    { "divetanks", "workingbar REAL" },
};

QSet<QString> namesOf(QSqlDatabase& db, const QString& sql, bool& ok, int column = 0)
{
    QSet<QString> names;
    QSqlQuery q(db);
    ok = q.exec(sql);
    while (ok && q.next())
        names.insert(q.value(column).toString().toLower());
    return names;
}

// Finds the site of the texts, or creates it; id is 0 when the dive names no place at all.
bool siteOf(QSqlDatabase& db, const DiveDetails& details, bool import, qint64& id, QString& error)
{
    id = 0;
    if (details.site.isEmpty() && details.location.isEmpty() && details.country.isEmpty()
        && !details.position)
        return true;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!prepare(q,
            QStringLiteral("SELECT siteid FROM divesites WHERE name=:name AND "
                           "location=:location ORDER BY siteid LIMIT 1"),
            error))
        return false;
    q.bindValue(QStringLiteral(":name"), text(details.site));
    q.bindValue(QStringLiteral(":location"), text(details.location));
    if (!exec(q, error))
        return false;
    const bool found = q.next();
    id = found ? q.value(0).toLongLong() : 0;
    q.finish();
    const QVariant latitude = details.position ? QVariant(details.position->latitude) : QVariant();
    const QVariant longitude
        = details.position ? QVariant(details.position->longitude) : QVariant();
    if (!found) {
        if (!prepare(q,
                QStringLiteral("INSERT INTO divesites (name, location, country, latitude, "
                               "longitude) VALUES (:name, :location, :country, :lat, :lon)"),
                error))
            return false;
        q.bindValue(QStringLiteral(":name"), text(details.site));
        q.bindValue(QStringLiteral(":location"), text(details.location));
    } else if (import) {
        // A second file naming the site must not move it: only what is missing is filled.
        if (!prepare(q,
                QStringLiteral(
                    "UPDATE divesites SET country=CASE WHEN country='' THEN :country ELSE country "
                    "END, "
                    "latitude=COALESCE(latitude, :lat), longitude=CASE WHEN latitude IS NULL THEN "
                    ":lon ELSE longitude END WHERE siteid=:id"),
                error))
            return false;
        q.bindValue(QStringLiteral(":id"), id);
    } else {
        // An edit states the dive's place: what it gives replaces the site's.
        if (!prepare(q,
                QStringLiteral(
                    "UPDATE divesites SET country=CASE WHEN :country='' THEN country ELSE :country "
                    "END, latitude=COALESCE(:lat, latitude), longitude=COALESCE(:lon, longitude) "
                    "WHERE siteid=:id"),
                error))
            return false;
        q.bindValue(QStringLiteral(":id"), id);
    }
    q.bindValue(QStringLiteral(":country"), text(details.country));
    q.bindValue(QStringLiteral(":lat"), latitude);
    q.bindValue(QStringLiteral(":lon"), longitude);
    if (!exec(q, error))
        return false;
    if (!found)
        id = q.lastInsertId().toLongLong();
    return true;
}

bool tripOf(QSqlDatabase& db, const QString& name, qint64& id, QString& error)
{
    id = 0;
    if (name.trimmed().isEmpty())
        return true;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!prepare(q, QStringLiteral("SELECT tripid FROM divetrips WHERE name=:name"), error))
        return false;
    q.bindValue(QStringLiteral(":name"), name);
    if (!exec(q, error))
        return false;
    if (q.next()) {
        id = q.value(0).toLongLong();
        return true;
    }
    q.finish();
    if (!prepare(q, QStringLiteral("INSERT INTO divetrips (name) VALUES (:name)"), error))
        return false;
    q.bindValue(QStringLiteral(":name"), name);
    if (!exec(q, error))
        return false;
    id = q.lastInsertId().toLongLong();
    return true;
}

QVariant idOrNull(qint64 id)
{
    return id > 0 ? QVariant(id) : QVariant();
}

} // namespace

QString checkPosition(const GeoPosition& position)
{
    if (!std::isfinite(position.latitude) || std::fabs(position.latitude) > 90.0)
        return DivePlacesText::tr("The latitude must be between -90 and 90 degrees.");
    if (!std::isfinite(position.longitude) || std::fabs(position.longitude) > 180.0)
        return DivePlacesText::tr("The longitude must be between -180 and 180 degrees.");
    return QString();
}

std::optional<GeoPosition> parsePosition(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 2)
        return std::nullopt;
    bool latOk = false;
    bool lonOk = false;
    const GeoPosition position { parts[0].trimmed().toDouble(&latOk),
        parts[1].trimmed().toDouble(&lonOk) };
    if (!latOk || !lonOk || !checkPosition(position).isEmpty())
        return std::nullopt;
    return position;
}

std::optional<GeoPosition> storedPosition(const QVariant& latitude, const QVariant& longitude)
{
    if (latitude.isNull() || longitude.isNull())
        return std::nullopt;
    bool latOk = false;
    bool lonOk = false;
    const GeoPosition position { latitude.toDouble(&latOk), longitude.toDouble(&lonOk) };
    if (!latOk || !lonOk || !checkPosition(position).isEmpty())
        return std::nullopt;
    return position;
}

namespace DivePlacesStore {

bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error)
{
    bool ok = true;
    const QSet<QString> tables
        = namesOf(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'"), ok);
    if (!ok)
        return run(db, QStringLiteral("SELECT 1 FROM sqlite_master"), error);
    for (const auto& [table, column] : addedColumns) {
        const QSet<QString> columns
            = namesOf(db, QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)), ok, 1);
        const QString name = QString::fromLatin1(column).section(QLatin1Char(' '), 0, 0);
        if (!ok || columns.contains(name))
            continue;
        if (!run(db,
                QStringLiteral("ALTER TABLE %1 ADD %2")
                    .arg(QLatin1String(table), QLatin1String(column)),
                error))
            return false;
        changed = true;
        // The list reads the gases of each dive from here rather than from a query per dive.
        if (name == QLatin1String("gases")
            && !run(db,
                QStringLiteral("UPDATE divedetails SET gases=(%1)")
                    .arg(QLatin1String(gasesOfDiveSql).arg(QStringLiteral("divedetails.diveid"))),
                error))
            return false;
        // Likewise whether each dive has samples, looked up once here.
        if (name == QLatin1String("hasprofile")
            && !run(db,
                QStringLiteral("UPDATE divedetails SET hasprofile=EXISTS(SELECT 1 FROM profiles p "
                               "WHERE p.diveid=divedetails.diveid)"),
                error))
            return false;
    }
    if (!tables.contains(QStringLiteral("divetrips"))) {
        if (!run(db, QLatin1String(createTrips), error))
            return false;
        changed = true;
    }
    if (!tables.contains(QStringLiteral("divesites"))) {
        // The free-text places typed so far become sites, one per distinct site and location.
        if (!run(db, QLatin1String(createSites), error)
            || !run(db, QLatin1String(indexes[0]), error)
            || !run(db,
                QStringLiteral("INSERT INTO divesites (name, location) SELECT DISTINCT site, "
                               "location FROM divedetails WHERE site<>'' OR location<>'' ORDER "
                               "BY site, location"),
                error)
            || !run(db,
                QStringLiteral("UPDATE divedetails SET siteid=(SELECT s.siteid FROM divesites s "
                               "WHERE s.name=divedetails.site AND "
                               "s.location=divedetails.location) WHERE site<>'' OR location<>''"),
                error))
            return false;
        changed = true;
    }
    const QSet<QString> present
        = namesOf(db, QStringLiteral("SELECT name FROM sqlite_master WHERE type='index'"), ok);
    for (const char* sql : indexes) {
        const QString name = QString::fromLatin1(sql).section(QLatin1Char(' '), 5, 5);
        if (ok && present.contains(name))
            continue;
        if (!run(db, QLatin1String(sql), error))
            return false;
        changed = true;
    }
    return true;
}

bool link(QSqlDatabase& db, qint64 diveId, const DiveDetails& details, bool import, QString& error)
{
    if (details.position) {
        error = checkPosition(*details.position);
        if (!error.isEmpty())
            return false;
    }
    qint64 site = 0;
    qint64 trip = 0;
    if (!siteOf(db, details, import, site, error) || !tripOf(db, details.trip, trip, error))
        return false;
    QSqlQuery q(db);
    if (!prepare(q,
            QStringLiteral("UPDATE divedetails SET siteid=:site, tripid=:trip WHERE diveid=:id"),
            error))
        return false;
    q.bindValue(QStringLiteral(":site"), idOrNull(site));
    q.bindValue(QStringLiteral(":trip"), idOrNull(trip));
    q.bindValue(QStringLiteral(":id"), diveId);
    return exec(q, error);
}

bool load(QSqlDatabase& db, qint64 diveId, DiveDetails& details, QString& error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!prepare(q,
            QStringLiteral(
                "SELECT s.name, s.location, s.country, s.latitude, s.longitude, t.name FROM "
                "divedetails x LEFT JOIN divesites s ON s.siteid=x.siteid LEFT JOIN divetrips t ON "
                "t.tripid=x.tripid WHERE x.diveid=:id"),
            error))
        return false;
    q.bindValue(QStringLiteral(":id"), diveId);
    if (!exec(q, error))
        return false;
    details.country.clear();
    details.position.reset();
    details.trip.clear();
    if (!q.next())
        return true;
    details.trip = q.value(5).toString();
    // An older version may have retyped the texts without knowing of sites: the link then no
    // longer names this place.
    if (q.value(0).isNull() || q.value(0).toString() != details.site
        || q.value(1).toString() != details.location)
        return true;
    details.country = q.value(2).toString();
    details.position = storedPosition(q.value(3), q.value(4));
    return true;
}

} // namespace DivePlacesStore
