#include "app/demodives.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace DemoDives {

namespace {

constexpr double PeriodS = 5;
constexpr double DescentMPerMin = 18;
constexpr double AscentMPerMin = 9;
constexpr double StopDepthM = 5;
constexpr double StopMinutes = 3;

qint64 utc(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC).toSecsSinceEpoch();
}

// Temperature falls from the surface value to the bottom value over the first 20 m.
double temperatureAt(const Plan& plan, double depthM)
{
    const double f = std::min(1.0, depthM / 20.0);
    return plan.surfaceTempC + (plan.bottomTempC - plan.surfaceTempC) * f;
}

} // namespace

QList<Plan> demoPlans()
{
    const QString veltra = QStringLiteral("Veltra");
    const QString veltraSerial = QStringLiteral("VLT-20417");
    const QString qrd = QStringLiteral("QRD-M");
    const QString qrdSerial = QStringLiteral("QRD-03352");
    // Alert word levels: ceiling bits 2-3, rapid ascent 22-23, dives in 24 h 30-31.
    const quint32 rapidAscent = 1u << 22;
    const quint32 secondDive = 1u << 30;
    return {
        { QStringLiteral("12"), veltra, veltraSerial, utc(2026, 6, 13, 8, 42),
            { { 28, 6 }, { 18, 12 }, { 10, 14 } }, 21, 0, 23, 17, 0 },
        { QStringLiteral("13"), veltra, veltraSerial, utc(2026, 6, 13, 13, 5),
            { { 16, 20 }, { 12, 25 }, { 7, 18 } }, 32, 0, 24, 19, secondDive },
        { QStringLiteral("14"), veltra, veltraSerial, utc(2026, 6, 15, 9, 20),
            { { 35, 4 }, { 22, 10 }, { 12, 12 } }, 21, 50, 22, 15, rapidAscent },
        { QStringLiteral("3"), qrd, qrdSerial, utc(2026, 8, 2, 10, 15), { { 20, 15 }, { 14, 15 } },
            32, 0, 26, 22, 0 },
        { QStringLiteral("4"), qrd, qrdSerial, utc(2026, 8, 3, 15, 40),
            { { 24, 10 }, { 15, 14 }, { 9, 10 } }, 21, 0, 26, 21, 0 },
    };
}

DiveProfile makeDive(const Plan& plan)
{
    DiveProfile dive;
    dive.name = plan.name;
    dive.computer = plan.computer;
    dive.serial = plan.serial;
    dive.dateTime = plan.startUtc;
    dive.origin = DiveOriginComputer;
    dive.firmwareVersion = QStringLiteral("2.4.1");
    dive.computerType = 1;
    dive.setPeriod(quint8(PeriodS));
    dive.setAlerts(plan.alerts, 0);
    DiveGas gas;
    gas.o2 = plan.o2;
    DiveProfile::gasName(gas);
    gas.id = QStringLiteral("1");
    dive.gases.append(gas);
    if (plan.ascentO2 > 0) {
        DiveGas second;
        second.o2 = plan.ascentO2;
        DiveProfile::gasName(second);
        second.id = QStringLiteral("2");
        dive.gases.append(second);
    }

    // Waypoints (time s, depth m), then samples every PeriodS seconds along them.
    QList<QPair<double, double>> points { { 0, 0 } };
    double t = 0;
    double depth = 0;
    const auto moveTo = [&](double target, double rateMPerMin) {
        t += std::abs(target - depth) / rateMPerMin * 60.0;
        depth = target;
        points.append({ t, depth });
    };
    for (const auto& level : plan.levels) {
        moveTo(level.first, level.first > depth ? DescentMPerMin : AscentMPerMin);
        t += level.second * 60.0;
        points.append({ t, depth });
    }
    const double ascentStart = t;
    moveTo(StopDepthM, AscentMPerMin);
    t += StopMinutes * 60.0;
    points.append({ t, depth });
    moveTo(0, AscentMPerMin);

    const double end = points.last().first;
    int segment = 1;
    for (double time = 0; time <= end + 1e-9; time += PeriodS) {
        while (segment < points.size() - 1 && points[segment].first < time)
            ++segment;
        const auto& a = points[segment - 1];
        const auto& b = points[segment];
        const double f = b.first > a.first ? (time - a.first) / (b.first - a.first) : 1.0;
        // A small swell on the levels keeps the trace from looking drawn with a ruler.
        // It fades in and out over a minute at each end, so that no ascent looks too fast.
        const double fade = std::min({ 1.0, (time - a.first) / 60.0, (b.first - time) / 60.0 });
        const double swell = a.second == b.second && a.second > StopDepthM
            ? fade * (0.4 * std::sin(time / 47.0) + 0.2 * std::sin(time / 13.0))
            : 0.0;
        DiveSample sample;
        sample.time = time;
        sample.depth = std::max(0.0, a.second + (b.second - a.second) * f + swell);
        sample.temperature = std::round(temperatureAt(plan, sample.depth) * 10.0) / 10.0;
        // 0-based into the gases, as every dive in memory.
        sample.gasIndex = plan.ascentO2 > 0 && time >= ascentStart ? 1 : 0;
        dive.samples.append(sample);
    }
    dive.computeStatistics();
    dive.computeSpeeds(false);
    return dive;
}

QList<DiveProfile> manyDives(int n)
{
    const QList<Plan> plans = demoPlans();
    QList<DiveProfile> dives;
    dives.reserve(n);
    for (int i = 0; i < n; ++i) {
        Plan plan = plans[i % plans.size()];
        plan.name = QString::number(1000 + i);
        plan.startUtc += qint64(i / plans.size()) * 86400;
        dives.append(makeDive(plan));
    }
    return dives;
}

} // namespace DemoDives
