#include "link/diveconversion.h"

#include <array>

DiveProfile convertDownloadedDive(
    const DiveHeader& header, const QList<DeviceSample>& samples, const DownloadSource& source)
{
    DiveProfile dive;
    if (header.computerType == 1 || header.computerType == 2)
        dive.computerType = header.computerType;
    dive.firmwareVersion = source.firmwareVersion;
    dive.name = QString::number(header.number);
    dive.origin = DiveOriginComputer;
    dive.computer = source.computerName;
    dive.serial = source.serial;
    dive.diveMode = header.diveMode;
    dive.setPeriod(header.period);
    dive.setAlerts(header.alertWord, static_cast<quint8>(header.alertExtra & 0xFF));
    dive.surfacePressure = header.surfacePressureMbar / 1000.0;
    dive.gfLow = header.gfLow;
    dive.gfHigh = header.gfHigh;
    dive.freshWater = header.waterDensity < 1021 ? 1 : 0;

    // Gas slots in use become the dive's gases in slot order; samples name a slot, which maps to
    // the 0-based index of its gas (-1 for a slot the header does not use). Only the first eight
    // slots are converted. A slot whose mix is over 100 % (a damaged reply) is not a gas: its
    // samples have an unknown gas rather than a mix no computation can breathe.
    std::array<int, 8> indexOfSlot;
    indexOfSlot.fill(-1);
    for (int slot = 0; slot < 8; ++slot) {
        if (!(header.gasMask & (1u << slot)) || header.gasO2[slot] + header.gasHe[slot] > 100)
            continue;
        DiveGas gas;
        gas.o2 = header.gasO2[slot];
        gas.he = header.gasHe[slot];
        indexOfSlot[slot] = dive.gases.size();
        dive.gases.append(gas);
    }

    dive.samples.reserve(samples.size());
    double t = 0;
    for (const DeviceSample& s : samples) {
        DiveSample d;
        d.time = t;
        d.depth = s.depthDm() / 10.0;
        d.temperature = s.temperatureC();
        const int c = s.ceilingValue();
        // A negative value is the no-decompression limit in minutes, kept negative.
        d.decoCeiling = c >= 0 ? c / 10.0 : double(c);
        d.gasIndex = indexOfSlot[s.gasSlot()];
        d.alertFlags = s.alertByte;
        d.statusFlags = s.statusByte;
        for (int i = 0; i < 16; ++i)
            d.tissues[i] = s.tissues[i];
        dive.samples.append(d);
        t += header.period;
    }
    dive.computeStatistics();
    dive.computeSpeeds(false);
    dive.dateTime = header.startTime;
    return dive;
}

QString computerNameFromField(const QByteArray& field)
{
    const int end = field.indexOf('\0');
    return QString::fromUtf8(end < 0 ? field : field.left(end));
}
