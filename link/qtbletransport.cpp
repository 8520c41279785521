#include "link/qtbletransport.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QLowEnergyCharacteristic>
#include <QLowEnergyDescriptor>
#include <QTimer>

QtBleTransport::QtBleTransport(QObject* parent)
    : BleTransport(parent)
    , m_agent(new QBluetoothDeviceDiscoveryAgent(this))
{
    // One connection each, made once: every agent signal reaches the link exactly once however
    // many scans run.
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
        &BleTransport::deviceDiscovered);
    // A device first seen without its name (the name comes in the scan response) is offered
    // again when the update brings it.
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
        [this](const QBluetoothDeviceInfo& device, QBluetoothDeviceInfo::Fields) {
            emit deviceDiscovered(device);
        });
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::finished, this, &BleTransport::scanFinished);
    connect(m_agent, &QBluetoothDeviceDiscoveryAgent::canceled, this, &BleTransport::scanCanceled);
    connect(
        m_agent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this, &BleTransport::scanError);
}

QtBleTransport::~QtBleTransport()
{
    // Children go with us; silence them first so nothing reaches a half-destroyed link.
    if (m_service)
        m_service->disconnect(this);
    if (m_controller)
        m_controller->disconnect(this);
    m_agent->disconnect(this);
}

void QtBleTransport::startScan(int timeoutMs)
{
    m_agent->setLowEnergyDiscoveryTimeout(timeoutMs);
    m_agent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
}

void QtBleTransport::stopScan()
{
    m_agent->stop();
}

bool QtBleTransport::isScanning() const
{
    return m_agent->isActive();
}

bool QtBleTransport::createController(const QBluetoothDeviceInfo& device)
{
    releaseController();
    m_controller = QLowEnergyController::createCentral(device, this);
    if (!m_controller)
        return false;
    connect(m_controller, &QLowEnergyController::serviceDiscovered, this,
        &BleTransport::serviceDiscovered);
    connect(m_controller, &QLowEnergyController::discoveryFinished, this,
        &BleTransport::discoveryFinished);
    connect(
        m_controller, &QLowEnergyController::errorOccurred, this, &BleTransport::controllerError);
    connect(
        m_controller, &QLowEnergyController::connected, this, &BleTransport::controllerConnected);
    connect(m_controller, &QLowEnergyController::disconnected, this,
        &BleTransport::controllerDisconnected);
    return true;
}

void QtBleTransport::releaseController()
{
    releaseService();
    if (!m_controller)
        return;
    QLowEnergyController* controller = m_controller;
    m_controller = nullptr;
    controller->disconnect(this);
    controller->disconnectFromDevice();
    // We may be inside one of its signals.
    controller->deleteLater();
}

void QtBleTransport::connectToDevice()
{
    if (m_controller)
        m_controller->connectToDevice();
}

void QtBleTransport::disconnectFromDevice()
{
    if (m_controller)
        m_controller->disconnectFromDevice();
}

void QtBleTransport::discoverServices()
{
    if (m_controller)
        m_controller->discoverServices();
}

bool QtBleTransport::createService(const QBluetoothUuid& serviceUuid)
{
    releaseService();
    if (!m_controller)
        return false;
    m_service = m_controller->createServiceObject(serviceUuid, this);
    if (!m_service)
        return false;
    connect(m_service, &QLowEnergyService::stateChanged, this, &BleTransport::serviceStateChanged);
    connect(m_service, &QLowEnergyService::characteristicChanged, this,
        [this](const QLowEnergyCharacteristic& c, const QByteArray& value) {
            emit characteristicChanged(c.uuid(), value);
        });
    connect(m_service, &QLowEnergyService::characteristicRead, this,
        [this](const QLowEnergyCharacteristic& c, const QByteArray& value) {
            emit characteristicRead(c.uuid(), value);
        });
    connect(m_service, &QLowEnergyService::characteristicWritten, this,
        [this](const QLowEnergyCharacteristic& c, const QByteArray& value) {
            emit characteristicWritten(c.uuid(), value);
        });
    connect(m_service, &QLowEnergyService::descriptorRead, this,
        [this](const QLowEnergyDescriptor& d, const QByteArray& value) {
            emit descriptorRead(d.uuid(), value);
        });
    connect(m_service, &QLowEnergyService::descriptorWritten, this,
        [this](const QLowEnergyDescriptor& d, const QByteArray& value) {
            emit descriptorWritten(d.uuid(), value);
        });
    connect(m_service, &QLowEnergyService::errorOccurred, this, &BleTransport::serviceError);
    return true;
}

void QtBleTransport::releaseService()
{
    if (!m_service)
        return;
    QLowEnergyService* service = m_service;
    m_service = nullptr;
    service->disconnect(this);
    // Deleted from inside the controller's disconnected signal: later, not now.
    service->deleteLater();
}

void QtBleTransport::discoverServiceDetails()
{
    if (m_service)
        m_service->discoverDetails(QLowEnergyService::FullDiscovery);
}

BleTransport::CharacteristicInfo QtBleTransport::characteristicInfo(
    const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor) const
{
    CharacteristicInfo info;
    if (!m_service)
        return info;
    const QLowEnergyCharacteristic c = m_service->characteristic(characteristic);
    info.valid = c.isValid();
    if (!info.valid)
        return info;
    info.properties = static_cast<int>(c.properties());
    const QLowEnergyDescriptor d = c.descriptor(descriptor);
    info.descriptorValid = d.isValid();
    if (info.descriptorValid)
        info.descriptorType = static_cast<int>(d.type());
    return info;
}

void QtBleTransport::writeDescriptor(
    const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor, const QByteArray& value)
{
    const QLowEnergyDescriptor d = m_service
        ? m_service->characteristic(characteristic).descriptor(descriptor)
        : QLowEnergyDescriptor();
    if (!d.isValid()) {
        QTimer::singleShot(
            0, this, [this] { emit serviceError(QLowEnergyService::DescriptorWriteError); });
        return;
    }
    m_service->writeDescriptor(d, value);
}

void QtBleTransport::writeCharacteristic(
    const QBluetoothUuid& characteristic, const QByteArray& value)
{
    // One write with response per frame, however long: the stack turns a value longer than
    // the connection's packet into a long (prepared) write, so the computer still receives
    // one whole frame. Splitting it here would hand the computer frame pieces.
    const QLowEnergyCharacteristic c
        = m_service ? m_service->characteristic(characteristic) : QLowEnergyCharacteristic();
    if (!c.isValid()) {
        // Said, never silent: the link would otherwise wait for a reply to a frame never sent.
        QTimer::singleShot(
            0, this, [this] { emit serviceError(QLowEnergyService::CharacteristicWriteError); });
        return;
    }
    m_service->writeCharacteristic(c, value, QLowEnergyService::WriteWithResponse);
}
