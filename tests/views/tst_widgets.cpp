#include "views/gestures.h"
#include "views/progresscircle.h"
#include "views/tissuesgraph.h"

#include <QFile>
#include <QImage>
#include <QNativeGestureEvent>
#include <QPointingDevice>
#include <QTest>
#include <QTouchEvent>

#include <cmath>

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    void resources_data();
    void resources();
    void tissueBarHeights_data();
    void tissueBarHeights();
    void tissueGraphPixels();
    void tissueGraphWithoutData();
    void progressClamps_data();
    void progressClamps();
    void progressPicture_data();
    void progressPicture();
    void panRecognizer();
    void pinchRecognizer_data();
    void pinchRecognizer();
    void nativeZoomGesture();
};

void TestWidgets::resources_data()
{
    QTest::addColumn<QString>("name");
    const char* const names[] = { "Led_Green", "Led_Orange", "Led_Red", "mark_info", "mark_warning",
        "mark_error", "mark_gas", "diver", "oxygen-tank", "dtr", "alertCeil", "alertRR",
        "alertYoyo", "alertSecurity", "alertDive24h", "alertPmax", "yoyoInfo", "yoyoWarning",
        "yoyoError", "ok", "cancel", "dossier", "database", "signal", "reglage", "fitall", "import",
        "download", "utilisateur", "calendrier", "effort", "effortOn", "run_simulation", "pause",
        "arrowD", "arrowR", "arrowU", "arrowDdive", "arrowRdive", "arrowUdive",
        "bluetooth-smartphone-step0", "bluetooth-smartphone-step1", "bluetooth-smartphone-step2",
        "bluetooth-smartphone-step3", "Veltra-bluetooth-on", "Veltra-power-off", "splashscreen" };
    for (const char* name : names)
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestWidgets::resources()
{
    // Every picture the program names is compiled in, at 1x and at twice the size for @2x.
    QFETCH(QString, name);
    const QImage normal(QStringLiteral(":/TestGraphics/icons/%1.png").arg(name));
    const QImage doubled(QStringLiteral(":/TestGraphics/icons/%1@2x.png").arg(name));
    QVERIFY(!normal.isNull());
    QVERIFY(!doubled.isNull());
    QCOMPARE(doubled.size(), normal.size() * 2);
    QVERIFY(normal.width() >= 16 && normal.height() >= 16);
    // Not blank: some pixel is opaque.
    bool opaque = false;
    for (int y = 0; y < normal.height() && !opaque; ++y)
        for (int x = 0; x < normal.width() && !opaque; ++x)
            opaque = normal.pixelColor(x, y).alpha() == 255;
    QVERIFY(opaque);
    if (name == QLatin1String("splashscreen")) {
        // The about window puts its button 140 px from the right and 220 px from the bottom.
        QVERIFY(normal.width() >= 700 && normal.height() >= 400);
        QVERIFY(!QImage(QStringLiteral(":/AppIcon/BrenmorSystemsDiveIcon.ico")).isNull());
        QVERIFY(QFile::exists(QStringLiteral(":/Form/formMeasureTwoPoints.ui")));
    }
}

static TissuesGraph::Loads loadsOf(std::initializer_list<float> values)
{
    TissuesGraph::Loads loads {};
    int i = 0;
    for (float v : values)
        loads[i++] = v;
    return loads;
}

void TestWidgets::tissueBarHeights_data()
{
    QTest::addColumn<QVector<float>>("loads");
    QTest::addColumn<int>("available");
    QTest::addColumn<QVector<int>>("expected");

    // Loads 1..16 over 150 px: range 15, so each step of 1 is 10 px and the first bar is 0.
    QVector<float> ramp;
    QVector<int> rampHeights;
    for (int i = 0; i < 16; ++i) {
        ramp << float(i + 1);
        rampHeights << 10 * i;
    }
    QTest::newRow("ramp-smallest-zero-largest-full") << ramp << 150 << rampHeights;

    // All equal: range below 0.01, every bar at half of 151 px truncated to 75.
    QTest::newRow("all-equal-half-height")
        << QVector<float>(16, 0.7f) << 151 << QVector<int>(16, 75);

    // Range 0.4 over 100 px: 0.8 -> (0.8-0.6)*100/0.4 = 50; 0.7 -> 25 (within float rounding of
    // 24.99.., whole pixels towards zero).
    QVector<float> mixed(16, 0.6f);
    mixed[0] = 0.8f;
    mixed[1] = 1.0f;
    mixed[2] = 0.7f;
    QVector<int> mixedHeights(16, 0);
    mixedHeights[0] = 50;
    mixedHeights[1] = 100;
    mixedHeights[2] = int((0.7f - 0.6f) * 100 / (1.0f - 0.6f));
    QTest::newRow("mixed-loads") << mixed << 100 << mixedHeights;

    // A first load below 0.01 means no data, whatever follows.
    QVector<float> noData(16, 5.0f);
    noData[0] = 0.0f;
    QTest::newRow("first-load-zero-no-data") << noData << 150 << QVector<int>(16, 0);
}

void TestWidgets::tissueBarHeights()
{
    QFETCH(QVector<float>, loads);
    QFETCH(int, available);
    QFETCH(QVector<int>, expected);
    TissuesGraph::Loads array {};
    std::copy(loads.begin(), loads.end(), array.begin());
    const auto heights = TissuesGraph::barHeights(array, available);
    for (int i = 0; i < 16; ++i)
        QCOMPARE(heights[i], expected[i]);
}

void TestWidgets::tissueGraphPixels()
{
    TissuesGraph graph;
    graph.resize(300, 200);
    TissuesGraph::Loads loads;
    for (int i = 0; i < 16; ++i)
        loads[i] = float(i + 1);
    graph.setLoads(loads);
    const QImage image = graph.grab().toImage();
    // Bar width (300 - 10 - 85) / 16 = 12; bar 16 starts at 10 + 15 * 17 = 265 and fills the
    // available 170 px above the base line at y 185.
    QCOMPARE(image.pixelColor(271, 100), QColor(Qt::green));
    QCOMPARE(image.pixelColor(271, 30), QColor(Qt::green));
    // Bar 1 has the smallest load: zero height, background above the base line.
    QCOMPARE(image.pixelColor(15, 100), QColor("#F0F0F0"));
    // The base line.
    QCOMPARE(image.pixelColor(150, 185), QColor(Qt::black));
}

void TestWidgets::tissueGraphWithoutData()
{
    TissuesGraph graph;
    graph.resize(300, 200);
    TissuesGraph::Loads loads;
    loads.fill(3.0f);
    loads[0] = 0.0f;
    graph.setLoads(loads);
    const QImage image = graph.grab().toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (y == 185 && x >= 5 && x <= 295)
                QCOMPARE(c, QColor(Qt::black));
            else if (c != QColor("#F0F0F0"))
                QFAIL(qPrintable(QStringLiteral("unexpected pixel at %1,%2").arg(x).arg(y)));
        }
    }
    graph.setLoads(loadsOf({ 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16 }));
    graph.clear();
    for (float v : graph.loads())
        QCOMPARE(v, 0.0f);
}

void TestWidgets::progressClamps_data()
{
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("input");
    QTest::addColumn<QVariant>("stored");
    QTest::newRow("inner-above-one") << "innerRadius" << QVariant(1.5) << QVariant(1.0);
    QTest::newRow("inner-below-zero") << "innerRadius" << QVariant(-0.2) << QVariant(0.0);
    QTest::newRow("outer-above-one") << "outerRadius" << QVariant(3.0) << QVariant(1.0);
    QTest::newRow("outer-below-zero") << "outerRadius" << QVariant(-1.0) << QVariant(0.0);
    QTest::newRow("value-negative") << "value" << QVariant(-3) << QVariant(0);
    QTest::newRow("maximum-negative") << "maximum" << QVariant(-7) << QVariant(0);
}

void TestWidgets::progressClamps()
{
    QFETCH(QString, property);
    QFETCH(QVariant, input);
    QFETCH(QVariant, stored);
    ProgressCircle circle;
    QVERIFY(circle.setProperty(qPrintable(property), input));
    const QVariant value = circle.property(qPrintable(property));
    if (stored.typeId() == QMetaType::Double)
        QVERIFY(std::abs(value.toDouble() - stored.toDouble()) < 1e-12);
    else
        QCOMPARE(value.toInt(), stored.toInt());
}

void TestWidgets::progressPicture_data()
{
    QTest::addColumn<int>("visible");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<bool>("upperRightFilled");
    QTest::addColumn<bool>("lowerLeftFilled");
    QTest::newRow("over-maximum-full-disc") << 150 << 100 << true << true;
    QTest::newRow("quarter-from-twelve-clockwise") << 25 << 100 << true << false;
    QTest::newRow("empty") << 0 << 100 << false << false;
}

void TestWidgets::progressPicture()
{
    QFETCH(int, visible);
    QFETCH(int, maximum);
    QFETCH(bool, upperRightFilled);
    QFETCH(bool, lowerLeftFilled);
    ProgressCircle circle;
    circle.resize(100, 100);
    circle.setMaximum(maximum);
    circle.setVisibleValue(visible);
    const QImage image = circle.generatePixmap().toImage();
    QCOMPARE(image.size(), QSize(100, 100));
    const QColor colour(110, 190, 235);
    const QColor grey(225, 225, 225);
    // Ring from radius 29.4 (hole) to 49 around (50, 50); sample at radius 40.
    const int d = int(40 / std::sqrt(2.0));
    auto at = [&](int x, int y) { return image.pixelColor(x, y).rgb(); };
    QCOMPARE(at(50 + d, 50 - d), (upperRightFilled ? colour : grey).rgb());
    QCOMPARE(at(50 - d, 50 + d), (lowerLeftFilled ? colour : grey).rgb());
    // The hole stays white.
    QCOMPARE(at(50, 50), QColor(Qt::white).rgb());
    // Outside the circle the picture is transparent.
    QCOMPARE(image.pixelColor(1, 1).alpha(), 0);
}

static QEventPoint touchPoint(int id, QEventPoint::State state, QPointF global)
{
    return QEventPoint(id, state, global, global);
}

static QTouchEvent touch(QEvent::Type type, QPointF a, QPointF b)
{
    const auto state
        = type == QEvent::TouchBegin ? QEventPoint::State::Pressed : QEventPoint::State::Updated;
    return QTouchEvent(type, QPointingDevice::primaryPointingDevice(), Qt::NoModifier,
        { touchPoint(0, state, a), touchPoint(1, state, b) });
}

void TestWidgets::panRecognizer()
{
    TwoFingersPanRecognizer recognizer;
    QWidget target;
    std::unique_ptr<QGesture> gesture(recognizer.create(&target));
    auto* pan = static_cast<TwoFingersPanGesture*>(gesture.get());
    QCOMPARE(pan->horizontalOffset(), 0.0);

    auto begin = touch(QEvent::TouchBegin, { 100, 100 }, { 100, 140 });
    QCOMPARE(recognizer.recognize(pan, &target, &begin), QGestureRecognizer::MayBeGesture);
    // Both fingers 12 px to the right and 2 px down: a horizontal pan of 12 px.
    auto move = touch(QEvent::TouchUpdate, { 112, 102 }, { 112, 142 });
    QCOMPARE(recognizer.recognize(pan, &target, &move), QGestureRecognizer::TriggerGesture);
    QCOMPARE(pan->horizontalOffset(), 12.0);
    // Next update 5 px to the left: the offset is per update, not cumulative.
    auto back = touch(QEvent::TouchUpdate, { 107, 102 }, { 107, 142 });
    recognizer.recognize(pan, &target, &back);
    QCOMPARE(pan->horizontalOffset(), -5.0);
    QCOMPARE(pan->offset(), QPointF(7, 2));

    // A vertical two-finger move does not start a pan.
    recognizer.reset(pan);
    auto begin2 = touch(QEvent::TouchBegin, { 100, 100 }, { 140, 100 });
    recognizer.recognize(pan, &target, &begin2);
    auto vertical = touch(QEvent::TouchUpdate, { 101, 120 }, { 141, 120 });
    QCOMPARE(recognizer.recognize(pan, &target, &vertical), QGestureRecognizer::MayBeGesture);
}

void TestWidgets::pinchRecognizer_data()
{
    QTest::addColumn<QPointF>("a0");
    QTest::addColumn<QPointF>("b0");
    QTest::addColumn<QPointF>("a1");
    QTest::addColumn<QPointF>("b1");
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<QPointF>("centre");
    // Fingers side by side spreading from 100 to 150 px apart: factor 1.5, horizontal.
    QTest::newRow("horizontal-spread") << QPointF(100, 200) << QPointF(200, 200) << QPointF(75, 200)
                                       << QPointF(225, 200) << 1.5 << 0 << QPointF(150, 200);
    // One above the other closing from 80 to 40 px: factor 0.5, vertical (depth) pinch.
    QTest::newRow("vertical-close") << QPointF(300, 100) << QPointF(300, 180) << QPointF(300, 120)
                                    << QPointF(300, 160) << 0.5 << 1 << QPointF(300, 140);
}

void TestWidgets::pinchRecognizer()
{
    QFETCH(QPointF, a0);
    QFETCH(QPointF, b0);
    QFETCH(QPointF, a1);
    QFETCH(QPointF, b1);
    QFETCH(double, scale);
    QFETCH(int, vertical);
    QFETCH(QPointF, centre);
    TwoFingersPinchRecognizer recognizer;
    QWidget target;
    std::unique_ptr<QGesture> gesture(recognizer.create(&target));
    auto* pinch = static_cast<TwoFingersPinchGesture*>(gesture.get());
    QCOMPARE(pinch->scaleFactor(), 1.0);
    QCOMPARE(pinch->lastScaleFactor(), 1.0);
    QCOMPARE(pinch->isVertical(), 0);

    auto begin = touch(QEvent::TouchBegin, a0, b0);
    QCOMPARE(recognizer.recognize(pinch, &target, &begin), QGestureRecognizer::MayBeGesture);
    auto move = touch(QEvent::TouchUpdate, a1, b1);
    QCOMPARE(recognizer.recognize(pinch, &target, &move), QGestureRecognizer::TriggerGesture);
    QVERIFY(std::abs(pinch->scaleFactor() - scale) < 1e-9);
    QCOMPARE(pinch->isVertical(), vertical);
    QCOMPARE(pinch->centerPoint(), centre);
}

void TestWidgets::nativeZoomGesture()
{
    // A touchpad pinch arrives as the platform's zoom gesture: value is the change of scale.
    TwoFingersPinchRecognizer recognizer;
    QWidget target;
    std::unique_ptr<QGesture> gesture(recognizer.create(&target));
    auto* pinch = static_cast<TwoFingersPinchGesture*>(gesture.get());
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
        QPointF(10, 10), QPointF(10, 10), QPointF(310, 210), 0.25, QPointF());
    QCOMPARE(recognizer.recognize(pinch, &target, &zoom), QGestureRecognizer::TriggerGesture);
    QVERIFY(std::abs(pinch->scaleFactor() - 1.25) < 1e-12);
    QCOMPARE(pinch->centerPoint(), QPointF(310, 210));
    QCOMPARE(pinch->isVertical(), 0);
    // A wild value is kept within the wheel's zoom limits.
    QNativeGestureEvent wild(Qt::ZoomNativeGesture, QPointingDevice::primaryPointingDevice(), 2,
        QPointF(), QPointF(), QPointF(), -3.0, QPointF());
    recognizer.recognize(pinch, &target, &wild);
    QCOMPARE(pinch->scaleFactor(), 0.5);
    QCOMPARE(pinch->lastScaleFactor(), 1.25);
}

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
