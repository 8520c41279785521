// Reading a long CSV dive: the file read, the decoding of 100,000 sample lines, then the
// statistics and speeds that every load computes.
#include "dive/diveprofile.h"
#include "fileio/csvfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cstdio>

namespace {

constexpr int LineCount = 100000;

QByteArray makeCsv()
{
    QByteArray out;
    out.reserve(LineCount * 100);
    out.append(
        "Time\tDepth\tc2\tc3\tc4\tc5\tc6\tc7\tc8\tc9\tc10\tc11\tc12\tc13\tc14\tTemp\tOTU\tCNS"
        "\tCeiling\tGF\n");
    char line[256];
    for (int i = 0; i < LineCount; ++i) {
        const double depth
            = 20.0 + 15.0 * ((i % 400) < 200 ? (i % 200) / 200.0 : 1 - (i % 200) / 200.0);
        const int n = std::snprintf(line, sizeof line,
            "%d\t%.2f\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t%.1f\t%.2f\t%.2f\t%.1f\t%.1f\n",
            i * 2, depth, 14.5 + (i % 7) * 0.1, i * 0.01, i * 0.001, (i % 50) * 0.1,
            40.0 + (i % 30));
        out.append(line, n);
    }
    return out;
}

struct CsvFixture
{
    QTemporaryDir dir;
    QString path;
    QByteArray bytes;
    CsvFixture()
    {
        bytes = makeCsv();
        path = dir.filePath("long.csv");
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::abort();
    }
};

CsvFixture& fixture()
{
    static CsvFixture f;
    return f;
}

void BM_LoadCsv100k(benchmark::State& state)
{
    const QString path = fixture().path;
    for (auto _ : state) {
        DiveProfile dive;
        if (!readFirstDive(path, dive))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(dive.meanDepth);
        if (dive.samples.size() != LineCount)
            state.SkipWithError("wrong sample count");
    }
    state.SetBytesProcessed(state.iterations() * fixture().bytes.size());
}
BENCHMARK(BM_LoadCsv100k)->Unit(benchmark::kMillisecond);

void BM_ParseCsv100k(benchmark::State& state)
{
    const QByteArray& bytes = fixture().bytes;
    for (auto _ : state) {
        QList<DiveSample> samples = CsvFile::parseSamples(bytes);
        benchmark::DoNotOptimize(samples.data());
    }
}
BENCHMARK(BM_ParseCsv100k)->Unit(benchmark::kMillisecond);

void BM_StatisticsAndSpeeds100k(benchmark::State& state)
{
    DiveProfile dive;
    dive.samples = CsvFile::parseSamples(fixture().bytes);
    for (auto _ : state) {
        dive.computeStatistics();
        dive.computeSpeeds(false);
        benchmark::DoNotOptimize(dive.meanDepth);
    }
}
BENCHMARK(BM_StatisticsAndSpeeds100k)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
