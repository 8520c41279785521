#pragma once

#include <QList>
#include <QString>

// The profile graph's scales as plain functions of pixels and ranges, so that the choice of
// margins, steps and labels can be checked without a window.
namespace ProfileScales {

// Room around the plot in a graph of a given height: the header above, the time labels below,
// the depth labels left, the second axes right, and the depth reserve, the water kept under the
// deepest point, where the replay's tissue band sits. A tall graph keeps fixed margins; a short one (the planner's on a laptop)
// gives them up in proportion, so the dive keeps most of the height.
struct PlotMargins
{
    double left = 50;
    double top = 30;
    double right = 40;
    double bottom = 50;
    double depthReserve = 40;
};
PlotMargins plotMargins(double heightPx);

// The smallest step of 1, 2 or 5 times a power of ten, and at least `minimum`, that keeps
// neighbouring labels `minGapPx` apart on an axis of `pixelsPerUnit`.
double tickStep(double pixelsPerUnit, double minGapPx = 30.0, double minimum = 1.0);

// Time grid: round(window / 600) minutes, else round(window / 10) seconds, never below 1 s.
double timeGridStep(double windowS);

// A labelled tick: where it sits in SI units (m, bar, degrees C) and its text in the diver's.
struct AxisTick
{
    double si = 0;
    QString label;
};

// Depth labels below the surface down to `bottomM`, in the current depth unit (m or ft).
QList<AxisTick> depthTicks(double bottomM, double pixelsPerMetre);
// Pressure labels from 0 to `topBar`, in the current pressure unit (bar or psi).
QList<AxisTick> pressureTicks(double topBar, double pixelsPerBar);

// The temperature axis in the current unit: whole degrees with one degree of room below the
// coldest and above the warmest reading, and about four steps between.
struct TemperatureAxis
{
    double low = 0; // in the shown unit
    double high = 0;
    double step = 1;
};
TemperatureAxis temperatureAxis(double minC, double maxC);

// A depth as the graph's small labels write it: the diver's unit, at most one decimal, none
// when whole, the locale's decimal mark ("22.5 m", "9,8 ft", with a no-break space).
QString shortDepth(double metres);

} // namespace ProfileScales
