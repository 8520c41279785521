#include "cli/logbookplacescommand.h"

#include "cli/clioptions.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/sitesgeojson.h"

#include <QDateTime>
#include <QJsonArray>
#include <QTextStream>

namespace cli {

namespace {

QJsonValue positionJson(const std::optional<GeoPosition>& position, bool latitude)
{
    if (!position)
        return QJsonValue();
    return latitude ? position->latitude : position->longitude;
}

QString isoUtc(qint64 seconds)
{
    return seconds > 0 ? QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).toString(Qt::ISODate)
                       : QString();
}

int listSites(const Options& o, QTextStream& out, QTextStream& err)
{
    LogbookDatabase& db = LogbookDatabase::instance();
    QList<DiveSite> sites;
    if (!db.listSites(sites)) {
        err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
        return ExitFailed;
    }
    if (o.values.contains("--geojson")) {
        QString error;
        if (!writeSitesGeoJson(o.value("--geojson"), sites, &error)) {
            err << QStringLiteral("%1: %2\n").arg(o.value("--geojson"), error);
            return ExitFailed;
        }
        int placed = 0;
        for (const DiveSite& s : sites)
            placed += s.position ? 1 : 0;
        out << QStringLiteral("%1 sites -> %2\n").arg(placed).arg(o.value("--geojson"));
        return ExitOk;
    }
    if (o.has("--json")) {
        QJsonArray rows;
        for (const DiveSite& s : sites)
            rows.append(
                QJsonObject { { "id", s.id }, { "name", s.name }, { "location", s.location },
                    { "country", s.country }, { "latitude", positionJson(s.position, true) },
                    { "longitude", positionJson(s.position, false) }, { "dives", s.dives } });
        printJson(out, QJsonObject { { "sites", rows } });
        return ExitOk;
    }
    for (const DiveSite& s : sites) {
        const QString position = s.position ? QStringLiteral("%1,%2")
                                                  .arg(s.position->latitude, 0, 'f', 6)
                                                  .arg(s.position->longitude, 0, 'f', 6)
                                            : QStringLiteral("-");
        out << QStringLiteral("  %1  %2  %3  %4  %5  %6 dives\n")
                   .arg(s.id, 5)
                   .arg(s.name, -20)
                   .arg(s.location, -16)
                   .arg(s.country, -12)
                   .arg(position)
                   .arg(s.dives);
    }
    return ExitOk;
}

// site NAME [--rename NAME] [--location TEXT] [--country TEXT] [--position LAT,LON] [--notes
// TEXT]: creates the site when no site has that name.
int editSite(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 2) {
        err << "usage: veltra-cli logbook [--db PATH] site NAME [--rename NAME] [--location "
               "TEXT] [--country TEXT] [--position LAT,LON] [--notes TEXT]\n";
        return ExitUsage;
    }
    LogbookDatabase& db = LogbookDatabase::instance();
    const QList<int> ids = db.findSites(o.positional[1]);
    if (ids.size() > 1) {
        err << QStringLiteral("%1 sites are named %2: rename one in the window first\n")
                   .arg(ids.size())
                   .arg(o.positional[1]);
        return ExitFailed;
    }
    DiveSite site;
    site.name = o.positional[1];
    if (!ids.isEmpty() && !db.loadSite(ids.first(), site)) {
        err << db.lastError() << '\n';
        return ExitFailed;
    }
    if (o.values.contains("--position")) {
        site.position = parsePosition(o.value("--position"));
        if (!site.position && !o.value("--position").isEmpty()) {
            err << QStringLiteral("--position takes LAT,LON in degrees, such as 36.0,14.3, not "
                                  "\"%1\"\n")
                       .arg(o.value("--position"));
            return ExitFailed;
        }
    }
    if (o.values.contains("--rename"))
        site.name = o.value("--rename");
    if (o.values.contains("--location"))
        site.location = o.value("--location");
    if (o.values.contains("--country"))
        site.country = o.value("--country");
    if (o.values.contains("--notes"))
        site.notes = o.value("--notes");
    if (!db.storeSite(site)) {
        err << QStringLiteral("site %1 not changed: %2\n").arg(o.positional[1], db.lastError());
        return ExitFailed;
    }
    out << QStringLiteral("site %1 %2 %3\n")
               .arg(site.id)
               .arg(site.name,
                   ids.isEmpty() ? QStringLiteral("created") : QStringLiteral("updated"));
    return ExitOk;
}

int listTrips(const Options& o, QTextStream& out, QTextStream& err)
{
    LogbookDatabase& db = LogbookDatabase::instance();
    QList<DiveTrip> trips;
    if (!db.listTrips(trips)) {
        err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
        return ExitFailed;
    }
    if (o.has("--json")) {
        QJsonArray rows;
        for (const DiveTrip& t : trips) {
            const auto when = [](qint64 s) { return s > 0 ? QJsonValue(isoUtc(s)) : QJsonValue(); };
            rows.append(
                QJsonObject { { "id", t.id }, { "name", t.name }, { "location", t.location },
                    { "start", when(t.start) }, { "end", when(t.end) }, { "dives", t.dives } });
        }
        printJson(out, QJsonObject { { "trips", rows } });
        return ExitOk;
    }
    for (const DiveTrip& t : trips)
        out << QStringLiteral("  %1  %2  %3  %4  %5  %6 dives\n")
                   .arg(t.id, 5)
                   .arg(t.name, -20)
                   .arg(t.location, -16)
                   .arg(t.start > 0 ? isoUtc(t.start) : QStringLiteral("-"))
                   .arg(t.end > 0 ? isoUtc(t.end) : QStringLiteral("-"))
                   .arg(t.dives);
    return ExitOk;
}

bool diveIds(const QStringList& texts, QList<int>& ids, QTextStream& err)
{
    for (const QString& text : texts) {
        bool ok = false;
        const int id = text.toInt(&ok);
        if (!ok || id <= 0) {
            err << QStringLiteral("no dive %1 in the logbook\n").arg(text);
            return false;
        }
        ids << id;
    }
    return true;
}

// trip NAME [--rename NAME] [--location TEXT] [--notes TEXT] [--add ID]... [--remove ID]...:
// creates the trip when there is none of that name.
int editTrip(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 2) {
        err << "usage: veltra-cli logbook [--db PATH] trip NAME [--rename NAME] [--location TEXT] "
               "[--notes TEXT] [--add ID]... [--remove ID]...\n";
        return ExitUsage;
    }
    QList<int> added;
    QList<int> removed;
    if (!diveIds(o.all("--add"), added, err) || !diveIds(o.all("--remove"), removed, err))
        return ExitFailed;
    LogbookDatabase& db = LogbookDatabase::instance();
    const int found = db.findTrip(o.positional[1]);
    DiveTrip trip;
    trip.name = o.positional[1];
    if (found > 0 && !db.loadTrip(found, trip)) {
        err << db.lastError() << '\n';
        return ExitFailed;
    }
    if (o.values.contains("--rename"))
        trip.name = o.value("--rename");
    if (o.values.contains("--location"))
        trip.location = o.value("--location");
    if (o.values.contains("--notes"))
        trip.notes = o.value("--notes");
    const QList<int> inTrip = found > 0 ? db.diveIdsOfTrip(found) : QList<int>();
    for (const int id : removed) {
        if (!inTrip.contains(id)) {
            err << QStringLiteral("dive %1 is not in trip %2\n").arg(id).arg(o.positional[1]);
            return ExitFailed;
        }
    }
    if (!db.storeTrip(trip) || !db.setDivesTrip(added, trip.id) || !db.setDivesTrip(removed, 0)) {
        err << QStringLiteral("trip %1 not changed: %2\n").arg(o.positional[1], db.lastError());
        return ExitFailed;
    }
    out << QStringLiteral("trip %1 %2 %3\n")
               .arg(trip.id)
               .arg(trip.name, found > 0 ? QStringLiteral("updated") : QStringLiteral("created"));
    return ExitOk;
}

} // namespace

QStringList logbookPlacesOptions()
{
    return { "--rename", "--country", "--position", "--add", "--remove", "--geojson" };
}

QString logbookPlacesUsage()
{
    return QStringLiteral(
        "  logbook [--db PATH] sites [--json] | sites --geojson OUT\n"
        "  logbook [--db PATH] site NAME [--rename NAME] [--location TEXT] [--country TEXT] "
        "[--position LAT,LON] [--notes TEXT]\n"
        "  logbook [--db PATH] trips [--json]\n"
        "  logbook [--db PATH] trip NAME [--rename NAME] [--location TEXT] [--notes TEXT] [--add "
        "ID]... [--remove ID]...\n");
}

bool runLogbookPlaces(
    const QString& sub, const Options& o, QTextStream& out, QTextStream& err, int& status)
{
    if (sub == "sites")
        status = listSites(o, out, err);
    else if (sub == "site")
        status = editSite(o, out, err);
    else if (sub == "trips")
        status = listTrips(o, out, err);
    else if (sub == "trip")
        status = editTrip(o, out, err);
    else
        return false;
    return true;
}

} // namespace cli
