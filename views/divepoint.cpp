#include "views/divepoint.h"

#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace {
constexpr double pointSide = 10.0;
DivePoint::MenuCallback pointMenuCallback;
} // namespace

DivePoint::DivePoint(
    const DiveLineInfo& info, PositionCallback callback, bool movable, QGraphicsItem* parent)
    : QGraphicsItem(parent)
    , m_callback(std::move(callback))
    , m_info(info)
{
    if (movable) {
        setFlags(ItemIsMovable | ItemIsSelectable | ItemSendsGeometryChanges);
        setAcceptHoverEvents(true);
    }
    setZValue(10);
}

void DivePoint::setMenuCallback(MenuCallback callback)
{
    pointMenuCallback = std::move(callback);
}

QRectF DivePoint::boundingRect() const
{
    return QRectF(-pointSide / 2, -pointSide / 2, pointSide, pointSide);
}

QPainterPath DivePoint::shape() const
{
    QPainterPath path;
    path.addEllipse(boundingRect());
    return path;
}

void DivePoint::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (!m_clipRect || !m_clipRect->contains(pos()))
        return;
    painter->setPen(QPen(Qt::black, 1, Qt::SolidLine));
    painter->setBrush(isSelected() ? QColor(240, 155, 89) : QColor(Qt::white));
    painter->drawEllipse(boundingRect());
}

QVariant DivePoint::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionChange && scene() && m_callback)
        return m_callback(m_info, value.toPointF());
    return QGraphicsItem::itemChange(change, value);
}

void DivePoint::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    // The right button is kept for the point menu; it must not start a drag.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QGraphicsItem::mousePressEvent(event);
}

void DivePoint::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        if (pointMenuCallback)
            pointMenuCallback(this, event->screenPos());
        event->accept();
        return;
    }
    QGraphicsItem::mouseReleaseEvent(event);
}
