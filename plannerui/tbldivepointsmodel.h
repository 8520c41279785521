#pragma once

#include <QAbstractTableModel>
#include <QPixmap>

class Planification;

// The points of the plan's current dive: column 0 a delete icon, 1 depth, 2 time, 3 gas.
class TblDivePointsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { ColumnDelete = 0, ColumnDepth = 1, ColumnTime = 2, ColumnGas = 3 };
    // The names of the dive's gases, for the gas editor.
    static constexpr int GasNamesRole = Qt::UserRole + 1;

    explicit TblDivePointsModel(Planification* plan, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // row < 0 resets the whole model; otherwise that row changed.
    void refresh(int row);
    // Size of a cell, for the delete icon's pixmap (built once).
    void setCellSize(const QSize& size);

    // "mm:ss" below one hour, "hh:mm:ss" from one hour on.
    static QString timeText(double seconds);
    // A depth in the units the diver reads (the table shows and edits them).
    static double shownDepth(double metres);

private:
    const QPixmap& deletePixmap() const;
    QString gasName(int gasIndex) const;

    Planification* m_plan;
    QSize m_cellSize { 40, 24 };
    mutable QPixmap m_deletePixmap;
};
