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

// A day of three dives recomputed from the first, as after an edit of dive 1: every dive with
// its 2-second ceiling trace, ascent and stops.
void BM_RecomputeThreeDivePlan(benchmark::State& state)
{
    Planification plan;
    plan.dives[0] = squareDive(0, 45, 25);
    plan.dives[1] = squareDive(1, 30, 40);
    plan.dives[2] = squareDive(2, 18, 60);
    plan.currentIndex = 0;
    int lines = 0;
    plan.lineCallback = [&lines](const LinePlan&) { ++lines; };
    const PlanComputeSettings settings;
    for (auto _ : state) {
        computePlan(plan, settings);
        benchmark::DoNotOptimize(plan.dives[2]->tissues.pN2[0]);
    }
    state.counters["lines"] = double(lines) / double(state.iterations());
}
BENCHMARK(BM_RecomputeThreeDivePlan)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
