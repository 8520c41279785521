#pragma once

// A link connected to the in-process virtual dive computer, as the simulation tests need it:
// identified, its ambient pressure and settings read, and every pressure frame it receives
// recorded with whether an earlier one was still unanswered at that moment.

#include "link/tarskble.h"
#include "link/virtualdivecomputer.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

namespace simtest {

// The computer as the tests need it, with a record of the pressures written to it.
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
            if (outstanding > 0)
                ++overlaps;
            ++outstanding;
        }
        VirtualDiveComputer::writeCharacteristic(characteristic, value);
    }

    QList<quint32> pressures; // every SetSimulatedPressure value, in order
    int outstanding = 0; // pressure frames written whose reply the link has not seen
    int overlaps = 0; // pressure frames written while another was outstanding
};

struct Rig
{
    RecordingComputer* vc = new RecordingComputer;
    std::unique_ptr<TarskBle> link;

    Rig()
    {
        link = std::make_unique<TarskBle>(
            nullptr, [](const QString&) {}, vc);
        // Replies in batch mode (the settings) are decoded after this quiet time.
        link->setBatchInterval(10);
        // The link's view of the channel: a reply (announced as 9) or a failure ends it.
        QObject::connect(link.get(), &TarskBle::onEndCommand, vc, [this](auto code) {
            if (code == VeltraCommand::GetAmbientPressure)
                vc->outstanding = 0;
        });
        QObject::connect(link.get(), &TarskBle::onExchangeError, vc, [this](auto code, auto) {
            if (code == VeltraCommand::SetSimulatedPressure)
                vc->outstanding = 0;
        });
    }
};

inline bool waitCount(QSignalSpy& spy, int count)
{
    for (int i = 0; i < 200 && spy.count() < count; ++i)
        spy.wait(25);
    return spy.count() >= count;
}

inline bool exchange(Rig& rig, VeltraCommand::VeltraCommandIn command)
{
    QSignalSpy end(rig.link.get(), &TarskBle::onEndCommand);
    rig.link->startCommand(command);
    return waitCount(end, 1);
}

// Connects and runs the identification the connection dialog runs (ambient pressure, settings).
inline bool connectComputer(Rig& rig)
{
    QSignalSpy created(rig.link.get(), &TarskBle::onCreateController);
    QSignalSpy connected(rig.link.get(), &TarskBle::onConnectController);
    rig.link->createController();
    if (!waitCount(created, 1)
        || created.at(0).at(0).value<CreateControllerStatus::CreateControllerStatusIn>()
            != CreateControllerStatus::Created)
        return false;
    rig.link->controllerConnect();
    if (!waitCount(connected, 1)
        || connected.at(0).at(0).value<ConnectControllerStatus::ConnectControllerStatusIn>()
            != ConnectControllerStatus::Connected)
        return false;
    return exchange(rig, VeltraCommand::GetAmbientPressure)
        && exchange(rig, VeltraCommand::GetSettings);
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
