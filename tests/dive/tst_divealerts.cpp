#include "dive/divealerts.h"
#include "dive/diveprofile.h"

#include <QtTest>

using Doubles = QList<double>;

class TestDiveAlerts : public QObject
{
    Q_OBJECT

private slots:
    void lightsMatchTheGraph()
    {
        // Depths one sample a minute, the sample carrying a recorded ascent alarm (-1 none), the
        // alert word, the rapid-ascent light, the samples with a rapid-ascent mark and the
        // dives-in-24-h light. Ascent speeds worked by hand: 8 m per minute is 8 m/min, 14 is
        // within 2 of the 15 m/min limit, 20 is over it.
        const AlertLight green = AlertLight::Green, red = AlertLight::Red;
        for (auto [depths, flagged, word, rr, marks, dives24h] : {
                 // The computer's RR word on a slow dive.
                 std::tuple {
                     Doubles { 0, 16, 16, 8, 0 }, -1, 1u << 22, green, QList<int>(), green },
                 { { 0, 14, 14, 0 }, -1, 0u, AlertLight::Orange, {}, green }, // near the limit
                 { { 0, 40, 40, 20, 0 }, -1, 0u, red, { 3 }, green }, // two fast minutes, one mark
                 { { 0, 40, 20, 20, 0 }, -1, 0u, red, { 2, 4 }, green }, // two fast ascents
                 { { 0, 16, 16, 8, 0 }, 3, 0u, red, { 3 }, green }, // alarm read from a file
                 { { 0, 16, 8, 0 }, -1, 1u << 30, green, {}, green }, // second dive of the day
                 { { 0, 16, 8, 0 }, -1, 3u << 30, green, {}, red }, // fourth dive of the day
             }) {
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
            // Every mark sits on a red segment or on a recorded alarm: the graph shows what the
            // light says.
            for (int i : found)
                QVERIFY(i == flagged || alerts.speed.at(i) == SpeedClass::TooFast);
        }
    }
};

QTEST_GUILESS_MAIN(TestDiveAlerts)
#include "tst_divealerts.moc"
