#include "engine/validity.h"

#include <cmath>

const char* const kInvalidDiveYoyoText = "Invalid dive: Yoyo on previous dive";
const char* const kInvalidDiveTarText = "Invalid dive: Dive not allowed because of TAR > 0.8";
const char* const kDecoNotTerminatedText = "Deco not terminated";

gf_t reduced_gf(const gf_t& chosen)
{
    auto percent = [](float factor) {
        const long p = std::lround(factor * 100.0f);
        return uint8_t(p < 1 ? 1 : (p > kReducedGfPercent ? kReducedGfPercent : p));
    };
    return make_gf(percent(chosen.gfLow), percent(chosen.gfHigh));
}

bool third_dive_rules_apply(int diveIndex, int64_t surfaceIntervalS, bool closedCircuit)
{
    return diveIndex == 2 && surfaceIntervalS < kFullDaySeconds && !closedCircuit;
}

gf_t dive_gf(const gf_t* planGf, bool effortMode, int diveIndex, int64_t surfaceIntervalS,
    bool closedCircuit, float maxDepthM)
{
    const gf_t chosen = planGf ? *planGf : make_gf(80, 80);
    if (effortMode)
        return reduced_gf(chosen);
    if (third_dive_rules_apply(diveIndex, surfaceIntervalS, closedCircuit)
        && maxDepthM > kReducedGfDepthM)
        return reduced_gf(chosen);
    return chosen;
}

uint8_t invalid_dive_code(
    int diveIndex, int64_t surfaceIntervalS, bool closedCircuit, const tissues_t& start)
{
    if (third_dive_rules_apply(diveIndex, surfaceIntervalS, closedCircuit)
        && start.pN2[kTarCompartment] > kTarLimitBar)
        return kInvalidDiveTar;
    return kInvalidDiveNone;
}

bool yoyo_marking_mode(int diveIndex, int64_t surfaceIntervalS, int previousYoyoCount)
{
    return diveIndex >= 1 && surfaceIntervalS < kYoyoMarkingSeconds && previousYoyoCount != 0;
}

bool tissues_valid(const tissues_t& tissues)
{
    for (int i = 0; i < kCompartments; ++i) {
        const float n2 = tissues.pN2[i];
        const float he = tissues.pHe[i];
        if (!(n2 >= 0.0f && n2 <= 100.0f) || !(he >= 0.0f && he <= 100.0f))
            return false;
    }
    return tissues.cns >= 0.0f && tissues.cns <= 100.0f;
}
