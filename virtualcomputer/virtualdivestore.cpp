#include "virtualcomputer/virtualdivestore.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Nitrogen half-times (min) and coefficients of a 16-compartment model. The virtual computer
// only needs plausible ceilings and loads, so helium is counted as nitrogen.
constexpr std::array<double, 16> kHalfTime = { 5.0, 8.0, 12.5, 18.5, 27.0, 38.3, 54.3, 77.0, 109.0,
    146.0, 187.0, 239.0, 305.0, 390.0, 498.0, 635.0 };
constexpr std::array<double, 16> kA = { 1.1696, 1.0, 0.8618, 0.7562, 0.62, 0.5043, 0.441, 0.4,
    0.375, 0.35, 0.3295, 0.3065, 0.2835, 0.261, 0.248, 0.2327 };
constexpr std::array<double, 16> kB = { 0.5578, 0.6514, 0.7222, 0.7825, 0.8126, 0.8434, 0.8693,
    0.891, 0.9092, 0.9222, 0.9319, 0.9403, 0.9477, 0.9544, 0.9602, 0.9653 };
constexpr double kWaterVapour = 0.0627; // bar
constexpr int kPeriodS = 5;

struct Model
{
    std::array<double, 16> p {};
    double surfaceBar = 1.013;
    double barPerMetre = 0.101;
    double gf = 0.85;

    double ambient(double depthM) const { return surfaceBar + depthM * barPerMetre; }
    void saturate(double inertFraction) { p.fill((surfaceBar - kWaterVapour) * inertFraction); }
    void step(double depthM, double inertFraction, double seconds)
    {
        const double inspired = (ambient(depthM) - kWaterVapour) * inertFraction;
        for (int i = 0; i < 16; ++i)
            p[i] += (inspired - p[i]) * (1.0 - std::exp2(-seconds / (kHalfTime[i] * 60.0)));
    }
    double toleratedBar(int i) const { return (p[i] - kA[i] * gf) / (gf / kB[i] - gf + 1.0); }
    double ceilingM() const
    {
        double tolerated = 0;
        for (int i = 0; i < 16; ++i)
            tolerated = std::max(tolerated, toleratedBar(i));
        return std::max(0.0, (tolerated - surfaceBar) / barPerMetre);
    }
    // Minutes left at this depth and gas before a ceiling appears, capped at 99.
    int ndlMinutes(double depthM, double inertFraction) const
    {
        const double inspired = (ambient(depthM) - kWaterVapour) * inertFraction;
        double best = 99;
        for (int i = 0; i < 16; ++i) {
            const double critical = surfaceBar * (gf / kB[i] - gf + 1.0) + kA[i] * gf;
            if (inspired <= critical)
                continue;
            if (p[i] >= critical)
                return 0;
            const double t = -kHalfTime[i] * std::log2((inspired - critical) / (inspired - p[i]));
            best = std::min(best, t);
        }
        return static_cast<int>(best);
    }
    uint8_t loadByte(int i) const
    {
        const double surfaceLimit = kA[i] + surfaceBar / kB[i];
        return static_cast<uint8_t>(std::clamp(p[i] / surfaceLimit * 100.0, 0.0, 255.0));
    }
};

uint16_t ceilingField(double ceilingM, int ndl)
{
    if (ceilingM > 0)
        return static_cast<uint16_t>(std::min(2047L, std::lround(ceilingM * 10.0)));
    // The no-decompression time travels negated, as a 12-bit two's complement value.
    return static_cast<uint16_t>((0x1000 - std::max(1, ndl)) & 0x0FFF);
}

void putU16(QByteArray& b, uint32_t v)
{
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}
void putU32(QByteArray& b, uint32_t v)
{
    putU16(b, v & 0xFFFF);
    putU16(b, v >> 16);
}
void putI64(QByteArray& b, int64_t v)
{
    putU32(b, uint32_t(uint64_t(v) & 0xFFFFFFFFu));
    putU32(b, uint32_t(uint64_t(v) >> 32));
}

} // namespace

namespace {

// One sample of the dive as the computer records it, tissues included.
DeviceSample sampleAt(const Model& model, double depth, int gas, double inert, bool freshWater)
{
    DeviceSample s;
    const double ceiling = model.ceilingM();
    s.depthWord = static_cast<uint16_t>(std::lround(depth * 10.0));
    s.ceilingWord = ceilingField(ceiling, model.ndlMinutes(depth, inert));
    const double water = freshWater ? 17.0 - depth * 0.4 : 25.0 - depth * 0.25;
    s.temperatureByte = static_cast<uint8_t>((std::clamp(int(water), 4, 31) & 31) << 2);
    s.flagByte = static_cast<uint8_t>((gas & 3) << 3);
    s.statusByte = ceiling > 0 ? 1 : 0;
    s.extraWord = static_cast<uint16_t>(std::lround(model.ambient(depth) * 1000.0));
    for (int i = 0; i < 16; ++i)
        s.tissues[i] = model.loadByte(i);
    return s;
}

// On the ascent, the richest deco gas whose switch depth is reached.
int richestGasReached(const QList<VirtualGas>& gases, int gas, double depth)
{
    for (int g = 1; g < gases.size(); ++g) {
        if (depth <= gases[g].switchDepthM && gases[g].o2 > gases[gas].o2)
            gas = g;
    }
    return gas;
}

void fillHeader(
    VirtualDive& dive, const VirtualDivePlan& plan, const QList<VirtualGas>& gases, double maxDepth)
{
    DiveHeader& h = dive.header;
    h.number = plan.number;
    h.diveMode = 0;
    h.gfLow = plan.gfLow;
    h.gfHigh = plan.gfHigh;
    h.waterDensity = plan.freshWater ? 1000 : 1025;
    h.surfacePressureMbar = plan.surfacePressureMbar;
    for (int g = 0; g < gases.size() && g < 4; ++g) {
        h.gasMask |= uint16_t(1u << g);
        h.gasO2[g] = static_cast<uint8_t>(gases[g].o2);
        h.gasHe[g] = static_cast<uint8_t>(gases[g].he);
    }
    h.sampleCount = static_cast<uint32_t>(dive.samples.size());
    h.startTime = plan.startTime;
    h.endTime = plan.startTime + int64_t(dive.samples.size() - 1) * kPeriodS;
    h.maxDepthDm = static_cast<uint16_t>(std::lround(maxDepth * 10.0));
    h.period = kPeriodS;
}

} // namespace

VirtualDive simulateVirtualDive(const VirtualDivePlan& plan)
{
    VirtualDive dive;
    dive.headerFormat = plan.headerFormat;
    dive.sampleFormat = plan.sampleFormat;

    Model model;
    model.surfaceBar = plan.surfacePressureMbar / 1000.0;
    model.barPerMetre = plan.freshWater ? 0.0981 : 0.1010;
    model.gf = plan.gfHigh / 100.0;
    model.saturate(0.79);

    const QList<VirtualGas> gases
        = plan.gases.isEmpty() ? QList<VirtualGas> { VirtualGas() } : plan.gases;
    int gas = 0;
    const auto inert = [&] { return 1.0 - gases[gas].o2 / 100.0; };

    enum class Phase { Descent, Bottom, Ascent, Stop, Done };
    Phase phase = Phase::Descent;
    double depth = 0;
    double stopDepth = 0;
    int safetyLeft = plan.safetyStop ? 180 : 0;
    double maxDepth = 0;
    int t = 0;
    const int bottomEnd = plan.bottomMinutes * 60;

    const auto record
        = [&] { dive.samples.append(sampleAt(model, depth, gas, inert(), plan.freshWater)); };

    record();
    // Hard stop after ten hours keeps a wrong plan from running away.
    while (phase != Phase::Done && t < 36000) {
        switch (phase) {
        case Phase::Descent:
            depth = std::min(plan.depthM, depth + 18.0 / 60.0);
            if (depth >= plan.depthM)
                phase = Phase::Bottom;
            break;
        case Phase::Bottom:
            if (t >= bottomEnd)
                phase = Phase::Ascent;
            break;
        case Phase::Ascent: {
            const double ceiling = model.ceilingM();
            double target = ceiling > 0 ? std::max(3.0, std::ceil(ceiling / 3.0) * 3.0) : 0.0;
            if (target == 0 && safetyLeft > 0 && maxDepth > 10 && depth > 5.0)
                target = 5.0;
            depth = std::max(target, depth - 9.0 / 60.0);
            if (depth <= target) {
                stopDepth = target;
                phase = target > 0 ? Phase::Stop : Phase::Done;
            }
            break;
        }
        case Phase::Stop: {
            const double ceiling = model.ceilingM();
            const bool safety = stopDepth == 5.0 && ceiling <= 0;
            if (safety)
                --safetyLeft;
            if ((safety && safetyLeft <= 0) || (!safety && ceiling <= stopDepth - 3.0))
                phase = Phase::Ascent;
            break;
        }
        case Phase::Done:
            break;
        }
        if (phase != Phase::Descent && phase != Phase::Bottom)
            gas = richestGasReached(gases, gas, depth);
        model.step(depth, inert(), 1.0);
        maxDepth = std::max(maxDepth, depth);
        ++t;
        if (t % kPeriodS == 0 || phase == Phase::Done)
            record();
    }

    fillHeader(dive, plan, gases, maxDepth);
    return dive;
}

QList<VirtualDive> demoVirtualDives()
{
    QList<VirtualDive> dives;
    VirtualDivePlan air;
    air.number = 1;
    air.startTime = 1777711200; // 2026-05-02 08:40 UTC
    air.depthM = 18;
    air.bottomMinutes = 38;
    air.gases = { { 21, 0, 0 } };
    dives.append(simulateVirtualDive(air));

    VirtualDivePlan nitrox;
    nitrox.number = 2;
    nitrox.startTime = 1777730400; // same day, 14:00 UTC
    nitrox.depthM = 32;
    nitrox.bottomMinutes = 32;
    nitrox.gases = { { 32, 0, 0 }, { 50, 0, 21 } };
    nitrox.headerFormat = 5;
    nitrox.sampleFormat = 2;
    dives.append(simulateVirtualDive(nitrox));

    VirtualDivePlan trimix;
    trimix.number = 3;
    trimix.startTime = 1778063400; // 2026-05-06 10:30 UTC
    trimix.depthM = 45;
    trimix.bottomMinutes = 22;
    trimix.gases = { { 21, 35, 0 }, { 50, 0, 21 }, { 100, 0, 6 } };
    trimix.headerFormat = 6;
    trimix.sampleFormat = 2;
    dives.append(simulateVirtualDive(trimix));

    VirtualDivePlan lake;
    lake.number = 4;
    lake.startTime = 1778320800; // 2026-05-09 10:00 UTC
    lake.depthM = 12;
    lake.bottomMinutes = 40;
    lake.freshWater = true;
    lake.surfacePressureMbar = 910;
    lake.gases = { { 21, 0, 0 } };
    lake.sampleFormat = 1;
    dives.append(simulateVirtualDive(lake));
    return dives;
}

QByteArray encodeDiveHeaderReply(const DiveHeader& h, int format, uint32_t variant)
{
    QByteArray b;
    b.append(char(19));
    if (format == 0) {
        putU16(b, h.number);
    } else {
        putU16(b, 0x8000u | uint32_t(format & 0xFF));
        putU16(b, h.number);
    }
    b.append(char(h.byteAfterNumber));
    // A variant-2 computer reports its mode 5 as 3 on the wire.
    b.append(char(variant == 2 && h.diveMode == 5 ? 3 : h.diveMode));
    b.append(char(h.gfLow));
    b.append(char(h.gfHigh));
    putU16(b, h.waterDensity);
    putU16(b, h.surfacePressureMbar);
    for (int i = 0; i < 16; ++i) {
        putU16(b, h.wordsA[i]);
        putU16(b, h.wordsB[i]);
    }
    const bool wide = format >= 5;
    if (wide)
        putU16(b, h.gasMask);
    else
        b.append(char(h.gasMask & 0xFF));
    for (int i = 0; i < (wide ? 12 : 8); ++i) {
        b.append(char(h.gasO2[i]));
        b.append(char(h.gasHe[i]));
    }
    b.append(char(h.byteAfterGases));
    putU16(b, h.wordsAfterGases[0]);
    if (variant != 2) {
        putU16(b, h.wordsAfterGases[1]);
        putU16(b, h.wordsAfterGases[2]);
    } else {
        b.append(QByteArray(3, '\0'));
        putU16(b, h.wordsAfterGases[1]);
        b.append(QByteArray(3, '\0'));
        putU16(b, h.wordsAfterGases[2]);
        b.append(QByteArray(3, '\0'));
    }
    putU32(b, h.sampleCount);
    putU32(b, h.alertWord);
    if (format != 0 && variant == 1)
        putU16(b, h.alertExtra);
    putI64(b, h.startTime);
    putU16(b, h.wordAfterStart);
    putU16(b, h.maxDepthDm);
    putU16(b, h.afterMaxDepth0);
    b.append(char(h.afterMaxDepth1));
    b.append(char(h.afterMaxDepth2));
    putU32(b, h.afterMaxDepth3);
    putU16(b, h.afterMaxDepth4);
    putU32(b, h.afterMaxDepth5);
    putU32(b, h.afterMaxDepth6);
    putU16(b, h.afterMaxDepth7);
    putU16(b, h.afterMaxDepth8);
    putU16(b, h.afterMaxDepth9);
    putI64(b, h.endTime);
    for (uint32_t w : h.wordsAfterEnd)
        putU32(b, w);
    if (format != 0) {
        b.append(char(h.byteAfterPeriod));
        putU16(b, h.wordAfterPeriod);
        if (format >= 6 && variant == 1) {
            b.append(char(h.byteAfterPeriod));
            putU16(b, h.wordAfterPeriod);
        }
    }
    return b;
}

QByteArray encodeDeviceSamples(const QList<DeviceSample>& samples, int sampleFormat, bool tissues)
{
    QByteArray b;
    if (samples.isEmpty())
        return b;
    if (sampleFormat > 0) {
        b.append(char(0x80));
        b.append(char(sampleFormat));
    }
    for (const DeviceSample& s : samples) {
        b.append(char((s.flagByte >> 1) & 0x0F));
        putU16(b, s.depthWord & 0x0FFF);
        putU16(b, s.ceilingWord & 0x0FFF);
        b.append(char((s.temperatureByte >> 2) & 0x1F));
        if (sampleFormat >= 1)
            putU16(b, s.extraWord);
        if (sampleFormat >= 2) {
            b.append(char(s.alertByte));
            b.append(char(s.statusByte));
        }
        if (tissues) {
            for (uint8_t t : s.tissues)
                b.append(char(t));
        }
    }
    return b;
}

QList<QByteArray> SimulatedDiveStore::headerPayloads() const
{
    QList<QByteArray> payloads;
    for (const VirtualDive& d : m_dives)
        payloads.append(encodeDiveHeaderReply(d.header, d.headerFormat, m_variant).mid(1));
    return payloads;
}

QByteArray SimulatedDiveStore::sampleStream(quint16 number, bool withTissues) const
{
    for (const VirtualDive& d : m_dives) {
        if (d.header.number == number)
            return encodeDeviceSamples(d.samples, d.sampleFormat, withTissues);
    }
    return QByteArray();
}
