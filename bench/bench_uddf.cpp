// Reading a UDDF file of 20,000 waypoints (a long dive at 1-second samples); target < 50 ms.
// Two files: one as other dive software exports it, one as this program writes it.
#include "dive/diveprofile.h"
#include "fileio/uddf.h"
#include "fileio/xmlpathdocument.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>

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

// The XML parse alone, for comparison: what the path layer and the reader add on top.
void parseXmlOnly(benchmark::State& state, QByteArray (*make)())
{
    const QByteArray document = make();
    for (auto _ : state) {
        XmlPathDocument doc;
        if (!doc.loadFromData(document, "uddf")) {
            state.SkipWithError("parse failed");
            return;
        }
        benchmark::DoNotOptimize(doc.root());
    }
}

BENCHMARK_CAPTURE(readUddf, exported, exportedLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(readUddf, written, writtenLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseXmlOnly, exported, exportedLongDive)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(parseXmlOnly, written, writtenLongDive)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
