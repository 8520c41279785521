#pragma once

#include <QString>

// The switches of the "hidden" group of "options.ini". Each one is on only when
// its value is exactly 1; a missing file leaves every feature hidden.
struct HiddenOptions
{
    bool simulation = false;
    bool planificationAddOn = false;
    bool planification = false;
    bool import = false;
    bool alerts = false;
    bool programName = false;

    static HiddenOptions read(const QString& iniPath);
};
