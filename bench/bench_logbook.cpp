// Logbook speed: storing an hour-long dive, listing thousands of dives (the first listing
// after opening the file included), searching them, their statistics, loading one back.
#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "views/divelistview.h"
#include "widgetbenchmain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableWidget>
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
    static const char* const sites[] = { "Blue Hole", "Coral Garden", "Lagôs Arch", "Wreck Bay" };
    static const char* const buddies[] = { "Ana", "Zoë Martin", "Li", "Tom" };
    dive.site = QString::fromUtf8(sites[number % 4]);
    dive.location = number % 2 ? QStringLiteral("Malta") : QStringLiteral("Portugal");
    dive.buddies
        = { QString::fromUtf8(buddies[number % 4]), QString::fromUtf8(buddies[number % 3]) };
    dive.notes = QStringLiteral("Dive %1: visibility %2 m").arg(number).arg(number % 30);
    dive.tags = { number % 5 ? QStringLiteral("reef") : QStringLiteral("night") };
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
    // A fresh file for every run and repetition: the names below start again from 1.
    const QString path = workDir().filePath(QStringLiteral("store-%1.db").arg(state.range(0)));
    db.close();
    QFile::remove(path);
    if (db.openOrCreate(path) != 0)
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

// Lists the dives the filter keeps once per iteration; the rows listed become a counter.
void listEachIteration(benchmark::State& state, const DiveFilter& filter)
{
    QList<DiveListEntry> entries;
    int groups = 0;
    for (auto _ : state) {
        if (!LogbookDatabase::instance().listDives(filter, entries, groups))
            std::abort();
        benchmark::DoNotOptimize(entries.size());
    }
    state.counters["rows"] = double(entries.size());
}

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
    listEachIteration(state, filter);
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

// What the main window does first: open the file, list every dive newest first and fill the
// table. Each iteration opens the file again, so SQLite starts with an empty page cache (the
// system's file cache stays warm).
void BM_FirstListing(benchmark::State& state)
{
    const int dives = int(state.range(0));
    openLogbook(dives);
    const QString path = LogbookDatabase::instance().fileName();
    QTableWidget table;
    QLabel label;
    QList<DiveListEntry> entries;
    for (auto _ : state) {
        LogbookDatabase& db = LogbookDatabase::instance();
        db.close();
        int groups = 0;
        if (db.openOrCreate(path) != LogbookDatabase::Success
            || !db.listDives(DiveFilter(), entries, groups))
            std::abort();
        if (state.range(1) == 1) {
            sortDiveEntries(entries, DiveSortKey::Date, true);
            DiveListView::fill(table, label, entries, groups, false);
        }
        benchmark::DoNotOptimize(entries.size());
    }
    state.counters["rows"] = double(entries.size());
}
// Second argument: 0 the query alone, 1 with sorting and filling the table.
BENCHMARK(BM_FirstListing)->Args({ 10000, 0 })->Args({ 10000, 1 })->Unit(benchmark::kMillisecond);

void BM_Search(benchmark::State& state)
{
    openLogbook(10000);
    DiveFilter filter;
    const char* const searches[] = { "lagos", "zoe coral", "malta night ana" };
    filter.search = QString::fromLatin1(searches[state.range(0)]);
    listEachIteration(state, filter);
}
// One word, two words, three words (fewer and fewer dives match).
BENCHMARK(BM_Search)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The statistics tab: the listing under the filter and the totals, periods and charts data.
void BM_Statistics(benchmark::State& state)
{
    openLogbook(10000);
    QList<DiveListEntry> entries;
    int groups = 0;
    for (auto _ : state) {
        if (!LogbookDatabase::instance().listDives(DiveFilter(), entries, groups))
            std::abort();
        const DiveStatistics stats = computeStatistics(entries);
        benchmark::DoNotOptimize(stats.totals.dives);
    }
}
BENCHMARK(BM_Statistics)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const int status = runWidgetBenchmarks(argc, argv);
    LogbookDatabase::instance().close();
    return status;
}
