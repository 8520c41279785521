#include "cli/clioptions.h"

#include "dive/diveprofile.h"
#include "fileio/csvmapping.h"
#include "fileio/divefileformat.h"
#include "fileio/divelinesio.h"
#include "fileio/uddfdatetime.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

#include <algorithm>

namespace cli {

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

QStringList Options::all(const QString& name) const
{
    QStringList list = values.values(name);
    std::reverse(list.begin(), list.end()); // QMultiMap returns the newest first
    return list;
}

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

int gasSwitchCount(const DiveProfile& dive)
{
    int switches = 0;
    qint32 gas = -1;
    for (const DiveSample& s : dive.samples) {
        if (s.gasIndex < 0)
            continue;
        if (gas >= 0 && s.gasIndex != gas)
            ++switches;
        gas = s.gasIndex;
    }
    return switches;
}

QString formatName(DiveOrigin format)
{
    return diveFormatName(format);
}

QJsonObject diveInfoJson(const DiveProfile& dive)
{
    QJsonArray gases;
    for (DiveGas gas : dive.gases)
        gases.append(QJsonObject {
            { "name", DiveProfile::gasName(gas) }, { "o2", gas.o2 }, { "he", gas.he } });
    const bool hasTemperature = dive.minTemperature <= dive.maxTemperature;
    QJsonArray tanks;
    for (const DiveProfile::TankPressure& tank : dive.tanks) {
        DiveGas gas = tank.gasIndex >= 0 && tank.gasIndex < dive.gases.size()
            ? dive.gases.at(tank.gasIndex)
            : DiveGas();
        tanks.append(QJsonObject {
            { "gas",
                tank.gasIndex >= 0 && tank.gasIndex < dive.gases.size() ? DiveProfile::gasName(gas)
                                                                        : QString() },
            { "startBar", tank.startBar }, { "endBar", tank.endBar } });
    }
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
        { "gasSwitches", gasSwitchCount(dive) },
        { "tanks", tanks },
        { "site", dive.site },
        { "mode", dive.diveMode == 0 ? "oc" : "cc" },
        { "position",
            dive.position ? QJsonValue(QJsonObject { { "latitude", dive.position->latitude },
                { "longitude", dive.position->longitude } })
                          : QJsonValue() },
        { "trip", dive.trip.isEmpty() ? QJsonValue() : QJsonValue(dive.trip) },
        { "buddy", dive.buddies.join(QStringLiteral(", ")) },
        { "notes", dive.notes },
    };
}

QString fileMessage(const QString& path, const QString& why)
{
    const QString text = why.isEmpty() ? QStringLiteral("cannot read this file") : why;
    return text.contains(path) ? text : QStringLiteral("%1: %2").arg(path, text);
}

QStringList readOptionNames()
{
    return { "--date", "--csv-preset", "--csv-columns" };
}

bool readOptionsOf(
    const Options& o, DiveReadOptions& read, CsvColumnMapping& mapping, QTextStream& err)
{
    if (o.values.contains("--date")) {
        read.fallbackDateTime = parseUddfDateTime(o.value("--date"));
        if (read.fallbackDateTime == 0) {
            err << QStringLiteral("--date %1: give a date as 2024-05-18T12:07:00\n")
                       .arg(o.value("--date"));
            return false;
        }
    }
    if (o.values.contains("--csv-preset") && o.values.contains("--csv-columns")) {
        err << "give --csv-preset or --csv-columns, not both\n";
        return false;
    }
    if (o.values.contains("--csv-preset")) {
        if (!csvPreset(o.value("--csv-preset"), mapping)) {
            err << QStringLiteral("unknown CSV preset %1 (known: %2)\n")
                       .arg(o.value("--csv-preset"), csvPresetNames().join(", "));
            return false;
        }
        read.csv = &mapping;
    }
    if (o.values.contains("--csv-columns")) {
        QString why;
        if (!parseCsvColumns(o.value("--csv-columns"), mapping, why)) {
            err << QStringLiteral("--csv-columns: %1\n").arg(why);
            return false;
        }
        read.csv = &mapping;
    }
    return true;
}

bool readDives(
    const QString& path, DiveFileContent& content, QTextStream& err, const DiveReadOptions& read)
{
    content = readDiveFile(path, read);
    if (!content.ok()) {
        err << fileMessage(path, content.error) << '\n';
        return false;
    }
    for (const QString& warning : content.warnings)
        err << fileMessage(path, warning) << '\n';
    return true;
}

bool writeDives(
    const QList<DiveProfile>& dives, const QString& path, bool csvProfile, QTextStream& err)
{
    QString why;
    bool written = false;
    if (dives.size() == 1) {
        DiveProfile dive = dives.constFirst();
        written = exportDive(dive, path, &why, csvProfile);
    } else {
        written = exportDives(dives, path, &why);
    }
    if (written)
        return true;
    err << QStringLiteral("%1: %2").arg(path, why.isEmpty() ? "cannot write this file" : why)
        << '\n';
    return false;
}

} // namespace cli
