#include "planner/divegas.h"

#include "planner/bailout.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <cmath>

namespace {

// The cylinder a segment breathed from: the row of its mix, a deco row for the computed ascent
// when the mix is also carried as a deco gas.
int cylinderOfSegment(const PlanDiveResult& r, const DiveGas& gas, bool computed)
{
    int found = -1;
    for (int i = 0; i < r.cylinders.size(); ++i) {
        const Cylinder& c = r.cylinders[i];
        if (c.o2 != gas.o2 || c.he != gas.he)
            continue;
        const bool preferred = (c.role == CylinderRole::Deco) == computed;
        if (preferred)
            return i;
        if (found < 0)
            found = i;
    }
    return found;
}

} // namespace

Cylinder cylinderOfGas(const PlanifDive& dive, int gasIndex, CylinderRole role)
{
    const DiveGas gas = dive.profile.gases.value(gasIndex);
    // An entry without a size only keeps the place of a gas the diver set nothing for.
    const bool own
        = gasIndex >= 0 && gasIndex < dive.cylinders.size() && dive.cylinders[gasIndex].litres > 0;
    Cylinder c = own ? dive.cylinders[gasIndex] : defaultCylinder(gas.o2, gas.he, role);
    c.o2 = gas.o2;
    c.he = gas.he;
    c.role = role;
    return c;
}

void setUpDiveCylinders(PlanifDive& dive)
{
    PlanDiveResult& r = dive.result;
    r.cylinders.clear();
    r.cylinderGas.clear();
    for (const PlanGas& row : planGasTable(dive)) {
        const int g = gasIndexOfMix(dive.profile, row.o2, row.he);
        r.cylinders.append(cylinderOfGas(
            dive, g, row.role == PlanGasRole::Deco ? CylinderRole::Deco : CylinderRole::Bottom));
        r.cylinderGas.append(g);
    }
}

void finishDiveGas(const Planification& plan, PlanifDive& dive, const GasWater& water)
{
    PlanDiveResult& r = dive.result;
    if (dive.settings.closedCircuit) {
        r.gasSegments.clear();
        r.gas = GasPlanResult {};
        if (r.bailout) {
            r.gas.cylinders = r.bailout->cylinders;
            r.gas.warnings = r.bailout->warnings;
            return;
        }
        // Nothing is breathed from them until a bailout is planned: they end as filled.
        r.gas.cylinders.resize(r.cylinders.size());
        for (qsizetype i = 0; i < r.cylinders.size(); ++i)
            r.gas.cylinders[i].endBar = r.cylinders[i].fillBar;
        return;
    }
    r.bailout.reset();
    for (GasSegment& s : r.gasSegments)
        s.cylinder = cylinderOfSegment(r, dive.profile.gases.value(s.cylinder), s.computed);
    r.gas = computeGasPlan(r.cylinders, r.gasSegments, plan.gasSettings, water);
}

bool setCylinderOfTableRow(PlanifDive& dive, int n, const Cylinder& c)
{
    const QList<PlanGas> table = planGasTable(dive);
    if (n < 0 || n >= table.size())
        return false;
    const int g = gasIndexOfMix(dive.profile, table[n].o2, table[n].he);
    Cylinder unset;
    unset.litres = 0;
    while (dive.cylinders.size() <= g)
        dive.cylinders.append(unset);
    dive.cylinders[g] = c;
    return true;
}

QString setCylinderSize(
    PlanifDive& dive, int gasIndex, double litres, double workBar, double fillBar)
{
    if (gasIndex < 0 || gasIndex >= dive.profile.gases.size())
        return {};
    Cylinder changed = cylinderOfGas(dive, gasIndex, CylinderRole::Bottom);
    changed.litres = litres;
    changed.workBar = workBar;
    changed.fillBar = fillBar;
    const QString invalid = validateCylinders({ changed }, 1);
    if (!invalid.isEmpty())
        return invalid;
    Cylinder unset;
    unset.litres = 0;
    while (dive.cylinders.size() <= gasIndex)
        dive.cylinders.append(unset);
    dive.cylinders[gasIndex] = changed;
    return {};
}
