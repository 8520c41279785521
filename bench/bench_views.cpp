// One full repaint of the profile graph for a 2-hour dive sampled every second (7,201 samples),
// as the view paints it: header, axes, grid, water, speed-coloured profile, temperature and
// ceiling curves, into a 1280 x 600 image with antialiasing. Also a zoom step and a scroll step.
#include "dive/diveprofile.h"
#include "planner/divereplay.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/replaylayer.h"
#include "views/tissueheatmap.h"
#include "widgetbenchmain.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>
#include <cmath>

namespace {

DiveProfile twoHourDive()
{
    DiveProfile dive;
    dive.name = QStringLiteral("Bench");
    dive.gases.append(DiveGas());
    for (int t = 0; t <= 7200; ++t) {
        DiveSample s;
        s.time = t;
        double depth;
        if (t < 180)
            depth = 45.0 * t / 180; // 15 m/min down
        else if (t < 3600)
            depth = 40.0 + 5.0 * std::sin(t / 300.0);
        else if (t < 6600)
            depth = 40.0 - 34.0 * (t - 3600) / 3000.0;
        else
            depth = 6.0 * (7200 - t) / 600.0;
        s.depth = depth + 0.2 * std::sin(t / 7.0);
        s.temperature = 22.0 - 0.15 * s.depth;
        s.decoCeiling = t > 2400 && t < 6800 ? 6.0 * std::sin((t - 2400) / 4400.0 * M_PI) : 0;
        s.gasIndex = 0;
        dive.samples.append(s);
    }
    dive.computeStatistics();
    dive.computeSpeeds(false);
    return dive;
}

struct Setup
{
    DiveProfile dive = twoHourDive();
    GraphView view;
    QImage image { 1280, 600, QImage::Format_ARGB32_Premultiplied };
    Setup()
    {
        view.resize(1280, 600);
        view.show();
        QCoreApplication::processEvents();
        view.showProfile(&dive);
    }
    void repaint()
    {
        QPainter painter(&image);
        view.render(&painter);
    }
};

void BM_FullRepaint2hDive(benchmark::State& state)
{
    Setup setup;
    for (auto _ : state) {
        setup.repaint();
        benchmark::DoNotOptimize(setup.image.constBits());
    }
}
BENCHMARK(BM_FullRepaint2hDive)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ZoomedRepaint2hDive(benchmark::State& state)
{
    Setup setup;
    setup.view.profileItem()->zoomAt(false, 8.0, 640);
    for (auto _ : state) {
        setup.repaint();
        benchmark::DoNotOptimize(setup.image.constBits());
    }
}
BENCHMARK(BM_ZoomedRepaint2hDive)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ZoomAndScroll(benchmark::State& state)
{
    Setup setup;
    DiveProfileItem* item = setup.view.profileItem();
    for (auto _ : state) {
        item->zoomAt(false, 1.2, 640);
        item->scrollBy(5);
        item->zoomAt(false, 1 / 1.2, 640);
        item->scrollBy(-5);
    }
}
BENCHMARK(BM_ZoomAndScroll)->Unit(benchmark::kMicrosecond);

// The tissue heat map of the same dive replayed (7,201 samples) drawn across the plot's width,
// 1,230 columns of 16 compartments, as each repaint of the graph does.
void BM_DrawHeatMap2hDive(benchmark::State& state)
{
    const DiveProfile dive = twoHourDive();
    const DiveReplay replay = replayDive(dive, 30, 80);
    QImage image(1280, 600, QImage::Format_ARGB32_Premultiplied);
    const QRectF band(50, 520, 1230, ReplayLayer::bandHeight);
    for (auto _ : state) {
        QPainter painter(&image);
        TissueHeatMap::paint(&painter, band, replay, 0, 7200);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_DrawHeatMap2hDive)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

} // namespace

int main(int argc, char** argv)
{
    return runWidgetBenchmarks(argc, argv);
}
