// Fills a data folder with the demo logbook: veltra-demo-data <folder>.
// Stores the demo dives through the program's own logbook code; an existing
// logbook keeps its dives (a dive already there is reported and skipped).
#include "app/demodives.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2) {
        err << "usage: veltra-demo-data <data folder>\n";
        return 2;
    }
    const QString folder = args[1];
    if (!QDir().mkpath(folder)) {
        err << "cannot create " << folder << "\n";
        return 1;
    }
    LogbookDatabase& logbook = LogbookDatabase::instance();
    if (logbook.openOrCreate(QDir(folder).filePath(QStringLiteral("diveDB.db")))
        != LogbookDatabase::Success) {
        err << "cannot open the logbook: " << logbook.lastError() << "\n";
        return 1;
    }
    int stored = 0;
    for (const DemoDives::Plan& plan : DemoDives::demoPlans()) {
        const int outcome = logbook.storeDive(DemoDives::makeDive(plan));
        if (outcome == LogbookDatabase::Success)
            ++stored;
        else if (outcome != LogbookDatabase::DuplicateDive) {
            err << "cannot store dive " << plan.name << ": " << logbook.lastError() << "\n";
            return 1;
        }
    }
    QTextStream(stdout) << stored << " demo dives stored in " << folder << "\n";
    return 0;
}
