#pragma once

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothUuid>
#include <QByteArray>
#include <QLowEnergyController>
#include <QLowEnergyService>
#include <QObject>

// The narrow seam between the link and a Bluetooth LE stack: one device scan, one central
// controller, one service, one characteristic with its descriptor. QtBleTransport drives Qt
// Bluetooth; a stand-in computer (the demo's and the tests') answers in-process. Every
// operation returns at once; outcomes arrive as signals, never from inside the call that caused
// them.
class BleTransport : public QObject
{
    Q_OBJECT
public:
    // What the link needs to know about the data characteristic and its descriptor.
    struct CharacteristicInfo
    {
        bool valid = false;
        int properties = 0; // QLowEnergyCharacteristic::PropertyTypes bits
        bool descriptorValid = false;
        int descriptorType = 0; // the descriptor's 16-bit GATT type
    };

    using QObject::QObject;

    // Scanning for LE devices.
    virtual void startScan(int timeoutMs) = 0;
    virtual void stopScan() = 0;
    virtual bool isScanning() const = 0;

    // The central controller for the chosen device. createController() returns false when the
    // stack yields none; releaseController() disconnects and deletes it and any service.
    virtual bool createController(const QBluetoothDeviceInfo& device) = 0;
    virtual bool hasController() const = 0;
    virtual void releaseController() = 0;
    virtual void connectToDevice() = 0;
    virtual void disconnectFromDevice() = 0;
    virtual void discoverServices() = 0;

    // The service object. createService() returns false when the device has no such service;
    // releaseService() deletes it later, as it may be inside one of its own signals.
    virtual bool createService(const QBluetoothUuid& service) = 0;
    virtual bool hasService() const = 0;
    virtual void releaseService() = 0;
    virtual void discoverServiceDetails() = 0;
    virtual CharacteristicInfo characteristicInfo(
        const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor) const = 0;
    virtual void writeDescriptor(const QBluetoothUuid& characteristic,
        const QBluetoothUuid& descriptor, const QByteArray& value)
        = 0;
    // One write with response, however long the value.
    virtual void writeCharacteristic(const QBluetoothUuid& characteristic, const QByteArray& value)
        = 0;

signals:
    void deviceDiscovered(const QBluetoothDeviceInfo& device);
    void scanFinished();
    void scanCanceled();
    void scanError(QBluetoothDeviceDiscoveryAgent::Error error);

    void serviceDiscovered(const QBluetoothUuid& service);
    void discoveryFinished();
    void controllerError(QLowEnergyController::Error error);
    void controllerConnected();
    void controllerDisconnected();

    void serviceStateChanged(QLowEnergyService::ServiceState state);
    void characteristicChanged(const QBluetoothUuid& characteristic, const QByteArray& value);
    void characteristicRead(const QBluetoothUuid& characteristic, const QByteArray& value);
    void characteristicWritten(const QBluetoothUuid& characteristic, const QByteArray& value);
    void descriptorRead(const QBluetoothUuid& descriptor, const QByteArray& value);
    void descriptorWritten(const QBluetoothUuid& descriptor, const QByteArray& value);
    void serviceError(QLowEnergyService::ServiceError error);
};
