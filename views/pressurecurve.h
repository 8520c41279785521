#pragma once

#include "views/diveprofileitem.h"

class DiveProfile;

// The cylinder pressure of a logged dive as the profile's second curve, on its own axis in
// bar: the pressures its samples recorded or, without them, a straight line from the start to
// the end pressure of its cylinder (of its first one when it has several). Empty when the dive
// has neither.
DiveProfileItem::SecondaryCurve pressureCurve(const DiveProfile& dive);
