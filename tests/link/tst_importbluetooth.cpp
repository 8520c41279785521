// The dive download end to end: the real TarskBle over the virtual dive computer, the dialog
// driven as a user would, the dives checked against what was planned for the virtual computer.

#include "link/importbluetooth.h"
#include "virtuallink.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <ctime>

namespace {

// A two-dive store: a deep deco dive with two gases and a short dive numbered 300.
QList<VirtualDive> smallStore()
{
    VirtualDivePlan deco;
    deco.number = 7;
    deco.startTime = 1777711200; // 2026-05-02 08:40 UTC
    deco.depthM = 36;
    deco.bottomMinutes = 25;
    deco.gases = { { 28, 0, 0 }, { 50, 0, 21 } };
    deco.headerFormat = 5;
    deco.sampleFormat = 2;
    VirtualDivePlan shallow;
    shallow.number = 300;
    shallow.startTime = 1777730400; // 2026-05-02 14:00 UTC
    shallow.depthM = 9;
    shallow.bottomMinutes = 10;
    shallow.safetyStop = false;
    return { simulateVirtualDive(deco), simulateVirtualDive(shallow) };
}

// The small store with dive 300 announcing more samples than it holds, or cut in a record.
class TamperedStore : public SimulatedDiveStore
{
public:
    TamperedStore(int extraSamples, int cutBytes)
        : SimulatedDiveStore(withExtra(extraSamples))
        , m_cut(cutBytes)
    { }
    QByteArray sampleStream(quint16 number, bool tissues) const override
    {
        QByteArray s = SimulatedDiveStore::sampleStream(number, tissues);
        if (number == 300)
            s.chop(m_cut);
        return s;
    }

private:
    static QList<VirtualDive> withExtra(int extra)
    {
        QList<VirtualDive> dives = smallStore();
        dives[1].header.sampleCount += extra;
        return dives;
    }
    int m_cut;
};

// The link connected to a virtual computer and the download dialog on it.
struct Session
{
    VirtualLink v;
    std::unique_ptr<ImportBluetooth> dialog;
    QList<DiveProfile> dives;

    explicit Session(std::shared_ptr<const VirtualDiveStore> store
        = std::make_shared<SimulatedDiveStore>(smallStore()))
        : v(std::move(store))
    {
        if (v.connectAndIdentify())
            dialog = std::make_unique<ImportBluetooth>(nullptr, v.link);
    }
    // Waits in an event loop (QTest::qWaitFor sleeps between passes, which slows the link).
    template <typename Done> static bool until(Done done)
    {
        for (int i = 0; i < 250 && !done(); ++i)
            QTest::qWait(20);
        return done();
    }
    bool idle()
    {
        return until([this] { return !dialog->isBusy(); });
    }
    // Fetches the dive list.
    bool list() { return dialog && dialog->start(&dives) && idle(); }
    QPushButton* button(const char* name) { return dialog->findChild<QPushButton*>(name); }
    QListWidgetItem* row(int i) { return dialog->findChild<QListWidget*>("listDives")->item(i); }
    int rows() { return dialog->findChild<QListWidget*>("listDives")->count(); }
    // The first line of the message (a failure adds what to do on a second line).
    QString info() { return dialog->findChild<QLabel*>("lbinfo")->text().section('\n', 0, 0); }
    // Ticks these rows only and clicks Import.
    void import(const QList<int>& ticked)
    {
        for (int i = 0; i < rows(); ++i)
            row(i)->setCheckState(ticked.contains(i) ? Qt::Checked : Qt::Unchecked);
        button("btImport")->click();
    }
    bool offers(const char* name)
    {
        return until([&] { return !button(name)->isHidden() && button(name)->isEnabled(); });
    }
    int samplesOf(int headerRow) { return int(dialog->headers()[headerRow].sampleCount); }
};

} // namespace

class TestImportBluetooth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local time two hours ahead of UTC on the test dates, so a UTC text would show.
        qputenv("TZ", "Europe/Paris");
        tzset();
    }

    void downloadsTickedDivesWithAndWithoutTissues()
    {
        // The demo dives: 1 air, 2 nitrox deco, 3 trimix deco, 4 lake.
        Session s(std::make_shared<SimulatedDiveStore>());
        QVERIFY(s.list());
        // Dive 2 without tissues, then dive 3 with tissues.
        s.import({ 1 });
        QVERIFY(s.idle());
        s.dialog->findChild<QCheckBox*>("ckDbg")->setChecked(true);
        s.import({ 2 });
        QVERIFY(s.idle());
        QCOMPARE(s.dives.size(), 2);
        // The request for dive 2 was code 20, for dive 3 code 21.
        QCOMPARE(s.v.framesWithCode(20), 1);
        QCOMPARE(s.v.framesWithCode(21), 1);

        const DiveProfile& nitrox = s.dives[0];
        QCOMPARE(QStringList({ nitrox.name, nitrox.serial, nitrox.firmwareVersion,
                     QString::number(nitrox.dateTime) }),
            QStringList({ "2", s.v.link->computerInfo().serialNumber, "1.2.3.b", "1777730400" }));
        QVERIFY(qAbs(nitrox.maxDepth - 32.0) < 0.05);
        QCOMPARE(nitrox.gases[1].o2, 50);
        QCOMPARE(nitrox.samples.size(), s.samplesOf(1));
        QCOMPARE(nitrox.samples.last().depth, 0.0);
        // Tissues only where asked for.
        auto hasTissues = [](const DiveProfile& dive) {
            return std::any_of(dive.samples.begin(), dive.samples.end(), [](const DiveSample& d) {
                return std::any_of(
                    std::begin(d.tissues), std::end(d.tissues), [](quint8 t) { return t; });
            });
        };
        QVERIFY(!hasTissues(nitrox));
        QCOMPARE(s.dives[1].name, QString("3"));
        QCOMPARE(s.dives[1].samples.size(), s.samplesOf(2));
        QVERIFY(hasTissues(s.dives[1]));
        // Downloaded dives are not ticked any more.
        QCOMPARE(s.row(1)->checkState(), Qt::Unchecked);
    }

    void importIsDisabledWhileBusyAndStrayEndsAreIgnored()
    {
        Session s;
        QVERIFY(s.dialog);
        // An end with nothing queued (before any list, and after) changes nothing.
        emit s.v.link->onEndCommand(VeltraCommand::GetDiveSamples);
        QVERIFY(s.list());
        emit s.v.link->onEndCommand(VeltraCommand::GetDiveSamples);
        QVERIFY(s.dives.isEmpty());
        // Listed in arrival order: 08:40 UTC is 10:40 in Paris in May; 36.0 m; 300 padded to
        // three digits. Without a logbook to compare with, nothing is ticked.
        QCOMPARE(s.rows(), 2);
        const QString first = s.row(0)->text(), second = s.row(1)->text();
        QVERIFY2(first.startsWith("007 - 02/05/2026 10:40 - 36.0m - "), qPrintable(first));
        QVERIFY2(second.startsWith("300 - 02/05/2026 16:00 -  9.0m - "), qPrintable(second));
        QCOMPARE(s.row(0)->checkState(), Qt::Unchecked);

        s.import({ 0, 1 });
        // A second click (as a queued event could still deliver) neither restarts nor re-queues.
        s.dialog->on_btImport_clicked();
        QCOMPARE(s.dialog->importQueue(), (QList<quint16> { 7, 300 }));
        QVERIFY(s.idle());
        QCOMPARE(s.dives.size(), 2);
        QCOMPARE(s.v.payloadsOf(20), (QList<QByteArray> { QByteArray("\x07\x00", 2), "\x2C\x01" }));
        QCOMPARE(s.dives[0].samples.size(), s.samplesOf(0));
        QCOMPARE(s.dives[1].samples.size(), s.samplesOf(1));

        // Importing again does not fetch the downloaded dives a second time.
        s.import({ 0, 1 });
        QCOMPARE(s.v.framesWithCode(20), 2);
        QCOMPARE(s.dives.size(), 2);
    }

    void streamNotMatchingItsHeaderIsRefused()
    {
        // Samples more announced than sent, bytes cut from the stream, the reason. Dive 300 has
        // 6-byte records: 3 bytes less leaves half a record.
        const std::tuple<int, int, QString> rows[] = {
            { 35, 0, "samples received, the dive's header announces" },
            { 0, 3, "are not whole samples" },
        };
        for (const auto& [extraSamples, cutBytes, reason] : rows) {
            Session s(std::make_shared<TamperedStore>(extraSamples, cutBytes));
            QVERIFY(s.dialog);
            s.dialog->setSettleInterval(50);
            int stored = 0;
            s.dialog->setStoreDive([&](DiveProfile&) { return ++stored, 0; });
            QVERIFY(s.list());
            s.import({ 0, 1 });
            QVERIFY(s.offers("btRetry"));
            QVERIFY2(s.info().startsWith("Dive 300 failed: ") && s.info().contains(reason),
                qPrintable(s.info()));
            // Dive 7 is kept, dive 300 never reaches the logbook.
            QCOMPARE(s.dives.size(), 1);
            QCOMPARE(stored, 1);
        }
    }

    void lateStreamIsNotStoredUnderTheNextDive()
    {
        Session s;
        QVERIFY(s.dialog);
        s.dialog->setSettleInterval(50);
        QVERIFY(s.list());
        // The computer holds every reply for a second, far past the link's watchdog; the user
        // skips dive 7 before its stream comes, so it comes while dive 300 is awaited.
        s.v.link->setReplyTimeout(200);
        s.v.computer->setReplyDelay(1000);
        s.import({ 0, 1 });
        QVERIFY(s.offers("btSkip"));
        QCOMPARE(s.info(), QString("Dive 7 failed: Timeout"));
        s.v.link->setReplyTimeout(3000);
        s.button("btSkip")->click();
        QTRY_VERIFY_WITH_TIMEOUT(s.info().startsWith("Dive 300 failed: "), 5000);
        QVERIFY2(s.info().contains("the dive's header announces"), qPrintable(s.info()));
        QVERIFY(s.dives.isEmpty());

        // Once the link is quiet, dive 300 comes with its own samples.
        s.v.computer->setReplyDelay(0);
        QTRY_VERIFY(s.button("btRetry")->isEnabled());
        QTest::qWait(700);
        s.button("btRetry")->click();
        QVERIFY(s.idle());
        QCOMPARE(s.dives.size(), 1);
        QCOMPARE(s.dives[0].name, QString("300"));
        QCOMPARE(s.dives[0].samples.size(), s.samplesOf(1));
    }

    void eachDiveIsStoredAtOnce()
    {
        Session s;
        QVERIFY(s.dialog);
        QStringList logbook;
        int storedWhenSecondAsked = -1;
        bool logbookRefuses = true;
        s.dialog->setStoreDive([&](DiveProfile& dive) {
            if (dive.name == "300" && logbookRefuses)
                return 3;
            logbook << dive.name;
            return 0;
        });
        QObject::connect(s.v.computer, &BleTransport::characteristicWritten, s.dialog.get(), [&] {
            if (storedWhenSecondAsked < 0 && s.v.framesWithCode(20) == 2)
                storedWhenSecondAsked = int(logbook.size());
        });
        QVERIFY(s.list());
        s.import({ 0, 1 });
        QVERIFY(s.idle());
        // Dive 7 was in the logbook before dive 300 was even asked for.
        QCOMPARE(storedWhenSecondAsked, 1);

        // The refused dive stays in the dialog, to be stored again.
        QCOMPARE(s.dialog->unstoredDives().size(), 1);
        // Closing while dive 300 exists only here asks first; No keeps the dialog open.
        QStringList closeQuestions;
        s.dialog->setConfirmClose(
            [&](const QString& text) { return closeQuestions << text, false; });
        s.dialog->show();
        s.button("pushButton")->click();
        QCOMPARE(closeQuestions.size(), 1);
        QVERIFY(s.dialog->isVisible());
        logbookRefuses = false;
        s.button("btStoreAgain")->click();
        QCOMPARE(logbook, (QStringList { "7", "300" }));
        QVERIFY(s.dialog->unstoredDives().isEmpty());
        // Nothing left to lose: it closes without a question.
        s.button("pushButton")->click();
        QCOMPARE(closeQuestions.size(), 1);
        QVERIFY(!s.dialog->isVisible());
    }
};

QTEST_MAIN(TestImportBluetooth)
#include "tst_importbluetooth.moc"
