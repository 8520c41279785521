#pragma once

// Air use of a dive: the gas its cylinders gave, brought to the surface, per minute.

class DiveProfile;

// Mean depth over time (m): the samples joined by straight lines, the area under them divided
// by the time they span; 0 without two samples.
double timeWeightedMeanDepth(const DiveProfile& dive);

// Gas taken from the cylinders (surface litres, ideal gas): for each cylinder of known size,
// its size times the pressure drop, from its start and end pressures or, for a dive of one
// cylinder without them, from the first and last tank pressures of the samples. 0 when no
// cylinder gives both.
double gasUsedLitres(const DiveProfile& dive);

// Surface air consumption in L/min: the gas used divided by the dive's minutes and by the mean
// ambient pressure (surface pressure plus the water over the mean depth, salt or fresh). 0 when
// the dive gives no gas used or no time under water.
double surfaceAirConsumption(const DiveProfile& dive);
