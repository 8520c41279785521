#pragma once

// The logbook subcommands that read and edit what the diver records: list, edit, show, search
// and stats. The logbook is open when they are called.

#include <QStringList>

class DiveProfile;
class LogbookDatabase;
class QTextStream;
struct DiveFilter;

namespace cli {

struct Options;

// The --computer, --from and --to options as a dive filter; false (after a message) when a
// date cannot be read.
bool readFilter(const Options& o, DiveFilter& filter, QTextStream& err);
// The ids of the dives the filter keeps, in the order they were made (as a logbook reads); false
// (after a message) when the listing failed.
bool diveIdsByDate(
    LogbookDatabase& db, const DiveFilter& filter, QList<int>& ids, QTextStream& err);
// The dives of these ids, in that order; false (after a message) when one is missing.
bool loadDives(
    LogbookDatabase& db, const QList<int>& ids, QList<DiveProfile>& dives, QTextStream& err);

// Value options these subcommands take, for the logbook command's parser.
QStringList logbookDetailsOptions();
QString logbookDetailsUsage();
// True when sub is one of these subcommands; status is then the exit status.
bool runLogbookDetails(
    const QString& sub, const Options& o, QTextStream& out, QTextStream& err, int& status);

} // namespace cli
