#include "planner/divegas.h"

#include "planner/bailout.h"
#include "planner/planification.h"

namespace {

constexpr int kMaxGases = 32;

} // namespace

quint32 usedGasMask(const Planification& plan, const PlanifDive& dive)
{
    const int count = std::min<int>(int(dive.profile.gases.size()), kMaxGases);
    quint32 mask = 0;
    const QList<DiveSample>& samples = dive.profile.samples;
    for (int i = 1; i < samples.size(); ++i) {
        const int g = samples[i].gasIndex;
        if (g >= 0 && g < count)
            mask |= 1u << g;
    }
    if (mask == 0 && count > 0)
        mask = 1;
    const int deco = decoGasOfChoice(plan.decoGasChoice);
    if (deco >= 0 && deco < count)
        mask |= 1u << deco;
    return mask;
}

Cylinder cylinderOfGas(const PlanifDive& dive, int gasIndex, CylinderRole role)
{
    const DiveGas& gas = dive.profile.gases[gasIndex];
    // An entry without a size only keeps the place of a gas the diver set nothing for.
    const bool own = gasIndex < dive.cylinders.size() && dive.cylinders[gasIndex].litres > 0;
    Cylinder c = own ? dive.cylinders[gasIndex] : defaultCylinder(gas.o2, gas.he, role);
    c.o2 = gas.o2;
    c.he = gas.he;
    c.role = role;
    return c;
}

void setUpDiveCylinders(const Planification& plan, PlanifDive& dive)
{
    PlanDiveResult& r = dive.result;
    r.cylinders.clear();
    r.cylinderGas.clear();
    const quint32 mask = usedGasMask(plan, dive);
    quint32 bottom = 0;
    for (int i = 1; i < dive.profile.samples.size(); ++i)
        bottom |= 1u << std::clamp(dive.profile.samples[i].gasIndex, 0, kMaxGases - 1);
    for (int g = 0; g < dive.profile.gases.size() && g < kMaxGases; ++g) {
        if (!(mask & (1u << g)))
            continue;
        r.cylinders.append(cylinderOfGas(dive, g,
            (bottom & (1u << g)) || bottom == 0 ? CylinderRole::Bottom : CylinderRole::Deco));
        r.cylinderGas.append(g);
    }
}

void finishDiveGas(
    const Planification& plan, PlanifDive& dive, const GasWater& water, double ascentRateBarPerMin)
{
    PlanDiveResult& r = dive.result;
    if (plan.closedCircuit) {
        r.gasSegments.clear();
        r.gas = GasPlanResult {};
        r.gas.cylinders.resize(r.cylinders.size());
        if (r.bailout) {
            r.gas.cylinders = r.bailout->cylinders;
            r.gas.warnings = r.bailout->warnings;
        }
        return;
    }
    r.bailout.reset();
    for (GasSegment& s : r.gasSegments)
        s.cylinder = int(r.cylinderGas.indexOf(s.cylinder));
    r.gas
        = computeGasPlan(r.cylinders, r.gasSegments, plan.gasSettings, water, ascentRateBarPerMin);
}

bool setCylinderOfUsedGas(const Planification& plan, PlanifDive& dive, int n, const Cylinder& c)
{
    const quint32 mask = usedGasMask(plan, dive);
    int seen = 0;
    for (int g = 0; g < dive.profile.gases.size() && g < kMaxGases; ++g) {
        if (!(mask & (1u << g)))
            continue;
        if (seen++ != n)
            continue;
        Cylinder unset;
        unset.litres = 0;
        while (dive.cylinders.size() <= g)
            dive.cylinders.append(unset);
        dive.cylinders[g] = c;
        return true;
    }
    return false;
}
