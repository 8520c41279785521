#include "engine/deco.h"

#include <benchmark/benchmark.h>
#include <vector>

// Costs of the engine's hot paths and of the plan computation's ceiling trace.

namespace {

tissues_t loadedTissues()
{
    tissues_t t;
    load_ramp(t, 1.013f, 5.56f, 2.1f, make_gas(18, 45), nullptr);
    load_constant(t, 5.56f, 1500, make_gas(18, 45), nullptr);
    return t;
}

void BM_LoadConstant(benchmark::State& state)
{
    const int seconds = static_cast<int>(state.range(0));
    const gas_t gas = make_gas(18, 45);
    tissues_t t = loadedTissues();
    for (auto _ : state) {
        load_constant(t, 4.0f, seconds, gas, nullptr);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_LoadConstant)->Arg(1)->Arg(5)->Arg(300)->Arg(1000)->Arg(7200);

// 2-second ramps of the same duration: the one-entry cache hits on every call.
void BM_LoadRampCached(benchmark::State& state)
{
    const gas_t gas = state.range(0) ? make_gas(18, 45) : make_gas(21, 0);
    tissues_t t = state.range(0) ? loadedTissues() : tissues_t();
    float p = 3.0f;
    for (auto _ : state) {
        load_ramp(t, p, p + 0.05f, 2.0f / 60.0f, gas, nullptr);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_LoadRampCached)->Arg(0)->Arg(1);

// Every call a new duration: the coefficients are computed (in double) each time.
void BM_LoadRampUncached(benchmark::State& state)
{
    const gas_t gas = state.range(0) ? make_gas(18, 45) : make_gas(21, 0);
    tissues_t t = state.range(0) ? loadedTissues() : tissues_t();
    float dt = 0.5f;
    for (auto _ : state) {
        dt = dt == 0.5f ? 0.75f : 0.5f;
        load_ramp(t, 4.0f, 2.0f, dt, gas, nullptr);
        benchmark::DoNotOptimize(t);
    }
}
BENCHMARK(BM_LoadRampUncached)->Arg(0)->Arg(1);

// A 60-minute trimix dive at 45 m, stepped every 2 seconds: ramp and CNS per step.
void BM_TrimixDiveStep(benchmark::State& state)
{
    config_t config;
    const gas_t gas = make_gas(18, 45);
    const float bottom = depth_to_pressure(config, 45.0f);
    const float descentPerStep = 2.0f * 2.0f / 60.0f; // 2 bar/min
    int steps = 0;
    for (auto _ : state) {
        tissues_t t;
        float p = config.surfacePressure;
        steps = 0;
        for (int i = 0; i < 1800; ++i) {
            float next = p + descentPerStep;
            if (next > bottom)
                next = bottom;
            load_ramp(t, p, next, 2.0f / 60.0f, gas, nullptr);
            update_cns(t, p, next, 2.0f / 60.0f, gas, nullptr);
            p = next;
            ++steps;
        }
        benchmark::DoNotOptimize(t);
    }
    state.counters["s_per_step"] = benchmark::Counter(static_cast<double>(steps),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TrimixDiveStep)->Unit(benchmark::kMicrosecond);

// The planner's reference dive: 45 m for 30 minutes on air, EAN50 for deco, GF 30/85.
struct plan_t
{
    config_t config;
    tissues_t bottom; // at the end of the bottom time
    float bottomPressure;
};

plan_t referencePlan()
{
    plan_t plan;
    plan.config.set_gf(make_gf(30, 85));
    plan.config.openGases[1] = make_gas(50, 0);
    plan.config.openMask = 0x03;
    plan.config.set_mode(0);
    plan.bottomPressure = depth_to_pressure(plan.config, 45.0f);
    const float descent = (plan.bottomPressure - plan.config.surfacePressure) / 2.2f;
    load_ramp(plan.bottom, plan.config.surfacePressure, plan.bottomPressure, descent,
        *plan.config.current_gas(), nullptr);
    load_constant(plan.bottom, plan.bottomPressure, static_cast<int>((30.0f - descent) * 60.0f),
        *plan.config.current_gas(), nullptr);
    return plan;
}

void BM_ComputeDecoWarm(benchmark::State& state)
{
    const plan_t plan = referencePlan();
    deco_t deco;
    init_deco(deco, plan.config);
    compute_deco(deco, plan.config, plan.bottom, plan.bottomPressure, 0.0f);
    for (auto _ : state) {
        compute_deco(deco, plan.config, plan.bottom, plan.bottomPressure, 0.0f);
        benchmark::DoNotOptimize(deco);
    }
}
BENCHMARK(BM_ComputeDecoWarm)->Unit(benchmark::kMicrosecond);

void BM_ComputeDecoCold(benchmark::State& state)
{
    const plan_t plan = referencePlan();
    deco_t deco;
    for (auto _ : state) {
        init_deco(deco, plan.config);
        compute_deco(deco, plan.config, plan.bottom, plan.bottomPressure, 0.0f);
        benchmark::DoNotOptimize(deco);
    }
}
BENCHMARK(BM_ComputeDecoCold)->Unit(benchmark::kMicrosecond);

struct segment_t
{
    float t0, p0, t1, p1;
    uint8_t gas;
};

void countPoint(void* context, float, float)
{
    ++*static_cast<int*>(context);
}

// The whole plan traced every 2 seconds from the surface back to the surface.
void BM_PlanCeilingTrace(benchmark::State& state)
{
    const plan_t plan = referencePlan();
    const config_t& config = plan.config;
    deco_t atBottom;
    init_deco(atBottom, config);
    compute_deco(atBottom, config, plan.bottom, plan.bottomPressure, 0.0f);

    // The plan's segments: descent, bottom, then the computed ascent with its stops.
    std::vector<segment_t> segments;
    const float surface = config.surfacePressure;
    const float descentMin = (plan.bottomPressure - surface) / 2.2f;
    segments.push_back({ 0.0f, surface, descentMin * 60.0f, plan.bottomPressure, 0 });
    segments.push_back(
        { descentMin * 60.0f, plan.bottomPressure, 1800.0f, plan.bottomPressure, 0 });
    float t = 1800.0f;
    float p = plan.bottomPressure;
    float rate = config.ascent_rate();
    for (int i = 0; i < atBottom.stopCount; ++i) {
        const stop_t& stop = atBottom.stops[i];
        const float leg = (p - stop.pressure) / rate * 60.0f;
        segments.push_back({ t, p, t + leg, stop.pressure, stop.gasIndex });
        t += leg;
        p = stop.pressure;
        if (stop.duration > 0.0f) {
            segments.push_back({ t, p, t + stop.duration * 60.0f, p, stop.gasIndex });
            t += stop.duration * 60.0f;
            rate = config.slow_ascent_rate();
        }
    }
    segments.push_back({ t, p, t + (p - surface) / rate * 60.0f, surface, segments.back().gas });

    int slices = 0;
    for (auto _ : state) {
        tissues_t tissues;
        deco_t deco;
        init_deco(deco, config);
        int points = 0;
        for (const segment_t& s : segments) {
            trace_ceiling(tissues, deco, config, s.t0, s.p0, s.t1, s.p1, *config.gas_at(s.gas),
                nullptr, countPoint, &points);
        }
        benchmark::DoNotOptimize(points);
        slices = static_cast<int>(segments.back().t1 / 2.0f);
    }
    state.counters["dive_min"] = segments.back().t1 / 60.0f;
    state.counters["slices"] = slices;
    state.counters["stops"] = atBottom.stopCount;
}
BENCHMARK(BM_PlanCeilingTrace)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
