// Logbook speed: storing an hour-long dive, listing thousands of dives, loading one back.
#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

constexpr int samplesPerDive = 720; // one hour at 5 s
const char* const computers[] = { "Veltra A", "Veltra B", "Veltra C", "Veltra D", "Veltra E" };
constexpr qint64 firstDay = 1640995200; // 2022-01-01 00:00 UTC

DiveProfile hourDive(int number)
{
    DiveProfile dive;
    dive.name = QString::number(number);
    dive.computer = QString::fromLatin1(computers[number % 5]);
    dive.serial = QStringLiteral("SN%1").arg(number % 5);
    dive.dateTime = firstDay + qint64(number) * 6 * 3600;
    DiveGas air;
    DiveGas nitrox;
    nitrox.o2 = 50;
    dive.gases = { air, nitrox };
    dive.samples.reserve(samplesPerDive);
    for (int i = 0; i < samplesPerDive; ++i) {
        DiveSample s;
        s.time = i * 5.0;
        s.depth = 30.0 * std::sin(M_PI * i / samplesPerDive) + (number % 7) * 0.1;
        s.temperature = 18.0 - s.depth / 10.0;
        s.otu = i * 0.05;
        s.cns = i * 0.02;
        s.gradientFactor = 0.4;
        s.gasIndex = i < 600 ? 0 : 1;
        for (int t = 0; t < 16; ++t)
            s.tissues[t] = quint8(i + t);
        dive.samples.append(s);
    }
    return dive;
}

// VELTRA_BENCH_DIR keeps the logbooks between runs; otherwise they go to a temporary folder.
QDir workDir()
{
    static QTemporaryDir temporary(QDir::tempPath() + QStringLiteral("/bench_logbook_XXXXXX"));
    const QString kept = qEnvironmentVariable("VELTRA_BENCH_DIR");
    return QDir(kept.isEmpty() ? temporary.path() : kept);
}

// Logbooks of n dives, built once per size and reopened for each benchmark.
void openLogbook(int dives)
{
    static std::map<int, bool> built;
    const QString path = workDir().filePath(QStringLiteral("logbook-%1.db").arg(dives));
    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.fileName() == path)
        return;
    if (db.openOrCreate(path) != LogbookDatabase::Success)
        std::abort();
    const QString last = QString::number(dives - 1);
    if (built[dives] || db.findDive(last, QStringLiteral("SN%1").arg((dives - 1) % 5)) >= 0)
        return;
    // Building the fixture need not survive a power cut: skip the syncs, then restore them.
    QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA synchronous=OFF"));
    for (int i = 0; i < dives; ++i) {
        const int result = db.storeDive(hourDive(i));
        if (result != LogbookDatabase::Success && result != LogbookDatabase::DuplicateDive)
            std::abort();
    }
    QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA synchronous=FULL"));
    built[dives] = true;
}

void BM_StoreDive(benchmark::State& state)
{
    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.openOrCreate(workDir().filePath(QStringLiteral("store-%1.db").arg(state.range(0)))) != 0)
        std::abort();
    // Argument 0: the default, every commit synced to disk; 1: no syncs, to show what the
    // disk's sync latency costs on this machine.
    if (state.range(0) == 1)
        QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA synchronous=OFF"));
    DiveProfile dive = hourDive(0);
    int number = 0;
    for (auto _ : state) {
        dive.name = QStringLiteral("store %1").arg(++number);
        if (db.storeDive(dive) != LogbookDatabase::Success)
            std::abort();
    }
    db.close();
}
BENCHMARK(BM_StoreDive)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_ListDives(benchmark::State& state)
{
    openLogbook(int(state.range(0)));
    DiveFilter filter;
    if (state.range(1) >= 1) {
        filter.byComputer = true;
        filter.computers = { QString::fromLatin1(computers[1]), QString::fromLatin1(computers[3]) };
    }
    if (state.range(1) >= 2) {
        filter.byDate = true;
        filter.from = QDateTime::fromSecsSinceEpoch(firstDay + 100 * 86400);
        filter.hasTo = true;
        filter.to = QDateTime::fromSecsSinceEpoch(firstDay + 1000 * 86400);
    }
    QList<DiveListEntry> entries;
    int groups = 0;
    for (auto _ : state) {
        if (!LogbookDatabase::instance().listDives(filter, entries, groups))
            std::abort();
        benchmark::DoNotOptimize(entries.size());
    }
    state.counters["rows"] = double(entries.size());
}
// Second argument: 0 no filter, 1 two computers, 2 two computers and a date range.
BENCHMARK(BM_ListDives)
    ->Args({ 1000, 0 })
    ->Args({ 10000, 0 })
    ->Args({ 10000, 1 })
    ->Args({ 10000, 2 })
    ->Unit(benchmark::kMillisecond);

void BM_LoadDive(benchmark::State& state)
{
    openLogbook(10000);
    DiveProfile dive;
    int id = 1;
    for (auto _ : state) {
        if (!LogbookDatabase::instance().loadDive(id, dive))
            std::abort();
        id = (id + 996) % 10000 + 1;
        benchmark::DoNotOptimize(dive.maxDepth);
    }
}
BENCHMARK(BM_LoadDive)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    LogbookDatabase::instance().close();
    return 0;
}
