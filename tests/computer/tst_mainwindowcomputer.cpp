// The demo road in the real main window: "Download dives" with the virtual computer connects,
// lists the dives, downloads the new ones into the logbook and shows them in the dive list.

#include "app/computerlink.h"
#include "app/mainwindow.h"
#include "computer/computeractions.h"
#include "link/importbluetooth.h"
#include "link/qtbletransport.h"
#include "link/tarskble.h"
#include "link/virtualdivecomputer.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <ctime>

class TestMainWindowComputer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void downloadDivesFromTheDemoComputer();
    void demoSwitchChoosesTransport_data();
    void demoSwitchChoosesTransport();
    void demoComputerRestartsInFirmwareMode();

private:
    QTemporaryDir m_home;
};

void TestMainWindowComputer::initTestCase()
{
    QCoreApplication::setApplicationName(QStringLiteral("VeltraDesktop"));
    QVERIFY(m_home.isValid());
    qputenv("XDG_DATA_HOME", m_home.path().toUtf8());
    qputenv("VELTRA_DEMO_COMPUTER", "1");
    qputenv("TZ", "Europe/Paris");
    tzset();
}

void TestMainWindowComputer::downloadDivesFromTheDemoComputer()
{
    MainWindow window;
    QVERIFY(window.isUsable());
    window.resize(1400, 860);
    window.show();
    ComputerActions* actions = window.computerActions();
    QVERIFY(actions);

    int listed = -1;
    QStringList texts;
    bool imported = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &driver, [&] {
        auto* dialog = qobject_cast<ImportBluetooth*>(actions->downloadDialog());
        if (!dialog || !dialog->isVisible() || dialog->isBusy())
            return;
        auto* list = dialog->findChild<QListWidget*>("listDives");
        if (!imported) {
            listed = list->count();
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
            imported = true;
            dialog->findChild<QPushButton*>("btImport")->click();
            return;
        }
        if (const QString shots = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS"); !shots.isEmpty())
            dialog->grab().save(QDir(shots).filePath("veltra-computer-demo-import.png"));
        dialog->findChild<QPushButton*>("pushButton")->click();
        driver.stop();
    });
    driver.start(50);
    window.deviceMenu()->actions().value(0)->trigger();

    QCOMPARE(listed, 4);
    QVERIFY2(texts[0].startsWith("001 - 02/05/2026 10:40 - 18.0m"), qPrintable(texts[0]));
    QVERIFY(bleLink && bleLink->isReady());
    auto* img = window.findChild<QLabel*>("imgVeltra");
    QVERIFY(img->toolTip().contains("Computer Connected"));
    QVERIFY(img->toolTip().contains("Mode Normal"));

    const QString serial = bleLink->computerInfo().serialNumber;
    for (const char* name : { "1", "2", "3", "4" })
        QVERIFY2(LogbookDatabase::instance().findDive(name, serial) >= 0, name);
    // The dive list shows the four dives (newest first, not grouped by computer by default).
    auto* table = window.findChild<QTableWidget*>("diveList");
    QVERIFY(table->rowCount() >= 4);
    QVERIFY(img->text().contains("Computer Connected"));
    // Open the trimix deco dive as the user would.
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem* item = table->item(row, 0);
        if (item && item->text() == "3")
            window.openDiveProfileItem(item);
    }
    QCOMPARE(window.currentDive().name, QString("3"));
    QVERIFY(qAbs(window.currentDive().maxDepth - 45.0) < 0.05);
    if (const QString shots = qEnvironmentVariable("VELTRA_TEST_SCREENSHOTS"); !shots.isEmpty())
        QVERIFY(window.grab().save(QDir(shots).filePath("veltra-computer-demo-window.png")));
}

void TestMainWindowComputer::demoSwitchChoosesTransport_data()
{
    QTest::addColumn<QByteArray>("env");
    QTest::addColumn<QString>("ini");
    QTest::addColumn<bool>("demo");
    QTest::newRow("nothing set") << QByteArray() << QString() << false;
    QTest::newRow("options.ini demoComputer=1") << QByteArray() << "1" << true;
    QTest::newRow("options.ini demoComputer=true") << QByteArray() << "true" << false;
    QTest::newRow("environment 1") << QByteArray("1") << QString() << true;
    QTest::newRow("environment 0") << QByteArray("0") << QString() << false;
}

void TestMainWindowComputer::demoSwitchChoosesTransport()
{
    QFETCH(QByteArray, env);
    QFETCH(QString, ini);
    QFETCH(bool, demo);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("options.ini"));
    if (!ini.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[hidden]\ndemoComputer=" + ini.toUtf8() + "\n");
    }
    qputenv("VELTRA_DEMO_COMPUTER", env);
    const bool requested = demoComputerRequested(path);
    qputenv("VELTRA_DEMO_COMPUTER", "1");
    QCOMPARE(requested, demo);
    std::unique_ptr<TarskBle> link(makeComputerLink(nullptr, {}, requested));
    QCOMPARE(qobject_cast<VirtualDiveComputer*>(link->transport()) != nullptr, demo);
    QCOMPARE(qobject_cast<QtBleTransport*>(link->transport()) != nullptr, !demo);
}

void TestMainWindowComputer::demoComputerRestartsInFirmwareMode()
{
    std::unique_ptr<TarskBle> link(makeComputerLink(nullptr, {}, true));
    auto* computer = qobject_cast<VirtualDiveComputer*>(link->transport());
    QVERIFY(computer);
    computer->setScanDelay(0);
    QSignalSpy created(link.get(), &TarskBle::onCreateController);
    link->createController();
    QTRY_COMPARE(created.count(), 1);
    QSignalSpy connected(link.get(), &TarskBle::onConnectController);
    link->controllerConnect();
    QTRY_VERIFY(link->isReady());

    QMenu menu;
    addDemoComputerActions(menu, link.get());
    QCOMPARE(menu.actions().size(), 1);
    QSignalSpy dropped(link.get(), &TarskBle::onDisconnectController);
    menu.actions().first()->trigger();
    // The restart ends the connection; the next identification sees the bootloader.
    QTRY_COMPARE(dropped.count(), 1);
    QVERIFY(!link->isReady());
    link->controllerConnect();
    QTRY_VERIFY(link->isReady());
    QSignalSpy end(link.get(), &TarskBle::onEndCommand);
    link->startCommand(VeltraCommand::GetInfo);
    QTRY_COMPARE(end.count(), 1);
    QCOMPARE(link->computerInfo().mode, 2u);

    // A link over real Bluetooth gets no demo entry.
    QMenu plain;
    std::unique_ptr<TarskBle> real(makeComputerLink(nullptr, {}, false));
    addDemoComputerActions(plain, real.get());
    QVERIFY(plain.actions().isEmpty());
}

QTEST_MAIN(TestMainWindowComputer)
#include "tst_mainwindowcomputer.moc"
