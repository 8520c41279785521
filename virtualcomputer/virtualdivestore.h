#pragma once

// The dives the virtual dive computer holds, and their encoding in the computer's own reply
// layouts, so the download can be exercised without a computer.

#include "dive/devicerecords.h"
#include "virtualcomputer/virtualdivecomputer.h"

#include <QByteArray>
#include <QList>

struct VirtualDive
{
    DiveHeader header;
    int headerFormat = 0; // 0: plain dive number, else the low byte of the tagged first word
    int sampleFormat = 0; // 0: no 0x80 marker, 6-byte records; 1: 8 bytes; 2: 10 bytes
    QList<DeviceSample> samples; // tissues always filled; sent only for the tissue command
};

// One breathing gas of a generated dive and where the diver switches to it on the ascent.
struct VirtualGas
{
    int o2 = 21;
    int he = 0;
    double switchDepthM = 0; // deco gas: taken when ascending to this depth; 0 for bottom gas
};

struct VirtualDivePlan
{
    uint16_t number = 1;
    int64_t startTime = 0; // UTC seconds
    double depthM = 18;
    int bottomMinutes = 30; // from leaving the surface to the start of the ascent
    QList<VirtualGas> gases; // the first is the bottom gas
    bool freshWater = false;
    uint16_t surfacePressureMbar = 1013;
    uint8_t gfLow = 30;
    uint8_t gfHigh = 85;
    int headerFormat = 0;
    int sampleFormat = 0;
    bool safetyStop = true;
};

// Simulates the dive second by second with a 16-compartment nitrogen model of its own: descent
// at 18 m/min, bottom, ascent at 9 m/min with the stops the ceiling asks for, and records a
// sample every 5 s with depth, temperature, ceiling or no-decompression time, gas slot and
// tissue loads.
VirtualDive simulateVirtualDive(const VirtualDivePlan& plan);

// A small logbook: a no-decompression air dive, a nitrox deco dive with a gas switch, a trimix
// deco dive with two deco gases and a fresh-water lake dive, over both header formats and the
// three sample formats.
QList<VirtualDive> demoVirtualDives();

// Reply-19 body (code byte first) for the header in the given format and link variant.
QByteArray encodeDiveHeaderReply(const DiveHeader& header, int format, uint32_t variant);
// Reply-20/21 byte stream of the samples (without code bytes).
QByteArray encodeDeviceSamples(const QList<DeviceSample>& samples, int sampleFormat, bool tissues);

// The dives of the virtual computer, answered in the layouts of a computer of the given variant.
class SimulatedDiveStore : public VirtualDiveStore
{
public:
    explicit SimulatedDiveStore(QList<VirtualDive> dives = demoVirtualDives(), uint32_t variant = 2)
        : m_dives(std::move(dives))
        , m_variant(variant)
    { }

    const QList<VirtualDive>& dives() const { return m_dives; }

    // Oldest dive first, as the computer sends them; payloads without the code byte.
    QList<QByteArray> headerPayloads() const override;
    // The stream of dive `number`; empty for a dive the computer does not hold.
    QByteArray sampleStream(quint16 number, bool withTissues) const override;

private:
    QList<VirtualDive> m_dives;
    uint32_t m_variant;
};
