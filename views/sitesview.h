#pragma once

#include <QDialog>

class QTableWidget;
class QUndoStack;

// The Sites view: every site with its dive count and position, edited in place; two selected
// sites merge into the first; all export as GeoJSON. Changes go through the undo stack.
class SitesView : public QDialog
{
    Q_OBJECT
public:
    explicit SitesView(QUndoStack& stack, QWidget* parent = nullptr);
    void refresh();

private:
    void cellEdited(int row, int column);
    void mergeSelected();
    void exportGeoJson();

    QUndoStack& m_stack;
    QTableWidget* m_table;
    bool m_filling = false;
};
