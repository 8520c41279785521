#pragma once

#include "engine/config.h"
#include "engine/model.h"

#include <cstdint>

// Dive state, no-decompression limit and the ascent schedule with its stops.

constexpr int kMaxStopLevel = 100;
// One entry per level that can occur (levels 1..100) plus one, so no stop is ever lost.
constexpr int kStopCapacity = kMaxStopLevel + 1;
constexpr float kNdlCapMin = 250.0f;
constexpr float kStopCapMin = 2000.0f;

// The running dive: configuration, the diver's tissues and the dive computer's own record.
class dive_t : public config_t
{
public:
    dive_t();
    ~dive_t() override;

    virtual int64_t start_time() const;
    virtual uint16_t counter_a() const;
    virtual uint16_t depth_dm() const;
    virtual uint32_t offset_s() const;
    virtual int64_t current_time() const;
    virtual uint32_t start_ms() const;
    virtual uint32_t current_ms() const;
    virtual uint8_t uses_ms_clock() const;
    virtual uint8_t period() const;
    virtual uint32_t count() const;
    virtual uint8_t counter_b() const;
    virtual uint32_t counter_c() const;
    virtual uint32_t counter_d() const;
    virtual uint32_t value_a() const;
    virtual uint32_t value_b_ms() const;
    virtual uint16_t counter_e() const;
    virtual uint8_t counter_f() const;
    // Rounded sqrt(minutes past the offset) x (ambient - surface pressure); never negative.
    virtual int64_t exposure_index() const;

    uint8_t ready;
    tissues_t tissues;
    int64_t startTime; // s
    uint16_t depthDm;
    uint32_t offsetS;
    int64_t currentTime; // s
    uint32_t startMs;
    uint32_t currentMs;
    uint8_t msClock; // 1: elapsed time from the millisecond clock
    uint8_t periodValue;
    // Counters the dive computer keeps; carried, never read by the engine.
    uint16_t counterA;
    uint8_t counterB;
    uint8_t counterF;
    uint32_t counterC;
    uint32_t counterD;
    uint16_t counterE;
    float valueA;
    float valueB;
    uint32_t countValue;
};

struct stop_t
{
    float pressure; // bar
    float duration; // min; beyond stopCount, the next computation's starting guess
    uint8_t gasIndex;
    uint8_t setpointIndex;
    uint8_t safety; // 1: a pure safety stop without obligation
};

struct deco_t
{
    deco_t();

    float dtr; // min, time to surface
    float stopTime; // min
    float ceiling; // bar
    float ndl; // min; 0 in decompression, 250 means 250 or more
    float maxCns; // fraction
    int32_t firstStopIndex;
    float firstStopPressure;
    int32_t anchorIndex;
    float anchorPressure;
    float slowZonePressure;
    int32_t stopCount;
    stop_t stops[kStopCapacity];
    float surfacingGf;
    // Set when a stop could never end (or needed the 2000-minute cap); the schedule is then
    // not a usable ascent.
    uint8_t decoImpossible;
};

void init_deco(deco_t& deco, const config_t& config);

bool compute_deco(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure, float extraMin);
bool compute_no_deco(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure);
float ndl_minutes(
    float previousNdl, const config_t& config, const tissues_t& tissues, float pressure);
float surface_margin(
    const config_t& config, const tissues_t& tissues, float pressure, int32_t seconds);

float gf_at(const deco_t& deco, const config_t& config, float pressure, int level);
void find_first_stop(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure);
// Minutes to stay at stopPressure before the ceiling at gf allows nextPressure. A stop that
// can never end returns the 2000-minute cap and sets *unbounded when given.
float stop_minutes(float hintMin, const tissues_t& tissues, float stopPressure, const gas_t& gas,
    const float* setpoint, float nextPressure, float gf, bool* unbounded = nullptr);
bool compute_stops(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure);

// The ceiling compute_deco finds (same first stop, anchor and gradient factor, so the same
// deco.ceiling to the bit) without the durations of the stops after the first: the stop search
// runs only when the first stop cannot tell on its own. Afterwards only the ceiling, the first
// stop and the anchor are meaningful; stopCount is 1 when a stop is owed.
void compute_ceiling(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure);

// Loads the tissues, the CNS and the OTU counter over a linear change from p0 to p1 breathing
// `gas`; nothing happens for dtMin <= 0.
void load_step(tissues_t& tissues, float p0, float p1, float dtMin, const gas_t& gas,
    const float* setpoint, float& otu);

// One step of a walk through a dive, from (t0S, p0) to (t1S, p1): load_step, then the
// decompression state at p1.
void dive_step(tissues_t& tissues, deco_t& deco, const config_t& config, float t0S, float p0,
    float t1S, float p1, const gas_t& gas, const float* setpoint, float& otu);

// The slice length of the ceiling trace in seconds.
constexpr float kCeilingTraceStepS = 2.0f;

// Receives one point of the ceiling trace: time in seconds and the ceiling as an absolute
// pressure in bar (the caller knows its surface and water to turn it into a depth).
using ceiling_sink_t = void (*)(void* context, float timeS, float ceilingBar);

// Advances a second tissue/deco pair (the look-ahead, not the diver) over a segment in
// 2-second slices, the last one shortened to end on t1S, and reports every slice whose ceiling
// lies below the surface. The tissues carry no CNS: the trace only reads ceilings.
void trace_ceiling(tissues_t& tissues, deco_t& deco, const config_t& config, float t0S, float p0,
    float t1S, float p1, const gas_t& gas, const float* setpoint, ceiling_sink_t sink,
    void* context);
