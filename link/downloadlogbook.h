#pragma once

// The download's terms with the logbook, the same as a file import's: a listed dive is "in the
// logbook" by the logbook's same-dive rule (not by its number, which the diver may have changed
// and the computer may reuse), and a downloaded dive whose number is taken by another dive is
// stored under a free name.

#include "link/importbluetooth.h"

class LogbookDatabase;

ImportBluetooth::StoredCheck logbookStoredCheck(LogbookDatabase& logbook);

// Stores through LogbookDatabase::importDive; `stored` hears of each dive the logbook took (to
// make it undoable), `failed` of the logbook's reason when it took none.
ImportBluetooth::StoreDive logbookStore(LogbookDatabase& logbook,
    std::function<void(const DiveProfile& dive, int diveId)> stored = {},
    std::function<void(const QString& error)> failed = {});
