#include "views/pressurecurve.h"

#include "dive/diveprofile.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

DiveProfileItem::SecondaryCurve pressureCurve(const DiveProfile& dive)
{
    DiveProfileItem::SecondaryCurve curve;
    double highest = 0;
    for (const DiveSample& s : dive.samples) {
        if (s.tankPressureBar > 0 && std::isfinite(s.tankPressureBar)) {
            curve.points << QPointF(s.time, s.tankPressureBar);
            highest = std::max(highest, double(s.tankPressureBar));
        }
    }
    if (curve.points.isEmpty() && !dive.tanks.isEmpty() && dive.samples.size() > 1) {
        const DiveProfile::TankPressure& tank = dive.tanks.constFirst();
        if (tank.startBar > 0 && tank.startBar >= tank.endBar) {
            curve.points << QPointF(dive.samples.constFirst().time, tank.startBar)
                         << QPointF(dive.samples.constLast().time, tank.endBar);
            highest = tank.startBar;
        }
    }
    if (curve.points.isEmpty())
        return curve;
    curve.limits = QList<double>(curve.points.size(), 0.0);
    // Round up to the next 50 bar, so that the axis reads in whole steps.
    curve.top = std::ceil(highest / 50.0) * 50.0;
    curve.unit = QCoreApplication::translate("PressureCurve", "bar");
    return curve;
}
