// Feeds arbitrary bytes to the multi-dive UDDF reader, then writes what it read and reads that
// back: the same dives come back, each with as many samples, gases and tanks; then computes them
// and writes them as CSV.
#include "drivedives.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<DiveProfile> dives;
    QList<RefusedDive> refused;
    if (UDDF::readAllData(bytes, dives, refused) != UDDF::Status::Ok)
        return 0;
    // Every dive read starts below one second and ends at the surface, so no surface sample is
    // added on the second read.
    QList<DiveProfile> again;
    QList<RefusedDive> againRefused;
    if (UDDF::readAllData(UDDF::toDocument(dives), again, againRefused) != UDDF::Status::Ok
        && !dives.isEmpty())
        std::abort();
    if (again.size() != dives.size() || !againRefused.isEmpty())
        std::abort();
    for (qsizetype i = 0; i < dives.size(); ++i) {
        if (again.at(i).samples.size() != dives.at(i).samples.size()
            || again.at(i).gases.size() != dives.at(i).gases.size()
            || again.at(i).tanks.size() != dives.at(i).tanks.size())
            std::abort();
    }
    computeAndWrite(dives);
    return 0;
}
