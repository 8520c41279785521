#include "app/hiddenoptions.h"

#include <QSettings>

HiddenOptions HiddenOptions::read(const QString& iniPath)
{
    // Read only: the file belongs to the user (or to whoever prepared the machine).
    const QSettings options(iniPath, QSettings::IniFormat);
    const auto on = [&options](const char* key) {
        return options.value(QLatin1String("hidden/") + QLatin1String(key), 0).toInt() == 1;
    };
    HiddenOptions result;
    result.simulation = on("simulation");
    result.planificationAddOn = on("planificationaddon");
    result.planification = on("planification");
    result.import = on("import");
    result.alerts = on("alerts");
    result.programName = on("programname");
    return result;
}
