#include "link/downloadlogbook.h"

#include "logbook/logbookdatabase.h"

ImportBluetooth::StoredCheck logbookStoredCheck(LogbookDatabase& logbook)
{
    return [&logbook](const DiveProfile& listed) { return logbook.findSameDive(listed) >= 0; };
}

ImportBluetooth::StoreDive logbookStore(LogbookDatabase& logbook,
    std::function<void(const DiveProfile&, int)> stored, std::function<void(const QString&)> failed)
{
    return [&logbook, stored = std::move(stored), failed = std::move(failed)](DiveProfile& dive) {
        int id = -1;
        const int outcome = logbook.importDive(dive, &id);
        if (outcome == LogbookDatabase::Success && stored)
            stored(dive, id);
        else if (outcome != LogbookDatabase::Success && outcome != LogbookDatabase::DuplicateDive
            && failed)
            failed(logbook.lastError());
        return outcome;
    };
}
