// logbook add: a dive from a paper logbook, stored with the simple profile its numbers give.

#include "cli/clioptions.h"
#include "cli/logbookplacescommand.h"
#include "dive/manualdive.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"

#include <QDateTime>
#include <QTextStream>

#include <optional>

namespace cli {

namespace {

std::optional<double> decimal(const Options& o, const QString& name, QTextStream& err)
{
    bool ok = false;
    const double value = o.value(name).trimmed().toDouble(&ok);
    if (!ok) {
        err << QStringLiteral("%1 takes a number, not \"%2\"\n").arg(name, o.value(name));
        return std::nullopt;
    }
    return value;
}

// "32" or "21/35": oxygen and helium in percent.
bool readGas(const QString& text, ManualDive& dive)
{
    const QStringList parts = text.split(QLatin1Char('/'));
    bool o2 = false;
    bool he = parts.size() == 1;
    dive.o2 = parts.value(0).trimmed().toInt(&o2);
    dive.he = parts.size() == 2 ? parts[1].trimmed().toInt(&he) : 0;
    return o2 && he && parts.size() <= 2;
}

// The numbers of the dive; false after a message when one cannot be read.
bool readNumbers(const Options& o, ManualDive& dive, QTextStream& err)
{
    QDateTime start = QDateTime::fromString(o.value("--date"), Qt::ISODate);
    if (!start.isValid()) {
        err << QStringLiteral("--date takes a date and time such as 2026-06-30T14:05, not \"%1\"\n")
                   .arg(o.value("--date"));
        return false;
    }
    dive.start = start.toSecsSinceEpoch();
    const std::pair<const char*, double*> numbers[]
        = { { "--duration", &dive.durationS }, { "--depth", &dive.maxDepthM },
              { "--mean-depth", &dive.meanDepthM }, { "--cylinder", &dive.cylinderL },
              { "--start-bar", &dive.startBar }, { "--end-bar", &dive.endBar } };
    for (const auto& [name, value] : numbers) {
        if (!o.values.contains(name))
            continue;
        const std::optional<double> read = decimal(o, name, err);
        if (!read)
            return false;
        *value = *read;
    }
    dive.durationS *= 60.0;
    if (o.values.contains("--gas") && !readGas(o.value("--gas"), dive)) {
        err << QStringLiteral("--gas takes O2 or O2/HE in percent, such as 32 or 21/35\n");
        return false;
    }
    const QString problem = checkManualDive(dive);
    if (!problem.isEmpty())
        err << problem << '\n';
    return problem.isEmpty();
}

int add(const Options& o, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 1 || !o.values.contains("--date") || !o.values.contains("--duration")
        || !o.values.contains("--depth")) {
        err << "usage: veltra-cli logbook [--db PATH] add --date ISO --duration MIN --depth M "
               "[--mean-depth M] [--gas O2[/HE]] [--cylinder L --start-bar BAR --end-bar BAR] "
               "[--site NAME] [--location TEXT] [--trip NAME] [--buddy NAME]... [--notes TEXT] "
               "[--rating 0-5] [--tag TEXT]...\n";
        return ExitUsage;
    }
    ManualDive numbers;
    if (!readNumbers(o, numbers, err))
        return ExitFailed;
    DiveProfile dive = manualDiveProfile(numbers);
    dive.site = o.value("--site");
    dive.location = o.value("--location");
    dive.trip = o.value("--trip");
    dive.buddies = o.all("--buddy");
    dive.tags = o.all("--tag");
    dive.notes = o.value("--notes");
    if (o.values.contains("--rating")) {
        bool ok = false;
        dive.rating = o.value("--rating").toInt(&ok);
        if (!ok || dive.rating < 0 || dive.rating > 5) {
            err << QStringLiteral("--rating takes 0 to 5, not \"%1\"\n").arg(o.value("--rating"));
            return ExitFailed;
        }
    }
    LogbookDatabase& db = LogbookDatabase::instance();
    // Named by its start in local time, as the diver wrote it; a second dive at the same minute
    // gets " (2)".
    const QString base = QDateTime::fromSecsSinceEpoch(dive.dateTime).toString("yyyy-MM-dd hh:mm");
    dive.name = base;
    for (int n = 2; db.findDive(dive.name, dive.serial) >= 0; ++n)
        dive.name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    int id = -1;
    if (db.storeDive(dive, &id) != LogbookDatabase::Success) {
        err << QStringLiteral("dive not stored: %1\n").arg(db.lastError());
        return ExitFailed;
    }
    out << QStringLiteral("stored %1 %2\n").arg(id).arg(dive.name);
    return ExitOk;
}

} // namespace

QStringList logbookAddOptions()
{
    return { "--date", "--duration", "--depth", "--mean-depth", "--gas", "--cylinder",
        "--start-bar", "--end-bar", "--trip" };
}

QString logbookAddUsage()
{
    return QStringLiteral(
        "  logbook [--db PATH] add --date ISO --duration MIN --depth M [--mean-depth M] [--gas "
        "O2[/HE]] [--cylinder L --start-bar BAR --end-bar BAR] [--site NAME] [--buddy NAME]... "
        "[--notes TEXT] [--rating 0-5] [--tag TEXT]...\n"
        "                                          a dive from a paper logbook\n");
}

int runLogbookAdd(const Options& o, QTextStream& out, QTextStream& err)
{
    return add(o, out, err);
}

} // namespace cli
