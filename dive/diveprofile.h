#pragma once

#include "dive/diverecords.h"
#include "dive/divesample.h"
#include "dive/profilerecord.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

class QIODevice;

// What positionInfo() finds at one second of a dive; all zero (found false) when the time is
// outside the chosen sample list.
struct PositionInfo
{
    bool found = false; // true when both samples below are set
    DiveSample before; // the sample before t
    DiveSample after; // the sample at or after t
    double elapsedS = 0; // t - before.time
    double depthChange = 0; // m, from before up to t
    double ceilingChange = 0; // m, from before up to t
    double ppO2 = 0; // bar at t
    double traceCeiling = 0; // m, ceilingTrace interpolated at t
};

// The kinds alertLevel() reads from DiveSample::alertFlags.
enum SampleAlertKind : int {
    SampleAlertYoyo = 2, // bits 4-5, level 0-3
    SampleAlertPmax = 3, // bit 3, 0 or 2
    SampleAlertRapidAscent = 4, // bit 2, 0 or 1
    SampleAlertCeiling = 5, // bits 0-1, level 0-3
};

// What the diver records about one dive: read from files that carry it and kept in the
// logbook beside the dive.
// A WGS84 position in degrees.
struct GeoPosition
{
    double latitude = 0;
    double longitude = 0;
    bool operator==(const GeoPosition& o) const
    {
        return latitude == o.latitude && longitude == o.longitude;
    }
};

struct DiveDetails
{
    int number = 0; // dive number in the diver's log, 0 not numbered
    QString site;
    QString location; // region or place
    QString country;
    std::optional<GeoPosition> position; // of the site, where known
    QString trip; // name of the trip the dive belongs to, empty for none
    QStringList buddies;
    QString notes;
    int rating = 0; // 0 to 5
    QStringList tags;

    bool operator==(const DiveDetails& other) const;
    bool operator!=(const DiveDetails& other) const { return !(*this == other); }
};

// One dive in memory: identity, settings, gases, samples and the statistics derived from them,
// with the diver's details. A plain value type: copy or move it.
class DiveProfile : public DiveDetails
{
public:
    // Two dives are not compared by their details alone.
    bool operator==(const DiveProfile&) const = delete;
    bool operator!=(const DiveProfile&) const = delete;

    // Two-bit alert levels in the dive's alert word: bit position of each.
    static constexpr int AlertShiftCeiling = 2;
    static constexpr int AlertShiftRapidAscent = 22;
    static constexpr int AlertShiftYoyo = 26;
    static constexpr int AlertShiftSecurity = 28;
    static constexpr int AlertShiftDives24h = 30;

    QList<DiveSample> samples; // in time order
    QList<DiveSample> ascentSamples; // computed ascent (planner)
    QList<DiveSample> extraSamples; // planner only
    QList<ProfileMarker> ceilingTrace; // (time, ceiling depth) of a computed plan
    quint8 decoNotTerminated = 0;
    QList<ProfileMarker> yoyoMarkers;
    quint32 computerType = 0;
    QString firmwareVersion;
    QString sourceFileName; // file name only, no folders
    QString name;
    QString computer;
    QString extraText;
    QString serial;
    qint64 dateTime = 0; // s since 1970-01-01 UTC
    DiveOrigin origin = DiveOriginNone;
    double duration = 0; // s
    double ascentDuration = 0; // s
    double stopTime = 0; // s
    double maxDepth = 0; // m
    double meanDepth = 0; // m
    double minTemperature = 0; // degrees C
    double maxTemperature = 0; // degrees C
    double surfacePressure = 1.013; // bar
    quint8 gfLow = 80; // %
    quint8 gfHigh = 80; // %
    quint32 freshWater = 0; // 1 fresh, 0 salt
    QList<DiveGas> gases; // samples refer to these by 0-based gasIndex
    quint32 diveMode = 0; // 0 open circuit
    quint8 period = 5; // s
    quint32 alerts = 0; // alert word: two-bit levels at the AlertShift* positions
    quint8 alertExtra = 0; // bits 0-1 from the computer, 2-5 cleared by setAlerts, 6-7 kept
    quint32 invalidDiveCode = 0; // 0 valid, 1 yoyo on previous dive, 2 tissue saturation
    qint32 ascentStartIndex = -1;

    // Tank pressures at the start and end, where the file gives them.
    struct TankPressure
    {
        int gasIndex = -1; // into gases, -1 unknown
        double startBar = 0;
        double endBar = 0;
        double sizeL = 0; // water volume, 0 unknown
        double workingBar = 0; // 0 unknown
    };
    QList<TankPressure> tanks;

    // Empties samples, gases and ceilingTrace, clears name, sets origin to none and duration
    // and maxDepth to 0; everything else is kept.
    void clear();
    void computeStatistics();
    void computeSpeeds(bool keepRecorded);

    int insertSample(const DiveSample& sample);
    void removeSample(int index);
    void removeSamples(const QList<int>& indexes);
    void fillGasIndexes();
    double depthAt(double t) const;
    double meanSpeed(int from, int to) const;
    static quint8 alertLevel(const DiveSample& sample, int kind);
    void setAlerts(quint32 word, quint8 extra);
    void setPeriod(quint8 periodS);
    int setAscentStart(int index);
    PositionInfo positionInfo(int t, bool ascentList) const;
    DiveProfile cutSelection(int t1, int t2) const;
    void markRapidAscent();
    void detectYoyo(int mode, bool markSamples);

    // Computes the gas's display name ("Air", "Nx32", "Tx18/45", ...), stores it and returns it.
    static QString gasName(DiveGas& gas);

    // The binary profile record of plan files, on a device holding the whole record (a file or
    // a buffer). loadProfile changes the profile only when the whole record is valid; it
    // refuses lengths and counts beyond the bytes left, gas indexes outside -1..gases-1 and
    // samples whose time or depth is not finite.
    bool saveProfile(QIODevice& out) const;
    bool loadProfile(QIODevice& in, ProfileRecordStatus* status = nullptr);

    // The six packed bytes of period, alert word and alertExtra, as the plan file stores them.
    DiveAlertBlock alertBlock() const;
    void setAlertBlock(const DiveAlertBlock& block);
};
