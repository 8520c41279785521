#pragma once

#include <QString>

#include <array>

struct DiveAlertSummary;

// What one of the Summary's alert lights shows: its colour and the sentence under it.
struct AlertLightView
{
    // -1 no dive shown (grey), 0 green, 2 orange, 3 red; 1 is the computer's own mid level,
    // red when strong and orange otherwise.
    int level = -1;
    QString toolTip;
};

// The Summary's lights in the form's order: ceiling, rapid ascent, yoyo, security, dives in
// 24 hours. They come from the same analysis as the graph's marks, so a light always has
// something to point at on the profile.
enum AlertLightIndex { CeilingLight, RapidAscentLight, YoyoLight, SecurityLight, Dives24hLight };
std::array<AlertLightView, 5> describeAlerts(const DiveAlertSummary& alerts);

// The resource of the light's picture for a level as above.
QString alertLedIcon(int level, bool strong);
