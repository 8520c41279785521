#include "app/hiddenoptions.h"

#include <QCoreApplication>
#include <QSettings>

const std::array<HiddenOptions::Switch, 7>& HiddenOptions::switches()
{
    static const std::array<Switch, 7> table { {
        { "import", &HiddenOptions::import,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Open and store dive files") },
        { "planification", &HiddenOptions::planification,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Dive planner tab") },
        { "planificationaddon", &HiddenOptions::planificationAddOn,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Gradient factors in the planner") },
        { "alerts", &HiddenOptions::alerts,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Alert lights of the dive") },
        { "programname", &HiddenOptions::programName,
            QT_TRANSLATE_NOOP("PreferencesDialog", "\"Program name\" in the computer menu") },
        { "simulation", &HiddenOptions::simulation,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Console and Simulation tabs (developer)") },
        { "developer", &HiddenOptions::developer,
            QT_TRANSLATE_NOOP("PreferencesDialog", "Test buttons (developer)") },
    } };
    return table;
}

HiddenOptions HiddenOptions::read(const QString& iniPath)
{
    // Read only: the file belongs to the user (or to whoever prepared the machine).
    const QSettings options(iniPath, QSettings::IniFormat);
    HiddenOptions result;
    for (const Switch& s : switches()) {
        const QString key = QLatin1String("hidden/") + QLatin1String(s.key);
        if (options.contains(key))
            result.*s.member = options.value(key).toInt() == 1;
    }
    return result;
}

bool HiddenOptions::write(const QString& iniPath) const
{
    QSettings options(iniPath, QSettings::IniFormat);
    for (const Switch& s : switches())
        options.setValue(QLatin1String("hidden/") + QLatin1String(s.key), this->*s.member ? 1 : 0);
    options.sync();
    return options.status() == QSettings::NoError;
}
