#include "planner/divegas.h"

#include "dive/formattime.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <QCoreApplication>

#include <cmath>

namespace {

QString clock(double minutes)
{
    return formatTime(int(std::lround(minutes * 60.0)));
}

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

QString gasPlanText(const PlanifDive& dive)
{
    // Shown in the planner tab; the command-line tool loads no translator and prints English.
    const PlanDiveResult& r = dive.result;
    QString text;
    auto table = [&](const QList<CylinderUse>& use) {
        for (int i = 0; i < r.cylinders.size() && i < use.size(); ++i) {
            const Cylinder& c = r.cylinders[i];
            text += QCoreApplication::translate(
                "GasPlan", "  %1 %2 L %3 bar: used %4 L, ends at %5 bar, reserve %6 bar\n")
                        .arg(cylinderGasName(c), -8)
                        .arg(c.litres, 0, 'g', 4)
                        .arg(std::lround(c.fillBar))
                        .arg(std::lround(use[i].usedLitres))
                        .arg(std::floor(use[i].endBar), 0, 'f', 0)
                        .arg(std::lround(use[i].reserveBar));
            if (use[i].turnBar > 0)
                text += QCoreApplication::translate("GasPlan", "    turn at %1 bar\n")
                            .arg(std::lround(use[i].turnBar));
        }
    };
    if (!dive.result.bailout && !r.cylinders.isEmpty()) {
        text += QCoreApplication::translate("GasPlan", "gas plan\n");
        if (dive.settings.closedCircuit)
            text += QCoreApplication::translate("GasPlan",
                "  on the loop: nothing is breathed from the cylinders, the bailout is not "
                "planned\n");
        table(r.gas.cylinders);
    }
    if (r.bailout) {
        const BailoutPlan& b = *r.bailout;
        text += QCoreApplication::translate("GasPlan", "bailout (GF %1/%2), surfacing at %3\n")
                    .arg(std::lround(b.gf.gfLow * 100))
                    .arg(std::lround(b.gf.gfHigh * 100))
                    .arg(clock(b.runTimeMin));
        if (b.startCylinder < r.cylinders.size())
            text += QCoreApplication::translate("GasPlan", "  leaves the loop on %1\n")
                        .arg(cylinderGasName(r.cylinders[b.startCylinder]));
        for (const LinePlan& l : b.lines)
            text += QStringLiteral(" %1 %2m %3 %4  %5\n")
                        .arg(l.kind == LinePlan::Switch
                                ? QStringLiteral("<>")
                                : (l.direction == LinePlan::Level ? QStringLiteral("-")
                                                                  : QStringLiteral("^")),
                            2)
                        .arg(double(l.depth), 5, 'f', 1)
                        .arg(l.kind == LinePlan::Switch ? QString() : clock(l.duration), 9)
                        .arg(clock(l.runTime), 9)
                        .arg(l.gas < quint32(r.cylinders.size())
                                ? cylinderGasName(r.cylinders[int(l.gas)])
                                : QString());
        table(b.cylinders);
    }
    if (r.contingencies) {
        for (const ContingencyPlan& c : *r.contingencies) {
            text += QCoreApplication::translate("GasPlan", "contingency: %1, surfacing at %2\n")
                        .arg(c.title(), clock(c.runTimeMin));
            for (int i = 0; i < c.cylinders.size() && i < c.use.size(); ++i)
                text += QCoreApplication::translate("GasPlan", "  %1 used %2 L, ends at %3 bar\n")
                            .arg(cylinderGasName(c.cylinders[i]), -8)
                            .arg(std::lround(c.use[i].usedLitres))
                            .arg(std::floor(c.use[i].endBar), 0, 'f', 0);
        }
    }
    return text;
}
