#include "planner/plancompute.h"

#include "engine/deco.h"
#include "engine/validity.h"
#include "planner/bailout.h"
#include "planner/divegas.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace {

constexpr float kSurfaceDepthM = 0.01f;
constexpr float kTraceStepS = 2.0f;

// Everything one computation walks with: the configuration, the diver and the look-ahead copy
// that draws the ceiling trace.
struct PlanWalk
{
    dive_t config;
    tissues_t tissues;
    deco_t main;
    tissues_t traceTissues;
    deco_t trace;
    QList<ProfileMarker> traceList;
    bool tracing = true; // the trace is only drawn for the dive on show
    float surface = 1.013f;
    float density = 1.03f;
    float otu = 0;

    float pressureAt(double depthM) const
    {
        if (depthM <= 0.0)
            return surface;
        return density * kGravity * float(depthM) / 100.0f + surface;
    }
    float depthOf(float pressure) const { return ceilingDepthM(pressure, surface, density); }
    const float* setpoint(int index) const
    {
        return config.is_closed_circuit() ? &config.setpoint_at(index)->ppO2 : &g_noSetpoint;
    }

    // The 2-second ceiling trace over a segment, each slice loaded for its own length.
    void traceSegment(float t0S, float p0, float t1S, float p1, const gas_t& gas, const float* sp)
    {
        if (!tracing || !(t1S > t0S))
            return;
        const float slope = (p1 - p0) / (t1S - t0S);
        float t = t0S;
        float p = p0;
        while (t < t1S) {
            const float tNext = std::min(t + kTraceStepS, t1S);
            const float pNext = p0 + slope * (tNext - t0S);
            load_ramp(traceTissues, p, pNext, (tNext - t) / 60.0f, gas, sp);
            compute_deco(trace, config, traceTissues, pNext, 0.0f);
            if (trace.ceiling > surface)
                traceList.append({ tNext, depthOf(trace.ceiling), 0 });
            t = tNext;
            p = pNext;
        }
    }

    // Loads the diver over a segment and returns the OTU it adds.
    void loadSegment(float p0, float p1, float dtMin, const gas_t& gas, const float* sp)
    {
        if (!(dtMin > 0.0f))
            return;
        load_ramp(tissues, p0, p1, dtMin, gas, sp);
        update_cns(tissues, p0, p1, dtMin, gas, sp);
        otu += otu_rate(ppo2(gas, sp, (p0 + p1) / 2.0f)) * dtMin;
    }
};

int clampGasIndex(int index, int gasCount)
{
    if (index < 0 || index >= gasCount || index >= kGasSlots)
        return 0;
    return index;
}

// Fills the engine's gas table from the dive's gases and enables the bottom and deco gases.
void setUpGases(dive_t& config, const Planification& plan, const DiveProfile& profile)
{
    const int count = std::min<int>(int(profile.gases.size()), kGasSlots);
    if (plan.closedCircuit) {
        config.set_mode(1);
        // The diluent is the bottom gas of the last point; both loop slots carry it.
        int diluent = 0;
        if (!profile.samples.isEmpty())
            diluent = clampGasIndex(profile.samples.last().gasIndex, count);
        if (count > 0) {
            const DiveGas& g = profile.gases[diluent];
            config.closedGases[0]
                = make_gas(quint8(std::clamp(g.o2, 0, 100)), quint8(std::clamp(g.he, 0, 100)));
            config.closedGases[1] = config.closedGases[0];
        }
        config.closedMask = 0x01;
        config.sort_gases();
        config.currentGas = 0;
        config.currentSetpoint = 1; // working setpoint at the bottom; the ascent takes the deco one
        return;
    }
    quint8 mask = 0;
    for (int i = 0; i < count; ++i) {
        const DiveGas& g = profile.gases[i];
        config.openGases[i]
            = make_gas(quint8(std::clamp(g.o2, 0, 100)), quint8(std::clamp(g.he, 0, 100)));
    }
    for (const DiveSample& s : profile.samples)
        mask |= quint8(1u << clampGasIndex(s.gasIndex, count));
    const int deco = decoGasOfChoice(plan.decoGasChoice);
    if (deco >= 0 && deco < count)
        mask |= quint8(1u << deco);
    config.openMask = mask ? mask : 0x01;
    config.set_mode(0);
}

void selectGas(dive_t& config, int gasIndex)
{
    if (config.is_closed_circuit())
        return;
    config.currentGas = quint8(gasIndex);
}

quint32 yoyoCount(const DiveProfile& profile)
{
    return (profile.alerts >> DiveProfile::AlertShiftYoyo) & 3u;
}

} // namespace

float ceilingDepthM(float pressureBar, float surfaceBar, float density)
{
    if (!(pressureBar > surfaceBar) || !(density > 0.0f))
        return 0.0f;
    return (pressureBar - surfaceBar) * 100.0f / (density * kGravity);
}

QString invalidDiveText(quint32 code)
{
    if (code == kInvalidDiveYoyo)
        return QCoreApplication::translate("Planner", kInvalidDiveYoyoText);
    if (code == kInvalidDiveTar)
        return QCoreApplication::translate("Planner", kInvalidDiveTarText);
    return {};
}

QString decoImpossibleText()
{
    return QCoreApplication::translate("Planner",
        "Decompression impossible: a stop of this plan would never end. Make the dive shorter "
        "or shallower, or breathe another gas.");
}

void computePlanDive(
    Planification& plan, int slot, const PlanComputeSettings& settings, bool report)
{
    if (slot < 0 || slot >= kPlanSlots || !plan.dives[size_t(slot)])
        return;
    PlanifDive& dive = *plan.dives[size_t(slot)];
    const PlanifDive* previous = slot > 0 ? plan.dives[size_t(slot - 1)].get() : nullptr;
    DiveProfile& profile = dive.profile;
    dive.result.lines.clear();
    dive.result.gasSegments.clear();
    dive.result.bailout.reset();
    setUpDiveCylinders(plan, dive);
    auto line = [&](const LinePlan& l) {
        dive.result.lines.append(l);
        if (report)
            plan.emitLine(l);
    };

    // 1. Engine set-up: defaults, the dive's surface and water, its gases.
    PlanWalk walk;
    walk.tracing = report;
    dive_t& config = walk.config;
    config.apply_defaults();
    config.surfacePressure = dive.surfacePressure;
    config.set_water_type(dive.waterType == 0 ? 0 : 1);
    profile.freshWater = dive.waterType == 0 ? 0 : 1;
    profile.surfacePressure = dive.surfacePressure;
    walk.surface = config.surfacePressure;
    walk.density = config.density;
    setUpGases(config, plan, profile);

    // 2. Gradient factors.
    const gf_t chosen = settings.gf ? *settings.gf : make_gf(80, 80);
    config.set_gf(dive.effortMode ? reduced_gf() : chosen);

    // 4. Tissues: rested for the first dive, else the previous dive's end state off-gassed on
    // air at the surface over the interval.
    if (!previous) {
        reset_tissues(walk.tissues, walk.surface);
    } else {
        set_tissues(
            walk.tissues, previous->tissues.pN2, previous->tissues.pHe, previous->tissues.cns);
        const qint64 interval = std::min<qint64>(dive.surfaceIntervalS, INT32_MAX);
        load_constant(walk.tissues, walk.surface, int32_t(interval), g_air, &g_noSetpoint);
        update_cns(walk.tissues, walk.surface, walk.surface, float(interval) / 60.0f, g_air,
            &g_noSetpoint);
    }
    if (report)
        std::copy(std::begin(walk.tissues.pN2), std::end(walk.tissues.pN2), plan.startTensions);

    // 5. Model and both decompression states at the surface.
    init_zhl16c();
    init_deco(walk.main, config);
    init_deco(walk.trace, config);
    compute_deco(walk.main, config, walk.tissues, walk.surface, 0.0f);
    compute_deco(walk.trace, config, walk.tissues, walk.surface, 0.0f);

    // 6-7.
    profile.ascentSamples.clear();
    line(LinePlan {});
    if (report)
        plan.emitMessage(QString());
    walk.traceTissues = walk.tissues;
    profile.invalidDiveCode = 0;
    profile.computeStatistics();

    // 8. Yoyo scan, marking on a repetitive dive after a dive that had one.
    const bool marking = previous
        && yoyo_marking_mode(slot, dive.surfaceIntervalS, int(yoyoCount(previous->profile)));
    profile.detectYoyo(config.first_gas(), marking);

    // 9. Third-dive rules.
    const bool closed = config.is_closed_circuit();
    // A yoyo found above keeps its code unless the tissues forbid the dive altogether.
    if (const uint8_t code = invalid_dive_code(slot, dive.surfaceIntervalS, closed, walk.tissues))
        profile.invalidDiveCode = code;
    if (third_dive_rules_apply(slot, dive.surfaceIntervalS, closed)
        && profile.maxDepth > kReducedGfDepthM)
        config.set_gf(reduced_gf());

    // 10.
    walk.otu = previous ? previous->otu : 0.0f;

    // 11. The diver's own segments.
    const int count = int(profile.samples.size());
    const int gasCount = int(profile.gases.size());
    float maxCns = walk.tissues.cns;
    for (int i = 1; i < count; ++i) {
        DiveSample& point = profile.samples[i];
        const DiveSample& before = profile.samples[i - 1];
        if (DiveProfile::alertLevel(point, SampleAlertYoyo) == 3)
            config.set_gf(reduced_gf());
        const int gasIndex = clampGasIndex(point.gasIndex, gasCount);
        selectGas(config, gasIndex);
        const gas_t& gas = *config.current_gas();
        const float* sp = walk.setpoint(config.current_setpoint_index());
        const float p0 = walk.pressureAt(before.depth);
        const float p1 = walk.pressureAt(point.depth);
        const float t0 = float(before.time);
        const float t1 = float(point.time);
        const float dtMin = std::max(0.0f, (t1 - t0) / 60.0f);

        walk.traceSegment(t0, p0, t1, p1, gas, sp);
        walk.loadSegment(p0, p1, dtMin, gas, sp);
        dive.result.gasSegments.append(GasSegment {
            before.depth, point.depth, double(dtMin), gasIndex, false, double(t0) / 60.0 });
        compute_deco(walk.main, config, walk.tissues, p1, 0.0f);
        maxCns = std::max(maxCns, walk.tissues.cns);
        // The trace is the plan's ceiling curve; a point only loses a stale ceiling here.
        if (walk.main.stopCount == 0)
            point.decoCeiling = 0.0;

        LinePlan l;
        l.kind = LinePlan::Line;
        l.direction = point.depth > before.depth
            ? LinePlan::Descending
            : (point.depth == before.depth ? LinePlan::Level : LinePlan::Ascending);
        l.computed = 0;
        l.depth = float(point.depth);
        l.duration = dtMin;
        l.runTime = t1 / 60.0f;
        l.gas = quint32(gasIndex);
        line(l);
    }

    // 12. The computed ascent.
    const deco_t& deco = walk.main;
    const bool impossible = deco.decoImpossible != 0;
    const DiveSample last = count > 0 ? profile.samples.last() : DiveSample {};
    const int lastGas = clampGasIndex(last.gasIndex, gasCount);
    float runMin = std::max(0.0f, float(last.time) / 60.0f);
    float lastTraceTime = walk.traceList.isEmpty() ? 0.0f : walk.traceList.last().time;
    bool notTerminated = false;
    float dtr = 0;

    auto appendAscentPoint = [&](float depthM, int gas) {
        DiveSample s;
        s.time = double(runMin) * 60.0;
        s.depth = depthM;
        s.gasIndex = gas;
        profile.ascentSamples.append(s);
    };
    auto leg = [&](float pFrom, float pTo, float minutes, int gasIndex, int setpointIndex) {
        // The loop's diluent in closed circuit; the dive's gas of that index in open circuit.
        const gas_t& gas
            = config.is_closed_circuit() ? *config.current_gas() : *config.gas_at(gasIndex);
        const float* sp = walk.setpoint(setpointIndex);
        const float t0 = runMin * 60.0f;
        walk.traceSegment(t0, pFrom, t0 + minutes * 60.0f, pTo, gas, sp);
        walk.loadSegment(pFrom, pTo, minutes, gas, sp);
        dive.result.gasSegments.append(GasSegment { walk.depthOf(pFrom), walk.depthOf(pTo),
            double(minutes), gasIndex, true, double(runMin) });
        maxCns = std::max(maxCns, walk.tissues.cns);
        runMin += minutes;
        dtr += minutes;
    };
    // The loop fails at the end of the bottom phase, the worst point.
    if (closed && plan.bailout && !dive.result.cylinders.isEmpty()) {
        const int diluent = int(dive.result.cylinderGas.indexOf(lastGas));
        dive.result.bailout = std::make_shared<const BailoutPlan>(
            computeBailout(config, walk.tissues, last.depth, double(runMin), dive.result.cylinders,
                std::max(diluent, 0), plan.gasSettings, config.gfSetting));
    }
    auto engineGas = [&](int stopGas) {
        // In closed circuit the loop slot is not an index of the dive's gases.
        return config.is_closed_circuit() ? lastGas : clampGasIndex(stopGas, gasCount);
    };

    if (impossible) {
        // No schedule to show: the dive ends at its last point and the user is told why.
        if (report)
            plan.emitMessage(decoImpossibleText());
    } else if (last.depth > kSurfaceDepthM) {
        // a. Leg to the first stop, or to the surface without one.
        profile.ascentSamples.append(last);
        const float pLast = walk.pressureAt(last.depth);
        const bool hasStops = deco.stopCount > 0;
        const float target = hasStops ? deco.stops[0].pressure : walk.surface;
        const int firstGas = hasStops ? engineGas(deco.stops[0].gasIndex) : lastGas;
        const float legMin = std::max(0.0f, (pLast - target) / config.ascent_rate());
        leg(pLast, target, legMin, lastGas, config.current_setpoint_index());
        appendAscentPoint(walk.depthOf(target), firstGas);
        line({ LinePlan::Line, LinePlan::Ascending, 1, walk.depthOf(target), legMin, runMin,
            quint32(firstGas), 0, 0 });

        // c. Stops and the transits between them.
        for (int j = 0; j < deco.stopCount; ++j) {
            const stop_t& stop = deco.stops[j];
            const int gas = engineGas(stop.gasIndex);
            const float depth = walk.depthOf(stop.pressure);
            if (j > 0) {
                const stop_t& prev = deco.stops[j - 1];
                const float t
                    = std::max(0.0f, (prev.pressure - stop.pressure) / config.slow_ascent_rate());
                leg(prev.pressure, stop.pressure, t, engineGas(prev.gasIndex), prev.setpointIndex);
                appendAscentPoint(depth, gas);
                line({ LinePlan::Line, LinePlan::Ascending, 1, depth, t, runMin, quint32(gas), 0,
                    0 });
            }
            leg(stop.pressure, stop.pressure, stop.duration, gas, stop.setpointIndex);
            appendAscentPoint(depth, gas);
            line({ LinePlan::Line, LinePlan::Level, 1, depth, stop.duration, runMin, quint32(gas),
                0, 0 });
        }
    } else if (!walk.traceList.isEmpty()) {
        // b. The dive ends at the surface: close the trace and tell whether stops were owed.
        if (walk.traceList.last().depth > 0.0f)
            walk.traceList.append({ lastTraceTime, 0.0f, 0 });
        notTerminated = lastTraceTime > float(last.time) || deco.stopCount > 0;
    } else {
        notTerminated = deco.stopCount > 0;
    }

    // d. From the last stop to the surface; a diver already at the surface owes the stops
    // instead (flagged above), and is not taken there again.
    if (!impossible && deco.stopCount > 0 && last.depth > kSurfaceDepthM) {
        const stop_t& lastStop = deco.stops[deco.stopCount - 1];
        const int gas = engineGas(lastStop.gasIndex);
        const float f
            = std::max(0.0f, (lastStop.pressure - walk.surface) / config.slow_ascent_rate());
        leg(lastStop.pressure, walk.surface, f, gas, lastStop.setpointIndex);
        appendAscentPoint(0.0f, -1);
        line({ LinePlan::Line, LinePlan::Ascending, 1, 0.0f, f, runMin, quint32(gas), 0, 0 });
    }

    // 13. Summary and results.
    maxCns = std::max(maxCns, deco.maxCns);
    LinePlan summary;
    summary.kind = LinePlan::Summary;
    summary.cns = maxCns * 100.0f;
    summary.otu = walk.otu;
    summary.runTime = runMin;
    line(summary);

    dive.tissues = walk.tissues;
    dive.otu = walk.otu;
    dive.result.computed = true;
    dive.result.cnsPercent = maxCns * 100.0f;
    dive.result.otu = walk.otu;
    dive.result.dtrMin = impossible ? 0.0f : dtr;
    dive.result.stopTimeMin = impossible ? 0.0f : deco.stopTime;
    dive.result.decoImpossible = impossible;
    dive.result.gfLow = config.gfSetting.gfLow;
    dive.result.gfHigh = config.gfSetting.gfHigh;
    finishDiveGas(plan, dive, { walk.surface, walk.density }, config.ascent_rate());
    profile.ceilingTrace = walk.traceList;
    profile.decoNotTerminated = notTerminated ? 1 : 0;
    profile.computeStatistics();
    profile.computeSpeeds(false);
    if (report && profile.invalidDiveCode != 0)
        plan.emitMessage(invalidDiveText(profile.invalidDiveCode));
}

void computePlan(Planification& plan, const PlanComputeSettings& settings)
{
    if (!plan.current())
        return;
    computePlanDive(plan, plan.currentIndex, settings, true);
    for (int slot = plan.currentIndex + 1; slot < kPlanSlots && plan.dives[size_t(slot)]; ++slot)
        computePlanDive(plan, slot, settings, false);
}
