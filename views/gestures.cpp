#include "views/gestures.h"

#include <QNativeGestureEvent>
#include <QTouchEvent>
#include <QWidget>

#include <algorithm>
#include <cmath>

TwoFingersPanGesture::TwoFingersPanGesture(QObject* parent)
    : QGesture(parent)
{ }

TwoFingersPinchGesture::TwoFingersPinchGesture(QObject* parent)
    : QGesture(parent)
{ }

namespace {

bool isTouchEvent(const QEvent* event)
{
    return event->type() == QEvent::TouchBegin || event->type() == QEvent::TouchUpdate
        || event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel;
}

// Global positions: they are set for every touch point, whichever widget receives it.
QPointF midpoint(const QEventPoint& a, const QEventPoint& b)
{
    return (a.globalPosition() + b.globalPosition()) / 2.0;
}

} // namespace

QGesture* TwoFingersPanRecognizer::create(QObject* target)
{
    if (auto* widget = qobject_cast<QWidget*>(target))
        widget->setAttribute(Qt::WA_AcceptTouchEvents);
    return new TwoFingersPanGesture;
}

QGestureRecognizer::Result TwoFingersPanRecognizer::recognize(
    QGesture* gesture, QObject*, QEvent* event)
{
    auto* pan = static_cast<TwoFingersPanGesture*>(gesture);
    if (!isTouchEvent(event))
        return Ignore;
    const auto* touch = static_cast<const QTouchEvent*>(event);
    if (event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel)
        return gesture->state() == Qt::NoGesture ? CancelGesture : FinishGesture;
    if (touch->points().size() != 2)
        return gesture->state() == Qt::NoGesture ? MayBeGesture : FinishGesture;

    const QEventPoint& a = touch->points().at(0);
    const QEventPoint& b = touch->points().at(1);
    const QPointF now = midpoint(a, b);
    if (!pan->tracking) {
        pan->tracking = true;
        pan->lastMidpoint = now;
        return MayBeGesture;
    }
    const QPointF step = now - pan->lastMidpoint;
    pan->lastMidpoint = now;
    pan->setHotSpot(now);
    pan->setLastOffset(pan->offset());
    pan->setOffset(pan->offset() + step);
    pan->setHorizontalOffset(step.x());
    // Only a mostly horizontal two-finger move is a pan; a vertical one is left to the pinch.
    if (gesture->state() == Qt::NoGesture && std::abs(step.x()) <= std::abs(step.y()))
        return MayBeGesture;
    return TriggerGesture;
}

void TwoFingersPanRecognizer::reset(QGesture* gesture)
{
    auto* pan = static_cast<TwoFingersPanGesture*>(gesture);
    pan->setHorizontalOffset(0.0);
    pan->setOffset(QPointF());
    pan->setLastOffset(QPointF());
    pan->lastMidpoint = QPointF();
    pan->tracking = false;
    QGestureRecognizer::reset(gesture);
}

QGesture* TwoFingersPinchRecognizer::create(QObject* target)
{
    if (auto* widget = qobject_cast<QWidget*>(target))
        widget->setAttribute(Qt::WA_AcceptTouchEvents);
    return new TwoFingersPinchGesture;
}

QGestureRecognizer::Result TwoFingersPinchRecognizer::recognize(
    QGesture* gesture, QObject*, QEvent* event)
{
    auto* pinch = static_cast<TwoFingersPinchGesture*>(gesture);
    if (event->type() == QEvent::NativeGesture) {
        const auto* native = static_cast<const QNativeGestureEvent*>(event);
        switch (native->gestureType()) {
        case Qt::ZoomNativeGesture: {
            // The platform reports the change of scale since the last event.
            const double factor = std::clamp(1.0 + native->value(), 0.5, 2.0);
            pinch->setLastScaleFactor(pinch->scaleFactor());
            pinch->setScaleFactor(factor);
            pinch->setCenterPoint(native->globalPosition());
            pinch->setHotSpot(native->globalPosition());
            pinch->setVertical(0);
            return TriggerGesture;
        }
        case Qt::EndNativeGesture:
            return gesture->state() == Qt::NoGesture ? Ignore : FinishGesture;
        default:
            return Ignore;
        }
    }
    if (!isTouchEvent(event))
        return Ignore;
    if (event->type() == QEvent::TouchEnd || event->type() == QEvent::TouchCancel)
        return gesture->state() == Qt::NoGesture ? CancelGesture : FinishGesture;
    const auto* touch = static_cast<const QTouchEvent*>(event);
    if (touch->points().size() != 2)
        return gesture->state() == Qt::NoGesture ? MayBeGesture : FinishGesture;

    const QEventPoint& a = touch->points().at(0);
    const QEventPoint& b = touch->points().at(1);
    const QPointF delta = b.globalPosition() - a.globalPosition();
    const double distance = std::hypot(delta.x(), delta.y());
    if (pinch->startDistance <= 0.0) {
        pinch->startDistance = distance;
        pinch->lastDistance = distance;
        return MayBeGesture;
    }
    if (distance < 1.0 || pinch->lastDistance < 1.0)
        return MayBeGesture;
    pinch->setLastScaleFactor(pinch->scaleFactor());
    pinch->setScaleFactor(distance / pinch->lastDistance);
    pinch->setCenterPoint(midpoint(a, b));
    pinch->setHotSpot(a.globalPosition());
    pinch->setVertical(std::abs(delta.y()) > std::abs(delta.x()) ? 1 : 0);
    pinch->lastDistance = distance;
    // Fingers that keep their distance are panning, not pinching.
    if (gesture->state() == Qt::NoGesture && std::abs(distance - pinch->startDistance) < 8.0)
        return MayBeGesture;
    return TriggerGesture;
}

void TwoFingersPinchRecognizer::reset(QGesture* gesture)
{
    auto* pinch = static_cast<TwoFingersPinchGesture*>(gesture);
    pinch->setScaleFactor(1.0);
    pinch->setLastScaleFactor(1.0);
    pinch->setCenterPoint(QPointF());
    pinch->setVertical(0);
    pinch->startDistance = 0.0;
    pinch->lastDistance = 0.0;
    QGestureRecognizer::reset(gesture);
}

TwoFingersGestureTypes registerTwoFingersGestures()
{
    static const TwoFingersGestureTypes types = [] {
        qRegisterMetaType<TwoFingersPanGesture*>();
        qRegisterMetaType<TwoFingersPinchGesture*>();
        TwoFingersGestureTypes t;
        // The gesture manager takes ownership of the recognizers.
        t.pan = QGestureRecognizer::registerRecognizer(new TwoFingersPanRecognizer);
        t.pinch = QGestureRecognizer::registerRecognizer(new TwoFingersPinchRecognizer);
        return t;
    }();
    return types;
}
