#include "engine/model.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

const char* const kZhl16cName = "zhl16c";
const float kZhl16cN2HalfTime[kCompartments] = { 4.0f, 8.0f, 12.5f, 18.5f, 27.0f, 38.3f, 54.3f,
    77.0f, 109.0f, 146.0f, 187.0f, 239.0f, 305.0f, 390.0f, 498.0f, 635.0f };
const float kZhl16cN2A[kCompartments] = { 1.2599f, 1.0000f, 0.8618f, 0.7562f, 0.6200f, 0.5043f,
    0.4410f, 0.4000f, 0.3750f, 0.3500f, 0.3295f, 0.3065f, 0.2835f, 0.2610f, 0.2480f, 0.2327f };
const float kZhl16cN2B[kCompartments] = { 0.5050f, 0.6514f, 0.7222f, 0.7825f, 0.8126f, 0.8434f,
    0.8693f, 0.8910f, 0.9092f, 0.9222f, 0.9319f, 0.9403f, 0.9477f, 0.9544f, 0.9602f, 0.9653f };
const float kZhl16cHeHalfTime[kCompartments] = { 1.51f, 3.02f, 4.72f, 6.99f, 10.21f, 14.48f, 20.53f,
    29.11f, 41.20f, 55.19f, 70.69f, 90.34f, 115.29f, 147.42f, 188.24f, 240.03f };
const float kZhl16cHeA[kCompartments] = { 1.7424f, 1.3830f, 1.1919f, 1.0458f, 0.9220f, 0.8205f,
    0.7305f, 0.6502f, 0.5950f, 0.5545f, 0.5333f, 0.5189f, 0.5181f, 0.5176f, 0.5172f, 0.5119f };
const float kZhl16cHeB[kCompartments] = { 0.4245f, 0.5747f, 0.6527f, 0.7223f, 0.7582f, 0.7957f,
    0.8279f, 0.8553f, 0.8757f, 0.8903f, 0.8997f, 0.9073f, 0.9112f, 0.9171f, 0.9217f, 0.9267f };

namespace {

struct ramp_cache_t
{
    float dtMin;
    float e[kCompartments];
    float g[kCompartments];
    float oneMinusE[kCompartments];
    float dtMinusG[kCompartments];
};

// Ramp coefficients for one duration, written in the complement form used by schreinerPass.
struct ramp_coefficients_t
{
    const float* oneMinusE;
    const float* dtMinusG;
};

model_t g_model;
// Small caches of the ramp coefficients, keyed by the ramp duration: the plan computation
// repeats a few durations (2-second slices, the legs from one depth to the next stop levels)
// over and over, alternating between them, so one entry alone would be refilled every time.
constexpr int kRampCacheEntries = 4;
struct ramp_cache_set_t
{
    ramp_cache_t entries[kRampCacheEntries];
    int next = 0; // the entry replaced on the next miss
};
ramp_cache_set_t g_n2Cache;
ramp_cache_set_t g_heCache;

struct model_installer_t
{
    model_installer_t() { init_zhl16c(); }
};
const model_installer_t g_installer;

// Minutes to the nearest whole second, kept inside int32_t for any input.
inline int32_t wholeSeconds(float minutes)
{
    const float seconds = minutes * 60.0f + 0.5f;
    if (!(seconds > 0.0f))
        return 0;
    return seconds < 2.0e9f ? static_cast<int32_t>(seconds) : 2000000000;
}

inline bool isOpenCircuit(const float* setpoint)
{
    return !setpoint || !std::isfinite(*setpoint);
}

void computeTables(const float* halfTime, float* k, float (*e)[kCompartments],
    float (*g)[kCompartments], float (*oneMinusE)[kCompartments])
{
    static const double ln2 = std::log(2.0);
    for (int i = 0; i < kCompartments; ++i) {
        k[i] = static_cast<float>(ln2 / static_cast<double>(halfTime[i]));
        const double kd = k[i];
        for (int j = 0; j < kPowerSteps; ++j) {
            const double tMin = static_cast<double>(1 << j) / 60.0;
            const double ed = std::exp(-kd * tMin);
            e[j][i] = static_cast<float>(ed);
            g[j][i] = static_cast<float>((1.0 - ed) / kd);
            oneMinusE[j][i] = static_cast<float>(-std::expm1(-kd * tMin));
        }
    }
}

// The one-second exposure as a ramp: its complements, computed once per model.
ramp_cache_t g_n2OneSecond;
ramp_cache_t g_heOneSecond;

void fillRamp(ramp_cache_t& cache, const float* k, float dtMin)
{
    const double dt = dtMin;
    for (int i = 0; i < kCompartments; ++i) {
        const double kd = k[i];
        // In double, exp() - 1 keeps far more digits than the float results need.
        const double em1 = std::exp(-kd * dt) - 1.0;
        cache.e[i] = static_cast<float>(1.0 + em1);
        cache.g[i] = static_cast<float>(-em1 / kd);
        cache.oneMinusE[i] = static_cast<float>(-em1);
        cache.dtMinusG[i] = static_cast<float>(dt + em1 / kd);
    }
    cache.dtMin = dtMin;
}

ramp_coefficients_t rampCoefficients(
    ramp_cache_set_t& caches, const ramp_cache_t& oneSecond, const float* k, float dtMin)
{
    for (const ramp_cache_t& cache : caches.entries) {
        if (dtMin == cache.dtMin)
            return { cache.oneMinusE, cache.dtMinusG };
    }
    if (dtMin == oneSecond.dtMin)
        return { oneSecond.oneMinusE, oneSecond.dtMinusG };
    ramp_cache_t& cache = caches.entries[caches.next];
    caches.next = (caches.next + 1) % kRampCacheEntries;
    fillRamp(cache, k, dtMin);
    return { cache.oneMinusE, cache.dtMinusG };
}

// The tension arrays never overlap the coefficient tables; saying so lets the compiler
// vectorise the 16 compartments.
inline void constantPass(float* __restrict__ p, const float* __restrict__ oneMinusE, float inspired)
{
    for (int i = 0; i < kCompartments; ++i)
        p[i] += oneMinusE[i] * (inspired - p[i]);
}

// Schreiner: p' = Pi2 - R g - (Pi1 - p) e, rearranged as p + (Pi1 - p)(1 - e) + R (dt - g) so
// that the small terms keep their precision in float.
inline void schreinerPass(
    float* __restrict__ p, const ramp_coefficients_t& c, float pi1, float rate)
{
    const float* __restrict__ oneMinusE = c.oneMinusE;
    const float* __restrict__ dtMinusG = c.dtMinusG;
    for (int i = 0; i < kCompartments; ++i)
        p[i] += (pi1 - p[i]) * oneMinusE[i] + rate * dtMinusG[i];
}

// Coefficients for compartment i, mixed by the helium share when helium is present.
inline void coefficients(const tissues_t& tissues, int i, float& a, float& b, float& total)
{
    total = tissues.pN2[i] + tissues.pHe[i];
    a = g_model.n2A[i];
    b = g_model.n2B[i];
    // Tissues read from a plan file may hold zero tensions: the share is then undefined and
    // the nitrogen coefficients apply.
    if (tissues.hasHe && total > 0.0f) {
        const float r = tissues.pHe[i] / total;
        a = r * g_model.heA[i] + (1.0f - r) * a;
        b = r * g_model.heB[i] + (1.0f - r) * b;
    }
}

inline float toleratedFrom(float total, float a, float b, float gf)
{
    if (total <= 0.0f)
        return 0.0f;
    return (total - a * gf) / (gf / b - gf + 1.0f);
}

// toleratedFrom with the coefficients of `coefficients` for all compartments at once, written
// without branches so the compiler can vectorise it; the same operations in the same order, so
// the same results. A helium share of exactly 0 leaves the nitrogen coefficients unchanged.
void toleratedAll(const tissues_t& tissues, float gf, float* __restrict__ out)
{
    const bool helium = tissues.hasHe != 0;
    const float* __restrict__ n2 = tissues.pN2;
    const float* __restrict__ he = tissues.pHe;
    const float* __restrict__ n2A = g_model.n2A;
    const float* __restrict__ n2B = g_model.n2B;
    const float* __restrict__ heA = g_model.heA;
    const float* __restrict__ heB = g_model.heB;
    if (!helium) {
        for (int i = 0; i < kCompartments; ++i) {
            const float total = n2[i] + he[i];
            const float t = (total - n2A[i] * gf) / (gf / n2B[i] - gf + 1.0f);
            out[i] = total > 0.0f ? t : 0.0f;
        }
        return;
    }
    for (int i = 0; i < kCompartments; ++i) {
        const float total = n2[i] + he[i];
        const bool loaded = total > 0.0f;
        const float share = he[i] / total;
        const float r = loaded ? share : 0.0f;
        const float a = r * heA[i] + (1.0f - r) * n2A[i];
        const float b = r * heB[i] + (1.0f - r) * n2B[i];
        const float t = (total - a * gf) / (gf / b - gf + 1.0f);
        out[i] = loaded ? t : 0.0f;
    }
}

} // namespace

tissues_t::tissues_t()
    : pHe {}
    , cns(0.0f)
    , hasHe(0)
    , spareByte(2)
    , reserved {}
    , spareValue(0.32f)
{
    const float n2 = inspired_n2(g_air, nullptr, kSurfacePressureDefault);
    for (float& p : pN2)
        p = n2;
}

const model_t& current_model()
{
    return g_model;
}

void init_model(const char* name, const float* n2HalfTime, const float* n2A, const float* n2B,
    const float* heHalfTime, const float* heA, const float* heB)
{
    g_model.name = name;
    g_model.n2HalfTime = n2HalfTime;
    g_model.n2A = n2A;
    g_model.n2B = n2B;
    g_model.heHalfTime = heHalfTime;
    g_model.heA = heA;
    g_model.heB = heB;
    computeTables(n2HalfTime, g_model.n2K, g_model.n2E, g_model.n2G, g_model.n2OneMinusE);
    computeTables(heHalfTime, g_model.heK, g_model.heE, g_model.heG, g_model.heOneMinusE);
    fillRamp(g_n2OneSecond, g_model.n2K, 1.0f / 60.0f);
    fillRamp(g_heOneSecond, g_model.heK, 1.0f / 60.0f);
    // New half-times invalidate whatever the caches hold.
    for (ramp_cache_set_t* caches : { &g_n2Cache, &g_heCache }) {
        for (ramp_cache_t& cache : caches->entries)
            cache.dtMin = -1.0f;
    }
}

void init_zhl16c()
{
    init_model(kZhl16cName, kZhl16cN2HalfTime, kZhl16cN2A, kZhl16cN2B, kZhl16cHeHalfTime,
        kZhl16cHeA, kZhl16cHeB);
}

float inspired_n2(const gas_t& gas, const float* setpoint, float pressure)
{
    if (gas.fO2 == 1.0f)
        return 0.0f;
    const float dry = pressure - kWaterVapour;
    if (isOpenCircuit(setpoint))
        return dry * gas.fN2;
    if (*setpoint >= dry)
        return 0.0f;
    return (dry - *setpoint) * gas.fN2 / (1.0f - gas.fO2);
}

float inspired_he(const gas_t& gas, const float* setpoint, float pressure)
{
    if (gas.fO2 == 1.0f || gas.fHe == 0.0f)
        return 0.0f;
    const float dry = pressure - kWaterVapour;
    if (isOpenCircuit(setpoint))
        return dry * gas.fHe;
    if (*setpoint > dry)
        return 0.0f;
    return (dry - *setpoint) * gas.fHe / (1.0f - gas.fO2);
}

float ppo2(const gas_t& gas, const float* setpoint, float pressure)
{
    if (isOpenCircuit(setpoint))
        return pressure * gas.fO2;
    return pressure < *setpoint ? pressure : *setpoint;
}

float mod_pressure(const gas_t& gas, const float* setpoint, float ppO2Limit, float, float)
{
    // A gas without oxygen has no oxygen limit, but a "maximum depth" of infinity would make
    // it the switch gas everywhere: it is never a deco gas, so its MOD is 0.
    if (!(gas.fO2 > 0.0f))
        return 0.0f;
    float limit = ppO2Limit;
    if (!isOpenCircuit(setpoint) && *setpoint < limit)
        limit = *setpoint;
    return limit / gas.fO2;
}

void reset_tissues(tissues_t& tissues, float pressure)
{
    const float n2 = inspired_n2(g_air, nullptr, pressure);
    for (int i = 0; i < kCompartments; ++i) {
        tissues.pN2[i] = n2;
        tissues.pHe[i] = 0.0f;
    }
    tissues.cns = 0.0f;
    tissues.hasHe = 0;
}

void set_tissues(tissues_t& tissues, const float* pN2, const float* pHe, float cns)
{
    std::memcpy(tissues.pN2, pN2, sizeof tissues.pN2);
    std::memcpy(tissues.pHe, pHe, sizeof tissues.pHe);
    tissues.cns = cns;
    tissues.hasHe = 0;
    for (int i = 0; i < kCompartments; ++i) {
        if (pHe[i] != 0.0f)
            tissues.hasHe = 1;
    }
}

void load_constant(
    tissues_t& tissues, float pressure, int32_t seconds, const gas_t& gas, const float* setpoint)
{
    if (seconds <= 0)
        return;
    if (gas.fHe > 0.0f)
        tissues.hasHe = 1;
    const float piN2 = inspired_n2(gas, setpoint, pressure);
    const bool helium = tissues.hasHe != 0;
    const float piHe = helium ? inspired_he(gas, setpoint, pressure) : 0.0f;
    while (seconds > 0) {
        int32_t chunk = seconds > 512 ? 512 : seconds;
        seconds -= chunk;
        for (int j = 0; chunk != 0; ++j, chunk >>= 1) {
            if (!(chunk & 1))
                continue;
            constantPass(tissues.pN2, g_model.n2OneMinusE[j], piN2);
            if (helium)
                constantPass(tissues.pHe, g_model.heOneMinusE[j], piHe);
        }
    }
}

void load_ramp(
    tissues_t& tissues, float p1, float p2, float dtMin, const gas_t& gas, const float* setpoint)
{
    if (!(dtMin > 0.0f))
        return;
    if (std::fabs(p1 - p2) * dtMin <= 0.00033333333f) {
        load_constant(tissues, (p1 + p2) / 2.0f, wholeSeconds(dtMin), gas, setpoint);
        return;
    }
    if (gas.fHe > 0.0f)
        tissues.hasHe = 1;

    const float n2Start = inspired_n2(gas, setpoint, p1);
    const float n2End = inspired_n2(gas, setpoint, p2);
    schreinerPass(tissues.pN2, rampCoefficients(g_n2Cache, g_n2OneSecond, g_model.n2K, dtMin),
        n2Start, (n2End - n2Start) / dtMin);

    if (tissues.hasHe) {
        const float heStart = inspired_he(gas, setpoint, p1);
        const float heEnd = inspired_he(gas, setpoint, p2);
        schreinerPass(tissues.pHe, rampCoefficients(g_heCache, g_heOneSecond, g_model.heK, dtMin),
            heStart, (heEnd - heStart) / dtMin);
    }
}

void update_cns(
    tissues_t& tissues, float p1, float p2, float dtMin, const gas_t& gas, const float* setpoint)
{
    if (!(dtMin > 0.0f))
        return;
    const float pp = (ppo2(gas, setpoint, p1) + ppo2(gas, setpoint, p2)) / 2.0f;
    if (pp > 0.6f) {
        tissues.cns += cns_rate(pp) * dtMin;
    } else if (tissues.cns > 0.001f) {
        tissues.cns *= std::exp2(-dtMin / 90.0f);
    } else {
        tissues.cns = 0.0f;
    }
}

float cns_rate(float ppO2Bar)
{
    // Exposure limits in minutes for ppO2 0.60 to 1.65 bar in steps of 0.05 bar.
    static const float limits[22]
        = { 720.0f, 645.0f, 570.0f, 510.0f, 450.0f, 405.0f, 360.0f, 330.0f, 300.0f, 270.0f, 240.0f,
              225.0f, 210.0f, 195.0f, 180.0f, 165.0f, 150.0f, 135.0f, 120.0f, 83.0f, 45.0f, 7.0f };
    if (!(ppO2Bar >= 0.5921538f))
        return 0.0f;
    const float x = (ppO2Bar * 0.986923f - 0.5921538f) / 1.0362691f;
    float limit;
    if (x <= 0.0f) {
        limit = limits[0];
    } else if (x >= 1.0f) {
        limit = limits[21];
    } else {
        const float u = 21.0f * x;
        int i = static_cast<int>(std::floor(u));
        // 21 * x can round up to 21 for x just below 1; the last interval then applies.
        if (i > 20)
            i = 20;
        if (i < 0)
            i = 0;
        const float f = u - static_cast<float>(i);
        limit = (1.0f - f) * limits[i] + f * limits[i + 1];
    }
    return 1.0f / limit;
}

float otu_rate(float ppO2Bar)
{
    if (!(ppO2Bar > 0.5f))
        return 0.0f;
    return std::pow((ppO2Bar - 0.5f) / 0.5f, 0.8333333f);
}

float tolerated_pressure(const tissues_t& tissues, int i, float gf)
{
    if (i < 0 || i >= kCompartments)
        return 0.0f;
    float a, b, total;
    coefficients(tissues, i, a, b, total);
    return toleratedFrom(total, a, b, gf);
}

void tolerated_pressures(const tissues_t& tissues, float gf, float* out)
{
    toleratedAll(tissues, gf, out);
}

float ceiling_pressure(const tissues_t& tissues, float gf)
{
    float tolerated[kCompartments];
    toleratedAll(tissues, gf, tolerated);
    float ceiling = 0.0f;
    for (float t : tolerated) {
        if (t > ceiling)
            ceiling = t;
    }
    return ceiling;
}

float max_tension(const tissues_t& tissues, float ambient, int i, float gf)
{
    if (i < 0 || i >= kCompartments)
        return 0.0f;
    float a, b, total;
    coefficients(tissues, i, a, b, total);
    return (gf / b - gf + 1.0f) * ambient + a * gf;
}

bool can_stay_at(const tissues_t& tissues, float pressure, float gf)
{
    float tolerated[kCompartments];
    toleratedAll(tissues, gf, tolerated);
    for (float t : tolerated) {
        if (!(pressure > t))
            return false;
    }
    return true;
}

float gf_reached(const tissues_t& tissues, float ambient)
{
    float reached = 0.0f;
    for (int i = 0; i < kCompartments; ++i) {
        float a, b, total;
        coefficients(tissues, i, a, b, total);
        const float excess = total - ambient;
        if (excess <= 0.0f)
            continue;
        const float allowed = ambient / b - ambient + a;
        const float value = excess / allowed;
        if (value > reached)
            reached = value;
    }
    return reached;
}
