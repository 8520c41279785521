#pragma once

// Gas planning: the cylinders of a plan, the gas each segment uses, the reserves and the
// warnings. Plain records and free functions on Qt Core only, so the planner tab, the command
// line and the tests share one computation.

#include "fileio/gassettings.h"

#include <QList>
#include <QString>

// The usual cylinder: 12 L for a bottom gas, 7 L for a deco gas, both filled to 200 bar.
Cylinder defaultCylinder(int o2, int he, CylinderRole role);

struct CylinderPreset
{
    const char* name; // untranslated; shown through QCoreApplication::translate("GasPlan", name)
    double litres;
    double workBar; // the working pressure it is made for
};
const QList<CylinderPreset>& cylinderPresets();

// The water a plan is computed in: ambient pressure = surface + density x g x depth / 100.
struct GasWater
{
    double surfaceBar = 1.013;
    double density = 1.03; // kg/L

    double pressureAt(double depthM) const;
};

// A stretch of the dive breathed from one cylinder, the depth changing linearly.
struct GasSegment
{
    double startDepthM = 0;
    double endDepthM = 0;
    double minutes = 0;
    int cylinder = 0; // index into the cylinder list
    // The computed ascent and stops (deco SAC), else the diver's own segments (bottom SAC).
    bool computed = false;
    double startMin = 0; // run time at its start, for the pressure curve
};

// Litres at the surface: SAC x ambient pressure at the mean depth x minutes.
double segmentLitres(const GasWater& water, double sacLpm, const GasSegment& segment);

// Minimum gas in surface litres: the stress factor x (bottom SAC x problem time x P(deepest
// depth breathed on the cylinder)) + the stress factor x `ascentLitres`, the gas the plan's own
// ascent breathes from the cylinder (its legs and stops up to its first switch or the surface,
// at the deco SAC).
double minimumGasLitres(
    const GasWater& water, const GasSettings& settings, double deepestM, double ascentLitres);

// The pressure at which `cylinder` holds `litres` (real gas), rounded up to a whole bar.
int reserveBarOf(const Cylinder& cylinder, double litres, double celsius);

// The rule of thirds: a third of the fill stays in the cylinder, rounded up to a whole bar.
int thirdsReserveBar(double fillBar);
// The turn pressure of the rule of thirds: a third of the fill breathed going out.
int thirdsTurnBar(double fillBar);

struct CylinderUse
{
    double usedLitres = 0;
    double endBar = 0; // never below 0; usedLitres tells how much was missing
    double reserveBar = 0;
    double deepestM = 0; // deepest depth it is breathed at
    double turnBar = 0; // rule of thirds only: turn the dive when the cylinder reaches it
};

struct GasWarning
{
    enum Kind : quint8 {
        BelowReserve = 0,
        Empty = 1,
        Unbreathable = 2,
        Contingency = 3,
        Overfilled = 4, // filled above its working pressure
    };
    Kind kind = BelowReserve;
    int cylinder = -1;
    QString text;

    bool isError() const { return kind == Empty || kind == Unbreathable; }
    // "reserve", "empty", "unbreathable", "contingency", "overfilled"
    static const char* kindName(Kind kind);
    const char* severity() const { return isError() ? "error" : "warning"; }
};

// The pressure in the cylinder being breathed, at a run time; a gas switch adds two points at
// the same time.
struct CylinderPressurePoint
{
    double timeMin = 0;
    double bar = 0;
    int cylinder = 0;
};

struct GasPlanResult
{
    QList<CylinderUse> cylinders; // one per cylinder, in order
    QList<CylinderPressurePoint> pressureCurve;
    QList<GasWarning> warnings;

    bool hasError() const;
};

// The gas plan of one dive: use per cylinder, reserves (minimum gas or thirds for bottom
// cylinders, the fixed deco reserve for deco cylinders) and the warnings; pressures are real
// gas at the settings' cylinder temperature. Segments naming a cylinder that does not exist are
// ignored; validate first.
GasPlanResult computeGasPlan(const QList<Cylinder>& cylinders, const QList<GasSegment>& segments,
    const GasSettings& settings, const GasWater& water);

// The end pressure of a cylinder after `usedLitres`, never below 0.
double endBarOf(const Cylinder& cylinder, double usedLitres, double celsius);

// Adds the reserve and empty warnings of one cylinder (used again by the bailout plan).
void addCylinderWarnings(const Cylinder& cylinder, int index, const CylinderUse& use,
    double celsius, QList<GasWarning>& warnings);

// "Air", "Nx32", "Tx18/45" ...
QString cylinderGasName(const Cylinder& cylinder);
