#pragma once

#include "fileio/planfile.h"

class Planification;

// Saving and loading a whole plan as a ".diveplan" file. A failed load leaves the plan as it
// was; a failed save leaves the previous file intact.
PlanFile::Status savePlan(const Planification& plan, const QString& path);
PlanFile::Status loadPlan(Planification& plan, const QString& path);
// Makes the decoded records the plan's dives (a dive without gases gets the standard list).
void adoptRecords(Planification& plan, std::vector<PlanDiveRecord>&& records);
