// DiveProfile::loadFromFile lives here rather than in dive/: it needs the file readers, and
// dive/ sits below fileio/.
#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"

#include <QCoreApplication>
#include <QDateTime>

bool DiveProfile::loadFromFile(const QString& path, QString* errorText)
{
    std::unique_ptr<DiveLinesIO> reader = makeReader(path);
    if (!reader) {
        if (errorText)
            *errorText = QCoreApplication::translate("DiveProfile", "Unknown dive file type: %1")
                             .arg(fileNameOf(path));
        return false;
    }
    // Read into a fresh profile so a failed or second load never mixes this dive's values
    // (gases, computer, serial...) into the new one.
    DiveProfile loaded;
    if (!reader->read(path, loaded)) {
        if (errorText)
            *errorText = reader->errorString();
        return false;
    }
    loaded.origin = reader->fileType();
    loaded.computeStatistics();
    loaded.computeSpeeds(false);
    if (loaded.dateTime == 0)
        loaded.dateTime = QDateTime::currentSecsSinceEpoch();
    loaded.sourceFileName = fileNameOf(path);
    *this = std::move(loaded);
    return true;
}
