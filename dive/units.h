#pragma once

#include <QString>

class QLocale;
class QSettings;

// The units a diver reads and types in. Storage, files and JSON stay SI (metres, bar, litres,
// degrees Celsius, kilograms); only what is shown and typed is converted, at the edge.
enum class UnitSystem { Metric, Imperial };

// What is measured, each read in the unit of its group: a depth and a vertical speed follow the
// depth setting, a volume and a breathing rate the volume setting.
enum class Quantity { Depth, VerticalSpeed, Pressure, Volume, BreathingRate, Temperature, Weight };

// One system per group, so a diver may read feet with bar ("mixed").
struct DisplayUnits
{
    UnitSystem depth = UnitSystem::Metric; // m, m/min | ft, ft/min
    UnitSystem pressure = UnitSystem::Metric; // bar | psi
    UnitSystem volume = UnitSystem::Metric; // L, L/min | cuft, cuft/min
    UnitSystem temperature = UnitSystem::Metric; // degrees C | F
    UnitSystem weight = UnitSystem::Metric; // kg | lb

    static DisplayUnits all(UnitSystem system);
    // Imperial where the locale measures in US units, metric elsewhere (the UK dives in metres
    // and bar).
    static DisplayUnits forLocale(const QLocale& locale);
    // The [units] group of the settings, each key missing taken from the system locale.
    static DisplayUnits load(const QSettings& settings);
    void save(QSettings& settings) const;

    // The units the views show, set by the window from its settings as QLocale::setDefault
    // sets the default locale; metric until set.
    static DisplayUnits current();
    static void setCurrent(const DisplayUnits& units);

    UnitSystem systemOf(Quantity quantity) const;
    bool operator==(const DisplayUnits& o) const;
    bool operator!=(const DisplayUnits& o) const { return !(*this == o); }
};

namespace Units {

// Published factors: the international foot and pound (1959, exact), the cubic foot (exact from
// the foot), the psi from NIST SP 811 and the standard atmosphere.
constexpr double kMetresPerFoot = 0.3048;
constexpr double kKilogramsPerPound = 0.45359237;
constexpr double kLitresPerCubicFoot = 28.316846592;
constexpr double kBarPerPsi = 0.06894757293168;
constexpr double kBarPerAtmosphere = 1.01325;

// The SI value in the unit the settings give, and back.
double toDisplay(Quantity quantity, double si, const DisplayUnits& units);
double fromDisplay(Quantity quantity, double shown, const DisplayUnits& units);
// "m", "ft", "bar", "psi", "L", "cuft", "°C", "°F", "kg", "lb", "m/min", "ft/min", "L/min",
// "cuft/min".
QString symbol(Quantity quantity, const DisplayUnits& units);
// The SI value shown with its unit and the locale's decimal mark: "35.2 m", "115,5 ft".
QString format(
    Quantity quantity, double si, int decimals, const DisplayUnits& units, const QLocale& locale);

// An imperial cylinder is named by the free gas it holds at its working pressure (an AL80 holds
// 80 cuft at 3000 psi); a metric one by its water volume. Ideal gas: water litres = free gas /
// (working pressure in atmospheres).
// In the current units with the default locale's decimal mark, for the views: the number alone
// ("35,2"), and the unit's symbol.
QString number(Quantity quantity, double si, int decimals);
QString symbol(Quantity quantity);

double cylinderWaterLitres(double cubicFeet, double workingBar);
double cylinderCubicFeet(double waterLitres, double workingBar);

} // namespace Units
