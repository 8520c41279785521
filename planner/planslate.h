#pragma once

// The pages of the underwater slate for a computed plan: one per dive.

#include "planner/slatewriter.h"

class Planification;

// Every computed dive of the plan in slot order; dives not computed yet are left out.
QList<SlatePage> planSlatePages(const Planification& plan);
