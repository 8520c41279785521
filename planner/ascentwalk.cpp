#include "planner/ascentwalk.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float kOxygenFraction = 0.99f; // a gas this rich counts as oxygen for the breaks

// Whole seconds, rounded up, as the engine's stops are.
float wholeSeconds(float minutes)
{
    return std::ceil(minutes * 60.0f - 1e-3f) / 60.0f;
}

class Walker
{
public:
    Walker(const config_t& config, const deco_t& deco, const tissues_t& tissues, float runMin,
        int slot, int backSlot, const AscentSettings& settings)
        : m_config(config)
        , m_deco(deco)
        , m_tissues(tissues)
        , m_run(runMin)
        , m_slot(slot)
        , m_backSlot(backSlot)
        , m_settings(settings)
    { }

    AscentWalk run(float pressure)
    {
        const int top = deepestLevel(pressure);
        if (top == 0) {
            directAscent(pressure);
            return m_out;
        }
        const float first = stop_pressure(m_config, top);
        move(pressure, first, m_config.ascent_rate());
        for (int level = top; level >= 1 && !m_out.impossible; --level) {
            const float pc = stop_pressure(m_config, level);
            const float next = stop_pressure(m_config, level - 1);
            stopAt(level, pc, next);
            move(pc, next, m_config.slow_ascent_rate());
        }
        return m_out;
    }

private:
    bool closed() const { return m_config.is_closed_circuit(); }
    const gas_t& gas(int slot) const { return *m_config.gas_at(closed() ? 0 : slot); }
    int setpointAt(float pressure) const
    {
        return closed() && pressure <= depth_to_pressure(m_config, 6.0f) ? 2 : 1;
    }
    const float* setpoint(int index) const
    {
        return closed() ? &m_config.setpoint_at(index)->ppO2 : &g_noSetpoint;
    }
    float mod(int slot) const
    {
        const gas_t& g = gas(slot);
        return g.fO2 > 0.0f ? m_config.ppo2_max_deco() / g.fO2 : 0.0f;
    }

    // The richest gas breathable here (within its deco ppO2), if richer than the one breathed.
    int gasAt(float pressure) const
    {
        int best = m_slot;
        for (int s = 0; s < m_config.gas_count() && !closed(); ++s) {
            if (pressure <= mod(s) + 1e-4f && gas(s).fO2 > gas(best).fO2)
                best = s;
        }
        return best;
    }

    int levelOf(float pressure) const
    {
        for (int level = 1; level <= kMaxStopLevel; ++level) {
            if (std::fabs(stop_pressure(m_config, level) - pressure) < 1e-4f)
                return level;
        }
        return 0;
    }

    // The first stop, or with the depth rule a deeper switch level on the way up.
    int deepestLevel(float pressure) const
    {
        int top = m_deco.stopCount > 0 ? levelOf(m_deco.stops[0].pressure) : 0;
        if (m_settings.switchRule != SwitchRule::Depth || closed())
            return top;
        for (int level = kMaxStopLevel; level > top; --level) {
            const float p = stop_pressure(m_config, level);
            if (p < pressure && gasAt(p) != m_slot)
                return level;
        }
        return top;
    }

    void add(float pFrom, float pTo, float minutes, bool stop)
    {
        if (!(minutes > 0.0f))
            return;
        float otu = 0;
        const int sp = setpointAt(pFrom);
        load_step(m_tissues, pFrom, pTo, minutes, gas(m_slot), setpoint(sp), otu);
        // More time at the same level on the same gas lengthens the stop.
        AscentStep* last = m_out.steps.isEmpty() ? nullptr : &m_out.steps.last();
        if (stop && last && last->stop && last->pTo == pTo && last->slot == m_slot)
            last->minutes += minutes;
        else
            m_out.steps.append({ pFrom, pTo, minutes, m_slot, sp, stop });
        m_run += minutes;
        if (stop)
            m_out.stopMinutes += minutes;
        if (stop && gas(m_slot).fO2 >= kOxygenFraction)
            m_onOxygen += minutes;
    }
    void move(float from, float to, float rate)
    {
        if (from > to)
            add(from, to, (from - to) / rate, false);
    }

    // Minutes still owed at this level before the next one may be reached.
    float owed(int level, float pc, float next)
    {
        bool unbounded = false;
        const float gf = gf_at(m_deco, m_config, next, level - 1);
        const float minutes = stop_minutes(
            0.0f, m_tissues, pc, gas(m_slot), setpoint(setpointAt(pc)), next, gf, &unbounded);
        m_out.impossible = m_out.impossible || unbounded;
        return unbounded ? 0.0f : wholeSeconds(minutes);
    }

    void stopAt(int level, float pc, float next)
    {
        const float start = m_run;
        const int taken = gasAt(pc);
        if (taken != m_slot) {
            m_slot = taken;
            add(pc, pc, m_settings.switchMinutes(), true);
        }
        float minutes = owed(level, pc, next);
        while (minutes > 0.0f && !m_out.impossible) {
            if (m_settings.o2BreakMin > 0 && gas(m_slot).fO2 >= kOxygenFraction) {
                const float left = m_settings.o2BreakMin - m_onOxygen;
                if (minutes > left) {
                    add(pc, pc, left, true);
                    breakOnBackGas(pc);
                    minutes = owed(level, pc, next);
                    continue;
                }
            }
            add(pc, pc, minutes, true);
            minutes = 0.0f;
        }
        // A stop made here ends on a whole minute of run time.
        if (m_settings.roundStops && m_run > start) {
            const float end = std::ceil(m_run - 1e-4f);
            add(pc, pc, end - m_run, true);
        }
    }

    void breakOnBackGas(float pc)
    {
        const int oxygen = m_slot;
        m_slot = m_backSlot;
        add(pc, pc, m_settings.backGasMin, true);
        m_slot = oxygen;
        m_onOxygen = 0.0f;
    }

    void directAscent(float pressure)
    {
        const float safety = depth_to_pressure(m_config, m_settings.safetyStopDepthM);
        if (m_settings.safetyStopMin > 0 && pressure > safety) {
            move(pressure, safety, m_config.ascent_rate());
            add(safety, safety, m_settings.safetyStopMin, true);
            move(safety, m_config.surfacePressure, m_config.slow_ascent_rate());
            return;
        }
        move(pressure, m_config.surfacePressure, m_config.ascent_rate());
    }

    const config_t& m_config;
    const deco_t& m_deco;
    tissues_t m_tissues;
    float m_run;
    int m_slot;
    const int m_backSlot;
    const AscentSettings& m_settings;
    float m_onOxygen = 0;
    AscentWalk m_out;
};

} // namespace

AscentWalk walkAscent(const config_t& config, const deco_t& deco, const tissues_t& tissues,
    float pressure, float runMin, int slot, int backSlot, const AscentSettings& settings)
{
    return Walker(config, deco, tissues, runMin, slot, backSlot, settings).run(pressure);
}
