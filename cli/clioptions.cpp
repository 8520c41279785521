#include "cli/clioptions.h"

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"

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

} // namespace cli
