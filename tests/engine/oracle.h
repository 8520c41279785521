#pragma once

// A deliberately plain reference model for the engine tests: double precision, a direct exp()
// for every exposure, no power-of-two tables, no caches, no shortcuts, no warm starts and no
// closed forms. Searches walk 5-second steps from zero. It carries its own copy of the
// coefficient tables and reads only the configuration values and records from the engine.

#include "engine/config.h"
#include "engine/model.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace oracle {

constexpr double kVapour = 0.0627;

// ZH-L16C as printed in A. A. Buhlmann, E. B. Voellm, P. Nussberger, "Tauchmedizin", 5th ed.,
// Springer 2002: nitrogen with the 4-minute compartment 1 (not 1b) and the C set of a values;
// helium from the same tables. Compartments 1 to 16. For nitrogen b the printed 0.7825 of the
// 18.5-minute compartment is kept, although 1.005 - T^-1/2 gives 0.7725.
constexpr double kN2HalfTime[16] = { 4.0, 8.0, 12.5, 18.5, 27.0, 38.3, 54.3, 77.0, 109.0, 146.0,
    187.0, 239.0, 305.0, 390.0, 498.0, 635.0 };
constexpr double kN2A[16] = { 1.2599, 1.0000, 0.8618, 0.7562, 0.6200, 0.5043, 0.4410, 0.4000,
    0.3750, 0.3500, 0.3295, 0.3065, 0.2835, 0.2610, 0.2480, 0.2327 };
constexpr double kN2B[16] = { 0.5050, 0.6514, 0.7222, 0.7825, 0.8126, 0.8434, 0.8693, 0.8910,
    0.9092, 0.9222, 0.9319, 0.9403, 0.9477, 0.9544, 0.9602, 0.9653 };
constexpr double kHeHalfTime[16] = { 1.51, 3.02, 4.72, 6.99, 10.21, 14.48, 20.53, 29.11, 41.20,
    55.19, 70.69, 90.34, 115.29, 147.42, 188.24, 240.03 };
constexpr double kHeA[16] = { 1.7424, 1.3830, 1.1919, 1.0458, 0.9220, 0.8205, 0.7305, 0.6502,
    0.5950, 0.5545, 0.5333, 0.5189, 0.5181, 0.5176, 0.5172, 0.5119 };
constexpr double kPublishedHeB[16] = { 0.4245, 0.5747, 0.6527, 0.7223, 0.7582, 0.7957, 0.8279,
    0.8553, 0.8757, 0.8903, 0.8997, 0.9073, 0.9122, 0.9171, 0.9217, 0.9267 };

// The one place the engine differs from the printed tables, on purpose: helium b of compartment
// 13 is 0.9112 (printed: 0.9122), the value the dive computer computes with, so that a plan made
// here and the computer's own deco agree.
inline double heB(int i)
{
    return i == 12 ? 0.9112 : kPublishedHeB[i];
}

struct Tissues
{
    double n2[16], he[16];
    double cns = 0.0;
};

inline Tissues fromEngine(const tissues_t& t)
{
    Tissues o;
    for (int i = 0; i < 16; ++i) {
        o.n2[i] = t.pN2[i];
        o.he[i] = t.pHe[i];
    }
    o.cns = t.cns;
    return o;
}

inline Tissues airAt(double pressure)
{
    Tissues o;
    for (int i = 0; i < 16; ++i) {
        o.n2[i] = (pressure - kVapour) * 0.79;
        o.he[i] = 0.0;
    }
    return o;
}

struct Gas
{
    double o2, he, n2;
};

inline Gas gasOf(const gas_t& g)
{
    return { g.fO2, g.fHe, g.fN2 };
}

// Setpoint in bar; infinity for open circuit.
inline bool open(double setpoint)
{
    return !std::isfinite(setpoint);
}

// Inspired pressure of the gas's fraction `f` (nitrogen or helium); on a closed circuit the
// diluent fills what the setpoint leaves.
inline double inspired(const Gas& g, double f, double setpoint, double p)
{
    const double dry = p - kVapour;
    if (open(setpoint))
        return dry * f;
    return g.o2 >= 1.0 || setpoint >= dry ? 0.0 : (dry - setpoint) * f / (1.0 - g.o2);
}

inline double ppO2(const Gas& g, double setpoint, double p)
{
    return open(setpoint) ? p * g.o2 : std::min(p, setpoint);
}

// Linear pressure change over `minutes` (Schreiner), always the full formula; p1 == p2 is a
// constant exposure.
inline void ramp(Tissues& t, double p1, double p2, double minutes, const Gas& g, double setpoint)
{
    if (minutes <= 0.0)
        return;
    auto load = [&](double* tension, const double* halfTime, double f) {
        const double i1 = inspired(g, f, setpoint, p1),
                     r = (inspired(g, f, setpoint, p2) - i1) / minutes;
        for (int i = 0; i < 16; ++i) {
            const double k = std::log(2.0) / halfTime[i];
            tension[i]
                = i1 + r * (minutes - 1.0 / k) - (i1 - tension[i] - r / k) * std::exp(-k * minutes);
        }
    };
    load(t.n2, kN2HalfTime, g.n2);
    load(t.he, kHeHalfTime, g.he);
}

inline void constant(Tissues& t, double p, double minutes, const Gas& g, double setpoint)
{
    ramp(t, p, p, minutes, g, setpoint);
}

// CNS limit by ppO2, linear between the 0.05-bar points of the NOAA-style table.
inline double cnsRate(double pp)
{
    static const double limit[22] = { 720, 645, 570, 510, 450, 405, 360, 330, 300, 270, 240, 225,
        210, 195, 180, 165, 150, 135, 120, 83, 45, 7 };
    if (pp <= 0.6)
        return 1.0 / 720.0;
    if (pp >= 1.65)
        return 1.0 / 7.0;
    const double pos = (pp - 0.6) / 0.05;
    const int i = static_cast<int>(pos);
    const double f = pos - i;
    return 1.0 / (limit[i] * (1.0 - f) + limit[i + 1] * f);
}

inline void cns(Tissues& t, double p1, double p2, double minutes, const Gas& g, double setpoint)
{
    if (minutes <= 0.0)
        return;
    const double pp = (ppO2(g, setpoint, p1) + ppO2(g, setpoint, p2)) / 2.0;
    if (pp > 0.6)
        t.cns += cnsRate(pp) * minutes;
    else if (t.cns > 0.001)
        t.cns *= std::pow(0.5, minutes / 90.0);
    else
        t.cns = 0.0;
}

// Tolerated ambient pressure of compartment i at gradient factor gf, with a and b weighted by
// the helium share of the tension.
inline double tolerated(const Tissues& t, int i, double gf)
{
    const double total = t.n2[i] + t.he[i];
    if (total <= 0.0)
        return 0.0;
    const double r = t.he[i] / total;
    const double a = r * kHeA[i] + (1.0 - r) * kN2A[i];
    const double b = r * heB(i) + (1.0 - r) * kN2B[i];
    return (total - a * gf) / (gf / b - gf + 1.0);
}

inline double ceiling(const Tissues& t, double gf)
{
    double c = 0.0;
    for (int i = 0; i < 16; ++i)
        c = std::max(c, tolerated(t, i, gf));
    return c;
}

inline bool mayStay(const Tissues& t, double p, double gf)
{
    for (int i = 0; i < 16; ++i) {
        if (!(p > tolerated(t, i, gf)))
            return false;
    }
    return true;
}

// --- ascent -----------------------------------------------------------------------------

struct Setup
{
    double surface, density, ascentRate, slowRate, lastStop, step, gfLow, gfHigh, maxDecoPpO2;
    bool closedCircuit, gasSwitching;
    const config_t* config; // gas table and sorted list (data, not algorithms)
};

inline Setup setupOf(const config_t& c)
{
    return { c.surfacePressure, c.density, c.ascentRate, c.slowAscentRate, c.lastStopDepth,
        c.metric ? 3.0 : 3.048, c.gfSetting.gfLow, c.gfSetting.gfHigh, c.maxDecoPpO2,
        c.diveMode == 1, c.gasSwitching != 0, &c };
}

inline double pressureAt(const Setup& s, double depthM)
{
    return s.density * 9.80665 * depthM / 100.0 + s.surface;
}

inline double levelPressure(const Setup& s, int n)
{
    if (n < 1)
        return s.surface;
    const double base = std::round(s.lastStop / s.step) * s.step;
    return pressureAt(s, n == 1 ? s.lastStop : base + (n - 1) * s.step);
}

inline double gfAt(const Setup& s, int anchor, double anchorP, double p, int n)
{
    const int level = std::max(anchor, n + 1);
    if (level < 2 || s.gfLow == s.gfHigh)
        return s.gfHigh;
    const double pa = level == anchor ? anchorP : levelPressure(s, level);
    const double f = (p - pa) / (s.surface - pa);
    return (1.0 - f) * s.gfLow + f * s.gfHigh;
}

struct Breathing
{
    Gas gas;
    double setpoint;
    int gasIndex, setpointIndex;
};

inline Breathing currentOf(const config_t& c)
{
    return { gasOf(*c.current_gas()), *c.current_setpoint(), c.current_gas_index(),
        c.current_setpoint_index() % 3 };
}

// The first level the diver may not leave on a direct ascent, scanning every level from the
// deepest; 0 when none.
inline int firstStop(
    const Setup& s, const Tissues& t, double p, int anchor, double anchorP, const Breathing& b)
{
    for (int c = 100; c >= 1; --c) {
        Tissues copy = t;
        const double target = levelPressure(s, c);
        if (target < p)
            ramp(copy, p, target, (p - target) / s.ascentRate, b.gas, b.setpoint);
        const double next = levelPressure(s, c - 1);
        if (!mayStay(copy, next, gfAt(s, anchor, anchorP, next, c - 1)))
            return c;
    }
    return 0;
}

struct Stop
{
    double pressure, minutes;
    int gasIndex, setpointIndex;
};

struct Ascent
{
    int firstStop = 0, anchor = 0;
    std::vector<Stop> stops;
    double dtr = 0.0; // minutes to the surface: ascent at the ascent rate, after a stop slower
    bool capped = false;
};

// The whole ascent from pressure p, starting from the given anchor state.
inline Ascent ascent(
    const Setup& s, const Tissues& start, double p, int anchor, double anchorP, Breathing b)
{
    Ascent out;
    out.firstStop = firstStop(s, start, p, anchor, anchorP, b);
    // No stop: no anchor; a first stop below the anchor becomes the anchor.
    out.anchor = out.firstStop == 0 ? 0 : std::max(anchor, out.firstStop);
    if (out.anchor != anchor)
        anchorP = out.anchor == 0 ? 0.0 : levelPressure(s, out.firstStop);
    Tissues w = start;
    double pc = levelPressure(s, out.firstStop);
    if (pc < p)
        ramp(w, p, pc, (p - pc) / s.ascentRate, b.gas, b.setpoint);
    double rate = s.ascentRate;
    out.dtr = std::max(0.0, p - pc) / rate;
    const config_t& c = *s.config;
    for (int level = out.firstStop; level >= 1; --level) {
        // Open circuit: the richest following gas whose oxygen limit covers this stop.
        for (int n = c.next_gas(b.gasIndex); s.gasSwitching && !s.closedCircuit && n != b.gasIndex;
             n = c.next_gas(b.gasIndex)) {
            const gas_t& candidate = *c.gas_at(n);
            if (!(pc <= (candidate.fO2 > 0.0 ? s.maxDecoPpO2 / candidate.fO2 : 0.0)))
                break;
            b.gasIndex = n;
            b.gas = gasOf(candidate);
        }
        if (s.closedCircuit && pc <= pressureAt(s, 6.0)) {
            b.setpoint = c.setpoints[2].ppO2;
            b.setpointIndex = 2;
        }
        const double next = levelPressure(s, level - 1);
        const double gf = gfAt(s, out.anchor, anchorP, next, level - 1);
        int steps = 0;
        while (steps < 24000 && next - ceiling(w, gf) < 0.0) {
            constant(w, pc, 5.0 / 60.0, b.gas, b.setpoint);
            ++steps;
        }
        out.capped = out.capped || next - ceiling(w, gf) < 0.0;
        if (steps > 0 || !out.stops.empty())
            out.stops.push_back({ pc, steps * 5.0 / 60.0, b.gasIndex, b.setpointIndex });
        if (steps > 0)
            rate = s.slowRate;
        out.dtr += steps * 5.0 / 60.0 + (pc - next) / rate;
        pc = next;
    }
    return out;
}

// No-decompression time in whole 5-second steps: the last step after which a direct ascent
// still keeps the ceiling at or above the surface.
inline double ndlMinutes(const Setup& s, const Tissues& t, double p, const Breathing& b)
{
    Tissues held = t;
    int last = -1;
    for (int n = 0; n <= 3000; ++n) {
        if (n > 0)
            constant(held, p, 5.0 / 60.0, b.gas, b.setpoint);
        Tissues up = held;
        if (p > s.surface)
            ramp(up, p, s.surface, (p - s.surface) / s.ascentRate, b.gas, b.setpoint);
        if (s.surface - ceiling(up, s.gfHigh) < 0.0)
            break;
        last = n;
    }
    return last < 0 ? 0.0 : last * 5.0 / 60.0;
}

// A small deterministic generator, so every run sees the same profiles.
struct Random
{
    uint64_t state;
    explicit Random(uint64_t seed)
        : state(seed * 6364136223846793005ull + 1442695040888963407ull)
    { }
    uint32_t next()
    {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
    int range(int lo, int hi) { return lo + static_cast<int>(next() % uint32_t(hi - lo + 1)); }
    double uniform(double lo, double hi) { return lo + (hi - lo) * (next() / 2147483648.0); }
};

} // namespace oracle
