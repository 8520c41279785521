#include "views/profilescales.h"

#include "dive/units.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace ProfileScales {

PlotMargins plotMargins(double heightPx)
{
    PlotMargins m;
    const double h = std::max(0.0, heightPx);
    m.top = std::min(30.0, h * 0.1);
    m.bottom = std::min(50.0, h * 0.125);
    m.depthReserve = std::min(40.0, std::max(0.0, h - m.top - m.bottom) * 0.2);
    return m;
}

double tickStep(double pixelsPerUnit, double minGapPx, double minimum)
{
    if (!(pixelsPerUnit > 0) || !std::isfinite(pixelsPerUnit))
        return minimum;
    const double wanted = std::max(minimum, minGapPx / pixelsPerUnit);
    double decade = std::pow(10.0, std::floor(std::log10(wanted)));
    // A hair under each candidate, so that a step meeting the gap exactly is taken.
    for (;; decade *= 10.0)
        for (const double nice : { 1.0, 2.0, 5.0 })
            if (nice * decade >= wanted * (1 - 1e-12))
                return nice * decade;
}

double timeGridStep(double windowS)
{
    double step = std::round(windowS / 600.0) * 60.0;
    if (step <= 0)
        step = std::round(windowS / 10.0);
    // A window shorter than 5 s would give 0 and an endless grid.
    return step >= 1.0 ? step : 1.0;
}

namespace {

// Ticks at whole steps of the shown unit from `step` (or 0) up to `topSi`.
QList<AxisTick> ticks(Quantity quantity, double topSi, double pixelsPerSi, bool fromZero)
{
    QList<AxisTick> out;
    const double unitSi = Units::fromDisplay(quantity, 1.0, DisplayUnits::current());
    const double step = tickStep(pixelsPerSi * unitSi);
    const double top = Units::toDisplay(quantity, topSi, DisplayUnits::current());
    for (int k = fromZero ? 0 : 1; k * step <= top + 1e-9 && out.size() < 1000; ++k)
        out.append({ k * step * unitSi, QString::number(k * step) });
    return out;
}

} // namespace

QList<AxisTick> depthTicks(double bottomM, double pixelsPerMetre)
{
    return ticks(Quantity::Depth, bottomM, pixelsPerMetre, false);
}

QList<AxisTick> pressureTicks(double topBar, double pixelsPerBar)
{
    return ticks(Quantity::Pressure, topBar, pixelsPerBar, true);
}

TemperatureAxis temperatureAxis(double minC, double maxC)
{
    const DisplayUnits units = DisplayUnits::current();
    TemperatureAxis axis;
    axis.low = std::floor(Units::toDisplay(Quantity::Temperature, minC, units)) - 1.0;
    axis.high = std::ceil(Units::toDisplay(Quantity::Temperature, maxC, units)) + 1.0;
    axis.step = std::max(1.0, std::round((axis.high - axis.low) / 4.0));
    return axis;
}

QString shortDepth(double metres)
{
    const double shown
        = std::round(Units::toDisplay(Quantity::Depth, metres, DisplayUnits::current()) * 10.0);
    const bool whole = std::fmod(shown, 10.0) == 0.0;
    return QLocale().toString(shown / 10.0, 'f', whole ? 0 : 1) + QChar(0x00a0)
        + Units::symbol(Quantity::Depth);
}

} // namespace ProfileScales
