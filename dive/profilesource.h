#pragma once

#include "dive/divesample.h"

#include <QList>
#include <QString>

class DiveProfile;

// Where the line the graph draws comes from. A dive logged by hand has no recorded profile: at
// most the simple profile its numbers give, which the graph draws as such (dashed, without the
// marks a computer's samples earn) so that no one reads it as measured.
enum class ProfileSource {
    Recorded, // samples from a computer, a file or a plan
    SimpleFromNumbers, // the simple profile of a dive logged by hand, stored with it
    SummaryOnly, // no samples at all, only duration and depths
};

// A dive with no samples but a duration and a depth is a summary. A simple profile is told by
// its shape: no computer or serial named, samples at most 10 s apart, from the surface back to
// it along at most four straight stretches (down, bottom, slope, up), nothing computed on it.
ProfileSource profileSource(const DiveProfile& dive);

// The line to draw for a dive of that source: its samples, or for a summary the simple profile
// of its duration, maximum and mean depth.
QList<DiveSample> handLoggedLine(const DiveProfile& dive, ProfileSource source);

// The caption that says so ("Logged by hand: simple profile"), empty for a recorded dive.
QString handLoggedCaption(ProfileSource source);
