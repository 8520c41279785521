#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/logbookdatabase.h"
#include "logbook/logbookstats.h"
#include "probe.h"
#include "views/logbookcommands.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

#include <ctime>

Q_DECLARE_METATYPE(DiveFilter)
Q_DECLARE_METATYPE(DiveDetails)

class TestDiveDetails : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void failedUpgradeLeavesFile_data();
    void failedUpgradeLeavesFile();
    void detailsStoredExactly_data();
    void detailsStoredExactly();
    void damagedDetailsRead_data();
    void damagedDetailsRead();
    void search_data();
    void search();
    void searchInStep();
    void numbering_data();
    void numbering();
    void statistics_data();
    void statistics();
    void undoRedo();
    void localDays_data();
    void localDays();

private:
    LogbookDatabase& db() { return LogbookDatabase::instance(); }
    QString path() const { return m_dir->filePath(QStringLiteral("diveDB.db")); }
    QStringList found(const QString& typed, const QStringList& computers = {});

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDiveDetails::initTestCase()
{
    // A zone with summer time, so that months are told in local time, not UTC.
    qputenv("TZ", "Europe/Paris");
    tzset();
}

void TestDiveDetails::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestDiveDetails::cleanup()
{
    db().close();
    m_dir.reset();
}

QStringList TestDiveDetails::found(const QString& typed, const QStringList& computers)
{
    DiveFilter filter;
    filter.search = typed;
    filter.byComputer = !computers.isEmpty();
    filter.computers = computers;
    QStringList list = listed(filter);
    list.sort();
    return list;
}

void TestDiveDetails::failedUpgradeLeavesFile_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("named");
    // An index under the name of the tanks table: the step fails after the details table was
    // made and filled.
    QTest::newRow("index named like a new table") << "CREATE INDEX divetanks ON dives(name)"
                                                  << "divetanks";
    // A table under the name of the index the last upgrade step of the original tables
    // creates: that step fails after every column has been added.
    QTest::newRow("table named like the last index")
        << "CREATE TABLE profiles_diveid_depth (x INTEGER)"
        << "profiles_diveid_depth";
    QTest::newRow("details table of another shape")
        << "CREATE TABLE divedetails (diveid INTEGER, remark TEXT)"
        << "divedetails";
}

void TestDiveDetails::failedUpgradeLeavesFile()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, named);
    {
        Probe probe(path());
        QVERIFY(probe.createOldTables(1));
        QVERIFY(probe.exec("INSERT INTO dives (diveid, name) VALUES (1, 'kept')"));
        QVERIFY(probe.exec(obstacle));
    }
    const QByteArray before = fileBytes(path());
    QCOMPARE(db().openOrCreate(path()), int(LogbookDatabase::StatementFailed));
    QVERIFY2(db().lastError().contains(named), qPrintable(db().lastError()));
    QVERIFY(!db().isOpen());
    QCOMPARE(fileBytes(path()), before);
}

void TestDiveDetails::detailsStoredExactly_data()
{
    QTest::addColumn<DiveDetails>("details");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("word"); // a word that must find the dive once accepted

    QTest::newRow("any script, emoji, newline in a list") << DiveDetails { 12, "Ταύρος 🐙",
        "Île-de-Ré\nFrance", { "Zoë", "李雷" }, "ok", 5, { "ночь", "a b" } }
                                                          << true << "李";
    QTest::newRow("quotes and SQL keywords") << DiveDetails { 1, "x' OR '1'='1",
        "\"; DROP TABLE dives; --", { "O'Brien", "\"NOT\"" }, "SELECT * FROM dives WHERE 1", 0,
        { "NEAR", "AND" } } << true << "brien";
    QTest::newRow("cleared fields") << DiveDetails {} << true << "";
    QTest::newRow("notes of exactly 64 KiB")
        << DiveDetails { 3, "", "", {}, QString(MaxNotesBytes, QLatin1Char('n')), 2, {} } << true
        << "";
    QTest::newRow("notes one byte too long")
        << DiveDetails { 3, "", "", {}, QString(MaxNotesBytes - 1, QLatin1Char('n')) + "é", 2, {} }
        << false << "";
    QTest::newRow("rating 6") << DiveDetails { 3, "", "", {}, "", 6, {} } << false << "";
    QTest::newRow("negative number") << DiveDetails { -1, "", "", {}, "", 1, {} } << false << "";
}

void TestDiveDetails::detailsStoredExactly()
{
    QFETCH(DiveDetails, details);
    QFETCH(bool, accepted);
    QFETCH(QString, word);
    QCOMPARE(db().openOrCreate(path()), 0);
    DiveProfile dive = makeDive("first", "Veltra", utc(2024, 5, 1));
    const DiveDetails kept { 9, "Kept site", "Kept", { "Kept buddy" }, "kept", 1, { "kept" } };
    applyDetails(kept, dive);
    int id = -1;
    QCOMPARE(db().storeDive(dive, &id), 0);
    const QByteArray before = fileBytes(path());

    QCOMPARE(db().updateDetails(id, details), accepted);
    DiveDetails loaded;
    QVERIFY(db().loadDetails(id, loaded));
    QCOMPARE(loaded, accepted ? details : kept);
    if (!accepted) {
        QVERIFY(!db().lastError().isEmpty());
        QCOMPARE(fileBytes(path()), before);
    }
    if (!word.isEmpty())
        QCOMPARE(found(word), QStringList { "first" });
    // A new dive carrying the details stores them as they are.
    DiveProfile second = makeDive("second", "Veltra", utc(2024, 6, 1));
    applyDetails(details, second);
    QCOMPARE(db().storeDive(second, &id), accepted ? 0 : int(LogbookDatabase::StatementFailed));
    if (accepted && details.number > 0) {
        QVERIFY(db().loadDetails(id, loaded));
        QCOMPARE(loaded, details);
    }
}

void TestDiveDetails::damagedDetailsRead_data()
{
    QTest::addColumn<QString>("update"); // what another program wrote into the details
    QTest::addColumn<DiveDetails>("expected");

    QTest::newRow("lists that are not JSON")
        << "buddies='Ana, Li', tags='[\"cut'" << DiveDetails { 1, "", "", {}, "", 0, {} };
    QTest::newRow("lists of other values") << "buddies='[1, null, \"Ana\", {}]', tags='{\"a\": 1}'"
                                           << DiveDetails { 1, "", "", { "Ana" }, "", 0, {} };
    QTest::newRow("numbers out of range")
        << "number=-4, rating=99" << DiveDetails { 0, "", "", {}, "", 0, {} };
    QTest::newRow("text where numbers belong")
        << "number='x', rating='five', buddies=X'00FF'" << DiveDetails { 0, "", "", {}, "", 0, {} };
}

void TestDiveDetails::damagedDetailsRead()
{
    QFETCH(QString, update);
    QFETCH(DiveDetails, expected);
    QCOMPARE(db().openOrCreate(path()), 0);
    int id = -1;
    QCOMPARE(db().storeDive(makeDive("Damaged", "Veltra", utc(2024, 7, 1)), &id), 0);
    db().close();
    QVERIFY(Probe(path()).exec("UPDATE divedetails SET " + update));
    // Read with the defaults in place of what makes no sense; listing and search still work.
    QCOMPARE(db().openOrCreate(path()), 0);
    DiveProfile dive;
    QVERIFY(db().loadDive(id, dive));
    QCOMPARE(detailsOf(dive), expected);
    QCOMPARE(found("damaged"), QStringList { "Damaged" });
}

void TestDiveDetails::search_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("computers"); // the list filter, empty for none
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("blank finds every dive")
        << "  " << none << QStringList { "Evening", "Morning reef", "Wall" };
    QTest::newRow("accents and case folded") << "LAGOS" << none << QStringList { "Morning reef" };
    QTest::newRow("typed accent finds plain") << "Lagôs" << none << QStringList { "Morning reef" };
    QTest::newRow("prefix") << "lag" << none << QStringList { "Morning reef" };
    QTest::newRow("buddy on two dives") << "ana" << none << QStringList { "Morning reef", "Wall" };
    QTest::newRow("every word must match") << "ana malta" << none << QStringList { "Wall" };
    QTest::newRow("computer name") << "qrd" << none << QStringList { "Wall" };
    QTest::newRow("tag") << "wre" << none << QStringList { "Morning reef" };
    QTest::newRow("words of the notes") << "arch octo" << none << QStringList { "Morning reef" };
    QTest::newRow("operator words are words") << "and or not" << none << QStringList { "Wall" };
    QTest::newRow("only punctuation") << "!!! ... ,;" << none << none;
    QTest::newRow("only FTS syntax") << "\"* ( ) ^ : - + {}" << none << none;
    QTest::newRow("SQL in the search")
        << "'; DROP TABLE dives; --" << none << QStringList { "Evening" };
    QTest::newRow("with the computer filter")
        << "ana" << QStringList { "QRD-M" } << QStringList { "Wall" };
    QTest::newRow("filter leaves none") << "lagos" << QStringList { "QRD-M" } << none;
}

void TestDiveDetails::search()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, computers);
    QFETCH(QStringList, expected);
    QCOMPARE(db().openOrCreate(path()), 0);
    DiveProfile a = makeDive("Morning reef", "Veltra", utc(2024, 1, 1));
    applyDetails(DiveDetails { 0, "Lagôs Bay", "Portugal", { "Zoë Martin", "Ana" },
                     "Octopus under the arch", 3, { "wreck", "night" } },
        a);
    DiveProfile b = makeDive("Wall", "QRD-M", utc(2024, 1, 2));
    applyDetails(
        DiveDetails { 0, "Blue Hole", "Malta", { "Ana" }, "He said \"AND\" OR NOT", 0, { "deep" } },
        b);
    DiveProfile c = makeDive("Evening", "Veltra", utc(2024, 1, 3));
    c.notes = "'; DROP TABLE dives; --";
    for (const DiveProfile& dive : { a, b, c })
        QCOMPARE(db().storeDive(dive), 0);
    QCOMPARE(found(typed, computers), expected);
}

void TestDiveDetails::searchInStep()
{
    QCOMPARE(db().openOrCreate(path()), 0);
    int id = -1;
    QCOMPARE(db().storeDive(makeDive("Dawn", "Veltra", utc(2024, 3, 1)), &id), 0);
    QCOMPARE(db().storeDive(makeDive("Other", "Veltra", utc(2024, 3, 2))), 0);
    QCOMPARE(found("coral"), QStringList());
    QVERIFY(db().updateDetails(id, DiveDetails { 1, "Coral garden", "", {}, "", 0, {} }));
    QCOMPARE(found("coral"), QStringList { "Dawn" });
    QVERIFY(db().renameDive(id, "Sunset"));
    QCOMPARE(found("sunset coral"), QStringList { "Sunset" });
    QCOMPARE(found("dawn"), QStringList());

    // Refused edits and a store that fails halfway leave the index as it was.
    QVERIFY(!db().updateDetails(id, DiveDetails { 1, "Manta point", "", {}, "", 9, {} }));
    QCOMPARE(found("manta"), QStringList());
    QVERIFY(Probe(path()).exec("INSERT INTO profiles (diveid, pointid, time) VALUES (3, 2, 1)"));
    QCOMPARE(db().storeDive(makeDive("Ghost", "Veltra", utc(2024, 3, 3))),
        int(LogbookDatabase::StatementFailed));
    QCOMPARE(found("ghost"), QStringList());

    QUndoStack stack;
    QVERIFY(pushLogbookCommand(stack, new DeleteDivesCommand({ id })).isEmpty());
    QCOMPARE(found("sunset"), QStringList());
    stack.undo();
    QCOMPARE(found("sunset coral"), QStringList { "Sunset" });

    // Another program writing the original tables only.
    QVERIFY(Probe(path()).exec("INSERT INTO dives (diveid, name, computer) VALUES (50, 'Legacy', "
                               "'Old')"));
    QCOMPARE(found("legacy"), QStringList { "Legacy" });
    QVERIFY(Probe(path()).exec("DELETE FROM dives WHERE diveid=50"));
    QCOMPARE(found("legacy"), QStringList());
}

void TestDiveDetails::numbering_data()
{
    QTest::addColumn<QList<int>>("days"); // start days of the dives, in the order stored
    QTest::addColumn<QList<int>>("given"); // numbers the dives carry, 0 none
    QTest::addColumn<QList<int>>("expected"); // numbers after all are stored

    QTest::newRow("stored in date order")
        << QList<int> { 1, 2, 3 } << QList<int> { 0, 0, 0 } << QList<int> { 1, 2, 3 };
    // The older dive takes number 1; the two after it move up.
    QTest::newRow("older dive stored last")
        << QList<int> { 2, 3, 1 } << QList<int> { 0, 0, 0 } << QList<int> { 2, 3, 1 };
    QTest::newRow("dive between two")
        << QList<int> { 1, 3, 2 } << QList<int> { 0, 0, 0 } << QList<int> { 1, 3, 2 };
    // A log that starts at 140: the next dive follows it, a given number is kept.
    QTest::newRow("numbers from a file kept")
        << QList<int> { 1, 2, 3 } << QList<int> { 140, 0, 7 } << QList<int> { 140, 141, 7 };
}

void TestDiveDetails::numbering()
{
    QFETCH(QList<int>, days);
    QFETCH(QList<int>, given);
    QFETCH(QList<int>, expected);
    QCOMPARE(db().openOrCreate(path()), 0);
    QList<int> ids;
    for (int i = 0; i < days.size(); ++i) {
        DiveProfile dive = makeDive(QString::number(i), "Veltra", utc(2024, 2, days[i]));
        dive.number = given[i];
        int id = -1;
        QCOMPARE(db().storeDive(dive, &id), 0);
        ids << id;
    }
    const auto numbers = [&] {
        QList<int> list;
        for (int id : ids) {
            DiveDetails details;
            list << (db().loadDetails(id, details) ? details.number : -1);
        }
        return list;
    };
    QCOMPARE(numbers(), expected);
    QVERIFY(db().renumberDives());
    QCOMPARE(numbers(), days); // days 1..n: the rank in date order is the day itself
}

void TestDiveDetails::statistics_data()
{
    QTest::addColumn<DiveFilter>("filter");
    QTest::addColumn<QString>("where"); // the same restriction in plain SQL

    QTest::newRow("every dive") << DiveFilter() << "1";
    DiveFilter computer;
    computer.byComputer = true;
    computer.computers = { "QRD-M" };
    QTest::newRow("one computer") << computer << "d.computer='QRD-M'";
    DiveFilter search;
    search.search = "wall";
    QTest::newRow("searched name") << search << "d.name LIKE 'Wall%'";
}

void TestDiveDetails::statistics()
{
    QFETCH(DiveFilter, filter);
    QFETCH(QString, where);
    QCOMPARE(db().openOrCreate(path()), 0);
    // Dives over two years; the first starts on 31 December at 23:30 UTC, already January in
    // Paris. Dives 2 and 6 share the deepest depth, so the earlier must win.
    const double depths[] = { 12, 31, 8.5, 22, 17, 41, 41, 5, 29.5 };
    const int durations[] = { 2400, 3000, 1800, 3600, 2700, 3900, 2100, 900, 3900 };
    const double colds[] = { 13, 14, 21, 24, 25.5, 19, 15, 14, 12.5 };
    for (int i = 0; i < 9; ++i) {
        const qint64 start = utc(2023, 12, 31, 23) + 1800 + qint64(i) * 47 * 86400;
        const QString name = (i % 2 ? QStringLiteral("Wall %1") : QStringLiteral("Reef %1")).arg(i);
        QCOMPARE(db().storeDive(makeDive(
                     name, i % 3 ? "Veltra" : "QRD-M", start, depths[i], durations[i], colds[i])),
            0);
    }
    QList<DiveListEntry> entries;
    int groups = 0;
    QVERIFY(db().listDives(filter, entries, groups));
    const DiveStatistics stats = computeStatistics(entries);
    db().close();

    Probe probe(path());
    const QString perDive = QStringLiteral(
        "(SELECT d.diveid id, d.datetime t, MAX(p.time) s, MAX(p.depth) z, MIN(p.temperature) c "
        "FROM dives d JOIN profiles p ON p.diveid=d.diveid WHERE %1 GROUP BY d.diveid)")
                                .arg(where);
    const auto compareTotals = [&](const DiveTotals& got, const QString& condition) {
        const QString from = perDive + QStringLiteral(" WHERE ") + condition;
        const QVariantList sums
            = probe.rows("SELECT COUNT(*), SUM(s), MAX(z), AVG(z) FROM " + from).value(0);
        QCOMPARE(got.dives, sums.at(0).toInt());
        QCOMPARE(got.totalSeconds, sums.at(1).toDouble());
        QCOMPARE(got.maxDepth, sums.at(2).toDouble());
        QVERIFY(qAbs(got.meanMaxDepth - sums.at(3).toDouble()) < 1e-9);
        QCOMPARE(got.deepestId,
            probe.rows("SELECT id FROM " + from + " ORDER BY z DESC, t, id LIMIT 1")
                .value(0)
                .value(0)
                .toInt());
        const QVariantList longest
            = probe.rows("SELECT id, s FROM " + from + " ORDER BY s DESC, t, id LIMIT 1").value(0);
        QCOMPARE(got.longestId, longest.at(0).toInt());
        QCOMPARE(got.longestSeconds, longest.at(1).toDouble());
    };
    compareTotals(stats.totals, "1");
    QVERIFY(stats.totals.dives > 1);

    for (const auto& [format, periods] : { std::pair { QString("%Y"), stats.years },
             std::pair { QString("%Y-%m"), stats.months } }) {
        const QString local
            = QStringLiteral("strftime('%1', t, 'unixepoch', 'localtime')").arg(format);
        QStringList expected;
        for (const QVariantList& row :
            probe.rows(QStringLiteral("SELECT DISTINCT %1 FROM %2 ORDER BY 1").arg(local, perDive)))
            expected << row.at(0).toString();
        QStringList got;
        for (const DivePeriodTotals& p : periods) {
            got << p.period;
            compareTotals(p.totals, QStringLiteral("%1='%2'").arg(local, p.period));
        }
        QCOMPARE(got, expected);
    }

    QList<int> histogram;
    for (const QVariantList& row :
        probe.rows("SELECT CAST(z / 5 AS INTEGER), COUNT(*) FROM " + perDive + " GROUP BY 1")) {
        histogram.resize(qMax(histogram.size(), row.at(0).toInt() + 1));
        histogram[row.at(0).toInt()] = row.at(1).toInt();
    }
    QCOMPARE(stats.depthHistogram, histogram);

    for (const QVariantList& row :
        probe.rows("SELECT CAST(strftime('%m', t, 'unixepoch', 'localtime') AS INTEGER), AVG(c), "
                   "COUNT(*) FROM "
            + perDive + " GROUP BY 1")) {
        const int month = row.at(0).toInt() - 1;
        QCOMPARE(stats.temperatureDives[size_t(month)], row.at(2).toInt());
        QVERIFY(qAbs(stats.meanTemperature[size_t(month)] - row.at(1).toDouble()) < 1e-9);
    }
}

void TestDiveDetails::undoRedo()
{
    QCOMPARE(db().openOrCreate(path()), 0);
    DiveProfile original = makeDive("Kept whole", "Veltra", utc(2024, 4, 1), 33, 600, 11);
    applyDetails(
        DiveDetails { 4, "Arch", "Gozo", { "Ana", "Li" }, "notes", 5, { "cave" } }, original);
    original.tanks = { { 0, 200, 70 }, { 1, 180, 110 } };
    int id = -1;
    QCOMPARE(db().storeDive(original, &id), 0);
    QCOMPARE(db().storeDive(makeDive("Later", "Veltra", utc(2024, 4, 2))), 0);

    QUndoStack stack;
    QVERIFY(pushLogbookCommand(stack, new DeleteDivesCommand({ id })).isEmpty());
    DiveProfile back;
    QVERIFY(!db().loadDive(id, back));
    stack.undo();
    QVERIFY(db().loadDive(id, back));
    // Every sample comes back as it was first given.
    compareSamples(back.samples, original.samples);
    QCOMPARE(back.gases.size(), 2);
    QCOMPARE(back.gases.at(1).o2, 32);
    QCOMPARE(detailsOf(back), detailsOf(original));
    QCOMPARE(back.tanks.size(), 2);
    QCOMPARE(back.tanks.at(1).endBar, 110.0);
    stack.redo();
    QVERIFY(!db().loadDive(id, back));
    stack.undo();

    // Rename and details: undo puts the old values back, redo the new ones.
    QVERIFY(
        pushLogbookCommand(stack, new RenameDiveCommand(id, "Kept whole", "Renamed")).isEmpty());
    DiveDetails edited = detailsOf(original);
    edited.site = "Blue hole";
    QVERIFY(db().updateDetails(id, edited));
    stack.push(new EditDetailsCommand(id, detailsOf(original), edited));
    stack.undo();
    DiveDetails details;
    QVERIFY(db().loadDetails(id, details));
    QCOMPARE(details.site, QString("Arch"));
    stack.undo();
    QCOMPARE(found("renamed"), QStringList());
    QCOMPARE(found("kept"), QStringList { "Kept whole" });
    stack.redo();
    stack.redo();
    QCOMPARE(found("blue renamed"), QStringList { "Renamed" });

    // A rename to a name taken is refused and stays off the stack.
    const int depth = stack.count();
    QVERIFY(!pushLogbookCommand(stack, new RenameDiveCommand(id, "Renamed", "Later")).isEmpty());
    QCOMPARE(stack.count(), depth);

    // An import is undone by deleting it and redone under the same id.
    int imported = -1;
    QCOMPARE(db().storeDive(makeDive("Imported", "Veltra", utc(2024, 4, 3)), &imported), 0);
    QVERIFY(pushLogbookCommand(stack, new ImportDiveCommand(DiveProfile(), imported)).isEmpty());
    stack.undo();
    QCOMPARE(found("imported"), QStringList());
    stack.redo();
    QVERIFY(db().loadDive(imported, back));
    QCOMPARE(back.name, QString("Imported"));
    QCOMPARE(back.samples.size(), 5);
}

// The window filters in local time; these dives sit around the 2026 clock changes of Paris
// (29 March 02:00 CET -> 03:00 CEST, 25 October 03:00 CEST -> 02:00 CET).
void TestDiveDetails::localDays_data()
{
    QTest::addColumn<DiveFilter>("filter");
    QTest::addColumn<QStringList>("expected");
    const auto days = [](QDate from, QDate to) {
        DiveFilter f;
        f.byDate = f.hasTo = true;
        f.from = from.startOfDay();
        f.to = to.startOfDay();
        return f;
    };
    const QDate autumn(2026, 10, 25);
    const QDate spring(2026, 3, 29);
    QTest::newRow("25-hour day keeps its last hour")
        << days(autumn, autumn) << QStringList { "autumn 23:30" };
    QTest::newRow("day after the 25-hour day")
        << days(autumn.addDays(1), autumn.addDays(1)) << QStringList { "autumn next 00:30" };
    QTest::newRow("23-hour day stops at its midnight")
        << days(spring, spring) << QStringList { "spring 23:30" };
    QTest::newRow("day after the 23-hour day")
        << days(spring.addDays(1), spring.addDays(1)) << QStringList { "spring next 00:30" };
    DiveFilter morning = days(QDate(2026, 1, 1), QDate(2026, 12, 31));
    morning.byTime = true;
    morning.fromTime = QTime(8, 30).msecsSinceStartOfDay();
    morning.toTime = QTime(9, 30).msecsSinceStartOfDay();
    QTest::newRow("local hour in summer and winter")
        << morning << QStringList { "summer 09:00", "winter 09:00" };
}

void TestDiveDetails::localDays()
{
    QFETCH(DiveFilter, filter);
    QFETCH(QStringList, expected);
    QCOMPARE(db().openOrCreate(path()), 0);
    // Local times worked by hand from the offsets: CET = UTC+1, CEST = UTC+2.
    const std::pair<const char*, qint64> dives[] = {
        { "autumn 23:30", utc(2026, 10, 25, 22) + 1800 }, // 25 Oct 23:30 CET
        { "autumn next 00:30", utc(2026, 10, 25, 23) + 1800 }, // 26 Oct 00:30 CET
        { "spring 23:30", utc(2026, 3, 29, 21) + 1800 }, // 29 Mar 23:30 CEST
        { "spring next 00:30", utc(2026, 3, 29, 22) + 1800 }, // 30 Mar 00:30 CEST
        { "summer 09:00", utc(2026, 7, 1, 7) }, // 1 Jul 09:00 CEST
        { "winter 09:00", utc(2026, 12, 1, 8) }, // 1 Dec 09:00 CET
    };
    for (const auto& [name, start] : dives)
        QCOMPARE(db().storeDive(makeDive(name, "Veltra", start)), 0);
    QStringList list = listed(filter);
    list.sort();
    QCOMPARE(list, expected);
}

QTEST_GUILESS_MAIN(TestDiveDetails)
#include "tst_divedetails.moc"
