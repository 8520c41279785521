#pragma once

#include <QByteArray>

struct DiveFileContent;

// Reads back the report this program writes ("Export to CSV"): the summary line gives the
// computer, name, start, serial, mode, gradient factors and water; the sample table gives time,
// depth, ceiling, temperature and gas. Either decimal mark.
namespace CsvReport {

void parse(const QByteArray& data, DiveFileContent& content);

} // namespace CsvReport
