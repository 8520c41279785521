// Editable mode (planner, simulator): one draggable point item per sample, kept on its sample as
// the scales change, and the rules for where a dragged point may go.
#include "dive/diveprofile.h"
#include "dive/formattime.h"
#include "views/divepoint.h"
#include "views/diveprofileitem.h"
#include "views/profilegraphics.h"

#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

#include <algorithm>
#include <cmath>

using ProfileGraphics::roundToHalf;
using ProfileGraphics::shortNumber;

QList<DivePoint*> DiveProfileItem::divePoints() const
{
    QList<DivePoint*> points;
    if (!scene())
        return points;
    const QList<QGraphicsItem*> items = scene()->items();
    for (QGraphicsItem* item : items) {
        if (item->type() == DivePoint::Type)
            points.append(static_cast<DivePoint*>(item));
    }
    return points;
}

DivePoint* DiveProfileItem::makePoint(int index, bool movable)
{
    const DiveSample& s = m_dive->samples.at(index);
    DiveLineInfo info;
    info.index = index;
    info.time = s.time;
    info.depth = s.depth;
    auto* point = new DivePoint(
        info, [this](const DiveLineInfo& i, const QPointF& p) { return acceptPointPosition(i, p); },
        movable);
    point->setClipRect(&pointClipRect);
    point->setPos(mapToScene(s.time, s.depth));
    QString tip = tr("Point <b>%1</b><br>Depth <b>%2</b><br>Time <b>%3</b>")
                      .arg(index)
                      .arg(ProfileScales::shortDepth(s.depth), formatTime(int(s.time)));
    if (s.decoCeiling > 0)
        tip += tr("<br>Ceil <b>%4</b>").arg(ProfileScales::shortDepth(s.decoCeiling));
    point->setToolTip(tip);
    point->setVisible(m_pointsItemsVisible);
    scene()->addItem(point);
    return point;
}

void DiveProfileItem::createDivePoints()
{
    if (!editable || !scene())
        return;
    qDeleteAll(divePoints());
    if (!m_dive)
        return;
    for (int i = 0; i < m_dive->samples.size(); ++i)
        makePoint(i, i != 0);
}

void DiveProfileItem::repositionPoints()
{
    if (!m_dive)
        return;
    for (DivePoint* point : divePoints()) {
        const int i = point->index();
        if (i < 0 || i >= m_dive->samples.size())
            continue;
        const DiveSample& s = m_dive->samples.at(i);
        // Moving the point ourselves must not go through the drag rules.
        const bool notifies = point->flags() & ItemSendsGeometryChanges;
        point->setFlag(ItemSendsGeometryChanges, false);
        point->setPos(mapToScene(s.time, s.depth));
        point->setFlag(ItemSendsGeometryChanges, notifies);
    }
    repositionOverlayIcons();
}

void DiveProfileItem::repositionOverlayIcons()
{
    for (OverlayIcon& icon : m_overlayIcons) {
        const QPointF p = mapToScene(icon.time, icon.depth);
        icon.x = p.x();
        icon.y = p.y();
    }
}

int DiveProfileItem::addDivePoint(double timeS, double depthM)
{
    if (ProfileGraphics::log())
        ProfileGraphics::log()(
            QStringLiteral("Time: %1 - Depth: %2").arg(shortNumber(timeS), shortNumber(depthM)));
    if (!m_dive)
        return -1;
    // The first sample is the fixed start of the dive: nothing may go before or onto it.
    if (!m_dive->samples.isEmpty() && timeS <= m_dive->samples.constFirst().time)
        return -1;
    DiveSample sample;
    sample.time = timeS;
    sample.depth = depthM;
    const int index = m_dive->insertSample(sample);
    if (index < 0)
        return -1;
    for (DivePoint* point : divePoints()) {
        if (point->index() >= index)
            point->setIndex(point->index() + 1);
    }
    if (editable && scene())
        makePoint(index, true);
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
    emit onAddDivePoint();
    return index;
}

void DiveProfileItem::addDivePointAfter(int i)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return;
    const DiveSample& s = m_dive->samples.at(i);
    if (i + 1 < m_dive->samples.size()) {
        const DiveSample& next = m_dive->samples.at(i + 1);
        addDivePoint((s.time + next.time) / 2.0, (s.depth + next.depth) / 2.0);
    } else {
        addDivePoint(s.time + 60.0, s.depth);
    }
    update();
}

void DiveProfileItem::removeDivePoint(DivePoint* point)
{
    if (!m_dive || !point)
        return;
    const int index = point->index();
    if (index <= 0 || index >= m_dive->samples.size())
        return;
    m_dive->removeSample(index);
    m_dive->computeSpeeds(false);
    for (DivePoint* other : divePoints()) {
        if (other->index() > index)
            other->setIndex(other->index() - 1);
    }
    delete point;
    repositionPoints();
    update();
}

void DiveProfileItem::removeSelectedDivePoints()
{
    if (!m_dive || !scene())
        return;
    QList<int> indexes;
    for (DivePoint* point : divePoints()) {
        if (point->isSelected() && point->index() > 0)
            indexes.append(point->index());
    }
    if (indexes.isEmpty())
        return;
    m_dive->removeSamples(indexes);
    m_dive->computeStatistics();
    m_dive->computeSpeeds(false);
    fitAll();
    refreshHeader();
    createDivePoints();
    update();
}

int DiveProfileItem::selectedDivePointCount() const
{
    int count = 0;
    for (DivePoint* point : divePoints())
        count += point->isSelected() ? 1 : 0;
    return count;
}

QPair<int, int> DiveProfileItem::selectedPointRange() const
{
    QList<int> selected;
    for (DivePoint* point : divePoints()) {
        if (point->isSelected())
            selected.append(point->index());
    }
    std::sort(selected.begin(), selected.end());
    return qMakePair(
        selected.size() > 0 ? selected.at(0) : -1, selected.size() > 1 ? selected.at(1) : -1);
}

void DiveProfileItem::setDivePointDepth(int i, double depthM)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return;
    m_dive->samples[i].depth = depthM;
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
}

bool DiveProfileItem::setDivePointTime(int i, double& timeS)
{
    if (!m_dive || i < 0 || i >= m_dive->samples.size())
        return false;
    // The last sample has no later neighbour: only the previous one bounds it.
    const double low = i > 0 ? m_dive->samples.at(i - 1).time : timeS;
    const double high
        = i + 1 < m_dive->samples.size() ? m_dive->samples.at(i + 1).time : std::max(timeS, low);
    const double clamped = std::clamp(timeS, std::min(low, high), std::max(low, high));
    const bool changed = clamped != timeS;
    timeS = clamped;
    m_dive->samples[i].time = timeS;
    m_dive->computeSpeeds(false);
    repositionPoints();
    update();
    return changed;
}

void DiveProfileItem::selectPointsInRect(const QRectF& rect)
{
    for (DivePoint* point : divePoints()) {
        if (rect.contains(point->pos()))
            point->setSelected(true);
    }
}

void DiveProfileItem::setPointItemsVisible(bool visible)
{
    m_pointsItemsVisible = visible;
    for (DivePoint* point : divePoints())
        point->setVisible(visible);
}

void DiveProfileItem::reloadPoints()
{
    fitAll();
    createDivePoints();
    update();
}

QPointF DiveProfileItem::acceptPointPosition(const DiveLineInfo& info, const QPointF& proposed)
{
    if (!m_dive)
        return proposed;
    const int i = info.index;
    const int count = int(m_dive->samples.size());
    if (i <= 0 || i >= count) {
        // The first sample never moves; an unknown index stays where it is.
        if (i >= 0 && i < count)
            return mapToScene(m_dive->samples.at(i).time, m_dive->samples.at(i).depth);
        return proposed;
    }
    const double y = std::min(proposed.y(), m_plotBottom);
    double t = std::trunc((proposed.x() - m_plotLeft) / m_xScale + m_xStart);
    double d = std::max(0.0, roundToHalf((y - m_plotTop) / m_yScale));

    const DiveSample& prev = m_dive->samples.at(i - 1);
    const double tp = prev.time;
    t = std::max(t, tp);
    // Earliest time from the previous sample that keeps within the speed limits.
    const double fromPrev = d < prev.depth ? (prev.depth - d) / maxAscentSpeed * 60.0
                                           : (d - prev.depth) / maxDescentSpeed * 60.0;
    t = std::max(t, tp + fromPrev);
    if (i + 1 < count) {
        const DiveSample& next = m_dive->samples.at(i + 1);
        const double tn = next.time;
        // Latest time before the next sample that keeps within the speed limits.
        const double toNext = next.depth > d ? (next.depth - d) / maxDescentSpeed * 60.0
                                             : (d - next.depth) / maxAscentSpeed * 60.0;
        t = std::min(t, tn - toNext);
        // When both limits cannot hold, time order still must.
        t = std::clamp(t, tp, std::max(tp, tn));
    }

    DiveSample& sample = m_dive->samples[i];
    sample.time = t;
    sample.depth = d;
    m_dive->computeStatistics();
    m_dive->computeSpeeds(false);
    update();
    emit onUpdateDivePoint(i);
    return mapToScene(t, d);
}

void DiveProfileItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    if (!editable || !m_dive) {
        QGraphicsObject::mouseDoubleClickEvent(event);
        return;
    }
    if (event->button() == Qt::LeftButton) {
        const QPointF p = event->scenePos();
        addDivePoint(timeAtX(p.x()), roundToHalf((p.y() - m_plotTop) / m_yScale));
    } else if (event->button() == Qt::MiddleButton) {
        fitAll();
    }
    event->accept();
}
