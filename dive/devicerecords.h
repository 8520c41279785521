#pragma once

// The dive computer's own records: the header of one dive and one decoded sample. The dive
// download fills them from the computer's replies and the binary dive file reader from a file,
// so both speak the same terms before converting to a DiveProfile.

#include "dive/formattime.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>

struct DiveHeader
{
    uint32_t computerType = 0; // the link's variant when the header arrived
    uint16_t number = 0;
    uint8_t byteAfterNumber = 0;
    uint8_t diveMode = 0;
    uint8_t gfLow = 0;
    uint8_t gfHigh = 0;
    uint16_t waterDensity = 0; // g/l, below 1021 is fresh water
    uint16_t surfacePressureMbar = 0;
    std::array<uint16_t, 16> wordsA {};
    std::array<uint16_t, 16> wordsB {};
    uint16_t gasMask = 0; // bit i set: gas slot i used
    std::array<uint8_t, 12> gasO2 {};
    std::array<uint8_t, 12> gasHe {};
    uint8_t byteAfterGases = 0;
    std::array<uint16_t, 3> wordsAfterGases {};
    uint32_t sampleCount = 0;
    uint32_t alertWord = 0;
    uint16_t alertExtra = 0; // low two bits go with the alert word
    int64_t startTime = 0; // seconds since 1970-01-01 UTC
    uint16_t wordAfterStart = 0;
    uint16_t maxDepthDm = 0;
    // The ten fields the computer writes after the maximum depth, kept as they came.
    uint16_t afterMaxDepth0 = 0;
    uint8_t afterMaxDepth1 = 0;
    uint8_t afterMaxDepth2 = 0;
    uint32_t afterMaxDepth3 = 0;
    uint16_t afterMaxDepth4 = 0;
    uint32_t afterMaxDepth5 = 0;
    uint32_t afterMaxDepth6 = 0;
    uint16_t afterMaxDepth7 = 0;
    uint16_t afterMaxDepth8 = 0;
    uint16_t afterMaxDepth9 = 0;
    int64_t endTime = 0; // seconds since 1970-01-01 UTC
    std::array<uint32_t, 3> wordsAfterEnd {};
    uint8_t period = 5; // sample period, s
    uint8_t byteAfterPeriod = 0;
    uint16_t wordAfterPeriod = 1;
};

struct DeviceSample
{
    uint16_t depthWord = 0; // bits 0-11: depth in decimetres
    uint8_t flagByte = 0; // bits 1-4: flag nibble, bits 3-4 the gas slot 0-3
    uint16_t ceilingWord = 0; // bits 0-11: signed 12-bit, >= 0 ceiling dm, < 0 -NDL minutes
    uint8_t temperatureByte = 0; // bits 2-6: water temperature, degrees C
    uint8_t alertByte = 0;
    uint8_t statusByte = 0;
    std::array<uint8_t, 16> tissues {};
    uint16_t extraWord = 0;

    int depthDm() const { return depthWord & 0x0FFF; }
    // Sign-extends the 12-bit ceiling field.
    int ceilingValue() const
    {
        const int v = ceilingWord & 0x0FFF;
        return v >= 0x800 ? v - 0x1000 : v;
    }
    int temperatureC() const { return (temperatureByte >> 2) & 31; }
    int gasSlot() const { return (flagByte >> 3) & 3; }
};

// A sample keeps its no-decompression limit in one of two stored forms: a download stores it as
// a negative decoCeiling (minutes), a binary dive file as noDecoValue with a ceiling of 0. Both
// forms stay as stored; everything that shows them reads them through this pair.
template <typename Sample> double ceilingMetres(const Sample& s)
{
    return s.decoCeiling > 0.0 ? s.decoCeiling : 0.0;
}

template <typename Sample> int ndlMinutes(const Sample& s)
{
    return s.decoCeiling < 0.0 ? static_cast<int>(-s.decoCeiling + 0.5) : int(s.noDecoValue);
}

// Dive start times are stored as UTC seconds; every place that shows one shows local time
// through this helper, so a dive has one start time wherever it is listed.
inline QString diveStartText(qint64 utcSeconds)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC).toLocalTime();
    if (!t.isValid())
        return QStringLiteral("error");
    return diveStartText(t);
}
