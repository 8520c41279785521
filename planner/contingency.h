#pragma once

// Contingency plans: what a dive becomes when it goes wrong in the ways divers plan for. The
// same dive deeper and longer, and for each deco gas the ascent without it; each with its own
// schedule, gas per cylinder and warnings, computed from the same start state.

#include "planner/gasplan.h"
#include "planner/planification.h"
#include "planner/planwarnings.h"

#include <QList>

struct ContingencyPlan
{
    enum Kind : quint8 { DeeperLonger = 0, LostGas = 1 };
    Kind kind = DeeperLonger;
    PlanGas lostGas; // LostGas only
    double deeperM = 0; // DeeperLonger only
    double longerMin = 0;
    QList<LinePlan> lines; // the run-time and switch lines; `gas` indexes the dive's gases
    double runTimeMin = 0;
    double dtrMin = 0;
    double cnsPercent = 0;
    double otu = 0;
    bool decoImpossible = false;
    QList<Cylinder> cylinders; // the cylinders the contingency breathes, with their use
    QList<CylinderUse> use;
    QList<PlanWarning> warnings;

    static const char* kindName(Kind kind); // "deeper-longer", "lost-gas"
    QString title() const; // "63 m, 23 min (3 m deeper, 3 min longer)", "Without Nx50"
};

// The contingencies of the dive in `slot`, from the same start state as the dive itself. The
// dive is left as it is; lost-gas plans only in open circuit with deco gases.
QList<ContingencyPlan> computeContingencies(const Planification& plan, int slot);

// Computes the contingencies of the dive in `slot` into its result and warns, in its gas plan,
// of every cylinder that cannot cover the worst of them.
void computeDiveContingencies(Planification& plan, int slot);
