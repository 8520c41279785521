#include "plannerui/unitspin.h"

#include <QDoubleSpinBox>

#include <cmath>

void showSi(
    QDoubleSpinBox* box, Quantity quantity, double si, double loSi, double hiSi, int decimals)
{
    const DisplayUnits units = DisplayUnits::current();
    const bool metric = units.systemOf(quantity) == UnitSystem::Metric;
    // psi are counted whole, degrees F as C; feet and cubic feet take one decimal more.
    const int finer = quantity == Quantity::Pressure ? 0
        : quantity == Quantity::Temperature          ? decimals
                                                     : decimals + 1;
    box->setDecimals(metric ? decimals : finer);
    box->setRange(Units::toDisplay(quantity, loSi, units), Units::toDisplay(quantity, hiSi, units));
    box->setSuffix(QLatin1Char(' ') + Units::symbol(quantity, units));
    box->setValue(Units::toDisplay(quantity, si, units));
}

double siOf(const QDoubleSpinBox* box, Quantity quantity, double previousSi)
{
    const DisplayUnits units = DisplayUnits::current();
    const double scale = std::pow(10.0, box->decimals());
    if (std::round(Units::toDisplay(quantity, previousSi, units) * scale)
        == std::round(box->value() * scale))
        return previousSi;
    return Units::fromDisplay(quantity, box->value(), units);
}
