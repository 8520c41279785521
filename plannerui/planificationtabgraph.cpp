// The planner tab's graph: points dragged and added on it, its context menus, the measure
// between two points and the read-out under the mouse.

#include "dive/formattime.h"
#include "dive/units.h"
#include "plannerui/planificationtab.h"
#include "ui_planificationtab.h"
#include "views/divepoint.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/measurewindow.h"

#include <QEvent>
#include <QMenu>

#include <cmath>

void PlanificationTab::setUpGraph()
{
    GraphView* graph = m_ui->widgetSimul;
    DiveProfileItem* item = graph->profileItem();
    item->editable = 1;
    item->showAscentSummary = 1;
    graph->installEventFilter(this);
    DiveProfileItem::setStatusIcon(QStringLiteral(":/TestGraphics/icons/effortOn.png"));
    DiveProfileItem::setLogCallback([this](const QString& text) { emit logMessage(text); });
    connect(item, &DiveProfileItem::onAddDivePoint, this, [this]() {
        recompute();
        refreshPoints(-1);
    });
    connect(item, &DiveProfileItem::onUpdateDivePoint, this, [this](int index) {
        recompute();
        refreshPoints(index);
    });
    DivePoint::setMenuCallback(
        [this](DivePoint* point, const QPointF& screenPos) { showPointMenu(point, screenPos); });
    graph->contextMenuHook = [this](QMenu& menu) { return fillGraphMenu(menu, nullptr); };
    connect(graph, &GraphView::mouseMove, this,
        [this](QPointF scenePoint, int timeS) { graphMouseMove(scenePoint, timeS); });
    connect(graph, &GraphView::selectInRect, this,
        [this](QRectF rect) { m_ui->widgetSimul->profileItem()->selectPointsInRect(rect); });
    connect(m_ui->btFitAll, &QPushButton::clicked, this,
        [this]() { m_ui->widgetSimul->profileItem()->fitAll(); });
    connect(m_ui->btShowHidePoints, &QPushButton::clicked, this, [this]() {
        m_pointsVisible = !m_pointsVisible;
        m_ui->widgetSimul->profileItem()->setPointItemsVisible(m_pointsVisible);
    });
    connect(m_ui->btSolve, &QPushButton::clicked, this, &PlanificationTab::recompute);
    connect(m_ui->btTestPlanif, &QPushButton::clicked, this, [this]() {
        // Shows the yoyo events of the dive as the graph marks them, without invalidating it.
        if (PlanifDive* dive = m_plan.current()) {
            dive->profile.detectYoyo(0, false);
            m_ui->widgetSimul->profileItem()->update();
        }
    });
    connect(m_ui->btTestRR, &QPushButton::clicked, this, [this]() {
        if (PlanifDive* dive = m_plan.current()) {
            dive->profile.markRapidAscent();
            m_ui->widgetSimul->profileItem()->update();
        }
    });
}

bool PlanificationTab::eventFilter(QObject* watched, QEvent* event)
{
    // The view lays out its plot on resize; the points follow once it has.
    if (watched == m_ui->widgetSimul && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(
            this, [this]() { updatePointClip(); }, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void PlanificationTab::updatePointClip()
{
    DiveProfileItem* item = m_ui->widgetSimul->profileItem();
    // Points on the plot's edges (the surface, the last second) stay visible.
    item->pointClipRect = item->plotRect().adjusted(-6, -6, 6, 6);
    item->update();
}

void PlanificationTab::showPointMenu(DivePoint* point, const QPointF& screenPos)
{
    QMenu menu;
    if (fillGraphMenu(menu, point))
        menu.exec(screenPos.toPoint());
}

GraphView* PlanificationTab::graph() const
{
    return m_ui->widgetSimul;
}

bool PlanificationTab::fillGraphMenu(QMenu& menu, DivePoint* point)
{
    PlanifDive* dive = m_plan.current();
    if (!dive)
        return false;
    DiveProfileItem* item = m_ui->widgetSimul->profileItem();
    const int selected = item->selectedDivePointCount();
    if (selected >= 2) {
        menu.addAction(tr("Delete selected points"), this, [this, item]() {
            item->removeSelectedDivePoints();
            recompute();
            refreshPoints(-1);
        });
    } else if (point && point->index() > 0) {
        // The menu runs inside the point's own mouse handler: remove it once that returned.
        const int index = point->index();
        menu.addAction(tr("Delete this point"), this, [this, index]() {
            QMetaObject::invokeMethod(
                this,
                [this, index]() {
                    DiveProfileItem* item = m_ui->widgetSimul->profileItem();
                    for (DivePoint* p : item->divePoints()) {
                        if (p->index() == index) {
                            item->removeDivePoint(p);
                            break;
                        }
                    }
                    recompute();
                    refreshPoints(-1);
                },
                Qt::QueuedConnection);
        });
    }
    const int pointIndex = point ? point->index() : -1;
    QAction* dtr = menu.addAction(
        tr("Set start of DTR"), this, [this, pointIndex]() { setStartOfDtr(pointIndex); });
    dtr->setEnabled(selected < 2 && pointIndex >= 0);
    QAction* measure = menu.addAction(
        tr("Measure between 2 points"), this, [this]() { measureSelectedPoints(); });
    measure->setEnabled(selected == 2);
    return true;
}

void PlanificationTab::setStartOfDtr(int index)
{
    PlanifDive* dive = m_plan.current();
    if (!dive || index < 0)
        return;
    if (dive->profile.origin == DiveOriginPlan) {
        error(tr("Error"), tr("Impossible to set start of DTR on planified profile"));
        return;
    }
    dive->profile.setAscentStart(index);
    m_ui->widgetSimul->profileItem()->update();
}

void PlanificationTab::measureSelectedPoints()
{
    PlanifDive* dive = m_plan.current();
    if (!dive)
        return;
    const QPair<int, int> range = m_ui->widgetSimul->profileItem()->selectedPointRange();
    if (range.first < 0 || range.second < 0)
        return;
    if (!m_measure)
        m_measure = std::make_unique<MeasureWindow>();
    m_measure->show(dive->profile, range.first, range.second);
}

void PlanificationTab::graphMouseMove(const QPointF&, int timeS)
{
    PlanifDive* dive = m_plan.current();
    if (!dive || timeS < 0) {
        m_ui->edInfoPlanif->clear();
        return;
    }
    const DiveProfile& profile = dive->profile;
    const bool inAscent = !profile.samples.isEmpty() && timeS > profile.samples.last().time
        && !profile.ascentSamples.isEmpty();
    const PositionInfo info = profile.positionInfo(timeS, inAscent);
    if (!info.found) {
        m_ui->edInfoPlanif->clear();
        return;
    }
    const DisplayUnits units = DisplayUnits::current();
    const QLocale here = locale();
    m_ui->edInfoPlanif->setText(
        tr("Time: %1 - Depth: %2 - Speed: %3 - PpO2: %4 - Ceiling: %5")
            .arg(formatTime(timeS),
                Units::format(
                    Quantity::Depth, info.before.depth + info.depthChange, 1, units, here),
                Units::format(Quantity::VerticalSpeed, info.after.speed, 1, units, here),
                here.toString(info.ppO2, 'f', 2),
                Units::format(Quantity::Depth, info.traceCeiling, 1, units, here)));
}
