#include "views/placecommands.h"

#include "logbook/divedetails.h"
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>

namespace {

class PlaceCommandText
{
    Q_DECLARE_TR_FUNCTIONS(LogbookCommand)
};

LogbookDatabase& logbook()
{
    return LogbookDatabase::instance();
}

} // namespace

StoreSiteCommand::StoreSiteCommand(const DiveSite& before, const DiveSite& after)
    : m_before(before)
    , m_after(after)
{
    setText(before.id < 0 ? PlaceCommandText::tr("New site %1").arg(after.name)
                          : PlaceCommandText::tr("Edit site %1").arg(before.name));
}

void StoreSiteCommand::redo()
{
    if (takeSkip())
        return;
    // A site made again by a redo keeps the id it was first given.
    const bool create = m_before.id < 0;
    const bool done = logbook().storeSite(m_after, create && m_after.id > 0);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void StoreSiteCommand::undo()
{
    const bool done
        = m_before.id < 0 ? logbook().deleteSite(m_after.id) : logbook().storeSite(m_before);
    setError(done ? QString() : logbook().lastError());
}

MergeSitesCommand::MergeSitesCommand(int keepId, int goneId)
{
    logbook().loadSite(keepId, m_keep);
    logbook().loadSite(goneId, m_gone);
    m_goneDives = logbook().diveIdsOfSite(goneId);
    setText(PlaceCommandText::tr("Merge site %1 into %2").arg(m_gone.name, m_keep.name));
}

void MergeSitesCommand::redo()
{
    if (takeSkip())
        return;
    const bool done = logbook().mergeSites(m_keep.id, m_gone.id);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void MergeSitesCommand::undo()
{
    DiveSite gone = m_gone;
    DiveSite keep = m_keep;
    const bool done = logbook().storeSite(keep) && logbook().storeSite(gone, true)
        && logbook().linkDivesToSite(m_goneDives, gone.id);
    setError(done ? QString() : logbook().lastError());
}

DivesTripCommand::DivesTripCommand(const QList<int>& diveIds, const DiveTrip& trip)
    : m_dives(diveIds)
    , m_trip(trip)
    , m_create(trip.id < 0)
{
    for (const int id : diveIds) {
        DiveDetails details;
        logbook().loadDetails(id, details);
        m_previous << (details.trip.isEmpty() ? 0 : std::max(0, logbook().findTrip(details.trip)));
    }
    setText(m_create      ? PlaceCommandText::tr("New trip %1").arg(trip.name)
            : trip.id > 0 ? PlaceCommandText::tr("Move dives to trip %1").arg(trip.name)
                          : PlaceCommandText::tr("Take dives out of their trip"));
}

void DivesTripCommand::redo()
{
    if (takeSkip())
        return;
    bool done = true;
    if (m_create)
        done = logbook().storeTrip(m_trip, true);
    done = done && logbook().setDivesTrip(m_dives, m_trip.id);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void DivesTripCommand::undo()
{
    bool done = true;
    for (qsizetype i = 0; i < m_dives.size(); ++i)
        done = logbook().setDivesTrip({ m_dives.at(i) }, m_previous.at(i)) && done;
    if (m_create)
        done = logbook().deleteTrip(m_trip.id) && done;
    setError(done ? QString() : logbook().lastError());
}

EditTripCommand::EditTripCommand(const DiveTrip& before, const DiveTrip& after)
    : m_before(before)
    , m_after(after)
    , m_dives(logbook().diveIdsOfTrip(before.id))
{
    setText(after.id == 0 ? PlaceCommandText::tr("Delete trip %1").arg(before.name)
                          : PlaceCommandText::tr("Edit trip %1").arg(before.name));
}

void EditTripCommand::redo()
{
    if (takeSkip())
        return;
    const bool done
        = m_after.id == 0 ? logbook().deleteTrip(m_before.id) : logbook().storeTrip(m_after);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void EditTripCommand::undo()
{
    DiveTrip trip = m_before;
    const bool done = m_after.id == 0
        ? logbook().storeTrip(trip, true) && logbook().setDivesTrip(m_dives, trip.id)
        : logbook().storeTrip(trip);
    setError(done ? QString() : logbook().lastError());
}

EditTanksCommand::EditTanksCommand(int diveId, const QList<DiveProfile::TankPressure>& before,
    const QList<DiveProfile::TankPressure>& after)
    : m_id(diveId)
    , m_before(before)
    , m_after(after)
{
    setText(PlaceCommandText::tr("Edit cylinders"));
}

void EditTanksCommand::redo()
{
    if (takeSkip())
        return;
    const bool done = logbook().updateTanks(m_id, m_after);
    setChanged(done);
    setError(done ? QString() : logbook().lastError());
}

void EditTanksCommand::undo()
{
    setError(logbook().updateTanks(m_id, m_before) ? QString() : logbook().lastError());
}
