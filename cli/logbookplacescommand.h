#pragma once

// The logbook subcommands for sites and trips (sites, site, trips, trip) and for dives logged
// by hand (add). The logbook is open when they are called.

#include <QStringList>

class QTextStream;

namespace cli {

struct Options;

QStringList logbookPlacesOptions();
QString logbookPlacesUsage();
// True when sub is one of these subcommands; status is then the exit status.
bool runLogbookPlaces(
    const QString& sub, const Options& o, QTextStream& out, QTextStream& err, int& status);

QStringList logbookAddOptions();
QString logbookAddUsage();
int runLogbookAdd(const Options& o, QTextStream& out, QTextStream& err);
// print ID...|--all OUT.pdf (logbookprintcommand.cpp).
QString logbookPrintUsage();
int runLogbookPrint(const Options& o, QTextStream& out, QTextStream& err);

} // namespace cli
