#pragma once

#include "dive/diveprofile.h"

// What a diver copies from a paper logbook or a watch: enough for a simple profile.
struct ManualDive
{
    qint64 start = 0; // s since 1970 UTC
    double durationS = 0;
    double maxDepthM = 0;
    double meanDepthM = 0; // 0 not known
    int o2 = 21; // %
    int he = 0; // %
    double cylinderL = 0; // 0 no cylinder known
    double startBar = 0;
    double endBar = 0;
    double temperatureC = 0;
    bool hasTemperature = false;
};

// Empty when the numbers make a dive, otherwise what is wrong with them.
QString checkManualDive(const ManualDive& dive);

// The simple profile the numbers give, sampled every 10 s: down at 18 m/min, along the bottom,
// a slope up to a shallow level (5 m, or half the depth of a shallower dive), up from it at
// 9 m/min. The end of the bottom is placed so that the mean depth over time is the given one
// (as near as the shape allows); without one the slope is a 9 m/min ascent.
QList<DiveSample> simpleProfile(double durationS, double maxDepthM, double meanDepthM);

// The dive with that profile, one gas and, when given, one cylinder. Name, computer and serial
// are left empty.
DiveProfile manualDiveProfile(const ManualDive& dive);
