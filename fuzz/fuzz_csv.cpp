// Feeds arbitrary bytes to the CSV readers (the 20-column table, the profile layout) as a file
// read does, checks what they keep, and drives the dive they make: statistics, the writers, and
// the profile layout written must read back with as many samples.
#include "drivedives.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CsvFile::ParseStats stats;
    DiveProfile dive;
    if (!CsvFile::parseProfile(bytes, dive.samples, dive.gases, &stats)) {
        dive.samples = CsvFile::parseSamples(bytes, &stats);
        for (const DiveSample& s : std::as_const(dive.samples)) {
            if (!std::isfinite(s.otu) || !std::isfinite(s.cns) || !std::isfinite(s.decoCeiling)
                || !std::isfinite(s.gradientFactor) || s.gasIndex != -1)
                std::abort();
        }
    }
    if (dive.samples.size() != stats.sampleLines)
        std::abort();
    for (const DiveSample& s : std::as_const(dive.samples)) {
        if (!std::isfinite(s.time) || !std::isfinite(s.depth) || !std::isfinite(s.temperature)
            || s.gasIndex < -1 || s.gasIndex >= dive.gases.size())
            std::abort();
    }
    QList<DiveProfile> dives { dive };
    computeAndWrite(dives);
    QList<DiveSample> again;
    QList<DiveGas> gases;
    if (!CsvFile::parseProfile(CsvFile::profileDocument(dives.first()), again, gases)
        || again.size() != dive.samples.size())
        std::abort();
    return 0;
}
