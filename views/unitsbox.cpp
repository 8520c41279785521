#include "views/unitsbox.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>

namespace {

constexpr UnitSystem DisplayUnits::*members[] = { &DisplayUnits::depth, &DisplayUnits::pressure,
    &DisplayUnits::volume, &DisplayUnits::temperature, &DisplayUnits::weight };

} // namespace

UnitsBox::UnitsBox(const DisplayUnits& units, QWidget* parent)
    : QGroupBox(tr("Units"), parent)
{
    setObjectName(QStringLiteral("unitsBox"));
    const std::pair<QString, QStringList> rows[] = {
        { tr("Depth"), { tr("metres (m)"), tr("feet (ft)") } },
        { tr("Pressure"), { tr("bar"), tr("psi") } },
        { tr("Volume"), { tr("litres (L)"), tr("cubic feet (cuft)") } },
        { tr("Temperature"), { tr("degrees Celsius (°C)"), tr("degrees Fahrenheit (°F)") } },
        { tr("Weight"), { tr("kilograms (kg)"), tr("pounds (lb)") } },
    };
    auto* form = new QFormLayout(this);
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        m_boxes[i] = new QComboBox(this);
        m_boxes[i]->addItems(rows[i].second);
        form->addRow(rows[i].first, m_boxes[i]);
    }
    m_boxes[0]->setObjectName(QStringLiteral("cbUnitsDepth"));
    auto* presets = new QHBoxLayout;
    auto* metric = new QPushButton(tr("All metric"), this);
    auto* imperial = new QPushButton(tr("All imperial"), this);
    connect(metric, &QPushButton::clicked, this,
        [this] { setUnits(DisplayUnits::all(UnitSystem::Metric)); });
    connect(imperial, &QPushButton::clicked, this,
        [this] { setUnits(DisplayUnits::all(UnitSystem::Imperial)); });
    presets->addWidget(metric);
    presets->addWidget(imperial);
    form->addRow(presets);
    setUnits(units);
}

DisplayUnits UnitsBox::units() const
{
    DisplayUnits units;
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        units.*members[i]
            = m_boxes[i]->currentIndex() == 1 ? UnitSystem::Imperial : UnitSystem::Metric;
    return units;
}

void UnitsBox::setUnits(const DisplayUnits& units)
{
    for (std::size_t i = 0; i < m_boxes.size(); ++i)
        m_boxes[i]->setCurrentIndex(units.*members[i] == UnitSystem::Imperial ? 1 : 0);
}
