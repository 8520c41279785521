#pragma once

#include <QString>

#include <memory>

class DiveProfile;
class QTableWidget;
class QWidget;

// The texts the measure window shows for samples i and j (i <= j) of a dive.
struct MeasureValues
{
    bool valid = false;
    QString depth1, time1, depth2, time2;
    QString depthDifference, timeDifference, meanSpeed;
    double meanSpeedMPerMin = 0; // depth change over time, + descending
};
MeasureValues measureBetween(const DiveProfile& dive, int i, int j);

// "Measure between two points": a tool window loaded at run time from the compiled-in form,
// kept after its first load. It does not block.
class MeasureWindow
{
public:
    MeasureWindow();
    ~MeasureWindow();
    MeasureWindow(const MeasureWindow&) = delete;
    MeasureWindow& operator=(const MeasureWindow&) = delete;

    // Fills the tables for samples i and j (in any order) and shows the window. False when the
    // form cannot be loaded or the indexes are not samples of the dive.
    bool show(const DiveProfile& dive, int i, int j);
    QWidget* widget() const { return m_window.get(); }
    QTableWidget* pointsTable() const { return m_points; }
    QTableWidget* valuesTable() const { return m_values; }

private:
    bool load();

    std::unique_ptr<QWidget> m_window;
    QTableWidget* m_points = nullptr;
    QTableWidget* m_values = nullptr;
};
