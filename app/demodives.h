#pragma once

#include "dive/diveprofile.h"

#include <QList>

// A handful of plausible recreational dives recorded by two computers, made up
// from a few dive plans (descent, levels, safety stop). Used for the demo data
// folder and for the start-up benchmark; the same call always gives the same dives.
namespace DemoDives {

struct Plan
{
    QString name; // the dive number, as the computer names its dives
    QString computer;
    QString serial;
    qint64 startUtc = 0; // s since 1970
    // (depth m, minutes at that depth) levels after the descent
    QList<QPair<double, double>> levels;
    int o2 = 21; // % of the first gas
    int ascentO2 = 0; // % of a second gas breathed from the last level up, 0 none
    double surfaceTempC = 24;
    double bottomTempC = 18;
    quint32 alerts = 0; // alert word as the computer reports it
};

QList<Plan> demoPlans();
// The profile of a plan: 5 s samples, 18 m/min descent, 9 m/min ascents, a
// 3-minute stop at 5 m, temperatures following the depth.
DiveProfile makeDive(const Plan& plan);
// n dives cycling through the demo plans, with distinct names and dates.
QList<DiveProfile> manyDives(int n);

} // namespace DemoDives
