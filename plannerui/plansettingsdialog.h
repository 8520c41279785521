#pragma once

// The "Plan settings" dialog: how the ascent of a plan is computed (switch rule and time, ppO2
// limits, last stop, rates, safety stop, rounded stops, altitude, oxygen breaks, END limit).
// The tab uses it for the plan on show, Preferences for the defaults of new plans.

#include "fileio/plansettings.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QSettings;

class PlanSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    PlanSettingsDialog(const AscentSettings& settings, QWidget* parent);
    AscentSettings settings() const;

private:
    QDoubleSpinBox* spin(double low, double high, double step, int decimals, const QString& suffix);

    QComboBox* m_rule = nullptr;
    QDoubleSpinBox* m_switchTime = nullptr;
    QDoubleSpinBox* m_decoPpo2 = nullptr;
    QDoubleSpinBox* m_bottomPpo2 = nullptr;
    QComboBox* m_lastStop = nullptr;
    QDoubleSpinBox* m_ascentRate = nullptr;
    QDoubleSpinBox* m_stopRate = nullptr;
    QDoubleSpinBox* m_safetyMin = nullptr;
    QDoubleSpinBox* m_safetyDepth = nullptr;
    QCheckBox* m_round = nullptr;
    QDoubleSpinBox* m_altitude = nullptr;
    QDoubleSpinBox* m_o2Min = nullptr;
    QDoubleSpinBox* m_backMin = nullptr;
    QDoubleSpinBox* m_endLimit = nullptr;
    AscentSettings m_shown; // boxes left as shown give these values back exactly
};

// The defaults for new plans, kept under "planner/" in the program's settings.
AscentSettings readPlanDefaults(const QSettings& store);
void writePlanDefaults(QSettings& store, const AscentSettings& settings);
