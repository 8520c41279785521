#include "planner/bailout.h"
#include "planner/plancompute.h"

#include <benchmark/benchmark.h>

namespace {

std::unique_ptr<PlanifDive> squareDive(int slot, double depthM, double bottomMin)
{
    auto dive = PlanifDive::makeDefault(slot);
    dive->profile.samples[1].time = depthM / 20.0 * 60.0;
    dive->profile.samples[1].depth = depthM;
    dive->profile.samples[2].time = bottomMin * 60.0;
    dive->profile.samples[2].depth = depthM;
    dive->surfaceIntervalS = slot == 0 ? 0 : 5400;
    return dive;
}

void makeDay(Planification& plan)
{
    plan.dives[0] = squareDive(0, 45, 25);
    plan.dives[1] = squareDive(1, 30, 40);
    plan.dives[2] = squareDive(2, 18, 60);
    plan.currentIndex = 0;
}

// What an edit of the first dive of a three-dive day costs: that dive with its 2-second
// ceiling trace, ascent and stops, then the two later dives from its end state.
void BM_EditFirstOfThreeDives(benchmark::State& state)
{
    Planification plan;
    makeDay(plan);
    const PlanComputeSettings settings;
    for (auto _ : state) {
        computePlan(plan, settings);
        benchmark::DoNotOptimize(plan.dives[2]->tissues.pN2[0]);
    }
}
BENCHMARK(BM_EditFirstOfThreeDives)->Unit(benchmark::kMillisecond);

// All three dives with their ceiling traces, as the command line computes a plan file.
void BM_ThreeDivesWithTraces(benchmark::State& state)
{
    Planification plan;
    makeDay(plan);
    const PlanComputeSettings settings;
    for (auto _ : state) {
        for (int slot = 0; slot < 3; ++slot)
            computePlanDive(plan, slot, settings, true);
        benchmark::DoNotOptimize(plan.dives[2]->profile.ceilingTrace.size());
    }
}
BENCHMARK(BM_ThreeDivesWithTraces)->Unit(benchmark::kMillisecond);

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

} // namespace

BENCHMARK_MAIN();
