#include "planner/plancompute.h"

#include "engine/deco.h"
#include "engine/validity.h"
#include "planner/ascentwalk.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/divegas.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr float kSurfaceDepthM = 0.01f;

// The engine's gas slots of one dive. Only gases the diver breathes reach the engine: the
// gases of the segments (the start point's gas is never breathed) and the deco gases the diver
// chose; any enabled gas is one the ascent may switch to.
struct GasSlots
{
    int gasIndex[kGasSlots] = {}; // slot -> index in the dive's gas list
    int count = 0;

    int slotOf(int index) const
    {
        for (int s = 0; s < count; ++s) {
            if (gasIndex[s] == index)
                return s;
        }
        return 0;
    }
    void add(int index)
    {
        for (int s = 0; s < count; ++s) {
            if (gasIndex[s] == index)
                return;
        }
        if (count < kGasSlots)
            gasIndex[count++] = index;
    }
};

gas_t engineGas(const DiveGas& g)
{
    return make_gas(quint8(std::clamp(g.o2, 0, 100)), quint8(std::clamp(g.he, 0, 100)));
}

void collectTracePoint(void* context, float timeS, float ceilingBar);

// One computation of one planned dive, in the order the steps depend on each other.
class DiveComputation
{
public:
    DiveComputation(Planification& plan, int slot, const PlanComputeSettings& settings, bool report)
        : m_plan(plan)
        , m_slot(slot)
        , m_dive(*plan.dives[size_t(slot)])
        , m_previous(slot > 0 ? plan.dives[size_t(slot - 1)].get() : nullptr)
        , m_profile(m_dive.profile)
        , m_report(report)
    {
        // A factor given for this run (the tab's add-on, the command line) becomes the dive's.
        if (settings.gf) {
            m_dive.settings.gfLow = int(std::lround(settings.gf->gfLow * 100.0f));
            m_dive.settings.gfHigh = int(std::lround(settings.gf->gfHigh * 100.0f));
        }
    }

    void run()
    {
        // A dive with no gas breathes what a new dive starts with rather than nothing.
        if (m_profile.gases.isEmpty())
            m_profile.gases = standardGasList();
        PlanDiveResult& r = m_dive.result;
        r.gfReduction = PlanDiveResult::GfReduction::None;
        r.gfReducedFromMin = 0;
        setUpEngine();
        r.lines.clear();
        r.gasSegments.clear();
        r.bailout.reset();
        setUpDiveCylinders(m_dive);
        restTissues();
        startOutput();
        applyDiveRules();
        walkSegments();
        ascend();
        publish();
    }

    // The trace's sink: the ceiling as a depth in this dive's water. Along the computed ascent
    // the ceiling is read at the GF of the diver's depth, which can lie a little below a stop
    // the schedule allows: it is drawn no deeper than the diver.
    void addTracePoint(float timeS, float ceilingBar)
    {
        if (m_onAscent && m_segment.t1 > m_segment.t0) {
            const float f = (timeS - m_segment.t0) / (m_segment.t1 - m_segment.t0);
            ceilingBar = std::min(ceilingBar, m_segment.p0 + f * (m_segment.p1 - m_segment.p0));
        }
        if (m_traceNext == m_trace.size())
            m_trace.resize(m_trace.size() * 2 + 16);
        m_trace[m_traceNext++] = { timeS, ceilingDepthM(ceilingBar, m_surface, m_density), 0 };
    }

private:
    float pressureAt(double depthM) const
    {
        if (depthM <= 0.0)
            return m_surface;
        return m_density * kGravity * float(depthM) / 100.0f + m_surface;
    }
    float depthOf(float pressure) const { return ceilingDepthM(pressure, m_surface, m_density); }
    const float* setpoint(int index) const
    {
        return m_config.is_closed_circuit() ? &m_config.setpoint_at(index)->ppO2 : &g_noSetpoint;
    }
    int pointGas(const DiveSample& s) const
    {
        return s.gasIndex >= 0 && s.gasIndex < m_profile.gases.size() ? s.gasIndex : 0;
    }
    void line(LinePlan l)
    {
        if (l.kind == LinePlan::Line)
            l.setpoint = m_lineSetpoint;
        // Where the gas changes, a switch line of its own, at the end of the line before.
        if (l.kind == LinePlan::Line && m_lineGas >= 0 && qint64(l.gas) != m_lineGas) {
            LinePlan s;
            s.kind = LinePlan::Switch;
            s.computed = l.computed;
            s.depth = m_lineEnd.depth;
            s.runTime = m_lineEnd.runTime;
            s.gas = l.gas;
            emitLine(s);
        }
        if (l.kind == LinePlan::Line) {
            m_lineGas = l.gas;
            m_lineEnd = l;
        } else if (l.kind == LinePlan::Start) {
            m_lineGas = -1;
        }
        emitLine(l);
    }
    void emitLine(const LinePlan& l) const
    {
        m_dive.result.lines.append(l);
        if (m_report)
            m_plan.emitLine(l);
    }
    // One stretch breathed on one setpoint: the trace, the tissues and the decompression state.
    void step(float t0, float p0, float t1, float p1, const gas_t& gas, const float* sp)
    {
        trace(t0, p0, t1, p1, gas, sp);
        dive_step(m_tissues, m_deco, m_config, t0, p0, t1, p1, gas, sp, m_otu);
        m_lineSetpoint = m_config.is_closed_circuit() ? *sp : 0.0f;
    }
    // One of the diver's segments. In closed circuit with a setpoint switch depth the low
    // setpoint is breathed from the surface down to it, the working one below and from then on.
    void breathe(float t0, float p0, float t1, float p1, double d0, double d1, const gas_t& gas)
    {
        const float* working = setpoint(m_config.current_setpoint_index());
        const double switchM = m_plan.gasSettings.setpointSwitchM;
        if (!m_config.is_closed_circuit() || !(switchM > 0) || m_workingSetpoint || d0 >= switchM) {
            m_workingSetpoint = m_config.is_closed_circuit() && switchM > 0;
            step(t0, p0, t1, p1, gas, working);
            return;
        }
        const float* low = setpoint(0);
        if (d1 <= switchM) {
            step(t0, p0, t1, p1, gas, low);
            return;
        }
        const float f = float((switchM - d0) / (d1 - d0));
        const float tm = t0 + f * (t1 - t0);
        const float pm = pressureAt(switchM);
        step(t0, p0, tm, pm, gas, low);
        step(tm, pm, t1, p1, gas, working);
        m_workingSetpoint = true;
    }
    void trace(float t0S, float p0, float t1S, float p1, const gas_t& gas, const float* sp)
    {
        m_segment = { t0S, p0, t1S, p1 };
        if (!m_report)
            return;
        // Room for every slice, written in place: appending point by point cost as much as a
        // slice's ceiling.
        m_traceNext = m_trace.size();
        const float slices = (t1S - t0S) / kCeilingTraceStepS + 2.0f;
        if (slices > 0.0f && slices < 1.0e6f)
            m_trace.resize(m_traceNext + qsizetype(slices));
        trace_ceiling(m_traceTissues, m_traceDeco, m_config, t0S, p0, t1S, p1, gas, sp,
            collectTracePoint, this);
        m_trace.resize(m_traceNext);
    }

    // The dive's surface, water, gradient factors and gases.
    void setUpEngine()
    {
        applyPlanConfig(m_config, m_dive.surfacePressure, m_dive.waterType, m_dive.settings.ascent);
        m_profile.freshWater = m_dive.waterType == 0 ? 0 : 1;
        m_profile.surfacePressure = m_dive.surfacePressure;
        m_surface = m_config.surfacePressure;
        m_density = m_config.density;
        const PlanDiveSettings& s = m_dive.settings;
        for (int i = 0; i < kSetpointCount; ++i)
            m_config.setpoints[i].ppO2 = s.setpointsBar[i];
        m_chosenGf
            = make_gf(quint8(std::clamp(s.gfLow, 1, 100)), quint8(std::clamp(s.gfHigh, 1, 100)));
        m_config.set_gf(m_chosenGf);
        if (m_dive.effortMode)
            reduceGf(PlanDiveResult::GfReduction::Effort, 0.0f);

        const int count = int(m_profile.samples.size());
        if (s.closedCircuit) {
            // The diluent is the gas of the last point; both loop slots carry it. Deco gases
            // wait for bailout.
            m_config.set_mode(1);
            m_lastGas = count > 0 ? pointGas(m_profile.samples.last()) : 0;
            m_config.closedGases[0] = engineGas(m_profile.gases.value(m_lastGas));
            m_config.closedGases[1] = m_config.closedGases[0];
            m_config.closedMask = 0x01;
            m_config.sort_gases();
            m_config.currentGas = 0;
            m_config.currentSetpoint = 1; // working setpoint at the bottom; deco one near 6 m
            return;
        }
        for (int i = 1; i < count; ++i)
            m_slots.add(pointGas(m_profile.samples[i]));
        m_lastGas = count > 0 ? pointGas(m_profile.samples.last()) : 0;
        m_slots.add(m_lastGas); // the ascent starts on it, even without a segment
        for (const PlanGas& deco : s.decoGases.mid(0, kMaxDecoGases))
            m_slots.add(gasIndexOfMix(m_profile, deco.o2, deco.he));
        for (int slot = 0; slot < m_slots.count; ++slot)
            m_config.openGases[slot] = engineGas(m_profile.gases[m_slots.gasIndex[slot]]);
        m_config.openMask = quint8((1u << m_slots.count) - 1u);
        m_config.set_mode(0);
    }

    // Rested for the first dive, else the previous dive's end state off-gassed on air at the
    // surface over the interval.
    void restTissues()
    {
        if (!m_previous) {
            reset_tissues(m_tissues, m_surface);
        } else {
            const tissues_t& end = m_previous->tissues;
            set_tissues(m_tissues, end.pN2, end.pHe, end.cns);
            const qint64 interval = std::min<qint64>(m_dive.surfaceIntervalS, INT32_MAX);
            load_constant(m_tissues, m_surface, int32_t(interval), g_air, &g_noSetpoint);
            update_cns(
                m_tissues, m_surface, m_surface, float(interval) / 60.0f, g_air, &g_noSetpoint);
        }
        if (m_report)
            std::copy(std::begin(m_tissues.pN2), std::end(m_tissues.pN2), m_plan.startTensions);
        init_zhl16c();
        init_deco(m_deco, m_config);
        init_deco(m_traceDeco, m_config);
        compute_deco(m_deco, m_config, m_tissues, m_surface, 0.0f);
        compute_deco(m_traceDeco, m_config, m_tissues, m_surface, 0.0f);
        m_traceTissues = m_tissues;
        // The last trace's storage is reused: an edit redraws a trace of about the same length.
        m_trace = std::move(m_profile.ceilingTrace);
        m_trace.clear();
        m_otu = m_previous ? m_previous->otu : 0.0f;
        m_maxCns = m_tissues.cns;
    }

    void startOutput()
    {
        m_profile.ascentSamples.clear();
        line(LinePlan {});
        if (m_report)
            m_plan.emitMessage(QString());
        m_profile.invalidDiveCode = 0;
        m_profile.computeStatistics();
    }

    // Yoyo marking after a dive that had one, and the third-dive rules.
    void applyDiveRules()
    {
        const quint32 previousYoyos
            = m_previous ? (m_previous->profile.alerts >> DiveProfile::AlertShiftYoyo) & 3u : 0u;
        const bool marking
            = m_previous && yoyo_marking_mode(m_slot, m_dive.surfaceIntervalS, int(previousYoyos));
        m_profile.detectYoyo(m_config.first_gas(), marking);
        const bool closed = m_config.is_closed_circuit();
        // A yoyo found above keeps its code unless the tissues forbid the dive altogether.
        if (const uint8_t code
            = invalid_dive_code(m_slot, m_dive.surfaceIntervalS, closed, m_tissues))
            m_profile.invalidDiveCode = code;
        if (third_dive_rules_apply(m_slot, m_dive.surfaceIntervalS, closed)
            && m_profile.maxDepth > kReducedGfDepthM)
            reduceGf(PlanDiveResult::GfReduction::ThirdDive, 0.0f);
    }

    // The diver's factors, each at most 68, from this run time on; the first reason that
    // changes them is the one reported.
    void reduceGf(PlanDiveResult::GfReduction why, float fromMin)
    {
        const gf_t reduced = reduced_gf(m_chosenGf);
        PlanDiveResult& r = m_dive.result;
        const bool changes
            = reduced.gfLow != m_chosenGf.gfLow || reduced.gfHigh != m_chosenGf.gfHigh;
        if (changes && r.gfReduction == PlanDiveResult::GfReduction::None) {
            r.gfReduction = why;
            r.gfReducedFromMin = fromMin;
        }
        m_config.set_gf(reduced);
    }

    // The diver's own segments, each breathed on the gas of the point it leads to.
    void walkSegments()
    {
        const int count = int(m_profile.samples.size());
        for (int i = 1; i < count; ++i) {
            DiveSample& point = m_profile.samples[i];
            const DiveSample& before = m_profile.samples[i - 1];
            if (DiveProfile::alertLevel(point, SampleAlertYoyo) == 3)
                reduceGf(PlanDiveResult::GfReduction::Yoyo, float(before.time) / 60.0f);
            const int gasIndex = pointGas(point);
            if (!m_config.is_closed_circuit())
                m_config.currentGas = quint8(m_slots.slotOf(gasIndex));
            const gas_t& gas = *m_config.current_gas();
            const float p0 = pressureAt(before.depth);
            const float p1 = pressureAt(point.depth);
            const float t0 = float(before.time);
            const float t1 = std::max(t0, float(point.time));
            breathe(t0, p0, t1, p1, before.depth, point.depth, gas);
            m_dive.result.gasSegments.append(GasSegment { before.depth, point.depth,
                double(t1 - t0) / 60.0, gasIndex, false, double(t0) / 60.0 });
            m_maxCns = std::max(m_maxCns, m_tissues.cns);
            // The trace is the plan's ceiling curve; a point only loses a stale ceiling here.
            if (m_deco.stopCount == 0)
                point.decoCeiling = 0.0;

            LinePlan l;
            l.kind = LinePlan::Line;
            l.direction = point.depth > before.depth
                ? LinePlan::Descending
                : (point.depth == before.depth ? LinePlan::Level : LinePlan::Ascending);
            l.depth = float(point.depth);
            l.duration = (t1 - t0) / 60.0f;
            l.runTime = float(point.time) / 60.0f;
            l.gas = quint32(gasIndex);
            line(l);
        }
        const bool atDepth = count > 0 && m_profile.samples.last().depth > kSurfaceDepthM;
        m_ndl = atDepth && m_deco.stopCount == 0 && !m_deco.decoImpossible ? m_deco.ndl : -1.0f;
    }

    // The dive's gas index of an engine slot (the diluent in closed circuit).
    int diveGas(int slot) const
    {
        return m_config.is_closed_circuit() ? m_lastGas : m_slots.gasIndex[slot % kGasSlots];
    }

    // One leg of the computed ascent breathed on an engine slot.
    void leg(float pFrom, float pTo, float minutes, int slot, int setpointIndex)
    {
        const gas_t& gas = *m_config.gas_at(m_config.is_closed_circuit() ? 0 : slot);
        const float* sp = setpoint(setpointIndex);
        const float t0 = m_runMin * 60.0f;
        m_lineSetpoint = m_config.is_closed_circuit() ? *sp : 0.0f;
        m_onAscent = true;
        trace(t0, pFrom, t0 + minutes * 60.0f, pTo, gas, sp);
        load_step(m_tissues, pFrom, pTo, minutes, gas, sp, m_otu);
        m_dive.result.gasSegments.append(GasSegment {
            depthOf(pFrom), depthOf(pTo), double(minutes), diveGas(slot), true, double(m_runMin) });
        m_maxCns = std::max(m_maxCns, m_tissues.cns);
        m_runMin += minutes;
        m_dtr += minutes;
    }

    void ascentPoint(float depthM, int gas)
    {
        DiveSample s;
        s.time = double(m_runMin) * 60.0;
        s.depth = depthM;
        s.gasIndex = gas;
        m_profile.ascentSamples.append(s);
    }

    void ascentLine(quint32 direction, float depthM, float minutes, int gas)
    {
        LinePlan l;
        l.kind = LinePlan::Line;
        l.direction = direction;
        l.computed = 1;
        l.depth = depthM;
        l.duration = minutes;
        l.runTime = m_runMin;
        l.gas = quint32(gas);
        line(l);
    }

    // From the last point to the surface along the schedule of the last point's state.
    void ascend()
    {
        const deco_t& deco = m_deco;
        const DiveSample last
            = m_profile.samples.isEmpty() ? DiveSample {} : m_profile.samples.last();
        m_runMin = std::max(0.0f, float(last.time) / 60.0f);
        const float lastTraceTime = m_trace.isEmpty() ? 0.0f : m_trace.last().time;
        const int lastSlot = m_config.is_closed_circuit() ? 0 : m_slots.slotOf(m_lastGas);
        bailout(last);
        if (deco.decoImpossible) {
            // No schedule to show: the dive ends at its last point and the user is told why.
            if (m_report)
                m_plan.emitMessage(decoImpossibleText());
            return;
        }
        if (last.depth <= kSurfaceDepthM) {
            // The dive ends at the surface: close the trace and tell whether stops were owed.
            if (!m_trace.isEmpty()) {
                if (m_trace.last().depth > 0.0f)
                    m_trace.append({ lastTraceTime, 0.0f, 0 });
                m_notTerminated = lastTraceTime > float(last.time) || deco.stopCount > 0;
            } else {
                m_notTerminated = deco.stopCount > 0;
            }
            return;
        }
        if (m_dive.settings.ascent.walksAscent()) {
            walkedAscent(last, lastSlot);
            return;
        }
        // The leg to the first stop, or to the surface without one, on the last point's gas.
        m_profile.ascentSamples.append(last);
        const bool hasStops = deco.stopCount > 0;
        const float target = hasStops ? deco.stops[0].pressure : m_surface;
        const int firstGas = hasStops ? diveGas(deco.stops[0].gasIndex) : m_lastGas;
        const float legMin
            = std::max(0.0f, (pressureAt(last.depth) - target) / m_config.ascent_rate());
        leg(pressureAt(last.depth), target, legMin, lastSlot, m_config.current_setpoint_index());
        ascentPoint(depthOf(target), firstGas);
        ascentLine(LinePlan::Ascending, depthOf(target), legMin, m_lastGas);

        // The stops and the transits between them, each transit on the gas of the stop left.
        for (int j = 0; j < deco.stopCount; ++j) {
            const stop_t& stop = deco.stops[j];
            const int gas = diveGas(stop.gasIndex);
            const float depth = depthOf(stop.pressure);
            if (j > 0) {
                const stop_t& prev = deco.stops[j - 1];
                const float t
                    = std::max(0.0f, (prev.pressure - stop.pressure) / m_config.slow_ascent_rate());
                leg(prev.pressure, stop.pressure, t, prev.gasIndex, prev.setpointIndex);
                ascentPoint(depth, gas);
                ascentLine(LinePlan::Ascending, depth, t, diveGas(prev.gasIndex));
            }
            leg(stop.pressure, stop.pressure, stop.duration, stop.gasIndex, stop.setpointIndex);
            ascentPoint(depth, gas);
            // A level that owes no whole second is passed, not a stop to list.
            if (std::lround(double(stop.duration) * 60.0) > 0)
                ascentLine(LinePlan::Level, depth, stop.duration, gas);
        }
        if (hasStops) {
            const stop_t& lastStop = deco.stops[deco.stopCount - 1];
            const float f
                = std::max(0.0f, (lastStop.pressure - m_surface) / m_config.slow_ascent_rate());
            leg(lastStop.pressure, m_surface, f, lastStop.gasIndex, lastStop.setpointIndex);
            ascentPoint(0.0f, -1);
            ascentLine(LinePlan::Ascending, 0.0f, f, diveGas(lastStop.gasIndex));
        }
    }

    // The ascent by the diver's rules (switch at depth, rounded stops, safety stop, oxygen
    // breaks), walked from the diver's state and replayed here; the breaks use the bottom gas.
    void walkedAscent(const DiveSample& last, int lastSlot)
    {
        const AscentWalk walk = walkAscent(m_config, m_deco, m_tissues, pressureAt(last.depth),
            m_runMin, lastSlot, lastSlot, m_dive.settings.ascent);
        m_walkStopMin = walk.stopMinutes;
        if (walk.impossible) {
            m_walkImpossible = true;
            if (m_report)
                m_plan.emitMessage(decoImpossibleText());
            return;
        }
        m_profile.ascentSamples.append(last);
        for (const AscentStep& s : walk.steps) {
            leg(s.pFrom, s.pTo, s.minutes, s.slot, s.setpointIndex);
            const int gas = diveGas(s.slot);
            const float depth = depthOf(s.pTo);
            ascentPoint(depth, s.pTo <= m_surface ? -1 : gas);
            ascentLine(s.stop ? LinePlan::Level : LinePlan::Ascending, depth, s.minutes, gas);
        }
    }

    // The loop fails at the end of the bottom phase, the worst point: the open-circuit ascent
    // from these tissues on the gas table's cylinders.
    void bailout(const DiveSample& last)
    {
        PlanDiveResult& r = m_dive.result;
        if (!m_config.is_closed_circuit() || !m_plan.gasSettings.bailout || r.cylinders.isEmpty())
            return;
        const DiveGas diluent = m_profile.gases.value(m_lastGas);
        int diluentCylinder = 0;
        for (int i = 0; i < r.cylinders.size(); ++i) {
            if (r.cylinders[i].o2 == diluent.o2 && r.cylinders[i].he == diluent.he) {
                diluentCylinder = i;
                break;
            }
        }
        r.bailout = std::make_shared<const BailoutPlan>(
            computeBailout(m_config, m_tissues, last.depth, double(m_runMin), r.cylinders,
                diluentCylinder, m_plan.gasSettings, m_config.gfSetting));
    }

    void publish()
    {
        const deco_t& deco = m_deco;
        const bool impossible = deco.decoImpossible != 0 || m_walkImpossible;
        m_maxCns = std::max(m_maxCns, deco.maxCns);
        LinePlan summary;
        summary.kind = LinePlan::Summary;
        summary.cns = m_maxCns * 100.0f;
        summary.cnsEnd = m_tissues.cns * 100.0f;
        summary.otu = m_otu;
        summary.runTime = m_runMin;
        summary.ndl = m_ndl;
        line(summary);

        m_dive.tissues = m_tissues;
        m_dive.otu = m_otu;
        PlanDiveResult& r = m_dive.result;
        r.computed = true;
        r.cnsPercent = summary.cns;
        r.cnsEndPercent = summary.cnsEnd;
        r.otu = m_otu;
        r.dtrMin = impossible ? 0.0f : m_dtr;
        r.stopTimeMin = impossible
            ? 0.0f
            : (m_dive.settings.ascent.walksAscent() ? m_walkStopMin : deco.stopTime);
        r.decoImpossible = impossible;
        r.ndlMin = m_ndl;
        r.gfLow = m_config.gfSetting.gfLow;
        r.gfHigh = m_config.gfSetting.gfHigh;
        finishDiveGas(m_plan, m_dive, { m_surface, m_density });
        m_profile.ceilingTrace = std::move(m_trace);
        m_profile.decoNotTerminated = m_notTerminated ? 1 : 0;
        m_profile.computeStatistics();
        m_profile.computeSpeeds(false);
        if (m_report && m_profile.invalidDiveCode != 0)
            m_plan.emitMessage(invalidDiveText(m_profile.invalidDiveCode));
    }

    Planification& m_plan;
    const int m_slot;
    PlanifDive& m_dive;
    const PlanifDive* m_previous;
    DiveProfile& m_profile;
    const bool m_report; // lines, messages and the trace only for the dive on show

    dive_t m_config;
    gf_t m_chosenGf {}; // the diver's factors
    GasSlots m_slots;
    int m_lastGas = 0; // the gas of the last point, as a dive gas index
    float m_surface = 1.013f;
    float m_density = 1.03f;
    tissues_t m_tissues; // the diver
    deco_t m_deco;
    tissues_t m_traceTissues; // the look-ahead that draws the ceiling trace
    deco_t m_traceDeco;
    QList<ProfileMarker> m_trace;
    qsizetype m_traceNext = 0; // where the segment being traced writes its next point
    struct
    {
        float t0 = 0, p0 = 0, t1 = 0, p1 = 0;
    } m_segment; // the segment being traced
    bool m_onAscent = false;
    bool m_workingSetpoint = false; // below the setpoint switch depth once
    float m_lineSetpoint = 0; // the setpoint of the stretch just breathed, for its line
    float m_otu = 0;
    float m_maxCns = 0;
    float m_ndl = -1;
    float m_runMin = 0;
    float m_dtr = 0;
    bool m_notTerminated = false;
    bool m_walkImpossible = false;
    float m_walkStopMin = 0;
    qint64 m_lineGas = -1; // the gas of the last line reported, -1 before the first
    LinePlan m_lineEnd; // that line
};

void collectTracePoint(void* context, float timeS, float ceilingBar)
{
    static_cast<DiveComputation*>(context)->addTracePoint(timeS, ceilingBar);
}

} // namespace

float ceilingDepthM(float pressureBar, float surfaceBar, float density)
{
    if (!(pressureBar > surfaceBar) || !(density > 0.0f))
        return 0.0f;
    return (pressureBar - surfaceBar) * 100.0f / (density * kGravity);
}

void applyPlanConfig(
    config_t& config, float surfaceBar, quint32 waterType, const AscentSettings& settings)
{
    config.apply_defaults();
    config.surfacePressure = surfaceBar;
    config.set_water_type(waterType == 0 ? 0 : 1);
    if (waterType == kWaterBrackish)
        config.density = kBrackishDensity;
    // The computer's own values stay untouched unless the diver chose others, so its schedules
    // come out to the bit.
    const float barPerMetre = config.density * kGravity / 100.0f;
    if (settings.ascentRateMpm > 0)
        config.ascentRate = settings.ascentRateMpm * barPerMetre;
    if (settings.stopRateMpm > 0)
        config.slowAscentRate = settings.stopRateMpm * barPerMetre;
    config.maxDecoPpO2 = settings.decoPpo2;
    config.maxBottomPpO2 = settings.bottomPpo2;
    config.lastStopDepth = float(settings.lastStopM);
}

float decoSwitchDepthM(
    const PlanGas& gas, float surfaceBar, quint32 waterType, const AscentSettings& settings)
{
    dive_t config;
    applyPlanConfig(config, surfaceBar, waterType, settings);
    const gas_t mix
        = make_gas(quint8(std::clamp(gas.o2, 0, 100)), quint8(std::clamp(gas.he, 0, 100)));
    const float mod = mod_pressure(mix, &g_noSetpoint, config.ppo2_max_deco(),
        config.auxiliary_limit(), config.gas_density_max());
    // compute_stops takes the gas at the first stop whose pressure lies within its MOD.
    int level = 0;
    while (level < kMaxStopLevel && stop_pressure(config, level + 1) <= mod)
        ++level;
    return level == 0 ? 0.0f
                      : ceilingDepthM(stop_pressure(config, level), surfaceBar, config.density);
}

QList<PlanGas> planGasTable(const PlanifDive& dive)
{
    QList<PlanGas> table;
    const DiveProfile& profile = dive.profile;
    for (int i = 1; i < profile.samples.size(); ++i) {
        const int index = profile.samples[i].gasIndex;
        if (index < 0 || index >= profile.gases.size())
            continue;
        const DiveGas& g = profile.gases[index];
        const bool listed = std::any_of(
            table.begin(), table.end(), [&](const PlanGas& p) { return p.sameMix(g.o2, g.he); });
        if (!listed)
            table.append({ g.o2, g.he, PlanGasRole::Bottom, 0.0f });
    }
    // Once computed, the depth where the ascent really takes each deco gas (0: never); before,
    // the deepest depth it may be taken at.
    const PlanDiveResult& r = dive.result;
    const bool computed = r.computed && !r.decoImpossible && !r.lines.isEmpty();
    for (PlanGas deco : dive.settings.decoGases.mid(0, kMaxDecoGases)) {
        deco.role = PlanGasRole::Deco;
        deco.switchDepthM = 0.0f;
        if (dive.settings.closedCircuit) {
            table.append(deco);
            continue;
        }
        if (!computed) {
            deco.switchDepthM = decoSwitchDepthM(
                deco, dive.surfacePressure, dive.waterType, dive.settings.ascent);
        } else {
            for (const LinePlan& l : r.lines) {
                const DiveGas* g = l.gas < quint32(profile.gases.size())
                    ? &profile.gases[qsizetype(l.gas)]
                    : nullptr;
                if (l.kind == LinePlan::Switch && l.computed && g && deco.sameMix(g->o2, g->he)) {
                    deco.switchDepthM = l.depth;
                    break;
                }
            }
        }
        table.append(deco);
    }
    return table;
}

QString invalidDiveText(quint32 code)
{
    // The engine's texts written out, so that the translation tools find them; without a
    // translator (the command-line tool) they read exactly as the engine's.
    if (code == kInvalidDiveYoyo)
        return QCoreApplication::translate("Planner", "Invalid dive: Yoyo on previous dive");
    if (code == kInvalidDiveTar)
        return QCoreApplication::translate(
            "Planner", "Invalid dive: Dive not allowed because of TAR > 0.8");
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
    DiveComputation(plan, slot, settings, report).run();
    if (plan.gasSettings.contingency)
        computeDiveContingencies(plan, slot);
    else
        plan.dives[size_t(slot)]->result.contingencies.reset();
}

void computePlan(Planification& plan, const PlanComputeSettings& settings)
{
    if (!plan.current())
        return;
    computePlanDive(plan, plan.currentIndex, settings, true);
    for (int slot = plan.currentIndex + 1; slot < kPlanSlots && plan.dives[size_t(slot)]; ++slot)
        computePlanDive(plan, slot, settings, false);
}
