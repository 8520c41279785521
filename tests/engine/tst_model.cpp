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

    void coefficients()
    {
        // Every coefficient against the printed tables copied into oracle.h, so a typo in one
        // value fails here (the tissue and ceiling checks below would pass with a near miss). The
        // helium b of compartment 13 is the one deliberate difference (see oracle.h).
        for (int i = 0; i < kCompartments; ++i) {
            const QByteArray where = "compartment " + QByteArray::number(i + 1);
            QVERIFY2(kZhl16cN2HalfTime[i] == float(oracle::kN2HalfTime[i]), where);
            QVERIFY2(kZhl16cN2A[i] == float(oracle::kN2A[i]), where);
            QVERIFY2(kZhl16cN2B[i] == float(oracle::kN2B[i]), where);
            QVERIFY2(kZhl16cHeHalfTime[i] == float(oracle::kHeHalfTime[i]), where);
            QVERIFY2(kZhl16cHeA[i] == float(oracle::kHeA[i]), where);
            QVERIFY2(kZhl16cHeB[i] == float(oracle::heB(i)), where);
        }
    }

    void freshTissues()
    {
        // (1.013 - 0.0627) x 0.79 = 0.750737 bar in every compartment, and no ceiling.
        const tissues_t fresh;
        for (int i = 0; i < kCompartments; ++i) {
            QVERIFY(std::fabs(fresh.pN2[i] - 0.750737) < 1e-6);
            QCOMPARE(fresh.pHe[i], 0.0f);
        }
        QCOMPARE(pressure_to_depth(ceiling_pressure(fresh, 0.8f)), 0.0f);

        tissues_t t = fresh;
        load_constant(t, 4.0f, 600, make_gas(18, 45), nullptr);
        reset_tissues(t, 2.0f);
        QVERIFY(std::fabs(t.pN2[5] - (2.0 - 0.0627) * 0.79) < 1e-6);
        QCOMPARE(int(t.hasHe), 0);
        QCOMPARE(t.pHe[0], 0.0f);

        // The helium latch follows the tensions handed in.
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

    void openCircuitSetpoints()
    {
        // No setpoint, an infinite or a NaN one all mean open circuit: trimix 18/45 at 4 bar
        // gives (4 - 0.0627) x 0.37 bar of nitrogen, x 0.45 of helium and 0.72 bar of oxygen.
        // The closed-circuit formulas are compared with the oracle in oracleAgreement.
        const gas_t gas = make_gas(18, 45);
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        for (const float* sp : { static_cast<const float*>(nullptr), &inf, &nan }) {
            QVERIFY(std::fabs(inspired_n2(gas, sp, 4.0f) - 3.9373 * 0.37) < 2e-6);
            QVERIFY(std::fabs(inspired_he(gas, sp, 4.0f) - 3.9373 * 0.45) < 2e-6);
            QVERIFY(std::fabs(ppo2(gas, sp, 4.0f) - 0.72) < 2e-6);
        }
    }

    void modPressure()
    {
        // Oxygen percentage, setpoint (negative: open circuit), ppO2 limit, expected pressure.
        for (auto [o2, setpoint, limit, expected] : {
                 std::tuple { 50, -1.0f, 1.6f, 3.2 }, { 100, -1.0f, 1.6f, 1.6 },
                 { 21, -1.0f, 1.4f, 1.4 / 0.21 },
                 { 21, 1.3f, 1.6f, 1.3 / 0.21 }, // setpoint below the limit
                 { 0, -1.0f, 1.6f, 0.0 }, // no oxygen gives 0, not infinity
             }) {
            const gas_t gas = make_gas(static_cast<uint8_t>(o2), 0);
            const float sp = setpoint < 0 ? std::numeric_limits<float>::infinity() : setpoint;
            const float mod = mod_pressure(gas, &sp, limit, 3.2f, 5.2f);
            QVERIFY2(std::isfinite(mod) && std::fabs(mod - expected) < 1e-5,
                qPrintable(QString::number(mod)));
        }
    }

    void loadConstantComposes()
    {
        // Whole exposures against two parts (1023 s has every bit set) and the oracle; zero and
        // negative seconds do nothing.
        const gas_t gas = make_gas(21, 35);
        for (auto [seconds, split] :
            { std::pair { 1000, 512 }, { 1023, 1 }, { 3600, 1800 }, { 0, 0 }, { -30, 0 } }) {
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
    }

    void cnsAndOtuRates()
    {
        // Limits of the exposure table (minutes), OTU = ((pp - 0.5) / 0.5)^(5/6) by hand.
        for (auto [ppo2, cnsPerMin, otuPerMin] : {
                 std::tuple { 0.5f, 0.0, 0.0 },
                 { 0.59f, 0.0, std::pow(0.18, 5.0 / 6.0) }, // below the table
                 { 0.6f, 1.0 / 720, std::pow(0.2, 5.0 / 6.0) },
                 { 1.0f, 1.0 / 300, 1.0 },
                 { 1.225f, 1.0 / 202.5, std::pow(1.45, 5.0 / 6.0) }, // between points
                 { 1.4f, 1.0 / 150, std::pow(1.8, 5.0 / 6.0) },
                 { 1.6f, 1.0 / 45, std::pow(2.2, 5.0 / 6.0) },
                 { 1.65f, 1.0 / 7, std::pow(2.3, 5.0 / 6.0) },
                 { 1.6499999f, 1.0 / 7, std::pow(2.3, 5.0 / 6.0) }, // just below the table end
                 { 3.0f, 1.0 / 7, std::pow(5.0, 5.0 / 6.0) },
             }) {
            const double cns = cns_rate(ppo2);
            QVERIFY2(std::fabs(cns - cnsPerMin) <= 1e-4 * std::max(cnsPerMin, 1e-3),
                qPrintable(QString("%1 bar: %2").arg(ppo2).arg(cns, 0, 'g', 8)));
            QVERIFY(std::fabs(otu_rate(ppo2) - otuPerMin) < 1e-4 * std::max(otuPerMin, 1.0));
        }
        // The table index stays inside the table for every float just below the top end.
        float pp = 1.65f;
        for (int i = 0; i < 64; ++i) {
            pp = std::nextafter(pp, 0.0f);
            const float r = cns_rate(pp);
            QVERIFY(r >= 1.0f / 45.0f - 1e-6f && r <= 1.0f / 7.0f + 1e-6f);
        }
    }

    void toleratedPressure()
    {
        tissues_t t;
        float n2[kCompartments], he[kCompartments] = {};
        for (int i = 0; i < kCompartments; ++i)
            n2[i] = 1.5f + 0.1f * i;
        set_tissues(t, n2, he, 0.0f);
        for (float gf : { 1.0f, 0.8f, 0.3f, 0.0f }) {
            double highest = 0.0;
            for (int i = 0; i < kCompartments; ++i) {
                const double a = oracle::kN2A[i], b = oracle::kN2B[i];
                // Buhlmann: Pamb,tol = (Pt - a) b; with a gradient factor the M-value line is
                // scaled toward the ambient line: Pt = Pamb + gf (Pamb / b + a - Pamb).
                const double expected
                    = gf == 1.0f ? (n2[i] - a) * b : (n2[i] - a * gf) / (gf / b - gf + 1.0);
                QVERIFY(std::fabs(tolerated_pressure(t, i, gf) - expected) < 2e-6);
                highest = std::max(highest, expected);
                const double m = 2.5 + gf * (2.5 / b + a - 2.5);
                QVERIFY(std::fabs(max_tension(t, 2.5f, i, gf) - m) < 2e-6);
            }
            QVERIFY(std::fabs(ceiling_pressure(t, gf) - highest) < 2e-6);
            QVERIFY(!can_stay_at(t, float(highest), gf));
            QVERIFY(can_stay_at(t, float(highest) + 1e-5f, gf));
            QCOMPARE(tolerated_pressure(t, -1, gf), 0.0f);
            QCOMPARE(tolerated_pressure(t, 16, gf), 0.0f);
            QCOMPARE(max_tension(t, 2.0f, 99, gf), 0.0f);
        }
    }

    void zeroTensionsFromPlanFile()
    {
        // A plan file can carry zero tensions with helium flagged: nitrogen coefficients apply
        // and nothing turns into NaN.
        tissues_t t;
        float zero[kCompartments] = {};
        float he[kCompartments] = {};
        he[3] = 0.5f;
        set_tissues(t, zero, he, 0.0f);
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

    void gfReached()
    {
        tissues_t t;
        QCOMPARE(gf_reached(t, 1.013f), 0.0f);
        float n2[kCompartments], he[kCompartments] = {};
        for (float& v : n2)
            v = 1.0f;
        // Compartment 1 at exactly its M-value at the surface: 100 % reached; halfway between
        // ambient and the M-value: 50 %.
        const double m1 = 1.013 / oracle::kN2B[0] + oracle::kN2A[0];
        for (double share : { 1.0, 0.5 }) {
            n2[0] = float(1.013 + share * (m1 - 1.013));
            set_tissues(t, n2, he, 0.0f);
            QVERIFY(std::fabs(gf_reached(t, 1.013f) - share) < 1e-5f);
        }
    }

    void oracleAgreement();
};

void TestModel::oracleAgreement()
{
    // Many generated multi-level profiles, stepped the ways the planner steps them: long
    // ramps, 2-second slices (cache hits), 1-second ramps (the 1-second set), whole-second
    // holds and near-constant slivers (the constant shortcut), with durations and gases
    // alternating (no coefficients of another duration or gas reused). The engine must follow
    // the plain model within 2e-4 bar in every tension and ceiling and 1e-4 relative in CNS.
    const gas_t gases[] = { make_gas(21, 0), make_gas(32, 0), make_gas(50, 0), make_gas(100, 0),
        make_gas(18, 45), make_gas(10, 70), make_gas(21, 35), make_gas(15, 55) };
    const float setpoints[] = { 0.7f, 1.3f, 1.5f, std::numeric_limits<float>::infinity() };
    // Kinds: air, nitrox and oxygen, trimix, closed circuit setpoints, all gases mixed.
    int steps = 0;
    for (int kind = 0; kind < 5; ++kind) {
        oracle::Random rnd(1234 + kind);
        for (int profile = 0; profile < 12; ++profile) {
            tissues_t engine;
            oracle::Tissues ref = oracle::airAt(1.013);
            double p = 1.013;
            for (int segment = 0; segment < 40; ++segment) {
                const int g = kind == 0 ? 0
                    : kind == 1         ? rnd.range(0, 3)
                    : kind == 2         ? rnd.range(4, 7)
                    : kind == 3         ? (rnd.range(0, 1) ? 0 : 4)
                                        : rnd.range(0, 7);
                const float sp
                    = kind < 3 ? setpoints[3] : setpoints[rnd.range(0, kind == 3 ? 2 : 3)];
                const gas_t& gas = gases[g];
                const oracle::Gas og = oracle::gasOf(gas);
                // One exposure from p to `next` over `seconds`, in both models.
                auto step = [&](double next, int seconds, bool hold) {
                    const float minutes = seconds / 60.0f;
                    if (hold)
                        load_constant(engine, float(p), seconds, gas, &sp);
                    else
                        load_ramp(engine, float(p), float(next), minutes, gas, &sp);
                    update_cns(engine, float(p), float(next), minutes, gas, &sp);
                    oracle::ramp(ref, p, next, seconds / 60.0, og, sp); // a hold has next == p
                    oracle::cns(ref, p, next, seconds / 60.0, og, sp);
                    p = float(next);
                    ++steps;
                };
                const double target = 1.013 + rnd.uniform(0.0, 10.0);
                const int mode = rnd.range(0, 4);
                if (mode == 0) {
                    step(target, rnd.range(10, 1800), false);
                } else if (mode == 1 || mode == 2) {
                    // 2-second (or 1-second) slices of a ramp, as the ceiling trace walks it.
                    const int slice = mode == 1 ? 2 : 1;
                    const int count = rnd.range(5, 120);
                    const double rate = rnd.uniform(-0.3, 0.3) * slice; // bar per slice
                    for (int i = 0; i < count; ++i)
                        step(float(std::max(1.013, p + rate)), slice, false);
                } else if (mode == 3) {
                    step(p, rnd.range(1, 3000), true);
                } else {
                    // Near-constant slivers below the shortcut threshold.
                    const int count = rnd.range(5, 60);
                    for (int i = 0; i < count; ++i)
                        step(float(p + rnd.uniform(-0.005, 0.005)), 2, false);
                }
                double worst = 0.0;
                for (int i = 0; i < kCompartments; ++i) {
                    worst = std::max(worst, std::fabs(engine.pN2[i] - ref.n2[i]));
                    worst = std::max(worst, std::fabs(engine.pHe[i] - ref.he[i]));
                }
                for (float gf : { 0.3f, 0.8f, 1.0f })
                    worst = std::max(
                        worst, std::fabs(ceiling_pressure(engine, gf) - oracle::ceiling(ref, gf)));
                QVERIFY2(worst < 2e-4,
                    qPrintable(QString::asprintf("kind %d profile %d segment %d: deviation %g bar",
                        kind, profile, segment, worst)));
                QVERIFY2(std::fabs(engine.cns - ref.cns) <= 1e-4 * std::max(1.0, ref.cns),
                    qPrintable(QString("cns %1 vs %2").arg(engine.cns).arg(ref.cns)));
            }
        }
    }
    QVERIFY(steps > 5000);
}

QTEST_APPLESS_MAIN(TestModel)
#include "tst_model.moc"
