#include "planner/bailout.h"

#include "engine/deco.h"

#include <algorithm>

namespace {

constexpr double kPpO2Min = 0.16;

// The cylinder to leave the loop on at this pressure.
int startCylinder(
    const config_t& config, const QList<Cylinder>& cylinders, int diluent, float pressure)
{
    int best = -1;
    for (int i = 0; i < cylinders.size() && i < kGasSlots; ++i) {
        if (i == diluent)
            continue;
        const double pp = cylinders[i].o2 / 100.0 * pressure;
        if (pp < kPpO2Min || pp > config.maxBottomPpO2)
            continue;
        if (best < 0 || cylinders[i].o2 > cylinders[best].o2)
            best = i;
    }
    return best >= 0 ? best : std::clamp(diluent, 0, int(cylinders.size()) - 1);
}

// Splits a segment where the raised breathing rate ends.
void addSegment(QList<GasSegment>& out, QList<double>& sacs, const GasSegment& s, double startMin,
    const GasSettings& settings)
{
    // The problem-solving time is always breathed at the raised rate.
    const double stressEnd = std::max(settings.bailoutStressMin, settings.bailoutProblemMin);
    const double raised = settings.decoSacLpm * settings.bailoutStressFactor;
    if (!(s.minutes > 0))
        return;
    if (startMin >= stressEnd) {
        out.append(s);
        sacs.append(settings.decoSacLpm);
        return;
    }
    if (startMin + s.minutes <= stressEnd) {
        out.append(s);
        sacs.append(raised);
        return;
    }
    const double first = stressEnd - startMin;
    const double splitDepth = s.startDepthM + (s.endDepthM - s.startDepthM) * first / s.minutes;
    out.append({ s.startDepthM, splitDepth, first, s.cylinder, true });
    sacs.append(raised);
    out.append({ splitDepth, s.endDepthM, s.minutes - first, s.cylinder, true });
    sacs.append(settings.decoSacLpm);
}

// The plan's config on open circuit: the cylinders as its gases, the bailout's factors.
config_t bailoutConfig(const config_t& planConfig, const QList<Cylinder>& cylinders,
    const GasSettings& settings, const gf_t& planGf, gf_t& gf)
{
    config_t config(planConfig);
    quint8 mask = 0;
    for (int i = 0; i < cylinders.size() && i < kGasSlots; ++i) {
        const Cylinder& c = cylinders[i];
        config.openGases[i]
            = make_gas(quint8(std::clamp(c.o2, 0, 100)), quint8(std::clamp(c.he, 0, 100 - c.o2)));
        mask |= quint8(1u << i);
    }
    config.openMask = mask;
    config.set_mode(0);
    gf = settings.bailoutGfLow > 0 && settings.bailoutGfHigh > 0
        ? make_gf(quint8(settings.bailoutGfLow), quint8(settings.bailoutGfHigh))
        : planGf;
    config.set_gf(gf);
    return config;
}

// Writes the legs of the bailout ascent as gas segments and lines of the table.
class LegWriter
{
public:
    LegWriter(
        BailoutPlan& plan, const GasSettings& settings, double depthM, double runMin, int first)
        : run(runMin)
        , m_plan(plan)
        , m_settings(settings)
        , m_lastDepth(depthM)
        , m_lastBreathed(first)
        , m_switchDepth(depthM)
    { }

    void leg(float toDepth, float minutes, int breathed, quint32 direction)
    {
        const GasSegment s { m_lastDepth, double(toDepth), double(minutes), breathed, true };
        addSegment(m_plan.segments, sacs, s, m_fromStart, m_settings);
        m_fromStart += minutes;
        run += minutes;
        m_lastDepth = toDepth;
        // Each line names the cylinder breathed on it; a change has its own switch line.
        if (breathed != m_lastBreathed) {
            m_plan.lines.append({ LinePlan::Switch, LinePlan::Level, 1, float(m_switchDepth), 0,
                float(run - minutes), quint32(breathed), 0, 0 });
            m_lastBreathed = breathed;
        }
        m_switchDepth = toDepth;
        if (direction == LinePlan::Level && !(minutes > 0))
            return; // a stop that ends at once is not a line of the table
        m_plan.lines.append({ LinePlan::Line, direction, 1, toDepth, minutes, float(run),
            quint32(breathed), 0, 0 });
    }

    double run;
    QList<double> sacs; // the breathing rate of each segment

private:
    BailoutPlan& m_plan;
    const GasSettings& m_settings;
    double m_fromStart = 0;
    double m_lastDepth;
    int m_lastBreathed;
    double m_switchDepth;
};

// The engine's schedule from the start of the ascent, leg by leg.
void writeAscent(LegWriter& legs, const deco_t& deco, const config_t& config, const GasWater& water,
    float pStart, int first)
{
    auto depthOf = [&](float pressure) {
        return float(
            std::max(0.0, (pressure - water.surfaceBar) * 100.0 / (water.density * 9.80665)));
    };
    const bool hasStops = deco.stopCount > 0;
    const float target = hasStops ? deco.stops[0].pressure : config.surfacePressure;
    legs.leg(depthOf(target), std::max(0.0f, (pStart - target) / config.ascent_rate()), first,
        LinePlan::Ascending);
    for (int j = 0; j < deco.stopCount; ++j) {
        const stop_t& stop = deco.stops[j];
        if (j > 0) {
            const stop_t& prev = deco.stops[j - 1];
            legs.leg(depthOf(stop.pressure),
                std::max(0.0f, (prev.pressure - stop.pressure) / config.slow_ascent_rate()),
                prev.gasIndex, LinePlan::Ascending);
        }
        legs.leg(depthOf(stop.pressure), stop.duration, stop.gasIndex, LinePlan::Level);
    }
    if (hasStops) {
        const stop_t& last = deco.stops[deco.stopCount - 1];
        legs.leg(0.0f,
            std::max(0.0f, (last.pressure - config.surfacePressure) / config.slow_ascent_rate()),
            last.gasIndex, LinePlan::Ascending);
    }
}

// What each cylinder gives, its reserve and warnings.
void countGas(BailoutPlan& plan, const QList<Cylinder>& cylinders, const QList<double>& sacs,
    const GasWater& water, const GasSettings& settings)
{
    plan.cylinders.resize(cylinders.size());
    for (int i = 0; i < plan.segments.size(); ++i) {
        const GasSegment& s = plan.segments[i];
        plan.cylinders[s.cylinder].usedLitres += segmentLitres(water, sacs[i], s);
    }
    for (int i = 0; i < cylinders.size(); ++i) {
        const Cylinder& c = cylinders[i];
        CylinderUse& use = plan.cylinders[i];
        use.endBar = endBarOf(c, use.usedLitres, settings.cylinderCelsius);
        // The bailout is itself the emergency a minimum gas stands for: every bailout cylinder
        // keeps the fixed reserve of a deco cylinder, or a third of its fill with thirds.
        if (settings.reserveMode == ReserveMode::Thirds && c.role == CylinderRole::Bottom)
            use.reserveBar = thirdsReserveBar(c.fillBar);
        else
            use.reserveBar = settings.decoReserveBar;
        addCylinderWarnings(c, i, use, settings.cylinderCelsius, plan.warnings);
    }
}

} // namespace

BailoutPlan computeBailout(const config_t& planConfig, const tissues_t& tissues, double depthM,
    double runMin, const QList<Cylinder>& cylinders, int diluentCylinder,
    const GasSettings& settings, const gf_t& planGf)
{
    BailoutPlan plan;
    if (cylinders.isEmpty())
        return plan;
    config_t config = bailoutConfig(planConfig, cylinders, settings, planGf, plan.gf);
    const GasWater water { config.surfacePressure, config.density };
    const float pStart = float(water.pressureAt(depthM));
    const int first = startCylinder(config, cylinders, diluentCylinder, pStart);
    config.currentGas = quint8(first);
    plan.startCylinder = first;

    // The failure is sorted out on open circuit at the bailout depth before the ascent.
    const double problemMin = std::max(0.0, settings.bailoutProblemMin);
    tissues_t loaded = tissues;
    float otu = 0;
    load_step(
        loaded, pStart, pStart, float(problemMin), config.openGases[first], &g_noSetpoint, otu);
    deco_t deco;
    init_deco(deco, config);
    compute_deco(deco, config, loaded, pStart, 0.0f);
    plan.computed = true;
    plan.impossible = deco.decoImpossible != 0;

    LegWriter legs(plan, settings, depthM, runMin, first);
    if (!plan.impossible && problemMin > 0)
        legs.leg(float(depthM), float(problemMin), first, LinePlan::Level);
    if (!plan.impossible)
        writeAscent(legs, deco, config, water, pStart, first);
    plan.runTimeMin = legs.run;
    countGas(plan, cylinders, legs.sacs, water, settings);
    return plan;
}
