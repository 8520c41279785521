#pragma once

class QSettings;

// What the profile graph shows of a dive's replay and at which gradient factors; kept in the
// program's settings so the graph looks the same after a restart.
struct ReplayGraphOptions
{
    bool ceiling = true; // the ceiling at these factors (logged dives)
    bool heatMap = true;
    bool ppO2 = false;
    bool ppN2 = false;
    bool ppHe = false;
    bool mod = false;
    int gfLow = 30; // %
    int gfHigh = 80;

    bool operator==(const ReplayGraphOptions& o) const;
    bool operator!=(const ReplayGraphOptions& o) const { return !(*this == o); }

    // Values outside 10..100 or a low above the high fall back to the defaults.
    static ReplayGraphOptions load(const QSettings& settings);
    void save(QSettings& settings) const;
};
