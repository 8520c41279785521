// Feeds arbitrary notification streams to the frame decoder and every decoded body to the
// reply parsers; the dive list and sample replies are gathered as the link does and make a
// downloaded dive, which is computed and written. The first byte chooses the notification size,
// as links differ in that, and its top bit the tissue flag.
#include "drivedives.h"
#include "link/computerinfo.h"
#include "link/deviceframe.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/linkenums.h"
#include "link/streamcheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t piece = 1 + (data[0] & 0x7f) % 64;
    FrameDecoder decoder;
    ComputerInfo info;
    for (size_t at = 1; at < size; at += piece) {
        const size_t len = at + piece <= size ? piece : size - at;
        decoder.append(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(len)));
        for (;;) {
            QByteArray body;
            quint8 code = 0;
            const FrameDecoder::Status status = decoder.next(&body, &code);
            if (status == FrameDecoder::Status::NeedMore)
                break;
            if (status != FrameDecoder::Status::Frame)
                continue;
            if (body.isEmpty() || body.size() > kMaxFrameBody)
                abort();
            parseIdentity(body, info);
            info.serialNumber = parseSerialNumber(body, info.modeDigit);
            info.settings = parseSettings(body, body[0] == 24);
            info.ownerName = zeroTerminatedText(body, 1, kOwnerNameMaxBytes + 1);
            BodyReader r(body, 1);
            r.skip(body.size() > 1 ? static_cast<quint8>(body[1]) * 11 : 0);
            r.u64();
            r.bytes(128);
            const quint8 reply = quint8(body[0]);
            if (reply == VeltraCommand::GetDiveList)
                info.diveHeaderReplies.append(body);
            else if (reply == VeltraCommand::GetDiveSamples
                || reply == VeltraCommand::GetDiveSamplesWithTissues)
                info.rawSampleBytes.append(body.mid(1));
        }
        // One partial frame at most, plus the piece just added.
        if (decoder.buffered() > kFrameHeaderSize + kMaxFrameBody + qsizetype(piece))
            abort();
    }
    DiveHeader header;
    for (const QByteArray& reply : std::as_const(info.diveHeaderReplies))
        parseDiveHeaderReply(reply, info.variant, header);
    QList<DeviceSample> samples;
    const SampleDecodeResult decoded
        = decodeDeviceSamples(info.rawSampleBytes, data[0] & 0x80, samples);
    checkStreamAgainstHeader(header, decoded, samples);
    DiveFileContent content;
    content.dives.append(convertDownloadedDive(header, samples,
        { info.versionText, computerNameFromField(info.settings.computerName),
            info.serialNumber }));
    driveDives(content);
    return 0;
}
