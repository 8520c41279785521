#include "app/csvimportdialog.h"
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

    // A table no reader knows: the dialog's columns read it, its preview shows what they read,
    // and the date asked completes the dive.
    void csvColumnsAsked()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("xp.csv");
        QVERIFY(
            writeFile(path, "Zeit\tTiefe\tTemp\n00:00:15\t2,4 M\t20,0\n00:00:30\t7,6 M\t19,4\n"));
        CsvImportDialog dialog(path);
        QCOMPARE(dialog.presetBox()->currentData().toString(), QString());
        dialog.findChildren<QComboBox*>().at(1)->setCurrentIndex(1); // separator: tab
        dialog.findChildren<QComboBox*>().at(2)->setCurrentIndex(1); // decimal mark: comma
        dialog.columnBox(CsvColumnMapping::Temperature)->setValue(3);
        QCOMPARE(dialog.preview()->rowCount(), 2);
        // 00:00:30 is h:mm:ss; 7,6 M is 7.6 m.
        QCOMPARE(dialog.preview()->item(1, 0)->text(), QString("30"));
        QCOMPARE(dialog.preview()->item(1, 1)->text(), QString("7.6"));
        QCOMPARE(dialog.preview()->item(1, 2)->text(), QString("19.4"));

        FileQuestions questions;
        const CsvColumnMapping chosen = dialog.mapping();
        questions.csvColumns = [&chosen](const QString&, CsvColumnMapping& m) {
            m = chosen;
            return true;
        };
        questions.startDate = [](const QString&, qint64) { return qint64(1274184420); };
        const DiveFileContent content = readDiveFileAsking(path, questions);
        QVERIFY2(content.ok() && content.dives.size() == 1, qPrintable(content.error));
        QCOMPARE(content.dives.at(0).dateTime, qint64(1274184420));
        QCOMPARE(content.dives.at(0).samples.size(), 2);
        // Declined, the file stays unread.
        questions.csvColumns = [](const QString&, CsvColumnMapping&) { return false; };
        QVERIFY(!readDiveFileAsking(path, questions).ok());
    }
};

QTEST_MAIN(TestDiveImport)
#include "tst_diveimport.moc"
