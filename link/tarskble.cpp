#include "link/tarskble.h"

#include "link/qtbletransport.h"

TarskBle* bleLink = nullptr;

const QBluetoothUuid TarskBle::serviceUuid(QStringLiteral("49535343-fe7d-4ae5-8fa9-9fafd205e455"));
const QBluetoothUuid TarskBle::characteristicUuid(
    QStringLiteral("49535343-1e4d-4bd9-ba61-23c647249616"));
const QBluetoothUuid TarskBle::descriptorUuid(
    QStringLiteral("00002902-0000-1000-8000-00805f9b34fb"));

using namespace VeltraCommand;

namespace {

ExchangeError::ExchangeErrorIn programError(quint8 code)
{
    return code == BeginProgram ? ExchangeError::BeginProgramError
        : code == Program       ? ExchangeError::ProgramError
                                : ExchangeError::EndProgramError;
}

QString deviceKey(const QBluetoothDeviceInfo& device)
{
    // Some platforms hide the address and give a per-device UUID instead.
    if (!device.address().isNull())
        return device.address().toString();
    return device.deviceUuid().toString();
}

// Whether a reply announced (or damaged) with `reply` ends the exchange started by `command`.
bool answers(quint8 command, quint8 reply)
{
    switch (command) {
    case SetSimulatedPressure:
        return reply == GetAmbientPressure || reply == SetSimulatedPressure;
    case GetDiveSamplesWithTissues:
        return reply == GetDiveSamples || reply == GetDiveSamplesWithTissues;
    case GetValuePair2:
        return reply == GetValuePair || reply == GetValuePair2;
    case GetSettings:
        // Older computers answer the settings request without the extension.
        return reply == GetSettings || reply == GetSettingsNoExtension;
    default:
        return reply == command;
    }
}

bool expectsReply(quint8 command)
{
    return command != None && command != Reserved16 && command != SetOwner
        && command != ProgramFinished;
}

QString descriptorTypeName(int type)
{
    switch (type) {
    case 0x0000:
        return QStringLiteral("Unknown Descriptor Type");
    case 0x2900:
        return QStringLiteral("Characteristic Extended Properties");
    case 0x2901:
        return QStringLiteral("Characteristic User Description");
    case 0x2902:
        return QStringLiteral("Client Characteristic Configuration");
    case 0x2903:
        return QStringLiteral("Server Characteristic Configuration");
    case 0x2904:
        return QStringLiteral("Characteristic Presentation Format");
    case 0x2905:
        return QStringLiteral("Characteristic Aggregate Format");
    case 0x2906:
        return QStringLiteral("Valid Range");
    case 0x2907:
        return QStringLiteral("External Report Reference");
    case 0x2908:
        return QStringLiteral("Report Reference");
    case 0x290B:
        return QStringLiteral("Environmental Sensing Configuration");
    case 0x290C:
        return QStringLiteral("Environmental Sensing Measurement");
    case 0x290D:
        return QStringLiteral("Environmental Sensing Trigger Setting");
    default:
        return QString();
    }
}

} // namespace

TarskBle::TarskBle(QObject* parent, LogCallback log, BleTransport* transport)
    : QObject(parent)
    , m_logCallback(std::move(log))
    , m_transport(transport ? transport : new QtBleTransport)
{
    if (!bleLink)
        bleLink = this;
    m_transport->setParent(this);

    m_batchTimer.setSingleShot(true);
    m_batchTimer.setInterval(kBatchIntervalMs);
    connect(&m_batchTimer, &QTimer::timeout, this, &TarskBle::decodeFrames);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setInterval(kReplyTimeoutMs);
    connect(&m_replyTimer, &QTimer::timeout, this, &TarskBle::replyTimedOut);
    m_setUpTimer.setSingleShot(true);
    m_setUpTimer.setInterval(kSetUpTimeoutMs);
    connect(&m_setUpTimer, &QTimer::timeout, this, &TarskBle::setUpTimedOut);
    m_owedTimer.setSingleShot(true);
    m_owedTimer.setInterval(kOwedReplySilenceMs);
    connect(&m_owedTimer, &QTimer::timeout, this, [this] {
        this->log(QStringLiteral("%1 owed replies never came: forgotten").arg(m_owed.size()));
        m_owed.clear();
    });

    BleTransport* t = m_transport;
    connect(t, &BleTransport::deviceDiscovered, this, &TarskBle::deviceDiscovered);
    connect(t, &BleTransport::scanFinished, this, &TarskBle::scanFinished);
    connect(t, &BleTransport::scanCanceled, this, &TarskBle::scanCanceled);
    connect(t, &BleTransport::scanError, this, &TarskBle::scanErrorOccurred);
    connect(t, &BleTransport::serviceDiscovered, this, &TarskBle::serviceDiscovered);
    connect(t, &BleTransport::discoveryFinished, this, &TarskBle::discoveryFinished);
    connect(t, &BleTransport::controllerError, this, &TarskBle::controllerErrorOccured);
    connect(t, &BleTransport::controllerConnected, this, &TarskBle::controllerConnected);
    connect(t, &BleTransport::controllerDisconnected, this, &TarskBle::controllerDisConnected);
    connect(t, &BleTransport::serviceStateChanged, this, &TarskBle::stateChanged);
    connect(t, &BleTransport::characteristicChanged, this, &TarskBle::characteristicChanged);
    connect(t, &BleTransport::characteristicRead, this, &TarskBle::characteristicRead);
    connect(t, &BleTransport::characteristicWritten, this, &TarskBle::characteristicWritten);
    connect(t, &BleTransport::descriptorRead, this, &TarskBle::descriptorRead);
    connect(t, &BleTransport::descriptorWritten, this, &TarskBle::descriptorWritten);
    connect(t, &BleTransport::serviceError, this, &TarskBle::errorOccurred);
}

TarskBle::~TarskBle()
{
    // The transport is our child and would outlive this body; stop hearing from it.
    m_transport->disconnect(this);
    if (bleLink == this)
        bleLink = nullptr;
}

void TarskBle::log(const QString& text) const
{
    if (m_logCallback)
        m_logCallback(text);
}

void TarskBle::setStatus(const QString& text)
{
    m_statusText = text;
    emit updateChanged();
}

// ---- Scan and controller -------------------------------------------------------------------

void TarskBle::createController()
{
    if (m_transport->hasController()) {
        emit onCreateController(CreateControllerStatus::Created);
        return;
    }
    scanToggle();
}

void TarskBle::scanToggle()
{
    if (m_transport->isScanning()) {
        m_transport->stopScan();
        return;
    }
    m_scanError = 0;
    m_foundDevice = QBluetoothDeviceInfo();
    m_transport->startScan(kScanTimeoutMs);
    setStatus(QStringLiteral("Scan Devices"));
}

void TarskBle::deviceDiscovered(const QBluetoothDeviceInfo& device)
{
    if (!(device.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration))
        return;
    const QString name = device.name();
    setStatus(name);
    const bool matches = name == QLatin1String("Veltra") || name == QLatin1String("Tarsk")
        || name.startsWith(QLatin1String("QRD-"));
    // The first match of a scan is the one taken; the stop below may lag behind.
    if (!matches || m_foundDevice.isValid())
        return;
    m_foundDevice = device;
    setStatus(name + QStringLiteral(" found, address ") + device.address().toString());
    m_transport->stopScan();
}

void TarskBle::scanFinished()
{
    // A match whose stop raced with the end of the scan window is still a match.
    if (m_foundDevice.isValid()) {
        scanCanceled();
        return;
    }
    emit onCreateController(CreateControllerStatus::NotFound);
    setStatus(QStringLiteral("End Of Scan, %1 Not Found").arg(m_foundDevice.name()));
}

void TarskBle::scanCanceled()
{
    if (m_foundDevice.isValid()) {
        setStatus(QStringLiteral("%1 Found").arg(m_foundDevice.name()));
        makeController();
        return;
    }
    emit onCreateController(CreateControllerStatus::NotFound);
    setStatus(QStringLiteral("%1 Not Found").arg(m_foundDevice.name()));
}

void TarskBle::scanErrorOccurred(QBluetoothDeviceDiscoveryAgent::Error error)
{
    m_scanError = static_cast<int>(error);
    QString text;
    switch (m_scanError) {
    case 1:
        text = QStringLiteral("SInput Output Error");
        break;
    case 2:
        text = QStringLiteral("Powered Off Error");
        break;
    case 3:
        text = QStringLiteral("Invalid Bluetooth Adapter Error");
        break;
    case 4:
        text = QStringLiteral("Unsupported Platform Error");
        break;
    case 5:
        text = QStringLiteral("Unsupported Discovery Method");
        break;
    case 6:
        text = QStringLiteral("Location Service Turned Off Error");
        break;
    case 7:
        text = QStringLiteral("Missing Permissions Error");
        break;
    default:
        text = QStringLiteral("Unknown Error");
        break;
    }
    log(QStringLiteral("Scan Error: ") + text);
    emit onCreateController(CreateControllerStatus::ScanError);
}

void TarskBle::makeController()
{
    // What a different computer reported must not be shown as this one's.
    const QString key = deviceKey(m_foundDevice);
    if (key != m_infoDevice) {
        m_info = ComputerInfo();
        m_infoDevice = key;
    }
    if (!m_transport->createController(m_foundDevice)) {
        emit onCreateController(CreateControllerStatus::CreateFailed);
        return;
    }
    emit onCreateController(CreateControllerStatus::Created);
}

// ---- Connection and service set-up ---------------------------------------------------------

void TarskBle::controllerConnect()
{
    if (!m_transport->hasController()) {
        log(QStringLiteral("Controller not Initialized"));
        emit onConnectController(ConnectControllerStatus::NoController);
        return;
    }
    if (m_ready) {
        emit onConnectController(ConnectControllerStatus::Connected);
        return;
    }
    log(QStringLiteral("Connect To %1").arg(m_foundDevice.name()));
    resetExchange();
    m_setUpStep = SetUpStep::Connecting;
    m_setUpRetries = 0;
    m_setUpTimer.start();
    m_transport->connectToDevice();
}

void TarskBle::controllerConnected()
{
    resetExchange();
    setStatus(QStringLiteral("Controller Connected"));
    m_setUpStep = SetUpStep::Services;
    m_transport->discoverServices();
    m_connected = true;
}

void TarskBle::serviceDiscovered(const QBluetoothUuid& gatt)
{
    log(gatt.toString());
}

void TarskBle::discoveryFinished()
{
    if (!m_transport->createService(serviceUuid)) {
        log(QStringLiteral("Service not found"));
        failSetUp();
        return;
    }
    log(QStringLiteral("Service creation successful"));
    m_setUpStep = SetUpStep::Details;
    m_transport->discoverServiceDetails();
}

void TarskBle::stateChanged(QLowEnergyService::ServiceState newState)
{
    static const char* const names[] = { "Invalid Service", "Remote Service",
        "Remote Service Discovering", "Remote Service Discovered", "Local Service" };
    const int state = static_cast<int>(newState);
    if (state >= 0 && state <= 4)
        log(QStringLiteral("Service State Changed: ") + QLatin1String(names[state]));
    if (newState == QLowEnergyService::RemoteServiceDiscovered)
        setUpCharacteristic();
}

void TarskBle::setUpCharacteristic()
{
    static const char* const propertyTexts[] = {
        "Allow for the broadcasting of Generic Attributes (GATT) characteristic values.",
        "Allow the characteristic values to be read.",
        "Allow characteristic values without responses to be written.",
        "Allow for characteristic values to be written.",
        "Permits notification of characteristic values.",
        "Permits indications of characteristic values.",
        "Permits signed writes of the GATT characteristic values.",
        ("Additional characteristic properties are defined in the characteristic's extended "
         "properties descriptor."),
    };
    const BleTransport::CharacteristicInfo info
        = m_transport->characteristicInfo(characteristicUuid, descriptorUuid);
    if (!info.valid) {
        log(QStringLiteral("Characteristic not valid"));
        failSetUp();
        return;
    }
    log(QStringLiteral("Characteristic valid"));
    for (int bit = 0; bit < 8; ++bit) {
        if (info.properties & (1 << bit))
            log(QStringLiteral("Characteristic property: ") + QLatin1String(propertyTexts[bit]));
    }
    if (!info.descriptorValid) {
        log(QStringLiteral("Descriptor not valid"));
        failSetUp();
        return;
    }
    log(QStringLiteral("Descriptor valid"));
    log(QStringLiteral("Descriptor type: ") + descriptorTypeName(info.descriptorType));
    m_setUpStep = SetUpStep::Notifications;
    m_transport->writeDescriptor(characteristicUuid, descriptorUuid, QByteArray::fromHex("0100"));
}

void TarskBle::descriptorRead(const QBluetoothUuid&, const QByteArray&)
{
    log(QStringLiteral("Descriptor Read"));
}

void TarskBle::descriptorWritten(const QBluetoothUuid&, const QByteArray&)
{
    log(QStringLiteral("Descriptor Written"));
    if (m_ready || !m_connected)
        return;
    m_ready = true;
    m_setUpTimer.stop();
    m_setUpStep = SetUpStep::None;
    emit onConnectController(ConnectControllerStatus::Connected);
}

void TarskBle::characteristicRead(const QBluetoothUuid&, const QByteArray&) { }

void TarskBle::characteristicWritten(const QBluetoothUuid&, const QByteArray& value)
{
    if (m_program.isRunning() && value == m_programFrame)
        m_programWriteConfirmed = true;
    // The computer has the closing command: only now is the image its own.
    if (!m_finishFrame.isEmpty() && value == m_finishFrame) {
        m_finishFrame.clear();
        log(QStringLiteral("ProgramFinished confirmed"));
        emit onEndCommand(ProgramFinished);
    }
}

// A set-up that cannot finish leaves nothing half-open behind: the controller is disconnected
// and released, so the next attempt scans and starts clean.
void TarskBle::failSetUp(ConnectControllerStatus::ConnectControllerStatusIn status)
{
    m_setUpTimer.stop();
    m_connected = false;
    m_ready = false;
    resetExchange();
    m_transport->releaseController();
    setStatus(QStringLiteral("Controller Disconnected"));
    // The step stays readable for whoever reports the failure.
    emit onConnectController(status);
}

void TarskBle::setUpTimedOut()
{
    if (m_ready)
        return;
    log(QStringLiteral("Set-up timed out while %1").arg(setUpStepText()));
    failSetUp(ConnectControllerStatus::SetUpTimeout);
}

QString TarskBle::setUpStepText() const
{
    switch (m_setUpStep) {
    case SetUpStep::Connecting:
        return tr("connecting");
    case SetUpStep::Services:
        return tr("discovering services");
    case SetUpStep::Details:
        return tr("reading the service");
    case SetUpStep::Notifications:
        return tr("switching notifications on");
    case SetUpStep::None:
        break;
    }
    return QString();
}

void TarskBle::abortConnection()
{
    if (m_transport->isScanning()) {
        // The scan's end would go on to make a controller: forget what it found first.
        m_foundDevice = QBluetoothDeviceInfo();
        m_transport->stopScan();
    }
    m_setUpTimer.stop();
    m_setUpStep = SetUpStep::None;
    abortProgram(QStringLiteral("connection closed by the user"));
    m_connected = false;
    m_ready = false;
    resetExchange();
    m_transport->releaseController();
    setStatus(QStringLiteral("Controller Disconnected"));
}

void TarskBle::controllerDisConnect()
{
    if (!m_transport->hasController())
        return;
    setStatus(QStringLiteral("Disconnect Controller From Device"));
    m_transport->disconnectFromDevice();
    m_connected = false;
    m_ready = false;
}

void TarskBle::controllerDisConnected()
{
    if (m_setUpTimer.isActive() && !m_ready) {
        // Some stacks report a computer gone during the set-up with this signal alone.
        log(QStringLiteral("Disconnected while %1").arg(setUpStepText()));
        failSetUp(ConnectControllerStatus::SetUpDisconnected);
        emit onDisconnectController();
        return;
    }
    const VeltraCommandIn pending = m_pending;
    m_setUpTimer.stop();
    m_setUpStep = SetUpStep::None;
    m_transport->releaseService();
    m_connected = false;
    m_ready = false;
    resetExchange();
    setStatus(QStringLiteral("Controller Disconnected"));
    abortProgram(QStringLiteral("computer disconnected"));
    emit onDisconnectController();
    // Whoever waits for a reply learns that none will come.
    if (pending != None)
        emit onExchangeError(pending, ExchangeError::NotReady);
}

void TarskBle::controllerErrorOccured(QLowEnergyController::Error error)
{
    static const char* const texts[] = { "Unknown Error", "Unknown Remote Device Error",
        "Network Error", "Invalid Bluetooth Adapter Error", "Connection Error", "Advertising Error",
        "Remote Host Closed Error", "Authorization Error", "Missing Permissions Error" };
    const int e = static_cast<int>(error);
    if (e >= 1 && e <= 9)
        log(QStringLiteral("Controller error: ") + QLatin1String(texts[e - 1]));
    else
        log(QStringLiteral("Controller error"));
    if (!m_connected && m_transport->hasController()) {
        // The remembered device could not be reached: forget it, so the next attempt scans
        // instead of knocking at the same door for ever.
        m_transport->releaseController();
    } else if (m_connected && !m_ready) {
        m_connected = false;
        resetExchange();
        m_transport->releaseController();
    }
    if (!m_ready) {
        m_setUpTimer.stop();
        m_setUpStep = SetUpStep::None;
    }
    emit onErrorController(error);
}

void TarskBle::errorOccurred(QLowEnergyService::ServiceError error)
{
    static const char* const texts[] = { "QLowEnergyService Operation Error",
        "QLowEnergyService Characteristic Write Error", "QLowEnergyService Descriptor Write Error",
        "QLowEnergyService Unknown Error", "QLowEnergyService Characteristic Read Error",
        "QLowEnergyService Descriptor Read Error" };
    const int e = static_cast<int>(error);
    if (e >= 1 && e <= 6)
        log(QLatin1String(texts[e - 1]));
    else
        log(QStringLiteral("QLowEnergyService Error Occured"));
    emit onServiceError(error);
    // During set-up (a refused descriptor write above all) nobody would ever hear of it again.
    // A transient refusal (a busy stack) gets one more try; a second one ends the set-up.
    if (m_connected && !m_ready) {
        if (m_setUpStep == SetUpStep::Notifications && m_setUpRetries == 0
            && m_transport->hasService()) {
            ++m_setUpRetries;
            log(QStringLiteral("Retrying the notification switch"));
            m_transport->writeDescriptor(
                characteristicUuid, descriptorUuid, QByteArray::fromHex("0100"));
            return;
        }
        failSetUp(ConnectControllerStatus::SetUpRefused);
    }
}

QString TarskBle::controllerErrorText(QLowEnergyController::Error error)
{
    switch (static_cast<int>(error)) {
    case 0:
        return QStringLiteral("No Error");
    case 2:
        return QStringLiteral("Unknown Remote Device Error");
    case 3:
        return QStringLiteral("Network Error");
    case 4:
        return QStringLiteral("Invalid Bluetooth AdapterError");
    case 5:
        return QStringLiteral("Connection Error");
    case 6:
        return QStringLiteral("Advertising Error");
    case 7:
        return QStringLiteral("RemoteHost Closed Error");
    case 8:
        return QStringLiteral("Authorization Error");
    case 9:
        return QStringLiteral("Missing PermissionsError");
    default:
        return QStringLiteral("Unknown Error");
    }
}

QString TarskBle::serviceErrorText(QLowEnergyService::ServiceError error)
{
    switch (static_cast<int>(error)) {
    case 0:
        return QStringLiteral("No Error");
    case 1:
        return QStringLiteral("Operation Error");
    case 2:
        return QStringLiteral("Characteristic Write Error");
    case 3:
        return QStringLiteral("Descriptor Write Error");
    case 5:
        return QStringLiteral("Characteristic Read Error");
    case 6:
        return QStringLiteral("Descriptor Read Error");
    default:
        return QStringLiteral("Unknown Error");
    }
}

QString TarskBle::exchangeErrorText(ExchangeError::ExchangeErrorIn error)
{
    switch (error) {
    case ExchangeError::InvalidCrc:
        return QStringLiteral("Invalid CRC");
    case ExchangeError::BeginProgramError:
        return QStringLiteral("Begin Program Error");
    case ExchangeError::ProgramError:
        return QStringLiteral("Program Error");
    case ExchangeError::EndProgramError:
        return QStringLiteral("End Program Error");
    case ExchangeError::Timeout:
        return QStringLiteral("Timeout");
    case ExchangeError::NotReady:
        return QStringLiteral("Computer not connected");
    case ExchangeError::InvalidFrame:
        return QStringLiteral("Invalid frame");
    case ExchangeError::Busy:
        return QStringLiteral("Busy");
    case ExchangeError::InvalidReply:
        return QStringLiteral("Invalid reply");
    }
    return QStringLiteral("Unknown error");
}

QString TarskBle::exchangeErrorAdvice(ExchangeError::ExchangeErrorIn error)
{
    switch (error) {
    case ExchangeError::Timeout:
        return tr("The computer stopped answering. Keep it close and press Retry.");
    case ExchangeError::InvalidCrc:
    case ExchangeError::InvalidFrame:
    case ExchangeError::InvalidReply:
        return tr("What the computer sent arrived damaged. Keep it close and press Retry.");
    case ExchangeError::NotReady:
        return tr("The computer is not connected. Connect it again.");
    case ExchangeError::Busy:
        return tr("The computer is still busy with another request. Wait a moment and try "
                  "again.");
    case ExchangeError::BeginProgramError:
    case ExchangeError::ProgramError:
    case ExchangeError::EndProgramError:
        break;
    }
    return tr("The computer refused the firmware. Restart it in firmware mode and try again.");
}

// ---- Sending -------------------------------------------------------------------------------

void TarskBle::resetExchange()
{
    m_decoder.clear();
    m_reportedDrops = 0;
    m_batchTimer.stop();
    m_batchMode = false;
    m_replyTimer.stop();
    m_pending = None;
    m_pressureBusy = false;
    m_overflowLogged = false;
    m_finishFrame.clear();
    m_owed.clear();
    m_owedTimer.stop();
}

void TarskBle::startCommand(VeltraCommand::VeltraCommandIn pCommand)
{
    sendFrame(pCommand);
}

void TarskBle::startGetDiveSamples(uint16_t diveName, bool dbg)
{
    m_info.rawSampleBytes.clear();
    QByteArray payload;
    appendU16(payload, diveName);
    sendFrame(dbg ? GetDiveSamplesWithTissues : GetDiveSamples, payload);
}

bool TarskBle::setOwnerName(const QString& name)
{
    const QByteArray bytes = name.toUtf8();
    if (bytes.isEmpty() || bytes.size() > kOwnerNameMaxBytes) {
        log(QStringLiteral("Owner name of %1 bytes not sent").arg(bytes.size()));
        return false;
    }
    return sendFrame(SetOwner, bytes);
}

bool TarskBle::setSimulatedPressure(uint32_t mbar)
{
    if (m_pressureBusy || !m_ready || m_pending != None)
        return false;
    m_pressureBusy = true;
    QByteArray payload;
    appendU32(payload, mbar);
    sendFrame(SetSimulatedPressure, payload);
    return true;
}

bool TarskBle::sendFrame(quint8 code, const QByteArray& payload)
{
    const auto command = static_cast<VeltraCommandIn>(code);
    if (!m_ready || !m_transport->hasService()) {
        log(QStringLiteral("Command %1 not sent: no computer connected").arg(code));
        emit onExchangeError(command, ExchangeError::NotReady);
        return false;
    }
    if (m_pending != None) {
        // A second command would take the one pending slot and its reply the first one's.
        log(QStringLiteral("Command %1 not sent: command %2 awaits its reply")
                .arg(code)
                .arg(static_cast<int>(m_pending)));
        emit onExchangeError(command, ExchangeError::Busy);
        return false;
    }
    if (payload.size() + 1 > kMaxFrameBody) {
        log(QStringLiteral("Command %1 not sent: payload too long").arg(code));
        return false;
    }

    switch (code) {
    case 0:
    case 1:
    case 3:
    case 7:
    case 10:
    case 13:
    case 14:
    case 15:
    case 16:
    case 255:
        m_batchMode = false;
        break;
    case 2:
        m_batchMode = true;
        m_info.textLines.clear();
        break;
    case 19:
        m_batchMode = true;
        m_info.diveHeaderReplies.clear();
        break;
    case 5:
    case 17:
    case 20:
    case 22:
    case 24:
        m_batchMode = true;
        break;
    default:
        break;
    }

    m_overflowLogged = false;
    if (expectsReply(code)) {
        // Whatever waits undecoded now came before this command and cannot be its reply.
        if (m_pending == None && m_decoder.buffered() > 0) {
            log(QStringLiteral("Dropped %1 stale bytes").arg(m_decoder.buffered()));
            m_decoder.clear();
            m_reportedDrops = 0;
        }
        m_pending = command;
        m_owedCameDuringPending = false;
        m_replyTimer.start();
    }
    m_transport->writeCharacteristic(characteristicUuid, buildFrame(code, payload));
    return true;
}

// ---- Receiving -----------------------------------------------------------------------------

void TarskBle::characteristicChanged(const QBluetoothUuid&, const QByteArray& value)
{
    if (value.isEmpty())
        return;
    m_decoder.append(value);
    // A stream is alive as long as notifications keep coming.
    if (m_pending != None)
        m_replyTimer.start();
    if (!m_owed.isEmpty())
        m_owedTimer.start();
    if (!m_batchMode) {
        decodeFrames();
        return;
    }
    m_batchTimer.start();
    // Never let a long burst pile up without bound: decode early what is complete.
    if (m_decoder.buffered() >= kBatchDecodeBytes)
        decodeFrames();
}

void TarskBle::decodeFrames()
{
    for (;;) {
        QByteArray body;
        quint8 code = 0;
        const FrameDecoder::Status status = m_decoder.next(&body, &code);
        if (m_decoder.droppedBytes() > m_reportedDrops) {
            log(QStringLiteral("Dropped %1 bytes outside frames")
                    .arg(m_decoder.droppedBytes() - m_reportedDrops));
            m_reportedDrops = m_decoder.droppedBytes();
            // Bytes lost in the middle of a reply (a damaged marker): the frames around them
            // would give a short or shifted reply, so the command fails as a whole.
            if (m_pending != None && status != FrameDecoder::Status::BadCrc
                && status != FrameDecoder::Status::BadLength)
                failPending(ExchangeError::InvalidFrame);
        }
        if (status == FrameDecoder::Status::NeedMore)
            break;
        if (status == FrameDecoder::Status::Frame) {
            dispatch(body);
            continue;
        }
        log(QStringLiteral("Damaged frame for command %1").arg(code));
        // Where a late reply ends and the awaited one starts is lost with this frame.
        if (!m_owed.isEmpty() && answers(m_owed.first(), code))
            m_owed.removeFirst();
        if (m_pending != None && answers(m_pending, code))
            finishPending();
        if (m_program.isRunning() && m_program.awaitedCode() == code)
            abortProgram(QStringLiteral("damaged acknowledgement"));
        emit onExchangeError(static_cast<VeltraCommandIn>(code), ExchangeError::InvalidCrc);
    }
}

void TarskBle::failPending(ExchangeError::ExchangeErrorIn error)
{
    const VeltraCommandIn command = m_pending;
    log(QStringLiteral("Reply to command %1 damaged").arg(static_cast<int>(command)));
    abortProgram(QStringLiteral("damaged acknowledgement"));
    finishPending();
    emit onExchangeError(command, error);
}

void TarskBle::finishPending()
{
    m_replyTimer.stop();
    if (m_pending == SetSimulatedPressure)
        m_pressureBusy = false;
    m_pending = None;
}

void TarskBle::announce(VeltraCommandIn code)
{
    if (m_pending != None && answers(m_pending, code))
        finishPending();
    emit onEndCommand(code);
}

void TarskBle::replyTimedOut()
{
    // Whatever complete frames wait for the batch timer are not late: decode them first.
    if (m_batchTimer.isActive()) {
        m_batchTimer.stop();
        decodeFrames();
    }
    if (m_pending == None)
        return;
    const VeltraCommandIn command = m_pending;
    log(QStringLiteral("No reply to command %1").arg(static_cast<int>(command)));
    abortProgram(QStringLiteral("no acknowledgement"));
    m_decoder.clear();
    m_reportedDrops = 0;
    m_pressureBusy = false;
    finishPending();
    // Its reply may still come, ahead of the next command's: it is owed, not lost. Unless a
    // reply taken as owed came while it waited: that was perhaps its own, the owed one lost,
    // and owing again would make every later attempt fail the same way.
    if (m_owedCameDuringPending)
        log(QStringLiteral("A late reply came meanwhile: command %1 owes none").arg(command));
    else if (command != BeginProgram && command != Program && command != EndProgram) {
        m_owed.append(command);
        m_owedTimer.start();
    }
    emit onExchangeError(command, ExchangeError::Timeout);
}

void TarskBle::dispatch(const QByteArray& body)
{
    const quint8 code = static_cast<quint8>(body[0]);
    const qsizetype n = body.size();
    BodyReader r(body, 1);
    // A late reply (after a time-out, or to a command given up) must not be taken for the
    // answer of the next command or fill the record of another one. Programming
    // acknowledgements are matched by the programming sequence itself.
    const bool programAck = code == BeginProgram || code == Program || code == EndProgram;
    const bool streamed = code == GetTextLines || code == GetDiveList || code == GetDiveSamples
        || code == GetDiveSamplesWithTissues;
    if (!programAck && takenAsOwed(code, !streamed || n == 1))
        return;
    if (!programAck && (m_pending == None || !answers(m_pending, code))) {
        log(QStringLiteral("Reply %1 answers no pending command: dropped").arg(code));
        return;
    }
    switch (code) {
    case GetInfo:
        parseIdentity(body, m_info);
        announce(GetInfo);
        break;
    case GetTextLines:
        if (n > 1) {
            m_info.textLines += zeroTerminatedText(body, 1, n - 1) + QLatin1Char('\n');
            break;
        }
        announce(GetTextLines);
        break;
    case GetSerialNumber:
        m_info.serialNumber = parseSerialNumber(body, m_info.modeDigit);
        announce(GetSerialNumber);
        break;
    case GetSettingsNoExtension:
        m_info.settings = parseSettings(body, false);
        announce(GetSettingsNoExtension);
        break;
    case GetValue7:
    case GetValue8:
        m_info.value64 = r.u64();
        announce(static_cast<VeltraCommandIn>(code));
        break;
    case GetAmbientPressure:
    case SetSimulatedPressure:
        r.skip(1);
        m_info.ambientPressure = r.u32();
        m_info.secondPressureValue = r.u16();
        if (code == SetSimulatedPressure)
            m_pressureBusy = false;
        announce(GetAmbientPressure);
        break;
    case BeginProgram:
    case Program:
    case EndProgram:
        programAcknowledged(code, r.u8() != 0);
        break;
    case GetBlock:
        m_info.block128 = r.bytes(128);
        m_info.blockByte = r.u8();
        announce(GetBlock);
        break;
    case GetDiveList:
        if (n > 1) {
            if (m_info.diveHeaderReplies.size() < kMaxDiveHeaders) {
                m_info.diveHeaderReplies.append(body);
            } else if (!m_overflowLogged) {
                log(QStringLiteral("Dive list too long: headers beyond %1 dropped")
                        .arg(kMaxDiveHeaders));
                m_overflowLogged = true;
            }
            break;
        }
        announce(GetDiveList);
        break;
    case GetDiveSamples:
    case GetDiveSamplesWithTissues:
        if (n >= 2) {
            if (m_info.rawSampleBytes.size() + n - 1 <= kMaxSampleBytes) {
                m_info.rawSampleBytes.append(body.constData() + 1, n - 1);
            } else if (!m_overflowLogged) {
                log(QStringLiteral("Sample stream too long: bytes beyond %1 dropped")
                        .arg(kMaxSampleBytes));
                m_overflowLogged = true;
            }
            break;
        }
        announce(GetDiveSamples);
        break;
    case GetOwner:
        m_info.ownerName = zeroTerminatedText(body, 1, kOwnerNameMaxBytes + 1);
        announce(GetOwner);
        break;
    case GetSettings:
        m_info.settings = parseSettings(body, true);
        announce(GetSettings);
        break;
    case GetValuePair:
    case GetValuePair2:
        m_info.valuePair[0] = r.u32();
        m_info.valuePair[1] = r.u32();
        announce(GetValuePair);
        break;
    case GetPressureExtended:
        m_info.reply28Value32 = r.u32();
        m_info.ambientPressure = r.u32();
        m_info.reply28Value16 = r.u16();
        announce(GetPressureExtended);
        break;
    case ResetComputer:
        if (m_pending == ResetComputer)
            finishPending();
        if (m_transport->hasController())
            controllerDisConnect();
        break;
    default:
        break;
    }
}

bool TarskBle::takenAsOwed(quint8 code, bool lastFrame)
{
    if (m_owed.isEmpty() || !answers(m_owed.first(), code))
        return false;
    if (lastFrame) {
        log(QStringLiteral("Late reply to command %1 discarded").arg(m_owed.first()));
        m_owed.removeFirst();
        m_owedCameDuringPending = m_pending != None;
        if (m_owed.isEmpty())
            m_owedTimer.stop();
    }
    return true;
}

void TarskBle::programAcknowledged(quint8 code, bool accepted)
{
    const bool awaited
        = m_program.isRunning() && m_program.awaitedCode() == code && m_programWriteConfirmed;
    if (!awaited) {
        // Not part of a running installation: a command sent on its own still gets its answer,
        // but nothing is sent on its behalf.
        if (!m_program.isRunning() && m_pending == code) {
            finishPending();
            if (!accepted)
                emit onExchangeError(static_cast<VeltraCommandIn>(code), programError(code));
            return;
        }
        log(QStringLiteral("Acknowledgement %1 out of turn ignored").arg(code));
        return;
    }
    if (m_pending == code)
        finishPending();

    const FirmwareProgrammer::Step step = m_program.acknowledge(code, accepted);
    switch (step.kind) {
    case FirmwareProgrammer::Step::Nothing:
        break;
    case FirmwareProgrammer::Step::Refused:
        log(QStringLiteral("Firmware step %1 refused").arg(code));
        emit onExchangeError(static_cast<VeltraCommandIn>(code), programError(code));
        break;
    case FirmwareProgrammer::Step::SendChunk:
        if (step.reportPercent >= 0)
            emit onUploadFirmwareProgress(step.reportSent, step.reportPercent);
        sendProgramFrame(Program, step.chunk);
        break;
    case FirmwareProgrammer::Step::SendEnd:
        sendProgramFrame(EndProgram);
        break;
    case FirmwareProgrammer::Step::Finish:
        m_programElapsedMs = m_programClock.elapsed();
        log(QStringLiteral("Firmware installed in %1 ms").arg(m_programElapsedMs));
        emit onUploadFirmwareProgress(0, 100);
        emit onEndCommand(EndProgram);
        m_finishFrame = buildFrame(ProgramFinished);
        if (!sendFrame(ProgramFinished))
            m_finishFrame.clear();
        break;
    }
}

bool TarskBle::sendProgramFrame(quint8 code, const QByteArray& payload)
{
    m_programWriteConfirmed = false;
    m_programFrame = buildFrame(code, payload);
    if (sendFrame(code, payload))
        return true;
    m_program.fail();
    return false;
}

void TarskBle::abortProgram(const QString& why)
{
    if (!m_program.isRunning())
        return;
    log(QStringLiteral("Firmware installation stopped: ") + why);
    m_program.fail();
}

FirmwareStatus TarskBle::firmwareReadiness() const
{
    if (!m_ready || !m_transport->hasService())
        return FirmwareStatus::NotConnected;
    if (m_info.mode != 2)
        return FirmwareStatus::NotFirmwareMode;
    return FirmwareStatus::Ok;
}

int TarskBle::setFirmware(const QByteArray& image, const QString& name, FirmwareStatus* status)
{
    FirmwareStatus result = firmwareReadiness();
    if (result == FirmwareStatus::Ok) {
        m_program.fail();
        result = m_program.start(image, name);
    }
    if (status)
        *status = result;
    if (result != FirmwareStatus::Ok) {
        log(QStringLiteral("Firmware not sent: ") + firmwareStatusText(result));
        return -1;
    }
    m_programElapsedMs = 0;
    m_programClock.start();
    log(QStringLiteral("Firmware %1 version %2, %3 bytes")
            .arg(QString::fromUtf8(m_program.identity().name), m_program.identity().versionText)
            .arg(image.size()));
    if (!sendProgramFrame(BeginProgram, m_program.payload()))
        return -1;
    return static_cast<int>(image.size());
}
