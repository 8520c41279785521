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
    void invalidDiveCode_data()
    {
        QTest::addColumn<int>("dive");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<bool>("closedCircuit");
        QTest::addColumn<double>("tension");
        QTest::addColumn<int>("code");
        QTest::newRow("third dive over the limit") << 2 << qint64(3600) << false << 0.85 << 2;
        QTest::newRow("tension exactly 0.8 is allowed") << 2 << qint64(3600) << false << 0.8 << 0;
        QTest::newRow("just over 0.8") << 2 << qint64(3600) << false << 0.8001 << 2;
        QTest::newRow("interval of a full day") << 2 << qint64(86400) << false << 0.95 << 0;
        QTest::newRow("interval one second short of a day")
            << 2 << qint64(86399) << false << 0.95 << 2;
        QTest::newRow("second dive") << 1 << qint64(600) << false << 0.95 << 0;
        QTest::newRow("closed circuit") << 2 << qint64(600) << true << 0.95 << 0;
    }

    void invalidDiveCode()
    {
        QFETCH(int, dive);
        QFETCH(qint64, interval);
        QFETCH(bool, closedCircuit);
        QFETCH(double, tension);
        QFETCH(int, code);
        tissues_t start;
        float n2[kCompartments], he[kCompartments] = {};
        for (float& v : n2)
            v = 0.75f;
        n2[9] = float(tension); // the 146-minute compartment
        set_tissues(start, n2, he, 0.0f);
        QCOMPARE(int(invalid_dive_code(dive, interval, closedCircuit, start)), code);
        // Other compartments do not count.
        n2[9] = 0.7f;
        n2[8] = 2.0f;
        n2[10] = 2.0f;
        set_tissues(start, n2, he, 0.0f);
        QCOMPARE(int(invalid_dive_code(dive, interval, closedCircuit, start)), 0);
    }

    void diveGf_data()
    {
        QTest::addColumn<bool>("planGiven");
        QTest::addColumn<bool>("effort");
        QTest::addColumn<int>("dive");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<double>("maxDepth");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::newRow("no setting given") << false << false << 0 << qint64(0) << 30.0 << 80 << 80;
        QTest::newRow("plan setting") << true << false << 0 << qint64(0) << 30.0 << 30 << 85;
        QTest::newRow("effort mode") << true << true << 0 << qint64(0) << 30.0 << 68 << 68;
        QTest::newRow("third dive deeper than 6 m")
            << true << false << 2 << qint64(7200) << 6.5 << 68 << 68;
        QTest::newRow("third dive at 6 m") << true << false << 2 << qint64(7200) << 6.0 << 30 << 85;
        QTest::newRow("third dive after a day")
            << true << false << 2 << qint64(90000) << 30.0 << 30 << 85;
    }

    void diveGf()
    {
        QFETCH(bool, planGiven);
        QFETCH(bool, effort);
        QFETCH(int, dive);
        QFETCH(qint64, interval);
        QFETCH(double, maxDepth);
        QFETCH(int, low);
        QFETCH(int, high);
        const gf_t plan = make_gf(30, 85);
        const gf_t gf
            = dive_gf(planGiven ? &plan : nullptr, effort, dive, interval, false, float(maxDepth));
        QVERIFY(std::fabs(gf.gfLow - low / 100.0) < 1e-6);
        QVERIFY(std::fabs(gf.gfHigh - high / 100.0) < 1e-6);
    }

    void yoyoMarking_data()
    {
        QTest::addColumn<int>("dive");
        QTest::addColumn<qint64>("interval");
        QTest::addColumn<int>("previousYoyos");
        QTest::addColumn<bool>("marking");
        QTest::newRow("first dive never marks") << 0 << qint64(0) << 3 << false;
        QTest::newRow("second dive after yoyos") << 1 << qint64(3600) << 1 << true;
        QTest::newRow("third dive after yoyos") << 2 << qint64(71999) << 2 << true;
        QTest::newRow("interval of 20 h") << 1 << qint64(72000) << 2 << false;
        QTest::newRow("previous dive clean") << 1 << qint64(3600) << 0 << false;
    }

    void yoyoMarking()
    {
        QFETCH(int, dive);
        QFETCH(qint64, interval);
        QFETCH(int, previousYoyos);
        QFETCH(bool, marking);
        QCOMPARE(yoyo_marking_mode(dive, interval, previousYoyos), marking);
    }

    void tissuesFromOutside_data()
    {
        QTest::addColumn<float>("n2");
        QTest::addColumn<float>("he");
        QTest::addColumn<float>("cns");
        QTest::addColumn<bool>("valid");
        const float inf = std::numeric_limits<float>::infinity();
        const float nan = std::numeric_limits<float>::quiet_NaN();
        QTest::newRow("ordinary") << 1.2f << 0.3f << 0.2f << true;
        QTest::newRow("all zero") << 0.0f << 0.0f << 0.0f << true;
        QTest::newRow("NaN tension") << nan << 0.0f << 0.0f << false;
        QTest::newRow("infinite helium") << 1.0f << inf << 0.0f << false;
        QTest::newRow("negative tension") << -0.1f << 0.0f << 0.0f << false;
        QTest::newRow("absurd tension") << 1e6f << 0.0f << 0.0f << false;
        QTest::newRow("NaN CNS") << 1.0f << 0.0f << nan << false;
    }

    void tissuesFromOutside()
    {
        QFETCH(float, n2);
        QFETCH(float, he);
        QFETCH(float, cns);
        QFETCH(bool, valid);
        tissues_t t;
        t.pN2[7] = n2;
        t.pHe[3] = he;
        t.cns = cns;
        QCOMPARE(tissues_valid(t), valid);
    }
};

QTEST_APPLESS_MAIN(TestValidity)
#include "tst_validity.moc"
