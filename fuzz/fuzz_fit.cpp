// Feeds arbitrary bytes to the FIT reader and drives what it read: a status other than Ok
// must come with no dive.
#include "drivedives.h"
#include "fileio/fitfile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DiveFileContent content;
    const FitFile::Status status = FitFile::parseData(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), content);
    if (status != FitFile::Status::Ok && !content.dives.isEmpty())
        std::abort();
    driveDives(content);
    return 0;
}
