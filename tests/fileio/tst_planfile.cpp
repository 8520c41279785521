#include "dive/diveprofile.h"
#include "fileio/planfile.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Little-endian bytes laid out by hand, independently of the code under test.
class Bytes
{
public:
    template <typename T> Bytes& num(T value)
    {
        uchar b[sizeof(T)];
        qToLittleEndian<T>(value, b);
        m_bytes.append(reinterpret_cast<const char*>(b), sizeof(T));
        return *this;
    }
    Bytes& text(const QByteArray& utf8) { return num<quint64>(quint64(utf8.size())).raw(utf8); }
    Bytes& raw(const QByteArray& bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

template <typename T> void put(QByteArray& bytes, int offset, T value)
{
    qToLittleEndian<T>(value, reinterpret_cast<uchar*>(bytes.data()) + offset);
}

// One 104-byte sample at the offsets of the sample layout.
QByteArray sampleBytes(double time, double depth, qint32 gasIndex)
{
    QByteArray s(104, '\0');
    put<double>(s, 0, time);
    put<double>(s, 8, depth);
    put<double>(s, 16, 20.0); // speed
    put<double>(s, 24, 21.5); // temperature
    put<double>(s, 32, 1.25); // otu
    put<double>(s, 40, 3.5); // cns
    put<double>(s, 48, 0.0); // ceiling
    put<quint16>(s, 56, 7); // noDecoValue
    put<double>(s, 64, 0.4); // gradient factor
    put<qint32>(s, 72, gasIndex);
    s[76] = 1; // isMaxDepth
    s[77] = 0x10; // alert flags
    s[78] = char(0x80); // status flags
    for (int i = 0; i < 16; ++i)
        s[81 + i] = char(i + 1);
    put<quint16>(s, 98, 3700); // battery
    return s;
}

// The 140 tissue bytes at their offsets.
QByteArray tissueBytes(float firstN2, float cns)
{
    QByteArray t(140, '\0');
    for (int i = 0; i < 16; ++i) {
        put<float>(t, 4 * i, i == 0 ? firstN2 : 0.75f + 0.01f * float(i));
        put<float>(t, 64 + 4 * i, 0.02f * float(i));
    }
    put<float>(t, 128, cns);
    t[132] = 1; // hasHe
    t[133] = 2; // spare byte
    put<float>(t, 136, 0.32f);
    return t;
}

// What may differ from a well-formed one-dive file in the malformed cases.
struct PlanShape
{
    quint32 diveCount = 1;
    quint64 nameLength = 6; // "Dive 1"
    quint64 gasCount = 2;
    quint64 sampleCount = 2;
    qint32 secondGasIndex = 1;
    double secondDepth = 20.0;
    float firstN2 = 0.8f;
    float cns = 0.25f;
    float surfacePressure = 0.98f;
    QByteArray trailing;
};

QByteArray profileBytes(const PlanShape& shape)
{
    Bytes b;
    b.text("a.uddf");
    b.num<quint64>(shape.nameLength).raw("Dive 1");
    b.text("").text("").text("S1");
    b.num<qint64>(1551781320).num<quint32>(4);
    b.num<double>(600.5).num<double>(20.0).num<double>(12.5).num<double>(22.0);
    b.num<quint64>(shape.gasCount);
    b.text("Air").text("Air").num<qint32>(21).num<qint32>(0);
    b.text("3").text("Nx32").num<qint32>(32).num<qint32>(0);
    b.num<quint32>(0); // dive mode
    b.num<quint8>(2).num<quint32>(0x0C000004u).num<quint8>(0x41); // period, alerts, extra
    b.num<quint64>(shape.sampleCount);
    b.raw(sampleBytes(0.0, 0.0, 0)).raw(sampleBytes(60.0, shape.secondDepth, shape.secondGasIndex));
    return b.bytes();
}

QByteArray planBytes(const PlanShape& shape)
{
    Bytes b;
    b.num<quint32>(shape.diveCount);
    b.raw(profileBytes(shape));
    b.raw(tissueBytes(shape.firstN2, shape.cns));
    b.num<quint32>(7200).num<quint8>(1).num<quint32>(1).num<float>(shape.surfacePressure);
    b.raw(shape.trailing);
    return b.bytes();
}

// A dive settings record (tag 1) by hand: slot, GF, circuit, setpoints and deco gases.
QByteArray diveSettingsRecord(quint8 slot, quint8 low, quint8 high, quint8 closed, float setpoint,
    const QList<std::array<quint8, 3>>& gases, quint16 tag = 1)
{
    Bytes payload;
    payload.num<quint8>(slot).num<quint8>(low).num<quint8>(high).num<quint8>(closed);
    payload.num<float>(0.7f).num<float>(setpoint).num<float>(1.5f);
    payload.num<quint8>(quint8(gases.size()));
    for (const auto& g : gases)
        payload.num<quint8>(g[0]).num<quint8>(g[1]).num<quint8>(g[2]);
    return Bytes()
        .num<quint16>(tag)
        .num<quint32>(quint32(payload.bytes().size()))
        .raw(payload.bytes())
        .bytes();
}

// The settings block: "DPST", version, length of the records, the records.
QByteArray settingsBlock(const QByteArray& records, quint16 version = 1, int lengthDelta = 0)
{
    return Bytes()
        .raw("DPST")
        .num<quint16>(version)
        .num<quint32>(quint32(records.size() + lengthDelta))
        .raw(records)
        .bytes();
}

// A plan that is already loaded, to see that failed loads keep it.
std::vector<PlanDiveRecord> existingPlan()
{
    std::vector<PlanDiveRecord> plan(1);
    plan[0].profile.name = QStringLiteral("Existing");
    DiveSample s;
    s.time = 30;
    s.depth = 12;
    plan[0].profile.samples.append(s);
    plan[0].surfaceIntervalS = 3600;
    plan[0].tissues.pN2[3] = 1.5f;
    return plan;
}

void verifyExisting(const std::vector<PlanDiveRecord>& plan)
{
    QCOMPARE(plan.size(), size_t(1));
    QCOMPARE(plan[0].profile.name, QStringLiteral("Existing"));
    QCOMPARE(plan[0].profile.samples.size(), 1);
    QCOMPARE(plan[0].profile.samples.at(0).depth, 12.0);
    QCOMPARE(plan[0].surfaceIntervalS, quint32(3600));
    QCOMPARE(plan[0].tissues.pN2[3], 1.5f);
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A dive whose samples carry every byte pattern the record must keep.
PlanDiveRecord patternedDive(int slot)
{
    PlanDiveRecord dive;
    dive.profile.name = QStringLiteral("Dive %1").arg(slot + 1);
    dive.profile.sourceFileName = QStringLiteral("plan-%1.uddf").arg(slot);
    dive.profile.computer = QStringLiteral("Veltra");
    dive.profile.extraText = QStringLiteral("extra é %1").arg(slot);
    dive.profile.serial = QStringLiteral("0000-%1").arg(slot);
    dive.profile.dateTime = 1551781320 + slot * 7200;
    dive.profile.origin = DiveOriginPlan;
    dive.profile.diveMode = quint32(slot);
    dive.profile.period = quint8(2 + slot);
    dive.profile.alerts = 0xC4000008u + quint32(slot);
    dive.profile.alertExtra = quint8(0xC1 + slot);
    dive.profile.minTemperature = 12.0; // not part of the record
    dive.profile.firmwareVersion = QStringLiteral("1.2.3"); // not part of the record
    const char* names[] = { "Air", "Nx30", "Nx40", "OxyAR", "OxySR", "Oxycf" };
    const int o2[] = { 21, 30, 40, 100, 100, 100 };
    for (int g = 0; g < 6; ++g) {
        DiveGas gas;
        gas.id = QString::fromLatin1(names[g]);
        gas.name = QString::fromLatin1(names[g]);
        gas.o2 = o2[g];
        gas.he = g == 2 ? 35 : 0;
        dive.profile.gases.append(gas);
    }
    for (int i = 0; i < 25; ++i) {
        DiveSample s;
        // Fill all 104 bytes, reserved ones included, then set the checked fields.
        auto* raw = reinterpret_cast<unsigned char*>(&s);
        for (size_t k = 0; k < sizeof s; ++k)
            raw[k] = static_cast<unsigned char>((k * 31 + size_t(i) * 7 + size_t(slot) * 3) & 0xff);
        s.time = 10.0 * i;
        s.depth = 0.5 * i;
        s.gasIndex = (i % 7) - 1; // -1 .. 5
        dive.profile.samples.append(s);
    }
    for (int c = 0; c < 16; ++c) {
        dive.tissues.pN2[c] = 0.7f + 0.05f * float(c + slot);
        dive.tissues.pHe[c] = 0.01f * float(c * slot);
    }
    dive.tissues.cns = 0.15f * float(slot + 1);
    dive.tissues.hasHe = slot > 0 ? 1 : 0;
    dive.tissues.spareByte = quint8(2 + slot);
    dive.tissues.spareValue = 0.32f + float(slot);
    dive.surfaceIntervalS = slot == 0 ? 0u : 7200u * quint32(slot);
    dive.effortMode = quint8(slot % 2);
    dive.waterType = quint32(slot == 1);
    dive.surfacePressureBar = 1.013f - 0.01f * float(slot);
    return dive;
}

} // namespace

class TestPlanFile : public QObject
{
    Q_OBJECT

private slots:
    void byteLayout();
    void emptyPlanAndEmptyDive();
    void roundTripThreeDives();
    void malformedLeavesPlan_data();
    void malformedLeavesPlan();
    void truncatedAtEveryByte();
    void loadProfileKeepsProfileOnFailure();
    void settingsRoundTrip();
    void fileFailures();
    void fuzzRegressions();
};

void TestPlanFile::byteLayout()
{
    // The values of the hand-built one-dive file, written by the code: same bytes.
    PlanDiveRecord dive;
    DiveProfile& p = dive.profile;
    p.sourceFileName = QStringLiteral("a.uddf");
    p.name = QStringLiteral("Dive 1");
    p.serial = QStringLiteral("S1");
    p.dateTime = 1551781320;
    p.origin = DiveOriginPlan;
    p.duration = 600.5;
    p.maxDepth = 20.0;
    p.meanDepth = 12.5;
    p.maxTemperature = 22.0;
    DiveGas air;
    air.id = QStringLiteral("Air");
    air.name = QStringLiteral("Air");
    DiveGas nitrox;
    nitrox.id = QStringLiteral("3");
    nitrox.name = QStringLiteral("Nx32");
    nitrox.o2 = 32;
    p.gases = { air, nitrox };
    p.period = 2;
    p.alerts = 0x0C000004u;
    p.alertExtra = 0x41;
    const QByteArray samples[] = { sampleBytes(0.0, 0.0, 0), sampleBytes(60.0, 20.0, 1) };
    for (const QByteArray& bytes : samples) {
        DiveSample s;
        std::memcpy(&s, bytes.constData(), sizeof s);
        p.samples.append(s);
    }
    const QByteArray tissues = tissueBytes(0.8f, 0.25f);
    QVERIFY(PlanFile::tissuesFromBytes(tissues.constData(), dive.tissues));
    dive.surfaceIntervalS = 7200;
    dive.effortMode = 1;
    dive.waterType = 1;
    dive.surfacePressureBar = 0.98f;

    // The dives keep their layout byte for byte, so a reader that stops after them still reads
    // them; the settings block follows (the defaults: GF 80/80, open circuit, setpoints 0.7,
    // 1.3, 1.5 bar, no deco gas).
    PlanShape shape;
    shape.trailing = settingsBlock(diveSettingsRecord(0, 80, 80, 0, 1.3f, {}));
    const QByteArray expected = planBytes(shape);
    QCOMPARE(PlanFile::encode({ dive }), expected);
    QCOMPARE(PlanFile::tissuesToBytes(dive.tissues), tissues);

    // Read back: every field in place.
    std::vector<PlanDiveRecord> plan;
    QCOMPARE(PlanFile::decode(expected, plan), PlanFile::Status::Ok);
    QCOMPARE(plan.size(), size_t(1));
    const DiveProfile& q = plan[0].profile;
    QCOMPARE(q.name, QStringLiteral("Dive 1"));
    QCOMPARE(q.computer, QString());
    QCOMPARE(q.dateTime, 1551781320);
    QCOMPARE(q.duration, 600.5);
    QCOMPARE(q.gases.size(), 2);
    QCOMPARE(q.gases.at(1).o2, 32);
    QCOMPARE(q.period, quint8(2));
    QCOMPARE(q.alerts, 0x0C000004u);
    QCOMPARE(q.alertExtra, quint8(0x41));
    QCOMPARE(q.samples.at(1).depth, 20.0);
    QCOMPARE(q.samples.at(1).batteryVoltage, quint16(3700));
    QCOMPARE(q.samples.at(1).tissues[15], quint8(16));
    QCOMPARE(plan[0].tissues.pN2[0], 0.8f);
    QCOMPARE(plan[0].tissues.pHe[5], 0.1f);
    QCOMPARE(plan[0].surfaceIntervalS, 7200u);
    QCOMPARE(plan[0].surfacePressureBar, 0.98f);
}

void TestPlanFile::emptyPlanAndEmptyDive()
{
    // An empty plan is the 4-byte count 0; loading it empties a plan.
    QCOMPARE(PlanFile::encode({}), QByteArray(4, '\0'));
    std::vector<PlanDiveRecord> plan = existingPlan();
    QCOMPARE(PlanFile::decode(QByteArray(4, '\0'), plan), PlanFile::Status::Ok);
    QVERIFY(plan.empty());

    // A dive with empty texts, no gases and no samples: each text and both counts are 8 zero
    // bytes.
    DiveProfile empty;
    QBuffer buffer;
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(empty.saveProfile(buffer));
    const QByteArray expected = Bytes()
                                    .raw(QByteArray(5 * 8, '\0'))
                                    .num<qint64>(0)
                                    .num<quint32>(DiveOriginNone)
                                    .raw(QByteArray(4 * 8, '\0'))
                                    .num<quint64>(0)
                                    .num<quint32>(0)
                                    .num<quint8>(5)
                                    .raw(QByteArray(5, '\0'))
                                    .num<quint64>(0)
                                    .bytes();
    QCOMPARE(buffer.data(), expected);
}

void TestPlanFile::roundTripThreeDives()
{
    std::vector<PlanDiveRecord> plan = { patternedDive(0), patternedDive(1), patternedDive(2) };
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("day.diveplan"));
    QCOMPARE(PlanFile::save(path, plan), PlanFile::Status::Ok);

    std::vector<PlanDiveRecord> back = existingPlan();
    QCOMPARE(PlanFile::load(path, back), PlanFile::Status::Ok);
    QCOMPARE(back.size(), size_t(3));
    for (int d = 0; d < 3; ++d) {
        const PlanDiveRecord& a = plan[size_t(d)];
        const PlanDiveRecord& b = back[size_t(d)];
        QCOMPARE(b.profile.name, a.profile.name);
        QCOMPARE(b.profile.sourceFileName, a.profile.sourceFileName);
        QCOMPARE(b.profile.computer, a.profile.computer);
        QCOMPARE(b.profile.extraText, a.profile.extraText);
        QCOMPARE(b.profile.serial, a.profile.serial);
        QCOMPARE(b.profile.dateTime, a.profile.dateTime);
        QCOMPARE(b.profile.origin, a.profile.origin);
        QCOMPARE(b.profile.diveMode, a.profile.diveMode);
        QCOMPARE(b.profile.period, a.profile.period);
        QCOMPARE(b.profile.alerts, a.profile.alerts);
        QCOMPARE(b.profile.alertExtra, a.profile.alertExtra);
        QCOMPARE(b.profile.gases.size(), 6);
        for (int g = 0; g < 6; ++g) {
            QCOMPARE(b.profile.gases.at(g).id, a.profile.gases.at(g).id);
            QCOMPARE(b.profile.gases.at(g).name, a.profile.gases.at(g).name);
            QCOMPARE(b.profile.gases.at(g).o2, a.profile.gases.at(g).o2);
            QCOMPARE(b.profile.gases.at(g).he, a.profile.gases.at(g).he);
        }
        QCOMPARE(b.profile.samples.size(), a.profile.samples.size());
        for (qsizetype i = 0; i < a.profile.samples.size(); ++i)
            QVERIFY(std::memcmp(&a.profile.samples.at(i), &b.profile.samples.at(i), 104) == 0);
        // All 140 tissue bytes (bytes 134-135 are zero in both).
        QCOMPARE(PlanFile::tissuesToBytes(b.tissues), PlanFile::tissuesToBytes(a.tissues));
        QCOMPARE(std::memcmp(&a.tissues, &b.tissues, 140), 0);
        QCOMPARE(b.surfaceIntervalS, a.surfaceIntervalS);
        QCOMPARE(b.effortMode, a.effortMode);
        QCOMPARE(b.waterType, a.waterType);
        QCOMPARE(b.surfacePressureBar, a.surfacePressureBar);
        // Not in the record: back at the defaults.
        QCOMPARE(b.profile.minTemperature, DiveProfile().minTemperature);
        QCOMPARE(b.profile.firmwareVersion, QString());
    }

    // A fourth dive is not written: there are three slots.
    plan.push_back(patternedDive(0));
    QCOMPARE(qFromLittleEndian<quint32>(PlanFile::encode(plan).constData()), 3u);
}

void TestPlanFile::malformedLeavesPlan_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");

    using S = PlanFile::Status;
    const auto row = [](const char* name, const PlanShape& shape, S status) {
        QTest::newRow(name) << planBytes(shape) << int(status);
    };
    PlanShape s;
    row("well_formed", s, S::Ok);
    s = PlanShape();
    s.trailing = "xyz";
    row("trailing_bytes_ignored", s, S::Ok);
    s = PlanShape();
    s.diveCount = 4;
    row("four_dives", s, S::TooManyDives);
    s.diveCount = 0xFFFFFFFFu;
    row("dive_count_2^32-1", s, S::TooManyDives);
    s.diveCount = 2;
    row("count_2_one_dive", s, S::Truncated);
    s = PlanShape();
    s.nameLength = quint64(1) << 63;
    row("text_length_2^63", s, S::LengthTooLarge);
    s.nameLength = 1 << 20;
    row("text_length_past_end", s, S::LengthTooLarge);
    s = PlanShape();
    s.gasCount = std::numeric_limits<quint64>::max();
    row("gas_count_2^64-1", s, S::LengthTooLarge);
    s.gasCount = 1000;
    row("gas_count_past_end", s, S::LengthTooLarge);
    s = PlanShape();
    s.sampleCount = quint64(1) << 61;
    row("sample_count_2^61", s, S::LengthTooLarge);
    // Fits the bytes left, so a third "sample" is read from the tissue bytes: the helium
    // tension of compartment 3 (0.04f) lands on its gas index.
    s.sampleCount = 3;
    row("sample_count_one_too_many", s, S::BadGasIndex);
    s.sampleCount = 5;
    row("sample_count_past_end", s, S::LengthTooLarge);
    s = PlanShape();
    s.secondGasIndex = 2;
    row("gas_index_equal_to_count", s, S::BadGasIndex);
    s.secondGasIndex = -2;
    row("gas_index_below_minus_1", s, S::BadGasIndex);
    s.secondGasIndex = std::numeric_limits<qint32>::max();
    row("gas_index_huge", s, S::BadGasIndex);
    s.secondGasIndex = -1;
    row("gas_index_unknown_ok", s, S::Ok);
    s = PlanShape();
    s.secondDepth = std::numeric_limits<double>::quiet_NaN();
    row("sample_depth_nan", s, S::BadSample);
    s.secondDepth = std::numeric_limits<double>::infinity();
    row("sample_depth_infinite", s, S::BadSample);
    s = PlanShape();
    s.firstN2 = std::numeric_limits<float>::quiet_NaN();
    row("tension_nan", s, S::BadTissues);
    s.firstN2 = std::numeric_limits<float>::infinity();
    row("tension_infinite", s, S::BadTissues);
    s.firstN2 = -0.01f;
    row("tension_negative", s, S::BadTissues);
    s.firstN2 = 10.01f;
    row("tension_above_10_bar", s, S::BadTissues);
    s.firstN2 = 10.0f;
    row("tension_10_bar_ok", s, S::Ok);
    s = PlanShape();
    s.cns = std::numeric_limits<float>::quiet_NaN();
    row("cns_nan", s, S::BadTissues);
    s.cns = -0.5f;
    row("cns_negative", s, S::BadTissues);
    s = PlanShape();
    s.surfacePressure = std::numeric_limits<float>::quiet_NaN();
    row("surface_pressure_nan", s, S::BadSurfacePressure);
    s.surfacePressure = 0.0f;
    row("surface_pressure_zero", s, S::BadSurfacePressure);
    s = PlanShape();
    s.trailing = "DPS";
    row("settings_cut_in_magic", s, S::BadSettings);
    const QByteArray good = diveSettingsRecord(0, 30, 85, 1, 1.3f, { { 40, 0, 1 } });
    s.trailing = settingsBlock(good, 1, 1);
    row("settings_length_past_end", s, S::BadSettings);
    s.trailing = settingsBlock(good + "z");
    row("settings_record_cut_short", s, S::BadSettings);
    s.trailing = settingsBlock(good, 2);
    row("settings_newer_version", s, S::NewerSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 90, 80, 0, 1.3f, {}));
    row("settings_gf_low_above_high", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 0, 80, 0, 1.3f, {}));
    row("settings_gf_zero", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 30, 80, 2, 1.3f, {}));
    row("settings_circuit_2", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 30, 80, 0, NAN, {}));
    row("settings_setpoint_nan", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(
        0, 30, 80, 0, 1.3f, { { 50, 0, 1 }, { 80, 0, 1 }, { 100, 0, 1 }, { 40, 0, 1 } }));
    row("settings_four_deco_gases", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 30, 80, 0, 1.3f, { { 60, 50, 1 } }));
    row("settings_mix_above_100", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(1, 30, 80, 0, 1.3f, {}));
    row("settings_slot_without_dive", s, S::BadSettings);
    s.trailing = settingsBlock(diveSettingsRecord(0, 30, 80, 0, 1.3f, {}, 99) + good);
    row("settings_unknown_tag_skipped", s, S::Ok);
    QTest::newRow("empty_file") << QByteArray() << int(S::Truncated);
    QTest::newRow("three_bytes") << QByteArray(3, '\0') << int(S::Truncated);
    QTest::newRow("garbage") << QByteArray("this is not a plan at all, just some text")
                             << int(S::TooManyDives);
}

void TestPlanFile::malformedLeavesPlan()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);

    std::vector<PlanDiveRecord> plan = existingPlan();
    QCOMPARE(int(PlanFile::decode(bytes, plan)), status);
    if (status == int(PlanFile::Status::Ok)) {
        QCOMPARE(plan.size(), size_t(1));
        QCOMPARE(plan[0].profile.name, QStringLiteral("Dive 1"));
        return;
    }
    verifyExisting(plan);
    QVERIFY(!PlanFile::statusText(PlanFile::Status(status)).isEmpty());

    // The same through a file.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.diveplan"));
    QVERIFY(writeFile(path, bytes));
    QCOMPARE(int(PlanFile::load(path, plan)), status);
    verifyExisting(plan);
}

void TestPlanFile::truncatedAtEveryByte()
{
    const QByteArray full
        = PlanFile::encode({ patternedDive(0), patternedDive(1), patternedDive(2) });
    // The settings block of three default dives: 10 header bytes and three records of
    // 2 + 4 + 17 bytes.
    const qsizetype divesEnd = full.size() - (10 + 3 * 23);
    for (qsizetype n = 0; n < full.size(); ++n) {
        std::vector<PlanDiveRecord> plan = existingPlan();
        const PlanFile::Status status = PlanFile::decode(full.left(n), plan);
        if (n == divesEnd) {
            // Whole dives and nothing after them: a plan from before the settings block.
            QCOMPARE(status, PlanFile::Status::Ok);
            continue;
        }
        QVERIFY2(n > divesEnd ? status == PlanFile::Status::BadSettings
                              : status == PlanFile::Status::Truncated
                    || status == PlanFile::Status::LengthTooLarge,
            qPrintable(QString::number(n)));
        verifyExisting(plan);
    }
}

void TestPlanFile::settingsRoundTrip()
{
    // A closed-circuit GF 30/85 dive with Nx40, then an open-circuit dive with two deco gases.
    std::vector<PlanDiveRecord> written = { patternedDive(0), patternedDive(1) };
    PlanDiveSettings& cc = written[0].settings;
    cc.gfLow = 30;
    cc.gfHigh = 85;
    cc.closedCircuit = true;
    cc.setpointsBar[1] = 1.2f;
    cc.decoGases = { { 40, 0, PlanGasRole::Deco, 0.0f } };
    written[1].settings.decoGases
        = { { 50, 0, PlanGasRole::Deco, 0.0f }, { 100, 0, PlanGasRole::Deco, 0.0f } };
    std::vector<PlanDiveRecord> read;
    QCOMPARE(PlanFile::decode(PlanFile::encode(written), read), PlanFile::Status::Ok);
    QCOMPARE(read.size(), size_t(2));
    for (size_t i = 0; i < 2; ++i) {
        const PlanDiveSettings& a = written[i].settings;
        const PlanDiveSettings& b = read[i].settings;
        QCOMPARE(b.gfLow, a.gfLow);
        QCOMPARE(b.gfHigh, a.gfHigh);
        QCOMPARE(b.closedCircuit, a.closedCircuit);
        QCOMPARE(std::memcmp(b.setpointsBar, a.setpointsBar, sizeof a.setpointsBar), 0);
        QCOMPARE(b.decoGases.size(), a.decoGases.size());
        for (qsizetype g = 0; g < a.decoGases.size(); ++g)
            QVERIFY(b.decoGases[g].sameMix(a.decoGases[g].o2, a.decoGases[g].he));
    }

    // A plan from before the block: every dive at the defaults.
    read.clear();
    QCOMPARE(PlanFile::decode(planBytes(PlanShape()), read), PlanFile::Status::Ok);
    QCOMPARE(read[0].settings.gfLow, 80);
    QCOMPARE(read[0].settings.gfHigh, 80);
    QVERIFY(!read[0].settings.closedCircuit);
    QVERIFY(read[0].settings.decoGases.isEmpty());
}

void TestPlanFile::loadProfileKeepsProfileOnFailure()
{
    // The record alone, cut inside its samples: the profile keeps every field.
    const QByteArray record = profileBytes(PlanShape());
    DiveProfile dive;
    dive.name = QStringLiteral("Mine");
    dive.gases.append(DiveGas());
    QBuffer buffer;
    buffer.setData(record.left(record.size() - 1));
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    ProfileRecordStatus status = ProfileRecordStatus::Ok;
    QVERIFY(!dive.loadProfile(buffer, &status));
    QCOMPARE(status, ProfileRecordStatus::LengthTooLarge); // 2 samples, 207 bytes left
    QCOMPARE(dive.name, QStringLiteral("Mine"));
    QCOMPARE(dive.gases.size(), 1);

    // Fields outside the record keep their values on success.
    dive.surfacePressure = 0.9;
    dive.gfLow = 30;
    QBuffer whole;
    whole.setData(record);
    QVERIFY(whole.open(QIODevice::ReadOnly));
    QVERIFY(dive.loadProfile(whole));
    QCOMPARE(dive.name, QStringLiteral("Dive 1"));
    QCOMPARE(dive.surfacePressure, 0.9);
    QCOMPARE(dive.gfLow, quint8(30));
}

void TestPlanFile::fileFailures()
{
    QTemporaryDir dir;
    std::vector<PlanDiveRecord> plan = existingPlan();
    QCOMPARE(PlanFile::load(dir.filePath(QStringLiteral("missing.diveplan")), plan),
        PlanFile::Status::CannotOpen);
    verifyExisting(plan);

    const QString huge = dir.filePath(QStringLiteral("huge.diveplan"));
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(PlanFile::maxFileBytes + 1)); // sparse
    }
    QCOMPARE(PlanFile::load(huge, plan), PlanFile::Status::TooLarge);
    verifyExisting(plan);

    // A save that cannot happen is reported.
    QVERIFY(PlanFile::save(dir.filePath(QStringLiteral("no/such/dir/p.diveplan")), plan)
        != PlanFile::Status::Ok);

    // Saving over a longer file leaves exactly the new plan.
    const QString path = dir.filePath(QStringLiteral("p.diveplan"));
    QVERIFY(writeFile(path, QByteArray(50000, '\x7f')));
    QCOMPARE(PlanFile::save(path, plan), PlanFile::Status::Ok);
    QCOMPARE(readFile(path), PlanFile::encode(plan));
}

void TestPlanFile::fuzzRegressions()
{
    const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/planfile"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        std::vector<PlanDiveRecord> plan = existingPlan();
        if (PlanFile::decode(readFile(dir.filePath(name)), plan) != PlanFile::Status::Ok)
            verifyExisting(plan);
    }
}

QTEST_GUILESS_MAIN(TestPlanFile)
#include "tst_planfile.moc"
