#include "engine/deco.h"
#include "oracle.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

// Dive state, no-decompression limit and ascent schedule, checked by hand and against the
// plain ascent of oracle.h (every level scanned, 5-second steps from zero, no warm start, no
// closed form).
namespace {

config_t makeConfig(int gfLow, int gfHigh)
{
    config_t config;
    config.set_gf(make_gf(static_cast<uint8_t>(gfLow), static_cast<uint8_t>(gfHigh)));
    return config;
}

// Tissues after a descent at 20 m/min and a bottom time, breathing the config's current gas.
tissues_t dive(const config_t& config, double depthM, double bottomMin)
{
    tissues_t t;
    const float p = depth_to_pressure(config, float(depthM));
    const gas_t& gas = *config.current_gas();
    const float* sp = config.current_setpoint();
    const float descent = float(depthM / 20.0);
    load_ramp(t, config.surfacePressure, p, descent, gas, sp);
    load_constant(t, p, int32_t(std::lround((bottomMin - descent) * 60.0)), gas, sp);
    return t;
}

deco_t decoAt(const config_t& config, const tissues_t& t, float p, float extraMin = 0.0f)
{
    deco_t deco;
    init_deco(deco, config);
    compute_deco(deco, config, t, p, extraMin);
    return deco;
}

} // namespace

struct TraceRow
{
    float depthM, bottomMin;
    int o2, he, decoO2, gfLow, gfHigh; // decoO2 0: no deco gas
};
Q_DECLARE_METATYPE(TraceRow)
struct ExposureRow
{
    bool msClock;
    qint64 start, current;
    int offsetS;
    qint64 expected;
};
struct GfRow
{
    int low, high, anchor, level;
    double expected;
};

class TestDeco : public QObject
{
    Q_OBJECT

private slots:
    void init() { init_zhl16c(); }

    void ndlAgainstHandCalculation()
    {
        // Air at GF 100/100 from a saturated surface state, instant descent. Worked by hand from
        // the published coefficients: at depth each compartment approaches
        // Pi = (P - 0.0627) x 0.79 as Pi + (p0 - Pi) e^(-kt); the ascent at 11 m/min is a linear
        // change of the inspired pressure (Schreiner equation); the tension on arrival must not
        // exceed the surface M-value a + Ps / b. The limit is found by bisection on t.
        const config_t config = makeConfig(100, 100);
        const double ps = 1.013, p0 = (ps - 0.0627) * 0.79;
        for (double depthM : { 12.0, 18.0, 24.0, 30.0, 40.0 }) {
            const double p = 1.03 * 9.80665 * depthM / 100.0 + ps;
            const double pi = (p - 0.0627) * 0.79, ascent = (p - ps) / 1.1;
            const double rate = (p0 - pi) / ascent;
            auto allowed = [&](double t) {
                for (int i = 0; i < 16; ++i) {
                    const double k = std::log(2.0) / oracle::kN2HalfTime[i];
                    const double bottom = pi + (p0 - pi) * std::exp(-k * t);
                    const double arrival = pi + rate * (ascent - 1.0 / k)
                        - (pi - bottom - rate / k) * std::exp(-k * ascent);
                    if (arrival > oracle::kN2A[i] + ps / oracle::kN2B[i])
                        return false;
                }
                return true;
            };
            double lo = 0.0, hi = 250.0;
            while (hi - lo > 1e-7)
                (allowed((lo + hi) / 2) ? lo : hi) = (lo + hi) / 2;
            const float ndl = ndl_minutes(250.0f, config, tissues_t(), float(p));
            QVERIFY2(std::fabs(ndl - lo) < 0.02,
                qPrintable(QString("%1 m: engine %2, by hand %3").arg(depthM).arg(ndl).arg(lo)));
        }
    }

    void ndlAtSurface()
    {
        // At the surface there is no ascent: an explicit answer, not a NaN comparison, on air and
        // on trimix (the search path); tissues over the surface limit give 0.
        for (int he : { 0, 45 }) {
            for (bool loaded : { false, true }) {
                config_t config = makeConfig(80, 80);
                config.openGases[0] = make_gas(he ? 18 : 21, static_cast<uint8_t>(he));
                config.set_mode(0);
                tissues_t t;
                if (loaded) {
                    float n2[kCompartments], hePressures[kCompartments] = {};
                    for (float& v : n2)
                        v = 3.5f; // far above every surface M-value
                    set_tissues(t, n2, hePressures, 0.0f);
                }
                const float expected = loaded ? 0.0f : 250.0f;
                QCOMPARE(ndl_minutes(250.0f, config, t, config.surfacePressure), expected);
                QCOMPARE(ndl_minutes(12.0f, config, t, config.surfacePressure), expected);
                const deco_t deco = decoAt(config, t, config.surfacePressure);
                QCOMPARE(deco.ndl, expected);
                // Over the limit the decompression branch runs in the same call.
                QCOMPARE(deco.stopCount > 0, loaded);
                if (!loaded)
                    QCOMPARE(deco.dtr, 0.0f);
            }
        }
    }

    void ndlAgainstOracle()
    {
        // Air and nitrox take the closed form (exact minutes), trimix and closed circuit the
        // search; the oracle gives whole 5-second steps: they agree within one step (1/12 minute)
        // plus float noise.
        for (auto [o2, he, closedCircuit] :
            { std::tuple { 21, 0, false }, { 32, 0, false }, { 21, 35, false }, { 21, 0, true } }) {
            config_t config = makeConfig(85, 85);
            const gas_t gas = make_gas(static_cast<uint8_t>(o2), static_cast<uint8_t>(he));
            config.openGases[0] = gas;
            config.closedGases[0] = gas;
            config.set_mode(closedCircuit ? 1 : 0);
            const oracle::Setup setup = oracle::setupOf(config);
            oracle::Random rnd(77 + o2 + he);
            for (int n = 0; n < 24; ++n) {
                const double depth = rnd.uniform(9.0, 45.0);
                const double minutes = rnd.uniform(1.0, 40.0);
                const tissues_t t = dive(config, depth, std::max(minutes, depth / 20.0 + 0.1));
                const float p = depth_to_pressure(config, float(rnd.uniform(6.0, depth)));
                const double expected = oracle::ndlMinutes(
                    setup, oracle::fromEngine(t), p, oracle::currentOf(config));
                const float cold = ndl_minutes(250.0f, config, t, p);
                QVERIFY2(std::fabs(cold - expected) <= 5.0 / 60.0 + 1e-3,
                    qPrintable(QString("%1/%2: engine %3, oracle %4")
                                   .arg(o2)
                                   .arg(he)
                                   .arg(cold)
                                   .arg(expected)));
                // The search answers in the oracle's steps: never a step past the last allowed.
                if (he || closedCircuit)
                    QVERIFY2(cold <= expected + 1e-3, qPrintable(QString::number(cold)));
                // Warm starts from a nearby or far-off previous answer give the same result.
                for (float previous : { cold + 1.0f, cold - 3.0f, 0.5f, 100.0f })
                    QCOMPARE(ndl_minutes(previous, config, t, p), cold);
            }
        }
    }

    void noDecoAscentTime()
    {
        // Last stop 3 m: below it 11 m/min (1.1 bar/min), above it 6 m/min (0.6 bar/min).
        const double barPerM = 1.03 * 9.80665 / 100.0;
        const config_t config = makeConfig(80, 80);
        for (auto [depthM, dtr] : { std::pair { 0.0, 0.0 },
                 { 20.0, 17 * barPerM / 1.1 + 3 * barPerM / 0.6 }, { 2.0, 2 * barPerM / 0.6 } }) {
            const deco_t deco
                = decoAt(config, tissues_t(), depth_to_pressure(config, float(depthM)));
            QVERIFY2(std::fabs(deco.dtr - dtr) < 1e-4, qPrintable(QString::number(deco.dtr)));
            QCOMPARE(deco.stopCount, 0);
            QCOMPARE(deco.firstStopIndex, 0);
        }
    }

    void safetyStop()
    {
        const config_t config = makeConfig(80, 80);
        const tissues_t t = dive(config, 18.0, 20.0);
        const float p = depth_to_pressure(config, 18.0f);
        const float plainDtr = decoAt(config, t, p).dtr;
        const deco_t deco = decoAt(config, t, p, 3.0f);
        QCOMPARE(deco.stopCount, 1);
        QVERIFY(std::fabs(deco.stops[0].pressure - stop_pressure(config, 1)) < 1e-6f);
        QCOMPARE(deco.stops[0].duration, 3.0f);
        QCOMPARE(int(deco.stops[0].safety), 1);
        QVERIFY(std::fabs(deco.dtr - (plainDtr + 3.0f)) < 1e-5f);
        QCOMPARE(deco.stopTime, 3.0f);
        QVERIFY(deco.ndl > 0.0f);

        // With an obligation the minutes go to the last stop, which is no longer a safety stop.
        const tissues_t deep = dive(config, 40.0, 25.0);
        const float p40 = depth_to_pressure(config, 40.0f);
        const deco_t plain = decoAt(config, deep, p40);
        const int count = plain.stopCount;
        QVERIFY(count > 0);
        const deco_t extra = decoAt(config, deep, p40, 3.0f);
        QCOMPARE(extra.stopCount, count);
        QVERIFY(std::fabs(extra.stops[count - 1].duration - (plain.stops[count - 1].duration + 3))
            < 1e-4f);
        QCOMPARE(int(extra.stops[count - 1].safety), 0);
        QVERIFY(std::fabs(extra.dtr - (plain.dtr + 3.0f)) < 1e-3f);
    }

    void impossibleStopIsReported()
    {
        // A nearly pure nitrogen mix at GF 0, without helium (closed form) and with (search): the
        // inspired nitrogen at each stop exceeds what the next level tolerates, so the tissues can
        // never come down to it.
        for (int he : { 0, 10 }) {
            config_t config = makeConfig(0, 0);
            config.openGases[0] = make_gas(5, static_cast<uint8_t>(he));
            config.set_mode(0);
            const tissues_t t = dive(config, 30.0, 40.0);
            const float p = depth_to_pressure(config, 30.0f);

            bool unbounded = false;
            const float sp = std::numeric_limits<float>::infinity();
            QCOMPARE(stop_minutes(5.0f, t, stop_pressure(config, 1), *config.current_gas(), &sp,
                         config.surfacePressure, 0.0f, &unbounded),
                kStopCapMin);
            QVERIFY(unbounded);

            deco_t deco = decoAt(config, t, p);
            QCOMPARE(int(deco.decoImpossible), 1);
            QVERIFY(std::isfinite(deco.dtr) && deco.stopTime >= kStopCapMin);
            for (const stop_t& s : deco.stops)
                QVERIFY(
                    std::isfinite(s.duration) && s.duration >= 0.0f && s.duration <= kStopCapMin);
            // The hints stay usable: a second call gives the same answer.
            const float dtr = deco.dtr;
            QVERIFY(compute_deco(deco, config, t, p, 0.0f));
            QCOMPARE(deco.dtr, dtr);
            QCOMPARE(int(deco.decoImpossible), 1);

            // An ordinary dive clears the flag.
            const config_t air = makeConfig(80, 80);
            compute_deco(deco, air, dive(air, 40.0, 25.0), depth_to_pressure(air, 40.0f), 0.0f);
            QCOMPARE(int(deco.decoImpossible), 0);
            QVERIFY(deco.stopCount > 0);
        }
    }

    void tensionAtLimitNeedsNoTime()
    {
        // A tension exactly at the allowed value needs no stop, whichever way the gas pulls it
        // (breathing 3.0 or 0.5 bar of nitrogen), as the search treats equality as allowed.
        const float next = 1.5f, gf = 0.7f;
        for (double inspired : { 3.0, 0.5 }) {
            tissues_t t;
            float n2[kCompartments], he[kCompartments] = {};
            for (float& v : n2)
                v = 0.8f;
            set_tissues(t, n2, he, 0.0f);
            // Compartment 6 exactly at M = (gf / b - gf + 1) Pnext + a gf.
            t.pN2[5] = float((gf / oracle::kN2B[5] - gf + 1.0) * next + oracle::kN2A[5] * gf);
            while (t.pN2[5] > max_tension(t, next, 5, gf))
                t.pN2[5] = std::nextafter(t.pN2[5], 0.0f);
            // Breathing air at the pressure that gives the wanted inspired nitrogen.
            const float stopPressure = float(inspired / 0.79 + 0.0627);
            QCOMPARE(stop_minutes(3.0f, t, stopPressure, make_gas(21, 0), nullptr, next, gf), 0.0f);
        }
    }

    void everyDeepStopIsKept()
    {
        // A deep, long trimix dive needs more than 48 stop levels; every level down to the last
        // stop must be in the list, and dtr must be the stops plus the transits between them.
        config_t config = makeConfig(30, 70);
        config.openGases[0] = make_gas(10, 70);
        config.set_mode(0);
        const float p = depth_to_pressure(config, 200.0f);
        const deco_t deco = decoAt(config, dive(config, 200.0, 60.0), p);
        QVERIFY2(deco.stopCount > 48, qPrintable(QString::number(deco.stopCount)));
        QCOMPARE(deco.stopCount, deco.firstStopIndex);
        double transit = (p - deco.firstStopPressure) / 1.1;
        double stops = 0.0;
        bool slow = false;
        for (int i = 0; i < deco.stopCount; ++i) {
            const int level = deco.firstStopIndex - i;
            QVERIFY(std::fabs(deco.stops[i].pressure - stop_pressure(config, level)) < 1e-5f);
            stops += deco.stops[i].duration;
            slow = slow || deco.stops[i].duration > 0.0f;
            transit += (stop_pressure(config, level) - stop_pressure(config, level - 1))
                / (slow ? 0.6 : 1.1);
        }
        QVERIFY(std::fabs(deco.stopTime - stops) < 1e-2);
        QVERIFY(std::fabs(deco.dtr - (stops + transit)) < 1e-2);
    }

    void ascentAgainstOracle_data()
    {
        QTest::addColumn<double>("shallowest");
        QTest::addColumn<double>("deepest");
        QTest::addColumn<QList<int>>("gases"); // O2 and He of each enabled slot
        QTest::addColumn<bool>("closedCircuit");
        QTest::newRow("air") << 10.0 << 50.0 << QList<int> { 21, 0 } << false;
        QTest::newRow("nitrox with deco gases")
            << 15.0 << 45.0 << QList<int> { 32, 0, 50, 0, 100, 0 } << false;
        QTest::newRow("trimix with deco gases")
            << 10.0 << 60.0 << QList<int> { 18, 45, 21, 35, 50, 0, 100, 0 } << false;
        QTest::newRow("deep trimix with deco gases")
            << 60.0 << 100.0 << QList<int> { 10, 70, 21, 35, 50, 0, 100, 0 } << false;
        QTest::newRow("closed circuit setpoints") << 10.0 << 60.0 << QList<int> { 21, 0 } << true;
        QTest::newRow("trimix closed circuit") << 10.0 << 100.0 << QList<int> { 10, 60 } << true;
    }

    void ascentAgainstOracle();

    void exposureIndex()
    {
        // By hand: sqrt(minutes) x 1.03 x 9.80665 x depth / 100 at 30 m (3.0303 bar over the
        // surface): 36 minutes past the offset give 6 x 3.03.
        const ExposureRow rows[] = {
            { false, 1000, 3400, 240, 18 }, // 40 min, 4 min offset
            { false, 50, 50, 0, 0 }, // no time elapsed
            { false, 0, 100, 240, 0 }, // before the offset
            { false, 5000, 10, 0, 0 }, // clock went back
            { true, 0, 540000, 0, 9 }, // ms clock, 9 minutes
            { true, 540000, 1000, 0, 0 }, // ms clock behind start
        };
        for (const ExposureRow& row : rows) {
            dive_t d;
            d.msClock = row.msClock ? 1 : 0;
            if (row.msClock) {
                d.startMs = uint32_t(row.start);
                d.currentMs = uint32_t(row.current);
            } else {
                d.startTime = row.start;
                d.currentTime = row.current;
            }
            d.depthDm = 300;
            d.offsetS = uint32_t(row.offsetS);
            QCOMPARE(d.exposure_index(), row.expected);
            d.depthDm = 0; // at the surface
            QCOMPARE(d.exposure_index(), qint64(0));
        }
    }

    void garbageTissues()
    {
        // Tissues as a damaged plan file may deliver them (value in every third compartment and
        // helium latch): the engine must come back with bounded numbers and no endless search.
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        const config_t config = makeConfig(30, 85);
        for (auto [value, hasHe] : { std::pair { nan, 0 }, { nan, 1 }, { inf, 0 }, { -5.0f, 1 },
                 { 1e30f, 0 }, { 1e30f, 1 }, { 2.0f, 0xab } }) {
            tissues_t t;
            for (int i = 0; i < kCompartments; i += 3) {
                t.pN2[i] = value;
                t.pHe[i] = hasHe ? value : 0.0f;
            }
            t.hasHe = uint8_t(hasHe);
            deco_t deco;
            init_deco(deco, config);
            for (int call = 0; call < 3; ++call) {
                QVERIFY(compute_deco(deco, config, t, depth_to_pressure(config, 30.0f), 0.0f));
                QVERIFY(deco.stopCount >= 0 && deco.stopCount <= kStopCapacity);
                QVERIFY(deco.firstStopIndex >= 0 && deco.firstStopIndex <= kMaxStopLevel);
                for (const stop_t& s : deco.stops)
                    QVERIFY(
                        std::isfinite(s.duration) && s.duration >= 0 && s.duration <= kStopCapMin);
                QVERIFY(!(deco.ndl > kNdlCapMin));
            }
        }
    }

    void gfInterpolation()
    {
        // Level n is at 3n m, so pressures are evenly spaced and f = (P - Pa) / (Ps - Pa) is the
        // share of the levels climbed from the anchor: gf = gfLow + f (gfHigh - gfLow).
        const GfRow rows[] = {
            // A level is judged from at least the level below it: at the anchor level itself the
            // reference is level 7.
            { 30, 85, 6, 6, 0.30 + 0.55 / 7 },
            { 30, 85, 6, 5, 0.30 + 0.55 / 6.0 }, // one level above the anchor
            { 30, 85, 6, 3, 0.30 + 0.5 * 0.55 }, // halfway up
            { 30, 85, 6, 1, 0.30 + (5.0 / 6.0) * 0.55 }, // last stop
            { 30, 85, 6, 0, 0.85 }, // surface
            { 70, 70, 6, 3, 0.70 }, // equal factors everywhere
            // Without an anchor a level is judged as if the first stop were the level below it.
            { 30, 85, 0, 3, 0.30 + (1.0 / 4.0) * 0.55 },
            { 30, 85, 0, 0, 0.85 },
        };
        for (const GfRow& row : rows) {
            const config_t config = makeConfig(row.low, row.high);
            deco_t deco;
            init_deco(deco, config);
            deco.anchorIndex = row.anchor;
            deco.anchorPressure = row.anchor ? stop_pressure(config, row.anchor) : 0.0f;
            const float gf = gf_at(deco, config, stop_pressure(config, row.level), row.level);
            QVERIFY2(std::fabs(gf - row.expected) < 1e-5,
                qPrintable(
                    QString("anchor %1, level %2: %3").arg(row.anchor).arg(row.level).arg(gf)));
        }
    }

    void oxygenDoseOfAStep();

    void traceMatchesFullSchedulePerSlice_data()
    {
        QTest::addColumn<TraceRow>("row");
        QTest::newRow("air-45m-80min-50/80") << TraceRow { 45, 80, 21, 0, 0, 50, 80 };
        QTest::newRow("air-30m-40min-80/80") << TraceRow { 30, 40, 21, 0, 0, 80, 80 };
        QTest::newRow("nx32-36m-50min-ean50") << TraceRow { 36, 50, 32, 0, 50, 30, 85 };
        QTest::newRow("tx18/45-60m-20min-ean50") << TraceRow { 60, 20, 18, 45, 50, 50, 80 };
        QTest::newRow("tx10/70-100m-15min-o2") << TraceRow { 100, 15, 10, 70, 100, 20, 70 };
    }

    void traceMatchesFullSchedulePerSlice();
};

void TestDeco::ascentAgainstOracle()
{
    // Generated dives (10-100 m, 5-120 min) at gfLow != gfHigh. At the end of the bottom and
    // along the ascent (walked in 2-second slices with warm-started calls, as the ceiling trace
    // does), with or without an obligation, the engine's first stop and stop list must equal
    // the oracle's, stop times within one 5-second step (see below), and a cold call must give
    // exactly the warm call's answer.
    QFETCH(double, shallowest);
    QFETCH(double, deepest);
    QFETCH(QList<int>, gases);
    QFETCH(bool, closedCircuit);
    oracle::Random rnd(4242 + uint64_t(deepest) + uint64_t(gases.size()) + closedCircuit);
    int compared = 0;
    for (int n = 0; n < 14; ++n) {
        const int gfLow = rnd.range(20, 60);
        const int gfHigh = rnd.range(gfLow + 5, 95);
        config_t config = makeConfig(gfLow, gfHigh);
        config.lastStopIndex = uint32_t(rnd.range(0, 1));
        config.set_units(true);
        const double depth = rnd.uniform(shallowest, deepest);
        for (int g = 0; g < gases.size() / 2; ++g)
            (closedCircuit ? config.closedGases : config.openGases)[g]
                = make_gas(uint8_t(gases[2 * g]), uint8_t(gases[2 * g + 1]));
        (closedCircuit ? config.closedMask : config.openMask)
            = uint8_t((1 << gases.size() / 2) - 1);
        config.set_mode(closedCircuit ? 1 : 0);
        config.currentSetpoint = uint16_t(closedCircuit ? rnd.range(0, 1) : 0);
        const double bottom = rnd.uniform(5.0, depth > 60 ? 40.0 : 120.0);
        tissues_t walker = dive(config, depth, std::max(bottom, depth / 20.0 + 0.5));
        const oracle::Setup setup = oracle::setupOf(config);
        deco_t deco;
        init_deco(deco, config);
        float pc = depth_to_pressure(config, float(depth));
        // Walk: compare at the bottom, then every 90th slice of a direct 2-second ascent.
        for (int slice = 0; slice < 2000; ++slice) {
            const int anchor = deco.anchorIndex;
            const double anchorP = deco.anchorPressure;
            deco_t cold = deco;
            compute_deco(deco, config, walker, pc, 0.0f);
            if (slice % 90 == 0) {
                const oracle::Ascent ref = oracle::ascent(setup, oracle::fromEngine(walker), pc,
                    anchor, anchor ? anchorP : 0.0, oracle::currentOf(config));
                const QByteArray where = QString::asprintf(
                    "dive %d (%g m, %g min) at %g bar", n, depth, bottom, double(pc))
                                             .toUtf8();
                QVERIFY2(deco.firstStopIndex == ref.firstStop, where);
                QCOMPARE(deco.anchorIndex, ref.anchor);
                QVERIFY2(deco.stopCount == int(ref.stops.size()), where);
                for (int i = 0; i < deco.stopCount; ++i) {
                    const stop_t& s = deco.stops[i];
                    const oracle::Stop& r = ref.stops[size_t(i)];
                    QVERIFY(std::fabs(s.pressure - r.pressure) < 1e-5);
                    QCOMPARE(int(s.gasIndex), r.gasIndex);
                    QCOMPARE(int(s.setpointIndex), r.setpointIndex);
                    // One 5-second step, plus the float-versus-double tension difference,
                    // which long shallow stops (slow compartments near their limit) turn
                    // into seconds: 1 s and 0.1 % of the stop.
                    QVERIFY2(std::fabs(s.duration - r.minutes) <= 6.0 / 60.0 + 1e-3 * r.minutes,
                        where + " stop " + QByteArray::number(i) + ": "
                            + QByteArray::number(s.duration) + " vs "
                            + QByteArray::number(r.minutes));
                }
                QCOMPARE(int(deco.decoImpossible), ref.capped ? 1 : 0);

                // Cold: same anchor state, no hints.
                for (stop_t& s : cold.stops)
                    s.duration = 5.0f;
                cold.firstStopIndex = 0;
                cold.ndl = 250.0f;
                compute_deco(cold, config, walker, pc, 0.0f);
                QCOMPARE(cold.firstStopIndex, deco.firstStopIndex);
                QCOMPARE(cold.stopCount, deco.stopCount);
                for (int i = 0; i < deco.stopCount; ++i)
                    QCOMPARE(cold.stops[i].duration, deco.stops[i].duration);
                QCOMPARE(cold.dtr, deco.dtr);
                ++compared;
            }
            if (pc <= config.surfacePressure)
                break;
            // Direct ascent toward the current first stop (or the surface), in 2-second slices.
            const float target
                = deco.stopCount > 0 ? deco.stops[0].pressure : config.surfacePressure;
            const float next = std::max(target, pc - config.ascent_rate() * 2.0f / 60.0f);
            if (next == pc) {
                load_constant(walker, pc, 2, *config.current_gas(), config.current_setpoint());
            } else {
                load_ramp(walker, pc, next, 2.0f / 60.0f, *config.current_gas(),
                    config.current_setpoint());
                pc = next;
            }
        }
    }
    QVERIFY(compared >= 14);
}

void TestDeco::oxygenDoseOfAStep()
{
    // OTU by hand: ppO2 0.32 x 4 = 1.28 bar, ((1.28 - 0.5) / 0.5)^(5/6) = 1.4486 per minute.
    // CNS by hand: 1.28 bar lies 3/5 of the way from 1.25 (195 min) to 1.30 (180 min): 186 min.
    const config_t config = makeConfig(30, 85);
    tissues_t stepped;
    deco_t deco;
    init_deco(deco, config);
    float otu = 0.0f;
    dive_step(stepped, deco, config, 0.0f, 4.0f, 600.0f, 4.0f, make_gas(32, 0), nullptr, otu);
    QVERIFY(std::fabs(otu - 10.0 * std::pow(1.56, 5.0 / 6.0)) < 1e-3);
    QVERIFY(std::fabs(stepped.cns - 10.0 / 186.0) < 1e-5);
}

void TestDeco::traceMatchesFullSchedulePerSlice()
{
    // The trace takes its ceiling from the first stop alone; the ceiling before that change was
    // compute_deco's, with every stop of the schedule searched at every slice. Both must give
    // the same ceiling to the bit over a whole dive: descent, bottom, stops with gas switches.
    // The reference walk loads its own 2-second slices (the last one shorter), so a trace that
    // slices or loads the tissues differently fails here too.
    QFETCH(TraceRow, row);
    const auto [depthM, bottomMin, o2, he, decoO2, gfLow, gfHigh] = row;
    config_t config = makeConfig(gfLow, gfHigh);
    config.openGases[0] = make_gas(quint8(o2), quint8(he));
    config.openGases[1] = make_gas(quint8(decoO2 ? decoO2 : o2), 0);
    config.openMask = decoO2 ? 0x03 : 0x01;
    config.set_mode(0);

    // The diver's walk: the schedule at the end of the bottom gives the ascent's segments.
    struct segment_t
    {
        float t0, p0, t1, p1;
        int gas;
    };
    const float surface = config.surfacePressure;
    const float bottom = depth_to_pressure(config, depthM);
    const float descentS = depthM / 20.0f * 60.0f;
    std::vector<segment_t> segments
        = { { 0, surface, descentS, bottom, 0 }, { descentS, bottom, bottomMin * 60, bottom, 0 } };
    tissues_t diver;
    deco_t schedule;
    init_deco(schedule, config);
    float otu = 0;
    config.currentGas = 0;
    for (const segment_t& s : segments)
        dive_step(
            diver, schedule, config, s.t0, s.p0, s.t1, s.p1, *config.gas_at(s.gas), nullptr, otu);
    QVERIFY(schedule.stopCount > 0);
    float t = bottomMin * 60;
    float p = bottom;
    for (int i = 0; i < schedule.stopCount; ++i) {
        const stop_t& stop = schedule.stops[i];
        const float legS = (p - stop.pressure) / config.ascent_rate() * 60.0f;
        segments.push_back(
            { t, p, t + legS, stop.pressure, i == 0 ? 0 : schedule.stops[i - 1].gasIndex });
        t += legS;
        segments.push_back(
            { t, stop.pressure, t + stop.duration * 60.0f, stop.pressure, stop.gasIndex });
        t += stop.duration * 60.0f;
        p = stop.pressure;
    }

    std::vector<std::pair<float, float>> fast, full;
    tissues_t fastTissues, fullTissues;
    deco_t fastDeco, fullDeco;
    init_deco(fastDeco, config);
    init_deco(fullDeco, config);
    for (const segment_t& s : segments) {
        const gas_t& gas = *config.gas_at(s.gas);
        trace_ceiling(
            fastTissues, fastDeco, config, s.t0, s.p0, s.t1, s.p1, gas, nullptr,
            [](void* c, float timeS, float bar) {
                static_cast<std::vector<std::pair<float, float>>*>(c)->emplace_back(timeS, bar);
            },
            &fast);
        // The slices as they were traced before, each with the whole schedule.
        const float slope = (s.p1 - s.p0) / (s.t1 - s.t0);
        for (float u = s.t0, q = s.p0; u < s.t1;) {
            const float uNext = std::min(u + 2.0f, s.t1);
            const float qNext = s.p0 + slope * (uNext - s.t0);
            load_ramp(fullTissues, q, qNext, (uNext - u) / 60.0f, gas, nullptr);
            compute_deco(fullDeco, config, fullTissues, qNext, 0.0f);
            if (fullDeco.ceiling > surface)
                full.emplace_back(uNext, fullDeco.ceiling);
            u = uNext;
            q = qNext;
        }
    }
    QVERIFY(full.size() > 100);
    QCOMPARE(fast.size(), full.size());
    // To the bit (pairs of floats, no padding): QCOMPARE on floats would accept a difference
    // in the last digits.
    QVERIFY(std::memcmp(fast.data(), full.data(), full.size() * sizeof full[0]) == 0);
}

QTEST_APPLESS_MAIN(TestDeco)
#include "tst_deco.moc"
