#include "engine/deco.h"

#include <cmath>
#include <cstring>

dive_t::dive_t()
    : ready(0)
    , startTime(0)
    , depthDm(0)
    , offsetS(0)
    , currentTime(0)
    , startMs(0)
    , currentMs(0)
    , msClock(0)
    , periodValue(5)
    , counterA(0)
    , counterB(0)
    , counterF(0)
    , counterC(0)
    , counterD(0)
    , counterE(0)
    , valueA(0.0f)
    , valueB(0.0f)
    , countValue(28)
{
    ready = 1;
}

dive_t::~dive_t() = default;

int64_t dive_t::start_time() const
{
    return startTime;
}
uint16_t dive_t::counter_a() const
{
    return counterA;
}
uint16_t dive_t::depth_dm() const
{
    return depthDm;
}
uint32_t dive_t::offset_s() const
{
    return offsetS;
}
int64_t dive_t::current_time() const
{
    return currentTime;
}
uint32_t dive_t::start_ms() const
{
    return startMs;
}
uint32_t dive_t::current_ms() const
{
    return currentMs;
}
uint8_t dive_t::uses_ms_clock() const
{
    return msClock;
}
uint8_t dive_t::period() const
{
    return periodValue;
}
uint32_t dive_t::count() const
{
    return countValue;
}
uint8_t dive_t::counter_b() const
{
    return counterB;
}
uint32_t dive_t::counter_c() const
{
    return counterC;
}
uint32_t dive_t::counter_d() const
{
    return counterD;
}
uint32_t dive_t::value_a() const
{
    return valueA > 0.0f ? static_cast<uint32_t>(valueA) : 0u;
}
uint32_t dive_t::value_b_ms() const
{
    return valueB > 0.0f ? static_cast<uint32_t>(valueB * 1000.0f) : 0u;
}
uint16_t dive_t::counter_e() const
{
    return counterE;
}
uint8_t dive_t::counter_f() const
{
    return counterF;
}

int64_t dive_t::exposure_index() const
{
    // Signed 64-bit throughout: a clock that has not yet passed the offset (or went back)
    // gives 0 instead of an unsigned wrap-around.
    int64_t elapsed;
    if (uses_ms_clock())
        elapsed = (static_cast<int64_t>(current_ms()) - static_cast<int64_t>(start_ms())) / 1000;
    else
        elapsed = current_time() - start_time();
    if (elapsed == 0)
        return 0;
    const float depthM = static_cast<float>(depth_dm()) / 10.0f;
    const float pressure = depthM > 0.0f ? depth_to_pressure(*this, depthM) : surfacePressure;
    const int64_t pastOffset = elapsed - static_cast<int64_t>(offset_s());
    const double minutes = pastOffset > 0 ? static_cast<double>(pastOffset) / 60.0 : 0.0;
    const double value = std::sqrt(minutes) * static_cast<double>(pressure - surfacePressure);
    return value > 0.0 ? static_cast<int64_t>(std::llround(value)) : 0;
}

deco_t::deco_t()
    : dtr(0.0f)
    , stopTime(0.0f)
    , ceiling(0.0f)
    , ndl(kNdlCapMin)
    , maxCns(0.0f)
    , firstStopIndex(0)
    , firstStopPressure(1.0f)
    , anchorIndex(0)
    , anchorPressure(1.0f)
    , slowZonePressure(0.0f)
    , stopCount(0)
    , surfacingGf(0.0f)
    , decoImpossible(0)
{
    for (stop_t& stop : stops)
        stop = { 0.0f, 5.0f, 0, 0, 0 };
}
