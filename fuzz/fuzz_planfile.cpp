// Feeds arbitrary bytes to the plan file reader; a plan it accepts must encode and decode again,
// and every dive of it must compute, quickly: a file is a plan only if the planner can use it.
#include "fileio/planfile.h"
#include "planner/plancompute.h"
#include "planner/planstorage.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

// A plan computes in milliseconds natively; this build's coverage instrumentation runs it some
// 30 times slower. Processor time, so that a busy machine does not count: far more is a fault
// (a point a million minutes away took minutes and gigabytes).
constexpr double kComputeBudgetS = 5.0;

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
    const std::clock_t start = std::clock();
    for (int slot = 0; slot < planification.diveCount(); ++slot)
        computePlanDive(planification, slot, PlanComputeSettings {}, slot == 0);
    if (double(std::clock() - start) / CLOCKS_PER_SEC > kComputeBudgetS)
        std::abort();
    return 0;
}
