#pragma once

// The pages of the underwater slate for a computed plan: one per dive.

#include "planner/slatewriter.h"

class Planification;

// Every computed dive of the plan in slot order; dives not computed yet are left out. With
// `wholeMinutes` (a plan that rounds its stops) stop times are printed in whole minutes.
QList<SlatePage> planSlatePages(const Planification& plan, bool wholeMinutes = false);
