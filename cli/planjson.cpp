#include "cli/planjson.h"

#include "cli/cliunits.h"
#include "cli/plangas.h"
#include "cli/plansettingsoptions.h"
#include "dive/formattime.h"
#include "planner/divegas.h"
#include "planner/gasplantext.h"
#include "planner/plancompute.h"
#include "planner/plangas.h"
#include "planner/planwarnings.h"

#include <QJsonArray>

#include <cmath>

namespace {

const char* directionName(quint32 direction)
{
    switch (direction) {
    case LinePlan::Descending:
        return "descending";
    case LinePlan::Level:
        return "level";
    default:
        return "ascending";
    }
}

QString gasName(const PlanifDive& dive, quint32 index)
{
    if (index >= quint32(dive.profile.gases.size()))
        return QString();
    return planGasName(dive.profile.gases[int(index)]);
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

QString clock(float minutes)
{
    return formatTime(int(std::lround(double(minutes) * 60.0)));
}

// The factors the ascent was computed with; where they are not the diver's, why and the
// diver's own.
QJsonObject gfJson(const PlanifDive& dive)
{
    const PlanDiveResult& r = dive.result;
    QJsonObject gf { { "low", int(std::lround(r.gfLow * 100)) },
        { "high", int(std::lround(r.gfHigh * 100)) } };
    if (!r.computed)
        gf = { { "low", dive.settings.gfLow }, { "high", dive.settings.gfHigh } };
    static const char* const reasons[] = { "", "effort", "third-dive", "yoyo" };
    if (r.gfReduction != PlanDiveResult::GfReduction::None) {
        gf.insert("reason", reasons[int(r.gfReduction)]);
        gf.insert("reducedFrom", rounded(r.gfReducedFromMin, 3));
        gf.insert("chosen",
            QJsonObject { { "low", dive.settings.gfLow }, { "high", dive.settings.gfHigh } });
    }
    return gf;
}

} // namespace

QList<PlannedDiveReport> computeWholePlan(Planification& plan, const PlanComputeSettings& settings)
{
    QList<PlannedDiveReport> reports;
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        PlannedDiveReport report;
        plan.currentIndex = slot;
        plan.lineCallback = [&report](const LinePlan& line) { report.lines.append(line); };
        // Each dive is computed from the end state of the one before, in order.
        computePlanDive(plan, slot, settings, true);
        plan.lineCallback = nullptr;
        report.dive = plan.dives[size_t(slot)].get();
        report.name = report.dive->profile.name;
        reports.append(report);
    }
    plan.currentIndex = plan.diveCount() > 0 ? 0 : -1;
    return reports;
}

QJsonObject planReportJson(const QList<PlannedDiveReport>& dives)
{
    QJsonArray diveArray;
    for (const PlannedDiveReport& report : dives) {
        const PlanifDive& dive = *report.dive;
        QJsonArray lines;
        QJsonObject summary;
        for (const LinePlan& line : report.lines) {
            if (line.kind == LinePlan::Line) {
                QJsonObject entry {
                    { "kind", "line" },
                    { "direction", directionName(line.direction) },
                    { "computed", line.computed != 0 },
                    { "depth", rounded(line.depth, 2) },
                    { "duration", rounded(line.duration, 3) },
                    { "runTime", rounded(line.runTime, 3) },
                    { "gas", gasName(dive, line.gas) },
                    { "gasIndex", int(line.gas) },
                };
                if (line.setpoint > 0) // closed circuit: the setpoint breathed
                    entry.insert("setpoint", rounded(line.setpoint, 2));
                lines.append(entry);
            } else if (line.kind == LinePlan::Switch) {
                lines.append(QJsonObject {
                    { "kind", "switch" },
                    { "depth", rounded(line.depth, 2) },
                    { "runTime", rounded(line.runTime, 3) },
                    { "gas", gasName(dive, line.gas) },
                    { "gasIndex", int(line.gas) },
                });
            } else if (line.kind == LinePlan::Summary) {
                // "cns" is the highest of the dive, as the summary line shows it.
                summary = QJsonObject {
                    { "cns", rounded(line.cns, 2) },
                    { "cnsMax", rounded(line.cns, 2) },
                    { "cnsEnd", rounded(line.cnsEnd, 2) },
                    { "otu", rounded(line.otu, 2) },
                };
                // No-decompression minutes left at the end of the bottom; 0 when stops are owed.
                summary.insert("ndl", rounded(std::max(0.0f, line.ndl), 2));
            }
        }
        summary.insert("invalidDiveCode", int(dive.profile.invalidDiveCode));
        summary.insert("decoNotTerminated", dive.profile.decoNotTerminated != 0);
        summary.insert("decoImpossible", dive.result.decoImpossible);
        summary.insert("timeToSurface", rounded(dive.result.dtrMin, 3));
        summary.insert("stopTime", rounded(dive.result.stopTimeMin, 3));
        summary.insert("maxDepth", rounded(dive.profile.maxDepth, 2));
        summary.insert("duration", rounded(dive.profile.duration / 60.0, 3));
        const PlanDiveSettings& settings = dive.settings;
        QJsonArray gases;
        for (const PlanGas& gas : planGasTable(dive)) {
            QJsonObject entry { { "o2", gas.o2 }, { "he", gas.he },
                { "role", gas.role == PlanGasRole::Deco ? "deco" : "bottom" } };
            if (gas.role == PlanGasRole::Deco && !settings.closedCircuit)
                entry.insert("switchDepth", rounded(gas.switchDepthM, 2));
            gases.append(entry);
        }
        QJsonObject diveObject {
            { "name", report.name },
            { "gf", gfJson(dive) },
            { "closedCircuit", settings.closedCircuit },
            { "gases", gases },
            { "surfaceInterval", double(dive.surfaceIntervalS) / 60.0 },
            { "effortMode", dive.effortMode != 0 },
            { "settings", cli::planSettingsJson(dive) },
            { "lines", lines },
            { "summary", summary },
        };
        cli::addGasJson(diveObject, dive);
        diveArray.append(diveObject);
    }
    return QJsonObject { { "dives", diveArray } };
}

QString planReportText(const QList<PlannedDiveReport>& dives, const DisplayUnits& units)
{
    static const char* const arrows[] = { "v", "-", "^" };
    QString text;
    for (const PlannedDiveReport& report : dives) {
        const PlanifDive& dive = *report.dive;
        text += QStringLiteral("%1\n").arg(report.name);
        // What makes the plan not diveable comes first, then the factors it was computed at.
        for (const PlanWarning& w : planWarnings(dive, units))
            text += (w.error ? QStringLiteral("error: ") : QStringLiteral("warning: ")) + w.message
                + QLatin1Char('\n');
        text += usedGfText(dive) + QLatin1Char('\n');
        text += QStringLiteral("   depth  duration   runtime  gas\n");
        for (const LinePlan& line : report.lines) {
            if (line.kind == LinePlan::Line) {
                text += QStringLiteral("%1%2 %3 %4 %5  %6\n")
                            .arg(line.computed ? QStringLiteral(" ") : QStringLiteral("*"))
                            .arg(QString::fromLatin1(arrows[std::min<quint32>(line.direction, 2)]))
                            .arg(cli::depthText(double(line.depth), units, 5))
                            .arg(clock(line.duration), 9)
                            .arg(clock(line.runTime), 9)
                            .arg(gasName(dive, line.gas)
                                + (line.setpoint > 0 ? QStringLiteral(" SP %1").arg(
                                       double(line.setpoint), 0, 'f', 1)
                                                     : QString()));
            } else if (line.kind == LinePlan::Switch) {
                text += QStringLiteral("<> %1 %2 %3  %4\n")
                            .arg(cli::depthText(double(line.depth), units, 5))
                            .arg(QString(), 9)
                            .arg(clock(line.runTime), 9)
                            .arg(gasName(dive, line.gas));
            } else if (line.kind == LinePlan::Summary) {
                text += QStringLiteral("CNS %1%  OTU %2  time to surface %3\n")
                            .arg(std::lround(line.cns))
                            .arg(std::lround(line.otu))
                            .arg(dive.result.decoImpossible ? QStringLiteral("-")
                                                            : clock(dive.result.dtrMin));
                if (line.ndl >= 0.0f)
                    text += QStringLiteral("No-decompression time left %1 min\n")
                                .arg(std::floor(line.ndl));
            }
        }
        text += gasPlanText(dive, units);
        if (dive.settings.closedCircuit && !dive.result.bailout)
            text += QStringLiteral("  (plan the bailout with --bailout)\n");
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("(* the diver's own segments, <> a change of gas)\n");
    return text;
}
