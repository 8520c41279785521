#include "cli/clicommands.h"

#include "cli/clioptions.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"

#include <QJsonArray>
#include <QTextStream>

#include <cmath>

namespace cli {

namespace {

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

} // namespace

QString infoUsage()
{
    return QStringLiteral(
        "  info FILE [--json]                      what a dive file holds\n"
        "  convert IN OUT                          convert a dive file (.csv, .uddf; reads "
        ".divebin)\n");
}

int runInfo(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args, {}, { "--json" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandInfo(options, out, err);
}

int runConvert(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args, {}, {});
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandConvert(options, out, err);
}

} // namespace cli

QString cliUsage()
{
    return QStringLiteral("usage: veltra-cli COMMAND ...\n") + cli::infoUsage()
        + cli::logbookUsage() + cli::planUsage();
}

int runCli(const QStringList& args, QTextStream& out, QTextStream& err)
{
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.isEmpty() ? err : out) << cliUsage();
        return args.isEmpty() ? cli::ExitUsage : cli::ExitOk;
    }
    const QString command = args[0];
    const QStringList rest = args.mid(1);
    if (command == "info")
        return cli::runInfo(rest, out, err);
    if (command == "convert")
        return cli::runConvert(rest, out, err);
    if (command == "logbook")
        return cli::runLogbook(rest, out, err);
    if (command == "plan")
        return cli::runPlan(rest, out, err);
    err << QStringLiteral("unknown command %1\n").arg(command) << cliUsage();
    return cli::ExitUsage;
}
