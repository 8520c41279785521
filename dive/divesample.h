#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <type_traits>

// One point of a dive profile. The byte layout is fixed (104 bytes, little-endian, reserved
// bytes zero) because the dive plan file stores these records raw; the static_asserts below
// keep it that way. Do not reorder, resize or add members.
//
// gasIndex convention: in memory gasIndex is ALWAYS the 0-based index into
// DiveProfile::gases, and -1 when the gas is unknown. Every producer (file readers, planner,
// download conversion, logbook load) stores 0-based values; outside representations that count
// from 1 (the computer's gas number, the logbook's stored column) convert at their own edge.
struct DiveSample
{
    double time = 0; // s since the start of the dive
    double depth = 0; // m
    double speed = 0; // m/min, positive while descending
    double temperature = 0; // degrees C
    double otu = 0; // accumulated OTU
    double cns = 0; // CNS value as the producer gives it
    double decoCeiling = 0; // m
    quint16 noDecoValue = 0; // magnitude of a negative ceiling value of a binary dive file
    quint16 setpointMbar = 0; // closed-circuit setpoint in use, mbar; 0 open circuit or unknown
    quint8 reserved60[4] = {};
    double gradientFactor = 0;
    qint32 gasIndex = -1; // 0-based into DiveProfile::gases, -1 unknown (see above)
    quint8 isMaxDepth = 0; // 1 on the single deepest sample (computeStatistics)
    quint8 alertFlags = 0; // bits 0-1 ceiling, 2 rapid ascent, 3 Pmax, 4-5 yoyo
    quint8 statusFlags = 0; // status byte of a computer sample
    quint8 reserved79[2] = {};
    quint8 tissues[16] = {}; // load of the 16 compartments as the computer records it
    quint8 reserved97 = 0;
    quint16 batteryVoltage = 0;
    float tankPressureBar = 0; // pressure of the cylinder breathed, bar; 0 not recorded
};

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN,
    "DiveSample and the alert block are stored raw and must be little-endian");
static_assert(std::is_standard_layout_v<DiveSample>, "DiveSample is stored raw");
static_assert(std::is_trivially_copyable_v<DiveSample>, "DiveSample is stored raw");
static_assert(sizeof(double) == 8, "DiveSample is stored raw");
static_assert(sizeof(DiveSample) == 104, "DiveSample is a 104-byte record");
static_assert(offsetof(DiveSample, time) == 0);
static_assert(offsetof(DiveSample, depth) == 8);
static_assert(offsetof(DiveSample, speed) == 16);
static_assert(offsetof(DiveSample, temperature) == 24);
static_assert(offsetof(DiveSample, otu) == 32);
static_assert(offsetof(DiveSample, cns) == 40);
static_assert(offsetof(DiveSample, decoCeiling) == 48);
static_assert(offsetof(DiveSample, noDecoValue) == 56);
static_assert(offsetof(DiveSample, setpointMbar) == 58);
static_assert(offsetof(DiveSample, reserved60) == 60);
static_assert(offsetof(DiveSample, gradientFactor) == 64);
static_assert(offsetof(DiveSample, gasIndex) == 72);
static_assert(offsetof(DiveSample, isMaxDepth) == 76);
static_assert(offsetof(DiveSample, alertFlags) == 77);
static_assert(offsetof(DiveSample, statusFlags) == 78);
static_assert(offsetof(DiveSample, reserved79) == 79);
static_assert(offsetof(DiveSample, tissues) == 81);
static_assert(offsetof(DiveSample, reserved97) == 97);
static_assert(offsetof(DiveSample, batteryVoltage) == 98);
static_assert(offsetof(DiveSample, tankPressureBar) == 100);
