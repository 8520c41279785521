// Feeds arbitrary replies to the catalogue and listing readers, builds the local file name of
// every entry, and drives the programming sequence, under the name the computer gets for the
// first entry's file, with acknowledgements taken from the bytes.
#include "computer/firmwarecatalogue.h"
#include "link/firmwareprogram.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QList<FirmwareEntry> entries;
    parseCatalogue(bytes, &entries);
    if (entries.isEmpty())
        entries.append(makeFirmwareEntry(QString::fromUtf8(bytes.left(64)),
            QString::fromLatin1(bytes.mid(64, 12)), {}, QString::fromLatin1(bytes.mid(76, 7)),
            QString::fromUtf8(bytes.mid(83, 40))));
    applyRepositoryListing(bytes, &entries, [](const QUrl& url) { return url.isValid(); });
    for (const FirmwareEntry& e : std::as_const(entries)) {
        const QString name = localFirmwareName(e);
        if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))
            || name.startsWith(QLatin1Char('.')) || !name.endsWith(QLatin1String(".bin")))
            abort();
    }

    // The image is the input itself; each later byte is one acknowledgement (code, accepted).
    FirmwareProgrammer program;
    if (program.start(bytes, firmwareNameOfFile(localFirmwareName(entries.first())))
        != FirmwareStatus::Ok)
        return 0;
    if (program.payload().size() != kBeginProgramPayloadBytes)
        abort();
    qsizetype sent = 0;
    int lastPercent = -1;
    for (size_t i = 0; i < size; ++i) {
        const quint8 code = 13 + data[i] % 3;
        const FirmwareProgrammer::Step step = program.acknowledge(code, (data[i] & 0x80) == 0);
        if (step.kind == FirmwareProgrammer::Step::SendChunk) {
            if (step.chunk.isEmpty() || step.chunk.size() > kFirmwareChunkBytes
                || step.chunk != bytes.mid(sent, step.chunk.size()))
                abort();
            sent += step.chunk.size();
        }
        if (step.reportPercent >= 0) {
            if (step.reportPercent <= lastPercent || step.reportPercent > 100
                || step.reportSent != sent)
                abort();
            lastPercent = step.reportPercent;
        }
        if (program.offset() != sent || sent > bytes.size())
            abort();
        if (step.kind == FirmwareProgrammer::Step::Finish
            && (sent != bytes.size() || lastPercent != 100))
            abort();
    }
    return 0;
}
