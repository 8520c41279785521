#include "engine/deco.h"
#include "planner/bailout.h"
#include "planner/contingency.h"
#include "planner/gasplan.h"
#include "planner/plancompute.h"
#include "planner/planification.h"
#include "planner/planslate.h"
#include "planner/planstorage.h"
#include "planner/realgas.h"
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
    // time, bailout, cylinder temperature, bailout time, setpoint switch, contingencies.
    plan.gasSettings
        = { 17.5, 12, ReserveMode::Thirds, 3, 1, 40, 40, 85, 1.5, 3, true, 20, 2, 6, true, 5, 4 };
}

// The file of gasPlanOf without its gas records, plus one record of `tag` with `payload`.
QByteArray withRecord(quint16 tag, const QByteArray& payload, QByteArray bytes = {})
{
    if (bytes.isEmpty()) {
        Planification plan;
        plan.addDefaultDive();
        std::vector<PlanDiveRecord> records(1);
        records[0].profile = plan.current()->profile;
        bytes = PlanFile::encode(records);
    }
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

// One dive: a descent to `depthM` in 3 min, the bottom to `endMin` on gas `gas`, these deco
// gases and the factors 50/80.
void diveOf(Planification& plan, double depthM, double endMin, int gas, QList<int> decoO2)
{
    plan.addDefaultDive();
    PlanifDive& dive = *plan.current();
    dive.profile.gases = { DiveGas { {}, {}, 21, 0 }, DiveGas { {}, {}, 18, 45 } };
    dive.profile.samples.resize(3);
    const double times[] = { 0, 3, endMin };
    for (int i = 0; i < 3; ++i) {
        dive.profile.samples[i] = DiveSample {};
        dive.profile.samples[i].time = times[i] * 60;
        dive.profile.samples[i].depth = i == 0 ? 0 : depthM;
        dive.profile.samples[i].gasIndex = gas;
    }
    dive.settings.gfLow = 50;
    dive.settings.gfHigh = 80;
    for (int o2 : decoO2)
        dive.settings.decoGases.append({ o2, 0, PlanGasRole::Deco, 0.0f });
}

QList<LinePlan> computedLines(const QList<LinePlan>& lines)
{
    QList<LinePlan> out;
    for (const LinePlan& l : lines)
        if (l.kind == LinePlan::Line)
            out.append(l);
    return out;
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
        // Minimum gas: 4 x (20 x 2 min x P(30 m) 4 bar) + 4 x the air of its own ascent up to
        // the switch, 47.925 L = 640 + 191.7 = 831.7 L, about 69 bar in 12 L; the cylinder
        // ends near 65 bar (real gas), below it. Thirds: 200 / 3 = 66.7 -> 67 bar kept, turn at
        // 133.3 -> 134 bar.
        const struct
        {
            ReserveMode mode;
            double bottomReserve, turn;
            bool warned;
        } rows[]
            = { { ReserveMode::MinimumGas, double(reserveBarOf(cylinders[0], 831.7, 15)), 0, true },
                  { ReserveMode::Thirds, 67.0, 134.0, true } };
        for (const auto& row : rows) {
            GasSettings settings;
            settings.reserveMode = row.mode;
            const GasPlanResult r = computeGasPlan(cylinders, segments, settings, roundWater());
            QCOMPARE(r.cylinders.size(), 2);
            QVERIFY(qAbs(r.cylinders[0].usedLitres - 1587.925) < 1e-6);
            QVERIFY(qAbs(r.cylinders[1].usedLitres - 238.875) < 1e-6);
            QCOMPARE(r.cylinders[0].reserveBar, row.bottomReserve);
            QCOMPARE(r.cylinders[0].turnBar, row.turn);
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
        // Round water, P(d) = 1 + d / 10; bottom SAC 20, deco SAC 15, factor 4, problem 2 min.
        const QList<Cylinder> cylinders = { Cylinder { 32, 0, CylinderRole::Bottom, 11.1, 200 },
            Cylinder { 21, 0, CylinderRole::Bottom, 15, 232 } };
        // A Nx32 travel gas breathed from the surface to 20 m only: 4 x 20 x 2 x 3 = 480 L.
        // The air from 20 m down and its whole ascent, which needs stops on it:
        //   problem: 4 x 20 x 2 x P(30) 4 = 640 L
        //   ascent 30-6 m, 2.4 min: 15 x 2.8 x 2.4 = 100.8; stop 6 m 1 min: 15 x 1.6 = 24;
        //   6-3 m 0.5 min: 15 x 1.45 x 0.5 = 10.875; stop 3 m 8 min: 15 x 1.3 x 8 = 156;
        //   3-0 m 0.5 min: 15 x 1.15 x 0.5 = 8.625; sum 300.3 L, x 4 = 1201.2 L.
        // Total 1841.2 L; ideal 122.7 bar in 15 L; with Z about 0.99 near 120 bar, 122 bar.
        const QList<GasSegment> segments = { { 0, 20, 2, 0, false }, { 20, 30, 1, 1, false },
            { 30, 30, 20, 1, false }, { 30, 6, 2.4, 1, true }, { 6, 6, 1, 1, true },
            { 6, 3, 0.5, 1, true }, { 3, 3, 8, 1, true }, { 3, 0, 0.5, 1, true } };
        const GasPlanResult r = computeGasPlan(cylinders, segments, GasSettings {}, roundWater());
        QCOMPARE(r.cylinders[0].reserveBar, double(reserveBarOf(cylinders[0], 480.0, 15)));
        QCOMPARE(r.cylinders[1].reserveBar, double(reserveBarOf(cylinders[1], 1841.2, 15)));
        QVERIFY(qAbs(r.cylinders[1].reserveBar - 122) <= 1);
        // A reserve rounds up to the whole bar: the gas of 100.4 bar needs 101.
        QCOMPARE(reserveBarOf(cylinders[1], cylinderLitres(cylinders[1], 100.4, 15), 15), 101);
        QVERIFY(qAbs(minimumGasLitres(roundWater(), GasSettings {}, 30, 300.3) - 1841.2) < 1e-9);
    }

    // Published compressibility: nitrogen and oxygen at 0 C (Michels' isotherms, as tabled in
    // the CRC Handbook: pV relative to 1 atm), helium from its virial coefficients B 11.9
    // cm3/mol and C about 110 cm6/mol2 (Landolt-Boernstein); within 1 %.
    void realGas()
    {
        const struct
        {
            int o2, he;
            double atm, z;
        } rows[] = { { 0, 0, 100, 0.9846 }, { 0, 0, 200, 1.0365 }, { 0, 0, 300, 1.1335 },
            { 100, 0, 100, 0.927 }, { 0, 100, 100, 1.053 }, { 0, 100, 200, 1.104 } };
        for (const auto& row : rows) {
            const double z = compressibility(row.o2, row.he, row.atm * 1.01325, 0.0);
            QVERIFY2(qAbs(z / row.z - 1) < 0.01, qPrintable(QString::number(z)));
        }
        // 12 L of air at 300 bar, 2256 L breathed (an ideal 112 bar left): about 81 bar
        // remain, below a 101 bar reserve. Air at 300 bar and 15 C: Z about 1.11, 3243 L.
        Cylinder c { 21, 0, CylinderRole::Deco, 12, 300 };
        GasSettings settings;
        settings.decoReserveBar = 101;
        const GasPlanResult r
            = computeGasPlan({ c }, { { 0, 0, 2256 / 15.0, 0, true } }, settings, roundWater());
        QVERIFY2(qAbs(r.cylinders[0].endBar - 81) < 3,
            qPrintable(QString::number(r.cylinders[0].endBar)));
        QCOMPARE(r.warnings.size(), 1);
        // A warmer cylinder holds less at the same pressure.
        QVERIFY(cylinderLitres(c, 300, 35) < cylinderLitres(c, 300, 15));
        QVERIFY(qAbs(cylinderBar(c, cylinderLitres(c, 232, 15), 15) - 232) < 1e-6);
    }

    void reserveAndEmptyThresholds()
    {
        // 10 L of air filled to 100 bar, breathed at the surface (1 bar) at 10 L/min: about one
        // bar a minute. Real air at 100 bar and 15 C has Z about 0.986 (nitrogen 0.998, oxygen
        // 0.943), so the cylinder holds about 1014 L, not 1000 L. Deco cylinders keep 50 bar;
        // thirds of 100 bar: 33.3 -> 34 bar kept.
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
            { CylinderRole::Deco, ReserveMode::MinimumGas, 100.0, below },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 102.0, empty },
            { CylinderRole::Deco, ReserveMode::MinimumGas, 130.0, empty },
            { CylinderRole::Bottom, ReserveMode::Thirds, 66.0, none },
            { CylinderRole::Bottom, ReserveMode::Thirds, 68.0, below } };
        for (const auto& row : rows) {
            GasSettings settings;
            settings.bottomSacLpm = 10;
            settings.decoSacLpm = 10;
            settings.reserveMode = row.mode;
            const GasPlanResult r = computeGasPlan({ Cylinder { 21, 0, row.role, 10, 100 } },
                { { 0, 0, row.minutes, 0, row.role == CylinderRole::Deco } }, settings,
                roundWater());
            QVERIFY(r.cylinders[0].endBar >= 0);
            QCOMPARE(r.warnings.size(), row.kind < 0 ? 0 : 1);
            if (row.kind < 0)
                continue;
            QCOMPARE(int(r.warnings[0].kind), row.kind);
            QCOMPARE(r.hasError(), row.kind == empty);
            QVERIFY(r.warnings[0].text.contains(QLatin1String("Cylinder 1")));
        }
        // A fill above the working pressure is warned, one at it is not; no error either way.
        for (const double workBar : { 100.0, 99.0, 0.0 }) {
            const GasPlanResult r
                = computeGasPlan({ Cylinder { 21, 0, CylinderRole::Bottom, 10, 100, workBar } }, {},
                    {}, roundWater());
            QCOMPARE(r.warnings.size(), workBar == 99.0 ? 1 : 0);
            QVERIFY(!r.hasError());
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
                    GasSettings {}, roundWater());
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
        // The diver first sorts the failure out for a minute on open circuit at 45 m.
        oracle::Tissues afterProblem = start;
        oracle::constant(afterProblem, pBottom, 1.0, diluent, qInf());
        const oracle::Ascent ref = oracle::ascent(
            oracle::setupOf(open), afterProblem, pBottom, 0, 0.0, { diluent, qInf(), 0, 0 });
        QVERIFY(ref.stops.size() >= 3);

        // Stop by stop (levels by pressure in mbar), within one 5-second reference step and
        // 0.1 %, on the same gas (Nx50 from 1.6 / 0.5 = 3.2 bar, 21 m, on).
        std::map<long, std::pair<const LinePlan*, const oracle::Stop*>> levels;
        for (const oracle::Stop& s : ref.stops)
            levels[std::lround(s.pressure * 1000)].second = &s;
        // The first line is the problem-solving minute at 45 m, not a stop of the schedule.
        QVERIFY(plan.lines.first().direction == LinePlan::Level && plan.lines.first().depth == 45.0f
            && plan.lines.first().duration == 1.0f);
        int switches = 0;
        for (qsizetype i = 1; i < plan.lines.size(); ++i) {
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
        QVERIFY(qAbs(plan.runTimeMin - (31.0 + ref.dtr)) < 0.5);

        // Gas: deco SAC 15 L/min, doubled for the first 2 min (the problem minute at 45 m and
        // the first minute of the leg up at 1.1 bar/min): Tx21/35 litres = 30 x P(45) x 1 + 30 x
        // mean P of the next minute + 15 x mean P of the rest of the leg x its minutes, then
        // every stop and transit at 0.6 bar/min at 15 L/min on the gas of the stop.
        const double pFirst = ref.stops.front().pressure;
        const double legMin = (pBottom - pFirst) / 1.1;
        QVERIFY(legMin > 1.0);
        const double p1 = pBottom - 1.1;
        double litres[2] = {
            30.0 * pBottom + 30.0 * (pBottom + p1) / 2 + 15.0 * (p1 + pFirst) / 2 * (legMin - 1), 0
        };
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

    // Each contingency is the plan the diver would have written for it: Tx18/45 60 m / 20 min
    // with EAN50 and oxygen, against 63 m / 23 min, and against the plans without each gas.
    void contingenciesMatchTheirOwnPlans()
    {
        Planification plan;
        diveOf(plan, 60, 20, 1, { 50, 100 });
        plan.gasSettings.contingency = true;
        computePlan(plan, {});
        const PlanDiveResult& r = plan.current()->result;
        QVERIFY(r.contingencies);
        QCOMPARE(r.contingencies->size(), 3);
        const struct
        {
            double depth, end;
            QList<int> deco;
        } own[] = { { 63, 23, { 50, 100 } }, { 60, 20, { 100 } }, { 60, 20, { 50 } } };
        for (int i = 0; i < 3; ++i) {
            const ContingencyPlan& c = r.contingencies->at(i);
            QCOMPARE(c.kind, i == 0 ? ContingencyPlan::DeeperLonger : ContingencyPlan::LostGas);
            Planification ref;
            diveOf(ref, own[i].depth, own[i].end, 1, own[i].deco);
            computePlan(ref, {});
            const QList<LinePlan> expected = computedLines(ref.current()->result.lines);
            const QList<LinePlan> mine = computedLines(c.lines);
            QCOMPARE(mine.size(), expected.size());
            for (int j = 0; j < expected.size(); ++j) {
                QCOMPARE(mine[j].depth, expected[j].depth);
                QCOMPARE(mine[j].runTime, expected[j].runTime);
                QCOMPARE(plan.current()->profile.gases.value(int(mine[j].gas)).o2,
                    ref.current()->profile.gases.value(int(expected[j].gas)).o2);
            }
            QCOMPARE(c.use.size(), ref.current()->result.gas.cylinders.size());
            QCOMPARE(c.use[0].usedLitres, ref.current()->result.gas.cylinders[0].usedLitres);
        }
        // Losing the EAN50 is the longest ascent; 12 L of Tx18/45 cannot cover it.
        QVERIFY(r.contingencies->at(1).runTimeMin > r.contingencies->at(2).runTimeMin);
        const bool warned
            = std::any_of(r.gas.warnings.cbegin(), r.gas.warnings.cend(), [](const GasWarning& w) {
                  return w.kind == GasWarning::Contingency && w.text.contains("Without Nx50");
              });
        QVERIFY(warned);

        // On the slate the bottom is not a stop, stops may be whole minutes, and each
        // contingency has its run-time table and its gas.
        const QList<SlatePage> pages = planSlatePages(plan, true);
        const SlateTable& run = pages[0].tables[0];
        QCOMPARE(run.rows[1], QStringList({ "60 m", "-", "20:00", "Tx18/45" }));
        QVERIFY2(run.rows[2][1].endsWith(" min"), qPrintable(run.rows[2].join(' ')));
        QCOMPARE(pages[0].tables.size(), 2 + 2 * 3);

        // The imperial slate: 60 m / 0.3048 = 196.9 ft. The 12 L cylinder filled to 200 bar
        // (its working pressure, none given) holds 12 x 200 / 1.01325 / 28.3168 = 83.6 cuft;
        // 200 bar / 0.0689476 = 2901 psi; the gas used over 28.3168 L a cuft.
        const QList<SlatePage> feet
            = planSlatePages(plan, true, DisplayUnits::all(UnitSystem::Imperial));
        QCOMPARE(feet[0].tables[0].rows[1][0], QStringLiteral("197 ft"));
        const QStringList gas = feet[0].tables[1].rows[0];
        QCOMPARE(gas.mid(1, 2), QStringList({ "83.6 cuft", "2901 psi" }));
        QCOMPARE(gas[3],
            QStringLiteral("%1 cuft").arg(r.gas.cylinders[0].usedLitres / 28.316846592, 0, 'f', 1));
    }

    // The reference closed-circuit bailout: air diluent, setpoints 0.7 / 1.2 (switched at 10
    // m), 30 m / 30 min, GF 30/70, bailing out on the diluent. Two peer planners surface at
    // 51 and 52 min; without the problem-solving minute and the low setpoint this planner
    // surfaced at 43:41. The minute at 30 m adds its own minute and more stop time; the rest
    // of the gap is the peers' slower rates (9 m/min, 1 m/min from the last stop) and transits.
    void bailoutReferencePlan()
    {
        Planification plan;
        diveOf(plan, 30, 30, 0, {});
        PlanifDive& dive = *plan.current();
        dive.profile.samples[1].time = 120;
        dive.settings.closedCircuit = true;
        dive.settings.gfLow = 30;
        dive.settings.gfHigh = 70;
        dive.settings.setpointsBar[1] = 1.2f;
        dive.settings.setpointsBar[2] = 1.2f;
        plan.gasSettings.bailout = true;
        plan.gasSettings.setpointSwitchM = 10;
        computePlan(plan, {});
        const PlanDiveResult& r = plan.current()->result;
        QVERIFY(r.bailout);
        QVERIFY2(r.bailout->runTimeMin > 49 && r.bailout->runTimeMin < 52,
            qPrintable(QString::number(r.bailout->runTimeMin)));
        // The run-time lines carry the setpoint breathed; the bailout is open circuit.
        const QList<LinePlan> lines = computedLines(r.lines);
        QCOMPARE(lines[0].setpoint, 1.2f);
        QVERIFY(std::all_of(r.bailout->lines.cbegin(), r.bailout->lines.cend(),
            [](const LinePlan& l) { return l.setpoint == 0; }));
        QCOMPARE(r.bailout->cylinders[0].reserveBar, 50.0);
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
                list << c.o2 << int(c.role) << c.litres << c.fillBar << c.workBar;
            return list;
        };
        QCOMPARE(cylinders(loaded), cylinders(saved)); // 11.1 L comes back as the preset it was

        // Ascent settings and brackish water come back; a plan at the computer's rules writes
        // no record for them, so its file reads as before in older programs. The record is
        // 6 bytes of tag and length and 49 of payload (7 bytes and 10 floats).
        const qint64 plain = QFileInfo(path).size();
        AscentSettings& a = saved.dives[0]->settings.ascent;
        a.switchRule = SwitchRule::Depth;
        a.switchTimeMin = 2;
        a.lastStopM = 6;
        a.ascentRateMpm = 9;
        a.safetyStopMin = 3;
        a.roundStops = true;
        a.altitudeM = 1200;
        a.o2BreakMin = 20;
        a.backGasMin = 5;
        saved.dives[0]->waterType = kWaterBrackish;
        QCOMPARE(savePlan(saved, path), PlanFile::Status::Ok);
        QCOMPARE(QFileInfo(path).size(), plain + 6 + 49);
        QCOMPARE(loadPlan(loaded, path), PlanFile::Status::Ok);
        QVERIFY(loaded.dives[0]->settings.ascent == a);
        QCOMPARE(loaded.dives[0]->waterType, kWaterBrackish);
        // A working pressure adds a record of 6 bytes, slot, count and 8 bytes a cylinder.
        saved.dives[0]->cylinders[1].workBar = 206.8;
        QCOMPARE(savePlan(saved, path), PlanFile::Status::Ok);
        QCOMPARE(QFileInfo(path).size(), plain + 6 + 49 + 8 + 8 * saved.dives[0]->cylinders.size());
        QCOMPARE(loadPlan(loaded, path), PlanFile::Status::Ok);
        QCOMPARE(cylinders(loaded), cylinders(saved));
        a.lastStopM = 4; // no such last stop: the file is refused, the plan kept
        QCOMPARE(savePlan(saved, path), PlanFile::Status::Ok);
        QCOMPARE(loadPlan(loaded, path), PlanFile::Status::BadSettings);
        QCOMPARE(loaded.dives[0]->settings.ascent.lastStopM, 6);
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
        // Tag 7 after tag 2: slot, count, f64 working pressure per cylinder.
        const auto working = [&](quint8 count, double bar) {
            return withRecord(7,
                QByteArray("\x00", 1) + char(count) + le<double>(bar).repeated(count),
                one(0, 12, 200));
        };
        QTest::newRow("working-301") << working(1, 301);
        QTest::newRow("working-nan") << working(1, qQNaN());
        QTest::newRow("working-for-two-of-one") << working(2, 232);
        QTest::newRow("working-without-cylinders")
            << withRecord(7, QByteArray("\x00\x01", 2) + le<double>(232));
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
        // Tag 6: temperature, bailout time, setpoint switch, contingencies, deeper, longer.
        auto more = [](double celsius, quint8 contingency) {
            return le<double>(celsius) + le<double>(1) + le<double>(0) + le<quint8>(contingency)
                + le<double>(3) + le<double>(3);
        };
        QTest::newRow("temperature-nan") << withRecord(6, more(qQNaN(), 0));
        QTest::newRow("temperature-500") << withRecord(6, more(500, 0));
        QTest::newRow("contingency-2") << withRecord(6, more(15, 2));
        QTest::newRow("later-fields-cut-short") << withRecord(6, more(15, 1).left(30));
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

        // A long plan never shrinks its text: it runs onto more pages, and every row of every
        // table (a wide one split into column groups on an A6 card) is on a page.
        SlatePage longPage;
        longPage.title = "Dive 3";
        SlateTable big { "Bailout", { "Depth", "Stop", "Run", "Gas", "Setpoint", "Cylinder" }, {} };
        for (int i = 0; i < 120; ++i)
            big.rows.append({ QString("%1 m").arg(120 - i), QString("%1:07").arg(i), "-",
                QString("Tx%1/50").arg(i), "1.3", QString("cyl%1").arg(i) });
        longPage.tables.append(big);
        for (SlateSize size : { SlateSize::A4, SlateSize::A6 }) {
            const QString longPath = dir.filePath("long.pdf");
            QVERIFY(writeSlate(longPath, { longPage }, &error, size));
            const QString all = pdfText(longPath);
            for (const QStringList& row : big.rows)
                for (const QString& cell : row)
                    QVERIFY2(all.contains(cell), qPrintable(cell));
            QFile longFile(longPath);
            QVERIFY(longFile.open(QIODevice::ReadOnly));
            const QByteArray bytes = longFile.readAll();
            QVERIFY(bytes.count("/Type /Page ") > 2);
            auto sizes = QRegularExpression(R"(/F\d (\d+\.\d+) Tf)").globalMatch(bytes);
            while (sizes.hasNext())
                QVERIFY(sizes.next().captured(1).toDouble() >= 14);
        }

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
