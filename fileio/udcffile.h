#pragma once

#include <QByteArray>

struct DiveFileContent;

// UDCF, the older XML interchange format of one computer's dives ("profile udcf='1'"), tags in
// either case: every dive of every repetition group with its place, start, water temperature,
// mixes with their tanks, and depths in delta mode (one every DELTA seconds) or time-depth mode.
namespace UdcfFile {

void parse(const QByteArray& data, DiveFileContent& content);

} // namespace UdcfFile
