#pragma once

#include <QWidget>

class QChartView;
class QLabel;
class QStackedWidget;
class StatisticsView;
struct DiveCounts;

// The Statistics tab: the totals and activity charts (StatisticsView), and a second page of
// dives per site and per buddy, durations and air use over time; "No dives yet" in place of
// both when nothing is listed.
class StatisticsPage : public QWidget
{
    Q_OBJECT
public:
    explicit StatisticsPage(QWidget* parent = nullptr);
    StatisticsView* overview() const { return m_overview; }
    void setCounts(const DiveCounts& counts, int diveCount);

private:
    QStackedWidget* m_stack;
    StatisticsView* m_overview;
    QLabel* m_empty;
    QChartView* m_sites;
    QChartView* m_buddies;
    QChartView* m_durations;
    QChartView* m_airUse;
};
