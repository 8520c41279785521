// Feeds arbitrary bytes to the Suunto reader (Dive Manager XML, app JSON) and drives what it
// read.
#include "drivedives.h"
#include "fileio/suuntofile.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DiveFileContent content;
    SuuntoFile::parse(
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size)), content);
    driveDives(content);
    return 0;
}
