#pragma once

// Spin boxes that show an SI value in the units the diver reads (dive/units.h) and give it
// back in SI.

#include "dive/units.h"

class QDoubleSpinBox;

// Shows `si` with the range loSi..hiSi, the unit as suffix and `decimals` (in imperial one more
// for feet and cubic feet, none for psi).
void showSi(
    QDoubleSpinBox* box, Quantity quantity, double si, double loSi, double hiSi, int decimals);

// The box's value in SI. A box left as it was shown gives back `previousSi` exactly, so 5 m
// shown as 16.4 ft stays 5 m.
double siOf(const QDoubleSpinBox* box, Quantity quantity, double previousSi);
