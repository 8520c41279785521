#pragma once

#include <QByteArray>

#include <cstdint>

// Little-endian reader over bytes from outside (computer replies, binary dive files). It never
// reads past the end: a read beyond it gives 0 and is remembered, so a parser reads a whole
// record and then checks overrun() once.
class ByteCursor
{
public:
    ByteCursor(const QByteArray& data, int pos)
        : m_data(data)
        , m_pos(pos)
    { }

    uint8_t u8()
    {
        if (m_pos < 0 || m_pos >= m_data.size()) {
            m_overrun = true;
            m_pos = int(m_data.size());
            return 0;
        }
        return static_cast<uint8_t>(m_data[m_pos++]);
    }
    uint16_t u16()
    {
        const uint16_t lo = u8();
        return static_cast<uint16_t>(lo | (uint16_t(u8()) << 8));
    }
    uint32_t u32()
    {
        const uint32_t lo = u16();
        return lo | (uint32_t(u16()) << 16);
    }
    int64_t i64()
    {
        const uint64_t lo = u32();
        return static_cast<int64_t>(lo | (uint64_t(u32()) << 32));
    }
    void skip(int n)
    {
        for (int i = 0; i < n; ++i)
            u8();
    }
    int pos() const { return m_pos; }
    bool overrun() const { return m_overrun; }

private:
    const QByteArray& m_data;
    int m_pos;
    bool m_overrun = false;
};
