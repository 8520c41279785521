#include "app/diveimport.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "tests/filesizelimit.h"

#include <QtSql>
#include <QtTest>
#include <QtWidgets>

// A file's dives are stored in one write. A dive that fails inside it must not take the others
// with it, and a write that fails stores none of them: every dive is then kept for a retry.

namespace {

// Three dives of 2,000 samples in one UDDF file: dive d goes to 40 + d metres once.
QString writeThreeDives(const QTemporaryDir& dir)
{
    QList<DiveProfile> dives;
    for (int d = 1; d <= 3; ++d) {
        DiveProfile dive;
        dive.name = QStringLiteral("Dive %1").arg(d);
        dive.computer = QStringLiteral("Veltra");
        dive.serial = QStringLiteral("V-1");
        dive.dateTime = 1600000000 + d * 86400;
        dive.gases = { DiveGas() };
        for (int i = 0; i < 2000; ++i) {
            DiveSample s;
            s.time = 2.0 * i;
            s.depth = i == 1000 ? 40.0 + d : 10.0 + d;
            dive.samples.append(s);
        }
        dives.append(dive);
    }
    const QString path = dir.filePath("three.uddf");
    return exportDives(dives, path) ? path : QString();
}

// Runs one statement on the logbook file beside the program's connection: the first value of
// its result, 0 for a statement without one, -1 when it fails.
int execOn(const QString& path, const QString& sql)
{
    int result = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "probe");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec(sql))
            result = q.next() ? q.value(0).toInt() : 0;
    }
    QSqlDatabase::removeDatabase("probe");
    return result;
}

// The summary's retry button stores the failed dives again once the logbook works: all three
// are then in the file, every sample in its place (they go in many rows a statement, the rest
// one by one).
void retryStoresAll(const QString& path, const QString& file, const ImportReport& report)
{
    LogbookDatabase& logbook = LogbookDatabase::instance();
    QCOMPARE(logbook.openOrCreate(path), int(LogbookDatabase::Success));
    ImportSummaryDialog dialog(logbook, report);
    QVERIFY(!dialog.retryButton()->isHidden());
    dialog.retryButton()->click();
    QCOMPARE(dialog.report().count(ImportEntry::Stored), 3);
    QVERIFY(dialog.retryButton()->isHidden());
    const QList<DiveProfile> read = readDiveFile(file).dives;
    for (int d = 0; d < 3; ++d) {
        DiveProfile stored;
        QVERIFY(logbook.loadDive(dialog.report().entries.at(d).diveId, stored));
        QCOMPARE(stored.samples.size(), read.at(d).samples.size());
        for (qsizetype i = 0; i < stored.samples.size(); ++i)
            QCOMPARE(stored.samples.at(i).depth, read.at(d).samples.at(i).depth);
    }
    logbook.close();
    QCOMPARE(execOn(path, "SELECT COUNT(*) FROM dives"), 3);
}

} // namespace

class TestImportBatch : public QObject
{
    Q_OBJECT

private slots:
    void oneFailedDiveKeepsTheOthers()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("diveDB.db");
        LogbookDatabase& logbook = LogbookDatabase::instance();
        QCOMPARE(logbook.openOrCreate(path), int(LogbookDatabase::Success));
        // The logbook refuses the second dive halfway through its samples.
        QCOMPARE(execOn(path,
                     "CREATE TRIGGER refuse BEFORE INSERT ON profiles WHEN NEW.depth=42 BEGIN "
                     "SELECT RAISE(ABORT, 'refused by test'); END"),
            0);
        const QString file = writeThreeDives(dir);
        QVERIFY(!file.isEmpty());

        ImportReport report = importDiveFiles(logbook, { file }, {});
        QCOMPARE(report.count(ImportEntry::Stored), 2);
        QCOMPARE(report.count(ImportEntry::StoreFailed), 1);
        const ImportEntry& failed = report.entries.at(1);
        QCOMPARE(failed.kind, ImportEntry::StoreFailed);
        QVERIFY(failed.reason.contains("refused by test"));
        QVERIFY(!failed.dive.samples.isEmpty());
        logbook.close();
        QCOMPARE(execOn(path, "SELECT COUNT(*) FROM dives"), 2);
        QCOMPARE(execOn(path, "DROP TRIGGER refuse"), 0);
        retryStoresAll(path, file, report);
    }

    void failedWriteStoresNone()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("diveDB.db");
        LogbookDatabase& logbook = LogbookDatabase::instance();
        QCOMPARE(logbook.openOrCreate(path), int(LogbookDatabase::Success));
        const qint64 emptySize = QFile(path).size();
        const QString file = writeThreeDives(dir);
        QVERIFY(!file.isEmpty());

        // The dives fit in SQLite's cache; the file may not grow when they are written out.
        ImportReport report;
        QVERIFY(underFileSizeLimit(
            rlim_t(emptySize), [&]() { report = importDiveFiles(logbook, { file }, {}); }));
        QCOMPARE(report.count(ImportEntry::Stored), 0);
        QCOMPARE(report.count(ImportEntry::StoreFailed), 3);
        for (const ImportEntry& entry : report.entries) {
            if (entry.kind == ImportEntry::StoreFailed)
                QVERIFY(!entry.dive.samples.isEmpty() && !entry.reason.isEmpty());
        }
        logbook.close();
        QCOMPARE(execOn(path, "SELECT COUNT(*) FROM dives"), 0);
        retryStoresAll(path, file, report);
    }
};

QTEST_MAIN(TestImportBatch)
#include "tst_importbatch.moc"
