#include "app/graphreplay.h"

#include "planner/plancomparison.h"
#include "planner/plancompute.h"
#include "planner/planification.h"
#include "planner/planstorage.h"
#include "views/graphview.h"
#include "views/replaylayer.h"

#include <QBoxLayout>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QToolButton>

namespace {

// The plan of a file, computed: the file keeps the points, not the ascent.
bool planFromFile(QWidget* parent, QList<DiveSample>& points, QString& name)
{
    const QString path = QFileDialog::getOpenFileName(parent, QObject::tr("Compare with a plan"),
        QString(), QObject::tr("Dive plan (*.diveplan)"));
    if (path.isEmpty())
        return false;
    Planification plan;
    if (loadPlan(plan, path) != PlanFile::Status::Ok || !plan.current()) {
        QMessageBox::warning(parent, QObject::tr("Compare with a plan"),
            QObject::tr("%1 is not a dive plan this program can read.")
                .arg(QFileInfo(path).fileName()));
        return false;
    }
    computePlan(plan, {});
    points = planProfilePoints(plan.current()->profile);
    name = QFileInfo(path).completeBaseName();
    return true;
}

void comparePlan(QWidget* parent, GraphView* graph, const Planification& planner)
{
    const PlanifDive* current = planner.current();
    bool fromPlanner = false;
    if (current && current->result.computed) {
        QMessageBox ask(QMessageBox::Question, QObject::tr("Compare with a plan"),
            QObject::tr("Compare this dive with the planner's current plan or with a plan file?"),
            QMessageBox::Cancel, parent);
        QPushButton* planner
            = ask.addButton(QObject::tr("Planner's plan"), QMessageBox::AcceptRole);
        QPushButton* file = ask.addButton(QObject::tr("Plan file..."), QMessageBox::AcceptRole);
        ask.exec();
        if (ask.clickedButton() != planner && ask.clickedButton() != file)
            return;
        fromPlanner = ask.clickedButton() == planner;
    }
    QList<DiveSample> points;
    QString name;
    if (fromPlanner) {
        points = planProfilePoints(current->profile);
        name = QObject::tr("Planner");
    } else if (!planFromFile(parent, points, name)) {
        return;
    }
    graph->replayLayer()->setComparison(points, name);
}

} // namespace

void connectReplayOptions(QSettings* settings, const QList<GraphView*>& graphs)
{
    const ReplayGraphOptions options
        = settings ? ReplayGraphOptions::load(*settings) : ReplayGraphOptions {};
    for (GraphView* graph : graphs) {
        graph->replayLayer()->setOptions(options);
        QObject::connect(graph->replayLayer(), &ReplayLayer::optionsChanged, graph,
            [settings, graphs](const ReplayGraphOptions& changed) {
                for (GraphView* other : graphs)
                    other->replayLayer()->setOptions(changed);
                if (settings)
                    changed.save(*settings);
            });
    }
}

void addReplayButton(QBoxLayout* row, int index, GraphView* graph)
{
    auto* button = new QToolButton(row->parentWidget());
    button->setObjectName(QStringLiteral("btReplay"));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolTip(QObject::tr("The dive replayed at your gradient factors"));
    auto* menu = new QMenu(button);
    button->setMenu(menu);
    ReplayLayer* layer = graph->replayLayer();
    const auto label = [button, layer]() {
        button->setText(
            QObject::tr("My GF %1/%2").arg(layer->options().gfLow).arg(layer->options().gfHigh));
    };
    label();
    QObject::connect(layer, &ReplayLayer::optionsApplied, button, label);
    // Rebuilt each time: the switches show the options of the moment.
    QObject::connect(menu, &QMenu::aboutToShow, button, [menu, layer]() {
        menu->clear();
        layer->fillMenu(*menu);
    });
    row->insertWidget(index, button);
}

void addComparePlanActions(
    QMenu& menu, QWidget* parent, GraphView* graph, const Planification& planner)
{
    menu.addAction(QObject::tr("Compare with a plan..."), graph,
        [parent, graph, &planner]() { comparePlan(parent, graph, planner); });
    if (graph->replayLayer()->hasComparison())
        menu.addAction(QObject::tr("Stop comparing"), graph,
            [graph]() { graph->replayLayer()->setComparison({}, QString()); });
}
