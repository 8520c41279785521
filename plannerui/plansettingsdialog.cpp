#include "plannerui/plansettingsdialog.h"

#include "plannerui/unitspin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QSettings>

PlanSettingsDialog::PlanSettingsDialog(const AscentSettings& s, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Plan settings"));
    setObjectName(QStringLiteral("PlanSettingsDialog"));
    auto* form = new QFormLayout(this);
    m_rule = new QComboBox(this);
    m_rule->addItem(tr("At the first stop at or above the switch depth"));
    m_rule->addItem(tr("At the switch depth, with a stop there"));
    m_rule->setCurrentIndex(s.switchRule == SwitchRule::Depth ? 1 : 0);
    form->addRow(tr("Gas switch"), m_rule);
    m_switchTime = spin(0, 5, 0.5, 1, tr(" min"));
    m_switchTime->setValue(s.switchMinutes());
    form->addRow(tr("Time at a switch"), m_switchTime);
    m_decoPpo2 = spin(1.2, 1.7, 0.05, 2, tr(" bar"));
    m_decoPpo2->setValue(s.decoPpo2);
    form->addRow(tr("Deco ppO2"), m_decoPpo2);
    m_bottomPpo2 = spin(1.0, 1.6, 0.05, 2, tr(" bar"));
    m_bottomPpo2->setValue(s.bottomPpo2);
    form->addRow(tr("Bottom ppO2"), m_bottomPpo2);
    m_lastStop = new QComboBox(this);
    m_lastStop->addItems({ Units::format(Quantity::Depth, 3, 0, DisplayUnits::current(), locale()),
        Units::format(Quantity::Depth, 6, 0, DisplayUnits::current(), locale()) });
    m_lastStop->setCurrentIndex(s.lastStopM == 6 ? 1 : 0);
    form->addRow(tr("Last stop"), m_lastStop);
    // 0 keeps the computer's own rate, shown as such.
    m_shown = s;
    m_ascentRate = spin(0, 30, 1, 1, QString());
    showSi(m_ascentRate, Quantity::VerticalSpeed, s.ascentRateMpm, 0, 30, 1);
    m_ascentRate->setSpecialValueText(tr("computer's"));
    form->addRow(tr("Ascent rate to the first stop"), m_ascentRate);
    m_stopRate = spin(0, 30, 1, 1, QString());
    showSi(m_stopRate, Quantity::VerticalSpeed, s.stopRateMpm, 0, 30, 1);
    m_stopRate->setSpecialValueText(tr("computer's"));
    form->addRow(tr("Rate between stops"), m_stopRate);
    m_safetyMin = spin(0, 10, 1, 0, tr(" min"));
    m_safetyMin->setSpecialValueText(tr("none"));
    m_safetyMin->setValue(s.safetyStopMin);
    m_safetyDepth = spin(3, 9, 1, 0, QString());
    showSi(m_safetyDepth, Quantity::Depth, s.safetyStopDepthM, 3, 9, 0);
    form->addRow(tr("Safety stop"), m_safetyMin);
    form->addRow(tr("Safety stop depth"), m_safetyDepth);
    m_round = new QCheckBox(tr("Stops end on whole minutes"), this);
    m_round->setChecked(s.roundStops);
    form->addRow(QString(), m_round);
    m_altitude = spin(0, 5000, 100, 0, QString());
    showSi(m_altitude, Quantity::Depth, s.altitudeM, 0, 5000, 0);
    m_altitude->setSpecialValueText(tr("sea level"));
    form->addRow(tr("Altitude"), m_altitude);
    m_o2Min = spin(0, 60, 1, 0, tr(" min"));
    m_o2Min->setSpecialValueText(tr("no breaks"));
    m_o2Min->setValue(s.o2BreakMin);
    m_backMin = spin(1, 30, 1, 0, tr(" min"));
    m_backMin->setValue(s.backGasMin > 0 ? s.backGasMin : 5);
    form->addRow(tr("Oxygen breaks: minutes on O2"), m_o2Min);
    form->addRow(tr("then on the bottom gas"), m_backMin);
    m_endLimit = spin(10, 100, 1, 0, QString());
    showSi(m_endLimit, Quantity::Depth, s.endLimitM, 10, 100, 0);
    form->addRow(tr("Narcotic depth warned above"), m_endLimit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QDoubleSpinBox* PlanSettingsDialog::spin(
    double low, double high, double step, int decimals, const QString& suffix)
{
    auto* box = new QDoubleSpinBox(this);
    box->setRange(low, high);
    box->setSingleStep(step);
    box->setDecimals(decimals);
    box->setSuffix(suffix);
    return box;
}

AscentSettings PlanSettingsDialog::settings() const
{
    AscentSettings s;
    s.switchRule = m_rule->currentIndex() == 1 ? SwitchRule::Depth : SwitchRule::FirstStop;
    // The rule's own time stays "the rule's" so that a later change of rule follows it.
    const float rulesTime = s.switchRule == SwitchRule::Depth ? 1.0f : 0.0f;
    s.switchTimeMin
        = float(m_switchTime->value()) == rulesTime ? -1.0f : float(m_switchTime->value());
    s.decoPpo2 = float(m_decoPpo2->value());
    s.bottomPpo2 = float(m_bottomPpo2->value());
    s.lastStopM = m_lastStop->currentIndex() == 1 ? 6 : 3;
    s.ascentRateMpm = float(siOf(m_ascentRate, Quantity::VerticalSpeed, m_shown.ascentRateMpm));
    s.stopRateMpm = float(siOf(m_stopRate, Quantity::VerticalSpeed, m_shown.stopRateMpm));
    s.safetyStopMin = float(m_safetyMin->value());
    s.safetyStopDepthM = float(siOf(m_safetyDepth, Quantity::Depth, m_shown.safetyStopDepthM));
    s.roundStops = m_round->isChecked();
    s.altitudeM = float(siOf(m_altitude, Quantity::Depth, m_shown.altitudeM));
    s.o2BreakMin = m_o2Min->value() >= 5 ? float(m_o2Min->value()) : 0.0f;
    s.backGasMin = s.o2BreakMin > 0 ? float(m_backMin->value()) : 0.0f;
    s.endLimitM = float(siOf(m_endLimit, Quantity::Depth, m_shown.endLimitM));
    return s;
}

namespace {

// Stored as the command line writes them, one key each.
const char* const kKeys[] = { "planner/switchRule", "planner/switchTime", "planner/decoPpo2",
    "planner/bottomPpo2", "planner/lastStop", "planner/ascentRate", "planner/stopRate",
    "planner/safetyStop", "planner/safetyStopDepth", "planner/roundStops", "planner/altitude",
    "planner/o2Breaks", "planner/backGas", "planner/endLimit" };

} // namespace

AscentSettings readPlanDefaults(const QSettings& store)
{
    AscentSettings s;
    auto number = [&](int key, float fallback) {
        bool ok = false;
        const float v = store.value(QLatin1String(kKeys[key]), fallback).toFloat(&ok);
        return ok ? v : fallback;
    };
    s.switchRule = store.value(QLatin1String(kKeys[0])).toString() == QLatin1String("depth")
        ? SwitchRule::Depth
        : SwitchRule::FirstStop;
    s.switchTimeMin = number(1, s.switchTimeMin);
    s.decoPpo2 = number(2, s.decoPpo2);
    s.bottomPpo2 = number(3, s.bottomPpo2);
    s.lastStopM = int(number(4, float(s.lastStopM)));
    s.ascentRateMpm = number(5, s.ascentRateMpm);
    s.stopRateMpm = number(6, s.stopRateMpm);
    s.safetyStopMin = number(7, s.safetyStopMin);
    s.safetyStopDepthM = number(8, s.safetyStopDepthM);
    s.roundStops = store.value(QLatin1String(kKeys[9]), false).toBool();
    s.altitudeM = number(10, s.altitudeM);
    s.o2BreakMin = number(11, s.o2BreakMin);
    s.backGasMin = number(12, s.backGasMin);
    s.endLimitM = number(13, s.endLimitM);
    // A hand-edited file out of range gives the computer's rules back.
    return validateAscentSettings(s).isEmpty() ? s : AscentSettings {};
}

void writePlanDefaults(QSettings& store, const AscentSettings& s)
{
    store.setValue(QLatin1String(kKeys[0]),
        s.switchRule == SwitchRule::Depth ? QStringLiteral("depth") : QStringLiteral("first-stop"));
    const float values[] = { s.switchTimeMin, s.decoPpo2, s.bottomPpo2, float(s.lastStopM),
        s.ascentRateMpm, s.stopRateMpm, s.safetyStopMin, s.safetyStopDepthM };
    for (int i = 0; i < 8; ++i)
        store.setValue(QLatin1String(kKeys[i + 1]), double(values[i]));
    store.setValue(QLatin1String(kKeys[9]), s.roundStops);
    store.setValue(QLatin1String(kKeys[10]), double(s.altitudeM));
    store.setValue(QLatin1String(kKeys[11]), double(s.o2BreakMin));
    store.setValue(QLatin1String(kKeys[12]), double(s.backGasMin));
    store.setValue(QLatin1String(kKeys[13]), double(s.endLimitM));
}
