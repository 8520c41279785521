// Logbook speed with sites and trips: the first listing of 50,000 dives in trips, their
// statistics, and 100 dives printed as logbook pages.
#include "dive/diveprofile.h"
#include "dive/manualdive.h"
#include "logbook/divecounts.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "logbookfixture.h"
#include "planner/logbookpages.h"
#include "views/divelistview.h"
#include "widgetbenchmain.h"

#include <QDir>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>

namespace {

constexpr qint64 firstDay = 1577836800; // 2020-01-01 00:00 UTC

// Kept between runs with the other benchmarks' logbooks (bench/logbookfixture.h).
QDir workDir()
{
    return BenchFixture::cacheDir();
}

// Dive n: two dives a day, ten dives a trip, one of 200 sites, a 12-litre cylinder (so that
// each has an air use); hourLong gives it an hour of samples every 5 s, otherwise the simple
// profile of a dive logged by hand.
DiveProfile dive(int n, bool hourLong)
{
    ManualDive numbers;
    numbers.start = firstDay + qint64(n) * 12 * 3600;
    numbers.durationS = 2400 + (n % 40) * 60;
    numbers.maxDepthM = 10 + n % 30;
    numbers.cylinderL = 12;
    numbers.startBar = 200;
    numbers.endBar = 60 + n % 40;
    DiveProfile d = manualDiveProfile(numbers);
    if (hourLong) {
        d.samples.clear();
        for (int i = 0; i < 720; ++i) {
            DiveSample s;
            s.time = i * 5.0;
            s.depth = 30.0 * std::sin(M_PI * i / 720) + (n % 7) * 0.1;
            s.temperature = 18.0 - s.depth / 10.0;
            s.gasIndex = 0;
            s.tankPressureBar = float(200.0 - i * 0.2);
            d.samples << s;
        }
        d.computeStatistics();
    }
    d.name = QString::number(n);
    d.computer = QStringLiteral("Veltra");
    d.serial = QStringLiteral("SN%1").arg(n % 3);
    d.site = QStringLiteral("Site %1").arg(n % 200);
    d.location = QStringLiteral("Region %1").arg(n % 20);
    d.trip = QStringLiteral("Trip %1").arg(n / 10);
    d.buddies = { QStringLiteral("Buddy %1").arg(n % 50) };
    return d;
}

void openLogbook(const QString& name, int dives, bool hourLong)
{
    const QString path = workDir().filePath(name);
    LogbookDatabase& db = LogbookDatabase::instance();
    if (db.fileName() == path)
        return;
    if (db.openOrCreate(path) != LogbookDatabase::Success)
        std::abort();
    if (db.findDive(QString::number(dives - 1), QStringLiteral("SN%1").arg((dives - 1) % 3)) >= 0)
        return;
    QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA synchronous=OFF"));
    // Stored one by one with their numbers given: the same-dive check and the numbering of an
    // import look for neighbours by date, which this fixture need not pay for.
    for (int i = 0; i < dives; ++i) {
        DiveProfile d = dive(i, hourLong);
        d.number = i + 1;
        if (db.storeDive(d) != LogbookDatabase::Success)
            std::abort();
    }
    QSqlQuery(QSqlDatabase::database()).exec(QStringLiteral("PRAGMA synchronous=FULL"));
}

// What the main window does first: open the file, list every dive (trip, site, air use and
// gases included), sort them newest first, group them by trip and draw the list's first screen,
// every column shown. The file is opened again each time: SQLite starts with an empty cache.
void BM_FirstListingWithTrips(benchmark::State& state)
{
    openLogbook(QStringLiteral("trips-50000.db"), 50000, false);
    const QString path = LogbookDatabase::instance().fileName();
    QTableView table;
    table.resize(900, 700);
    QLabel label;
    QList<DiveListEntry> entries;
    for (auto _ : state) {
        BenchFixture::reopenAndList(path, entries);
        if (state.range(0) == 1) {
            sortDiveEntries(entries, DiveSortKey::Date, true);
            DiveListView::sortByTrip(entries);
            DiveListView::fillByTrip(table, label, entries);
            benchmark::DoNotOptimize(table.grab().width());
        }
        benchmark::DoNotOptimize(entries.size());
    }
    state.counters["rows"] = double(entries.size());
}
// Argument: 0 the query alone, 1 with sorting, grouping and drawing the list.
BENCHMARK(BM_FirstListingWithTrips)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The Statistics tab over 50,000 dives: the listing, the totals and periods, the counts per
// site and buddy, durations and air use.
void BM_StatisticsWithPlaces(benchmark::State& state)
{
    openLogbook(QStringLiteral("trips-50000.db"), 50000, false);
    QList<DiveListEntry> entries;
    int groups = 0;
    for (auto _ : state) {
        if (!LogbookDatabase::instance().listDives(DiveFilter(), entries, groups))
            std::abort();
        const DiveStatistics stats = computeStatistics(entries);
        const DiveCounts counts = computeDiveCounts(entries);
        benchmark::DoNotOptimize(stats.totals.dives + counts.sites.size());
    }
}
BENCHMARK(BM_StatisticsWithPlaces)->Unit(benchmark::kMillisecond);

// Printing 100 hour-long dives (720 samples each): loading them and writing the PDF.
void BM_Print100Dives(benchmark::State& state)
{
    openLogbook(QStringLiteral("print-100.db"), 100, true);
    qsizetype bytes = 0;
    for (auto _ : state) {
        QList<DiveProfile> dives;
        for (int id = 1; id <= 100; ++id) {
            DiveProfile d;
            if (!LogbookDatabase::instance().loadDive(id, d))
                std::abort();
            dives << std::move(d);
        }
        bytes = logbookPdf(dives).size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_Print100Dives)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    const int status = runWidgetBenchmarks(argc, argv);
    LogbookDatabase::instance().close();
    return status;
}
