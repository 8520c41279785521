#include "dive/profilesource.h"

#include "dive/diveprofile.h"
#include "dive/manualdive.h"

#include <QCoreApplication>

#include <cmath>

namespace {

// The number of times the line bends, counting only bends steeper than a millimetre a minute.
int bends(const QList<DiveSample>& samples)
{
    int count = 0;
    double slope = 0;
    for (int i = 1; i < samples.size(); ++i) {
        const double dt = samples[i].time - samples[i - 1].time;
        const double next = (samples[i].depth - samples[i - 1].depth) / dt;
        if (i > 1 && std::abs(next - slope) > 1e-3 / 60.0)
            ++count;
        slope = next;
    }
    return count;
}

bool looksSimple(const DiveProfile& dive)
{
    const QList<DiveSample>& s = dive.samples;
    if (!dive.computer.isEmpty() || !dive.serial.isEmpty() || !dive.ascentSamples.isEmpty()
        || s.size() < 3 || s.constFirst().depth != 0.0 || s.constLast().depth != 0.0)
        return false;
    for (int i = 1; i < s.size(); ++i) {
        const double dt = s[i].time - s[i - 1].time;
        if (!(dt > 0.0) || dt > 10.5)
            return false;
    }
    return bends(s) <= 3;
}

} // namespace

ProfileSource profileSource(const DiveProfile& dive)
{
    if (dive.samples.isEmpty())
        return dive.duration > 0 && dive.maxDepth > 0 ? ProfileSource::SummaryOnly
                                                      : ProfileSource::Recorded;
    return looksSimple(dive) ? ProfileSource::SimpleFromNumbers : ProfileSource::Recorded;
}

QList<DiveSample> handLoggedLine(const DiveProfile& dive, ProfileSource source)
{
    if (source != ProfileSource::SummaryOnly)
        return dive.samples;
    // A summary read from outside may hold any numbers: only those a diver can log get a line.
    if (!(dive.duration <= 48 * 3600.0) || !(dive.maxDepth <= 350.0))
        return {};
    const double mean = dive.meanDepth > 0 && dive.meanDepth <= dive.maxDepth ? dive.meanDepth : 0;
    return simpleProfile(dive.duration, dive.maxDepth, mean);
}

QString handLoggedCaption(ProfileSource source)
{
    switch (source) {
    case ProfileSource::SimpleFromNumbers:
        return QCoreApplication::translate("DiveProfileItem", "Logged by hand: simple profile");
    case ProfileSource::SummaryOnly:
        return QCoreApplication::translate(
            "DiveProfileItem", "No profile recorded: simple profile from the dive's numbers");
    case ProfileSource::Recorded:
        break;
    }
    return QString();
}
