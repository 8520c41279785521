#pragma once

// What a diver sets for gas planning: the cylinder of each gas and the plan's breathing rates,
// reserves and bailout settings. Plain records shared by the planner and the plan file, which
// keeps them in its settings block, and the checks both apply.

#include <QList>
#include <QString>

enum class CylinderRole : quint8 { Bottom = 0, Deco = 1 };

// One cylinder per gas of the plan's gas table. Gas is treated as ideal: litres at the surface
// are water volume x pressure.
struct Cylinder
{
    int o2 = 21; // %
    int he = 0; // %
    CylinderRole role = CylinderRole::Bottom;
    double litres = 12; // water volume
    double fillBar = 200;
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

    bool operator==(const GasSettings& o) const;
};

// Plain-language checks; an empty string when fine, else a message naming the field.
QString validateCylinders(const QList<Cylinder>& cylinders, int gasCount);
QString validateGasSettings(const GasSettings& settings);
