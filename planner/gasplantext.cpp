#include "planner/gasplantext.h"

#include "dive/formattime.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/planification.h"

#include <QCoreApplication>

#include <cmath>

// Shown in the planner tab; the command-line tool loads no translator and prints English.

namespace {

QString clock(double minutes)
{
    return formatTime(int(std::lround(minutes * 60.0)));
}

QString volume(double litres, const DisplayUnits& units)
{
    const double shown = Units::toDisplay(Quantity::Volume, litres, units);
    return QStringLiteral("%1 %2")
        .arg(shown, 0, 'f', units.volume == UnitSystem::Imperial ? 1 : 0)
        .arg(Units::symbol(Quantity::Volume, units));
}

QString cylinderTable(
    const QList<Cylinder>& cylinders, const QList<CylinderUse>& use, const DisplayUnits& units)
{
    QString text;
    for (int i = 0; i < cylinders.size() && i < use.size(); ++i) {
        const Cylinder& c = cylinders[i];
        text += QCoreApplication::translate("GasPlan", "  %1 %2: used %3, ends at %4, reserve %5\n")
                    .arg(cylinderGasName(c), -8)
                    .arg(cylinderSizeText(c, units), volume(use[i].usedLitres, units),
                        gasPressureText(use[i].endBar, units, true),
                        gasPressureText(use[i].reserveBar, units));
        if (use[i].turnBar > 0)
            text += QCoreApplication::translate("GasPlan", "    turn at %1\n")
                        .arg(gasPressureText(use[i].turnBar, units));
    }
    return text;
}

QString bailoutText(const PlanDiveResult& r, const DisplayUnits& units)
{
    const BailoutPlan& b = *r.bailout;
    QString text = QCoreApplication::translate("GasPlan", "bailout (GF %1/%2), surfacing at %3\n")
                       .arg(std::lround(b.gf.gfLow * 100))
                       .arg(std::lround(b.gf.gfHigh * 100))
                       .arg(clock(b.runTimeMin));
    if (b.startCylinder < r.cylinders.size())
        text += QCoreApplication::translate("GasPlan", "  leaves the loop on %1\n")
                    .arg(cylinderGasName(r.cylinders[b.startCylinder]));
    const bool feet = units.depth == UnitSystem::Imperial;
    for (const LinePlan& l : b.lines) {
        const QString mark = l.kind == LinePlan::Switch
            ? QStringLiteral("<>")
            : (l.direction == LinePlan::Level ? QStringLiteral("-") : QStringLiteral("^"));
        text += QStringLiteral(" %1 %2%3 %4 %5  %6\n")
                    .arg(mark, 2)
                    .arg(Units::toDisplay(Quantity::Depth, double(l.depth), units), 5, 'f', 1)
                    .arg(feet ? QStringLiteral("ft") : QStringLiteral("m"))
                    .arg(l.kind == LinePlan::Switch ? QString() : clock(l.duration), 9)
                    .arg(clock(l.runTime), 9)
                    .arg(l.gas < quint32(r.cylinders.size())
                            ? cylinderGasName(r.cylinders[int(l.gas)])
                            : QString());
    }
    return text + cylinderTable(r.cylinders, b.cylinders, units);
}

} // namespace

QString gasPressureText(double bar, const DisplayUnits& units, bool down)
{
    const double shown = Units::toDisplay(Quantity::Pressure, bar, units);
    return QStringLiteral("%1 %2")
        .arg(down ? std::floor(shown) : std::round(shown), 0, 'f', 0)
        .arg(Units::symbol(Quantity::Pressure, units));
}

QString cylinderSizeText(const Cylinder& cylinder, const DisplayUnits& units)
{
    if (units.volume == UnitSystem::Imperial)
        return QStringLiteral("%1 cuft %2")
            .arg(Units::cylinderCubicFeet(cylinder.litres, cylinder.workingBar()), 0, 'f', 1)
            .arg(gasPressureText(cylinder.fillBar, units));
    return QStringLiteral("%1 L %2")
        .arg(cylinder.litres, 0, 'g', 4)
        .arg(gasPressureText(cylinder.fillBar, units));
}

QString gasPlanText(const PlanifDive& dive, const DisplayUnits& units)
{
    const PlanDiveResult& r = dive.result;
    QString text;
    if (!r.bailout && !r.cylinders.isEmpty()) {
        text += QCoreApplication::translate("GasPlan", "gas plan\n");
        if (dive.settings.closedCircuit)
            text += QCoreApplication::translate("GasPlan",
                "  on the loop: nothing is breathed from the cylinders, the bailout is not "
                "planned\n");
        text += cylinderTable(r.cylinders, r.gas.cylinders, units);
    }
    if (r.bailout)
        text += bailoutText(r, units);
    if (!r.contingencies)
        return text;
    for (const ContingencyPlan& c : *r.contingencies) {
        text += QCoreApplication::translate("GasPlan", "contingency: %1, surfacing at %2\n")
                    .arg(c.title(), clock(c.runTimeMin));
        for (int i = 0; i < c.cylinders.size() && i < c.use.size(); ++i)
            text += QCoreApplication::translate("GasPlan", "  %1 used %2, ends at %3\n")
                        .arg(cylinderGasName(c.cylinders[i]), -8)
                        .arg(volume(c.use[i].usedLitres, units),
                            gasPressureText(c.use[i].endBar, units, true));
    }
    return text;
}
