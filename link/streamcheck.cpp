#include "link/streamcheck.h"

#include <algorithm>
#include <cstdlib>

namespace {

int deepestDm(const QList<DeviceSample>& samples)
{
    int deepest = 0;
    for (const DeviceSample& s : samples)
        deepest = std::max(deepest, s.depthDm());
    return deepest;
}

qint64 headerDurationS(const DiveHeader& header)
{
    return header.endTime > header.startTime ? header.endTime - header.startTime : 0;
}

} // namespace

StreamCheckStatus checkStreamAgainstHeader(
    const DiveHeader& header, const SampleDecodeResult& decoded, const QList<DeviceSample>& samples)
{
    if (decoded.status == SampleDecodeStatus::PartialTail
        || decoded.status == SampleDecodeStatus::MissingFormat)
        return StreamCheckStatus::NotWholeSamples;
    if (samples.size() != qsizetype(header.sampleCount))
        return StreamCheckStatus::SampleCount;
    if (header.maxDepthDm > 0) {
        const int allowedDm = std::max(20, header.maxDepthDm / 10);
        if (std::abs(deepestDm(samples) - int(header.maxDepthDm)) > allowedDm)
            return StreamCheckStatus::MaxDepth;
    }
    const qint64 durationS = headerDurationS(header);
    if (durationS > 0 && header.period > 0) {
        const qint64 streamS = qint64(samples.size()) * header.period;
        const qint64 allowedS = std::max<qint64>(2 * header.period, durationS / 10);
        if (std::abs(streamS - durationS) > allowedS)
            return StreamCheckStatus::Duration;
    }
    return StreamCheckStatus::Ok;
}

QString streamCheckText(StreamCheckStatus status, const DiveHeader& header,
    const SampleDecodeResult& decoded, const QList<DeviceSample>& samples)
{
    switch (status) {
    case StreamCheckStatus::Ok:
        break;
    case StreamCheckStatus::NotWholeSamples:
        return QStringLiteral("bytes received are not whole samples (%1)")
            .arg(sampleDecodeResultText(decoded));
    case StreamCheckStatus::SampleCount:
        return QStringLiteral("%1 samples received, the dive's header announces %2")
            .arg(samples.size())
            .arg(header.sampleCount);
    case StreamCheckStatus::MaxDepth:
        return QStringLiteral("deepest sample %1 dm, the dive's header says %2 dm")
            .arg(deepestDm(samples))
            .arg(header.maxDepthDm);
    case StreamCheckStatus::Duration:
        return QStringLiteral("%1 samples of %2 s, the dive's header lasts %3 s")
            .arg(samples.size())
            .arg(header.period)
            .arg(headerDurationS(header));
    }
    return {};
}

qint64 expectedStreamBytes(const QByteArray& head, quint32 sampleCount, bool withTissues)
{
    if (head.size() < kStreamHeadBytes || quint8(head[0]) != kFrameMarker
        || quint8(head[1]) != kFrameMarker)
        return 0;
    const int firstBody = quint8(head[2]) | (quint8(head[3]) << 8);
    if (firstBody < 2 || firstBody > kMaxFrameBody)
        return 0;
    const bool marked = quint8(head[9]) == 0x80;
    const int format = marked ? quint8(head[10]) : 0;
    const qint64 payload
        = (marked ? 2 : 0) + qint64(sampleCount) * deviceSampleLength(format, withTissues);
    const qint64 chunk = firstBody - 1;
    const qint64 frames = (payload + chunk - 1) / chunk;
    // Each frame adds its header and code byte; an empty frame ends the reply.
    return payload + frames * (kFrameHeaderSize + 1) + kFrameHeaderSize + 1;
}
