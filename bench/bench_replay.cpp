#include "dive/diveprofile.h"
#include "planner/divereplay.h"

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

// A two-hour decompression dive logged every second: 20 m/min down to 45 m on air, 35 minutes
// there, up at 9 m/min with a switch to EAN50 at 21 m and stops every 3 m that fill the rest.
DiveProfile twoHourDive()
{
    DiveProfile dive;
    DiveGas air;
    DiveGas ean50;
    ean50.o2 = 50;
    dive.gases = { air, ean50 };
    const double stops[] = { 21, 18, 15, 12, 9, 6, 3 };
    double depth = 0;
    for (int t = 0; t <= 7200; ++t) {
        if (t < 135)
            depth = t * 20.0 / 60.0;
        else if (t < 2100)
            depth = 45;
        else if (depth > 21)
            depth = std::max(21.0, depth - 9.0 / 60.0);
        else {
            // Equal shares of the time left for each stop, then the last metres to the surface.
            const int stop = std::min(6, (t - 2260) / 700);
            depth = t > 7140 ? std::max(0.0, depth - 0.05) : stops[std::max(0, stop)];
        }
        DiveSample s;
        s.time = t;
        s.depth = depth;
        s.gasIndex = depth <= 21 && t > 2100 ? 1 : 0;
        dive.samples.append(s);
    }
    return dive;
}

void BM_ReplayDive(benchmark::State& state)
{
    const DiveProfile dive = twoHourDive();
    for (auto _ : state) {
        DiveReplay replay = replayDive(dive, 30, 80);
        benchmark::DoNotOptimize(replay.points.data());
    }
    const DiveReplay replay = replayDive(dive, 30, 80);
    state.counters["samples"] = double(replay.points.size());
    state.counters["max_gf_surface"] = double(replay.maxGfSurfacePercent);
}
BENCHMARK(BM_ReplayDive)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
