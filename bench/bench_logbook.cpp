// Logbook speed: storing and importing hour-long dives into small and large logbooks, listing
// thousands of dives (the first listing after opening the file included), searching them, their
// statistics, loading one back.
#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "logbookfixture.h"
#include "views/divelistview.h"
#include "widgetbenchmain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace {

using BenchFixture::computers;
using BenchFixture::firstDay;
using BenchFixture::hourDive;

// Opens the cached logbook of n fixture dives (made on first use).
void openLogbook(int dives)
{
    const QString path = BenchFixture::cachedLogbook(dives);
    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.fileName() == path)
        return;
    db.close();
    if (db.openOrCreate(path) != LogbookDatabase::Success)
        std::abort();
}

// One dive stored into a logbook of n dives, every commit synced to disk as the program does:
// the time must not grow with the logbook.
void BM_StoreDive(benchmark::State& state)
{
    const int stored = int(state.range(0));
    openLogbook(stored);
    LogbookDatabase& db = LogbookDatabase::instance();
    int number = stored;
    for (auto _ : state) {
        if (db.storeDive(hourDive(number++)) != LogbookDatabase::Success)
            std::abort();
    }
    BenchFixture::removeDivesAfter(stored);
}
BENCHMARK(BM_StoreDive)->Arg(0)->Arg(50000)->Unit(benchmark::kMillisecond)->Iterations(100);

// The rows of dives as plain INSERT statements write them: dives, gases and samples.
struct PlainRows
{
    QList<QVariantList> dives = QList<QVariantList>(14);
    QList<QVariantList> gases = QList<QVariantList>(4);
    QList<QVariantList> samples = QList<QVariantList>(12);
};

PlainRows plainRows(const QList<DiveProfile>& dives, int firstId)
{
    PlainRows rows;
    int id = firstId;
    for (const DiveProfile& d : dives) {
        const QVariantList dive { id, d.name, d.computer, d.dateTime, d.serial, 0, 80, 80, 0, 1013,
            5, 0, 0, QString() };
        for (int c = 0; c < dive.size(); ++c)
            rows.dives[c] << dive.at(c);
        for (int g = 0; g < d.gases.size(); ++g) {
            const QVariantList gas { id, g + 1, d.gases.at(g).o2, d.gases.at(g).he };
            for (int c = 0; c < gas.size(); ++c)
                rows.gases[c] << gas.at(c);
        }
        for (int i = 0; i < d.samples.size(); ++i) {
            const DiveSample& s = d.samples.at(i);
            const QVariantList sample { id, i, s.time, s.depth, s.temperature, s.otu, s.cns,
                s.decoCeiling, s.gradientFactor, int(s.alertFlags),
                QByteArray(reinterpret_cast<const char*>(s.tissues), 16), s.gasIndex + 1 };
            for (int c = 0; c < sample.size(); ++c)
                rows.samples[c] << sample.at(c);
        }
        ++id;
    }
    return rows;
}

// The floor an import is measured against: the same rows in one transaction, one prepared
// statement per table run over all its rows (execBatch, Qt's executemany).
void plainInsert(const PlainRows& rows)
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery q(db);
    BenchFixture::mustRun(q, QStringLiteral("BEGIN"));
    const std::pair<const char*, const QList<QVariantList>*> tables[]
        = { { "dives", &rows.dives }, { "gases", &rows.gases }, { "profiles", &rows.samples } };
    for (const auto& [table, columns] : tables) {
        const QStringList marks(columns->size(), QStringLiteral("?"));
        if (!q.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)")
                           .arg(QLatin1String(table), marks.join(QLatin1Char(',')))))
            std::abort();
        for (const QVariantList& column : *columns)
            q.addBindValue(column);
        if (!q.execBatch()) {
            std::fprintf(stderr, "%s\n", qPrintable(q.lastError().text()));
            std::abort();
        }
    }
    BenchFixture::mustRun(q, QStringLiteral("COMMIT"));
}

// 500 dives of 720 samples imported into a logbook of n dives (same-dive checks, names,
// numbers, details, one write), against the plain insert of the same rows into the same
// logbook, the two alternated in every iteration. The time shown is the import's; "floor_s"
// is the plain insert's and "ratio" the import's over it.
void BM_ImportIntoLogbook(benchmark::State& state)
{
    const int stored = int(state.range(0));
    openLogbook(stored);
    QList<DiveProfile> dives;
    for (int i = 0; i < 500; ++i)
        dives << hourDive(stored + i);
    const PlainRows rows = plainRows(dives, stored + 1);
    double importS = 0;
    double floorS = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        plainInsert(rows);
        floorS += timer.nsecsElapsed() / 1e9;
        BenchFixture::removeDivesAfter(stored);
        QList<DiveProfile> batch = dives;
        timer.restart();
        const QList<LogbookDatabase::ImportOutcome> outcomes
            = LogbookDatabase::instance().importDives(batch);
        const double seconds = timer.nsecsElapsed() / 1e9;
        state.SetIterationTime(seconds);
        importS += seconds;
        for (const LogbookDatabase::ImportOutcome& outcome : outcomes) {
            if (outcome.code != LogbookDatabase::Success) {
                std::fprintf(stderr, "import: %d %s\n", outcome.code, qPrintable(outcome.error));
                std::abort();
            }
        }
        BenchFixture::removeDivesAfter(stored);
    }
    state.counters["floor_s"] = benchmark::Counter(floorS, benchmark::Counter::kAvgIterations);
    state.counters["ratio"] = importS / floorS;
}
BENCHMARK(BM_ImportIntoLogbook)
    ->Arg(0)
    ->Arg(50000)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);

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
    QTableView table;
    table.resize(900, 700);
    QLabel label;
    QList<DiveListEntry> entries;
    for (auto _ : state) {
        const int groups = BenchFixture::reopenAndList(path, entries);
        if (state.range(1) == 1) {
            sortDiveEntries(entries, DiveSortKey::Date, true);
            DiveListView::fill(table, label, entries, groups, false);
            benchmark::DoNotOptimize(table.grab().width());
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

// What "logbook stats --by month" computes, in SQL, over 10,000 and 50,000 dives.
void BM_StatisticsSql(benchmark::State& state)
{
    openLogbook(int(state.range(0)));
    for (auto _ : state) {
        DiveStatistics stats;
        if (!LogbookDatabase::instance().statistics(DiveFilter(), stats))
            std::abort();
        benchmark::DoNotOptimize(stats.totals.dives);
    }
}
BENCHMARK(BM_StatisticsSql)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const int status = runWidgetBenchmarks(argc, argv);
    LogbookDatabase::instance().close();
    return status;
}
