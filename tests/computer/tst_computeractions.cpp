// The main window's computer actions against the virtual computer through the real link: the
// connected state, the download into a real logbook file, owner name, reset and the checks
// before every action.

#include "computer/computeractions.h"
#include "computer/formbluetoothconnect.h"
#include "link/importbluetooth.h"
#include "logbook/logbookdatabase.h"
#include "virtuallink.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QXmlStreamReader>

namespace {

// Records what the actions ask of the window.
struct Recorder
{
    QStringList warnings;
    QStringList questions;
    QStringList console;
    QList<QString> ownerAnswers; // taken in order; an empty text cancels
    int ownerDialogs = 0;
    bool answerYes = true;
    int firmwareManagers = 0;
    int disconnects = 0;

    ComputerActions::Hooks hooks()
    {
        ComputerActions::Hooks h;
        h.console = [this](const QString& t) { console << t; };
        h.warn = [this](const QString& title, const QString& text) {
            warnings << title + ": " + text;
        };
        h.confirm = [this](const QString& title, const QString&) {
            questions << title;
            return answerYes;
        };
        h.askOwner = [this](QWidget*, const QString&) -> std::optional<QString> {
            ++ownerDialogs;
            const QString answer = ownerAnswers.isEmpty() ? QString() : ownerAnswers.takeFirst();
            if (answer.isEmpty())
                return std::nullopt;
            return answer;
        };
        h.openFirmwareManager = [this] { ++firmwareManagers; };
        h.disconnected = [this] { ++disconnects; };
        h.makeLink = [](QObject*, std::function<void(const QString&)>) -> TarskBle* {
            return nullptr; // the test makes the link itself
        };
        return h;
    }
};

// Clicks the connection dialog's Close button once it shows a failure.
void closeConnectionDialogOnFailure(ComputerActions& actions)
{
    auto* timer = new QTimer(&actions);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &actions] {
        FormBluetoothConnect* form = actions.connectionDialog();
        auto* bar = form->findChild<QWidget*>("bottomBar");
        if (form->isVisible() && !bar->isHidden()) {
            form->findChild<QPushButton*>("btClose")->click();
            timer->deleteLater();
        }
    });
    timer->start(20);
}

// Drives the download dialog as a user: waits for the list, clicks Import (with the default
// ticks), waits for the downloads, closes with the OK button.
void driveDownload(ComputerActions& actions, int* listed)
{
    auto* timer = new QTimer(&actions);
    auto importClicked = std::make_shared<bool>(false);
    QObject::connect(timer, &QTimer::timeout, timer, [=, &actions] {
        auto* dialog = qobject_cast<ImportBluetooth*>(actions.downloadDialog());
        if (!dialog || !dialog->isVisible() || dialog->isBusy())
            return;
        if (!*importClicked) {
            *listed = dialog->findChild<QListWidget*>("listDives")->count();
            *importClicked = true;
            dialog->findChild<QPushButton*>("btImport")->click();
            return;
        }
        dialog->findChild<QPushButton*>("pushButton")->click();
        timer->deleteLater();
    });
    timer->start(20);
}

// The window's computer label and the actions on it, over a virtual computer.
struct Bench
{
    VirtualLink v;
    QWidget window;
    QLabel img { &window };
    Recorder r;
    ComputerActions actions { &window, &img, r.hooks() };
};

} // namespace

class TestComputerActions : public QObject
{
    Q_OBJECT

private slots:
    void connectShowsTheComputerState();
    void anotherVariantIsRefused();
    void downloadsNewDivesIntoTheLogbook();
    void ownerNameTwice();
    void firmwareModeChecks();
    void resetAndCloseAskFirst();
    void doubleClickAsksAndIsConsumed();
    void actionsWithoutALink();
    void serviceErrorsGoToTheConsole();
};

void TestComputerActions::connectShowsTheComputerState()
{
    Bench b;
    QCOMPARE(b.actions.connectTarskBle(), 1);
    QVERIFY(b.img.styleSheet().contains("Veltra-bluetooth-on.png"));

    const QString tip = b.img.toolTip();
    QXmlStreamReader xml(tip);
    QString text;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::Characters)
            text += xml.text().toString() + "|";
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString() + " in " + tip));
    QCOMPARE(text,
        "Computer Connected|Serial " + b.v.link->computerInfo().serialNumber + "|Mode Normal|");
    QVERIFY(ComputerActions::connectedToolTip("A<B", 2).contains("Serial A&lt;B"));
    QVERIFY(ComputerActions::connectedToolTip("x", 2).contains("Mode Firmware"));

    // Already connected: no dialog, no command.
    const int writes = b.v.computer->writes().size();
    QCOMPARE(b.actions.connectTarskBle(), 1);
    QCOMPARE(b.v.computer->writes().size(), writes);

    // The computer goes away: the label says so and the window's widgets follow.
    b.v.computer->dropConnection();
    QTRY_VERIFY(b.img.styleSheet().contains("Veltra-power-off.png"));
    QCOMPARE(b.img.toolTip(), QString("Computer Disconnected"));
    QCOMPARE(b.r.disconnects, 1);
}

void TestComputerActions::anotherVariantIsRefused()
{
    Bench b;
    b.v.computer->setModeByte(11); // variant 1
    closeConnectionDialogOnFailure(b.actions);
    QCOMPARE(b.actions.connectTarskBle(), 0);
    QCOMPARE(b.actions.connectionDialog()->message(), QString("Error: Unauthorized access"));
    QVERIFY(!b.v.link->isConnected());
    QVERIFY(!b.img.styleSheet().contains("bluetooth-on"));
    // Nothing further was asked of the computer: no serial, no dive list.
    QCOMPARE(b.v.framesWithCode(3), 0);
    QCOMPARE(b.v.framesWithCode(19), 0);
}

void TestComputerActions::downloadsNewDivesIntoTheLogbook()
{
    QTemporaryDir dir;
    LogbookDatabase& logbook = LogbookDatabase::instance();
    QCOMPARE(logbook.openOrCreate(dir.filePath("diveDB.db")), int(LogbookDatabase::Success));

    VirtualLink v;
    QWidget window;
    QLabel img(&window);
    Recorder r;
    ComputerActions::Hooks hooks = r.hooks();
    int stores = 0;
    hooks.storeDive = [&](DiveProfile& d) {
        ++stores;
        return logbook.storeDive(d);
    };
    hooks.diveStored = [&](const QString& name, const QString& serial) {
        return logbook.findDive(name, serial) >= 0;
    };
    ComputerActions actions(&window, &img, hooks);
    QSignalSpy stored(&actions, &ComputerActions::divesStored);

    int listed = 0;
    driveDownload(actions, &listed);
    actions.onDownloadDives();
    QCOMPARE(listed, 4);
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored[0][0].toInt(), 4);
    QCOMPARE(stores, 4);

    const QString serial = v.link->computerInfo().serialNumber;
    const int id = logbook.findDive("2", serial);
    QVERIFY(id >= 0);
    DiveProfile nitrox;
    QVERIFY(logbook.loadDive(id, nitrox));
    // The nitrox deco dive as planned: 32 m, EAN32 then EAN50 from 21 m, deco ceilings and
    // a no-decompression stretch, one sample every 5 s.
    QCOMPARE(nitrox.computer, QString("Veltra Demo"));
    QCOMPARE(nitrox.dateTime, qint64(1777730400));
    QVERIFY(qAbs(nitrox.maxDepth - 32.0) < 0.05);
    QCOMPARE(nitrox.gases.size(), 2);
    QCOMPARE(nitrox.gases[0].o2, 32);
    QCOMPARE(nitrox.gases[1].o2, 50);
    bool ndl = false, ceiling = false, switched = false;
    for (int i = 0; i < nitrox.samples.size(); ++i) {
        const DiveSample& s = nitrox.samples[i];
        QCOMPARE(s.time, 5.0 * i);
        ndl |= ndlMinutes(s) > 0 && ceilingMetres(s) == 0;
        ceiling |= ceilingMetres(s) >= 2.0;
        QVERIFY(s.gasIndex == 0 || s.gasIndex == 1);
        switched |= s.gasIndex == 1;
    }
    QVERIFY(ndl && ceiling && switched);

    const int lakeId = logbook.findDive("4", serial);
    DiveProfile lake;
    QVERIFY(logbook.loadDive(lakeId, lake));
    QCOMPARE(lake.freshWater, 1u);
    QVERIFY(qAbs(lake.surfacePressure - 0.910) < 1e-9);
    QVERIFY(qAbs(lake.maxDepth - 12.0) < 0.05);

    // A second download finds them all in the logbook: nothing ticked, nothing stored twice.
    driveDownload(actions, &listed);
    actions.onDownloadDives();
    QCOMPARE(stores, 4);
    QCOMPARE(v.framesWithCode(20), 4);
    logbook.close();
}

void TestComputerActions::ownerNameTwice()
{
    VirtualLink v;
    QWidget window;
    QLabel img(&window);
    Recorder r;
    r.ownerAnswers = { "Alice", "Bob", "", QString(40, QChar(0x00E9)) };
    ComputerActions actions(&window, &img, r.hooks());

    actions.onProgramName();
    QTRY_COMPARE(v.computer->ownerName(), QByteArray("Alice"));
    QCOMPARE(r.ownerDialogs, 1);
    QCOMPARE(v.framesWithCode(22), 1);
    QCOMPARE(v.framesWithCode(23), 1);

    actions.onProgramName();
    QTRY_COMPARE(v.computer->ownerName(), QByteArray("Bob"));
    QCOMPARE(r.ownerDialogs, 2);
    QCOMPARE(v.framesWithCode(22), 2);
    QCOMPARE(v.framesWithCode(23), 2);

    // Cancelled: no SetOwner.
    actions.onProgramName();
    QTRY_COMPARE(r.ownerDialogs, 3);
    QTest::qWait(50);
    QCOMPARE(v.framesWithCode(23), 2);

    // 40 two-byte characters (80 bytes) do not fit the computer's 31: refused with the limit,
    // never cut where the user cannot see it.
    actions.onProgramName();
    QTRY_COMPARE(r.ownerDialogs, 4);
    QTRY_COMPARE(r.warnings.size(), 1);
    QVERIFY2(r.warnings[0].contains("at most 31 bytes (80 given"), qPrintable(r.warnings[0]));
    QCOMPARE(v.framesWithCode(23), 2);
    QCOMPARE(v.computer->ownerName(), QByteArray("Bob"));
}

void TestComputerActions::firmwareModeChecks()
{
    Bench b;
    b.v.computer->setModeByte(VirtualDiveComputer::kFirmwareModeByte);
    QCOMPARE(b.actions.connectTarskBle(), 1);
    QVERIFY(b.img.toolTip().contains("Mode Firmware"));

    b.actions.onProgramName();
    QCOMPARE(b.r.warnings, QStringList { "Warning: The computer is in Bootloader mode" });
    b.actions.onDownloadDives();
    QCOMPARE(b.r.firmwareManagers, 1);
    QCOMPARE(b.v.framesWithCode(19), 0);
    QCOMPARE(b.v.framesWithCode(22), 0);
}

void TestComputerActions::resetAndCloseAskFirst()
{
    Bench b;
    QCOMPARE(b.actions.connectTarskBle(), 1);

    b.r.answerYes = false;
    b.actions.resetComputer();
    b.actions.closeConnection();
    QCOMPARE(b.r.questions, (QStringList { "Reset Computer", "Disconnect Computer" }));
    QCOMPARE(b.v.framesWithCode(254), 0);
    QVERIFY(b.v.link->isConnected());

    b.r.answerYes = true;
    b.actions.resetComputer();
    QCOMPARE(b.v.framesWithCode(254), 1);
    // The computer's answer makes the link disconnect.
    QTRY_VERIFY(!b.v.link->isConnected());
    QTRY_VERIFY(b.img.styleSheet().contains("power-off"));

    // Reconnect, then close the connection.
    QCOMPARE(b.actions.connectTarskBle(), 1);
    b.actions.closeConnection();
    QTRY_VERIFY(!b.v.link->isConnected());
    QTRY_COMPARE(b.img.toolTip(), QString("Computer Disconnected"));

    // With the real question box, Enter answers No: nothing is reset by a hasty key.
    QCOMPARE(b.actions.connectTarskBle(), 1);
    ComputerActions::Hooks plain = b.r.hooks();
    plain.confirm = nullptr;
    ComputerActions real(&b.window, nullptr, plain);
    QString asked;
    QTimer::singleShot(50, &b.window, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            asked = box->findChild<QLabel*>("qt_msgbox_label")->text();
            QTest::keyClick(box, Qt::Key_Return);
        }
    });
    real.resetComputer();
    QVERIFY2(asked.contains("download new dives first"), qPrintable(asked));
    QTest::qWait(50);
    QCOMPARE(b.v.framesWithCode(254), 1);
    QVERIFY(b.v.link->isReady());
}

void TestComputerActions::doubleClickAsksAndIsConsumed()
{
    Bench b;
    QCOMPARE(b.actions.connectTarskBle(), 1);

    auto doubleClick = [&] {
        QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), b.img.mapToGlobal(QPointF(5, 5)),
            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        return QCoreApplication::sendEvent(&b.img, &e);
    };
    b.r.answerYes = false;
    QVERIFY(doubleClick());
    QVERIFY(b.v.link->isConnected());
    b.r.answerYes = true;
    QVERIFY(doubleClick());
    QTRY_VERIFY(!b.v.link->isConnected());
    QCOMPARE(b.r.questions, (QStringList { "Disconnect Computer", "Disconnect Computer" }));
    // Other events pass.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), b.img.mapToGlobal(QPointF(5, 5)),
        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&b.img, &press);
    QCOMPARE(b.r.questions.size(), 2);
}

void TestComputerActions::actionsWithoutALink()
{
    QVERIFY(!bleLink);
    QWidget window;
    QLabel img(&window);
    Recorder r;
    ComputerActions actions(&window, &img, r.hooks());
    QCOMPARE(actions.connectTarskBle(), 0);
    QCOMPARE(r.warnings.last(), QString("Error: The Bluetooth link cannot be created"));
    actions.onProgramName();
    actions.onDownloadDives();
    actions.resetComputer();
    actions.closeConnection();
    actions.onImgVeltraContextualMenu(QPoint(1, 1)); // no menu: would block otherwise

    // A link that is not connected: no menu either, actions refuse clearly.
    VirtualLink v;
    actions.onImgVeltraContextualMenu(QPoint(1, 1));
    actions.resetComputer();
    QVERIFY(v.computer->writes().isEmpty());
}

void TestComputerActions::serviceErrorsGoToTheConsole()
{
    Bench b;
    QCOMPARE(b.actions.connectTarskBle(), 1);
    emit b.v.link->onServiceError(QLowEnergyService::OperationError);
    QCOMPARE(b.r.console.last(), QString("Service Error: Operation Error"));
}

QTEST_MAIN(TestComputerActions)
#include "tst_computeractions.moc"
