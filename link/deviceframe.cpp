#include "link/deviceframe.h"

#include <algorithm>

quint16 frameCrc(const char* data, qsizetype size)
{
    quint32 reg = 0xFFFF;
    auto push = [&reg](quint8 byte) {
        for (int bit = 7; bit >= 0; --bit) {
            const bool out = reg & 0x8000;
            reg = ((reg << 1) | ((byte >> bit) & 1)) & 0xFFFF;
            if (out)
                reg ^= 0x1021;
        }
    };
    for (qsizetype i = 0; i < size; ++i)
        push(static_cast<quint8>(data[i]));
    push(0);
    push(0);
    return static_cast<quint16>(reg);
}

void appendU16(QByteArray& out, quint16 value)
{
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void appendU32(QByteArray& out, quint32 value)
{
    appendU16(out, static_cast<quint16>(value & 0xFFFF));
    appendU16(out, static_cast<quint16>(value >> 16));
}

void appendU64(QByteArray& out, quint64 value)
{
    appendU32(out, static_cast<quint32>(value & 0xFFFFFFFFu));
    appendU32(out, static_cast<quint32>(value >> 32));
}

QByteArray buildFrame(quint8 code, const QByteArray& payload)
{
    QByteArray body;
    body.reserve(1 + payload.size());
    body.append(static_cast<char>(code));
    body.append(payload);

    QByteArray frame;
    frame.reserve(kFrameHeaderSize + body.size());
    frame.append(static_cast<char>(kFrameMarker));
    frame.append(static_cast<char>(kFrameMarker));
    appendU16(frame, static_cast<quint16>(body.size()));
    appendU16(frame, frameCrc(body));
    appendU16(frame, 0);
    frame.append(body);
    return frame;
}

namespace {

quint16 readU16(const QByteArray& b, qsizetype at)
{
    return static_cast<quint16>(static_cast<quint8>(b[at]) | (static_cast<quint8>(b[at + 1]) << 8));
}

} // namespace

void FrameDecoder::append(const QByteArray& bytes)
{
    m_buffer.append(bytes);
}

void FrameDecoder::clear()
{
    m_buffer.clear();
    m_dropped = 0;
}

void FrameDecoder::dropFront(qsizetype count, bool garbage)
{
    count = std::min(count, m_buffer.size());
    if (garbage)
        m_dropped += count;
    m_buffer.remove(0, count);
}

// Position of the first marker after `from` that starts a complete frame with a good CRC,
// or -1. Used to give up on a frame start whose length is a lie while good frames wait behind.
qsizetype FrameDecoder::completeValidFrameAfter(qsizetype from) const
{
    const QByteArray marker(2, static_cast<char>(kFrameMarker));
    for (qsizetype at = m_buffer.indexOf(marker, from); at >= 0;
         at = m_buffer.indexOf(marker, at + 1)) {
        if (m_buffer.size() - at < kFrameHeaderSize)
            return -1;
        const int n = readU16(m_buffer, at + 2);
        if (n == 0 || n > kMaxFrameBody || m_buffer.size() - at < kFrameHeaderSize + n)
            continue;
        const quint32 stored
            = readU16(m_buffer, at + 4) | (quint32(readU16(m_buffer, at + 6)) << 16);
        if (frameCrc(m_buffer.constData() + at + kFrameHeaderSize, n) == stored)
            return at;
    }
    return -1;
}

FrameDecoder::Status FrameDecoder::next(QByteArray* body, quint8* code)
{
    *code = 0;
    const QByteArray marker(2, static_cast<char>(kFrameMarker));
    const qsizetype start = m_buffer.indexOf(marker);
    if (start < 0) {
        // Keep a lone trailing 0xDC: it may be the first half of the next marker.
        const bool keepLast
            = !m_buffer.isEmpty() && static_cast<quint8>(m_buffer.back()) == kFrameMarker;
        dropFront(m_buffer.size() - (keepLast ? 1 : 0), true);
        return Status::NeedMore;
    }
    dropFront(start, true);
    if (m_buffer.size() < kFrameHeaderSize)
        return Status::NeedMore;

    const int n = readU16(m_buffer, 2);
    if (n == 0 || n > kMaxFrameBody) {
        *code = m_buffer.size() > kFrameHeaderSize ? static_cast<quint8>(m_buffer[8]) : 0;
        dropFront(1, true);
        return Status::BadLength;
    }
    if (m_buffer.size() < kFrameHeaderSize + n) {
        // A frame start whose length runs past good frames already received is damaged:
        // waiting for it would swallow the replies behind it.
        const qsizetype good = completeValidFrameAfter(2);
        if (good < 0)
            return Status::NeedMore;
        *code = m_buffer.size() > kFrameHeaderSize ? static_cast<quint8>(m_buffer[8]) : 0;
        dropFront(good, true);
        return Status::BadCrc;
    }

    const quint32 stored = readU16(m_buffer, 4) | (quint32(readU16(m_buffer, 6)) << 16);
    const QByteArray frameBody = m_buffer.mid(kFrameHeaderSize, n);
    *code = static_cast<quint8>(frameBody[0]);
    if (frameCrc(frameBody) != stored) {
        dropFront(1, true);
        return Status::BadCrc;
    }
    dropFront(kFrameHeaderSize + n, false);
    *body = frameBody;
    return Status::Frame;
}

BodyReader::BodyReader(const QByteArray& body, qsizetype start)
    : m_body(body)
    , m_pos(std::min(std::max<qsizetype>(start, 0), body.size()))
{ }

quint8 BodyReader::u8()
{
    if (m_pos >= m_body.size())
        return 0;
    return static_cast<quint8>(m_body[m_pos++]);
}

quint16 BodyReader::u16()
{
    const quint16 lo = u8();
    return static_cast<quint16>(lo | (u8() << 8));
}

quint32 BodyReader::u32()
{
    const quint32 lo = u16();
    return lo | (quint32(u16()) << 16);
}

quint64 BodyReader::u64()
{
    const quint64 lo = u32();
    return lo | (quint64(u32()) << 32);
}

QByteArray BodyReader::bytes(qsizetype count)
{
    count = std::max<qsizetype>(count, 0);
    QByteArray out = m_body.mid(m_pos, count);
    skip(count);
    out.append(QByteArray(count - out.size(), '\0'));
    return out;
}

void BodyReader::skip(qsizetype count)
{
    m_pos += std::min(std::max<qsizetype>(count, 0), m_body.size() - m_pos);
}
