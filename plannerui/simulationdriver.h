#pragma once

#include "link/linkenums.h"
#include "link/tarskble.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class DiveProfile;

// One second of a replayed dive as it is sent to the computer.
struct SimulationSample
{
    double timeS = 0;
    quint16 depthDm = 0;
    double pressureBar = 0;
    double temperatureC = 0;
    // A ceiling in metres when >= 0; minus the no-decompression limit in minutes when negative.
    double limit = 0;
};
Q_DECLARE_METATYPE(SimulationSample)

// Density (kg/L) of the computer's water types: 0 salt, 1 fresh, 2 the in-between setting.
double simulationWaterDensity(int waterType);
// Absolute pressure in bar at a depth, the way the computer converts it.
double simulationPressureAt(double depthM, int waterType, double surfaceBar);
// Pressure lost per second by an ascent at this speed. The computer's own conversion uses
// g = 9.81 here, not 9.80665.
double simulationAscentStep(int waterType, int speedMPerMin);
// Whole millibars of a pressure in bar, rounded to the nearest one (a product like
// 1.013 * 1000 lands just below 1013 and must not be cut to 1012). Nothing for values that do
// not fit an unsigned 32-bit number.
std::optional<quint32> simulationMillibar(double bar);

// Replays are refused beyond this length: one sample per second would not fit in memory.
constexpr double kMaxReplayDurationS = 48.0 * 3600.0;
// Limit of the last two samples of a replay: no stop, a long no-decompression time.
constexpr double kReplayEndLimit = -250.0;

// The samples of a replay, one per second: the dive's points and its computed ascent, then the
// last point and the surface. Empty when the dive has no usable point or is too long.
QList<SimulationSample> buildSimulationSamples(
    const DiveProfile& dive, int waterType, double surfaceBar);

// The timing side of the simulation tab: one pressure channel to the computer, shared by the
// manual controls, the ascent and the replay. A pressure the link refuses because the previous
// one is unanswered waits here (only the latest) and goes out as soon as the reply arrives, so
// the computer always ends at the last pressure asked for.
class SimulationDriver : public QObject
{
    Q_OBJECT

public:
    static constexpr int kTickIntervalMs = 1000;
    static constexpr quint32 kDefaultSurfaceMbar = 1013;
    // Reported ambient pressures from which the computer is taken to be under water (or in a
    // pressure chamber) rather than at the surface.
    static constexpr quint32 kSurfaceLimitMbar = 1101;
    // Ambient readings below this are not believed (no reading at all comes as 0).
    static constexpr quint32 kImplausibleMbar = 300;

    explicit SimulationDriver(QObject* parent = nullptr);
    ~SimulationDriver() override;

    void setLink(TarskBle* link);
    TarskBle* link() const { return m_link; }

    // Interval of the ascent and replay ticks; tests shorten it.
    void setTickInterval(int ms);
    int tickInterval() const { return m_ascentTimer.interval(); }

    // Water type and surface pressure the computer reported, or salt and the remembered surface
    // pressure when it reported none.
    int waterType() const;
    double surfaceBar() const;
    quint32 rememberedSurfaceMbar() const { return m_rememberedSurfaceMbar; }

    // The pressure last asked for, kept at full precision (the spin box shows it rounded).
    double pressureBar() const { return m_pressureBar; }
    double minimumBar() const { return m_minimumBar; }
    void setMinimumBar(double bar) { m_minimumBar = bar; }
    // Takes the computer's ambient pressure after a connection: sets the minimum, the pressure
    // and (at the surface) the remembered surface pressure. Sends nothing.
    void takeConnectedPressure();

    // Keeps the pressure and sends it; false when it could not go out now (it may be waiting).
    bool setPressure(double bar);
    // Sends a pressure through the shared channel; false when it did not go out now.
    bool sendPressureMbar(quint32 mbar);
    std::optional<quint32> waitingMbar() const { return m_waitingMbar; }

    // Ascent towards the pressure of `targetDepthM` at `speedMPerMin`, one step per tick.
    void startAscent(int targetDepthM, int speedMPerMin);
    void pauseAscent();
    void resumeAscent();
    // Ends an ascent (paused or running) without sending anything more.
    void cancelAscent();
    bool ascentRunning() const { return m_ascentTimer.isActive(); }
    bool ascentActive() const { return m_ascentActive; }
    double ascentTargetBar() const { return m_ascentTargetBar; }
    double ascentStepBar() const { return m_ascentStepBar; }
    int ascentTicks() const { return m_ascentTicks; }
    void ascentTick();

    // Starts replaying the dive; false when it gives no sample.
    bool startReplay(const DiveProfile& dive);
    void stopReplay();
    bool replayRunning() const { return m_replayTimer != nullptr; }
    const QList<SimulationSample>& replaySamples() const { return m_samples; }
    int replayIndex() const { return m_next; }
    void replayTick();

signals:
    // The pressure shown by the manual controls changed (ascent steps, connection).
    void pressureChanged(double bar);
    void ascentFinished();
    // Sample `index` is being sent.
    void replayStep(int index, const SimulationSample& sample);
    void replayProgress(int percent);
    void replayStopped();

private:
    void onEndCommand(VeltraCommand::VeltraCommandIn command);
    void onExchangeError(VeltraCommand::VeltraCommandIn command, ExchangeError::ExchangeErrorIn);
    void onDisconnected();
    void sendWaiting();
    void finishAscent(double bar);

    QPointer<TarskBle> m_link;
    QList<QMetaObject::Connection> m_linkConnections;
    std::optional<quint32> m_waitingMbar;
    quint32 m_rememberedSurfaceMbar = kDefaultSurfaceMbar;
    double m_pressureBar = kDefaultSurfaceMbar / 1000.0;
    double m_minimumBar = kDefaultSurfaceMbar / 1000.0;

    QTimer m_ascentTimer;
    bool m_ascentActive = false;
    double m_ascentTargetBar = 0;
    double m_ascentStepBar = 0;
    int m_ascentTicks = 0;

    QTimer* m_replayTimer = nullptr;
    int m_replayIntervalMs = kTickIntervalMs;
    QList<SimulationSample> m_samples;
    int m_next = 0;
    int m_progress = 0;
};
