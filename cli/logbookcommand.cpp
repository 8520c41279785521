#include "cli/clioptions.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <optional>

namespace cli {

namespace {

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

// The --computer, --from and --to options as a dive filter; false (after a message) when a
// date cannot be read.
bool filterFromOptions(const Options& o, DiveFilter& filter, QTextStream& err)
{
    const QStringList computers = o.all("--computer");
    if (!computers.isEmpty()) {
        filter.byComputer = true;
        filter.computers = computers;
    }
    if (!o.values.contains("--from") && !o.values.contains("--to"))
        return true;
    const auto from = parseDay(o.values.contains("--from") ? o.value("--from") : "1970-01-01");
    if (!from) {
        err << "--from takes a date such as 2026-06-30\n";
        return false;
    }
    filter.byDate = true;
    filter.from = *from;
    if (o.values.contains("--to")) {
        const auto to = parseDay(o.value("--to"));
        if (!to) {
            err << "--to takes a date such as 2026-06-30\n";
            return false;
        }
        filter.hasTo = true;
        filter.to = *to;
    }
    return true;
}

int commandList(LogbookDatabase& db, const Options& o, QTextStream& out, QTextStream& err)
{
    DiveFilter filter;
    if (!filterFromOptions(o, filter, err))
        return ExitUsage;
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

// One line per dive ("stored ID NAME", "duplicate NAME (already stored as ID)", "refused
// NAME: REASON"), then the counts. A file that cannot be read is one refused line named by
// its path.
int commandImport(LogbookDatabase& db, const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() < 2) {
        err << "usage: veltra-cli logbook [--db PATH] import FILE...\n";
        return ExitUsage;
    }
    int stored = 0;
    int duplicates = 0;
    int refused = 0;
    for (int i = 1; i < o.positional.size(); ++i) {
        const QString& file = o.positional[i];
        const DiveFileContent content = readDiveFile(file);
        if (!content.ok()) {
            out << QStringLiteral("refused %1: %2\n").arg(file, content.error);
            ++refused;
            continue;
        }
        for (const QString& warning : content.warnings)
            err << fileMessage(file, warning) << '\n';
        for (DiveProfile dive : content.dives) {
            if (dive.name.isEmpty())
                dive.name = fileNameWithoutExtension(file);
            int id = -1;
            switch (db.importDive(dive, &id)) {
            case LogbookDatabase::Success:
                out << QStringLiteral("stored %1 %2\n").arg(id).arg(dive.name);
                ++stored;
                break;
            case LogbookDatabase::DuplicateDive:
                out << QStringLiteral("duplicate %1 (already stored as %2)\n")
                           .arg(dive.name)
                           .arg(id);
                ++duplicates;
                break;
            default:
                out << QStringLiteral("refused %1: %2\n").arg(dive.name, db.lastError());
                ++refused;
            }
        }
        for (const RefusedDive& dive : content.refused) {
            out << QStringLiteral("refused %1: %2\n").arg(dive.name, dive.reason);
            ++refused;
        }
    }
    out << QStringLiteral("%1 stored, %2 duplicates, %3 refused\n")
               .arg(stored)
               .arg(duplicates)
               .arg(refused);
    return refused == 0 ? ExitOk : ExitFailed;
}

// export ID... OUT, or export --all [filters] OUT: the chosen dives into one file.
int commandExport(LogbookDatabase& db, const Options& o, QTextStream& out, QTextStream& err)
{
    const bool all = o.has("--all");
    const bool filtered = o.values.contains("--computer") || o.values.contains("--from")
        || o.values.contains("--to");
    const QStringList ids = o.positional.mid(1, o.positional.size() - 2);
    if (o.positional.size() < 2 || (all != ids.isEmpty()) || (filtered && !all)) {
        err << "usage: veltra-cli logbook [--db PATH] export ID... OUT\n"
               "       veltra-cli logbook [--db PATH] export --all [--computer NAME]... [--from "
               "DATE] [--to DATE] OUT\n";
        return ExitUsage;
    }
    const QString path = o.positional.constLast();
    QList<int> chosen;
    if (all) {
        DiveFilter filter;
        if (!filterFromOptions(o, filter, err))
            return ExitUsage;
        QList<DiveListEntry> entries;
        int computers = 0;
        if (!db.listDives(filter, entries, computers)) {
            err << QStringLiteral("listing failed: %1\n").arg(db.lastError());
            return ExitFailed;
        }
        // In the order the dives were made, as a logbook reads.
        std::stable_sort(entries.begin(), entries.end(),
            [](const DiveListEntry& a, const DiveListEntry& b) { return a.dateTime < b.dateTime; });
        for (const DiveListEntry& e : entries)
            chosen << e.diveId;
    } else {
        for (const QString& text : ids) {
            bool ok = false;
            chosen << text.toInt(&ok);
            if (!ok) {
                err << QStringLiteral("%1 is no dive id\n").arg(text);
                return ExitUsage;
            }
        }
    }
    if (fileTypeOf(path) == DiveOriginCsv && chosen.size() != 1) {
        err << "a CSV file holds exactly one dive: give one ID\n";
        return ExitUsage;
    }
    if (chosen.isEmpty()) {
        err << "no dive matches: nothing written\n";
        return ExitFailed;
    }
    QList<DiveProfile> dives;
    for (const int id : chosen) {
        DiveProfile dive;
        if (!db.loadDive(id, dive)) {
            err << QStringLiteral("no dive %1 in the logbook\n").arg(id);
            return ExitFailed;
        }
        dives << std::move(dive);
    }
    if (!writeDives(dives, path, o.has("--profile"), err))
        return ExitFailed;
    out << QStringLiteral("%1 dives -> %2\n").arg(dives.size()).arg(path);
    return ExitOk;
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
    if (sub != "import" && !QFileInfo::exists(path)) {
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
    if (sub == "list")
        return commandList(db, o, out, err);
    if (sub == "import")
        return commandImport(db, o, out, err);
    return commandExport(db, o, out, err);
}

} // namespace

QString logbookUsage()
{
    return QStringLiteral(
        "  logbook [--db PATH] list [--json] [--computer NAME]... [--from DATE] [--to DATE]\n"
        "  logbook [--db PATH] import FILE...      store every dive of the files (a dive already\n"
        "                                          stored is not stored twice)\n"
        "  logbook [--db PATH] export ID... OUT [--profile]\n"
        "  logbook [--db PATH] export --all [--computer NAME]... [--from DATE] [--to DATE] OUT\n"
        "                                          write stored dives into one file (CSV: one "
        "ID)\n");
}

int runLogbook(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(
        args, { "--db", "--computer", "--from", "--to" }, { "--json", "--all", "--profile" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandLogbook(options, out, err);
}

} // namespace cli
