#pragma once

// Whether a downloaded sample stream is the dive its header describes. A late stream of another
// dive can have the same number of samples; its depths and its length give it away.

#include "dive/devicerecords.h"
#include "link/deviceframe.h"
#include "link/devicerecordparser.h"

#include <QList>
#include <QString>

enum class StreamCheckStatus {
    Ok,
    NotWholeSamples, // bytes that are not whole records, or a marker without its format
    SampleCount, // not the number of samples the header announces
    MaxDepth, // the deepest sample is far from the header's maximum depth
    Duration, // count x period is far from the header's start-to-end time
};

// Depths may differ by 2 m or a tenth of the maximum (the header can catch a peak between two
// samples); times by two periods or a tenth of the dive. Header fields left at zero are not
// compared.
StreamCheckStatus checkStreamAgainstHeader(const DiveHeader& header,
    const SampleDecodeResult& decoded, const QList<DeviceSample>& samples);

// The figures that disagree, for the log.
QString streamCheckText(StreamCheckStatus status, const DiveHeader& header,
    const SampleDecodeResult& decoded, const QList<DeviceSample>& samples);

// Bytes of the notifications that carry a sample stream enough to size it.
constexpr int kStreamHeadBytes = 11;
// All the bytes (frames included) of a sample reply of `sampleCount` records, sized from its
// first kStreamHeadBytes bytes: its format marker gives the record length and its first frame
// the frame size. 0 when the head is too short or not a frame.
qint64 expectedStreamBytes(const QByteArray& head, quint32 sampleCount, bool withTissues);
