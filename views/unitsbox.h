#pragma once

#include "dive/units.h"

#include <QGroupBox>

#include <array>

class QComboBox;

// The units a diver reads, one choice per quantity (metric, imperial or a mix), with the two
// usual sets a click away. For Preferences; the caller keeps and applies the choice.
class UnitsBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit UnitsBox(const DisplayUnits& units, QWidget* parent = nullptr);
    DisplayUnits units() const;
    void setUnits(const DisplayUnits& units);

private:
    std::array<QComboBox*, 5> m_boxes {}; // depth, pressure, volume, temperature, weight
};
