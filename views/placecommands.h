#pragma once

#include "dive/diveprofile.h"
#include "logbook/diveplaces.h"
#include "views/logbookcommands.h"

#include <QList>

// Undoable changes to sites, trips and cylinders, for the main window's undo stack.
// Each keeps what puts the logbook back as it was.

// Creates (before.id -1) or edits a site; undo removes the new site or restores the old fields.
class StoreSiteCommand : public LogbookCommand
{
public:
    StoreSiteCommand(const DiveSite& before, const DiveSite& after);
    void redo() override;
    void undo() override;

private:
    DiveSite m_before;
    DiveSite m_after;
};

// The dives of gone go to keep; undo brings gone back, with its dives.
class MergeSitesCommand : public LogbookCommand
{
public:
    MergeSitesCommand(int keepId, int goneId);
    void redo() override;
    void undo() override;

private:
    DiveSite m_keep;
    DiveSite m_gone;
    QList<int> m_goneDives;
};

// Puts dives in a trip: an existing one (trip.id > 0), a new one (id -1, created with its name)
// or none (an empty name and id 0). Undo puts each dive back where it was.
class DivesTripCommand : public LogbookCommand
{
public:
    DivesTripCommand(const QList<int>& diveIds, const DiveTrip& trip);
    void redo() override;
    void undo() override;
    int tripId() const { return m_trip.id; }

private:
    QList<int> m_dives;
    QList<int> m_previous; // trip id of each dive before, 0 none
    DiveTrip m_trip;
    bool m_create;
};

// Edits a trip's name, location and notes (after.id > 0), or removes it (after.id 0): its
// dives stay, in no trip.
class EditTripCommand : public LogbookCommand
{
public:
    EditTripCommand(const DiveTrip& before, const DiveTrip& after);
    void redo() override;
    void undo() override;

private:
    DiveTrip m_before;
    DiveTrip m_after;
    QList<int> m_dives;
};

class EditTanksCommand : public LogbookCommand
{
public:
    EditTanksCommand(int diveId, const QList<DiveProfile::TankPressure>& before,
        const QList<DiveProfile::TankPressure>& after);
    void redo() override;
    void undo() override;

private:
    int m_id;
    QList<DiveProfile::TankPressure> m_before;
    QList<DiveProfile::TankPressure> m_after;
};
