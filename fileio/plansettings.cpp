#include "fileio/plansettings.h"

#include <QCoreApplication>

#include <cmath>

double surfacePressureAtAltitude(double altitudeM)
{
    // ISA troposphere: 1013.25 hPa at sea level, 6.5 K/km lapse from 288.15 K.
    return 1.01325 * std::pow(1.0 - 2.25577e-5 * altitudeM, 5.25588);
}

QString validateAscentSettings(const AscentSettings& s)
{
    auto within = [](float v, float low, float high) { return v >= low && v <= high; };
    const char* text = nullptr;
    if (!(s.switchTimeMin == -1.0f || within(s.switchTimeMin, 0, 5)))
        text = QT_TRANSLATE_NOOP("PlanSettings", "The time at a gas switch must be 0 to 5 min.");
    else if (!within(s.decoPpo2, 1.2f, 1.7f))
        text = QT_TRANSLATE_NOOP("PlanSettings", "The deco ppO2 must be 1.2 to 1.7 bar.");
    else if (!within(s.bottomPpo2, 1.0f, 1.6f))
        text = QT_TRANSLATE_NOOP("PlanSettings", "The bottom ppO2 must be 1.0 to 1.6 bar.");
    else if (s.lastStopM != 3 && s.lastStopM != 6)
        text = QT_TRANSLATE_NOOP("PlanSettings", "The last stop is at 3 or 6 m.");
    else if (!(s.ascentRateMpm == 0 || within(s.ascentRateMpm, 1, 30))
        || !(s.stopRateMpm == 0 || within(s.stopRateMpm, 1, 30)))
        text = QT_TRANSLATE_NOOP("PlanSettings", "Ascent rates must be 1 to 30 m/min.");
    else if (!within(s.safetyStopMin, 0, 10) || !within(s.safetyStopDepthM, 3, 9))
        text = QT_TRANSLATE_NOOP("PlanSettings", "A safety stop lasts up to 10 min at 3 to 9 m.");
    else if (!within(s.altitudeM, 0, 5000))
        text = QT_TRANSLATE_NOOP("PlanSettings", "The altitude must be 0 to 5000 m.");
    else if (!(s.o2BreakMin == 0 || (within(s.o2BreakMin, 5, 60) && within(s.backGasMin, 1, 30))))
        text = QT_TRANSLATE_NOOP("PlanSettings",
            "Oxygen breaks take 5 to 60 min on oxygen, then 1 to 30 min on the back gas.");
    else if (!within(s.endLimitM, 10, 100))
        text = QT_TRANSLATE_NOOP("PlanSettings", "The END limit must be 10 to 100 m.");
    return text ? QCoreApplication::translate("PlanSettings", text) : QString();
}
