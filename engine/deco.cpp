#include "engine/deco.h"

#include "engine/decosteps.h"

#include <cmath>
#include <cstring>

using namespace deco_steps;

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

namespace {

// Widens the step bracket [lo, hi] on both sides, doubling the widening, within 0..maxSteps,
// until the margins at its ends differ in sign or it can widen no further; fLo and fHi follow
// lo and hi. The no-deco limit and the stop length both search this way from a hint.
template <class Margin>
void widenBracket(const Margin& margin, int maxSteps, int& lo, int& hi, float& fLo, float& fHi)
{
    int step = 1;
    while ((fLo >= 0.0f) == (fHi >= 0.0f)) {
        const int newLo = lo - step < 0 ? 0 : lo - step;
        const int newHi = hi + step > maxSteps ? maxSteps : hi + step;
        if (newLo == lo && newHi == hi)
            return;
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
}

} // namespace

// The closed form for nitrogen-only open circuit and the bracketed search for the rest answer the
// same question side by side, so a change to one is checked against the other at a glance.
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
    widenBracket(margin, kNdlSteps, lo, hi, fLo, fHi);
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
    widenBracket(margin, kStopSteps, lo, hi, gLo, gHi);
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

// Kept whole (over 80 lines): the ascent walks one state (tissues, level, gas, setpoint, rate,
// stop hints) from stop to stop; cut into parts, each would take or return most of it, and the
// order of switch, stop and ascent at a level is the one thing to read in one place.
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
