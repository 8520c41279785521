#pragma once

#include "dive/units.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <QJsonObject>
#include <QList>
#include <QString>

// The outcome of one planned dive as the command line reports it.
struct PlannedDiveReport
{
    QString name;
    QList<LinePlan> lines; // the result lines of the computation, start and summary included
    const PlanifDive* dive = nullptr;
};

// Computes every dive of the plan in order and collects each dive's lines.
QList<PlannedDiveReport> computeWholePlan(Planification& plan, const PlanComputeSettings& settings);

QJsonObject planReportJson(const QList<PlannedDiveReport>& dives);
QString planReportText(
    const QList<PlannedDiveReport>& dives, const DisplayUnits& units = DisplayUnits());
