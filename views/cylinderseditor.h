#pragma once

#include "dive/diveprofile.h"

#include <QObject>

class QTableWidget;

// The Gases tab's table: each gas of the dive with the size and the start and end pressures of
// its cylinder, which the diver may type in for a stored dive. A change is handed on as the
// dive's whole list of cylinders, before and after.
class CylindersEditor : public QObject
{
    Q_OBJECT
public:
    explicit CylindersEditor(QTableWidget* table, QObject* parent = nullptr);
    // Shows the dive's gases and cylinders; editable says whether they may be changed.
    void setDive(const DiveProfile& dive, bool editable);

signals:
    void edited(const QList<DiveProfile::TankPressure>& before,
        const QList<DiveProfile::TankPressure>& after);

private:
    void showHeader();
    void cellChanged(int row, int column);
    // The cylinder shown on a gas's row: the first of that gas (or of unknown gas on a dive of
    // one gas), -1 for none.
    int tankOfRow(int row) const;

    QTableWidget* m_table;
    QList<DiveProfile::TankPressure> m_tanks;
    int m_gasCount = 0;
    bool m_filling = false;
};
