#pragma once

#include "engine/config.h"
#include "planner/planification.h"

#include <QString>

#include <optional>

// Settings of one computation run that are not stored with the dives.
struct PlanComputeSettings
{
    std::optional<gf_t> gf; // the add-on's factors; 80/80 when absent
    float reduction = 0; // passed along, not used by the model
};

// Computes the current dive of the plan and then every later dive, in order, so a change to
// an earlier dive never leaves the later ones stale. Result lines and messages are reported
// for the current dive only. Does nothing when the plan has no current dive.
void computePlan(Planification& plan, const PlanComputeSettings& settings);

// Computes the dive of one slot from the end state of the dive before it. `report` selects
// whether its lines and messages go to the plan's callbacks and whether its start tensions
// become the plan's.
void computePlanDive(
    Planification& plan, int slot, const PlanComputeSettings& settings, bool report);

// Ceiling depth in metres of an absolute pressure for this surface and water, never below 0.
float ceilingDepthM(float pressureBar, float surfaceBar, float density);

// Texts of the validity alerts.
QString invalidDiveText(quint32 code);
QString decoImpossibleText();
