#pragma once

#include "fileio/plansettings.h"

class DiveProfile;

// Index of the gas of this mix in the dive's gas list, added (named by its mix) when missing,
// so the deco gases the diver chose always have a place the result lines can name.
int gasIndexOfMix(DiveProfile& profile, int o2, int he);
