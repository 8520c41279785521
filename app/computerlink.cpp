#include "app/computerlink.h"

#include "link/qtbletransport.h"
#include "virtualcomputer/virtualdivecomputer.h"
#include "virtualcomputer/virtualdivestore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

bool demoComputerRequested(const QString& optionsPath)
{
    if (qEnvironmentVariable("VELTRA_DEMO_COMPUTER") == QLatin1String("1"))
        return true;
    if (optionsPath.isEmpty() || !QFileInfo::exists(optionsPath))
        return false;
    const QSettings options(optionsPath, QSettings::IniFormat);
    return options.value(QStringLiteral("hidden/demoComputer"), 0).toInt() == 1;
}

TarskBle* makeComputerLink(QObject* parent, TarskBle::LogCallback log, bool demo)
{
    BleTransport* transport = nullptr;
    if (demo) {
        auto* computer = new VirtualDiveComputer;
        computer->setDiveStore(std::make_shared<SimulatedDiveStore>());
        // Long enough for the user to see the search happen.
        computer->setScanDelay(1200);
        transport = computer;
    } else {
        transport = new QtBleTransport;
    }
    return new TarskBle(parent, std::move(log), transport);
}

void addDemoComputerActions(QMenu& menu, TarskBle* link)
{
    auto* computer = link ? qobject_cast<VirtualDiveComputer*>(link->transport()) : nullptr;
    if (!computer)
        return;
    const bool firmwareMode = computer->modeByte() == VirtualDiveComputer::kFirmwareModeByte;
    QAction* restart = menu.addAction(firmwareMode
            ? QCoreApplication::translate("ComputerActions", "Demo: restart in normal mode")
            : QCoreApplication::translate("ComputerActions", "Demo: restart in firmware mode"));
    QObject::connect(restart, &QAction::triggered, computer, [computer, firmwareMode] {
        // A real computer drops the link when it restarts; the next connection finds the new
        // mode.
        computer->setModeByte(firmwareMode ? VirtualDiveComputer::kNormalModeByte
                                           : VirtualDiveComputer::kFirmwareModeByte);
        computer->dropConnection();
    });
}
