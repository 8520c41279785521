#pragma once

#include <QByteArray>

#include <cstdint>

// Framing of the computer's command protocol: 0xDC 0xDC, u16 body length N, u16 CRC of the
// body plus two zero bytes, then the body (command code and payload). Little-endian.

constexpr int kFrameHeaderSize = 8;
// The largest body the computer sends; a longer announced length can only be damage.
constexpr int kMaxFrameBody = 512;
constexpr quint8 kFrameMarker = 0xDC;

// CRC-16, polynomial 0x1021, register preset 0xFFFF, augmented bitwise form (16 zero bits
// pushed through after the data). The computer checks frames and firmware images with it.
quint16 frameCrc(const char* data, qsizetype size);
inline quint16 frameCrc(const QByteArray& data)
{
    return frameCrc(data.constData(), data.size());
}

// One complete frame ready to write: code plus payload. The payload must fit the body limit.
QByteArray buildFrame(quint8 code, const QByteArray& payload = {});

// Cuts a byte stream (the concatenated notifications) into frames. It never holds more than one
// partial frame plus what was appended since the last call of next(); garbage before a marker
// is dropped, so a damaged frame costs that frame only.
class FrameDecoder
{
public:
    enum class Status {
        NeedMore, // no complete frame yet; a fragment that starts with the marker is kept
        Frame, // a frame with a good CRC was taken off the front
        BadCrc, // a frame's CRC (bytes 4-7) did not match its body
        BadLength, // the announced body length is 0 or above the body limit
    };

    void append(const QByteArray& bytes);
    // Takes the next frame off the buffer. For BadCrc and BadLength, *code is the code byte of
    // the damaged frame (0 when the frame is too short to have one) and the decoder has moved
    // past the damaged frame's marker so the next call can find the next frame.
    Status next(QByteArray* body, quint8* code);
    void clear();
    qsizetype buffered() const { return m_buffer.size(); }
    // Bytes discarded because no marker stood before them (since construction or clear()).
    qint64 droppedBytes() const { return m_dropped; }

private:
    void dropFront(qsizetype count, bool garbage);
    qsizetype completeValidFrameAfter(qsizetype from) const;

    QByteArray m_buffer;
    qint64 m_dropped = 0;
};

// Reads the fields of a reply body in order. Bytes beyond the body read as zero and never move
// the cursor past the end, so a short or lying reply cannot make a parser read out of bounds.
class BodyReader
{
public:
    explicit BodyReader(const QByteArray& body, qsizetype start = 0);

    quint8 u8();
    quint16 u16();
    quint32 u32();
    quint64 u64();
    QByteArray bytes(qsizetype count); // always count bytes long, zero-padded
    void skip(qsizetype count);
    qsizetype position() const { return m_pos; }
    bool atEnd() const { return m_pos >= m_body.size(); }

private:
    const QByteArray& m_body;
    qsizetype m_pos;
};

// Little-endian appenders used to build payloads.
void appendU16(QByteArray& out, quint16 value);
void appendU32(QByteArray& out, quint32 value);
void appendU64(QByteArray& out, quint64 value);
