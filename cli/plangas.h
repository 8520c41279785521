#pragma once

// The gas-planning part of `veltra-cli plan`: its options, its JSON keys and its text.

#include "dive/units.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>

class Planification;
class PlanifDive;
class QTextStream;

namespace cli {

struct Options;

QStringList planGasValueOptions(); // --cylinder, --sac, --deco-sac, --reserve, --slate
QStringList planGasFlagOptions(); // --bailout

// Applies the gas options to the plan and its dives; false after telling `err` what is wrong.
bool applyPlanGasOptions(const Options& o, Planification& plan, QTextStream& err);

// Writes the slate when --slate was given; false after telling `err` why it could not.
bool writePlanSlate(
    const Options& o, const Planification& plan, const DisplayUnits& units, QTextStream& err);

// Adds "cylinders", "warnings" (every warning of the plan) and (closed circuit with bailout)
// "bailout" to a dive's object.
void addGasJson(QJsonObject& diveObject, const PlanifDive& dive);

} // namespace cli
