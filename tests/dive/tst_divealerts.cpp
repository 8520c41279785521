#include "dive/divealerts.h"
#include "dive/diveprofile.h"

#include <QtTest>

using Doubles = QList<double>;
Q_DECLARE_METATYPE(AlertLight)

class TestDiveAlerts : public QObject
{
    Q_OBJECT

private slots:
    void lightsMatchTheGraph_data()
    {
        QTest::addColumn<Doubles>("depths"); // one sample a minute
        QTest::addColumn<int>("flagged"); // sample carrying a recorded ascent alarm, -1 none
        QTest::addColumn<quint32>("word");
        QTest::addColumn<AlertLight>("rr");
        QTest::addColumn<QList<int>>("marks"); // samples with a rapid-ascent mark
        QTest::addColumn<AlertLight>("dives24h");

        // Ascent speeds worked by hand, one sample a minute: 8 m per minute is 8 m/min, 14 is
        // within 2 of the 15 m/min limit, 20 is over it.
        QTest::newRow("computer's RR word on a slow dive")
            << Doubles { 0, 16, 16, 8, 0 } << -1 << (1u << 22) << AlertLight::Green << QList<int>()
            << AlertLight::Green;
        QTest::newRow("ascent near the limit")
            << Doubles { 0, 14, 14, 0 } << -1 << 0u << AlertLight::Orange << QList<int>()
            << AlertLight::Green;
        QTest::newRow("two fast minutes give one mark")
            << Doubles { 0, 40, 40, 20, 0 } << -1 << 0u << AlertLight::Red << QList<int> { 3 }
            << AlertLight::Green;
        QTest::newRow("two fast ascents give two marks")
            << Doubles { 0, 40, 20, 20, 0 } << -1 << 0u << AlertLight::Red << QList<int> { 2, 4 }
            << AlertLight::Green;
        QTest::newRow("ascent alarm read from a file")
            << Doubles { 0, 16, 16, 8, 0 } << 3 << 0u << AlertLight::Red << QList<int> { 3 }
            << AlertLight::Green;
        QTest::newRow("second dive of the day")
            << Doubles { 0, 16, 8, 0 } << -1 << (1u << 30) << AlertLight::Green << QList<int>()
            << AlertLight::Green;
        QTest::newRow("fourth dive of the day")
            << Doubles { 0, 16, 8, 0 } << -1 << (3u << 30) << AlertLight::Green << QList<int>()
            << AlertLight::Red;
    }

    void lightsMatchTheGraph()
    {
        QFETCH(Doubles, depths);
        QFETCH(int, flagged);
        QFETCH(quint32, word);
        QFETCH(AlertLight, rr);
        QFETCH(QList<int>, marks);
        QFETCH(AlertLight, dives24h);

        DiveProfile dive;
        for (int i = 0; i < depths.size(); ++i) {
            DiveSample s;
            s.time = 60.0 * i;
            s.depth = depths.at(i);
            dive.samples.append(s);
        }
        if (flagged >= 0)
            dive.samples[flagged].alertFlags = 0x04;
        dive.computeSpeeds(false);
        dive.alerts = word;

        const DiveAlertSummary alerts = analyseAlerts(dive);
        QCOMPARE(alerts.rapidAscent, rr);
        QCOMPARE(alerts.dives24h, dives24h);
        QList<int> found;
        for (int i = 0; i < alerts.marks.size(); ++i) {
            if (alerts.marks.at(i) & DiveAlertSummary::MarkRapidAscent)
                found << i;
        }
        QCOMPARE(found, marks);
        // Every mark sits on a red segment or on a recorded alarm: the graph shows what the light
        // says.
        for (int i : found)
            QVERIFY(i == flagged || alerts.speed.at(i) == SpeedClass::TooFast);
    }
};

QTEST_GUILESS_MAIN(TestDiveAlerts)
#include "tst_divealerts.moc"
