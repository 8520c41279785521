#include "planner/plancomparison.h"

#include "dive/diveprofile.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kStopBandM = 1.0;

double maxDepth(const QList<DiveSample>& points)
{
    double deepest = 0;
    for (const DiveSample& s : points)
        deepest = std::max(deepest, s.depth);
    return deepest;
}

int bottomEndIndex(const QList<DiveSample>& points, double deepest)
{
    for (int i = int(points.size()) - 1; i >= 0; --i) {
        if (points[i].depth >= deepest * 2.0 / 3.0)
            return i;
    }
    return 0;
}

} // namespace

QList<DiveSample> planProfilePoints(const DiveProfile& plan)
{
    QList<DiveSample> points = plan.samples;
    int breathing = points.isEmpty() ? -1 : points.last().gasIndex;
    for (DiveSample s : plan.ascentSamples) {
        // The ascent repeats the last point of the diver's before its first leg.
        if (!points.isEmpty() && s.time <= points.last().time && s.depth == points.last().depth)
            continue;
        const int next = s.gasIndex >= 0 ? s.gasIndex : breathing;
        s.gasIndex = breathing;
        breathing = next;
        points.append(s);
    }
    return points;
}

PlanComparison comparePlan(const QList<DiveSample>& plan, const QList<DiveSample>& dive)
{
    PlanComparison c;
    if (plan.isEmpty() || dive.isEmpty())
        return c;
    c.planMaxDepthM = maxDepth(plan);
    c.diveMaxDepthM = maxDepth(dive);
    const int planBottom = bottomEndIndex(plan, c.planMaxDepthM);
    const int diveBottom = bottomEndIndex(dive, c.diveMaxDepthM);
    c.planBottomS = plan[planBottom].time - plan.first().time;
    c.diveBottomS = dive[diveBottom].time - dive.first().time;
    c.planRunS = plan.last().time - plan.first().time;
    c.diveRunS = dive.last().time - dive.first().time;

    // The plan's stops: level stretches below the surface after its bottom.
    for (int i = planBottom + 1; i < plan.size(); ++i) {
        const DiveSample& a = plan[i - 1];
        const DiveSample& b = plan[i];
        if (a.depth != b.depth || b.depth <= 0.0 || b.time <= a.time)
            continue;
        if (!c.stops.isEmpty() && c.stops.last().depthM == b.depth)
            c.stops.last().planS += b.time - a.time;
        else
            c.stops.append({ b.depth, b.time - a.time, 0.0 });
    }
    for (int i = diveBottom + 1; i < dive.size(); ++i) {
        const double middle = (dive[i - 1].depth + dive[i].depth) / 2.0;
        const double seconds = std::max(0.0, dive[i].time - dive[i - 1].time);
        for (PlanComparison::Stop& stop : c.stops) {
            if (std::abs(middle - stop.depthM) <= kStopBandM) {
                stop.diveS += seconds;
                break;
            }
        }
    }
    return c;
}
