// The statistics in SQL: aggregates over the dives' summaries, so that neither the time nor the
// memory depends on listing every dive first.
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <array>

namespace {

// One statement, so that the dives are read once: per local month (kind 0) its count, total
// time and depth, deepest and longest (the earliest of equal dives as "t id", t offset to sort
// as text), and temperatures; per depth bin (kind 1) its count. The dives the conditions keep
// come with their summary (from the samples for a dive stored without one; 0 for none, as the
// list reads them).
QString statisticsSql(const QStringList& conditions)
{
    QString sql = QStringLiteral(
        "WITH s AS MATERIALIZED (SELECT d.diveid AS id, COALESCE(d.datetime, 0) AS t, "
        "COALESCE(x.maxtime, (SELECT MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid), 0) AS "
        "dur, COALESCE(x.maxdepth, (SELECT MAX(p.depth) FROM profiles p WHERE "
        "p.diveid=d.diveid), 0) AS depth, x.mintemperature AS temp, strftime('%Y-%m', "
        "COALESCE(d.datetime, 0), 'unixepoch', 'localtime') AS ym FROM dives d LEFT JOIN "
        "divedetails x ON x.diveid=d.diveid");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql
        + QStringLiteral(
            "), m AS (SELECT ym, COUNT(*) AS n, TOTAL(dur) AS td, TOTAL(depth) AS tz, MAX(depth) "
            "AS zmax, MAX(dur) AS dmax, TOTAL(temp) AS tt, COUNT(temp) AS nt FROM s GROUP BY ym) "
            "SELECT 0, m.ym, m.n, m.td, m.tz, m.zmax, m.dmax, MIN(CASE WHEN s.depth=m.zmax THEN "
            "printf('%020d %d', s.t + 1099511627776, s.id) END), MIN(CASE WHEN s.dur=m.dmax THEN "
            "printf('%020d %d', s.t + 1099511627776, s.id) END), m.tt, m.nt FROM m JOIN s ON "
            "s.ym=m.ym GROUP BY m.ym UNION ALL SELECT 1, CAST(depth / ")
        // Not through arg(): "%020d" above would count as a place marker.
        + QString::number(DiveStatistics::DepthBinM)
        + QStringLiteral(" AS INTEGER), COUNT(*), 0, 0, 0, 0, NULL, NULL, 0, 0 FROM s WHERE "
                         "depth>=0 AND depth<")
        + QString::number(DiveStatistics::DepthBinM * 10000)
        + QStringLiteral(" GROUP BY 2 ORDER BY 1, 2");
}

// The totals of a period and the start and id of its deepest and longest dive, which combine
// into those of a longer period.
struct Period
{
    DiveTotals totals;
    double depthSum = 0;
    qint64 deepestKey[2] = { 0, 0 }; // start, id
    qint64 longestKey[2] = { 0, 0 };

    void add(const Period& o)
    {
        if (o.totals.dives == 0)
            return;
        const auto better = [](double v, const qint64* key, double best, const qint64* bestKey) {
            if (v != best)
                return v > best;
            return key[0] != bestKey[0] ? key[0] < bestKey[0] : key[1] < bestKey[1];
        };
        const bool first = totals.dives == 0;
        if (first || better(o.totals.maxDepth, o.deepestKey, totals.maxDepth, deepestKey)) {
            totals.maxDepth = o.totals.maxDepth;
            totals.deepestId = o.totals.deepestId;
            std::copy(o.deepestKey, o.deepestKey + 2, deepestKey);
        }
        if (first
            || better(o.totals.longestSeconds, o.longestKey, totals.longestSeconds, longestKey)) {
            totals.longestSeconds = o.totals.longestSeconds;
            totals.longestId = o.totals.longestId;
            std::copy(o.longestKey, o.longestKey + 2, longestKey);
        }
        totals.dives += o.totals.dives;
        totals.totalSeconds += o.totals.totalSeconds;
        depthSum += o.depthSum;
        totals.meanMaxDepth = depthSum / totals.dives;
    }
};

// "t id" as the statement gives it.
int keyOf(const QVariant& value, qint64* key)
{
    const QStringList parts = value.toString().split(QLatin1Char(' '));
    key[0] = parts.value(0).toLongLong() - 1099511627776LL;
    key[1] = parts.value(1).toLongLong();
    return parts.size() == 2 ? int(key[1]) : -1;
}

Period monthOf(const QSqlQuery& q)
{
    Period p;
    p.totals.dives = q.value(2).toInt();
    p.totals.totalSeconds = q.value(3).toDouble();
    p.depthSum = q.value(4).toDouble();
    p.totals.meanMaxDepth = p.totals.dives > 0 ? p.depthSum / p.totals.dives : 0.0;
    p.totals.maxDepth = q.value(5).toDouble();
    p.totals.longestSeconds = q.value(6).toDouble();
    p.totals.deepestId = keyOf(q.value(7), p.deepestKey);
    p.totals.longestId = keyOf(q.value(8), p.longestKey);
    return p;
}

// Months in time order build the years and the whole.
void readRows(QSqlQuery& q, DiveStatistics& stats)
{
    Period all;
    Period year;
    QString yearName;
    std::array<double, 12> temperatureSum {};
    while (q.next()) {
        if (q.value(0).toInt() == 1) {
            const qsizetype bin = q.value(1).toLongLong();
            if (stats.depthHistogram.size() <= bin)
                stats.depthHistogram.resize(bin + 1);
            stats.depthHistogram[bin] = q.value(2).toInt();
            continue;
        }
        const QString month = q.value(1).toString();
        const Period p = monthOf(q);
        stats.months.append({ month, p.totals });
        all.add(p);
        if (month.left(4) != yearName) {
            if (!yearName.isEmpty())
                stats.years.append({ yearName, year.totals });
            yearName = month.left(4);
            year = Period();
        }
        year.add(p);
        const int m = month.mid(5, 2).toInt();
        if (m >= 1 && m <= 12 && q.value(10).toInt() > 0) {
            temperatureSum[size_t(m - 1)] += q.value(9).toDouble();
            stats.temperatureDives[size_t(m - 1)] += q.value(10).toInt();
        }
    }
    if (!yearName.isEmpty())
        stats.years.append({ yearName, year.totals });
    stats.totals = all.totals;
    for (size_t m = 0; m < 12; ++m) {
        if (stats.temperatureDives[m] > 0)
            stats.meanTemperature[m] = temperatureSum[m] / stats.temperatureDives[m];
    }
}

} // namespace

bool LogbookDatabase::statistics(const DiveFilter& filter, DiveStatistics& stats)
{
    if (!isOpen())
        return fail(QCoreApplication::translate("LogbookDatabase", "No logbook database is open."));
    // The hour of the day is checked on each dive's local time in the program, not in SQL.
    if (filter.byDate && filter.byTime) {
        QList<DiveListEntry> entries;
        int groups = 0;
        if (!listDives(filter, entries, groups))
            return false;
        stats = computeStatistics(entries);
        return true;
    }
    QStringList conditions;
    QVariantList values;
    filterConditions(filter, conditions, values);
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(statisticsSql(conditions)))
        return fail(q.lastError().text());
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (!q.exec())
        return fail(q.lastError().text());
    DiveStatistics result;
    readRows(q, result);
    if (q.lastError().isValid())
        return fail(q.lastError().text());
    stats = std::move(result);
    return true;
}
