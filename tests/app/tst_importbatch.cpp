#include "app/diveimport.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "tests/filesizelimit.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

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

int storedDives(const QString& path)
{
    int count = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "count");
        db.setDatabaseName(path);
        QSqlQuery q(db);
        if (db.open() && q.exec("SELECT COUNT(*) FROM dives") && q.next())
            count = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("count");
    return count;
}

bool execOn(const QString& path, const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "exec");
        db.setDatabaseName(path);
        ok = db.open() && QSqlQuery(db).exec(sql);
    }
    QSqlDatabase::removeDatabase("exec");
    return ok;
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
        QVERIFY(execOn(path,
            "CREATE TRIGGER refuse BEFORE INSERT ON profiles WHEN NEW.depth=42 BEGIN "
            "SELECT RAISE(ABORT, 'refused by test'); END"));
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
        QCOMPARE(storedDives(path), 2);

        QVERIFY(execOn(path, "DROP TRIGGER refuse"));
        QCOMPARE(logbook.openOrCreate(path), int(LogbookDatabase::Success));
        retryFailedStores(logbook, report);
        QCOMPARE(report.count(ImportEntry::Stored), 3);
        logbook.close();
        QCOMPARE(storedDives(path), 3);
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
        QCOMPARE(storedDives(path), 0);

        QCOMPARE(logbook.openOrCreate(path), int(LogbookDatabase::Success));
        retryFailedStores(logbook, report);
        QCOMPARE(report.count(ImportEntry::Stored), 3);
        logbook.close();
        QCOMPARE(storedDives(path), 3);
    }
};

QTEST_GUILESS_MAIN(TestImportBatch)
#include "tst_importbatch.moc"
