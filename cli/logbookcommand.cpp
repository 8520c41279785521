#include "cli/clioptions.h"
#include "cli/logbookdetailscommand.h"
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace cli {

namespace {

QString defaultLogbookPath()
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    return QDir(dir).filePath(QStringLiteral("diveDB.db"));
}

int commandLogbook(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.isEmpty()) {
        err << "usage: veltra-cli logbook [--db PATH] list|import|export|edit|show|search|stats "
               "...\n";
        return ExitUsage;
    }
    const QString sub = o.positional[0];
    const QString path = o.values.contains("--db") ? o.value("--db") : defaultLogbookPath();
    const QStringList known = { "list", "import", "export", "edit", "show", "search", "stats" };
    if (!known.contains(sub)) {
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

    int detailsStatus = ExitOk;
    if (runLogbookDetails(sub, o, out, err, detailsStatus))
        return detailsStatus;
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

} // namespace

QString logbookUsage()
{
    return QStringLiteral(
               "  logbook [--db PATH] import FILE...      store dive files (duplicates are not "
               "stored "
               "twice)\n"
               "  logbook [--db PATH] export ID OUT       write a stored dive to a file\n")
        + logbookDetailsUsage();
}

int runLogbook(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args,
        QStringList { "--db", "--computer", "--from", "--to" } + logbookDetailsOptions(),
        { "--json" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandLogbook(options, out, err);
}

} // namespace cli
