#include "views/graphview.h"

#include "dive/diveprofile.h"
#include "views/diveprofileitem.h"
#include "views/gestures.h"
#include "views/profilereadout.h"
#include "views/replaylayer.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QGestureEvent>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

GraphView::GraphView(QWidget* parent)
    : QGraphicsView(parent)
    , m_scene(new QGraphicsScene(this))
{
    m_scene->setBackgroundBrush(QColor(242, 242, 230));
    m_scene->setItemIndexMethod(QGraphicsScene::NoIndex);
    setScene(m_scene);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setRenderHint(QPainter::Antialiasing);
    setViewportUpdateMode(QGraphicsView::FullViewportUpdate);
    setMouseTracking(true);
    setAcceptDrops(true);

    m_item = new DiveProfileItem;
    m_scene->addItem(m_item);
    m_replay = new ReplayLayer(m_item);
    m_cursorLine = m_scene->addLine(QLineF(0, 0, 0, 0));
    m_cursorLine->setVisible(true);
    m_rangeLine = m_scene->addLine(QLineF(0, 0, 0, 0));
    m_rangeLine->setVisible(false);
    m_selectionRect = m_scene->addRect(QRectF(), Qt::NoPen, QColor(128, 128, 128, 128));
    m_selectionRect->setVisible(false);
    m_readoutBox = m_scene->addRect(QRectF(), QPen(QColor(90, 90, 90)), QColor(255, 255, 240, 225));
    m_readoutBox->setZValue(10);
    m_readoutBox->setVisible(false);
    m_readout = new QGraphicsSimpleTextItem(m_readoutBox);

    const TwoFingersGestureTypes types = registerTwoFingersGestures();
    m_panGesture = types.pan;
    m_pinchGesture = types.pinch;
    // Touch events reach the recognizers only on widgets that accept them.
    viewport()->setAttribute(Qt::WA_AcceptTouchEvents);
    viewport()->grabGesture(m_panGesture);
    viewport()->grabGesture(m_pinchGesture);
    grabGesture(m_panGesture);
    grabGesture(m_pinchGesture);
}

GraphView::~GraphView() = default;

void GraphView::showProfile(DiveProfile* dive)
{
    m_item->setProfile(dive);
    m_replay->setComparison({}, QString()); // a plan compared with the dive before
    m_selectionRect->setVisible(false);
    // What the cursor showed belonged to the dive before.
    showReadout(0, -1);
}

QString GraphView::readoutText() const
{
    return m_readoutBox->isVisible() ? m_readout->text() : QString();
}

void GraphView::showReadout(double x, int timeS)
{
    const DiveProfile* dive = currentProfile();
    QString text = dive && timeS >= 0 ? positionReadout(*dive, timeS) : QString();
    for (const QString& line : text.isEmpty() ? QStringList() : m_replay->readoutLines(timeS))
        text += QLatin1Char('\n') + line;
    if (text.isEmpty()) {
        m_readoutBox->setVisible(false);
        return;
    }
    m_readout->setText(text);
    const QRectF textRect = m_readout->boundingRect();
    const QRectF plot = m_item->plotRect();
    // Right of the cursor, or left of it near the right edge; along the bottom of the plot,
    // where the water is deepest and the profile seldom is.
    double left = x + 8;
    if (left + textRect.width() + 8 > plot.right())
        left = x - 8 - textRect.width() - 8;
    m_readoutBox->setRect(0, 0, textRect.width() + 8, textRect.height() + 4);
    const double band = m_replay->options().heatMap ? ReplayLayer::bandHeight : 0.0;
    m_readoutBox->setPos(
        std::max(plot.left(), left), plot.bottom() - band - textRect.height() - 10);
    m_readout->setPos(4, 2);
    m_readoutBox->setVisible(true);
}

void GraphView::leaveEvent(QEvent* event)
{
    showReadout(0, -1);
    QGraphicsView::leaveEvent(event);
}

void GraphView::setItemsVisible(bool points, bool temperature, bool deco, bool alerts)
{
    if (m_item)
        m_item->setItemsVisible(points, temperature, deco, alerts);
}

DiveProfile* GraphView::currentProfile() const
{
    return m_item ? m_item->profile() : nullptr;
}

bool GraphView::hasDive() const
{
    return m_item && m_item->profile();
}

bool GraphView::isSelectionVisible() const
{
    return m_selectionRect->isVisible();
}

double GraphView::wheelZoomFactor(int delta)
{
    return std::clamp(1.0 + delta / 600.0, 0.5, 2.0);
}

void GraphView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    const QRectF rect(QPointF(0, 0), QSizeF(viewport()->size()));
    m_scene->setSceneRect(rect);
    m_item->setGeometry(rect);
    const QLineF cursor = m_cursorLine->line();
    m_cursorLine->setLine(cursor.x1(), 0, cursor.x1(), rect.height());
    const QLineF range = m_rangeLine->line();
    m_rangeLine->setLine(range.x1(), 0, range.x1(), rect.height());
}

void GraphView::mouseMoveEvent(QMouseEvent* event)
{
    QGraphicsView::mouseMoveEvent(event);
    if (!hasDive())
        return;
    const QPointF p = mapToScene(event->position().toPoint());
    const int x = int(p.x());
    const QRectF plot = m_item->plotRect();
    const Qt::KeyboardModifiers mods = event->modifiers();
    const Qt::MouseButtons buttons = event->buttons();
    const bool pressActive = m_pressX >= 0 && m_pressY >= 0;
    if (!pressActive) {
        m_cursorLine->setLine(x, plot.top(), x, m_item->plotBottom());
        m_cursorLine->setVisible(m_item->isInPlot(p));
        showReadout(x, m_item->isInPlot(p) ? m_item->timeAtX(x) : -1);
        emit mouseMove(p, m_item->timeAtX(x));
        return;
    }
    const bool shiftLeft = mods == Qt::ShiftModifier && (buttons & Qt::LeftButton);
    if (shiftLeft && rangeSelectionEnabled) {
        const bool inPlot = m_item->isInPlot(p);
        m_rangeLine->setLine(x, plot.top(), x, m_item->plotBottom());
        const double x0 = m_cursorLine->line().x1();
        m_selectionRect->setRect(QRectF(QPointF(std::min<double>(x0, x), plot.top()),
            QPointF(std::max<double>(x0, x), plot.top() + plot.height())));
        m_rangeLine->setVisible(inPlot);
        m_selectionRect->setVisible(inPlot);
        m_rangeLast = m_item->timeAtX(x);
        emit mouseMove(p, m_rangeLast);
    } else if (mods == Qt::ControlModifier && (buttons & Qt::LeftButton)) {
        m_currentX = p.x();
        m_currentY = p.y();
        m_selectionRect->setRect(
            QRectF(QPointF(m_pressX, m_pressY), QPointF(m_currentX, m_currentY)).normalized());
        m_selectionRect->setVisible(m_item->isInPlot(p));
    } else if (!shiftLeft && buttons == Qt::MiddleButton) {
        const double previous = m_pressX;
        m_pressX = x;
        m_item->scrollBy(-(x - previous));
    }
}

void GraphView::mousePressEvent(QMouseEvent* event)
{
    QGraphicsView::mousePressEvent(event);
    if (!hasDive() || event->button() == Qt::RightButton)
        return;
    const QPointF p = mapToScene(event->position().toPoint());
    if (m_item->isInPlot(p)) {
        m_pressX = p.x();
        m_pressY = p.y();
        m_rangeFirst = m_item->timeAtX(p.x());
        emit clickDown(m_rangeFirst);
    }
}

void GraphView::mouseReleaseEvent(QMouseEvent* event)
{
    QGraphicsView::mouseReleaseEvent(event);
    if (!hasDive())
        return;
    if (event->button() == Qt::LeftButton) {
        const QPointF p = mapToScene(event->position().toPoint());
        const bool inPlot = m_item->isInPlot(p);
        if (event->modifiers() == Qt::ShiftModifier) {
            const int end = inPlot ? m_item->timeAtX(p.x()) : -1;
            const int start = m_rangeFirst;
            if (start >= 0) {
                m_rangeFirst = std::min(start, end);
                m_rangeLast = std::max(start, end);
            }
            m_rangeLine->setVisible(false);
            emit clickRelease(end);
        } else if (event->modifiers() == Qt::ControlModifier && inPlot && m_pressX >= 0) {
            emit selectInRect(QRectF(QPointF(m_pressX, m_pressY), p).normalized());
            m_selectionRect->setVisible(false);
        }
    }
    m_pressX = -1.0;
    m_pressY = -1.0;
}

void GraphView::wheelEvent(QWheelEvent* event)
{
    if (!hasDive()) {
        event->ignore();
        return;
    }
    const QPoint delta = event->angleDelta();
    if (delta.x() != 0) {
        m_item->scrollBy(delta.x());
    } else if (delta.y() != 0) {
        const QPointF p = mapToScene(event->position().toPoint());
        const double factor = wheelZoomFactor(delta.y());
        // The same turn of the wheel zooms in on both axes: a narrower time window, or fewer
        // metres of depth shown.
        if (event->modifiers().testFlag(Qt::ControlModifier))
            m_item->zoomAt(true, 1.0 / factor, p.x());
        else
            m_item->zoomAt(false, factor, p.x());
    }
    event->accept();
}

void GraphView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_selectionRect->setVisible(false);
        event->accept();
        return;
    }
    QGraphicsView::keyPressEvent(event);
}

bool GraphView::event(QEvent* event)
{
    if (event->type() == QEvent::Gesture)
        return gestureEvent(static_cast<QGestureEvent*>(event));
    return QGraphicsView::event(event);
}

bool GraphView::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Gesture)
        return gestureEvent(static_cast<QGestureEvent*>(event));
    return QGraphicsView::viewportEvent(event);
}

bool GraphView::gestureEvent(QGestureEvent* event)
{
    if (!hasDive())
        return true;
    if (auto* pan = static_cast<TwoFingersPanGesture*>(event->gesture(m_panGesture))) {
        // The move that starts a gesture counts too, or the first step would be lost.
        const bool moving
            = pan->state() == Qt::GestureStarted || pan->state() == Qt::GestureUpdated;
        if (moving && pan->horizontalOffset() != 0)
            m_item->scrollBy(-pan->horizontalOffset());
        event->accept(pan);
    }
    if (auto* pinch = static_cast<TwoFingersPinchGesture*>(event->gesture(m_pinchGesture))) {
        const bool moving
            = pinch->state() == Qt::GestureStarted || pinch->state() == Qt::GestureUpdated;
        if (moving && pinch->scaleFactor() > 0) {
            const QPointF centre
                = mapToScene(viewport()->mapFromGlobal(pinch->centerPoint().toPoint()));
            const bool depthOnly = pinch->isVertical() != 0;
            // Spreading the fingers vertically shows less depth, so the factor is inverted.
            const double factor = depthOnly ? 1.0 / pinch->scaleFactor() : pinch->scaleFactor();
            m_item->zoomAt(depthOnly, factor, centre.x());
        }
        event->accept(pinch);
    }
    return true;
}

void GraphView::dragEnterEvent(QDragEnterEvent* event)
{
    event->acceptProposedAction();
}

void GraphView::dragMoveEvent(QDragMoveEvent* event)
{
    event->acceptProposedAction();
}

void GraphView::dragLeaveEvent(QDragLeaveEvent* event)
{
    event->accept();
}

void GraphView::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    if (!data || !data->hasUrls())
        return;
    QStringList files;
    const QList<QUrl> urls = data->urls();
    for (const QUrl& url : urls) {
        if (files.size() >= maxDroppedFiles)
            break;
        files.append(url.toLocalFile());
    }
    emit dragDropFiles(files);
    event->acceptProposedAction();
}

void GraphView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu;
    const bool hooked = contextMenuHook && contextMenuHook(menu);
    if (hasDive())
        m_replay->addMenuEntries(menu);
    if (hooked || hasDive())
        menu.exec(event->globalPos());
    else
        QGraphicsView::contextMenuEvent(event);
}

QString GraphView::positionInformation(const QPointF&, int timeS) const
{
    const DiveProfile* dive = currentProfile();
    if (!dive)
        return QString();
    return positionInformationHtml(*dive, timeS, isSelectionVisible(), m_rangeFirst, m_rangeLast);
}
