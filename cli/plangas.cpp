#include "cli/plangas.h"

#include "cli/clioptions.h"
#include "planner/bailout.h"
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
        out.append(QJsonObject {
            { "o2", c.o2 },
            { "he", c.he },
            { "role", c.role == CylinderRole::Deco ? "deco" : "bottom" },
            { "litres", rounded(c.litres, 2) },
            { "fillBar", rounded(c.fillBar, 1) },
            { "usedLitres", rounded(u.usedLitres, 1) },
            { "endBar", rounded(u.endBar, 1) },
            { "reserveBar", rounded(u.reserveBar, 1) },
        });
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

} // namespace

QStringList planGasValueOptions()
{
    return { "--cylinder", "--sac", "--deco-sac", "--reserve", "--slate" };
}

QStringList planGasFlagOptions()
{
    return { "--bailout" };
}

bool applyPlanGasOptions(const Options& o, Planification& plan, QTextStream& err)
{
    GasSettings settings = plan.gasSettings;
    if (o.values.contains("--sac") && !positiveNumber(o.value("--sac"), settings.bottomSacLpm)) {
        err << "--sac takes the bottom breathing rate in litres per minute, more than 0\n";
        return false;
    }
    if (o.values.contains("--deco-sac")
        && !positiveNumber(o.value("--deco-sac"), settings.decoSacLpm)) {
        err << "--deco-sac takes the deco breathing rate in litres per minute, more than 0\n";
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
    const QString invalid = validateGasSettings(settings);
    if (!invalid.isEmpty()) {
        err << invalid << '\n';
        return false;
    }
    bool closed = false;
    for (int slot = 0; slot < plan.diveCount(); ++slot)
        closed = closed || plan.dives[size_t(slot)]->settings.closedCircuit;
    if (o.has("--bailout") && !closed) {
        err << "--bailout plans the ascent of a failed loop: give it with --cc\n";
        return false;
    }

    QList<Cylinder> given;
    for (const QString& text : o.all("--cylinder")) {
        const QStringList parts = text.split(QLatin1Char(':'));
        Cylinder c;
        bool okLitres = false;
        bool okBar = false;
        if (parts.size() == 2) {
            c.litres = parts[0].toDouble(&okLitres);
            c.fillBar = parts[1].toDouble(&okBar);
        }
        if (!okLitres || !okBar) {
            err << QStringLiteral("--cylinder %1: give LITRES:BAR, for example 12:200\n").arg(text);
            return false;
        }
        const QString bad = validateCylinders({ c }, 1);
        if (!bad.isEmpty()) {
            err << QStringLiteral("--cylinder %1: %2\n").arg(text, bad);
            return false;
        }
        given.append(c);
    }
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
    plan.gasSettings = settings;
    plan.gasSettings.bailout = plan.gasSettings.bailout || o.has("--bailout");
    return true;
}

bool writePlanSlate(const Options& o, const Planification& plan, QTextStream& err)
{
    if (!o.values.contains("--slate"))
        return true;
    QString error;
    if (!writeSlate(o.value("--slate"), planSlatePages(plan), &error)) {
        err << error << '\n';
        return false;
    }
    return true;
}

void addGasJson(QJsonObject& diveObject, const PlanifDive& dive)
{
    const PlanDiveResult& r = dive.result;
    diveObject.insert("cylinders", cylindersJson(r.cylinders, r.gas.cylinders));
    diveObject.insert("warnings", warningsJson(planWarnings(dive)));
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
