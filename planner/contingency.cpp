#include "planner/contingency.h"

#include "planner/plancompute.h"
#include "planner/realgas.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class ContingencyText
{
    Q_DECLARE_TR_FUNCTIONS(Contingency)
};

// Free gas in the units current when the plan is computed: "2400 L", "85 cuft".
QString volumeText(double litres)
{
    return warningQuantity(Quantity::Volume, litres, DisplayUnits::current());
}

// A scratch plan holding a copy of the dive in `slot` and the one before it (whose end state
// the dive starts from); contingencies of the copy are never computed.
struct ScratchPlan
{
    Planification plan;

    ScratchPlan(const Planification& from, int slot)
    {
        plan.gasSettings = from.gasSettings;
        plan.gasSettings.contingency = false;
        if (slot > 0)
            plan.dives[size_t(slot - 1)]
                = std::make_unique<PlanifDive>(*from.dives[size_t(slot - 1)]);
        plan.dives[size_t(slot)] = std::make_unique<PlanifDive>(*from.dives[size_t(slot)]);
        PlanifDive& dive = *plan.dives[size_t(slot)];
        dive.profile.ceilingTrace.clear();
        dive.result = PlanDiveResult {};
    }
    PlanifDive& dive(int slot) { return *plan.dives[size_t(slot)]; }
};

ContingencyPlan resultOf(ContingencyPlan c, const PlanifDive& dive)
{
    const PlanDiveResult& r = dive.result;
    for (const LinePlan& l : r.lines) {
        if (l.kind == LinePlan::Line || l.kind == LinePlan::Switch)
            c.lines.append(l);
        else if (l.kind == LinePlan::Summary)
            c.runTimeMin = l.runTime;
    }
    c.dtrMin = r.dtrMin;
    c.cnsPercent = r.cnsPercent;
    c.otu = r.otu;
    c.decoImpossible = r.decoImpossible;
    c.cylinders = r.cylinders;
    c.use = r.gas.cylinders;
    c.warnings = planWarnings(dive);
    return c;
}

// Every point below the surface deeper, the last point (the end of the bottom) later.
void makeDeeperLonger(DiveProfile& profile, double deeperM, double longerMin)
{
    for (int i = 1; i < profile.samples.size(); ++i) {
        DiveSample& s = profile.samples[i];
        if (s.depth > 0)
            s.depth += deeperM;
    }
    if (profile.samples.size() > 1)
        profile.samples.last().time += std::round(longerMin * 60.0);
}

} // namespace

const char* ContingencyPlan::kindName(Kind kind)
{
    return kind == LostGas ? "lost-gas" : "deeper-longer";
}

QString ContingencyPlan::title() const
{
    if (kind == LostGas) {
        Cylinder c;
        c.o2 = lostGas.o2;
        c.he = lostGas.he;
        return ContingencyText::tr("Without %1").arg(cylinderGasName(c));
    }
    return ContingencyText::tr("%1 deeper, %2 min longer")
        .arg(warningQuantity(Quantity::Depth, deeperM, DisplayUnits::current()),
            QString::number(longerMin, 'g', 3));
}

QList<ContingencyPlan> computeContingencies(const Planification& plan, int slot)
{
    QList<ContingencyPlan> out;
    if (slot < 0 || slot >= kPlanSlots || !plan.dives[size_t(slot)])
        return out;
    const GasSettings& gs = plan.gasSettings;
    const PlanComputeSettings compute; // each dive keeps its own factors
    {
        ScratchPlan scratch(plan, slot);
        makeDeeperLonger(scratch.dive(slot).profile, gs.deeperM, gs.longerMin);
        computePlanDive(scratch.plan, slot, compute, false);
        ContingencyPlan c;
        c.deeperM = gs.deeperM;
        c.longerMin = gs.longerMin;
        out.append(resultOf(c, scratch.dive(slot)));
    }
    const PlanifDive& dive = *plan.dives[size_t(slot)];
    if (dive.settings.closedCircuit)
        return out;
    for (const PlanGas& lost : dive.settings.decoGases.mid(0, kMaxDecoGases)) {
        ScratchPlan scratch(plan, slot);
        QList<PlanGas>& decoGases = scratch.dive(slot).settings.decoGases;
        decoGases.removeIf([&](const PlanGas& g) { return g.sameMix(lost.o2, lost.he); });
        computePlanDive(scratch.plan, slot, compute, false);
        ContingencyPlan c;
        c.kind = ContingencyPlan::LostGas;
        c.lostGas = lost;
        out.append(resultOf(c, scratch.dive(slot)));
    }
    return out;
}

void computeDiveContingencies(Planification& plan, int slot)
{
    PlanifDive& dive = *plan.dives[size_t(slot)];
    PlanDiveResult& r = dive.result;
    auto all = std::make_shared<QList<ContingencyPlan>>(computeContingencies(plan, slot));
    const double celsius = plan.gasSettings.cylinderCelsius;
    for (int i = 0; i < r.cylinders.size(); ++i) {
        const Cylinder& c = r.cylinders[i];
        double worst = 0;
        const ContingencyPlan* worstPlan = nullptr;
        for (const ContingencyPlan& p : *all) {
            for (int j = 0; j < p.cylinders.size() && j < p.use.size(); ++j) {
                const Cylinder& o = p.cylinders[j];
                if (o.o2 == c.o2 && o.he == c.he && o.role == c.role
                    && p.use[j].usedLitres > worst) {
                    worst = p.use[j].usedLitres;
                    worstPlan = &p;
                }
            }
        }
        const double capacity = cylinderLitres(c, c.fillBar, celsius);
        if (worstPlan && worst > capacity)
            r.gas.warnings.append({ GasWarning::Contingency, i,
                ContingencyText::tr("Cylinder %1 (%2) cannot cover the contingency \"%3\": it "
                                    "needs %4, the cylinder holds %5.")
                    .arg(i + 1)
                    .arg(cylinderGasName(c), worstPlan->title(), volumeText(worst),
                        volumeText(capacity)) });
    }
    r.contingencies = std::move(all);
}
