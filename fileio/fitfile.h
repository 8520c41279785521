#pragma once

#include <QByteArray>

struct DiveFileContent;

// Garmin's FIT activity files with dive data (Garmin, Suunto and other computers write them):
// the dive's start (UTC), computer, depth and temperature records, gases and gas switches,
// closed-circuit diluents, maximum depth, dive number and end position. Every length is checked
// before a byte is read: definitions, field sizes and data messages that run past the data are
// refused. A wrong CRC is a warning; the content may still be whole.
namespace FitFile {

enum class Status {
    Ok,
    TooShort, // smaller than a FIT header
    NotFit, // no ".FIT" signature or an impossible header size
    Truncated, // the data section or a message runs past the end of the file
    UndefinedMessage, // a data message before the definition of its local type
    NoDive, // a valid file without any dive record or summary
};

Status parseData(const QByteArray& data, DiveFileContent& content);
void parse(const QByteArray& data, DiveFileContent& content);

} // namespace FitFile
