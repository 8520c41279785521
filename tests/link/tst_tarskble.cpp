// The link over the virtual dive computer: framing on the wire, scanning and set-up, untrusted
// replies, and the firmware installation.

#include "link/firmwareprogram.h"
#include "link/linklogfile.h"
#include "virtuallink.h"

#include <QFileInfo>
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

} // namespace

class TestTarskBle : public QObject
{
    Q_OBJECT

private slots:
    void connectionChainFillsInfo()
    {
        // Notification size (0: frames merged), empty notifications between pieces, settings
        // layout (0: A, 2: B), mode byte (22: firmware mode).
        const std::tuple<int, bool, int, int> rows[] = {
            { 20, false, 2, 21 },
            { 5, false, 2, 21 },
            { 0, false, 0, 21 },
            { 20, true, 2, 21 },
            { 20, false, 2, 22 },
        };
        for (const auto& [notificationSize, emptyNotifications, layout, modeByte] : rows) {
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
            const ComputerInfo& i = rig.link->computerInfo();
            QCOMPARE(
                QStringList({ i.versionText, QString::number(i.variant), QString::number(i.mode),
                    i.serialNumber, QString::number(i.ambientPressure),
                    i.settings.computerNameText(), QString::number(i.settings.waterType),
                    QString::number(i.settings.surfacePressureMbar) }),
                QStringList({ "1.2.3.b", "2", modeByte == 22 ? "2" : "1", kSerial, "1004",
                    "Reef Explorer", "2", "987" }));
        }
    }

    void exactBytesOnTheWire()
    {
        Rig rig;
        QVERIFY(rig.connectController());
        QVERIFY(rig.run(VeltraCommand::GetInfo));
        rig.link->startGetDiveSamples(0x0102, true);
        // Samples with tissues of dive 0x0102: length 3, body 15 02 01; CRC 0xCFDC worked out with
        // a plain CRC-16/AUG-CCITT outside this code.
        QCOMPARE(rig.computer->writes(),
            QList<QByteArray>({ QByteArray::fromHex("dcdc0100bddc000001"),
                QByteArray::fromHex("dcdc0300dccf0000150201") }));
    }

    void scanNameMatching()
    {
        // Advertised name, low energy, taken: the names match exactly, case included.
        const std::tuple<QString, bool, bool> rows[]
            = { { "Veltra", true, true }, { "Tarsk", true, true }, { "QRD-", true, true },
                  { "TARSK", true, false }, { "QRD0042", true, false }, { "Veltra2", true, false },
                  { "Veltra", false, false } }; // classic Bluetooth only
        for (const auto& [name, lowEnergy, taken] : rows) {
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

    void oneCommandAtATimeAndLateRepliesOwed()
    {
        // Whole replies in one notification each, or re-cut into 3-byte pieces.
        for (const int cut : { 0, 3 }) {
            Rig rig;
            QVERIFY(rig.connectController());
            QVERIFY(rig.run(VeltraCommand::GetInfo));
            rig.computer->setNotificationSize(0);
            rig.faults->cutBytes = cut;
            // The serial reply comes after the link gave up; then the computer's serial changes.
            rig.link->setReplyTimeout(250);
            rig.faults->delayMs = 350;
            QSignalSpy error(rig.link, &TarskBle::onExchangeError);
            rig.link->startCommand(VeltraCommand::GetSerialNumber);
            QVERIFY(waitCount(error, 1));
            rig.faults->delayMs = 0;
            rig.computer->setSerialWords(1, 2, 3);
            // Asked again: the computer answers in order, the late reply first, then this one.
            QVERIFY(rig.run(VeltraCommand::GetSerialNumber));
            QCOMPARE(rig.link->computerInfo().serialNumber, "00000001-00000002-00000003");

            // A reply truly lost costs one more attempt at most, not every later one.
            rig.computer->setAnswering(false);
            rig.link->startCommand(VeltraCommand::GetSerialNumber);
            QVERIFY(waitCount(error, 2));
            rig.computer->setAnswering(true);
            rig.link->startCommand(
                VeltraCommand::GetSerialNumber); // its reply settles the lost one
            QVERIFY(waitCount(error, 3));
            QVERIFY(rig.run(VeltraCommand::GetSerialNumber));

            // While a stream is awaited nothing else goes out: a pressure would take its slot.
            rig.link->setReplyTimeout(3000);
            QSignalSpy end(rig.link, &TarskBle::onEndCommand);
            rig.link->startGetDiveSamples(1, false);
            const int writes = int(rig.computer->writes().size());
            QVERIFY(!rig.link->setSimulatedPressure(3000));
            rig.link->startCommand(VeltraCommand::GetInfo);
            QCOMPARE(arg<Err>(error, error.size() - 1, 1), ExchangeError::Busy);
            QCOMPARE(rig.computer->writes().size(), writes);
            QVERIFY(waitCount(end, 1));
            QCOMPARE(arg<Cmd>(end, 0), VeltraCommand::GetDiveSamples);
        }
    }

    void linkLogRotatesAndSaves()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("link.log");
        LinkLogFile log(path, 1000);
        // 100 lines of 24 (time) + 1 + 39 + 1 bytes: 6500 bytes, of which at most two files
        // of 1000 bytes and one line are kept.
        for (int i = 0; i < 100; ++i)
            log.append(QString("line %1 ").arg(i, 2, 10, QChar('0')) + QString(31, 'x'));
        QVERIFY(QFileInfo(path).size() <= 1065);
        QVERIFY(QFileInfo(path + ".1").size() <= 1065);
        QString error;
        QVERIFY(log.saveTo(dir.filePath("sent.log"), &error));
        QFile sent(dir.filePath("sent.log"));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = sent.readAll().trimmed().split('\n');
        QVERIFY(lines.size() >= 15);
        // The newest lines, in order, each with its time.
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY(lines[i].mid(25).startsWith(
                QString("line %1").arg(100 - lines.size() + i, 2, 10, QChar('0')).toUtf8()));
        QVERIFY(!log.saveTo(dir.filePath("missing/sent.log"), &error));
        QVERIFY(!error.isEmpty());
    }

    void failedSetUpStartsClean()
    {
        using S = VirtualDiveComputer::SilentStep;
        // Missing part (0: serial-data service, 2: configuration descriptor, 3: its write refused),
        // a step that hangs and its name.
        const std::tuple<int, S, QString> rows[] = {
            { 0, S::None, "" },
            { 2, S::None, "" },
            { 3, S::None, "" },
            { -1, S::Connect, "connecting" },
            { -1, S::Services, "discovering services" },
            { -1, S::Descriptor, "switching notifications on" },
        };
        for (const auto& [fault, silent, step] : rows) {
            Rig rig;
            rig.link->setSetUpTimeout(150);
            auto setFault = [&rig](int fault, S silent) {
                rig.computer->setServicePresent(fault != 0);
                rig.computer->setCharacteristicPresent(fault != 1);
                rig.computer->setDescriptorPresent(fault != 2);
                rig.computer->setDescriptorWriteFails(fault == 3);
                rig.computer->setSilentStep(silent);
            };
            setFault(fault, silent);
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
            setFault(-1, S::None);
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
    }

    void untrustedRepliesNeverLand()
    {
        // 0: the computer holds its reply past the link's time-out, so that it arrives when nobody
        // waits; 1: one bit of a frame marker in the middle of a stream flipped, that frame is
        // lost; 3: damaged CRC.
        const std::tuple<int, Cmd, Err> rows[] = { { 0, Cmd::GetSerialNumber, Err::Timeout },
            { 1, Cmd::GetDiveList, Err::InvalidFrame },
            { 3, Cmd::GetSerialNumber, Err::InvalidCrc } };
        for (const auto& [fault, command, error] : rows) {
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
            rig.link->startCommand(command);
            QVERIFY(waitCount(errors, 1));
            QCOMPARE(arg<Cmd>(errors, 0, 0), command);
            QCOMPARE(arg<Err>(errors, 0, 1), error);
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

    void valueReplies()
    {
        auto f = [](int code, const QByteArray& hex) {
            return VirtualDiveComputer::frame(quint8(code), QByteArray::fromHex(hex));
        };
        // The reply, the command it is announced as (26 as 25), the field it fills and its value.
        const std::tuple<QByteArray, int, QString, QString> rows[] = {
            { f(7, "0102030405060708"), 7, "value64", "807060504030201" },
            { f(17, QByteArray(128, 'B').toHex() + "2a"), 17, "block", "BBBBBBBB/42" },
            { f(26, "ffffffff10000000"), 25, "pair", "4294967295/16" },
            { f(28, "05000000e80300000700"), 28, "reply28", "5/1000/7" },
            { f(9, "00e8"), 9, "pressure", "232/0" }, // cut short
            // Text lines then the end.
            { f(2, "6c696e65206f6e6500ffff") + f(2, "6c696e652074776f") + f(2, ""), 2, "text",
                "line one\nline two\n" },
            // The owner without terminator, bounded.
            { f(22, QByteArray(40, 'o').toHex()), 22, "owner", QString(32, 'o') },
        };
        for (const auto& [reply, announced, field, value] : rows) {
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
    }

    // Firmware: description, 128-byte blocks, acknowledgements, progress, every way to stop.
    void versionFromName()
    {
        // Name, its prefix, version word and text.
        const std::tuple<QString, QByteArray, quint32, const char*> rows[] = {
            { "Veltra.1.2.3.b", "Veltra", 0x01020362u, "1.2.3.b" },
            { "Veltra", "Veltra", 0x00000030u, "0.0.0.0" },
            { "Veltra.1.2.3.", "Veltra", 0x01020330u, "1.2.3.0" },
            { "Veltra.300.2.3.b", "Veltra", 0xFF020362u, "255.2.3.b" },
            { "Veltra.x.2.3.b", "Veltra", 0x00020362u, "0.2.3.b" },
            { "Veltra.1.2.3.beta.7", "Veltra", 0x01020362u, "1.2.3.b" },
            { QString::fromUtf8("Veltra.1.2.3.\xc3\xa9"), "Veltra", 0x01020330u, "1.2.3.0" },
            { QString::fromUtf8("Pl\xc3\xb6tz.4.0.1.a"), "Pl\xc3\xb6tz", 0x04000161u, "4.0.1.a" },
            { QString(32, 'N') + ".1.0.0.a", QByteArray(32, 'N'), 0x01000061u, "1.0.0.a" },
        };
        for (const auto& [name, prefix, word, text] : rows) {
            FirmwareIdentity id;
            QCOMPARE(parseFirmwareName(name, &id), FirmwareStatus::Ok);
            QCOMPARE(id.name, prefix);
            QCOMPARE(id.versionWord, word);
            QCOMPARE(id.versionText, QString(text));
        }
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

    void installs()
    {
        // Size, notification size, the blocks the computer received, the progress reports, and
        // duplicated acknowledgements (1: every one twice, 2: the copy in a notification of its
        // own, where it looks exactly like the next block's acknowledgement). One short block: 97 ×
        // (100 / 97) in floating point gives 99.
        const QList<int> blocks { 128, 128, 128, 128, 128, 128, 128, 104 };
        const QList<int> sent1000 { 128, 256, 384, 512, 640, 768, 896, 1000, 0 };
        const QList<int> percent1000 { 12, 25, 38, 51, 64, 76, 89, 100, 100 };
        const std::tuple<int, int, QList<int>, QList<int>, QList<int>, int> rows[] = {
            { 97, 20, { 97 }, { 97, 0 }, { 100, 100 }, 0 },
            { 1000, 20, blocks, sent1000, percent1000, 0 },
            { 1000, 20, blocks, sent1000, percent1000, 1 },
            { 1000, 20, blocks, sent1000, percent1000, 2 },
            { 256, 3, { 128, 128 }, { 128, 256, 0 }, { 50, 100, 100 }, 0 },
        };
        for (const auto& [size, notificationSize, chunks, reportedSent, reportedPercent,
                 duplicates] : rows) {
            FirmwareRig rig;
            rig.computer->setNotificationSize(notificationSize);
            // The computer notes a block sent before its acknowledgement of the previous one went
            // out.
            rig.computer->setDuplicateAcknowledgements(duplicates > 0, duplicates == 2);
            QVERIFY(rig.connect());
            const QByteArray image = testImage(size);
            QSignalSpy progress(rig.link, &TarskBle::onUploadFirmwareProgress);
            QSignalSpy end(rig.link, &TarskBle::onEndCommand);
            QSignalSpy errors(rig.link, &TarskBle::onExchangeError);

            FirmwareStatus status = FirmwareStatus::EmptyImage;
            QCOMPARE(rig.link->setFirmware(image, QStringLiteral("Veltra.2.7.1.c"), &status), size);
            QCOMPARE(status, FirmwareStatus::Ok);
            QTRY_VERIFY_WITH_TIMEOUT(!end.isEmpty() || !errors.isEmpty(), 10000);
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
        QTRY_VERIFY_WITH_TIMEOUT(!end.isEmpty() || !errors.isEmpty(), 50000);
        QCOMPARE(errors.count(), 0);
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.payloadsOf(14).size(), 782); // 781 × 128 + 33
        QVERIFY(progress.count() <= 102); // 101 whole percents and the completion report
        QCOMPARE(progress.at(progress.count() - 2).at(0).toInt(), 100001);
        QCOMPARE(progress.at(progress.count() - 2).at(1).toInt(), 100);
    }

    void refusedBeforeSending()
    {
        const QByteArray small = testImage(10);
        const QString plain = QStringLiteral("Veltra.1.0.0.a");
        const int fw = VirtualDiveComputer::kFirmwareModeByte;
        using S = FirmwareStatus;
        // Connected, mode byte, image, name, the refusal.
        const std::tuple<bool, int, QByteArray, QString, S> rows[] = {
            { false, fw, small, plain, S::NotConnected },
            { true, VirtualDiveComputer::kNormalModeByte, small, plain, S::NotFirmwareMode },
            { true, fw, {}, plain, S::EmptyImage },
            { true, fw, QByteArray(kMaxFirmwareBytes + 1, 'x'), plain, S::ImageTooLarge },
            { true, fw, small, QString(33, 'N') + ".1.0.0.a", S::NameTooLong },
            // 17 two-byte characters: 34 bytes, though only 17 characters.
            { true, fw, small, QString(17, QChar(0xE9)) + ".1", S::NameTooLong },
            { true, fw, small, ".1.0.0.a", S::EmptyName },
        };
        for (const auto& [connected, modeByte, image, name, status] : rows) {
            FirmwareRig rig { quint8(modeByte) };
            if (connected)
                QVERIFY(rig.connect());
            const int writes = int(rig.computer->writes().size());
            FirmwareStatus got = FirmwareStatus::Ok;
            QCOMPARE(rig.link->setFirmware(image, name, &got), -1);
            QCOMPARE(got, status);
            QCOMPARE(rig.computer->writes().size(), writes);
            QVERIFY(!rig.link->isProgramming());
        }
    }

    void acknowledgementsOutOfTurn()
    {
        FirmwareRig rig;
        QVERIFY(rig.connect());
        const int writes = int(rig.computer->writes().size());

        // A stray acknowledgement of BeginProgram with no installation running starts nothing.
        for (const quint8 code : { 13, 14, 15 })
            rig.computer->injectNotification(VirtualDiveComputer::frame(code, "\1"));
        QTest::qWait(50);
        QCOMPARE(rig.computer->writes().size(), writes);

        // The pure sequence: a repeated 13 while blocks flow, a 15 before the end. Each step as
        // its kind and the size of the block it sends.
        FirmwareProgrammer p;
        QCOMPARE(p.start(testImage(300), QStringLiteral("V.1")), FirmwareStatus::Ok);
        using K = FirmwareProgrammer::Step;
        const QList<std::tuple<int, bool, int, int>> steps { { 14, true, K::Nothing, 0 },
            { 13, true, K::SendChunk, 128 }, { 13, true, K::Nothing, 0 },
            { 15, true, K::Nothing, 0 }, { 13, false, K::Nothing, 0 },
            { 14, true, K::SendChunk, 128 }, { 14, true, K::SendChunk, 44 },
            { 14, true, K::SendEnd, 0 }, { 14, true, K::Nothing, 0 }, { 15, true, K::Finish, 0 },
            { 15, true, K::Nothing, 0 } };
        for (const auto& [code, ok, kind, size] : steps) {
            const auto step = p.acknowledge(quint8(code), ok);
            QCOMPARE(int(step.kind), kind);
            QCOMPARE(int(step.chunk.size()), size);
        }
        QCOMPARE(p.phase(), FirmwareProgrammer::Phase::Finished);
    }

    void stopsOnFault()
    {
        // The fault, the command and error reported, the blocks sent of three.
        const std::tuple<QString, int, Err, int> rows[] = {
            { "13", 13, Err::BeginProgramError, 0 }, // refused
            { "14", 14, Err::ProgramError, 1 }, { "15", 15, Err::EndProgramError, 3 },
            { "silent", 13, Err::Timeout, 0 }, // acknowledgement lost
            { "damaged", 13, Err::InvalidCrc, 0 },
            { "dropped", 14, Err::NotReady, -1 }, // after the first block
        };
        for (const auto& [fault, command, error, blocksSent] : rows) {
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
            QTRY_VERIFY_WITH_TIMEOUT(!end.isEmpty() || !errors.isEmpty(), 10000);
            QCOMPARE(errors.count(), 1);
            QCOMPARE(int(errors.at(0).at(0).value<Cmd>()), command);
            QCOMPARE(errors.at(0).at(1).value<Err>(), error);
            QCOMPARE(end.count(), 0);
            QVERIFY(!rig.link->isProgramming());
            QCOMPARE(rig.link->pendingCommand(), VeltraCommand::None);
            // Nothing follows: no further block, no end, no ProgramFinished, and a late
            // acknowledgement does not revive the sequence.
            if (fault == "dropped")
                continue;
            rig.computer->injectNotification(VirtualDiveComputer::frame(13, QByteArray(1, '\1')));
            QTest::qWait(50);
            QCOMPARE(rig.payloadsOf(14).size(), blocksSent);
            QCOMPARE(rig.payloadsOf(15).size(), fault == "15" ? 1 : 0);
            QCOMPARE(rig.payloadsOf(255).size(), 0);
            QVERIFY(!rig.computer->firmwareInstalled());
        }
    }
};

QTEST_GUILESS_MAIN(TestTarskBle)
#include "tst_tarskble.moc"
