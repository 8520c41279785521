// The ceiling traced along a computed segment, slice by slice, with what the slices share
// computed once per segment.

#include "engine/deco.h"
#include "engine/decosteps.h"

#include <cmath>
#include <cstring>

using namespace deco_steps;

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

    const float factor = ceilingFactor(deco, ctx.surface, ctx.gfLow, ctx.gfHigh, pressure);
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
