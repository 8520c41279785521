#include "cli/plangas.h"

#include "cli/clioptions.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/divegas.h"
#include "planner/planification.h"
#include "planner/planslate.h"
#include "planner/planwarnings.h"

#include <QJsonArray>
#include <QTextStream>

#include <cmath>

namespace cli {

namespace {

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

bool positiveNumber(const QString& text, double& value)
{
    bool ok = false;
    value = text.toDouble(&ok);
    return ok && std::isfinite(value) && value > 0;
}

QJsonArray cylindersJson(const QList<Cylinder>& cylinders, const QList<CylinderUse>& use)
{
    QJsonArray out;
    for (int i = 0; i < cylinders.size() && i < use.size(); ++i) {
        const Cylinder& c = cylinders[i];
        const CylinderUse& u = use[i];
        QJsonObject entry {
            { "o2", c.o2 },
            { "he", c.he },
            { "role", c.role == CylinderRole::Deco ? "deco" : "bottom" },
            { "litres", rounded(c.litres, 2) },
            { "fillBar", rounded(c.fillBar, 1) },
            { "workBar", rounded(c.workingBar(), 1) },
            { "usedLitres", rounded(u.usedLitres, 1) },
            { "endBar", rounded(u.endBar, 1) },
            { "reserveBar", rounded(u.reserveBar, 1) },
        };
        // The rule of thirds also gives the pressure at which to turn the dive.
        if (u.turnBar > 0)
            entry.insert("turnBar", u.turnBar);
        out.append(entry);
    }
    return out;
}

QJsonArray warningsJson(const QList<PlanWarning>& warnings)
{
    QJsonArray out;
    for (const PlanWarning& w : warnings)
        out.append(QJsonObject {
            { "code", w.code },
            { "severity", w.error ? "error" : "warning" },
            { "message", w.message },
            { "runTime", w.runTimeMin < 0 ? QJsonValue() : rounded(w.runTimeMin, 3) },
        });
    return out;
}

QJsonArray linesJson(const PlanifDive& dive, const QList<LinePlan>& lines)
{
    static const char* const directions[] = { "descending", "level", "ascending" };
    QJsonArray out;
    for (const LinePlan& l : lines) {
        DiveGas gas = dive.profile.gases.value(int(l.gas));
        if (l.kind == LinePlan::Switch) {
            out.append(QJsonObject { { "kind", "switch" }, { "depth", rounded(l.depth, 2) },
                { "runTime", rounded(l.runTime, 3) }, { "gas", DiveProfile::gasName(gas) },
                { "gasIndex", int(l.gas) } });
            continue;
        }
        QJsonObject line { { "kind", "line" },
            { "direction", directions[std::min<quint32>(l.direction, 2)] },
            { "computed", l.computed != 0 }, { "depth", rounded(l.depth, 2) },
            { "duration", rounded(l.duration, 3) }, { "runTime", rounded(l.runTime, 3) },
            { "gas", DiveProfile::gasName(gas) }, { "gasIndex", int(l.gas) } };
        if (l.setpoint > 0)
            line.insert("setpoint", rounded(l.setpoint, 2));
        out.append(line);
    }
    return out;
}

QJsonArray contingenciesJson(const PlanifDive& dive)
{
    QJsonArray out;
    for (const ContingencyPlan& c : *dive.result.contingencies) {
        QJsonObject entry { { "kind", ContingencyPlan::kindName(c.kind) },
            { "lines", linesJson(dive, c.lines) },
            { "summary",
                QJsonObject { { "runTime", rounded(c.runTimeMin, 3) },
                    { "timeToSurface", rounded(c.dtrMin, 3) },
                    { "cnsMax", rounded(c.cnsPercent, 2) }, { "otu", rounded(c.otu, 2) },
                    { "decoImpossible", c.decoImpossible } } },
            { "cylinders", cylindersJson(c.cylinders, c.use) },
            { "warnings", warningsJson(c.warnings) } };
        if (c.kind == ContingencyPlan::LostGas) {
            DiveGas gas;
            gas.o2 = c.lostGas.o2;
            gas.he = c.lostGas.he;
            entry.insert("gas", DiveProfile::gasName(gas));
        } else {
            entry.insert("deeper", c.deeperM);
            entry.insert("longer", c.longerMin);
        }
        out.append(entry);
    }
    return out;
}

// A number option into `value`; false (after telling `err`) when it is not a number.
bool numberOption(const Options& o, const char* name, double& value, QTextStream& err)
{
    if (!o.values.contains(name))
        return true;
    bool ok = false;
    const double v = o.value(name).toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        err << name << " takes a number\n";
        return false;
    }
    value = v;
    return true;
}

} // namespace

QStringList planGasValueOptions()
{
    return { "--cylinder", "--sac", "--deco-sac", "--reserve", "--slate", "--stress-factor",
        "--problem-time", "--cylinder-temperature", "--bailout-time", "--setpoint-switch",
        "--deeper", "--longer", "--slate-size" };
}

QStringList planGasFlagOptions()
{
    return { "--bailout", "--contingency" };
}

namespace {

// The breathing rates, reserves and contingency settings the options give over `settings`.
bool readGasSettings(const Options& o, GasSettings& settings, QTextStream& err)
{
    if (o.values.contains("--sac") && !positiveNumber(o.value("--sac"), settings.bottomSacLpm)) {
        err << "--sac takes the bottom breathing rate in litres per minute (cubic feet with "
               "--units imperial), more than 0\n";
        return false;
    }
    if (o.values.contains("--deco-sac")
        && !positiveNumber(o.value("--deco-sac"), settings.decoSacLpm)) {
        err << "--deco-sac takes the deco breathing rate in litres per minute (cubic feet with "
               "--units imperial), more than 0\n";
        return false;
    }
    if (o.values.contains("--reserve")) {
        const QString mode = o.value("--reserve").toLower();
        if (mode != "minimum-gas" && mode != "thirds") {
            err << "--reserve takes minimum-gas or thirds\n";
            return false;
        }
        settings.reserveMode = mode == "thirds" ? ReserveMode::Thirds : ReserveMode::MinimumGas;
    }
    if (!numberOption(o, "--stress-factor", settings.minimumGasFactor, err)
        || !numberOption(o, "--problem-time", settings.problemMin, err)
        || !numberOption(o, "--cylinder-temperature", settings.cylinderCelsius, err)
        || !numberOption(o, "--bailout-time", settings.bailoutProblemMin, err)
        || !numberOption(o, "--setpoint-switch", settings.setpointSwitchM, err)
        || !numberOption(o, "--deeper", settings.deeperM, err)
        || !numberOption(o, "--longer", settings.longerMin, err))
        return false;
    settings.contingency = settings.contingency || o.has("--contingency");
    const QString size = o.value("--slate-size").toLower();
    if (o.values.contains("--slate-size") && size != "a4" && size != "a6") {
        err << "--slate-size takes a4 or a6\n";
        return false;
    }
    const QString invalid = validateGasSettings(settings);
    if (!invalid.isEmpty()) {
        err << invalid << '\n';
        return false;
    }
    return true;
}

// --cylinder LITRES:BAR[:WORKING BAR], in the order of the gases.
bool readCylinders(const Options& o, QList<Cylinder>& given, QTextStream& err)
{
    for (const QString& text : o.all("--cylinder")) {
        const QStringList parts = text.split(QLatin1Char(':'));
        Cylinder c;
        bool okLitres = false;
        bool okBar = false;
        bool okWork = true;
        if (parts.size() == 2 || parts.size() == 3) {
            c.litres = parts[0].toDouble(&okLitres);
            c.fillBar = parts[1].toDouble(&okBar);
            if (parts.size() == 3)
                c.workBar = parts[2].toDouble(&okWork);
        }
        if (!okLitres || !okBar || !okWork) {
            err << QStringLiteral("--cylinder %1: give LITRES:BAR or LITRES:BAR:WORKING BAR, for "
                                  "example 12:200 or 12:200:232\n")
                       .arg(text);
            return false;
        }
        const QString bad = validateCylinders({ c }, 1);
        if (!bad.isEmpty()) {
            err << QStringLiteral("--cylinder %1: %2\n").arg(text, bad);
            return false;
        }
        given.append(c);
    }
    return true;
}

// One given cylinder per cylinder each dive uses, in its gas table's order.
bool assignCylinders(Planification& plan, const QList<Cylinder>& given, QTextStream& err)
{
    for (int slot = 0; slot < plan.diveCount() && !given.isEmpty(); ++slot) {
        PlanifDive& dive = *plan.dives[size_t(slot)];
        setUpDiveCylinders(dive);
        const int used = int(dive.result.cylinders.size());
        if (used != given.size()) {
            QStringList names;
            for (const Cylinder& c : dive.result.cylinders)
                names.append(cylinderGasName(c));
            err << QStringLiteral("--cylinder: give one per gas; %1 uses %2 (%3), %4 given\n")
                       .arg(dive.profile.name)
                       .arg(used)
                       .arg(names.join(QStringLiteral(", ")))
                       .arg(given.size());
            return false;
        }
        for (int i = 0; i < used; ++i)
            setCylinderOfTableRow(dive, i, given[i]);
    }
    return true;
}

} // namespace

bool applyPlanGasOptions(const Options& o, Planification& plan, QTextStream& err)
{
    GasSettings settings = plan.gasSettings;
    if (!readGasSettings(o, settings, err))
        return false;
    bool closed = false;
    for (int slot = 0; slot < plan.diveCount(); ++slot)
        closed = closed || plan.dives[size_t(slot)]->settings.closedCircuit;
    if (o.has("--bailout") && !closed) {
        err << "--bailout plans the ascent of a failed loop: give it with --cc\n";
        return false;
    }
    QList<Cylinder> given;
    if (!readCylinders(o, given, err) || !assignCylinders(plan, given, err))
        return false;
    plan.gasSettings = settings;
    plan.gasSettings.bailout = plan.gasSettings.bailout || o.has("--bailout");
    return true;
}

bool writePlanSlate(
    const Options& o, const Planification& plan, const DisplayUnits& units, QTextStream& err)
{
    if (!o.values.contains("--slate"))
        return true;
    QString error;
    const SlateSize size
        = o.value("--slate-size").toLower() == QLatin1String("a6") ? SlateSize::A6 : SlateSize::A4;
    if (!writeSlate(o.value("--slate"), planSlatePages(plan, false, units), &error, size)) {
        err << error << '\n';
        return false;
    }
    return true;
}

void addGasJson(QJsonObject& diveObject, const PlanifDive& dive)
{
    const PlanDiveResult& r = dive.result;
    diveObject.insert("cylinders", cylindersJson(r.cylinders, r.gas.cylinders));
    diveObject.insert("warnings", warningsJson(planWarnings(dive, DisplayUnits())));
    if (r.contingencies)
        diveObject.insert("contingencies", contingenciesJson(dive));
    if (!r.bailout)
        return;
    const BailoutPlan& b = *r.bailout;
    QJsonArray lines;
    for (const LinePlan& l : b.lines) {
        if (l.kind == LinePlan::Switch) {
            lines.append(QJsonObject { { "kind", "switch" }, { "depth", rounded(l.depth, 2) },
                { "runTime", rounded(l.runTime, 3) }, { "cylinder", int(l.gas) } });
            continue;
        }
        lines.append(QJsonObject {
            { "kind", "line" },
            { "direction", l.direction == LinePlan::Level ? "level" : "ascending" },
            { "depth", rounded(l.depth, 2) },
            { "duration", rounded(l.duration, 3) },
            { "runTime", rounded(l.runTime, 3) },
            { "cylinder", int(l.gas) },
        });
    }
    diveObject.insert("bailout",
        QJsonObject {
            { "lines", lines },
            { "runTime", rounded(b.runTimeMin, 3) },
            { "startCylinder", b.startCylinder },
            { "cylinders", cylindersJson(r.cylinders, b.cylinders) },
            { "decoImpossible", b.impossible },
            { "gf",
                QJsonObject { { "low", int(std::lround(b.gf.gfLow * 100)) },
                    { "high", int(std::lround(b.gf.gfHigh * 100)) } } },
        });
}

} // namespace cli
