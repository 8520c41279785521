#pragma once

#include <QList>
#include <QString>

struct DiveListEntry;

// What the statistics show beside the totals: where and with whom the diver dives, how long,
// and how the air use goes over time.
struct DiveCounts
{
    static constexpr double DurationBinS = 10 * 60.0;

    QList<std::pair<QString, int>> sites; // most dived first, then by name; no site left out
    QList<std::pair<QString, int>> buddies; // likewise
    QList<int> durationHistogram; // dives lasting [10 i, 10 i + 10) minutes
    QList<std::pair<qint64, double>> airUse; // (start, s since 1970 UTC; L/min) in time order
};

DiveCounts computeDiveCounts(const QList<DiveListEntry>& entries);
