#pragma once

// What every veltra-cli command shares: option parsing, JSON output and reading or writing one
// dive file with the path named once in the message.

#include <QJsonObject>
#include <QMultiMap>
#include <QString>
#include <QStringList>

class DiveProfile;
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
QJsonObject diveInfoJson(const DiveProfile& dive);
bool readDive(const QString& path, DiveProfile& dive, QTextStream& err);
bool writeDive(DiveProfile& dive, const QString& path, QTextStream& err);

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
