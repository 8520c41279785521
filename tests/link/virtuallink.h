#pragma once

// A real TarskBle over the virtual dive computer, for the tests of the computer roads. What
// passes goes through a fault-injecting transport, faultless until a test asks.

#include "faultytransport.h"
#include "link/tarskble.h"
#include "link/virtualdivecomputer.h"
#include "link/virtualdivestore.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

struct VirtualLink
{
    VirtualDiveComputer* computer = nullptr;
    FaultyTransport* faults = nullptr;
    TarskBle* link = nullptr;
    QStringList logLines;

    explicit VirtualLink(
        std::shared_ptr<const VirtualDiveStore> store = std::make_shared<SimulatedDiveStore>())
        : VirtualLink(new VirtualDiveComputer)
    {
        computer->setDiveStore(std::move(store));
    }
    // Over a computer of the caller's (one that records what it receives, say); the link owns it.
    explicit VirtualLink(VirtualDiveComputer* own)
        : computer(own)
        , faults(new FaultyTransport(own))
    {
        computer->setScanWindow(300);
        link = new TarskBle(
            nullptr, [this](const QString& line) { logLines << line; }, faults);
        link->setBatchInterval(5);
        link->setReplyTimeout(3000);
    }
    ~VirtualLink() { delete link; }

    // Scan, connect, notifications on: the link is ready for commands.
    bool connectController()
    {
        QSignalSpy created(link, &TarskBle::onCreateController);
        link->createController();
        if (!created.wait(5000) && created.isEmpty())
            return false;
        QSignalSpy connected(link, &TarskBle::onConnectController);
        link->controllerConnect();
        return (connected.wait(5000) || !connected.isEmpty()) && link->isReady();
    }

    // One command and its reply.
    bool run(VeltraCommand::VeltraCommandIn command)
    {
        QSignalSpy end(link, &TarskBle::onEndCommand);
        link->startCommand(command);
        return end.wait(5000) || !end.isEmpty();
    }

    // What the connection dialog does: identity, serial, pressure, settings.
    bool connectAndIdentify()
    {
        return connectController() && run(VeltraCommand::GetInfo)
            && run(VeltraCommand::GetSerialNumber) && run(VeltraCommand::GetAmbientPressure)
            && run(VeltraCommand::GetSettings);
    }

    // Payloads of the frames the computer received with this command code, in order.
    QList<QByteArray> payloadsOf(quint8 code) const
    {
        QList<QByteArray> out;
        for (const QByteArray& f : computer->writes()) {
            if (f.size() > 8 && quint8(f[8]) == code)
                out << f.mid(9);
        }
        return out;
    }
    int framesWithCode(quint8 code) const { return int(payloadsOf(code).size()); }
};

// A firmware image whose bytes all differ from their neighbours.
inline QByteArray testImage(int size, int seed = 7)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + seed) & 0xFF));
    return image;
}
