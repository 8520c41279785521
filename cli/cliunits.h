#pragma once

// --units metric|imperial: the values typed on the command line are read in those units and the
// text output shows them; JSON stays SI.

#include "dive/units.h"

#include <QString>
#include <QStringList>

namespace cli {

// Takes "--units metric|imperial" out of args (metric when absent) and, for imperial, turns the
// values of the options that carry a quantity into SI: --point depths in feet, --cylinder
// CUFT:PSI[:FILL PSI] (cubic feet of gas at working pressure), --sac and --deco-sac in cubic feet
// per minute, --ascent-rate and --stop-rate in feet per minute, --deeper, --end-limit,
// --setpoint-switch and --altitude in feet. False, with error set, on a bad
// --units or a value that is not a number.
bool takeUnits(QStringList& args, DisplayUnits& units, QString& error);

// "35.2m" or "115.5ft" (width characters before the unit): the look of the text tables.
QString depthText(double metres, const DisplayUnits& units, int width = 0);

// "65.6 ft", "16.2 cuft/min": a value and its unit with C numbers, for the text outputs.
QString quantityText(Quantity quantity, double si, const DisplayUnits& units, int decimals);

// The units named by a --units value: "metric" (or nothing) or "imperial"; false otherwise.
bool unitsNamed(const QString& name, DisplayUnits& units);

QString unitsUsage();

} // namespace cli
