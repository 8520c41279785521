#include "dive/divealerts.h"

#include "dive/diveprofile.h"

#include <algorithm>

SpeedClass speedClass(double v, double maxAscent, double maxDescent)
{
    // Speeds are positive going down.
    if (v < -maxAscent - 0.01 || v > maxDescent + 0.01)
        return SpeedClass::TooFast;
    if (v < 2.0 - maxAscent || v > maxDescent - 2.0)
        return SpeedClass::NearLimit;
    return SpeedClass::Normal;
}

namespace {

AlertLight lightOf(int level)
{
    return level >= 3 ? AlertLight::Red : level >= 1 ? AlertLight::Orange : AlertLight::Green;
}

int wordLevel(quint32 word, int shift)
{
    return int((word >> shift) & 3u);
}

} // namespace

DiveAlertSummary analyseAlerts(const DiveProfile& dive)
{
    DiveAlertSummary result;
    const qsizetype n = dive.samples.size();
    result.speed.resize(n, SpeedClass::Normal);
    result.marks.resize(n, 0);
    result.yoyo.resize(n, 0);

    int ceilingLevel = wordLevel(dive.alerts, DiveProfile::AlertShiftCeiling);
    int yoyoLevel = wordLevel(dive.alerts, DiveProfile::AlertShiftYoyo);
    bool ascentMarked = false;
    bool ascentNearLimit = false;
    bool previousTooFast = false;
    for (qsizetype i = 0; i < n; ++i) {
        const DiveSample& s = dive.samples.at(i);
        result.yoyo[i] = DiveProfile::alertLevel(s, SampleAlertYoyo);
        yoyoLevel = std::max(yoyoLevel, int(result.yoyo[i]));
        if (DiveProfile::alertLevel(s, SampleAlertPmax) != 0)
            result.marks[i] |= DiveAlertSummary::MarkPmax;
        const int sampleCeiling = DiveProfile::alertLevel(s, SampleAlertCeiling);
        ceilingLevel = std::max(ceilingLevel, sampleCeiling);
        const bool recordedAscent = DiveProfile::alertLevel(s, SampleAlertRapidAscent) != 0;
        if (i == 0) {
            if (recordedAscent)
                result.marks[i] |= DiveAlertSummary::MarkRapidAscent;
            ascentMarked = ascentMarked || recordedAscent;
            continue;
        }
        const DiveSample& prev = dive.samples.at(i - 1);
        result.speed[i] = speedClass(s.speed);
        const bool ascending = s.speed < 0;
        const bool tooFast = ascending && result.speed[i] == SpeedClass::TooFast;
        // One mark where a run of too fast segments starts, not one per sample of it.
        const bool runStarts = tooFast && !previousTooFast;
        previousTooFast = tooFast;
        if (runStarts || recordedAscent) {
            result.marks[i] |= DiveAlertSummary::MarkRapidAscent;
            ascentMarked = true;
        }
        ascentNearLimit
            = ascentNearLimit || (ascending && result.speed[i] == SpeedClass::NearLimit);
        // A ceiling above the diver for at least 30 s, or the computer's highest level.
        const bool ceilingBroken = prev.decoCeiling > prev.depth && s.time - prev.time >= 30.0
            && prev.decoCeiling > s.depth;
        if (ceilingBroken || sampleCeiling == 3) {
            result.marks[i] |= DiveAlertSummary::MarkCeiling;
            ceilingLevel = 3;
        }
    }
    for (const ProfileMarker& marker : dive.yoyoMarkers)
        yoyoLevel = std::max(yoyoLevel, marker.level);

    result.ceiling = lightOf(ceilingLevel);
    result.rapidAscent = ascentMarked ? AlertLight::Red
        : ascentNearLimit             ? AlertLight::Orange
                                      : AlertLight::Green;
    result.yoyoCount = wordLevel(dive.alerts, DiveProfile::AlertShiftYoyo);
    result.yoyoLight = lightOf(yoyoLevel);
    result.securityLevel = wordLevel(dive.alerts, DiveProfile::AlertShiftSecurity);
    result.security = result.securityLevel == 0 ? AlertLight::Green : AlertLight::Red;
    // Level 1 is a second dive within 24 hours, an ordinary day of diving; 2 a third, 3 more.
    result.dives24hLevel = wordLevel(dive.alerts, DiveProfile::AlertShiftDives24h);
    result.dives24h = result.dives24hLevel <= 1 ? AlertLight::Green
        : result.dives24hLevel == 2             ? AlertLight::Orange
                                                : AlertLight::Red;
    return result;
}
