#include "link/devicerecordparser.h"

#include "dive/bytecursor.h"
#include "dive/headerfields.h"

int diveHeaderReplyLength(int format, uint32_t variant)
{
    const bool wide = format >= 5;
    int n = format == 0 ? 3 : 5; // code and first word (and the number for tagged formats)
    n += 1 + 1 + 1 + 1 + 2 + 2 + 16 * 4;
    n += wide ? 2 : 1; // gas mask
    n += (wide ? 12 : 8) * 2; // gas pairs
    n += 1 + 2;
    n += variant == 2 ? 13 : 4;
    n += 4 + 4;
    if (format != 0 && variant == 1)
        n += 2; // alertExtra
    n += 8 + 2 + 2 + 2 + 1 + 1 + 4 + 2 + 4 + 4 + 2 + 2 + 2 + 8 + 4 + 4 + 4;
    if (format != 0)
        n += 3;
    if (format >= 6 && variant == 1)
        n += 3;
    return n;
}

namespace {

// The gas slots (8, or 12 in the wide formats) and the fields that follow them.
void readGasBlock(ByteCursor& c, DiveHeader& h, bool wide, uint32_t variant)
{
    h.gasMask = wide ? c.u16() : c.u8();
    const int slotCount = wide ? 12 : 8;
    for (int i = 0; i < slotCount; ++i) {
        h.gasO2[i] = c.u8();
        h.gasHe[i] = c.u8();
    }
    h.byteAfterGases = c.u8();
    h.wordsAfterGases[0] = c.u16();
    if (variant != 2) {
        h.wordsAfterGases[1] = c.u16();
        h.wordsAfterGases[2] = c.u16();
    } else {
        // 13 bytes of which bytes 3-4 and 8-9 carry the two fields.
        c.skip(3);
        h.wordsAfterGases[1] = c.u16();
        c.skip(3);
        h.wordsAfterGases[2] = c.u16();
        c.skip(3);
    }
}

} // namespace

HeaderParseStatus parseDiveHeaderReply(const QByteArray& body, uint32_t variant, DiveHeader& header)
{
    if (body.isEmpty() || static_cast<uint8_t>(body[0]) != 19)
        return HeaderParseStatus::NotAHeader;

    DiveHeader h;
    h.computerType = variant;
    ByteCursor c(body, 1);
    const uint16_t first = c.u16();
    int format = 0;
    if (first < 0x8001) {
        h.number = first;
    } else {
        format = first & 0xFF;
        h.number = c.u16();
    }
    const bool wide = format >= 5;

    h.byteAfterNumber = c.u8();
    h.diveMode = c.u8();
    if (variant == 2 && h.diveMode == 3)
        h.diveMode = 5;
    readHeaderSettings(c, h);
    readGasBlock(c, h, wide, variant);
    h.sampleCount = c.u32();
    h.alertWord = c.u32();
    if (format != 0 && variant == 1)
        h.alertExtra = c.u16();
    readHeaderTimes(c, h);
    if (format != 0) {
        h.byteAfterPeriod = c.u8();
        h.wordAfterPeriod = c.u16();
        if (format >= 6 && variant == 1) {
            h.byteAfterPeriod = c.u8();
            h.wordAfterPeriod = c.u16();
        }
    }
    if (c.overrun())
        return HeaderParseStatus::Truncated;
    header = h;
    return HeaderParseStatus::Ok;
}

int deviceSampleLength(int sampleFormat, bool withTissues)
{
    const int base = sampleFormat == 0 ? 6 : sampleFormat == 1 ? 8 : 10;
    return base + (withTissues ? 16 : 0);
}

SampleDecodeResult decodeDeviceSamples(
    const QByteArray& stream, bool withTissues, QList<DeviceSample>& samples)
{
    SampleDecodeResult result;
    if (stream.isEmpty())
        return result;
    int offset = 0;
    if (static_cast<uint8_t>(stream[0]) == 0x80) {
        if (stream.size() < 2) {
            result.status = SampleDecodeStatus::MissingFormat;
            result.droppedBytes = 1;
            return result;
        }
        result.sampleFormat = static_cast<uint8_t>(stream[1]);
        offset = 2;
    }
    const int length = deviceSampleLength(result.sampleFormat, withTissues);
    result.recordLength = length;
    const int records = (stream.size() - offset) / length;
    result.droppedBytes = (stream.size() - offset) % length;
    result.status = result.droppedBytes ? SampleDecodeStatus::PartialTail : SampleDecodeStatus::Ok;
    if (records == 0 && !result.droppedBytes)
        result.status = SampleDecodeStatus::Empty;

    samples.reserve(samples.size() + records);
    int previousDepth = 0;
    for (int r = 0; r < records; ++r, offset += length) {
        const auto byte = [&](int i) { return static_cast<uint8_t>(stream[offset + i]); };
        const auto word
            = [&](int i) { return static_cast<uint16_t>(byte(i) | (byte(i + 1) << 8)); };
        DeviceSample s;
        s.flagByte = static_cast<uint8_t>((byte(0) & 0x0F) << 1);
        int depth = word(1) & 0x0FFF;
        // Values beyond 400 m are sensor glitches: keep the previous depth.
        if (depth > 4000)
            depth = previousDepth;
        previousDepth = depth;
        s.depthWord = static_cast<uint16_t>(depth);
        s.ceilingWord = word(3) & 0x0FFF;
        s.temperatureByte = static_cast<uint8_t>((byte(5) & 0x1F) << 2);
        int next = 6;
        if (result.sampleFormat >= 1) {
            s.extraWord = word(6);
            next = 8;
        }
        if (result.sampleFormat >= 2) {
            s.alertByte = byte(8);
            s.statusByte = byte(9);
            next = 10;
        }
        if (withTissues) {
            for (int i = 0; i < 16; ++i)
                s.tissues[i] = byte(next + i);
        }
        samples.append(s);
    }
    return result;
}

QString headerParseStatusText(HeaderParseStatus status)
{
    switch (status) {
    case HeaderParseStatus::Ok:
        return QStringLiteral("Dive header read");
    case HeaderParseStatus::NotAHeader:
        return QStringLiteral("Not a dive header reply");
    case HeaderParseStatus::Truncated:
        return QStringLiteral("Dive header reply too short, header dropped");
    }
    return QString();
}

QString sampleDecodeResultText(const SampleDecodeResult& result)
{
    switch (result.status) {
    case SampleDecodeStatus::Ok:
        return QStringLiteral("Samples decoded (format %1)").arg(result.sampleFormat);
    case SampleDecodeStatus::Empty:
        return QStringLiteral("No sample received");
    case SampleDecodeStatus::MissingFormat:
        return QStringLiteral("Sample stream cut after its format marker");
    case SampleDecodeStatus::PartialTail:
        return QStringLiteral("Sample stream ends inside a record: %1 bytes dropped")
            .arg(result.droppedBytes);
    }
    return QString();
}
