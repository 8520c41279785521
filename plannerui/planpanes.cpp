#include "plannerui/planpanes.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLayoutItem>
#include <QSplitter>
#include <QWidget>

namespace {

// A layout item as a widget the splitter can hold: a plain widget stays, a nested layout is
// wrapped in a widget of its own.
QWidget* paneOf(QLayoutItem* item, QWidget* parent)
{
    if (QWidget* w = item->widget())
        return w;
    auto* layout = qobject_cast<QBoxLayout*>(item->layout());
    if (!layout)
        return nullptr;
    auto* pane = new QWidget(parent);
    auto* row = new QBoxLayout(layout->direction(), pane);
    row->setContentsMargins(0, 0, 0, 0);
    while (QLayoutItem* inner = layout->takeAt(0)) {
        if (QWidget* w = inner->widget())
            row->addWidget(w, layout->stretch(0));
        delete inner;
    }
    return pane; // the caller deletes the emptied layout with its item
}

} // namespace

QLabel* arrangePlanPanes(QBoxLayout* column, QWidget* graph, int graphMinPx)
{
    const int at = column->indexOf(graph);
    auto* splitter = new QSplitter(Qt::Vertical, column->parentWidget());
    splitter->setObjectName(QStringLiteral("splitPlanPanes"));
    splitter->setChildrenCollapsible(true);
    while (column->count() > at) {
        QLayoutItem* item = column->takeAt(at);
        if (QWidget* pane = paneOf(item, splitter)) {
            splitter->addWidget(pane);
            // The panes below the graph give way first; their own minimums made the graph
            // shrink to a few pixels on a laptop. A minimum height of 0 counts as none set,
            // and the splitter then takes the pane's size hint: 1 pixel is the least it keeps.
            if (pane != graph)
                pane->setMinimumHeight(1);
        }
        delete item;
    }
    graph->setMinimumHeight(graphMinPx);
    splitter->setCollapsible(0, false);
    // The graph first; the panes below share the rest, as the splitter scales these parts.
    QList<int> parts { 3 * graphMinPx / 2 };
    for (int i = 1; i < splitter->count(); ++i) {
        splitter->setStretchFactor(i, 1);
        parts.append(graphMinPx);
    }
    splitter->setStretchFactor(0, 3);
    splitter->setSizes(parts);

    auto* banner = new QLabel(column->parentWidget());
    banner->setObjectName(QStringLiteral("lbNotDiveable"));
    banner->setWordWrap(true);
    banner->setStyleSheet(QStringLiteral(
        "QLabel { background-color: #c00000; color: white; font-weight: bold; padding: 4px; }"));
    banner->hide();
    column->insertWidget(at, banner);
    column->insertWidget(at + 1, splitter, 1);
    return banner;
}
