#pragma once

// The ".divebin" layout: a 185-byte header followed by 28-byte sample records, little-endian.
// Pure functions over the file's bytes with a named status, so each malformed file can be
// provoked in a test.

#include "dive/devicerecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

class QIODevice;
class DiveProfile;

namespace BinaryDive {
inline constexpr char Magic[] = "TarskDiveBinaryFile";
inline constexpr int MagicLength = 19;
inline constexpr int HeaderLength = 185;
inline constexpr int RecordLength = 28;
// A real dive is at most a few hundred thousand bytes; anything far beyond is not a dive file.
inline constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
} // namespace BinaryDive

enum class BinaryDiveStatus {
    Ok,
    FewerRecordsThanCount, // read what the file holds; still a usable dive
    CannotOpen,
    TooLarge,
    BadMagic,
    ShortHeader,
    NoSamples
};

struct BinaryDiveContent
{
    BinaryDiveStatus status = BinaryDiveStatus::BadMagic;
    DiveHeader header;
    QList<DeviceSample> samples;
    int droppedBytes = 0; // bytes of a cut last record
};

inline bool binaryDiveUsable(BinaryDiveStatus s)
{
    return s == BinaryDiveStatus::Ok || s == BinaryDiveStatus::FewerRecordsThanCount;
}

// Reads the header from the first 185 bytes (magic checked); false unless all of them are there.
bool parseDiveHeader(const QByteArray& bytes, DiveHeader& header);
// Reads the 185 header bytes from the stream's current position.
bool readDiveHeader(QIODevice& stream, DiveHeader& header);
// Whole file: header, then up to `sampleCount` whole records (never more than the file holds).
BinaryDiveContent parseBinaryDive(const QByteArray& data);
// Fills the fields a binary dive file provides into `dive` (samples replaced).
void binaryDiveToProfile(const BinaryDiveContent& content, DiveProfile& dive);
QString binaryDiveStatusText(const BinaryDiveContent& content);
