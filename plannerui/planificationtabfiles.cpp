// The planner tab's file roads: plan files, a dive file taken into the plan, the slate, and
// the folders they were last read from.

#include "dive/units.h"
#include "fileio/divelinesio.h"
#include "planner/planslate.h"
#include "planner/planstorage.h"
#include "plannerui/planificationtab.h"
#include "ui_planificationtab.h"
#include "views/graphview.h"
#include "views/savefiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QSettings>

namespace {

const char* const kLastDiveFolder = "directories/lastDiveFile";
const char* const kLastPlanFolder = "directories/lastPlanFile";

QString diveFileFilter()
{
    return QObject::tr("Dive file (*.csv *.uddf *.divebin);;Csv file (*.csv);;UDDF file "
                       "(*.uddf);;Binary dive file (*.divebin)");
}

QString planFileFilter()
{
    return QObject::tr("Dive plan file (*.diveplan)");
}

} // namespace

void PlanificationTab::exportSlate()
{
    if (m_plan.diveCount() == 0)
        return;
    // Every dive of the day goes on the slate, each computed from the one before.
    const int current = m_plan.currentIndex;
    for (int slot = 0; slot < m_plan.diveCount(); ++slot)
        computePlanDive(m_plan, slot, computeSettings(), false);
    m_plan.currentIndex = current;
    // Printing changes nothing of the plan.
    const bool modified = m_modified;
    recompute();
    m_modified = modified;
    const QString a4 = tr("PDF slate, A4 (*.pdf)");
    const QString a6 = tr("PDF wrist slate, A6 (*.pdf)");
    QString filter = a4;
    const QString path = withChosenExtension(
        QFileDialog::getSaveFileName(this, tr("Export slate"), lastFolder(kLastPlanFolder),
            a4 + QStringLiteral(";;") + a6, &filter),
        filter);
    if (path.isEmpty())
        return;
    QString why;
    if (!writeSlate(path, planSlatePages(m_plan, false, DisplayUnits::current()), &why,
            filter == a6 ? SlateSize::A6 : SlateSize::A4)) {
        error(tr("Export slate"), why);
        return;
    }
    emit done(tr("Slate saved to %1").arg(QDir::toNativeSeparators(path)));
}

bool PlanificationTab::maybeSave()
{
    if (!m_modified || m_plan.diveCount() == 0)
        return true;
    const auto answer = QMessageBox::question(this, tr("Unsaved plan"),
        tr("The plan has changes that are not saved. Save them?"),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        return savePlan();
    return answer == QMessageBox::Discard;
}

void PlanificationTab::addExistingDive(bool replace)
{
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open Dive File"), lastFolder(kLastDiveFolder), diveFileFilter());
    if (path.isEmpty())
        return;
    rememberFolder(kLastDiveFolder, path);
    DiveProfile profile;
    QString why;
    if (!readFirstDive(path, profile, &why)) {
        error(tr("Error"), tr("Impossible to load dive file") + QStringLiteral("\n") + why);
        return;
    }
    if (replace)
        replaceCurrentProfile(profile);
    else
        addDiveProfile(profile);
}

bool PlanificationTab::savePlanTo(const QString& path)
{
    const PlanFile::Status status = ::savePlan(m_plan, path);
    if (status != PlanFile::Status::Ok) {
        error(tr("Error"), PlanFile::statusText(status));
        return false;
    }
    m_modified = false;
    emit done(tr("Plan saved to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool PlanificationTab::loadPlanFrom(const QString& path)
{
    m_ui->widgetSimul->showProfile(nullptr);
    const PlanFile::Status status = ::loadPlan(m_plan, path);
    if (status != PlanFile::Status::Ok) {
        changeCurrentPlanifDive(m_plan.currentIndex);
        error(tr("Error"), PlanFile::statusText(status));
        return false;
    }
    changeCurrentPlanifDive(0);
    m_modified = false;
    return true;
}

void PlanificationTab::loadPlan()
{
    if (!maybeSave())
        return;
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Load plan"), lastFolder(kLastPlanFolder), planFileFilter());
    if (path.isEmpty())
        return;
    rememberFolder(kLastPlanFolder, path);
    loadPlanFrom(path);
}

bool PlanificationTab::savePlan()
{
    QString path = QFileDialog::getSaveFileName(
        this, tr("Save Plan"), lastFolder(kLastPlanFolder), planFileFilter());
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".diveplan");
    rememberFolder(kLastPlanFolder, path);
    return savePlanTo(path);
}

QString PlanificationTab::lastFolder(const char* key) const
{
    return m_settings ? m_settings->value(QLatin1String(key)).toString() : QString();
}

void PlanificationTab::rememberFolder(const char* key, const QString& path)
{
    if (m_settings)
        m_settings->setValue(QLatin1String(key), QFileInfo(path).absolutePath());
}
