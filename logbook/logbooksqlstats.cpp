// The statistics in SQL: aggregates over the dives' summaries, so that neither the time nor the
// memory depends on listing every dive first.
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

// The dives the conditions keep with what the statistics read: id, start, duration, maximum
// depth and lowest temperature from the summary (from the samples for a dive stored without
// one; 0 for none, as the list reads them), and their local year and month.
QString divesSql(const QStringList& conditions)
{
    QString sql = QStringLiteral(
        "WITH s AS (SELECT d.diveid AS id, d.datetime AS t, COALESCE(x.maxtime, (SELECT "
        "MAX(p.time) FROM profiles p WHERE p.diveid=d.diveid), 0) AS dur, COALESCE(x.maxdepth, "
        "(SELECT MAX(p.depth) FROM profiles p WHERE p.diveid=d.diveid), 0) AS depth, "
        "x.mintemperature AS temp, strftime('%Y-%m', d.datetime, 'unixepoch', 'localtime') AS "
        "ym FROM dives d LEFT JOIN divedetails x ON x.diveid=d.diveid");
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    return sql + QLatin1Char(')');
}

// One row per period ('' all dives, 'y2024', 'm2024-03'): count, total time, mean depth, and the
// deepest and longest dive (ties to the earlier dive, then the lower id).
const char periodsSql[]
    = ", g AS (SELECT '' AS k, * FROM s UNION ALL SELECT 'y'||substr(ym, 1, 4), * FROM s UNION "
      "ALL SELECT 'm'||ym, * FROM s), r AS (SELECT *, row_number() OVER (PARTITION BY k ORDER "
      "BY depth DESC, t, id) AS rd, row_number() OVER (PARTITION BY k ORDER BY dur DESC, t, id) "
      "AS rl FROM g) SELECT k, COUNT(*), TOTAL(dur), TOTAL(depth), MAX(CASE WHEN rd=1 THEN id "
      "END), MAX(CASE WHEN rd=1 THEN depth END), MAX(CASE WHEN rl=1 THEN id END), MAX(CASE WHEN "
      "rl=1 THEN dur END) FROM r GROUP BY k ORDER BY k";
const char histogramSql[] = " SELECT CAST(depth / %1 AS INTEGER) AS bin, COUNT(*) FROM s WHERE "
                            "depth>=0 AND depth<%2 GROUP BY bin";
const char temperatureSql[] = " SELECT CAST(substr(ym, 6, 2) AS INTEGER), TOTAL(temp), COUNT(temp) "
                              "FROM s WHERE temp IS NOT NULL GROUP BY 1";

bool run(QSqlQuery& q, const QString& sql, const QVariantList& values, QString& error)
{
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        error = q.lastError().text();
        return false;
    }
    for (const QVariant& value : values)
        q.addBindValue(value);
    if (q.exec())
        return true;
    error = q.lastError().text();
    return false;
}

DiveTotals totalsOf(const QSqlQuery& q)
{
    DiveTotals t;
    t.dives = q.value(1).toInt();
    t.totalSeconds = q.value(2).toDouble();
    t.meanMaxDepth = t.dives > 0 ? q.value(3).toDouble() / t.dives : 0.0;
    t.deepestId = q.value(4).isNull() ? -1 : q.value(4).toInt();
    t.maxDepth = q.value(5).toDouble();
    t.longestId = q.value(6).isNull() ? -1 : q.value(6).toInt();
    t.longestSeconds = q.value(7).toDouble();
    return t;
}

bool readPeriods(QSqlQuery& q, DiveStatistics& stats)
{
    while (q.next()) {
        const QString key = q.value(0).toString();
        const DiveTotals totals = totalsOf(q);
        if (key.isEmpty())
            stats.totals = totals;
        else if (key.startsWith(QLatin1Char('y')))
            stats.years.append({ key.mid(1), totals });
        else
            stats.months.append({ key.mid(1), totals });
    }
    return !q.lastError().isValid();
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
    const QString dives = divesSql(conditions);
    DiveStatistics result;
    QString error;
    QSqlQuery q(m_db);
    if (!run(q, dives + QLatin1String(periodsSql), values, error) || !readPeriods(q, result))
        return fail(error.isEmpty() ? q.lastError().text() : error);
    // Histogram bins as computeStatistics makes them, up to 10,000 bins.
    const QString histogram = QString::fromLatin1(histogramSql)
                                  .arg(DiveStatistics::DepthBinM)
                                  .arg(DiveStatistics::DepthBinM * 10000);
    if (!run(q, dives + histogram, values, error))
        return fail(error);
    while (q.next()) {
        const qsizetype bin = q.value(0).toLongLong();
        if (result.depthHistogram.size() <= bin)
            result.depthHistogram.resize(bin + 1);
        result.depthHistogram[bin] = q.value(1).toInt();
    }
    if (!run(q, dives + QLatin1String(temperatureSql), values, error))
        return fail(error);
    while (q.next()) {
        const int month = q.value(0).toInt();
        const int count = q.value(2).toInt();
        if (month < 1 || month > 12 || count <= 0)
            continue;
        result.temperatureDives[size_t(month - 1)] = count;
        result.meanTemperature[size_t(month - 1)] = q.value(1).toDouble() / count;
    }
    stats = std::move(result);
    return true;
}
