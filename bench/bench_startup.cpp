// Start-up of the main window on a logbook of 1,000 dives: construction (data
// folder, settings, options, logbook opening, dive list) up to a shown, painted
// window. The logbook is made once, before the measurement.
#include "app/demodives.h"
#include "app/mainwindow.h"
#include "logbook/logbookdatabase.h"

#include <QApplication>
#include <QDir>
#include <QTableWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int DiveCount = 1000;

void BM_StartupShownWindow(benchmark::State& state)
{
    for (auto _ : state) {
        MainWindow window;
        window.show();
        window.repaint();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(&window);
        state.PauseTiming();
        const int rows = window.findChild<QTableWidget*>(QStringLiteral("diveList"))->rowCount();
        if (rows < DiveCount)
            state.SkipWithError("the dive list is not complete");
        state.ResumeTiming();
    }
    state.counters["dives"] = DiveCount;
}
BENCHMARK(BM_StartupShownWindow)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VeltraDesktop"));

    const QString dataDir = home.path() + QStringLiteral("/VeltraDesktop");
    QDir().mkpath(dataDir);
    LogbookDatabase& logbook = LogbookDatabase::instance();
    if (logbook.openOrCreate(dataDir + QStringLiteral("/diveDB.db")) != LogbookDatabase::Success)
        return 1;
    for (const DiveProfile& dive : DemoDives::manyDives(DiveCount)) {
        if (logbook.storeDive(dive) != LogbookDatabase::Success)
            return 1;
    }
    logbook.close();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
