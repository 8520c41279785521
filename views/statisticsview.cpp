#include "views/statisticsview.h"

#include "dive/formattime.h"
#include "dive/units.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCursor>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QToolTip>
#include <QValueAxis>

#include <cmath>

namespace {

QString depthText(double metres)
{
    return Units::number(Quantity::Depth, metres, 1) + QLatin1Char(' ')
        + Units::symbol(Quantity::Depth);
}

QChartView* makeChartView(QWidget* parent)
{
    auto* view = new QChartView(new QChart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(280, 200);
    view->chart()->legend()->setAlignment(Qt::AlignBottom);
    view->chart()->setMargins(QMargins(4, 4, 4, 4));
    return view;
}

// Replaces the chart's series and axes with one bar series over the categories.
// With groups, the bars are labelled by group (a year over its months) instead of one by one:
// groups[i] is the label of the run of bars that ends at bar ends[i].
void showBars(QChart* chart, const QString& title, const QStringList& categories,
    const QList<QBarSet*>& sets, const QString& valueTitle, const QStringList& groups = {},
    const QList<int>& ends = {})
{
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes())
        chart->removeAxis(axis);
    chart->setTitle(title);
    auto* series = new QBarSeries;
    double highest = 0;
    for (QBarSet* set : sets) {
        series->append(set);
        for (int i = 0; i < set->count(); ++i)
            highest = std::max(highest, set->at(i));
    }
    chart->addSeries(series);
    if (groups.isEmpty()) {
        auto* x = new QBarCategoryAxis;
        x->append(categories);
        chart->addAxis(x, Qt::AlignBottom);
        series->attachAxis(x);
    } else {
        auto* x = new QCategoryAxis;
        x->setRange(-0.5, categories.size() - 0.5);
        x->setStartValue(-0.5);
        for (int i = 0; i < groups.size(); ++i)
            x->append(groups[i], ends[i] + 0.5);
        x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionCenter);
        chart->addAxis(x, Qt::AlignBottom);
        series->attachAxis(x);
    }
    auto* y = new QValueAxis;
    y->setTitleText(valueTitle);
    y->setRange(0, highest > 0 ? highest * 1.05 : 1);
    y->applyNiceNumbers();
    y->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(y);
    chart->legend()->setVisible(sets.size() > 1);
}

// The months between the first and the last with dives, those without as empty bars, so that a
// gap in the diving shows as a gap.
QList<DivePeriodTotals> withEmptyMonths(const QList<DivePeriodTotals>& periods, bool months)
{
    if (!months || periods.isEmpty())
        return periods;
    QList<DivePeriodTotals> all;
    QDate month
        = QDate::fromString(periods.constFirst().period + QStringLiteral("-01"), Qt::ISODate);
    const QDate last
        = QDate::fromString(periods.constLast().period + QStringLiteral("-01"), Qt::ISODate);
    qsizetype next = 0;
    while (month.isValid() && month <= last && all.size() < 1200) {
        const QString name = month.toString(QStringLiteral("yyyy-MM"));
        if (next < periods.size() && periods.at(next).period == name)
            all << periods.at(next++);
        else
            all << DivePeriodTotals { name, DiveTotals() };
        month = month.addMonths(1);
    }
    return next == periods.size() ? all : periods;
}

} // namespace

StatisticsView::StatisticsView(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QGridLayout(this);
    m_totals = new QLabel(this);
    m_totals->setObjectName(QStringLiteral("lbStatisticsTotals"));
    m_totals->setTextFormat(Qt::RichText);
    m_totals->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    m_totals->setWordWrap(true);
    connect(m_totals, &QLabel::linkActivated, this, [this](const QString& link) {
        bool ok = false;
        const int id = link.section(QLatin1Char(':'), 1).toInt(&ok);
        if (ok)
            emit openDive(id);
    });

    auto* periodRow = new QHBoxLayout;
    periodRow->addWidget(new QLabel(tr("Dives and hours"), this));
    m_period = new QComboBox(this);
    m_period->setObjectName(QStringLiteral("cbStatisticsPeriod"));
    m_period->addItem(tr("per year"));
    m_period->addItem(tr("per month"));
    periodRow->addWidget(m_period);
    periodRow->addStretch();
    connect(m_period, &QComboBox::currentIndexChanged, this, [this] { showActivity(); });

    m_activity = makeChartView(this);
    m_depths = makeChartView(this);
    m_temperatures = makeChartView(this);

    auto* left = new QVBoxLayout;
    left->addWidget(m_totals, 0);
    left->addWidget(m_depths, 1);
    auto* right = new QVBoxLayout;
    right->addLayout(periodRow);
    right->addWidget(m_activity, 1);
    right->addWidget(m_temperatures, 1);
    layout->addLayout(left, 0, 0);
    layout->addLayout(right, 0, 1);
    layout->setColumnStretch(0, 2);
    layout->setColumnStretch(1, 3);
    setStatistics(DiveStatistics());
}

void StatisticsView::setStatistics(const DiveStatistics& statistics)
{
    m_stats = statistics;
    const DiveTotals& t = m_stats.totals;
    const QLocale locale;
    const auto link = [](int id, const QString& text) {
        return id > 0 ? QStringLiteral("<a href=\"dive:%1\">%2</a>").arg(id).arg(text) : text;
    };
    QString html = QStringLiteral("<table cellspacing=\"4\">");
    const auto row = [&html](const QString& name, const QString& value) {
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(name, value);
    };
    row(tr("Dives"), locale.toString(t.dives));
    row(tr("Total dive time"), formatTime(int(std::lround(t.totalSeconds))));
    row(tr("Deepest dive"),
        t.dives > 0 ? link(t.deepestId, depthText(t.maxDepth)) : QStringLiteral("-"));
    row(tr("Longest dive"),
        t.dives > 0 ? link(t.longestId, formatTime(int(std::lround(t.longestSeconds))))
                    : QStringLiteral("-"));
    row(tr("Mean maximum depth"), t.dives > 0 ? depthText(t.meanMaxDepth) : QStringLiteral("-"));
    html += QStringLiteral("</table>");
    m_totals->setText(html);
    showActivity();
    showDepths();
    showTemperatures();
}

void StatisticsView::showActivity()
{
    const QList<DivePeriodTotals>& periods
        = m_period->currentIndex() == 1 ? m_stats.months : m_stats.years;
    QStringList categories;
    auto* dives = new QBarSet(tr("Dives"));
    auto* hours = new QBarSet(tr("Hours"));
    const bool months = m_period->currentIndex() == 1;
    QStringList groups;
    QList<int> ends;
    for (const DivePeriodTotals& p : withEmptyMonths(periods, months)) {
        categories << p.period;
        // Months are labelled by year: a label per month does not fit under the bars.
        if (months && !groups.isEmpty() && groups.constLast() == p.period.left(4)) {
            ends.last() = int(categories.size()) - 1;
        } else if (months) {
            groups << p.period.left(4);
            ends << int(categories.size()) - 1;
        }
        *dives << p.totals.dives;
        *hours << p.totals.totalSeconds / 3600.0;
    }
    // Month bars are labelled by year: the month shows in a tooltip on each bar.
    for (QBarSet* set : { dives, hours }) {
        connect(set, &QBarSet::hovered, m_activity, [this, categories, set](bool on, int index) {
            if (on && index >= 0 && index < categories.size())
                QToolTip::showText(QCursor::pos(),
                    tr("%1: %2").arg(categories.at(index)).arg(set->at(index), 0, 'g', 3));
            else
                QToolTip::hideText();
        });
    }
    showBars(m_activity->chart(),
        m_period->currentIndex() == 1 ? tr("Dives and hours per month")
                                      : tr("Dives and hours per year"),
        categories, { dives, hours }, QString(), groups, ends);
}

void StatisticsView::showDepths()
{
    QStringList categories;
    auto* set = new QBarSet(tr("Dives"));
    const double bin = DiveStatistics::DepthBinM;
    for (int i = 0; i < m_stats.depthHistogram.size(); ++i) {
        // The lower bound alone: a range label does not fit under a narrow bar. The steps stay
        // 5 m in feet too (16.4 ft), so that the bars match what is stored.
        categories << Units::number(Quantity::Depth, i * bin, 0);
        *set << m_stats.depthHistogram.at(i);
    }
    showBars(m_depths->chart(),
        tr("Maximum depth (%1, steps of %2)").arg(Units::symbol(Quantity::Depth), depthText(bin)),
        categories, { set }, tr("Dives"));
}

void StatisticsView::showTemperatures()
{
    QStringList categories;
    auto* set = new QBarSet(tr("Mean lowest temperature"));
    const QLocale locale;
    for (int m = 0; m < 12; ++m) {
        if (m_stats.temperatureDives[size_t(m)] == 0)
            continue;
        categories << locale.standaloneMonthName(m + 1, QLocale::ShortFormat);
        *set << Units::toDisplay(
            Quantity::Temperature, m_stats.meanTemperature[size_t(m)], DisplayUnits::current());
    }
    const QString unit = Units::symbol(Quantity::Temperature);
    showBars(m_temperatures->chart(), tr("Water temperature by month (%1)").arg(unit), categories,
        { set }, unit);
}
