#include "logbook/logbookstats.h"

#include "logbook/logbookdatabase.h"

#include <QMap>

#include <algorithm>
#include <cmath>
#include <limits>

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

QList<DivePeriodTotals> periods(const QMap<QString, Accumulator>& map)
{
    QList<DivePeriodTotals> list;
    list.reserve(map.size());
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        list.append({ it.key(), it.value().totals });
    return list;
}

} // namespace

LocalClock::LocalClock()
    : m_zone(QTimeZone::systemTimeZone())
{ }

QDateTime LocalClock::toLocal(qint64 utcSeconds) const
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
    return QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::OffsetFromUTC, m_offset);
}

DiveStatistics computeStatistics(const QList<DiveListEntry>& entries)
{
    DiveStatistics stats;
    Accumulator all;
    QMap<QString, Accumulator> years;
    QMap<QString, Accumulator> months;
    std::array<double, 12> temperatureSum {};
    const LocalClock clock;
    for (const DiveListEntry& e : entries) {
        all.add(e);
        const QDate day = clock.toLocal(e.dateTime.toSecsSinceEpoch()).date();
        const QString year = QString::number(day.year()).rightJustified(4, QLatin1Char('0'));
        years[year].add(e);
        months[year + QLatin1Char('-')
            + QString::number(day.month()).rightJustified(2, QLatin1Char('0'))]
            .add(e);
        if (std::isfinite(e.maxDepth) && e.maxDepth >= 0) {
            const qsizetype bin = qsizetype(std::floor(e.maxDepth / DiveStatistics::DepthBinM));
            if (bin < 10000) {
                if (stats.depthHistogram.size() <= bin)
                    stats.depthHistogram.resize(bin + 1);
                ++stats.depthHistogram[bin];
            }
        }
        if (e.hasTemperature && std::isfinite(e.minTemperature)) {
            temperatureSum[size_t(day.month() - 1)] += e.minTemperature;
            ++stats.temperatureDives[size_t(day.month() - 1)];
        }
    }
    stats.totals = all.totals;
    stats.years = periods(years);
    stats.months = periods(months);
    for (size_t m = 0; m < 12; ++m) {
        if (stats.temperatureDives[m] > 0)
            stats.meanTemperature[m] = temperatureSum[m] / stats.temperatureDives[m];
    }
    return stats;
}

void sortDiveEntries(QList<DiveListEntry>& entries, DiveSortKey key, bool descending, bool bySerial)
{
    // -1, 0, 1 for a before, equal to, after b by the key alone.
    const auto compareKey = [key](const DiveListEntry& a, const DiveListEntry& b) -> int {
        const auto three = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
        switch (key) {
        case DiveSortKey::Date:
            return three(a.dateTime.toSecsSinceEpoch(), b.dateTime.toSecsSinceEpoch());
        case DiveSortKey::Number:
            return three(a.number, b.number);
        case DiveSortKey::Duration:
            return three(a.maxTime, b.maxTime);
        case DiveSortKey::Depth:
            return three(a.maxDepth, b.maxDepth);
        case DiveSortKey::Name:
            return a.name.localeAwareCompare(b.name);
        case DiveSortKey::Site:
            return a.site.localeAwareCompare(b.site);
        }
        return 0;
    };
    std::sort(entries.begin(), entries.end(), [&](const DiveListEntry& a, const DiveListEntry& b) {
        if (bySerial && a.serial != b.serial)
            return a.serial < b.serial;
        int c = compareKey(a, b);
        if (c == 0)
            c = a.diveId < b.diveId ? -1 : (a.diveId > b.diveId ? 1 : 0);
        return descending ? c > 0 : c < 0;
    });
}
