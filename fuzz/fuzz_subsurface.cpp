// Feeds arbitrary bytes to the Subsurface XML reader and drives what it read.
#include "drivedives.h"
#include "fileio/subsurfacexml.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DiveFileContent content;
    SubsurfaceXml::parse(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), content);
    driveDives(content);
    return 0;
}
