#include "cli/clicommands.h"
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "planner/planification.h"
#include "planner/planstorage.h"

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

// A dive on Nx32 of 10 minutes to `depth` (or its first `seconds`), 5-second samples, 24 to
// 18 degrees, `days` after 2026-05-28.
DiveProfile sampleDive(
    const QString& name, const QString& serial, double depth = 20, int seconds = 600, int days = 0)
{
    DiveProfile dive;
    dive.name = name;
    dive.computer = "Veltra";
    dive.serial = serial;
    dive.dateTime = 1780000000 + days * 86400;
    DiveGas gas;
    gas.o2 = 32;
    dive.gases = { gas };
    for (int t = 0; t <= seconds; t += 5) {
        DiveSample s;
        s.time = t;
        s.depth = depth * (t < 60 ? t / 60.0 : (t > 540 ? (600 - t) / 60.0 : 1.0));
        s.temperature = 24.0 - t / 100.0;
        s.gasIndex = 0;
        dive.samples.append(s);
    }
    dive.computeStatistics();
    dive.computeSpeeds(false);
    return dive;
}

// Three stored dives: Reef (20 m, 600 s), Wall 40 days later (30 m, 600 s) and Cave 400 days
// earlier (20 m, 300 s), stored in that order.
QString detailsLogbook(const QTemporaryDir& dir)
{
    const QString path = dir.filePath("diveDB.db");
    LogbookDatabase& db = LogbookDatabase::instance();
    bool ok = db.openOrCreate(path) == LogbookDatabase::Success;
    for (const DiveProfile& dive : { sampleDive("Reef", "A1"),
             sampleDive("Wall", "B2", 30, 600, 40), sampleDive("Cave", "A1", 20, 300, -400) })
        ok = ok && db.storeDive(dive) == LogbookDatabase::Success;
    db.close();
    return ok ? path : QString();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList namesOf(const QJsonObject& list)
{
    QStringList names;
    for (const QJsonValue& dive : list["dives"].toArray())
        names << dive.toObject()["name"].toString();
    return names;
}

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void infoAndConvert()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("reef.uddf");
        DiveProfile reef = sampleDive("Reef", "A1");
        QVERIFY(exportDive(reef, source));
        const QString copy = dir.filePath("copy.uddf");
        QCOMPARE(cli({ "convert", source, copy, "--validate" }).status, 0);
        QCOMPARE(cli({ "convert", source, dir.filePath("x.csv"), "--validate" }).status, 2);
        const Result info = cli({ "info", copy, "--json" });
        QCOMPARE(info.status, 0);
        // The keys scripts read, and each fed from its own field.
        QCOMPARE(info.json().keys(), QStringList({ "dives", "file", "format" }));
        const QJsonObject o = info.json()["dives"].toArray().first().toObject();
        QCOMPARE(o.keys(),
            QStringList({ "buddy", "computer", "duration", "gasSwitches", "gases", "maxDepth",
                "maxTemperature", "meanDepth", "minTemperature", "mode", "name", "notes",
                "position", "samples", "serial", "site", "start", "startUtcSeconds", "tanks",
                "trip" }));
        const QJsonObject expected { { "samples", 121 }, { "maxDepth", 20 }, { "duration", 600 },
            { "minTemperature", 18 }, { "maxTemperature", 24 }, { "serial", "A1" },
            { "name", "Reef" }, { "startUtcSeconds", 1780000000 } };
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(o[it.key()], it.value());
        QCOMPARE(o["gases"][0]["name"].toString(), QStringLiteral("Nx32"));
        QCOMPARE(cli({ "convert", source, dir.filePath("x.divebin") }).status, 1);

        // tests/data/uddf/multi_dive.uddf: d1 switches once (air to EAN50), its tank holds air
        // 200 -> 50 bar; the dive without samples is refused on stderr.
        const QString file = QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf");
        const Result r = cli({ "info", file, "--json" });
        QCOMPARE(r.status, 0);
        QVERIFY(r.err.contains("refused d3: "));
        QCOMPARE(r.json()["format"].toString(), QStringLiteral("uddf"));
        const QJsonObject d1 = r.json()["dives"][0].toObject();
        QCOMPARE(d1["gasSwitches"].toInt(), 1);
        QCOMPARE(d1["tanks"].toArray(),
            QJsonArray(
                { QJsonObject { { "gas", "Air" }, { "startBar", 200 }, { "endBar", 50 } } }));
        QCOMPARE(d1["buddy"].toString(), QStringLiteral("Anna Berg"));
        QCOMPARE(cli({ "info", file }).out.count("Name:"), 3); // without --json, a block each
        // In feet and psi: 20 m = 65.6 ft, the samples' mean (0 + 20 + 6 + 5 + 0) / 5 = 6.2 m =
        // 20.3 ft, 200 bar = 2901 psi, 50 bar = 725 psi.
        const QString feet = cli({ "info", file, "--units", "imperial" }).out;
        for (const char* line :
            { "Max depth:    65.6 ft\nMean depth:   20.3 ft", "Tank:         Air 2901 to 725 psi" })
            QVERIFY2(feet.contains(line), qPrintable(feet));
        // convert keeps every dive, and reports the refused one.
        QCOMPARE(cli({ "convert", file, copy }).status, 1);
        QCOMPARE(cli({ "info", copy, "--json" }).json()["dives"].toArray().size(), 3);
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
        QTest::newRow("switch-rule-unknown")
            << QStringList { "plan", "--point", "30:10", "--switch", "mod" } << 2;
        QTest::newRow("switch-time-6")
            << QStringList { "plan", "--point", "30:10", "--switch-time", "6" } << 2;
        QTest::newRow("deco-ppo2-1.8")
            << QStringList { "plan", "--point", "30:10", "--deco-ppo2", "1.8" } << 2;
        QTest::newRow("last-stop-4")
            << QStringList { "plan", "--point", "30:10", "--last-stop", "4" } << 2;
        QTest::newRow("altitude-and-surface") << QStringList { "plan", "--point", "30:10",
            "--altitude", "1000", "--surface-pressure", "0.9" }
                                              << 2;
        QTest::newRow("o2-breaks-garbage")
            << QStringList { "plan", "--point", "30:10", "--o2-breaks", "20/x" } << 2;
        QTest::newRow("water-sea")
            << QStringList { "plan", "--point", "30:10", "--water", "sea" } << 2;
        QTest::newRow("gas-index-outside") << QStringList { "plan", "--point", "30:10:9" } << 2;
        QTest::newRow("no-dive") << QStringList { "plan" } << 2;
        QTest::newRow("replay-gf-inverted") << QStringList { "info",
            VELTRA_TEST_DATA "/uddf/multi_dive.uddf", "--json", "--replay", "--gf", "90/30" }
                                            << 2;
        QTest::newRow("missing-value") << QStringList { "plan", "--gf" } << 2;
        const QStringList dive { "plan", "--point", "20:2", "--point", "20:12" };
        QTest::newRow("cylinder-zero-size") << dive + QStringList { "--cylinder", "0:200" } << 2;
        QTest::newRow("cylinder-garbage") << dive + QStringList { "--cylinder", "12L" } << 2;
        QTest::newRow("cylinder-per-gas")
            << dive + QStringList { "--cylinder", "12:200", "--cylinder", "7:200" } << 2;
        QTest::newRow("sac-zero") << dive + QStringList { "--sac", "0" } << 2;
        QTest::newRow("deco-sac-negative") << dive + QStringList { "--deco-sac", "-5" } << 2;
        QTest::newRow("reserve-unknown") << dive + QStringList { "--reserve", "half" } << 2;
        QTest::newRow("bailout-open-circuit") << dive + QStringList { "--bailout" } << 2;
        QTest::newRow("stress-factor-garbage")
            << dive + QStringList { "--stress-factor", "x" } << 2;
        QTest::newRow("problem-time-negative")
            << dive + QStringList { "--problem-time", "-1" } << 2;
        QTest::newRow("temperature-boiling")
            << dive + QStringList { "--cylinder-temperature", "100" } << 2;
        QTest::newRow("deeper-100") << dive + QStringList { "--deeper", "100" } << 2;
        QTest::newRow("slate-size-a5") << dive + QStringList { "--slate-size", "a5" } << 2;
        QTest::newRow("slate-unwritable")
            << dive + QStringList { "--slate", "/nonexistent/slate.pdf" } << 1;
        QTest::newRow("deco-gas-mix-above-100")
            << QStringList { "plan", "--point", "30:10", "--deco-gas", "60/50" } << 2;
        QTest::newRow("four-deco-gases") << QStringList { "plan", "--point", "30:10", "--deco-gas",
            "50", "--deco-gas", "80", "--deco-gas", "100", "--deco-gas", "40" }
                                         << 2;
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        const Result r = cli(args);
        QCOMPARE(r.status, status);
        QVERIFY(!r.err.isEmpty());
    }

    void logbookDetails()
    {
        QTemporaryDir dir;
        const QString db = detailsLogbook(dir);
        QVERIFY(!db.isEmpty());
        const auto log = [&db](const QStringList& args) {
            return cli(QStringList { "logbook", "--db", db } + args);
        };

        // Each option reaches its field; an empty value clears a list.
        QCOMPARE(
            log({ "edit", "2", "--site", "Arch", "--location", "Malta", "--buddy", "Ana", "--buddy",
                    "Zoë", "--tag", "deep", "--notes", "Eel", "--rating", "4", "--number", "7" })
                .status,
            0);
        const QJsonObject wall = log({ "show", "2", "--json" }).json();
        const QJsonObject expected { { "site", "Arch" }, { "location", "Malta" },
            { "buddies", QJsonArray({ "Ana", "Zoë" }) }, { "tags", QJsonArray({ "deep" }) },
            { "notes", "Eel" }, { "rating", 4 }, { "number", 7 }, { "maxDepth", 30 } };
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(wall[it.key()], it.value());
        // Wall replayed: 121 samples, each within the no-stop limit; at 300 s, 30 m on Nx32 at
        // 4.0433 bar: ppO2 1.2939, ppN2 2.7494 bar; (41.402 + 77.022) / 22.711 = 5.21 g/L.
        const QJsonObject replay = log({ "show", "2", "--json", "--replay", "--gf", "30/70" })
                                       .json()["replay"]
                                       .toObject();
        QCOMPARE(replay.keys(), QStringList({ "cnsEnd", "maxGfSurface", "otu", "samples" }));
        const QJsonArray samples = replay["samples"].toArray();
        QCOMPARE(samples.size(), 121);
        QCOMPARE(samples[60].toObject().keys(),
            QStringList({ "ceiling", "cns", "density", "depth", "end", "gfSurface", "ndl", "pphe",
                "ppn2", "ppo2", "time" }));
        QCOMPARE(samples[60]["ppo2"].toDouble(), 1.294);
        QCOMPARE(samples[60]["ppn2"].toDouble(), 2.749);
        QCOMPARE(samples[60]["density"].toDouble(), 5.21);
        QCOMPARE(samples[60]["end"].toDouble(), 30.0);
        QCOMPARE(log({ "edit", "2", "--tag", "" }).status, 0);
        const QJsonObject cleared = log({ "show", "2", "--json" }).json();
        QVERIFY(cleared["tags"].toArray().isEmpty() && cleared["site"] == QJsonValue("Arch"));

        QCOMPARE(
            namesOf(log({ "search", "arch", "MAL", "--json" }).json()), QStringList { "Wall" });
        const QJsonObject list = log({ "list", "--json" }).json();
        QCOMPARE(namesOf(list), QStringList({ "Wall", "Reef", "Cave" }));
        QCOMPARE(list["computers"].toInt(), 2); // serials A1 and B2
        // Deepest first, equal depths by id.
        QCOMPARE(namesOf(log({ "list", "--json", "--sort", "depth" }).json()),
            QStringList({ "Wall", "Cave", "Reef" }));
        QCOMPARE(log({ "list", "--sort", "site" }).status, 2);

        // By hand: 600 + 600 + 300 s; deepest Wall (30 m); Reef and Wall both last 600 s and
        // the earlier, Reef, counts as longest; mean of 20, 30 and 20 m.
        const QJsonObject all = log({ "stats", "--json" }).json();
        QCOMPARE(all,
            QJsonObject(
                { { "dives", 3 }, { "totalSeconds", 1500 }, { "maxDepth", 30 }, { "deepestId", 2 },
                    { "longestId", 1 }, { "longestSeconds", 600 }, { "meanMaxDepth", 70.0 / 3 } }));
        const QJsonValue years = log({ "stats", "--json", "--by", "year" }).json()["periods"];
        QCOMPARE(years.toArray().size(), 2);
        QCOMPARE(years[0]["period"].toString(), QString("2025"));
        QCOMPARE(years[0]["totalSeconds"].toDouble(), 300.0);
        QCOMPARE(log({ "stats", "--by", "week" }).status, 2);
        // Imperial text: Wall's 30 m / 0.3048 = 98.4 ft; the mean 23.33 m = 76.6 ft.
        const char* const feet[][2] = {
            { "list", "98.4ft  Arch" }, { "show 2", "Max depth:    98.4 ft\n" },
            { "stats", "deepest 98.4 ft (dive 2)  longest 10:00 (dive 1)  mean max depth 76.6 ft" }
        };
        for (const auto& [args, expected] : feet) {
            const QString out
                = log(QString(args).split(' ') + QStringList { "--units", "imperial" }).out;
            QVERIFY2(out.contains(expected), qPrintable(out));
        }
        QCOMPARE(log({ "list", "--units", "furlongs" }).status, 2);
        LogbookDatabase::instance().close();
    }

    void logbookPlacesAndHandLoggedDives()
    {
        QTemporaryDir dir;
        const QString db = detailsLogbook(dir);
        QVERIFY(!db.isEmpty());
        const auto log = [&db](const QStringList& args) {
            return cli(QStringList { "logbook", "--db", db } + args);
        };
        // 30 min to 10 m: a mean over time of 9.7236 m (tests/dive); 15 L x 150 bar = 2250 L,
        // 75 L/min over 1.013 + 9.7236 x 0.1005181 = 1.990400 bar: 37.68 L/min.
        const Result added = log({ "add", "--date", "2026-06-30T10:00:00Z", "--duration", "30",
            "--depth", "10", "--gas", "21/35", "--cylinder", "15", "--start-bar", "200",
            "--end-bar", "50", "--site", "Arch", "--buddy", "Ana", "--buddy", "Li", "--rating", "5",
            "--tag", "reef", "--notes", "Octopus" });
        QCOMPARE(added.err, QString());
        QVERIFY2(QRegularExpression("^stored 4 [^\n]+\n$").match(added.out).hasMatch(),
            qPrintable(added.out));
        QCOMPARE(log({ "site", "Arch", "--location", "Gozo", "--country", "Malta", "--position",
                         "36.0135,14.3258" })
                     .status,
            0);
        QCOMPARE(log({ "edit", "2", "--site", "Arch", "--trip", "Gozo 2026" }).out,
            QString("dive 2 updated\n"));

        const QJsonObject shown = log({ "show", "4", "--json" }).json();
        QCOMPARE(shown["site"], QJsonValue("Arch"));
        QCOMPARE(shown["location"], QJsonValue("Gozo"));
        QCOMPARE(shown["country"], QJsonValue("Malta"));
        QCOMPARE(shown["position"],
            QJsonValue(QJsonObject { { "latitude", 36.0135 }, { "longitude", 14.3258 } }));
        QCOMPARE(shown["trip"], QJsonValue());
        QVERIFY2(std::fabs(shown["sac"].toDouble() - 37.68) < 0.01,
            qPrintable(QString::number(shown["sac"].toDouble())));
        QCOMPARE(shown["buddies"], QJsonValue(QJsonArray { "Ana", "Li" }));
        // 37.68 L/min / 28.3168 L a cubic foot = 1.33 cuft/min.
        const QString shownFeet = log({ "show", "4", "--units", "imperial" }).out;
        QVERIFY2(shownFeet.contains("Air use:      1.3 cuft/min\n"), qPrintable(shownFeet));
        QCOMPARE(log({ "show", "2", "--json" }).json()["trip"], QJsonValue("Gozo 2026"));
        QCOMPARE(log({ "show", "1", "--json" }).json()["sac"], QJsonValue());

        QCOMPARE(log({ "sites", "--json" }).json(),
            (QJsonObject { { "sites",
                QJsonArray { QJsonObject { { "id", 1 }, { "name", "Arch" }, { "location", "Gozo" },
                    { "country", "Malta" }, { "latitude", 36.0135 }, { "longitude", 14.3258 },
                    { "dives", 2 } } } } }));
        // Wall (dive 2): 2026-07-07 20:26:40 UTC, 600 s long.
        QCOMPARE(log({ "trips", "--json" }).json(),
            (QJsonObject { { "trips",
                QJsonArray { QJsonObject { { "id", 1 }, { "name", "Gozo 2026" }, { "location", "" },
                    { "start", "2026-07-07T20:26:40Z" }, { "end", "2026-07-07T20:36:40Z" },
                    { "dives", 1 } } } } }));
        QCOMPARE(
            log({ "trip", "Gozo 2026", "--add", "1", "--remove", "2", "--rename", "Gozo" }).status,
            0);
        QCOMPARE(log({ "show", "1", "--json" }).json()["trip"], QJsonValue("Gozo"));
        QCOMPARE(log({ "show", "2", "--json" }).json()["trip"], QJsonValue());

        // GeoJSON puts the longitude first.
        const QString geo = dir.filePath("sites.geojson");
        QCOMPARE(log({ "sites", "--geojson", geo }).status, 0);
        const QJsonValue point = QJsonDocument::fromJson(fileBytes(geo))["features"][0]["geometry"];
        QCOMPARE(point["coordinates"], QJsonValue(QJsonArray { 14.3258, 36.0135 }));

        const QString pdf = dir.filePath("log.pdf");
        QCOMPARE(log({ "print", "--all", pdf }).out, QString("4 dives -> %1\n").arg(pdf));
        QProcess text;
        text.start("pdftotext", { pdf, "-" });
        if (!text.waitForFinished(20000) || text.exitCode() != 0)
            QSKIP("pdftotext is not installed");
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected : { "Arch, Gozo, Malta (36.01350, 14.32580)", "Buddies: Ana, Li",
                 "Air use: 37.7 L/min", "Tx21/35: 200 to 50 bar, 15.0 L cylinder", "Octopus",
                 "Signature", "Logged by hand: simple profile" })
            QVERIFY2(printed.contains(expected), expected);
        QCOMPARE(printed.count("Signature"), 4);
        // Only the dive added by hand is drawn dashed.
        QCOMPARE(fileBytes(pdf).count("[4 3] 0 d"), 1);
        // Imperial: 200 bar / 0.0689476 = 2901 psi, 50 bar = 725 psi; 37.7 L/min / 28.3168 = 1.33
        // cuft/min.
        QCOMPARE(log({ "print", "--all", pdf, "--units", "imperial" }).status, 0);
        text.start("pdftotext", { pdf, "-" });
        QVERIFY(text.waitForFinished(20000));
        const QString imperial = QString::fromUtf8(text.readAllStandardOutput());
        for (const char* expected : { "Air use: 1.33 cuft/min", "Tx21/35: 2901 to 725 psi" })
            QVERIFY2(imperial.contains(expected), qPrintable(imperial));
        // A dive known only by its numbers prints the simple profile they give, dashed.
        DiveProfile summary = sampleDive("Summary", "");
        summary.samples.clear();
        QCOMPARE(LogbookDatabase::instance().openOrCreate(db), LogbookDatabase::Success);
        QCOMPARE(LogbookDatabase::instance().storeDive(summary), LogbookDatabase::Success);
        QCOMPARE(log({ "print", "5", pdf }).status, 0);
        text.start("pdftotext", { pdf, "-" });
        QVERIFY(text.waitForFinished(20000));
        QVERIFY(text.readAllStandardOutput().contains("No profile recorded: simple profile"));
        QCOMPARE(fileBytes(pdf).count("[4 3] 0 d"), 1);
        LogbookDatabase::instance().close();
    }

    void logbookEditRefused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown id") << QStringList { "99", "--site", "x" };
        QTest::newRow("add, no depth") << QStringList { "add", "--date", "2026-01-01T10:00",
            "--duration", "30", "--depth", "0" };
        QTest::newRow("add, date not a date")
            << QStringList { "add", "--date", "yesterday", "--duration", "30", "--depth", "10" };
        QTest::newRow("add, gas over 100 %") << QStringList { "add", "--date", "2026-01-01T10:00",
            "--duration", "30", "--depth", "10", "--gas", "80/30" };
        QTest::newRow("add, mean below max") << QStringList { "add", "--date", "2026-01-01T10:00",
            "--duration", "30", "--depth", "10", "--mean-depth", "12" };
        QTest::newRow("site, latitude 91") << QStringList { "site", "Arch", "--position", "91,14" };
        QTest::newRow("site, position not numbers")
            << QStringList { "site", "Arch", "--position", "north" };
        QTest::newRow("trip, remove a dive not in it")
            << QStringList { "trip", "Gozo", "--remove", "1" };
        QTest::newRow("id not a number") << QStringList { "two", "--site", "x" };
        QTest::newRow("rating above 5") << QStringList { "2", "--site", "x", "--rating", "6" };
        QTest::newRow("rating not a number") << QStringList { "2", "--rating", "4x" };
        QTest::newRow("negative number") << QStringList { "2", "--number", "-3" };
        QTest::newRow("number not a number") << QStringList { "2", "--number", "1e3" };
        QTest::newRow("notes over 64 KiB")
            << QStringList { "2", "--site", "x", "--notes", QString(64 * 1024 + 1, 'n') };
    }

    void logbookEditRefused()
    {
        QFETCH(QStringList, args);
        QTemporaryDir dir;
        const QString db = detailsLogbook(dir);
        QVERIFY(!db.isEmpty());
        const QByteArray before = fileBytes(db);
        const bool command = QStringList { "add", "site", "trip" }.contains(args.first());
        const Result r = cli(QStringList { "logbook", "--db", db }
            + (command ? QStringList() : QStringList { "edit" }) + args);
        QCOMPARE(r.status, 1);
        QVERIFY(!r.err.isEmpty());
        LogbookDatabase::instance().close();
        QCOMPARE(fileBytes(db), before);
    }

    void importRecognisesDives()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("diveDB.db");
        const QString multi = QStringLiteral(VELTRA_TEST_DATA "/uddf/multi_dive.uddf");
        Result r = cli({ "logbook", "--db", db, "import", multi });
        QCOMPARE(r.status, 1);
        QVERIFY(r.out.startsWith("stored 1 d1\nstored 2 2019-03-05T14:00:00Z\n"
                                 "stored 3 2019-03-06T12:00:00Z\nrefused d3: "));
        QVERIFY(r.out.endsWith("\n3 stored, 0 duplicates, 1 refused\n"));

        // A CSV dive by its absolute path, its relative path and a renamed copy: one dive.
        DiveProfile dive = sampleDive("Reef", "");
        dive.computer.clear();
        const QString csv = dir.filePath("reef.csv");
        QString error;
        QVERIFY2(exportDive(dive, csv, &error, true), qPrintable(error));
        QVERIFY(QFile::copy(csv, dir.filePath("renamed.csv")));
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        r = cli({ "logbook", "--db", db, "import", "--date", "2026-05-28T10:00:00", csv, "reef.csv",
            "renamed.csv" });
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
        shifted.samples[10].depth += 0.5;
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
        QTest::addColumn<QStringList>("args"); // after "export", in a fresh folder
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("names"); // of the dives in the written file

        const QString d2 = QStringLiteral("2019-03-05T14:00:00Z");
        const QString d4 = QStringLiteral("2019-03-06T12:00:00Z");
        QTest::newRow("two_ids") << QStringList { "3", "1", "x.uddf" } << 0
                                 << QStringList { d4, "d1" };
        QTest::newRow("all") << QStringList { "--all", "x.uddf" } << 0
                             << QStringList { "d1", d2, d4 };
        QTest::newRow("all_one_computer")
            << QStringList { "--all", "--computer", "Beta", "x.uddf" } << 0 << QStringList { "d1" };
        QTest::newRow("all_from_day")
            << QStringList { "--all", "--from", "2019-03-06", "x.uddf" } << 0 << QStringList { d4 };
        QTest::newRow("all_until_day") << QStringList { "--all", "--to", "2019-03-05", "x.uddf" }
                                       << 0 << QStringList { "d1", d2 };
        QTest::newRow("csv_profile_one_id")
            << QStringList { "2", "--profile", "x.csv" } << 0 << QStringList { "x" };
        QTest::newRow("csv_two_ids") << QStringList { "1", "2", "x.csv" } << 2 << QStringList();
        QTest::newRow("ids_and_all")
            << QStringList { "--all", "1", "x.uddf" } << 2 << QStringList();
        QTest::newRow("filter_without_all")
            << QStringList { "1", "--computer", "Beta", "x.uddf" } << 2 << QStringList();
        QTest::newRow("unknown_id") << QStringList { "1", "99", "x.uddf" } << 1 << QStringList();
        QTest::newRow("no_match") << QStringList { "--all", "--computer", "Nobody", "x.uddf" } << 1
                                  << QStringList();
        QTest::newRow("no_out") << QStringList() << 2 << QStringList();
    }

    // Other programs' files by content, the new JSON keys, and dives without a start date.
    void otherFormats()
    {
        QTemporaryDir dir;
        const QString ssrf = dir.filePath("log.xml");
        QFile f(ssrf);
        QVERIFY(f.open(QIODevice::WriteOnly)
            && f.write("<divelog program='subsurface' version='3'><divesites><site uuid='1' "
                       "name='Arch' gps='28.5 -16.25'/></divesites><dives><trip "
                       "location='Canaries'><dive divesiteid='1' date='2024-05-18' "
                       "time='10:00:00'><divecomputer dctype='CCR'><sample time='0:10 min' "
                       "depth='5.0 m'/></divecomputer></dive></trip><dive date='2024-05-19' "
                       "time='10:00:00' duration='30:00 min'/></dives></divelog>")
                > 0);
        f.close();
        Result r = cli({ "info", ssrf, "--json" });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.json()["format"].toString(), QString("subsurface"));
        const QJsonArray dives = r.json()["dives"].toArray();
        QCOMPARE(dives.size(), 2);
        QCOMPARE(dives[0]["mode"].toString(), QString("cc"));
        QCOMPARE(dives[0]["trip"].toString(), QString("Canaries"));
        QCOMPARE(dives[0]["site"].toString(), QString("Arch"));
        QCOMPARE(dives[0]["position"]["longitude"].toDouble(), -16.25);
        QVERIFY(dives[1]["position"].isNull() && dives[1]["trip"].isNull());
        QCOMPARE(dives[1]["mode"].toString(), QString("oc"));
        QCOMPARE(dives[1]["samples"].toInt(), 0);

        // A profile CSV has no start: refused with the reason, stored with --date.
        const QString csv = dir.filePath("p.csv");
        DiveProfile undated = sampleDive("P", "");
        QVERIFY(exportDive(undated, csv, nullptr, true));
        const QString db = dir.filePath("d.db");
        r = cli({ "logbook", "--db", db, "import", csv });
        QCOMPARE(r.status, 1);
        QVERIFY2(r.out.startsWith("refused p: no start date: give --date\n"), qPrintable(r.out));
        r = cli({ "logbook", "--db", db, "import", "--date", "2024-05-18T12:07:00", csv, ssrf });
        QVERIFY2(r.out.endsWith("\n3 stored, 0 duplicates, 0 refused\n"), qPrintable(r.out));
        // The dive without samples keeps its 30 minutes in the list and when loaded.
        QCOMPARE(
            cli({ "logbook", "--db", db, "show", "3", "--json" }).json()["duration"].toDouble(),
            1800.0);
        const QJsonArray listed
            = cli({ "logbook", "--db", db, "list", "--json" }).json()["dives"].toArray();
        QCOMPARE(listed.at(0)["duration"].toDouble(), 1800.0);
        LogbookDatabase::instance().close();
        QCOMPARE(cli({ "info", csv, "--date", "yesterday" }).status, 2);
        QCOMPARE(cli({ "info", csv, "--csv-preset", "nope" }).status, 2);
        QCOMPARE(cli({ "info", csv, "--csv-columns", "time=1" }).status, 2);
        const QString help = cli({ "--help" }).out;
        for (const char* name : { "Subsurface XML", "FIT", "UDCF", "Suunto", "seabear" })
            QVERIFY2(help.contains(name), name);
    }

    void exportChoosesDives()
    {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QStringList, names);
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        // The file's computer links: d1 is Beta's, the others name none.
        const QStringList log = { "logbook", "--db", "diveDB.db" };
        cli(log + QStringList { "import", VELTRA_TEST_DATA "/uddf/multi_dive.uddf" });
        const Result r = cli(log + QStringList { "export" } + args);
        LogbookDatabase::instance().close();
        // A refused export writes no file.
        const QStringList written = namesOf(cli({ "info", dir.filePath(args.value(args.size() - 1)),
                                                    "--json", "--date", "2026-05-28T10:00:00" })
                                                .json());
        QVERIFY(QDir::setCurrent(previous));
        QCOMPARE(r.status, status);
        QCOMPARE(r.err.isEmpty(), status == 0);
        QCOMPARE(written, names);
    }

    void planFromTheCommandLine()
    {
        // 40 m for 25 minutes on air, GF 30/80: a decompression dive.
        const Result r
            = cli({ "plan", "--point", "40:2", "--point", "40:25", "--gf", "30/80", "--json" });
        QCOMPARE(r.status, 0);
        QCOMPARE(r.json()["dives"].toArray().size(), 1);
        const QJsonObject dive = r.json()["dives"][0].toObject();
        QCOMPARE(dive.keys(),
            QStringList({ "closedCircuit", "cylinders", "effortMode", "gases", "gf", "lines",
                "name", "settings", "summary", "surfaceInterval", "warnings" }));
        // The computer's own rules: 1.1 and 0.6 bar/min are 10.89 and 5.94 m/min of salt water
        // (0.101 bar/m).
        QCOMPARE(dive["settings"].toObject(),
            QJsonObject({ { "switchRule", "first-stop" }, { "switchTime", 0 }, { "decoPpo2", 1.6 },
                { "bottomPpo2", 1.4 }, { "lastStop", 3 }, { "ascentRate", 10.89 },
                { "stopRate", 5.94 }, { "safetyStop", QJsonValue() }, { "roundStops", false },
                { "altitude", 0 }, { "surfacePressure", 1.013 }, { "water", "salt" },
                { "o2Breaks", QJsonValue() } }));
        QCOMPARE(dive["gf"].toObject(), QJsonObject({ { "low", 30 }, { "high", 80 } }));
        const QJsonObject summary = dive["summary"].toObject();
        QCOMPARE(summary.keys(),
            QStringList(
                { "cns", "cnsEnd", "cnsMax", "decoImpossible", "decoNotTerminated", "duration",
                    "invalidDiveCode", "maxDepth", "ndl", "otu", "stopTime", "timeToSurface" }));
        const QJsonArray lines = dive["lines"].toArray();
        QCOMPARE(lines[1].toObject(),
            QJsonObject({ { "kind", "line" }, { "direction", "level" }, { "computed", false },
                { "depth", 40 }, { "duration", 23 }, { "runTime", 25 }, { "gas", "Air" },
                { "gasIndex", 0 } }));
        QCOMPARE(lines.last()["depth"].toDouble(), 0.0);
        QVERIFY(summary["stopTime"].toDouble() > 5.0);
        // Time to surface: every computed line's duration adds up to it.
        double computed = 0;
        for (const QJsonValue& v : lines)
            computed += v["computed"].toBool() ? v["duration"].toDouble() : 0.0;
        QVERIFY(qAbs(computed - summary["timeToSurface"].toDouble()) < 0.01);
    }

    void planInImperialUnits()
    {
        // 100 ft = 30.48 m, 30 ft/min = 9.144 m/min. An AL80 holds 80 cuft at 3000 psi
        // (206.84 bar): 80 * 28.3168 L * 1.01325 / 206.84 = 11.10 L of water. JSON stays SI, so
        // both plans print the same.
        const QStringList metres = { "plan", "--point", "30.48:2", "--point", "30.48:25",
            "--cylinder", "11.0966:206.843", "--stop-rate", "9.144", "--json" };
        const QStringList feet = { "plan", "--units", "imperial", "--point", "100:2", "--point",
            "100:25", "--cylinder", "80:3000", "--stop-rate", "30", "--json" };
        const Result metric = cli(metres);
        const Result imperial = cli(feet);
        QCOMPARE(imperial.status, 0);
        QCOMPARE(imperial.out, metric.out);
        // The text's gas plan in cubic feet and psi: the litres used over 28.3168 L a cuft.
        const Result text = cli(feet.mid(0, feet.size() - 1));
        QVERIFY2(text.out.contains("- 100.0ft"), qPrintable(text.out));
        const double used = metric.json()["dives"][0]["cylinders"][0]["usedLitres"].toDouble();
        const QString line = QStringLiteral("Air      80.0 cuft 3000 psi: used %1 cuft")
                                 .arg(used / 28.316846592, 0, 'f', 1);
        QVERIFY2(text.out.contains(line), qPrintable(text.out + line));
        QCOMPARE(cli({ "plan", "--units", "furlongs", "--point", "10:20" }).status, 2);
        QCOMPARE(cli({ "plan", "--units", "imperial", "--point", "ten:20" }).status, 2);
    }

    void planWarningsInImperial_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QStringList>("expected");
        // 150 ft = 45.72 m: (1.013 + 45.72 x 1.03 x 9.80665 / 100) x 0.32 = 1.80 bar; 3300 and
        // 3000 psi come back whole through bar.
        QTest::newRow("ppo2-fill")
            << QStringList { "--gas", "32", "--point", "150:30", "--cylinder", "80:3000:3300" }
            << QStringList { "error: ppO2 1.80 bar on Nx32 at 150 ft: above 1.6 bar.",
                   "Cylinder 1 (Nx32, 80 cuft) is filled to 3300 psi, above its working pressure "
                   "of "
                   "3000 psi." };
        // Air's narcotic depth is its depth, the 30 m limit 98.4 ft; 40 cuft of ideal gas with
        // air's Z of about 1.03 at 3000 psi holds 39 cuft; 10 ft typed stays 10 ft.
        QTest::newRow("end-dry-contingency")
            << QStringList { "--point", "100:20", "--cylinder", "40:3000", "--contingency",
                   "--deeper", "10", "--longer", "3" }
            << QStringList { "narcotic depth 100 ft on Air at 100 ft: above 98 ft.",
                   "the cylinder holds 39 cuft.",
                   "the contingency \"10 ft deeper, 3 min longer\"" };
        // Nx50 switched at its 1.6 bar depth: (3.2 - 1.013) / 0.10101 = 21.65 m, the stop at
        // 21 m = 68.9 ft.
        QTest::newRow("icd") << QStringList { "--gas", "18/45", "--point", "200:20", "--deco-gas",
            "50", "--switch", "depth" }
                             << QStringList { "from Tx18/45 to Nx50 at 69 ft:" };
    }

    void planWarningsInImperial()
    {
        QFETCH(QStringList, plan);
        QFETCH(QStringList, expected);
        const Result r = cli(QStringList { "plan", "--units", "imperial" } + plan);
        const QString text = QString(r.out).replace(QChar(0x00a0), QLatin1Char(' '));
        for (const QString& line : expected)
            QVERIFY2(text.contains(line), qPrintable(text));
    }

    void planGas_data()
    {
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<double>("used");
        QTest::addColumn<double>("end");
        QTest::addColumn<double>("reserve");
        QTest::addColumn<QString>("warning");
        // Air, 20 m for 12 min, salt water from 1.013 bar: P(20 m) = 1.013 + 1.03 x 9.80665 x
        // 0.2 = 3.03317 bar. Descent 2 min at mean 2.02309 bar x 20 L/min = 80.92 L; bottom
        // 10 min x 3.03317 x 20 = 606.63 L; no stop, the ascent (3.03317 - 1.013) / 1.1 =
        // 1.83652 min at mean 2.02309 bar x 15 L/min = 55.73 L. Total 743.28 L.
        // Minimum gas: 4 x 20 x 2 x 3.03317 + 4 x the ascent's 55.73 L = 708.23 L.
        // Real air at 15 C: Z about 1.026 at 200 bar (nitrogen 1.05, oxygen 0.936), 0.99 to
        // 0.995 from 40 to 140 bar; 5 L at 200 bar hold 974.6 L.
        // Every option at once: half the rates give half the litres, 371.64 L; 603 L left,
        // 120.6 bar ideal, about 119.5 bar. Thirds keep 67 bar.
        QTest::newRow("all-options") << QStringList { "--sac", "10", "--deco-sac", "7.5",
            "--reserve", "thirds", "--cylinder", "5:200" }
                                     << 371.64 << 119.5 << 67.0 << QString();
        // 708.23 / 5 = 141.6 bar ideal, about 141 bar kept; 231.3 L left, about 45.9 bar.
        QTest::newRow("below-reserve") << QStringList { "--cylinder", "5:200" } << 743.28 << 45.9
                                       << 141.0 << QString("below-reserve");
        // 708.23 / 3 = 236.1 bar ideal; p = 236.1 x Z(p), Z about 1.06 near 250 bar: 251 bar.
        QTest::newRow("runs-dry") << QStringList { "--cylinder", "3:200" } << 743.28 << 0.0 << 251.0
                                  << QString("dry");
    }

    void planGas()
    {
        QFETCH(QStringList, extra);
        QFETCH(double, used);
        QFETCH(double, end);
        QFETCH(double, reserve);
        QFETCH(QString, warning);
        QTemporaryDir dir;
        const QString slate = dir.filePath("slate.pdf");
        const Result r = cli(QStringList { "plan", "--point", "20:2", "--point", "20:12", "--json",
                                 "--slate", slate }
            + extra);
        QCOMPARE(r.status, 0);
        const QJsonObject dive = r.json()["dives"][0].toObject();
        QCOMPARE(dive["cylinders"].toArray().size(), 1);
        const QJsonObject c = dive["cylinders"][0].toObject();
        QCOMPARE(c["o2"].toInt(), 21);
        QVERIFY2(qAbs(c["usedLitres"].toDouble() - used) < 0.1,
            qPrintable(QString::number(c["usedLitres"].toDouble())));
        QVERIFY2(qAbs(c["endBar"].toDouble() - end) < 1,
            qPrintable(QString::number(c["endBar"].toDouble())));
        QVERIFY2(qAbs(c["reserveBar"].toDouble() - reserve) <= 1.5,
            qPrintable(QString::number(c["reserveBar"].toDouble())));
        const QJsonArray warnings = dive["warnings"].toArray();
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        QCOMPARE(warnings.isEmpty() ? QString() : warnings[0]["code"].toString(), warning);

        // The slate is of this plan.
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess text;
        text.start("pdftotext", { "-layout", slate, "-" });
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(page.contains(QStringLiteral("%1 L").arg(std::lround(used))), qPrintable(page));
    }

    void peerReferencePlans_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QList<double>>("peers");
        // Published run times of two other planners, all travel at 5 m/min: the descent within
        // the bottom time (45 m in 9 min, 60 m in 12), the gas taken at its switch depth with a
        // stop there, whole-minute stops, the last stop at 6 m. A plain ZH-L16C + GF model of
        // these conventions (published coefficients, water vapour 0.0627 bar, Schreiner steps)
        // gives 33.2 and 60.2 min.
        QTest::newRow("45m-15min-trimix") << QStringList { "--gas", "21/35", "--point", "45:9",
            "--point", "45:15", "--deco-gas", "50", "--gf", "30/70" }
                                          << QList<double> { 32, 33 };
        QTest::newRow("60m-20min-fresh-0.9bar") << QStringList { "--gas", "18/45", "--point",
            "60:12", "--point", "60:20", "--deco-gas", "50", "--gf", "40/85", "--water", "fresh",
            "--surface-pressure", "0.9" } << QList<double> { 63, 59 };
    }

    void peerReferencePlans()
    {
        QFETCH(QStringList, plan);
        QFETCH(QList<double>, peers);
        const Result r = cli(QStringList { "plan", "--json", "--switch", "depth", "--ascent-rate",
                                 "5", "--stop-rate", "5", "--round-stops", "--last-stop", "6" }
            + plan);
        QCOMPARE(r.status, 0);
        const double runTime = r.json()["dives"][0]["summary"]["duration"].toDouble();
        for (const double peer : peers)
            QVERIFY2(qAbs(runTime - peer) <= 3.0, qPrintable(QString::number(runTime)));
    }

    void safetyStopOnADiveWithoutObligation()
    {
        // 18 m for 10 min on air owes no stop: 3 min at 5 m on the way up. Up at 9 m/min to
        // 5 m, 13 m / 9 = 1.4444 min; the stop; 5 m at 3 m/min, 1.6667 min: 16.1111 min in all.
        const QJsonObject dive
            = cli({ "plan", "--point", "18:2", "--point", "18:10", "--safety-stop", "3",
                      "--ascent-rate", "9", "--stop-rate", "3", "--json" })
                  .json()["dives"][0]
                  .toObject();
        QCOMPARE(dive["settings"]["safetyStop"].toObject(),
            QJsonObject({ { "minutes", 3 }, { "depth", 5 } }));
        const QJsonArray lines = dive["lines"].toArray();
        QCOMPARE(lines[2]["depth"].toDouble(), 5.0);
        QVERIFY(qAbs(lines[2]["duration"].toDouble() - 13.0 / 9.0) < 1e-3);
        QCOMPARE(lines[3]["direction"].toString(), QStringLiteral("level"));
        QCOMPARE(lines[3]["duration"].toDouble(), 3.0);
        QVERIFY(qAbs(lines.last()["runTime"].toDouble() - 16.1111) < 1e-3);
        // In imperial the stop's depth is in feet: 20 ft = 6.096 m, kept to the decimetre.
        const QJsonObject feet = cli({ "plan", "--units", "imperial", "--point", "60:2", "--point",
                                         "60:10", "--safety-stop", "3@20", "--json" })
                                     .json()["dives"][0]["settings"]["safetyStop"]
                                     .toObject();
        QCOMPARE(feet["depth"].toDouble(), 6.1);
    }

    void planSlateShowsEveryError_data()
    {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        // Surfacing at 34 min from 30 min at 40 m on air owes stops that were never made.
        QTest::newRow("deco-not-terminated")
            << QStringList { "--point", "40:2", "--point", "40:30", "--point", "0:34" }
            << "deco-not-terminated"
            << "Deco not terminated";
        // 95 % nitrogen at GF 10/10: no stop above about 30 m could ever end.
        QTest::newRow("deco-impossible")
            << QStringList { "--gas", "5", "--gf", "10/10", "--point", "40:2", "--point", "40:20" }
            << "deco-impossible"
            << "Decompression impossible";
        // 30/80 with effort: 30/68, and the slate says so.
        QTest::newRow("effort") << QStringList { "--gf", "30/80", "--effort", "--point", "30:2",
            "--point", "30:20" } << "gf-reduced"
                                << "Effort mode: computed at GF 30/68 instead of 30/80";
        // In feet and cubic feet on the slate too: 10 m = 32.8 ft; 40 cuft of air hold 39.
        QTest::newRow("dry-imperial")
            << QStringList { "--units", "imperial", "--point", "100:20", "--cylinder", "40:3000" }
            << "dry"
            << "the cylinder holds 39 cuft";
        QTest::newRow("yoyo-imperial")
            << QStringList { "--units", "imperial", "--point", "100:5", "--point", "30:7",
                   "--point", "100:9" }
            << "yoyo"
            << "an ascent of 33 ft or more followed by a descent of 33 ft";
    }

    void planSlateShowsEveryError()
    {
        QFETCH(QStringList, plan);
        QFETCH(QString, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString slate = dir.filePath("slate.pdf");
        const Result r = cli(QStringList { "plan", "--json", "--slate", slate } + plan);
        QCOMPARE(r.status, 0);
        QCOMPARE(r.json()["dives"][0]["warnings"][0]["code"].toString(), code);
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QProcess text;
        text.start("pdftotext", { slate, "-" });
        QVERIFY(text.waitForFinished(30000));
        const QString page = QString::fromUtf8(text.readAllStandardOutput()).simplified();
        QVERIFY2(page.contains(message), qPrintable(page));
        // Above the run-time table.
        QVERIFY(page.indexOf(message) < page.indexOf("Run time"));
    }

    void reducedFactorsAreTheDiversCappedAt68()
    {
        // Effort mode lowers each factor to at most 68: 30/80 is computed as 30/68 would be,
        // deep stops kept, not as 68/68; the JSON reports what was used, and why.
        const QStringList dive { "plan", "--point", "45:3", "--point", "45:25", "--json" };
        const QJsonObject effort
            = cli(dive + QStringList { "--gf", "30/80", "--effort" }).json()["dives"][0].toObject();
        const QJsonObject capped
            = cli(dive + QStringList { "--gf", "30/68" }).json()["dives"][0].toObject();
        const QJsonObject flat
            = cli(dive + QStringList { "--gf", "68/68" }).json()["dives"][0].toObject();
        QCOMPARE(effort["lines"], capped["lines"]);
        QVERIFY(effort["lines"] != flat["lines"]);
        QCOMPARE(effort["gf"].toObject(),
            QJsonObject(
                { { "low", 30 }, { "high", 68 }, { "reason", "effort" }, { "reducedFrom", 0 },
                    { "chosen", QJsonObject { { "low", 30 }, { "high", 80 } } } }));
        QCOMPARE(capped["gf"].toObject(), QJsonObject({ { "low", 30 }, { "high", 68 } }));
    }

    void closedCircuitWithoutBailoutKeepsTheCylindersFull()
    {
        const QStringList dive { "plan", "--gas", "18/45", "--point", "60:3", "--point", "60:20",
            "--deco-gas", "50", "--cc" };
        const QJsonObject json = cli(dive + QStringList { "--json" }).json()["dives"][0].toObject();
        QCOMPARE(json["cylinders"].toArray().size(), 2);
        for (const QJsonValue& c : json["cylinders"].toArray()) {
            QCOMPARE(c["usedLitres"].toDouble(), 0.0);
            QCOMPARE(c["endBar"].toDouble(), c["fillBar"].toDouble());
        }
        QVERIFY(cli(dive).out.contains("--bailout"));
    }

    void planBailout()
    {
        // A closed-circuit dive to 40 m for 25 min with Nx40 carried: the bailout leaves the
        // loop at 40 m after 25 min on the diluent, and the cylinders hold what it breathes.
        const Result r = cli({ "plan", "--point", "40:2", "--point", "40:25", "--cc", "--deco-gas",
            "nx40", "--bailout", "--json" });
        QCOMPARE(r.status, 0);
        const QJsonObject dive = r.json()["dives"][0].toObject();
        QVERIFY(dive["closedCircuit"].toBool());
        const QJsonObject bailout = dive["bailout"].toObject();
        QVERIFY(bailout["lines"].toArray().size() >= 3);
        QCOMPARE(bailout["lines"].toArray().last()["depth"].toDouble(), 0.0);
        QCOMPARE(bailout["startCylinder"].toInt(), 0);
        QCOMPARE(bailout["cylinders"][1]["o2"].toInt(), 40);
        QCOMPARE(dive["cylinders"], bailout["cylinders"]);
        // The loop's lines carry their setpoint: 1.3 bar at the bottom, 1.5 bar from 6 m.
        const QJsonArray lines = dive["lines"].toArray();
        QCOMPARE(lines[1]["setpoint"].toDouble(), 1.3);
        QCOMPARE(lines[lines.size() - 2]["setpoint"].toDouble(), 1.5);
    }

    // A 120 m closed-circuit plan has a long bailout: its last rows, the bailout gas, used to
    // be drawn below the page. Every row is now on a page, at 14 pt or more.
    void longSlateKeepsEveryRow()
    {
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        QTemporaryDir dir;
        const QString slate = dir.filePath("deep");
        const Result r = cli({ "plan", "--gas", "10/70", "--point", "120:6", "--point", "120:25",
            "--cc", "--bailout", "--deco-gas", "18/45", "--deco-gas", "50", "--deco-gas", "100",
            "--slate", slate + ".pdf", "--json" });
        QCOMPARE(r.status, 0);
        QProcess text;
        text.start("pdftotext", { "-layout", slate + ".pdf", "-" });
        QVERIFY(text.waitForFinished(30000));
        const QString all = QString::fromUtf8(text.readAllStandardOutput());
        const QString gasTable = all.mid(all.lastIndexOf("Bailout gas"));
        const QJsonArray used = r.json()["dives"][0]["bailout"]["cylinders"].toArray();
        QCOMPARE(used.size(), 4);
        for (const QJsonValue& c : used)
            QVERIFY2(
                gasTable.contains(QString("%1 L").arg(std::lround(c["usedLitres"].toDouble()))),
                qPrintable(gasTable));
        QFile pdf(slate + ".pdf");
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        auto sizes = QRegularExpression(R"(/F\d (\d+\.\d+) Tf)").globalMatch(pdf.readAll());
        while (sizes.hasNext())
            QVERIFY(sizes.next().captured(1).toDouble() >= 14);
    }

    void planContingencies()
    {
        // Air 30 m / 20 min with EAN50: the same dive 5 m deeper and 4 min longer, and the
        // ascent without the EAN50; thirds give the turn pressure, 2/3 x 200 = 133.3 -> 134.
        const Result r = cli({ "plan", "--point", "30:2", "--point", "30:20", "--deco-gas", "50",
            "--contingency", "--deeper", "5", "--longer", "4", "--reserve", "thirds", "--json" });
        QCOMPARE(r.status, 0);
        const QJsonObject dive = r.json()["dives"][0].toObject();
        QCOMPARE(dive["cylinders"][0]["turnBar"].toDouble(), 134.0);
        const QJsonArray all = dive["contingencies"].toArray();
        QCOMPARE(all.size(), 2);
        QCOMPARE(all[0]["kind"].toString(), QString("deeper-longer"));
        QCOMPARE(all[0]["lines"][1]["depth"].toDouble(), 35.0);
        QCOMPARE(all[0]["lines"][1]["runTime"].toDouble(), 24.0);
        QCOMPARE(all[1]["kind"].toString(), QString("lost-gas"));
        QCOMPARE(all[1]["gas"].toString(), QString("Nx50"));
        QCOMPARE(all[1]["cylinders"].toArray().size(), 1);
        for (const QJsonValue& c : all) {
            QVERIFY(c["summary"]["runTime"].toDouble()
                > dive["lines"].toArray().last()["runTime"].toDouble() - 1e-3);
            QVERIFY(c["warnings"].isArray());
        }
    }

    void trimixPlanBreathesOnlyChosenGases()
    {
        // Air is only the gas of the start point at the surface: it is never breathed, so the
        // ascent from Tx18/45 must not switch to it (its MOD would allow it from 64 m). The
        // deco gases are chosen by mix; at ppO2 1.6 in salt water EAN50 reaches 3.2 bar, 21.65
        // m, so the 21 m stop, and oxygen 1.6 bar, 5.81 m, so the 3 m stop.
        QTemporaryDir dir;
        const QString path = dir.filePath("trimix.diveplan");
        const Result r = cli({ "plan", "--gas", "21", "--gas", "18/45", "--point", "60:3:1",
            "--point", "60:20:1", "--deco-gas", "50", "--deco-gas", "100", "--gf", "50/80",
            "--save", path, "--json" });
        QCOMPARE(r.status, 0);
        const QJsonObject dive = r.json()["dives"][0].toObject();
        int stops = 0;
        for (const QJsonValue& line : dive["lines"].toArray()) {
            QVERIFY(line["gas"].toString() != QStringLiteral("Air"));
            if (!line["computed"].toBool() || line["direction"].toString() != "level")
                continue;
            ++stops;
            const double depth = line["depth"].toDouble();
            const char* expected = depth > 21.01 ? "Tx18/45" : (depth > 3.01 ? "Nx50" : "O2");
            QCOMPARE(line["gas"].toString(), QString::fromLatin1(expected));
        }
        QVERIFY(stops >= 7);
        // Each change of gas is an entry of its own between the lines, where the line before
        // ends; the line before still names the gas breathed on it.
        QStringList switches;
        const QJsonArray lines = dive["lines"].toArray();
        for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
            if (lines[i]["kind"] != "switch")
                continue;
            const QJsonObject s = lines[i].toObject();
            QCOMPARE(s.keys(), QStringList({ "depth", "gas", "gasIndex", "kind", "runTime" }));
            QCOMPARE(s["depth"], lines[i - 1]["depth"]);
            QCOMPARE(s["runTime"], lines[i - 1]["runTime"]);
            QVERIFY(lines[i - 1]["gas"] != s["gas"] && lines[i + 1]["gas"] == s["gas"]);
            switches.append(
                QStringLiteral("%1@%2").arg(s["gas"].toString()).arg(s["depth"].toDouble()));
        }
        QCOMPARE(switches, QStringList({ "Nx50@21", "O2@3" }));

        // The saved plan reports the settings it was computed with.
        const QJsonObject reread = cli({ "plan", path, "--json" }).json()["dives"][0].toObject();
        QCOMPARE(reread["gf"].toObject(), QJsonObject({ { "low", 50 }, { "high", 80 } }));
        QCOMPARE(reread["lines"], dive["lines"]);
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
            const QJsonObject json = cli(QStringList { "plan", path, "--json" } + extra).json();
            return json["dives"][1]["summary"]["stopTime"].toDouble();
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
