#include "engine/deco.h"

#include <cmath>
#include <cstring>

dive_t::dive_t()
    : ready(0)
    , startTime(0)
    , depthDm(0)
    , offsetS(0)
    , currentTime(0)
    , startMs(0)
    , currentMs(0)
    , msClock(0)
    , periodValue(5)
    , counterA(0)
    , counterB(0)
    , counterF(0)
    , counterC(0)
    , counterD(0)
    , counterE(0)
    , valueA(0.0f)
    , valueB(0.0f)
    , countValue(28)
{
    ready = 1;
}

dive_t::~dive_t() = default;

int64_t dive_t::start_time() const
{
    return startTime;
}
uint16_t dive_t::counter_a() const
{
    return counterA;
}
uint16_t dive_t::depth_dm() const
{
    return depthDm;
}
uint32_t dive_t::offset_s() const
{
    return offsetS;
}
int64_t dive_t::current_time() const
{
    return currentTime;
}
uint32_t dive_t::start_ms() const
{
    return startMs;
}
uint32_t dive_t::current_ms() const
{
    return currentMs;
}
uint8_t dive_t::uses_ms_clock() const
{
    return msClock;
}
uint8_t dive_t::period() const
{
    return periodValue;
}
uint32_t dive_t::count() const
{
    return countValue;
}
uint8_t dive_t::counter_b() const
{
    return counterB;
}
uint32_t dive_t::counter_c() const
{
    return counterC;
}
uint32_t dive_t::counter_d() const
{
    return counterD;
}
uint32_t dive_t::value_a() const
{
    return valueA > 0.0f ? static_cast<uint32_t>(valueA) : 0u;
}
uint32_t dive_t::value_b_ms() const
{
    return valueB > 0.0f ? static_cast<uint32_t>(valueB * 1000.0f) : 0u;
}
uint16_t dive_t::counter_e() const
{
    return counterE;
}
uint8_t dive_t::counter_f() const
{
    return counterF;
}

int64_t dive_t::exposure_index() const
{
    // Signed 64-bit throughout: a clock that has not yet passed the offset (or went back)
    // gives 0 instead of an unsigned wrap-around.
    int64_t elapsed;
    if (uses_ms_clock())
        elapsed = (static_cast<int64_t>(current_ms()) - static_cast<int64_t>(start_ms())) / 1000;
    else
        elapsed = current_time() - start_time();
    if (elapsed == 0)
        return 0;
    const float depthM = static_cast<float>(depth_dm()) / 10.0f;
    const float pressure = depthM > 0.0f ? depth_to_pressure(*this, depthM) : surfacePressure;
    const int64_t pastOffset = elapsed - static_cast<int64_t>(offset_s());
    const double minutes = pastOffset > 0 ? static_cast<double>(pastOffset) / 60.0 : 0.0;
    const double value = std::sqrt(minutes) * static_cast<double>(pressure - surfacePressure);
    return value > 0.0 ? static_cast<int64_t>(std::llround(value)) : 0;
}

deco_t::deco_t()
    : dtr(0.0f)
    , stopTime(0.0f)
    , ceiling(0.0f)
    , ndl(kNdlCapMin)
    , maxCns(0.0f)
    , firstStopIndex(0)
    , firstStopPressure(1.0f)
    , anchorIndex(0)
    , anchorPressure(1.0f)
    , slowZonePressure(0.0f)
    , stopCount(0)
    , surfacingGf(0.0f)
    , decoImpossible(0)
{
    for (stop_t& stop : stops)
        stop = { 0.0f, 5.0f, 0, 0, 0 };
}

namespace {

constexpr int kNdlSteps = 3000; // 5-second steps, 250 minutes
constexpr int kStopSteps = 24000; // 5-second steps, 2000 minutes

float gfHigh(const config_t& config)
{
    return config.gf()->gfHigh;
}

bool openCircuit(const float* setpoint)
{
    return !setpoint || !std::isfinite(*setpoint);
}

// Copy of the tissues after a direct ascent from `pressure` to stop level `level`.
void reachLevel(tissues_t& copy, const tissues_t& tissues, const config_t& config, float pressure,
    int level, const gas_t& gas, const float* setpoint)
{
    copy = tissues;
    const float target = stop_pressure(config, level);
    if (target < pressure)
        load_ramp(
            copy, pressure, target, (pressure - target) / config.ascent_rate(), gas, setpoint);
}

// Arriving at `level` from `pressure`, may the diver go on to level - 1? When not, and `arrival`
// is given, it receives the tissues on arrival.
bool mayLeave(const deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure,
    int level, const gas_t& gas, const float* setpoint, tissues_t* arrival = nullptr)
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
void placeFirstStop(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure,
    tissues_t* arrival);

// The tension compartment i may carry at a stop before the diver may go on to nextPressure, with
// nitrogen coefficients (no helium in the tissues); one expression for every caller, so they
// agree to the last bit.
inline float n2StopLimit(const model_t& model, int i, float gf, float nextPressure, float pHe)
{
    return (gf / model.n2B[i] - gf + 1.0f) * nextPressure + model.n2A[i] * gf - pHe;
}

float stopMargin(const tissues_t& tissues, float stopPressure, int steps, const gas_t& gas,
    const float* setpoint, float nextPressure, float gf)
{
    tissues_t copy = tissues;
    load_constant(copy, stopPressure, steps * 5, gas, setpoint);
    return nextPressure - ceiling_pressure(copy, gf);
}

// Minutes (>= 0, at most the 2000-minute cap) to the nearest whole second.
int32_t wholeSeconds(float minutes)
{
    return static_cast<int32_t>(minutes * 60.0f + 0.5f);
}

float sanitizedHint(float minutes)
{
    if (!(minutes > 0.0f) || !std::isfinite(minutes))
        return 0.0f;
    return minutes > kStopCapMin ? kStopCapMin : minutes;
}

// The ceiling at the gradient factor of the first stop (GF low at the anchor, GF high at the
// surface), or of the diver's own depth when that is deeper.
void setCeiling(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    const gf_t& gf = *config.gf();
    const float surface = config.surfacePressure;
    float reference = deco.stopCount >= 1 ? deco.stops[0].pressure : surface;
    if (pressure > reference)
        reference = pressure;
    float factor;
    if (deco.anchorIndex < 1 || gf.gfLow == gf.gfHigh || reference <= surface) {
        factor = gf.gfHigh;
    } else if (reference >= deco.anchorPressure) {
        factor = gf.gfLow;
    } else {
        const float f = (reference - deco.anchorPressure) / (surface - deco.anchorPressure);
        factor = (1.0f - f) * gf.gfLow + f * gf.gfHigh;
    }
    deco.ceiling = ceiling_pressure(tissues, factor);
}

} // namespace

void init_deco(deco_t& deco, const config_t& config)
{
    deco.dtr = 0.0f;
    deco.stopTime = 0.0f;
    deco.ceiling = 0.0f;
    deco.maxCns = 0.0f;
    deco.ndl = kNdlCapMin;
    deco.firstStopIndex = 0;
    deco.slowZonePressure = stop_pressure(config, 1);
    deco.anchorIndex = 0;
    deco.firstStopPressure = config.surfacePressure;
    deco.anchorPressure = config.surfacePressure;
    deco.stopCount = 0;
    deco.decoImpossible = 0;
    for (stop_t& stop : deco.stops)
        stop.duration = 5.0f;
}

float surface_margin(
    const config_t& config, const tissues_t& tissues, float pressure, int32_t seconds)
{
    const gas_t& gas = *config.current_gas();
    const float* setpoint = config.current_setpoint();
    tissues_t copy = tissues;
    if (seconds > 0)
        load_constant(copy, pressure, seconds, gas, setpoint);
    const float surface = config.surfacePressure;
    if (pressure > surface)
        load_ramp(
            copy, pressure, surface, (pressure - surface) / config.ascent_rate(), gas, setpoint);
    return surface - ceiling_pressure(copy, gfHigh(config));
}

float ndl_minutes(
    float previousNdl, const config_t& config, const tissues_t& tissues, float pressure)
{
    const gas_t& gas = *config.current_gas();
    const float* setpoint = config.current_setpoint();
    const float surface = config.surfacePressure;
    const float gf = gfHigh(config);

    if (openCircuit(setpoint) && !tissues.hasHe && gas.fHe == 0.0f) {
        const float ascentMin = (pressure - surface) / config.ascent_rate();
        if (!(ascentMin > 0.0f)) {
            // At (or above) the surface there is no ascent: the limit is either already
            // exceeded or never reached.
            for (int i = 0; i < kCompartments; ++i) {
                if (tissues.pN2[i] + tissues.pHe[i] > max_tension(tissues, surface, i, gf))
                    return 0.0f;
            }
            return kNdlCapMin;
        }
        const model_t& model = current_model();
        const float inspired = inspired_n2(gas, setpoint, pressure);
        const float inspiredSurface = inspired_n2(gas, setpoint, surface);
        const float rate = (inspiredSurface - inspired) / ascentMin;
        float result = kNdlCapMin;
        for (int i = 0; i < kCompartments; ++i) {
            const float k = model.n2K[i];
            const float p = tissues.pN2[i];
            // pHe is constant here (no helium is breathed), so it only lowers the allowance.
            const float m = max_tension(tissues, surface, i, gf) - tissues.pHe[i];
            // Highest tension at depth from which the ascent still arrives at or below m.
            const float x
                = (m - (ascentMin - 1.0f / k) * rate - inspired) / std::exp(-k * ascentMin)
                + inspired - rate / k;
            if (x < p)
                return 0.0f;
            if (p < inspired && x < inspired) {
                const float t = -std::log((inspired - x) / (inspired - p)) / k;
                if (t < result)
                    result = t;
            }
        }
        return result;
    }

    auto margin = [&](int steps) { return surface_margin(config, tissues, pressure, steps * 5); };
    // A diver who may not ascend now has no limit left, even if staying (off-gassing at a
    // shallow depth or on a low setpoint) would later allow the ascent again: without this
    // the search below would bracket that later crossing and report it as a limit.
    const float now = margin(0);
    if (now < 0.0f)
        return 0.0f;
    int lo = 0;
    int hi = kNdlSteps;
    if (previousNdl > 0.0f && previousNdl < kNdlCapMin) {
        lo = static_cast<int>(std::floor(previousNdl * 60.0f / 5.0f)) - 1;
        lo = lo < 0 ? 0 : (lo > kNdlSteps ? kNdlSteps : lo);
        hi = lo + 2 > kNdlSteps ? kNdlSteps : lo + 2;
    }
    float fLo = lo == 0 ? now : margin(lo);
    float fHi = margin(hi);
    int step = 1;
    while ((fLo >= 0.0f) == (fHi >= 0.0f)) {
        const int newLo = lo - step < 0 ? 0 : lo - step;
        const int newHi = hi + step > kNdlSteps ? kNdlSteps : hi + step;
        if (newLo == lo && newHi == hi)
            break;
        if (newLo != lo) {
            lo = newLo;
            fLo = margin(lo);
        }
        if (newHi != hi) {
            hi = newHi;
            fHi = margin(hi);
        }
        step *= 2;
    }
    int steps;
    if ((fLo >= 0.0f) == (fHi >= 0.0f)) {
        steps = fHi >= 0.0f ? hi : 0;
    } else {
        const bool loAllowed = fLo >= 0.0f;
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if ((margin(mid) >= 0.0f) == loAllowed)
                lo = mid;
            else
                hi = mid;
        }
        steps = lo;
    }
    return static_cast<float>(steps) * 5.0f / 60.0f;
}

bool compute_no_deco(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    const float surface = config.surfacePressure;
    deco.dtr = 0.0f;
    if (pressure > surface) {
        if (pressure > deco.slowZonePressure)
            deco.dtr = (pressure - deco.slowZonePressure) / config.ascent_rate()
                + (deco.slowZonePressure - surface) / config.slow_ascent_rate();
        else
            deco.dtr = (pressure - surface) / config.slow_ascent_rate();
    }
    deco.stopTime = 0.0f;
    deco.stopCount = 0;
    deco.decoImpossible = 0;
    deco.ndl = ndl_minutes(deco.ndl, config, tissues, pressure);
    deco.maxCns = tissues.cns;
    deco.firstStopIndex = 0;
    deco.firstStopPressure = surface;
    deco.anchorIndex = 0;
    deco.anchorPressure = 0.0f;
    return true;
}

float gf_at(const deco_t& deco, const config_t& config, float pressure, int level)
{
    const gf_t& gf = *config.gf();
    const int anchorLevel = deco.anchorIndex > level + 1 ? deco.anchorIndex : level + 1;
    if (anchorLevel < 2 || gf.gfLow == gf.gfHigh)
        return gf.gfHigh;
    const float anchor = anchorLevel == deco.anchorIndex ? deco.anchorPressure
                                                         : stop_pressure(config, anchorLevel);
    const float f = (pressure - anchor) / (config.surfacePressure - anchor);
    return (1.0f - f) * gf.gfLow + f * gf.gfHigh;
}

void find_first_stop(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    placeFirstStop(deco, config, tissues, pressure, nullptr);
}

namespace {

void placeFirstStop(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure,
    tissues_t* arrival)
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

} // namespace

float stop_minutes(float hintMin, const tissues_t& tissues, float stopPressure, const gas_t& gas,
    const float* setpoint, float nextPressure, float gf, bool* unbounded)
{
    if (unbounded)
        *unbounded = false;
    if (!tissues.hasHe && gas.fHe == 0.0f) {
        const model_t& model = current_model();
        const float inspired = inspired_n2(gas, setpoint, stopPressure);
        // The M-value line with nitrogen coefficients (no helium here), as max_tension; only
        // nitrogen moves, so a constant helium tension just lowers the allowance. Computed for
        // all compartments first, which the compiler can vectorise.
        float limit[kCompartments];
        for (int i = 0; i < kCompartments; ++i)
            limit[i] = n2StopLimit(model, i, gf, nextPressure, tissues.pHe[i]);
        float result = 0.0f;
        for (int i = 0; i < kCompartments; ++i) {
            const float p = tissues.pN2[i];
            const float m = limit[i];
            if (p <= m)
                continue; // already allowed, as the search treats equality
            if (inspired >= m) {
                // The tension tends to the inspired pressure and never falls to m.
                if (unbounded)
                    *unbounded = true;
                return kStopCapMin;
            }
            const float t = -std::log((inspired - m) / (inspired - p)) / model.n2K[i];
            if (t > result)
                result = t;
        }
        if (result > kStopCapMin) {
            if (unbounded)
                *unbounded = true;
            return kStopCapMin;
        }
        return result;
    }

    auto margin = [&](int steps) {
        return stopMargin(tissues, stopPressure, steps, gas, setpoint, nextPressure, gf);
    };
    int hi = static_cast<int>(std::ceil(sanitizedHint(hintMin) * 60.0f / 5.0f));
    hi = hi > kStopSteps ? kStopSteps : hi;
    int lo = hi - 1 < 0 ? 0 : hi - 1;
    float gLo = margin(lo);
    float gHi = hi == lo ? gLo : margin(hi);
    int step = 1;
    while ((gLo >= 0.0f) == (gHi >= 0.0f)) {
        const int newLo = lo - step < 0 ? 0 : lo - step;
        const int newHi = hi + step > kStopSteps ? kStopSteps : hi + step;
        if (newLo == lo && newHi == hi)
            break;
        if (newLo != lo) {
            lo = newLo;
            gLo = margin(lo);
        }
        if (newHi != hi) {
            hi = newHi;
            gHi = margin(hi);
        }
        step *= 2;
    }
    int steps;
    if ((gLo >= 0.0f) == (gHi >= 0.0f)) {
        steps = gLo < 0.0f ? hi : lo;
        if (gHi < 0.0f && unbounded)
            *unbounded = true;
    } else {
        while (hi - lo > 1) {
            const int mid = (lo + hi) / 2;
            if (margin(mid) < 0.0f)
                lo = mid;
            else
                hi = mid;
        }
        steps = hi;
    }
    return static_cast<float>(steps) * 5.0f / 60.0f;
}

bool compute_stops(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    deco.dtr = 0.0f;
    deco.stopTime = 0.0f;
    deco.stopCount = 0;
    deco.ndl = 0.0f;
    deco.maxCns = tissues.cns;
    deco.decoImpossible = 0;
    tissues_t work = tissues;

    const int oldFirst = deco.firstStopIndex;
    find_first_stop(deco, config, tissues, pressure);
    if (deco.anchorPressure > deco.slowZonePressure)
        deco.slowZonePressure = deco.anchorPressure;

    // Keep each stored duration with its own level: they are the next searches' hints.
    const int shift = deco.firstStopIndex - oldFirst;
    if (shift < 0) {
        for (int j = 0; j - shift < kStopCapacity; ++j)
            deco.stops[j].duration = deco.stops[j - shift].duration;
    } else if (shift > 0) {
        for (int j = kStopCapacity - 1; j >= shift + 1; --j)
            deco.stops[j].duration = deco.stops[j - shift].duration;
        deco.stops[0].duration = 5.0f;
    }

    const bool closedCircuit = config.is_closed_circuit();
    float rate = config.ascent_rate();
    const bool gasSwitching = config.gas_switch_enabled();
    int level = deco.firstStopIndex;
    float current = deco.firstStopPressure;
    uint8_t gasIndex = config.current_gas_index();
    const gas_t* gas = config.current_gas();
    uint8_t nextGas = config.next_gas(gasIndex);
    uint8_t setpointIndex = static_cast<uint8_t>(config.current_setpoint_index() % kSetpointCount);
    const float* setpoint = config.current_setpoint();

    auto switchLimit = [&](uint8_t index) {
        return mod_pressure(*config.gas_at(index), setpoint, config.ppo2_max_deco(),
            config.auxiliary_limit(), config.gas_density_max());
    };
    float limit = 0.0f;
    if (gasSwitching && !closedCircuit && nextGas != gasIndex)
        limit = switchLimit(nextGas);

    // The bottom gas is breathed up to the first stop.
    if (current < pressure) {
        const float legMin = (pressure - current) / rate;
        load_ramp(work, pressure, current, legMin, *gas, setpoint);
        update_cns(work, pressure, current, legMin, *gas, setpoint);
        deco.dtr += legMin;
        if (work.cns > deco.maxCns)
            deco.maxCns = work.cns;
    }

    const float sixMetres = depth_to_pressure(config, 6.0f);
    while (level >= 1) {
        if (gasSwitching && !closedCircuit && nextGas != gasIndex) {
            // Take the richest gas whose MOD covers this stop.
            while (current <= limit) {
                gasIndex = nextGas;
                gas = config.gas_at(gasIndex);
                nextGas = config.next_gas(gasIndex);
                if (nextGas == gasIndex) {
                    limit = 0.0f;
                    break;
                }
                limit = switchLimit(nextGas);
            }
        }
        if (closedCircuit && current <= sixMetres) {
            setpoint = &config.setpoint_at(2)->ppO2;
            setpointIndex = 2;
        }
        --level;
        const float next = stop_pressure(config, level);
        const float gf = gf_at(deco, config, next, level);
        const int entry = deco.stopCount < kStopCapacity ? deco.stopCount : kStopCapacity - 1;
        bool unbounded = false;
        const float minutes = stop_minutes(
            deco.stops[entry].duration, work, current, *gas, setpoint, next, gf, &unbounded);
        if (unbounded)
            deco.decoImpossible = 1;
        if (minutes > 0.0f || deco.stopCount > 0) {
            if (minutes > 0.0f) {
                load_constant(work, current, wholeSeconds(minutes), *gas, setpoint);
                update_cns(work, current, current, minutes, *gas, setpoint);
                deco.dtr += minutes;
                deco.stopTime += minutes;
                if (work.cns > deco.maxCns)
                    deco.maxCns = work.cns;
                rate = config.slow_ascent_rate();
            }
            deco.stops[entry] = { current, minutes, gasIndex, setpointIndex, 0 };
            if (deco.stopCount < kStopCapacity)
                ++deco.stopCount;
        }
        deco.dtr += (current - next) / rate;
        current = next;
    }
    if (work.cns > deco.maxCns)
        deco.maxCns = work.cns;
    deco.surfacingGf = gf_reached(work, config.surfacePressure);
    return true;
}

bool compute_deco(
    deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure, float extraMin)
{
    if (deco.anchorIndex != 0) {
        compute_stops(deco, config, tissues, pressure);
        if (deco.stopCount == 0) {
            deco.slowZonePressure = stop_pressure(config, 1);
            compute_no_deco(deco, config, tissues, pressure);
        }
    } else {
        compute_no_deco(deco, config, tissues, pressure);
        if (deco.ndl == 0.0f)
            compute_stops(deco, config, tissues, pressure);
    }

    if (extraMin > 0.0f) {
        if (deco.stopCount == 0) {
            deco.stops[0] = { stop_pressure(config, 1), extraMin, config.current_gas_index(),
                static_cast<uint8_t>(config.current_setpoint_index() % kSetpointCount), 1 };
            deco.stopCount = 1;
        } else {
            stop_t& last = deco.stops[deco.stopCount - 1];
            last.duration += extraMin;
            last.safety = 0;
        }
        deco.dtr += extraMin;
        deco.stopTime += extraMin;
    }

    setCeiling(deco, config, tissues, pressure);
    return true;
}

namespace {

// What every slice of a traced segment shares. The configuration does not change while a
// segment is traced, so its gas, factors and stop pressures are read once instead of at every
// slice; the tolerated pressures of the slice's tissues are kept for the gradient factors already
// asked. Every value is computed by the same operations as compute_stops' helpers, so the
// ceilings are the same to the bit.
struct slice_context_t
{
    explicit slice_context_t(const config_t& c)
        : config(c)
        , gas(*c.current_gas())
        , setpoint(c.current_setpoint())
        , surface(c.surfacePressure)
        , gfLow(c.gf()->gfLow)
        , gfHigh(c.gf()->gfHigh)
        , ascentRate(c.ascent_rate())
    { }

    const config_t& config;
    const gas_t& gas;
    const float* setpoint;
    const float surface;
    const float gfLow;
    const float gfHigh;
    const float ascentRate;

    float stopPressure(int level)
    {
        if (level > kMaxStopLevel)
            return stop_pressure(config, level);
        while (levelsKnown <= level) {
            levels[levelsKnown] = stop_pressure(config, levelsKnown);
            ++levelsKnown;
        }
        return levels[level];
    }

    // gf_at, with the factors and the stop pressures at hand.
    float gfAt(const deco_t& deco, float pressure, int level)
    {
        const int anchorLevel = deco.anchorIndex > level + 1 ? deco.anchorIndex : level + 1;
        if (anchorLevel < 2 || gfLow == gfHigh)
            return gfHigh;
        const float anchor
            = anchorLevel == deco.anchorIndex ? deco.anchorPressure : stopPressure(anchorLevel);
        const float f = (pressure - anchor) / (surface - anchor);
        return (1.0f - f) * gfLow + f * gfHigh;
    }

    // The nitrogen M-value line at one gradient factor, as toleratedFrom and n2StopLimit write
    // it: a * gf and gf / b - gf + 1 change only with the factor, which stays the same over
    // many slices.
    struct gf_terms_t
    {
        uint32_t gfBits;
        float aGf[kCompartments];
        float slope[kCompartments];
        float limitNext; // the next stop pressure `limit` holds
        bool limitKnown;
        float limit[kCompartments]; // slope * next + a * gf
    };

    gf_terms_t& termsAt(float gf)
    {
        uint32_t bits;
        std::memcpy(&bits, &gf, sizeof bits);
        for (int k = 0; k < termsCount; ++k) {
            if (terms[k].gfBits == bits)
                return terms[k];
        }
        const int k = termsCount < kTerms ? termsCount++ : nextTerms;
        nextTerms = (k + 1) % kTerms;
        gf_terms_t& e = terms[k];
        const model_t& model = current_model();
        e.gfBits = bits;
        e.limitKnown = false;
        for (int i = 0; i < kCompartments; ++i) {
            e.aGf[i] = model.n2A[i] * gf;
            e.slope[i] = gf / model.n2B[i] - gf + 1.0f;
        }
        return e;
    }

    // n2StopLimit without the helium tension.
    const float* n2Limit(float gf, float next)
    {
        gf_terms_t& e = termsAt(gf);
        if (!e.limitKnown || e.limitNext != next) {
            for (int i = 0; i < kCompartments; ++i)
                e.limit[i] = e.slope[i] * next + e.aGf[i];
            e.limitNext = next;
            e.limitKnown = true;
        }
        return e.limit;
    }

    // The tolerated pressures of `t` at gf; those of the slice's own tissues are computed once
    // per factor (a stop slice asks two or three times for the same one).
    const float* tolerated(const tissues_t& t, float gf)
    {
        if (&t != slice) {
            toleratedInto(t, gf, scratchTolerated);
            return scratchTolerated;
        }
        for (int k = 0; k < memoCount; ++k) {
            if (memoGf[k] == gf)
                return memo[k];
        }
        const int k = memoCount < kMemo ? memoCount++ : kMemo - 1;
        memoGf[k] = gf;
        toleratedInto(t, gf, memo[k]);
        return memo[k];
    }

    // tolerated_pressures; for nitrogen-only tissues with the factor's terms at hand.
    void toleratedInto(const tissues_t& t, float gf, float* __restrict__ out)
    {
        if (t.hasHe) {
            tolerated_pressures(t, gf, out);
            return;
        }
        const gf_terms_t& e = termsAt(gf);
        toleratedN2(t.pN2, t.pHe, e.aGf, e.slope, out);
    }

    // Nothing overlaps: saying so lets the compiler vectorise the 16 compartments.
    static void toleratedN2(const float* __restrict__ n2, const float* __restrict__ he,
        const float* __restrict__ aGf, const float* __restrict__ slope, float* __restrict__ out)
    {
        for (int i = 0; i < kCompartments; ++i) {
            const float total = n2[i] + he[i];
            const float value = (total - aGf[i]) / slope[i];
            out[i] = total > 0.0f ? value : 0.0f;
        }
    }

    void startSlice(const tissues_t& t)
    {
        slice = &t;
        memoCount = 0;
    }

    // The gas compute_stops breathes at the stop at `current`: it depends on that pressure
    // alone, and the first stop seldom moves.
    const gas_t& stopGas(float current)
    {
        if (stopGasKnown && current == stopGasPressure)
            return *stopGasValue;
        uint8_t gasIndex = config.current_gas_index();
        const gas_t* g = &gas;
        if (config.gas_switch_enabled() && !config.is_closed_circuit()) {
            uint8_t nextGas = config.next_gas(gasIndex);
            while (nextGas != gasIndex
                && current <= mod_pressure(*config.gas_at(nextGas), setpoint,
                       config.ppo2_max_deco(), config.auxiliary_limit(),
                       config.gas_density_max())) {
                gasIndex = nextGas;
                g = config.gas_at(gasIndex);
                nextGas = config.next_gas(gasIndex);
            }
        }
        stopGasKnown = true;
        stopGasPressure = current;
        stopGasValue = g;
        return *g;
    }

    // Tissues on arrival at a level below the diver: two buffers, so the arrival of the last
    // level that could not be left survives the test of the next one.
    tissues_t arrivalBuffers[2];
    int nextBuffer = 0;

private:
    static constexpr int kMemo = 3;
    static constexpr int kTerms = 4;
    gf_terms_t terms[kTerms];
    int termsCount = 0;
    int nextTerms = 0;
    const tissues_t* slice = nullptr;
    int memoCount = 0;
    float memoGf[kMemo] = {};
    float memo[kMemo][kCompartments];
    float scratchTolerated[kCompartments];
    int levelsKnown = 0;
    float levels[kMaxStopLevel + 1];
    bool stopGasKnown = false;
    float stopGasPressure = 0.0f;
    const gas_t* stopGasValue = nullptr;
};

bool allAbove(const float* tolerated, float pressure)
{
    // All compartments without an early exit, so the compiler can vectorise.
    int refused = 0;
    for (int i = 0; i < kCompartments; ++i)
        refused |= pressure > tolerated[i] ? 0 : 1;
    return refused == 0;
}

// The largest tolerated pressure, at least 0, as ceiling_pressure's running maximum gives it: no
// NaN ever wins a "greater than", so four running maxima merged at the end hold the same value.
float ceilingOf(const float* tolerated)
{
    float lanes[4] = { 0.0f, 0.0f, 0.0f, 0.0f };
    for (int i = 0; i < kCompartments; i += 4) {
        for (int j = 0; j < 4; ++j)
            lanes[j] = tolerated[i + j] > lanes[j] ? tolerated[i + j] : lanes[j];
    }
    float ceiling = 0.0f;
    for (float lane : lanes)
        ceiling = lane > ceiling ? lane : ceiling;
    return ceiling;
}

// mayLeave with the context; `arrival` receives the tissues on arrival when leaving is refused.
bool mayLeaveFrom(slice_context_t& ctx, const deco_t& deco, const tissues_t& tissues,
    float pressure, int level, const tissues_t*& arrival)
{
    const float next = ctx.stopPressure(level - 1);
    const float gf = ctx.gfAt(deco, next, level - 1);
    const float target = ctx.stopPressure(level);
    if (!(target < pressure)) {
        if (allAbove(ctx.tolerated(tissues, gf), next))
            return true;
        arrival = &tissues;
        return false;
    }
    tissues_t& copy = ctx.arrivalBuffers[ctx.nextBuffer];
    copy = tissues;
    load_ramp(copy, pressure, target, (pressure - target) / ctx.ascentRate, ctx.gas, ctx.setpoint);
    if (allAbove(ctx.tolerated(copy, gf), next))
        return true;
    arrival = &copy;
    ctx.nextBuffer ^= 1;
    return false;
}

// placeFirstStop with the context.
void placeFirstStopIn(slice_context_t& ctx, deco_t& deco, const tissues_t& tissues, float pressure,
    const tissues_t*& arrival)
{
    if (deco.firstStopIndex <= 0) {
        deco.firstStopIndex = 1;
        deco.firstStopPressure = ctx.stopPressure(1);
    }
    const int candidate = deco.firstStopIndex > kMaxStopLevel ? kMaxStopLevel : deco.firstStopIndex;
    int result;
    if (!mayLeaveFrom(ctx, deco, tissues, pressure, candidate, arrival)) {
        result = candidate;
        while (result < kMaxStopLevel
            && !mayLeaveFrom(ctx, deco, tissues, pressure, result + 1, arrival))
            ++result;
    } else {
        result = 0;
        for (int level = candidate - 1; level >= 1; --level) {
            if (!mayLeaveFrom(ctx, deco, tissues, pressure, level, arrival)) {
                result = level;
                break;
            }
        }
    }
    deco.firstStopIndex = result;
    deco.firstStopPressure = ctx.stopPressure(result);
    if (result == 0) {
        deco.anchorIndex = 0;
        deco.anchorPressure = 0.0f;
    }
    if (deco.anchorIndex < result) {
        deco.anchorIndex = result;
        deco.anchorPressure = ctx.stopPressure(result);
    }
}

// Does a nitrogen tension exceed its stop limit (n2StopLimit: limit - pHe)? Nothing overlaps and
// there is no early exit, so the compiler can vectorise.
bool anyOver(
    const float* __restrict__ n2, const float* __restrict__ he, const float* __restrict__ limit)
{
    int over = 0;
    for (int i = 0; i < kCompartments; ++i)
        over |= n2[i] > limit[i] - he[i] ? 1 : 0;
    return over != 0;
}

// firstStopSurelyOwes with the context.
bool firstStopOwes(slice_context_t& ctx, const deco_t& deco, const tissues_t& work)
{
    const int level = deco.firstStopIndex;
    const gas_t& gas = ctx.stopGas(deco.firstStopPressure);
    const float next = ctx.stopPressure(level - 1);
    const float gf = ctx.gfAt(deco, next, level - 1);
    if (!work.hasHe && gas.fHe == 0.0f) {
        return anyOver(work.pN2, work.pHe, ctx.n2Limit(gf, next));
    }
    return next - ceilingOf(ctx.tolerated(work, gf)) < 0.0f;
}

// compute_ceiling with the context.
void ceilingAt(slice_context_t& ctx, deco_t& deco, const tissues_t& tissues, float pressure)
{
    const config_t& config = ctx.config;
    ctx.startSlice(tissues);
    auto firstStop = [&]() {
        const int32_t firstIndex = deco.firstStopIndex;
        const float firstPressure = deco.firstStopPressure;
        const int32_t anchorIndex = deco.anchorIndex;
        const float anchorPressure = deco.anchorPressure;
        const tissues_t* arrival = &tissues;
        placeFirstStopIn(ctx, deco, tissues, pressure, arrival);
        if (deco.firstStopIndex > 0 && !firstStopOwes(ctx, deco, *arrival)) {
            // The first stop owes nothing (or cannot tell yet): the schedule decides.
            deco.firstStopIndex = firstIndex;
            deco.firstStopPressure = firstPressure;
            deco.anchorIndex = anchorIndex;
            deco.anchorPressure = anchorPressure;
            compute_stops(deco, config, tissues, pressure);
            return;
        }
        deco.dtr = 0.0f;
        deco.stopTime = 0.0f;
        deco.ndl = 0.0f;
        deco.maxCns = tissues.cns;
        deco.decoImpossible = 0;
        if (deco.anchorPressure > deco.slowZonePressure)
            deco.slowZonePressure = deco.anchorPressure;
        deco.stopCount = deco.firstStopIndex > 0 ? 1 : 0;
        deco.stops[0].pressure = deco.firstStopPressure;
    };
    if (deco.anchorIndex != 0) {
        firstStop();
        if (deco.stopCount == 0) {
            deco.slowZonePressure = ctx.stopPressure(1);
            compute_no_deco(deco, config, tissues, pressure);
        }
    } else {
        compute_no_deco(deco, config, tissues, pressure);
        if (deco.ndl == 0.0f)
            firstStop();
    }

    // setCeiling.
    const float surface = ctx.surface;
    float reference = deco.stopCount >= 1 ? deco.stops[0].pressure : surface;
    if (pressure > reference)
        reference = pressure;
    float factor;
    if (deco.anchorIndex < 1 || ctx.gfLow == ctx.gfHigh || reference <= surface) {
        factor = ctx.gfHigh;
    } else if (reference >= deco.anchorPressure) {
        factor = ctx.gfLow;
    } else {
        const float f = (reference - deco.anchorPressure) / (surface - deco.anchorPressure);
        factor = (1.0f - f) * ctx.gfLow + f * ctx.gfHigh;
    }
    deco.ceiling = ceilingOf(ctx.tolerated(tissues, factor));
}

} // namespace

void compute_ceiling(deco_t& deco, const config_t& config, const tissues_t& tissues, float pressure)
{
    slice_context_t ctx(config);
    ceilingAt(ctx, deco, tissues, pressure);
}

void load_step(tissues_t& tissues, float p0, float p1, float dtMin, const gas_t& gas,
    const float* setpoint, float& otu)
{
    if (!(dtMin > 0.0f))
        return;
    load_ramp(tissues, p0, p1, dtMin, gas, setpoint);
    update_cns(tissues, p0, p1, dtMin, gas, setpoint);
    otu += otu_rate(ppo2(gas, setpoint, (p0 + p1) / 2.0f)) * dtMin;
}

void dive_step(tissues_t& tissues, deco_t& deco, const config_t& config, float t0S, float p0,
    float t1S, float p1, const gas_t& gas, const float* setpoint, float& otu)
{
    load_step(tissues, p0, p1, (t1S - t0S) / 60.0f, gas, setpoint, otu);
    compute_deco(deco, config, tissues, p1, 0.0f);
}

void trace_ceiling(tissues_t& tissues, deco_t& deco, const config_t& config, float t0S, float p0,
    float t1S, float p1, const gas_t& gas, const float* setpoint, ceiling_sink_t sink,
    void* context)
{
    if (!(t1S > t0S))
        return;
    const float slope = (p1 - p0) / (t1S - t0S);
    slice_context_t ctx(config);
    float t = t0S;
    float p = p0;
    while (t < t1S) {
        float tNext = t + kCeilingTraceStepS;
        if (tNext > t1S)
            tNext = t1S;
        const float pNext = p0 + slope * (tNext - t0S);
        load_ramp(tissues, p, pNext, (tNext - t) / 60.0f, gas, setpoint);
        ceilingAt(ctx, deco, tissues, pNext);
        if (sink && deco.ceiling > config.surfacePressure)
            sink(context, tNext, deco.ceiling);
        t = tNext;
        p = pNext;
    }
}
