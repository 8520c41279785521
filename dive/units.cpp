#include "dive/units.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>

namespace {

class UnitText
{
    Q_DECLARE_TR_FUNCTIONS(Units)
};

struct Group
{
    const char* key;
    UnitSystem DisplayUnits::*member;
};
const Group groups[] = {
    { "depth", &DisplayUnits::depth },
    { "pressure", &DisplayUnits::pressure },
    { "volume", &DisplayUnits::volume },
    { "temperature", &DisplayUnits::temperature },
    { "weight", &DisplayUnits::weight },
};

// Factor from SI to the imperial unit (temperature aside).
double imperialPerSi(Quantity quantity)
{
    switch (quantity) {
    case Quantity::Depth:
    case Quantity::VerticalSpeed:
        return 1.0 / Units::kMetresPerFoot;
    case Quantity::Pressure:
        return 1.0 / Units::kBarPerPsi;
    case Quantity::Volume:
    case Quantity::BreathingRate:
        return 1.0 / Units::kLitresPerCubicFoot;
    case Quantity::Weight:
        return 1.0 / Units::kKilogramsPerPound;
    case Quantity::Temperature:
        break;
    }
    return 1.0;
}

DisplayUnits shownUnits;

} // namespace

DisplayUnits DisplayUnits::current()
{
    return shownUnits;
}

void DisplayUnits::setCurrent(const DisplayUnits& units)
{
    shownUnits = units;
}

DisplayUnits DisplayUnits::all(UnitSystem system)
{
    return { system, system, system, system, system };
}

DisplayUnits DisplayUnits::forLocale(const QLocale& locale)
{
    return all(locale.measurementSystem() == QLocale::ImperialUSSystem ? UnitSystem::Imperial
                                                                       : UnitSystem::Metric);
}

DisplayUnits DisplayUnits::load(const QSettings& settings)
{
    DisplayUnits units = forLocale(QLocale::system());
    for (const Group& g : groups) {
        const QString value
            = settings.value(QStringLiteral("units/") + QLatin1String(g.key)).toString();
        if (value == QLatin1String("metric"))
            units.*g.member = UnitSystem::Metric;
        else if (value == QLatin1String("imperial"))
            units.*g.member = UnitSystem::Imperial;
    }
    return units;
}

void DisplayUnits::save(QSettings& settings) const
{
    for (const Group& g : groups)
        settings.setValue(QStringLiteral("units/") + QLatin1String(g.key),
            this->*g.member == UnitSystem::Imperial ? QStringLiteral("imperial")
                                                    : QStringLiteral("metric"));
}

UnitSystem DisplayUnits::systemOf(Quantity quantity) const
{
    switch (quantity) {
    case Quantity::Depth:
    case Quantity::VerticalSpeed:
        return depth;
    case Quantity::Pressure:
        return pressure;
    case Quantity::Volume:
    case Quantity::BreathingRate:
        return volume;
    case Quantity::Temperature:
        return temperature;
    case Quantity::Weight:
        return weight;
    }
    return UnitSystem::Metric;
}

bool DisplayUnits::operator==(const DisplayUnits& o) const
{
    return depth == o.depth && pressure == o.pressure && volume == o.volume
        && temperature == o.temperature && weight == o.weight;
}

namespace Units {

double toDisplay(Quantity quantity, double si, const DisplayUnits& units)
{
    if (units.systemOf(quantity) == UnitSystem::Metric)
        return si;
    if (quantity == Quantity::Temperature)
        return si * 9.0 / 5.0 + 32.0;
    return si * imperialPerSi(quantity);
}

double fromDisplay(Quantity quantity, double shown, const DisplayUnits& units)
{
    if (units.systemOf(quantity) == UnitSystem::Metric)
        return shown;
    if (quantity == Quantity::Temperature)
        return (shown - 32.0) * 5.0 / 9.0;
    return shown / imperialPerSi(quantity);
}

QString symbol(Quantity quantity, const DisplayUnits& units)
{
    const bool imperial = units.systemOf(quantity) == UnitSystem::Imperial;
    switch (quantity) {
    case Quantity::Depth:
        return imperial ? UnitText::tr("ft") : UnitText::tr("m");
    case Quantity::VerticalSpeed:
        return imperial ? UnitText::tr("ft/min") : UnitText::tr("m/min");
    case Quantity::Pressure:
        return imperial ? UnitText::tr("psi") : UnitText::tr("bar");
    case Quantity::Volume:
        return imperial ? UnitText::tr("cuft") : UnitText::tr("L");
    case Quantity::BreathingRate:
        return imperial ? UnitText::tr("cuft/min") : UnitText::tr("L/min");
    case Quantity::Temperature:
        return imperial ? UnitText::tr("°F") : UnitText::tr("°C");
    case Quantity::Weight:
        return imperial ? UnitText::tr("lb") : UnitText::tr("kg");
    }
    return {};
}

QString format(
    Quantity quantity, double si, int decimals, const DisplayUnits& units, const QLocale& locale)
{
    // A no-break space: a value never wraps away from its unit.
    return locale.toString(toDisplay(quantity, si, units), 'f', decimals) + QChar(0x00a0)
        + symbol(quantity, units);
}

QString number(Quantity quantity, double si, int decimals)
{
    return QLocale().toString(toDisplay(quantity, si, shownUnits), 'f', decimals);
}

QString symbol(Quantity quantity)
{
    return symbol(quantity, shownUnits);
}

double cylinderWaterLitres(double cubicFeet, double workingBar)
{
    if (!(workingBar > 0))
        return 0;
    return cubicFeet * kLitresPerCubicFoot * kBarPerAtmosphere / workingBar;
}

double cylinderCubicFeet(double waterLitres, double workingBar)
{
    return waterLitres * workingBar / kBarPerAtmosphere / kLitresPerCubicFoot;
}

} // namespace Units
