#pragma once

#include <QList>
#include <QtGlobal>

class DiveProfile;

// The vertical speed limits of the graph's colours, its rapid-ascent marks and the RR light,
// in m/min.
constexpr double MaxAscentSpeed = 15.0;
constexpr double MaxDescentSpeed = 30.0;

// How a segment's vertical speed compares with the limits: within 2 m/min of a limit is near it.
enum class SpeedClass : quint8 { Normal, NearLimit, TooFast };
SpeedClass speedClass(
    double speedMPerMin, double maxAscent = MaxAscentSpeed, double maxDescent = MaxDescentSpeed);

// The colour of an alert light.
enum class AlertLight : quint8 { Green, Orange, Red };

// One reading of a dive that the lights, the marks on the graph and the speed colours all come
// from, so that a light never says something the graph does not show.
struct DiveAlertSummary
{
    enum Mark : quint8 {
        MarkCeiling = 0x01, // the ceiling was broken here
        MarkRapidAscent = 0x02, // a too fast ascent starts here
        MarkPmax = 0x04,
    };
    // Per sample i: the class of the segment from sample i - 1 to i (Normal for sample 0),
    // the marks drawn at the sample and its yoyo level 0-3.
    QList<SpeedClass> speed;
    QList<quint8> marks;
    QList<quint8> yoyo;

    AlertLight ceiling = AlertLight::Green;
    AlertLight rapidAscent = AlertLight::Green;
    AlertLight yoyoLight = AlertLight::Green;
    AlertLight security = AlertLight::Green;
    AlertLight dives24h = AlertLight::Green;
    int dives24hLevel = 0; // 0-3 as the computer counts
    int securityLevel = 0;
    int yoyoCount = 0;
};

// Reads the samples (speeds, ceilings, recorded alert flags), the yoyo events and the alert
// word. A too fast ascent segment and an ascent flag recorded by the computer or a file both
// mark the graph and light RR red; an ascent near the limit lights it orange.
DiveAlertSummary analyseAlerts(const DiveProfile& dive);
