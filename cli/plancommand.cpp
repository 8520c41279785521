#include "cli/clioptions.h"
#include "cli/cliunits.h"
#include "cli/plangas.h"
#include "cli/planjson.h"
#include "cli/plansettingsoptions.h"
#include "dive/diveprofile.h"
#include "planner/planstorage.h"

#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <optional>

namespace cli {

namespace {

bool parsePoint(const QString& text, int gasCount, DiveSample& point)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    bool okDepth = false;
    bool okTime = false;
    const double depth = parts[0].toDouble(&okDepth);
    const double minutes = parts[1].toDouble(&okTime);
    if (!okDepth || !okTime || !std::isfinite(depth) || !std::isfinite(minutes) || depth < 0
        || depth > 150 || minutes < 0 || minutes > 24 * 60)
        return false;
    int gas = 0;
    if (parts.size() == 3) {
        bool okGas = false;
        gas = parts[2].toInt(&okGas);
        if (!okGas || gas < 0 || gas >= gasCount)
            return false;
    }
    point = DiveSample {};
    point.depth = depth;
    point.time = std::round(minutes * 60.0);
    point.gasIndex = gas;
    return true;
}

// "32" or "18/45" percent.
bool parseGas(const QString& text, DiveGas& gas)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    bool okO2 = false;
    bool okHe = true;
    const int o2 = parts[0].toInt(&okO2);
    const int he = parts.size() > 1 ? parts[1].toInt(&okHe) : 0;
    if (parts.size() > 2 || !okO2 || !okHe || o2 < 5 || o2 > 100 || he < 0 || o2 + he > 100)
        return false;
    gas = DiveGas {};
    gas.o2 = o2;
    gas.he = he;
    gas.name = DiveProfile::gasName(gas);
    gas.id = gas.name;
    return true;
}

// A deco gas by its mix, "50" or "18/45", or by one of the names the gas box had: "air" adds
// none, "nx40" EAN40, "oxyar", "oxysr" and "cfoxy" oxygen.
std::optional<QList<PlanGas>> parseDecoGas(const QString& text)
{
    const QString name = text.toLower();
    if (name == QLatin1String("air"))
        return QList<PlanGas> {};
    if (name == QLatin1String("nx40"))
        return QList<PlanGas> { { 40, 0, PlanGasRole::Deco, 0.0f } };
    if (name == QLatin1String("oxyar") || name == QLatin1String("oxysr")
        || name == QLatin1String("cfoxy"))
        return QList<PlanGas> { { 100, 0, PlanGasRole::Deco, 0.0f } };
    DiveGas gas;
    if (!parseGas(text, gas))
        return std::nullopt;
    return QList<PlanGas> { { gas.o2, gas.he, PlanGasRole::Deco, 0.0f } };
}

// "1:30" (hours:minutes) or minutes.
std::optional<quint32> parseInterval(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool okA = false;
    bool okB = true;
    const int a = parts[0].toInt(&okA);
    const int b = parts.size() > 1 ? parts[1].toInt(&okB) : 0;
    if (parts.size() > 2 || !okA || !okB || a < 0 || b < 0 || b > 59)
        return std::nullopt;
    const qint64 minutes = parts.size() > 1 ? qint64(a) * 60 + b : a;
    if (minutes > 14 * 24 * 60)
        return std::nullopt;
    return quint32(minutes * 60);
}

// The dive of --gas and --point.
int diveFromPoints(const Options& o, Planification& plan, QTextStream& err)
{
    plan.addDefaultDive();
    PlanifDive& dive = *plan.current();
    const QStringList gases = o.all("--gas");
    if (!gases.isEmpty()) {
        dive.profile.gases.clear();
        for (const QString& text : gases) {
            DiveGas gas;
            if (!parseGas(text, gas)) {
                err << QStringLiteral("--gas %1: give O2 or O2/He in percent\n").arg(text);
                return ExitUsage;
            }
            dive.profile.gases.append(gas);
        }
    }
    DiveSample start;
    start.gasIndex = 0;
    dive.profile.samples = { start };
    for (const QString& text : o.all("--point")) {
        DiveSample point;
        if (!parsePoint(text, int(dive.profile.gases.size()), point)) {
            err << QStringLiteral("--point %1: give DEPTH:MINUTES[:GAS] (gas by its place in "
                                  "the gas list, from 0)\n")
                       .arg(text);
            return ExitUsage;
        }
        if (point.time <= dive.profile.samples.last().time) {
            err << QStringLiteral("--point %1: times must increase\n").arg(text);
            return ExitUsage;
        }
        dive.profile.samples.append(point);
    }
    dive.profile.computeStatistics();
    dive.profile.computeSpeeds(false);
    return ExitOk;
}

// The plan file named, or the dive of the points given: one of the two.
int readPlanSource(const Options& o, Planification& plan, QTextStream& err)
{
    if (o.positional.size() > 1) {
        err << "usage: veltra-cli plan [FILE.diveplan] [options]\n";
        return ExitUsage;
    }
    const bool points = !o.all("--point").isEmpty();
    if (o.positional.size() == 1 && points) {
        err << "give either a plan file or --point, not both\n";
        return ExitUsage;
    }
    if (points)
        return diveFromPoints(o, plan, err);
    if (o.positional.isEmpty()) {
        err << "give a plan file or the points of a dive (--point DEPTH:MINUTES)\n";
        return ExitUsage;
    }
    const PlanFile::Status status = loadPlan(plan, o.positional[0]);
    if (status != PlanFile::Status::Ok) {
        err << QStringLiteral("%1: %2\n").arg(o.positional[0], PlanFile::statusText(status));
        return ExitFailed;
    }
    if (plan.diveCount() == 0) {
        err << QStringLiteral("%1: the plan holds no dive\n").arg(o.positional[0]);
        return ExitFailed;
    }
    return ExitOk;
}

bool readGf(const Options& o, PlanComputeSettings& settings, QTextStream& err)
{
    if (!o.values.contains("--gf"))
        return true;
    const QStringList parts = o.value("--gf").split(QLatin1Char('/'));
    bool okLow = false;
    bool okHigh = false;
    const int low = parts.value(0).toInt(&okLow);
    const int high = parts.value(1).toInt(&okHigh);
    if (parts.size() != 2 || !okLow || !okHigh || low < 10 || high < 10 || low > 100
        || high > 100) {
        err << "--gf takes LOW/HIGH in percent, for example 30/80\n";
        return false;
    }
    if (low > high) {
        err << "--gf: the low factor must not exceed the high one\n";
        return false;
    }
    settings.gf = make_gf(quint8(low), quint8(high));
    return true;
}

// Surface pressure, effort mode and surface intervals, over the file's.
bool applyDiveOptions(const Options& o, Planification& plan, QTextStream& err)
{
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        PlanifDive& dive = *plan.dives[size_t(slot)];
        if (o.values.contains("--surface-pressure")) {
            bool ok = false;
            double p = o.value("--surface-pressure").toDouble(&ok);
            if (ok && p > 100)
                p /= 1000.0; // given in mbar
            if (!ok || !(p >= 0.5 && p <= 1.1)) {
                err << "--surface-pressure takes 0.5 to 1.1 bar (or 500 to 1100 mbar)\n";
                return false;
            }
            dive.surfacePressure = float(p);
        }
        if (o.has("--effort"))
            dive.effortMode = 1;
    }
    const QStringList intervals = o.all("--interval");
    for (int i = 0; i < intervals.size(); ++i) {
        const auto seconds = parseInterval(intervals[i]);
        if (!seconds) {
            err << QStringLiteral("--interval %1: give HOURS:MINUTES or minutes\n")
                       .arg(intervals[i]);
            return false;
        }
        if (i + 1 < plan.diveCount())
            plan.dives[size_t(i + 1)]->surfaceIntervalS = *seconds;
    }
    return true;
}

// --cc and --deco-gas for every dive; without them a plan file keeps its own.
bool applyDecoGases(const Options& o, Planification& plan, QTextStream& err)
{
    const QStringList decoGases = o.all("--deco-gas");
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        PlanDiveSettings& s = plan.dives[size_t(slot)]->settings;
        if (o.has("--cc"))
            s.closedCircuit = true;
        if (decoGases.isEmpty())
            continue;
        s.decoGases.clear();
        for (const QString& text : decoGases) {
            const auto mixes = parseDecoGas(text);
            if (!mixes) {
                err << QStringLiteral("--deco-gas %1: give O2[/HE] in percent (or air, nx40, "
                                      "oxyar, oxysr, cfoxy)\n")
                           .arg(text);
                return false;
            }
            for (const PlanGas& g : *mixes) {
                const bool listed = std::any_of(s.decoGases.begin(), s.decoGases.end(),
                    [&](const PlanGas& d) { return d.sameMix(g.o2, g.he); });
                if (!listed)
                    s.decoGases.append(g);
            }
        }
        if (s.decoGases.size() > kMaxDecoGases) {
            err << QStringLiteral("--deco-gas: at most %1 deco gases\n").arg(kMaxDecoGases);
            return false;
        }
    }
    return true;
}

int commandPlan(const Options& o, const DisplayUnits& units, QTextStream& out, QTextStream& err)
{
    Planification plan;
    const int read = readPlanSource(o, plan, err);
    if (read != ExitOk)
        return read;
    PlanComputeSettings settings;
    if (!readGf(o, settings, err) || !applyDiveOptions(o, plan, err)
        || !applyDecoGases(o, plan, err) || !applyPlanGasOptions(o, plan, err)
        || !applyPlanSettingsOptions(o, plan, err))
        return ExitUsage;

    // The gas plan words its messages as it is computed: in the diver's units for the text and
    // the slate, SI for JSON.
    if (!o.has("--json"))
        DisplayUnits::setCurrent(units);
    const QList<PlannedDiveReport> reports = computeWholePlan(plan, settings);
    if (o.values.contains("--save")) {
        const QString path = o.value("--save");
        const PlanFile::Status status = savePlan(plan, path);
        if (status != PlanFile::Status::Ok) {
            err << QStringLiteral("%1: %2\n").arg(path, PlanFile::statusText(status));
            return ExitFailed;
        }
    }
    if (o.has("--json")) {
        printJson(out, planReportJson(reports));
        if (o.values.contains("--slate") && units != DisplayUnits()) {
            DisplayUnits::setCurrent(units); // the slate's gas messages in the diver's units
            computeWholePlan(plan, settings);
        }
    } else {
        out << planReportText(reports, units);
    }
    if (!writePlanSlate(o, plan, units, err))
        return ExitFailed;
    return ExitOk;
}

} // namespace

QString planUsage()
{
    return QStringLiteral(
        "  plan [FILE.diveplan] [--point DEPTH:MINUTES[:GAS]]... [--gas O2[/HE]]...\n"
        "       [--gf LOW/HIGH] [--surface-pressure BAR] [--water salt|fresh] [--effort]\n"
        "       [--interval H:MM]... [--deco-gas O2[/HE]]... [--cc] [--save FILE.diveplan]\n"
        "       [--json] [--cylinder LITRES:BAR[:WORKING]]... [--sac L/MIN] [--deco-sac L/MIN]\n"
        "       [--reserve minimum-gas|thirds] [--bailout] [--slate FILE.pdf] [--units U]\n"
        "       [--stress-factor F] [--problem-time MIN] [--cylinder-temperature C]\n"
        "       [--bailout-time MIN] [--setpoint-switch M] [--contingency] [--deeper M]\n"
        "       [--longer MIN] [--slate-size a4|a6]\n"
        "       [--switch first-stop|depth] [--switch-time MIN] [--deco-ppo2 BAR]\n"
        "       [--bottom-ppo2 BAR] [--last-stop 3|6] [--ascent-rate M/MIN] [--stop-rate M/MIN]\n"
        "       [--safety-stop MIN[@DEPTH]] [--round-stops] [--altitude M]\n"
        "       [--water salt|fresh|brackish] [--o2-breaks ON/OFF] [--end-limit M]\n");
}

int runPlan(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList rest = args;
    DisplayUnits units;
    QString unitError;
    if (!takeUnits(rest, units, unitError)) {
        err << unitError << '\n';
        return ExitUsage;
    }
    const Options options = parse(rest,
        QStringList {
            "--point", "--gas", "--gf", "--surface-pressure", "--interval", "--deco-gas", "--save" }
            + planGasValueOptions() + planSettingsValueOptions(),
        QStringList { "--effort", "--cc", "--json" } + planGasFlagOptions()
            + planSettingsFlagOptions());
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandPlan(options, units, out, err);
}

} // namespace cli
