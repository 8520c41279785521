// Feeds arbitrary bytes to the plan file reader; a plan it accepts must encode and decode again.
#include "fileio/planfile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
    return 0;
}
