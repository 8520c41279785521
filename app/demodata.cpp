// Fills a demo data folder: veltra-demo-data <data folder> [<dive files folder>].
// Stores the demo dives through the program's own logbook code and, with a second
// folder, writes two more dives there as UDDF files with the program's own writer
// for "Import dive" to open. An existing logbook keeps its dives (a dive already
// there is skipped), and an existing settings file is left alone.
#include "app/demodives.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 2 && args.size() != 3) {
        err << "usage: veltra-demo-data <data folder> [<dive files folder>]\n";
        return 2;
    }
    const QDir data(args[1]);
    if (!QDir().mkpath(data.path())) {
        err << "cannot create " << data.path() << "\n";
        return 1;
    }
    LogbookDatabase& logbook = LogbookDatabase::instance();
    if (logbook.openOrCreate(data.filePath(QStringLiteral("diveDB.db")))
        != LogbookDatabase::Success) {
        err << "cannot open the logbook: " << logbook.lastError() << "\n";
        return 1;
    }
    int stored = 0;
    for (const DemoDives::Plan& plan : DemoDives::demoPlans()) {
        const int outcome = logbook.storeDive(DemoDives::makeDive(plan));
        if (outcome == LogbookDatabase::Success) {
            ++stored;
        } else if (outcome != LogbookDatabase::DuplicateDive) {
            err << "cannot store dive " << plan.name << ": " << logbook.lastError() << "\n";
            return 1;
        }
    }
    out << stored << " demo dives stored in " << data.path() << "\n";
    if (args.size() == 2)
        return 0;

    const QDir files(args[2]);
    if (!QDir().mkpath(files.path())) {
        err << "cannot create " << files.path() << "\n";
        return 1;
    }
    const QList<DemoDives::Plan> plans = DemoDives::demoPlans();
    const QList<QPair<DemoDives::Plan, QString>> extra {
        { plans[1], QStringLiteral("Veltra dive 15.uddf") },
        { plans[4], QStringLiteral("QRD-M dive 5.uddf") },
    };
    int day = 0;
    for (auto [plan, fileName] : extra) {
        plan.name = QFileInfo(fileName).completeBaseName().section(QLatin1Char(' '), -1);
        plan.startUtc += qint64(60 + day++) * 86400;
        DiveProfile dive = DemoDives::makeDive(plan);
        QString error;
        if (!exportDive(dive, files.filePath(fileName), &error)) {
            err << "cannot write " << fileName << ": " << error << "\n";
            return 1;
        }
    }
    const QString settingsPath = data.filePath(QStringLiteral("settings.cfg"));
    if (!QFileInfo::exists(settingsPath)) {
        QSettings settings(settingsPath, QSettings::IniFormat);
        settings.setValue(QStringLiteral("directories/lastDiveFile"), files.absolutePath());
        settings.sync();
    }
    out << extra.size() << " dive files written in " << files.path() << "\n";
    return 0;
}
