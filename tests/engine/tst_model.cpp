#include "engine/model.h"
#include "oracle.h"

#include <QtTest>

#include <cmath>
#include <cstring>
#include <limits>

// The tissue model: coefficients, gas loading, oxygen toxicity and M-value limits, checked by
// hand and against the plain double-precision model in oracle.h.
class TestModel : public QObject
{
    Q_OBJECT

private slots:
    void init() { init_zhl16c(); }

    void coefficients_data();
    void coefficients();
    void powerTables();
    void freshTissues();
    void inspiredPressures_data();
    void inspiredPressures();
    void modPressure_data();
    void modPressure();
    void loadConstantComposes_data();
    void loadConstantComposes();
    void shortRampTakesConstantPath_data();
    void shortRampTakesConstantPath();
    void rampCacheFollowsDuration();
    void cnsAndOtuRates_data();
    void cnsAndOtuRates();
    void cnsElimination();
    void toleratedPressure_data();
    void toleratedPressure();
    void zeroTensionsFromPlanFile();
    void gfReachedAndMaxTension();
    void oracleAgreement_data();
    void oracleAgreement();
};

void TestModel::coefficients_data()
{
    QTest::addColumn<int>("compartment");
    for (int i = 0; i < kCompartments; ++i)
        QTest::newRow(qPrintable(QString("compartment %1").arg(i + 1))) << i;
}

void TestModel::coefficients()
{
    // Every coefficient against the printed tables copied into oracle.h, so a typo in one
    // value fails here (the tissue and ceiling checks below would pass with a near miss). The
    // helium b of compartment 13 is the one deliberate difference (see oracle.h).
    QFETCH(int, compartment);
    const int i = compartment;
    QCOMPARE(kZhl16cN2HalfTime[i], float(oracle::kN2HalfTime[i]));
    QCOMPARE(kZhl16cN2A[i], float(oracle::kN2A[i]));
    QCOMPARE(kZhl16cN2B[i], float(oracle::kN2B[i]));
    QCOMPARE(kZhl16cHeHalfTime[i], float(oracle::kHeHalfTime[i]));
    QCOMPARE(kZhl16cHeA[i], float(oracle::kHeA[i]));
    QCOMPARE(kZhl16cHeB[i], float(oracle::heB(i)));
}

void TestModel::powerTables()
{
    const model_t& m = current_model();
    for (int i = 0; i < kCompartments; ++i) {
        const double k = std::log(2.0) / oracle::kN2HalfTime[i];
        QVERIFY(std::fabs(m.n2K[i] - k) / k < 1e-6);
        for (int j = 0; j < kPowerSteps; ++j) {
            const double e = std::exp(-k * (1 << j) / 60.0);
            QVERIFY(std::fabs(m.n2E[j][i] - e) < 1e-6);
            QVERIFY(std::fabs(m.n2G[j][i] - (1 - e) / k) < 1e-5);
        }
    }
}

void TestModel::freshTissues()
{
    // (1.013 - 0.0627) x 0.79 = 0.750737 bar in every compartment.
    const tissues_t fresh;
    for (int i = 0; i < kCompartments; ++i) {
        QVERIFY(std::fabs(fresh.pN2[i] - 0.750737) < 1e-6);
        QCOMPARE(fresh.pHe[i], 0.0f);
    }
    QCOMPARE(fresh.cns, 0.0f);
    QCOMPARE(int(fresh.hasHe), 0);
    QCOMPARE(int(fresh.spareByte), 2);
    QVERIFY(std::fabs(fresh.spareValue - 0.32f) < 1e-7f);
    // No ceiling: the tolerated pressure lies below the surface (depth 0).
    QVERIFY(ceiling_pressure(fresh, 0.8f) < 1.013f);
    QCOMPARE(pressure_to_depth(ceiling_pressure(fresh, 0.8f)), 0.0f);

    tissues_t t = fresh;
    load_constant(t, 4.0f, 600, make_gas(18, 45), nullptr);
    reset_tissues(t, 2.0f);
    QVERIFY(std::fabs(t.pN2[5] - (2.0 - 0.0627) * 0.79) < 1e-6);
    QCOMPARE(int(t.hasHe), 0);
    QCOMPARE(t.pHe[0], 0.0f);

    float n2[kCompartments], he[kCompartments] = {};
    for (int i = 0; i < kCompartments; ++i)
        n2[i] = 1.0f + i;
    set_tissues(t, n2, he, 0.25f);
    QCOMPARE(int(t.hasHe), 0);
    QCOMPARE(t.pN2[15], 16.0f);
    he[7] = 0.1f;
    set_tissues(t, n2, he, 0.25f);
    QCOMPARE(int(t.hasHe), 1);
    QCOMPARE(t.cns, 0.25f);
}

void TestModel::inspiredPressures_data()
{
    QTest::addColumn<int>("o2");
    QTest::addColumn<int>("he");
    QTest::addColumn<double>("setpoint"); // < 0: open circuit
    QTest::addColumn<double>("pressure");
    QTest::addColumn<double>("n2");
    QTest::addColumn<double>("heExpected");
    QTest::addColumn<double>("ppo2");

    const double dry4 = 4.0 - 0.0627;
    QTest::newRow("air at 30 m") << 21 << 0 << -1.0 << 4.0 << dry4 * 0.79 << 0.0 << 0.84;
    QTest::newRow("trimix 18/45") << 18 << 45 << -1.0 << 4.0 << dry4 * 0.37 << dry4 * 0.45 << 0.72;
    QTest::newRow("oxygen at depth") << 100 << 0 << -1.0 << 2.2 << 0.0 << 0.0 << 2.2;
    QTest::newRow("loop 1.3 air diluent")
        << 21 << 0 << 1.3 << 4.0 << (dry4 - 1.3) * 0.79 / 0.79 << 0.0 << 1.3;
    QTest::newRow("loop trimix diluent") << 18 << 45 << 1.3 << 4.0 << (dry4 - 1.3) * 0.37 / 0.82
                                         << (dry4 - 1.3) * 0.45 / 0.82 << 1.3;
    QTest::newRow("loop setpoint reaches dry ambient")
        << 21 << 30 << 1.4 << 1.4627 << 0.0 << 0.0 << 1.4;
    QTest::newRow("loop above ambient") << 21 << 30 << 1.3 << 1.2 << 0.0 << 0.0 << 1.2;
}

void TestModel::inspiredPressures()
{
    QFETCH(int, o2);
    QFETCH(int, he);
    QFETCH(double, setpoint);
    QFETCH(double, pressure);
    QFETCH(double, n2);
    QFETCH(double, heExpected);
    QFETCH(double, ppo2);
    const gas_t gas = make_gas(static_cast<uint8_t>(o2), static_cast<uint8_t>(he));
    const float sp = setpoint < 0 ? std::numeric_limits<float>::infinity() : float(setpoint);
    const float p = float(pressure);
    QVERIFY(std::fabs(inspired_n2(gas, &sp, p) - n2) < 2e-6);
    QVERIFY(std::fabs(inspired_he(gas, &sp, p) - heExpected) < 2e-6);
    QVERIFY(std::fabs(::ppo2(gas, &sp, p) - ppo2) < 2e-6);
    // NaN and a null setpoint also mean open circuit.
    if (setpoint < 0) {
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QCOMPARE(inspired_n2(gas, &nan, p), inspired_n2(gas, nullptr, p));
        QCOMPARE(::ppo2(gas, nullptr, p), ::ppo2(gas, &sp, p));
    }
}

void TestModel::modPressure_data()
{
    QTest::addColumn<int>("o2");
    QTest::addColumn<double>("setpoint");
    QTest::addColumn<double>("limit");
    QTest::addColumn<double>("expected");
    QTest::newRow("EAN50 at 1.6") << 50 << -1.0 << 1.6 << 3.2;
    QTest::newRow("oxygen at 1.6") << 100 << -1.0 << 1.6 << 1.6;
    QTest::newRow("air at 1.4") << 21 << -1.0 << 1.4 << 1.4 / 0.21;
    QTest::newRow("setpoint below limit") << 21 << 1.3 << 1.6 << 1.3 / 0.21;
    QTest::newRow("no oxygen gives 0, not infinity") << 0 << -1.0 << 1.6 << 0.0;
}

void TestModel::modPressure()
{
    QFETCH(int, o2);
    QFETCH(double, setpoint);
    QFETCH(double, limit);
    QFETCH(double, expected);
    const gas_t gas = make_gas(static_cast<uint8_t>(o2), 0);
    const float sp = setpoint < 0 ? std::numeric_limits<float>::infinity() : float(setpoint);
    const float mod = mod_pressure(gas, &sp, float(limit), 3.2f, 5.2f);
    QVERIFY(std::isfinite(mod));
    QVERIFY(std::fabs(mod - expected) < 1e-5);
}

void TestModel::loadConstantComposes_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<int>("split");
    QTest::newRow("1000 = 512 + 488") << 1000 << 512;
    QTest::newRow("every bit 1023 = 1 + 1022") << 1023 << 1;
    QTest::newRow("one hour = 1800 + 1800") << 3600 << 1800;
    QTest::newRow("zero seconds") << 0 << 0;
    QTest::newRow("negative seconds do nothing") << -30 << 0;
}

void TestModel::loadConstantComposes()
{
    QFETCH(int, seconds);
    QFETCH(int, split);
    const gas_t gas = make_gas(21, 35);
    tissues_t whole;
    load_constant(whole, 5.0f, seconds, gas, nullptr);
    tissues_t parts;
    load_constant(parts, 5.0f, split, gas, nullptr);
    load_constant(parts, 5.0f, seconds - split, gas, nullptr);

    oracle::Tissues ref = oracle::airAt(1.013);
    if (seconds > 0)
        oracle::constant(ref, 5.0, seconds / 60.0, oracle::gasOf(gas), INFINITY);
    for (int i = 0; i < kCompartments; ++i) {
        QVERIFY(std::fabs(whole.pN2[i] - parts.pN2[i]) < 1e-5f);
        QVERIFY(std::fabs(whole.pHe[i] - parts.pHe[i]) < 1e-5f);
        QVERIFY(std::fabs(whole.pN2[i] - ref.n2[i]) < 2e-5);
        QVERIFY(std::fabs(whole.pHe[i] - ref.he[i]) < 2e-5);
    }
    QCOMPARE(int(whole.hasHe), seconds > 0 ? 1 : 0);
    if (seconds <= 0)
        QVERIFY(std::memcmp(&whole, &parts, sizeof whole) == 0);
}

void TestModel::shortRampTakesConstantPath_data()
{
    QTest::addColumn<double>("p1");
    QTest::addColumn<double>("p2");
    QTest::addColumn<int>("seconds");
    QTest::newRow("equal pressures, 2 s") << 3.0 << 3.0 << 2;
    QTest::newRow("equal pressures, one hour") << 3.0 << 3.0 << 3600;
    QTest::newRow("0.01 bar over 2 s") << 2.0 << 2.01 << 2;
}

void TestModel::shortRampTakesConstantPath()
{
    QFETCH(double, p1);
    QFETCH(double, p2);
    QFETCH(int, seconds);
    const gas_t gas = make_gas(32, 0);
    tissues_t ramped;
    load_ramp(ramped, float(p1), float(p2), float(seconds) / 60.0f, gas, nullptr);
    tissues_t held;
    load_constant(held, (float(p1) + float(p2)) / 2.0f, seconds, gas, nullptr);
    QVERIFY(std::memcmp(ramped.pN2, held.pN2, sizeof held.pN2) == 0);
}

void TestModel::rampCacheFollowsDuration()
{
    // Alternating durations and gases must never reuse coefficients of another duration or
    // skip helium once it has been breathed.
    const gas_t trimix = make_gas(18, 45);
    const gas_t air = make_gas(21, 0);
    tissues_t t;
    oracle::Tissues ref = oracle::airAt(1.013);
    const float durations[] = { 0.5f, 1.0f / 60.0f, 0.5f, 2.0f / 60.0f, 3.0f, 0.5f, 3.0f };
    float p = 1.013f;
    int n = 0;
    for (float dt : durations) {
        const gas_t& gas = (n++ % 2) ? air : trimix;
        const float next = p + 1.5f;
        load_ramp(t, p, next, dt, gas, nullptr);
        oracle::ramp(ref, p, next, dt, oracle::gasOf(gas), INFINITY);
        p = next;
    }
    for (int i = 0; i < kCompartments; ++i) {
        QVERIFY2(std::fabs(t.pN2[i] - ref.n2[i]) < 1e-4, qPrintable(QString::number(i)));
        QVERIFY2(std::fabs(t.pHe[i] - ref.he[i]) < 1e-4, qPrintable(QString::number(i)));
    }
    // A new model invalidates the caches.
    init_zhl16c();
    tissues_t again;
    load_ramp(again, 1.013f, 4.0f, 0.5f, air, nullptr);
    oracle::Tissues ref2 = oracle::airAt(1.013);
    oracle::ramp(ref2, 1.013, 4.0, 0.5, oracle::gasOf(air), INFINITY);
    for (int i = 0; i < kCompartments; ++i)
        QVERIFY(std::fabs(again.pN2[i] - ref2.n2[i]) < 1e-5);
}

void TestModel::cnsAndOtuRates_data()
{
    QTest::addColumn<double>("ppo2");
    QTest::addColumn<double>("cnsPerMin");
    QTest::addColumn<double>("otuPerMin");
    // Limits of the exposure table (minutes), OTU = ((pp - 0.5) / 0.5)^(5/6) by hand.
    QTest::newRow("0.5 bar") << 0.5 << 0.0 << 0.0;
    QTest::newRow("0.59 bar below table") << 0.59 << 0.0 << std::pow(0.18, 5.0 / 6.0);
    QTest::newRow("0.6 bar") << 0.6 << 1.0 / 720 << std::pow(0.2, 5.0 / 6.0);
    QTest::newRow("1.0 bar") << 1.0 << 1.0 / 300 << 1.0;
    QTest::newRow("1.225 bar between points") << 1.225 << 1.0 / 202.5 << std::pow(1.45, 5.0 / 6.0);
    QTest::newRow("1.4 bar") << 1.4 << 1.0 / 150 << std::pow(1.8, 5.0 / 6.0);
    QTest::newRow("1.6 bar") << 1.6 << 1.0 / 45 << std::pow(2.2, 5.0 / 6.0);
    QTest::newRow("1.65 bar") << 1.65 << 1.0 / 7 << std::pow(2.3, 5.0 / 6.0);
    QTest::newRow("just below the table end") << 1.6499999 << 1.0 / 7 << std::pow(2.3, 5.0 / 6.0);
    QTest::newRow("3 bar") << 3.0 << 1.0 / 7 << std::pow(5.0, 5.0 / 6.0);
}

void TestModel::cnsAndOtuRates()
{
    QFETCH(double, ppo2);
    QFETCH(double, cnsPerMin);
    QFETCH(double, otuPerMin);
    const double cns = cns_rate(float(ppo2));
    QVERIFY2(std::fabs(cns - cnsPerMin) <= 1e-4 * std::max(cnsPerMin, 1e-3),
        qPrintable(QString::number(cns, 'g', 8)));
    QVERIFY(std::fabs(otu_rate(float(ppo2)) - otuPerMin) < 1e-4 * std::max(otuPerMin, 1.0));
    // The table index stays inside the table for every float just below the top end.
    float pp = 1.65f;
    for (int i = 0; i < 64; ++i) {
        pp = std::nextafter(pp, 0.0f);
        const float r = cns_rate(pp);
        QVERIFY(r >= 1.0f / 45.0f - 1e-6f && r <= 1.0f / 7.0f + 1e-6f);
    }
}

void TestModel::cnsElimination()
{
    const gas_t air = make_gas(21, 0);
    tissues_t t;
    t.cns = 0.4f;
    update_cns(t, 1.013f, 1.013f, 90.0f, air, nullptr);
    QVERIFY(std::fabs(t.cns - 0.2f) < 1e-6f);
    update_cns(t, 1.013f, 1.013f, 0.0f, air, nullptr);
    QVERIFY(std::fabs(t.cns - 0.2f) < 1e-6f);
    t.cns = 0.001f;
    update_cns(t, 1.013f, 1.013f, 1.0f, air, nullptr);
    QCOMPARE(t.cns, 0.0f);
    // EAN50 at 3.2 bar: ppO2 1.6, 45 minutes limit, 9 minutes = 0.2.
    t.cns = 0.0f;
    update_cns(t, 3.2f, 3.2f, 9.0f, make_gas(50, 0), nullptr);
    QVERIFY(std::fabs(t.cns - 0.2f) < 1e-4f);
}

void TestModel::toleratedPressure_data()
{
    QTest::addColumn<double>("gf");
    QTest::newRow("gf 1 is the plain limit") << 1.0;
    QTest::newRow("gf 0.8") << 0.8;
    QTest::newRow("gf 0.3") << 0.3;
    QTest::newRow("gf 0") << 0.0;
}

void TestModel::toleratedPressure()
{
    QFETCH(double, gf);
    tissues_t t;
    float n2[kCompartments], he[kCompartments] = {};
    for (int i = 0; i < kCompartments; ++i)
        n2[i] = 1.5f + 0.1f * i;
    set_tissues(t, n2, he, 0.0f);
    double highest = 0.0;
    for (int i = 0; i < kCompartments; ++i) {
        const double a = oracle::kN2A[i], b = oracle::kN2B[i];
        // Buhlmann: Pamb,tol = (Pt - a) b; with a gradient factor the M-value line is
        // scaled toward the ambient line: Pt = Pamb + gf (Pamb / b + a - Pamb).
        const double expected
            = gf == 1.0 ? (n2[i] - a) * b : (n2[i] - a * gf) / (gf / b - gf + 1.0);
        QVERIFY(std::fabs(tolerated_pressure(t, i, float(gf)) - expected) < 2e-6);
        highest = std::max(highest, expected);
        const double pAmb = 2.5;
        QVERIFY(std::fabs(
                    max_tension(t, float(pAmb), i, float(gf)) - (pAmb + gf * (pAmb / b + a - pAmb)))
            < 2e-6);
    }
    QVERIFY(std::fabs(ceiling_pressure(t, float(gf)) - highest) < 2e-6);
    QVERIFY(!can_stay_at(t, float(highest), float(gf)));
    QVERIFY(can_stay_at(t, float(highest) + 1e-5f, float(gf)));
    QCOMPARE(tolerated_pressure(t, -1, float(gf)), 0.0f);
    QCOMPARE(tolerated_pressure(t, 16, float(gf)), 0.0f);
    QCOMPARE(max_tension(t, 2.0f, 99, float(gf)), 0.0f);
}

void TestModel::zeroTensionsFromPlanFile()
{
    // A plan file can carry zero tensions with helium flagged: nitrogen coefficients apply
    // and nothing turns into NaN.
    tissues_t t;
    float zero[kCompartments] = {};
    float he[kCompartments] = {};
    he[3] = 0.5f;
    set_tissues(t, zero, he, 0.0f);
    QCOMPARE(int(t.hasHe), 1);
    QCOMPARE(tolerated_pressure(t, 0, 0.8f), 0.0f);
    const float m = max_tension(t, 1.0f, 0, 1.0f);
    QVERIFY(std::fabs(m - (1.0f / oracle::kN2B[0] + oracle::kN2A[0])) < 1e-5f);
    QVERIFY(std::isfinite(ceiling_pressure(t, 0.8f)));
    QVERIFY(can_stay_at(t, 1.0f, 0.8f));
    QVERIFY(std::isfinite(gf_reached(t, 1.013f)));
    // Compartment 4 is pure helium: helium coefficients.
    const double expected = (0.5 - oracle::kHeA[3]) * oracle::heB(3);
    QVERIFY(std::fabs(tolerated_pressure(t, 3, 1.0f) - expected) < 1e-6);
}

void TestModel::gfReachedAndMaxTension()
{
    tissues_t t;
    QCOMPARE(gf_reached(t, 1.013f), 0.0f);
    float n2[kCompartments], he[kCompartments] = {};
    for (int i = 0; i < kCompartments; ++i)
        n2[i] = 1.0f;
    // Compartment 1 at exactly its M-value at the surface: 100 % reached.
    const double m1 = 1.013 / oracle::kN2B[0] + oracle::kN2A[0];
    n2[0] = float(m1);
    set_tissues(t, n2, he, 0.0f);
    QVERIFY(std::fabs(gf_reached(t, 1.013f) - 1.0f) < 1e-5f);
    // Halfway between ambient and the M-value: 50 %.
    n2[0] = float((m1 + 1.013) / 2);
    set_tissues(t, n2, he, 0.0f);
    QVERIFY(std::fabs(gf_reached(t, 1.013f) - 0.5f) < 1e-5f);
}

void TestModel::oracleAgreement_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("air") << 0;
    QTest::newRow("nitrox and oxygen") << 1;
    QTest::newRow("trimix") << 2;
    QTest::newRow("closed circuit setpoints") << 3;
    QTest::newRow("all gases mixed") << 4;
}

void TestModel::oracleAgreement()
{
    // Many generated multi-level profiles, stepped the ways the planner steps them: long
    // ramps, 2-second slices (cache hits), 1-second ramps (the 1-second set), whole-second
    // holds and near-constant slivers (the constant shortcut). The engine must follow the
    // plain model within 2e-4 bar in every tension and ceiling and 1e-4 relative in CNS.
    QFETCH(int, kind);
    const gas_t gases[] = { make_gas(21, 0), make_gas(32, 0), make_gas(50, 0), make_gas(100, 0),
        make_gas(18, 45), make_gas(10, 70), make_gas(21, 35), make_gas(15, 55) };
    const float setpoints[] = { 0.7f, 1.3f, 1.5f, std::numeric_limits<float>::infinity() };
    oracle::Random rnd(1234 + kind);
    int steps = 0;
    double worst = 0.0;
    const double tolerance = 2e-4;

    for (int profile = 0; profile < 12; ++profile) {
        tissues_t engine;
        oracle::Tissues ref = oracle::airAt(1.013);
        double p = 1.013;
        for (int segment = 0; segment < 40; ++segment) {
            int g = 0;
            float sp = std::numeric_limits<float>::infinity();
            switch (kind) {
            case 0:
                g = 0;
                break;
            case 1:
                g = rnd.range(0, 3);
                break;
            case 2:
                g = rnd.range(4, 7);
                break;
            case 3:
                g = rnd.range(0, 1) ? 0 : 4;
                sp = setpoints[rnd.range(0, 2)];
                break;
            default:
                g = rnd.range(0, 7);
                sp = setpoints[rnd.range(0, 3)];
                break;
            }
            const gas_t& gas = gases[g];
            const oracle::Gas og = oracle::gasOf(gas);
            const double target = 1.013 + rnd.uniform(0.0, 10.0);
            const int mode = rnd.range(0, 4);
            if (mode == 0) {
                const int seconds = rnd.range(10, 1800);
                load_ramp(engine, float(p), float(target), seconds / 60.0f, gas, &sp);
                update_cns(engine, float(p), float(target), seconds / 60.0f, gas, &sp);
                oracle::ramp(ref, p, target, seconds / 60.0, og, sp);
                oracle::cns(ref, p, target, seconds / 60.0, og, sp);
                p = float(target);
                ++steps;
            } else if (mode == 1 || mode == 2) {
                // 2-second (or 1-second) slices of a ramp, as the ceiling trace walks it.
                const int slice = mode == 1 ? 2 : 1;
                const int count = rnd.range(5, 120);
                const double rate = rnd.uniform(-0.3, 0.3) * slice; // bar per slice
                for (int i = 0; i < count; ++i) {
                    double next = std::max(1.013, p + rate);
                    next = float(next);
                    load_ramp(engine, float(p), float(next), slice / 60.0f, gas, &sp);
                    update_cns(engine, float(p), float(next), slice / 60.0f, gas, &sp);
                    oracle::ramp(ref, p, next, slice / 60.0, og, sp);
                    oracle::cns(ref, p, next, slice / 60.0, og, sp);
                    p = next;
                    ++steps;
                }
            } else if (mode == 3) {
                const int seconds = rnd.range(1, 3000);
                load_constant(engine, float(p), seconds, gas, &sp);
                update_cns(engine, float(p), float(p), seconds / 60.0f, gas, &sp);
                oracle::constant(ref, p, seconds / 60.0, og, sp);
                oracle::cns(ref, p, p, seconds / 60.0, og, sp);
                ++steps;
            } else {
                // Near-constant slivers below the shortcut threshold.
                const int count = rnd.range(5, 60);
                for (int i = 0; i < count; ++i) {
                    const double next = float(p + rnd.uniform(-0.005, 0.005));
                    load_ramp(engine, float(p), float(next), 2.0f / 60.0f, gas, &sp);
                    update_cns(engine, float(p), float(next), 2.0f / 60.0f, gas, &sp);
                    oracle::ramp(ref, p, next, 2.0 / 60.0, og, sp);
                    oracle::cns(ref, p, next, 2.0 / 60.0, og, sp);
                    p = next;
                    ++steps;
                }
            }
            p = float(p);
            for (int i = 0; i < kCompartments; ++i) {
                worst = std::max(worst, std::fabs(engine.pN2[i] - ref.n2[i]));
                worst = std::max(worst, std::fabs(engine.pHe[i] - ref.he[i]));
            }
            for (float gf : { 0.3f, 0.8f, 1.0f })
                worst = std::max(
                    worst, std::fabs(ceiling_pressure(engine, gf) - oracle::ceiling(ref, gf)));
            QVERIFY2(worst < tolerance,
                qPrintable(QString("profile %1 segment %2: deviation %3 bar")
                               .arg(profile)
                               .arg(segment)
                               .arg(worst)));
            QVERIFY2(std::fabs(engine.cns - ref.cns) <= 1e-4 * std::max(1.0, ref.cns),
                qPrintable(QString("cns %1 vs %2").arg(engine.cns).arg(ref.cns)));
        }
    }
    QVERIFY(steps > 1000);
    qInfo("%d steps, largest deviation %.3g bar", steps, worst);
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
