#pragma once

#include "dive/diveprofile.h"
#include "dive/units.h"

#include <QDialog>

class QDateTimeEdit;
class QDoubleSpinBox;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;

// "Add dive": a dive from a paper logbook, its numbers and details typed in. The dive it gives
// has the simple profile of its numbers (manualDiveProfile) and no name, computer or serial.
class AddDiveDialog : public QDialog
{
    Q_OBJECT
public:
    // The completers offer the sites, buddies and tags already used.
    AddDiveDialog(const QStringList& sites, const QStringList& buddies, const QStringList& tags,
        QWidget* parent = nullptr);
    DiveProfile dive() const;
    void accept() override;

private:
    void createUnitBoxes();
    double depthM(const QDoubleSpinBox* box) const;

    DisplayUnits m_units = DisplayUnits::current();
    QDateTimeEdit* m_start;
    QDoubleSpinBox* m_duration;
    QDoubleSpinBox* m_depth;
    QDoubleSpinBox* m_meanDepth;
    QSpinBox* m_o2;
    QSpinBox* m_he;
    QDoubleSpinBox* m_cylinder;
    QSpinBox* m_startBar;
    QSpinBox* m_endBar;
    QSpinBox* m_working = nullptr; // imperial cylinders only
    QLineEdit* m_site;
    QLineEdit* m_location;
    QLineEdit* m_buddies;
    QLineEdit* m_tags;
    QSpinBox* m_rating;
    QPlainTextEdit* m_notes;
};
