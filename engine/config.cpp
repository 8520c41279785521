#include "engine/config.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace {

void writeTwoDigits(char* out, unsigned value)
{
    out[0] = static_cast<char>('0' + (value / 10) % 10);
    out[1] = static_cast<char>('0' + value % 10);
}

// Two digits, three from 100 on; returns the number of characters written.
int writeNumber(char* out, unsigned value)
{
    if (value >= 100) {
        out[0] = static_cast<char>('0' + value / 100);
        writeTwoDigits(out + 1, value % 100);
        return 3;
    }
    writeTwoDigits(out, value);
    return 2;
}

} // namespace

gas_t make_gas(uint8_t o2Percent, uint8_t hePercent, const char* label)
{
    gas_t gas;
    std::memset(&gas, 0, sizeof gas);
    const unsigned o2 = o2Percent > 100 ? 100u : o2Percent;
    const unsigned he = hePercent > 100 - o2 ? 100 - o2 : hePercent;
    gas.fO2 = static_cast<float>(o2) / 100.0f;
    gas.fHe = static_cast<float>(he) / 100.0f;
    float n2 = 1.0f - gas.fO2 - gas.fHe;
    gas.fN2 = n2 < 0.0f ? 0.0f : (n2 > 1.0f ? 1.0f : n2);

    if (label) {
        for (size_t i = 0; i < sizeof gas.label && label[i] != '\0'; ++i)
            gas.label[i] = label[i];
    } else if (o2 == 100) {
        std::memcpy(gas.label, "OXY", 3);
    } else if (he > 0) {
        // "%02d/%02d": helium can be 100 (three digits), still within the 8 bytes.
        const int at = writeNumber(gas.label, o2);
        gas.label[at] = '/';
        writeNumber(gas.label + at + 1, he);
    } else {
        writeTwoDigits(gas.label, o2);
        gas.label[2] = '%';
    }
    return gas;
}

size_t gas_label_length(const gas_t& gas)
{
    const void* end = std::memchr(gas.label, '\0', sizeof gas.label);
    return end ? static_cast<size_t>(static_cast<const char*>(end) - gas.label) : sizeof gas.label;
}

void gas_label_copy(const gas_t& gas, char (&out)[9])
{
    const size_t length = gas_label_length(gas);
    std::memcpy(out, gas.label, length);
    out[length] = '\0';
}

gf_t make_gf(uint8_t low, uint8_t high)
{
    gf_t gf;
    std::memset(&gf, 0, sizeof gf);
    gf.gfLow = static_cast<float>(low) / 100.0f;
    gf.gfHigh = static_cast<float>(high) / 100.0f;
    int at = writeNumber(gf.label, low);
    gf.label[at++] = '/';
    writeNumber(gf.label + at, high);
    return gf;
}

// Constant-initialised (the same values make_gas gives) so that configurations built during
// static initialisation elsewhere already see them.
const gas_t g_air = { { '2', '1', '%' }, 0.21f, 0.0f, 1.0f - 0.21f - 0.0f };
const gas_t g_oxygen = { { 'O', 'X', 'Y' }, 1.0f, 0.0f, 0.0f };
const float g_noSetpoint = std::numeric_limits<float>::infinity();

const float kAscentRateTable[5][2] = { { 0.8f, 0.762f }, { 1.0f, 0.9144f }, { 1.1f, 1.0668f },
    { 1.2f, 1.2192f }, { 1.5f, 1.3716f } };
const float kDescentRateTable[5][2] = { { 1.8f, 1.3716f }, { 2.0f, 1.8288f }, { 2.2f, 2.286f },
    { 2.4f, 2.7432f }, { 2.6f, 2.7432f } };
const float kAuxiliaryLimitTable[5][2] = { { 3.2f, 3.2384f }, { 3.6f, 3.48224f },
    { 4.0f, 3.72608f }, { 4.8f, 4.4576f }, { 5.6f, 5.18912f } };
const float kMinPpO2Table[3] = { 0.16f, 0.17f, 0.18f };
const float kPpO2Table[8] = { 1.0f, 1.1f, 1.2f, 1.3f, 1.4f, 1.5f, 1.6f, 1.7f };
const float kGasDensityTable[5] = { 5.0f, 5.2f, 5.3f, 6.3f, 7.0f };
const float kLastStopTable[2][2] = { { 3.0f, 3.048f }, { 6.0f, 6.096f } };

settings_t::settings_t()
    : metric(1)
    , surfacePressure(1.0f)
{ }

settings_t::~settings_t() = default;

config_t::config_t()
    : reserved(0)
    , gfSetting { 1.0f, 1.0f, "BHL" }
    , diveMode(0)
    , flagA(0)
    , flagB(0)
    , waterType(0)
    , density(1.0f)
    , ascentRateIndex(2)
    , ascentRate(1.1f)
    , slowAscentRate(0.6f)
    , descentRateIndex(2)
    , descentRate(kDescentRateTable[2][0])
    , auxiliaryLimitIndex(0)
    , auxiliaryLimit(3.2f)
    , minPpO2Index(2)
    , minPpO2(0.18f)
    , decoPpO2Index(6)
    , maxDecoPpO2(1.6f)
    , bottomPpO2Index(4)
    , maxBottomPpO2(1.4f)
    , gasDensityIndex(1)
    , maxGasDensity(5.2f)
    , lastStopIndex(0)
    , lastStopDepth(3.0f)
    , activeGases(nullptr)
    , activeMask(nullptr)
    , openMask(0x01)
    , closedMask(0x09)
    , sortedCount(0)
    , sortedGases {}
    , currentGas(0)
    , gasSwitching(1)
    , currentSetpoint(0)
    , trailingI16(-1)
    , trailingU32A(0)
    , trailingU32B(0)
    , trailingF32A(25.0f)
    , trailingF32B(40.0f)
    , trailingF32C(15.0f)
{
    for (int i = 0; i < kGasSlots; ++i) {
        openGases[i] = g_air;
        closedGases[i] = g_air;
    }
    for (auto& setpoint : setpoints)
        setpoint = { std::numeric_limits<float>::infinity(), 0, 0, 0 };
    apply_defaults();
}

config_t::config_t(const config_t& other)
    : settings_t(other)
{
    repoint(other);
}

config_t& config_t::operator=(const config_t& other)
{
    if (this != &other) {
        settings_t::operator=(other);
        repoint(other);
    }
    return *this;
}

config_t::~config_t() = default;

void config_t::repoint(const config_t& other)
{
    reserved = other.reserved;
    gfSetting = other.gfSetting;
    diveMode = other.diveMode;
    flagA = other.flagA;
    flagB = other.flagB;
    waterType = other.waterType;
    density = other.density;
    ascentRateIndex = other.ascentRateIndex;
    ascentRate = other.ascentRate;
    slowAscentRate = other.slowAscentRate;
    descentRateIndex = other.descentRateIndex;
    descentRate = other.descentRate;
    auxiliaryLimitIndex = other.auxiliaryLimitIndex;
    auxiliaryLimit = other.auxiliaryLimit;
    minPpO2Index = other.minPpO2Index;
    minPpO2 = other.minPpO2;
    decoPpO2Index = other.decoPpO2Index;
    maxDecoPpO2 = other.maxDecoPpO2;
    bottomPpO2Index = other.bottomPpO2Index;
    maxBottomPpO2 = other.maxBottomPpO2;
    gasDensityIndex = other.gasDensityIndex;
    maxGasDensity = other.maxGasDensity;
    lastStopIndex = other.lastStopIndex;
    lastStopDepth = other.lastStopDepth;
    std::memcpy(openGases, other.openGases, sizeof openGases);
    std::memcpy(closedGases, other.closedGases, sizeof closedGases);
    activeGases = other.activeGases == other.closedGases ? closedGases : openGases;
    activeMask = other.activeMask == &other.closedMask ? &closedMask : &openMask;
    openMask = other.openMask;
    closedMask = other.closedMask;
    sortedCount = other.sortedCount;
    std::memcpy(sortedGases, other.sortedGases, sizeof sortedGases);
    currentGas = other.currentGas;
    gasSwitching = other.gasSwitching;
    std::memcpy(setpoints, other.setpoints, sizeof setpoints);
    currentSetpoint = other.currentSetpoint;
    trailingI16 = other.trailingI16;
    trailingU32A = other.trailingU32A;
    trailingU32B = other.trailingU32B;
    trailingF32A = other.trailingF32A;
    trailingF32B = other.trailingF32B;
    trailingF32C = other.trailingF32C;
}

void config_t::apply_defaults()
{
    reserved = 0;
    set_units(true);
    set_gf(make_gf(80, 80));
    flagA = 0;
    flagB = 0;
    waterType = 0;
    density = 1.03f;
    surfacePressure = kSurfacePressureDefault;
    ascentRateIndex = 2;
    descentRateIndex = 2;
    auxiliaryLimitIndex = 0;
    minPpO2Index = 2;
    decoPpO2Index = 6;
    bottomPpO2Index = 4;
    gasDensityIndex = 1;
    lastStopIndex = 0;
    ascentRate = kAscentRateTable[2][0];
    descentRate = kDescentRateTable[2][0];
    auxiliaryLimit = kAuxiliaryLimitTable[0][0];
    minPpO2 = kMinPpO2Table[2];
    maxDecoPpO2 = kPpO2Table[6];
    maxBottomPpO2 = kPpO2Table[4];
    maxGasDensity = kGasDensityTable[1];
    lastStopDepth = kLastStopTable[0][0];
    openMask = 0x01;
    closedMask = 0x09;
    currentGas = 0;
    for (int i = 0; i < kGasSlots; ++i) {
        openGases[i] = g_air;
        closedGases[i] = g_air;
    }
    closedGases[3] = make_gas(32, 0);
    gasSwitching = 1;
    setpoints[0] = { 0.7f, 0, 0, 0 };
    setpoints[1] = { 1.3f, 300, 0, 0 };
    setpoints[2] = { 1.5f, 70, 0, 0 };
    currentSetpoint = 0;
    activeGases = openGases;
    activeMask = &openMask;
    sort_gases();
    set_mode(0);
}

void config_t::set_units(bool isMetric)
{
    metric = isMetric ? 1 : 0;
    const int column = metric ? 0 : 1;
    switch (waterType) {
    case 0:
        density = 1.03f;
        break;
    case 1:
        density = 1.00f;
        break;
    case 2:
        density = 1.02f;
        break;
    default:
        break;
    }
    ascentRateIndex %= 5;
    auxiliaryLimitIndex %= 5;
    minPpO2Index %= 3;
    decoPpO2Index %= 8;
    bottomPpO2Index %= 8;
    gasDensityIndex %= 5;
    lastStopIndex %= 2;
    ascentRate = kAscentRateTable[ascentRateIndex][column];
    auxiliaryLimit = kAuxiliaryLimitTable[auxiliaryLimitIndex][column];
    minPpO2 = kMinPpO2Table[minPpO2Index];
    maxDecoPpO2 = kPpO2Table[decoPpO2Index];
    maxBottomPpO2 = kPpO2Table[bottomPpO2Index];
    maxGasDensity = kGasDensityTable[gasDensityIndex];
    lastStopDepth = kLastStopTable[lastStopIndex][column];
}

void config_t::set_water_type(uint8_t type)
{
    waterType = type;
    if (type == 0)
        density = 1.03f;
    else if (type == 1)
        density = 1.00f;
    else if (type == 2)
        density = 1.02f;
}

void config_t::sort_gases()
{
    sortedCount = 0;
    std::memset(sortedGases, 0, sizeof sortedGases);
    if (!activeGases || !activeMask)
        return;
    int first = 0;
    int last = kGasSlots - 1;
    if (diveMode == 1) {
        last = 1;
    } else if (diveMode == 2) {
        first = 3;
    }
    const uint8_t mask = *activeMask;
    for (int slot = first; slot <= last; ++slot) {
        if (!(mask & (1u << slot)))
            continue;
        const gas_t& gas = activeGases[slot];
        bool duplicate = false;
        for (int j = 0; j < sortedCount; ++j) {
            const gas_t& listed = activeGases[sortedGases[j]];
            if (listed.fO2 == gas.fO2 && listed.fHe == gas.fHe) {
                duplicate = true;
                break;
            }
        }
        if (duplicate)
            continue;
        // Insertion keeps the list ascending by O2, ties by helium, earlier slots first.
        int at = sortedCount;
        while (at > 0) {
            const gas_t& before = activeGases[sortedGases[at - 1]];
            const bool after
                = before.fO2 > gas.fO2 || (before.fO2 == gas.fO2 && before.fHe > gas.fHe);
            if (!after)
                break;
            sortedGases[at] = sortedGases[at - 1];
            --at;
        }
        sortedGases[at] = static_cast<uint8_t>(slot);
        ++sortedCount;
    }
}

bool config_t::is_closed_circuit() const
{
    return diveMode == 1;
}
const gf_t* config_t::gf() const
{
    return &gfSetting;
}
const float* config_t::water_density() const
{
    return &density;
}
float config_t::ascent_rate() const
{
    return ascentRate;
}
float config_t::slow_ascent_rate() const
{
    return slowAscentRate;
}
float config_t::descent_rate() const
{
    return descentRate;
}
float config_t::auxiliary_limit() const
{
    return auxiliaryLimit;
}
float config_t::ppo2_min() const
{
    return minPpO2;
}
float config_t::ppo2_max_deco() const
{
    return maxDecoPpO2;
}
float config_t::ppo2_max_bottom() const
{
    return maxBottomPpO2;
}
float config_t::gas_density_max() const
{
    return maxGasDensity;
}
bool config_t::setpoint_switch_enabled() const
{
    return true;
}
bool config_t::gas_switch_enabled() const
{
    return gasSwitching != 0;
}
uint8_t config_t::flag_a() const
{
    return flagA;
}
float config_t::last_stop_depth() const
{
    return lastStopDepth;
}
uint8_t config_t::gas_count() const
{
    return sortedCount;
}
uint8_t config_t::first_gas() const
{
    return sortedGases[0];
}

uint8_t config_t::next_gas(int index) const
{
    // The last (richest) entry has no successor.
    const int count = sortedCount > kGasSlots ? kGasSlots : sortedCount;
    for (int j = 0; j + 1 < count; ++j) {
        if (sortedGases[j] == index)
            return sortedGases[j + 1];
    }
    return static_cast<uint8_t>(index);
}

uint8_t config_t::current_gas_index() const
{
    return currentGas;
}

const gas_t* config_t::gas_at(int index) const
{
    const gas_t* table = activeGases ? activeGases : openGases;
    if (index < 0)
        return &table[kGasSlots - 1];
    if (index >= kGasSlots)
        return &table[0];
    return &table[index];
}

const gas_t* config_t::current_gas() const
{
    return gas_at(currentGas);
}
uint16_t config_t::current_setpoint_index() const
{
    return currentSetpoint;
}

const setpoint_t* config_t::setpoint_at(int index) const
{
    const int wrapped = ((index % kSetpointCount) + kSetpointCount) % kSetpointCount;
    return &setpoints[wrapped];
}

const float* config_t::current_setpoint() const
{
    if (diveMode == 1)
        return &setpoint_at(currentSetpoint)->ppO2;
    return &g_noSetpoint;
}

void config_t::set_mode(uint32_t mode)
{
    diveMode = mode;
    if (mode == 1 || mode == 2) {
        activeGases = closedGases;
        activeMask = &closedMask;
    } else {
        activeGases = openGases;
        activeMask = &openMask;
    }
    sort_gases();
    currentGas = first_gas();
}

void config_t::set_gf(const gf_t& setting)
{
    gfSetting = setting;
}

float depth_to_pressure(const config_t& config, float depthM)
{
    return config.density * kGravity * depthM / 100.0f + config.surfacePressure;
}

namespace {

float levelPressure(const config_t& config, float lastStop, int index)
{
    if (index == 1)
        return depth_to_pressure(config, lastStop);
    const float step = config.metric ? 3.0f : 3.048f;
    const float depth = std::round(lastStop / step) * step + static_cast<float>(index - 1) * step;
    return depth_to_pressure(config, depth);
}

// The pressures of the stop levels of the last surface, water and last stop asked for: the
// stop searches ask for the same few levels many times per computation.
struct level_cache_t
{
    float lastStop = -1.0f;
    float density = 0.0f;
    float surface = 0.0f;
    uint8_t metric = 2;
    float pressure[64] = {};
};
level_cache_t g_levels;

} // namespace

float stop_pressure(const config_t& config, int index)
{
    if (index < 1)
        return config.surfacePressure;
    const float lastStop = config.last_stop_depth();
    if (index >= 64)
        return levelPressure(config, lastStop, index);
    level_cache_t& c = g_levels;
    if (c.lastStop != lastStop || c.density != config.density || c.surface != config.surfacePressure
        || c.metric != config.metric) {
        c.lastStop = lastStop;
        c.density = config.density;
        c.surface = config.surfacePressure;
        c.metric = config.metric;
        for (int level = 1; level < 64; ++level)
            c.pressure[level] = levelPressure(config, lastStop, level);
    }
    return c.pressure[index];
}

float pressure_to_depth(float pressureBar)
{
    if (!(pressureBar > kSurfacePressureDefault))
        return 0.0f;
    return (pressureBar - kSurfacePressureDefault) * 100.0f / kGravity;
}
