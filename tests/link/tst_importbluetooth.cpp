// The dive download end to end: the real TarskBle over the virtual dive computer, the dialog
// driven as a user would, the dives checked against what was planned for the virtual computer.

#include "link/downloadlogbook.h"
#include "link/importbluetooth.h"
#include "logbook/logbookdatabase.h"
#include "virtuallink.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
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

// Dives 7 (36 m) and 8 (18 m, every depth halved): equal sample counts, equal lengths.
QList<VirtualDive> twinDives()
{
    VirtualDivePlan plan;
    plan.number = 7;
    plan.startTime = 1777711200;
    plan.depthM = 36;
    VirtualDive shallow = simulateVirtualDive(plan);
    const VirtualDive deep = shallow;
    shallow.header.number = 8;
    shallow.header.startTime += 6 * 3600;
    shallow.header.endTime += 6 * 3600;
    shallow.header.maxDepthDm /= 2;
    for (DeviceSample& d : shallow.samples)
        d.depthWord = quint16(d.depthDm() / 2);
    return { deep, shallow };
}

// A logbook file of its own, the program's one logbook while it lives.
struct TempLogbook
{
    QTemporaryDir dir;
    LogbookDatabase& db = LogbookDatabase::instance();
    bool open() { return db.openOrCreate(dir.filePath("dives.db")) == LogbookDatabase::Success; }
    ~TempLogbook() { db.close(); }
    double maxDepthOf(const QString& name, const QString& serial)
    {
        DiveProfile d;
        return db.loadDive(db.findDive(name, serial), d) ? d.maxDepth : -1;
    }
};

// The link connected to a virtual computer and the download dialog on it.
struct Session
{
    VirtualLink v;
    std::unique_ptr<ImportBluetooth> dialog;
    QList<DiveProfile> dives;
    QStringList said; // the dialog's log

    explicit Session(std::shared_ptr<const VirtualDiveStore> store
        = std::make_shared<SimulatedDiveStore>(smallStore()))
        : v(std::move(store))
    {
        if (!v.connectAndIdentify())
            return;
        dialog = std::make_unique<ImportBluetooth>(nullptr, v.link);
        dialog->setLog([this](const QString& line) { said << line; });
    }
    // The download's own road into the logbook.
    void storeInto(LogbookDatabase& db)
    {
        dialog->setStoredCheck(logbookStoredCheck(db));
        dialog->setStoreDive(logbookStore(db));
    }
    QString serial() { return v.link->computerInfo().serialNumber; }
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
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        const auto restore = qScopeGuard([before] { QLocale::setDefault(before); });
        Session s;
        QVERIFY(s.dialog);
        // An end with nothing queued (before any list, and after) changes nothing.
        emit s.v.link->onEndCommand(VeltraCommand::GetDiveSamples);
        QVERIFY(s.list());
        emit s.v.link->onEndCommand(VeltraCommand::GetDiveSamples);
        QVERIFY(s.dives.isEmpty());
        // Listed in arrival order: 08:40 UTC is 10:40 in Paris in May; 36.0 m; 300 padded to
        // three digits; read in French, with its date order and decimal comma. Without a logbook
        // to compare with, nothing is ticked.
        QCOMPARE(s.rows(), 2);
        const QString first = s.row(0)->text(), second = s.row(1)->text();
        QVERIFY2(first.startsWith(u"007 - 02/05/2026 10:40 - 36,0\u00a0m - "), qPrintable(first));
        QVERIFY2(second.startsWith(u"300 - 02/05/2026 16:00 - 9,0\u00a0m - "), qPrintable(second));
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
            { 0, 3, "bytes received are not whole samples" },
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
            QCOMPARE(s.info(),
                QString("Dive 300 failed: What arrived is not this dive. Wait for Retry, then "
                        "press it."));
            QVERIFY(
                s.said.last().startsWith("Dive 300 failed: ") && s.said.last().contains(reason));
            // Dive 7 is kept, dive 300 never reaches the logbook.
            QCOMPARE(s.dives.size(), 1);
            QCOMPARE(stored, 1);
        }
    }

    void disturbedStreamIsNeverStored()
    {
        // One notification in the middle of dive 7's stream lost, doubled, or overtaken.
        for (int fault = 0; fault < 3; ++fault) {
            Session s;
            QVERIFY(s.dialog);
            s.dialog->setSettleInterval(50);
            QVERIFY(s.list());
            const int at = s.v.faults->seen + 9;
            (fault == 0          ? s.v.faults->lost
                    : fault == 1 ? s.v.faults->doubled
                                 : s.v.faults->swapped)
                << at;
            s.import({ 0 });
            QVERIFY(s.offers("btRetry"));
            QVERIFY(s.dives.isEmpty());
            s.button("btRetry")->click();
            QVERIFY(s.idle());
            QCOMPARE(s.dives.size(), 1);
            QCOMPARE(s.dives[0].samples.size(), s.samplesOf(0));
        }
    }

    void lateStreamIsNotStoredUnderTheNextDive()
    {
        // Skip (dive 8 asked next) or Retry (dive 7 again) while dive 7's stream is held back.
        for (const char* button : { "btSkip", "btRetry" }) {
            TempLogbook logbook;
            QVERIFY(logbook.open());
            Session s(std::make_shared<SimulatedDiveStore>(twinDives()));
            QVERIFY(s.dialog);
            s.storeInto(logbook.db);
            s.dialog->setSettleInterval(50);
            QVERIFY(s.list());
            // Dive 7 comes 400 ms late: past the 200 ms watchdog and the 50 ms quiet wait.
            s.v.link->setReplyTimeout(200);
            s.v.faults->delayMs = 400;
            s.import({ 0, 1 });
            QVERIFY(s.offers(button));
            QCOMPARE(s.info(),
                QString("Dive 7 failed: The computer stopped answering. Keep it close and press "
                        "Retry."));
            s.v.faults->delayMs = 0;
            s.button(button)->click();
            QVERIFY(s.idle());
            // Each dive stored is itself: 8 at 18 m, never 7's stream under its name.
            QCOMPARE(logbook.maxDepthOf("8", s.serial()), 18.0);
            QCOMPARE(logbook.maxDepthOf("7", s.serial()), QString(button) == "btSkip" ? -1 : 36.0);
            QVERIFY(s.v.link->owedReplies().isEmpty());
        }
    }

    void listTimeoutWaitsForQuiet()
    {
        Session s;
        QVERIFY(s.dialog);
        s.dialog->setSettleInterval(500);
        s.v.link->setReplyTimeout(150);
        // The list comes 400 ms after it was asked, 250 ms after the time-out.
        s.v.faults->delayMs = 400;
        QVERIFY(s.dialog->start(&s.dives));
        QVERIFY(Session::until([&] { return !s.button("btRetry")->isHidden(); }));
        QTest::qWait(400);
        // Still arriving not long ago: a new request now would meet its tail.
        QVERIFY(!s.button("btRetry")->isEnabled());
        s.v.faults->delayMs = 0;
        QVERIFY(s.offers("btRetry"));
        s.button("btRetry")->click();
        QVERIFY(s.idle());
        QCOMPARE(s.rows(), 2);
    }

    void sameDiveRuleAndRepeatedNumbers()
    {
        TempLogbook logbook;
        QVERIFY(logbook.open());
        {
            Session s;
            QVERIFY(s.dialog);
            s.storeInto(logbook.db);
            QVERIFY(s.list());
            s.import({ 0, 1 });
            QVERIFY(s.idle());
            QVERIFY(logbook.db.renameDive(logbook.db.findDive("7", s.serial()), "Wreck"));
        }
        // The computer's numbering restarted: a new dive, a month later, is numbered 300 again.
        QList<VirtualDive> restarted = smallStore();
        VirtualDivePlan again;
        again.number = 300;
        again.startTime = 1777730400 + 30 * 86400;
        restarted[1] = simulateVirtualDive(again);
        Session s(std::make_shared<SimulatedDiveStore>(restarted));
        QVERIFY(s.dialog);
        s.storeInto(logbook.db);
        QVERIFY(s.list());
        // The renamed dive is still this dive; the new 300 is new.
        QVERIFY(s.row(0)->text().endsWith(" (in logbook)"));
        QCOMPARE(s.row(0)->checkState(), Qt::Unchecked);
        QCOMPARE(s.row(1)->checkState(), Qt::Checked);
        s.button("btImport")->click();
        QVERIFY(s.idle());
        QVERIFY(logbook.db.findDive("300 (2)", s.serial()) >= 0);
        QVERIFY(s.dialog->unstoredDives().isEmpty());

        // Two dives numbered 7 in one list: which header goes with the stream cannot be told.
        restarted[1].header.number = 7;
        Session twice(std::make_shared<SimulatedDiveStore>(restarted));
        QVERIFY(twice.list());
        QVERIFY(twice.dialog->findChild<QLabel*>("lbinfo")->text().contains(
            "more than one dive numbered 7"));
        for (int i = 0; i < 2; ++i)
            QVERIFY(!(twice.row(i)->flags() & Qt::ItemIsEnabled));
    }

    void diveBarReachesTheEnd()
    {
        // The demo dives: 10-, 6-, 8- and 10-byte records.
        Session s(std::make_shared<SimulatedDiveStore>());
        QVERIFY(s.dialog);
        QList<int> highest { 0 }; // per dive, the bar starting at 0 each time
        QObject::connect(s.dialog->findChild<QProgressBar*>("progressDive"),
            &QProgressBar::valueChanged, s.dialog.get(), [&](int value) {
                if (value == 0)
                    highest << 0;
                else if (value < 100 && !highest.isEmpty())
                    highest.last() = qMax(highest.last(), value);
            });
        QVERIFY(s.list());
        s.import({ 0, 1, 2, 3 });
        QVERIFY(s.idle());
        QCOMPARE(highest, (QList<int> { 99, 99, 99, 99 }));
    }

    void cancelAndReconnect()
    {
        Session s;
        QVERIFY(s.dialog);
        s.dialog->setReconnect([&] { return s.v.connectAndIdentify(); });
        QVERIFY(s.list());
        // The computer goes away in the middle of dive 7.
        s.v.faults->delayMs = 0;
        QObject::connect(
            s.v.faults, &BleTransport::characteristicChanged, s.v.computer,
            [&] { s.v.computer->dropConnection(); }, Qt::SingleShotConnection);
        s.import({ 0, 1 });
        QVERIFY(s.offers("btReconnect"));
        s.button("btReconnect")->click();
        // Cancelled during dive 7: it is finished, dive 300 is not asked for.
        s.button("btCancel")->click();
        QVERIFY(s.idle());
        QCOMPARE(s.dives.size(), 1);
        QCOMPARE(s.dives[0].samples.size(), s.samplesOf(0));
        QCOMPARE(s.dialog->failedDives(), QList<quint16> { 300 });
        QCOMPARE(s.v.framesWithCode(20), 2);
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
