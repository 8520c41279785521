#include "link/computerinfo.h"

#include "link/deviceframe.h"

QString ComputerSettings::computerNameText() const
{
    return zeroTerminatedText(computerName, 0, computerName.size());
}

QString zeroTerminatedText(const QByteArray& body, qsizetype offset, qsizetype maxBytes)
{
    if (offset < 0 || offset >= body.size() || maxBytes <= 0)
        return {};
    QByteArray text = body.mid(offset, maxBytes);
    const qsizetype zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    return QString::fromUtf8(text);
}

void parseIdentity(const QByteArray& body, ComputerInfo& info)
{
    BodyReader r(body, 1);
    const quint32 word = r.u32();
    quint8 modeByte = r.u8();
    info.mode = 0;
    info.versionWord = word;
    info.versionText = QString::number(word >> 24) + QLatin1Char('.')
        + QString::number((word >> 16) & 0xFF) + QLatin1Char('.')
        + QString::number((word >> 8) & 0xFF) + QLatin1Char('.');
    // A zero letter would put a NUL into texts shown to the user.
    if (word & 0xFF)
        info.versionText += QChar::fromLatin1(static_cast<char>(word & 0xFF));
    if (modeByte > 10) {
        modeByte -= 10;
        info.variant = 1;
        if (modeByte > 10) {
            modeByte -= 10;
            info.variant = 2;
        }
    }
    info.modeDigit = modeByte;
    info.mode = (modeByte == 1 || modeByte == 2) ? modeByte : 0;
}

QString parseSerialNumber(const QByteArray& body, quint8 modeDigit)
{
    const int numberBytes = modeDigit != 0 ? 12 : 6;
    if (body.size() < 1 + numberBytes + (modeDigit != 0 ? 0 : 1))
        return {};
    if (body.mid(1, numberBytes).count('\0') == numberBytes)
        return {};
    BodyReader r(body, 1);
    if (modeDigit != 0) {
        QStringList parts;
        for (int i = 0; i < 3; ++i)
            parts << QStringLiteral("%1").arg(r.u32(), 8, 16, QLatin1Char('0'));
        return parts.join(QLatin1Char('-')).toUpper();
    }
    quint8 b[8];
    for (quint8& byte : b)
        byte = r.u8();
    auto hex = [](quint8 v) { return QStringLiteral("%1").arg(v, 2, 16, QLatin1Char('0')); };
    QString text = hex(b[5]) + hex(b[4]) + QLatin1Char('-') + hex(b[3]) + hex(b[2])
        + QLatin1Char('-') + hex(b[1]) + hex(b[0]) + QLatin1Char('-');
    if (b[6])
        text += QChar::fromLatin1(static_cast<char>(b[6]));
    return text;
}

namespace {

struct SettingsReader
{
    BodyReader& r;
    ComputerSettings& s;
    quint64 u8() { return keep(r.u8()); }
    quint64 u16() { return keep(r.u16()); }
    quint64 u64() { return keep(r.u64()); }
    quint64 keep(quint64 v)
    {
        s.fields.append(v);
        return v;
    }
    void u8s(int n)
    {
        for (int i = 0; i < n; ++i)
            u8();
    }
    void u16s(int n)
    {
        for (int i = 0; i < n; ++i)
            u16();
    }
};

} // namespace

ComputerSettings parseSettings(const QByteArray& body, bool withExtension)
{
    ComputerSettings s;
    BodyReader r(body, 1);
    SettingsReader f { r, s };
    const quint16 m = r.u16();
    if (m < 255) {
        s.firstWord = m;
    } else {
        s.layout = r.u8();
        s.firstWord = r.u16();
        s.subVersion = static_cast<quint8>(m & 0xFF);
    }
    s.fields.append(s.firstWord);

    // Common block.
    f.u8s(4);
    f.u16();
    s.waterType = static_cast<quint8>(f.u8());
    s.surfacePressureMbar = static_cast<quint16>(f.u16());
    f.u8s(2);

    const int sv = s.subVersion;
    if (s.layout < 2) {
        f.u8s(3);
        f.u8s(5);
        f.u16s(sv > 12 ? 12 : 8);
        f.u8();
        f.u16s(3);
        s.computerName = r.bytes(32);
        f.u8();
        f.u8s(5);
        f.u16();
        f.u8s(2);
        f.u64();
        s.secondText = r.bytes(32);
        if (!withExtension)
            return s;
        f.u64();
        const quint64 recordCount = f.u8();
        r.skip(static_cast<qsizetype>(recordCount) * 11);
        f.u64();
        f.u8();
        f.u16s(8);
        f.u8s(3);
        f.u64();
        f.u64();
        f.u8();
        f.u16s(3);
        if (sv >= 13)
            f.u16s(6);
    } else if (s.layout == 2) {
        f.u8s(3);
        f.u8s(6);
        f.u16s(8);
        f.u8();
        for (int g = 0; g < 3; ++g) {
            f.u16s(2);
            f.u8();
        }
        if (sv >= 2) {
            f.u16s(8);
            if (sv >= 5)
                r.skip(3);
        }
        s.computerName = r.bytes(32);
        f.u8();
        f.u8s(4);
        f.u16();
        f.u8s(2);
        f.u64();
        r.skip(76);
        s.secondText = r.bytes(32);
        if (!withExtension)
            return s;
        f.u16();
        r.u8(); // overwritten by the next byte on the computer's side too
        f.u8();
        f.u16s(4);
        f.u8();
    }
    return s;
}
