// The Summary of the dive shown: its values, details, cylinders and alert lights, and how they
// follow the logbook's edits and their undo.
#include "app/alertlights.h"
#include "app/logbookactions.h"
#include "app/mainwindow.h"
#include "dive/airuse.h"
#include "dive/divealerts.h"
#include "dive/formattime.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "plannerui/simulationtab.h"
#include "ui_mainwindow.h"
#include "views/cylinderseditor.h"
#include "views/divedetailseditor.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/logbookcommands.h"
#include "views/placecommands.h"
#include "views/pressurecurve.h"

#include <QLocale>
#include <QMessageBox>
#include <QTextEdit>
#include <QUndoStack>

void MainWindow::createSummaryFeatures()
{
    arrangeSummary();
    m_detailsEditor = new DiveDetailsEditor(
        m_ui->gridLayout_7, 2, m_ui->edPlace, m_ui->edSite, m_ui->tabSummary);
    connect(m_detailsEditor, &DiveDetailsEditor::edited, this, &MainWindow::saveDetails);
    createAirUseFields();
    for (QAbstractButton* light : { m_ui->alertCeil, m_ui->alertRR, m_ui->alertYoyo,
             m_ui->alertSecurity, m_ui->alertDives24H }) {
        setAlertLed(light, -1, false);
        light->setToolTip(tr("No dive shown."));
    }
}

void MainWindow::arrangeSummary()
{
    // The alerts stand in a column at the right, so that the dive's values and details get
    // the width they need at 1366x768.
    QGridLayout* grid = m_ui->gridLayout_7;
    for (int i = grid->count() - 1; i >= 0; --i) {
        if (grid->itemAt(i)->spacerItem())
            delete grid->takeAt(i);
    }
    grid->removeWidget(m_ui->gbAlerts);
    grid->addWidget(m_ui->gbAlerts, 0, 4, 7, 1);
    // Two lights a row, without the lines that parted them in one row.
    QList<QWidget*> lights;
    QLayout* row = m_ui->gbAlerts->layout();
    for (int i = 0; row && i < row->count(); ++i) {
        QWidget* w = row->itemAt(i)->widget();
        if (qobject_cast<QAbstractButton*>(w))
            lights << w;
        else if (w)
            w->hide();
    }
    delete row;
    auto* pairs = new QGridLayout(m_ui->gbAlerts);
    pairs->setContentsMargins(2, 2, 2, 2);
    for (int i = 0; i < lights.size(); ++i)
        pairs->addWidget(lights.at(i), i / 2, i % 2);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 3);
}

void MainWindow::createAirUseFields()
{
    m_airUse = new QLineEdit(m_ui->tabSummary);
    m_airUse->setObjectName(QStringLiteral("edAirUse"));
    m_airUse->setReadOnly(true);
    m_ui->gridLayout_7->addWidget(new QLabel(tr("Air use"), m_ui->tabSummary), 6, 0);
    m_ui->gridLayout_7->addWidget(m_airUse, 6, 1);
    m_cylinders = new CylindersEditor(m_ui->tblGases, this);
    connect(m_cylinders, &CylindersEditor::edited, this,
        [this](const QList<DiveProfile::TankPressure>& before,
            const QList<DiveProfile::TankPressure>& after) {
            if (m_shownDiveId < 0) {
                // A dive not yet stored keeps them until it is.
                m_currentDive.tanks = after;
                displayDiveSummary();
                return;
            }
            const QString problem = pushLogbookCommand(
                *m_undoStack, new EditTanksCommand(m_shownDiveId, before, after));
            if (!problem.isEmpty()) {
                QMessageBox::warning(this, tr("Cylinders"), problem);
                m_cylinders->setDive(m_currentDive, true);
            }
        });
    refreshCompletions();
}

void MainWindow::refreshCompletions()
{
    LogbookDatabase& db = LogbookDatabase::instance();
    m_detailsEditor->setCompletions(LogbookActions::siteNames(),
        db.usedNames(LogbookDatabase::UsedList::Buddies),
        db.usedNames(LogbookDatabase::UsedList::Tags));
}

void MainWindow::logbookChanged()
{
    fillDiveList();
    refreshCompletions();
    // The shown dive follows an undo or redo of its name or details. Once deleted, its Summary
    // turns read-only (an edit would go nowhere) until the undo of the delete brings it back.
    const int id = m_shownDiveId >= 0 ? m_shownDiveId : m_deletedDiveId;
    if (id < 0)
        return;
    DiveProfile stored;
    const bool present = LogbookDatabase::instance().loadDive(id, stored)
        && stored.serial == m_currentDive.serial && stored.dateTime == m_currentDive.dateTime;
    m_shownDiveId = present ? id : -1;
    m_deletedDiveId = present ? -1 : id;
    m_detailsEditor->setEnabled(present);
    if (!present)
        return;
    m_currentDive.name = stored.name;
    applyDetails(detailsOf(stored), m_currentDive);
    m_currentDive.tanks = stored.tanks;
    m_cylinders->setDive(m_currentDive, true);
    m_graphView->profileItem()->setSecondaryCurve(pressureCurve(m_currentDive));
    showAirUse();
    m_ui->edDiveName->setText(stored.name);
    m_detailsEditor->setDetails(detailsOf(stored));
    m_graphView->profileItem()->refreshHeader();
}

void MainWindow::saveDetails(const DiveDetails& before, const DiveDetails& after)
{
    QString problem = checkDetails(after);
    if (problem.isEmpty() && m_deletedDiveId >= 0)
        problem = tr("The dive is no longer in the logbook: the change cannot be saved.");
    if (problem.isEmpty() && m_shownDiveId >= 0)
        problem = pushLogbookCommand(
            *m_undoStack, new EditDetailsCommand(m_shownDiveId, before, after, m_currentDive.name));
    if (!problem.isEmpty()) {
        m_detailsEditor->setDetails(before);
        QMessageBox::warning(this, tr("Dive details"), problem);
        return;
    }
    applyDetails(after, m_currentDive);
}

void MainWindow::setAlertLed(QAbstractButton* button, int level, bool strong)
{
    button->setIcon(QIcon(alertLedIcon(level, strong)));
}

void MainWindow::showAlertLights(const DiveAlertSummary& alerts)
{
    QAbstractButton* const buttons[] = { m_ui->alertCeil, m_ui->alertRR, m_ui->alertYoyo,
        m_ui->alertSecurity, m_ui->alertDives24H };
    const std::array<AlertLightView, 5> lights = describeAlerts(alerts);
    for (std::size_t i = 0; i < lights.size(); ++i) {
        setAlertLed(buttons[i], lights[i].level, false);
        buttons[i]->setToolTip(lights[i].toolTip);
    }
}

void MainWindow::displayDiveSummary()
{
    const DiveProfile& dive = m_currentDive;
    m_ui->edDiveName->setText(dive.name);
    // The same text as the list's.
    m_ui->edDateTime->setText(
        diveStartText(QDateTime::fromSecsSinceEpoch(dive.dateTime).toLocalTime()));
    // formatTime keeps the hours: a clock-time format would show a 75-minute dive as 15:00.
    m_ui->edDuration->setText(formatTime(int(dive.duration)));
    const QLocale locale;
    m_ui->edMaxDepth->setText(Units::format(Quantity::Depth, dive.maxDepth, 1, m_units, locale));
    m_ui->edAverageDepth->setText(
        Units::format(Quantity::Depth, dive.meanDepth, 1, m_units, locale));

    showAlertLights(analyseAlerts(dive));

    if (m_detailsEditor)
        m_detailsEditor->setDetails(detailsOf(dive));
    m_ui->edComputerName->setText(dive.computer);
    m_ui->edSampleInterval->setText(tr("%1 s").arg(dive.period));
    m_ui->edComputerSerial->setText(dive.serial);

    // Show the start of each text, which matters more than its end.
    for (QLineEdit* edit : { m_ui->edDiveName, m_ui->edDateTime, m_ui->edComputerName })
        edit->setCursorPosition(0);

    if (m_cylinders)
        m_cylinders->setDive(dive, true);
    showAirUse();
}

void MainWindow::showAirUse()
{
    if (!m_airUse)
        return;
    const double sac = surfaceAirConsumption(m_currentDive);
    m_airUse->setText(sac > 0 ? Units::format(Quantity::BreathingRate, sac,
                          m_units.volume == UnitSystem::Imperial ? 2 : 1, m_units, QLocale())
                              : QString());
}

void MainWindow::showCurrentDive()
{
    m_hasDive = true;
    m_deletedDiveId = -1;
    m_detailsEditor->setEnabled(true);
    m_graphView->showProfile(&m_currentDive);
    m_graphView->profileItem()->setSecondaryCurve(pressureCurve(m_currentDive));
    // What the cursor read belonged to the dive shown before.
    m_simulationTab->positionInformation()->clear();
    displayDiveSummary();
    m_simulationTab->diveShown();
}
