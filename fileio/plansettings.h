#pragma once

#include <QList>
#include <QtGlobal>

// The plan data a diver sets beyond the points of a dive. Plain records shared by the planner
// and the plan file, which keeps them in its settings block.

// Technical divers carry up to three deco gases (for example EAN50 and oxygen on a trimix dive).
constexpr int kMaxDecoGases = 3;

enum class PlanGasRole : quint8 { Bottom = 0, Deco = 1 };

// One row of a dive's gas table.
struct PlanGas
{
    int o2 = 21; // %
    int he = 0; // %
    PlanGasRole role = PlanGasRole::Deco;
    // Deco gases: the deepest stop at which the ascent takes this gas, by the engine's rule
    // (the stop levels within the gas's deco ppO2 limit); 0 when no stop qualifies. Computed,
    // never set by the diver.
    float switchDepthM = 0;

    bool sameMix(int otherO2, int otherHe) const { return o2 == otherO2 && he == otherHe; }
};

// What the diver set for one dive beyond its points, kept with the plan.
struct PlanDiveSettings
{
    int gfLow = 80; // %
    int gfHigh = 80; // %
    bool closedCircuit = false;
    // ppO2 in bar of the low, working (bottom) and deco (6 m and shallower) setpoints.
    float setpointsBar[3] = { 0.7f, 1.3f, 1.5f };
    QList<PlanGas> decoGases; // at most kMaxDecoGases, role Deco; ignored in closed circuit
};
