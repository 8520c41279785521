#include "engine/deco.h"
#include "planner/bailout.h"
#include "planner/gasplan.h"
#include "planner/planification.h"
#include "planner/planstorage.h"
#include "planner/slatewriter.h"
#include "tests/engine/oracle.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cmath>
#include <map>

namespace {

// Water in which every 10 m add exactly 1 bar to a 1.0 bar surface, so the working below
// stays in round numbers: P(d) = 1 + d / 10.
GasWater roundWater()
{
    return { 1.0, 10.0 / 9.80665 };
}

// A plan of one dive with Air as bottom gas and Nx50 as deco gas, and its gas settings changed
// from every default.
void gasPlanOf(Planification& plan)
{
    plan.addDefaultDive();
    PlanifDive& dive = *plan.current();
    dive.profile.gases = { DiveGas { {}, {}, 21, 0 }, DiveGas { {}, {}, 50, 0 } };
    dive.cylinders = { Cylinder { 21, 0, CylinderRole::Bottom, 11.1, 207 },
        Cylinder { 50, 0, CylinderRole::Deco, 5.5, 190 } };
    // SACs, reserve mode, factor, problem time, deco reserve, bailout GF, stress factor and
    // time, bailout.
    plan.gasSettings = { 17.5, 12, ReserveMode::Thirds, 3, 1, 40, 40, 85, 1.5, 3, true };
}

// The file of gasPlanOf without its gas records, plus one record of `tag` with `payload`.
QByteArray withRecord(quint16 tag, const QByteArray& payload)
{
    Planification plan;
    plan.addDefaultDive();
    std::vector<PlanDiveRecord> records(1);
    records[0].profile = plan.current()->profile;
    QByteArray bytes = PlanFile::encode(records);
    const int block = int(bytes.lastIndexOf("DPST"));
    uchar head[6];
    qToLittleEndian<quint16>(tag, head);
    qToLittleEndian<quint32>(quint32(payload.size()), head + 2);
    const QByteArray record = QByteArray(reinterpret_cast<const char*>(head), 6) + payload;
    const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + block + 6);
    qToLittleEndian<quint32>(length + quint32(record.size()), bytes.data() + block + 6);
    return bytes + record;
}

template <typename T> QByteArray le(T value)
{
    QByteArray out(int(sizeof(T)), '\0');
    qToLittleEndian<T>(value, out.data());
    return out;
}

QString pdfText(const QString& path, int page = 0)
{
    QProcess p;
    QStringList args { "-layout" };
    if (page > 0)
        args << "-f" << QString::number(page) << "-l" << QString::number(page);
    p.start("pdftotext", args << path << "-");
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class TestGasPlan : public QObject
{
    Q_OBJECT

private slots:
    void gasUsePerCylinder()
    {
        const QList<Cylinder> cylinders = { Cylinder { 21, 0, CylinderRole::Bottom, 12, 200 },
            Cylinder { 50, 0, CylinderRole::Deco, 7, 200 } };
        // Litres = SAC x P(mean depth) x minutes, SAC 20 for the diver's segments, 15 for the
        // computed ones:
        //   descent 0-30 m, 2 min, air:     20 x 2.5  x 2   =  100
        //   bottom 30 m, 18 min, air:       20 x 4    x 18  = 1440
        //   ascent 30-21 m, 0.9 min, air:   15 x 3.55 x 0.9 =   47.925
        //   stop 21 m, 1 min, Nx50:         15 x 3.1  x 1   =   46.5
        //   ascent 21-6 m, 1.5 min, Nx50:   15 x 2.35 x 1.5 =   52.875
        //   stop 6 m, 5 min, Nx50:          15 x 1.6  x 5   =  120
        //   ascent 6-0 m, 1 min, Nx50:      15 x 1.3  x 1   =   19.5
        // Air 1587.925 L = 132.33 bar of 12 L -> ends at 67.67 bar;
        // Nx50 238.875 L = 34.125 bar of 7 L -> ends at 165.875 bar.
        const QList<GasSegment> segments = { { 0, 30, 2, 0, false }, { 30, 30, 18, 0, false },
            { 30, 21, 0.9, 0, true }, { 21, 21, 1, 1, true }, { 21, 6, 1.5, 1, true },
            { 6, 6, 5, 1, true }, { 6, 0, 1, 1, true } };
        // Minimum gas: 20 x 4 x (2 min x P(30 m) 4 bar + 0.9 min ascent to 21 m x P(25.5 m)
        // 3.55 bar) = 80 x 11.195 = 895.6 L / 12 L = 74.6 -> 75 bar; the cylinder ends at
        // 67.7 bar, below it. Thirds: 200 / 3 = 66.7 -> 67 bar, and 67.7 bar stays above it.
        const struct
        {
            ReserveMode mode;
            double bottomReserve;
            bool warned;
        } rows[]
            = { { ReserveMode::MinimumGas, 75.0, true }, { ReserveMode::Thirds, 67.0, false } };
        for (const auto& row : rows) {
            GasSettings settings;
            settings.reserveMode = row.mode;
            const GasPlanResult r
                = computeGasPlan(cylinders, segments, settings, roundWater(), 1.0);
            QCOMPARE(r.cylinders.size(), 2);
            QVERIFY(qAbs(r.cylinders[0].usedLitres - 1587.925) < 1e-6);
            QVERIFY(qAbs(r.cylinders[0].endBar - (200 - 1587.925 / 12)) < 1e-6);
            QVERIFY(qAbs(r.cylinders[1].usedLitres - 238.875) < 1e-6);
            QVERIFY(qAbs(r.cylinders[1].endBar - 165.875) < 1e-6);
            QCOMPARE(r.firstSwitchDepthM, 21.0);
            QCOMPARE(r.cylinders[0].reserveBar, row.bottomReserve);
            QCOMPARE(r.cylinders[1].reserveBar, 50.0);
            QCOMPARE(r.warnings.size(), row.warned ? 1 : 0);
            QVERIFY(!r.hasError());
            if (row.warned) {
                QCOMPARE(r.warnings[0].kind, GasWarning::BelowReserve);
                QCOMPARE(r.warnings[0].cylinder, 0);
            }
        }
    }

    void minimumGas()
    {
        const double round = roundWater().density;
        const struct
        {
            double surface, density, deepest, switchDepth, rate, litres;
            int expected;
        } rows[] = {
            // 80 x (2 x P(40) 5 + 1.9 min x P(30.5) 4.05) = 80 x 17.695 = 1415.6 L / 24 L = 58.98.
            { 1.0, round, 40.0, 21.0, 1.0, 24.0, 59 },
            // No deco gas: 80 x (2 x 4 + 3 min x P(15) 2.5) = 1240 L / 15 L = 82.67.
            { 1.0, round, 30.0, 0.0, 1.0, 15.0, 83 },
            // The same 1240 L in 12.4 L is exactly 100 bar and stays 100.
            { 1.0, round, 30.0, 0.0, 1.0, 12.4, 100 },
            // Salt water, 0.1010085 bar/m from 1.013 bar: P(45) 5.55838, P(21) 3.13418, ascent
            // 2.42420 / 1.1 = 2.20382 min at P(33) 4.34628: 80 x (11.11676 + 9.57842) = 1655.6
            // L, / 12 L = 137.97.
            { 1.013, 1.03, 45.0, 21.0, 1.1, 12.0, 138 },
        };
        for (const auto& r : rows)
            QCOMPARE(minimumGasBar({ r.surface, r.density }, GasSettings {}, r.deepest,
                         r.switchDepth, r.rate, r.litres),
                r.expected);
    }

    void reserveAndEmptyThresholds()
    {
        // 10 L filled to 100 bar, breathed at the surface (1 bar) at 10 L/min: one bar a
        // minute. Deco cylinders keep 50 bar; thirds of 100 bar: 33.3 -> 34 bar kept.
        const int none = -1, below = GasWarning::BelowReserve, empty = GasWarning::Empty;
        const struct
        {
            CylinderRole role;
            ReserveMode mode;
            double minutes;
            int kind;
        } rows[] = { { CylinderRole::Deco, ReserveMode::MinimumGas, 50.0, none },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 51.0, below },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 99.0, below },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 100.0, empty },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 130.0, empty },
            { CylinderRole::Bottom, ReserveMode::Thirds, 66.0, none },
            { CylinderRole::Bottom, ReserveMode::Thirds, 66.5, below } };
        for (const auto& row : rows) {
            GasSettings settings;
            settings.bottomSacLpm = 10;
            settings.decoSacLpm = 10;
            settings.reserveMode = row.mode;
            const GasPlanResult r = computeGasPlan({ Cylinder { 21, 0, row.role, 10, 100 } },
                { { 0, 0, row.minutes, 0, row.role == CylinderRole::Deco } }, settings,
                roundWater(), 1.0);
            QVERIFY(r.cylinders[0].endBar >= 0);
            QCOMPARE(r.warnings.size(), row.kind < 0 ? 0 : 1);
            if (row.kind < 0)
                continue;
            QCOMPARE(int(r.warnings[0].kind), row.kind);
            QCOMPARE(r.hasError(), row.kind == empty);
            QVERIFY(r.warnings[0].text.contains(QLatin1String("Cylinder 1")));
        }
    }

    void breathableAtEveryDepth()
    {
        // ppO2 = fO2 x (1 + d / 10) at both ends of a descent from the surface: air at 70 m
        // 1.68, Nx32 at 40 m exactly 1.6, Tx10/50 at the surface 0.10, Tx18/45 at 60 m 1.26.
        const struct
        {
            int o2, he;
            double depth;
            bool error;
        } rows[] = { { 21, 0, 70.0, true }, { 32, 0, 40.0, false }, { 10, 50, 60.0, true },
            { 18, 45, 60.0, false } };
        for (const auto& row : rows) {
            const GasPlanResult r
                = computeGasPlan({ Cylinder { row.o2, row.he, CylinderRole::Bottom, 24, 200 } },
                    { { 0, row.depth, 3, 0, false }, { row.depth, row.depth, 1, 0, false } },
                    GasSettings {}, roundWater(), 1.0);
            const bool found = std::any_of(r.warnings.cbegin(), r.warnings.cend(),
                [](const GasWarning& w) { return w.kind == GasWarning::Unbreathable; });
            QCOMPARE(found, row.error);
            QCOMPARE(r.hasError(), row.error);
        }
    }

    void badInputNamesTheField()
    {
        const Cylinder good = Cylinder { 21, 0, CylinderRole::Bottom, 12, 200 };
        Cylinder zeroSize = good, negativeFill = good, overfilled = good, nanSize = good;
        zeroSize.litres = 0;
        negativeFill.fillBar = -10;
        overfilled.fillBar = 301;
        nanSize.litres = qQNaN();
        const struct
        {
            QList<Cylinder> cylinders;
            int gasCount;
            double sac, decoSac;
            const char* field;
        } rows[] = { { { good, zeroSize }, 2, 20.0, 15.0, "Cylinder 2: the size" },
            { { nanSize }, 1, 20.0, 15.0, "size" },
            { { negativeFill }, 1, 20.0, 15.0, "fill pressure" },
            { { overfilled }, 1, 20.0, 15.0, "300 bar" },
            { { good }, 2, 20.0, 15.0, "Gas 2 has no cylinder" },
            { { good }, 1, 0.0, 15.0, "Bottom SAC" }, { { good }, 1, 20.0, -1.0, "Deco SAC" } };
        for (const auto& row : rows) {
            GasSettings settings;
            settings.bottomSacLpm = row.sac;
            settings.decoSacLpm = row.decoSac;
            const QString message
                = validateCylinders(row.cylinders, row.gasCount) + validateGasSettings(settings);
            QVERIFY2(message.contains(QLatin1String(row.field)), qPrintable(message));
        }
    }

    // A closed-circuit diver at 45 m for 30 min bails out onto Tx21/35 (the diluent) and Nx50.
    // The start tensions and the expected ascent come from the plain reference model in
    // tests/engine/oracle.h; the gas use from the hand formula over that reference schedule.
    void bailoutMatchesReferenceSchedule()
    {
        const double surface = 1.013;
        const double perMetre = 1.03 * 9.80665 / 100.0;
        const double pBottom = surface + 45 * perMetre;
        const oracle::Gas diluent { 0.21, 0.35, 0.44 };
        oracle::Tissues start = oracle::airAt(surface);
        oracle::ramp(start, surface, pBottom, 2.25, diluent, 1.3); // 20 m/min on setpoint 1.3
        oracle::constant(start, pBottom, 27.75, diluent, 1.3);
        float n2[16], he[16];
        for (int i = 0; i < 16; ++i) {
            n2[i] = float(start.n2[i]);
            he[i] = float(start.he[i]);
        }
        tissues_t tissues;
        set_tissues(tissues, n2, he, 0.0f);

        // The loop and, for the reference, the same gases breathed open circuit.
        config_t cc, open;
        for (config_t* c : { &cc, &open }) {
            c->apply_defaults();
            c->surfacePressure = float(surface);
            c->set_water_type(0);
        }
        cc.closedGases[0] = make_gas(21, 35);
        cc.closedMask = 1;
        cc.set_mode(1);
        open.openGases[0] = make_gas(21, 35);
        open.openGases[1] = make_gas(50, 0);
        open.openMask = 3;
        open.set_mode(0);
        open.set_gf(make_gf(40, 85));
        const QList<Cylinder> cylinders = { Cylinder { 21, 35, CylinderRole::Bottom, 12, 200 },
            Cylinder { 50, 0, CylinderRole::Deco, 7, 200 } };
        GasSettings settings;
        settings.bailoutGfLow = 40;
        settings.bailoutGfHigh = 85;
        const BailoutPlan plan
            = computeBailout(cc, tissues, 45.0, 30.0, cylinders, 0, settings, make_gf(50, 80));
        QVERIFY(plan.computed && !plan.impossible);
        const oracle::Ascent ref = oracle::ascent(
            oracle::setupOf(open), start, pBottom, 0, 0.0, { diluent, qInf(), 0, 0 });
        QVERIFY(ref.stops.size() >= 3);

        // Stop by stop (levels by pressure in mbar), within one 5-second reference step and
        // 0.1 %, on the same gas (Nx50 from 1.6 / 0.5 = 3.2 bar, 21 m, on).
        std::map<long, std::pair<const LinePlan*, const oracle::Stop*>> levels;
        for (const oracle::Stop& s : ref.stops)
            levels[std::lround(s.pressure * 1000)].second = &s;
        int switches = 0;
        for (qsizetype i = 0; i < plan.lines.size(); ++i) {
            const LinePlan& l = plan.lines[i];
            if (l.kind == LinePlan::Line && l.direction == LinePlan::Level)
                levels[std::lround((surface + l.depth * perMetre) * 1000)].first = &l;
            // One change of gas, onto Nx50 at the first stop (18 m, within its 21 m); the leg
            // before is on the diluent.
            if (l.kind == LinePlan::Switch) {
                QVERIFY(i > 0 && plan.lines[i - 1].gas == 0 && l.gas == 1);
                QVERIFY(qAbs(l.depth - (ref.stops.front().pressure - surface) / perMetre) < 0.01);
                QVERIFY(l.depth <= 21.0f);
                ++switches;
            }
        }
        QCOMPARE(switches, 1);
        for (const auto& [mbar, stop] : levels) {
            // A level missing on one side counts as no time there.
            const double engine = stop.first ? stop.first->duration : 0.0;
            const double reference = stop.second ? stop.second->minutes : 0.0;
            QVERIFY2(qAbs(engine - reference) <= 6.0 / 60.0 + 1e-3 * reference,
                qPrintable(QString("%1 mbar: %2 vs %3 min").arg(mbar).arg(engine).arg(reference)));
            if (stop.first && stop.second)
                QCOMPARE(int(stop.first->gas), stop.second->gasIndex);
        }
        QVERIFY(qAbs(plan.runTimeMin - (30.0 + ref.dtr)) < 0.5);

        // Gas: deco SAC 15 L/min, doubled for the first 2 min (all on the first leg, 45 m up at
        // 1.1 bar/min): Tx21/35 litres = 30 x mean P of the first 2 min x 2 + 15 x mean P of
        // the rest of the leg x its minutes, then every stop and transit at 0.6 bar/min at
        // 15 L/min on the gas of the stop.
        const double pFirst = ref.stops.front().pressure;
        const double legMin = (pBottom - pFirst) / 1.1;
        QVERIFY(legMin > 2.0);
        const double p2 = pBottom - 2.0 * 1.1;
        double litres[2]
            = { 30.0 * (pBottom + p2) / 2 * 2.0 + 15.0 * (p2 + pFirst) / 2 * (legMin - 2), 0 };
        for (size_t i = 0; i < ref.stops.size(); ++i) {
            const oracle::Stop& s = ref.stops[i];
            const double next = i + 1 < ref.stops.size() ? ref.stops[i + 1].pressure : surface;
            litres[s.gasIndex] += 15.0 * s.pressure * s.minutes
                + 15.0 * (s.pressure + next) / 2 * (s.pressure - next) / 0.6;
        }
        QCOMPARE(plan.cylinders.size(), 2);
        // Stop times differ by up to 6 s a stop: 15 L/min x 6 s x 3.2 bar = 4.8 L a stop.
        for (int c = 0; c < 2; ++c)
            QVERIFY2(qAbs(plan.cylinders[c].usedLitres - litres[c]) < 5.0 * ref.stops.size(),
                qPrintable(QString("%1 vs %2").arg(plan.cylinders[c].usedLitres).arg(litres[c])));
    }

    void settingsRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("gas.diveplan");
        Planification saved;
        gasPlanOf(saved);
        QCOMPARE(savePlan(saved, path), PlanFile::Status::Ok);
        Planification loaded;
        QCOMPARE(loadPlan(loaded, path), PlanFile::Status::Ok);
        QVERIFY(loaded.gasSettings == saved.gasSettings);
        const auto cylinders = [](const Planification& plan) {
            QVariantList list;
            for (const Cylinder& c : plan.dives[0]->cylinders)
                list << c.o2 << int(c.role) << c.litres << c.fillBar;
            return list;
        };
        QCOMPARE(cylinders(loaded), cylinders(saved)); // 11.1 L comes back as the preset it was
    }

    void damagedGasSettingsAreRefused_data()
    {
        QTest::addColumn<QByteArray>("file");
        // Tag 2: slot, count, then O2, He, role, f64 litres, f64 fill per gas.
        const auto one = [](char role, double litres, double fill) {
            return withRecord(2,
                QByteArray("\x00\x01\x15\x00", 4) + role + le<double>(litres) + le<double>(fill));
        };
        const QByteArray air12 = QByteArray("\x15\x00\x00", 3) + le<double>(12) + le<double>(200);
        // The well-formed record the damaged ones below are made from loads.
        QTest::newRow("well-formed") << one(0, 12, 200);
        QTest::newRow("cylinders-cut-short")
            << withRecord(2, QByteArray("\x00\x01", 2) + air12.left(10));
        QTest::newRow("cylinder-negative-size") << one(0, -12, 200);
        QTest::newRow("cylinder-fill-301") << one(0, 12, 301);
        QTest::newRow("cylinder-fill-nan") << one(0, 12, qQNaN());
        QTest::newRow("cylinder-role-2") << one(2, 12, 200);
        // The default dive has six gases: seven cylinders cannot be one per gas.
        QByteArray seven("\x00\x07", 2);
        for (int i = 0; i < 7; ++i)
            seven += air12;
        QTest::newRow("more-cylinders-than-gases") << withRecord(2, seven);
        QTest::newRow("cylinders-of-a-missing-dive")
            << withRecord(2, QByteArray("\x01\x01", 2) + air12);
        // Tag 3: SACs, reserve, factor, problem time, deco reserve, bailout, GF, stress.
        auto planning = [](double sac, quint8 reserve, double stress) {
            return le<double>(sac) + le<double>(15) + le<quint8>(reserve) + le<double>(4)
                + le<double>(2) + le<double>(50) + le<quint8>(0) + le<quint8>(0) + le<quint8>(0)
                + le<double>(stress) + le<double>(2);
        };
        QTest::newRow("sac-zero") << withRecord(3, planning(0, 0, 2));
        QTest::newRow("sac-infinite") << withRecord(3, planning(qInf(), 0, 2));
        QTest::newRow("reserve-mode-2") << withRecord(3, planning(20, 2, 2));
        QTest::newRow("stress-below-1") << withRecord(3, planning(20, 0, 0.5));
        QTest::newRow("planning-cut-short") << withRecord(3, planning(20, 0, 2).left(20));
    }

    void damagedGasSettingsAreRefused()
    {
        QFETCH(QByteArray, file);
        QTemporaryDir dir;
        const QString path = dir.filePath("damaged.diveplan");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        QCOMPARE(out.write(file), file.size());
        out.close();
        Planification plan;
        gasPlanOf(plan);
        if (QByteArray(QTest::currentDataTag()) == "well-formed") {
            QCOMPARE(loadPlan(plan, path), PlanFile::Status::Ok);
            QCOMPARE(plan.dives[0]->cylinders.size(), 1);
            QCOMPARE(plan.dives[0]->cylinders[0].litres, 12.0);
            return;
        }
        QCOMPARE(loadPlan(plan, path), PlanFile::Status::BadSettings);
        // The plan on show keeps its own settings.
        QCOMPARE(plan.gasSettings.bottomSacLpm, 17.5);
        QCOMPARE(plan.dives[0]->cylinders[0].litres, 11.1);
    }

    void slateText()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        SlatePage first;
        first.title = "Dive 1 (Tx18/45) \\ 60 m";
        first.summary = { "Run time 83:20   GF 50/80", "CNS 37 %   OTU 95" };
        first.tables.append({ "Run time", { "Depth", "Stop", "Run", "Gas" },
            { { "60 m", "17:00", "20:00", "Tx18/45" }, { "21 m", "1:00", "24:40", "Nx50" },
                { "(6 m)", "12:00", "61:10", "Oxy" } } });
        first.warnings = { QString::fromUtf8("Below its reserve – 83 bar.") };
        SlatePage second;
        second.title = QString::fromUtf8("Dive 2 — Épave");
        second.tables.append({ "Gas", { "Gas", "Used" }, { { "Air", "1588 L" } } });
        const QString path = dir.filePath("slate.pdf");
        QString error;
        QVERIFY(writeSlate(path, { first, second }, &error));

        // Every cross-reference entry points at the start of its object.
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        const int startxref = pdf.lastIndexOf("startxref\n");
        const qint64 xref = pdf.mid(startxref + 10).split('\n').first().toLongLong();
        QVERIFY(pdf.mid(xref).startsWith("xref\n0 "));
        const QList<QByteArray> entries = pdf.mid(xref).split('\n');
        const int count = entries[1].split(' ').last().toInt();
        QCOMPARE(count, 1 + 4 + 2 * 2);
        for (int i = 1; i < count; ++i) {
            const QByteArray& entry = entries[2 + i];
            QCOMPARE(entry.size(), 19); // 20 bytes with the newline
            QVERIFY(
                pdf.mid(entry.left(10).toLongLong()).startsWith(QByteArray::number(i) + " 0 obj"));
        }

        const QString one = pdfText(path, 1);
        const QString two = pdfText(path, 2);
        for (const char* expected : { "Dive 1 (Tx18/45) \\ 60 m", "Run time 83:20", "GF 50/80",
                 "CNS 37 %", "60 m", "17:00", "20:00", "(6 m)", "61:10", "Oxy", "reserve" })
            QVERIFY2(one.contains(QLatin1String(expected)), expected);
        QVERIFY2(one.contains(QString::fromUtf8("reserve – 83 bar")), qPrintable(one));
        QVERIFY(!one.contains(QLatin1String("1588 L")));
        QVERIFY2(two.contains(QString::fromUtf8("Dive 2 — Épave")), qPrintable(two));
        QVERIFY(two.contains(QLatin1String("1588 L")));

        // A slate that cannot be written leaves the file there as it was.
        QVERIFY(!writeSlate(dir.filePath("missing/slate.pdf"), { first }, &error));
        QVERIFY(error.contains(QLatin1String("missing/slate.pdf")));
        QVERIFY(!writeSlate(path, {}, &error));
        QFile again(path);
        QVERIFY(again.open(QIODevice::ReadOnly));
        QCOMPARE(again.readAll(), pdf);
    }
};

QTEST_GUILESS_MAIN(TestGasPlan)
#include "tst_gasplan.moc"
