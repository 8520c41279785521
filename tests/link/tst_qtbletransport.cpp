// The Qt Bluetooth transport without an adapter: its scan agent driven through Qt's own public
// signals, and what it does when asked to write with no service behind it.

#include "link/qtbletransport.h"
#include "link/tarskble.h"

#include <QSignalSpy>
#include <QTest>

class TestQtBleTransport : public QObject
{
    Q_OBJECT
private slots:
    void scanEventsReachTheLink_data();
    void scanEventsReachTheLink();
    void writesWithoutAServiceFailLoudly();
};

void TestQtBleTransport::scanEventsReachTheLink_data()
{
    QTest::addColumn<int>("agentError");
    QTest::addColumn<int>("status");
    // The name arrives only with the scan response, as an update of a device already seen.
    QTest::newRow("name in an update") << -1 << int(CreateControllerStatus::Created);
    QTest::newRow("Bluetooth switched off") << int(QBluetoothDeviceDiscoveryAgent::PoweredOffError)
                                            << int(CreateControllerStatus::ScanError);
    QTest::newRow("no adapter") << int(QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError)
                                << int(CreateControllerStatus::ScanError);
}

void TestQtBleTransport::scanEventsReachTheLink()
{
    QFETCH(int, agentError);
    QFETCH(int, status);
    auto* transport = new QtBleTransport;
    TarskBle link(nullptr, {}, transport);
    auto* agent = transport->findChild<QBluetoothDeviceDiscoveryAgent*>();
    QVERIFY(agent);
    QSignalSpy created(&link, &TarskBle::onCreateController);
    if (agentError >= 0) {
        emit agent->errorOccurred(QBluetoothDeviceDiscoveryAgent::Error(agentError));
        QCOMPARE(link.scanError(), agentError);
    } else {
        QBluetoothDeviceInfo nameless(QBluetoothAddress("00:1E:C0:7A:11:2E"), QString(), 0);
        nameless.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
        emit agent->deviceDiscovered(nameless);
        QVERIFY(!link.foundDevice().isValid());
        QBluetoothDeviceInfo named(QBluetoothAddress("00:1E:C0:7A:11:2E"), "Veltra", 0);
        named.setCoreConfigurations(QBluetoothDeviceInfo::LowEnergyCoreConfiguration);
        emit agent->deviceUpdated(named, QBluetoothDeviceInfo::Field::All);
        QCOMPARE(link.foundDevice().name(), QString("Veltra"));
        // The agent ends the scan; the match is taken.
        emit agent->finished();
    }
    QTRY_VERIFY(!created.isEmpty());
    // Without an adapter the controller may or may not be made; the scan outcome is what counts.
    const int got = created.first().first().toInt();
    QVERIFY2(got == status
            || (status == int(CreateControllerStatus::Created)
                && got == int(CreateControllerStatus::CreateFailed)),
        qPrintable(QString::number(got)));
}

void TestQtBleTransport::writesWithoutAServiceFailLoudly()
{
    QtBleTransport transport;
    QSignalSpy errors(&transport, &BleTransport::serviceError);
    // A 137-byte Program frame, as the firmware installation writes them.
    transport.writeCharacteristic(TarskBle::characteristicUuid, QByteArray(137, '\x0e'));
    transport.writeDescriptor(
        TarskBle::characteristicUuid, TarskBle::descriptorUuid, QByteArray::fromHex("0100"));
    QTRY_COMPARE(errors.count(), 2);
    QCOMPARE(errors.at(0).at(0).value<QLowEnergyService::ServiceError>(),
        QLowEnergyService::CharacteristicWriteError);
    QCOMPARE(errors.at(1).at(0).value<QLowEnergyService::ServiceError>(),
        QLowEnergyService::DescriptorWriteError);
}

QTEST_GUILESS_MAIN(TestQtBleTransport)
#include "tst_qtbletransport.moc"
