#include "link/computerinfo.h"

#include <QTest>

namespace {

// Builds a settings body from the field lists of the protocol, independently of the parser.
// Every numeric field gets a distinct value; the test then checks that the parser met the named
// fields where they are and walked the whole list (last field, field count).
struct SettingsBuilder
{
    QByteArray b;
    int fields = 0;
    quint64 last = 0;
    int next = 1;

    SettingsBuilder& put(quint64 v, int bytes)
    {
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        last = v;
        ++fields;
        return *this;
    }
    SettingsBuilder& u8(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            put(quint8(next++), 1);
        return *this;
    }
    SettingsBuilder& u16(int n = 1)
    {
        for (int i = 0; i < n; ++i)
            put(0x2000 + next++, 2);
        return *this;
    }
    SettingsBuilder& u64() { return put(0x0102030405060000ULL + next++, 8); }
    SettingsBuilder& raw(int n) { return b.append(QByteArray(n, 'r')), *this; }
    SettingsBuilder& text(const QByteArray& t)
    {
        b.append(t.leftJustified(32, '\0'));
        return *this;
    }
};

constexpr quint8 kWater = 0x77;
constexpr quint16 kSurface = 1002;

// Consecutive fields of one size are built by one call: u8(3) then u8(5) is u8(8).
SettingsBuilder buildSettings(int layout, int s, bool ext, int records = 2)
{
    SettingsBuilder x;
    x.b.append(char(ext ? 24 : 5));
    if (layout != 0 || s != 0) // else M below 255 is the first settings word itself
        x.b.append(char(s)).append(char(0x01)).append(char(layout)); // M = 0x0100 | s
    x.put(9, 2).u8(4).u16().put(kWater, 1).put(kSurface, 2).u8(2);
    if (layout < 2) {
        x.u8(8).u16(s > 12 ? 12 : 8).u8().u16(3).text("Blue Reef");
        x.u8(6).u16().u8(2).u64().text("other");
        if (!ext)
            return x;
        x.u64().put(quint8(records), 1).raw(records * 11);
        x.u64().u8().u16(8).u8(3).u64().u64().u8().u16(s >= 13 ? 9 : 3);
    } else if (layout == 2) {
        x.u8(9).u16(8).u8();
        for (int g = 0; g < 3; ++g)
            x.u16(2).u8();
        if (s >= 2)
            x.u16(8).raw(s >= 5 ? 3 : 0);
        x.text("Blue Reef").u8(5).u16().u8(2).u64().raw(76).text("other");
        if (!ext)
            return x;
        x.u16();
        x.b.append(char(0x55)); // overwritten by the next byte
        x.u8().u16(4).u8();
    }
    return x;
}

} // namespace

class TestComputerInfo : public QObject
{
    Q_OBJECT

private slots:
    void identity_data()
    {
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<int>("variantBefore");
        QTest::addColumn<int>("variant");
        QTest::addColumn<int>("modeDigit");
        QTest::addColumn<int>("mode");
        QTest::newRow("22: variant 2, firmware") << 22 << 0 << 2 << 2 << 2;
        QTest::newRow("21: variant 2, normal") << 21 << 0 << 2 << 1 << 1;
        QTest::newRow("11: variant 1, normal") << 11 << 0 << 1 << 1 << 1;
        QTest::newRow("12: variant 1, firmware") << 12 << 2 << 1 << 2 << 2;
        QTest::newRow("5 keeps earlier variant") << 5 << 2 << 2 << 5 << 0;
        QTest::newRow("10 keeps earlier variant") << 10 << 1 << 1 << 10 << 0;
        QTest::newRow("1 plain normal") << 1 << 0 << 0 << 1 << 1;
        QTest::newRow("35 subtracts twice only") << 35 << 0 << 2 << 15 << 0;
    }

    void identity()
    {
        QFETCH(int, modeByte);
        QFETCH(int, variantBefore);
        QFETCH(int, variant);
        QFETCH(int, modeDigit);
        QFETCH(int, mode);
        ComputerInfo info;
        info.variant = quint32(variantBefore);
        info.mode = 7;
        QByteArray body = QByteArray::fromHex("0162030201");
        body.append(char(modeByte));
        parseIdentity(body, info);
        QCOMPARE(info.variant, quint32(variant));
        QCOMPARE(int(info.modeDigit), modeDigit);
        QCOMPARE(info.mode, quint32(mode));
        QCOMPARE(info.versionWord, quint32(0x01020362));
        QCOMPARE(info.versionText, QStringLiteral("1.2.3.b"));

        // A reply cut after its code reads as zeros.
        ComputerInfo cut;
        parseIdentity(QByteArray(1, '\x01'), cut);
        QCOMPARE(cut.versionText, QStringLiteral("0.0.0."));
        QCOMPARE(cut.mode, quint32(0));
    }

    void serialNumber_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("modeDigit");
        QTest::addColumn<QString>("text");
        QTest::newRow("three words, upper case") << QByteArray::fromHex(
            "03c3b2a10004002517efbe0000") << 1 << QStringLiteral("00A1B2C3-17250004-0000BEEF");
        QTest::newRow("mode digit 0: six bytes reversed and a letter")
            << QByteArray::fromHex("030a0b0c0d0e0f4b") << 0 << QStringLiteral("0f0e-0d0c-0b0a-K");
        QTest::newRow("short body reads zeros")
            << QByteArray::fromHex("03ff") << 2 << QStringLiteral("000000FF-00000000-00000000");
    }

    void serialNumber()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, modeDigit);
        QFETCH(QString, text);
        QCOMPARE(parseSerialNumber(body, quint8(modeDigit)), text);
    }

    void settingsLayouts_data()
    {
        QTest::addColumn<int>("layout");
        QTest::addColumn<int>("subVersion");
        QTest::addColumn<bool>("extension");
        QTest::newRow("A short form, reply 24") << 0 << 0 << true;
        QTest::newRow("A short form, reply 5") << 0 << 0 << false;
        QTest::newRow("A s=12, reply 24") << 1 << 12 << true;
        QTest::newRow("A s=13 wide, reply 24") << 1 << 13 << true;
        QTest::newRow("B s=1, reply 24") << 2 << 1 << true;
        QTest::newRow("B s=2, reply 24") << 2 << 2 << true;
        QTest::newRow("B s=5, reply 24") << 2 << 5 << true;
        QTest::newRow("B s=5, reply 5") << 2 << 5 << false;
        QTest::newRow("layout 3: common block only") << 3 << 4 << true;
    }

    void settingsLayouts()
    {
        QFETCH(int, layout);
        QFETCH(int, subVersion);
        QFETCH(bool, extension);
        const SettingsBuilder x = buildSettings(layout, subVersion, extension);
        const ComputerSettings s = parseSettings(x.b, extension);
        QCOMPARE(int(s.layout), layout);
        QCOMPARE(int(s.subVersion), subVersion);
        QCOMPARE(s.firstWord, quint16(9));
        QCOMPARE(s.waterType, kWater);
        QCOMPARE(s.surfacePressureMbar, kSurface);
        QCOMPARE(s.computerNameText(), layout <= 2 ? QStringLiteral("Blue Reef") : QString());
        if (layout <= 2)
            QCOMPARE(s.secondText.left(5), QByteArray("other"));
        QCOMPARE(s.fields.size(), x.fields);
        QCOMPARE(s.fields.last(), x.last);
    }

    void settingsRecordCountBeyondBody()
    {
        // A record count that carries the reading position past the body: the rest reads as zero,
        // nothing is read beyond the body.
        SettingsBuilder x = buildSettings(1, 0, true, 2);
        const qsizetype countAt = x.b.indexOf(QByteArray("rrrrrrrrrrrrrrrrrrrrrr")) - 1;
        QVERIFY(countAt > 0);
        QByteArray body = x.b.left(countAt);
        body.append(char(0xFF));
        body.append(QByteArray(30, 'r'));
        const ComputerSettings s = parseSettings(body, true);
        QCOMPARE(s.computerNameText(), QStringLiteral("Blue Reef"));
        QCOMPARE(s.fields.last(), quint64(0));
    }
};

QTEST_GUILESS_MAIN(TestComputerInfo)
#include "tst_computerinfo.moc"
