// The connection dialog and the window's computer actions over the real link to the virtual
// computer: identification, download into a logbook file, reset; the demo transport switch.

#include "app/computerlink.h"
#include "computer/computeractions.h"
#include "computer/formbluetoothconnect.h"
#include "link/importbluetooth.h"
#include "link/qtbletransport.h"
#include "logbook/logbookdatabase.h"
#include "tests/filesizelimit.h"
#include "virtuallink.h"

#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// Records what the actions ask of the window.
struct Recorder
{
    QStringList warnings;
    bool answerYes = true;

    ComputerActions::Hooks hooks()
    {
        ComputerActions::Hooks h;
        h.warn = [this](const QString& title, const QString& text) {
            warnings << title + ": " + text;
        };
        h.confirm = [this](const QString&, const QString&) { return answerYes; };
        h.askOwner = [](QWidget*, const QString&) { return std::optional<QString>(); };
        h.openFirmwareManager = [] {};
        h.makeLink = [](QObject*, std::function<void(const QString&)>) -> TarskBle* {
            return nullptr; // the test makes the link itself
        };
        return h;
    }
};

// The window's computer label and the actions on it, over a virtual computer.
struct Bench
{
    VirtualLink v;
    QWidget window;
    QLabel img { &window };
    Recorder r;
    ComputerActions actions { &window, &img, r.hooks() };
};

QList<int> sentCodes(const VirtualLink& v)
{
    QList<int> codes;
    for (const QByteArray& f : v.computer->writes())
        codes << quint8(f[8]);
    return codes;
}

// Drives the download dialog as a user: Import with the default ticks once listed, then OK.
void driveDownload(ComputerActions& actions, int* listed, QString* said = nullptr)
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
        if (said)
            *said = dialog->findChild<QLabel*>("lbinfo")->text();
        dialog->findChild<QPushButton*>("pushButton")->click();
        timer->deleteLater();
    });
    timer->start(20);
}

} // namespace

class TestComputerActions : public QObject
{
    Q_OBJECT

private slots:
    void dialog_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        auto row = [](const char* tag, const char* fault, const char* message) {
            QTest::newRow(tag) << QString(fault) << QString(message);
        };
        // 1013 mbar = 1.013 bar.
        row("identified", "", "Ambient pressure: 1.013\u00a0bar");
        // Had the failed run's connections stayed, each reply would send its next command twice.
        row("second run after a failure", "retry", "Ambient pressure: 1.013\u00a0bar");
        row("no computer in range", "silent", "No Device Found");
        row("no serial-data service", "noservice", "No Computer Found");
        row("damaged identity reply", "crc", "What the computer sent arrived damaged.");
        // Identification is all or nothing: a half-known computer is not left connected.
        row("serial reply lost", "serialsilent", "The computer stopped answering.");
        // Two such computers would be one: their dives would be taken for each other's.
        row("serial of zeros", "zeroserial", "The computer sent no serial number.");
        row("nameless computer", "noname", "The computer sent no name.");
        // Some stacks report a clean disconnect with disconnected() alone.
        row("disconnect during set-up", "dropdetails",
            "The computer disconnected while reading the service");
        row("Bluetooth switched off", "poweredoff", "Bluetooth is switched off.");
        row("cancelled", "cancel", "");
    }

    void dialog()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        VirtualLink v;
        v.link->setReplyTimeout(200);
        v.computer->setAdvertising(fault != "silent");
        v.computer->setServicePresent(fault != "noservice");
        if (fault == "crc")
            v.computer->corruptNextReply();
        if (fault == "cancel")
            v.computer->setAnswering(false);
        if (fault == "zeroserial")
            v.computer->setSerialWords(0, 0, 0);
        if (fault == "noname")
            v.computer->setComputerName("");
        if (fault == "dropdetails") {
            v.computer->setSilentStep(VirtualDiveComputer::SilentStep::Details);
            QObject::connect(v.computer, &BleTransport::discoveryFinished, v.computer,
                [&v] { v.computer->disconnectFromDevice(); });
        }
        QObject::connect(
            v.link, &TarskBle::onEndCommand, v.link, [&](VeltraCommand::VeltraCommandIn c) {
                if (c == VeltraCommand::GetInfo && fault == "serialsilent")
                    v.computer->setAnswering(false);
            });

        FormBluetoothConnect form(nullptr, v.link);
        QSignalSpy rejected(&form, &QDialog::rejected);
        if (fault == "retry") {
            v.computer->setAdvertising(false);
            QVERIFY(form.start());
            QTRY_COMPARE(form.message(), QString("No Device Found"));
            form.finish();
            v.computer->setAdvertising(true);
        }
        QVERIFY(form.start());
        if (fault == "poweredoff")
            emit v.computer->scanError(QBluetoothDeviceDiscoveryAgent::PoweredOffError);
        if (fault == "cancel") {
            // Cancelled during the identification: the half-known computer is not left
            // connected.
            QTRY_VERIFY(v.link->isReady());
            form.findChild<QPushButton*>("btCancel")->click();
            QVERIFY(!v.link->isReady());
            QTRY_VERIFY(!v.computer->isConnected());
            return;
        }
        QTRY_VERIFY2(form.message().startsWith(message), qPrintable(form.message()));
        if (fault.isEmpty() || fault == "retry") {
            // The settings' reply, after the pressure is shown, closes the dialog.
            QTRY_COMPARE(form.result(), int(QDialog::Accepted));
            // 1 -> 3 -> 9 -> 24, each sent once, nothing else.
            QCOMPARE(sentCodes(v), (QList<int> { 1, 3, 9, 24 }));
            QVERIFY(v.link->isReady());
            return;
        }
        QTRY_VERIFY(!v.link->isConnected());
        QVERIFY(!v.link->isReady());
        QVERIFY(!form.findChild<QWidget*>("bottomBar")->isHidden());
        QVERIFY(!form.findChild<QWidget*>("btRetry")->isHidden());
        QVERIFY(!form.isAnimating());
        form.findChild<QPushButton*>("btClose")->click();
        QCOMPARE(rejected.size(), 1);
    }

    void anotherVariantIsRefused()
    {
        Bench b;
        b.v.computer->setModeByte(11); // variant 1
        // Closes the connection dialog once it shows the failure.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &closer, [&] {
            FormBluetoothConnect* form = b.actions.connectionDialog();
            if (form->isVisible() && !form->findChild<QWidget*>("bottomBar")->isHidden())
                form->findChild<QPushButton*>("btClose")->click();
        });
        closer.start(20);
        QCOMPARE(b.actions.connectTarskBle(), 0);
        QCOMPARE(b.actions.connectionDialog()->message(), QString("Error: Unauthorized access"));
        QVERIFY(!b.v.link->isConnected());
        // Nothing further was asked of the computer: no serial, no dive list.
        QCOMPARE(b.v.framesWithCode(3), 0);
        QCOMPARE(b.v.framesWithCode(19), 0);
    }

    void downloadsNewDivesIntoTheLogbook()
    {
        QTemporaryDir dir;
        LogbookDatabase& logbook = LogbookDatabase::instance();
        const QString file = dir.filePath("diveDB.db");
        QCOMPARE(logbook.openOrCreate(file), int(LogbookDatabase::Success));
        VirtualLink v;
        QWidget window;
        QLabel img(&window);
        Recorder r;
        ComputerActions::Hooks hooks = r.hooks();
        QStringList undoable;
        hooks.downloadStored = [&](const DiveProfile& d, int) { undoable << d.name; };
        hooks.linkLogPath = dir.filePath("link.log");
        hooks.askSavePath = [&](QWidget*) { return dir.filePath("sent.log"); };
        ComputerActions actions(&window, &img, hooks);
        QSignalSpy stored(&actions, &ComputerActions::divesStored);

        // A logbook that cannot grow refuses every dive: said once, in the dialog, and closing
        // asks first (answered Yes here); no box per dive.
        int listed = 0;
        QString said;
        driveDownload(actions, &listed, &said);
        QVERIFY(underFileSizeLimit(QFileInfo(file).size(), [&] { actions.onDownloadDives(); }));
        QVERIFY2(said.startsWith("Downloaded but not stored in the logbook: dive 1, 2, 3, 4."),
            qPrintable(said));
        QVERIFY2(r.warnings.isEmpty(), qPrintable(r.warnings.join('\n')));
        QVERIFY(undoable.isEmpty());
        // The link log the diver can send tells why.
        actions.saveLinkLog();
        QFile sent(dir.filePath("sent.log"));
        QVERIFY(sent.open(QIODevice::ReadOnly));
        QVERIFY(sent.readAll().contains("Dive 4 not stored in the logbook"));

        driveDownload(actions, &listed);
        actions.onDownloadDives();
        QCOMPARE(listed, 4);
        QCOMPARE(stored.last()[0].toInt(), 4);
        QCOMPARE(undoable, (QStringList { "1", "2", "3", "4" }));

        // A second download finds them all in the logbook: nothing ticked, nothing stored twice.
        driveDownload(actions, &listed);
        actions.onDownloadDives();
        QCOMPARE(undoable.size(), 4);
        QCOMPARE(v.framesWithCode(20), 8);
        logbook.close();
    }

    void resetAndCloseAskFirst()
    {
        Bench b;
        QCOMPARE(b.actions.connectTarskBle(), 1);
        b.r.answerYes = false;
        b.actions.resetComputer();
        QCOMPARE(b.v.framesWithCode(254), 0);

        b.r.answerYes = true;
        b.actions.resetComputer();
        QCOMPARE(b.v.framesWithCode(254), 1);
        // The computer's answer makes the link disconnect.
        QTRY_VERIFY(!b.v.link->isConnected());

        // With the real question box, Enter answers No: nothing is reset by a hasty key.
        QCOMPARE(b.actions.connectTarskBle(), 1);
        ComputerActions::Hooks plain = b.r.hooks();
        plain.confirm = nullptr;
        ComputerActions real(&b.window, nullptr, plain);
        QTimer::singleShot(50, &b.window, [&] {
            if (QWidget* box = QApplication::activeModalWidget())
                QTest::keyClick(box, Qt::Key_Return);
        });
        real.resetComputer();
        QTest::qWait(50);
        QCOMPARE(b.v.framesWithCode(254), 1);
        QVERIFY(b.v.link->isReady());
    }

    // How the application picks the computer's transport.
    void demoSwitchChoosesTransport()
    {
        // Environment, options.ini demoComputer, demo transport: only 1 switches it on.
        const std::tuple<QByteArray, QString, bool> rows[] = {
            { {}, {}, false },
            { {}, "1", true },
            { {}, "true", false },
            { "1", {}, true },
            { "0", {}, false },
        };
        for (const auto& [env, ini, demo] : rows) {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("options.ini"));
            if (!ini.isEmpty()) {
                QFile f(path);
                QVERIFY(f.open(QIODevice::WriteOnly));
                f.write("[hidden]\ndemoComputer=" + ini.toUtf8() + "\n");
            }
            qputenv("VELTRA_DEMO_COMPUTER", env);
            const bool requested = demoComputerRequested(path);
            qunsetenv("VELTRA_DEMO_COMPUTER");
            QCOMPARE(requested, demo);
            std::unique_ptr<TarskBle> link(makeComputerLink(nullptr, {}, requested));
            QCOMPARE(qobject_cast<VirtualDiveComputer*>(link->transport()) != nullptr, demo);
            QCOMPARE(qobject_cast<QtBleTransport*>(link->transport()) != nullptr, !demo);
        }
    }
};

QTEST_MAIN(TestComputerActions)
#include "tst_computeractions.moc"
