#include "views/statisticspage.h"

#include "dive/units.h"
#include "logbook/divecounts.h"
#include "views/statisticsview.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QGridLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QScatterSeries>
#include <QStackedWidget>
#include <QTabWidget>
#include <QValueAxis>

namespace {

constexpr int kMostShown = 10; // sites and buddies beyond these would not be legible

QChartView* chartView(QWidget* parent)
{
    auto* view = new QChartView(new QChart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(260, 180);
    view->chart()->legend()->hide();
    view->chart()->setMargins(QMargins(4, 4, 4, 4));
    return view;
}

void clear(QChart* chart, const QString& title)
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(title);
}

// Horizontal bars, the first name on top.
void showRanking(QChart* chart, const QString& title, const QList<std::pair<QString, int>>& list,
    qsizetype limit = kMostShown)
{
    clear(chart, title);
    auto* set = new QBarSet(title);
    QStringList names;
    int highest = 0;
    for (qsizetype i = std::min(list.size(), limit) - 1; i >= 0; --i) {
        names << list.at(i).first;
        *set << list.at(i).second;
        highest = std::max(highest, list.at(i).second);
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    chart->addSeries(series);
    auto* y = new QBarCategoryAxis;
    y->append(names);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    auto* x = new QValueAxis;
    x->setRange(0, std::max(1, highest));
    x->setLabelFormat(QStringLiteral("%.0f"));
    x->setTickCount(std::min(highest, 5) + 1);
    chart->addAxis(x, Qt::AlignBottom);
    series->attachAxis(x);
}

} // namespace

StatisticsPage::StatisticsPage(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack);
    m_empty = new QLabel(tr("No dives yet"), this);
    m_empty->setObjectName(QStringLiteral("lbStatisticsEmpty"));
    m_empty->setAlignment(Qt::AlignCenter);
    auto* tabs = new QTabWidget(this);
    m_overview = new StatisticsView(tabs);
    m_overview->setObjectName(QStringLiteral("statisticsView"));
    tabs->addTab(m_overview, tr("Overview"));
    auto* more = new QWidget(tabs);
    auto* grid = new QGridLayout(more);
    m_sites = chartView(more);
    m_buddies = chartView(more);
    m_durations = chartView(more);
    m_airUse = chartView(more);
    grid->addWidget(m_sites, 0, 0);
    grid->addWidget(m_buddies, 0, 1);
    grid->addWidget(m_durations, 1, 0);
    grid->addWidget(m_airUse, 1, 1);
    tabs->addTab(more, tr("Sites, buddies and air use"));
    m_stack->addWidget(m_empty);
    m_stack->addWidget(tabs);
}

void StatisticsPage::setCounts(const DiveCounts& counts, int diveCount)
{
    m_stack->setCurrentIndex(diveCount > 0 ? 1 : 0);
    showRanking(m_sites->chart(), tr("Dives per site"), counts.sites);
    showRanking(m_buddies->chart(), tr("Dives per buddy"), counts.buddies);

    QList<std::pair<QString, int>> durations;
    for (qsizetype i = 0; i < counts.durationHistogram.size(); ++i)
        durations.append(
            { tr("%1-%2 min").arg(i * 10).arg(i * 10 + 10), counts.durationHistogram.at(i) });
    showRanking(m_durations->chart(), tr("Dives by duration"), durations, durations.size());

    QChart* chart = m_airUse->chart();
    clear(chart, tr("Air use over time (%1)").arg(Units::symbol(Quantity::BreathingRate)));
    auto* line = new QLineSeries;
    auto* points = new QScatterSeries;
    points->setMarkerSize(6);
    double highest = 0;
    const DisplayUnits units = DisplayUnits::current();
    for (const auto& [start, stored] : counts.airUse) {
        const double sac = Units::toDisplay(Quantity::BreathingRate, stored, units);
        line->append(double(start) * 1000.0, sac);
        points->append(double(start) * 1000.0, sac);
        highest = std::max(highest, sac);
    }
    chart->addSeries(line);
    chart->addSeries(points);
    auto* x = new QDateTimeAxis;
    x->setFormat(QStringLiteral("MM/yyyy"));
    if (!counts.airUse.isEmpty())
        x->setRange(QDateTime::fromSecsSinceEpoch(counts.airUse.constFirst().first),
            QDateTime::fromSecsSinceEpoch(counts.airUse.constLast().first + 86400));
    chart->addAxis(x, Qt::AlignBottom);
    auto* y = new QValueAxis;
    y->setRange(0, highest > 0 ? highest * 1.1 : 1);
    y->applyNiceNumbers();
    chart->addAxis(y, Qt::AlignLeft);
    for (QAbstractSeries* series :
        { static_cast<QAbstractSeries*>(line), static_cast<QAbstractSeries*>(points) }) {
        series->attachAxis(x);
        series->attachAxis(y);
    }
}
