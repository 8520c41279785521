#pragma once

// Decoders of the computer's dive list and sample replies. Pure functions over the received bytes
// with a named status, so every malformed reply can be provoked in a test.

#include "dive/devicerecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

enum class HeaderParseStatus {
    Ok,
    NotAHeader, // empty body or another reply code
    Truncated // the body ends before the last field of its layout
};

// Reads one dive header from a reply-19 body (body[0] is the code). `variant` is the link's
// variant, which decides the layout. `header` is written only when the status is Ok.
HeaderParseStatus parseDiveHeaderReply(
    const QByteArray& body, uint32_t variant, DiveHeader& header);

// Number of body bytes (code included) a header of this format and variant occupies.
int diveHeaderReplyLength(int format, uint32_t variant);

enum class SampleDecodeStatus {
    Ok,
    Empty, // no bytes: a dive without samples
    MissingFormat, // the 0x80 marker without its format byte
    PartialTail // whole records decoded, a cut last record dropped
};

struct SampleDecodeResult
{
    SampleDecodeStatus status = SampleDecodeStatus::Empty;
    int sampleFormat = 0;
    int recordLength = 0;
    int droppedBytes = 0; // bytes of a cut last record that were not decoded
};

// Decodes a complete reply-20/21 stream into `samples` (appended). Only whole records are read.
SampleDecodeResult decodeDeviceSamples(
    const QByteArray& stream, bool withTissues, QList<DeviceSample>& samples);

// Record length of one sample of this format, with or without the 16 tissue bytes.
int deviceSampleLength(int sampleFormat, bool withTissues);

QString headerParseStatusText(HeaderParseStatus status);
QString sampleDecodeResultText(const SampleDecodeResult& result);
