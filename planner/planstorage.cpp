#include "planner/planstorage.h"

#include "planner/planification.h"

PlanFile::Status savePlan(const Planification& plan, const QString& path)
{
    std::vector<PlanDiveRecord> records;
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        const PlanifDive& dive = *plan.dives[size_t(slot)];
        PlanDiveRecord record;
        record.profile = dive.profile;
        record.tissues = dive.tissues;
        record.surfaceIntervalS = dive.surfaceIntervalS;
        record.effortMode = dive.effortMode;
        record.waterType = dive.waterType;
        record.surfacePressureBar = dive.surfacePressure;
        record.settings = dive.settings;
        record.cylinders = dive.cylinders;
        record.gasSettings = plan.gasSettings;
        records.push_back(std::move(record));
    }
    return PlanFile::save(path, records);
}

PlanFile::Status loadPlan(Planification& plan, const QString& path)
{
    std::vector<PlanDiveRecord> records;
    const PlanFile::Status status = PlanFile::load(path, records);
    if (status != PlanFile::Status::Ok)
        return status;
    adoptRecords(plan, std::move(records));
    return status;
}

void adoptRecords(Planification& plan, std::vector<PlanDiveRecord>&& records)
{
    std::array<std::unique_ptr<PlanifDive>, kPlanSlots> loaded;
    for (size_t slot = 0; slot < records.size() && slot < size_t(kPlanSlots); ++slot) {
        PlanDiveRecord& record = records[slot];
        auto dive = std::make_unique<PlanifDive>();
        dive->profile = std::move(record.profile);
        // Older files hold dives without gases: they breathe what a new dive starts with.
        if (dive->profile.gases.isEmpty())
            dive->profile.gases = standardGasList();
        dive->tissues = record.tissues;
        dive->surfaceIntervalS = record.surfaceIntervalS;
        dive->effortMode = record.effortMode;
        dive->waterType = record.waterType;
        dive->surfacePressure = record.surfacePressureBar;
        dive->settings = record.settings;
        dive->cylinders = record.cylinders;
        loaded[slot] = std::move(dive);
    }
    plan.adopt(std::move(loaded));
    plan.gasSettings = records.empty() ? GasSettings {} : records.front().gasSettings;
}
