#include "cli/plansettingsoptions.h"

#include "cli/clioptions.h"
#include "engine/config.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <QJsonValue>
#include <QTextStream>

#include <cmath>
#include <optional>

namespace cli {

namespace {

std::optional<double> number(const QString& text)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

// "20/5": minutes on oxygen, then on the back gas.
bool parsePair(const QString& text, QChar separator, float& first, float& second)
{
    const QStringList parts = text.split(separator);
    const auto a = number(parts.value(0));
    const auto b = parts.size() == 2 ? number(parts[1]) : std::optional<double>();
    if (parts.size() > 2 || !a || (parts.size() == 2 && !b))
        return false;
    first = float(*a);
    if (b)
        second = float(*b);
    return true;
}

// Each option into `s`; the first that cannot be read is named in `bad`.
bool readOptions(const Options& o, AscentSettings& s, QString& bad)
{
    auto value = [&](const char* name, float& field) {
        if (!o.values.contains(name))
            return true;
        const auto v = number(o.value(name));
        if (!v) {
            bad = QString::fromLatin1(name);
            return false;
        }
        field = float(*v);
        return true;
    };
    if (o.values.contains("--switch")) {
        const QString rule = o.value("--switch");
        if (rule != "first-stop" && rule != "depth") {
            bad = "--switch";
            return false;
        }
        s.switchRule = rule == "depth" ? SwitchRule::Depth : SwitchRule::FirstStop;
    }
    float lastStop = float(s.lastStopM);
    if (!value("--switch-time", s.switchTimeMin) || !value("--deco-ppo2", s.decoPpo2)
        || !value("--bottom-ppo2", s.bottomPpo2) || !value("--last-stop", lastStop)
        || !value("--ascent-rate", s.ascentRateMpm) || !value("--stop-rate", s.stopRateMpm)
        || !value("--altitude", s.altitudeM) || !value("--end-limit", s.endLimitM))
        return false;
    s.lastStopM = int(lastStop) == lastStop ? int(lastStop) : 0;
    if (o.values.contains("--safety-stop")
        && !parsePair(o.value("--safety-stop"), '@', s.safetyStopMin, s.safetyStopDepthM)) {
        bad = "--safety-stop";
        return false;
    }
    if (o.values.contains("--o2-breaks")
        && !parsePair(o.value("--o2-breaks"), '/', s.o2BreakMin, s.backGasMin)) {
        bad = "--o2-breaks";
        return false;
    }
    s.roundStops = s.roundStops || o.has("--round-stops");
    return true;
}

} // namespace

QStringList planSettingsValueOptions()
{
    return { "--switch", "--switch-time", "--deco-ppo2", "--bottom-ppo2", "--last-stop",
        "--ascent-rate", "--stop-rate", "--safety-stop", "--altitude", "--o2-breaks", "--end-limit",
        "--water" };
}

QStringList planSettingsFlagOptions()
{
    return { "--round-stops" };
}

bool applyPlanSettingsOptions(const Options& o, Planification& plan, QTextStream& err)
{
    if (o.values.contains("--altitude") && o.values.contains("--surface-pressure")) {
        err << "give --altitude or --surface-pressure, not both\n";
        return false;
    }
    quint32 water = 0;
    if (o.values.contains("--water")) {
        const QString name = o.value("--water").toLower();
        if (name != "salt" && name != "fresh" && name != "brackish") {
            err << "--water takes salt, fresh or brackish\n";
            return false;
        }
        water = name == "salt" ? 0 : (name == "fresh" ? 1 : kWaterBrackish);
    }
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        PlanifDive& dive = *plan.dives[size_t(slot)];
        AscentSettings s = dive.settings.ascent;
        QString bad;
        if (!readOptions(o, s, bad)) {
            err << QStringLiteral("%1 %2: not a value it takes\n").arg(bad, o.value(bad));
            return false;
        }
        const QString invalid = validateAscentSettings(s);
        if (!invalid.isEmpty()) {
            err << invalid << '\n';
            return false;
        }
        dive.settings.ascent = s;
        if (o.values.contains("--altitude"))
            dive.surfacePressure = float(surfacePressureAtAltitude(s.altitudeM));
        if (o.values.contains("--water"))
            dive.waterType = water;
    }
    plan.newDiveSettings.ascent
        = plan.diveCount() > 0 ? plan.dives[0]->settings.ascent : plan.newDiveSettings.ascent;
    return true;
}

QJsonObject planSettingsJson(const PlanifDive& dive)
{
    const AscentSettings& s = dive.settings.ascent;
    config_t config;
    applyPlanConfig(config, dive.surfacePressure, dive.waterType, s);
    const double barPerMetre = double(config.density) * kGravity / 100.0;
    static const char* const waters[] = { "salt", "fresh", "brackish" };
    return QJsonObject {
        { "switchRule", s.switchRule == SwitchRule::Depth ? "depth" : "first-stop" },
        { "switchTime", rounded(s.switchMinutes(), 2) },
        { "decoPpo2", rounded(s.decoPpo2, 2) },
        { "bottomPpo2", rounded(s.bottomPpo2, 2) },
        { "lastStop", s.lastStopM },
        { "ascentRate", rounded(config.ascentRate / barPerMetre, 2) },
        { "stopRate", rounded(config.slowAscentRate / barPerMetre, 2) },
        { "safetyStop",
            s.safetyStopMin > 0
                ? QJsonValue(QJsonObject { { "minutes", rounded(s.safetyStopMin, 2) },
                    { "depth", rounded(s.safetyStopDepthM, 2) } })
                : QJsonValue() },
        { "roundStops", s.roundStops },
        { "altitude", rounded(s.altitudeM, 1) },
        { "surfacePressure", rounded(dive.surfacePressure, 4) },
        { "water", waters[std::min<quint32>(dive.waterType, 2)] },
        { "o2Breaks",
            s.o2BreakMin > 0 ? QJsonValue(QJsonObject { { "o2Minutes", rounded(s.o2BreakMin, 2) },
                { "backGasMinutes", rounded(s.backGasMin, 2) } })
                             : QJsonValue() },
    };
}

} // namespace cli
