#include "planner/planslate.h"

#include "dive/formattime.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/gasplantext.h"
#include "planner/plangas.h"
#include "planner/planification.h"
#include "planner/planwarnings.h"

#include <QCoreApplication>

#include <cmath>
#include <functional>

namespace {

// lupdate finds tr() only on a class: this one gives the messages of this file their
// context, the same for the translation tools and at run time.
class SlateText
{
    Q_DECLARE_TR_FUNCTIONS(Slate)
};

QString clock(double minutes)
{
    return formatTime(int(std::lround(minutes * 60.0)));
}

// Depths in whole metres or feet.
QString metres(double depthM, const DisplayUnits& units)
{
    return QStringLiteral("%1 %2")
        .arg(std::lround(Units::toDisplay(Quantity::Depth, depthM, units)))
        .arg(Units::symbol(Quantity::Depth, units));
}

QString volume(double litres, const DisplayUnits& units)
{
    const bool cuft = units.volume == UnitSystem::Imperial;
    return QStringLiteral("%1 %2")
        .arg(Units::toDisplay(Quantity::Volume, litres, units), 0, 'f', cuft ? 1 : 0)
        .arg(Units::symbol(Quantity::Volume, units));
}

// Litres of water, or the cubic feet of gas it holds at its working pressure.
QString size(const Cylinder& c, const DisplayUnits& units)
{
    if (units.volume == UnitSystem::Imperial)
        return QStringLiteral("%1 cuft").arg(
            Units::cylinderCubicFeet(c.litres, c.workingBar()), 0, 'f', 1);
    return QStringLiteral("%1 L").arg(c.litres, 0, 'g', 4);
}

QString gasOfLine(const PlanifDive& dive, quint32 index)
{
    if (index >= quint32(dive.profile.gases.size()))
        return QString();
    return planGasName(dive.profile.gases[int(index)]);
}

// A stop's time: mm:ss, or whole minutes rounded up when the plan rounds its stops.
QString stopText(double minutes, bool wholeMinutes)
{
    if (!wholeMinutes)
        return clock(minutes);
    return SlateText::tr("%1 min").arg(std::ceil(minutes - 1.0 / 120.0), 0, 'f', 0);
}

// The run-time table divers read: the diver's own segments, each change of gas, each stop, and
// the surfacing. Transits between stops are left out; they take the slow ascent rate.
SlateTable runTable(const QList<LinePlan>& lines, const std::function<QString(quint32)>& gasName,
    bool wholeMinutes, const DisplayUnits& units)
{
    SlateTable t { SlateText::tr("Run time"),
        { SlateText::tr("Depth"), SlateText::tr("Stop"), SlateText::tr("Run"),
            SlateText::tr("Gas") },
        {} };
    int lastLine = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].kind == LinePlan::Line)
            lastLine = i;
    for (int i = 0; i < lines.size(); ++i) {
        const LinePlan& l = lines[i];
        if (l.kind == LinePlan::Switch) {
            t.rows.append({ metres(l.depth, units), SlateText::tr("switch"), clock(l.runTime),
                gasName(l.gas) });
            continue;
        }
        if (l.kind != LinePlan::Line)
            continue;
        // Only the computed ascent has stops: the bottom phase is the diver's own level.
        const bool stop = l.direction == LinePlan::Level && l.computed;
        if (l.computed && !stop && i != lastLine)
            continue;
        const QString gas = l.setpoint > 0
            ? SlateText::tr("%1 SP %2").arg(gasName(l.gas)).arg(double(l.setpoint), 0, 'f', 1)
            : gasName(l.gas);
        t.rows.append({ metres(l.depth, units),
            stop ? stopText(l.duration, wholeMinutes) : QStringLiteral("-"), clock(l.runTime),
            gas });
    }
    return t;
}

QStringList switchesOf(const QList<LinePlan>& lines, const std::function<QString(quint32)>& gasName,
    const DisplayUnits& units)
{
    QStringList out;
    for (const LinePlan& l : lines)
        if (l.kind == LinePlan::Switch)
            out.append(SlateText::tr("%1: %2").arg(metres(l.depth, units), gasName(l.gas)));
    return out;
}

SlateTable cylinderTable(const QString& title, const QList<Cylinder>& cylinders,
    const QList<CylinderUse>& use, const DisplayUnits& units)
{
    SlateTable t { title,
        { SlateText::tr("Gas"), SlateText::tr("Size"), SlateText::tr("Fill"), SlateText::tr("Used"),
            SlateText::tr("End"), SlateText::tr("Reserve") },
        {} };
    for (int i = 0; i < cylinders.size() && i < use.size(); ++i) {
        const Cylinder& c = cylinders[i];
        const CylinderUse& u = use[i];
        t.rows.append({ cylinderGasName(c), size(c, units), gasPressureText(c.fillBar, units),
            volume(u.usedLitres, units), gasPressureText(u.endBar, units, true),
            gasPressureText(u.reserveBar, units) });
    }
    return t;
}

// Each contingency: its run-time table and the gas it takes.
void addContingencyTables(SlatePage& page, const PlanifDive& dive,
    const std::function<QString(quint32)>& gasName, bool wholeMinutes, const DisplayUnits& units)
{
    if (!dive.result.contingencies)
        return;
    for (const ContingencyPlan& c : *dive.result.contingencies) {
        SlateTable t = runTable(c.lines, gasName, wholeMinutes, units);
        t.title
            = SlateText::tr("Contingency: %1, surfacing at %2").arg(c.title(), clock(c.runTimeMin));
        page.tables.append(t);
        page.tables.append(
            cylinderTable(SlateText::tr("Gas for: %1").arg(c.title()), c.cylinders, c.use, units));
    }
}

// The bailout's run-time table, from where the loop fails, and the gas it takes.
void addBailoutTables(
    SlatePage& page, const PlanifDive& dive, bool wholeMinutes, const DisplayUnits& units)
{
    const PlanDiveResult& r = dive.result;
    const BailoutPlan& b = *r.bailout;
    auto cylinderName = [&r](quint32 c) {
        return c < quint32(r.cylinders.size()) ? cylinderGasName(r.cylinders[int(c)]) : QString();
    };
    SlateTable t = runTable(b.lines, cylinderName, wholeMinutes, units);
    const double startRun
        = b.lines.isEmpty() ? b.runTimeMin : b.lines.first().runTime - b.lines.first().duration;
    const double startDepth
        = dive.profile.samples.isEmpty() ? 0.0 : dive.profile.samples.last().depth;
    t.rows.prepend({ metres(startDepth, units), QStringLiteral("-"), clock(startRun),
        cylinderName(quint32(b.startCylinder)) });
    t.title = SlateText::tr("Bailout from %1 at %2 (GF %3/%4), surfacing at %5")
                  .arg(metres(startDepth, units))
                  .arg(clock(startRun))
                  .arg(std::lround(b.gf.gfLow * 100))
                  .arg(std::lround(b.gf.gfHigh * 100))
                  .arg(clock(b.runTimeMin));
    page.tables.append(t);
    page.tables.append(
        cylinderTable(SlateText::tr("Bailout gas"), r.cylinders, b.cylinders, units));
}

} // namespace

QList<SlatePage> planSlatePages(const Planification& plan, bool roundAll, const DisplayUnits& units)
{
    QList<SlatePage> pages;
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        const PlanifDive& dive = *plan.dives[size_t(slot)];
        const PlanDiveResult& r = dive.result;
        if (!r.computed)
            continue;
        // A dive whose stops end on whole minutes prints them so.
        const bool wholeMinutes = roundAll || dive.settings.ascent.roundStops;
        SlatePage page;
        float runTime = 0;
        for (const LinePlan& l : r.lines)
            if (l.kind == LinePlan::Summary)
                runTime = l.runTime;
        page.title
            = SlateText::tr("%1 - %2, run time %3")
                  .arg(dive.profile.name, metres(dive.profile.maxDepth, units), clock(runTime));
        page.summary.append(SlateText::tr("GF %1/%2   CNS %3 %   OTU %4   %5")
                                .arg(std::lround(r.gfLow * 100))
                                .arg(std::lround(r.gfHigh * 100))
                                .arg(std::lround(r.cnsPercent))
                                .arg(std::lround(r.otu))
                                .arg(dive.settings.closedCircuit ? SlateText::tr("closed circuit")
                                                                 : SlateText::tr("open circuit")));
        auto gasName = [&dive](quint32 g) { return gasOfLine(dive, g); };
        const QStringList switches = switchesOf(r.lines, gasName, units);
        if (!switches.isEmpty())
            page.summary.append(
                SlateText::tr("Gas switches: %1").arg(switches.join(QStringLiteral(", "))));
        // Every error and alert the result shows, errors first.
        for (const PlanWarning& w : planWarnings(dive, units))
            page.warnings.append(w.message);
        page.tables.append(runTable(r.lines, gasName, wholeMinutes, units));
        if (!dive.settings.closedCircuit)
            page.tables.append(
                cylinderTable(SlateText::tr("Gas plan"), r.cylinders, r.gas.cylinders, units));
        if (r.bailout)
            addBailoutTables(page, dive, wholeMinutes, units);
        addContingencyTables(page, dive, gasName, wholeMinutes, units);
        pages.append(page);
    }
    return pages;
}
