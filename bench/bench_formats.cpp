// Other programs' logbooks: a Subsurface logbook of 2,000 dives of 720 samples read (target
// <= 1 s) and imported into an empty logbook (read, same-dive checks, one write; <= 6 s), and a
// FIT dive of 5,000 records read (<= 20 ms).
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/fitfile.h"
#include "fileio/subsurfacexml.h"
#include "importfixture.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kDives = 2000;
constexpr int kSamples = 720;

// As Subsurface writes a logbook: a site per dive, one cylinder, one computer; samples 10 s
// apart with depth on each, temperature on every tenth and tank pressure on every fifth.
QByteArray subsurfaceLogbook()
{
    QByteArray doc = "<divelog program='subsurface' version='3'>\n<divesites>\n";
    char line[320];
    for (int d = 0; d < kDives; ++d) {
        std::snprintf(line, sizeof line, "<site uuid='%08x' name='Site %d' gps='%.6f %.6f'/>\n",
            d + 1, d, 10 + d * 0.001, 20 + d * 0.001);
        doc += line;
    }
    doc += "</divesites>\n<dives>\n";
    for (int d = 0; d < kDives; ++d) {
        std::snprintf(line, sizeof line,
            "<dive number='%d' divesiteid='%08x' date='%d-%02d-%02d' time='%02d:%02d:00' "
            "duration='120:00 min'>\n  <buddy>Ana</buddy>\n  <cylinder size='12.0 l' "
            "workpressure='232.0 bar' o2='32.0%%' start='220.0 bar' end='60.0 bar' />\n"
            "  <divecomputer model='Reefy' deviceid='abcd0001'>\n  <depth max='30.0 m' />\n",
            d + 1, d + 1, 2015 + d / 300, 1 + (d / 25) % 12, 1 + d % 25, 8 + d % 10, d % 60);
        doc += line;
        for (int s = 0; s < kSamples; ++s) {
            const int t = s * 10;
            // Each dive its own depth, so that none is taken for another.
            const double depth
                = (20.0 + 0.01 * d) * std::sin(3.14159 * s / kSamples) + 0.01 * (s % 7);
            int n = std::snprintf(line, sizeof line, "  <sample time='%d:%02d min' depth='%.2f m'",
                t / 60, t % 60, depth);
            if (s % 10 == 0)
                n += std::snprintf(
                    line + n, sizeof line - n, " temp='%.1f C'", 18 + 0.1 * (s % 20));
            if (s % 5 == 0)
                n += std::snprintf(
                    line + n, sizeof line - n, " pressure0='%.1f bar'", 220 - s * 0.2);
            std::snprintf(line + n, sizeof line - n, " />\n");
            doc += line;
        }
        doc += "  </divecomputer>\n</dive>\n";
    }
    doc += "</dives>\n</divelog>\n";
    return doc;
}

void readSubsurface(benchmark::State& state)
{
    const QByteArray doc = subsurfaceLogbook();
    for (auto _ : state) {
        DiveFileContent content;
        SubsurfaceXml::parse(doc, content);
        if (content.dives.size() != kDives) {
            state.SkipWithError("not every dive was read");
            return;
        }
        benchmark::DoNotOptimize(content);
    }
    state.counters["MiB"] = double(doc.size()) / (1024 * 1024);
}

void importSubsurface(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("logbook.ssrf"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(subsurfaceLogbook()) <= 0) {
        state.SkipWithError("cannot write the logbook file");
        return;
    }
    file.close();
    BenchFixture::importIntoEmptyLogbooks(state, dir, path, kDives);
}

// A little-endian FIT activity: file_id, a gas, 5,000 records one second apart with depth and
// temperature, a session; the CRC is left out (a reader checks it only when present).
QByteArray fitOf5000()
{
    QByteArray data;
    const auto put = [&data](quint32 value, int size) {
        for (int i = 0; i < size; ++i)
            data += char((value >> (8 * i)) & 0xFF);
    };
    const auto define = [&](int local, int global, std::initializer_list<std::array<int, 3>> f) {
        data += char(0x40 | local);
        data += '\0';
        data += '\0';
        put(quint32(global), 2);
        data += char(f.size());
        for (const auto& field : f)
            for (int b : field)
                data += char(b);
    };
    const quint32 t0 = 1000000000;
    define(0, 0, { { 1, 2, 0x84 }, { 2, 2, 0x84 }, { 4, 4, 0x86 } });
    data += '\0';
    put(1, 2);
    put(2859, 2);
    put(t0, 4);
    define(1, 259, { { 254, 2, 0x84 }, { 0, 1, 2 }, { 1, 1, 2 }, { 2, 1, 0 } });
    data += char(1);
    put(0, 2);
    put(0, 1);
    put(32, 1);
    put(1, 1);
    define(2, 20, { { 253, 4, 0x86 }, { 92, 4, 0x86 }, { 13, 1, 1 } });
    for (quint32 i = 0; i < 5000; ++i) {
        data += char(2);
        put(t0 + i, 4);
        put(quint32(30000 * std::sin(3.14159 * i / 5000)), 4);
        put(20, 1);
    }
    QByteArray header(14, '\0');
    header[0] = 14;
    header[1] = 0x20;
    for (int i = 0; i < 4; ++i)
        header[4 + i] = char((data.size() >> (8 * i)) & 0xFF);
    header.replace(8, 4, ".FIT");
    return header + data;
}

void readFit(benchmark::State& state)
{
    const QByteArray file = fitOf5000();
    for (auto _ : state) {
        DiveFileContent content;
        if (FitFile::parseData(file, content) != FitFile::Status::Ok
            || content.dives.constFirst().samples.size() != 5000) {
            state.SkipWithError("the FIT dive was not read whole");
            return;
        }
        benchmark::DoNotOptimize(content);
    }
}

BENCHMARK(readSubsurface)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(importSubsurface)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(readFit)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The logbook's SQLite driver needs an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
