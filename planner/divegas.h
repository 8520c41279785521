#pragma once

// Gas planning inside the plan computation: which cylinders a dive uses and what they give.

#include "planner/gasplan.h"

class Planification;
class PlanifDive;

// Gas indexes a dive breathes on its own segments (bottom) or carries for the ascent (deco), as
// a bit mask over the profile's gases.
quint32 usedGasMask(const Planification& plan, const PlanifDive& dive);

// The cylinder of a gas: the diver's own when set, else the default for its role; the mix is
// always the gas's.
Cylinder cylinderOfGas(const PlanifDive& dive, int gasIndex, CylinderRole role);

// Fills dive.result.cylinders and cylinderGas from the gases in use, in gas order.
void setUpDiveCylinders(const Planification& plan, PlanifDive& dive);

// Maps the recorded segments onto the cylinders and computes the use, reserves and warnings. A
// closed-circuit dive breathes its loop: its cylinders count only what the bailout needs.
void finishDiveGas(
    const Planification& plan, PlanifDive& dive, const GasWater& water, double ascentRateBarPerMin);

// Sets the cylinder of the n-th gas in use (the order of setUpDiveCylinders); false when the dive
// has fewer gases in use.
bool setCylinderOfUsedGas(const Planification& plan, PlanifDive& dive, int n, const Cylinder& c);
