#pragma once

#include <cstddef>
#include <cstdint>

// Engine configuration: gases, gradient factors, setpoints, water type, units and the
// stop-level to pressure conversion. Plain records, no allocation, single-precision float.

constexpr int kGasSlots = 8;
constexpr int kSetpointCount = 3;
constexpr float kSurfacePressureDefault = 1.013f;
constexpr float kGravity = 9.80665f;

// A breathing gas. The label is exactly 8 bytes and carries no terminator when all 8 are
// used, so it must only ever be read through a bounded function such as gas_label_length.
struct gas_t
{
    char label[8];
    float fO2;
    float fHe;
    float fN2;
};

// Fills a gas from whole percentages; the label, when given, is copied up to its NUL or 8 bytes.
gas_t make_gas(uint8_t o2Percent, uint8_t hePercent, const char* label = nullptr);

// Length of the label, never more than 8.
size_t gas_label_length(const gas_t& gas);
// Copies the label into a terminated buffer of 9 bytes.
void gas_label_copy(const gas_t& gas, char (&out)[9]);

struct gf_t
{
    float gfLow;
    float gfHigh;
    char label[16];
};

gf_t make_gf(uint8_t low, uint8_t high);

struct setpoint_t
{
    float ppO2; // bar; +infinity when no setpoint applies (open circuit)
    uint16_t value;
    uint8_t valueA;
    uint8_t valueB;
};

// Process-wide constant gases.
extern const gas_t g_air;
extern const gas_t g_oxygen;
// Address of a shared +infinity, used as "no setpoint" (open circuit).
extern const float g_noSetpoint;

// Unit tables: [index][0 metric, 1 imperial].
extern const float kAscentRateTable[5][2];
extern const float kDescentRateTable[5][2];
extern const float kAuxiliaryLimitTable[5][2];
extern const float kMinPpO2Table[3];
extern const float kPpO2Table[8];
extern const float kGasDensityTable[5];
extern const float kLastStopTable[2][2];

class settings_t
{
public:
    settings_t();
    settings_t(const settings_t&) = default;
    settings_t& operator=(const settings_t&) = default;
    virtual ~settings_t();

    virtual bool is_closed_circuit() const = 0;
    virtual const gf_t* gf() const = 0;
    virtual const float* water_density() const = 0;
    virtual float ascent_rate() const = 0;
    virtual float slow_ascent_rate() const = 0;
    virtual float descent_rate() const = 0;
    virtual float auxiliary_limit() const = 0;
    virtual float ppo2_min() const = 0;
    virtual float ppo2_max_deco() const = 0;
    virtual float ppo2_max_bottom() const = 0;
    virtual float gas_density_max() const = 0;
    virtual bool setpoint_switch_enabled() const = 0;
    virtual bool gas_switch_enabled() const = 0;
    virtual uint8_t flag_a() const = 0;
    virtual float last_stop_depth() const = 0;
    virtual uint8_t gas_count() const = 0;
    virtual uint8_t first_gas() const = 0;
    virtual uint8_t next_gas(int index) const = 0;
    virtual uint8_t current_gas_index() const = 0;
    virtual const gas_t* gas_at(int index) const = 0;
    virtual const gas_t* current_gas() const = 0;
    virtual uint16_t current_setpoint_index() const = 0;
    virtual const setpoint_t* setpoint_at(int index) const = 0;
    virtual const float* current_setpoint() const = 0;

    uint8_t metric; // 1 metric, 0 imperial
    float surfacePressure; // bar
};

class config_t : public settings_t
{
public:
    config_t();
    // The active-table and active-mask pointers point into the object itself, so copies
    // re-point them at their own tables.
    config_t(const config_t& other);
    config_t& operator=(const config_t& other);
    ~config_t() override;

    bool is_closed_circuit() const override;
    const gf_t* gf() const override;
    const float* water_density() const override;
    float ascent_rate() const override;
    float slow_ascent_rate() const override;
    float descent_rate() const override;
    float auxiliary_limit() const override;
    float ppo2_min() const override;
    float ppo2_max_deco() const override;
    float ppo2_max_bottom() const override;
    float gas_density_max() const override;
    bool setpoint_switch_enabled() const override;
    bool gas_switch_enabled() const override;
    uint8_t flag_a() const override;
    float last_stop_depth() const override;
    uint8_t gas_count() const override;
    uint8_t first_gas() const override;
    uint8_t next_gas(int index) const override;
    uint8_t current_gas_index() const override;
    const gas_t* gas_at(int index) const override;
    const gas_t* current_gas() const override;
    uint16_t current_setpoint_index() const override;
    const setpoint_t* setpoint_at(int index) const override;
    const float* current_setpoint() const override;
    virtual void set_mode(uint32_t mode);
    virtual void set_gf(const gf_t& setting);

    void apply_defaults();
    void set_units(bool isMetric);
    void set_water_type(uint8_t type);
    // Rebuilds the sorted list of enabled gases from the active table and mask.
    void sort_gases();

    uint8_t reserved;
    gf_t gfSetting;
    uint32_t diveMode; // 0 open circuit, 1 closed circuit, 2 closed-circuit table breathed open
    uint8_t flagA;
    uint8_t flagB;
    uint8_t waterType; // 0 salt, 1 fresh, 2 intermediate
    float density; // kg/L
    uint32_t ascentRateIndex;
    float ascentRate; // bar/min
    float slowAscentRate; // bar/min
    uint32_t descentRateIndex;
    float descentRate; // bar/min
    uint32_t auxiliaryLimitIndex;
    float auxiliaryLimit; // bar
    uint32_t minPpO2Index;
    float minPpO2; // bar
    uint32_t decoPpO2Index;
    float maxDecoPpO2; // bar
    uint32_t bottomPpO2Index;
    float maxBottomPpO2; // bar
    uint32_t gasDensityIndex;
    float maxGasDensity; // g/L
    uint32_t lastStopIndex;
    float lastStopDepth; // m
    gas_t* activeGases;
    gas_t openGases[kGasSlots];
    gas_t closedGases[kGasSlots];
    uint8_t* activeMask;
    uint8_t openMask;
    uint8_t closedMask;
    uint8_t sortedCount;
    uint8_t sortedGases[kGasSlots];
    uint8_t currentGas;
    uint8_t gasSwitching;
    setpoint_t setpoints[kSetpointCount];
    uint16_t currentSetpoint;
    int16_t trailingI16;
    uint32_t trailingU32A;
    uint32_t trailingU32B;
    float trailingF32A;
    float trailingF32B;
    float trailingF32C;

private:
    void repoint(const config_t& other);
};

// Absolute pressure in bar of stop level `index` (0 surface, 1 last stop, n the n-th step).
float stop_pressure(const config_t& config, int index);
// Absolute pressure in bar at a depth in metres, for this configuration's water and surface.
float depth_to_pressure(const config_t& config, float depthM);
// Display depth in metres of an absolute pressure (fixed 1.013 bar surface, salt-free 9.80665).
float pressure_to_depth(float pressureBar);
