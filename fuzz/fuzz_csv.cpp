// Feeds arbitrary bytes to the CSV sample decoder and checks what it keeps.
#include "fileio/csvfile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(
        reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    CsvFile::ParseStats stats;
    const QList<DiveSample> samples = CsvFile::parseSamples(bytes, &stats);
    if (samples.size() != stats.sampleLines)
        std::abort();
    for (const DiveSample& s : samples) {
        if (!std::isfinite(s.time) || !std::isfinite(s.depth) || !std::isfinite(s.temperature)
            || !std::isfinite(s.otu) || !std::isfinite(s.cns) || !std::isfinite(s.decoCeiling)
            || !std::isfinite(s.gradientFactor) || s.gasIndex != -1)
            std::abort();
    }
    return 0;
}
