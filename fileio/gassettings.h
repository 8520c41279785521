#pragma once

// What a diver sets for gas planning: the cylinder of each gas and the plan's breathing rates,
// reserves and bailout settings. Plain records shared by the planner and the plan file, which
// keeps them in its settings block, and the checks both apply.

#include <QList>
#include <QString>

enum class CylinderRole : quint8 { Bottom = 0, Deco = 1 };

// The highest fill or working pressure a plan takes.
constexpr double kMaxFillBar = 300;

// One cylinder per gas of the plan's gas table. Litres at the surface follow from the water
// volume and pressure through the mix's compressibility (planner/realgas.h).
struct Cylinder
{
    int o2 = 21; // %
    int he = 0; // %
    CylinderRole role = CylinderRole::Bottom;
    double litres = 12; // water volume
    double fillBar = 200;
    double workBar = 0; // working (rated) pressure; 0 when not given, the fill standing for it

    double workingBar() const { return workBar > 0 ? workBar : fillBar; }
};

enum class ReserveMode : quint8 { MinimumGas = 0, Thirds = 1 };

struct GasSettings
{
    double bottomSacLpm = 20; // the diver's own segments
    double decoSacLpm = 15; // the computed ascent and stops
    ReserveMode reserveMode = ReserveMode::MinimumGas;
    double minimumGasFactor = 4.0; // two divers at twice their normal rate
    double problemMin = 2.0; // time to sort a problem out at the deepest depth
    double decoReserveBar = 50; // what a deco cylinder keeps
    // Closed-circuit bailout: its own factors (0 = the plan's) and the raised breathing rate of
    // the first minutes after the loop fails.
    int bailoutGfLow = 0;
    int bailoutGfHigh = 0;
    double bailoutStressFactor = 2.0;
    double bailoutStressMin = 2.0;
    bool bailout = false; // closed circuit: plan the open-circuit ascent of a failed loop
    // Real gas: litres and bar are converted with the mix's compressibility at this cylinder
    // temperature.
    double cylinderCelsius = 15;
    // Closed circuit: minutes spent sorting the failure out on open circuit at the bailout
    // depth before the ascent, breathed at the stress rate.
    double bailoutProblemMin = 1;
    // Closed circuit: the low setpoint is breathed from the surface down to this depth; 0
    // keeps the working setpoint from the surface.
    double setpointSwitchM = 0;
    // Contingency plans: the same dive deeper and longer, and each deco gas lost.
    bool contingency = false;
    double deeperM = 3;
    double longerMin = 3;

    bool operator==(const GasSettings& o) const;
};

// Plain-language checks; an empty string when fine, else a message naming the field.
QString validateCylinders(const QList<Cylinder>& cylinders, int gasCount);
QString validateGasSettings(const GasSettings& settings);
