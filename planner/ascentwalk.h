#pragma once

// The ascent for rules the dive computer's own schedule lacks: a gas switch at the gas's switch
// depth with a stop there, a minimum time at each switch, stops that end on whole minutes, a
// safety stop without obligation and oxygen breaks. It walks level by level from the tissues the
// diver really has there (transits loaded), asking the engine at each stop how long it must last.

#include "engine/deco.h"
#include "fileio/plansettings.h"

#include <QList>

// One leg of the walked ascent: a transit (pFrom != pTo) or a stop, breathed on engine slot
// `slot` with setpoint `setpointIndex`.
struct AscentStep
{
    float pFrom = 0;
    float pTo = 0;
    float minutes = 0;
    int slot = 0;
    int setpointIndex = 0;
    bool stop = false;
};

struct AscentWalk
{
    QList<AscentStep> steps;
    float stopMinutes = 0;
    bool impossible = false; // a stop would never end
};

// From `pressure` after `runMin` minutes, breathing `slot`; `deco` is the schedule the engine
// computed there (first stop and gradient-factor anchor). `backSlot` is the gas of the oxygen
// breaks. The tissues are not changed: the caller replays the steps.
AscentWalk walkAscent(const config_t& config, const deco_t& deco, const tissues_t& tissues,
    float pressure, float runMin, int slot, int backSlot, const AscentSettings& settings);
