#include "logbook/logbookstats.h"

#include "logbook/logbookdatabase.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

namespace {

// Whether the dive (depth or duration v, start t, id) beats the one kept so far.
bool beats(double v, qint64 t, int id, double best, qint64 bestT, int bestId)
{
    if (v != best)
        return v > best;
    return t != bestT ? t < bestT : id < bestId;
}

struct Accumulator
{
    DiveTotals totals;
    qint64 deepestT = 0;
    qint64 longestT = 0;
    double depthSum = 0;

    void add(const DiveListEntry& e)
    {
        const qint64 t = e.dateTime.toSecsSinceEpoch();
        if (totals.dives == 0
            || beats(e.maxDepth, t, e.diveId, totals.maxDepth, deepestT, totals.deepestId)) {
            totals.maxDepth = e.maxDepth;
            totals.deepestId = e.diveId;
            deepestT = t;
        }
        if (totals.dives == 0
            || beats(e.maxTime, t, e.diveId, totals.longestSeconds, longestT, totals.longestId)) {
            totals.longestSeconds = e.maxTime;
            totals.longestId = e.diveId;
            longestT = t;
        }
        ++totals.dives;
        totals.totalSeconds += e.maxTime;
        depthSum += e.maxDepth;
        totals.meanMaxDepth = depthSum / totals.dives;
    }
};

// Periods keyed by number (2024 or 202403) named as the statistics show them.
QList<DivePeriodTotals> periods(const std::map<int, Accumulator>& map, bool monthly)
{
    QList<DivePeriodTotals> list;
    list.reserve(qsizetype(map.size()));
    for (const auto& [key, accumulator] : map) {
        const int year = monthly ? key / 100 : key;
        QString name = QString::number(year).rightJustified(4, QLatin1Char('0'));
        if (monthly)
            name += QLatin1Char('-')
                + QString::number(key % 100).rightJustified(2, QLatin1Char('0'));
        list.append({ name, accumulator.totals });
    }
    return list;
}

} // namespace

LocalClock::LocalClock()
    : m_zone(QTimeZone::systemTimeZone())
{ }

QDateTime LocalClock::toLocal(qint64 utcSeconds) const
{
    const qint64 local = localSeconds(utcSeconds);
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::OffsetFromUTC, int(local - utcSeconds));
}

qint64 LocalClock::localSeconds(qint64 utcSeconds) const
{
    if (utcSeconds < m_from || utcSeconds >= m_to) {
        const QDateTime at = QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC);
        m_offset = m_zone.offsetFromUtc(at);
        const QTimeZone::OffsetData before = m_zone.previousTransition(at.addSecs(1));
        const QTimeZone::OffsetData after = m_zone.nextTransition(at);
        m_from = before.atUtc.isValid() ? before.atUtc.toSecsSinceEpoch()
                                        : std::numeric_limits<qint64>::min();
        m_to = after.atUtc.isValid() ? after.atUtc.toSecsSinceEpoch()
                                     : std::numeric_limits<qint64>::max();
        // A zone without transition data: no window, look up every time.
        if (!m_zone.hasTransitions()) {
            m_from = 1;
            m_to = 0;
        }
    }
    return utcSeconds + m_offset;
}

DiveStatistics computeStatistics(const QList<DiveListEntry>& entries)
{
    DiveStatistics stats;
    Accumulator all;
    // Keyed by number, not by text: a year and a month string per dive cost more than the rest.
    std::map<int, Accumulator> years;
    std::map<int, Accumulator> months;
    std::array<double, 12> temperatureSum {};
    const LocalClock clock;
    qint64 lastDay = std::numeric_limits<qint64>::min();
    int year = 0;
    int month = 1;
    for (const DiveListEntry& e : entries) {
        all.add(e);
        // Dives of one local day share its date: the calendar is read once a day.
        const qint64 local = clock.localSeconds(e.dateTime.toSecsSinceEpoch());
        const qint64 day = local >= 0 ? local / 86400 : -((-local + 86399) / 86400);
        if (day != lastDay) {
            const QDate date = QDate::fromJulianDay(day + 2440588); // 1970-01-01
            year = date.year();
            month = date.month();
            lastDay = day;
        }
        years[year].add(e);
        months[year * 100 + month].add(e);
        if (std::isfinite(e.maxDepth) && e.maxDepth >= 0) {
            const qsizetype bin = qsizetype(std::floor(e.maxDepth / DiveStatistics::DepthBinM));
            if (bin < 10000) {
                if (stats.depthHistogram.size() <= bin)
                    stats.depthHistogram.resize(bin + 1);
                ++stats.depthHistogram[bin];
            }
        }
        if (e.hasTemperature && std::isfinite(e.minTemperature)) {
            temperatureSum[size_t(month - 1)] += e.minTemperature;
            ++stats.temperatureDives[size_t(month - 1)];
        }
    }
    stats.totals = all.totals;
    stats.years = periods(years, false);
    stats.months = periods(months, true);
    for (size_t m = 0; m < 12; ++m) {
        if (stats.temperatureDives[m] > 0)
            stats.meanTemperature[m] = temperatureSum[m] / stats.temperatureDives[m];
    }
    return stats;
}

void sortDiveEntries(QList<DiveListEntry>& entries, DiveSortKey key, bool descending, bool bySerial)
{
    // The numbers compared are read once per dive, and the dives are moved once at the end:
    // sorting the entries themselves moved each of their strings many times over.
    std::vector<double> values(size_t(entries.size()), 0.0);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const DiveListEntry& e = entries[i];
        switch (key) {
        case DiveSortKey::Date:
            values[size_t(i)] = double(e.dateTime.toSecsSinceEpoch());
            break;
        case DiveSortKey::Number:
            values[size_t(i)] = e.number;
            break;
        case DiveSortKey::Duration:
            values[size_t(i)] = e.maxTime;
            break;
        case DiveSortKey::Depth:
            values[size_t(i)] = e.maxDepth;
            break;
        case DiveSortKey::Name:
        case DiveSortKey::Site:
            break;
        }
    }
    const QList<DiveListEntry>& all = entries;
    // -1, 0, 1 for a before, equal to, after b by the key alone.
    const auto compareKey = [&](int a, int b) -> int {
        if (key == DiveSortKey::Name)
            return all[a].name.localeAwareCompare(all[b].name);
        if (key == DiveSortKey::Site)
            return all[a].site.localeAwareCompare(all[b].site);
        const double x = values[size_t(a)];
        const double y = values[size_t(b)];
        return x < y ? -1 : (y < x ? 1 : 0);
    };
    std::vector<int> order(size_t(entries.size()));
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        if (bySerial && all[a].serial != all[b].serial)
            return all[a].serial < all[b].serial;
        int c = compareKey(a, b);
        if (c == 0) {
            const int x = all[a].diveId;
            const int y = all[b].diveId;
            c = x < y ? -1 : (x > y ? 1 : 0);
        }
        return descending ? c > 0 : c < 0;
    });
    reorderEntries(entries, order);
}

void reorderEntries(QList<DiveListEntry>& entries, const std::vector<int>& order)
{
    QList<DiveListEntry> sorted;
    sorted.reserve(entries.size());
    for (const int i : order)
        sorted.append(std::move(entries[i]));
    entries = std::move(sorted);
}
