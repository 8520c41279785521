#pragma once

#include <QGesture>
#include <QGestureRecognizer>
#include <QPointF>

// Two-finger horizontal pan: the profile view scrolls by minus the horizontal offset.
class TwoFingersPanGesture : public QGesture
{
    Q_OBJECT

public:
    explicit TwoFingersPanGesture(QObject* parent = nullptr);

    double horizontalOffset() const { return m_horizontalOffset; }
    void setHorizontalOffset(double offset) { m_horizontalOffset = offset; }
    QPointF lastOffset() const { return m_lastOffset; }
    void setLastOffset(QPointF offset) { m_lastOffset = offset; }
    QPointF offset() const { return m_offset; }
    void setOffset(QPointF offset) { m_offset = offset; }

    // Recognizer bookkeeping: the fingers' midpoint (global) at the previous event.
    QPointF lastMidpoint;
    bool tracking = false;

private:
    double m_horizontalOffset = 0.0;
    QPointF m_lastOffset;
    QPointF m_offset;
};

// Two-finger pinch: zooms the profile at the centre (global screen coordinates); a pinch whose
// fingers stand one above the other is a vertical pinch and zooms the depth only.
class TwoFingersPinchGesture : public QGesture
{
    Q_OBJECT

public:
    explicit TwoFingersPinchGesture(QObject* parent = nullptr);

    double scaleFactor() const { return m_scaleFactor; }
    void setScaleFactor(double factor) { m_scaleFactor = factor; }
    double lastScaleFactor() const { return m_lastScaleFactor; }
    void setLastScaleFactor(double factor) { m_lastScaleFactor = factor; }
    QPointF centerPoint() const { return m_centerPoint; }
    void setCenterPoint(QPointF point) { m_centerPoint = point; }
    int isVertical() const { return m_vertical; }
    void setVertical(int vertical) { m_vertical = vertical; }

    // Recognizer bookkeeping: finger distance at the start and at the previous update.
    double startDistance = 0.0;
    double lastDistance = 0.0;

private:
    double m_scaleFactor = 1.0;
    double m_lastScaleFactor = 1.0;
    QPointF m_centerPoint;
    int m_vertical = 0;
};

Q_DECLARE_METATYPE(TwoFingersPanGesture*)
Q_DECLARE_METATYPE(TwoFingersPinchGesture*)

// Recognises a two-finger horizontal drag in touch events. The offset of each update is the
// horizontal move of the fingers' midpoint since the previous event, in pixels.
class TwoFingersPanRecognizer : public QGestureRecognizer
{
public:
    QGesture* create(QObject* target) override;
    Result recognize(QGesture* gesture, QObject* watched, QEvent* event) override;
    void reset(QGesture* gesture) override;
};

// Recognises a two-finger pinch in touch events and the platform's native zoom gesture
// (touchpads). The scale factor of each update is relative to the previous update.
class TwoFingersPinchRecognizer : public QGestureRecognizer
{
public:
    QGesture* create(QObject* target) override;
    Result recognize(QGesture* gesture, QObject* watched, QEvent* event) override;
    void reset(QGesture* gesture) override;
};

// Registers both recognizers once per process and returns their gesture types.
struct TwoFingersGestureTypes
{
    Qt::GestureType pan = Qt::CustomGesture;
    Qt::GestureType pinch = Qt::CustomGesture;
};
TwoFingersGestureTypes registerTwoFingersGestures();
