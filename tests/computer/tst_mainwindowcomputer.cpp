// The demo road in the real main window: "Download dives" with the virtual computer connects,
// lists the dives, downloads the new ones into the logbook and shows them in the dive list.

#include "app/mainwindow.h"
#include "computer/computeractions.h"
#include "link/importbluetooth.h"
#include "link/tarskble.h"

#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
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
        dialog->grab().save(QDir::temp().filePath("veltra-computer-demo-import.png"));
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
    QVERIFY(window.grab().save(QDir::temp().filePath("veltra-computer-demo-window.png")));
}

QTEST_MAIN(TestMainWindowComputer)
#include "tst_mainwindowcomputer.moc"
