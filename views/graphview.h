#pragma once

#include <QGraphicsView>
#include <QPair>
#include <QPointF>
#include <QStringList>

#include <functional>

class DiveProfile;
class DiveProfileItem;
class QGestureEvent;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QMenu;
class ReplayLayer;

// The profile graph: owns its scene, the profile item, the cursor and range lines and the
// selection rectangle, and turns mouse, wheel, key, gesture and drop input into zoom, scroll,
// cursor and selection.
class GraphView : public QGraphicsView
{
    Q_OBJECT

public:
    explicit GraphView(QWidget* parent = nullptr);
    ~GraphView() override;

    void showProfile(DiveProfile* dive);
    void setItemsVisible(bool points, bool temperature, bool deco, bool alerts);
    DiveProfile* currentProfile() const;
    DiveProfileItem* profileItem() const { return m_item; }
    // The replay of the dive shown at the diver's factors, drawn over the profile.
    ReplayLayer* replayLayer() const { return m_replay; }
    QPair<int, int> selectedRange() const { return qMakePair(m_rangeFirst, m_rangeLast); }
    bool isSelectionVisible() const;
    QGraphicsLineItem* cursorLine() const { return m_cursorLine; }
    QGraphicsRectItem* selectionRect() const { return m_selectionRect; }
    // The one-line readout drawn in the graph beside the cursor (empty when hidden).
    QString readoutText() const;
    // The HTML readout of the dive at second t (empty when t is outside the samples).
    QString positionInformation(const QPointF& scenePoint, int timeS) const;

    std::function<bool(QMenu&)> contextMenuHook;
    bool rangeSelectionEnabled = false;

    // Wheel zoom factor for a vertical wheel delta (120 per notch), kept within 0.5 to 2 so
    // that a fast touchpad cannot produce a zero or negative factor.
    static double wheelZoomFactor(int delta);
    static constexpr int maxDroppedFiles = 32;

signals:
    void mouseMove(QPointF pScenePoint, int pTime);
    void clickDown(int);
    void clickRelease(int);
    void dragDropFiles(QStringList pFiles);
    void selectInRect(QRectF rect);

protected:
    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    bool gestureEvent(QGestureEvent* event);
    bool hasDive() const;
    // Shows the readout of second t at the cursor line x, or hides it (t < 0).
    void showReadout(double x, int timeS);

    QGraphicsScene* m_scene = nullptr;
    DiveProfileItem* m_item = nullptr;
    ReplayLayer* m_replay = nullptr;
    QGraphicsLineItem* m_cursorLine = nullptr;
    QGraphicsLineItem* m_rangeLine = nullptr;
    QGraphicsRectItem* m_selectionRect = nullptr;
    QGraphicsRectItem* m_readoutBox = nullptr;
    QGraphicsSimpleTextItem* m_readout = nullptr;
    double m_pressX = -1.0;
    double m_pressY = -1.0;
    double m_currentX = 0.0;
    double m_currentY = 0.0;
    int m_rangeFirst = -1;
    int m_rangeLast = -1;
    Qt::GestureType m_panGesture = Qt::CustomGesture;
    Qt::GestureType m_pinchGesture = Qt::CustomGesture;
};
