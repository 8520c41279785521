#pragma once

// Everything a computed plan warns of, in one list with stable codes, so the command line, the
// JSON, the planner tab and the slate name the same faults the same way.

#include "dive/units.h"

#include <QList>
#include <QString>

class PlanifDive;

struct PlanWarning
{
    QString code; // "deco-not-terminated", "below-reserve", ...
    bool error = false; // an error makes the plan not diveable
    QString message; // translated where a translator is loaded
    float runTimeMin = -1; // where it happens; -1 when it is not tied to a moment
};

// The warnings of a computed dive: the errors first, each group in the order of the dive. Depths
// in `units`; the gas plan's messages were worded in the units current when it was computed.
QList<PlanWarning> planWarnings(
    const PlanifDive& dive, const DisplayUnits& units = DisplayUnits::current());

// A quantity of a warning, whole, in `units` with the locale's decimal mark and no group
// separator: "30 m", "98 ft", "2683 psi".
QString warningQuantity(Quantity quantity, double si, const DisplayUnits& units);

// Whether any of them is an error.
bool hasPlanError(const QList<PlanWarning>& warnings);

// "GF 30/68", the factors the ascent was computed with.
QString usedGfText(const PlanifDive& dive);
