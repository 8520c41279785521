#pragma once

#include "dive/diveprofile.h"
#include "dive/divesample.h"
#include "planner/divereplay.h"
#include "planner/plancomparison.h"
#include "views/replayoptions.h"

#include <QGraphicsObject>
#include <QList>
#include <QString>
#include <QStringList>

class DiveProfileItem;
class QMenu;

// Draws over the profile what the engine makes of the dive at the diver's gradient factors:
// the ceiling, the tissue heat map band along the bottom of the plot, the partial pressures
// and the MOD, and a plan to compare with. A child of the profile item, so it shares its
// scales; the replay is recomputed whenever the samples or the factors change.
class ReplayLayer : public QGraphicsObject
{
    Q_OBJECT

public:
    static constexpr double bandHeight = 32.0; // 2 px per compartment, in the depth reserve

    explicit ReplayLayer(DiveProfileItem* graph);

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    void setOptions(const ReplayGraphOptions& options);
    const ReplayGraphOptions& options() const { return m_options; }
    // New factors from the user (Preferences): as if changed on the graph.
    void setFactors(int gfLow, int gfHigh);
    // The replay of the dive shown, brought up to date first.
    const DiveReplay& replay();

    // Lines for the read-out at second t of the dive; empty outside the samples.
    QStringList readoutLines(int timeS);
    // Adds the graph's replay switches and "Gradient factors..." to a context menu.
    void addMenuEntries(QMenu& menu);
    // The same entries straight into a menu of their own (the button beside the graph).
    void fillMenu(QMenu& menu);

    // Draws the plan dashed over the dive with the differences; an empty list removes it.
    void setComparison(const QList<DiveSample>& plan, const QString& planName);
    bool hasComparison() const { return !m_plan.isEmpty(); }
    const PlanComparison& comparison() const { return m_comparison; }

signals:
    // The user changed a switch or the factors on the graph: the caller keeps them.
    void optionsChanged(const ReplayGraphOptions& options);
    // Any new options, from the user or the program.
    void optionsApplied();

private:
    bool isPlan() const;
    void refresh();
    void changeOptions(const ReplayGraphOptions& options);
    void askFactors();
    void paintComparisonTable(QPainter* painter, const QRectF& plot);

    DiveProfileItem* m_graph;
    ReplayGraphOptions m_options;
    DiveReplay m_replay;
    DiveProfile* m_source = nullptr; // the dive the replay was computed for
    DiveProfile m_replayed; // what was replayed: a plan's points and ascent, densified
    quint64 m_signature = 0;
    QList<DiveSample> m_plan;
    QString m_planName;
    PlanComparison m_comparison;
};
