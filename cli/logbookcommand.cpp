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

} // namespace

QString logbookUsage()
{
    return QStringLiteral(
        "  logbook [--db PATH] list [--json] [--computer NAME]... [--from DATE] [--to DATE]\n"
        "  logbook [--db PATH] import FILE...      store dive files (duplicates are not stored "
        "twice)\n"
        "  logbook [--db PATH] export ID OUT       write a stored dive to a file\n");
}

int runLogbook(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args, { "--db", "--computer", "--from", "--to" }, { "--json" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandLogbook(options, out, err);
}

} // namespace cli
