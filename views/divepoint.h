#pragma once

#include "dive/diverecords.h"

#include <QGraphicsItem>
#include <QRectF>

#include <functional>

// A draggable handle for one sample of an editable profile. When its position is about to
// change, the position callback decides where it may go (speed limits, time order).
class DivePoint : public QGraphicsItem
{
public:
    enum { Type = UserType + 1 };
    using PositionCallback = std::function<QPointF(const DiveLineInfo&, const QPointF&)>;
    // Called on a right-button release, with the point; the planner shows its point menu.
    using MenuCallback = std::function<void(DivePoint*, const QPointF& screenPos)>;

    DivePoint(const DiveLineInfo& info, PositionCallback callback, bool movable,
        QGraphicsItem* parent = nullptr);

    int type() const override { return Type; }
    QRectF boundingRect() const override;
    QPainterPath shape() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    DiveLineInfo& info() { return m_info; }
    const DiveLineInfo& info() const { return m_info; }
    int index() const { return m_info.index; }
    void setIndex(int index) { m_info.index = index; }
    void setPositionCallback(PositionCallback callback) { m_callback = std::move(callback); }
    const PositionCallback& positionCallback() const { return m_callback; }

    // Only points inside this scene rectangle are painted (the owner sets it to the plot).
    void setClipRect(const QRectF* clipRect) { m_clipRect = clipRect; }
    static void setMenuCallback(MenuCallback callback);

protected:
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    PositionCallback m_callback;
    DiveLineInfo m_info;
    const QRectF* m_clipRect = nullptr;
};
