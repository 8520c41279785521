#pragma once

#include "dive/diveprofile.h"

#include <QDateTime>
#include <QString>

#include <optional>

class QSqlDatabase;
class QVariant;
class StatementCache;

// A place divers return to; many dives link one site.
struct DiveSite
{
    int id = -1;
    QString name;
    QString location; // region or place
    QString country;
    std::optional<GeoPosition> position;
    QString notes;
    int dives = 0; // dives linked, when listed

    bool sameFields(const DiveSite& o) const
    {
        return name == o.name && location == o.location && country == o.country
            && position == o.position && notes == o.notes;
    }
};

// Dives grouped as one journey (a holiday, a weekend); its dates come from its dives.
struct DiveTrip
{
    int id = -1;
    QString name;
    QString location;
    QString notes;
    qint64 start = 0; // s since 1970 UTC, start of the first dive; 0 without dives
    qint64 end = 0; // s since 1970 UTC, end of the last dive; 0 without dives
    int dives = 0;
};

// Empty when the position is a WGS84 latitude and longitude, otherwise what is wrong.
QString checkPosition(const GeoPosition& position);
// "LAT,LON" in decimal degrees; nothing when the text is not a valid position.
std::optional<GeoPosition> parsePosition(const QString& text);

// The gases of dive %1 as "O2/He" texts in gas order, comma separated (an SQL expression).
constexpr char gasesOfDiveSql[] = "SELECT group_concat(v) FROM (SELECT g.o2 || '/' || g.he AS v "
                                  "FROM gases g WHERE g.diveid=%1 ORDER BY g.gasid)";

// A position as stored: nothing when either value is missing, not a number or out of range.
std::optional<GeoPosition> storedPosition(const QVariant& latitude, const QVariant& longitude);

// The storage of sites and trips beside the details table: tables divesites and divetrips,
// and the dive's links (siteid, tripid) as columns of divedetails. The dive's site and
// location texts stay in divedetails as before, so that older readers still find them; the
// site's country and position are the dive's when the texts are the site's.
namespace DivePlacesStore {

// Creates what is missing; a logbook of free-text sites gets one site per distinct site and
// location, linked to its dives.
bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error);
// Links the dive to the site of its site and location texts and to the trip of its name,
// creating them when missing. An import only fills a found site's missing country and
// position; an edit replaces them with those given.
bool link(
    StatementCache& sql, qint64 diveId, const DiveDetails& details, bool import, QString& error);
// Country, position and trip of the dive.
bool load(QSqlDatabase& db, qint64 diveId, DiveDetails& details, QString& error);

} // namespace DivePlacesStore
