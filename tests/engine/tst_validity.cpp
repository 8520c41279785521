#include "engine/validity.h"

#include <QtTest>

#include <cmath>
#include <limits>

// Validity rules of a plan: reduced gradient factors, invalid-dive codes, yoyo marking mode
// and the check of tissues read from outside.
class TestValidity : public QObject
{
    Q_OBJECT

private slots:
    void invalidDiveCode()
    {
        // Only the 146-minute compartment (10) counts: over 0.8 bar on the third dive within a
        // day on open circuit gives code 2.
        for (auto [dive, interval, closedCircuit, tension, code] : {
                 std::tuple { 2, qint64(3600), false, 0.85f, 2 }, // third dive over the limit
                 { 2, 3600, false, 0.8f, 0 }, // exactly 0.8 is allowed
                 { 2, 3600, false, 0.8001f, 2 },
                 { 2, 86400, false, 0.95f, 0 }, // interval of a full day
                 { 2, 86399, false, 0.95f, 2 }, // one second short of a day
                 { 1, 600, false, 0.95f, 0 }, // second dive
                 { 2, 600, true, 0.95f, 0 }, // closed circuit
             }) {
            tissues_t start;
            float n2[kCompartments], he[kCompartments] = {};
            for (float& v : n2)
                v = 0.75f;
            n2[9] = tension;
            set_tissues(start, n2, he, 0.0f);
            QCOMPARE(int(invalid_dive_code(dive, interval, closedCircuit, start)), code);
            // Other compartments do not count.
            n2[9] = 0.7f;
            n2[8] = 2.0f;
            n2[10] = 2.0f;
            set_tissues(start, n2, he, 0.0f);
            QCOMPARE(int(invalid_dive_code(dive, interval, closedCircuit, start)), 0);
        }
    }

    void diveGf()
    {
        // The plan's 30/85 unless reduced, each factor to at most 68 (effort mode, or a third
        // dive within a day deeper than 6 m): 30/68, the deep stops kept; 80/80 when no setting
        // is given, which reduces to 68/68.
        const gf_t plan = make_gf(30, 85);
        for (auto [planGiven, effort, dive, interval, maxDepth, low, high] : {
                 std::tuple { false, false, 0, qint64(0), 30.0f, 80, 80 },
                 { true, false, 0, 0, 30, 30, 85 }, { true, true, 0, 0, 30, 30, 68 },
                 { false, true, 0, 0, 30, 68, 68 }, { true, false, 2, 7200, 6.5f, 30, 68 },
                 { true, false, 2, 7200, 6, 30, 85 },
                 { true, false, 2, 90000, 30, 30, 85 }, // third dive after a day
             }) {
            const gf_t gf
                = dive_gf(planGiven ? &plan : nullptr, effort, dive, interval, false, maxDepth);
            QVERIFY(std::fabs(gf.gfLow - low / 100.0) < 1e-6);
            QVERIFY(std::fabs(gf.gfHigh - high / 100.0) < 1e-6);
        }
    }

    void yoyoMarking()
    {
        // Dive number (0 = first), interval in seconds, yoyos of the previous dive.
        for (auto [dive, interval, previousYoyos, marking] : {
                 std::tuple { 0, qint64(0), 3, false }, // the first dive never marks
                 { 1, 3600, 1, true }, { 2, 71999, 2, true },
                 { 1, 72000, 2, false }, // interval of 20 h
                 { 1, 3600, 0, false }, // previous dive clean
             })
            QCOMPARE(yoyo_marking_mode(dive, interval, previousYoyos), marking);
    }

    void tissuesFromOutside()
    {
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        // Nitrogen of compartment 8, helium of compartment 4, CNS; valid.
        for (auto [n2, he, cns, valid] : {
                 std::tuple { 1.2f, 0.3f, 0.2f, true },
                 { 0.0f, 0.0f, 0.0f, true },
                 { nan, 0.0f, 0.0f, false },
                 { 1.0f, inf, 0.0f, false },
                 { -0.1f, 0.0f, 0.0f, false },
                 { 1e6f, 0.0f, 0.0f, false }, // absurd tension
                 { 1.0f, 0.0f, nan, false },
             }) {
            tissues_t t;
            t.pN2[7] = n2;
            t.pHe[3] = he;
            t.cns = cns;
            QCOMPARE(tissues_valid(t), valid);
        }
    }
};

QTEST_APPLESS_MAIN(TestValidity)
#include "tst_validity.moc"
