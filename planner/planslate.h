#pragma once

// The pages of the underwater slate for a computed plan: one per dive.

#include "dive/units.h"
#include "planner/slatewriter.h"

class Planification;

// Every computed dive of the plan in slot order; dives not computed yet are left out. Stop
// times are printed in whole minutes for a dive that rounds its stops, or every dive with
// `roundAll`. Depths, volumes and pressures in `units` (a cylinder as the cubic feet it holds at
// its working pressure in imperial).
QList<SlatePage> planSlatePages(
    const Planification& plan, bool roundAll = false, const DisplayUnits& units = DisplayUnits());
