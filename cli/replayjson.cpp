#include "cli/replayjson.h"

#include "cli/clioptions.h"
#include "dive/diveprofile.h"
#include "planner/divereplay.h"

#include <QJsonArray>
#include <QTextStream>

#include <cmath>

namespace cli {

namespace {

double rounded(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::round(value * scale) / scale;
}

} // namespace

bool replayFactors(const Options& o, const DiveProfile& dive, int& low, int& high, QTextStream& err)
{
    low = dive.gfLow;
    high = dive.gfHigh;
    if (!o.values.contains("--gf"))
        return true;
    const QStringList parts = o.value("--gf").split(QLatin1Char('/'));
    bool okLow = false;
    bool okHigh = false;
    low = parts.value(0).toInt(&okLow);
    high = parts.value(1).toInt(&okHigh);
    if (parts.size() != 2 || !okLow || !okHigh || low < 10 || high < 10 || low > 100 || high > 100
        || low > high) {
        err << "--gf takes LOW/HIGH in percent, for example 30/80\n";
        return false;
    }
    return true;
}

QJsonObject replayJson(const DiveProfile& dive, int gfLow, int gfHigh)
{
    const DiveReplay replay = replayDive(dive, gfLow, gfHigh);
    const QList<float> tts = replayTtsAll(dive, replay);
    QJsonArray samples;
    for (qsizetype i = 0; i < replay.points.size(); ++i) {
        const ReplayPoint& p = replay.points[i];
        QJsonObject s { { "time", rounded(p.timeS, 1) }, { "depth", rounded(p.depthM, 2) },
            { "ceiling", rounded(p.ceilingM, 2) }, { "gfSurface", rounded(p.gfSurfacePercent, 1) },
            { "cns", rounded(p.cnsPercent, 2) }, { "ppo2", rounded(p.ppO2, 3) },
            { "ppn2", rounded(p.ppN2, 3) }, { "pphe", rounded(p.ppHe, 3) },
            { "end", rounded(p.endM, 1) }, { "density", rounded(p.densityGL, 2) } };
        if (p.ndlMin > 0.0f)
            s["ndl"] = rounded(p.ndlMin, 1);
        else
            s["tts"] = rounded(tts[i], 1);
        samples.append(s);
    }
    return QJsonObject { { "samples", samples },
        { "maxGfSurface", rounded(replay.maxGfSurfacePercent, 1) },
        { "cnsEnd", rounded(replay.cnsEndPercent, 2) }, { "otu", rounded(replay.otu, 1) } };
}

} // namespace cli
