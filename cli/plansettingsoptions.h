#pragma once

// The ascent settings of `veltra-cli plan`: their options and the JSON `settings` of a dive.

#include <QJsonObject>
#include <QStringList>

class Planification;
class PlanifDive;
class QTextStream;

namespace cli {

struct Options;

QStringList planSettingsValueOptions(); // --switch, --switch-time, --deco-ppo2, ...
QStringList planSettingsFlagOptions(); // --round-stops

// Applies the settings given to every dive of the plan (a plan file keeps its own otherwise);
// false after telling `err` what is wrong.
bool applyPlanSettingsOptions(const Options& o, Planification& plan, QTextStream& err);

// The settings a dive was computed with.
QJsonObject planSettingsJson(const PlanifDive& dive);

} // namespace cli
