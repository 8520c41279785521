#include "app/diveexport.h"

#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

DiveExport refused(const char* title, const QString& problem)
{
    return { QCoreApplication::translate("MainWindow", title), problem, {} };
}

DiveExport unknownExtension(const QString& path)
{
    return refused(QT_TRANSLATE_NOOP("MainWindow", "Error"),
        QCoreApplication::translate("MainWindow",
            "%1: the file name must end in .uddf or .csv to choose the file's format.")
            .arg(QFileInfo(path).fileName()));
}

DiveExport writeFailed(const QString& path, const QString& reason)
{
    return refused(QT_TRANSLATE_NOOP("MainWindow", "Error"),
        QCoreApplication::translate("MainWindow", "Impossible to write file") + QLatin1Char('\n')
            + QDir::toNativeSeparators(path) + QLatin1Char('\n') + reason);
}

} // namespace

DiveExport exportStoredDive(LogbookDatabase& logbook, int diveId, const QString& path)
{
    const std::unique_ptr<DiveLinesIO> writer = makeWriter(path);
    if (!writer)
        return unknownExtension(path);
    DiveProfile dive;
    if (!logbook.loadDive(diveId, dive))
        return refused(QT_TRANSLATE_NOOP("MainWindow", "Database Error"),
            QCoreApplication::translate("MainWindow", "Impossible to read profile"));
    if (!writer->write(path, dive))
        return writeFailed(path, writer->errorString());
    return { {}, {}, dive.name };
}

DiveExport exportDiveRange(const DiveProfile& dive, int fromS, int toS, const QString& path)
{
    if (!makeWriter(path))
        return unknownExtension(path);
    if (fromS < 0 || toS <= fromS)
        return refused(QT_TRANSLATE_NOOP("MainWindow", "Error"),
            QCoreApplication::translate("MainWindow", "Select a time range on the graph first."));
    QString error;
    DiveProfile cut = dive.cutSelection(fromS, toS);
    if (!exportDive(cut, path, &error))
        return writeFailed(path, error);
    return { {}, {}, dive.name };
}
