#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/plancompute.h"

#include <benchmark/benchmark.h>

namespace {

// A square dive: descent at 20 m/min, then the bottom until `bottomMin` from the start, on
// one gas; salt water, 1.013 bar, as a new planned dive has them.
std::unique_ptr<PlanifDive> squareDive(
    int slot, double depthM, double bottomMin, int o2 = 21, int he = 0)
{
    auto dive = PlanifDive::makeDefault(slot);
    DiveGas gas;
    gas.o2 = o2;
    gas.he = he;
    gas.name = DiveProfile::gasName(gas);
    dive->profile.gases = { gas };
    dive->profile.samples[1].time = depthM / 20.0 * 60.0;
    dive->profile.samples[1].depth = depthM;
    dive->profile.samples[2].time = bottomMin * 60.0;
    dive->profile.samples[2].depth = depthM;
    dive->surfaceIntervalS = slot == 0 ? 0 : 5400;
    return dive;
}

// The whole computation of one dive as the tab and the command line run it: the diver's
// segments, the schedule, the ascent and the 2-second ceiling trace, at GF 50/80.
void planOneDive(benchmark::State& state, std::unique_ptr<PlanifDive> dive)
{
    Planification plan;
    plan.dives[0] = std::move(dive);
    plan.currentIndex = 0;
    PlanComputeSettings settings;
    settings.gf = make_gf(50, 80);
    for (auto _ : state) {
        computePlanDive(plan, 0, settings, true);
        benchmark::DoNotOptimize(plan.dives[0]->profile.ceilingTrace.size());
    }
    state.counters["trace_points"] = double(plan.dives[0]->profile.ceilingTrace.size());
    state.counters["run_min"] = plan.dives[0]->profile.duration / 60.0;
}

void BM_PlanTrimix60m20min(benchmark::State& state)
{
    planOneDive(state, squareDive(0, 60, 20, 18, 45));
}
BENCHMARK(BM_PlanTrimix60m20min)->Unit(benchmark::kMillisecond);

// The same dive with Nx50 carried, walked by the diver's rules (`--switch depth --round-stops`):
// the ascent asks the engine stop by stop instead of taking its schedule whole.
void BM_PlanTrimix60m20minSwitchDepthRoundStops(benchmark::State& state)
{
    auto dive = squareDive(0, 60, 20, 18, 45);
    PlanGas nx50;
    nx50.o2 = 50;
    dive->settings.decoGases = { nx50 };
    dive->settings.ascent.switchRule = SwitchRule::Depth;
    dive->settings.ascent.roundStops = true;
    planOneDive(state, std::move(dive));
}
BENCHMARK(BM_PlanTrimix60m20minSwitchDepthRoundStops)->Unit(benchmark::kMillisecond);

void BM_PlanAir45m80min(benchmark::State& state)
{
    planOneDive(state, squareDive(0, 45, 80));
}
BENCHMARK(BM_PlanAir45m80min)->Unit(benchmark::kMillisecond);

// A gas no diver should breathe this deep: the schedule is huge or impossible, and must come
// back quickly either way.
void BM_PlanPathological(benchmark::State& state)
{
    planOneDive(state, squareDive(0, 90, 20, 5, 10));
}
BENCHMARK(BM_PlanPathological)->Unit(benchmark::kMillisecond);

// The three-dive day, every dive with its trace, as the command line computes a plan file.
void BM_PlanThreeDives(benchmark::State& state)
{
    Planification plan;
    plan.dives[0] = squareDive(0, 45, 25);
    plan.dives[1] = squareDive(1, 30, 40);
    plan.dives[2] = squareDive(2, 18, 60);
    plan.currentIndex = 0;
    const PlanComputeSettings settings;
    for (auto _ : state) {
        for (int slot = 0; slot < kPlanSlots; ++slot)
            computePlanDive(plan, slot, settings, true);
        benchmark::DoNotOptimize(plan.dives[2]->profile.ceilingTrace.size());
    }
}
BENCHMARK(BM_PlanThreeDives)->Unit(benchmark::kMillisecond);

// A closed-circuit dive on Tx18/45 diluent, 60 m for 20 min (descent at 20 m/min), GF 50/80,
// salt water, 1.013 bar, Nx50 carried, with the open-circuit bailout ascent from the end of the
// bottom phase: the whole computation with its ceiling trace, as the tab and the command line
// run it.
void BM_PlanBailout(benchmark::State& state)
{
    Planification plan;
    plan.dives[0] = squareDive(0, 60, 20);
    plan.currentIndex = 0;
    PlanifDive& dive = *plan.dives[0];
    DiveGas trimix;
    trimix.o2 = 18;
    trimix.he = 45;
    dive.profile.gases = { trimix };
    dive.settings.closedCircuit = true;
    dive.settings.gfLow = 50;
    dive.settings.gfHigh = 80;
    PlanGas nx50;
    nx50.o2 = 50;
    dive.settings.decoGases = { nx50 };
    plan.gasSettings.bailout = true;
    const PlanComputeSettings settings;
    for (auto _ : state) {
        computePlan(plan, settings);
        benchmark::DoNotOptimize(dive.result.bailout);
    }
    if (!dive.result.bailout || dive.result.bailout->lines.isEmpty())
        state.SkipWithError("no bailout ascent");
}
BENCHMARK(BM_PlanBailout)->Unit(benchmark::kMillisecond);

// Tx18/45 60 m / 20 min with EAN50 and oxygen, GF 50/80, and its contingency plans: 3 m deeper
// and 3 min longer, without the EAN50, without the oxygen. The whole computation: the dive
// with its ceiling trace, then each contingency's schedule and gas.
void BM_PlanContingencies(benchmark::State& state)
{
    Planification plan;
    plan.dives[0] = squareDive(0, 60, 20, 18, 45);
    plan.currentIndex = 0;
    PlanifDive& dive = *plan.dives[0];
    dive.settings.gfLow = 50;
    dive.settings.gfHigh = 80;
    PlanGas nx50, oxygen;
    nx50.o2 = 50;
    oxygen.o2 = 100;
    dive.settings.decoGases = { nx50, oxygen };
    plan.gasSettings.contingency = true;
    const PlanComputeSettings settings;
    for (auto _ : state) {
        computePlan(plan, settings);
        benchmark::DoNotOptimize(dive.result.contingencies);
    }
    if (!dive.result.contingencies || dive.result.contingencies->size() != 3)
        state.SkipWithError("not three contingencies");
}
BENCHMARK(BM_PlanContingencies)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
