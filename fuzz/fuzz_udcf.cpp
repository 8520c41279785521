// Feeds arbitrary bytes to the UDCF reader and drives what it read.
#include "drivedives.h"
#include "fileio/udcffile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DiveFileContent content;
    UdcfFile::parse(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), content);
    driveDives(content);
    return 0;
}
