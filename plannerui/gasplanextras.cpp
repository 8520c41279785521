#include "plannerui/gasplanextras.h"

#include "fileio/gassettings.h"
#include "plannerui/unitspin.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

GasPlanExtras::GasPlanExtras(QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto spin = [this](double lo, double hi, double step, const QString& suffix) {
        auto* box = new QDoubleSpinBox(this);
        box->setRange(lo, hi);
        box->setSingleStep(step);
        box->setDecimals(1);
        box->setSuffix(suffix);
        connect(box, &QDoubleSpinBox::valueChanged, this, &GasPlanExtras::changed);
        return box;
    };
    m_celsius = spin(-20, 60, 1, tr(" °C"));
    m_celsius->setObjectName(QStringLiteral("spCylinderTemperature"));
    m_celsius->setToolTip(tr("Temperature of the cylinders: a warm cylinder holds less gas at "
                             "the same pressure"));
    m_bailoutMin = spin(0, 30, 0.5, tr(" min"));
    m_bailoutMin->setObjectName(QStringLiteral("spBailoutTime"));
    m_bailoutMin->setToolTip(
        tr("Closed circuit: minutes spent solving the failure at the bailout depth"));
    m_setpointSwitchM = spin(0, 100, 1, tr(" m"));
    m_setpointSwitchM->setObjectName(QStringLiteral("spSetpointSwitch"));
    m_setpointSwitchM->setSpecialValueText(tr("off"));
    m_setpointSwitchM->setToolTip(
        tr("Closed circuit: the low setpoint is breathed from the surface down to this depth"));
    m_contingency = new QCheckBox(tr("Contingencies"), this);
    m_contingency->setObjectName(QStringLiteral("chkContingency"));
    m_contingency->setToolTip(tr("Also plan the dive deeper and longer, and the ascent without "
                                 "each deco gas"));
    connect(m_contingency, &QCheckBox::toggled, this, &GasPlanExtras::changed);
    m_deeperM = spin(0, 30, 1, tr(" m"));
    m_longerMin = spin(0, 60, 1, tr(" min"));
    m_deeperM->setPrefix(tr("+"));
    m_longerMin->setPrefix(tr("+"));

    layout->addWidget(new QLabel(tr("Cylinders at"), this));
    layout->addWidget(m_celsius);
    layout->addWidget(new QLabel(tr("Bailout time"), this));
    layout->addWidget(m_bailoutMin);
    layout->addWidget(new QLabel(tr("Low setpoint to"), this));
    layout->addWidget(m_setpointSwitchM);
    layout->addWidget(m_contingency);
    layout->addWidget(m_deeperM);
    layout->addWidget(m_longerMin);
    layout->addStretch();
    setSettings(GasSettings {});
}

void GasPlanExtras::setSettings(const GasSettings& s)
{
    const QSignalBlocker b1(m_celsius), b2(m_bailoutMin), b3(m_setpointSwitchM), b4(m_contingency),
        b5(m_deeperM), b6(m_longerMin);
    showSi(m_celsius, Quantity::Temperature, s.cylinderCelsius, -20, 60, 1);
    m_bailoutMin->setValue(s.bailoutProblemMin);
    showSi(m_setpointSwitchM, Quantity::Depth, s.setpointSwitchM, 0, 100, 1);
    m_contingency->setChecked(s.contingency);
    showSi(m_deeperM, Quantity::Depth, s.deeperM, 0, 30, 1);
    m_longerMin->setValue(s.longerMin);
}

void GasPlanExtras::applyTo(GasSettings& s) const
{
    // The settings given are those on show: boxes left alone keep their exact values.
    s.cylinderCelsius = siOf(m_celsius, Quantity::Temperature, s.cylinderCelsius);
    s.bailoutProblemMin = m_bailoutMin->value();
    s.setpointSwitchM = siOf(m_setpointSwitchM, Quantity::Depth, s.setpointSwitchM);
    s.contingency = m_contingency->isChecked();
    s.deeperM = siOf(m_deeperM, Quantity::Depth, s.deeperM);
    s.longerMin = m_longerMin->value();
}
