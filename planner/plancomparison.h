#pragma once

#include "dive/divesample.h"

#include <QList>

class DiveProfile;

// A logged dive against the plan it followed, both from their start: the figures a diver
// compares. Times in seconds, depths in metres.
struct PlanComparison
{
    struct Stop
    {
        double depthM = 0;
        double planS = 0; // as planned
        double diveS = 0; // spent within 1 m of that depth after the bottom
    };
    double planMaxDepthM = 0;
    double diveMaxDepthM = 0;
    // Up to the last sample at or below two thirds of the maximum depth: the same rule on both
    // sides, so a multilevel plan and its dive are measured alike.
    double planBottomS = 0;
    double diveBottomS = 0;
    double planRunS = 0; // to the last sample
    double diveRunS = 0;
    QList<Stop> stops; // the plan's stops, deepest first
};

// The plan's profile as one list: the diver's points, then the computed ascent, each point
// carrying the gas of the segment that ends there, as logged samples do (the ascent's own
// points name the gas breathed from there on).
QList<DiveSample> planProfilePoints(const DiveProfile& plan);

PlanComparison comparePlan(const QList<DiveSample>& plan, const QList<DiveSample>& dive);
