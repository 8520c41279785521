#include "dive/airuse.h"

#include "dive/diveprofile.h"

#include <cmath>

namespace {

// Pressure of one metre of water (bar): rho g / 1e5 with g = 9.80665 m/s2.
double barPerMetre(const DiveProfile& dive)
{
    const double densityKgM3 = dive.freshWater == 1 ? 1000.0 : 1025.0;
    return densityKgM3 * 9.80665 / 100000.0;
}

bool usable(double bar)
{
    return std::isfinite(bar) && bar > 0.0 && bar < 1000.0;
}

} // namespace

double timeWeightedMeanDepth(const DiveProfile& dive)
{
    const QList<DiveSample>& s = dive.samples;
    if (s.size() < 2)
        return 0.0;
    double area = 0.0;
    for (qsizetype i = 1; i < s.size(); ++i)
        area += (s.at(i).time - s.at(i - 1).time) * (s.at(i).depth + s.at(i - 1).depth) / 2.0;
    const double span = s.constLast().time - s.constFirst().time;
    return span > 0.0 ? area / span : 0.0;
}

double gasUsedLitres(const DiveProfile& dive)
{
    double litres = 0.0;
    for (const DiveProfile::TankPressure& tank : dive.tanks) {
        if (tank.sizeL <= 0.0 || !std::isfinite(tank.sizeL))
            continue;
        double start = tank.startBar;
        double end = tank.endBar;
        if (!usable(start) && dive.tanks.size() == 1) {
            // Only the samples know the pressures: the first and last recorded.
            start = 0.0;
            for (const DiveSample& s : dive.samples) {
                if (usable(s.tankPressureBar)) {
                    if (start == 0.0)
                        start = s.tankPressureBar;
                    end = s.tankPressureBar;
                }
            }
        }
        if (usable(start) && std::isfinite(end) && end >= 0.0 && start > end)
            litres += tank.sizeL * (start - end);
    }
    return litres;
}

double surfaceAirConsumption(const DiveProfile& dive)
{
    const double litres = gasUsedLitres(dive);
    if (dive.samples.size() < 2 || litres <= 0.0)
        return 0.0;
    const double minutes = (dive.samples.constLast().time - dive.samples.constFirst().time) / 60.0;
    if (minutes <= 0.0)
        return 0.0;
    const double surface = dive.surfacePressure > 0.5 ? dive.surfacePressure : 1.01325;
    const double ambient = surface + timeWeightedMeanDepth(dive) * barPerMetre(dive);
    return litres / minutes / ambient;
}
