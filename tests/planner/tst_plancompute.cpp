#include "planner/plancompute.h"
#include "planner/planresulttext.h"
#include "planner/planwarnings.h"
#include "tests/engine/oracle.h"

#include <QtTest>

#include <cmath>
#include <map>
#include <vector>

namespace {

// Expected values come from the plain reference model of tests/engine/oracle.h (its own copy
// of the published ZH-L16C tables), independently of the engine code. The engine's own answers
// (stops, NDL, ceilings, oxygen doses) are pinned against it in tests/engine; here it checks
// what the planner hands the engine and what it makes of the answers.
const oracle::Gas air { 0.21, 0.0, 0.79 };

double pressureAt(double depth, double surface = 1.013, double density = 1.03)
{
    return density * 9.80665 * depth / 100.0 + surface;
}

} // namespace

class TestPlanCompute : public QObject
{
    Q_OBJECT

private:
    static std::unique_ptr<PlanifDive> diveOf(
        const std::vector<std::pair<double, double>>& points, int gas = 0)
    {
        auto dive = PlanifDive::makeDefault(0);
        dive->profile.samples.clear();
        for (const auto& [t, d] : points) {
            DiveSample s;
            s.time = t;
            s.depth = d;
            s.gasIndex = gas;
            dive->profile.samples.append(s);
        }
        return dive;
    }

    struct Run
    {
        QList<LinePlan> lines;
        QStringList messages;
    };

    static Run run(Planification& plan, PlanComputeSettings settings = {})
    {
        Run r;
        // The tests set dive 0 directly: it is the one computed unless they chose another.
        plan.currentIndex = std::max(plan.currentIndex, 0);
        plan.lineCallback = [&](const LinePlan& l) { r.lines.append(l); };
        plan.messageCallback = [&](const QString& m) { r.messages.append(m); };
        computePlan(plan, settings);
        plan.lineCallback = nullptr;
        plan.messageCallback = nullptr;
        return r;
    }

    static float stopMinutes(const QList<LinePlan>& lines)
    {
        float total = 0;
        for (const LinePlan& l : lines)
            if (l.kind == LinePlan::Line && l.computed && l.direction == LinePlan::Level)
                total += l.duration;
        return total;
    }

    // Counts the switch lines; fails the test on a line naming a gas that cannot be breathed over
    // its leg or a change of gas without its switch line.
    static void checkGasOfLines(const QList<LinePlan>& lines, const PlanifDive& dive, float surface,
        double density, int& switches)
    {
        const LinePlan* before = nullptr;
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const LinePlan& l = lines[i];
            if (l.kind == LinePlan::Switch) {
                ++switches;
                const LinePlan& next = lines.value(i + 1);
                QVERIFY(before && next.kind == LinePlan::Line && next.gas == l.gas);
                QCOMPARE(l.depth, before->depth);
                QCOMPARE(l.runTime, before->runTime);
            }
            if (l.kind != LinePlan::Line)
                continue;
            if (before && before->gas != l.gas)
                QVERIFY2(lines[i - 1].kind == LinePlan::Switch, "a change of gas without a switch");
            DiveGas g = dive.profile.gases.at(qsizetype(l.gas));
            for (const double depth : { before ? double(before->depth) : 0.0, double(l.depth) }) {
                const double pp = g.o2 / 100.0 * pressureAt(depth, surface, density);
                if (l.computed)
                    QVERIFY2(pp >= 0.16 - 1e-3 && pp <= 1.6 + 1e-3,
                        qPrintable(QStringLiteral("%1 at %2 m: ppO2 %3")
                                       .arg(DiveProfile::gasName(g))
                                       .arg(depth)
                                       .arg(pp)));
            }
            before = &l;
        }
    }

private slots:
    void defaultDiveIsWithinNoDecoLimit()
    {
        Planification plan;
        QCOMPARE(plan.addDefaultDive(), 0);
        const Run r = run(plan);

        // 20 m salt: 1.03 x 9.80665 x 20 / 100 + 1.013 = 3.03317 bar; to the surface at
        // 1.1 bar/min takes 1.83652 min.
        QCOMPARE(r.lines.size(), 5);
        const LinePlan& leg = r.lines[3];
        QVERIFY(leg.computed && leg.direction == LinePlan::Ascending && leg.depth == 0.0f);
        QVERIFY(qAbs(leg.duration - 1.83652f) < 1e-4f);
        QVERIFY(qAbs(leg.runTime - 11.83652f) < 1e-4f);

        // OTU: only the 9 level minutes at ppO2 0.21 x 3.03317 = 0.63697 bar count (the
        // descent and ascent average 2.023 bar, ppO2 0.425 < 0.5): 9 x (0.27393^0.83333).
        const double otuExpected = 9.0 * std::pow((0.21 * 3.033166 - 0.5) / 0.5, 0.8333333);
        QVERIFY2(
            qAbs(r.lines[4].otu - otuExpected) < 0.02, qPrintable(QString::number(r.lines[4].otu)));
        // CNS: 9 min at 0.637 bar, limit 720 - (0.637-0.6)/1.05 x 21 x 75 = 664.5 min.
        const double limit = 720.0 - (0.21 * 3.033166 - 0.6) / 1.05 * 21.0 * 75.0;
        QVERIFY2(qAbs(r.lines[4].cns - 100.0 * 9.0 / limit) < 0.05,
            qPrintable(QString::number(r.lines[4].cns)));
        // The ascent (ppO2 0.425) lets it decay with its 90-minute half-time: the end value.
        QVERIFY(qAbs(r.lines[4].cnsEnd - 100.0 * 9.0 / limit * std::exp2(-1.83652 / 90.0)) < 0.05);

        // No-decompression time left at the last point, from the reference: 1 min down, 9 at 20 m.
        const config_t config;
        oracle::Tissues diver = oracle::airAt(1.013);
        const double p20 = pressureAt(20);
        oracle::ramp(diver, 1.013, p20, 1.0, air, qInf());
        oracle::constant(diver, p20, 9.0, air, qInf());
        const double ndl
            = oracle::ndlMinutes(oracle::setupOf(config), diver, p20, oracle::currentOf(config));
        QVERIFY2(qAbs(r.lines[4].ndl - ndl) < 0.1,
            qPrintable(QStringLiteral("%1, reference %2").arg(r.lines[4].ndl).arg(ndl)));

        const PlanifDive& dive = *plan.dives[0];
        QCOMPARE(dive.profile.decoNotTerminated, quint8(0));
        QCOMPARE(dive.profile.ascentSamples.size(), 2);
        QVERIFY(qAbs(dive.profile.ascentSamples[1].time - 11.83652 * 60) < 0.01);
        QCOMPARE(dive.profile.invalidDiveCode, quint32(0));
        QVERIFY(dive.profile.ceilingTrace.isEmpty());
    }

    void decoStopsMatchTheReference()
    {
        // Depth, bottom minutes, GF, then the diver's settings: last stop, ascent and stop rates
        // in m/min (0: the computer's 1.1 and 0.6 bar/min), water (density), altitude. The
        // reference gets them by hand: rates x density x g / 100 in bar/min, the surface of
        // the standard atmosphere, 1013.25 hPa x (1 - 2.25577e-5 h)^5.25588: 0.7950 bar at
        // 2000 m.
        const struct
        {
            double depth, bottomMin;
            int gfLow, gfHigh, lastStop;
            float ascentMpm, stopMpm;
            quint32 water;
            double density, altitude, surface;
        } rows[] = { { 30, 40, 80, 80, 3, 0, 0, 0, 1.03, 0, 1.013 },
            { 45, 30, 30, 85, 3, 0, 0, 0, 1.03, 0, 1.013 },
            { 45, 30, 30, 85, 6, 0, 0, 0, 1.03, 0, 1.013 },
            { 40, 35, 40, 80, 3, 9, 3, 0, 1.03, 0, 1.013 },
            { 40, 35, 40, 80, 3, 0, 0, 2, 1.015, 0, 1.013 },
            { 40, 35, 40, 80, 6, 18, 6, 1, 1.0, 2000, 0.79495 } };
        for (const auto& row : rows) {
            // Descent at 20 m/min, the bottom time counted from the start, the factors given for
            // the run (as the tab and the command line give them).
            const double descentS = row.depth / 20.0 * 60.0;
            Planification plan;
            plan.dives[0]
                = diveOf({ { 0, 0 }, { descentS, row.depth }, { row.bottomMin * 60, row.depth } });
            AscentSettings& a = plan.dives[0]->settings.ascent;
            a.lastStopM = row.lastStop;
            a.ascentRateMpm = row.ascentMpm;
            a.stopRateMpm = row.stopMpm;
            a.altitudeM = float(row.altitude);
            plan.dives[0]->waterType = row.water;
            if (row.altitude > 0)
                plan.dives[0]->surfacePressure = float(surfacePressureAtAltitude(row.altitude));
            QVERIFY(qAbs(plan.dives[0]->surfacePressure - row.surface) < 1e-4);
            PlanComputeSettings settings;
            settings.gf = make_gf(quint8(row.gfLow), quint8(row.gfHigh));
            const Run r = run(plan, settings);

            config_t config;
            config.set_gf(*settings.gf);
            config.surfacePressure = float(row.surface);
            config.density = float(row.density);
            config.lastStopDepth = float(row.lastStop);
            const double barPerMetre = row.density * 9.80665 / 100.0;
            if (row.ascentMpm > 0)
                config.ascentRate = float(row.ascentMpm * barPerMetre);
            if (row.stopMpm > 0)
                config.slowAscentRate = float(row.stopMpm * barPerMetre);
            oracle::Tissues diver = oracle::airAt(row.surface);
            const double pBottom = pressureAt(row.depth, row.surface, row.density);
            oracle::ramp(diver, row.surface, pBottom, descentS / 60.0, air, qInf());
            oracle::constant(diver, pBottom, row.bottomMin - descentS / 60.0, air, qInf());
            const oracle::Ascent ref = oracle::ascent(
                oracle::setupOf(config), diver, pBottom, 0, 0.0, oracle::currentOf(config));
            QVERIFY(ref.stops.size() >= 2);

            // The diver's two segments, then computed legs and stops, the summary last; the
            // durations add up to the run time, the first leg at the ascent rate.
            QCOMPARE(r.lines.last().kind, quint32(LinePlan::Summary));
            std::map<long, std::pair<double, double>> levels; // mbar -> minutes planned, reference
            float sum = 0;
            for (int i = 1; i < r.lines.size() - 1; ++i) {
                const LinePlan& l = r.lines[i];
                QCOMPARE(l.computed, quint8(i > 2));
                sum += l.duration;
                if (l.computed && l.direction == LinePlan::Level)
                    levels[std::lround(pressureAt(l.depth, row.surface, row.density) * 1000)].first
                        = l.duration;
            }
            QVERIFY(qAbs(sum - r.lines[r.lines.size() - 2].runTime) < 0.01f);
            const double firstLeg = (pBottom - ref.stops.front().pressure) / config.ascentRate;
            QVERIFY(qAbs(r.lines[3].duration - firstLeg) < 1e-3);
            for (const oracle::Stop& s : ref.stops)
                levels[std::lround(s.pressure * 1000)].second = s.minutes;
            // Stop by stop within one 5-second reference step and 0.1 %; a level missing on one
            // side counts as no time there.
            for (const auto& [mbar, minutes] : levels)
                QVERIFY2(qAbs(minutes.first - minutes.second) <= 6.0 / 60.0 + 1e-3 * minutes.second,
                    qPrintable(QStringLiteral("%1 mbar: %2 vs %3 min")
                                   .arg(mbar)
                                   .arg(minutes.first)
                                   .arg(minutes.second)));
            QCOMPARE(plan.dives[0]->profile.ascentSamples.last().depth, 0.0);
        }
    }

    void walkedAscentMatchesAReferenceWalk()
    {
        // The rules the computer lacks, against a walk written here on the reference model:
        // from the first stop (or a deeper switch level) level by level, every transit loaded,
        // the gas taken at the deepest level within its 1.6 bar (switch depth rule) with a
        // minimum stop there, each stop held in 5-second steps until the ceiling at the
        // level's GF allows the next level, then rounded up to a whole minute of run time, and
        // oxygen broken by back-gas minutes. 3 m/min between levels keeps transits long.
        const struct
        {
            double depth, bottomMin;
            int decoO2, lastStop;
            float switchMin, o2Min, backMin;
            bool round;
        } rows[] = { { 45, 25, 50, 3, 2, 0, 0, false }, { 42, 40, 100, 3, 1, 12, 4, true } };
        for (const auto& row : rows) {
            Planification plan;
            plan.dives[0]
                = diveOf({ { 0, 0 }, { 150, row.depth }, { row.bottomMin * 60, row.depth } });
            PlanifDive& dive = *plan.dives[0];
            dive.settings.decoGases = { { row.decoO2, 0 } };
            dive.settings.gfLow = 30;
            dive.settings.gfHigh = 75;
            AscentSettings& a = dive.settings.ascent;
            a.switchRule = SwitchRule::Depth;
            a.switchTimeMin = row.switchMin;
            a.lastStopM = row.lastStop;
            a.stopRateMpm = 3;
            a.roundStops = row.round;
            a.o2BreakMin = row.o2Min;
            a.backGasMin = row.backMin;
            const Run r = run(plan);

            config_t config;
            config.set_gf(make_gf(30, 75));
            config.lastStopDepth = float(row.lastStop);
            const oracle::Setup setup = oracle::setupOf(config);
            const double stopRate = 3 * 1.03 * 9.80665 / 100.0;
            const oracle::Gas deco { row.decoO2 / 100.0, 0, 1 - row.decoO2 / 100.0 };
            oracle::Tissues w = oracle::airAt(1.013);
            const double pBottom = pressureAt(row.depth);
            oracle::ramp(w, 1.013, pBottom, 2.5, air, qInf());
            oracle::constant(w, pBottom, row.bottomMin - 2.5, air, qInf());
            const oracle::Breathing onAir { air, qInf(), 0, 0 };
            const int first = oracle::firstStop(setup, w, pBottom, 0, 0, onAir);
            const double anchorP = oracle::levelPressure(setup, first);
            int top = first;
            while (oracle::levelPressure(setup, top + 1) <= 1.6 / deco.o2)
                ++top;
            double p = pBottom, run = row.bottomMin, onO2 = 0;
            bool switched = false;
            std::map<long, std::pair<double, double>> levels; // mbar -> minutes planned, reference
            for (int level = top; level >= 1; --level) {
                const double pc = oracle::levelPressure(setup, level);
                const double next = oracle::levelPressure(setup, level - 1);
                const double rate = p == pBottom ? config.ascentRate : stopRate;
                oracle::ramp(w, p, pc, (p - pc) / rate, switched ? deco : air, qInf());
                run += (p - pc) / rate;
                p = pc;
                double held = 0;
                auto hold = [&](double minutes, const oracle::Gas& g) {
                    oracle::constant(w, pc, minutes, g, qInf());
                    held += minutes;
                    run += minutes;
                    onO2 += g.o2 > 0.99 ? minutes : 0.0;
                };
                if (!switched && pc <= 1.6 / deco.o2 + 1e-4) {
                    switched = true;
                    hold(row.switchMin, deco);
                }
                const oracle::Gas& g = switched ? deco : air;
                const double gf = oracle::gfAt(setup, first, anchorP, next, level - 1);
                while (oracle::ceiling(w, gf) > next) {
                    if (row.o2Min > 0 && switched && onO2 >= row.o2Min - 1e-6) {
                        hold(row.backMin, air);
                        onO2 = 0;
                    }
                    hold(5.0 / 60.0, g);
                }
                if (row.round && held > 0)
                    hold(std::ceil(run - 1e-6) - run, g);
                levels[std::lround(pc * 1000)].second = held;
            }
            QVERIFY(switched);
            for (const LinePlan& l : r.lines)
                if (l.kind == LinePlan::Line && l.computed && l.direction == LinePlan::Level)
                    levels[std::lround(pressureAt(l.depth) * 1000)].first += l.duration;
            // Each level within two 5-second reference steps per break and per minute rounded.
            for (const auto& [mbar, minutes] : levels)
                QVERIFY2(qAbs(minutes.first - minutes.second) <= (row.round ? 1.0 : 0.2),
                    qPrintable(QStringLiteral("%1 mbar: %2 vs %3 min")
                                   .arg(mbar)
                                   .arg(minutes.first)
                                   .arg(minutes.second)));
            // Stops end on whole minutes of run time when rounded.
            for (const LinePlan& l : r.lines)
                if (row.round && l.kind == LinePlan::Line && l.computed
                    && l.direction == LinePlan::Level)
                    QVERIFY(qAbs(l.runTime - std::round(l.runTime)) < 1e-3);
            QVERIFY(qAbs(r.lines.last().runTime - run) <= (row.round ? 2.0 : 1.0));
        }
    }

    void ceilingNeverBelowTheDiverOnTheAscent()
    {
        // 30 m for 60 min on Nx30 at GF 20/90: at each stop the ceiling read at the GF of the
        // stop's own depth lies some 15 cm below the stop the schedule allows.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 90, 30 }, { 3600, 30 } }, 1);
        plan.dives[0]->settings.gfLow = 20;
        plan.dives[0]->settings.gfHigh = 90;
        run(plan);
        const DiveProfile& profile = plan.dives[0]->profile;
        int checked = 0;
        for (const ProfileMarker& m : profile.ceilingTrace) {
            const QList<DiveSample>& a = profile.ascentSamples;
            for (qsizetype k = 1; k < a.size(); ++k) {
                if (m.time <= a[k - 1].time || m.time > a[k].time)
                    continue;
                const double f = (m.time - a[k - 1].time) / (a[k].time - a[k - 1].time);
                QVERIFY(m.depth <= a[k - 1].depth + f * (a[k].depth - a[k - 1].depth) + 0.001);
                ++checked;
            }
        }
        QVERIFY(checked > 100);
    }

    void effortModeUsesLowFactorsThroughout()
    {
        // 80/80 asked, effort mode plans the whole dive as the engine's reduced 68/68.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 120, 40 }, { 1500, 40 } });
        plan.dives[0]->settings.gfLow = 68;
        plan.dives[0]->settings.gfHigh = 68;
        const Run low = run(plan);
        plan.dives[0]->settings.gfLow = 80;
        plan.dives[0]->settings.gfHigh = 80;
        plan.dives[0]->effortMode = 1;
        const Run effort = run(plan);
        QCOMPARE(effort.lines.size(), low.lines.size());
        for (int i = 0; i < low.lines.size(); ++i) {
            QCOMPARE(effort.lines[i].depth, low.lines[i].depth);
            QCOMPARE(effort.lines[i].duration, low.lines[i].duration);
        }
    }

    void repetitiveDiveRules()
    {
        // Three long dives close together leave compartment 10 above 0.8 bar for the third; up
        // 15 m and down again 13 m in a dive deeper than 10 m is a yoyo, marked on the next.
        const std::tuple<bool, quint32, quint32> rows[] = { { false, 1800, 2 }, { false, 86400, 0 },
            { true, 3600, 1 }, { true, 75600, 0 } }; // yoyo, interval, code
        for (const auto& [yoyo, interval, expectedCode] : rows) {
            const int last = yoyo ? 1 : 2;
            Planification plan;
            for (int k = 0; k <= last; ++k) {
                plan.dives[size_t(k)] = yoyo ? diveOf({ { 0, 0 }, { 90, 30 }, { 600, 30 },
                                            { 700, 15 }, { 800, 28 }, { 1200, 28 } })
                                             : diveOf({ { 0, 0 }, { 120, 30 }, { 3000, 30 } });
                plan.dives[size_t(k)]->surfaceIntervalS = k == 0 ? 0 : interval;
            }
            Run r;
            for (int k = 0; k <= last; ++k) {
                plan.currentIndex = k;
                r = run(plan);
            }
            QCOMPARE(plan.dives[0]->profile.invalidDiveCode, 0u); // a first dive is only warned
            QCOMPARE(plan.dives[0]->profile.yoyoMarkers.isEmpty(), !yoyo);
            QCOMPARE(plan.dives[size_t(last)]->profile.invalidDiveCode, expectedCode);
            QCOMPARE(r.messages.last(), invalidDiveText(expectedCode));
            // Compartment 10 at the start of the dive, as the tissue graph shows it.
            if (!yoyo)
                QCOMPARE(plan.startTensions[9] > 0.8f, expectedCode == 2);
        }
    }

    void surfaceIntervalDesaturates()
    {
        // A 30 m / 25 min dive, then 18 m / 40 min: the longer the rest, the shorter the
        // stops; after a week the second dive is planned like a first one.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 90, 30 }, { 1500, 30 } });
        plan.dives[1] = diveOf({ { 0, 0 }, { 54, 18 }, { 2400, 18 } });
        const auto stopsAfter = [&](quint32 interval) {
            plan.dives[1]->surfaceIntervalS = interval;
            run(plan); // computes dive 0 and, in order, dive 1
            return plan.dives[1]->result.stopTimeMin;
        };
        const float close = stopsAfter(1800);
        const float week = stopsAfter(7 * 86400);
        QVERIFY(stopsAfter(7200) < close);
        QVERIFY(close > week + 1.0f);
        // Air at 18 m (ppO2 0.59 bar) adds no CNS: the second dive's highest is what the first
        // left, halved by a 90-minute rest (90-minute half time).
        stopsAfter(5400);
        QVERIFY(qAbs(plan.dives[1]->result.cnsPercent - plan.dives[0]->result.cnsEndPercent / 2)
            < 0.01f);
        Planification fresh;
        fresh.dives[0] = diveOf({ { 0, 0 }, { 54, 18 }, { 2400, 18 } });
        run(fresh);
        QVERIFY(qAbs(fresh.dives[0]->result.stopTimeMin - week) < 0.01f);
        // A longer first dive: the later one is computed again from it.
        plan.dives[0]->profile.samples[2].time = 3000;
        QVERIFY(stopsAfter(1800) > close);
    }

    void endingAtTheSurfaceWithStopsOwed()
    {
        Planification plan;
        // 40 m for 30 min, then straight to the surface in one minute.
        plan.dives[0] = diveOf({ { 0, 0 }, { 120, 40 }, { 1800, 40 }, { 1860, 0 } });
        const Run r = run(plan);
        const PlanifDive& dive = *plan.dives[0];
        QCOMPARE(dive.profile.decoNotTerminated, quint8(1));
        QVERIFY(dive.profile.ascentSamples.isEmpty());
        for (const LinePlan& l : r.lines)
            QVERIFY(!(l.kind == LinePlan::Line && l.computed));
        QCOMPARE(dive.profile.ceilingTrace.last().depth, 0.0f);

        // A short shallow dive that ends at the surface owes nothing.
        plan.dives[0] = diveOf({ { 0, 0 }, { 60, 10 }, { 600, 10 }, { 660, 0 } });
        run(plan);
        QCOMPARE(plan.dives[0]->profile.decoNotTerminated, quint8(0));

        // Times that go backwards give no negative or infinite durations.
        plan.dives[0] = diveOf({ { 0, 0 }, { 600, 30 }, { 300, 30 }, { 300, 25 } });
        for (const LinePlan& l : run(plan).lines) {
            QVERIFY(std::isfinite(l.duration) && l.duration >= 0);
            QVERIFY(std::isfinite(l.runTime) && l.runTime >= 0);
        }
    }

    void gasSwitchFollowsModOfDecoGas()
    {
        // A deco gas is breathed from the deepest 3 m stop within ppO2 1.6 bar: Nx40 (gas 2 of
        // the standard list) below 4.0 bar is 29.57 m, so 27 m; oxygen (gas 3) 5.8 m, so 3 m.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 150, 50 }, { 1500, 50 } });
        const float onAir = stopMinutes(run(plan).lines);
        for (const auto& [o2, gas, fromM] : { std::tuple { 40, 2u, 27.0f }, { 100, 3u, 3.0f } }) {
            plan.dives[0]->settings.decoGases = { { o2, 0 } };
            const Run r = run(plan);
            QVERIFY(stopMinutes(r.lines) < onAir);
            bool switched = false;
            for (const LinePlan& l : r.lines) {
                if (l.kind == LinePlan::Line && l.computed && l.direction == LinePlan::Level) {
                    QCOMPARE(l.gas, l.depth < fromM + 0.1f ? gas : 0u);
                    switched = switched || l.gas == gas;
                }
            }
            QVERIFY(switched);
        }
        // The deepest 3 m stop within ppO2 1.6 bar: salt 0.101 bar/m, fresh 0.0981 bar/m.
        const struct
        {
            int o2;
            float surface;
            quint32 water;
            float expected;
        } rows[] = { { 50, 1.013f, 0, 21.0f }, // 3.2 bar, 21.65 m
            { 100, 1.013f, 0, 3.0f }, // 1.6 bar, 5.81 m
            { 80, 1.013f, 0, 9.0f }, // 2.0 bar, 9.77 m
            { 50, 0.8f, 1, 24.0f }, // fresh water at altitude, 24.47 m
            { 21, 1.013f, 0, 63.0f } }; // 7.62 bar, 65.4 m
        for (const auto& r : rows)
            QVERIFY2(qAbs(decoSwitchDepthM({ r.o2, 0 }, r.surface, r.water) - r.expected) < 0.01f,
                qPrintable(QString::number(r.o2)));
    }

    void everyLineNamesTheGasBreathedOnIt()
    {
        // A sweep of plans: on each computed line the gas named must be breathable at both ends
        // of its leg (ppO2 0.16 to 1.6 bar), and each change of gas has its own switch line at
        // the depth and run time where the line before ended.
        const struct
        {
            int o2, he;
            double depthM;
        } bottoms[]
            = { { 21, 0, 40 }, { 32, 0, 30 }, { 21, 35, 50 }, { 18, 45, 60 }, { 15, 55, 80 } };
        const QList<QList<PlanGas>> decoSets
            = { { { 50, 0 } }, { { 50, 0 }, { 100, 0 } }, { { 35, 25 }, { 50, 0 }, { 100, 0 } } };
        const std::pair<int, int> gfs[] = { { 30, 70 }, { 50, 85 }, { 100, 100 } };
        int switches = 0;
        for (int n = 0; n < 180 && !QTest::currentTestFailed(); ++n) {
            const auto& b = bottoms[n % 5];
            const auto& [low, high] = gfs[n / 5 % 3];
            const quint32 water = n / 15 % 2;
            const float surface = n / 30 % 2 ? 0.8f : 1.013f;
            Planification plan;
            plan.dives[0] = diveOf({ { 0, 0 }, { 180, b.depthM }, { 1500, b.depthM } });
            PlanifDive& dive = *plan.dives[0];
            dive.profile.gases = { DiveGas { {}, {}, b.o2, b.he } };
            dive.settings.decoGases = decoSets[n / 60];
            dive.settings.gfLow = low;
            dive.settings.gfHigh = high;
            dive.waterType = water;
            dive.surfacePressure = surface;
            checkGasOfLines(run(plan).lines, dive, surface, water ? 1.0 : 1.03, switches);
        }
        QVERIFY2(switches > 250, qPrintable(QString::number(switches)));
    }

    void reducedFactorsAreTheDiversCappedAt68()
    {
        // Three dives 30/80 two hours apart: the third (deeper than 6 m, within a day) is
        // computed at 30/68. A dive to 40 m with a yoyo (up to 25 m at 700 s, down again): a
        // severe one below 35 m, which lowers the factors from that segment on.
        const std::vector<std::pair<double, double>> square
            = { { 0, 0 }, { 120, 30 }, { 1200, 30 } };
        const std::vector<std::pair<double, double>> yoyo
            = { { 0, 0 }, { 120, 40 }, { 600, 40 }, { 700, 25 }, { 800, 40 }, { 1200, 40 } };
        for (const bool third : { true, false }) {
            Planification plan;
            const int dives = third ? 3 : 1;
            for (int slot = 0; slot < dives; ++slot) {
                plan.dives[size_t(slot)] = diveOf(third ? square : yoyo);
                plan.dives[size_t(slot)]->surfaceIntervalS = 7200;
                plan.dives[size_t(slot)]->settings.gfLow = 30;
                plan.dives[size_t(slot)]->settings.gfHigh = 80;
                computePlanDive(plan, slot, {}, false);
                const PlanDiveResult& r = plan.dives[size_t(slot)]->result;
                const bool reduced = slot == dives - 1;
                QCOMPARE(r.gfReduction,
                    !reduced ? PlanDiveResult::GfReduction::None
                             : (third ? PlanDiveResult::GfReduction::ThirdDive
                                      : PlanDiveResult::GfReduction::Yoyo));
                QCOMPARE(r.gfReducedFromMin, third || !reduced ? 0.0f : 700.0f / 60.0f);
                QCOMPARE(std::lround(r.gfLow * 100), 30);
                QCOMPARE(std::lround(r.gfHigh * 100), reduced ? 68 : 80);
            }
        }
    }

    void warningsAtTheirThresholds()
    {
        // Salt water from 1.013 bar, 0.1010085 bar/m. Bottom limit 1.4 bar: EAN32 reaches it at
        // 33.28 m (33 m: 1.391, 34 m: 1.423), 1.6 bar at 39.47 m (39 m: 1.585, 40 m: 1.617).
        // 0.16 bar at the surface: 16 % gives 0.162, 15 % 0.152. END of air at 30 m is 30 m.
        // Air weighs 0.21 x 1.429 + 0.79 x 1.2506 = 1.28806 g/L at 1.013 bar: 5.2 g/L at
        // 4.0897 bar (30.46 m), 6.2 g/L at 4.876 bar (38.24 m). Tx18/45 to EAN50: helium -45,
        // nitrogen +13 > 45 / 5; to Tx35/25: helium -20, nitrogen +3 < 20 / 5. EAN32 as deco
        // gas of an EAN32 dive is never taken; EAN33 is.
        const struct
        {
            int o2, he;
            double depth, minutes;
            int decoO2, decoHe;
            const char* code;
            int expected; // -1 none, 0 warning, 1 error
        } rows[] = { { 32, 0, 33, 10, 0, 0, "ppo2-high", -1 },
            { 32, 0, 34, 10, 0, 0, "ppo2-high", 0 }, { 32, 0, 39, 10, 0, 0, "ppo2-high", 0 },
            { 32, 0, 40, 10, 0, 0, "ppo2-high", 1 }, { 16, 40, 40, 10, 0, 0, "ppo2-low", -1 },
            { 15, 40, 40, 10, 0, 0, "ppo2-low", 1 }, { 21, 0, 30, 10, 0, 0, "end-high", -1 },
            { 21, 0, 31, 10, 0, 0, "end-high", 0 }, { 21, 0, 30, 10, 0, 0, "density-high", -1 },
            { 21, 0, 31, 10, 0, 0, "density-high", 0 }, { 21, 0, 38, 10, 0, 0, "density-high", 0 },
            { 21, 0, 39, 10, 0, 0, "density-high", 1 }, { 18, 45, 60, 20, 50, 0, "icd", 0 },
            { 18, 45, 60, 20, 35, 25, "icd", -1 }, { 21, 0, 100, 20, 0, 0, "cns-high", 1 },
            { 21, 0, 20, 10, 0, 0, "cns-high", -1 }, { 32, 0, 30, 20, 32, 0, "deco-gas-unused", 0 },
            { 32, 0, 30, 20, 33, 0, "deco-gas-unused", -1 } };
        for (const auto& row : rows) {
            Planification plan;
            plan.dives[0]
                = diveOf({ { 0, 0 }, { 120, row.depth }, { row.minutes * 60, row.depth } });
            plan.dives[0]->profile.gases = { DiveGas { {}, {}, row.o2, row.he } };
            if (row.decoO2 > 0)
                plan.dives[0]->settings.decoGases = { { row.decoO2, row.decoHe } };
            run(plan);
            int found = -1;
            for (const PlanWarning& w : planWarnings(*plan.dives[0]))
                if (w.code == QLatin1String(row.code))
                    found = std::max(found, w.error ? 1 : 0);
            QVERIFY2(found == row.expected,
                qPrintable(QStringLiteral("%1 at %2 m on %3/%4: %5")
                               .arg(row.code)
                               .arg(row.depth)
                               .arg(row.o2)
                               .arg(row.he)
                               .arg(found)));
        }
    }

    void endTensionsFollowTheBreathedGas()
    {
        // Air down, 25 m on Nx30 (gas 1 of the standard list), the ascent on Nx30; or closed
        // circuit on air at a working setpoint of 0.9 bar (below the surface's dry pressure,
        // so the loop never runs out of nitrogen), gas choices ignored.
        for (const auto& [closedCircuit, bottomGas] : { std::pair { false, 1 }, { true, 0 } }) {
            Planification plan;
            plan.dives[0] = diveOf({ { 0, 0 }, { 75, 25 }, { 1500, 25 } });
            plan.dives[0]->profile.samples[2].gasIndex = bottomGas;
            plan.dives[0]->settings.closedCircuit = closedCircuit;
            plan.dives[0]->settings.setpointsBar[1] = 0.9f;
            run(plan);
            const PlanifDive& dive = *plan.dives[0];
            QCOMPARE(dive.result.stopTimeMin, 0.0f); // one leg to the surface at 1.1 bar/min

            // Closed circuit on an air diluent: the loop holds the setpoint, nitrogen makes up the
            // rest of the dry gas.
            oracle::Tissues diver = oracle::airAt(1.013);
            const double p = pressureAt(25);
            const double setpoint = closedCircuit ? 0.9 : qInf();
            const oracle::Gas bottom = closedCircuit ? air : oracle::Gas { 0.30, 0.0, 0.70 };
            oracle::ramp(diver, 1.013, p, 1.25, air, setpoint);
            oracle::constant(diver, p, 23.75, bottom, setpoint);
            oracle::ramp(diver, p, 1.013, (p - 1.013) / 1.1, bottom, setpoint);
            for (int i = 0; i < 16; ++i)
                QVERIFY2(qAbs(dive.tissues.pN2[i] - diver.n2[i]) < 2e-3,
                    qPrintable(QStringLiteral("compartment %1: %2, reference %3")
                                   .arg(i + 1)
                                   .arg(dive.tissues.pN2[i])
                                   .arg(diver.n2[i])));
        }
    }

    void traceSlicesAndDepthInDiveWater()
    {
        // 40 m of fresh water at 0.8 bar (altitude), air, GF 100/100 so the ceiling is the
        // plain M-value ceiling at every slice. The trace has a point every 2 s while the
        // ceiling lies below the surface, each the reference ceiling in metres of fresh water.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 120, 40 }, { 1800, 40 } });
        plan.dives[0]->waterType = 1;
        plan.dives[0]->surfacePressure = 0.8f;
        plan.dives[0]->settings.gfLow = 100;
        plan.dives[0]->settings.gfHigh = 100;
        run(plan);
        const QList<ProfileMarker>& trace = plan.dives[0]->profile.ceilingTrace;
        int checked = 0;
        for (qsizetype i = 1; i < trace.size() && trace[i].time <= 1800; ++i) {
            QCOMPARE(trace[i].time - trace[i - 1].time, 2.0f);
            if (std::fmod(trace[i].time, 300.0f) != 0.0f)
                continue;
            oracle::Tissues diver = oracle::airAt(0.8);
            const double p = pressureAt(40, 0.8, 1.0);
            oracle::ramp(diver, 0.8, p, 2.0, air, qInf());
            oracle::constant(diver, p, (trace[i].time - 120.0) / 60.0, air, qInf());
            const double expected = (oracle::ceiling(diver, 1.0) - 0.8) * 100.0 / 9.80665;
            QVERIFY2(qAbs(trace[i].depth - expected) < 0.02,
                qPrintable(QStringLiteral("%1 s: %2 m, reference %3 m")
                               .arg(trace[i].time)
                               .arg(trace[i].depth)
                               .arg(expected)));
            ++checked;
        }
        QVERIFY(checked >= 4);
        QCOMPARE(ceilingDepthM(0.7f, 0.8f, 1.0f), 0.0f); // a ceiling above the surface is at it
    }

    void decompressionImpossibleEndsAtTheLastPoint()
    {
        // 95 % nitrogen (5 % O2) at GF 10/10: at any stop shallower than about 30 m the slowest
        // compartment tends to 0.95 (P - 0.0627) bar, above the 1.0036 P - 0.281 bar that
        // GF 0.1 allows at the next level, so a stop there would never end.
        Planification plan;
        plan.dives[0] = diveOf({ { 0, 0 }, { 120, 40 }, { 1200, 40 } });
        plan.dives[0]->profile.gases = { DiveGas { {}, {}, 5, 0 } };
        plan.dives[0]->settings.gfLow = 10;
        plan.dives[0]->settings.gfHigh = 10;
        const Run r = run(plan);
        const PlanifDive& dive = *plan.dives[0];
        QVERIFY(dive.result.decoImpossible);
        QCOMPARE(dive.result.dtrMin, 0.0f);
        QVERIFY(dive.profile.ascentSamples.isEmpty());
        QVERIFY(r.messages.contains(decoImpossibleText()));
        for (const LinePlan& l : r.lines)
            QVERIFY(!(l.kind == LinePlan::Line && l.computed));
    }

    void resultText()
    {
        PlanResultText text;
        QList<DiveGas> gases = standardGasList();
        text.setGasNames(gases);
        text.add(LinePlan {});
        text.add({ LinePlan::Line, LinePlan::Descending, 0, 30, 1.5f, 1.5f, 0, 0, 0 });
        text.add({ LinePlan::Line, LinePlan::Level, 0, 30, 70, 71.5f, 0, 0, 0 });
        text.add({ LinePlan::Line, LinePlan::Ascending, 1, 6, 2.25f, 73.75f, 1, 0, 0 });
        text.add({ LinePlan::Switch, LinePlan::Level, 1, 6, 0, 6.08f, 2, 0, 0 });
        text.add({ LinePlan::Line, LinePlan::Level, 1, 6, 3, 76.75f, 1, 0, 0 });
        text.add({ LinePlan::Line, LinePlan::Ascending, 0, 3, 0.5f, 20, 2, 0, 0 });
        text.add({ LinePlan::Summary, 0, 0, 0, 0, 0, 0, 12.4f, 33.6f, 12.0f, 41.7f });
        const QString html = text.html();
        // Below an hour mm:ss, from an hour hh:mm:ss, with the gas name in both; the NDL in
        // whole minutes left, never rounded up.
        for (const char* part : { "arrowDdive.png", "|    01:30 |    01:30 | Air</p>",
                 "| 01:10:00 | 01:11:30 | Air</p>", "|    02:15 | 01:13:45 | Nx30</p>",
                 "&lt;&gt;      6m |          |    06:05 | Nx40</p>",
                 "|    03:00 | 01:16:45 | Nx30</p>", "|    20:00 | Nx40</p>", ">CNS 12%</p>",
                 ">OTU 34</p>", ">NDL 41 min</p>" })
            QVERIFY2(html.contains(QLatin1String(part)), part);
        text.add(LinePlan {});
        QVERIFY(!text.html().contains("arrowD"));
    }
};

QTEST_GUILESS_MAIN(TestPlanCompute)
#include "tst_plancompute.moc"
