// Writing a firmware image into the virtual computer through the real link: the 44-byte
// description, the 128-byte blocks, the acknowledgement of each step, progress and every way the
// sequence can stop.

#include "link/firmwareprogram.h"
#include "virtuallink.h"

using Cmd = VeltraCommand::VeltraCommandIn;
using Err = ExchangeError::ExchangeErrorIn;

Q_DECLARE_METATYPE(FirmwareStatus)

namespace {

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
struct Rig : VirtualLink
{
    explicit Rig(quint8 modeByte = VirtualDiveComputer::kFirmwareModeByte)
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

class TestFirmwareProgram : public QObject
{
    Q_OBJECT

private slots:
    void versionFromName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("prefix");
        QTest::addColumn<quint32>("word");
        QTest::addColumn<QString>("text");
        QTest::newRow("full") << "Veltra.1.2.3.b" << QByteArray("Veltra") << 0x01020362u
                              << "1.2.3.b";
        QTest::newRow("no version") << "Veltra" << QByteArray("Veltra") << 0x00000030u << "0.0.0.0";
        QTest::newRow("empty letter")
            << "Veltra.1.2.3." << QByteArray("Veltra") << 0x01020330u << "1.2.3.0";
        QTest::newRow("part above 255")
            << "Veltra.300.2.3.b" << QByteArray("Veltra") << 0xFF020362u << "255.2.3.b";
        QTest::newRow("not a number")
            << "Veltra.x.2.3.b" << QByteArray("Veltra") << 0x00020362u << "0.2.3.b";
        QTest::newRow("longer letter part")
            << "Veltra.1.2.3.beta.7" << QByteArray("Veltra") << 0x01020362u << "1.2.3.b";
        QTest::newRow("non-ASCII letter") << QString::fromUtf8("Veltra.1.2.3.\xc3\xa9")
                                          << QByteArray("Veltra") << 0x01020330u << "1.2.3.0";
        QTest::newRow("UTF-8 name") << QString::fromUtf8("Pl\xc3\xb6tz.4.0.1.a")
                                    << QByteArray("Pl\xc3\xb6tz") << 0x04000161u << "4.0.1.a";
        QTest::newRow("32 bytes fit")
            << QString(32, 'N') + ".1.0.0.a" << QByteArray(32, 'N') << 0x01000061u << "1.0.0.a";
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

        Rig rig;
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
        QVERIFY(!rig.link->isProgramming());

        // What the computer saw, by its own checks.
        QCOMPARE(rig.computer->programFault(), QString());
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.computer->programChunkSizes(), chunks);
        QCOMPARE(rig.computer->programSize(), quint32(size));
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
        Rig rig;
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
        const QByteArray image = testImage(10);
        const int fw = VirtualDiveComputer::kFirmwareModeByte;
        QTest::newRow("no computer")
            << false << fw << image << "Veltra.1.0.0.a" << FirmwareStatus::NotConnected;
        QTest::newRow("normal mode") << true << int(VirtualDiveComputer::kNormalModeByte) << image
                                     << "Veltra.1.0.0.a" << FirmwareStatus::NotFirmwareMode;
        QTest::newRow("empty image")
            << true << fw << QByteArray() << "Veltra.1.0.0.a" << FirmwareStatus::EmptyImage;
        QTest::newRow("image too large") << true << fw << QByteArray(kMaxFirmwareBytes + 1, 'x')
                                         << "Veltra.1.0.0.a" << FirmwareStatus::ImageTooLarge;
        QTest::newRow("33-byte name")
            << true << fw << image << QString(33, 'N') + ".1.0.0.a" << FirmwareStatus::NameTooLong;
        // 17 two-byte characters: 34 bytes, though only 17 characters.
        QTest::newRow("34-byte UTF-8 name")
            << true << fw << image << QString(17, QChar(0xE9)) + ".1"
            << FirmwareStatus::NameTooLong;
        QTest::newRow("no name") << true << fw << image << ".1.0.0.a" << FirmwareStatus::EmptyName;
    }

    void refusedBeforeSending()
    {
        QFETCH(bool, connect);
        QFETCH(int, modeByte);
        QFETCH(QByteArray, image);
        QFETCH(QString, name);
        QFETCH(FirmwareStatus, status);
        Rig rig { quint8(modeByte) };
        if (connect)
            QVERIFY(rig.connect());
        const int writes = int(rig.computer->writes().size());
        FirmwareStatus got = FirmwareStatus::Ok;
        QCOMPARE(rig.link->setFirmware(image, name, &got), -1);
        QCOMPARE(got, status);
        QVERIFY(!firmwareStatusText(got).isEmpty());
        QCOMPARE(rig.computer->writes().size(), writes);
        QVERIFY(!rig.link->isProgramming());
    }

    void acknowledgementsOutOfTurn()
    {
        Rig rig;
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
        Rig rig;
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
        QCOMPARE(end.count(), 1);
        QCOMPARE(rig.computer->programFault(), QString());
        QCOMPARE(rig.computer->programmedImage(), image);
        QCOMPARE(rig.payloadsOf(14).size(), 8);
        QCOMPARE(rig.payloadsOf(15).size(), 1);
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
        Rig rig;
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

QTEST_MAIN(TestFirmwareProgram)
#include "tst_firmwareprogram.moc"
