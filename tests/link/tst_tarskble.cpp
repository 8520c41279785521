// The link over the virtual dive computer: framing on the wire, scanning and set-up, untrusted
// replies, and the firmware installation.

#include "link/firmwareprogram.h"
#include "virtuallink.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using Cmd = VeltraCommand::VeltraCommandIn;
using Err = ExchangeError::ExchangeErrorIn;
using CreateStatus = CreateControllerStatus::CreateControllerStatusIn;
using ConnectStatus = ConnectControllerStatus::ConnectControllerStatusIn;

Q_DECLARE_METATYPE(FirmwareStatus)

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

using Rig = VirtualLink;
const QString kSerial = QStringLiteral("00A1B2C3-17250004-0000BEEF");

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

bool dropLink(Rig& rig)
{
    QSignalSpy disconnected(rig.link, &TarskBle::onDisconnectController);
    rig.link->controllerDisConnect();
    return waitCount(disconnected, 1) && !rig.link->isConnected();
}

// Plain CRC-16/AUG-CCITT, direct form, bit by bit: polynomial 0x1021, start 0x1D0F.
quint16 plainCrc(const QByteArray& data)
{
    quint16 crc = 0x1D0F;
    for (const char c : data) {
        crc ^= quint16(quint8(c)) << 8;
        for (int i = 0; i < 8; ++i)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ 0x1021) : quint16(crc << 1);
    }
    return crc;
}

QByteArray testImage(int size)
{
    QByteArray image;
    for (int i = 0; i < size; ++i)
        image.append(char((i * 31 + 7) & 0xFF));
    return image;
}

// The virtual computer, in its firmware mode unless told otherwise, behind the real link.
struct FirmwareRig : VirtualLink
{
    explicit FirmwareRig(quint8 modeByte = VirtualDiveComputer::kFirmwareModeByte)
    {
        computer->setModeByte(modeByte);
    }
    // Connected, with the identity that tells the link the computer's mode.
    bool connect() { return connectController() && run(VeltraCommand::GetInfo); }
};

// Runs until the installation ends one way or the other.
bool waitForOutcome(QSignalSpy& end, QSignalSpy& errors)
{
    for (int i = 0; i < 400 && end.isEmpty() && errors.isEmpty(); ++i)
        end.wait(25);
    return !end.isEmpty() || !errors.isEmpty();
}

} // namespace

class TestTarskBle : public QObject
{
    Q_OBJECT

private slots:
    void connectionChainFillsInfo_data()
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

    void connectionChainFillsInfo()
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
        QVERIFY(rig.connectAndIdentify());
        const ComputerInfo& info = rig.link->computerInfo();
        QCOMPARE(info.versionText, QStringLiteral("1.2.3.b"));
        QCOMPARE(info.variant, quint32(2));
        QCOMPARE(info.mode, quint32(modeByte == 22 ? 2 : 1));
        QCOMPARE(info.serialNumber, kSerial);
        QCOMPARE(info.ambientPressure, quint32(1004));
        QCOMPARE(info.settings.computerNameText(), QStringLiteral("Reef Explorer"));
        QCOMPARE(int(info.settings.waterType), 2);
        QCOMPARE(int(info.settings.surfacePressureMbar), 987);
    }

    void exactBytesOnTheWire()
    {
        Rig rig;
        QVERIFY(rig.connectController());
        rig.link->startCommand(VeltraCommand::GetInfo);
        rig.link->startGetDiveSamples(0x0102, true);
        QCOMPARE(rig.computer->writes().size(), 2);
        QCOMPARE(rig.computer->writes()[0].toHex(), QByteArray("dcdc0100bddc000001"));
        // Samples with tissues of dive 0x0102: length 3, body 15 02 01; CRC 0xCFDC worked out with
        // a plain CRC-16/AUG-CCITT outside this code.
        QCOMPARE(rig.computer->writes()[1].toHex(), QByteArray("dcdc0300dccf0000150201"));
    }

    void scanNameMatching_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("lowEnergy");
        QTest::addColumn<bool>("taken");
        QTest::newRow("Veltra") << "Veltra" << true << true;
        QTest::newRow("Tarsk") << "Tarsk" << true << true;
        QTest::newRow("QRD- alone") << "QRD-" << true << true;
        QTest::newRow("upper case TARSK") << "TARSK" << true << false;
        QTest::newRow("prefix without dash") << "QRD0042" << true << false;
        QTest::newRow("longer name") << "Veltra2" << true << false;
        QTest::newRow("classic Bluetooth only") << "Veltra" << false << false;
    }

    void scanNameMatching()
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
    }

    void strayBytesWhileIdle()
    {
        Rig rig;
        QVERIFY(rig.connectController() && rig.run(VeltraCommand::GetInfo));
        QSignalSpy error(rig.link, &TarskBle::onExchangeError);
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        // Complete frames with unknown codes are dropped without a signal.
        rig.computer->injectNotification(
            VirtualDiveComputer::frame(99, "x") + VirtualDiveComputer::frame(0));
        QTest::qWait(30);
        QCOMPARE(end.count() + error.count(), 0);
        // After garbage and a frame start with a huge length the next reply still arrives.
        rig.computer->injectNotification(QByteArray("noise"));
        rig.computer->injectNotification(QByteArray::fromHex("dcdcffff"));
        QTest::qWait(30);
        QVERIFY(rig.run(VeltraCommand::GetSerialNumber));
        QCOMPARE(rig.link->computerInfo().serialNumber, kSerial);
    }

    void longStreamsStayBounded()
    {
        // 400 dives in 20-byte notifications are far more than 4096 notifications.
        Rig rig;
        const int dives = 400;
        rig.computer->setDiveStore(std::make_shared<BulkStore>(dives, 230, 0));
        QVERIFY(rig.connectController());
        rig.link->setBatchInterval(200);
        qsizetype maxBuffered = 0;
        int notifications = 0;
        QObject context;
        connect(rig.computer, &BleTransport::characteristicChanged, &context, [&] {
            maxBuffered = qMax(maxBuffered, rig.link->bufferedBytes());
            ++notifications;
        });
        QSignalSpy error(rig.link, &TarskBle::onExchangeError);
        QVERIFY(rig.run(VeltraCommand::GetDiveList));
        QVERIFY(notifications > 4096);
        const QList<QByteArray>& headers = rig.link->computerInfo().diveHeaderReplies;
        QCOMPARE(headers.size(), dives);
        for (int i = 0; i < dives; ++i) {
            QCOMPARE(headers[i].size(), 231);
            QCOMPARE(int(quint8(headers[i][1])) | (int(quint8(headers[i][2])) << 8), i);
        }
        QVERIFY(maxBuffered <= TarskBle::kBatchDecodeBytes + 20);
        QCOMPARE(error.count(), 0);
    }

    void lostReplyTimesOut()
    {
        Rig rig;
        QVERIFY(rig.connectController());
        rig.link->setReplyTimeout(80);
        rig.computer->setAnswering(false);
        QSignalSpy error(rig.link, &TarskBle::onExchangeError);
        QVERIFY(rig.link->setSimulatedPressure(3000));
        // One pressure at a time: the second is refused until the first is answered.
        QVERIFY(!rig.link->setSimulatedPressure(3100));
        QCOMPARE(rig.computer->writes().last().mid(8).toHex(), QByteArray("0ab80b0000"));
        QVERIFY(waitCount(error, 1));
        QCOMPARE(arg<Cmd>(error, 0, 0), VeltraCommand::SetSimulatedPressure);
        QCOMPARE(arg<Err>(error, 0, 1), ExchangeError::Timeout);
        QVERIFY(!rig.link->pressureBusy());

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

    void failedSetUpStartsClean_data()
    {
        QTest::addColumn<int>("fault");
        QTest::addColumn<int>("silent");
        QTest::addColumn<QString>("step"); // of a set-up that hangs
        using S = VirtualDiveComputer::SilentStep;
        QTest::newRow("no serial-data service") << 0 << int(S::None) << "";
        QTest::newRow("no configuration descriptor") << 2 << int(S::None) << "";
        QTest::newRow("descriptor write refused") << 3 << int(S::None) << "";
        QTest::newRow("connect never answers") << -1 << int(S::Connect) << "connecting";
        QTest::newRow("service discovery hangs")
            << -1 << int(S::Services) << "discovering services";
        QTest::newRow("notification switch hangs")
            << -1 << int(S::Descriptor) << "switching notifications on";
    }

    void failedSetUpStartsClean()
    {
        QFETCH(int, fault);
        QFETCH(int, silent);
        QFETCH(QString, step);
        Rig rig;
        rig.link->setSetUpTimeout(150);
        rig.computer->setServicePresent(fault != 0);
        rig.computer->setCharacteristicPresent(fault != 1);
        rig.computer->setDescriptorPresent(fault != 2);
        rig.computer->setDescriptorWriteFails(fault == 3);
        rig.computer->setSilentStep(VirtualDiveComputer::SilentStep(silent));
        QSignalSpy serviceError(rig.link, &TarskBle::onServiceError);
        QSignalSpy connected(rig.link, &TarskBle::onConnectController);
        QVERIFY(!rig.connectController());
        QVERIFY(!rig.link->isConnected());
        QVERIFY(!rig.link->hasController());
        QVERIFY(!rig.computer->isConnected());
        if (!step.isEmpty()) {
            QCOMPARE(arg<ConnectStatus>(connected, 0), ConnectControllerStatus::SetUpTimeout);
            QCOMPARE(rig.link->setUpStepText(), step);
        }
        // A refused notification switch is tried once more before the set-up gives up.
        QCOMPARE(serviceError.count(), fault == 3 ? 2 : 0);

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
        rig.computer->setSilentStep(VirtualDiveComputer::SilentStep::None);
        QVERIFY(rig.connectController());
        QCOMPARE(rig.logLines.count(QStringLiteral("Descriptor Written")), 1);
        QVERIFY(rig.run(VeltraCommand::GetInfo));

        // A switch refused once, then accepted, connects at the first attempt.
        if (fault == 3) {
            Rig once;
            once.computer->setDescriptorWriteFailures(1);
            QVERIFY(once.connectController());
        }
    }

    void untrustedRepliesNeverLand_data()
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
        QTest::newRow("damaged CRC")
            << 3 << int(VeltraCommand::GetSerialNumber) << int(ExchangeError::InvalidCrc);
    }

    void untrustedRepliesNeverLand()
    {
        QFETCH(int, fault);
        QFETCH(int, command);
        QFETCH(int, error);
        Rig rig;
        rig.computer->setDiveStore(std::make_shared<BulkStore>(6, 40, 0));
        QVERIFY(rig.connectController());
        QVERIFY(rig.run(VeltraCommand::GetInfo));
        rig.link->setBatchInterval(20);
        rig.link->setReplyTimeout(150);
        if (fault == 0)
            rig.computer->setReplyDelay(400);
        else if (fault == 3)
            rig.computer->corruptNextReply();
        else
            rig.computer->corruptNextMarker(fault == 1 ? 3 : 0);
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        QSignalSpy errors(rig.link, &TarskBle::onExchangeError);
        rig.link->startCommand(Cmd(command));
        QVERIFY(waitCount(errors, 1));
        QCOMPARE(int(arg<Cmd>(errors, 0, 0)), command);
        QCOMPARE(int(arg<Err>(errors, 0, 1)), error);
        QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
        QTest::qWait(600);
        // Whatever came afterwards ended nothing and filled nothing; nothing was asked again.
        QCOMPARE(rig.framesWithCode(quint8(command)), 1);
        QCOMPARE(end.count(), 0);
        QCOMPARE(errors.count(), 1);
        QCOMPARE(rig.link->computerInfo().serialNumber, QString());
        QVERIFY(rig.link->computerInfo().diveHeaderReplies.size() < 6);

        // The next exchange gets its own reply.
        rig.computer->setReplyDelay(0);
        QVERIFY(rig.run(VeltraCommand::GetSerialNumber));
        QCOMPARE(rig.link->computerInfo().serialNumber, kSerial);
    }

    void identityResetForOtherComputer()
    {
        Rig rig;
        QVERIFY(rig.connectController());
        QVERIFY(rig.run(VeltraCommand::GetInfo));
        QVERIFY(rig.run(VeltraCommand::GetSerialNumber));
        QCOMPARE(rig.link->computerInfo().variant, quint32(2));

        // Kept across a reconnect to the same computer, made at once without a scan.
        QVERIFY(dropLink(rig));
        QSignalSpy created(rig.link, &TarskBle::onCreateController);
        rig.link->createController();
        QCOMPARE(created.count(), 1);
        QVERIFY(!rig.link->isScanning());
        QVERIFY(rig.connectController());
        QCOMPARE(rig.link->computerInfo().serialNumber, kSerial);
        QVERIFY(dropLink(rig));
        // The remembered computer is gone: the failed reconnect forgets it.
        rig.computer->setReachable(false);
        rig.link->controllerConnect();
        QTRY_VERIFY(!rig.link->hasController());

        // Another computer whose mode byte is 10 or below must not inherit variant 2.
        rig.computer->setReachable(true);
        rig.computer->setAddress(QBluetoothAddress(QStringLiteral("00:1E:C0:7A:11:99")));
        rig.computer->setModeByte(5);
        QVERIFY(rig.connectController());
        QVERIFY(rig.link->computerInfo().serialNumber.isEmpty());
        QVERIFY(rig.run(VeltraCommand::GetInfo));
        QCOMPARE(rig.link->computerInfo().variant, quint32(0));
        QCOMPARE(rig.link->computerInfo().mode, quint32(0));
    }

    void ownerNameRoundTrip()
    {
        Rig rig;
        QVERIFY(rig.connectController());
        QVERIFY(rig.run(VeltraCommand::GetOwner));
        QCOMPARE(rig.link->computerInfo().ownerName, QStringLiteral("Demo Diver"));

        // The computer keeps 31 bytes: 16 two-byte characters (32 bytes) are refused, not cut.
        const int writes = rig.computer->writes().size();
        QVERIFY(!rig.link->setOwnerName(QString(16, QChar(0x00E9))));
        QVERIFY(!rig.link->setOwnerName(QString()));
        QCOMPARE(rig.computer->writes().size(), writes);
        QVERIFY(rig.link->setOwnerName(QString(15, QChar(0x00E9))));
        QCOMPARE(rig.computer->writes().last().size(), 8 + 1 + 30);
        QVERIFY(rig.run(VeltraCommand::GetOwner));
        QCOMPARE(rig.link->computerInfo().ownerName, QString(15, QChar(0x00E9)));
        QCOMPARE(rig.computer->ownerName(), QString(15, QChar(0x00E9)).toUtf8());
    }

    void valueReplies_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("announced");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        auto f = [](int code, const QByteArray& hex) {
            return VirtualDiveComputer::frame(quint8(code), QByteArray::fromHex(hex));
        };
        auto row = [](const char* tag, const QByteArray& reply, int announced, const char* field,
                       const QString& value) {
            QTest::newRow(tag) << reply << announced << QString(field) << value;
        };
        row("7: 64-bit value", f(7, "0102030405060708"), 7, "value64", "807060504030201");
        row("17: block and byte", f(17, QByteArray(128, 'B').toHex() + "2a"), 17, "block",
            "BBBBBBBB/42");
        row("26: announced as 25", f(26, "ffffffff10000000"), 25, "pair", "4294967295/16");
        row("28: three values", f(28, "05000000e80300000700"), 28, "reply28", "5/1000/7");
        row("9: pressure cut short", f(9, "00e8"), 9, "pressure", "232/0");
        row("2: text lines then end",
            f(2, "6c696e65206f6e6500ffff") + f(2, "6c696e652074776f") + f(2, ""), 2, "text",
            "line one\nline two\n");
        row("22: owner without terminator, bounded", f(22, QByteArray(40, 'o').toHex()), 22,
            "owner", QString(32, 'o'));
    }

    void valueReplies()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, announced);
        QFETCH(QString, field);
        QFETCH(QString, value);
        Rig rig;
        QVERIFY(rig.connectController());
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        // The reply answers its own request (a reply nobody asked for is dropped).
        rig.computer->setAnswering(false);
        rig.link->startCommand(Cmd(quint8(reply[8])));
        rig.computer->injectNotification(reply);
        QVERIFY(waitCount(end, 1));
        QCOMPARE(end.count(), 1);
        QCOMPARE(int(arg<Cmd>(end, 0)), announced);
        const ComputerInfo& i = rig.link->computerInfo();
        const QHash<QString, QString> got {
            { "value64", QString::number(i.value64, 16) },
            { "block",
                QString::fromLatin1(i.block128.left(8)) + '/' + QString::number(i.blockByte) },
            { "pair", QStringLiteral("%1/%2").arg(i.valuePair[0]).arg(i.valuePair[1]) },
            { "reply28",
                QStringLiteral("%1/%2/%3")
                    .arg(i.reply28Value32)
                    .arg(i.ambientPressure)
                    .arg(i.reply28Value16) },
            { "pressure",
                QStringLiteral("%1/%2").arg(i.ambientPressure).arg(i.secondPressureValue) },
            { "text", i.textLines },
            { "owner", i.ownerName },
        };
        QCOMPARE(got.value(field), value);
        if (field == QLatin1String("block"))
            QCOMPARE(i.block128.size(), 128);
    }

    // Firmware: description, 128-byte blocks, acknowledgements, progress, every way to stop.
    void versionFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QString>("text");
        auto row
            = [](const QString& name, const QByteArray& prefix, quint32 word, const char* text) {
                  QTest::newRow(qPrintable(name)) << name << prefix << word << QString(text);
              };
        row("Veltra.1.2.3.b", "Veltra", 0x01020362u, "1.2.3.b");
        row("Veltra", "Veltra", 0x00000030u, "0.0.0.0");
        row("Veltra.1.2.3.", "Veltra", 0x01020330u, "1.2.3.0");
        row("Veltra.300.2.3.b", "Veltra", 0xFF020362u, "255.2.3.b");
        row("Veltra.x.2.3.b", "Veltra", 0x00020362u, "0.2.3.b");
        row("Veltra.1.2.3.beta.7", "Veltra", 0x01020362u, "1.2.3.b");
        row(QString::fromUtf8("Veltra.1.2.3.\xc3\xa9"), "Veltra", 0x01020330u, "1.2.3.0");
        row(QString::fromUtf8("Pl\xc3\xb6tz.4.0.1.a"), "Pl\xc3\xb6tz", 0x04000161u, "4.0.1.a");
        row(QString(32, 'N') + ".1.0.0.a", QByteArray(32, 'N'), 0x01000061u, "1.0.0.a");
    }

    void versionFromName()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, prefix);
        QFETCH(quint32, word);
        QFETCH(QString, text);
        FirmwareIdentity id;
        QCOMPARE(parseFirmwareName(name, &id), FirmwareStatus::Ok);
        QCOMPARE(id.name, prefix);
        QCOMPARE(id.versionWord, word);
        QCOMPARE(id.versionText, text);
    }

    void percentInIntegers()
    {
        // Whole percents rounded down, bounded, and no overflow at the largest image.
        QCOMPARE(firmwarePercent(96, 97), 98);
        QCOMPARE(firmwarePercent(2, 3), 66);
        QCOMPARE(firmwarePercent(kMaxFirmwareBytes, kMaxFirmwareBytes), 100);
        QCOMPARE(firmwarePercent(200, 97), 100);
        QCOMPARE(firmwarePercent(0, 0), 0);
    }

    void installs_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("notificationSize");
        QTest::addColumn<QList<int>>("chunks");
        QTest::addColumn<QList<int>>("reportedSent");
        QTest::addColumn<QList<int>>("reportedPercent");
        // One short block: 97 × (100 / 97) in floating point gives 99.
        QTest::newRow("97 bytes") << 97 << 20 << QList<int> { 97 } << QList<int> { 97, 0 }
                                  << QList<int> { 100, 100 };
        QTest::newRow("1000 bytes")
            << 1000 << 20 << QList<int> { 128, 128, 128, 128, 128, 128, 128, 104 }
            << QList<int> { 128, 256, 384, 512, 640, 768, 896, 1000, 0 }
            << QList<int> { 12, 25, 38, 51, 64, 76, 89, 100, 100 };
        QTest::newRow("exactly two blocks")
            << 256 << 3 << QList<int> { 128, 128 } << QList<int> { 128, 256, 0 }
            << QList<int> { 50, 100, 100 };
    }

    void installs()
    {
        QFETCH(int, size);
        QFETCH(int, notificationSize);
        QFETCH(QList<int>, chunks);
        QFETCH(QList<int>, reportedSent);
        QFETCH(QList<int>, reportedPercent);

        FirmwareRig rig;
        rig.computer->setNotificationSize(notificationSize);
        QVERIFY(rig.connect());
        const QByteArray image = testImage(size);
        QSignalSpy progress(rig.link, &TarskBle::onUploadFirmwareProgress);
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        QSignalSpy errors(rig.link, &TarskBle::onExchangeError);

        FirmwareStatus status = FirmwareStatus::EmptyImage;
        QCOMPARE(rig.link->setFirmware(image, QStringLiteral("Veltra.2.7.1.c"), &status), size);
        QCOMPARE(status, FirmwareStatus::Ok);
        QVERIFY(waitForOutcome(end, errors));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(end.at(0).at(0).value<Cmd>(), VeltraCommand::EndProgram);

        // What the computer saw, by its own checks.
        QCOMPARE(rig.computer->programFault(), QString());
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.computer->programChunkSizes(), chunks);
        QCOMPARE(rig.computer->programCrcWord(), quint32(plainCrc(image)));
        QCOMPARE(rig.computer->programVersionWord(), 0x02070163u);
        QCOMPARE(rig.computer->programName(), QByteArray("Veltra") + QByteArray(26, '\0'));

        // The wire: 13 once, 14 per block, 15 once, then 255.
        QCOMPARE(rig.payloadsOf(13).size(), 1);
        QCOMPARE(rig.payloadsOf(15), QList<QByteArray> { QByteArray() });
        QTRY_COMPARE(rig.payloadsOf(255).size(), 1);

        QList<int> sent, percent;
        for (const auto& row : progress) {
            sent << row.at(0).toInt();
            percent << row.at(1).toInt();
        }
        QCOMPARE(sent, reportedSent);
        QCOMPARE(percent, reportedPercent);
    }

    void manyBlocksReportAtMost101Times()
    {
        FirmwareRig rig;
        rig.computer->setNotificationSize(0);
        QVERIFY(rig.connect());
        const QByteArray image = testImage(100001);
        QSignalSpy progress(rig.link, &TarskBle::onUploadFirmwareProgress);
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        QSignalSpy errors(rig.link, &TarskBle::onExchangeError);
        QCOMPARE(rig.link->setFirmware(image, QStringLiteral("Veltra.1.0.0.a")), 100001);
        for (int i = 0; i < 2000 && end.isEmpty() && errors.isEmpty(); ++i)
            end.wait(25);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.payloadsOf(14).size(), 782); // 781 × 128 + 33
        QVERIFY(progress.count() <= 102); // 101 whole percents and the completion report
        QCOMPARE(progress.at(progress.count() - 2).at(0).toInt(), 100001);
        QCOMPARE(progress.at(progress.count() - 2).at(1).toInt(), 100);
    }

    void refusedBeforeSending_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<int>("modeByte");
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<QString>("name");
        QTest::addColumn<FirmwareStatus>("status");
        using S = FirmwareStatus;
        auto row = [](const char* tag, bool connect, int mode, const QByteArray& image,
                       const QString& name, S status) {
            QTest::newRow(tag) << connect << mode << image << name << status;
        };
        const QByteArray image = testImage(10);
        const QString name = QStringLiteral("Veltra.1.0.0.a");
        const int fw = VirtualDiveComputer::kFirmwareModeByte;
        row("no computer", false, fw, image, name, S::NotConnected);
        row("normal mode", true, VirtualDiveComputer::kNormalModeByte, image, name,
            S::NotFirmwareMode);
        row("empty image", true, fw, QByteArray(), name, S::EmptyImage);
        row("image too large", true, fw, QByteArray(kMaxFirmwareBytes + 1, 'x'), name,
            S::ImageTooLarge);
        row("33-byte name", true, fw, image, QString(33, 'N') + ".1.0.0.a", S::NameTooLong);
        // 17 two-byte characters: 34 bytes, though only 17 characters.
        row("34-byte UTF-8 name", true, fw, image, QString(17, QChar(0xE9)) + ".1", S::NameTooLong);
        row("no name", true, fw, image, ".1.0.0.a", S::EmptyName);
    }

    void refusedBeforeSending()
    {
        QFETCH(bool, connect);
        QFETCH(int, modeByte);
        QFETCH(QByteArray, image);
        QFETCH(QString, name);
        QFETCH(FirmwareStatus, status);
        FirmwareRig rig { quint8(modeByte) };
        if (connect)
            QVERIFY(rig.connect());
        const int writes = int(rig.computer->writes().size());
        FirmwareStatus got = FirmwareStatus::Ok;
        QCOMPARE(rig.link->setFirmware(image, name, &got), -1);
        QCOMPARE(got, status);
        QCOMPARE(rig.computer->writes().size(), writes);
        QVERIFY(!rig.link->isProgramming());
    }

    void acknowledgementsOutOfTurn()
    {
        FirmwareRig rig;
        QVERIFY(rig.connect());
        const int writes = int(rig.computer->writes().size());

        // A stray acknowledgement of BeginProgram with no installation running starts nothing.
        rig.computer->injectNotification(VirtualDiveComputer::frame(13, QByteArray(1, '\1')));
        rig.computer->injectNotification(VirtualDiveComputer::frame(14, QByteArray(1, '\1')));
        rig.computer->injectNotification(VirtualDiveComputer::frame(15, QByteArray(1, '\1')));
        QTest::qWait(50);
        QCOMPARE(rig.computer->writes().size(), writes);

        // The pure sequence: a repeated 13 while blocks flow, a 15 before the end.
        FirmwareProgrammer p;
        QCOMPARE(p.start(testImage(300), QStringLiteral("V.1")), FirmwareStatus::Ok);
        QCOMPARE(p.acknowledge(14, true).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.acknowledge(13, true).kind, FirmwareProgrammer::Step::SendChunk);
        QCOMPARE(p.acknowledge(13, true).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.acknowledge(15, true).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.acknowledge(13, false).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.offset(), 128);
        QCOMPARE(p.acknowledge(14, true).chunk.size(), 128);
        QCOMPARE(p.acknowledge(14, true).chunk.size(), 44);
        QCOMPARE(p.acknowledge(14, true).kind, FirmwareProgrammer::Step::SendEnd);
        QCOMPARE(p.acknowledge(14, true).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.acknowledge(15, true).kind, FirmwareProgrammer::Step::Finish);
        QCOMPARE(p.acknowledge(15, true).kind, FirmwareProgrammer::Step::Nothing);
        QCOMPARE(p.phase(), FirmwareProgrammer::Phase::Finished);
    }

    void duplicateAcknowledgements_data()
    {
        QTest::addColumn<bool>("apart");
        QTest::newRow("copy in the same notification") << false;
        // The copy decoded on its own looks exactly like the next block's acknowledgement.
        QTest::newRow("copy in a notification of its own") << true;
    }

    void duplicateAcknowledgements()
    {
        QFETCH(bool, apart);
        FirmwareRig rig;
        // Every acknowledgement comes twice; the computer notes a block sent before its
        // acknowledgement of the previous one went out.
        rig.computer->setDuplicateAcknowledgements(true, apart);
        QVERIFY(rig.connect());
        const QByteArray image = testImage(1000);
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        QSignalSpy errors(rig.link, &TarskBle::onExchangeError);
        QCOMPARE(rig.link->setFirmware(image, QStringLiteral("Veltra.1.0.0.a")), 1000);
        QVERIFY(waitForOutcome(end, errors));
        QCOMPARE(errors.count(), 0);
        QCOMPARE(rig.computer->programFault(), QString());
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.payloadsOf(14).size(), 8);
    }

    void stopsOnFault_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("blocksSent"); // of 300 bytes: three blocks
        QTest::newRow("begin refused") << "13" << 13 << int(Err::BeginProgramError) << 0;
        QTest::newRow("block refused") << "14" << 14 << int(Err::ProgramError) << 1;
        QTest::newRow("end refused") << "15" << 15 << int(Err::EndProgramError) << 3;
        QTest::newRow("acknowledgement lost") << "silent" << 13 << int(Err::Timeout) << 0;
        QTest::newRow("acknowledgement damaged") << "damaged" << 13 << int(Err::InvalidCrc) << 0;
        QTest::newRow("computer gone after the first block")
            << "dropped" << 14 << int(Err::NotReady) << -1;
    }

    void stopsOnFault()
    {
        QFETCH(QString, fault);
        QFETCH(int, command);
        QFETCH(int, error);
        QFETCH(int, blocksSent);
        FirmwareRig rig;
        rig.computer->setRefused(quint8(fault.toInt()), true);
        QVERIFY(rig.connect());
        rig.link->setReplyTimeout(150);
        rig.computer->setAnswering(fault != "silent");
        if (fault == "dropped") {
            connect(
                rig.link, &TarskBle::onUploadFirmwareProgress, rig.computer,
                [&rig] { rig.computer->dropConnection(); }, Qt::SingleShotConnection);
        }
        QSignalSpy end(rig.link, &TarskBle::onEndCommand);
        QSignalSpy errors(rig.link, &TarskBle::onExchangeError);
        QCOMPARE(rig.link->setFirmware(testImage(300), QStringLiteral("Veltra.1.0.0.a")), 300);
        if (fault == "damaged")
            rig.computer->corruptNextReply(); // the acknowledgement of BeginProgram
        QVERIFY(waitForOutcome(end, errors));
        QCOMPARE(errors.count(), 1);
        QCOMPARE(int(errors.at(0).at(0).value<Cmd>()), command);
        QCOMPARE(int(errors.at(0).at(1).value<Err>()), error);
        QCOMPARE(end.count(), 0);
        QVERIFY(!rig.link->isProgramming());
        QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
        // Nothing follows: no further block, no end, no ProgramFinished, and a late
        // acknowledgement does not revive the sequence.
        if (fault == "dropped")
            return;
        rig.computer->injectNotification(VirtualDiveComputer::frame(13, QByteArray(1, '\1')));
        QTest::qWait(50);
        QCOMPARE(rig.payloadsOf(14).size(), blocksSent);
        QCOMPARE(rig.payloadsOf(15).size(), fault == "15" ? 1 : 0);
        QCOMPARE(rig.payloadsOf(255).size(), 0);
        QVERIFY(!rig.computer->firmwareInstalled());
    }
};

QTEST_GUILESS_MAIN(TestTarskBle)
#include "tst_tarskble.moc"
