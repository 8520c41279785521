#pragma once

#include "engine/config.h"

#include <cstddef>
#include <cstdint>

// Sixteen-compartment nitrogen/helium tissue model with gradient-factor M-values and the
// oxygen-toxicity counters. Pressures are absolute in bar, times in minutes.

constexpr int kCompartments = 16;
constexpr int kPowerSteps = 10; // exposures of 1, 2, 4 ... 512 seconds
constexpr float kWaterVapour = 0.0627f;

// Tissue state. Its 140 bytes are stored as they are in plan files (little-endian).
struct tissues_t
{
    tissues_t();

    float pN2[kCompartments]; // bar
    float pHe[kCompartments]; // bar
    float cns; // fraction, 1.0 = 100 %
    uint8_t hasHe; // latched once helium has been breathed or loaded
    uint8_t spareByte;
    uint8_t reserved[2];
    float spareValue;
};

static_assert(sizeof(tissues_t) == 140, "tissues_t is stored as 140 bytes");
static_assert(offsetof(tissues_t, pHe) == 64, "tissues_t layout");
static_assert(offsetof(tissues_t, cns) == 128, "tissues_t layout");
static_assert(offsetof(tissues_t, hasHe) == 132, "tissues_t layout");
static_assert(offsetof(tissues_t, spareByte) == 133, "tissues_t layout");
static_assert(offsetof(tissues_t, reserved) == 134, "tissues_t layout");
static_assert(offsetof(tissues_t, spareValue) == 136, "tissues_t layout");

// Published ZH-L16C coefficients (compartment 1 is the 4-minute nitrogen compartment).
extern const char* const kZhl16cName;
extern const float kZhl16cN2HalfTime[kCompartments];
extern const float kZhl16cN2A[kCompartments];
extern const float kZhl16cN2B[kCompartments];
extern const float kZhl16cHeHalfTime[kCompartments];
extern const float kZhl16cHeA[kCompartments];
extern const float kZhl16cHeB[kCompartments];

// The process-wide model tables built by init_model.
struct model_t
{
    const char* name;
    const float* n2HalfTime;
    const float* n2A;
    const float* n2B;
    const float* heHalfTime;
    const float* heA;
    const float* heB;
    float n2K[kCompartments]; // ln 2 / half-time, per minute
    float heK[kCompartments];
    float n2E[kPowerSteps][kCompartments]; // exp(-k * 2^j s)
    float n2G[kPowerSteps][kCompartments]; // (1 - e) / k
    float heE[kPowerSteps][kCompartments];
    float heG[kPowerSteps][kCompartments];
    // 1 - e, computed in double: taking it from a float e close to 1 would lose most digits
    // for the slow compartments over short exposures.
    float n2OneMinusE[kPowerSteps][kCompartments];
    float heOneMinusE[kPowerSteps][kCompartments];
};

// Read access to the current model tables (for display and tests).
const model_t& current_model();

// Builds the tables; also empties the ramp caches. The ZH-L16C tables are installed at start-up.
void init_model(const char* name, const float* n2HalfTime, const float* n2A, const float* n2B,
    const float* heHalfTime, const float* heA, const float* heB);
// Installs the ZH-L16C tables.
void init_zhl16c();

// A setpoint pointer may be null; null, infinity and NaN all mean open circuit.
float inspired_n2(const gas_t& gas, const float* setpoint, float pressure);
float inspired_he(const gas_t& gas, const float* setpoint, float pressure);
float ppo2(const gas_t& gas, const float* setpoint, float pressure);
// Pressure at which the gas reaches the ppO2 limit; 0 for a gas without oxygen.
float mod_pressure(const gas_t& gas, const float* setpoint, float ppO2Limit, float auxiliaryLimit,
    float densityLimit);

void reset_tissues(tissues_t& tissues, float pressure);
void set_tissues(tissues_t& tissues, const float* pN2, const float* pHe, float cns);

// Constant-pressure exposure for whole seconds; nothing happens for seconds <= 0.
void load_constant(
    tissues_t& tissues, float pressure, int32_t seconds, const gas_t& gas, const float* setpoint);
// Linear pressure change from p1 to p2 over dtMin minutes (Schreiner equation).
void load_ramp(
    tissues_t& tissues, float p1, float p2, float dtMin, const gas_t& gas, const float* setpoint);
void update_cns(
    tissues_t& tissues, float p1, float p2, float dtMin, const gas_t& gas, const float* setpoint);
float cns_rate(float ppO2Bar); // fraction per minute
float otu_rate(float ppO2Bar); // OTU per minute

float tolerated_pressure(const tissues_t& tissues, int i, float gf);
// The ambient pressure each compartment tolerates at gf (0 for an empty compartment): what
// ceiling_pressure and can_stay_at compare, for callers that ask both of the same tissues.
void tolerated_pressures(const tissues_t& tissues, float gf, float* out);
float ceiling_pressure(const tissues_t& tissues, float gf);
float max_tension(const tissues_t& tissues, float ambient, int i, float gf);
bool can_stay_at(const tissues_t& tissues, float pressure, float gf);
float gf_reached(const tissues_t& tissues, float ambient);
