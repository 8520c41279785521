#pragma once

#include <QJsonObject>

class DiveProfile;
class QTextStream;

namespace cli {

struct Options;

// The factors of --gf LOW/HIGH, or the dive's own when absent; false (and a message) when the
// option is not two percentages from 10 to 100 with LOW at most HIGH.
bool replayFactors(
    const Options& o, const DiveProfile& dive, int& low, int& high, QTextStream& err);

// The dive replayed at these factors: per sample time, depth, ceiling, ndl (within the limit)
// or tts, gfSurface, cns, ppo2, ppn2, pphe, end and density, then maxGfSurface, cnsEnd, otu.
QJsonObject replayJson(const DiveProfile& dive, int gfLow, int gfHigh);

} // namespace cli
