#pragma once

#include "link/tarskble.h"

#include <QString>

class QMenu;

// The program chooses what the dive computer link runs over: the platform's Bluetooth, or the
// virtual computer of the demo. The link itself knows neither choice.

// True when the environment has VELTRA_DEMO_COMPUTER=1, or when the options file has
// "hidden/demoComputer" = 1.
bool demoComputerRequested(const QString& optionsPath);

// A link over the virtual computer (demo) or over Qt Bluetooth.
TarskBle* makeComputerLink(QObject* parent, TarskBle::LogCallback log, bool demo);

// Demo only: an entry that restarts the virtual computer in its other mode (normal or
// firmware), so the firmware manager can be tried without a computer. Adds nothing when the
// link runs over real Bluetooth.
void addDemoComputerActions(QMenu& menu, TarskBle* link);
