// The logbook's queries over many dives (the list, the filter, the computers) and the edits
// of one stored dive (rename, delete).

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "logbook/sqlitestatement.h"
#include "logbook/storedvalues.h"

#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <limits>
#include <vector>

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

namespace {

// The summary kept beside each dive; a dive stored by an older version has none and is
// measured from its samples.
QString listSql(const QStringList& conditions, LogbookDatabase::ListOrder order)
{
    using Order = LogbookDatabase::ListOrder;
    QString sql = QStringLiteral(
        "SELECT d.diveid, d.name, d.serial, d.datetime, d.computer, "
        "COALESCE(x.maxtime, (SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid)), "
        "COALESCE(x.maxdepth, (SELECT MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid)), "
        "x.number, x.site, x.location, x.buddies, x.rating, x.tags, x.mintemperature, "
        "x.tripid, t.name, x.sac, COALESCE(x.gases, (%1)), "
        "COALESCE(x.hasprofile, EXISTS(SELECT 1 FROM profiles p WHERE p.diveid=d.diveid)) "
        "FROM dives d LEFT JOIN divedetails x ON x.diveid=d.diveid LEFT JOIN divetrips t ON "
        "t.tripid=x.tripid")
                      .arg(QLatin1String(gasesOfDiveSql).arg(QStringLiteral("d.diveid")));
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    switch (order) {
    case Order::BySerial:
        return sql + QStringLiteral(" ORDER BY d.serial, d.computer, d.diveid");
    case Order::NewestFirst:
        return sql + QStringLiteral(" ORDER BY d.datetime DESC, d.diveid DESC");
    case Order::HighestNumber:
        return sql + QStringLiteral(" ORDER BY x.number DESC, d.diveid DESC");
    case Order::DeepestFirst:
        return sql + QStringLiteral(" ORDER BY 7 DESC, d.diveid DESC");
    case Order::LongestFirst:
        return sql + QStringLiteral(" ORDER BY 6 DESC, d.diveid DESC");
    case Order::ById:
        // The table's own order: no sorting.
        return sql + QStringLiteral(" ORDER BY d.diveid");
    }
    return sql;
}

// Values read by their stored type; anything else goes through the conversions Qt Sql would
// make, so that a damaged cell reads as it always did.
qint64 wholeAt(const SqliteStatement& q, int column, qint64 low, qint64 high, qint64 fallback)
{
    if (!q.isInteger(column))
        return integerInRange(q.value(column), low, high, fallback);
    const qint64 v = q.integer(column);
    return v < low || v > high ? fallback : v;
}

double realAt(const SqliteStatement& q, int column)
{
    if (q.isNull(column))
        return 0.0;
    return q.isNumber(column) ? q.real(column) : realValue(q.value(column));
}

// Texts many dives share (computer, site, trip, buddies...) are kept once, looked up by their
// stored bytes: a logbook of 50,000 dives holds a few hundred distinct ones.
class SharedTexts
{
public:
    QString text(const SqliteStatement& q, int column)
    {
        if (!q.isText(column))
            return q.value(column).toString();
        const QByteArray stored = q.bytes(column);
        if (stored.isEmpty())
            return QString();
        const auto it = m_texts.constFind(stored);
        if (it != m_texts.constEnd())
            return *it;
        const QString read = QString::fromUtf8(stored);
        m_texts.insert(QByteArray(stored.constData(), stored.size()), read);
        return read;
    }

    QStringList list(const SqliteStatement& q, int column)
    {
        const QByteArray stored = q.isText(column) ? q.bytes(column) : QByteArray();
        if (stored.size() <= 2)
            return q.isText(column) ? QStringList() : storedList(q.value(column));
        const auto it = m_lists.constFind(stored);
        if (it != m_lists.constEnd())
            return *it;
        const QStringList parsed = storedList(QString::fromUtf8(stored));
        m_lists.insert(QByteArray(stored.constData(), stored.size()), parsed);
        return parsed;
    }

private:
    QHash<QByteArray, QString> m_texts;
    QHash<QByteArray, QStringList> m_lists;
};

// Columns 0 to 18 of listSql's row, the start aside (read before, to filter on it).
void readEntry(const SqliteStatement& q, qint64 start, SharedTexts& shared, DiveListEntry& entry)
{
    constexpr qint64 intMax = std::numeric_limits<int>::max();
    entry.diveId = int(wholeAt(q, 0, std::numeric_limits<int>::min(), intMax, -1));
    entry.name = q.isText(1) ? q.text(1) : q.value(1).toString();
    entry.serial = shared.text(q, 2);
    // In UTC, the clock the computer records (a conversion to local time per row would
    // cost more than the whole query).
    entry.dateTime = QDateTime::fromSecsSinceEpoch(start, Qt::UTC);
    entry.computer = shared.text(q, 4);
    entry.maxTime = realAt(q, 5);
    entry.maxDepth = realAt(q, 6);
    entry.number = int(wholeAt(q, 7, 0, intMax, 0));
    entry.site = shared.text(q, 8);
    entry.location = shared.text(q, 9);
    entry.buddies = shared.list(q, 10);
    entry.rating = int(wholeAt(q, 11, 0, 5, 0));
    entry.tags = shared.list(q, 12);
    entry.hasTemperature = !q.isNull(13);
    entry.minTemperature = realAt(q, 13);
    entry.tripId = int(wholeAt(q, 14, 0, intMax, 0));
    entry.trip = shared.text(q, 15);
    entry.sac = realAt(q, 16);
    entry.gases = shared.text(q, 17);
    entry.hasProfile = q.isInteger(18) ? q.integer(18) != 0 : q.value(18).toBool();
}

} // namespace

bool LogbookDatabase::visitDives(
    const DiveFilter& filter, ListOrder order, const std::function<void(DiveListEntry&)>& visit)
{
    if (!isOpen())
        return fail(tr("No logbook database is open."));
    QStringList conditions;
    QVariantList values;
    filterConditions(filter, conditions, values);
    SqliteStatement q(m_db, listSql(conditions, order));
    if (!q.bind(values))
        return fail(q.error());

    // Days run in the filter's own clock (local time in the window).
    const Qt::TimeSpec clock = filter.from.isValid() ? filter.from.timeSpec() : Qt::LocalTime;
    const bool byTimeOfDay = filter.byDate && filter.byTime;
    SharedTexts shared;
    DiveListEntry entry;
    while (q.next()) {
        qint64 start = 0;
        if (q.isInteger(3))
            start = q.integer(3);
        else
            readInteger(q.value(3), start);
        if (byTimeOfDay
            && !filter.acceptsTimeOfDay(QDateTime::fromSecsSinceEpoch(start, clock).time()))
            continue;
        readEntry(q, start, shared, entry);
        visit(entry);
    }
    if (!q.error().isEmpty())
        return fail(q.error());
    return true;
}

bool LogbookDatabase::listDives(
    const DiveFilter& filter, QList<DiveListEntry>& entries, int& computerCount)
{
    entries.clear();
    computerCount = 0;
    QList<DiveListEntry> rows;
    // Read in the table's order and put in serial order here: sorting whole rows in SQLite
    // cost a third of the listing.
    const bool done = visitDives(
        filter, ListOrder::ById, [&](DiveListEntry& entry) { rows.append(std::move(entry)); });
    if (!done)
        return false;
    // Rows come by id: gathered in runs of one serial and computer, the runs in serial and
    // computer order, they read by serial, computer and id. Equal texts share their data
    // (SharedTexts), so a run is found by the two texts' addresses.
    QHash<std::pair<const QChar*, const QChar*>, int> runOf;
    std::vector<std::vector<int>> runs;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const auto key = std::make_pair(rows[i].serial.constData(), rows[i].computer.constData());
        auto it = runOf.find(key);
        if (it == runOf.end()) {
            it = runOf.insert(key, int(runs.size()));
            runs.emplace_back();
        }
        runs[size_t(*it)].push_back(int(i));
    }
    std::sort(runs.begin(), runs.end(), [&](const std::vector<int>& a, const std::vector<int>& b) {
        const DiveListEntry& x = rows[a.front()];
        const DiveListEntry& y = rows[b.front()];
        return x.serial != y.serial ? x.serial < y.serial : x.computer < y.computer;
    });
    std::vector<int> order;
    order.reserve(size_t(rows.size()));
    for (size_t r = 0; r < runs.size(); ++r) {
        // The list starts a computer group whenever the serial changes: count the same way.
        if (r == 0 || rows[runs[r].front()].serial != rows[runs[r - 1].front()].serial)
            ++computerCount;
        order.insert(order.end(), runs[r].begin(), runs[r].end());
    }
    reorderEntries(rows, order);
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
