#include "logbook/samedive.h"

#include "dive/diveprofile.h"

#include <cstdlib>

DiveIdentity DiveIdentity::of(const DiveProfile& dive)
{
    return { dive.serial, dive.computer, qint64(dive.dateTime) };
}

bool sameComputer(const DiveIdentity& a, const DiveIdentity& b)
{
    if (!a.serial.isEmpty() || !b.serial.isEmpty())
        return a.serial == b.serial;
    return !a.computer.isEmpty() && a.computer == b.computer;
}

bool differentComputers(const DiveIdentity& a, const DiveIdentity& b)
{
    if (!a.serial.isEmpty() && !b.serial.isEmpty())
        return a.serial != b.serial;
    return !a.computer.isEmpty() && !b.computer.isEmpty() && a.computer != b.computer;
}

bool sameDive(const DiveIdentity& a, const DiveIdentity& b, bool sameSamples)
{
    const bool bothStarts = a.startS != 0 && b.startS != 0;
    const qint64 apartS = bothStarts ? std::llabs(a.startS - b.startS) : 0;
    if (bothStarts && apartS <= kSameStartS && sameComputer(a, b))
        return true;
    return sameSamples && apartS <= kTimeZoneShiftS && !differentComputers(a, b);
}
