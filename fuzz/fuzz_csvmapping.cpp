// Feeds arbitrary bytes to the mapped CSV reader, the preset the first byte picks (or a mapping
// of its own), and to the report reader, and drives what they read.
#include "drivedives.h"
#include "fileio/csvmapping.h"
#include "fileio/csvreport.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const QStringList presets = csvPresetNames();
    CsvColumnMapping mapping;
    QString error;
    if (data[0] < presets.size())
        csvPreset(presets.at(data[0]), mapping);
    else
        parseCsvColumns(QStringLiteral("time=1,depth=2,temperature=3,pressure=4,ppo2=5,"
                                       "decimal=comma,time-unit=m:ss"),
            mapping, error);
    DiveFileContent content;
    parseMappedCsv(bytes, mapping, content);
    driveDives(content);
    DiveFileContent report;
    CsvReport::parse(bytes, report);
    driveDives(report);
    return 0;
}
