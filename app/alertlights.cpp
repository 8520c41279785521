#include "app/alertlights.h"

#include "dive/divealerts.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

int levelOf(AlertLight light)
{
    return light == AlertLight::Green ? 0 : light == AlertLight::Orange ? 2 : 3;
}

// The light's name, then what it found.
AlertLightView view(AlertLight light, const QString& name, const QString& finding)
{
    return { levelOf(light), name + QLatin1Char('\n') + finding };
}

} // namespace

std::array<AlertLightView, 5> describeAlerts(const DiveAlertSummary& alerts)
{
    std::array<AlertLightView, 5> lights;
    lights[CeilingLight] = view(alerts.ceiling,
        QCoreApplication::translate("MainWindow", "Ceil: decompression ceiling."),
        alerts.ceiling == AlertLight::Red ? QCoreApplication::translate(
            "MainWindow", "The diver went above the ceiling: see the marks on the graph.")
            : alerts.ceiling == AlertLight::Orange
            ? QCoreApplication::translate(
                "MainWindow", "The computer warned that the ceiling was near.")
            : QCoreApplication::translate("MainWindow", "The diver stayed below the ceiling."));
    lights[RapidAscentLight] = view(alerts.rapidAscent,
        QCoreApplication::translate("MainWindow", "RR: rapid ascent, faster than %1 m/min.")
            .arg(MaxAscentSpeed),
        alerts.rapidAscent == AlertLight::Red ? QCoreApplication::translate(
            "MainWindow", "Too fast: the red segments and marks on the graph show where.")
            : alerts.rapidAscent == AlertLight::Orange
            ? QCoreApplication::translate(
                "MainWindow", "Near the limit: the orange segments on the graph show where.")
            : QCoreApplication::translate("MainWindow", "Every ascent stayed within the limit."));
    lights[YoyoLight] = view(alerts.yoyoLight,
        QCoreApplication::translate(
            "MainWindow", "Yoyo: an ascent of 10 m or more followed by a descent of 10 m or more."),
        alerts.yoyoLight == AlertLight::Green
            ? QCoreApplication::translate("MainWindow", "No yoyo in this dive.")
            : QCoreApplication::translate(
                "MainWindow", "Yoyos found: %1 (see the marks on the graph).")
                  .arg(alerts.yoyoCount));
    lights[SecurityLight] = view(alerts.security,
        QCoreApplication::translate(
            "MainWindow", "Security: safety warning recorded by the computer."),
        alerts.security == AlertLight::Green
            ? QCoreApplication::translate("MainWindow", "No warning.")
            : QCoreApplication::translate(
                "MainWindow", "The computer recorded a warning of level %1.")
                  .arg(alerts.securityLevel));
    const char* const dives[]
        = { QT_TRANSLATE_NOOP("MainWindow", "First dive of the last 24 hours."),
              QT_TRANSLATE_NOOP("MainWindow", "Second dive within 24 hours."),
              QT_TRANSLATE_NOOP("MainWindow", "Third dive within 24 hours: take care."),
              QT_TRANSLATE_NOOP("MainWindow", "Four or more dives within 24 hours.") };
    lights[Dives24hLight] = view(alerts.dives24h,
        QCoreApplication::translate("MainWindow", "Dives/24H: dives within 24 hours."),
        tr(dives[std::clamp(alerts.dives24hLevel, 0, 3)]));
    return lights;
}

QString alertLedIcon(int level, bool strong)
{
    const char* name = "Led_Grey.png"; // no dive shown: nothing to judge, so no "fine" either
    if (level == 0)
        name = "Led_Green.png";
    else if (level == 1)
        name = strong ? "Led_Red.png" : "Led_Orange.png";
    else if (level == 2)
        name = "Led_Orange.png";
    else if (level == 3)
        name = "Led_Red.png";
    return QStringLiteral(":/TestGraphics/icons/") + QLatin1String(name);
}
