// Feeds arbitrary bytes to the UDDF reader, then writes what it read and reads that back.
#include "dive/diveprofile.h"
#include "fileio/uddf.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    DiveProfile dive;
    if (UDDF::readData(bytes, dive) != UDDF::Status::Ok)
        return 0;
    // What the reader produced must make a document that reads again with as many gases and
    // samples (no surface sample is added twice: the first read already starts at 0 s and
    // ends at the surface).
    DiveProfile again;
    if (UDDF::readData(UDDF::toDocument(dive), again) != UDDF::Status::Ok)
        std::abort();
    if (again.gases.size() != dive.gases.size() || again.samples.size() != dive.samples.size())
        std::abort();
    return 0;
}
