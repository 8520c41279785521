#include "app/logbookactions.h"

#include "dive/diveprofile.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "planner/logbookpages.h"
#include "views/adddivedialog.h"
#include "views/logbookcommands.h"
#include "views/placecommands.h"
#include "views/sitesview.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QUndoStack>

LogbookActions::LogbookActions(QMainWindow* window, QUndoStack* stack, QMenu* fileMenu,
    QAction* printBefore, std::function<QList<int>()> selected)
    : QObject(window)
    , m_window(window)
    , m_stack(stack)
    , m_selected(std::move(selected))
{
    auto* print = new QAction(tr("Print logbook..."), this);
    print->setObjectName(QStringLiteral("actionPrintLogbook"));
    fileMenu->insertAction(printBefore, print);
    connect(print, &QAction::triggered, this, &LogbookActions::printLogbook);

    auto* log = new QMenu(tr("&Log"), window);
    log->setObjectName(QStringLiteral("menuLog"));
    const QList<QAction*> menus = window->menuBar()->actions();
    // Before Help, which stays last.
    window->menuBar()->insertMenu(menus.isEmpty() ? nullptr : menus.constLast(), log);
    log->addAction(tr("Add dive..."), this, &LogbookActions::addDive)
        ->setObjectName(QStringLiteral("actionAddDive"));
    log->addSeparator();
    log->addAction(
        tr("New trip from selected dives..."), this, &LogbookActions::newTripFromSelection);
    log->addAction(
        tr("Take selected dives out of their trip"), this, &LogbookActions::takeSelectionOutOfTrip);
    log->addAction(tr("Edit the trip of the selected dive..."), this, &LogbookActions::editTrip);
    log->addAction(tr("Delete the trip of the selected dive"), this, &LogbookActions::deleteTrip);
    log->addSeparator();
    log->addAction(tr("Dive sites..."), this, &LogbookActions::showSites);
}

void LogbookActions::report(const QString& problem)
{
    if (!problem.isEmpty())
        QMessageBox::warning(m_window, tr("Logbook"), problem);
}

QStringList LogbookActions::siteNames()
{
    QList<DiveSite> sites;
    LogbookDatabase::instance().listSites(sites);
    QStringList names;
    for (const DiveSite& site : sites)
        names << site.name;
    names.removeDuplicates();
    return names;
}

void LogbookActions::addDive()
{
    LogbookDatabase& db = LogbookDatabase::instance();
    AddDiveDialog dialog(siteNames(), db.usedNames(LogbookDatabase::UsedList::Buddies),
        db.usedNames(LogbookDatabase::UsedList::Tags), m_window);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DiveProfile dive = dialog.dive();
    // Named by its start, as a paper logbook reads; a second one at that minute gets " (2)".
    const QString base
        = QDateTime::fromSecsSinceEpoch(dive.dateTime).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    dive.name = base;
    for (int n = 2; db.findDive(dive.name, dive.serial) >= 0; ++n)
        dive.name = QStringLiteral("%1 (%2)").arg(base).arg(n);
    auto* command = new ImportDiveCommand(dive);
    command->setText(tr("Add dive %1").arg(dive.name));
    const QString problem = pushLogbookCommand(*m_stack, command);
    report(problem);
    if (problem.isEmpty())
        emit diveAdded(db.findDive(dive.name, dive.serial));
}

void LogbookActions::newTripFromSelection()
{
    const QList<int> ids = m_selected();
    if (ids.isEmpty()) {
        report(tr("Select the dives of the trip in the list first."));
        return;
    }
    bool ok = false;
    DiveTrip trip;
    trip.name = QInputDialog::getText(
        m_window, tr("New trip"), tr("Name of the trip"), QLineEdit::Normal, QString(), &ok)
                    .trimmed();
    if (!ok || trip.name.isEmpty())
        return;
    const int existing = LogbookDatabase::instance().findTrip(trip.name);
    if (existing > 0)
        trip.id = existing;
    report(pushLogbookCommand(*m_stack, new DivesTripCommand(ids, trip)));
}

void LogbookActions::takeSelectionOutOfTrip()
{
    const QList<int> ids = m_selected();
    if (!ids.isEmpty()) {
        DiveTrip none;
        none.id = 0;
        report(pushLogbookCommand(*m_stack, new DivesTripCommand(ids, none)));
    }
}

bool LogbookActions::selectedTrip(DiveTrip& trip)
{
    const QList<int> ids = m_selected();
    DiveDetails details;
    LogbookDatabase& db = LogbookDatabase::instance();
    const int id = ids.isEmpty() || !db.loadDetails(ids.constFirst(), details)
        ? -1
        : db.findTrip(details.trip);
    if (id <= 0 || !db.loadTrip(id, trip)) {
        report(tr("Select a dive of the trip in the list first."));
        return false;
    }
    return true;
}

void LogbookActions::editTrip()
{
    DiveTrip before;
    if (!selectedTrip(before))
        return;
    QDialog dialog(m_window);
    dialog.setWindowTitle(tr("Edit trip"));
    auto* form = new QFormLayout(&dialog);
    auto* name = new QLineEdit(before.name, &dialog);
    auto* location = new QLineEdit(before.location, &dialog);
    auto* notes = new QLineEdit(before.notes, &dialog);
    form->addRow(tr("Name"), name);
    form->addRow(tr("Location"), location);
    form->addRow(tr("Notes"), notes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return;
    DiveTrip after = before;
    after.name = name->text().trimmed();
    after.location = location->text().trimmed();
    after.notes = notes->text().trimmed();
    if (after.name != before.name || after.location != before.location
        || after.notes != before.notes)
        report(pushLogbookCommand(*m_stack, new EditTripCommand(before, after)));
}

void LogbookActions::deleteTrip()
{
    DiveTrip trip;
    if (!selectedTrip(trip))
        return;
    DiveTrip none = trip;
    none.id = 0;
    report(pushLogbookCommand(*m_stack, new EditTripCommand(trip, none)));
}

void LogbookActions::offerTrips(const QList<int>& storedIds)
{
    for (const QList<int>& group : LogbookDatabase::instance().suggestTrips(storedIds)) {
        bool ok = false;
        DiveTrip trip;
        trip.name = QInputDialog::getText(m_window, tr("New trip"),
            tr("These %1 dives were made within days of each other. Name a trip to group them, "
               "or cancel:")
                .arg(group.size()),
            QLineEdit::Normal, QString(), &ok)
                        .trimmed();
        if (!ok || trip.name.isEmpty())
            continue;
        const int existing = LogbookDatabase::instance().findTrip(trip.name);
        if (existing > 0)
            trip.id = existing;
        report(pushLogbookCommand(*m_stack, new DivesTripCommand(group, trip)));
    }
}

bool LogbookActions::printDives(const QList<int>& diveIds, const QString& path)
{
    QList<DiveProfile> dives;
    for (const int id : diveIds) {
        DiveProfile dive;
        if (LogbookDatabase::instance().loadDive(id, dive))
            dives << std::move(dive);
    }
    QString error;
    if (!writeLogbookPdf(path, dives, &error, DisplayUnits::current(), QLocale())) {
        report(tr("The logbook pages could not be written: %1").arg(error));
        return false;
    }
    return true;
}

void LogbookActions::printLogbook()
{
    QList<int> ids = m_selected();
    if (ids.isEmpty()) {
        report(tr("Select the dives to print in the list first."));
        return;
    }
    const QString path = QFileDialog::getSaveFileName(
        m_window, tr("Print logbook"), QStringLiteral("logbook.pdf"), tr("PDF document (*.pdf)"));
    if (!path.isEmpty())
        printDives(ids, path);
}

void LogbookActions::showSites()
{
    SitesView view(*m_stack, m_window);
    view.exec();
}
