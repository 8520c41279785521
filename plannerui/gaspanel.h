#pragma once

#include "fileio/gassettings.h"
#include "views/diveprofileitem.h"

#include <QGroupBox>

class GasPlanExtras;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QPushButton;
class QSpinBox;
class QTableWidget;
struct CylinderUse;
struct PlanDiveResult;

// The gas panel under the plan graph: one row per cylinder (size, working pressure, fill, what
// the plan uses and leaves) and the plan's breathing rates, reserves and bailout settings, all
// in the units the diver reads. It shows and reports; the tab changes the plan.
class GasPanel : public QGroupBox
{
    Q_OBJECT

public:
    enum Column {
        ColumnGas,
        ColumnSize,
        ColumnWorking,
        ColumnFill,
        ColumnUsed,
        ColumnEnd,
        ColumnReserve,
        ColumnGauge,
        ColumnCount
    };

    explicit GasPanel(QWidget* parent = nullptr);

    // Shows the plan's settings without reporting a change; the bailout is offered in closed
    // circuit only.
    void showSettings(const GasSettings& settings, bool closedCircuit);
    // The settings the boxes hold over `base`; `invalid` says why they make no plan.
    GasSettings settings(const GasSettings& base, QString& invalid) const;
    // One row per cylinder of the result (none for an empty result).
    void showCylinders(const PlanDiveResult& result);

signals:
    void settingsChanged();
    // A cylinder's size, working pressure or fill as the diver set it, in litres and bar.
    void cylinderEdited(int gasIndex, double litres, double workBar, double fillBar);
    void refused(const QString& why);
    void exportSlateClicked();

private:
    QDoubleSpinBox* spin(double lo, double hi, double value, double step, const QString& suffix);
    void addSettingsRows(QGridLayout* grid);
    void addBailoutRow(QGridLayout* grid);
    void connectSettings();
    void addCylinderRow(int row, const Cylinder& cylinder, const CylinderUse& use, int gasIndex);
    QComboBox* sizeBox(const Cylinder& cylinder);

    QTableWidget* m_table = nullptr;
    QDoubleSpinBox* m_sac = nullptr;
    QDoubleSpinBox* m_decoSac = nullptr;
    QComboBox* m_reserve = nullptr;
    QDoubleSpinBox* m_factor = nullptr;
    QDoubleSpinBox* m_problemMin = nullptr;
    QDoubleSpinBox* m_decoReserve = nullptr;
    QCheckBox* m_bailout = nullptr;
    QSpinBox* m_bailoutGfLow = nullptr;
    QSpinBox* m_bailoutGfHigh = nullptr;
    QDoubleSpinBox* m_stressFactor = nullptr;
    QDoubleSpinBox* m_stressMin = nullptr;
    QPushButton* m_exportSlate = nullptr;
    GasPlanExtras* m_extras = nullptr;
    GasSettings m_shown; // what the boxes were last set from, so unchanged boxes keep it exactly
};

// The pressure of the cylinder breathed along the dive, for the graph's second curve.
DiveProfileItem::SecondaryCurve cylinderPressureCurve(const PlanDiveResult& result);

// Whether both bailout factors are set and make a pair (low at most high).
bool bailoutGfPair(int low, int high);
