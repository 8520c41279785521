// The connection dialog over the real link and the virtual computer: the identification chain,
// the refusal of another variant and what every failure leaves on screen.

#include "computer/formbluetoothconnect.h"
#include "virtuallink.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

class TestFormBluetoothConnect : public QObject
{
    Q_OBJECT

private slots:
    void connectsAndIdentifies();
    void failuresShowCloseBarAndStopAnimation_data();
    void failuresShowCloseBarAndStopAnimation();
    void secondRunAfterFailureScansAgainAndRunsSlotsOnce();
    void reconnectsWithoutScanning();
    void repeatedSignalsDoNotRestartTheAnimation();
    void cancelStopsEveryStep();

private:
    static QWidget* bottomBar(FormBluetoothConnect& f)
    {
        return f.findChild<QWidget*>("bottomBar");
    }
    static QString picture(FormBluetoothConnect& f)
    {
        return f.findChild<QLabel*>("imgBluetooth")->styleSheet();
    }
    static QList<int> sentCodes(const VirtualLink& v)
    {
        QList<int> codes;
        for (const QByteArray& f : v.computer->writes())
            codes << quint8(f[8]);
        return codes;
    }
};

void TestFormBluetoothConnect::connectsAndIdentifies()
{
    VirtualLink v;
    FormBluetoothConnect form(nullptr, v.link);
    QSignalSpy accepted(&form, &QDialog::accepted);
    QVERIFY(form.start());
    QCOMPARE(form.message(), QString("Search computer..."));
    QVERIFY(bottomBar(form)->isHidden());
    QVERIFY(form.isAnimating());
    QCOMPARE(form.animationStep(), 1);
    QVERIFY(accepted.wait(5000));
    QCOMPARE(form.result(), int(QDialog::Accepted));
    // 1 -> 3 -> 9 -> 24, each sent once, nothing else.
    QCOMPARE(sentCodes(v), (QList<int> { 1, 3, 9, 24 }));
    QCOMPARE(form.message(), QString("Ambient pressure: 1013"));
    QVERIFY(!form.isAnimating());
    QVERIFY(picture(form).contains("step0.png"));
    form.finish();
    QVERIFY(v.link->isReady());
}

void TestFormBluetoothConnect::failuresShowCloseBarAndStopAnimation_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("no computer in range") << "silent"
                                          << "No Device Found";
    QTest::newRow("no serial-data service") << "noservice"
                                            << "No Computer Found";
    QTest::newRow("identity reply lost") << "noanswer"
                                         << "Exchange Error: Timeout";
    QTest::newRow("damaged identity reply") << "crc"
                                            << "Exchange Error: Invalid CRC";
    // Identification is all or nothing: a half-known computer is not left connected.
    QTest::newRow("serial reply lost") << "serialsilent"
                                       << "Exchange Error: Timeout";
    QTest::newRow("settings reply damaged") << "settingscrc"
                                            << "Exchange Error: Invalid CRC";
    QTest::newRow("Bluetooth switched off") << "poweredoff"
                                            << "Bluetooth is switched off.";
    QTest::newRow("notification switch refused twice")
        << "refused"
        << "The computer's Bluetooth refused the connection while switching notifications on.";
    QTest::newRow("no adapter") << "noadapter"
                                << "No Bluetooth adapter found.";
}

void TestFormBluetoothConnect::failuresShowCloseBarAndStopAnimation()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    VirtualLink v;
    v.link->setReplyTimeout(200);
    if (fault == "silent")
        v.computer->setAdvertising(false);
    else if (fault == "noservice")
        v.computer->setServicePresent(false);
    else if (fault == "noanswer")
        v.computer->setAnswering(false);
    else if (fault == "crc")
        v.computer->corruptNextReply();
    else if (fault == "refused")
        v.computer->setDescriptorWriteFailures(2);
    QObject::connect(
        v.link, &TarskBle::onEndCommand, v.link, [&](VeltraCommand::VeltraCommandIn c) {
            if (c == VeltraCommand::GetInfo && fault == "serialsilent")
                v.computer->setAnswering(false);
            if (c == VeltraCommand::GetAmbientPressure && fault == "settingscrc")
                v.computer->corruptNextReply();
        });

    FormBluetoothConnect form(nullptr, v.link);
    QSignalSpy rejected(&form, &QDialog::rejected);
    QVERIFY(form.start());
    if (fault == "poweredoff")
        emit v.computer->scanError(QBluetoothDeviceDiscoveryAgent::PoweredOffError);
    if (fault == "noadapter")
        emit v.computer->scanError(QBluetoothDeviceDiscoveryAgent::InvalidBluetoothAdapterError);
    QTRY_VERIFY2(form.message().startsWith(message), qPrintable(form.message()));
    QTRY_VERIFY(!v.link->isConnected());
    QVERIFY(!v.link->isReady());
    QVERIFY(!form.findChild<QPushButton*>("btRetry")->isHidden());
    QVERIFY(!bottomBar(form)->isHidden());
    QVERIFY(!form.isAnimating());
    QVERIFY(picture(form).contains("step0.png"));
    // The user closes it: rejected, result 0.
    form.findChild<QPushButton*>("btClose")->click();
    QCOMPARE(rejected.size(), 1);
    QCOMPARE(form.result(), int(QDialog::Rejected));
}

void TestFormBluetoothConnect::secondRunAfterFailureScansAgainAndRunsSlotsOnce()
{
    VirtualLink v;
    v.computer->setAdvertising(false);
    FormBluetoothConnect form(nullptr, v.link);
    QVERIFY(form.start());
    QTRY_COMPARE(form.message(), QString("No Device Found"));
    form.finish();

    v.computer->setAdvertising(true);
    QSignalSpy accepted(&form, &QDialog::accepted);
    QVERIFY(form.start());
    QCOMPARE(form.message(), QString("Search computer..."));
    QVERIFY(accepted.wait(5000));
    // Had the first run's connections stayed, each reply would have sent its next command
    // twice.
    QCOMPARE(sentCodes(v), (QList<int> { 1, 3, 9, 24 }));
}

void TestFormBluetoothConnect::reconnectsWithoutScanning()
{
    VirtualLink v;
    QVERIFY(v.connectController());
    QSignalSpy gone(v.link, &TarskBle::onDisconnectController);
    v.link->controllerDisConnect();
    QVERIFY(gone.wait(5000));
    QVERIFY(v.link->hasController());

    FormBluetoothConnect form(nullptr, v.link);
    QSignalSpy accepted(&form, &QDialog::accepted);
    QSignalSpy scanned(v.computer, &BleTransport::deviceDiscovered);
    QVERIFY(form.start());
    QCOMPARE(form.message(), QString("Connect to computer..."));
    QVERIFY(accepted.wait(5000));
    QVERIFY(scanned.isEmpty());
}

void TestFormBluetoothConnect::repeatedSignalsDoNotRestartTheAnimation()
{
    VirtualLink v;
    v.computer->setAdvertising(false);
    FormBluetoothConnect form(nullptr, v.link);
    QVERIFY(form.start());
    // A failure reported twice keeps the dialog stopped, with its Close bar.
    form.onCreateController(CreateControllerStatus::NotFound);
    form.onCreateController(CreateControllerStatus::NotFound);
    QVERIFY(!form.isAnimating());
    QVERIFY(!bottomBar(form)->isHidden());
    form.onErrorController(QLowEnergyController::ConnectionError);
    QVERIFY(!form.isAnimating());
    QCOMPARE(form.message(), QString("Controller Error: Connection Error"));
}

void TestFormBluetoothConnect::cancelStopsEveryStep()
{
    // A stack that never finishes connecting: Cancel is there and leaves nothing open.
    VirtualLink v;
    v.computer->setSilentStep(VirtualDiveComputer::SilentStep::Descriptor);
    FormBluetoothConnect form(nullptr, v.link);
    QVERIFY(form.start());
    auto* cancel = form.findChild<QPushButton*>("btCancel");
    QVERIFY(cancel->isVisibleTo(&form));
    QTRY_VERIFY(v.link->isConnected());
    cancel->click();
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QVERIFY(!v.link->hasController());
    QVERIFY(!v.computer->isConnected());
    QVERIFY(!cancel->isVisibleTo(&form));

    // Cancelled during the identification: the half-known computer is not left connected.
    v.computer->setSilentStep(VirtualDiveComputer::SilentStep::None);
    v.computer->setAnswering(false);
    QVERIFY(form.start());
    QTRY_VERIFY(v.link->isReady());
    cancel->click();
    QVERIFY(!v.link->isReady());
    QTRY_VERIFY(!v.computer->isConnected());
}

QTEST_MAIN(TestFormBluetoothConnect)
#include "tst_formbluetoothconnect.moc"
