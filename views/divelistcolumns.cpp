#include "views/divelistcolumns.h"

#include "views/divelistview.h"

#include <QHeaderView>
#include <QMenu>
#include <QSettings>
#include <QTableView>

namespace {

const char hiddenKey[] = "list/hiddenColumns";

// A first start shows what fits beside the profile at 1366x768.
QList<int> defaultHidden()
{
    using namespace DiveListView;
    return { LocationColumn, TagsColumn, ComputerColumn, GasesColumn, TemperatureColumn, TripColumn,
        AirUseColumn };
}

QList<int> hiddenColumns(QSettings* settings)
{
    if (!settings || !settings->contains(QLatin1String(hiddenKey)))
        return defaultHidden();
    QList<int> hidden;
    for (const QVariant& v : settings->value(QLatin1String(hiddenKey)).toList()) {
        bool ok = false;
        const int column = v.toInt(&ok);
        if (ok && column >= 0 && column < DiveListView::ColumnCount)
            hidden << column;
    }
    return hidden;
}

void saveHidden(const QTableView& list, QSettings* settings)
{
    if (!settings)
        return;
    QVariantList hidden;
    for (int column = 0; column < DiveListView::ColumnCount; ++column) {
        if (list.isColumnHidden(column))
            hidden << column;
    }
    settings->setValue(QLatin1String(hiddenKey), hidden);
}

} // namespace

namespace DiveListColumns {

bool setColumnShown(QTableView& list, QSettings* settings, int column, bool shown)
{
    if (column < 0 || column >= DiveListView::ColumnCount)
        return false;
    // One column always stays, or the header (and its menu) would be gone.
    int showing = 0;
    for (int c = 0; c < DiveListView::ColumnCount; ++c)
        showing += list.isColumnHidden(c) ? 0 : 1;
    if (!shown && showing <= 1 && !list.isColumnHidden(column))
        return false;
    list.setColumnHidden(column, !shown);
    saveHidden(list, settings);
    return true;
}

void install(QTableView& list, QSettings* settings, const std::function<void()>& changed)
{
    DiveListView::model(list);
    const QList<int> hidden = hiddenColumns(settings);
    for (int column = 0; column < DiveListView::ColumnCount; ++column)
        list.setColumnHidden(column, hidden.contains(column));
    QHeaderView* header = list.horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(header, &QWidget::customContextMenuRequested, &list,
        [&list, settings, changed, header](const QPoint& pos) {
            QMenu menu(header);
            for (int column = 0; column < DiveListView::ColumnCount; ++column) {
                QAction* action = menu.addAction(DiveListView::columnTitle(column));
                action->setCheckable(true);
                action->setChecked(!list.isColumnHidden(column));
                action->setData(column);
            }
            const QAction* chosen = menu.exec(header->mapToGlobal(pos));
            if (!chosen)
                return;
            if (!setColumnShown(list, settings, chosen->data().toInt(), chosen->isChecked()))
                return;
            changed();
        });
}

} // namespace DiveListColumns
