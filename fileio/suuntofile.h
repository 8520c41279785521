#pragma once

#include <QByteArray>

struct DiveFileContent;

// Suunto's files: the Dive Manager XML ("SUUNTO" root, message SDM001A; one dive per message,
// pressures in thousandths of a bar, 0 for "not recorded", bookmarks as extra samples that are
// left out of the profile) and the Suunto app's JSON ("DeviceLog" with its Header and Samples,
// temperatures in kelvin, gas shares as fractions) or its XML form (".sml").
namespace SuuntoFile {

void parse(const QByteArray& data, DiveFileContent& content);

} // namespace SuuntoFile
