#include "views/measurewindow.h"

#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/profilescales.h"

#include <QFile>
#include <QTableWidget>
#include <QUiLoader>

#include <cmath>
#include <utility>

MeasureValues measureBetween(const DiveProfile& dive, int i, int j)
{
    MeasureValues values;
    if (i > j)
        std::swap(i, j);
    if (i < 0 || j >= dive.samples.size())
        return values;
    const DiveSample& a = dive.samples.at(i);
    const DiveSample& b = dive.samples.at(j);
    values.valid = true;
    // In the diver's unit and decimal mark, as the graph's own depth labels.
    values.depth1 = ProfileScales::shortDepth(a.depth);
    values.time1 = formatTime(int(a.time));
    values.depth2 = ProfileScales::shortDepth(b.depth);
    values.time2 = formatTime(int(b.time));
    values.depthDifference = ProfileScales::shortDepth(std::abs(b.depth - a.depth));
    values.timeDifference = formatTime(int(std::abs(b.time - a.time)));
    // What the diver did on average between the two points: depth change over elapsed time
    // (a mean of per-sample speeds would weigh short steps like long ones).
    const double elapsed = b.time - a.time;
    values.meanSpeedMPerMin = elapsed > 0 ? (b.depth - a.depth) * 60.0 / elapsed : 0.0;
    values.meanSpeed = Units::number(Quantity::VerticalSpeed, values.meanSpeedMPerMin, 1)
        + QLatin1Char(' ') + Units::symbol(Quantity::VerticalSpeed);
    return values;
}

MeasureWindow::MeasureWindow() = default;
MeasureWindow::~MeasureWindow() = default;

bool MeasureWindow::load()
{
    if (m_window)
        return true;
    QFile form(QStringLiteral(":/Form/formMeasureTwoPoints.ui"));
    if (!form.open(QIODevice::ReadOnly))
        return false;
    QUiLoader loader;
    std::unique_ptr<QWidget> window(loader.load(&form, nullptr));
    if (!window)
        return false;
    auto* points = window->findChild<QTableWidget*>(QStringLiteral("tblPoints"));
    auto* values = window->findChild<QTableWidget*>(QStringLiteral("tblValues"));
    if (!points || !values)
        return false;
    window->setWindowTitle(QObject::tr("Measure between two points"));
    window->setWindowFlag(Qt::Tool);
    window->setWindowModality(Qt::ApplicationModal);
    m_window = std::move(window);
    m_points = points;
    m_values = values;
    return true;
}

bool MeasureWindow::show(const DiveProfile& dive, int i, int j)
{
    if (!load())
        return false;
    const MeasureValues values = measureBetween(dive, i, j);
    if (!values.valid)
        return false;
    auto put = [](QTableWidget* table, int row, int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(Qt::AlignCenter);
        table->setItem(row, column, item);
    };
    put(m_points, 0, 0, values.depth1);
    put(m_points, 0, 1, values.time1);
    put(m_points, 1, 0, values.depth2);
    put(m_points, 1, 1, values.time2);
    put(m_values, 0, 0, values.depthDifference);
    put(m_values, 1, 0, values.timeDifference);
    put(m_values, 2, 0, values.meanSpeed);
    m_window->show();
    return true;
}
