#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// Writing a firmware image into the computer while it runs its bootloader: BeginProgram with a
// 44-byte description of the image, Program frames of 128 image bytes, each sent when the
// previous one is acknowledged, EndProgram, then ProgramFinished. The sequence itself is a plain
// state machine so that every acknowledgement, in or out of turn, can be tested and fuzzed
// without a radio.

constexpr int kFirmwareChunkBytes = 128;
constexpr int kFirmwareNameBytes = 32;
constexpr int kBeginProgramPayloadBytes = 44;
// Far above any image the computer's flash can hold; a larger file is not a firmware.
constexpr qsizetype kMaxFirmwareBytes = 4 * 1024 * 1024;

enum class FirmwareStatus {
    Ok,
    NotConnected, // no link, or notifications not on
    NotFirmwareMode, // the computer runs its normal firmware, not the bootloader
    EmptyImage,
    ImageTooLarge,
    EmptyName, // nothing before the first dot
    NameTooLong, // more than 32 UTF-8 bytes before the first dot
    OtherFamily, // the name is not that of the connected computer's family
    NoVersion, // the name gives no version x.y.z of decimal numbers, or 0.0.0
};

QString firmwareStatusText(FirmwareStatus status);

// What the name of an image ("Veltra.1.2.3.b") tells the computer.
struct FirmwareIdentity
{
    QByteArray name; // UTF-8 text before the first dot, at most 32 bytes
    quint32 versionWord = 0; // x.y.z.w -> x<<24 | y<<16 | z<<8 | first character of w
    QString versionText; // the word as the computer shows it: "1.2.3.b"
};

// Reads the identity from a name of the form prefix.x.y.z.w. Parts that are missing or not
// decimal numbers count 0, parts above 255 count 255 (they would spill into the next byte), and
// a missing letter, or one that is not printable ASCII, counts '0'.
FirmwareStatus parseFirmwareName(const QString& name, FirmwareIdentity* identity);

// A file from disk is only known by its name (the image has no header to check): the name must
// start with the computer's family, the name it advertises ("Veltra.1.2.3.b" for a Veltra), and
// give a real version.
FirmwareStatus checkFirmwareFileName(const QString& name, const QString& computerFamily);

// "x.y.z.c" as the computer reports a version word; a letter that is not printable shows '0'.
QString versionWordText(quint32 word);

// The 44-byte BeginProgram payload: name padded with zeros to 32, version word, image size and
// the image's frame CRC in the low half of the last word, little-endian.
QByteArray beginProgramPayload(const FirmwareIdentity& identity, const QByteArray& image);

// Whole percent of `sent` out of `size`, in integers so the last byte always gives 100.
int firmwarePercent(qint64 sent, qint64 size);

class FirmwareProgrammer
{
public:
    enum class Phase {
        Idle,
        BeginSent, // BeginProgram written, its acknowledgement awaited
        ChunkSent, // a Program frame written, its acknowledgement awaited
        EndSent, // EndProgram written
        Finished, // EndProgram acknowledged
        Failed, // refused, timed out or the link went away
    };

    // What the link has to do after an event.
    struct Step
    {
        enum Kind {
            Nothing, // an acknowledgement out of turn: ignored
            SendChunk, // write Program with `chunk`
            SendEnd, // write EndProgram
            Finish, // write ProgramFinished; the installation succeeded
            Refused, // the computer refused the acknowledged step; the sequence stops
        };
        Kind kind = Nothing;
        QByteArray chunk;
        // A progress report to emit before the write (percent changed), or -1.
        int reportSent = -1;
        int reportPercent = -1;
    };

    // Checks and loads an image. On Ok the caller writes BeginProgram with `payload()`.
    FirmwareStatus start(const QByteArray& image, const QString& name);
    // An acknowledgement of 13, 14 or 15 arrived.
    Step acknowledge(quint8 code, bool accepted);
    // The link gave up on the awaited acknowledgement (time-out, damaged reply, disconnect).
    void fail();

    Phase phase() const { return m_phase; }
    bool isRunning() const
    {
        return m_phase == Phase::BeginSent || m_phase == Phase::ChunkSent
            || m_phase == Phase::EndSent;
    }
    // The code whose acknowledgement is awaited, 0 when none.
    quint8 awaitedCode() const;
    const QByteArray& payload() const { return m_payload; }
    const FirmwareIdentity& identity() const { return m_identity; }
    qsizetype imageSize() const { return m_image.size(); }
    qsizetype offset() const { return m_offset; }
    bool done() const { return m_offset >= m_image.size(); }

private:
    Step nextChunk();

    QByteArray m_image;
    QByteArray m_payload;
    FirmwareIdentity m_identity;
    Phase m_phase = Phase::Idle;
    qsizetype m_offset = 0;
    int m_lastPercent = -1;
};
