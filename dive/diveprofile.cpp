#include "dive/diveprofile.h"

#include <algorithm>
#include <cmath>

namespace {

// Vertical speed in m/min between two samples; equal times give 0 rather than inf/NaN.
double speedBetween(const DiveSample& previous, const DiveSample& current)
{
    const double dt = current.time - previous.time;
    if (dt == 0.0)
        return 0.0;
    return 60.0 / dt * (current.depth - previous.depth);
}

void fillSpeeds(QList<DiveSample>& list)
{
    const qsizetype count = list.size();
    if (count < 2)
        return;
    DiveSample* data = list.data();
    for (qsizetype i = 1; i < count; ++i)
        data[i].speed = speedBetween(data[i - 1], data[i]);
}

// Linear factor of x between a and b; 0 when a and b coincide.
double factorBetween(double a, double b, double x)
{
    const double span = b - a;
    return span == 0.0 ? 0.0 : (x - a) / span;
}

constexpr quint8 RapidAscentBit = 0x04;
constexpr quint8 YoyoBits = 0x30;

} // namespace

bool DiveDetails::operator==(const DiveDetails& o) const
{
    return number == o.number && site == o.site && location == o.location && country == o.country
        && position == o.position && trip == o.trip && buddies == o.buddies && notes == o.notes
        && rating == o.rating && tags == o.tags;
}

void DiveProfile::clear()
{
    samples.clear();
    gases.clear();
    ceilingTrace.clear();
    name.clear();
    origin = DiveOriginNone;
    duration = 0;
    maxDepth = 0;
}

void DiveProfile::computeStatistics()
{
    minTemperature = 100;
    maxDepth = 0;
    meanDepth = 0;
    maxTemperature = 0;
    duration = 0;

    double depthSum = 0;
    qsizetype deepest = -1;
    const qsizetype count = samples.size();
    DiveSample* data = samples.data();
    for (qsizetype i = 0; i < count; ++i) {
        DiveSample& s = data[i];
        s.isMaxDepth = 0; // a previous run may have marked another sample
        duration = std::max(duration, s.time);
        if (s.depth > maxDepth) {
            maxDepth = s.depth;
            deepest = i;
        }
        maxTemperature = std::max(maxTemperature, s.temperature);
        minTemperature = std::min(minTemperature, s.temperature);
        depthSum += s.depth;
    }
    if (deepest >= 0)
        data[deepest].isMaxDepth = 1;

    const qsizetype ascentCount = ascentSamples.size();
    if (ascentCount > 0) {
        const DiveSample* ascent = ascentSamples.constData();
        double stops = 0;
        for (qsizetype i = 0; i < ascentCount; ++i) {
            duration = std::max(duration, ascent[i].time);
            depthSum += ascent[i].depth;
            if (i > 0 && std::fabs(ascent[i].depth - ascent[i - 1].depth) < 0.01)
                stops += ascent[i].time - ascent[i - 1].time;
        }
        ascentDuration = ascent[ascentCount - 1].time - ascent[0].time;
        stopTime = stops;
    }

    // No samples at all: a mean depth of 0 rather than 0/0.
    const qsizetype total = count + ascentCount;
    meanDepth = total > 0 ? depthSum / double(total) : 0.0;
}

void DiveProfile::computeSpeeds(bool keepRecorded)
{
    if (!keepRecorded)
        fillSpeeds(samples);
    fillSpeeds(ascentSamples);
}

int DiveProfile::insertSample(const DiveSample& sample)
{
    const auto at = std::upper_bound(samples.cbegin(), samples.cend(), sample.time,
        [](double t, const DiveSample& s) { return t < s.time; });
    const qsizetype position = at - samples.cbegin();
    DiveSample inserted = sample;
    if (position > 0)
        inserted.gasIndex = samples.at(position - 1).gasIndex;
    else if (!samples.isEmpty())
        // Before the first sample: it breathes what the dive started with.
        inserted.gasIndex = samples.first().gasIndex;
    samples.insert(position, inserted);
    computeStatistics();
    computeSpeeds(false);
    return int(position);
}

void DiveProfile::removeSample(int index)
{
    if (index < 0 || index >= samples.size())
        return;
    samples.removeAt(index);
    // As insertSample: the statistics must not keep a deleted point's depth or time.
    computeStatistics();
}

void DiveProfile::removeSamples(const QList<int>& indexes)
{
    const qsizetype count = samples.size();
    QList<bool> doomed(count, false);
    bool any = false;
    for (int index : indexes) {
        if (index >= 0 && index < count) {
            doomed[index] = true;
            any = true;
        }
    }
    if (!any)
        return;
    qsizetype kept = 0;
    DiveSample* data = samples.data();
    for (qsizetype i = 0; i < count; ++i) {
        if (!doomed[i])
            data[kept++] = data[i];
    }
    samples.resize(kept);
    computeStatistics();
}

void DiveProfile::fillGasIndexes()
{
    qint32 last = 0;
    for (DiveSample& s : samples) {
        if (s.gasIndex < 0)
            s.gasIndex = last;
        else
            last = s.gasIndex;
    }
}

double DiveProfile::depthAt(double t) const
{
    const auto at = std::lower_bound(samples.cbegin(), samples.cend(), t,
        [](const DiveSample& s, double value) { return s.time < value; });
    if (at == samples.cend())
        return -1.0;
    if (at == samples.cbegin())
        return 0.0;
    const DiveSample& next = *at;
    const DiveSample& previous = *(at - 1);
    return previous.depth
        + (next.depth - previous.depth) * factorBetween(previous.time, next.time, t);
}

double DiveProfile::meanSpeed(int from, int to) const
{
    if (from > to)
        std::swap(from, to);
    if (from < 0 || to >= samples.size() || from == to)
        return 0.0;
    double sum = 0;
    for (int i = from + 1; i <= to; ++i)
        sum += samples.at(i).speed;
    return sum / double(to - from);
}

quint8 DiveProfile::alertLevel(const DiveSample& sample, int kind)
{
    switch (kind) {
    case SampleAlertYoyo:
        return (sample.alertFlags >> 4) & 3;
    case SampleAlertPmax:
        return (sample.alertFlags & 0x08) ? 2 : 0;
    case SampleAlertRapidAscent:
        return (sample.alertFlags >> 2) & 1;
    case SampleAlertCeiling:
        return sample.alertFlags & 3;
    default:
        return 0;
    }
}

void DiveProfile::setAlerts(quint32 word, quint8 extra)
{
    alerts = word;
    alertExtra = quint8((alertExtra & 0xC0) | (extra & 0x03));
}

void DiveProfile::setPeriod(quint8 periodS)
{
    period = periodS;
}

int DiveProfile::setAscentStart(int index)
{
    const int count = int(samples.size());
    if (index > count - 2)
        return count - 2;
    if (index < 0)
        return -1;
    ascentStartIndex = index;
    double total = 0;
    for (int i = index + 1; i < count; ++i)
        total += samples.at(i).time - samples.at(i - 1).time;
    ascentDuration = total;
    return index;
}

PositionInfo DiveProfile::positionInfo(int t, bool ascentList) const
{
    PositionInfo info;

    double traceValue = 0;
    if (ceilingTrace.size() >= 2 && t > ceilingTrace.first().time) {
        for (qsizetype i = 1; i < ceilingTrace.size(); ++i) {
            const ProfileMarker& b = ceilingTrace.at(i);
            if (b.time >= t) {
                const ProfileMarker& a = ceilingTrace.at(i - 1);
                traceValue = a.depth + (b.depth - a.depth) * factorBetween(a.time, b.time, t);
                break;
            }
        }
    }

    const QList<DiveSample>& list = ascentList ? ascentSamples : samples;
    if (list.size() < 2)
        return info;
    const auto at = std::lower_bound(list.cbegin() + 1, list.cend(), double(t),
        [](const DiveSample& s, double value) { return s.time < value; });
    if (at == list.cend())
        return info;

    const DiveSample& previous = *(at - 1);
    const DiveSample& next = *at;
    info.found = true;
    info.before = previous;
    info.after = next;
    info.elapsedS = t - previous.time;
    info.traceCeiling = traceValue;

    const double f = factorBetween(previous.time, next.time, t);
    if (f <= 0)
        return info;
    info.depthChange = (next.depth - previous.depth) * f;
    info.ceilingChange = (next.decoCeiling - previous.decoCeiling) * f;

    const double waterFactor = freshWater == 1 ? 1.0 : 1.03;
    const double gravity = double(9.80665f);
    auto pressure
        = [&](double depthM) { return waterFactor * gravity * depthM / 100.0 + surfacePressure; };
    double o2Fraction = 0.21;
    if (!gases.isEmpty()) {
        const qint32 gas = previous.gasIndex;
        const DiveGas& chosen = (gas >= 0 && gas < gases.size()) ? gases.at(gas) : gases.first();
        o2Fraction = chosen.o2 / 100.0;
    }
    const double p0 = pressure(previous.depth);
    info.ppO2 = (p0 + (pressure(next.depth) - p0) * f) * o2Fraction;
    return info;
}

DiveProfile DiveProfile::cutSelection(int t1, int t2) const
{
    // The cut is the same dive seen through a window: it keeps name, date, computer, gases and
    // settings; what belonged to the whole dive (plan, marks, statistics) is computed afresh.
    DiveProfile result = *this;
    result.samples.clear();
    result.ascentSamples.clear();
    result.extraSamples.clear();
    result.ceilingTrace.clear();
    result.yoyoMarkers.clear();
    result.ascentStartIndex = -1;
    result.decoNotTerminated = 0;
    result.tanks.clear();
    if (samples.isEmpty())
        return result;
    if (t1 > t2)
        std::swap(t1, t2);
    // Outside the dive the depth is not defined: cut what lies inside it.
    const double firstTime = samples.first().time;
    const double lastTime = samples.last().time;
    const double from = std::clamp(double(t1), firstTime, lastTime);
    const double to = std::clamp(double(t2), firstTime, lastTime);

    auto depthOf = [this](double t) {
        if (samples.size() < 2)
            return samples.first().depth;
        const PositionInfo p = positionInfo(int(std::floor(t)), false);
        return p.found ? p.before.depth + p.depthChange : samples.first().depth;
    };
    const double d1 = depthOf(from);
    const double d2 = depthOf(to);
    // The made-up points take the temperature and gas of the dive where they are cut.
    auto sampleAt = [this](double t, double depth) {
        const auto after = std::lower_bound(samples.cbegin(), samples.cend(), t,
            [](const DiveSample& s, double value) { return s.time < value; });
        const DiveSample& b = after == samples.cend() ? samples.last() : *after;
        const DiveSample& a = after == samples.cbegin() ? b : *(after - 1);
        DiveSample made;
        made.depth = depth;
        made.temperature
            = a.temperature + (b.temperature - a.temperature) * factorBetween(a.time, b.time, t);
        made.gasIndex = a.gasIndex;
        return made;
    };

    const DiveSample& first = samples.first();
    result.samples.append(first);

    // The descent point must come after the first sample, even for a cut starting at the
    // surface (two samples at the same time would have no speed between them).
    double descentTime = std::trunc(2.0 * d1);
    if (descentTime <= first.time)
        descentTime = std::floor(first.time) + 1.0;
    DiveSample descent = sampleAt(from, d1);
    descent.time = descentTime;
    descent.speed = 10.0;
    result.samples.append(descent);

    const double shift = descentTime - from;
    for (const DiveSample& s : samples) {
        if (s.time > from && s.time < to) {
            DiveSample moved = s;
            moved.time += shift;
            moved.isMaxDepth = 0;
            result.samples.append(moved);
        }
    }

    DiveSample end = sampleAt(to, d2);
    end.time = descentTime + to - from;
    result.samples.append(end);

    DiveSample surface = end;
    surface.time = end.time + std::max(1.0, std::trunc(6.0 * d2));
    surface.depth = 0;
    result.samples.append(surface);

    // The cut starts later in the day than the dive did.
    result.dateTime = dateTime + qint64(std::floor(from - descentTime));
    // Every speed follows from the new times, the surfacing ascent included.
    result.computeSpeeds(false);
    result.computeStatistics();
    return result;
}

void DiveProfile::markRapidAscent()
{
    // Clear every old mark first so a repeated analysis never leaves a stale one.
    for (DiveSample& s : samples)
        s.alertFlags &= quint8(~RapidAscentBit);
    const qsizetype count = samples.size();
    if (count < 2)
        return;

    const float limit = 15.1f;
    bool inAscent = false;
    float reference = 0;
    float distance = 0;
    float sum = 0;
    float n = 0;
    DiveSample* data = samples.data();
    for (qsizetype i = 1; i < count; ++i) {
        const float speed = float(data[i].speed);
        const float depth = float(data[i].depth);
        const float previousDepth = float(data[i - 1].depth);
        if (!inAscent) {
            if (speed < -limit && previousDepth > 10.0f) {
                inAscent = true;
                reference = previousDepth;
                distance = reference * 0.5f;
                if (maxDepth > 20.0 && distance < 10.0f)
                    distance = 10.0f;
                sum = std::fabs(speed);
                n = 1;
            }
            continue;
        }
        if (speed < 0)
            sum += std::fabs(speed);
        n += 1;
        const float mean = sum / n;
        if (mean < 6.0f) {
            inAscent = false;
        } else if (reference - depth >= distance && mean > limit) {
            data[i].alertFlags |= RapidAscentBit;
            return;
        }
    }
}

void DiveProfile::detectYoyo(int mode, bool markSamples)
{
    yoyoMarkers.clear();
    const double minimumDiveDepth = mode == 1 ? 16.0 : 10.0;
    const double deepLimit = mode == 1 ? 29.0 : 20.0;
    // The count is rewritten from scratch by this analysis.
    alerts &= ~(quint32(3) << AlertShiftYoyo);

    bool tracking = false;
    double minimum = 9999.0;
    double lastMax = 0;
    double deepest = 0;
    int yoyoCount = 0;
    const qsizetype count = samples.size();
    DiveSample* data = samples.data();

    for (qsizetype i = 0; i < count; ++i) {
        DiveSample& s = data[i];
        const double d = s.depth;
        if (!tracking) {
            deepest = std::max(deepest, d);
            lastMax = std::max(lastMax, d);
            if (lastMax - d >= 10.0) {
                minimum = d;
                tracking = true;
            }
            s.alertFlags &= quint8(~YoyoBits);
            continue;
        }
        minimum = std::min(minimum, d);
        if (d - minimum < 10.0) {
            s.alertFlags &= quint8(~YoyoBits);
            continue;
        }
        if (deepest <= minimumDiveDepth) {
            s.alertFlags &= quint8(~YoyoBits);
        } else {
            ++yoyoCount;
            const quint32 level = quint32(std::min(yoyoCount, 3));
            alerts = (alerts & ~(quint32(3) << AlertShiftYoyo)) | (level << AlertShiftYoyo);
            if (markSamples) {
                s.alertFlags = quint8((s.alertFlags & ~YoyoBits) | (3 << 4));
                invalidDiveCode = 1;
            } else {
                // Where the re-descent crossed minimum + 10 m.
                const double crossDepth = minimum + 10.0;
                double crossTime = s.time;
                if (i > 0) {
                    const DiveSample& p = data[i - 1];
                    const double dd = d - p.depth;
                    crossTime = dd == 0.0
                        ? s.time
                        : p.time + (s.time - p.time) * (crossDepth - p.depth) / dd;
                }
                auto record = [&](int eventLevel) {
                    s.alertFlags = quint8((s.alertFlags & ~YoyoBits) | ((eventLevel & 3) << 4));
                    yoyoMarkers.append({ float(crossTime), float(crossDepth), eventLevel });
                };
                if (deepest <= deepLimit)
                    record(std::min(yoyoCount, 3));
                else
                    record(yoyoCount == 1 ? 2 : 3);
                if (deepest > 35.0)
                    record(3);
            }
        }
        lastMax = d;
        tracking = false;
    }
}

QString DiveProfile::gasName(DiveGas& gas)
{
    const int o2 = gas.o2;
    const int he = gas.he;
    QString text;
    if (he >= 1) {
        const char* prefix = 100 - o2 - he >= 1 ? (o2 >= 22 ? "Triox" : "Tx") : "Hx";
        text = QString::asprintf("%s%d%c%d", prefix, o2, '/', he);
    } else if (o2 == 21) {
        text = QStringLiteral("Air");
    } else if (o2 == 100) {
        text = QStringLiteral("Oxy");
    } else if (o2 < 22) {
        text = QStringLiteral("Invalid");
    } else {
        text = QString::asprintf("Nx%d", o2);
    }
    gas.name = text;
    return text;
}

DiveAlertBlock DiveProfile::alertBlock() const
{
    DiveAlertBlock block;
    block.period = period;
    block.alerts = alerts;
    block.alertExtra = alertExtra;
    return block;
}

void DiveProfile::setAlertBlock(const DiveAlertBlock& block)
{
    period = block.period;
    alerts = block.alerts;
    alertExtra = block.alertExtra;
}
