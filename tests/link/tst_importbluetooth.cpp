// The dive download end to end: the real TarskBle over the virtual dive computer, the dialog
// driven as a user would, the dives checked against what was planned for the virtual computer.

#include "link/importbluetooth.h"
#include "virtuallink.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

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

// The small store with dive 300 damaged: its header announcing more samples than it holds, or
// its stream cut inside a record.
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

QStringList texts(QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

} // namespace

class TestImportBluetooth : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listsDivesInArrivalOrderWithLocalStartTimes();
    void downloadsTickedDivesWithAndWithoutTissues();
    void importIsDisabledWhileBusyAndStrayEndsAreIgnored();
    void importWithNothingTickedResetsProgress();
    void crcErrorMidDownloadCanBeRetried();
    void lostReplyCanBeSkipped();
    void streamNotMatchingItsHeaderIsRefused_data();
    void streamNotMatchingItsHeaderIsRefused();
    void lateStreamIsNotStoredUnderTheNextDive();
    void eachDiveIsStoredAtOnce();
    void onlyNewDivesAreTicked();
    void refusesWithoutAComputer();

private:
    QPushButton* button(ImportBluetooth& d, const char* name)
    {
        return d.findChild<QPushButton*>(name);
    }
    QListWidget* list(ImportBluetooth& d) { return d.findChild<QListWidget*>("listDives"); }
    // The first line of the message (a failure adds what to do on a second line).
    QString info(ImportBluetooth& d)
    {
        return d.findChild<QLabel*>("lbinfo")->text().section('\n', 0, 0);
    }
    void tickOnly(ImportBluetooth& d, const QList<int>& rows)
    {
        for (int i = 0; i < list(d)->count(); ++i)
            list(d)->item(i)->setCheckState(rows.contains(i) ? Qt::Checked : Qt::Unchecked);
    }
};

void TestImportBluetooth::initTestCase()
{
    // Local time two hours ahead of UTC on the test dates, so a UTC text would show.
    qputenv("TZ", "Europe/Paris");
    tzset();
}

void TestImportBluetooth::listsDivesInArrivalOrderWithLocalStartTimes()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QVERIFY(dialog.isBusy());
    QCOMPARE(info(dialog), QString("Get list of dives"));
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(info(dialog), QString("Select dives to import"));

    const QStringList t = texts(list(dialog));
    QCOMPARE(t.size(), 2);
    // 08:40 UTC is 10:40 in Paris in May; 36.0 m; 300 padded to three digits.
    QVERIFY2(t[0].startsWith("007 - 02/05/2026 10:40 - 36.0m - "), qPrintable(t[0]));
    QVERIFY2(t[1].startsWith("300 - 02/05/2026 16:00 -  9.0m - "), qPrintable(t[1]));
    // Duration text from end - start: the store records every 5 s up to its last sample.
    const DiveHeader& h = dialog.headers()[1];
    const qint64 seconds = h.endTime - h.startTime;
    QVERIFY(seconds > 600 && seconds < 3600);
    QVERIFY(t[1].endsWith(QString("%1:%2")
                              .arg(seconds / 60, 2, 10, QChar('0'))
                              .arg(seconds % 60, 2, 10, QChar('0'))));
    QCOMPARE(list(dialog)->item(1)->data(Qt::UserRole).toInt(), 300);
    // Without a logbook to compare with, nothing is ticked.
    QCOMPARE(list(dialog)->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(v.framesWithCode(19), 1);
}

void TestImportBluetooth::downloadsTickedDivesWithAndWithoutTissues()
{
    VirtualLink v; // the demo dives: 1 air, 2 nitrox deco, 3 trimix deco, 4 lake
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(list(dialog)->count(), 4);

    // Dive 2 without tissues.
    tickOnly(dialog, { 1 });
    button(dialog, "btImport")->click();
    QTRY_VERIFY(!dialog.isBusy());
    // Dive 3 with tissues.
    dialog.findChild<QCheckBox*>("ckDbg")->setChecked(true);
    tickOnly(dialog, { 2 });
    button(dialog, "btImport")->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dialog.imported(), 1);
    QCOMPARE(dives.size(), 2);

    // The request for dive 2 was code 20 with payload 02 00; dive 3 code 21 with 03 00.
    QCOMPARE(v.framesWithCode(20), 1);
    QCOMPARE(v.framesWithCode(21), 1);

    const DiveProfile& nitrox = dives[0];
    QCOMPARE(nitrox.name, QString("2"));
    QCOMPARE(nitrox.serial, v.link->computerInfo().serialNumber);
    QCOMPARE(nitrox.computer, QString("Veltra Demo"));
    QCOMPARE(nitrox.firmwareVersion, QString("1.2.3.b"));
    QCOMPARE(nitrox.origin, DiveOriginComputer);
    QCOMPARE(nitrox.dateTime, qint64(1777730400));
    QCOMPARE(nitrox.computerType, 2u);
    QVERIFY(qAbs(nitrox.maxDepth - 32.0) < 0.05);
    QCOMPARE(nitrox.gases.size(), 2);
    QCOMPARE(nitrox.gases[0].o2, 32);
    QCOMPARE(nitrox.gases[1].o2, 50);
    QCOMPARE(nitrox.samples.size(), int(dialog.headers()[1].sampleCount));
    bool ndl = false, deco = false, onDecoGas = false, tissues = false;
    for (int i = 0; i < nitrox.samples.size(); ++i) {
        const DiveSample& s = nitrox.samples[i];
        QCOMPARE(s.time, 5.0 * i);
        ndl |= s.decoCeiling < 0;
        deco |= s.decoCeiling > 0;
        QVERIFY(s.gasIndex == 0 || s.gasIndex == 1);
        // The switch to 50 % happens on the ascent, at 21 m or shallower.
        if (s.gasIndex == 1) {
            onDecoGas = true;
            QVERIFY(s.depth <= 21.0 + 1e-9);
        }
        for (quint8 t : s.tissues)
            tissues |= t != 0;
        QVERIFY(s.temperature >= 4 && s.temperature <= 31);
    }
    QVERIFY(ndl && deco && onDecoGas);
    QVERIFY(!tissues);
    QCOMPARE(nitrox.samples.first().depth, 0.0);
    QCOMPARE(nitrox.samples.last().depth, 0.0);

    const DiveProfile& trimix = dives[1];
    QCOMPARE(trimix.name, QString("3"));
    QVERIFY(qAbs(trimix.maxDepth - 45.0) < 0.05);
    QCOMPARE(trimix.gases.size(), 3);
    QCOMPARE(trimix.gases[0].he, 35);
    QCOMPARE(trimix.gases[2].o2, 100);
    QCOMPARE(trimix.samples.size(), int(dialog.headers()[2].sampleCount));
    int lastGas = 0;
    tissues = false;
    for (const DiveSample& s : trimix.samples) {
        QVERIFY(s.gasIndex >= lastGas); // 0 -> 1 -> 2, never back
        lastGas = s.gasIndex;
        for (quint8 t : s.tissues)
            tissues |= t != 0;
    }
    QCOMPARE(lastGas, 2);
    QVERIFY(tissues);
    // Both dives are marked downloaded and not ticked any more.
    QVERIFY(list(dialog)->item(1)->text().endsWith("(downloaded)"));
    QCOMPARE(list(dialog)->item(1)->checkState(), Qt::Unchecked);
}

void TestImportBluetooth::importIsDisabledWhileBusyAndStrayEndsAreIgnored()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    QList<DiveProfile> dives;

    // An end with nothing queued (before any list, and after) changes nothing.
    emit v.link->onEndCommand(VeltraCommand::GetDiveSamples);
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    emit v.link->onEndCommand(VeltraCommand::GetDiveSamples);
    QVERIFY(dives.isEmpty());

    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QVERIFY(dialog.isBusy());
    QVERIFY(!button(dialog, "btImport")->isEnabled());
    QVERIFY(!dialog.findChild<QCheckBox*>("ckDbg")->isEnabled());
    // A second click (as a queued event could still deliver) neither restarts nor re-queues.
    dialog.on_btImport_clicked();
    QCOMPARE(dialog.importQueue(), (QList<quint16> { 7, 300 }));
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 2);
    QCOMPARE(v.framesWithCode(20), 2);
    QCOMPARE(dives[0].name, QString("7"));
    QCOMPARE(dives[1].name, QString("300"));
    // Dive 300 went out as 2C 01.
    bool sent300 = false;
    for (const QByteArray& f : v.computer->writes())
        sent300 |= f.size() == 11 && quint8(f[8]) == 20 && f.mid(9) == QByteArray("\x2C\x01", 2);
    QVERIFY(sent300);
    QCOMPARE(dives[0].samples.size(), int(dialog.headers()[0].sampleCount));
    QCOMPARE(dives[1].samples.size(), int(dialog.headers()[1].sampleCount));

    // Importing again does not fetch the downloaded dives a second time.
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QCOMPARE(v.framesWithCode(20), 2);
    QCOMPARE(dives.size(), 2);
}

void TestImportBluetooth::importWithNothingTickedResetsProgress()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    tickOnly(dialog, {});
    const int writes = v.computer->writes().size();
    button(dialog, "btImport")->click();
    auto* progress = dialog.findChild<QProgressBar*>("progressBar");
    QCOMPARE(progress->maximum(), 1);
    QCOMPARE(progress->value(), 0);
    QVERIFY(!dialog.isBusy());
    QCOMPARE(v.computer->writes().size(), writes);
}

void TestImportBluetooth::crcErrorMidDownloadCanBeRetried()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    // Damage the first frame of the second dive's stream.
    int ends = 0;
    QObject::connect(v.link, &TarskBle::onEndCommand, v.link, [&](auto code) {
        if (code == VeltraCommand::GetDiveSamples && ++ends == 1)
            v.computer->corruptNextReply();
    });
    ImportBluetooth dialog(nullptr, v.link);
    dialog.setSettleInterval(50);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();

    QPushButton* retry = button(dialog, "btRetry");
    QTRY_VERIFY(!retry->isHidden() && retry->isEnabled());
    QCOMPARE(info(dialog), QString("Dive 300 failed: Invalid CRC"));
    QCOMPARE(dives.size(), 1); // dive 7 is kept
    QVERIFY(dialog.isBusy());

    retry->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 2);
    QCOMPARE(dives[1].name, QString("300"));
    // Neither half nor doubled: exactly the samples the header announces.
    QCOMPARE(dives[1].samples.size(), int(dialog.headers()[1].sampleCount));
    QCOMPARE(dives[1].samples.last().depth, 0.0);
    QVERIFY(!!retry->isHidden());
    QVERIFY(dialog.failedDives().isEmpty());
}

void TestImportBluetooth::lostReplyCanBeSkipped()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    v.link->setReplyTimeout(200);
    ImportBluetooth dialog(nullptr, v.link);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());

    // The computer goes quiet for the first dive.
    v.computer->setAnswering(false);
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QPushButton* skip = button(dialog, "btSkip");
    QTRY_VERIFY(!skip->isHidden() && skip->isEnabled());
    QCOMPARE(info(dialog), QString("Dive 7 failed: Timeout"));
    QVERIFY(dives.isEmpty());

    v.computer->setAnswering(true);
    skip->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 1);
    QCOMPARE(dives[0].name, QString("300"));
    QCOMPARE(dialog.failedDives(), QList<quint16> { 7 });
    QCOMPARE(info(dialog), QString("Dives not imported: 7"));
    QCOMPARE(dialog.imported(), 1);

    // The skipped dive can be fetched later: it is still ticked, the other is not.
    QCOMPARE(list(dialog)->item(0)->checkState(), Qt::Checked);
    button(dialog, "btImport")->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 2);
    QCOMPARE(dives[1].name, QString("7"));
}

void TestImportBluetooth::streamNotMatchingItsHeaderIsRefused_data()
{
    QTest::addColumn<int>("extraSamples");
    QTest::addColumn<int>("cutBytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("header announces 35 more samples")
        << 35 << 0 << "samples received, the dive's header announces";
    // Dive 300 has 6-byte records: 3 bytes less leaves half a record.
    QTest::newRow("stream cut inside a record") << 0 << 3 << "are not whole samples";
}

void TestImportBluetooth::streamNotMatchingItsHeaderIsRefused()
{
    QFETCH(int, extraSamples);
    QFETCH(int, cutBytes);
    QFETCH(QString, reason);
    VirtualLink v(std::make_shared<TamperedStore>(extraSamples, cutBytes));
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    dialog.setSettleInterval(50);
    int stored = 0;
    dialog.setStoreDive([&](DiveProfile&) { return ++stored, 0; });
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QTRY_VERIFY(button(dialog, "btRetry")->isEnabled() && !button(dialog, "btRetry")->isHidden());
    QVERIFY2(info(dialog).startsWith("Dive 300 failed: ") && info(dialog).contains(reason),
        qPrintable(info(dialog)));
    // Dive 7 is kept, dive 300 never reaches the logbook.
    QCOMPARE(dives.size(), 1);
    QCOMPARE(stored, 1);
    QVERIFY(!button(dialog, "btSkip")->isHidden());
}

void TestImportBluetooth::lateStreamIsNotStoredUnderTheNextDive()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    v.link->setReplyTimeout(200);
    ImportBluetooth dialog(nullptr, v.link);
    dialog.setSettleInterval(50);
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());

    // The computer holds every reply for a second, far past the link's watchdog; the user
    // skips dive 7 before its stream comes, so it comes while dive 300 is awaited.
    v.computer->setReplyDelay(1000);
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QPushButton* skip = button(dialog, "btSkip");
    QTRY_VERIFY(!skip->isHidden() && skip->isEnabled());
    QCOMPARE(info(dialog), QString("Dive 7 failed: Timeout"));
    v.link->setReplyTimeout(3000);
    skip->click();
    QTRY_VERIFY_WITH_TIMEOUT(info(dialog).startsWith("Dive 300 failed: "), 5000);
    QVERIFY2(info(dialog).contains("the dive's header announces"), qPrintable(info(dialog)));
    QVERIFY(dives.isEmpty());

    // Once the link is quiet, dive 300 comes with its own samples.
    v.computer->setReplyDelay(0);
    QTRY_VERIFY(button(dialog, "btRetry")->isEnabled());
    QTest::qWait(700);
    button(dialog, "btRetry")->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 1);
    QCOMPARE(dives[0].name, QString("300"));
    QCOMPARE(dives[0].samples.size(), int(dialog.headers()[1].sampleCount));
}

void TestImportBluetooth::eachDiveIsStoredAtOnce()
{
    VirtualLink v(std::make_shared<SimulatedDiveStore>(smallStore()));
    QVERIFY(v.connectAndIdentify());
    ImportBluetooth dialog(nullptr, v.link);
    QStringList logbook;
    int storedWhenSecondAsked = -1;
    bool logbookRefuses = true;
    dialog.setStoreDive([&](DiveProfile& dive) {
        if (dive.name == "300" && logbookRefuses)
            return 3;
        logbook << dive.name;
        return 0;
    });
    QStringList exported;
    dialog.setExportDive([&](QWidget*, DiveProfile& dive) { exported << dive.name; });
    QObject::connect(v.computer, &BleTransport::characteristicWritten, &dialog, [&] {
        if (storedWhenSecondAsked < 0 && v.framesWithCode(20) == 2)
            storedWhenSecondAsked = int(logbook.size());
    });
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    tickOnly(dialog, { 0, 1 });
    button(dialog, "btImport")->click();
    QTRY_VERIFY(!dialog.isBusy());
    // Dive 7 was in the logbook before dive 300 was even asked for.
    QCOMPARE(storedWhenSecondAsked, 1);
    QCOMPARE(dialog.storedCount(), 1);

    // The refused dive stays in the dialog, to be stored again or exported.
    QCOMPARE(dialog.unstoredDives().size(), 1);
    QVERIFY(info(dialog).contains("not stored in the logbook: dive 300"));
    QVERIFY(!button(dialog, "btExport")->isHidden());
    button(dialog, "btExport")->click();
    QCOMPARE(exported, QStringList { "300" });
    // Closing while dive 300 exists only here asks first; No keeps the dialog open.
    QStringList closeQuestions;
    dialog.setConfirmClose([&](const QString& text) { return closeQuestions << text, false; });
    dialog.show();
    button(dialog, "pushButton")->click();
    QCOMPARE(closeQuestions.size(), 1);
    QVERIFY(closeQuestions[0].startsWith("Dive 300 is not in the logbook"));
    QVERIFY(dialog.isVisible());
    logbookRefuses = false;
    button(dialog, "btStoreAgain")->click();
    QCOMPARE(logbook, (QStringList { "7", "300" }));
    QVERIFY(dialog.unstoredDives().isEmpty());
    QVERIFY(button(dialog, "btStoreAgain")->isHidden());
    // Nothing left to lose: it closes without a question.
    button(dialog, "pushButton")->click();
    QCOMPARE(closeQuestions.size(), 1);
    QVERIFY(!dialog.isVisible());
}

void TestImportBluetooth::onlyNewDivesAreTicked()
{
    VirtualLink v;
    QVERIFY(v.connectAndIdentify());
    const QString serial = v.link->computerInfo().serialNumber;
    QVERIFY(!serial.isEmpty());
    ImportBluetooth dialog(nullptr, v.link);
    QStringList asked;
    dialog.setStoredCheck([&](const QString& name, const QString& s) {
        asked << name + "/" + s;
        return name == "1" || name == "3";
    });
    QList<DiveProfile> dives;
    QVERIFY(dialog.start(&dives));
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(asked.size(), 4);
    QCOMPARE(asked[0], "1/" + serial);
    QCOMPARE(list(dialog)->item(0)->checkState(), Qt::Unchecked);
    QCOMPARE(list(dialog)->item(1)->checkState(), Qt::Checked);
    QCOMPARE(list(dialog)->item(2)->checkState(), Qt::Unchecked);
    QCOMPARE(list(dialog)->item(3)->checkState(), Qt::Checked);
    QVERIFY(list(dialog)->item(2)->text().endsWith("(in logbook)"));
    QCOMPARE(info(dialog), QString("Select dives to import (2 new)"));
    button(dialog, "btImport")->click();
    QTRY_VERIFY(!dialog.isBusy());
    QCOMPARE(dives.size(), 2);
    QCOMPARE(dives[0].name, QString("2"));
    QCOMPARE(dives[1].name, QString("4"));
    QCOMPARE(dives[1].freshWater, 1u);
}

void TestImportBluetooth::refusesWithoutAComputer()
{
    VirtualLink v;
    ImportBluetooth dialog(nullptr, v.link); // link exists, nothing connected
    QList<DiveProfile> dives;
    QVERIFY(!dialog.start(&dives));
    QCOMPARE(info(dialog), QString("No computer connected"));
    QCOMPARE(dialog.downloadDives(dives), 0);
    QVERIFY(v.computer->writes().isEmpty());
}

QTEST_MAIN(TestImportBluetooth)
#include "tst_importbluetooth.moc"
