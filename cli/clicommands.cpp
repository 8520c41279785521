#include "cli/clicommands.h"

#include "cli/clioptions.h"
#include "cli/cliunits.h"
#include "cli/replayjson.h"
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "fileio/csvmapping.h"
#include "fileio/divefileformat.h"
#include "fileio/divelinesio.h"
#include "fileio/xmlschema.h"

#include <QJsonArray>
#include <QTextStream>

#include <cmath>

namespace cli {

namespace {

// Refused dives of a file, one line each on err.
void reportRefused(const DiveFileContent& content, QTextStream& err)
{
    for (const RefusedDive& refused : content.refused)
        err << QStringLiteral("refused %1: %2\n").arg(refused.name, refused.reason);
}

void printDiveText(
    const DiveProfile& dive, const QJsonObject& info, const DisplayUnits& units, QTextStream& out)
{
    const auto shown = [&units](Quantity q, double si, int decimals) {
        return QString::number(Units::toDisplay(q, si, units), 'f', decimals) + QLatin1Char(' ')
            + Units::symbol(q, units);
    };
    QStringList gases;
    for (const QJsonValue& g : info["gases"].toArray())
        gases.append(g.toObject()["name"].toString());
    out << "Name:         " << dive.name << '\n'
        << "Computer:     " << dive.computer << '\n'
        << "Serial:       " << dive.serial << '\n'
        << "Start:        " << localTimeText(dive.dateTime) << '\n'
        << "Gases:        " << gases.join(", ") << '\n'
        << "Gas switches: " << info["gasSwitches"].toInt() << '\n'
        << "Samples:      " << dive.samples.size() << '\n'
        << "Duration:     " << formatTime(int(std::lround(dive.duration))) << '\n'
        << "Max depth:    " << shown(Quantity::Depth, dive.maxDepth, 1) << '\n'
        << "Mean depth:   " << shown(Quantity::Depth, dive.meanDepth, 1) << '\n';
    if (dive.minTemperature <= dive.maxTemperature)
        out << "Temperature:  "
            << QString::number(
                   Units::toDisplay(Quantity::Temperature, dive.minTemperature, units), 'f', 1)
            << " to "
            << QString::number(
                   Units::toDisplay(Quantity::Temperature, dive.maxTemperature, units), 'f', 1)
            << (units.temperature == UnitSystem::Imperial ? " F\n" : " C\n");
    for (const QJsonValue& t : info["tanks"].toArray()) {
        const QJsonObject tank = t.toObject();
        out << "Tank:         " << tank["gas"].toString() << ' '
            << QString::number(
                   Units::toDisplay(Quantity::Pressure, tank["startBar"].toDouble(), units), 'f', 0)
            << " to " << shown(Quantity::Pressure, tank["endBar"].toDouble(), 0) << '\n';
    }
    if (!dive.site.isEmpty())
        out << "Site:         " << dive.site << '\n';
    if (!dive.buddies.isEmpty())
        out << "Buddy:        " << dive.buddies.join(", ") << '\n';
    if (!dive.notes.isEmpty())
        out << "Notes:        "
            << QString(dive.notes).replace('\n', QStringLiteral("\n              ")) << '\n';
}

int commandInfo(const Options& o, const DisplayUnits& units, QTextStream& out, QTextStream& err)
{
    if (o.positional.size() != 1) {
        err << "usage: veltra-cli info FILE [--json [--replay [--gf LOW/HIGH]]] [--date ISO] "
               "[--csv-preset NAME | --csv-columns MAPPING]\n";
        return ExitUsage;
    }
    DiveReadOptions read;
    CsvColumnMapping mapping;
    if (!readOptionsOf(o, read, mapping, err))
        return ExitUsage;
    const QString path = o.positional[0];
    DiveFileContent content;
    if (!readDives(path, content, err, read))
        return ExitFailed;
    reportRefused(content, err);
    if (o.has("--json")) {
        QJsonArray dives;
        for (const DiveProfile& dive : content.dives) {
            QJsonObject info = diveInfoJson(dive);
            int gfLow = 0;
            int gfHigh = 0;
            if (!replayFactors(o, dive, gfLow, gfHigh, err))
                return ExitUsage;
            if (o.has("--replay"))
                info["replay"] = replayJson(dive, gfLow, gfHigh);
            dives.append(info);
        }
        printJson(out,
            QJsonObject {
                { "file", path }, { "format", formatName(content.format) }, { "dives", dives } });
    } else {
        for (qsizetype i = 0; i < content.dives.size(); ++i) {
            if (i > 0)
                out << '\n';
            printDiveText(content.dives.at(i), diveInfoJson(content.dives.at(i)), units, out);
        }
    }
    return content.dives.isEmpty() ? ExitFailed : ExitOk;
}

int commandConvert(const Options& o, QTextStream& out, QTextStream& err)
{
    const bool validate = o.has("--validate");
    if (o.positional.size() != 2
        || (validate && !o.positional[1].endsWith(QLatin1String(".uddf"), Qt::CaseInsensitive))) {
        err << "usage: veltra-cli convert IN OUT [--profile] [--validate] [--date ISO] "
               "[--csv-preset NAME | --csv-columns MAPPING]\n"
               "       --validate: OUT.uddf is checked against the UDDF 3.2.2 schema\n";
        return ExitUsage;
    }
    DiveReadOptions read;
    CsvColumnMapping mapping;
    if (!readOptionsOf(o, read, mapping, err))
        return ExitUsage;
    DiveFileContent content;
    if (!readDives(o.positional[0], content, err, read))
        return ExitFailed;
    reportRefused(content, err);
    if (content.dives.isEmpty())
        return ExitFailed;
    if (!writeDives(content.dives, o.positional[1], o.has("--profile"), err))
        return ExitFailed;
    const QString problem = validate ? XmlSchema::validateUddfFile(o.positional[1]) : QString();
    if (!problem.isEmpty()) {
        err << o.positional[1] << " does not follow the UDDF 3.2.2 schema: " << problem << '\n';
        return ExitFailed;
    }
    qsizetype samples = 0;
    for (const DiveProfile& dive : content.dives)
        samples += dive.samples.size();
    out << QStringLiteral("%1 -> %2 (%3 dives, %4 samples)\n")
               .arg(o.positional[0], o.positional[1])
               .arg(content.dives.size())
               .arg(samples);
    return content.refused.isEmpty() ? ExitOk : ExitFailed;
}

} // namespace

QString infoUsage()
{
    return QStringLiteral(
        "  info FILE [--json [--replay [--gf LOW/HIGH]]] [--units U]\n"
        "                                          every dive a dive file holds; --replay adds\n"
        "                                          each dive replayed at these factors\n"
        "  convert IN OUT [--profile] [--validate] convert a dive file (writes .csv, .uddf);\n"
        "                                          --profile writes the CSV (profile) layout;\n"
        "                                          --validate checks OUT.uddf against UDDF "
        "3.2.2\n"
        "  reading options of info, convert and logbook import:\n"
        "    --date ISO                            start of dives whose file gives none\n"
        "    --csv-preset NAME                     %1\n"
        "    --csv-columns time=1,depth=2,...      columns of a CSV table (also "
        "temperature,\n"
        "                                          pressure, ppo2, number, date, clock, "
        "separator,\n"
        "                                          decimal, time-unit, depth-unit, "
        "interval)\n"
        "  files read (chosen by content): %2\n")
        .arg(csvPresetNames().join(QStringLiteral(", ")), readableFormatsText());
}

int runInfo(const QStringList& args, QTextStream& out, QTextStream& err)
{
    QStringList rest = args;
    DisplayUnits units;
    QString unitError;
    if (!takeUnits(rest, units, unitError)) {
        err << unitError << '\n';
        return ExitUsage;
    }
    const Options options
        = parse(rest, QStringList { "--gf" } + readOptionNames(), { "--json", "--replay" });
    if (!options.error.isEmpty()) {
        err << options.error << '\n';
        return ExitUsage;
    }
    return commandInfo(options, units, out, err);
}

int runConvert(const QStringList& args, QTextStream& out, QTextStream& err)
{
    const Options options = parse(args, readOptionNames(), { "--profile", "--validate" });
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
        + cli::logbookUsage() + cli::planUsage() + cli::unitsUsage();
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
