#include "logbook/divedetails.h"

#include "dive/diveprofile.h"
#include "logbook/divelookups.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/tankstore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <limits>

namespace {

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class DiveDetailsText
{
    Q_DECLARE_TR_FUNCTIONS(DiveDetails)
};

// Beside the original tables, never inside them: older versions keep reading the file.
const char createDetails[]
    = "CREATE TABLE divedetails (diveid INTEGER PRIMARY KEY, number INTEGER NOT NULL DEFAULT 0, "
      "site TEXT NOT NULL DEFAULT '', location TEXT NOT NULL DEFAULT '', buddies TEXT NOT NULL "
      "DEFAULT '[]', notes TEXT NOT NULL DEFAULT '', rating INTEGER NOT NULL DEFAULT 0, tags TEXT "
      "NOT NULL DEFAULT '[]', maxtime REAL, maxdepth REAL, mintemperature REAL)";
const char createTanks[] = "CREATE TABLE divetanks (diveid INTEGER, tankid INTEGER, gasindex "
                           "INTEGER, startbar REAL, endbar REAL, PRIMARY KEY(diveid, tankid))";
// Accents are folded away so that "Lagos" finds "Lagôs"; unicode61 also folds case.
const char createSearch[]
    = "CREATE VIRTUAL TABLE divesearch USING fts5(name, computer, site, location, buddies, notes, "
      "tags, tokenize=\"unicode61 remove_diacritics 2\")";

// The search row of one dive, rebuilt from the dive and its details (lists joined by spaces;
// a damaged list is indexed as it stands rather than failing the write).
QString searchRowSql(const char* key)
{
    const QString list
        = QStringLiteral("CASE WHEN json_valid(x.%1) AND json_type(x.%1)='array' THEN (SELECT "
                         "group_concat(value, ' ') FROM json_each(x.%1)) ELSE x.%1 END");
    return QStringLiteral(
        "DELETE FROM divesearch WHERE rowid=%1; INSERT INTO divesearch (rowid, name, computer, "
        "site, location, buddies, notes, tags) SELECT d.diveid, d.name, d.computer, x.site, "
        "x.location, %2, x.notes, %3 FROM dives d LEFT JOIN divedetails x ON "
        "x.diveid=d.diveid WHERE d.diveid=%1;")
        .arg(QLatin1String(key), list.arg(QStringLiteral("buddies")),
            list.arg(QStringLiteral("tags")));
}

struct Trigger
{
    const char* name;
    const char* event;
    const char* key;
};
// Triggers rather than calls in each write keep the index in step with every write to the
// tables, in the writer's own transaction, whoever writes.
const Trigger triggers[] = {
    { "divesearch_dive_insert", "AFTER INSERT ON dives", "new.diveid" },
    { "divesearch_dive_update", "AFTER UPDATE OF diveid, name, computer ON dives", "new.diveid" },
    { "divesearch_dive_delete", "AFTER DELETE ON dives", "old.diveid" },
    { "divesearch_details_insert", "AFTER INSERT ON divedetails", "new.diveid" },
    { "divesearch_details_update",
        "AFTER UPDATE OF diveid, site, location, buddies, notes, tags ON divedetails",
        "new.diveid" },
    { "divesearch_details_delete", "AFTER DELETE ON divedetails", "old.diveid" },
};

QString listText(const QStringList& list)
{
    return QString::fromUtf8(
        QJsonDocument(QJsonArray::fromStringList(list)).toJson(QJsonDocument::Compact));
}

QStringList listFrom(const QVariant& value)
{
    QStringList list;
    const QJsonDocument document = QJsonDocument::fromJson(value.toString().toUtf8());
    for (const QJsonValue& item : document.array()) {
        if (item.isString())
            list << item.toString();
    }
    return list;
}

QVariant textOrEmpty(const QString& text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

bool exec(QSqlQuery& q, QString& error)
{
    if (q.exec())
        return true;
    error = q.lastError().text();
    return false;
}

bool prepareFailed(const QSqlQuery& q, QString& error)
{
    error = q.lastError().text();
    return false;
}

bool execText(QSqlDatabase& db, const QString& sql, QString& error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    error = q.lastError().text();
    return false;
}

// The details' columns of an INSERT into divedetails.
void bindDetails(QSqlQuery& q, int diveId, const DiveDetails& details)
{
    q.bindValue(QStringLiteral(":id"), diveId);
    q.bindValue(QStringLiteral(":number"), details.number);
    q.bindValue(QStringLiteral(":site"), textOrEmpty(details.site));
    q.bindValue(QStringLiteral(":location"), textOrEmpty(details.location));
    q.bindValue(QStringLiteral(":buddies"), listText(details.buddies));
    q.bindValue(QStringLiteral(":notes"), textOrEmpty(details.notes));
    q.bindValue(QStringLiteral(":rating"), details.rating);
    q.bindValue(QStringLiteral(":tags"), listText(details.tags));
}

} // namespace

QString checkDetails(const DiveDetails& details)
{
    if (details.number < 0)
        return DiveDetailsText::tr("The dive number must be 0 or more.");
    if (details.rating < 0 || details.rating > 5)
        return DiveDetailsText::tr("The rating must be between 0 and 5.");
    if (details.notes.toUtf8().size() > MaxNotesBytes)
        return DiveDetailsText::tr("The notes are longer than %1 KiB.").arg(MaxNotesBytes / 1024);
    return QString();
}

QString searchExpression(const QString& typed)
{
    // Words are runs of letters, digits and marks, as the index's tokenizer splits them; each
    // becomes a quoted prefix term, so that nothing typed is read as an FTS operator.
    const QString text = typed.normalized(QString::NormalizationForm_C);
    QStringList terms;
    QString word;
    const auto flush = [&]() {
        if (!word.isEmpty())
            terms << QLatin1Char('"') + word + QStringLiteral("\"*");
        word.clear();
    };
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c.isMark() || c.isSurrogate())
            word += c;
        else
            flush();
    }
    flush();
    return terms.join(QLatin1Char(' '));
}

namespace DiveDetailsStore {

// Kept whole on purpose: the schema checks and additions read in the order they run (shapes
// refused first, then each table, trigger and index the later steps rely on).
bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT type, name FROM sqlite_master"))) {
        error = q.lastError().text();
        return false;
    }
    QSet<QString> tables;
    QSet<QString> triggerNames;
    while (q.next()) {
        const QString type = q.value(0).toString();
        const QString name = q.value(1).toString().toLower();
        if (type == QLatin1String("table"))
            tables.insert(name);
        else if (type == QLatin1String("trigger"))
            triggerNames.insert(name);
    }
    q.finish();

    // A table under one of these names but of another shape would fail every later write:
    // refuse the file now, saying which table.
    const std::pair<const char*, QStringList> shapes[] = {
        { "divedetails",
            { "diveid", "number", "site", "location", "buddies", "notes", "rating", "tags",
                "maxtime", "maxdepth", "mintemperature" } },
        { "divetanks", { "diveid", "tankid", "gasindex", "startbar", "endbar" } },
        { "divesearch", { "name", "computer", "site", "location", "buddies", "notes", "tags" } },
    };
    for (const auto& [table, columns] : shapes) {
        if (!tables.contains(QLatin1String(table)))
            continue;
        QSet<QString> found;
        if (q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(table)))) {
            while (q.next())
                found.insert(q.value(1).toString().toLower());
        }
        q.finish();
        for (const QString& column : columns) {
            if (!found.contains(column)) {
                error = DiveDetailsText::tr(
                    "The file has a table %1 of another shape than this program's.")
                            .arg(QLatin1String(table));
                return false;
            }
        }
    }

    const bool newDetails = !tables.contains(QStringLiteral("divedetails"));
    const bool newSearch = !tables.contains(QStringLiteral("divesearch"));
    if (newDetails) {
        // Dives stored before get their summary and numbers in date order.
        if (!execText(db, QLatin1String(createDetails), error)
            || !execText(db,
                QStringLiteral(
                    "INSERT INTO divedetails (diveid, number, maxtime, maxdepth, mintemperature) "
                    "SELECT d.diveid, row_number() OVER (ORDER BY d.datetime, d.diveid), "
                    "(SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid), (SELECT "
                    "MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid), (SELECT "
                    "MIN(p.temperature) FROM profiles p WHERE p.diveid=d.diveid) FROM dives d "
                    "WHERE d.diveid IS NOT NULL"),
                error))
            return false;
        changed = true;
    }
    if (!tables.contains(QStringLiteral("divetanks"))) {
        if (!execText(db, QLatin1String(createTanks), error))
            return false;
        changed = true;
    }
    if (newSearch) {
        if (!execText(db, QLatin1String(createSearch), error)
            || !execText(db,
                QStringLiteral("INSERT INTO divesearch (rowid, name, computer) SELECT diveid, "
                               "name, computer FROM dives WHERE diveid IS NOT NULL"),
                error))
            return false;
        changed = true;
    }
    for (const Trigger& t : triggers) {
        if (triggerNames.contains(QLatin1String(t.name)))
            continue;
        const QString sql
            = QStringLiteral("CREATE TRIGGER %1 %2 BEGIN %3 END")
                  .arg(QLatin1String(t.name), QLatin1String(t.event), searchRowSql(t.key));
        if (!execText(db, sql, error))
            return false;
        changed = true;
    }
    if (newSearch && !newDetails) {
        // Details kept while the index was missing: index them now.
        if (!execText(db, QStringLiteral("UPDATE divedetails SET diveid=diveid"), error))
            return false;
    }
    return TankStore::ensureSchema(db, changed, error)
        && DivePlacesStore::ensureSchema(db, changed, error);
}

bool storeNew(QSqlDatabase& db, qint64 diveId, const DiveProfile& dive, QString& error)
{
    DiveDetails details = detailsOf(dive);
    error = checkDetails(details);
    if (!error.isEmpty())
        return false;

    QSqlQuery q(db);
    if (details.number == 0) {
        // Numbers the diver has are never changed behind their back: a dive newer than every
        // numbered dive gets the next number, an older one none until the diver renumbers.
        if (!q.prepare(QLatin1String(DiveLookups::laterNumberedSql)))
            return prepareFailed(q, error);
        q.bindValue(QStringLiteral(":t"), dive.dateTime);
        q.bindValue(QStringLiteral(":id"), diveId);
        if (!exec(q, error))
            return false;
        const bool newest = !q.next();
        q.finish();
        qint64 number = 0;
        if (newest) {
            if (!q.prepare(QLatin1String(DiveLookups::highestNumberSql)))
                return prepareFailed(q, error);
            if (!exec(q, error))
                return false;
            number = q.next() ? q.value(0).toLongLong() + 1 : 1;
            q.finish();
        }
        if (number > std::numeric_limits<int>::max()) {
            error = DiveDetailsText::tr("No dive number is left.");
            return false;
        }
        details.number = int(number);
    }

    // The list and the statistics read these instead of every sample.
    QVariant maxTime;
    QVariant maxDepth;
    QVariant minTemperature;
    for (const DiveSample& s : dive.samples) {
        if (maxTime.isNull() || s.time > maxTime.toDouble())
            maxTime = s.time;
        if (maxDepth.isNull() || s.depth > maxDepth.toDouble())
            maxDepth = s.depth;
        if (minTemperature.isNull() || s.temperature < minTemperature.toDouble())
            minTemperature = s.temperature;
    }
    // A dive without a profile (logged by hand elsewhere) keeps the summary its file gave.
    if (dive.samples.isEmpty() && (dive.duration > 0 || dive.maxDepth > 0)) {
        maxTime = dive.duration;
        maxDepth = dive.maxDepth;
        minTemperature = dive.minTemperature;
    }

    // An older version deletes dives without their details: rows left under this id go.
    if (!remove(db, diveId, error))
        return false;
    if (!q.prepare(QStringLiteral(
            "INSERT INTO divedetails (diveid, number, site, location, buddies, notes, rating, "
            "tags, maxtime, maxdepth, mintemperature) VALUES (:id, :number, :site, :location, "
            ":buddies, :notes, :rating, :tags, :maxtime, :maxdepth, :mintemperature)")))
        return prepareFailed(q, error);
    bindDetails(q, diveId, details);
    q.bindValue(QStringLiteral(":maxtime"), maxTime);
    q.bindValue(QStringLiteral(":maxdepth"), maxDepth);
    q.bindValue(QStringLiteral(":mintemperature"), minTemperature);
    if (!exec(q, error))
        return false;

    return TankStore::store(db, diveId, dive, error)
        && DivePlacesStore::link(db, diveId, details, true, error);
}

bool load(QSqlDatabase& db, qint64 diveId, DiveProfile& dive, QString& error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(QStringLiteral("SELECT number, site, location, buddies, notes, rating, tags, "
                                  "maxtime, maxdepth FROM divedetails WHERE diveid=:id")))
        return prepareFailed(q, error);
    q.bindValue(QStringLiteral(":id"), diveId);
    if (!exec(q, error))
        return false;
    DiveDetails details;
    if (q.next()) {
        // Out-of-range values written by another program read as "not set".
        const qint64 number = q.value(0).toLongLong();
        details.number = number > 0 && number <= std::numeric_limits<int>::max() ? int(number) : 0;
        details.site = q.value(1).toString();
        details.location = q.value(2).toString();
        details.buddies = listFrom(q.value(3));
        details.notes = q.value(4).toString();
        const qint64 rating = q.value(5).toLongLong();
        details.rating = rating >= 0 && rating <= 5 ? int(rating) : 0;
        details.tags = listFrom(q.value(6));
        if (dive.samples.isEmpty()) {
            dive.duration = std::max(0.0, q.value(7).toDouble());
            dive.maxDepth = std::max(0.0, q.value(8).toDouble());
        }
    }
    q.finish();

    if (!DivePlacesStore::load(db, diveId, details, error))
        return false;
    applyDetails(details, dive);
    return TankStore::load(db, diveId, dive, error);
}

bool remove(QSqlDatabase& db, qint64 diveId, QString& error)
{
    if (!TankStore::remove(db, diveId, error))
        return false;
    for (const char* table : { "divedetails" }) {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE diveid=:id").arg(QLatin1String(table))))
            return prepareFailed(q, error);
        q.bindValue(QStringLiteral(":id"), diveId);
        if (!exec(q, error))
            return false;
    }
    return true;
}

} // namespace DiveDetailsStore

bool LogbookDatabase::loadDetails(int diveId, DiveDetails& details)
{
    DiveProfile dive;
    if (!loadDive(diveId, dive))
        return false;
    details = detailsOf(dive);
    return true;
}

bool LogbookDatabase::updateDetails(int diveId, const DiveDetails& details)
{
    if (!isOpen())
        return fail(DiveDetailsText::tr("No logbook database is open."));
    const QString problem = checkDetails(details);
    if (!problem.isEmpty())
        return fail(problem);
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    const auto rollback = [this](const QString& error) {
        m_db.rollback();
        return fail(error);
    };
    QSqlQuery q(m_db);
    if (!q.prepare(QStringLiteral("SELECT COUNT(*) FROM dives WHERE diveid=:id")))
        return rollback(q.lastError().text());
    q.bindValue(QStringLiteral(":id"), diveId);
    if (!q.exec() || !q.next())
        return rollback(q.lastError().text());
    if (q.value(0).toInt() != 1)
        return rollback(DiveDetailsText::tr("There is no dive %1 in the logbook.").arg(diveId));
    q.finish();
    // The summary columns stay; a dive stored by an older version gets its row now.
    if (!q.prepare(QStringLiteral(
            "INSERT INTO divedetails (diveid, number, site, location, buddies, notes, rating, "
            "tags, maxtime, maxdepth, mintemperature) VALUES (:id, :number, :site, :location, "
            ":buddies, :notes, :rating, :tags, (SELECT MAX(time) FROM profiles WHERE diveid=:id), "
            "(SELECT MAX(depth) FROM profiles WHERE diveid=:id), (SELECT MIN(temperature) FROM "
            "profiles WHERE diveid=:id)) ON CONFLICT(diveid) DO UPDATE SET "
            "number=excluded.number, site=excluded.site, location=excluded.location, "
            "buddies=excluded.buddies, notes=excluded.notes, rating=excluded.rating, "
            "tags=excluded.tags")))
        return rollback(q.lastError().text());
    bindDetails(q, diveId, details);
    if (!q.exec())
        return rollback(q.lastError().text());
    QString error;
    if (!DivePlacesStore::link(m_db, diveId, details, false, error))
        return rollback(error);
    if (!m_db.commit())
        return rollback(m_db.lastError().text());
    return true;
}

bool LogbookDatabase::renumberDives()
{
    if (!isOpen())
        return fail(DiveDetailsText::tr("No logbook database is open."));
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QString error;
    const bool done = execText(m_db,
                          QStringLiteral("INSERT OR IGNORE INTO divedetails (diveid, maxtime, "
                                         "maxdepth, mintemperature) SELECT d.diveid, (SELECT "
                                         "MAX(time) FROM profiles p WHERE p.diveid=d.diveid), "
                                         "(SELECT MAX(depth) FROM profiles p WHERE "
                                         "p.diveid=d.diveid), (SELECT MIN(temperature) FROM "
                                         "profiles p WHERE p.diveid=d.diveid) FROM dives d WHERE "
                                         "d.diveid IS NOT NULL"),
                          error)
        && execText(m_db,
            QStringLiteral("UPDATE divedetails SET number=(SELECT r.n FROM (SELECT d.diveid, "
                           "row_number() OVER (ORDER BY d.datetime, d.diveid) AS n FROM dives d) "
                           "r WHERE r.diveid=divedetails.diveid) WHERE diveid IN (SELECT diveid "
                           "FROM dives)"),
            error);
    if (!done || !m_db.commit()) {
        if (done)
            error = m_db.lastError().text();
        m_db.rollback();
        return fail(error);
    }
    return true;
}

int LogbookDatabase::restoreDive(const DiveProfile& profile, int preferredId, int* storedId)
{
    if (!isOpen()) {
        fail(DiveDetailsText::tr("No logbook database is open."));
        return NotOpen;
    }
    QSqlQuery q(m_db);
    bool free = false;
    if (preferredId > 0
        && q.prepare(QStringLiteral("SELECT COUNT(*) FROM dives WHERE diveid=:id"))) {
        q.bindValue(QStringLiteral(":id"), preferredId);
        free = q.exec() && q.next() && q.value(0).toInt() == 0;
    }
    q.finish();
    m_requestedId = free ? preferredId : 0;
    const int result = storeDive(profile, storedId);
    m_requestedId = 0;
    return result;
}
