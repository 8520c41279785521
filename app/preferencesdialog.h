#pragma once

#include "app/hiddenoptions.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;

// Shows every switch of "options.ini" as a check box; the caller writes and applies them.
class PreferencesDialog : public QDialog
{
    Q_OBJECT
public:
    PreferencesDialog(const HiddenOptions& options, QWidget* parent);
    HiddenOptions options() const;
    // Adds a button that edits the plan settings new plans start with.
    void setPlanDefaultsEditor(std::function<void()> edit);

private:
    std::array<QCheckBox*, 7> m_boxes {};
};
