#include "dive/diveprofile.h"
#include "fileio/planfile.h"
#include "fileiotest.h"

#include <QBuffer>
#include <QDir>
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

// One 104-byte sample in the order of the sample layout; the reserved bytes are not zero.
QByteArray sampleBytes(double time, double depth, qint32 gasIndex)
{
    const auto reserved = [](int n) { return QByteArray(n, '\x5a'); };
    Bytes b;
    // Time, depth, speed, temperature, OTU, CNS, ceiling.
    for (double value : { time, depth, 20.0, 21.5, 1.25, 3.5, 0.0 })
        b.num<double>(value);
    b.num<quint16>(7).raw(reserved(6)).num<double>(0.4); // no-deco value, gradient factor
    // Gas index, max-depth mark, alert flags, status flags.
    b.num<qint32>(gasIndex).num<quint8>(1).num<quint8>(0x10).num<quint8>(0x80);
    b.raw(reserved(2));
    for (int i = 1; i <= 16; ++i)
        b.num<quint8>(quint8(i)); // tissue bytes
    return b.raw(reserved(1)).num<quint16>(3700).raw(reserved(4)).bytes(); // battery
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
    int dives = 1; // written
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

// A well-formed shape with one member changed.
template <typename T, typename V> PlanShape with(T PlanShape::*member, V value)
{
    PlanShape shape;
    shape.*member = T(value);
    return shape;
}

// Dive k + 1 of the plan.
QByteArray profileBytes(const PlanShape& shape, int k = 0)
{
    Bytes b;
    b.text("a.uddf");
    b.num<quint64>(shape.nameLength).raw("Dive " + QByteArray::number(k + 1));
    b.text("Plong\xc3\xa9"
           "e")
        .text("")
        .text("S1");
    b.num<qint64>(1551781320 + 7200 * k).num<quint32>(4);
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
    for (int k = 0; k < shape.dives; ++k) {
        b.raw(profileBytes(shape, k));
        b.raw(tissueBytes(shape.firstN2, shape.cns));
        b.num<quint32>(7200).num<quint8>(1).num<quint32>(1).num<float>(shape.surfacePressure);
    }
    b.raw(shape.trailing);
    return b.bytes();
}

// A dive settings record (tag 1) by hand: slot, GF, circuit, setpoints and deco gases
// (o2, he, role).
QByteArray diveSettingsRecord(quint8 slot, quint8 low, quint8 high, quint8 closed, float setpoint,
    const QList<std::array<quint8, 3>>& gases, quint16 tag = 1)
{
    Bytes payload;
    payload.num<quint8>(slot).num<quint8>(low).num<quint8>(high).num<quint8>(closed);
    payload.num<float>(0.7f).num<float>(setpoint).num<float>(1.5f);
    payload.num<quint8>(quint8(gases.size()));
    for (const auto& g : gases)
        payload.num<quint8>(g[0]).num<quint8>(g[1]).num<quint8>(g[2]);
    Bytes record;
    record.num<quint16>(tag).num<quint32>(quint32(payload.bytes().size())).raw(payload.bytes());
    return record.bytes();
}

// The settings block: "DPST", version, length of the records, the records.
QByteArray settingsBlock(const QByteArray& records, quint16 version = 1, int lengthDelta = 0)
{
    Bytes block;
    block.raw("DPST").num<quint16>(version).num<quint32>(quint32(records.size() + lengthDelta));
    return block.raw(records).bytes();
}

// A plan that is already loaded, to see that failed loads keep it.
std::vector<PlanDiveRecord> existingPlan()
{
    std::vector<PlanDiveRecord> plan(1);
    plan[0].profile.name = QStringLiteral("Existing");
    plan[0].profile.samples.append(DiveSample());
    plan[0].surfaceIntervalS = 3600;
    return plan;
}

void verifyExisting(const std::vector<PlanDiveRecord>& plan)
{
    QCOMPARE(plan.size(), size_t(1));
    QCOMPARE(describe(plan[0].profile), describe(existingPlan()[0].profile));
    QCOMPARE(plan[0].surfaceIntervalS, quint32(3600));
}

// Three dives, each with its settings: closed circuit at GF 30/85 with a working setpoint of
// 1.25 bar and one deco gas, open circuit at GF 35/75 with two deco gases, the defaults.
PlanShape threeDives(bool withSettings = true)
{
    PlanShape shape;
    shape.diveCount = 3;
    shape.dives = 3;
    if (withSettings)
        shape.trailing = settingsBlock(diveSettingsRecord(0, 30, 85, 1, 1.25f, { { 40, 0, 1 } })
            + diveSettingsRecord(1, 35, 75, 0, 1.3f, { { 50, 0, 1 }, { 100, 0, 1 } })
            + diveSettingsRecord(2, 80, 80, 0, 1.3f, {}));
    return shape;
}

QString settingsText(const PlanDiveSettings& s)
{
    return QString::asprintf("%d/%d %s %g %d", s.gfLow, s.gfHigh, s.closedCircuit ? "cc" : "oc",
        double(s.setpointsBar[1]), int(s.decoGases.size()));
}

} // namespace

class TestPlanFile : public QObject
{
    Q_OBJECT

private slots:
    void layoutAndRoundTrip()
    {
        // Three hand-built dives (see threeDives). The dives keep their layout byte for byte, so a
        // reader that stops after them still reads them; the settings block follows.
        const QByteArray bytes = planBytes(threeDives());
        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(PlanFile::decode(bytes, plan), PlanFile::Status::Ok);
        QCOMPARE(plan.size(), size_t(3));

        // Every field of the first from its offset (see profileBytes, sampleBytes, tissueBytes and
        // planBytes).
        const DiveProfile& p = plan[0].profile;
        QCOMPARE(describe(p),
            QStringList({ "Dive 1", "Plongée", "S1", "1551781320", "0", "Air 21/0,Nx32 32/0", "",
                "", "", "", "0:0:21.5:21/0 cns3.5 alert16 60:20:21.5:32/0 cns3.5 alert16" }));
        QCOMPARE(p.sourceFileName + '|' + p.gases.at(0).id + '|' + p.gases.at(1).id,
            QStringLiteral("a.uddf|Air|3"));
        const DiveSample& s = p.samples.at(1);
        const tissues_t& t = plan[0].tissues;
        const QList<double> values = { double(p.origin), p.duration, p.maxDepth, p.meanDepth,
            p.maxTemperature, double(p.diveMode), double(p.period), double(p.alerts),
            double(p.alertExtra), s.speed, s.otu, double(s.noDecoValue), s.gradientFactor,
            double(s.isMaxDepth), double(s.statusFlags), double(s.tissues[15]),
            double(s.batteryVoltage), t.pN2[0], t.cns, double(t.hasHe), double(t.spareByte),
            t.spareValue, double(plan[0].surfaceIntervalS), double(plan[0].effortMode),
            double(plan[0].waterType), plan[0].surfacePressureBar };
        const QList<double> written
            = { DiveOriginPlan, 600.5, 20, 12.5, 22, 0, 2, 0x0C000004u, 0x41, 20, 1.25, 7, 0.4, 1,
                  0x80, 16, 3700, 0.8f, 0.25f, 1, 2, 0.32f, 7200, 1, 1, 0.98f };
        QCOMPARE(values, written);
        const QString settings[] = { "30/85 cc 1.25 1", "35/75 oc 1.3 2", "80/80 oc 1.3 0" };
        for (size_t d = 0; d < 3; ++d) {
            QCOMPARE(plan[d].profile.name, QStringLiteral("Dive %1").arg(d + 1));
            QCOMPARE(plan[d].profile.dateTime, 1551781320 + 7200 * qint64(d));
            QCOMPARE(settingsText(plan[d].settings), settings[d]);
        }

        // Written again through a file: the same bytes, read back the same.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("day.diveplan"));
        QCOMPARE(PlanFile::save(path, plan), PlanFile::Status::Ok);
        QCOMPARE(readFile(path), bytes);
        std::vector<PlanDiveRecord> back;
        QCOMPARE(PlanFile::load(path, back), PlanFile::Status::Ok);
        QCOMPARE(PlanFile::encode(back), bytes);

        // A fourth dive is not written: there are three slots.
        plan.push_back(plan[0]);
        QCOMPARE(PlanFile::encode(plan), bytes);

        // An empty plan is the 4-byte count 0; loading it empties a plan.
        QCOMPARE(PlanFile::encode({}), QByteArray(4, '\0'));
        QCOMPARE(PlanFile::decode(QByteArray(4, '\0'), plan), PlanFile::Status::Ok);
        QVERIFY(plan.empty());
    }

    void malformedLeavesPlan_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("settings"); // of the dive read, when read

        using S = PlanFile::Status;
        const auto row = [](const char* name, const PlanShape& shape, S status,
                             const char* settings = "80/80 oc 1.3 0") {
            QTest::newRow(name) << planBytes(shape) << int(status) << QString(settings);
        };
        const auto settings = [](const QByteArray& records, quint16 version = 1, int delta = 0) {
            return with(&PlanShape::trailing, settingsBlock(records, version, delta));
        };
        // Files from before the settings block read at the defaults: GF 80/80, open circuit.
        row("well_formed", PlanShape(), S::Ok);
        row("trailing_bytes_ignored", with(&PlanShape::trailing, "xyz"), S::Ok);
        row("four_dives", with(&PlanShape::diveCount, 4), S::TooManyDives);
        row("dive_count_2^32-1", with(&PlanShape::diveCount, 0xFFFFFFFFu), S::TooManyDives);
        row("count_2_one_dive", with(&PlanShape::diveCount, 2), S::Truncated);
        row("text_length_2^63", with(&PlanShape::nameLength, quint64(1) << 63), S::LengthTooLarge);
        row("text_length_past_end", with(&PlanShape::nameLength, 1 << 20), S::LengthTooLarge);
        row("gas_count_2^64-1", with(&PlanShape::gasCount, std::numeric_limits<quint64>::max()),
            S::LengthTooLarge);
        row("gas_count_past_end", with(&PlanShape::gasCount, 1000), S::LengthTooLarge);
        row("sample_count_2^61", with(&PlanShape::sampleCount, quint64(1) << 61),
            S::LengthTooLarge);
        // Fits the bytes left, so a third "sample" is read from the tissue bytes: the helium
        // tension of compartment 3 (0.04f) lands on its gas index.
        row("sample_count_one_too_many", with(&PlanShape::sampleCount, 3), S::BadGasIndex);
        row("sample_count_past_end", with(&PlanShape::sampleCount, 5), S::LengthTooLarge);
        row("gas_index_equal_to_count", with(&PlanShape::secondGasIndex, 2), S::BadGasIndex);
        row("gas_index_below_minus_1", with(&PlanShape::secondGasIndex, -2), S::BadGasIndex);
        row("gas_index_huge", with(&PlanShape::secondGasIndex, std::numeric_limits<qint32>::max()),
            S::BadGasIndex);
        row("gas_index_unknown_ok", with(&PlanShape::secondGasIndex, -1), S::Ok);
        row("sample_depth_nan", with(&PlanShape::secondDepth, NAN), S::BadSample);
        row("sample_depth_infinite", with(&PlanShape::secondDepth, INFINITY), S::BadSample);
        row("tension_nan", with(&PlanShape::firstN2, NAN), S::BadTissues);
        row("tension_infinite", with(&PlanShape::firstN2, INFINITY), S::BadTissues);
        row("tension_negative", with(&PlanShape::firstN2, -0.01f), S::BadTissues);
        row("tension_above_10_bar", with(&PlanShape::firstN2, 10.01f), S::BadTissues);
        row("tension_10_bar_ok", with(&PlanShape::firstN2, 10.0f), S::Ok);
        row("cns_nan", with(&PlanShape::cns, NAN), S::BadTissues);
        row("cns_negative", with(&PlanShape::cns, -0.5f), S::BadTissues);
        row("surface_pressure_nan", with(&PlanShape::surfacePressure, NAN), S::BadSurfacePressure);
        row("surface_pressure_zero", with(&PlanShape::surfacePressure, 0), S::BadSurfacePressure);
        row("settings_cut_in_magic", with(&PlanShape::trailing, "DPS"), S::BadSettings);
        const QByteArray good = diveSettingsRecord(0, 30, 85, 1, 1.25f, { { 40, 0, 1 } });
        row("settings_length_past_end", settings(good, 1, 1), S::BadSettings);
        row("settings_record_cut_short", settings(good + "z"), S::BadSettings);
        row("settings_newer_version", settings(good, 2), S::NewerSettings);
        const auto badRecord
            = [&](const char* name, quint8 slot, quint8 low, quint8 high, quint8 closed,
                  float setpoint, const QList<std::array<quint8, 3>>& gases) {
                  row(name, settings(diveSettingsRecord(slot, low, high, closed, setpoint, gases)),
                      S::BadSettings);
              };
        badRecord("settings_gf_low_above_high", 0, 90, 80, 0, 1.3f, {});
        badRecord("settings_gf_zero", 0, 0, 80, 0, 1.3f, {});
        badRecord("settings_circuit_2", 0, 30, 80, 2, 1.3f, {});
        badRecord("settings_setpoint_nan", 0, 30, 80, 0, NAN, {});
        badRecord("settings_four_deco_gases", 0, 30, 80, 0, 1.3f,
            { { 50, 0, 1 }, { 80, 0, 1 }, { 100, 0, 1 }, { 40, 0, 1 } });
        badRecord("settings_mix_above_100", 0, 30, 80, 0, 1.3f, { { 60, 50, 1 } });
        badRecord("settings_slot_without_dive", 1, 30, 80, 0, 1.3f, {});
        row("settings_unknown_tag_skipped",
            settings(diveSettingsRecord(0, 30, 80, 0, 1.3f, {}, 99) + good), S::Ok,
            "30/85 cc 1.25 1");
        QTest::newRow("garbage") << QByteArray("this is not a plan at all, just some text")
                                 << int(S::TooManyDives) << QString();
    }

    void malformedLeavesPlan()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QFETCH(QString, settings);

        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(int(PlanFile::decode(bytes, plan)), status);
        if (status == int(PlanFile::Status::Ok)) {
            QCOMPARE(plan.size(), size_t(1));
            QCOMPARE(plan[0].profile.name, QStringLiteral("Dive 1"));
            QCOMPARE(settingsText(plan[0].settings), settings);
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

    void truncatedAtEveryByte()
    {
        const QByteArray full = planBytes(threeDives());
        const qsizetype divesEnd = planBytes(threeDives(false)).size();
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

    void loadProfileKeepsProfileOnFailure()
    {
        // The record alone, cut inside its samples, then whole: the profile changes only when the
        // record is whole, and then only in the fields of the record.
        const QByteArray record = profileBytes(PlanShape());
        DiveProfile dive = existingPlan()[0].profile;
        dive.surfacePressure = 0.9;
        for (const bool whole : { false, true }) {
            QBuffer buffer;
            buffer.setData(whole ? record : record.left(record.size() - 1));
            QVERIFY(buffer.open(QIODevice::ReadOnly));
            QCOMPARE(dive.loadProfile(buffer), whole);
            QCOMPARE(dive.name, whole ? QStringLiteral("Dive 1") : QStringLiteral("Existing"));
            QCOMPARE(dive.samples.size(), whole ? 2 : 1);
            QCOMPARE(dive.surfacePressure, 0.9);
        }
    }

    void fileFailures()
    {
        QTemporaryDir dir;
        std::vector<PlanDiveRecord> plan = existingPlan();
        QCOMPARE(PlanFile::load(dir.filePath(QStringLiteral("missing.diveplan")), plan),
            PlanFile::Status::CannotOpen);
        verifyExisting(plan);
        const QString huge = dir.filePath(QStringLiteral("huge.diveplan"));
        QVERIFY(sparseFile(huge, PlanFile::maxFileBytes + 1));
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

    void fuzzRegressions()
    {
        const QDir dir(QStringLiteral(VELTRA_TEST_DATA "/fuzz/planfile"));
        const QStringList names = dir.entryList(QDir::Files);
        QVERIFY2(!names.isEmpty(), "no inputs in tests/data/fuzz/planfile");
        for (const QString& name : names) {
            std::vector<PlanDiveRecord> plan = existingPlan();
            if (PlanFile::decode(readFile(dir.filePath(name)), plan) != PlanFile::Status::Ok)
                verifyExisting(plan);
        }
    }
};

QTEST_GUILESS_MAIN(TestPlanFile)
#include "tst_planfile.moc"
