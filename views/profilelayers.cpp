// The layers of the dive drawn under the marks: water, speed-coloured line, ceilings, the
// computed ascent, temperature and the second curve with its axis.
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "dive/units.h"
#include "views/diveprofileitem.h"
#include "views/profilegraphics.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

using ProfileGraphics::decimated;

QPair<int, int> DiveProfileItem::visibleSamples() const
{
    // Samples are in time order; one sample beyond each edge keeps the edge segments.
    const QList<DiveSample>& samples = m_dive->samples;
    const int n = int(samples.size());
    if (n == 0)
        return qMakePair(0, -1);
    auto byTime = [](const DiveSample& s, double t) { return s.time < t; };
    const int first = int(
        std::lower_bound(samples.cbegin(), samples.cend(), m_xStart, byTime) - samples.cbegin());
    const int past = int(
        std::lower_bound(samples.cbegin(), samples.cend(), m_xEnd, byTime) - samples.cbegin());
    return qMakePair(std::max(0, first - 1), std::min(n - 1, past));
}

void DiveProfileItem::paintProfile(QPainter* painter)
{
    const DiveProfile& dive = *m_dive;
    // Only the samples inside the time window are turned into points: a zoomed long dive
    // would otherwise stroke thousands of segments outside the clip.
    const auto [lo, hi] = visibleSamples();
    QPolygonF shown;
    shown.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i)
        shown.append(mapToScene(dive.samples.at(i).time, dive.samples.at(i).depth));
    const QPolygonF ascent = sceneLine(dive.ascentSamples);

    paintWater(painter, shown, ascent, lo, hi);
    if (m_showDeco)
        paintDecoCeiling(painter);
    if (m_showTemperature)
        paintTemperature(painter);
    if (m_curve.points.size() > 1 && m_curve.top > 0)
        paintSecondaryCurve(painter);
    if (!editable && m_showPoints) {
        painter->setPen(QPen(Qt::blue, 4));
        painter->drawPoints(shown);
    }
    painter->setBrush(Qt::NoBrush);
    paintSpeedColours(painter, shown, lo, hi);
    paintAlertMarks(painter, lo, hi);
    paintYoyoMarkers(painter);
    paintAscent(painter, ascent);
    painter->drawPolyline(sceneLine(dive.extraSamples));
    paintCeilingTrace(painter);
}

QPolygonF DiveProfileItem::sceneLine(const QList<DiveSample>& list) const
{
    QPolygonF line;
    line.reserve(list.size());
    for (const DiveSample& s : list)
        line.append(mapToScene(s.time, s.depth));
    return line;
}

void DiveProfileItem::paintWater(
    QPainter* painter, const QPolygonF& shown, const QPolygonF& ascent, int lo, int hi)
{
    const DiveProfile& dive = *m_dive;
    const int n = int(dive.samples.size());
    QPolygonF water = decimated(shown);
    const bool whole = lo == 0 && hi == n - 1;
    if (hi == n - 1)
        water += ascent;
    if (!whole && !water.isEmpty()) {
        // A window on part of the dive: close the water along the surface.
        water.prepend(QPointF(water.constFirst().x(), m_plotTop));
        water.append(QPointF(water.constLast().x(), m_plotTop));
    }
    QLinearGradient gradient(QPointF(0, 0), QPointF(m_plotWidth, m_plotHeight));
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(
        1, dive.invalidDiveCode != 0 ? QColor(255, 10, 10, 128) : QColor(150, 150, 218, 128));
    painter->setPen(Qt::NoPen);
    painter->setBrush(gradient);
    painter->drawPolygon(water, Qt::OddEvenFill);
}

void DiveProfileItem::paintSpeedColours(QPainter* painter, const QPolygonF& shown, int lo, int hi)
{
    // Consecutive segments of one colour go out as one polyline: a long dive has few colour
    // changes, so this keeps a repaint cheap.
    int runStart = 0; // index in shown
    QColor runColour;
    auto flushRun = [&](int end) {
        if (end > runStart) {
            painter->setPen(QPen(runColour, 2));
            painter->drawPolyline(decimated(shown.constData() + runStart, end - runStart + 1));
        }
    };
    for (int i = lo + 1; i <= hi; ++i) {
        const QColor colour = speedColor(m_dive->samples.at(i).speed);
        if (i == lo + 1) {
            runColour = colour;
            runStart = 0;
        } else if (colour != runColour) {
            flushRun(i - 1 - lo);
            runStart = i - 1 - lo;
            runColour = colour;
        }
    }
    if (hi > lo)
        flushRun(hi - lo);
}

void DiveProfileItem::paintAscent(QPainter* painter, const QPolygonF& ascent)
{
    // The computed ascent: gas changes and the length of each stop.
    const DiveProfile& dive = *m_dive;
    painter->setPen(QPen(Qt::cyan, 2));
    painter->drawPolyline(ascent);
    int gas = dive.samples.isEmpty() ? -1 : dive.samples.constLast().gasIndex;
    painter->setFont(QFont(QStringLiteral("Arial"), 10));
    for (int i = 0; i < dive.ascentSamples.size(); ++i) {
        const DiveSample& s = dive.ascentSamples.at(i);
        if (s.gasIndex >= 0 && s.gasIndex != gas) {
            gas = s.gasIndex;
            painter->drawImage(
                ascent.at(i) + QPointF(-24, -12), sharedImage(QStringLiteral("oxygen-tank")));
        }
        const int stop = i >= 1 ? int(std::lround(s.time - dive.ascentSamples.at(i - 1).time)) : 0;
        // A level passed without a whole second owed is no stop to label.
        if (i >= 1 && std::abs(s.speed) < 0.01 && stop > 0) {
            painter->setPen(Qt::blue);
            const QString text
                = ProfileScales::shortDepth(s.depth) + QLatin1Char(' ') + formatTime(stop);
            // Left of the stop's end when the plot's right edge would cut it.
            const double width = painter->fontMetrics().horizontalAdvance(text);
            const double x = ascent.at(i).x() + 8 + width > m_plotLeft + m_plotWidth
                ? ascent.at(i).x() - 8 - width
                : ascent.at(i).x() + 8;
            painter->drawText(QPointF(x, ascent.at(i).y()), text);
        }
    }
}

void DiveProfileItem::paintCeilingTrace(QPainter* painter)
{
    // The ceiling of a computed plan, with a warning when its deco could not be finished.
    const DiveProfile& dive = *m_dive;
    if (dive.ceilingTrace.isEmpty())
        return;
    QPolygonF ceiling;
    ceiling.reserve(dive.ceilingTrace.size());
    for (const ProfileMarker& m : dive.ceilingTrace)
        ceiling.append(mapToScene(m.time, m.depth));
    painter->setPen(Qt::NoPen);
    painter->setBrush(QColor(240, 155, 90, 128));
    painter->drawPolygon(ceiling);
    painter->setBrush(Qt::NoBrush);
    if (dive.decoNotTerminated) {
        const QFont labelFont(QStringLiteral("Arial"), 10);
        painter->setFont(labelFont);
        const QFontMetricsF metrics(labelFont);
        const QRectF zero = metrics.boundingRect(QStringLiteral("0"));
        const QString text = tr("Deco not terminated");
        painter->setPen(Qt::red);
        painter->drawText(QPointF(ceiling.constLast().x() - text.size() * zero.width(),
                              ceiling.constLast().y() + zero.height()),
            text);
    }
}

void DiveProfileItem::paintDecoCeiling(QPainter* painter)
{
    // The ceiling the computer recorded with each sample, as a band from the surface.
    const DiveProfile& dive = *m_dive;
    bool any = false;
    for (const DiveSample& s : dive.samples) {
        if (s.decoCeiling > 0) {
            any = true;
            break;
        }
    }
    if (!any)
        return;
    const auto [lo, hi] = visibleSamples();
    QPolygonF band;
    band.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i) {
        const DiveSample& s = dive.samples.at(i);
        band.append(mapToScene(s.time, std::max(0.0, s.decoCeiling)));
    }
    band = decimated(band);
    band.prepend(QPointF(band.constFirst().x(), m_plotTop));
    band.append(QPointF(band.constLast().x(), m_plotTop));
    // Hairline pens for the secondary curves: they stay crisp and skip the wide-line stroker.
    QPen outline(QColor(220, 110, 40), 1);
    outline.setCosmetic(true);
    painter->setPen(outline);
    painter->setBrush(QColor(240, 155, 90, 110));
    painter->drawPolygon(band);
    painter->setBrush(Qt::NoBrush);
}

void DiveProfileItem::paintTemperature(QPainter* painter)
{
    const DiveProfile& dive = *m_dive;
    if (dive.samples.size() < 2 || dive.minTemperature > dive.maxTemperature)
        return;
    if (dive.minTemperature == 0 && dive.maxTemperature == 0)
        return;
    // Secondary axis on the right in the diver's unit, over the lower half of the plot so the
    // curve stays clear of the header and the surface.
    const ProfileScales::TemperatureAxis axis
        = ProfileScales::temperatureAxis(dive.minTemperature, dive.maxTemperature);
    const DisplayUnits units = DisplayUnits::current();
    const double top = m_plotTop + m_plotHeight * 0.5;
    const double bottom = m_plotBottom - 4;
    const double perDegree = (bottom - top) / (axis.high - axis.low);
    const QColor colour(200, 40, 150);
    const auto [lo, hi] = visibleSamples();
    QPolygonF curve;
    curve.reserve(hi - lo + 1);
    for (int i = lo; i <= hi; ++i) {
        const DiveSample& s = dive.samples.at(i);
        const double shown = Units::toDisplay(Quantity::Temperature, s.temperature, units);
        curve.append(QPointF(mapToScene(s.time, 0).x(), bottom - (shown - axis.low) * perDegree));
    }
    QPen pen(colour, 1);
    pen.setCosmetic(true);
    painter->setPen(pen);
    painter->drawPolyline(decimated(curve));

    painter->save();
    painter->setClipping(false);
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    const double axisX = m_plotLeft + m_plotWidth + 2;
    for (double deg = axis.low; deg <= axis.high + 1e-9; deg += axis.step) {
        const double y = bottom - (deg - axis.low) * perDegree;
        painter->drawLine(QPointF(axisX, y), QPointF(axisX + 4, y));
        painter->drawText(QPointF(axisX + 6, y + 4), QStringLiteral("%1°").arg(deg));
    }
    painter->restore();
}

void DiveProfileItem::setSecondaryCurve(const SecondaryCurve& curve)
{
    m_curve = curve;
    update();
}

void DiveProfileItem::paintSecondaryCurve(QPainter* painter)
{
    const double top = m_plotTop + 4;
    const double bottom = m_plotBottom - 4;
    const double perUnit = (bottom - top) / m_curve.top;
    const QColor normal(20, 140, 60);
    const QColor low(230, 130, 0);
    painter->save();
    auto scene = [&](double timeS, double value) {
        return QPointF(mapToScene(timeS, 0).x(), bottom - std::max(0.0, value) * perUnit);
    };
    for (int i = 1; i < m_curve.points.size(); ++i) {
        const QPointF& a = m_curve.points[i - 1];
        const QPointF& b = m_curve.points[i];
        const double limit = m_curve.limits.value(i, 0.0);
        // A falling stretch is cut where it crosses the reserve and where it runs out, so each
        // piece takes the colour of what is left in it.
        QList<double> cuts { a.y() };
        for (const double level : { limit, 0.0 })
            if (a.y() > level && b.y() < level)
                cuts.append(level);
        cuts.append(b.y());
        for (int k = 1; k < cuts.size(); ++k) {
            const double v0 = cuts[k - 1];
            const double v1 = cuts[k];
            auto timeAt = [&](double v) {
                return a.y() == b.y() ? a.x()
                                      : a.x() + (b.x() - a.x()) * (a.y() - v) / (a.y() - b.y());
            };
            const double mid = (v0 + v1) / 2.0;
            QPen pen(mid <= 0 ? QColor(Qt::red) : (mid < limit ? low : normal), 2);
            pen.setCosmetic(true);
            painter->setPen(pen);
            const double t0 = k == 1 ? a.x() : timeAt(v0);
            const double t1 = k == cuts.size() - 1 ? b.x() : timeAt(v1);
            painter->drawLine(scene(t0, v0), scene(t1, v1));
        }
    }
    painter->setClipping(false);
    painter->setPen(normal);
    painter->setFont(QFont(QStringLiteral("Arial"), 8));
    // The axis reads in the diver's pressure unit, its labels at least 30 px apart.
    const double axisX = m_plotLeft + m_plotWidth + 2;
    for (const ProfileScales::AxisTick& tick : ProfileScales::pressureTicks(m_curve.top, perUnit)) {
        const double y = bottom - tick.si * perUnit;
        painter->drawLine(QPointF(axisX, y), QPointF(axisX + 4, y));
        painter->drawText(QPointF(axisX + 6, y + 4), tick.label);
    }
    painter->drawText(QPointF(axisX, top - 6), Units::symbol(Quantity::Pressure));
    painter->restore();
}

void DiveProfileItem::paintHandLogged(QPainter* painter)
{
    // The simple profile of a dive logged by hand: the water under a dashed line, no speed
    // colours, marks or sample points, since nothing here was measured; the caption says so.
    const QPolygonF line = sceneLine(m_handLine);
    if (line.size() > 1) {
        QLinearGradient gradient(QPointF(0, 0), QPointF(m_plotWidth, m_plotHeight));
        gradient.setColorAt(0, Qt::white);
        gradient.setColorAt(1, QColor(180, 180, 200, 110));
        painter->setPen(Qt::NoPen);
        painter->setBrush(gradient);
        painter->drawPolygon(line);
        painter->setBrush(Qt::NoBrush);
        painter->setPen(QPen(QColor(60, 60, 140), 2, Qt::DashLine));
        painter->drawPolyline(line);
    }
    if (m_curve.points.size() > 1 && m_curve.top > 0)
        paintSecondaryCurve(painter);
    painter->setPen(QColor(60, 60, 140));
    painter->setFont(QFont(QStringLiteral("Arial"), 10, -1, true));
    // Near the surface in the middle of the dive, where the water is clear of the line and of
    // the tissue band along the bottom.
    painter->drawText(QRectF(m_plotLeft + 8, m_plotTop + 4, m_plotWidth - 16, 20),
        Qt::AlignHCenter | Qt::AlignVCenter, handLoggedCaption(m_source));
}
