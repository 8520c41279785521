#include "planner/divereplay.h"

#include "dive/diveprofile.h"
#include "engine/model.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kModPpO2 = 1.4f; // bar, the working limit the MOD curve is drawn for
constexpr float kDefaultSetpoint = 1.3f; // bar, until a closed-circuit dive logs its own
// Molar masses in g/mol and the molar volume of an ideal gas at 0 degrees C and 1.01325 bar,
// so that air at the surface weighs the textbook 1.29 g/L.
constexpr float kMolarO2 = 31.998f;
constexpr float kMolarN2 = 28.014f;
constexpr float kMolarHe = 4.0026f;
constexpr float kMolarVolumeL = 22.414f;
constexpr float kAtmosphereBar = 1.01325f;
constexpr double kDeepestM = 1000.0;
// A longer gap between samples saturates every compartment anyway; capped so that a garbage
// time cannot hand the engine an infinite exposure.
constexpr double kLongestStepMin = 7.0 * 24.0 * 60.0;

// Minutes from the previous sample; samples out of order, repeated or with a time that is not
// a number add no time rather than loading backwards.
float stepMinutes(double timeS, double previousS)
{
    return float(std::min(std::max(0.0, timeS - previousS) / 60.0, kLongestStepMin));
}

gas_t engineGas(const DiveGas& g)
{
    return make_gas(quint8(std::clamp(g.o2, 0, 100)), quint8(std::clamp(g.he, 0, 100)));
}

// The engine set up for the dive: water, surface, factors and every gas it lists (up to the
// engine's eight), so the ascent on demand may switch to a deco gas as a computer would.
struct ReplayEngine
{
    ReplayEngine(const DiveProfile& dive, int gfLow, int gfHigh)
        : closed(dive.diveMode == 1
            || std::any_of(dive.samples.begin(), dive.samples.end(),
                [](const DiveSample& s) { return s.setpointMbar > 0; }))
    {
        config.apply_defaults();
        config.surfacePressure = dive.surfacePressure > 0.5 && dive.surfacePressure < 1.2
            ? float(dive.surfacePressure)
            : kSurfacePressureDefault;
        config.set_water_type(dive.freshWater ? 1 : 0);
        config.set_gf(
            make_gf(quint8(std::clamp(gfLow, 1, 100)), quint8(std::clamp(gfHigh, 1, 100))));
        const int count = std::min<int>(int(dive.gases.size()), kGasSlots);
        for (int i = 0; i < count; ++i)
            config.openGases[i] = engineGas(dive.gases[i]);
        if (count == 0)
            config.openGases[0] = g_air;
        config.openMask = quint8((1u << std::max(count, 1)) - 1u);
        config.closedGases[0] = config.openGases[0];
        config.closedMask = 0x01;
        config.set_mode(closed ? 1 : 0);
        config.currentSetpoint = 0;
        config.setpoints[0].ppO2 = kDefaultSetpoint;
    }

    // Puts the gas (a dive gas index, -1 keeps the current one) and setpoint of a sample in.
    void select(const DiveSample& s, int gasCount)
    {
        if (s.gasIndex >= 0 && s.gasIndex < gasCount && s.gasIndex < kGasSlots)
            gas = s.gasIndex;
        if (closed) {
            config.closedGases[0] = config.openGases[gas];
            if (s.setpointMbar > 0)
                config.setpoints[0].ppO2 = float(s.setpointMbar) / 1000.0f;
        } else {
            config.currentGas = quint8(gas);
        }
    }
    const gas_t& breathed() const { return closed ? config.closedGases[0] : config.openGases[gas]; }
    const float* setpoint() const { return closed ? &config.setpoints[0].ppO2 : &g_noSetpoint; }
    float pressureAt(double depthM) const
    {
        // A depth that is not a number counts as the surface; none is deeper than kDeepestM.
        return depthM > 0.0 ? depth_to_pressure(config, float(std::min(depthM, kDeepestM)))
                            : config.surfacePressure;
    }

    config_t config;
    const bool closed;
    int gas = 0;
};

// Partial pressures of the gas as breathed at this ambient pressure (dry, as divers quote
// them): the loop holds the setpoint and shares the rest as the diluent does.
void fillGasValues(ReplayPoint& p, const gas_t& gas, const float* setpoint, const config_t& config)
{
    const float ambient = p.ambientBar;
    p.ppO2 = ppo2(gas, setpoint, ambient);
    const float inert = std::max(0.0f, ambient - p.ppO2);
    const float inertShare = gas.fN2 + gas.fHe;
    p.ppN2 = inertShare > 0.0f ? inert * gas.fN2 / inertShare : 0.0f;
    p.ppHe = inertShare > 0.0f ? inert * gas.fHe / inertShare : 0.0f;
    // Air of the same narcotic pressure: oxygen and nitrogen count, helium does not.
    const float toDepth = 100.0f / (config.density * kGravity);
    p.endM = std::max(0.0f, (p.ppO2 + p.ppN2 - config.surfacePressure) * toDepth);
    p.densityGL = (p.ppO2 * kMolarO2 + p.ppN2 * kMolarN2 + p.ppHe * kMolarHe) / kAtmosphereBar
        / kMolarVolumeL;
    const float mod = gas.fO2 > 0.0f ? kModPpO2 / gas.fO2 : 0.0f;
    p.modM = std::max(0.0f, (mod - config.surfacePressure) * toDepth);
}

// The leading compartment against its surface M-value, and every compartment's load.
void fillTissueValues(ReplayPoint& p, const tissues_t& tissues, const config_t& config)
{
    float best = -1.0f;
    for (int i = 0; i < kCompartments; ++i) {
        const float tension = tissues.pN2[i] + tissues.pHe[i];
        const float mSurface = max_tension(tissues, config.surfacePressure, i, 1.0f);
        const float gf
            = (tension - config.surfacePressure) / (mSurface - config.surfacePressure) * 100.0f;
        if (gf > best) {
            best = gf;
            p.leadingTissue = i;
        }
        p.load[size_t(i)]
            = tissueLoad(tension, p.ambientBar, max_tension(tissues, p.ambientBar, i, 1.0f));
    }
    p.gfSurfacePercent = std::max(0.0f, best);
}

} // namespace

float tissueLoad(float tensionBar, float ambientBar, float mValueBar)
{
    if (!(ambientBar > 0.0f))
        return 0.0f;
    if (tensionBar <= ambientBar)
        return std::max(-1.0f, tensionBar / ambientBar - 1.0f);
    const float room = mValueBar - ambientBar;
    return room > 0.0f ? (tensionBar - ambientBar) / room : 1.0f;
}

int DiveReplay::indexAt(double timeS) const
{
    const auto after = std::upper_bound(points.begin(), points.end(), timeS,
        [](double t, const ReplayPoint& p) { return t < p.timeS; });
    return int(after - points.begin()) - 1;
}

DiveProfile densifiedForReplay(const DiveProfile& dive, double maxStepS)
{
    DiveProfile out = dive;
    if (!(maxStepS > 0.0) || dive.samples.size() < 2)
        return out;
    out.samples.clear();
    out.samples.reserve(dive.samples.size());
    out.samples.append(dive.samples.first());
    for (qsizetype i = 1; i < dive.samples.size(); ++i) {
        const DiveSample& a = dive.samples[i - 1];
        const DiveSample& b = dive.samples[i];
        const double gap = b.time - a.time;
        // Bounded, so a garbage time cannot ask for billions of samples.
        const int steps = gap > maxStepS ? int(std::min(std::ceil(gap / maxStepS), 1.0e6)) : 1;
        for (int k = 1; k < steps; ++k) {
            DiveSample s;
            s.time = a.time + gap * k / steps;
            s.depth = a.depth + (b.depth - a.depth) * k / steps;
            s.gasIndex = b.gasIndex;
            s.setpointMbar = b.setpointMbar;
            out.samples.append(s);
        }
        out.samples.append(b);
    }
    return out;
}

ReplayPoint DiveReplay::at(double timeS) const
{
    const int i = indexAt(timeS);
    if (i < 0 || timeS > points.last().timeS)
        return {};
    ReplayPoint p = points[i];
    if (i + 1 >= points.size() || !(points[i + 1].timeS > p.timeS))
        return p;
    const ReplayPoint& b = points[i + 1];
    const float f = float((timeS - p.timeS) / (b.timeS - p.timeS));
    auto mix = [f](float x, float y) { return x + (y - x) * f; };
    p.timeS = timeS;
    p.depthM += (b.depthM - p.depthM) * double(f);
    for (float ReplayPoint::*v : { &ReplayPoint::ambientBar, &ReplayPoint::ceilingM,
             &ReplayPoint::ndlMin, &ReplayPoint::gfSurfacePercent, &ReplayPoint::cnsPercent,
             &ReplayPoint::otu, &ReplayPoint::ppO2, &ReplayPoint::ppN2, &ReplayPoint::ppHe,
             &ReplayPoint::endM, &ReplayPoint::densityGL })
        p.*v = mix(p.*v, b.*v);
    return p;
}

DiveReplay replayDive(const DiveProfile& dive, int gfLowPercent, int gfHighPercent)
{
    DiveReplay replay;
    ReplayEngine engine(dive, gfLowPercent, gfHighPercent);
    const config_t& config = engine.config;
    replay.gfLow = int(std::lround(config.gfSetting.gfLow * 100.0f));
    replay.gfHigh = int(std::lround(config.gfSetting.gfHigh * 100.0f));
    replay.surfaceBar = config.surfacePressure;
    replay.density = config.density;
    if (dive.samples.isEmpty())
        return replay;

    tissues_t tissues;
    reset_tissues(tissues, config.surfacePressure);
    deco_t deco;
    init_deco(deco, config);
    const int gasCount = int(dive.gases.size());
    replay.points.resize(dive.samples.size());
    float otu = 0.0f;
    float previousP = engine.pressureAt(dive.samples.first().depth);
    double previousT = dive.samples.first().time;
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const DiveSample& s = dive.samples[i];
        engine.select(s, gasCount);
        const gas_t& gas = engine.breathed();
        const float* setpoint = engine.setpoint();
        ReplayPoint& p = replay.points[i];
        p.timeS = s.time;
        p.depthM = s.depth;
        p.ambientBar = engine.pressureAt(s.depth);
        const float minutes = stepMinutes(s.time, previousT);
        load_step(tissues, previousP, p.ambientBar, minutes, gas, setpoint, otu);
        compute_ceiling(deco, config, tissues, p.ambientBar);
        p.ceilingM = std::max(
            0.0f, (deco.ceiling - config.surfacePressure) * 100.0f / (config.density * kGravity));
        p.ndlMin = deco.stopCount > 0 ? 0.0f : deco.ndl;
        p.gas = engine.gas < gasCount ? engine.gas : -1;
        p.setpointBar = engine.closed ? *setpoint : 0.0f;
        p.cnsPercent = tissues.cns * 100.0f;
        p.otu = otu;
        fillGasValues(p, gas, setpoint, config);
        fillTissueValues(p, tissues, config);
        replay.maxGfSurfacePercent = std::max(replay.maxGfSurfacePercent, p.gfSurfacePercent);
        replay.maxPpO2 = std::max(replay.maxPpO2, p.ppO2);
        previousP = p.ambientBar;
        previousT = std::max(previousT, s.time);
    }
    replay.cnsEndPercent = replay.points.last().cnsPercent;
    replay.otu = otu;
    return replay;
}

namespace {

// Walks the replay's samples again up to lastIndex, handing the tissues of each to `at`: the
// tissues are not kept per sample, 140 bytes each for questions asked of few samples.
template <typename At>
void rewalk(const DiveProfile& dive, const DiveReplay& replay, int lastIndex, At at)
{
    ReplayEngine engine(dive, replay.gfLow, replay.gfHigh);
    tissues_t tissues;
    reset_tissues(tissues, engine.config.surfacePressure);
    float otu = 0.0f;
    float previousP = engine.pressureAt(dive.samples.first().depth);
    double previousT = dive.samples.first().time;
    const int gasCount = int(dive.gases.size());
    for (int i = 0; i <= lastIndex; ++i) {
        const DiveSample& s = dive.samples[i];
        engine.select(s, gasCount);
        const float pressure = engine.pressureAt(s.depth);
        const float minutes = stepMinutes(s.time, previousT);
        load_step(tissues, previousP, pressure, minutes, engine.breathed(), engine.setpoint(), otu);
        previousP = pressure;
        previousT = std::max(previousT, s.time);
        at(i, engine.config, tissues, pressure);
    }
}

float ttsFrom(const config_t& config, const tissues_t& tissues, float pressure)
{
    deco_t deco;
    init_deco(deco, config);
    compute_deco(deco, config, tissues, pressure, 0.0f);
    return deco.decoImpossible || deco.stopCount == 0 ? 0.0f : deco.dtr;
}

} // namespace

float replayTtsMin(const DiveProfile& dive, const DiveReplay& replay, int index)
{
    if (index < 0 || index >= replay.points.size() || replay.points.size() != dive.samples.size()
        || replay.points[index].ndlMin > 0.0f)
        return 0.0f;
    float tts = 0.0f;
    rewalk(dive, replay, index, [&](int i, const config_t& config, const tissues_t& t, float p) {
        if (i == index)
            tts = ttsFrom(config, t, p);
    });
    return tts;
}

QList<float> replayTtsAll(const DiveProfile& dive, const DiveReplay& replay)
{
    QList<float> tts(replay.points.size(), 0.0f);
    if (replay.points.size() != dive.samples.size())
        return tts;
    rewalk(dive, replay, int(replay.points.size()) - 1,
        [&](int i, const config_t& config, const tissues_t& t, float p) {
            if (replay.points[i].ndlMin <= 0.0f)
                tts[i] = ttsFrom(config, t, p);
        });
    return tts;
}
