#pragma once

#include "dive/diveprofile.h"
#include "engine/model.h"
#include "fileio/gassettings.h"
#include "fileio/plansettings.h"

#include <QByteArray>
#include <QString>

#include <vector>

// One occupied slot of a dive plan as the ".diveplan" file stores it: the planned dive's
// profile, its tissue state and its surface settings. The planner copies its PlanifDive
// records to and from these.
struct PlanDiveRecord
{
    DiveProfile profile; // profile defaults, then the stored record
    tissues_t tissues; // as constructed, then the stored 140 bytes
    quint32 surfaceIntervalS = 0;
    quint8 effortMode = 0;
    quint32 waterType = 0; // 0 salt, 1 fresh
    float surfacePressureBar = 1.013f;
    PlanDiveSettings settings; // from the settings block; the defaults without one
    QList<Cylinder> cylinders; // by gas index; a size of 0 keeps the place of a gas without one
    GasSettings gasSettings; // the plan's, the same in every record
};

// The ".diveplan" file: a 32-bit dive count (0..3), then per dive the profile record
// (DiveProfile::saveProfile), the 140 tissue bytes, the surface interval (u32, s), the effort
// mode (u8), the water type (u32) and the surface pressure (f32, bar); all little-endian.
//
// The settings block follows the last dive, so a reader that stops after the dives reads the
// dives of a new file unchanged, and a file without it is an older plan (dive defaults):
//   "DPST", u16 version (1), u32 byte length of the records that follow, then records of
//   u16 tag, u32 payload length, payload.
// A reader skips the tags it does not know and the payload bytes past the fields it knows, so
// later writers add tags and fields without a new version; a version above the one this
// reader knows is refused. Tags:
//   1 dive settings: u8 slot, u8 GF low, u8 GF high (%), u8 closed circuit (0/1), 3 x f32
//     setpoints (bar), u8 deco gas count (0..3), per gas u8 O2, u8 He (%), u8 role (0 bottom,
//     1 deco).
//   2 dive cylinders: u8 slot, u8 count, per gas of the dive (by index) u8 O2, u8 He (%), u8
//     role (0 bottom, 1 deco), f64 water volume (L, 0 when the diver set none), f64 fill (bar).
//   3 gas planning (the whole plan): f64 bottom SAC, f64 deco SAC (L/min), u8 reserve (0
//     minimum gas, 1 thirds), f64 minimum-gas factor, f64 problem-solving time (min), f64 deco
//     gas reserve (bar), u8 bailout (0/1), u8 bailout GF low, u8 bailout GF high (%, 0 = the
//     dive's), f64 bailout stress factor, f64 bailout stress time (min).
//   4 ascent settings: u8 slot, u8 switch rule (0 first stop, 1 depth), f32 switch time (min,
//     -1 the rule's), f32 deco ppO2, f32 bottom ppO2 (bar), u8 last stop (m), f32 ascent rate,
//     f32 stop rate (m/min, 0 the computer's), f32 safety stop (min), f32 its depth (m), u8 round
//     stops (0/1), f32 altitude (m), u8 water (0 salt, 1 fresh, 2 brackish; the dive's water
//     field then holds 0), f32 minutes on oxygen, f32 back-gas minutes, f32 END limit (m).
//   6 gas planning, later fields (the whole plan): f64 cylinder temperature (C), f64 bailout
//     problem-solving time (min), f64 setpoint switch depth (m, 0 none), u8 contingency plans
//     (0/1), f64 contingency extra depth (m), f64 contingency extra time (min).
//   7 cylinders' working pressures: u8 slot, u8 count, per cylinder of tag 2 (same order) f64
//     working pressure (bar, 0 not given); after tag 2 of the same dive, written only when one
//     is given.
//   Tags 2, 3, 4, 6 and 7 are written only when they differ from the defaults.
// Bytes after the dives that do not start with "DPST" are ignored, as they always were.
namespace PlanFile {

constexpr char settingsMagic[4] = { 'D', 'P', 'S', 'T' };
constexpr quint16 settingsVersion = 1;
enum SettingsTag : quint16 {
    TagDiveSettings = 1,
    TagCylinders = 2,
    TagGasPlanning = 3,
    TagAscentSettings = 4,
    TagGasPlanningMore = 6,
    TagCylinderWorking = 7,
};

constexpr int maxDives = 3;
// What a planned dive may hold, as the command line checks its options: a point deeper than
// this or later than a day into the dive is no plan (a point at a million minutes would take
// gigabytes of ceiling trace).
constexpr double maxDepthM = 150.0;
constexpr double maxPointTimeS = 24 * 3600.0;
constexpr quint32 maxWaterType = 1; // 0 salt, 1 fresh
// Three dives of a day take a few megabytes at most; anything far larger is not a plan.
constexpr qint64 maxFileBytes = 64 * 1024 * 1024;

enum class Status {
    Ok,
    CannotOpen,
    TooLarge, // the file is larger than maxFileBytes
    Truncated, // ends inside a record
    TooManyDives, // a dive count of 4 to 255
    NotAPlan, // a dive count no plan file has: another kind of file
    OutOfRange, // a depth beyond 0..150 m, a point past 24 h, a gas or water no dive can have
    LengthTooLarge, // a text length, gas count or sample count exceeds the bytes left
    BadGasIndex, // a sample refers to a gas the dive does not have
    BadSample, // a sample's time or depth is not a finite number
    BadTissues, // a tension outside 0..10 bar, or a CNS that is negative or not finite
    BadSurfacePressure, // not a finite pressure in 0..10 bar
    BadSettings, // the settings block is cut short or holds values no plan can have
    NewerSettings, // the settings block has a version this reader does not know
    WriteFailed,
};

QString statusText(Status status);

// Decodes a whole plan file. The records are replaced only when the status is Ok; otherwise
// `plan` keeps what it held.
Status decode(const QByteArray& bytes, std::vector<PlanDiveRecord>& plan);
// The file image of up to three dives (further records are not written).
QByteArray encode(const std::vector<PlanDiveRecord>& plan);

// Reads the file at path; on any failure `plan` is left as it was.
Status load(const QString& path, std::vector<PlanDiveRecord>& plan);
// Writes through a temporary file: on failure the previous file at path stays intact.
Status save(const QString& path, const std::vector<PlanDiveRecord>& plan);

// The 140-byte image of a tissue state, and back. tissuesFromBytes refuses (returns false,
// `tissues` untouched) tensions that are not finite or outside 0..10 bar and a CNS that is
// negative or not finite; bytes 134-135 are written as zero and ignored when read.
QByteArray tissuesToBytes(const tissues_t& tissues);
bool tissuesFromBytes(const char* bytes140, tissues_t& tissues);

} // namespace PlanFile
