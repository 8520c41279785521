#include "planner/plansimplify.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Depth error in metres of `s` against the straight line from `a` to `b`.
double offLine(const DiveSample& a, const DiveSample& b, const DiveSample& s)
{
    if (b.time <= a.time)
        return std::fabs(s.depth - a.depth);
    const double f = (s.time - a.time) / (b.time - a.time);
    return std::fabs(s.depth - (a.depth + f * (b.depth - a.depth)));
}

// Ramer-Douglas-Peucker: keeps, between two kept samples, the one farthest off their line,
// until `count` samples are kept. Greedy over the worst segment, so the result is the best
// `count` points of that family.
std::vector<bool> keepPoints(const QList<DiveSample>& samples, qsizetype deepest, int count)
{
    const qsizetype n = samples.size();
    std::vector<bool> keep(size_t(n), false);
    keep.front() = keep.back() = true;
    keep[size_t(deepest)] = true;
    int kept = deepest == 0 || deepest == n - 1 ? 2 : 3;
    while (kept < count) {
        double worst = 0.05; // closer than 5 cm is on the line already
        qsizetype at = -1;
        qsizetype a = 0;
        for (qsizetype i = 1; i < n; ++i) {
            if (!keep[size_t(i)])
                continue;
            for (qsizetype k = a + 1; k < i; ++k) {
                const double e = offLine(samples[a], samples[i], samples[k]);
                if (e > worst) {
                    worst = e;
                    at = k;
                }
            }
            a = i;
        }
        if (at < 0)
            break;
        keep[size_t(at)] = true;
        ++kept;
    }
    return keep;
}

} // namespace

SimplifiedDive simplifyForPlan(const DiveProfile& logged, int maxPoints)
{
    SimplifiedDive out;
    out.profile = logged;
    const QList<DiveSample>& samples = logged.samples;
    if (samples.size() <= 2)
        return out;
    const qsizetype deepest
        = std::max_element(samples.begin(), samples.end(),
              [](const DiveSample& a, const DiveSample& b) { return a.depth < b.depth; })
        - samples.begin();
    // The gas of the deepest point is the bottom gas; a richer one first taken after it is a
    // deco gas, which the plan's ascent takes by its own rule.
    const int bottom = samples[deepest].gasIndex;
    const int bottomO2 = logged.gases.value(bottom).o2;
    QList<int> deco;
    for (qsizetype i = deepest + 1; i < samples.size(); ++i) {
        const int g = samples[i].gasIndex;
        const DiveGas gas = logged.gases.value(g);
        if (g >= 0 && g != bottom && gas.o2 > bottomO2 && !deco.contains(g)
            && out.decoGases.size() < kMaxDecoGases) {
            deco.append(g);
            out.decoGases.append({ gas.o2, gas.he, PlanGasRole::Deco, 0.0f });
        }
    }
    const std::vector<bool> keep = keepPoints(samples, deepest, std::max(3, maxPoints));
    QList<DiveSample> points;
    for (qsizetype i = 0; i < samples.size(); ++i) {
        if (!keep[size_t(i)])
            continue;
        DiveSample s = samples[i];
        if (deco.contains(s.gasIndex))
            s.gasIndex = bottom;
        points.append(s);
    }
    out.profile.samples = points;
    return out;
}
