#pragma once

#include "engine/deco.h"

#include <cmath>
#include <cstring>

// The steps of the stop search that the schedule (deco.cpp) and the ceiling trace
// (decotrace.cpp) share: both must compute the same ceilings to the bit.
namespace deco_steps {

constexpr int kNdlSteps = 3000; // 5-second steps, 250 minutes
constexpr int kStopSteps = 24000; // 5-second steps, 2000 minutes

inline float gfHigh(const config_t& config)
{
    return config.gf()->gfHigh;
}

inline bool openCircuit(const float* setpoint)
{
    return !setpoint || !std::isfinite(*setpoint);
}

// Copy of the tissues after a direct ascent from `pressure` to stop level `level`.
inline void reachLevel(tissues_t& copy, const tissues_t& tissues, const config_t& config,
    float pressure, int level, const gas_t& gas, const float* setpoint)
{
    copy = tissues;
    const float target = stop_pressure(config, level);
    if (target < pressure)
        load_ramp(
            copy, pressure, target, (pressure - target) / config.ascent_rate(), gas, setpoint);
}

// Arriving at `level` from `pressure`, may the diver go on to level - 1? When not, and `arrival`
// is given, it receives the tissues on arrival.
inline bool mayLeave(const deco_t& deco, const config_t& config, const tissues_t& tissues,
    float pressure, int level, const gas_t& gas, const float* setpoint,
    tissues_t* arrival = nullptr)
{
    const float next = stop_pressure(config, level - 1);
    const float gf = gf_at(deco, config, next, level - 1);
    if (!(stop_pressure(config, level) < pressure)) {
        // Already at (or above) the level: no ascent, the tissues as they are. This is the
        // case at every stop, so no copy is made unless asked for.
        if (can_stay_at(tissues, next, gf))
            return true;
        if (arrival)
            *arrival = tissues;
        return false;
    }
    tissues_t copy;
    reachLevel(copy, tissues, config, pressure, level, gas, setpoint);
    if (can_stay_at(copy, next, gf))
        return true;
    if (arrival)
        *arrival = copy;
    return false;
}

// find_first_stop, handing back the tissues on arrival at the first stop it places.
inline void placeFirstStop(deco_t& deco, const config_t& config, const tissues_t& tissues,
    float pressure, tissues_t* arrival);

// The tension compartment i may carry at a stop before the diver may go on to nextPressure, with
// nitrogen coefficients (no helium in the tissues); one expression for every caller, so they
// agree to the last bit.
inline float n2StopLimit(const model_t& model, int i, float gf, float nextPressure, float pHe)
{
    return (gf / model.n2B[i] - gf + 1.0f) * nextPressure + model.n2A[i] * gf - pHe;
}

inline float stopMargin(const tissues_t& tissues, float stopPressure, int steps, const gas_t& gas,
    const float* setpoint, float nextPressure, float gf)
{
    tissues_t copy = tissues;
    load_constant(copy, stopPressure, steps * 5, gas, setpoint);
    return nextPressure - ceiling_pressure(copy, gf);
}

// Minutes (>= 0, at most the 2000-minute cap) to the nearest whole second.
inline int32_t wholeSeconds(float minutes)
{
    return static_cast<int32_t>(minutes * 60.0f + 0.5f);
}

inline float sanitizedHint(float minutes)
{
    if (!(minutes > 0.0f) || !std::isfinite(minutes))
        return 0.0f;
    return minutes > kStopCapMin ? kStopCapMin : minutes;
}

// The gradient factor of the first stop (GF low at the anchor, GF high at the surface), or of
// the diver's own depth when that is deeper: the one the ceiling is shown at.
inline float ceilingFactor(
    const deco_t& deco, float surface, float gfLow, float gfHigh, float pressure)
{
    float reference = deco.stopCount >= 1 ? deco.stops[0].pressure : surface;
    if (pressure > reference)
        reference = pressure;
    if (deco.anchorIndex < 1 || gfLow == gfHigh || reference <= surface)
        return gfHigh;
    if (reference >= deco.anchorPressure)
        return gfLow;
    const float f = (reference - deco.anchorPressure) / (surface - deco.anchorPressure);
    return (1.0f - f) * gfLow + f * gfHigh;
}

inline void setCeiling(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    const gf_t& gf = *config.gf();
    deco.ceiling = ceiling_pressure(
        tissues, ceilingFactor(deco, config.surfacePressure, gf.gfLow, gf.gfHigh, pressure));
}

inline void placeFirstStop(deco_t& deco, const config_t& config, const tissues_t& tissues,
    float pressure, tissues_t* arrival)
{
    const gas_t& gas = *config.current_gas();
    const float* setpoint = config.current_setpoint();
    if (deco.firstStopIndex <= 0) {
        deco.firstStopIndex = 1;
        deco.firstStopPressure = stop_pressure(config, 1);
    }
    int candidate = deco.firstStopIndex > kMaxStopLevel ? kMaxStopLevel : deco.firstStopIndex;
    int result;
    if (!mayLeave(deco, config, tissues, pressure, candidate, gas, setpoint, arrival)) {
        // The obligation is at least this deep: look deeper until leaving is allowed.
        result = candidate;
        while (result < kMaxStopLevel
            && !mayLeave(deco, config, tissues, pressure, result + 1, gas, setpoint, arrival))
            ++result;
    } else {
        // Look shallower for the first level the diver may not leave.
        result = 0;
        for (int level = candidate - 1; level >= 1; --level) {
            if (!mayLeave(deco, config, tissues, pressure, level, gas, setpoint, arrival)) {
                result = level;
                break;
            }
        }
    }
    deco.firstStopIndex = result;
    deco.firstStopPressure = stop_pressure(config, result);
    if (result == 0) {
        deco.anchorIndex = 0;
        deco.anchorPressure = 0.0f;
    }
    if (deco.anchorIndex < result) {
        deco.anchorIndex = result;
        deco.anchorPressure = stop_pressure(config, result);
    }
}

} // namespace deco_steps
