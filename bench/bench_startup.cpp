// Start-up of the main window on a logbook of 1,000 and of 50,000 dives: construction (data
// folder, settings, options, logbook opening, dive list) up to a shown, painted window. The
// 1,000-dive logbook is made before the measurement, the 50,000-dive one is the benchmarks'
// kept fixture (bench/logbookfixture.h). Peak memory is the whole process's: run one size at a
// time under /usr/bin/time -f %M, against --benchmark_filter=/0 for an empty logbook.
#include "app/demodives.h"
#include "app/mainwindow.h"
#include "logbook/logbookdatabase.h"
#include "logbookfixture.h"

#include <QApplication>
#include <QDir>
#include <QTableView>

#include <benchmark/benchmark.h>

namespace {

QString homeOf(int dives)
{
    return QDir::temp().filePath(QStringLiteral("veltra-startup-%1").arg(dives));
}

// The data folder of a size, made before its measurement.
bool makeHome(int dives)
{
    const QString dataDir = homeOf(dives) + QStringLiteral("/VeltraDesktop");
    const QString file = dataDir + QStringLiteral("/diveDB.db");
    QDir(homeOf(dives)).removeRecursively();
    QDir().mkpath(dataDir);
    if (dives == 50000)
        return QFile::link(BenchFixture::cachedLogbook(dives), file);
    LogbookDatabase& logbook = LogbookDatabase::instance();
    if (logbook.openOrCreate(file) != LogbookDatabase::Success)
        return false;
    for (const DiveProfile& dive : DemoDives::manyDives(dives)) {
        if (logbook.storeDive(dive) != LogbookDatabase::Success)
            return false;
    }
    logbook.close();
    return true;
}

void BM_StartupShownWindow(benchmark::State& state)
{
    const int diveCount = int(state.range(0));
    if (!makeHome(diveCount)) {
        state.SkipWithError("the logbook could not be made");
        return;
    }
    qputenv("XDG_DATA_HOME", homeOf(diveCount).toUtf8());
    for (auto _ : state) {
        MainWindow window;
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(&window);
        state.PauseTiming();
        const int rows
            = window.findChild<QTableView*>(QStringLiteral("diveList"))->model()->rowCount();
        if (rows < diveCount)
            state.SkipWithError("the dive list is not complete");
        // Each start opens the file afresh, SQLite's cache empty.
        LogbookDatabase::instance().close();
        state.ResumeTiming();
    }
    state.counters["dives"] = diveCount;
}
BENCHMARK(BM_StartupShownWindow)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(50000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraDesktop"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
