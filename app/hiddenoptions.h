#pragma once

#include <QString>

#include <array>

// The switches of the "hidden" group of "options.ini". A switch is on when its value is
// exactly 1 and off for any other value; a missing key takes the switch's default, so a new
// data folder shows what a diver needs (dive files, planner, gradient factors, alert lights)
// and keeps the developer's tools out of sight.
struct HiddenOptions
{
    bool simulation = false; // the Console and Simulation sub-tabs
    bool planificationAddOn = true; // the planner's gradient factors
    bool planification = true; // the planner tab
    bool import = true; // opening and storing dive files
    bool alerts = true; // the alert lights
    bool programName = false; // "Program name" in the computer's menu
    bool developer = false; // test buttons of the window and the planner

    struct Switch
    {
        const char* key; // in the "hidden" group
        bool HiddenOptions::*member;
        const char* label; // for the Preferences dialog, translated in its context
    };
    static const std::array<Switch, 7>& switches();

    static HiddenOptions read(const QString& iniPath);
    // Writes every switch as 1 or 0 and keeps the file's other keys; false when it cannot.
    bool write(const QString& iniPath) const;
};
