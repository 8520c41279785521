#include "planner/realgas.h"

#include "fileio/gassettings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace {

constexpr double kR = 8.314462618; // J / (mol K)
constexpr double kKelvin = 273.15;
constexpr double kStepBar = 2.0;
constexpr int kPoints = 201; // 0 to 400 bar
constexpr double kRoundingSlack = 1e-9;

// Lee and Kesler, "A generalized thermodynamic correlation based on three-parameter
// corresponding states", AIChE Journal 21 (1975) 510: a BWR-type equation for a simple fluid
// and for the reference fluid n-octane, interpolated in the acentric factor.
struct LeeKeslerFluid
{
    double b1, b2, b3, b4, c1, c2, c3, c4, d1, d2, beta, gamma;
};
constexpr LeeKeslerFluid kSimple { 0.1181193, 0.265728, 0.154790, 0.030323, 0.0236744, 0.0186984,
    0.0, 0.042724, 0.155488e-4, 0.623689e-4, 0.65392, 0.060167 };
constexpr LeeKeslerFluid kReference { 0.2026579, 0.331511, 0.027655, 0.203488, 0.0313385, 0.0503618,
    0.016901, 0.041577, 0.48736e-4, 0.0740336e-4, 1.226, 0.03754 };
constexpr double kReferenceOmega = 0.3978;

// Critical temperature (K), pressure (bar) and acentric factor: Poling, Prausnitz and
// O'Connell, "The Properties of Gases and Liquids", 5th ed. (2001), appendix A.
struct Critical
{
    double tc, pc, omega;
};
constexpr Critical kNitrogen { 126.2, 33.98, 0.037 };
constexpr Critical kOxygen { 154.58, 50.43, 0.022 };

// Z of one Lee-Kesler fluid at reduced temperature and pressure: solves Pr Vr / Tr = Z(Vr) by
// Newton's method from the ideal-gas volume (gas side, well above the critical temperature).
double leeKeslerZ(const LeeKeslerFluid& f, double tr, double pr)
{
    const double b = f.b1 - f.b2 / tr - f.b3 / (tr * tr) - f.b4 / (tr * tr * tr);
    const double c = f.c1 - f.c2 / tr + f.c3 / (tr * tr * tr);
    const double d = f.d1 + f.d2 / tr;
    const double e = f.c4 / (tr * tr * tr);
    auto z = [&](double v) {
        const double g = f.gamma / (v * v);
        return 1 + b / v + c / (v * v) + d / std::pow(v, 5)
            + e / (v * v) * (f.beta + g) * std::exp(-g);
    };
    double v = tr / pr;
    for (int i = 0; i < 50; ++i) {
        const double h = 1e-7 * v;
        const double r = pr * v / tr - z(v);
        const double dr = (pr * (v + h) / tr - z(v + h) - r) / h;
        const double next = v - r / dr;
        if (!(next > 0))
            break;
        const bool done = std::abs(next - v) < 1e-12 * v;
        v = next;
        if (done)
            break;
    }
    return pr * v / tr;
}

double leeKesler(const Critical& gas, double kelvin, double bar)
{
    const double tr = kelvin / gas.tc;
    const double pr = bar / gas.pc;
    const double z0 = leeKeslerZ(kSimple, tr, pr);
    return z0 + gas.omega / kReferenceOmega * (leeKeslerZ(kReference, tr, pr) - z0);
}

// Helium, whose quantum behaviour the corresponding-states rule misses, by its virial
// coefficients (Dymond, Marsh, Wilhoit and Wong, "Virial Coefficients of Pure Gases",
// Landolt-Boernstein IV/21A, 2002): B about 11.9 cm3/mol at 0 C falling slowly with
// temperature, C about 110 cm6/mol2; Z = 1 + B rho + C rho^2 solved for the density.
double helium(double kelvin, double bar)
{
    const double b = (11.9 - 0.0037 * (kelvin - kKelvin)) * 1e-6; // m3/mol
    const double c = 110e-12; // m6/mol2
    double z = 1;
    for (int i = 0; i < 30; ++i) {
        const double rho = bar * 1e5 / (z * kR * kelvin);
        z = 1 + b * rho + c * rho * rho;
    }
    return z;
}

// Z of the three gases on a pressure grid, worked out once per temperature: the gas plan asks
// for many conversions and the equations above take a few microseconds each.
struct Table
{
    double celsius = std::numeric_limits<double>::quiet_NaN();
    std::array<double, kPoints> n2 {}, o2 {}, he {};
};

const Table& tableFor(double celsius)
{
    thread_local Table table;
    if (table.celsius == celsius)
        return table;
    const double kelvin = celsius + kKelvin;
    for (int i = 0; i < kPoints; ++i) {
        const double bar = std::max(0.01, i * kStepBar);
        table.n2[size_t(i)] = leeKesler(kNitrogen, kelvin, bar);
        table.o2[size_t(i)] = leeKesler(kOxygen, kelvin, bar);
        table.he[size_t(i)] = helium(kelvin, bar);
    }
    table.celsius = celsius;
    return table;
}

double interpolated(const std::array<double, kPoints>& z, double bar)
{
    const double at = std::clamp(bar / kStepBar, 0.0, double(kPoints - 1));
    const int i = std::min(int(at), kPoints - 2);
    const double f = at - i;
    return z[size_t(i)] + f * (z[size_t(i + 1)] - z[size_t(i)]);
}

} // namespace

double compressibility(int o2, int he, double bar, double celsius)
{
    if (!(bar > 0) || !std::isfinite(celsius))
        return 1.0;
    const Table& t = tableFor(celsius);
    const double fO2 = std::clamp(o2, 0, 100) / 100.0;
    const double fHe = std::clamp(he, 0, 100 - std::clamp(o2, 0, 100)) / 100.0;
    // Amagat's rule: the mix's Z is the mole-fraction mean of its gases' at the same pressure.
    return fO2 * interpolated(t.o2, bar) + fHe * interpolated(t.he, bar)
        + (1 - fO2 - fHe) * interpolated(t.n2, bar);
}

double cylinderLitres(const Cylinder& cylinder, double bar, double celsius)
{
    if (!(bar > 0))
        return 0;
    return cylinder.litres * bar / compressibility(cylinder.o2, cylinder.he, bar, celsius);
}

double cylinderBar(const Cylinder& cylinder, double litres, double celsius)
{
    if (!(litres > 0) || !(cylinder.litres > 0))
        return 0;
    // p = Z(p) x litres / volume, by fixed-point steps: Z changes slowly with pressure.
    const double ideal = litres / cylinder.litres;
    double bar = ideal;
    for (int i = 0; i < 40; ++i) {
        const double next = ideal * compressibility(cylinder.o2, cylinder.he, bar, celsius);
        const bool done = std::abs(next - bar) < kRoundingSlack;
        bar = next;
        if (done)
            break;
    }
    return bar;
}
