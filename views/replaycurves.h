#pragma once

#include <QList>
#include <QRectF>

class DiveProfileItem;
class QPainter;
struct DiveReplay;
struct DiveSample;

// The replay's curves over the profile. Depth-like curves (the ceiling at the diver's factors,
// the MOD of the gas breathed, a plan to compare with) share the depth axis; the partial
// pressures get their own axis in bar along the right edge of `area`, with the 1.4 and 1.6 bar
// lines when ppO2 is shown.
namespace ReplayCurves {

struct Shown
{
    bool ceiling = false;
    bool ppO2 = false;
    bool ppN2 = false;
    bool ppHe = false;
    bool mod = false;
};

// Top of the partial-pressure axis: 2 bar, or the whole bar above the highest value shown.
double pressureAxisTop(const DiveReplay& replay, const Shown& shown);

void paintDepthCurves(
    QPainter* painter, const DiveProfileItem& graph, const DiveReplay& replay, const Shown& shown);
void paintPressureCurves(QPainter* painter, const DiveProfileItem& graph, const QRectF& area,
    const DiveReplay& replay, const Shown& shown);
// The plan's profile, dashed, from the dive's start.
void paintPlan(QPainter* painter, const DiveProfileItem& graph, const QList<DiveSample>& plan);

} // namespace ReplayCurves
