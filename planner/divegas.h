#pragma once

// Gas planning inside the plan computation: the cylinders of a dive's gas table and what they
// give.

#include "planner/gasplan.h"

class Planification;
class PlanifDive;

// The cylinder of a gas: the diver's own when set, else the default for its role; the mix is
// always the gas's.
Cylinder cylinderOfGas(const PlanifDive& dive, int gasIndex, CylinderRole role);

// Fills dive.result.cylinders and cylinderGas from the dive's gas table (bottom gases, then
// deco gases), one cylinder per row.
void setUpDiveCylinders(PlanifDive& dive);

// Maps the recorded segments (by gas index) onto the cylinders and computes the use, reserves
// and warnings. A closed-circuit dive breathes its loop: its cylinders count only what the
// bailout needs.
void finishDiveGas(const Planification& plan, PlanifDive& dive, const GasWater& water);

// Sets the cylinder of row n of the dive's gas table; false when the table is shorter.
bool setCylinderOfTableRow(PlanifDive& dive, int n, const Cylinder& c);

// Sets the size, working pressure and fill of the cylinder of gas `gasIndex` (its mix and role
// stay the gas's). Empty when done, else why not (the dive unchanged).
QString setCylinderSize(
    PlanifDive& dive, int gasIndex, double litres, double workBar, double fillBar);
