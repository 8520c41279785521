#include "cli/clicommands.h"
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "planner/planification.h"
#include "planner/planstorage.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

struct Result
{
    int status = -1;
    QString out;
    QString err;
    QJsonObject json() const { return QJsonDocument::fromJson(out.toUtf8()).object(); }
};

Result cli(const QStringList& args)
{
    Result r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.status = runCli(args, out, err);
    out.flush();
    err.flush();
    return r;
}

// A 20 m dive of 10 minutes on Nx32, 5-second samples, 24 to 18 degrees.
DiveProfile sampleDive(const QString& name, const QString& serial)
{
    DiveProfile dive;
    dive.name = name;
    dive.computer = "Veltra";
    dive.serial = serial;
    dive.dateTime = 1780000000;
    DiveGas gas;
    gas.o2 = 32;
    dive.gases = { gas };
    for (int t = 0; t <= 600; t += 5) {
        DiveSample s;
        s.time = t;
        s.depth = t < 60 ? t / 3.0 : (t > 540 ? (600 - t) / 3.0 : 20.0);
        s.temperature = 24.0 - t / 100.0;
        s.gasIndex = 0;
        dive.samples.append(s);
    }
    dive.computeStatistics();
    dive.computeSpeeds(false);
    return dive;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void infoAndConvert()
    {
        QTemporaryDir dir;
        DiveProfile dive = sampleDive("Reef", "A1");
        const QString source = dir.filePath("reef.uddf");
        QVERIFY(exportDive(dive, source));

        const Result info = cli({ "info", source, "--json" });
        QCOMPARE(info.status, 0);
        const QJsonObject o = info.json()["dives"].toArray().first().toObject();
        QCOMPARE(o["samples"].toInt(), 121);
        QCOMPARE(o["maxDepth"].toDouble(), 20.0);
        QCOMPARE(o["duration"].toDouble(), 600.0);
        QCOMPARE(
            o["gases"].toArray().first().toObject()["name"].toString(), QStringLiteral("Nx32"));
        QCOMPARE(o["minTemperature"].toDouble(), 18.0);
        QCOMPARE(o["maxTemperature"].toDouble(), 24.0);

        const QString copy = dir.filePath("copy.uddf");
        QCOMPARE(cli({ "convert", source, copy }).status, 0);
        const QJsonObject back
            = cli({ "info", copy, "--json" }).json()["dives"].toArray().first().toObject();
        QCOMPARE(back["samples"].toInt(), 121);
        QCOMPARE(back["maxDepth"].toDouble(), 20.0);
        QCOMPARE(back["serial"].toString(), QStringLiteral("A1"));
        QCOMPARE(back["name"].toString(), QStringLiteral("Reef"));

        // The CSV report is written through the same writer as the application's export.
        const QString report = dir.filePath("reef.csv");
        QCOMPARE(cli({ "convert", source, report }).status, 0);
        QFile file(report);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Reef"));
        // No writer for the computer's binary files.
        QCOMPARE(cli({ "convert", source, dir.filePath("x.divebin") }).status, 1);
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::newRow("missing-file") << QStringList { "info", "/nonexistent/x.csv" } << 1;
        QTest::newRow("unknown-extension") << QStringList { "info", "/tmp/x.txt" } << 1;
        QTest::newRow("unknown-command") << QStringList { "frobnicate" } << 2;
        QTest::newRow("unknown-option") << QStringList { "info", "--fast", "x.csv" } << 2;
        QTest::newRow("point-garbage") << QStringList { "plan", "--point", "deep:long" } << 2;
        QTest::newRow("point-nan") << QStringList { "plan", "--point", "nan:10" } << 2;
        QTest::newRow("times-backwards")
            << QStringList { "plan", "--point", "30:10", "--point", "30:5" } << 2;
        QTest::newRow("gf-inverted")
            << QStringList { "plan", "--point", "30:10", "--gf", "90/30" } << 2;
        QTest::newRow("gas-index-outside") << QStringList { "plan", "--point", "30:10:9" } << 2;
        QTest::newRow("no-dive") << QStringList { "plan" } << 2;
        QTest::newRow("missing-value") << QStringList { "plan", "--gf" } << 2;
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        const Result r = cli(args);
        QCOMPARE(r.status, status);
        QVERIFY(!r.err.isEmpty());
    }

    void logbookImportListExport()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("log/diveDB.db");
        const QString a = dir.filePath("a.uddf");
        const QString b = dir.filePath("b.uddf");
        DiveProfile first = sampleDive("Reef", "A1");
        DiveProfile second = sampleDive("Wall", "B2");
        second.computer = "Tarsk";
        second.samples[5].depth += 0.5; // another dive: same start, other computer and samples
        QVERIFY(exportDive(first, a));
        QVERIFY(exportDive(second, b));

        Result r = cli({ "logbook", "--db", db, "import", a, b });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out,
            QStringLiteral("stored 1 Reef\nstored 2 Wall\n2 stored, 0 duplicates, 0 refused\n"));
        r = cli({ "logbook", "--db", db, "import", a });
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.startsWith("duplicate Reef (already stored as 1)\n"));

        r = cli({ "logbook", "--db", db, "list", "--json" });
        QCOMPARE(r.status, 0);
        QJsonObject list = r.json();
        QCOMPARE(list["dives"].toArray().size(), 2);
        QCOMPARE(list["computers"].toInt(), 2);

        list = cli({ "logbook", "--db", db, "list", "--json", "--computer", "Tarsk" }).json();
        QCOMPARE(list["dives"].toArray().size(), 1);
        const QJsonObject wall = list["dives"].toArray().first().toObject();
        QCOMPARE(wall["name"].toString(), QStringLiteral("Wall"));

        const QString out = dir.filePath("wall.uddf");
        QCOMPARE(cli({ "logbook", "--db", db, "export", QString::number(wall["id"].toInt()), out })
                     .status,
            0);
        const QJsonObject info
            = cli({ "info", out, "--json" }).json()["dives"].toArray().first().toObject();
        QCOMPARE(info["maxDepth"].toDouble(), 20.0);
        QCOMPARE(cli({ "logbook", "--db", db, "export", "999", out }).status, 1);
        LogbookDatabase::instance().close();
    }

    void infoJsonHoldsEveryDive()
    {
        // The fields worked from tests/data/uddf/multi_dive.uddf: d1 switches once (air to
        // EAN50), one tank 200 -> 50 bar; the dive without samples is refused on stderr.
        const QString file = QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf");
        const Result r = cli({ "info", file, "--json" });
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("refused d3: "));
        const QJsonObject o = r.json();
        QCOMPARE(o.keys(), (QStringList { "dives", "file", "format" }));
        QCOMPARE(o["file"].toString(), file);
        QCOMPARE(o["format"].toString(), QStringLiteral("uddf"));
        const QJsonArray dives = o["dives"].toArray();
        QCOMPARE(dives.size(), 3);
        const QJsonObject d1 = dives[0].toObject();
        for (const char* key : { "name", "computer", "serial", "start", "startUtcSeconds",
                 "duration", "samples", "maxDepth", "meanDepth", "minTemperature", "maxTemperature",
                 "gases", "gasSwitches", "tanks", "site", "buddy", "notes" })
            QVERIFY2(d1.contains(QLatin1String(key)), key);
        QCOMPARE(d1["name"].toString(), QStringLiteral("d1"));
        QCOMPARE(d1["gasSwitches"].toInt(), 1);
        QCOMPARE(d1["tanks"].toArray().size(), 1);
        const QJsonObject tank = d1["tanks"].toArray()[0].toObject();
        QCOMPARE(tank["gas"].toString(), QStringLiteral("Air"));
        QCOMPARE(tank["startBar"].toDouble(), 200.0);
        QCOMPARE(tank["endBar"].toDouble(), 50.0);
        QCOMPARE(d1["site"].toString(), QStringLiteral("North Wall"));
        QCOMPARE(d1["buddy"].toString(), QStringLiteral("Anna Berg"));
        QCOMPARE(d1["notes"].toString(), QStringLiteral("Nice"));
        const QJsonObject d2 = dives[1].toObject();
        QCOMPARE(d2["site"], QJsonValue(QString()));
        QCOMPARE(d2["buddy"], QJsonValue(QString()));
        QCOMPARE(d2["notes"], QJsonValue(QString()));
        QCOMPARE(d2["startUtcSeconds"].toDouble(), 1551794400.0); // 2019-03-05T14:00:00Z

        // Without --json: one block per dive.
        const Result text = cli({ "info", file });
        QCOMPARE(text.out.count("Name:"), 3);

        // convert keeps every dive.
        QTemporaryDir dir;
        const QString copy = dir.filePath("copy.uddf");
        QCOMPARE(cli({ "convert", file, copy }).status, 1); // the refused dive is reported
        QCOMPARE(cli({ "info", copy, "--json" }).json()["dives"].toArray().size(), 3);
    }

    void importRecognisesDives()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("diveDB.db");
        const QString multi = QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf");
        Result r = cli({ "logbook", "--db", db, "import", multi });
        QCOMPARE(r.status, 1);
        QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("stored 1 d1"));
        QCOMPARE(lines[1], QStringLiteral("stored 2 2019-03-05T14:00:00Z"));
        QCOMPARE(lines[2], QStringLiteral("stored 3 2019-03-06T12:00:00Z"));
        QVERIFY(lines[3].startsWith("refused d3: "));
        QCOMPARE(lines[4], QStringLiteral("3 stored, 0 duplicates, 1 refused"));

        // A CSV dive by its absolute path, its relative path and a renamed copy: one dive.
        DiveProfile dive = sampleDive("Reef", "");
        dive.computer.clear();
        const QString csv = dir.filePath("reef.csv");
        QString error;
        QVERIFY2(exportDive(dive, csv, &error, true), qPrintable(error));
        QVERIFY(QFile::copy(csv, dir.filePath("renamed.csv")));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        r = cli({ "logbook", "--db", db, "import", csv, "reef.csv", "renamed.csv" });
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out,
            QStringLiteral("stored 4 reef\nduplicate reef.csv (already stored as 4)\n"
                           "duplicate renamed.csv (already stored as 4)\n"
                           "1 stored, 2 duplicates, 0 refused\n"));
        // The same dive from a second program's export: same computer, start 30 s apart.
        DiveProfile again = sampleDive("Reef", "S9");
        DiveProfile shifted = again;
        shifted.dateTime += 30;
        shifted.samples.removeLast();
        const QString first = dir.filePath("first.uddf");
        const QString second = dir.filePath("second.uddf");
        QVERIFY(exportDive(again, first) && exportDive(shifted, second));
        r = cli({ "logbook", "--db", db, "import", first, second });
        QCOMPARE(r.out.split('\n')[1], QStringLiteral("duplicate Reef (already stored as 5)"));

        // A file that cannot be read is refused by its path; bad usage is 2.
        const QString garbage = dir.filePath("garbage.uddf");
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("<uddf><profiledata>") > 0);
        file.close();
        r = cli({ "logbook", "--db", db, "import", garbage });
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.startsWith("refused " + garbage + ": "));
        QVERIFY(r.out.endsWith("0 stored, 0 duplicates, 1 refused\n"));
        QCOMPARE(cli({ "logbook", "--db", db, "import" }).status, 2);
        LogbookDatabase::instance().close();
    }

    void exportChoosesDives_data()
    {
        QTest::addColumn<QStringList>("args"); // after "export"; OUT is added unless given
        QTest::addColumn<QString>("out");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("names"); // of the dives in the written file

        const QString d2 = QStringLiteral("2019-03-05T14:00:00Z");
        const QString d4 = QStringLiteral("2019-03-06T12:00:00Z");
        QTest::newRow("two_ids") << QStringList { "3", "1" } << "x.uddf" << 0
                                 << QStringList { d4, "d1" };
        QTest::newRow("all") << QStringList { "--all" } << "x.uddf" << 0
                             << QStringList { "d1", d2, d4 };
        QTest::newRow("all_one_computer") << QStringList { "--all", "--computer", "Beta" }
                                          << "x.uddf" << 0 << QStringList { "d1" };
        QTest::newRow("all_from_day") << QStringList { "--all", "--from", "2019-03-06" } << "x.uddf"
                                      << 0 << QStringList { d4 };
        QTest::newRow("all_until_day") << QStringList { "--all", "--to", "2019-03-05" } << "x.uddf"
                                       << 0 << QStringList { "d1", d2 };
        QTest::newRow("csv_profile_one_id")
            << QStringList { "2", "--profile" } << "x.csv" << 0 << QStringList();
        QTest::newRow("csv_two_ids") << QStringList { "1", "2" } << "x.csv" << 2 << QStringList();
        QTest::newRow("ids_and_all")
            << QStringList { "--all", "1" } << "x.uddf" << 2 << QStringList();
        QTest::newRow("filter_without_all")
            << QStringList { "1", "--computer", "Beta" } << "x.uddf" << 2 << QStringList();
        QTest::newRow("unknown_id") << QStringList { "1", "99" } << "x.uddf" << 1 << QStringList();
        QTest::newRow("no_match") << QStringList { "--all", "--computer", "Nobody" } << "x.uddf"
                                  << 1 << QStringList();
        QTest::newRow("no_out") << QStringList() << "" << 2 << QStringList();
    }

    void exportChoosesDives()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(int, status);
        QFETCH(QStringList, names);

        QTemporaryDir dir;
        const QString db = dir.filePath("diveDB.db");
        // The file's computer links: d1 is Beta's, the others name none.
        QCOMPARE(cli({ "logbook", "--db", db, "import",
                         QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf") })
                     .status,
            1);
        const QString path = out.isEmpty() ? QString() : dir.filePath(out);
        QStringList command = QStringList { "logbook", "--db", db, "export" } + args;
        if (!path.isEmpty())
            command << path;
        const Result r = cli(command);
        LogbookDatabase::instance().close();
        QCOMPARE(r.status, status);
        if (status != 0) {
            QVERIFY(!r.err.isEmpty());
            QVERIFY(path.isEmpty() || !QFile::exists(path));
            return;
        }
        const QJsonArray dives = cli({ "info", path, "--json" }).json()["dives"].toArray();
        if (out.endsWith(".csv")) {
            QCOMPARE(dives.size(), 1);
            return;
        }
        QStringList written;
        for (const QJsonValue& d : dives)
            written << d.toObject()["name"].toString();
        QCOMPARE(written, names);
    }

    void planFromTheCommandLine()
    {
        // 40 m for 25 minutes on air, GF 30/80: a decompression dive.
        const Result r
            = cli({ "plan", "--point", "40:2", "--point", "40:25", "--gf", "30/80", "--json" });
        QCOMPARE(r.status, 0);
        const QJsonArray dives = r.json()["dives"].toArray();
        QCOMPARE(dives.size(), 1);
        const QJsonObject dive = dives.first().toObject();
        const QJsonArray lines = dive["lines"].toArray();
        QVERIFY(lines.size() > 4);
        QCOMPARE(lines[0].toObject()["direction"].toString(), QStringLiteral("descending"));
        QCOMPARE(lines[0].toObject()["computed"].toBool(), false);
        QCOMPARE(lines[1].toObject()["direction"].toString(), QStringLiteral("level"));
        QCOMPARE(lines[1].toObject()["runTime"].toDouble(), 25.0);
        const QJsonObject last = lines.last().toObject();
        QCOMPARE(last["depth"].toDouble(), 0.0);
        QCOMPARE(last["computed"].toBool(), true);
        QCOMPARE(last["gas"].toString(), QStringLiteral("Air"));
        const QJsonObject summary = dive["summary"].toObject();
        QVERIFY(summary["stopTime"].toDouble() > 5.0);
        QCOMPARE(summary["decoImpossible"].toBool(), false);
        QCOMPARE(summary["invalidDiveCode"].toInt(), 0);
        // Time to surface: every computed line's duration adds up to it.
        double computed = 0;
        for (const QJsonValue& v : lines)
            if (v.toObject()["computed"].toBool())
                computed += v.toObject()["duration"].toDouble();
        QVERIFY(qAbs(computed - summary["timeToSurface"].toDouble()) < 0.01);

        // The same dive with lower gradient factors needs longer stops.
        const QJsonObject lower
            = cli({ "plan", "--point", "40:2", "--point", "40:25", "--gf", "20/70", "--json" })
                  .json()["dives"]
                  .toArray()
                  .first()
                  .toObject()["summary"]
                  .toObject();
        QVERIFY(lower["stopTime"].toDouble() > summary["stopTime"].toDouble());
    }

    void planFileWithOtherSettings()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("day.diveplan");
        {
            Planification plan;
            plan.addDefaultDive();
            plan.addDefaultDive();
            plan.dives[0]->profile.samples[1].depth = 30;
            plan.dives[0]->profile.samples[2].depth = 30;
            plan.dives[0]->profile.samples[2].time = 1500;
            plan.dives[1]->profile.samples[2].time = 2400;
            QCOMPARE(savePlan(plan, path), PlanFile::Status::Ok);
        }
        auto stopsOf = [&](const QStringList& extra) {
            const Result r = cli(QStringList { "plan", path, "--json" } + extra);
            return r.json()["dives"]
                .toArray()[1]
                .toObject()["summary"]
                .toObject()["stopTime"]
                .toDouble();
        };
        const double twoHours = stopsOf({});
        const double tenMinutes = stopsOf({ "--interval", "0:10" });
        QVERIFY(tenMinutes >= twoHours);
        const Result text = cli({ "plan", path });
        QCOMPARE(text.status, 0);
        QVERIFY(text.out.contains("Dive 1"));
        QVERIFY(text.out.contains("CNS"));
        QCOMPARE(cli({ "plan", dir.filePath("missing.diveplan") }).status, 1);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
