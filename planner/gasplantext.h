#pragma once

// The gas plan under a schedule as plain text lines, in the units the diver reads.

#include "dive/units.h"

#include <QString>

struct Cylinder;
class PlanifDive;

// "12 L 200 bar", or in imperial "80.0 cuft 3000 psi": the cubic feet the cylinder holds at its
// working pressure, then the fill.
QString cylinderSizeText(const Cylinder& cylinder, const DisplayUnits& units);

// A cylinder pressure in whole bar or psi; what is left in a cylinder (down) is rounded down:
// the diver never counts on gas not there.
QString gasPressureText(double bar, const DisplayUnits& units, bool down = false);

// The gas plan (the bailout schedule and its gas in closed circuit, the contingency plans); the
// warnings are not included. Volumes and pressures in `units`.
QString gasPlanText(const PlanifDive& dive, const DisplayUnits& units = DisplayUnits());
