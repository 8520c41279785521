#include "views/cylinderseditor.h"

#include "dive/units.h"

#include <QHeaderView>
#include <QLocale>
#include <QTableWidget>

#include <cmath>

namespace {

enum Column { Name, O2, He, Size, Start, End, Count };

QTableWidgetItem* cell(const QString& text, bool editable)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(
        editable ? item->flags() | Qt::ItemIsEditable : item->flags() & ~Qt::ItemIsEditable);
    return item;
}

// Sizes stay water litres; pressures read in the diver's unit. Shown and typed with the locale's
// decimal mark, so that a value shown can be typed back as it reads.
Quantity quantityOf(int column)
{
    return column == Size ? Quantity::Volume : Quantity::Pressure;
}

QString amount(int column, double si)
{
    if (!(si > 0))
        return QString();
    const double shown
        = column == Size ? si : Units::toDisplay(Quantity::Pressure, si, DisplayUnits::current());
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator); // a cell to edit reads "2901"
    return locale.toString(shown, 'g', 4);
}

double fromShown(int column, double shown)
{
    return column == Size ? shown
                          : Units::fromDisplay(quantityOf(column), shown, DisplayUnits::current());
}

} // namespace

CylindersEditor::CylindersEditor(QTableWidget* table, QObject* parent)
    : QObject(parent)
    , m_table(table)
{
    m_table->setColumnCount(Count);
    showHeader();
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    connect(m_table, &QTableWidget::cellChanged, this, &CylindersEditor::cellChanged);
}

int CylindersEditor::tankOfRow(int row) const
{
    for (qsizetype i = 0; i < m_tanks.size(); ++i) {
        if (m_tanks.at(i).gasIndex == row)
            return int(i);
    }
    if (m_gasCount == 1 && row == 0) {
        for (qsizetype i = 0; i < m_tanks.size(); ++i) {
            if (m_tanks.at(i).gasIndex < 0)
                return int(i);
        }
    }
    return -1;
}

void CylindersEditor::showHeader()
{
    const QString pressure = Units::symbol(Quantity::Pressure);
    m_table->setHorizontalHeaderLabels({ tr("Name"), tr("O2"), tr("He"), tr("Cylinder (L)"),
        tr("Start (%1)").arg(pressure), tr("End (%1)").arg(pressure) });
}

void CylindersEditor::setDive(const DiveProfile& dive, bool editable)
{
    m_filling = true;
    showHeader();
    m_tanks = dive.tanks;
    m_gasCount = int(dive.gases.size());
    m_table->clearContents();
    m_table->setRowCount(m_gasCount);
    for (int row = 0; row < m_gasCount; ++row) {
        const DiveGas& gas = dive.gases.at(row);
        const int tank = tankOfRow(row);
        const DiveProfile::TankPressure t
            = tank >= 0 ? m_tanks.at(tank) : DiveProfile::TankPressure();
        m_table->setItem(row, Name, cell(gas.name, false));
        m_table->setItem(row, O2, cell(QString::number(gas.o2), false));
        m_table->setItem(row, He, cell(QString::number(gas.he), false));
        m_table->setItem(row, Size, cell(amount(Size, t.sizeL), editable));
        m_table->setItem(row, Start, cell(amount(Start, t.startBar), editable));
        m_table->setItem(row, End, cell(amount(End, t.endBar), editable));
    }
    m_filling = false;
}

void CylindersEditor::cellChanged(int row, int column)
{
    if (m_filling || column < Size)
        return;
    const QString text = m_table->item(row, column)->text().trimmed();
    bool ok = text.isEmpty();
    const double value = ok ? 0.0 : fromShown(column, QLocale().toDouble(text, &ok));
    QList<DiveProfile::TankPressure> after = m_tanks;
    int tank = tankOfRow(row);
    if (!ok || !std::isfinite(value) || value < 0 || value > (column == Size ? 100 : 400)) {
        // Not a size or pressure: the cell shows the stored value again.
        m_filling = true;
        const DiveProfile::TankPressure t
            = tank >= 0 ? m_tanks.at(tank) : DiveProfile::TankPressure();
        m_table->item(row, column)
            ->setText(amount(column,
                column == Size        ? t.sizeL
                    : column == Start ? t.startBar
                                      : t.endBar));
        m_filling = false;
        return;
    }
    if (tank < 0) {
        DiveProfile::TankPressure added;
        added.gasIndex = row;
        after.append(added);
        tank = int(after.size()) - 1;
    }
    DiveProfile::TankPressure& t = after[tank];
    (column == Size ? t.sizeL : column == Start ? t.startBar : t.endBar) = value;
    const QList<DiveProfile::TankPressure> before = m_tanks;
    m_tanks = after;
    emit edited(before, after);
}
