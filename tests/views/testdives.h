#pragma once

#include "dive/diveprofile.h"

#include <QList>
#include <QPair>

// A dive built from (time s, depth m) points, with statistics and speeds as a producer leaves
// them; the water cools 0.2 degrees a metre from 24 at the surface.
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
