#pragma once

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <type_traits>

// Where a profile came from; also the code a dive file class reports as its file type and the
// code an extension maps to.
enum DiveOrigin : quint32 {
    DiveOriginComputer = 0, // downloaded from the dive computer
    DiveOriginCsv = 1,
    DiveOriginUddf = 2,
    DiveOriginBinary = 3, // .divebin
    DiveOriginPlan = 4,
    DiveOriginNone = 5,
    DiveOriginSubsurface = 6, // Subsurface XML logbook
    DiveOriginSuunto = 7, // Suunto Dive Manager XML or the Suunto app's JSON
    DiveOriginUdcf = 8,
    DiveOriginFit = 9, // Garmin FIT activity
};

// One breathing gas. A default gas is air with empty texts.
struct DiveGas
{
    QString id; // gas number as decimal text when loaded from the logbook
    QString name; // see DiveProfile::gasName
    qint32 o2 = 21; // %
    qint32 he = 0; // %
};

// A (time, depth) mark on the profile: ceiling trace points and yoyo events.
struct ProfileMarker
{
    float time = 0; // s
    float depth = 0; // m (the ceiling depth in a ceiling trace)
    int level = 0; // yoyo level; 0 in a ceiling trace
};

// What a graph handle knows of the sample it stands for.
struct DiveLineInfo
{
    qint32 index = 0; // position of the sample in DiveProfile::samples
    double time = 0; // s, copied when the handle is made
    double depth = 0; // m, copied when the handle is made
};

// The period, the alert word and alertExtra as they are stored one byte after the other
// (period, alert word least significant byte first, alertExtra): the plan file writes these
// six bytes raw. DiveProfile::alertBlock() and setAlertBlock() convert.
#pragma pack(push, 1)
struct DiveAlertBlock
{
    quint8 period = 5;
    quint32 alerts = 0;
    quint8 alertExtra = 0;
};
#pragma pack(pop)

static_assert(std::is_trivially_copyable_v<DiveAlertBlock>, "the alert block is stored raw");
static_assert(sizeof(DiveAlertBlock) == 6, "period + alert word + alertExtra are 6 bytes");
static_assert(offsetof(DiveAlertBlock, period) == 0);
static_assert(offsetof(DiveAlertBlock, alerts) == 1);
static_assert(offsetof(DiveAlertBlock, alertExtra) == 5);
