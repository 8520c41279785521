#include "link/qtbletransport.h"
#include "virtuallink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Cmd = VeltraCommand::VeltraCommandIn;
using Err = ExchangeError::ExchangeErrorIn;
using CreateStatus = CreateControllerStatus::CreateControllerStatusIn;
using ConnectStatus = ConnectControllerStatus::ConnectControllerStatusIn;

namespace {

// A dive store with `count` headers of `size` bytes and one long sample stream.
class BulkStore : public VirtualDiveStore
{
public:
    BulkStore(int count, int size, int sampleBytes)
        : m_count(count)
        , m_size(size)
        , m_sampleBytes(sampleBytes)
    { }
    QList<QByteArray> headerPayloads() const override
    {
        QList<QByteArray> out;
        for (int i = 0; i < m_count; ++i) {
            QByteArray h(m_size, char(i & 0x7F));
            h[0] = char(i & 0xFF);
            h[1] = char(i >> 8);
            out << h;
        }
        return out;
    }
    QByteArray sampleStream(quint16 number, bool) const override
    {
        QByteArray s;
        for (int i = 0; i < m_sampleBytes; ++i)
            s.append(char((i * 7 + number) & 0xFF));
        return s;
    }

private:
    int m_count, m_size, m_sampleBytes;
};

// The link over the virtual computer; the rig's own timings are set again where they matter.
using Rig = VirtualLink;

template <typename T> T arg(const QSignalSpy& spy, int row, int column = 0)
{
    return spy.at(row).at(column).value<T>();
}

bool waitCount(QSignalSpy& spy, int count)
{
    for (int i = 0; i < 100 && spy.count() < count; ++i)
        spy.wait(50);
    return spy.count() >= count;
}

// Scan, create, connect and switch notifications on.
bool connectLink(Rig& rig)
{
    QSignalSpy created(rig.link, &TarskBle::onCreateController);
    QSignalSpy connected(rig.link, &TarskBle::onConnectController);
    rig.link->createController();
    if (!waitCount(created, 1) || arg<CreateStatus>(created, 0) != CreateControllerStatus::Created)
        return false;
    rig.link->controllerConnect();
    return waitCount(connected, 1)
        && arg<ConnectStatus>(connected, 0) == ConnectControllerStatus::Connected;
}

// Sends a command and waits for its end or an error; returns the code announced (or -1).
int exchange(Rig& rig, Cmd command)
{
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    rig.link->startCommand(command);
    for (int i = 0; i < 200 && end.isEmpty() && error.isEmpty(); ++i)
        end.wait(25);
    return end.isEmpty() ? -1 : int(arg<Cmd>(end, 0));
}

} // namespace

class TestTarskBle : public QObject
{
    Q_OBJECT
private slots:
    void connectionChainFillsInfo_data();
    void connectionChainFillsInfo();
    void exactBytesOnTheWire();
    void scanNameMatching_data();
    void scanNameMatching();
    void scanStatusToggleAndTimeout();
    void reconnectSkipsScan();
    void damagedAndStrayFrames();
    void batchDecodesAfterQuietTime();
    void longStreamsStayBounded();
    void simulatedPressureBusyFlag();
    void lostReplyTimesOut();
    void failedSetUpStartsClean_data();
    void failedSetUpStartsClean();
    void setUpIsBounded_data();
    void setUpIsBounded();
    void untrustedRepliesNeverLand_data();
    void untrustedRepliesNeverLand();
    void disconnectClearsExchange();
    void identityResetForOtherComputer();
    void resetDisconnects();
    void ownerNameRoundTrip();
    void commandWithoutComputer();
    void linkLossFailsPendingCommand();
    void valueReplies_data();
    void valueReplies();
};

void TestTarskBle::connectionChainFillsInfo_data()
{
    QTest::addColumn<int>("notificationSize");
    QTest::addColumn<bool>("emptyNotifications");
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("modeByte");
    QTest::newRow("20-byte notifications, layout B") << 20 << false << 2 << 21;
    QTest::newRow("5-byte notifications") << 5 << false << 2 << 21;
    QTest::newRow("merged frames, layout A") << 0 << false << 0 << 21;
    QTest::newRow("empty notifications between pieces") << 20 << true << 2 << 21;
    QTest::newRow("firmware mode") << 20 << false << 2 << 22;
}

void TestTarskBle::connectionChainFillsInfo()
{
    QFETCH(int, notificationSize);
    QFETCH(bool, emptyNotifications);
    QFETCH(int, layout);
    QFETCH(int, modeByte);
    Rig rig;
    rig.computer->setNotificationSize(notificationSize);
    rig.computer->setEmptyNotifications(emptyNotifications);
    rig.computer->setSettingsLayout(layout == 2 ? VirtualDiveComputer::SettingsLayout::B
                                                : VirtualDiveComputer::SettingsLayout::A,
        layout == 2 ? 5 : 13);
    rig.computer->setModeByte(quint8(modeByte));
    rig.computer->setComputerName("Reef Explorer");
    rig.computer->setWaterType(2);
    rig.computer->setSurfacePressure(987);
    rig.computer->setAmbientPressure(1004);
    rig.link->setBatchInterval(20);
    QVERIFY(connectLink(rig));
    QVERIFY(rig.link->isReady());
    QVERIFY(rig.logLines.contains(QStringLiteral("Descriptor Written")));
    QVERIFY(rig.computer->notificationsOn());

    // The chain the connection dialog runs: each command sent from the end of the previous one.
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    QObject context;
    connect(rig.link, &TarskBle::onEndCommand, &context, [&rig](Cmd c) {
        if (c == VeltraCommand::GetInfo)
            rig.link->startCommand(VeltraCommand::GetSerialNumber);
        else if (c == VeltraCommand::GetSerialNumber)
            rig.link->startCommand(VeltraCommand::GetAmbientPressure);
        else if (c == VeltraCommand::GetAmbientPressure)
            rig.link->startCommand(VeltraCommand::GetSettings);
    });
    rig.link->startCommand(VeltraCommand::GetInfo);
    QVERIFY(waitCount(end, 4));
    QCOMPARE(error.count(), 0);
    QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetInfo);
    QCOMPARE(arg<Cmd>(end, 1), VeltraCommand::GetSerialNumber);
    QCOMPARE(arg<Cmd>(end, 2), VeltraCommand::GetAmbientPressure);
    QCOMPARE(arg<Cmd>(end, 3), VeltraCommand::GetSettings);

    const ComputerInfo& info = rig.link->computerInfo();
    QCOMPARE(info.versionText, QStringLiteral("1.2.3.b"));
    QCOMPARE(info.variant, quint32(2));
    QCOMPARE(info.mode, quint32(modeByte == 22 ? 2 : 1));
    QCOMPARE(info.serialNumber, QStringLiteral("00A1B2C3-17250004-0000BEEF"));
    QCOMPARE(info.ambientPressure, quint32(1004));
    QCOMPARE(info.settings.computerNameText(), QStringLiteral("Reef Explorer"));
    QCOMPARE(int(info.settings.waterType), 2);
    QCOMPARE(int(info.settings.surfacePressureMbar), 987);
    QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
    QCOMPARE(int(rig.link->bufferedBytes()), 0);
}

void TestTarskBle::exactBytesOnTheWire()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    rig.link->startCommand(VeltraCommand::GetInfo);
    rig.link->startGetDiveSamples(0x0102, true);
    rig.link->startGetDiveSamples(300, false);
    QCOMPARE(rig.computer->writes().size(), 3);
    QCOMPARE(rig.computer->writes()[0].toHex(), QByteArray("dcdc0100bddc000001"));
    // Samples with tissues of dive 0x0102: length 3, body 15 02 01; CRC 0xCFDC worked out with a
    // plain CRC-16/AUG-CCITT outside this code.
    QCOMPARE(rig.computer->writes()[1].toHex(), QByteArray("dcdc0300dccf0000150201"));
    // Dive 300 travels as 2c 01.
    QCOMPARE(rig.computer->writes()[2].mid(8).toHex(), QByteArray("142c01"));
}

void TestTarskBle::scanNameMatching_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("lowEnergy");
    QTest::addColumn<bool>("taken");
    QTest::newRow("Veltra") << "Veltra" << true << true;
    QTest::newRow("Tarsk") << "Tarsk" << true << true;
    QTest::newRow("QRD- prefix") << "QRD-0042" << true << true;
    QTest::newRow("QRD- alone") << "QRD-" << true << true;
    QTest::newRow("lower case veltra") << "veltra" << true << false;
    QTest::newRow("upper case TARSK") << "TARSK" << true << false;
    QTest::newRow("prefix without dash") << "QRD0042" << true << false;
    QTest::newRow("lower case prefix") << "qrd-0042" << true << false;
    QTest::newRow("longer name") << "Veltra2" << true << false;
    QTest::newRow("classic Bluetooth only") << "Veltra" << false << false;
}

void TestTarskBle::scanNameMatching()
{
    QFETCH(QString, name);
    QFETCH(bool, lowEnergy);
    QFETCH(bool, taken);
    Rig rig;
    rig.computer->setAdvertisedName(name);
    rig.computer->setLowEnergy(lowEnergy);
    rig.computer->setScanWindow(30);
    QSignalSpy created(rig.link, &TarskBle::onCreateController);
    rig.link->createController();
    QVERIFY(waitCount(created, 1));
    QCOMPARE(created.count(), 1);
    QCOMPARE(arg<CreateStatus>(created, 0),
        taken ? CreateControllerStatus::Created : CreateControllerStatus::NotFound);
    QCOMPARE(rig.link->hasController(), taken);
    if (taken)
        QCOMPARE(rig.link->statusText(), name + QStringLiteral(" Found"));
}

void TestTarskBle::scanStatusToggleAndTimeout()
{
    Rig rig;
    rig.computer->setAdvertising(false);
    rig.computer->setScanWindow(100000);
    QStringList statuses;
    connect(
        rig.link, &TarskBle::updateChanged, rig.link, [&] { statuses << rig.link->statusText(); });
    QSignalSpy created(rig.link, &TarskBle::onCreateController);
    rig.link->createController();
    QCOMPARE(statuses.value(0), QStringLiteral("Scan Devices"));
    // Every LE device seen replaces the status, matching or not.
    QTRY_VERIFY(statuses.contains(QStringLiteral("Fitness Band")));
    QVERIFY(rig.link->isScanning());
    // Asking again while scanning stops the scan: not found, empty name.
    rig.link->createController();
    QVERIFY(waitCount(created, 1));
    QCOMPARE(arg<CreateStatus>(created, 0), CreateControllerStatus::NotFound);
    QCOMPARE(rig.link->statusText(), QStringLiteral(" Not Found"));

    // A scan that runs out of time.
    rig.computer->setScanWindow(20);
    rig.link->createController();
    QVERIFY(waitCount(created, 2));
    QCOMPARE(arg<CreateStatus>(created, 1), CreateControllerStatus::NotFound);
    QCOMPARE(rig.link->statusText(), QStringLiteral("End Of Scan,  Not Found"));
    QCOMPARE(created.count(), 2);
}

void TestTarskBle::reconnectSkipsScan()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    rig.link->controllerDisConnect();
    QVERIFY(!rig.link->isConnected());
    QVERIFY(waitCount(disconnected, 1));
    QCOMPARE(rig.link->statusText(), QStringLiteral("Controller Disconnected"));

    QSignalSpy created(rig.link, &TarskBle::onCreateController);
    rig.link->createController();
    // At once, without a scan.
    QCOMPARE(created.count(), 1);
    QCOMPARE(arg<CreateStatus>(created, 0), CreateControllerStatus::Created);
    QVERIFY(!rig.link->isScanning());
    QSignalSpy connected(rig.link, &TarskBle::onConnectController);
    rig.link->controllerConnect();
    QVERIFY(waitCount(connected, 1));
    QCOMPARE(arg<ConnectStatus>(connected, 0), ConnectControllerStatus::Connected);
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
}

void TestTarskBle::damagedAndStrayFrames()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);

    rig.computer->corruptNextReply();
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), -1);
    QCOMPARE(error.count(), 1);
    QCOMPARE(arg<Cmd>(error, 0, 0), VeltraCommand::GetInfo);
    QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::InvalidCrc);
    QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
    // Nothing is asked again by the link; the caller asks again.
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));

    // Garbage and a frame start with a huge length while idle: the next reply still arrives.
    rig.computer->injectNotification(QByteArray("noise"));
    rig.computer->injectNotification(QByteArray::fromHex("dcdcffff"));
    QTest::qWait(30);
    QCOMPARE(exchange(rig, VeltraCommand::GetSerialNumber), int(VeltraCommand::GetSerialNumber));
    QCOMPARE(rig.link->computerInfo().serialNumber, QStringLiteral("00A1B2C3-17250004-0000BEEF"));

    // A stray complete frame with an unknown code is dropped without a signal.
    error.clear();
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    rig.computer->injectNotification(
        VirtualDiveComputer::frame(99, "x") + VirtualDiveComputer::frame(0));
    QTest::qWait(30);
    QCOMPARE(end.count(), 0);
    QCOMPARE(error.count(), 0);
}

void TestTarskBle::batchDecodesAfterQuietTime()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    const int interval = 250;
    rig.link->setBatchInterval(interval);

    // GetSettings decodes in batch mode; its reply arrives in five notifications.
    rig.computer->setAnswering(false);
    rig.link->startCommand(VeltraCommand::GetSettings);
    QVERIFY(rig.link->batchMode());
    const QByteArray reply
        = VirtualDiveComputer::frame(24, rig.computer->settingsBody(true).mid(1));
    const qsizetype piece = (reply.size() + 4) / 5;

    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QList<int> endsSeen;
    QList<qsizetype> buffered;
    QElapsedTimer sinceLast;
    QObject context;
    connect(rig.computer, &BleTransport::characteristicChanged, &context, [&] {
        endsSeen << end.count();
        buffered << rig.link->bufferedBytes();
        sinceLast.start();
    });
    // Five notifications, each delivered on its own pass of the event loop.
    for (int i = 0; i < 5; ++i)
        rig.computer->injectNotification(reply.mid(i * piece, piece));
    QVERIFY(waitCount(end, 1));
    const qint64 quiet = sinceLast.elapsed();
    // Nothing decoded while notifications kept coming, one decode after the fifth.
    QCOMPARE(endsSeen, QList<int>({ 0, 0, 0, 0, 0 }));
    QCOMPARE(buffered.last(), reply.size());
    QCOMPARE(end.count(), 1);
    QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetSettings);
    // Coarse timers may fire up to 5 % early.
    QVERIFY2(quiet >= interval * 9 / 10, qPrintable(QString::number(quiet)));

    // Outside batch mode each notification is decoded at once.
    endsSeen.clear();
    end.clear();
    rig.computer->setAnswering(true);
    rig.link->startCommand(VeltraCommand::GetInfo);
    QVERIFY(!rig.link->batchMode());
    QVERIFY(waitCount(end, 1));
    QCOMPARE(endsSeen.last(), 1);
}

void TestTarskBle::longStreamsStayBounded()
{
    // 400 dives in 20-byte notifications are far more than 4096 notifications.
    Rig rig;
    const int dives = 400;
    rig.computer->setDiveStore(std::make_shared<BulkStore>(dives, 230, 150000));
    QVERIFY(connectLink(rig));
    rig.link->setBatchInterval(200);
    qsizetype maxBuffered = 0;
    int notifications = 0;
    QObject context;
    connect(rig.computer, &BleTransport::characteristicChanged, &context, [&] {
        maxBuffered = qMax(maxBuffered, rig.link->bufferedBytes());
        ++notifications;
    });
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    rig.link->startCommand(VeltraCommand::GetDiveList);
    QVERIFY(waitCount(end, 1));
    QCOMPARE(error.count(), 0);
    QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetDiveList);
    QVERIFY(notifications > 4096);
    const QList<QByteArray>& headers = rig.link->computerInfo().diveHeaderReplies;
    QCOMPARE(headers.size(), dives);
    for (int i = 0; i < dives; ++i) {
        QCOMPARE(headers[i].size(), 231);
        QCOMPARE(int(quint8(headers[i][1])) | (int(quint8(headers[i][2])) << 8), i);
    }
    QVERIFY(maxBuffered <= TarskBle::kBatchDecodeBytes + 20);

    end.clear();
    rig.link->startGetDiveSamples(7, false);
    QVERIFY(waitCount(end, 1));
    QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetDiveSamples);
    QCOMPARE(
        rig.link->computerInfo().rawSampleBytes, BulkStore(0, 0, 150000).sampleStream(7, false));
    QCOMPARE(error.count(), 0);
}

void TestTarskBle::simulatedPressureBusyFlag()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    const int writesBefore = rig.computer->writes().size();
    QVERIFY(rig.link->setSimulatedPressure(2500));
    QVERIFY(rig.link->pressureBusy());
    QVERIFY(!rig.link->setSimulatedPressure(2600));
    QCOMPARE(rig.computer->writes().size(), writesBefore + 1);
    QCOMPARE(rig.computer->writes().last().mid(8).toHex(), QByteArray("0ac4090000"));
    QVERIFY(waitCount(end, 1));
    // The reply to 10 is announced as 9.
    QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetAmbientPressure);
    QVERIFY(!rig.link->pressureBusy());
    QCOMPARE(rig.link->computerInfo().ambientPressure, quint32(2500));
    QVERIFY(rig.link->setSimulatedPressure(2600));
}

void TestTarskBle::lostReplyTimesOut()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    rig.link->setReplyTimeout(80);
    rig.computer->setAnswering(false);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    QVERIFY(rig.link->setSimulatedPressure(3000));
    QVERIFY(waitCount(error, 1));
    QCOMPARE(arg<Cmd>(error, 0, 0), VeltraCommand::SetSimulatedPressure);
    QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::Timeout);
    QVERIFY(!rig.link->pressureBusy());
    QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
    // Nothing is sent again by the link.
    const int writes = rig.computer->writes().size();
    QTest::qWait(200);
    QCOMPARE(rig.computer->writes().size(), writes);
    QCOMPARE(error.count(), 1);

    // A stream stays alive while notifications keep coming faster than the time-out.
    rig.computer->setAnswering(true);
    rig.computer->setDiveStore(std::make_shared<BulkStore>(0, 0, 2000));
    rig.computer->setNotificationInterval(10);
    rig.link->setReplyTimeout(250);
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    rig.link->startGetDiveSamples(1, true);
    QVERIFY(waitCount(end, 1));
    QCOMPARE(error.count(), 1);
    QCOMPARE(rig.link->computerInfo().rawSampleBytes.size(), 2000);
}

void TestTarskBle::failedSetUpStartsClean_data()
{
    QTest::addColumn<int>("fault");
    QTest::newRow("no serial-data service") << 0;
    QTest::newRow("no data characteristic") << 1;
    QTest::newRow("no configuration descriptor") << 2;
    QTest::newRow("descriptor write refused") << 3;
}

void TestTarskBle::failedSetUpStartsClean()
{
    QFETCH(int, fault);
    Rig rig;
    rig.computer->setServicePresent(fault != 0);
    rig.computer->setCharacteristicPresent(fault != 1);
    rig.computer->setDescriptorPresent(fault != 2);
    rig.computer->setDescriptorWriteFails(fault == 3);
    QSignalSpy serviceError(rig.link, &TarskBle::onServiceError);
    QVERIFY(!connectLink(rig));
    QVERIFY(!rig.link->isConnected());
    QVERIFY(!rig.link->isReady());
    QVERIFY(!rig.link->hasController());
    QVERIFY(!rig.computer->isConnected());
    // A refused notification switch is tried once more before the set-up gives up.
    QCOMPARE(serviceError.count(), fault == 3 ? 2 : 0);
    if (fault == 3)
        QCOMPARE(arg<QLowEnergyService::ServiceError>(serviceError, 0),
            QLowEnergyService::DescriptorWriteError);

    // Nothing goes to a half-open link.
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    const int writes = rig.computer->writes().size();
    rig.link->startCommand(VeltraCommand::GetInfo);
    QCOMPARE(rig.computer->writes().size(), writes);
    QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::NotReady);

    // The next attempt scans again and, with the fault gone, connects.
    rig.computer->setServicePresent(true);
    rig.computer->setCharacteristicPresent(true);
    rig.computer->setDescriptorPresent(true);
    rig.computer->setDescriptorWriteFails(false);
    QVERIFY(connectLink(rig));
    QVERIFY(rig.logLines.count(QStringLiteral("Descriptor Written")) == 1);
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
}

void TestTarskBle::setUpIsBounded_data()
{
    QTest::addColumn<int>("silent");
    QTest::addColumn<int>("refusals");
    QTest::addColumn<QString>("step"); // empty: the set-up succeeds
    using S = VirtualDiveComputer::SilentStep;
    QTest::newRow("connect never answers") << int(S::Connect) << 0 << "connecting";
    QTest::newRow("service discovery hangs") << int(S::Services) << 0 << "discovering services";
    QTest::newRow("service details hang") << int(S::Details) << 0 << "reading the service";
    QTest::newRow("notification switch hangs")
        << int(S::Descriptor) << 0 << "switching notifications on";
    QTest::newRow("switch refused once, then accepted") << int(S::None) << 1 << "";
}

void TestTarskBle::setUpIsBounded()
{
    QFETCH(int, silent);
    QFETCH(int, refusals);
    QFETCH(QString, step);
    Rig rig;
    rig.link->setSetUpTimeout(150);
    rig.computer->setSilentStep(VirtualDiveComputer::SilentStep(silent));
    rig.computer->setDescriptorWriteFailures(refusals);
    QSignalSpy connected(rig.link, &TarskBle::onConnectController);
    const bool ready = connectLink(rig);
    QCOMPARE(ready, step.isEmpty());
    if (ready)
        return;
    QCOMPARE(arg<ConnectStatus>(connected, 0), ConnectControllerStatus::SetUpTimeout);
    QCOMPARE(rig.link->setUpStepText(), step);
    // Nothing stays half-open, and the next attempt starts from a scan.
    QVERIFY(!rig.link->hasController());
    QVERIFY(!rig.link->isConnected());
    rig.computer->setSilentStep(VirtualDiveComputer::SilentStep::None);
    QVERIFY(connectLink(rig));
}

void TestTarskBle::untrustedRepliesNeverLand_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<int>("command");
    QTest::addColumn<int>("error");
    // The computer holds its reply past the link's time-out: it arrives when nobody waits.
    QTest::newRow("late reply after a time-out")
        << 0 << int(VeltraCommand::GetSerialNumber) << int(ExchangeError::Timeout);
    // One bit of a frame marker in the middle of a stream flipped: that frame is lost.
    QTest::newRow("damaged marker in a stream")
        << 1 << int(VeltraCommand::GetDiveList) << int(ExchangeError::InvalidFrame);
    QTest::newRow("damaged marker of a single reply")
        << 2 << int(VeltraCommand::GetSerialNumber) << int(ExchangeError::InvalidFrame);
}

void TestTarskBle::untrustedRepliesNeverLand()
{
    QFETCH(int, fault);
    QFETCH(int, command);
    QFETCH(int, error);
    Rig rig;
    rig.computer->setDiveStore(std::make_shared<BulkStore>(6, 40, 0));
    QVERIFY(connectLink(rig));
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
    rig.link->setBatchInterval(20);
    rig.link->setReplyTimeout(150);
    if (fault == 0)
        rig.computer->setReplyDelay(400);
    else
        rig.computer->corruptNextMarker(fault == 1 ? 3 : 0);
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QSignalSpy errors(rig.link, &TarskBle::onExchangeError);
    rig.link->startCommand(Cmd(command));
    QVERIFY(waitCount(errors, 1));
    QCOMPARE(int(arg<Cmd>(errors, 0, 0)), command);
    QCOMPARE(int(arg<Err>(errors, 0, 1)), error);
    QTest::qWait(600);
    // Whatever came afterwards ended nothing and filled nothing.
    QCOMPARE(end.count(), 0);
    QCOMPARE(errors.count(), 1);
    QCOMPARE(rig.link->computerInfo().serialNumber, QString());
    QVERIFY(rig.link->computerInfo().diveHeaderReplies.size() < 6);

    // The next exchange gets its own reply.
    rig.computer->setReplyDelay(0);
    QCOMPARE(exchange(rig, VeltraCommand::GetSerialNumber), int(VeltraCommand::GetSerialNumber));
    QCOMPARE(rig.link->computerInfo().serialNumber, QStringLiteral("00A1B2C3-17250004-0000BEEF"));
}

void TestTarskBle::disconnectClearsExchange()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    rig.computer->setAnswering(false);
    rig.link->startCommand(VeltraCommand::GetSettings);
    QVERIFY(rig.link->setSimulatedPressure(1500));
    // The start of a frame that never completes.
    rig.computer->injectNotification(VirtualDiveComputer::frame(24, QByteArray(60, 'q')).left(30));
    QTRY_COMPARE(int(rig.link->bufferedBytes()), 30);

    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    rig.link->controllerDisConnect();
    QVERIFY(waitCount(disconnected, 1));
    QCOMPARE(int(rig.link->bufferedBytes()), 0);
    QVERIFY(!rig.link->pressureBusy());
    QVERIFY(!rig.link->batchMode());

    rig.computer->setAnswering(true);
    QVERIFY(connectLink(rig));
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
    QCOMPARE(error.count(), 0);
    QVERIFY(rig.link->setSimulatedPressure(1500));
}

void TestTarskBle::identityResetForOtherComputer()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
    QCOMPARE(exchange(rig, VeltraCommand::GetSerialNumber), int(VeltraCommand::GetSerialNumber));
    QCOMPARE(rig.link->computerInfo().variant, quint32(2));

    // Kept after a disconnect and across a reconnect to the same computer.
    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    rig.link->controllerDisConnect();
    QVERIFY(waitCount(disconnected, 1));
    QCOMPARE(rig.link->computerInfo().variant, quint32(2));
    QVERIFY(connectLink(rig));
    QCOMPARE(rig.link->computerInfo().variant, quint32(2));
    QCOMPARE(rig.link->computerInfo().serialNumber, QStringLiteral("00A1B2C3-17250004-0000BEEF"));
    rig.link->controllerDisConnect();
    QVERIFY(waitCount(disconnected, 2));

    // The remembered computer is gone: the failed reconnect forgets it.
    rig.computer->setReachable(false);
    QSignalSpy controllerError(rig.link, &TarskBle::onErrorController);
    rig.link->controllerConnect();
    QVERIFY(waitCount(controllerError, 1));
    QCOMPARE(arg<QLowEnergyController::Error>(controllerError, 0),
        QLowEnergyController::ConnectionError);
    QVERIFY(!rig.link->hasController());

    // Another computer whose mode byte is 10 or below must not inherit variant 2.
    rig.computer->setReachable(true);
    rig.computer->setAddress(QBluetoothAddress(QStringLiteral("00:1E:C0:7A:11:99")));
    rig.computer->setModeByte(5);
    QVERIFY(connectLink(rig));
    QVERIFY(rig.link->computerInfo().serialNumber.isEmpty());
    QCOMPARE(exchange(rig, VeltraCommand::GetInfo), int(VeltraCommand::GetInfo));
    QCOMPARE(rig.link->computerInfo().variant, quint32(0));
    QCOMPARE(rig.link->computerInfo().mode, quint32(0));
}

void TestTarskBle::resetDisconnects()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    rig.link->startCommand(VeltraCommand::ResetComputer);
    QVERIFY(waitCount(disconnected, 1));
    QVERIFY(!rig.link->isConnected());
    QCOMPARE(end.count(), 0);
    QCOMPARE(error.count(), 0);
    QVERIFY(rig.link->hasController());
}

void TestTarskBle::ownerNameRoundTrip()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    QCOMPARE(exchange(rig, VeltraCommand::GetOwner), int(VeltraCommand::GetOwner));
    QCOMPARE(rig.link->computerInfo().ownerName, QStringLiteral("Demo Diver"));

    // The computer keeps 31 bytes: 16 two-byte characters (32 bytes) are refused, not cut.
    const int writes = rig.computer->writes().size();
    QVERIFY(!rig.link->setOwnerName(QString(16, QChar(0x00E9))));
    QVERIFY(!rig.link->setOwnerName(QString()));
    QCOMPARE(rig.computer->writes().size(), writes);
    QVERIFY(rig.link->setOwnerName(QString(15, QChar(0x00E9))));
    QCOMPARE(rig.computer->writes().last().size(), 8 + 1 + 30);
    QCOMPARE(exchange(rig, VeltraCommand::GetOwner), int(VeltraCommand::GetOwner));
    QCOMPARE(rig.link->computerInfo().ownerName, QString(15, QChar(0x00E9)));
    QCOMPARE(rig.computer->ownerName(), QString(15, QChar(0x00E9)).toUtf8());
}

void TestTarskBle::commandWithoutComputer()
{
    Rig rig;
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    rig.link->startCommand(VeltraCommand::GetInfo);
    QVERIFY(!rig.link->setSimulatedPressure(1000));
    QVERIFY(rig.computer->writes().isEmpty());
    QCOMPARE(error.count(), 1);
    QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::NotReady);
    QSignalSpy connected(rig.link, &TarskBle::onConnectController);
    rig.link->controllerConnect();
    QCOMPARE(arg<ConnectStatus>(connected, 0), ConnectControllerStatus::NoController);
    QVERIFY(rig.logLines.contains(QStringLiteral("Controller not Initialized")));
    QCOMPARE(bleLink, rig.link);
}

void TestTarskBle::linkLossFailsPendingCommand()
{
    Rig rig;
    QVERIFY(connectLink(rig));
    rig.computer->setAnswering(false);
    QSignalSpy error(rig.link, &TarskBle::onExchangeError);
    QSignalSpy controllerError(rig.link, &TarskBle::onErrorController);
    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    rig.link->startCommand(VeltraCommand::GetDiveList);
    rig.computer->dropConnection();
    QVERIFY(waitCount(disconnected, 1));
    QCOMPARE(arg<QLowEnergyController::Error>(controllerError, 0),
        QLowEnergyController::RemoteHostClosedError);
    QCOMPARE(error.count(), 1);
    QCOMPARE(arg<Cmd>(error, 0, 0), VeltraCommand::GetDiveList);
    QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::NotReady);
    QVERIFY(!rig.link->isConnected());
    // A computer that was lost while connected is still the one to reconnect to.
    QVERIFY(rig.link->hasController());
}

void TestTarskBle::valueReplies_data()
{
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::addColumn<int>("announced");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    auto f = [](int code, const char* hex) {
        return VirtualDiveComputer::frame(quint8(code), QByteArray::fromHex(hex));
    };
    QTest::newRow("7: 64-bit value")
        << QList<QByteArray> { f(7, "0102030405060708") } << 7 << "value64"
        << "807060504030201";
    QTest::newRow("8: short 64-bit value") << QList<QByteArray> { f(8, "ff01") } << 8 << "value64"
                                           << "1ff";
    QTest::newRow("17: block and byte")
        << QList<QByteArray> { VirtualDiveComputer::frame(17, QByteArray(128, 'B') + "\x2a") } << 17
        << "block"
        << "BBBBBBBB/42";
    QTest::newRow("25: value pair")
        << QList<QByteArray> { f(25, "0100000002000000") } << 25 << "pair"
        << "1/2";
    QTest::newRow("26: announced as 25")
        << QList<QByteArray> { f(26, "ffffffff10000000") } << 25 << "pair"
        << "4294967295/16";
    QTest::newRow("28: three values")
        << QList<QByteArray> { f(28, "05000000e80300000700") } << 28 << "reply28"
        << "5/1000/7";
    QTest::newRow("9: pressure cut short") << QList<QByteArray> { f(9, "00e8") } << 9 << "pressure"
                                           << "232/0";
    QTest::newRow("2: text lines then end")
        << QList<QByteArray> { f(2, "6c696e65206f6e6500ffff"), f(2, "6c696e652074776f"), f(2, "") }
        << 2 << "text"
        << "line one\nline two\n";
    QTest::newRow("22: owner without terminator, bounded")
        << QList<QByteArray> { VirtualDiveComputer::frame(22, QByteArray(40, 'o')) } << 22
        << "owner" << QString(32, 'o');
}

void TestTarskBle::valueReplies()
{
    QFETCH(QList<QByteArray>, frames);
    QFETCH(int, announced);
    QFETCH(QString, field);
    QFETCH(QString, value);
    Rig rig;
    QVERIFY(connectLink(rig));
    QSignalSpy end(rig.link, &TarskBle::onEndCommand);
    QByteArray all;
    for (const QByteArray& frame : frames)
        all += frame;
    // The reply answers its own request (a reply nobody asked for is dropped).
    rig.computer->setAnswering(false);
    rig.link->startCommand(Cmd(quint8(all[8])));
    rig.computer->injectNotification(all);
    QVERIFY(waitCount(end, 1));
    QCOMPARE(end.count(), 1);
    QCOMPARE(int(arg<Cmd>(end, 0)), announced);
    const ComputerInfo& i = rig.link->computerInfo();
    QString got;
    if (field == QLatin1String("value64"))
        got = QString::number(i.value64, 16);
    else if (field == QLatin1String("block"))
        got = QString::fromLatin1(i.block128.left(8)) + '/' + QString::number(i.blockByte);
    else if (field == QLatin1String("pair"))
        got = QStringLiteral("%1/%2").arg(i.valuePair[0]).arg(i.valuePair[1]);
    else if (field == QLatin1String("reply28"))
        got = QStringLiteral("%1/%2/%3")
                  .arg(i.reply28Value32)
                  .arg(i.ambientPressure)
                  .arg(i.reply28Value16);
    else if (field == QLatin1String("pressure"))
        got = QStringLiteral("%1/%2").arg(i.ambientPressure).arg(i.secondPressureValue);
    else if (field == QLatin1String("text"))
        got = i.textLines;
    else if (field == QLatin1String("owner"))
        got = i.ownerName;
    QCOMPARE(got, value);
    if (field == QLatin1String("block"))
        QCOMPARE(i.block128.size(), 128);
}

QTEST_GUILESS_MAIN(TestTarskBle)
#include "tst_tarskble.moc"
