#pragma once

#include "link/bletransport.h"
#include "link/computerinfo.h"
#include "link/deviceframe.h"
#include "link/firmwareprogram.h"
#include "link/linkenums.h"

#include <QBluetoothDeviceInfo>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// The one link to the dive computer: scan, connect, switch notifications on, send framed
// commands and decode the replies into ComputerInfo. Nothing here blocks; every outcome arrives
// as a signal.
class TarskBle : public QObject
{
    Q_OBJECT
public:
    using LogCallback = std::function<void(const QString&)>;

    // Quiet time after the last notification before a batch of replies is decoded.
    static constexpr int kBatchIntervalMs = 1000;
    // A command whose reply (or the next notification of its stream) does not come within this
    // time fails with ExchangeError::Timeout.
    static constexpr int kReplyTimeoutMs = 5000;
    static constexpr int kScanTimeoutMs = 30000;
    // From the found device to notifications on: a stack that never answers gives up here.
    static constexpr int kSetUpTimeoutMs = 20000;
    // In batch mode, bytes collected before the decoder runs early so memory stays bounded.
    static constexpr int kBatchDecodeBytes = 16384;
    // Bounds on what a dive list or sample stream may pile up.
    static constexpr int kMaxDiveHeaders = 4096;
    static constexpr int kMaxSampleBytes = 16 * 1024 * 1024;
    // Replies still owed to commands that timed out are forgotten after this much silence: a
    // computer that quiet has dropped them.
    static constexpr int kOwedReplySilenceMs = 30000;

    static const QBluetoothUuid serviceUuid;
    static const QBluetoothUuid characteristicUuid;
    static const QBluetoothUuid descriptorUuid;

    // Runs over the given transport, taken over as a child. Whoever starts the program chooses
    // it (the platform's Bluetooth, or a virtual computer for the demo and the tests); without
    // one the link uses the platform's Bluetooth.
    TarskBle(QObject* parent, LogCallback log, BleTransport* transport);
    ~TarskBle() override;

    BleTransport* transport() const { return m_transport; }
    bool hasController() const { return m_transport->hasController(); }
    // From the controller's connected until a disconnect.
    bool isConnected() const { return m_connected; }
    // Notifications are on: commands may flow.
    bool isReady() const { return m_ready; }
    bool isScanning() const { return m_transport->isScanning(); }
    const QBluetoothDeviceInfo& foundDevice() const { return m_foundDevice; }
    const ComputerInfo& computerInfo() const { return m_info; }
    QString statusText() const { return m_statusText; }
    int scanError() const { return m_scanError; }
    bool batchMode() const { return m_batchMode; }
    bool pressureBusy() const { return m_pressureBusy; }
    // The command whose reply is awaited, None when idle.
    VeltraCommand::VeltraCommandIn pendingCommand() const { return m_pending; }
    qsizetype bufferedBytes() const { return m_decoder.buffered(); }
    // Commands that timed out whose replies have not come yet, oldest first.
    QList<quint8> owedReplies() const { return m_owed; }

    void setBatchInterval(int ms) { m_batchTimer.setInterval(ms); }
    int batchInterval() const { return m_batchTimer.interval(); }
    void setReplyTimeout(int ms) { m_replyTimer.setInterval(ms); }
    int replyTimeout() const { return m_replyTimer.interval(); }
    void setSetUpTimeout(int ms) { m_setUpTimer.setInterval(ms); }

    // The set-up step under way (or the one that failed last): "connecting", "discovering
    // services", "reading the service", "switching notifications on"; empty when none.
    QString setUpStepText() const;
    // Stops a scan or a set-up under way and forgets the controller: the user's way out.
    void abortConnection();

    // Sends SetOwner; false (nothing sent) when the name is empty or longer than
    // kOwnerNameMaxBytes UTF-8 bytes, which the computer would cut.
    bool setOwnerName(const QString& name);
    // Sends SetSimulatedPressure unless another command is unanswered; false when nothing was
    // sent.
    bool setSimulatedPressure(uint32_t mbar);

    // Starts writing a firmware image into a computer in its firmware mode: BeginProgram, then
    // Program per 128 bytes, EndProgram and ProgramFinished, each step on the acknowledgement of
    // the previous one. onEndCommand(EndProgram) tells the image was taken,
    // onEndCommand(ProgramFinished) that the closing write was confirmed. `name` is the image's
    // name without ".bin" ("Veltra.1.2.3.b"). Returns the image size, or -1 when nothing was sent
    // (`status` says why). A new call restarts.
    int setFirmware(const QByteArray& image, const QString& name, FirmwareStatus* status = nullptr);
    // Why setFirmware would refuse now, before any image is read (connection and mode only).
    FirmwareStatus firmwareReadiness() const;
    bool isProgramming() const { return m_program.isRunning(); }
    const FirmwareProgrammer& programmer() const { return m_program; }
    // Time from setFirmware to the EndProgram acknowledgement of the last installation.
    qint64 programElapsedMs() const { return m_programElapsedMs; }

    // The technical word, for the log.
    static QString exchangeErrorText(ExchangeError::ExchangeErrorIn error);
    // What went wrong and what to do, in plain words, for the diver.
    static QString exchangeErrorAdvice(ExchangeError::ExchangeErrorIn error);
    static QString controllerErrorText(QLowEnergyController::Error error);
    static QString serviceErrorText(QLowEnergyService::ServiceError error);

signals:
    void onCreateController(CreateControllerStatus::CreateControllerStatusIn pStatus);
    void onConnectController(ConnectControllerStatus::ConnectControllerStatusIn pStatus);
    void onDisconnectController();
    void onErrorController(QLowEnergyController::Error pError);
    void onServiceError(QLowEnergyService::ServiceError pError);
    void onEndCommand(VeltraCommand::VeltraCommandIn pCommand);
    void onExchangeError(
        VeltraCommand::VeltraCommandIn pCommand, ExchangeError::ExchangeErrorIn pError);
    void onUploadFirmwareProgress(int pNbBytesSent, int pPercentageDone);
    void updateChanged();

public slots:
    void createController();
    void controllerConnect();
    void startCommand(VeltraCommand::VeltraCommandIn pCommand);
    void startGetDiveSamples(uint16_t diveName, bool dbg);
    void controllerDisConnect();

private slots:
    void deviceDiscovered(const QBluetoothDeviceInfo& device);
    void scanFinished();
    void scanCanceled();
    void scanErrorOccurred(QBluetoothDeviceDiscoveryAgent::Error error);
    void serviceDiscovered(const QBluetoothUuid& gatt);
    void discoveryFinished();
    void controllerErrorOccured(QLowEnergyController::Error error);
    void controllerConnected();
    void controllerDisConnected();
    void stateChanged(QLowEnergyService::ServiceState newState);
    void characteristicChanged(const QBluetoothUuid& info, const QByteArray& value);
    void characteristicRead(const QBluetoothUuid& info, const QByteArray& value);
    void characteristicWritten(const QBluetoothUuid& info, const QByteArray& value);
    void descriptorRead(const QBluetoothUuid& info, const QByteArray& value);
    void descriptorWritten(const QBluetoothUuid& info, const QByteArray& value);
    void errorOccurred(QLowEnergyService::ServiceError error);
    void decodeFrames();
    void replyTimedOut();
    void setUpTimedOut();

private:
    void log(const QString& text) const;
    void setStatus(const QString& text);
    void scanToggle();
    void makeController();
    void setUpCharacteristic();
    void failSetUp(ConnectControllerStatus::ConnectControllerStatusIn status
        = ConnectControllerStatus::ServiceNotFound);
    void failPending(ExchangeError::ExchangeErrorIn error);
    void resetExchange();
    bool sendFrame(quint8 code, const QByteArray& payload = {});
    void dispatch(const QByteArray& body);
    void announce(VeltraCommand::VeltraCommandIn code);
    void finishPending();
    // True when a frame of this code belongs to a reply owed to a command that timed out; the
    // owed reply is settled by its last frame.
    bool takenAsOwed(quint8 code, bool lastFrame);
    // Acknowledgements of the firmware programming steps; the programming sequence continues
    // from here.
    void programAcknowledged(quint8 code, bool accepted);
    bool sendProgramFrame(quint8 code, const QByteArray& payload = {});
    // The awaited acknowledgement will not come (time-out, damage, link lost): stop the sequence.
    void abortProgram(const QString& why);

    QBluetoothDeviceInfo m_foundDevice;
    LogCallback m_logCallback;
    BleTransport* m_transport = nullptr;
    int m_scanError = 0;
    bool m_connected = false;
    bool m_ready = false;
    ComputerInfo m_info;
    // Address of the computer m_info describes; a different one starts from a clean record.
    QString m_infoDevice;
    QString m_statusText;
    bool m_batchMode = false;
    QTimer m_batchTimer;
    FrameDecoder m_decoder;
    QTimer m_replyTimer;
    VeltraCommand::VeltraCommandIn m_pending = VeltraCommand::None;
    bool m_pressureBusy = false;
    // The computer answers in order: the first replies after a time-out belong to the commands
    // that timed out, not to the one pending now.
    QList<quint8> m_owed;
    QTimer m_owedTimer;
    // A reply was taken as owed while the pending command waited.
    bool m_owedCameDuringPending = false;
    qint64 m_reportedDrops = 0;
    bool m_overflowLogged = false;

    FirmwareProgrammer m_program;
    QElapsedTimer m_programClock;
    qint64 m_programElapsedMs = 0;
    // A programming frame's acknowledgement can only follow the computer's receipt of that
    // frame (the write confirmation): an acknowledgement before it answers an earlier frame.
    bool m_programWriteConfirmed = false;
    QByteArray m_programFrame;
    // The ProgramFinished frame until its write is confirmed (empty when none awaited).
    QByteArray m_finishFrame;

    enum class SetUpStep { None, Connecting, Services, Details, Notifications };
    SetUpStep m_setUpStep = SetUpStep::None;
    QTimer m_setUpTimer;
    // Service errors tolerated during the current set-up (one retry of the descriptor write).
    int m_setUpRetries = 0;
};

// The process-wide link, set by the first TarskBle constructed and cleared when it goes.
extern TarskBle* bleLink;
