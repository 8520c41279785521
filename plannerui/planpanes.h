#pragma once

// The right side of the planner tab on a small screen: the graph above a splitter whose lower
// panes (gas plan, tissues, result) can be shrunk or collapsed, and one red banner above the
// graph for a plan that must not be dived.

class QBoxLayout;
class QLabel;
class QSplitter;
class QWidget;

// Moves `graph` and the widgets below it in `column` into a vertical splitter, the graph first
// and at least `graphMinPx` high. Returns the banner, hidden, placed above the splitter.
QLabel* arrangePlanPanes(QBoxLayout* column, QWidget* graph, int graphMinPx);
