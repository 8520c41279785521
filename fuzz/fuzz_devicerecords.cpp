// Feeds arbitrary bytes to the computer's dive header and sample decoders and to the ".divebin"
// parser, and the download's checks of a stream against its header, then drives the dives they
// make as a download or an import does. The first byte chooses the link variant and the tissue
// flag.
#include "drivedives.h"
#include "fileio/binarydiveparser.h"
#include "link/devicerecordparser.h"
#include "link/diveconversion.h"
#include "link/streamcheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const uint32_t variant = data[0] & 3;
    const bool tissues = data[0] & 4;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    DiveHeader header;
    QByteArray body = bytes;
    body.prepend(char(19));
    parseDiveHeaderReply(body, variant, header);

    QList<DeviceSample> samples;
    const SampleDecodeResult decoded = decodeDeviceSamples(bytes, tissues, samples);
    // The download's checks run on whatever arrived, header and stream alike.
    checkStreamAgainstHeader(header, decoded, samples);
    if (expectedStreamBytes(bytes.left(kStreamHeadBytes), header.sampleCount, tissues) < 0)
        __builtin_trap();
    DiveFileContent made;
    made.dives.append(convertDownloadedDive(header, samples, {}));
    if (made.dives.first().samples.size() != samples.size())
        __builtin_trap();

    const BinaryDiveContent content = parseBinaryDive(bytes);
    if (binaryDiveUsable(content.status)) {
        DiveProfile fromFile;
        binaryDiveToProfile(content, fromFile);
        if (qint64(content.samples.size()) * 28 + 185 > bytes.size())
            __builtin_trap(); // never more records than the file holds
        made.dives.append(fromFile);
    }
    driveDives(made);
    return 0;
}
