#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/manualdive.h"
#include "dive/profilesource.h"
#include "dive/units.h"
#include "testdives.h"
#include "views/divepoint.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/pressurecurve.h"
#include "views/profilereadout.h"
#include "views/profilescales.h"
#include "views/replaylayer.h"
#include "views/tissueheatmap.h"

#include <QtTest>
#include <QtWidgets>

#include <cmath>
#include <memory>

using Points = QList<QPair<double, double>>;

namespace {

bool near(double a, double b, double tolerance = 1e-9)
{
    return std::abs(a - b) <= tolerance;
}

const Points kTriangle { { 0, 0 }, { 600, 20 }, { 1200, 0 } };
const Points kBox { { 0, 0 }, { 120, 20 }, { 600, 20 }, { 720, 0 } };
const QColor kBackground(242, 242, 230);

struct MarkRow
{
    int flags;
    double prevCeiling, step;
    bool ascentStart;
    int previousGas, gas;
    QStringList marks;
};
struct DragRow
{
    int index;
    double proposedTime, proposedDepth, time, depth;
};

// A shown dive. At 800 x 400 the plot is left 50, top 30, width 710, height 320, bottom 350.
struct Fixture
{
    GraphView view;
    DiveProfile dive;

    explicit Fixture(
        const Points& points = kTriangle, bool editable = false, QSize size = { 800, 400 })
        : dive(diveFromPoints(points))
    {
        view.resize(size);
        view.show();
        (void)QTest::qWaitForWindowExposed(&view);
        view.profileItem()->editable = editable ? 1 : 0;
        view.showProfile(&dive);
    }
    DiveProfileItem* item() { return view.profileItem(); }

    // A mouse event on the viewport; `button` is held from a press until its release.
    void mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::NoButton,
        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* vp = view.viewport();
        QMouseEvent event(type, QPointF(pos), QPointF(vp->mapToGlobal(pos)),
            type == QEvent::MouseMove ? Qt::NoButton : button,
            type == QEvent::MouseButtonRelease ? Qt::MouseButtons() : Qt::MouseButtons(button),
            modifiers);
        QCoreApplication::sendEvent(vp, &event);
    }

    DivePoint* pointAt(int index)
    {
        for (DivePoint* p : item()->divePoints())
            if (p->index() == index)
                return p;
        return nullptr;
    }

    // The samples as "time/depth" pairs.
    QString points() const
    {
        QStringList out;
        for (const DiveSample& s : dive.samples)
            out << QString("%1/%2").arg(s.time).arg(s.depth);
        return out.join(' ');
    }

    // One point item per sample, each on its sample.
    bool pointsOnSamples()
    {
        QSet<int> indexes;
        for (DivePoint* p : item()->divePoints()) {
            if (p->index() < 0 || p->index() >= dive.samples.size())
                return false;
            const DiveSample& s = dive.samples.at(p->index());
            if (QLineF(p->pos(), item()->mapToScene(s.time, s.depth)).length() > 1e-6)
                return false;
            indexes << p->index();
        }
        return indexes.size() == dive.samples.size();
    }
};

// Whether a pixel within `spread` rows of the profile at one of the times is red.
bool redAlong(const QImage& image, DiveProfileItem* item, const DiveProfile& dive, double from,
    double to, int spread = 1)
{
    for (double t = from; t <= to; t += 1) {
        const QPointF p = item->mapToScene(t, dive.depthAt(t));
        for (int dy = -spread; dy <= spread; ++dy) {
            const QColor c = image.pixelColor(int(p.x()), int(p.y()) + dy);
            if (c.red() > 200 && c.green() < 70 && c.blue() < 70)
                return true;
        }
    }
    return false;
}

} // namespace

// Exposes the drop handler: synthetic drop events need a drag in progress to be delivered.
class DropView : public GraphView
{
public:
    using GraphView::dropEvent;
};

class TestProfileGraph : public QObject
{
    Q_OBJECT

private slots:
    void pressureCurveOfLoggedDive()
    {
        DiveProfile dive;
        for (int t = 0; t <= 60; t += 20) {
            DiveSample s;
            s.time = t;
            s.depth = t == 0 || t == 60 ? 0 : 10;
            dive.samples << s;
        }
        // Nothing recorded: no curve.
        QVERIFY(pressureCurve(dive).points.isEmpty());
        // Start and end pressures only: a straight line over the dive, the axis up to 250 bar.
        dive.tanks = { { 0, 210, 90, 12, 0 } };
        DiveProfileItem::SecondaryCurve curve = pressureCurve(dive);
        QCOMPARE(curve.points, QPolygonF({ { 0, 210 }, { 60, 90 } }));
        QCOMPARE(curve.top, 250.0);
        // Recorded pressures win, a sample without one (0) is left out.
        dive.samples[1].tankPressureBar = 180;
        dive.samples[3].tankPressureBar = 150;
        curve = pressureCurve(dive);
        QCOMPARE(curve.points, QPolygonF({ { 20, 180 }, { 60, 150 } }));
        QCOMPARE(curve.top, 200.0);
    }

    void mappingZoomAndScroll()
    {
        Fixture f;
        DiveProfileItem* item = f.item();
        QCOMPARE(item->plotRect(), QRectF(50, 30, 710, 320));
        // 710 px over 1200 s; (320 - 40) px over 20 m. Second 600 at 20 m: x = 50 + 710/1200 *
        // 600 = 405, y = 30 + 14 * 20 = 310.
        QCOMPARE(item->mapToScene(600, 20), QPointF(405, 310));
        QCOMPARE(item->timeAtX(405.3), 600);

        // Zoom x2 at x 405.3 (second 600): window 300 .. 900, the zoom point stays put.
        item->zoomAt(false, 2.0, 405.3);
        QVERIFY(near(item->xStart(), 300.0) && near(item->xEnd(), 900.0));
        QVERIFY(near(item->mapToScene(600, 20).x(), 405.0, 1e-6));
        QCOMPARE(item->timeAtX(760.5), 900);
        // Zoom x2 again at the left edge (second 300): window 300 .. 600.
        item->zoomAt(false, 2.0, 50.2);
        QVERIFY(near(item->xEnd(), 600.0));
        QVERIFY(near(item->mapToScene(450, 10).x(), 50 + 710.0 / 300.0 * 150, 1e-6));
        QVERIFY(near(item->mapToScene(450, 10).y(), 170.0)); // depth scale untouched by time zoom

        // Zooming out anchors at the pointer (600 - 600/0.8 < 0: start clamped to 0) and snaps
        // to twice the duration: 1200 / 0.8 = 1500 is allowed, 1500 / 0.5 = 3000 > 2400 is not.
        item->fitAll();
        item->zoomAt(false, 0.8, 405.3);
        QVERIFY(near(item->xStart(), 0.0) && near(item->xEnd(), 1500.0));
        item->zoomAt(false, 0.5, 405.3);
        QVERIFY(near(item->xEnd(), 2400.0));

        // Scrolling has no end on the right (its start: mouseAndWheel).
        item->fitAll();
        for (int i = 0; i < 50; ++i)
            item->scrollBy(710);
        QVERIFY(near(item->xStart(), 50 * 1200.0, 1e-6));

        // A resize undoes every zoom.
        item->zoomAt(true, 3.0, 300);
        f.view.resize(900, 500);
        QCoreApplication::processEvents();
        QCOMPARE(item->plotRect(), QRectF(50, 30, 810, 420));
        QCOMPARE(QPointF(item->xStart(), item->depthShown()), QPointF(0, 20));
        QVERIFY(near(item->yScale(), 380.0 / 20.0));

        // Three or more ascent samples reserve 55 px for the stop labels.
        f.dive.ascentSamples.resize(3);
        for (int i = 0; i < 3; ++i)
            f.dive.ascentSamples[i].time = 1200 + 60 * i;
        f.dive.computeStatistics();
        f.view.showProfile(&f.dive);
        QVERIFY(near(item->xScale(), (810.0 - 55.0) / 1320.0));
    }

    void depthZoomLimits()
    {
        const struct
        {
            double maxDepth, factor;
            int times;
            double shown;
        } rows[] = {
            // ceil(25 x 0.5) = 13, ceil(13 x 0.5) = 7, ceil(7 x 0.5) = 4, held at 5 m.
            { 25.0, 0.5, 1, 13.0 }, { 25.0, 0.5, 3, 5.0 },
            { 3.0, 0.5, 1, 3.0 }, // a shallow dive keeps its depth
            { 25.0, 2.0, 1, 50.0 }, { 25.0, 2.0, 5, 120.0 }, // zoom out stops at 120 m
            { 130.0, 2.0, 2, 130.0 }, { 130.0, 0.5, 1, 65.0 }, // a deeper dive keeps its depth
        };
        for (const auto& r : rows) {
            Fixture f({ { 0, 0 }, { 600, r.maxDepth }, { 1200, 0 } });
            for (int i = 0; i < r.times; ++i)
                f.item()->zoomAt(true, r.factor, 300);
            QCOMPARE(f.item()->depthShown(), r.shown);
            QVERIFY(near(f.item()->yScale(), 280.0 / r.shown));
            QVERIFY(near(f.item()->xStart(), 0.0)); // the time window is untouched
        }
    }

    void degenerateDivesStayFinite()
    {
        // One sample at zero depth and time, a surface-only dive, a window below five seconds.
        const std::pair<Points, double> rows[]
            = { { { { 0, 0 } }, 1.0 }, { { { 0, 0 }, { 60, 0 }, { 120, 0 } }, 1.0 },
                  { { { 0, 0 }, { 60, 10 }, { 120, 0 } }, 2000.0 } };
        for (const auto& [points, zoom] : rows) {
            Fixture f(points);
            f.item()->zoomAt(false, zoom, 300);
            QVERIFY(std::isfinite(f.item()->xScale()) && f.item()->xScale() > 0);
            QVERIFY(std::isfinite(f.item()->yScale()) && f.item()->yScale() > 0);
            QVERIFY(f.item()->depthShown() >= 1.0);
            QVERIFY(f.item()->xEnd() - f.item()->xStart() > 0);
            // Painting must come back: a zero grid step would loop for ever here.
            QCOMPARE(f.view.grab().toImage().size(), QSize(800, 400));
        }
    }

    void scaleSteps()
    {
        // Time grid ('t'): round(range / 600) minutes, else round(range / 10) seconds, never
        // below 1 s. Label step ('k', from px per unit): the least of 1, 2, 5 x 10^n, at least
        // 1, giving 30 px: 30 / 14 = 2.1 -> 5, 30 / 19 = 1.6 -> 2, 30 / 30 -> 1, 30 / 0.1 ->
        // 500, 30 / 1.25 = 24 -> 50. Wheel zoom ('w'): 1 + delta / 600, within 0.5 .. 2.
        const struct
        {
            char kind;
            double input, step;
        } rows[] = { { 't', 60.0, 6.0 }, { 't', 299.0, 30.0 }, { 't', 300.0, 60.0 },
            { 't', 0.0, 1.0 }, { 'k', 14.0, 5.0 }, { 'k', 19.0, 2.0 }, { 'k', 30.0, 1.0 },
            { 'k', 0.1, 500.0 }, { 'k', 1.25, 50.0 }, { 'k', 0.0, 1.0 }, { 'w', 120.0, 1.2 },
            { 'w', -120.0, 0.8 }, { 'w', -600.0, 0.5 }, { 'w', 2400.0, 2.0 } };
        for (const auto& r : rows) {
            const double got = r.kind == 't' ? ProfileScales::timeGridStep(r.input)
                : r.kind == 'k'              ? ProfileScales::tickStep(r.input)
                                             : GraphView::wheelZoomFactor(int(r.input));
            QVERIFY2(near(got, r.step, 1e-12), qPrintable(QString::number(got)));
        }
        // Speed colours: green up to 28 m/min down and 13 m/min up, red from 30 and 15 (to the
        // hundredth), orange between.
        const QColor orange(255, 190, 0), green(0, 160, 0), red(Qt::red);
        const std::pair<double, QColor> speeds[]
            = { { 28.0, green }, { 28.01, orange }, { 30.005, orange }, { 30.02, red },
                  { -13.0, green }, { -13.01, orange }, { -15.005, orange }, { -15.02, red } };
        for (const auto& [speed, colour] : speeds)
            QCOMPARE(DiveProfileItem::speedColor(speed), colour);
    }

    void axesFollowHeightAndUnits()
    {
        using namespace ProfileScales;
        // A 250 px planner graph: margins 25 above, 31.25 below, a plot of 193.75 px less a
        // reserve of 193.75 / 5 = 38.75 px, so a 40 m dive gets 155 px (not 4).
        Fixture f({ { 0, 0 }, { 120, 40 }, { 1200, 40 }, { 1800, 0 } }, false, { 800, 250 });
        QCOMPARE(f.item()->plotRect(), QRectF(50, 25, 710, 193.75));
        QVERIFY(near(f.item()->yScale(), 155 / 40.0, 1e-9));
        QCOMPARE(plotMargins(400).depthReserve, 40.0); // a tall graph keeps 30/50/40

        // 45 m at 4 px/m: metric 30 / 4 = 7.5 -> 10 m labels; feet 30 / 1.2192 = 24.6 -> 50 ft,
        // 45 m = 147.6 ft. 250 bar at 1.25 px/bar: 50 bar steps; 30 / (1.25 x 0.0689476) = 348
        // -> 500 psi up to 3625.9 psi, 3500 psi = 241.32 bar. 18.4 to 24.6 C: 17 .. 26 by
        // round(9 / 4) = 2; 65.1 to 76.3 F: 64 .. 78 by round(14 / 4) = 4 (rounded half up).
        for (const UnitSystem system : { UnitSystem::Metric, UnitSystem::Imperial }) {
            DisplayUnits::setCurrent(DisplayUnits::all(system));
            const bool metric = system == UnitSystem::Metric;
            const QList<AxisTick> depth = depthTicks(45, 4.0);
            const QList<AxisTick> pressure = pressureTicks(250, 1.25);
            const TemperatureAxis temperature = temperatureAxis(18.4, 24.6);
            QCOMPARE(depth.size(), metric ? 4 : 2);
            QCOMPARE(depth.last().label, metric ? "40" : "100");
            QVERIFY(near(depth.last().si, metric ? 40 : 30.48, 1e-9));
            QCOMPARE(pressure.size(), metric ? 6 : 8);
            QCOMPARE(pressure.last().label, metric ? "250" : "3500");
            QVERIFY(near(pressure.last().si, metric ? 250 : 241.3165, 1e-3));
            QCOMPARE(QList<double>({ temperature.low, temperature.high, temperature.step }),
                metric ? QList<double>({ 17, 26, 2 }) : QList<double>({ 64, 78, 4 }));
        }
        // Small labels: 3 m is 9.84 ft, written with the locale's mark.
        QLocale::setDefault(QLocale(QLocale::French));
        const QString feet = shortDepth(3);
        DisplayUnits::setCurrent(DisplayUnits());
        const QString metres = shortDepth(22.5) + shortDepth(20.04);
        QLocale::setDefault(QLocale::system());
        QCOMPARE(feet, QString::fromUtf8("9,8\u00a0ft"));
        QCOMPARE(metres, QString::fromUtf8("22,5\u00a0m20\u00a0m"));
    }

    void handLoggedDives()
    {
        // 40 min, 18 m, mean 12 m, as typed from a paper logbook: its simple profile.
        ManualDive numbers;
        numbers.durationS = 2400;
        numbers.maxDepthM = 18;
        numbers.meanDepthM = 12;
        DiveProfile simple = manualDiveProfile(numbers);
        simple.computeSpeeds(false); // as the logbook loads it
        DiveProfile named = simple, bent = simple, summary = simple;
        named.computer = QStringLiteral("Veltra");
        bent.samples[20].depth += 0.1; // one reading off the line: measured
        summary.samples.clear(); // only the numbers were stored
        const std::pair<const DiveProfile*, ProfileSource> rows[]
            = { { &simple, ProfileSource::SimpleFromNumbers }, { &named, ProfileSource::Recorded },
                  { &bent, ProfileSource::Recorded }, { &summary, ProfileSource::SummaryOnly } };
        for (const auto& [dive, source] : rows)
            QCOMPARE(profileSource(*dive), source);
        // No temperature was logged: the read-out shows none (not 0 °C). At 20 s the diver is
        // 18 x 20 / 60 = 6 m down.
        QCOMPARE(positionReadout(simple, 20), "00:20   6.0 m   18.0 m/min down");
        QVERIFY(!positionInformationHtml(simple, 20, false, 0, 0).contains("Temperature"));
        QCOMPARE(profileSource(diveFromPoints(kTriangle)), ProfileSource::Recorded); // 600 s apart
        QCOMPARE(profileSource(DiveProfile()), ProfileSource::Recorded);
        // A summary is drawn as the simple profile of its numbers, none from absurd ones.
        const QList<DiveSample> line = handLoggedLine(summary, ProfileSource::SummaryOnly);
        QCOMPARE(line.size(), simple.samples.size());
        QCOMPARE(line.last().time, 2400.0);
        summary.duration = 1e9;
        QVERIFY(handLoggedLine(summary, ProfileSource::SummaryOnly).isEmpty());

        // Drawn dashed in dark blue along the bottom (18 m from 60 s to 60 + (12 x 2400 -
        // 27150) / 6.5 = 314 s, the area under the line before the bottom being 540 + 11.5 x
        // 2306.7 + 5 x 33.3 / 2 m s): dark blue pixels with gaps; a recorded dive of the same
        // line is solid green there instead.
        for (const bool byHand : { true, false }) {
            Fixture f;
            f.dive = byHand ? simple : named;
            f.view.showProfile(&f.dive);
            f.view.setItemsVisible(false, false, false, true);
            const QImage image = f.view.grab().toImage();
            int dashed = 0, columns = 0;
            for (double t = 70; t <= 300; t += 2400.0 / 710, ++columns) {
                const QPointF p = f.item()->mapToScene(t, 18);
                const QColor c = image.pixelColor(int(p.x()), int(std::round(p.y())));
                dashed += c.blue() > c.red() + 40 && c.red() < 120 ? 1 : 0;
            }
            QVERIFY2(byHand ? dashed > columns / 4 && dashed < columns * 9 / 10 : dashed == 0,
                qPrintable(QString("%1 of %2").arg(dashed).arg(columns)));
        }
        // The planner edits its points: never taken for a dive logged by hand.
        Fixture edited(kTriangle, true);
        edited.dive = simple;
        edited.view.showProfile(&edited.dive);
        QCOMPARE(edited.item()->source(), ProfileSource::Recorded);
    }

    void sampleMarks()
    {
        // Samples 0 and 1 at 20 m; flags: bits 0-1 ceiling, 2 RR, 3 Pmax, 4-5 yoyo (their
        // decoding is the dive tests' job).
        const MarkRow rows[] = { { 0x10, 0, 60, false, 0, 0, { "yoyoInfo" } },
            { 0x20, 0, 60, false, 0, 0, { "yoyoWarning" } },
            { 0x02, 0, 60, false, 0, 0, {} }, // ceiling level 2: no mark
            { 0, 21, 30, false, 0, 0, { "alertCeil" } }, // ceiling broken for 30 s
            { 0, 21, 29, false, 0, 0, {} }, // 29 s: too short
            { 0, 19, 60, false, 0, 0, {} }, // ceiling above the diver
            { 0x3F, 0, 60, true, 0, 1,
                { "yoyoError", "alertRR", "alertPmax", "alertCeil", "dtr", "mark_gas" } },
            { 0, 0, 60, false, 1, 1, {} }, // same gas
            { 0, 0, 60, false, -1, 0, {} }, // first known gas
            { 0, 0, 60, false, 0, -1, {} } }; // gas unknown after
        for (const MarkRow& row : rows) {
            DiveProfile dive
                = diveFromPoints({ { 0, 20 }, { row.step, 20 }, { row.step + 60, 0 } });
            dive.samples[0].decoCeiling = row.prevCeiling;
            dive.samples[0].gasIndex = row.previousGas;
            dive.samples[1].gasIndex = row.gas;
            dive.samples[1].alertFlags = quint8(row.flags);
            dive.ascentStartIndex = row.ascentStart ? 1 : -1;
            QCOMPARE(DiveProfileItem::sampleMarks(dive, 1), row.marks);
            for (const QString& mark : row.marks)
                QVERIFY2(!DiveProfileItem::sharedImage(mark).isNull(), qPrintable(mark));
        }
    }

    void headerText()
    {
        Fixture f({ { 0, 0 }, { 600, 32.46 }, { 3900, 0 } });
        f.dive.name = QStringLiteral("Wreck <1>");
        f.view.showProfile(&f.dive);
        // 3900 s is 1 h 05 min: hours are shown, not dropped.
        for (const char* part :
            { ">Wreck &lt;1&gt;</span>", ">32.5\u00a0m</span>", ">01:05:00</span>" })
            QVERIFY2(f.item()->headerText().contains(QString::fromUtf8(part)), part);
        QVERIFY(!f.item()->headerText().contains("Ascent"));
        f.item()->showAscentSummary = 1;
        f.dive.ascentDuration = 754;
        f.dive.stopTime = 180;
        f.item()->refreshHeader();
        QVERIFY(f.item()->headerText().contains(">12:34</span>") // the ascent, 754 s
            && f.item()->headerText().contains(">03:00</span>")); // the stops
    }

    void renderedPixels()
    {
        // Box dive: 30 m from 60 s to 1080 s, then 20 m/min up to 10 m (red), then up slowly.
        Fixture f({ { 0, 0 }, { 60, 30 }, { 1080, 30 }, { 1140, 10 }, { 1200, 0 } });
        f.view.setItemsVisible(false, false, false, true);
        QImage image = f.view.grab().toImage();
        QCOMPARE(image.pixelColor(795, 395), kBackground);
        // Water near the far end of the gradient (projection 0.92 on (0,0)-(710,320)): the end
        // colour (150,150,218) at alpha 128 over the background gives about (196,196,224).
        QColor deep = image.pixelColor(650, 300);
        QVERIFY2(std::abs(deep.red() - 196) <= 6 && std::abs(deep.green() - 196) <= 6
                && std::abs(deep.blue() - 224) <= 6,
            qPrintable(deep.name()));
        // Near the start of the gradient the water is almost white.
        const QColor shallow = image.pixelColor(100, 40);
        QVERIFY2(shallow.red() >= 232 && shallow.blue() >= 235, qPrintable(shallow.name()));
        // The rapid ascent from (1080 s, 30 m) to (1140 s, 10 m) is red, the level bottom is not.
        QVERIFY(redAlong(image, f.item(), f.dive, 1108, 1112, 2));
        QVERIFY(!redAlong(image, f.item(), f.dive, 200, 1000, 2));
        // Zoomed on it (1200 s / 2.3^4: a window of about 43 s, 1070 .. 1113 as the pointer at
        // 1110 s stays put): the segment is still red and the water still fills from the surface
        // down to the profile (23.3 m at 1100 s), not below (clear of the grid lines).
        for (int i = 0; i < 4; ++i)
            f.item()->zoomAt(false, 2.3, f.item()->mapToScene(1110, 0).x());
        QVERIFY(f.item()->xStart() < 1085 && f.item()->xEnd() > 1110);
        QVERIFY(f.item()->xEnd() - f.item()->xStart() < 50);
        image = f.view.grab().toImage();
        QVERIFY(redAlong(image, f.item(), f.dive, 1085, 1110));
        QVERIFY(image.pixelColor(f.item()->mapToScene(1100, 8).toPoint()) != kBackground);
        QCOMPARE(image.pixelColor(f.item()->mapToScene(1101, 26.5).toPoint()), kBackground);

        // An invalid dive is tinted: end colour (255,10,10) at alpha 128 gives about
        // (248,126,120).
        f.dive.invalidDiveCode = 2;
        f.view.showProfile(&f.dive);
        f.view.setItemsVisible(false, false, false, true);
        deep = f.view.grab().toImage().pixelColor(650, 300);
        QVERIFY2(deep.red() >= 240 && std::abs(deep.green() - 126) <= 12
                && std::abs(deep.blue() - 120) <= 12,
            qPrintable(deep.name()));
    }

    void heatMapColours_data()
    {
        QTest::addColumn<float>("load");
        QTest::addColumn<QColor>("colour");
        // Between the palette's stops by hand, e.g. -0.2586 lies 0.2242 of the way from
        // #D1E5F0 (-1/3) to #F7F7F7 (0): 209 + 0.2242 x 38 = 217.5, 229 + 4.0, 240 + 1.6.
        QTest::newRow("empty") << -1.0f << QColor(33, 102, 172);
        QTest::newRow("rested at the surface") << -0.2586f << QColor(218, 233, 242);
        QTest::newRow("saturated at 30 m: 3.1447 / 4.0433 - 1")
            << -0.2222f << QColor(222, 235, 242);
        QTest::newRow("a sixth of the way to the M-value") << 1.0f / 6 << QColor(250, 233, 223);
        // Compartment 1 at the surface after saturation at 30 m: (3.1447 - 1.013) / (1.013 /
        // 0.5050 + 1.2599 - 1.013) = 0.9462, 0.8386 of the way from #EF8A62 to #B2182B.
        QTest::newRow("surfacing from saturation") << 0.9462f << QColor(188, 42, 52);
        QTest::newRow("far past the M-value") << 7.9f << QColor(103, 0, 31);
    }
    void heatMapColours()
    {
        QFETCH(float, load);
        QFETCH(QColor, colour);
        const QColor got = TissueHeatMap::colorOf(load);
        QVERIFY2(std::abs(got.red() - colour.red()) <= 1
                && std::abs(got.green() - colour.green()) <= 1
                && std::abs(got.blue() - colour.blue()) <= 1,
            qPrintable(got.name()));
    }

    void heatMapBandOnTheGraph()
    {
        // 12 hours at 30 m of salt water on air: compartment 1 (4 min) is saturated, 3.1447 bar
        // at 4.0433 bar; the band's top row shows it, the profile's colours stay above the band.
        Fixture f({ { 0, 0 }, { 60, 30 }, { 43200, 30 }, { 43260, 0 } });
        const QImage image = f.view.grab().toImage();
        const double bandTop = f.item()->plotRect().bottom() - ReplayLayer::bandHeight;
        const int x = int(f.item()->mapToScene(40000, 0).x());
        const QColor top = image.pixelColor(x, int(bandTop) + 1);
        QVERIFY2(std::abs(top.red() - 222) <= 2 && std::abs(top.green() - 235) <= 2
                && std::abs(top.blue() - 242) <= 2,
            qPrintable(top.name()));
        // Off, the band leaves the water's colours there.
        ReplayGraphOptions options;
        options.heatMap = false;
        f.view.replayLayer()->setOptions(options);
        QVERIFY(f.view.grab().toImage().pixelColor(x, int(bandTop) + 1) != top);
    }

    void renderPlannedDive()
    {
        // A planned dive: 40 m for 20 min, an ascent with a stop at 18 m, the plan's ceiling.
        Fixture f({ { 0, 0 }, { 120, 40 }, { 1200, 40 } }, false, { 960, 480 });
        for (const auto& p : Points { { 1200, 40 }, { 1320, 18 }, { 1500, 18 }, { 1600, 0 } }) {
            DiveSample s;
            s.time = p.first;
            s.depth = p.second;
            f.dive.ascentSamples.append(s);
        }
        f.dive.ceilingTrace = { { 600, 0, 0 }, { 1200, 19, 0 }, { 1600, 0, 0 } };
        f.dive.computeStatistics();
        f.view.showProfile(&f.dive);
        f.view.setItemsVisible(false, false, true, true);
        const QImage image = f.view.grab().toImage();
        // Inside the ceiling area (9.5 m at 1400 s), over the water: the orange (240,155,90) tint.
        const QColor c = image.pixelColor(f.item()->mapToScene(1400, 6).toPoint());
        QVERIFY2(c.red() - c.blue() > 50 && c.red() > c.green(), qPrintable(c.name()));
        // The ascent is drawn in cyan, its level stop at 18 m too.
        const QPoint stop = f.item()->mapToScene(1440, 18).toPoint();
        bool cyan = false;
        for (int dy = -1; dy <= 1; ++dy) {
            const QColor p = image.pixelColor(stop + QPoint(0, dy));
            cyan = cyan || (p.red() < 90 && p.green() > 200 && p.blue() > 200);
        }
        QVERIFY(cyan);
    }

    void addAndRemovePoints()
    {
        Fixture f(kBox, true);
        DiveProfileItem* item = f.item();
        item->pointClipRect = item->plotRect();
        QSignalSpy added(item, &DiveProfileItem::onAddDivePoint);
        // Nothing goes at the first point (before it: mouseEditsPoints).
        QCOMPARE(item->addDivePoint(0, 5), -1);
        QCOMPARE(added.count(), 0);
        // A point between samples 1 and 2: index 2.
        QCOMPARE(item->addDivePoint(300, 25), 2);
        QCOMPARE(added.count(), 1);
        // Repositioned, not recreated, on zoom and scroll.
        const QList<DivePoint*> before = item->divePoints();
        item->zoomAt(false, 2.0, 300);
        item->scrollBy(40);
        QCOMPARE(item->divePoints(), before);
        QVERIFY(f.pointsOnSamples());
        item->removeDivePoint(f.pointAt(2));
        item->fitAll();

        // Halfway between samples 1 and 2: (360 s, 20 m); after the last: 60 s later, same depth.
        item->addDivePointAfter(1);
        item->addDivePointAfter(4);
        QCOMPARE(f.points(), "0/0 120/20 360/20 600/20 720/0 780/0");
        // Removing sample 2 lowers the later indexes by one; the first point is fixed.
        item->removeDivePoint(f.pointAt(2));
        QVERIFY(f.pointsOnSamples());
        item->removeDivePoint(f.pointAt(0));
        QCOMPARE(f.points(), "0/0 120/20 600/20 720/0 780/0");

        // Selection: the two smallest selected indexes, ordered; -1 when missing. Deleting both
        // at once keeps the others in order.
        QCOMPARE(item->selectedPointRange(), qMakePair(-1, -1));
        f.pointAt(3)->setSelected(true);
        QCOMPARE(item->selectedPointRange(), qMakePair(3, -1));
        f.pointAt(1)->setSelected(true);
        QCOMPARE(item->selectedPointRange(), qMakePair(1, 3));
        item->removeSelectedDivePoints();
        QCOMPARE(f.points(), "0/0 600/20 780/0");
        // Depth of a point: the speeds and the point follow.
        item->setDivePointDepth(1, 30.0);
        QVERIFY(near(f.dive.samples.at(1).speed, 30.0 * 60 / 600));
        QVERIFY(f.pointsOnSamples());
        // Rectangle selection picks the points whose position lies inside.
        item->selectPointsInRect(QRectF(item->mapToScene(500, 25), item->mapToScene(700, 35)));
        QCOMPARE(item->selectedPointRange(), qMakePair(1, -1));
        // A time typed past the next point is clamped to it (and said so); the speeds follow.
        double t = 900;
        QVERIFY(item->setDivePointTime(1, t));
        QCOMPARE(t, 780.0);
        QCOMPARE(f.points(), "0/0 780/30 780/0");
        t = 300;
        QVERIFY(!item->setDivePointTime(1, t));
        QCOMPARE(f.points(), "0/0 300/30 780/0");
        QVERIFY(near(f.dive.samples.at(1).speed, 30.0 * 60 / 300));
    }

    void dragKeepsOrderAndLimits()
    {
        const std::pair<Points, DragRow> rows[] = {
            // Dragged before the previous sample at 20 m: 20 m down at 30 m/min needs 40 s.
            // (Past the next sample: mouseEditsPoints.)
            { kBox, { 1, -100, 20, 40, 20 } },
            // Inside both limits nothing changes but the half-metre rounding: 17.3 -> 17.5 m.
            { kBox, { 2, 500, 17.3, 500, 17.5 } },
            // Too fast ascent from the previous sample: 20 -> 5 m needs 60 s after 120.
            { kBox, { 2, 130, 5, 180, 5 } },
            // Sample 2 of (60,20) (80,20) (100,0) lifted to the surface: 20 m up at 15 m/min
            // would need 80 s after 60 s, but the next sample is at 100 s; time order wins.
            { { { 0, 0 }, { 60, 20 }, { 80, 20 }, { 100, 0 }, { 720, 0 } }, { 2, 80, 0, 100, 0 } },
            { kBox, { 2, 500, -5, 500, 0 } }, // above the surface
        };
        for (const auto& [dive, row] : rows) {
            const auto [index, proposedTime, proposedDepth, time, depth] = row;
            Fixture f(dive, true);
            QSignalSpy updated(f.item(), &DiveProfileItem::onUpdateDivePoint);
            DiveLineInfo info;
            info.index = index;
            // Propose the scene point of (time, depth); +0.3 px keeps the truncation on the
            // second.
            QPointF proposed = f.item()->mapToScene(proposedTime, proposedDepth) + QPointF(0.3, 0);
            if (proposedDepth < 0)
                proposed.setY(f.item()->plotRect().top() + proposedDepth * f.item()->yScale());
            const QPointF accepted = f.item()->acceptPointPosition(info, proposed);
            const DiveSample& s = f.dive.samples.at(index);
            QVERIFY2(QLineF(s.time, s.depth, time, depth).length() < 1e-6,
                qPrintable(QString("%1 s %2 m").arg(s.time).arg(s.depth)));
            QVERIFY(QLineF(accepted, f.item()->mapToScene(time, depth)).length() < 1e-6);
            QCOMPARE(updated.count(), 1);
            QCOMPARE(updated.at(0).at(0).toInt(), index);
            for (int i = 1; i < f.dive.samples.size(); ++i)
                QVERIFY(f.dive.samples.at(i).time >= f.dive.samples.at(i - 1).time);
            for (const DiveSample& sample : f.dive.samples)
                QVERIFY(std::isfinite(sample.speed));
        }
    }

    void mouseEditsPoints()
    {
        Fixture f(kBox, true);
        f.item()->pointClipRect = f.item()->plotRect();
        QSignalSpy added(f.item(), &DiveProfileItem::onAddDivePoint);
        QSignalSpy updated(f.item(), &DiveProfileItem::onUpdateDivePoint);
        // Sample 2 (600 s, 20 m) dragged far past the next sample: 20 m up to the surface at
        // 15 m/min needs 80 s, so the point stops at 640 s.
        const QPoint from = f.item()->mapToScene(600, 20).toPoint();
        const QPoint to = f.item()->mapToScene(700, 20).toPoint();
        f.mouse(QEvent::MouseButtonPress, from, Qt::LeftButton);
        f.mouse(QEvent::MouseMove, (from + to) / 2, Qt::LeftButton);
        f.mouse(QEvent::MouseMove, to, Qt::LeftButton);
        f.mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton);
        QCOMPARE(updated.last().at(0).toInt(), 2);
        QVERIFY(f.pointsOnSamples());
        // The first point does not move.
        const QPoint first = f.item()->mapToScene(0, 0).toPoint();
        f.mouse(QEvent::MouseButtonPress, first, Qt::LeftButton);
        f.mouse(QEvent::MouseMove, first + QPoint(60, 60), Qt::LeftButton);
        f.mouse(QEvent::MouseButtonRelease, first + QPoint(60, 60), Qt::LeftButton);
        QCOMPARE(f.points(), "0/0 120/20 640/20 720/0");

        // 710/720 px per second, 280/20 = 14 px per metre: a double click near second 300 at
        // 22.3 m adds a point there; the time truncates to 300, the depth rounds to 22.5 m.
        const QPointF p = f.item()->mapToScene(300.4, 22.3);
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, Qt::NoModifier, p.toPoint());
        QCOMPARE(added.count(), 1);
        QCOMPARE(f.points(), "0/0 120/20 300/22.5 640/20 720/0");
        // Left of the first sample (negative time): refused.
        QTest::mouseDClick(f.view.viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 200));
        QCOMPARE(added.count(), 1);
        QCOMPARE(f.points(), "0/0 120/20 300/22.5 640/20 720/0");
    }

    void touchGestures()
    {
        Fixture f;
        f.item()->scrollBy(355); // window 600 .. 1800
        // Deleting the device unregisters it.
        const std::unique_ptr<QPointingDevice> owner(QTest::createTouchDevice());
        QPointingDevice* device = owner.get();
        QWidget* vp = f.view.viewport();
        // Two fingers side by side moving 10 px right, three times: the view follows the fingers,
        // the window moves 30 px = 30 * 1200 / 710 s earlier.
        QTest::touchEvent(vp, device).press(0, QPoint(300, 150)).press(1, QPoint(300, 250));
        for (int step = 1; step <= 3; ++step)
            QTest::touchEvent(vp, device)
                .move(0, QPoint(300 + 10 * step, 150))
                .move(1, QPoint(300 + 10 * step, 250));
        QTest::touchEvent(vp, device).release(0, QPoint(330, 150)).release(1, QPoint(330, 250));
        QVERIFY2(near(f.item()->xStart(), 600.0 - 30.0 * 1200 / 710, 1e-6),
            qPrintable(QString::number(f.item()->xStart())));

        // Spreading two fingers side by side from 100 to 120 to 150 px: factors 1.2 and 1.25,
        // a time zoom of 1.5 in all: the 1200 s window becomes 800 s.
        f.item()->fitAll();
        QTest::touchEvent(vp, device).press(0, QPoint(350, 200)).press(1, QPoint(450, 200));
        QTest::touchEvent(vp, device).move(0, QPoint(340, 200)).move(1, QPoint(460, 200));
        QTest::touchEvent(vp, device).move(0, QPoint(325, 200)).move(1, QPoint(475, 200));
        QTest::touchEvent(vp, device).release(0, QPoint(325, 200)).release(1, QPoint(475, 200));
        QVERIFY(near(f.item()->xEnd() - f.item()->xStart(), 800.0, 1e-6));
        QCOMPARE(f.item()->depthShown(), 20.0);

        // The same with the fingers one above the other zooms the depth, factor inverted: closing
        // from 100 to 50 px (factor 0.5) shows twice the depth.
        f.item()->fitAll();
        QTest::touchEvent(vp, device).press(0, QPoint(400, 100)).press(1, QPoint(400, 200));
        QTest::touchEvent(vp, device).move(0, QPoint(400, 125)).move(1, QPoint(400, 175));
        QTest::touchEvent(vp, device).release(0, QPoint(400, 125)).release(1, QPoint(400, 175));
        QCOMPARE(f.item()->depthShown(), 40.0);
        QCOMPARE(f.item()->xEnd() - f.item()->xStart(), 1200.0);
    }

    void overlayIcons()
    {
        Fixture f;
        DiveProfileItem* item = f.item();
        OverlayIcon icon;
        icon.id = 7;
        item->addOverlayIcon(icon, QStringLiteral("diver"));
        QVERIFY(
            item->overlayIcons().front().image && !item->overlayIcons().front().image->isNull());
        // Time clamped to the duration; a negative depth takes the dive's depth there.
        item->updateOverlayIcon(7, 5000, 3);
        QCOMPARE(item->overlayIcons().front().time, 1200.0);
        item->updateOverlayIcon(7, 300, -1);
        QCOMPARE(item->overlayIcons().front().depth, 10.0);
        // Positions follow a zoom.
        item->zoomAt(false, 2.0, 300);
        const QPointF at = item->mapToScene(300, 10);
        QCOMPARE(QPointF(item->overlayIcons().front().x, item->overlayIcons().front().y), at);
        item->removeOverlayIcon(7);
        QVERIFY(item->overlayIcons().empty());
        // A new dive clears them.
        item->addOverlayIcon(icon, QStringLiteral("diver"));
        f.view.showProfile(&f.dive);
        QVERIFY(item->overlayIcons().empty());
    }

    void dropLimitsFiles()
    {
        DropView view;
        QSignalSpy dropped(&view, &GraphView::dragDropFiles);
        QMimeData data;
        QList<QUrl> urls;
        for (int i = 0; i < 40; ++i)
            urls << QUrl::fromLocalFile(QStringLiteral("/tmp/dive%1.csv").arg(i));
        data.setUrls(urls);
        QDropEvent drop(QPointF(100, 100), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        view.dropEvent(&drop);
        QVERIFY(drop.isAccepted());
        QCOMPARE(dropped.count(), 1);
        const QStringList files = dropped.at(0).at(0).toStringList();
        QCOMPARE(files.size(), 32);
        QCOMPARE(files.first(), QStringLiteral("/tmp/dive0.csv"));
        QCOMPARE(files.last(), QStringLiteral("/tmp/dive31.csv"));
    }

    void mouseAndWheel()
    {
        Fixture f;
        QSignalSpy moved(&f.view, &GraphView::mouseMove);
        f.mouse(QEvent::MouseMove, QPoint(405, 200));
        QCOMPARE(moved.count(), 1);
        // (405 - 50) / (710/1200) = 600 s (within float truncation of 599.99..).
        const int t = moved.last().at(1).toInt();
        QVERIFY(t == 600 || t == 599);
        QVERIFY(f.view.cursorLine()->isVisible());
        QCOMPARE(f.view.cursorLine()->line().x1(), 405.0);
        // x 287 is (287 - 50) x 1200 / 710 = 400.6 s: 20 x 400 / 600 = 13.3 m on the way down at
        // 20 m per 10 min = 2 m/min; the segment ends at 20 m, where the water is 24 - 0.2 x 20.
        // Below it the replay: on air at 2.3598 bar, ppO2 0.4956 and ppN2 1.8642 bar, END 13.3 m,
        // (15.858 + 52.224) / 1.01325 / 22.414 = 3.00 g/L.
        f.mouse(QEvent::MouseMove, QPoint(287, 200));
        const QStringList readout = f.view.readoutText().split('\n');
        QCOMPARE(readout.value(0), QString::fromUtf8("06:40   13.3 m   20.0 °C   2.0 m/min down"));
        QCOMPARE(readout.value(3), QStringLiteral("ppO2 0.50, ppN2 1.86, ppHe 0.00 bar"));
        QCOMPARE(readout.value(4), QStringLiteral("END 13 m, density 3.0 g/L"));
        // In imperial units with the French decimal mark: 13.33 m / 0.3048 = 43.7 ft,
        // 20 x 9/5 + 32 = 68.0 F, 2 m/min = 6.6 ft/min.
        DisplayUnits::setCurrent(DisplayUnits::all(UnitSystem::Imperial));
        QLocale::setDefault(QLocale(QLocale::French));
        f.mouse(QEvent::MouseMove, QPoint(287, 200));
        const QString imperial = f.view.readoutText().section('\n', 0, 0);
        DisplayUnits::setCurrent(DisplayUnits());
        QLocale::setDefault(QLocale::system());
        QCOMPARE(imperial, QString::fromUtf8("06:40   43,7 ft   68,0 °F   6,6 ft/min down"));

        // Dragging with the middle button 71 px to the left moves the window 120 s later; to the
        // right at the start it does nothing.
        f.mouse(QEvent::MouseButtonPress, QPoint(400, 200), Qt::MiddleButton);
        f.mouse(QEvent::MouseMove, QPoint(329, 200), Qt::MiddleButton);
        QVERIFY(near(f.item()->xStart(), 120.0));
        f.mouse(QEvent::MouseButtonRelease, QPoint(329, 200), Qt::MiddleButton);
        f.item()->fitAll();
        f.mouse(QEvent::MouseButtonPress, QPoint(300, 200), Qt::MiddleButton);
        f.mouse(QEvent::MouseMove, QPoint(350, 200), Qt::MiddleButton);
        QCOMPARE(f.item()->xStart(), 0.0);
        f.mouse(QEvent::MouseButtonRelease, QPoint(350, 200), Qt::MiddleButton);

        // One wheel notch forward: the time window narrows and, with Control, fewer metres are
        // shown.
        for (Qt::KeyboardModifiers mods : { Qt::NoModifier, Qt::ControlModifier }) {
            const QPointF at(400, 200);
            QWheelEvent wheel(at, f.view.viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                Qt::NoButton, mods, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(f.view.viewport(), &wheel);
        }
        QVERIFY(f.item()->xEnd() - f.item()->xStart() < 1200.0);
        QVERIFY(f.item()->depthShown() < 20.0);
    }

    void mouseSelections()
    {
        Fixture f;
        f.view.rangeSelectionEnabled = true;
        QSignalSpy down(&f.view, &GraphView::clickDown);
        QSignalSpy up(&f.view, &GraphView::clickRelease);
        // 710/1200 px per second: x 405.3 is second 600, x 168.5 is second 200.
        f.mouse(QEvent::MouseMove, QPoint(405, 200));
        f.mouse(QEvent::MouseButtonPress, QPoint(405, 200), Qt::LeftButton, Qt::ShiftModifier);
        const int start = down.at(0).at(0).toInt();
        QVERIFY(start == 599 || start == 600);
        f.mouse(QEvent::MouseMove, QPoint(169, 200), Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(f.view.isSelectionVisible());
        QCOMPARE(f.view.selectionRect()->rect(), QRectF(169, 30, 405 - 169, 320));
        f.mouse(QEvent::MouseButtonRelease, QPoint(169, 200), Qt::LeftButton, Qt::ShiftModifier);
        QCOMPARE(up.count(), 1);
        const int end = up.at(0).at(0).toInt();
        QCOMPARE(end, 201); // (169 - 50) * 1200 / 710 = 201.1
        // Released to the left of the press: the range is ordered.
        QCOMPARE(f.view.selectedRange(), qMakePair(end, start));
        QVERIFY(f.view.isSelectionVisible()); // stays until Escape
        QVERIFY(f.view.positionInformation(QPointF(300, 200), 300)
                    .contains("Elapsed Time</td> <td>" + formatTime(start - end)));
        QTest::keyClick(&f.view, Qt::Key_Escape);
        QVERIFY(!f.view.isSelectionVisible());
        QCOMPARE(f.view.selectedRange(), qMakePair(end, start)); // the range itself stays

        // Control and a drag: a rectangle, handed on at the release.
        f.item()->fitAll();
        QSignalSpy rect(&f.view, &GraphView::selectInRect);
        f.mouse(QEvent::MouseButtonPress, QPoint(300, 200), Qt::LeftButton, Qt::ControlModifier);
        f.mouse(QEvent::MouseMove, QPoint(120, 100), Qt::LeftButton, Qt::ControlModifier);
        QVERIFY(f.view.isSelectionVisible());
        QCOMPARE(f.view.selectionRect()->rect(), QRectF(120, 100, 180, 100));
        f.mouse(QEvent::MouseButtonRelease, QPoint(120, 100), Qt::LeftButton, Qt::ControlModifier);
        QCOMPARE(rect.count(), 1);
        QCOMPARE(rect.at(0).at(0).toRectF(), QRectF(120, 100, 180, 100));
        QVERIFY(!f.view.isSelectionVisible());
    }
};

QTEST_MAIN(TestProfileGraph)
#include "tst_profilegraph.moc"
