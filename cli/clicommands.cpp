#include "cli/clicommands.h"

#include "cli/planjson.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"
#include "planner/planstorage.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTextStream>

#include <cmath>
#include <optional>

namespace {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

QString localTimeText(qint64 utcSeconds)
{
    if (utcSeconds <= 0)
        return QString();
    // Local time with its offset from UTC, so the text says which time it is.
    const QDateTime local = QDateTime::fromSecsSinceEpoch(utcSeconds).toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

void printJson(QTextStream& out, const QJsonObject& object)
{
    out << QJsonDocument(object).toJson(QJsonDocument::Indented);
}

// Splits "--name value" options from the rest; repeated options keep every value.
struct Options
{
    QStringList positional;
    QMultiMap<QString, QString> values;
    QStringList flags;
    QString error;

    bool has(const QString& flag) const { return flags.contains(flag); }
    QString value(const QString& name) const { return values.value(name); }
    QStringList all(const QString& name) const
    {
        QStringList list = values.values(name);
        std::reverse(list.begin(), list.end()); // QMultiMap returns the newest first
        return list;
    }
};

Options parse(
    const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions)
{
    Options options;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (valueOptions.contains(a)) {
            if (i + 1 >= args.size()) {
                options.error = QStringLiteral("%1 needs a value").arg(a);
                return options;
            }
            options.values.insert(a, args[++i]);
        } else if (flagOptions.contains(a)) {
            options.flags.append(a);
        } else if (a.startsWith(QLatin1String("--"))) {
            options.error = QStringLiteral("unknown option %1").arg(a);
            return options;
        } else {
            options.positional.append(a);
        }
    }
    return options;
}

QJsonObject diveInfoJson(const DiveProfile& dive)
{
    QJsonArray gases;
    for (DiveGas gas : dive.gases)
        gases.append(QJsonObject {
            { "name", DiveProfile::gasName(gas) }, { "o2", gas.o2 }, { "he", gas.he } });
    const bool hasTemperature = dive.minTemperature <= dive.maxTemperature;
    return QJsonObject {
        { "name", dive.name },
        { "computer", dive.computer },
        { "serial", dive.serial },
        { "start", localTimeText(dive.dateTime) },
        { "startUtcSeconds", double(dive.dateTime) },
        { "gases", gases },
        { "samples", int(dive.samples.size()) },
        { "duration", dive.duration },
        { "maxDepth", dive.maxDepth },
        { "meanDepth", dive.meanDepth },
        { "minTemperature", hasTemperature ? QJsonValue(dive.minTemperature) : QJsonValue() },
        { "maxTemperature", hasTemperature ? QJsonValue(dive.maxTemperature) : QJsonValue() },
    };
}

// Reads a dive file; the path is named once, whether or not the reader's message has it.
bool readDive(const QString& path, DiveProfile& dive, QTextStream& err)
{
    QString why;
    if (dive.loadFromFile(path, &why))
        return true;
    if (why.isEmpty())
        why = QStringLiteral("cannot read this file");
    err << (why.contains(path) ? why : QStringLiteral("%1: %2").arg(path, why)) << '\n';
    return false;
}

bool writeDive(DiveProfile& dive, const QString& path, QTextStream& err)
{
    QString why;
    if (exportDive(dive, path, &why))
        return true;
    err << QStringLiteral("%1: %2").arg(path, why.isEmpty() ? "cannot write this file" : why)
        << '\n';
    return false;
}

int commandInfo(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 1) {
        err << "usage: veltra-cli info FILE [--json]\n";
        return ExitUsage;
    }
    DiveProfile dive;
    if (!readDive(o.positional[0], dive, err))
        return ExitFailed;
    const QJsonObject info = diveInfoJson(dive);
    if (o.has("--json")) {
        printJson(out, info);
        return ExitOk;
    }
    QStringList gases;
    for (const QJsonValue& g : info["gases"].toArray())
        gases.append(g.toObject()["name"].toString());
    out << "Name:         " << dive.name << '\n'
        << "Computer:     " << dive.computer << '\n'
        << "Serial:       " << dive.serial << '\n'
        << "Start:        " << localTimeText(dive.dateTime) << '\n'
        << "Gases:        " << gases.join(", ") << '\n'
        << "Samples:      " << dive.samples.size() << '\n'
        << "Duration:     " << formatTime(int(std::lround(dive.duration))) << '\n'
        << "Max depth:    " << QString::number(dive.maxDepth, 'f', 1) << " m\n"
        << "Mean depth:   " << QString::number(dive.meanDepth, 'f', 1) << " m\n";
    if (dive.minTemperature <= dive.maxTemperature)
        out << "Temperature:  " << QString::number(dive.minTemperature, 'f', 1) << " to "
            << QString::number(dive.maxTemperature, 'f', 1) << " C\n";
    return ExitOk;
}

int commandConvert(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 2) {
        err << "usage: veltra-cli convert IN OUT\n";
        return ExitUsage;
    }
    DiveProfile dive;
    if (!readDive(o.positional[0], dive, err))
        return ExitFailed;
    if (!writeDive(dive, o.positional[1], err))
        return ExitFailed;
    out << QStringLiteral("%1 -> %2 (%3 samples)\n")
               .arg(o.positional[0], o.positional[1])
               .arg(dive.samples.size());
    return ExitOk;
}

QString defaultLogbookPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(dir).filePath(QStringLiteral("diveDB.db"));
}

std::optional<QDateTime> parseDay(const QString& text)
{
    QDate day = QDate::fromString(text, Qt::ISODate);
    if (!day.isValid())
        day = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!day.isValid())
        return std::nullopt;
    return QDateTime(day, QTime(0, 0));
}

int commandLogbook(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.isEmpty()) {
        err << "usage: veltra-cli logbook [--db PATH] list|import|export ...\n";
        return ExitUsage;
    }
    const QString sub = o.positional[0];
    const QString path = o.values.contains("--db") ? o.value("--db") : defaultLogbookPath();
    if (sub != "list" && sub != "import" && sub != "export") {
        err << QStringLiteral("unknown logbook command %1\n").arg(sub);
        return ExitUsage;
    }
    if (sub == "list" && !QFileInfo::exists(path)) {
        err << QStringLiteral("%1: no logbook here\n").arg(path);
        return ExitFailed;
    }
    LogbookDatabase& db = LogbookDatabase::instance();
    if (!QFileInfo(path).absoluteDir().exists() && !QDir().mkpath(QFileInfo(path).absolutePath())) {
        err << QStringLiteral("%1: cannot create the folder\n").arg(path);
        return ExitFailed;
    }
    if (db.openOrCreate(path) != LogbookDatabase::Success) {
        err << QStringLiteral("%1: not a usable logbook: %2\n").arg(path, db.lastError());
        return ExitFailed;
    }

    if (sub == "list") {
        DiveFilter filter;
        const QStringList computers = o.all("--computer");
        if (!computers.isEmpty()) {
            filter.byComputer = true;
            filter.computers = computers;
        }
        if (o.values.contains("--from") || o.values.contains("--to")) {
            const auto from
                = parseDay(o.values.contains("--from") ? o.value("--from") : "1970-01-01");
            if (!from) {
                err << "--from takes a date such as 2026-06-30\n";
                return ExitUsage;
            }
            filter.byDate = true;
            filter.from = *from;
            if (o.values.contains("--to")) {
                const auto to = parseDay(o.value("--to"));
                if (!to) {
                    err << "--to takes a date such as 2026-06-30\n";
                    return ExitUsage;
                }
                filter.hasTo = true;
                filter.to = *to;
            }
        }
        QList<DiveListEntry> entries;
        int computerCount = 0;
        if (!db.listDives(filter, entries, computerCount)) {
            err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
            return ExitFailed;
        }
        if (o.has("--json")) {
            QJsonArray dives;
            for (const DiveListEntry& e : entries)
                dives.append(QJsonObject { { "id", e.diveId }, { "name", e.name },
                    { "computer", e.computer }, { "serial", e.serial },
                    { "start", e.dateTime.toLocalTime().toString(Qt::ISODate) },
                    { "duration", e.maxTime }, { "maxDepth", e.maxDepth } });
            printJson(out, QJsonObject { { "computers", computerCount }, { "dives", dives } });
            return ExitOk;
        }
        QString computer;
        for (const DiveListEntry& e : entries) {
            const QString group = QStringLiteral("%1 %2").arg(e.computer, e.serial);
            if (group != computer) {
                computer = group;
                out << computer << '\n';
            }
            out << QStringLiteral("  %1  %2  %3  %4  %5m\n")
                       .arg(e.diveId, 5)
                       .arg(e.name, -12)
                       .arg(e.dateTime.toLocalTime().toString("dd/MM/yyyy hh:mm:ss"))
                       .arg(formatTime(int(std::lround(e.maxTime))), 8)
                       .arg(e.maxDepth, 0, 'f', 1);
        }
        out << QStringLiteral("%1 Computers/%2 Dives\n").arg(computerCount).arg(entries.size());
        return ExitOk;
    }

    if (sub == "import") {
        if (o.positional.size() < 2) {
            err << "usage: veltra-cli logbook [--db PATH] import FILE...\n";
            return ExitUsage;
        }
        int status = ExitOk;
        for (int i = 1; i < o.positional.size(); ++i) {
            const QString& file = o.positional[i];
            DiveProfile dive;
            if (!readDive(file, dive, err)) {
                status = ExitFailed;
                continue;
            }
            if (dive.name.isEmpty())
                dive.name = fileNameWithoutExtension(file);
            int id = -1;
            switch (db.storeDive(dive, &id)) {
            case LogbookDatabase::Success:
                out << QStringLiteral("%1: stored as dive %2\n").arg(file).arg(id);
                break;
            case LogbookDatabase::DuplicateDive:
                out << QStringLiteral(
                    "%1: already in the logbook (same name and serial), not stored again\n")
                           .arg(file);
                break;
            default:
                err << QStringLiteral("%1: not stored: %2\n").arg(file, db.lastError());
                status = ExitFailed;
            }
        }
        return status;
    }

    // export
    if (o.positional.size() != 3) {
        err << "usage: veltra-cli logbook [--db PATH] export ID OUT\n";
        return ExitUsage;
    }
    bool ok = false;
    const int id = o.positional[1].toInt(&ok);
    DiveProfile dive;
    if (!ok || !db.loadDive(id, dive)) {
        err << QStringLiteral("no dive %1 in the logbook\n").arg(o.positional[1]);
        return ExitFailed;
    }
    if (!writeDive(dive, o.positional[2], err))
        return ExitFailed;
    out << QStringLiteral("dive %1 -> %2\n").arg(id).arg(o.positional[2]);
    return ExitOk;
}

// "30:25" (metres : minutes, decimals allowed) with an optional ":gas" index.
bool parsePoint(const QString& text, int gasCount, DiveSample& point)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() < 2 || parts.size() > 3)
        return false;
    bool okDepth = false;
    bool okTime = false;
    const double depth = parts[0].toDouble(&okDepth);
    const double minutes = parts[1].toDouble(&okTime);
    if (!okDepth || !okTime || !std::isfinite(depth) || !std::isfinite(minutes) || depth < 0
        || depth > 150 || minutes < 0 || minutes > 24 * 60)
        return false;
    int gas = 0;
    if (parts.size() == 3) {
        bool okGas = false;
        gas = parts[2].toInt(&okGas);
        if (!okGas || gas < 0 || gas >= gasCount)
            return false;
    }
    point = DiveSample {};
    point.depth = depth;
    point.time = std::round(minutes * 60.0);
    point.gasIndex = gas;
    return true;
}

// "32" or "18/45" percent.
bool parseGas(const QString& text, DiveGas& gas)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    bool okO2 = false;
    bool okHe = true;
    const int o2 = parts[0].toInt(&okO2);
    const int he = parts.size() > 1 ? parts[1].toInt(&okHe) : 0;
    if (parts.size() > 2 || !okO2 || !okHe || o2 < 5 || o2 > 100 || he < 0 || o2 + he > 100)
        return false;
    gas = DiveGas {};
    gas.o2 = o2;
    gas.he = he;
    gas.name = DiveProfile::gasName(gas);
    gas.id = gas.name;
    return true;
}

// "1:30" (hours:minutes) or minutes.
std::optional<quint32> parseInterval(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    bool okA = false;
    bool okB = true;
    const int a = parts[0].toInt(&okA);
    const int b = parts.size() > 1 ? parts[1].toInt(&okB) : 0;
    if (parts.size() > 2 || !okA || !okB || a < 0 || b < 0 || b > 59)
        return std::nullopt;
    const qint64 minutes = parts.size() > 1 ? qint64(a) * 60 + b : a;
    if (minutes > 14 * 24 * 60)
        return std::nullopt;
    return quint32(minutes * 60);
}

int commandPlan(const Options& o, QTextStream& out, QTextStream& err)
{
    Planification plan;
    if (o.positional.size() > 1) {
        err << "usage: veltra-cli plan [FILE.diveplan] [options]\n";
        return ExitUsage;
    }
    if (o.positional.size() == 1) {
        const PlanFile::Status status = loadPlan(plan, o.positional[0]);
        if (status != PlanFile::Status::Ok) {
            err << QStringLiteral("%1: %2\n").arg(o.positional[0], PlanFile::statusText(status));
            return ExitFailed;
        }
        if (plan.diveCount() == 0) {
            err << QStringLiteral("%1: the plan holds no dive\n").arg(o.positional[0]);
            return ExitFailed;
        }
    }
    const QStringList points = o.all("--point");
    if (!points.isEmpty()) {
        if (o.positional.size() == 1) {
            err << "give either a plan file or --point, not both\n";
            return ExitUsage;
        }
        plan.addDefaultDive();
        PlanifDive& dive = *plan.current();
        const QStringList gases = o.all("--gas");
        if (!gases.isEmpty()) {
            dive.profile.gases.clear();
            for (const QString& text : gases) {
                DiveGas gas;
                if (!parseGas(text, gas)) {
                    err << QStringLiteral("--gas %1: give O2 or O2/He in percent\n").arg(text);
                    return ExitUsage;
                }
                dive.profile.gases.append(gas);
            }
        }
        DiveSample start;
        start.gasIndex = 0;
        dive.profile.samples = { start };
        for (const QString& text : points) {
            DiveSample point;
            if (!parsePoint(text, int(dive.profile.gases.size()), point)) {
                err << QStringLiteral("--point %1: give DEPTH:MINUTES[:GAS] (gas by its place in "
                                      "the gas list, from 0)\n")
                           .arg(text);
                return ExitUsage;
            }
            if (point.time <= dive.profile.samples.last().time) {
                err << QStringLiteral("--point %1: times must increase\n").arg(text);
                return ExitUsage;
            }
            dive.profile.samples.append(point);
        }
        dive.profile.computeStatistics();
        dive.profile.computeSpeeds(false);
    } else if (o.positional.isEmpty()) {
        err << "give a plan file or the points of a dive (--point DEPTH:MINUTES)\n";
        return ExitUsage;
    }

    // Settings that override the file's.
    PlanComputeSettings settings;
    if (o.values.contains("--gf")) {
        const QStringList parts = o.value("--gf").split(QLatin1Char('/'));
        bool okLow = false;
        bool okHigh = false;
        const int low = parts.value(0).toInt(&okLow);
        const int high = parts.value(1).toInt(&okHigh);
        if (parts.size() != 2 || !okLow || !okHigh || low < 10 || high < 10 || low > 100
            || high > 100 || low > high) {
            err << "--gf takes LOW/HIGH in percent, for example 30/80\n";
            return ExitUsage;
        }
        settings.gf = make_gf(quint8(low), quint8(high));
    }
    for (int slot = 0; slot < plan.diveCount(); ++slot) {
        PlanifDive& dive = *plan.dives[size_t(slot)];
        if (o.values.contains("--surface-pressure")) {
            bool ok = false;
            double p = o.value("--surface-pressure").toDouble(&ok);
            if (ok && p > 100)
                p /= 1000.0; // given in mbar
            if (!ok || !(p >= 0.5 && p <= 1.1)) {
                err << "--surface-pressure takes 0.5 to 1.1 bar (or 500 to 1100 mbar)\n";
                return ExitUsage;
            }
            dive.surfacePressure = float(p);
        }
        if (o.values.contains("--water")) {
            const QString water = o.value("--water").toLower();
            if (water != "salt" && water != "fresh") {
                err << "--water takes salt or fresh\n";
                return ExitUsage;
            }
            dive.waterType = water == "fresh" ? 1 : 0;
        }
        if (o.has("--effort"))
            dive.effortMode = 1;
    }
    const QStringList intervals = o.all("--interval");
    for (int i = 0; i < intervals.size(); ++i) {
        const auto seconds = parseInterval(intervals[i]);
        if (!seconds) {
            err << QStringLiteral("--interval %1: give HOURS:MINUTES or minutes\n")
                       .arg(intervals[i]);
            return ExitUsage;
        }
        if (i + 1 < plan.diveCount())
            plan.dives[size_t(i + 1)]->surfaceIntervalS = *seconds;
    }
    if (o.values.contains("--deco-gas")) {
        static const QStringList choices = { "air", "nx40", "oxyar", "oxysr", "cfoxy" };
        const int choice = choices.indexOf(o.value("--deco-gas").toLower());
        if (choice < 0) {
            err << "--deco-gas takes air, nx40, oxyar, oxysr or cfoxy\n";
            return ExitUsage;
        }
        plan.decoGasChoice = choice;
    }
    plan.closedCircuit = o.has("--cc");

    const QList<PlannedDiveReport> reports = computeWholePlan(plan, settings);
    if (o.has("--json"))
        printJson(out, planReportJson(reports));
    else
        out << planReportText(reports);
    return ExitOk;
}

} // namespace

QString cliUsage()
{
    return QStringLiteral(
        "usage: veltra-cli COMMAND ...\n"
        "  info FILE [--json]                      what a dive file holds\n"
        "  convert IN OUT                          convert a dive file (.csv, .uddf; reads "
        ".divebin)\n"
        "  logbook [--db PATH] list [--json] [--computer NAME]... [--from DATE] [--to DATE]\n"
        "  logbook [--db PATH] import FILE...      store dive files (duplicates are not stored "
        "twice)\n"
        "  logbook [--db PATH] export ID OUT       write a stored dive to a file\n"
        "  plan [FILE.diveplan] [--point DEPTH:MINUTES[:GAS]]... [--gas O2[/HE]]...\n"
        "       [--gf LOW/HIGH] [--surface-pressure BAR] [--water salt|fresh] [--effort]\n"
        "       [--interval H:MM]... [--deco-gas air|nx40|oxyar|oxysr|cfoxy] [--cc] [--json]\n");
}

int runCli(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.isEmpty() ? err : out) << cliUsage();
        return args.isEmpty() ? ExitUsage : ExitOk;
    }
    const QString command = args[0];
    const QStringList rest = args.mid(1);
    Options options;
    if (command == "info") {
        options = parse(rest, {}, { "--json" });
    } else if (command == "convert") {
        options = parse(rest, {}, {});
    } else if (command == "logbook") {
        options = parse(rest, { "--db", "--computer", "--from", "--to" }, { "--json" });
    } else if (command == "plan") {
        options = parse(rest,
            { "--point", "--gas", "--gf", "--surface-pressure", "--water", "--interval",
                "--deco-gas" },
            { "--effort", "--cc", "--json" });
    } else {
        err << QStringLiteral("unknown command %1\n").arg(command) << cliUsage();
        return ExitUsage;
    }
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    if (command == "info")
        return commandInfo(options, out, err);
    if (command == "convert")
        return commandConvert(options, out, err);
    if (command == "logbook")
        return commandLogbook(options, out, err);
    return commandPlan(options, out, err);
}
