#pragma once

// Ends the program as closing its windows would when the process is asked to
// stop (SIGTERM from a session logout, SIGINT from a terminal, SIGHUP), so that
// the logbook and the settings are closed properly. Unix only; call it once,
// after the application object exists.
void quitOnSignals();
