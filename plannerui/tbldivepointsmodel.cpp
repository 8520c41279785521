#include "plannerui/tbldivepointsmodel.h"

#include "dive/formattime.h"
#include "dive/units.h"
#include "planner/plangas.h"
#include "planner/planification.h"

#include <QColor>
#include <QLocale>
#include <QPainter>

#include <cmath>

TblDivePointsModel::TblDivePointsModel(Planification* plan, QObject* parent)
    : QAbstractTableModel(parent)
    , m_plan(plan)
{ }

int TblDivePointsModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_plan || !m_plan->current())
        return 0;
    return int(m_plan->current()->profile.samples.size());
}

int TblDivePointsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

double TblDivePointsModel::shownDepth(double metres)
{
    return Units::toDisplay(Quantity::Depth, metres, DisplayUnits::current());
}

QString TblDivePointsModel::timeText(double seconds)
{
    return formatTime(int(std::lround(seconds)));
}

const QPixmap& TblDivePointsModel::deletePixmap() const
{
    if (m_deletePixmap.isNull()) {
        m_deletePixmap = QPixmap(m_cellSize);
        m_deletePixmap.fill(Qt::transparent);
        QPainter painter(&m_deletePixmap);
        const QPixmap icon(QStringLiteral(":/TestGraphics/icons/cancel.png"));
        const int x = (m_cellSize.width() - 18) / 3;
        const int y = (m_cellSize.height() - 18) / 2;
        if (!icon.isNull())
            painter.drawPixmap(QRect(x, y, 18, 18), icon);
    }
    return m_deletePixmap;
}

QVariant TblDivePointsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const DiveSample& point = m_plan->current()->profile.samples[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == ColumnDepth)
            return QLocale().toString(shownDepth(point.depth), 'f', 1);
        if (index.column() == ColumnTime)
            return timeText(point.time);
        if (index.column() == ColumnGas)
            return gasName(point.gasIndex);
        return {};
    case GasNamesRole: {
        QStringList names;
        for (int i = 0; i < m_plan->current()->profile.gases.size(); ++i)
            names.append(gasName(i));
        return names;
    }
    case Qt::EditRole:
        if (index.column() == ColumnDepth)
            return shownDepth(point.depth);
        if (index.column() == ColumnTime)
            return qint64(std::llround(point.time));
        if (index.column() == ColumnGas)
            return point.gasIndex;
        return {};
    case Qt::DecorationRole:
        if (index.column() == ColumnDelete)
            return deletePixmap();
        return {};
    case Qt::BackgroundRole:
        if (index.row() % 2 == 0)
            return QColor(235, 235, 235);
        return {};
    default:
        return {};
    }
}

QVariant TblDivePointsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section;
    switch (section) {
    case ColumnDepth:
        return tr("Depth (%1)").arg(Units::symbol(Quantity::Depth));
    case ColumnTime:
        return tr("Time");
    case ColumnGas:
        return tr("Gas");
    default:
        return QString();
    }
}

QString TblDivePointsModel::gasName(int gasIndex) const
{
    const QList<DiveGas>& gases = m_plan->current()->profile.gases;
    if (gasIndex < 0 || gasIndex >= gases.size())
        return QString();
    // The computer's list holds oxygen three times; the planner calls each one "O2".
    return planGasName(gases[gasIndex]);
}

Qt::ItemFlags TblDivePointsModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return QAbstractTableModel::flags(index);
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

void TblDivePointsModel::refresh(int row)
{
    if (row < 0 || row >= rowCount()) {
        beginResetModel();
        endResetModel();
        return;
    }
    emit dataChanged(this->index(row, 0), this->index(row, ColumnGas));
}

void TblDivePointsModel::setCellSize(const QSize& size)
{
    if (size == m_cellSize || !size.isValid())
        return;
    m_cellSize = size;
    m_deletePixmap = QPixmap();
}
