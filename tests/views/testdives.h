#pragma once

#include "dive/diveprofile.h"

#include <QList>
#include <QPair>

// Dives built from (time s, depth m) points, with statistics and speeds as a producer leaves
// them.
inline DiveProfile diveFromPoints(const QList<QPair<double, double>>& points)
{
    DiveProfile dive;
    dive.name = QStringLiteral("Test");
    for (const auto& p : points) {
        DiveSample s;
        s.time = p.first;
        s.depth = p.second;
        s.gasIndex = 0;
        s.temperature = 24.0 - 0.2 * p.second;
        dive.samples.append(s);
    }
    dive.gases.append(DiveGas());
    dive.computeStatistics();
    dive.computeSpeeds(false);
    return dive;
}

// A recreational reef dive of about 47 minutes sampled every periodS seconds: descent,
// multi-level bottom, a too fast ascent from 18 to 10 m, a safety stop at 5 m.
inline DiveProfile reefDive(int periodS = 10)
{
    QList<QPair<double, double>> plan = { { 0, 0 }, { 100, 28 }, { 400, 26 }, { 700, 27.5 },
        { 1000, 25 }, { 1200, 26 }, { 1260, 18 }, { 1800, 17 }, { 1820, 10 }, { 2400, 11 },
        { 2440, 5 }, { 2620, 5 }, { 2650, 0 } };
    QList<QPair<double, double>> points;
    for (int i = 1; i < plan.size(); ++i) {
        const auto& a = plan.at(i - 1);
        const auto& b = plan.at(i);
        for (double t = a.first; t < b.first; t += periodS) {
            const double f = (t - a.first) / (b.first - a.first);
            // A slight swell on the flat parts makes the profile look recorded.
            const double ripple = std::abs(b.second - a.second) < 3 && a.second > 6
                ? 0.3 * std::sin(t / 45.0)
                : 0.0;
            points.append({ t, a.second + (b.second - a.second) * f + ripple });
        }
    }
    points.append(plan.constLast());
    DiveProfile dive = diveFromPoints(points);
    dive.name = QStringLiteral("Reef 12");
    return dive;
}
