#pragma once

#include "link/bletransport.h"

#include <QPointer>

class QBluetoothDeviceDiscoveryAgent;

// The transport over the platform's Bluetooth LE stack through Qt Bluetooth. The controller and
// the service are children of this object; at most one of each exists.
class QtBleTransport : public BleTransport
{
    Q_OBJECT
public:
    explicit QtBleTransport(QObject* parent = nullptr);
    ~QtBleTransport() override;

    void startScan(int timeoutMs) override;
    void stopScan() override;
    bool isScanning() const override;

    bool createController(const QBluetoothDeviceInfo& device) override;
    bool hasController() const override { return m_controller != nullptr; }
    void releaseController() override;
    void connectToDevice() override;
    void disconnectFromDevice() override;
    void discoverServices() override;

    bool createService(const QBluetoothUuid& service) override;
    bool hasService() const override { return m_service != nullptr; }
    void releaseService() override;
    void discoverServiceDetails() override;
    CharacteristicInfo characteristicInfo(
        const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor) const override;
    void writeDescriptor(const QBluetoothUuid& characteristic, const QBluetoothUuid& descriptor,
        const QByteArray& value) override;
    void writeCharacteristic(
        const QBluetoothUuid& characteristic, const QByteArray& value) override;

    QLowEnergyController* controller() const { return m_controller; }
    QLowEnergyService* service() const { return m_service; }

private:
    QBluetoothDeviceDiscoveryAgent* m_agent = nullptr;
    QPointer<QLowEnergyController> m_controller;
    QPointer<QLowEnergyService> m_service;
};
