#include "cli/clioptions.h"
#include "cli/cliunits.h"
#include "cli/logbookdetailscommand.h"
#include "cli/logbookplacescommand.h"
#include "dive/diveprofile.h"
#include "fileio/csvmapping.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

#include <algorithm>

namespace cli {

namespace {

QString defaultLogbookPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(dir).filePath(QStringLiteral("diveDB.db"));
}

// One line per dive ("stored ID NAME", "duplicate NAME (already stored as ID)", "refused
// NAME: REASON"), then the counts. A file that cannot be read is one refused line named by
// its path.
int commandImport(LogbookDatabase& db, const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() < 2) {
        err << "usage: veltra-cli logbook [--db PATH] import [--date ISO] [--csv-preset NAME | "
               "--csv-columns MAPPING] FILE...\n";
        return ExitUsage;
    }
    DiveReadOptions read;
    CsvColumnMapping mapping;
    if (!readOptionsOf(o, read, mapping, err))
        return ExitUsage;
    int stored = 0;
    int duplicates = 0;
    int refused = 0;
    for (int i = 1; i < o.positional.size(); ++i) {
        const QString& file = o.positional[i];
        const DiveFileContent content = readDiveFile(file, read);
        if (!content.ok()) {
            out << QStringLiteral("refused %1: %2\n").arg(file, content.error);
            ++refused;
            continue;
        }
        for (const QString& warning : content.warnings)
            err << fileMessage(file, warning) << '\n';
        QList<DiveProfile> dives = content.dives;
        for (DiveProfile& dive : dives) {
            if (dive.name.isEmpty())
                dive.name = fileNameWithoutExtension(file);
        }
        const QList<LogbookDatabase::ImportOutcome> outcomes = db.importDives(dives);
        for (qsizetype i = 0; i < dives.size(); ++i) {
            const QString& name = dives.at(i).name;
            const LogbookDatabase::ImportOutcome& outcome = outcomes.at(i);
            switch (outcome.code) {
            case LogbookDatabase::Success:
                out << QStringLiteral("stored %1 %2\n").arg(outcome.id).arg(name);
                ++stored;
                break;
            case LogbookDatabase::DuplicateDive:
                out << QStringLiteral("duplicate %1 (already stored as %2)\n")
                           .arg(name)
                           .arg(outcome.id);
                ++duplicates;
                break;
            default:
                out << QStringLiteral("refused %1: %2\n").arg(name, outcome.error);
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
        if (!readFilter(o, filter, err))
            return ExitUsage;
        if (!diveIdsByDate(db, filter, chosen, err))
            return ExitFailed;
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
    if (!loadDives(db, chosen, dives, err))
        return ExitFailed;
    if (!writeDives(dives, path, o.has("--profile"), err))
        return ExitFailed;
    out << QStringLiteral("%1 dives -> %2\n").arg(dives.size()).arg(path);
    return ExitOk;
}

int commandLogbook(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.isEmpty()) {
        err << "usage: veltra-cli logbook [--db PATH] "
               "list|import|export|edit|show|search|stats|add|sites|site|trips|trip|print ...\n";
        return ExitUsage;
    }
    const QString sub = o.positional[0];
    DisplayUnits units;
    if (!unitsNamed(o.value("--units"), units)) {
        err << "--units takes metric or imperial\n";
        return ExitUsage;
    }
    const QString path = o.values.contains("--db") ? o.value("--db") : defaultLogbookPath();
    const QStringList known = { "list", "import", "export", "edit", "show", "search", "stats",
        "add", "sites", "site", "trips", "trip", "print" };
    if (!known.contains(sub)) {
        err << QStringLiteral("unknown logbook command %1\n").arg(sub);
        return ExitUsage;
    }
    if (sub != "import" && sub != "add" && !QFileInfo::exists(path)) {
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

    int detailsStatus = ExitOk;
    if (runLogbookDetails(sub, o, out, err, detailsStatus)
        || runLogbookPlaces(sub, o, out, err, detailsStatus))
        return detailsStatus;
    if (sub == "add")
        return runLogbookAdd(o, out, err);
    if (sub == "print")
        return runLogbookPrint(o, out, err);
    if (sub == "import")
        return commandImport(db, o, out, err);
    return commandExport(db, o, out, err);
}

} // namespace

QString logbookUsage()
{
    return QStringLiteral(
               "  logbook [--db PATH] import FILE...      store every dive of the files (a dive "
               "already\n"
               "                                          stored is not stored twice; reading "
               "options\n"
               "                                          as for info)\n"
               "  logbook [--db PATH] export ID... OUT [--profile]\n"
               "  logbook [--db PATH] export --all [--computer NAME]... [--from DATE] [--to DATE] "
               "OUT\n"
               "                                          write stored dives into one file (CSV: "
               "one ID)\n")
        + logbookDetailsUsage() + logbookAddUsage() + logbookPlacesUsage() + logbookPrintUsage();
}

int runLogbook(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args,
        QStringList { "--db", "--computer", "--from", "--to", "--units" } + logbookDetailsOptions()
            + readOptionNames() + logbookPlacesOptions() + logbookAddOptions(),
        { "--json", "--all", "--profile", "--replay" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandLogbook(options, out, err);
}

} // namespace cli
