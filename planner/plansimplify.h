#pragma once

// A logged dive made into a plan: a dozen points that keep its deepest point and its length,
// and the gases it switched to on the way up kept as deco gases, for the planner to take by its
// rule, rather than a point per recorded sample.

#include "dive/diveprofile.h"
#include "fileio/plansettings.h"

constexpr int kPlanPointsFromLog = 12;

struct SimplifiedDive
{
    DiveProfile profile; // the dive with its points reduced
    QList<PlanGas> decoGases; // richer gases first breathed after the deepest point
};

// `logged` must have its gas indexes filled (DiveProfile::fillGasIndexes).
SimplifiedDive simplifyForPlan(const DiveProfile& logged, int maxPoints = kPlanPointsFromLog);
