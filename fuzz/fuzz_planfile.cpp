// Feeds arbitrary bytes to the plan file reader; a plan it accepts must encode and decode again,
// and every dive of it must compute, quickly: a file is a plan only if the planner can use it.
#include "fileio/planfile.h"
#include "planner/plancompute.h"
#include "planner/planstorage.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A day of three dives of at most 24 h each computes in milliseconds; far more is a fault.
constexpr auto kComputeBudget = std::chrono::seconds(2);

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<PlanDiveRecord> plan;
    if (PlanFile::decode(bytes, plan) != PlanFile::Status::Ok)
        return 0;
    std::vector<PlanDiveRecord> again;
    if (PlanFile::decode(PlanFile::encode(plan), again) != PlanFile::Status::Ok
        || again.size() != plan.size())
        std::abort();

    Planification planification;
    adoptRecords(planification, std::move(plan));
    const auto start = std::chrono::steady_clock::now();
    for (int slot = 0; slot < planification.diveCount(); ++slot)
        computePlanDive(planification, slot, PlanComputeSettings {}, slot == 0);
    if (std::chrono::steady_clock::now() - start > kComputeBudget)
        std::abort();
    return 0;
}
