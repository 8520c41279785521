#pragma once

// The open-circuit ascent of a closed-circuit diver whose loop fails: the tissues of that
// moment, the bailout cylinders breathed open circuit, the bailout factors, and the gas it takes.

#include "engine/config.h"
#include "engine/model.h"
#include "planner/gasplan.h"
#include "planner/planification.h"

#include <QList>

struct BailoutPlan
{
    bool computed = false;
    bool impossible = false; // a stop would never end
    gf_t gf {};
    int startCylinder = 0; // the cylinder the diver leaves the loop on
    QList<LinePlan> lines; // computed lines; `gas` is the cylinder index
    double runTimeMin = 0; // run time of the dive at surfacing, bailout included
    QList<GasSegment> segments;
    QList<CylinderUse> cylinders; // one per cylinder of the plan; only bailout use counted
    QList<GasWarning> warnings;
};

// `config` is the plan's configuration (water, surface, rates, gas switching); the loop fails at
// `depthM` after `runMin` minutes with `tissues`. Every cylinder is a bailout cylinder; the
// diver starts on the richest one breathable at that depth that is not the diluent, else on
// the diluent. `planGf` applies unless the settings carry bailout factors.
BailoutPlan computeBailout(const config_t& config, const tissues_t& tissues, double depthM,
    double runMin, const QList<Cylinder>& cylinders, int diluentCylinder,
    const GasSettings& settings, const gf_t& planGf);
