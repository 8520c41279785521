#include "views/replaycurves.h"

#include "dive/divesample.h"
#include "planner/divereplay.h"
#include "views/diveprofileitem.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

// Okabe and Ito's palette, which stays apart for every kind of colour blindness.
const QColor kCeilingColor(213, 94, 0);
const QColor kModColor(0, 158, 115);
const QColor kPpO2Color(0, 114, 178);
const QColor kPpN2Color(230, 159, 0);
const QColor kPpHeColor(204, 121, 167);

QPen curvePen(const QColor& color, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(color, 1.5, style);
    pen.setCosmetic(true);
    return pen;
}

// The points within the window and one beyond each edge, through `value`.
template <typename Value>
QPolygonF windowLine(const DiveProfileItem& graph, const DiveReplay& replay, Value value)
{
    QPolygonF line;
    const int first = std::max(0, replay.indexAt(graph.xStart()));
    const int last = std::min(int(replay.points.size()) - 1, replay.indexAt(graph.xEnd()) + 1);
    // One point per pixel column at most: a line over thousands of samples costs more than
    // the rest of the graph, and the curves are smooth at that scale.
    const int step = std::max(1, (last - first) / std::max(1, int(graph.plotRect().width())));
    line.reserve(std::max(0, (last - first) / step + 2));
    for (int i = first; i <= last; i += step)
        line.append(value(replay.points[i]));
    if (last >= first && (last - first) % step != 0)
        line.append(value(replay.points[last]));
    return line;
}

} // namespace

namespace ReplayCurves {

double pressureAxisTop(const DiveReplay& replay, const Shown& shown)
{
    float highest = 0.0f;
    for (const ReplayPoint& p : replay.points) {
        highest = std::max({ highest, shown.ppO2 ? p.ppO2 : 0.0f, shown.ppN2 ? p.ppN2 : 0.0f,
            shown.ppHe ? p.ppHe : 0.0f });
    }
    return std::max(2.0, std::ceil(double(highest) + 0.05));
}

void paintDepthCurves(
    QPainter* painter, const DiveProfileItem& graph, const DiveReplay& replay, const Shown& shown)
{
    painter->save();
    painter->setBrush(Qt::NoBrush);
    if (shown.ceiling) {
        // Solid: a dash pattern along a long dive doubled the graph's paint time.
        painter->setPen(curvePen(kCeilingColor));
        painter->drawPolyline(windowLine(graph, replay,
            [&](const ReplayPoint& p) { return graph.mapToScene(p.timeS, p.ceilingM); }));
    }
    if (shown.mod) {
        painter->setPen(curvePen(kModColor, Qt::DashLine));
        painter->drawPolyline(windowLine(graph, replay,
            [&](const ReplayPoint& p) { return graph.mapToScene(p.timeS, p.modM); }));
    }
    painter->restore();
}

void paintPressureCurves(QPainter* painter, const DiveProfileItem& graph, const QRectF& area,
    const DiveReplay& replay, const Shown& shown)
{
    if (!(shown.ppO2 || shown.ppN2 || shown.ppHe) || area.height() < 10)
        return;
    const double top = pressureAxisTop(replay, shown);
    const double perBar = area.height() / top;
    auto yOf = [&](double bar) { return area.bottom() - bar * perBar; };
    painter->save();
    painter->setBrush(Qt::NoBrush);
    const struct
    {
        bool on;
        QColor color;
        float ReplayPoint::*value;
    } curves[] = { { shown.ppN2, kPpN2Color, &ReplayPoint::ppN2 },
        { shown.ppHe, kPpHeColor, &ReplayPoint::ppHe },
        { shown.ppO2, kPpO2Color, &ReplayPoint::ppO2 } };
    for (const auto& c : curves) {
        if (!c.on)
            continue;
        painter->setPen(curvePen(c.color));
        painter->drawPolyline(windowLine(graph, replay, [&](const ReplayPoint& p) {
            return QPointF(graph.mapToScene(p.timeS, 0).x(), yOf(p.*(c.value)));
        }));
    }
    if (shown.ppO2) {
        for (const double limit : { 1.4, 1.6 }) {
            painter->setPen(
                curvePen(limit < 1.5 ? QColor(230, 159, 0) : QColor(200, 0, 0), Qt::DotLine));
            painter->drawLine(QPointF(area.left(), yOf(limit)), QPointF(area.right(), yOf(limit)));
        }
    }
    // The axis inside the right edge, its labels to the left of the ticks.
    painter->setPen(QColor(60, 60, 60));
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    const double step = top > 4 ? 1.0 : 0.5;
    for (double v = 0; v <= top + 1e-9; v += step) {
        const double y = yOf(v);
        painter->drawLine(QPointF(area.right() - 4, y), QPointF(area.right(), y));
        painter->drawText(QRectF(area.right() - 40, y - 7, 34, 14),
            Qt::AlignRight | Qt::AlignVCenter, QLocale().toString(v, 'f', 1));
    }
    painter->drawText(
        QRectF(area.right() - 40, area.top() + 10, 38, 14), Qt::AlignRight, QStringLiteral("bar"));
    painter->restore();
}

void paintPlan(QPainter* painter, const DiveProfileItem& graph, const QList<DiveSample>& plan)
{
    if (plan.size() < 2)
        return;
    QPolygonF line;
    line.reserve(plan.size());
    for (const DiveSample& s : plan)
        line.append(graph.mapToScene(s.time, s.depth));
    painter->save();
    QPen pen(QColor(40, 40, 40), 2, Qt::DashLine);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawPolyline(line);
    painter->restore();
}

} // namespace ReplayCurves
