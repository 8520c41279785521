#pragma once

#include <QString>
#include <QtGlobal>

class DiveProfile;

// What tells one record of a dive from another: the computer that recorded it and its start.
// Downloads, file imports and the logbook compare dives through sameDive only, so that every
// road into the logbook keeps and refuses the same dives.
struct DiveIdentity
{
    QString serial; // the computer's serial, empty when unknown
    QString computer; // the computer's name, empty when unknown
    qint64 startS = 0; // seconds since 1970, 0 when unknown

    static DiveIdentity of(const DiveProfile& dive);
};

// Two clocks reading one dive (two downloads, a download and another program's export) differ
// by a few seconds at most.
constexpr qint64 kSameStartS = 60;
// Samples copied from one dive keep their values through a file whose start was written in
// another time zone: up to 14 hours apart (UTC-12 to UTC+14 less the half a day around).
constexpr qint64 kTimeZoneShiftS = 14 * 3600;

// Whether both records name the same computer: equal serials, or without serials equal names.
bool sameComputer(const DiveIdentity& a, const DiveIdentity& b);
// Whether the records name two different computers: two serials that differ, or, where one
// lacks a serial, two names that differ. A record naming no computer contradicts none.
bool differentComputers(const DiveIdentity& a, const DiveIdentity& b);

// Whether two records are one dive. The same computer with starts within kSameStartS is one dive
// whatever the samples. Identical samples (sameSamples: the same times and depths) are one dive
// only when the starts are within kTimeZoneShiftS of each other or one has no start, and the
// computers do not contradict: six computers may well log the same simulated dive.
bool sameDive(const DiveIdentity& a, const DiveIdentity& b, bool sameSamples);
