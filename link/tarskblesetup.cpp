// The link's set-up: scan for the computer, make the controller, connect, find the service and
// its characteristic, switch notifications on; and every way that chain can end early (time-out,
// refusal, disconnect, the user's abort).

#include "link/tarskble.h"

using namespace VeltraCommand;

namespace {

QString deviceKey(const QBluetoothDeviceInfo& device)
{
    // Some platforms hide the address and give a per-device UUID instead.
    if (!device.address().isNull())
        return device.address().toString();
    return device.deviceUuid().toString();
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
