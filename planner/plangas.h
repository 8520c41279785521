#pragma once

#include "fileio/plansettings.h"

class DiveProfile;
struct DiveGas;

// Index of the gas of this mix in the dive's gas list, added (named by its mix) when missing,
// so the deco gases the diver chose always have a place the result lines can name.
int gasIndexOfMix(DiveProfile& profile, int o2, int he);

// The name the planner shows for a gas: "O2" for oxygen whatever the dive calls it (the
// computer's gas list has several), else the dive's name or one made from the mix.
QString planGasName(const DiveGas& gas);
