// Reading a UDDF file of 20,000 waypoints (a long dive at 1-second samples); target < 50 ms.
// Two files: one as other dive software exports it, one as this program writes it.
// A logbook export of 500 dives of 720 samples with their loading from the logbook, target
// < 1 s; reading that file against libxml2's parse alone; its import into an empty logbook,
// target < 3 s.
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/uddf.h"
#include "importfixture.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <libxml/parser.h>

namespace {

constexpr int kWaypoints = 20000;

// A long dive as dive software commonly exports it: two-space indentation, depths and kelvin
// temperatures with a few decimals, a gas switch and deco stops now and then.
QByteArray exportedLongDive()
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<uddf xmlns=\"http://www.streit.cc/uddf/3.2/\" version=\"3.2.0\">\n"
                     "  <gasdefinitions>\n"
                     "    <mix id=\"air\"><name>Air</name><o2>0.21</o2><he>0.0</he></mix>\n"
                     "    <mix id=\"ean50\"><name>EAN50</name><o2>0.50</o2><he>0.0</he></mix>\n"
                     "  </gasdefinitions>\n"
                     "  <profiledata>\n"
                     "    <repetitiongroup id=\"rg1\">\n"
                     "      <dive id=\"d1\">\n"
                     "        <informationbeforedive>\n"
                     "          <datetime>2019-03-05T10:22:00</datetime>\n"
                     "        </informationbeforedive>\n"
                     "        <samples>\n";
    char line[400];
    for (int i = 0; i < kWaypoints; ++i) {
        const double depth = 30.0 * std::sin(3.14159 * i / kWaypoints) + 0.1 * (i % 7);
        const char* extra = i == 0     ? "<switchmix ref=\"air\"/>"
            : i == 18000               ? "<switchmix ref=\"ean50\"/>"
            : i % 60 == 0 && i > 12000 ? "<decostop kind=\"mandatory\" decodepth=\"3.0\"/>"
                                       : "";
        std::snprintf(line, sizeof line,
            "          <waypoint>\n"
            "            <depth>%.2f</depth>\n"
            "            <divetime>%d</divetime>\n"
            "            <temperature>%.1f</temperature>%s\n"
            "          </waypoint>\n",
            depth, i, 291.15 + 0.1 * (i % 10), extra);
        doc += line;
    }
    doc += "        </samples>\n      </dive>\n    </repetitiongroup>\n  </profiledata>\n</uddf>\n";
    return doc;
}

// The same length of dive as this program writes it (indented layout, 17-digit numbers).
QByteArray writtenLongDive()
{
    DiveProfile dive;
    dive.name = QStringLiteral("Long dive");
    dive.computer = QStringLiteral("Veltra");
    dive.serial = QStringLiteral("1234-5678-9012-3");
    dive.dateTime = 1551781320;
    for (int g = 0; g < 3; ++g) {
        DiveGas gas;
        gas.id = QString::number(g);
        gas.o2 = 21 + 20 * g;
        dive.gases.append(gas);
    }
    for (int i = 0; i < kWaypoints; ++i) {
        DiveSample s;
        s.time = i;
        s.depth = 30.0 * std::sin(3.14159 * i / kWaypoints) + 0.1 * (i % 7);
        s.temperature = 18.0 + 0.001 * (i % 100);
        s.gasIndex = i < 15000 ? 0 : (i < 18000 ? 1 : 2);
        s.cns = i * 0.001;
        s.decoCeiling = i > 12000 ? 3.0 : 0.0;
        dive.samples.append(s);
    }
    return UDDF::toDocument(dive);
}

void readUddf(benchmark::State& state, QByteArray (*make)())
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("long.uddf"));
    QFile file(path);
    const QByteArray document = make();
    if (!file.open(QIODevice::WriteOnly) || file.write(document) != document.size()) {
        state.SkipWithError("cannot write the test file");
        return;
    }
    file.close();
    for (auto _ : state) {
        DiveProfile dive;
        UDDF reader;
        if (!reader.read(path, dive) || dive.samples.size() < kWaypoints) {
            state.SkipWithError("read failed");
            return;
        }
        benchmark::DoNotOptimize(dive.samples.constData());
    }
    state.counters["bytes"] = double(document.size());
}

// The floor of reading: libxml2 parsing the document into a tree and freeing it, what
// "xmllint --noout" does. The reader must not take longer.
void parseXmlOnly(benchmark::State& state, QByteArray (*make)())
{
    const QByteArray document = make();
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadMemory(
            document.constData(), int(document.size()), nullptr, nullptr, XML_PARSE_NONET);
        if (!doc) {
            state.SkipWithError("parse failed");
            return;
        }
        xmlFreeDoc(doc);
    }
}

// 500 dives of one hour at 5-second samples (720 each) on air and EAN50, two computers.
QList<DiveProfile> logbookOf500()
{
    QList<DiveProfile> dives;
    DiveGas air;
    DiveGas nx50;
    nx50.o2 = 50;
    for (int d = 0; d < 500; ++d) {
        DiveProfile dive;
        dive.name = QStringLiteral("Dive %1").arg(d + 1);
        dive.computer = d % 2 ? QStringLiteral("Veltra") : QStringLiteral("Tarsk");
        dive.serial = d % 2 ? QStringLiteral("V-1") : QStringLiteral("T-2");
        dive.dateTime = 1600000000 + qint64(d) * 86400;
        dive.gases = { air, nx50 };
        dive.tanks = { { 0, 200, 70 }, { 1, 200, 150 } };
        dive.site = QStringLiteral("Site %1").arg(d % 40);
        dive.buddies = { QStringLiteral("Anna Berg") };
        for (int i = 0; i < 720; ++i) {
            DiveSample s;
            s.time = 5.0 * i;
            s.depth = 25.0 * std::sin(3.14159 * i / 720.0) + 0.001 * d; // no two dives alike
            s.temperature = 16.0 + 0.01 * (i % 50);
            s.gasIndex = i < 600 ? 0 : 1;
            s.cns = 0.02 * i;
            dive.samples.append(s);
        }
        dives.append(dive);
    }
    return dives;
}

// The 500 dives' file, written once into the build folder (also for the command-line figures
// of the README).
QString logbookFile()
{
    const QString path = QStringLiteral(VELTRA_BENCH_CACHE "/logbook-500.uddf");
    if (!QFile::exists(path)) {
        QDir().mkpath(QStringLiteral(VELTRA_BENCH_CACHE));
        if (!exportDives(logbookOf500(), path))
            std::abort();
    }
    return path;
}

// What a user waits for in "logbook export --all": every dive loaded from the logbook, then
// written into one file.
void exportLogbook(benchmark::State& state)
{
    QTemporaryDir dir;
    LogbookDatabase& logbook = LogbookDatabase::instance();
    if (logbook.openOrCreate(dir.filePath(QStringLiteral("500.db"))) != LogbookDatabase::Success)
        std::abort();
    QList<DiveProfile> dives = logbookOf500();
    QList<int> ids;
    for (const LogbookDatabase::ImportOutcome& outcome : logbook.importDives(dives))
        ids << outcome.id;
    const QString path = dir.filePath(QStringLiteral("logbook.uddf"));
    for (auto _ : state) {
        QList<DiveProfile> loaded;
        for (const int id : ids) {
            DiveProfile dive;
            if (!logbook.loadDive(id, dive))
                std::abort();
            loaded.append(std::move(dive));
        }
        QString error;
        if (!exportDives(loaded, path, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
    logbook.close();
}

// Reading the 500 dives' file, against the parse alone of the same file.
void readLogbookFile(benchmark::State& state)
{
    const QString path = logbookFile();
    for (auto _ : state) {
        if (state.range(0) == 1) {
            xmlDocPtr doc = xmlReadFile(QFile::encodeName(path).constData(), nullptr, 0);
            if (!doc)
                std::abort();
            xmlFreeDoc(doc);
            continue;
        }
        DiveFileContent content = readDiveFile(path);
        if (content.dives.size() != 500)
            std::abort();
    }
}

void importLogbook(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = logbookFile();
    BenchFixture::importIntoEmptyLogbooks(state, dir, path, 500);
}

BENCHMARK(exportLogbook)->Unit(benchmark::kMillisecond);
// 0: the reader, 1: the parse alone (xmllint --noout's work).
BENCHMARK(readLogbookFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(importLogbook)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(readUddf, exported, exportedLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readUddf, written, writtenLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseXmlOnly, exported, exportedLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseXmlOnly, written, writtenLongDive)->Unit(benchmark::kMillisecond);

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
