#pragma once

#include "app/hiddenoptions.h"
#include "dive/units.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QSpinBox;
class UnitsBox;

// Shows every switch of "options.ini" as a check box, and the units; the caller writes and
// applies them.
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    PreferencesDialog(
        const HiddenOptions& options, QWidget* parent, const DisplayUnits& units = DisplayUnits());
    HiddenOptions options() const;
    // Adds a button that edits the plan settings new plans start with.
    void setPlanDefaultsEditor(std::function<void()> edit);
    DisplayUnits units() const;
    // The diver's gradient factors, in percent, which the profile graph replays dives with.
    void setReplayFactors(int low, int high);
    int replayGfLow() const;
    int replayGfHigh() const;

private:
    std::array<QCheckBox*, 7> m_boxes {};
    UnitsBox* m_units = nullptr;
    QSpinBox* m_gfLow = nullptr;
    QSpinBox* m_gfHigh = nullptr;
};
