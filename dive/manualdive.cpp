#include "dive/manualdive.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

class ManualDiveText
{
    Q_DECLARE_TR_FUNCTIONS(ManualDive)
};

struct Vertex
{
    double timeS;
    double depthM;
};

double depthOn(const Vertex (&v)[5], double t)
{
    for (int i = 1; i < 5; ++i) {
        if (t <= v[i].timeS) {
            const double span = v[i].timeS - v[i - 1].timeS;
            const double f = span > 0 ? (t - v[i - 1].timeS) / span : 1.0;
            return v[i - 1].depthM + f * (v[i].depthM - v[i - 1].depthM);
        }
    }
    return v[4].depthM;
}

} // namespace

QString checkManualDive(const ManualDive& d)
{
    if (!(d.durationS >= 60.0) || d.durationS > 48 * 3600.0)
        return ManualDiveText::tr("The duration must be between 1 minute and 48 hours.");
    if (!(d.maxDepthM > 0.0) || d.maxDepthM > 350.0)
        return ManualDiveText::tr("The maximum depth must be more than 0 and at most 350 m.");
    if (!(d.meanDepthM >= 0.0) || d.meanDepthM > d.maxDepthM)
        return ManualDiveText::tr("The mean depth must be between 0 and the maximum depth.");
    if (d.o2 < 1 || d.he < 0 || d.o2 + d.he > 100)
        return ManualDiveText::tr("The gas must have 1 to 100 % oxygen and no more than 100 % "
                                  "with the helium.");
    if (!(d.cylinderL >= 0.0) || d.cylinderL > 100.0 || !(d.startBar >= 0.0) || !(d.endBar >= 0.0)
        || d.startBar > 400.0 || d.endBar > 400.0)
        return ManualDiveText::tr("The cylinder size and pressures are out of range.");
    return QString();
}

QList<DiveSample> simpleProfile(double durationS, double maxDepthM, double meanDepthM)
{
    const double T = durationS;
    const double D = maxDepthM;
    const double L = std::min(5.0, D / 2.0);
    const double down = std::min(D / 18.0 * 60.0, T / 3.0);
    const double up = std::min(L / 9.0 * 60.0, T / 3.0);
    const double slopeEnd = T - up;
    // Area under the line (m s) when the bottom ends at b; it grows by (D - L) / 2 a second.
    const auto area = [&](double b) {
        return D * down / 2.0 + D * (b - down) + (D + L) / 2.0 * (slopeEnd - b) + L * up / 2.0;
    };
    double bottomEnd = std::max(down, slopeEnd - (D - L) / 9.0 * 60.0);
    if (meanDepthM > 0.0 && D > L)
        bottomEnd = down + (meanDepthM * T - area(down)) / ((D - L) / 2.0);
    bottomEnd = std::clamp(bottomEnd, down, slopeEnd);
    const Vertex v[5] = { { 0, 0 }, { std::round(down), D }, { std::round(bottomEnd), D },
        { std::round(slopeEnd), L }, { std::round(T), 0 } };

    QList<double> times;
    for (double t = 0; t < v[4].timeS; t += 10.0)
        times << t;
    for (const Vertex& vertex : v)
        times << vertex.timeS;
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end(),
                    [](double a, double b) { return std::fabs(a - b) < 0.5; }),
        times.end());
    QList<DiveSample> samples;
    for (const double t : times) {
        DiveSample s;
        s.time = t;
        s.depth = depthOn(v, t);
        s.gasIndex = 0;
        samples << s;
    }
    return samples;
}

DiveProfile manualDiveProfile(const ManualDive& d)
{
    DiveProfile dive;
    dive.dateTime = d.start;
    DiveGas gas;
    gas.o2 = d.o2;
    gas.he = d.he;
    DiveProfile::gasName(gas);
    dive.gases = { gas };
    dive.samples = simpleProfile(d.durationS, d.maxDepthM, d.meanDepthM);
    for (DiveSample& s : dive.samples)
        s.temperature = d.hasTemperature ? d.temperatureC : 0.0;
    if (d.cylinderL > 0.0 || d.startBar > 0.0 || d.endBar > 0.0)
        dive.tanks = { { 0, d.startBar, d.endBar, d.cylinderL, 0.0 } };
    dive.computeStatistics();
    return dive;
}
