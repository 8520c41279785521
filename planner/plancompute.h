#pragma once

#include "engine/config.h"
#include "planner/planification.h"

#include <QString>

#include <optional>

// Settings of one computation run that are not stored with the dives.
struct PlanComputeSettings
{
    // Factors for this run (the tab's add-on, the command line); they become the dives'. When
    // absent each dive keeps its own (80/80 unless set).
    std::optional<gf_t> gf;
    float reduction = 0; // passed along, not used by the model
};

// Computes the current dive of the plan and then every later dive, in order, so a change to
// an earlier dive never leaves the later ones stale. Result lines and messages are reported
// for the current dive only. Does nothing when the plan has no current dive.
void computePlan(Planification& plan, const PlanComputeSettings& settings);

// Computes the dive of one slot from the end state of the dive before it. `report` selects
// whether its lines and messages go to the plan's callbacks, whether its start tensions become
// the plan's and whether its ceiling trace is drawn: a dive computed only for the state it
// hands on gets its trace when it is shown.
void computePlanDive(
    Planification& plan, int slot, const PlanComputeSettings& settings, bool report);

// Ceiling depth in metres of an absolute pressure for this surface and water, never below 0.
float ceilingDepthM(float pressureBar, float surfaceBar, float density);

// The depth in metres of the deepest stop at which the ascent switches to this deco gas: the
// engine takes a gas at the first stop within its MOD at the deco ppO2 limit. 0 when no stop
// qualifies.
float decoSwitchDepthM(const PlanGas& gas, float surfaceBar, quint32 waterType,
    const AscentSettings& settings = AscentSettings {});

// The engine configuration of a planned dive: surface, water (0 salt, 1 fresh, 2 brackish),
// rates, ppO2 limits and last stop; the gases and factors are set apart.
void applyPlanConfig(
    config_t& config, float surfaceBar, quint32 waterType, const AscentSettings& settings);

// The dive's gas table: the gases breathed on its segments (bottom), then its deco gases with
// the depth the computed ascent switches to each (0: never; before a computation, the deepest
// depth it may be taken at; none in closed circuit).
QList<PlanGas> planGasTable(const PlanifDive& dive);

// Texts of the validity alerts.
QString invalidDiveText(quint32 code);
QString decoImpossibleText();
