#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <array>
#include <vector>

struct DiveListEntry;

// Totals over a set of dives. Ties go to the earlier dive (then the lower id).
struct DiveTotals
{
    int dives = 0;
    double totalSeconds = 0;
    double maxDepth = 0; // m, of the deepest dive
    int deepestId = -1;
    double longestSeconds = 0;
    int longestId = -1;
    double meanMaxDepth = 0; // m, mean of the dives' maximum depths
};

struct DivePeriodTotals
{
    QString period; // "2024" or "2024-03", local time
    DiveTotals totals;
};

struct DiveStatistics
{
    static constexpr double DepthBinM = 5.0;

    DiveTotals totals;
    QList<DivePeriodTotals> years; // in time order, periods without dives left out
    QList<DivePeriodTotals> months;
    QList<int> depthHistogram; // dives whose maximum depth is in [5 i, 5 i + 5) m
    // Mean of the dives' lowest water temperatures per calendar month (January first); only
    // months with a measured dive count.
    std::array<double, 12> meanTemperature {};
    std::array<int, 12> temperatureDives {};
};

// Local wall-clock time of stored UTC seconds (with the offset of that instant). The system zone
// is read once, not for every dive, and the offset is kept between two of its transitions, so
// dives in date order cost one lookup per change of offset.
class LocalClock
{
public:
    LocalClock();
    QDateTime toLocal(qint64 utcSeconds) const;
    // The local wall-clock time as seconds since 1970 (UTC seconds plus the offset).
    qint64 localSeconds(qint64 utcSeconds) const;

private:
    QTimeZone m_zone;
    mutable qint64 m_from = 1; // [m_from, m_to) has m_offset; empty at first
    mutable qint64 m_to = 0;
    mutable int m_offset = 0;
};

DiveStatistics computeStatistics(const QList<DiveListEntry>& entries);

// What the dive list and `logbook list --sort` order dives by.
enum class DiveSortKey { Date, Number, Duration, Depth, Name, Site };

// Sorts by the key (ties by id, in the same direction). With bySerial the dives of one
// computer stay together, computers in serial order, each sorted within.
void sortDiveEntries(
    QList<DiveListEntry>& entries, DiveSortKey key, bool descending, bool bySerial = false);

// Puts entry order[k] at place k; order holds each index once.
void reorderEntries(QList<DiveListEntry>& entries, const std::vector<int>& order);
