#pragma once

#include <QList>
#include <QString>
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

// Where the ascent takes a deco gas: at the first stop at or above the gas's switch depth (the
// dive computer's rule), or at the switch depth itself, with a stop there.
enum class SwitchRule : quint8 { FirstStop = 0, Depth = 1 };
// The water of a planned dive (PlanifDive::waterType): 0 salt, 1 fresh, 2 brackish.
constexpr quint32 kWaterBrackish = 2;
constexpr float kBrackishDensity = 1.015f; // kg/L

// How the ascent is planned. Every default is the dive computer's own rule, so a plan that sets
// none of them computes exactly as the computer does.
struct AscentSettings
{
    SwitchRule switchRule = SwitchRule::FirstStop;
    float switchTimeMin = -1; // minimum minutes at a switch; -1: 1 with Depth, 0 otherwise
    float decoPpo2 = 1.6f; // bar: sets the switch depths
    float bottomPpo2 = 1.4f; // bar: warned above
    int lastStopM = 3; // 3 or 6
    float ascentRateMpm = 0; // m/min to the first stop; 0: the computer's 1.1 bar/min
    float stopRateMpm = 0; // m/min between stops and to the surface; 0: 0.6 bar/min
    float safetyStopMin = 0; // on a dive that owes no stop; 0: none
    float safetyStopDepthM = 5;
    bool roundStops = false; // each stop ends on a whole minute of run time
    float altitudeM = 0; // the surface pressure follows from it when set (not 0)
    float o2BreakMin = 0; // minutes on oxygen before a break; 0: no breaks
    float backGasMin = 0; // minutes of each break on the bottom gas
    float endLimitM = 30; // equivalent narcotic depth warned above (oxygen narcotic)

    float switchMinutes() const
    {
        return switchTimeMin >= 0 ? switchTimeMin : (switchRule == SwitchRule::Depth ? 1.0f : 0.0f);
    }
    // Whether the ascent needs more than the computer's schedule: a rule the computer lacks.
    bool walksAscent() const
    {
        return switchRule == SwitchRule::Depth || switchTimeMin > 0 || roundStops
            || safetyStopMin > 0 || o2BreakMin > 0;
    }
    bool operator==(const AscentSettings& o) const
    {
        return switchRule == o.switchRule && switchTimeMin == o.switchTimeMin
            && decoPpo2 == o.decoPpo2 && bottomPpo2 == o.bottomPpo2 && lastStopM == o.lastStopM
            && ascentRateMpm == o.ascentRateMpm && stopRateMpm == o.stopRateMpm
            && safetyStopMin == o.safetyStopMin && safetyStopDepthM == o.safetyStopDepthM
            && roundStops == o.roundStops && altitudeM == o.altitudeM && o2BreakMin == o.o2BreakMin
            && backGasMin == o.backGasMin && endLimitM == o.endLimitM;
    }
    bool operator!=(const AscentSettings& o) const { return !(*this == o); }
};

// Surface pressure in bar at an altitude in metres, from the standard atmosphere.
double surfacePressureAtAltitude(double altitudeM);
// Empty when every setting lies in its range, else why not (translated).
QString validateAscentSettings(const AscentSettings& settings);

// What the diver set for one dive beyond its points, kept with the plan.
struct PlanDiveSettings
{
    int gfLow = 80; // %
    int gfHigh = 80; // %
    bool closedCircuit = false;
    // ppO2 in bar of the low, working (bottom) and deco (6 m and shallower) setpoints.
    float setpointsBar[3] = { 0.7f, 1.3f, 1.5f };
    QList<PlanGas> decoGases; // at most kMaxDecoGases, role Deco; ignored in closed circuit
    AscentSettings ascent;
};
