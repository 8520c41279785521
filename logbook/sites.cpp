// The logbook's dive sites: listed with their dive counts, edited, merged and removed.

#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/sqlsteps.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

using SqlSteps::exec;
using SqlSteps::prepare;
using SqlSteps::text;

class SitesText
{
    Q_DECLARE_TR_FUNCTIONS(DiveSites)
};

const char selectSitesSql[]
    = "SELECT s.siteid, s.name, s.location, s.country, s.latitude, s.longitude, s.notes, "
      "(SELECT COUNT(*) FROM divedetails x WHERE x.siteid=s.siteid) FROM divesites s";

DiveSite siteFrom(const QSqlQuery& q)
{
    DiveSite site;
    site.id = q.value(0).toInt();
    site.name = q.value(1).toString();
    site.location = q.value(2).toString();
    site.country = q.value(3).toString();
    site.position = storedPosition(q.value(4), q.value(5));
    site.notes = q.value(6).toString();
    site.dives = q.value(7).toInt();
    return site;
}

QList<int> idList(QSqlDatabase& db, const QString& sql, int key)
{
    QList<int> ids;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql))
        return ids;
    q.bindValue(QStringLiteral(":key"), key);
    if (!q.exec())
        return ids;
    while (q.next())
        ids << q.value(0).toInt();
    return ids;
}

// Writes the site's texts into its dives' details, where older readers and the search find them.
bool retypeDives(QSqlDatabase& db, int siteId, QString& error)
{
    QSqlQuery q(db);
    if (!prepare(q,
            QStringLiteral(
                "UPDATE divedetails SET site=(SELECT name FROM divesites WHERE siteid=:id), "
                "location=(SELECT location FROM divesites WHERE siteid=:id) WHERE siteid=:id"),
            error))
        return false;
    q.bindValue(QStringLiteral(":id"), siteId);
    return exec(q, error);
}

} // namespace

bool LogbookDatabase::inTransaction(const std::function<bool(QString& error)>& step)
{
    if (!isOpen())
        return fail(SitesText::tr("No logbook database is open."));
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QString error;
    if (!step(error)) {
        m_db.rollback();
        return fail(error);
    }
    if (!m_db.commit()) {
        error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

bool LogbookDatabase::listSites(QList<DiveSite>& sites)
{
    sites.clear();
    if (!isOpen())
        return fail(SitesText::tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QLatin1String(selectSitesSql) + QStringLiteral(" ORDER BY s.name, s.location")))
        return fail(q.lastError().text());
    while (q.next())
        sites << siteFrom(q);
    return true;
}

bool LogbookDatabase::loadSite(int siteId, DiveSite& site)
{
    if (!isOpen())
        return fail(SitesText::tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QLatin1String(selectSitesSql) + QStringLiteral(" WHERE s.siteid=:id")))
        return fail(q.lastError().text());
    q.bindValue(QStringLiteral(":id"), siteId);
    if (!q.exec())
        return fail(q.lastError().text());
    if (!q.next())
        return fail(SitesText::tr("There is no site %1 in the logbook.").arg(siteId));
    site = siteFrom(q);
    return true;
}

QList<int> LogbookDatabase::findSites(const QString& name)
{
    QList<int> ids;
    if (!isOpen())
        return ids;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT siteid FROM divesites WHERE name=:name ORDER BY siteid")))
        return ids;
    q.bindValue(QStringLiteral(":name"), text(name));
    if (!q.exec())
        return ids;
    while (q.next())
        ids << q.value(0).toInt();
    return ids;
}

bool LogbookDatabase::storeSite(DiveSite& site, bool create)
{
    if (site.position) {
        const QString problem = checkPosition(*site.position);
        if (!problem.isEmpty())
            return fail(problem);
    }
    if (site.name.trimmed().isEmpty())
        return fail(SitesText::tr("A site needs a name."));
    int stored = site.id;
    const bool done = inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(q,
                QStringLiteral("SELECT COUNT(*) FROM divesites WHERE name=:name AND "
                               "location=:location AND siteid<>:id"),
                error))
            return false;
        q.bindValue(QStringLiteral(":name"), text(site.name));
        q.bindValue(QStringLiteral(":location"), text(site.location));
        q.bindValue(QStringLiteral(":id"), create ? -1 : site.id);
        if (!exec(q, error))
            return false;
        if (q.next() && q.value(0).toInt() > 0) {
            error = SitesText::tr("Another site is named %1 at %2: merge the two instead.")
                        .arg(site.name, site.location);
            return false;
        }
        q.finish();
        const bool insert = create || site.id <= 0;
        if (!prepare(q,
                insert
                    ? QStringLiteral("INSERT INTO divesites (siteid, name, location, country, "
                                     "latitude, longitude, notes) VALUES (:id, :name, :location, "
                                     ":country, :lat, :lon, :notes)")
                    : QStringLiteral("UPDATE divesites SET name=:name, "
                                     "location=:location, country=:country, "
                                     "latitude=:lat, longitude=:lon, notes=:notes "
                                     "WHERE siteid=:id"),
                error))
            return false;
        q.bindValue(QStringLiteral(":id"), site.id > 0 ? QVariant(site.id) : QVariant());
        q.bindValue(QStringLiteral(":name"), text(site.name));
        q.bindValue(QStringLiteral(":location"), text(site.location));
        q.bindValue(QStringLiteral(":country"), text(site.country));
        q.bindValue(
            QStringLiteral(":lat"), site.position ? QVariant(site.position->latitude) : QVariant());
        q.bindValue(QStringLiteral(":lon"),
            site.position ? QVariant(site.position->longitude) : QVariant());
        q.bindValue(QStringLiteral(":notes"), text(site.notes));
        if (!exec(q, error))
            return false;
        if (!insert && q.numRowsAffected() != 1) {
            error = SitesText::tr("There is no site %1 in the logbook.").arg(site.id);
            return false;
        }
        stored = insert ? q.lastInsertId().toInt() : site.id;
        return retypeDives(m_db, stored, error);
    });
    if (done)
        site.id = stored;
    return done;
}

bool LogbookDatabase::deleteSite(int siteId)
{
    return inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(
                q, QStringLiteral("UPDATE divedetails SET siteid=NULL WHERE siteid=:id"), error))
            return false;
        q.bindValue(QStringLiteral(":id"), siteId);
        if (!exec(q, error)
            || !prepare(q, QStringLiteral("DELETE FROM divesites WHERE siteid=:id"), error))
            return false;
        q.bindValue(QStringLiteral(":id"), siteId);
        if (!exec(q, error))
            return false;
        if (q.numRowsAffected() == 1)
            return true;
        error = SitesText::tr("There is no site %1 in the logbook.").arg(siteId);
        return false;
    });
}

bool LogbookDatabase::mergeSites(int keepId, int goneId)
{
    if (keepId == goneId)
        return fail(SitesText::tr("A site cannot be merged with itself."));
    DiveSite keep;
    DiveSite gone;
    if (!loadSite(keepId, keep) || !loadSite(goneId, gone))
        return false;
    return inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(
                q, QStringLiteral("UPDATE divedetails SET siteid=:keep WHERE siteid=:gone"), error))
            return false;
        q.bindValue(QStringLiteral(":keep"), keepId);
        q.bindValue(QStringLiteral(":gone"), goneId);
        if (!exec(q, error) || !retypeDives(m_db, keepId, error))
            return false;
        // What only the merged site knew is kept.
        if (!prepare(q,
                QStringLiteral(
                    "UPDATE divesites SET country=CASE WHEN country='' THEN :country ELSE country "
                    "END, latitude=COALESCE(latitude, :lat), longitude=CASE WHEN latitude IS NULL "
                    "THEN :lon ELSE longitude END, notes=CASE WHEN notes='' THEN :notes ELSE notes "
                    "END WHERE siteid=:keep"),
                error))
            return false;
        q.bindValue(QStringLiteral(":country"), text(gone.country));
        q.bindValue(
            QStringLiteral(":lat"), gone.position ? QVariant(gone.position->latitude) : QVariant());
        q.bindValue(QStringLiteral(":lon"),
            gone.position ? QVariant(gone.position->longitude) : QVariant());
        q.bindValue(QStringLiteral(":notes"), text(gone.notes));
        q.bindValue(QStringLiteral(":keep"), keepId);
        if (!exec(q, error)
            || !prepare(q, QStringLiteral("DELETE FROM divesites WHERE siteid=:id"), error))
            return false;
        q.bindValue(QStringLiteral(":id"), goneId);
        return exec(q, error);
    });
}

QList<int> LogbookDatabase::diveIdsOfSite(int siteId)
{
    if (!isOpen())
        return {};
    return idList(m_db,
        QStringLiteral("SELECT diveid FROM divedetails WHERE siteid=:key ORDER BY diveid"), siteId);
}

bool LogbookDatabase::linkDivesToSite(const QList<int>& diveIds, int siteId)
{
    return inTransaction([&](QString& error) {
        QSqlQuery q(m_db);
        if (!prepare(
                q, QStringLiteral("UPDATE divedetails SET siteid=:site WHERE diveid=:id"), error))
            return false;
        for (const int id : diveIds) {
            q.bindValue(QStringLiteral(":site"), siteId > 0 ? QVariant(siteId) : QVariant());
            q.bindValue(QStringLiteral(":id"), id);
            if (!exec(q, error))
                return false;
        }
        return siteId <= 0 || retypeDives(m_db, siteId, error);
    });
}

QStringList LogbookDatabase::usedNames(UsedList list)
{
    QStringList names;
    if (!isOpen())
        return names;
    const QString column
        = list == UsedList::Buddies ? QStringLiteral("buddies") : QStringLiteral("tags");
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT DISTINCT j.value FROM divedetails x, json_each(x.%1) j "
                               "WHERE json_valid(x.%1) AND json_type(x.%1)='array' AND "
                               "j.type='text' ORDER BY j.value COLLATE NOCASE")
                    .arg(column)))
        return names;
    while (q.next())
        names << q.value(0).toString();
    return names;
}
