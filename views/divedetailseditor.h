#pragma once

#include "logbook/divedetails.h"

#include <QObject>

class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class QWidget;

// The editable details of the Summary tab: the form's Place (location) and Site fields and
// the number, buddies, tags, rating and notes fields it adds to the grid. An edit is handed on
// when its field is left (or commit() is called, as on closing), never lost.
class DiveDetailsEditor : public QObject
{
    Q_OBJECT
public:
    // The new fields go to columns column and column + 1 of the grid, from row 0.
    DiveDetailsEditor(
        QGridLayout* grid, int column, QLineEdit* place, QLineEdit* site, QWidget* parent);

    // Shows the details without reporting an edit.
    void setDetails(const DiveDetails& details);
    DiveDetails details() const;
    // Hands on a pending change now.
    void commit();
    void setEnabled(bool enabled);

signals:
    void edited(const DiveDetails& before, const DiveDetails& after);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_place;
    QLineEdit* m_site;
    QSpinBox* m_number;
    QLineEdit* m_buddies;
    QLineEdit* m_tags;
    QSpinBox* m_rating;
    QPlainTextEdit* m_notes;
    DiveDetails m_shown;
    bool m_filling = false;
};
