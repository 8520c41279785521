#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "fileio/planfile.h"
#include "fileiotest.h"
#include "tests/filesizelimit.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

// Every writer replaces a file only once the new content is complete. The write is made to
// fail after the file is open; a writer that truncates the old file and writes in place loses
// it.

namespace {

constexpr rlim_t kLimitBytes = 512;

// A dive at 18 m, one sample every 10 s.
DiveProfile dive(int sampleCount)
{
    DiveProfile dive;
    dive.gases.append(DiveGas());
    for (int i = 0; i < sampleCount; ++i) {
        DiveSample s;
        s.time = 10.0 * i;
        s.depth = 18.0;
        s.gasIndex = 0;
        dive.samples.append(s);
    }
    return dive;
}

} // namespace

class TestInterruptedWrite : public QObject
{
    Q_OBJECT

private slots:
    void oldFileSurvives_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<int>("samples");
        // A file under the 16 KiB write buffer reaches the disk only while the writer commits; a
        // bigger one is written through at once. Both must fail without touching the old file.
        QTest::newRow("plan file") << QStringLiteral("plan.diveplan") << 0;
        QTest::newRow("csv, buffered") << QStringLiteral("dive.csv") << 20;
        QTest::newRow("uddf, buffered") << QStringLiteral("dive.uddf") << 20;
        QTest::newRow("uddf, written through") << QStringLiteral("dive.uddf") << 2000;
    }

    void oldFileSurvives()
    {
        QFETCH(QString, fileName);
        QFETCH(int, samples);
        QTemporaryDir dir;
        const QString path = dir.filePath(fileName);
        const QByteArray old(300, 'o');
        QVERIFY(writeFile(path, old));

        std::vector<PlanDiveRecord> plan;
        const QString planSource
            = QStringLiteral(VELTRA_TEST_DATA "/fuzz/planfile/two-dives.diveplan");
        QCOMPARE(PlanFile::load(planSource, plan), PlanFile::Status::Ok);
        DiveProfile written = dive(samples);

        const auto write = [&]() {
            return fileName.endsWith(QLatin1String(".diveplan"))
                ? PlanFile::save(path, plan) == PlanFile::Status::Ok
                : exportDive(written, path);
        };
        bool saved = true;
        QVERIFY(underFileSizeLimit(kLimitBytes, [&]() { saved = write(); }));
        QVERIFY(!saved);
        QCOMPARE(readFile(path), old);
        // No temporary file is left behind either.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { fileName });

        // Without the limit the same write goes through, so the failure above was the limit's.
        QVERIFY(write());
        QVERIFY(readFile(path).size() > qsizetype(kLimitBytes));
    }
};

QTEST_GUILESS_MAIN(TestInterruptedWrite)
#include "tst_interruptedwrite.moc"
