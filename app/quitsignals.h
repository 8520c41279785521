#pragma once

class QWidget;

// Closes the window as the user would when the process is asked to stop
// (SIGTERM from a session logout, SIGINT from a terminal), so that the logbook
// and the settings are closed properly. Unix only; elsewhere it does nothing.
void closeOnQuitSignals(QWidget* window);
