#include "app/diveimport.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QtTest>
#include <QtWidgets>

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A CSV (profile) dive of 2 minutes to 12 m on air.
QByteArray csvDive(double depth)
{
    return "Time (s),Depth (m),Temperature (C),Ceiling (m),CNS (%),Gas\n0,0,20,0,0,Air\n"
           "60,"
        + QByteArray::number(depth) + ",19,0,1,Air\n120,0,19,0,1,Air\n";
}

} // namespace

class TestDiveImport : public QObject
{
    Q_OBJECT

private slots:
    void folderImportSummary()
    {
        // A folder with a three-dive UDDF file (a fourth dive has no samples), a CSV dive, its
        // renamed copy in a subfolder, a CSV with a line that is no numbers, and a damaged file.
        QTemporaryDir dir;
        LogbookDatabase& db = LogbookDatabase::instance();
        QVERIFY(QDir(dir.path()).mkpath("sub"));
        QVERIFY(QFile::copy(QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf"),
            dir.filePath("a_multi.uddf")));
        QVERIFY(writeFile(dir.filePath("b_reef.csv"), csvDive(12)));
        QVERIFY(writeFile(dir.filePath("sub/c_renamed.csv"), csvDive(12)));
        QVERIFY(writeFile(dir.filePath("d_wall.csv"), csvDive(15) + "x,y,z,0,0,Air\n"));
        QVERIFY(writeFile(dir.filePath("e_damaged.uddf"), "<uddf><profiledata>"));
        QVERIFY(writeFile(dir.filePath("notes.txt"), "not a dive file"));
        QCOMPARE(db.openOrCreate(dir.filePath("diveDB.db")), int(LogbookDatabase::Success));

        const QStringList files = diveFilesIn({ dir.path() });
        QCOMPARE(files.size(), 5);
        QList<int> steps;
        // The CSV dives have no start: each takes its file's modification time, as offered.
        FileQuestions questions;
        QStringList asked;
        questions.startDate = [&asked](const QString& file, qint64 guess) {
            asked << QFileInfo(file).fileName();
            return guess == QFileInfo(file).lastModified().toSecsSinceEpoch() ? guess : 0;
        };
        const ImportReport report = importDiveFiles(
            db, files,
            [&steps](int done, int total) {
                steps << done;
                return total == 5;
            },
            questions);
        QCOMPARE(asked, (QStringList { "b_reef.csv", "d_wall.csv", "c_renamed.csv" }));
        QCOMPARE(steps, (QList<int> { 0, 1, 2, 3, 4, 5 }));
        QCOMPARE(report.count(ImportEntry::Stored), 5); // 3 of the UDDF file, reef, wall
        QCOMPARE(report.count(ImportEntry::Duplicate), 1); // the renamed copy
        QCOMPARE(report.count(ImportEntry::Refused), 2); // d3, the damaged file
        QCOMPARE(report.count(ImportEntry::StoreFailed), 0);
        QCOMPARE(report.warnings.size(), 1);
        QVERIFY(report.warnings.at(0).contains("d_wall.csv"));

        ImportSummaryDialog dialog(db, report);
        QCOMPARE(dialog.countsText(),
            QStringLiteral("5 stored, 1 duplicates, 2 refused, 0 failed to store"));
        // Every dive not stored is named, with its reason.
        QCOMPARE(dialog.table()->rowCount(), 3);
        QStringList named;
        for (int row = 0; row < 3; ++row)
            named << dialog.table()->item(row, 0)->text();
        QCOMPARE(named, (QStringList { "d3", "e_damaged.uddf", "c_renamed" }));
        QVERIFY(dialog.retryButton()->isHidden());
        db.close();
    }
};

QTEST_MAIN(TestDiveImport)
#include "tst_diveimport.moc"
