#include "views/replayoptions.h"

#include <QSettings>

bool ReplayGraphOptions::operator==(const ReplayGraphOptions& o) const
{
    return ceiling == o.ceiling && heatMap == o.heatMap && ppO2 == o.ppO2 && ppN2 == o.ppN2
        && ppHe == o.ppHe && mod == o.mod && gfLow == o.gfLow && gfHigh == o.gfHigh;
}

ReplayGraphOptions ReplayGraphOptions::load(const QSettings& settings)
{
    ReplayGraphOptions o;
    auto flag = [&](const char* key, bool fallback) {
        return settings.value(QStringLiteral("graph/") + QLatin1String(key), fallback).toBool();
    };
    o.ceiling = flag("replayCeiling", o.ceiling);
    o.heatMap = flag("tissueHeatMap", o.heatMap);
    o.ppO2 = flag("ppO2", o.ppO2);
    o.ppN2 = flag("ppN2", o.ppN2);
    o.ppHe = flag("ppHe", o.ppHe);
    o.mod = flag("mod", o.mod);
    bool okLow = false;
    bool okHigh = false;
    const int low = settings.value(QStringLiteral("graph/gfLow")).toInt(&okLow);
    const int high = settings.value(QStringLiteral("graph/gfHigh")).toInt(&okHigh);
    if (okLow && okHigh && low >= 10 && high <= 100 && low <= high) {
        o.gfLow = low;
        o.gfHigh = high;
    }
    return o;
}

void ReplayGraphOptions::save(QSettings& settings) const
{
    settings.setValue(QStringLiteral("graph/replayCeiling"), ceiling);
    settings.setValue(QStringLiteral("graph/tissueHeatMap"), heatMap);
    settings.setValue(QStringLiteral("graph/ppO2"), ppO2);
    settings.setValue(QStringLiteral("graph/ppN2"), ppN2);
    settings.setValue(QStringLiteral("graph/ppHe"), ppHe);
    settings.setValue(QStringLiteral("graph/mod"), mod);
    settings.setValue(QStringLiteral("graph/gfLow"), gfLow);
    settings.setValue(QStringLiteral("graph/gfHigh"), gfHigh);
    settings.sync();
}
