#pragma once

#include "logbook/divedetails.h"

#include <QObject>

class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QSpinBox;
class StarRating;
class QWidget;

// The editable details of the Summary tab: the form's Place (location) and Site fields, moved
// to full rows of columns column and column + 1 of the grid, and the buddies, tags, rating and
// notes fields it adds under them; the number goes to row 5 of the first two columns. An edit is
// handed on when its field is left (or commit() is called, as on closing), never lost.
class DiveDetailsEditor : public QObject
{
    Q_OBJECT
public:
    DiveDetailsEditor(
        QGridLayout* grid, int column, QLineEdit* place, QLineEdit* site, QWidget* parent);

    // Shows the details without reporting an edit.
    void setDetails(const DiveDetails& details);
    DiveDetails details() const;
    // Hands on a pending change now.
    void commit();
    void setEnabled(bool enabled);
    // What the site, buddies and tags fields complete from.
    void setCompletions(
        const QStringList& sites, const QStringList& buddies, const QStringList& tags);

signals:
    void edited(const DiveDetails& before, const DiveDetails& after);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layOut(QGridLayout* grid, int column, QWidget* parent);

    QLineEdit* m_place;
    QLineEdit* m_site;
    QSpinBox* m_number;
    QLineEdit* m_buddies;
    QLineEdit* m_tags;
    StarRating* m_rating;
    QPlainTextEdit* m_notes;
    DiveDetails m_shown;
    bool m_filling = false;
};
