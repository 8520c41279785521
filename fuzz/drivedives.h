#pragma once

// What the program does with the dives a reader returns: their statistics and speeds, the CSV
// (profile) and UDDF writers, and the UDDF reader on what was written. driveDives() also stops
// the run on a dive that breaks what every reader of another program's file promises (finite
// times and depths in time order, gas indexes inside the gas list, number and rating in range).
#include "dive/diveprofile.h"
#include "fileio/csvfile.h"
#include "fileio/divelinesio.h"
#include "fileio/uddf.h"

#include <cmath>
#include <cstdlib>

inline void computeAndWrite(QList<DiveProfile>& dives)
{
    for (DiveProfile& d : dives) {
        if (!d.samples.isEmpty())
            d.computeStatistics();
        d.computeSpeeds(false);
        CsvFile::profileDocument(d);
    }
    QList<DiveProfile> again;
    QList<RefusedDive> refused;
    UDDF::readAllData(UDDF::toDocument(dives), again, refused);
}

inline void driveDives(DiveFileContent& content)
{
    if (!content.ok() && !content.dives.isEmpty())
        std::abort();
    for (const DiveProfile& d : std::as_const(content.dives)) {
        if (d.number < 0 || d.rating < 0 || d.rating > 5)
            std::abort();
        double last = -1;
        for (const DiveSample& s : d.samples) {
            if (!std::isfinite(s.time) || !std::isfinite(s.depth) || s.time < last
                || s.gasIndex < -1 || s.gasIndex >= d.gases.size()
                || !std::isfinite(s.tankPressureBar))
                std::abort();
            last = s.time;
        }
        for (const DiveGas& g : d.gases) {
            if (g.o2 < 0 || g.he < 0 || g.o2 + g.he > 100)
                std::abort();
        }
    }
    computeAndWrite(content.dives);
}
