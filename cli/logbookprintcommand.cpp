// logbook print: stored dives as printed logbook pages in a PDF.

#include "cli/clioptions.h"
#include "cli/cliunits.h"
#include "cli/logbookdetailscommand.h"
#include "cli/logbookplacescommand.h"
#include "dive/diveprofile.h"
#include "logbook/logbookdatabase.h"
#include "planner/logbookpages.h"

#include <QTextStream>

namespace cli {

QString logbookPrintUsage()
{
    return QStringLiteral("  logbook [--db PATH] print ID...|--all OUT.pdf [--units U]\n"
                          "                                          logbook pages, two dives a "
                          "page\n");
}

int runLogbookPrint(const Options& o, QTextStream& out, QTextStream& err)
{
    const bool all = o.has("--all");
    const QStringList ids = o.positional.mid(1, o.positional.size() - 2);
    if (o.positional.size() < 2 || all != ids.isEmpty()) {
        err << "usage: veltra-cli logbook [--db PATH] print ID...|--all OUT.pdf [--units U]\n";
        return ExitUsage;
    }
    DisplayUnits units;
    unitsNamed(o.value("--units"), units); // checked with the logbook command
    LogbookDatabase& db = LogbookDatabase::instance();
    QList<int> chosen;
    if (all) {
        if (!diveIdsByDate(db, DiveFilter(), chosen, err))
            return ExitFailed;
    }
    for (const QString& text : ids) {
        bool ok = false;
        chosen << text.toInt(&ok);
        if (!ok) {
            err << QStringLiteral("%1 is no dive id\n").arg(text);
            return ExitUsage;
        }
    }
    QList<DiveProfile> dives;
    if (!loadDives(db, chosen, dives, err))
        return ExitFailed;
    const QString path = o.positional.constLast();
    QString error;
    if (!writeLogbookPdf(path, dives, &error, units)) {
        err << QStringLiteral("%1: %2\n").arg(path, error);
        return ExitFailed;
    }
    out << QStringLiteral("%1 dives -> %2\n").arg(dives.size()).arg(path);
    return ExitOk;
}

} // namespace cli
