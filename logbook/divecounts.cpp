#include "logbook/divecounts.h"

#include "logbook/logbookdatabase.h"

#include <QHash>

#include <algorithm>
#include <cmath>

namespace {

QList<std::pair<QString, int>> ranked(const QHash<QString, int>& counts)
{
    QList<std::pair<QString, int>> list;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        list.append({ it.key(), it.value() });
    std::sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    return list;
}

} // namespace

DiveCounts computeDiveCounts(const QList<DiveListEntry>& entries)
{
    DiveCounts counts;
    QHash<QString, int> sites;
    QHash<QString, int> buddies;
    for (const DiveListEntry& e : entries) {
        if (!e.site.isEmpty())
            ++sites[e.site];
        for (const QString& buddy : e.buddies)
            ++buddies[buddy];
        if (e.maxTime >= 0 && std::isfinite(e.maxTime)) {
            const qsizetype bin = qsizetype(std::min(e.maxTime / DiveCounts::DurationBinS, 1000.0));
            if (counts.durationHistogram.size() <= bin)
                counts.durationHistogram.resize(bin + 1);
            ++counts.durationHistogram[bin];
        }
        if (e.sac > 0 && std::isfinite(e.sac))
            counts.airUse.append({ e.dateTime.toSecsSinceEpoch(), e.sac });
    }
    counts.sites = ranked(sites);
    counts.buddies = ranked(buddies);
    std::sort(counts.airUse.begin(), counts.airUse.end());
    return counts;
}
