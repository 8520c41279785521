#pragma once

// The virtual link as the simulation tests need it: every pressure frame the computer receives
// recorded with whether an earlier one was still unanswered at that moment.

#include "dive/diveprofile.h"
#include "virtuallink.h"

namespace simtest {

class RecordingComputer : public VirtualDiveComputer
{
public:
    void writeCharacteristic(const QBluetoothUuid& characteristic, const QByteArray& value) override
    {
        // Frame: 8 header bytes, the code, then the u32 pressure little-endian.
        if (value.size() >= 13 && quint8(value.at(8)) == 10) {
            quint32 mbar = 0;
            for (int i = 0; i < 4; ++i)
                mbar |= quint32(quint8(value.at(9 + i))) << (8 * i);
            pressures.append(mbar);
            overlaps += outstanding > 0 ? 1 : 0;
            ++outstanding;
        }
        VirtualDiveComputer::writeCharacteristic(characteristic, value);
    }

    QList<quint32> pressures; // every SetSimulatedPressure value, in order
    int outstanding = 0; // pressure frames written whose reply the link has not seen
    int overlaps = 0; // pressure frames written while another was outstanding
};

struct Rig : VirtualLink
{
    RecordingComputer* vc;

    Rig()
        : VirtualLink(new RecordingComputer)
        , vc(static_cast<RecordingComputer*>(computer))
    {
        // The link's view of the channel: a reply (announced as 9) or a failure ends it.
        QObject::connect(link, &TarskBle::onEndCommand, vc, [this](auto code) {
            if (code == VeltraCommand::GetAmbientPressure)
                vc->outstanding = 0;
        });
        QObject::connect(link, &TarskBle::onExchangeError, vc, [this](auto code, auto) {
            if (code == VeltraCommand::SetSimulatedPressure)
                vc->outstanding = 0;
        });
    }

    // Connects in salt water with a 1013 mbar surface, the computer at `ambientMbar`.
    bool connectSalt(quint32 ambientMbar = 1013)
    {
        vc->setWaterType(0);
        vc->setSurfacePressure(1013);
        vc->setAmbientPressure(ambientMbar);
        return connectAndIdentify();
    }
};

inline DiveSample point(double timeS, double depthM, double limit = 0, double temperature = 20)
{
    DiveSample s;
    s.time = timeS;
    s.depth = depthM;
    s.decoCeiling = limit;
    s.temperature = temperature;
    return s;
}

inline DiveProfile diveOf(std::initializer_list<DiveSample> points)
{
    DiveProfile dive;
    for (const DiveSample& p : points)
        dive.samples.append(p);
    dive.computeStatistics();
    return dive;
}

inline bool waitCount(QSignalSpy& spy, int count)
{
    for (int i = 0; i < 200 && spy.count() < count; ++i)
        spy.wait(25);
    return spy.count() >= count;
}

// Waits until the link has no pressure frame outstanding and nothing waits to be sent.
template <typename Driver> bool settle(Rig& rig, const Driver& driver)
{
    for (int i = 0; i < 400; ++i) {
        if (!rig.link->pressureBusy() && !driver.waitingMbar())
            return true;
        QTest::qWait(5);
    }
    return false;
}

} // namespace simtest
