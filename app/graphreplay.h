#pragma once

#include <QList>

class GraphView;
class Planification;
class QBoxLayout;
class QMenu;
class QSettings;
class QWidget;

// The replay switches of the logbook's and the planner's graphs, read from the program's
// settings at start and written back, and kept alike on both, whenever the user changes them.
void connectReplayOptions(QSettings* settings, const QList<GraphView*>& graphs);

// A button in `row` at `index` that shows the graph's factors and opens its replay switches.
void addReplayButton(QBoxLayout* row, int index, GraphView* graph);

// "Compare with a plan..." (and "Stop comparing") for the logged dive on the graph: the
// planner's current plan or a ".diveplan" file, drawn dashed over the dive.
void addComparePlanActions(
    QMenu& menu, QWidget* parent, GraphView* graph, const Planification& planner);
