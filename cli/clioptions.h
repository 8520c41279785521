#pragma once

// What every veltra-cli command shares: option parsing, JSON output and reading or writing one
// dive file with the path named once in the message.

#include "dive/diverecords.h"

#include <QJsonObject>
#include <QList>
#include <QMultiMap>
#include <QString>
#include <QStringList>

class DiveProfile;
struct CsvColumnMapping;
struct DiveFileContent;
struct DiveReadOptions;
class QTextStream;

namespace cli {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

// Splits "--name value" options from the rest; repeated options keep every value.
struct Options
{
    QStringList positional;
    QMultiMap<QString, QString> values;
    QStringList flags;
    QString error;

    bool has(const QString& flag) const { return flags.contains(flag); }
    QString value(const QString& name) const { return values.value(name); }
    QStringList all(const QString& name) const;
};

Options parse(
    const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions);

QString localTimeText(qint64 utcSeconds);
void printJson(QTextStream& out, const QJsonObject& object);
// Gas changes along the samples (the first gas breathed is no change).
int gasSwitchCount(const DiveProfile& dive);
// "uddf", "csv", "divebin", "subsurface", "suunto", "udcf", "fit"; empty for other origins.
QString formatName(DiveOrigin format);
QJsonObject diveInfoJson(const DiveProfile& dive);
// "PATH: why", unless why names the path already.
QString fileMessage(const QString& path, const QString& why);
// The options every reading command takes: --date ISO (the start of dives whose file gives
// none), --csv-preset NAME and --csv-columns MAPPING. False (reported on err) when one is wrong;
// mapping must outlive the options it is put into.
QStringList readOptionNames();
bool readOptionsOf(
    const Options& o, DiveReadOptions& read, CsvColumnMapping& mapping, QTextStream& err);
// Reads every dive of a file; a file that cannot be read is reported on err. Reader warnings
// go to err too.
bool readDives(
    const QString& path, DiveFileContent& content, QTextStream& err, const DiveReadOptions& read);
// One dive with the writer for the extension (csvProfile: the CSV (profile) layout), several
// dives into one UDDF file.
bool writeDives(
    const QList<DiveProfile>& dives, const QString& path, bool csvProfile, QTextStream& err);

// Each command parses its own options (after the command word) and returns the exit status.
int runInfo(const QStringList& args, QTextStream& out, QTextStream& err);
int runConvert(const QStringList& args, QTextStream& out, QTextStream& err);
int runLogbook(const QStringList& args, QTextStream& out, QTextStream& err);
int runPlan(const QStringList& args, QTextStream& out, QTextStream& err);

// Usage lines of each command, for the help text.
QString infoUsage();
QString logbookUsage();
QString planUsage();

} // namespace cli
