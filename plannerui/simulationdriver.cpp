#include "plannerui/simulationdriver.h"

#include "dive/diveprofile.h"
#include "link/tarskble.h"

#include <algorithm>
#include <cmath>
#include <limits>

double simulationWaterDensity(int waterType)
{
    switch (waterType) {
    case 1:
        return 1.00;
    case 2:
        return 1.02;
    default:
        // Unknown types count as salt: the deeper reading of the two.
        return 1.03;
    }
}

double simulationPressureAt(double depthM, int waterType, double surfaceBar)
{
    return simulationWaterDensity(waterType) * 9.80665 * std::max(0.0, depthM) / 100.0 + surfaceBar;
}

double simulationAscentStep(int waterType, int speedMPerMin)
{
    return simulationWaterDensity(waterType) * speedMPerMin * 9.81 / 6000.0;
}

std::optional<quint32> simulationMillibar(double bar)
{
    if (!std::isfinite(bar) || bar < 0)
        return std::nullopt;
    const double mbar = std::round(bar * 1000.0);
    if (mbar > double(std::numeric_limits<quint32>::max()))
        return std::nullopt;
    return quint32(mbar);
}

namespace {

struct ReplayPoint
{
    double timeS;
    double depthM;
    double temperatureC;
    double limit;
    bool computed; // a point of the computed ascent
};

// Ceiling of the computed trace at time t, interpolated; -1 when the trace does not cover t.
double traceCeilingAt(const QList<ProfileMarker>& trace, double t)
{
    if (trace.isEmpty() || t < trace.constFirst().time || t > trace.constLast().time)
        return -1.0;
    for (qsizetype i = 1; i < trace.size(); ++i) {
        const ProfileMarker& a = trace.at(i - 1);
        const ProfileMarker& b = trace.at(i);
        if (t > b.time)
            continue;
        if (b.time - a.time < 1e-6)
            return std::max(0.0, double(b.depth));
        const double f = (t - a.time) / (b.time - a.time);
        return std::max(0.0, a.depth + (b.depth - a.depth) * f);
    }
    return std::max(0.0, double(trace.constLast().depth));
}

quint16 decimetres(double depthM)
{
    // A hair added so that 19.9999999 m from an interpolation still reads 20.0 m.
    return quint16(std::clamp(std::floor(depthM * 10.0 + 1e-6), 0.0, 65535.0));
}

} // namespace

QList<SimulationSample> buildSimulationSamples(
    const DiveProfile& dive, int waterType, double surfaceBar)
{
    QList<ReplayPoint> points;
    auto usable = [](const DiveSample& s) {
        return std::isfinite(s.time) && std::isfinite(s.depth) && s.time >= 0;
    };
    for (const DiveSample& s : dive.samples) {
        if (usable(s))
            points.append({ s.time, s.depth, s.temperature, s.decoCeiling, false });
    }
    if (points.isEmpty())
        return {};
    // The computed ascent continues the dive after its last point; its first entry repeats that
    // point. Its entries carry no temperature: the last one measured goes on.
    const double lastDiveTime = points.constLast().timeS;
    const double lastTemperature = points.constLast().temperatureC;
    for (const DiveSample& s : dive.ascentSamples) {
        if (usable(s) && s.time > points.constLast().timeS && s.time > lastDiveTime)
            points.append({ s.time, s.depth, lastTemperature, s.decoCeiling, true });
    }
    if (points.constLast().timeS > kMaxReplayDurationS)
        return {};

    QList<SimulationSample> out;
    out.reserve(qsizetype(points.constLast().timeS) + 3);
    double t = 0;
    auto sample = [&](double time, double depthM, double temperature, double limit) {
        const double depth = std::max(0.0, depthM);
        out.append({ time, decimetres(depth), simulationPressureAt(depth, waterType, surfaceBar),
            temperature, limit });
    };
    for (qsizetype i = 0; i + 1 < points.size(); ++i) {
        const ReplayPoint& a = points.at(i);
        const ReplayPoint& b = points.at(i + 1);
        while (t < b.timeS) {
            const double dt = t - a.timeS;
            const double depth = dt < 0.00001
                ? a.depthM
                : a.depthM + (b.depthM - a.depthM) * dt / (b.timeS - a.timeS);
            double limit = a.limit;
            // Ascent points hold no ceiling of their own; the computed trace does.
            if (b.computed) {
                const double ceiling = traceCeilingAt(dive.ceilingTrace, t);
                if (ceiling >= 0)
                    limit = ceiling;
            }
            sample(t, depth, a.temperatureC, limit);
            t += 1.0;
        }
    }
    const ReplayPoint& last = points.constLast();
    sample(t, last.depthM, last.temperatureC, kReplayEndLimit);
    out.append({ t + 1.0, 0, surfaceBar, last.temperatureC, kReplayEndLimit });
    return out;
}

// ---- SimulationDriver ----------------------------------------------------------------------

SimulationDriver::SimulationDriver(QObject* parent)
    : QObject(parent)
{
    m_ascentTimer.setInterval(kTickIntervalMs);
    connect(&m_ascentTimer, &QTimer::timeout, this, &SimulationDriver::ascentTick);
}

SimulationDriver::~SimulationDriver()
{
    // Silently: whoever listens may be half gone already.
    if (m_replayTimer)
        m_replayTimer->stop();
}

void SimulationDriver::setLink(TarskBle* link)
{
    if (m_link == link)
        return;
    for (const QMetaObject::Connection& c : std::as_const(m_linkConnections))
        disconnect(c);
    m_linkConnections.clear();
    m_waitingMbar.reset();
    m_link = link;
    if (!link)
        return;
    m_linkConnections << connect(
        link, &TarskBle::onEndCommand, this, &SimulationDriver::onEndCommand)
                      << connect(link, &TarskBle::onExchangeError, this,
                             &SimulationDriver::onExchangeError)
                      << connect(link, &TarskBle::onDisconnectController, this,
                             &SimulationDriver::onDisconnected);
}

void SimulationDriver::setTickInterval(int ms)
{
    m_ascentTimer.setInterval(ms);
    m_replayIntervalMs = ms;
    if (m_replayTimer)
        m_replayTimer->setInterval(ms);
}

int SimulationDriver::waterType() const
{
    return m_link ? m_link->computerInfo().settings.waterType : 0;
}

double SimulationDriver::surfaceBar() const
{
    const quint16 reported = m_link ? m_link->computerInfo().settings.surfacePressureMbar : 0;
    return (reported != 0 ? reported : m_rememberedSurfaceMbar) / 1000.0;
}

void SimulationDriver::takeConnectedPressure()
{
    const quint32 p = m_link ? m_link->computerInfo().ambientPressure : 0;
    if (p < kImplausibleMbar) {
        // No believable reading: stay at the remembered surface.
        m_minimumBar = m_rememberedSurfaceMbar / 1000.0;
        m_pressureBar = m_minimumBar;
    } else if (p < kSurfaceLimitMbar) {
        m_rememberedSurfaceMbar = p;
        m_minimumBar = p / 1000.0;
        m_pressureBar = m_minimumBar;
    } else {
        m_minimumBar = m_rememberedSurfaceMbar / 1000.0;
        m_pressureBar = p / 1000.0;
    }
    emit pressureChanged(m_pressureBar);
}

bool SimulationDriver::setPressure(double bar)
{
    const std::optional<quint32> mbar = simulationMillibar(bar);
    if (!mbar)
        return false;
    m_pressureBar = bar;
    return sendPressureMbar(*mbar);
}

bool SimulationDriver::sendPressureMbar(quint32 mbar)
{
    if (!m_link || !m_link->isReady()) {
        m_waitingMbar.reset();
        return false;
    }
    if (m_link->pressureBusy()) {
        // Only the latest value matters: it replaces whatever was waiting.
        m_waitingMbar = mbar;
        return false;
    }
    m_waitingMbar.reset();
    return m_link->setSimulatedPressure(mbar);
}

void SimulationDriver::sendWaiting()
{
    if (!m_waitingMbar || !m_link || m_link->pressureBusy())
        return;
    const quint32 mbar = *m_waitingMbar;
    sendPressureMbar(mbar);
}

void SimulationDriver::onEndCommand(VeltraCommand::VeltraCommandIn command)
{
    // The reply to SetSimulatedPressure is announced as GetAmbientPressure.
    if (command == VeltraCommand::GetAmbientPressure)
        sendWaiting();
}

void SimulationDriver::onExchangeError(
    VeltraCommand::VeltraCommandIn command, ExchangeError::ExchangeErrorIn)
{
    // A lost or damaged reply frees the channel as well; the waiting value still has to go.
    if (command == VeltraCommand::SetSimulatedPressure)
        sendWaiting();
}

void SimulationDriver::onDisconnected()
{
    m_waitingMbar.reset();
    cancelAscent();
    stopReplay();
}

// ---- Ascent --------------------------------------------------------------------------------

void SimulationDriver::startAscent(int targetDepthM, int speedMPerMin)
{
    m_ascentTargetBar = simulationPressureAt(targetDepthM, waterType(), surfaceBar());
    m_ascentStepBar = simulationAscentStep(waterType(), speedMPerMin);
    m_ascentTicks = 0;
    m_ascentActive = true;
    m_ascentTimer.start();
}

void SimulationDriver::pauseAscent()
{
    m_ascentTimer.stop();
}

void SimulationDriver::resumeAscent()
{
    if (m_ascentActive)
        m_ascentTimer.start();
}

void SimulationDriver::cancelAscent()
{
    m_ascentTimer.stop();
    m_ascentActive = false;
}

void SimulationDriver::finishAscent(double bar)
{
    m_ascentTimer.stop();
    m_ascentActive = false;
    setPressure(bar);
    emit pressureChanged(m_pressureBar);
    emit ascentFinished();
}

void SimulationDriver::ascentTick()
{
    if (!m_ascentActive)
        return;
    ++m_ascentTicks;
    const double next = m_pressureBar - m_ascentStepBar;
    const double v = std::max(m_ascentTargetBar, next);
    if (m_minimumBar >= v) {
        finishAscent(m_minimumBar);
    } else if (next > m_ascentTargetBar) {
        setPressure(v);
        emit pressureChanged(m_pressureBar);
    } else {
        finishAscent(v);
    }
}

// ---- Replay --------------------------------------------------------------------------------

bool SimulationDriver::startReplay(const DiveProfile& dive)
{
    stopReplay();
    QList<SimulationSample> samples = buildSimulationSamples(dive, waterType(), surfaceBar());
    if (samples.isEmpty())
        return false;
    m_samples = std::move(samples);
    m_next = 0;
    m_progress = 0;
    m_replayTimer = new QTimer(this);
    m_replayTimer->setInterval(m_replayIntervalMs);
    connect(m_replayTimer, &QTimer::timeout, this, &SimulationDriver::replayTick);
    m_replayTimer->start();
    return true;
}

void SimulationDriver::stopReplay()
{
    if (!m_replayTimer)
        return;
    m_replayTimer->stop();
    m_replayTimer->deleteLater();
    m_replayTimer = nullptr;
    m_progress = 0;
    emit replayProgress(0);
    emit replayStopped();
}

void SimulationDriver::replayTick()
{
    if (!m_replayTimer)
        return;
    // The tick after the last sample ends the run, so the full bar and the last read-outs stay
    // up for one interval instead of being cleared at once.
    if (m_next >= m_samples.size()) {
        stopReplay();
        return;
    }
    const int k = m_next;
    const SimulationSample sample = m_samples.at(k);
    emit replayStep(k, sample);
    if (const std::optional<quint32> mbar = simulationMillibar(sample.pressureBar))
        sendPressureMbar(*mbar);
    m_next = k + 1;
    // Whole percent from integers, so the last tick shows 100 and not 99.
    const int progress = int(qint64(m_next) * 100 / m_samples.size());
    if (progress != m_progress) {
        m_progress = progress;
        emit replayProgress(progress);
    }
}
