#pragma once

// Importing a dive file as the import command and the window do (its dives in one write), each
// round into a new, empty logbook in dir. Timed: reading the file and storing its dives; opening
// the logbook and the checks after are left out.

#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace BenchFixture {

inline void importIntoEmptyLogbooks(
    benchmark::State& state, const QTemporaryDir& dir, const QString& path, int expectedDives)
{
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        LogbookDatabase& logbook = LogbookDatabase::instance();
        if (logbook.openOrCreate(dir.filePath(QStringLiteral("empty%1.db").arg(round++)))
            != LogbookDatabase::Success) {
            state.SkipWithError("cannot open the logbook");
            return;
        }
        state.ResumeTiming();
        DiveFileContent content = readDiveFile(path);
        int stored = 0;
        for (const LogbookDatabase::ImportOutcome& outcome : logbook.importDives(content.dives))
            stored += outcome.code == LogbookDatabase::Success ? 1 : 0;
        state.PauseTiming();
        logbook.close();
        if (stored != expectedDives) {
            state.SkipWithError("not every dive was stored");
            return;
        }
        state.ResumeTiming();
    }
}

} // namespace BenchFixture
