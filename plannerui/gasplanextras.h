#pragma once

#include <QWidget>

struct GasSettings;
class QCheckBox;
class QDoubleSpinBox;

// The gas panel's row of reserve, bailout and contingency settings: the cylinder temperature
// the pressures are worked at, the bailout's problem-solving time, the depth down to which the
// low setpoint is breathed, and the contingency plans with how much deeper and longer.
class GasPlanExtras : public QWidget
{
    Q_OBJECT

public:
    explicit GasPlanExtras(QWidget* parent = nullptr);

    // Shows the plan's settings without reporting a change.
    void setSettings(const GasSettings& settings);
    // Copies the widgets' values into `settings`, leaving the other fields.
    void applyTo(GasSettings& settings) const;

signals:
    void changed();

private:
    QDoubleSpinBox* m_celsius = nullptr;
    QDoubleSpinBox* m_bailoutMin = nullptr;
    QDoubleSpinBox* m_setpointSwitchM = nullptr;
    QCheckBox* m_contingency = nullptr;
    QDoubleSpinBox* m_deeperM = nullptr;
    QDoubleSpinBox* m_longerMin = nullptr;
};
