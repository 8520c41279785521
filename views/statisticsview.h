#pragma once

#include "logbook/logbookstats.h"

#include <QWidget>

class QChartView;
class QComboBox;
class QLabel;

// The Statistics tab: totals of the dives listed (deepest and longest dive as links) and
// charts of dives and hours per year or month, maximum depths and water temperature by month.
class StatisticsView : public QWidget
{
    Q_OBJECT
public:
    explicit StatisticsView(QWidget* parent = nullptr);

    void setStatistics(const DiveStatistics& statistics);

signals:
    // The user followed the link of the deepest or longest dive.
    void openDive(int diveId);

private:
    void showActivity();
    void showDepths();
    void showTemperatures();

    DiveStatistics m_stats;
    QLabel* m_totals = nullptr;
    QComboBox* m_period = nullptr;
    QChartView* m_activity = nullptr;
    QChartView* m_depths = nullptr;
    QChartView* m_temperatures = nullptr;
};
