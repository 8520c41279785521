// The dive files in and out: opening one dive, importing many, storing the dive shown and
// exporting stored dives or a selected part of the graph.
#include "app/diveexport.h"
#include "app/diveimport.h"
#include "app/logbookactions.h"
#include "app/mainwindow.h"
#include "fileio/csvfile.h"
#include "fileio/divefileformat.h"
#include "plannerui/planificationtab.h"
#include "ui_mainwindow.h"
#include "views/divedetailseditor.h"
#include "views/divelistview.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/logbookcommands.h"
#include "views/multifielddialog.h"
#include "views/savefiledialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QStatusBar>
#include <QUndoStack>

namespace {

// Every format read, then each family by its extensions.
QString diveFileFilter()
{
    return QCoreApplication::translate("MainWindow", "Dive file (%1)")
               .arg(readableFilePatterns().join(QLatin1Char(' ')))
        + QStringLiteral(";;") + QCoreApplication::translate("MainWindow", "Csv file (*.csv)")
        + QStringLiteral(";;")
        + QCoreApplication::translate("MainWindow", "UDDF file (*.uddf *.xml)")
        + QStringLiteral(";;")
        + QCoreApplication::translate(
            "MainWindow", "Other programs' logbooks (*.ssrf *.xml *.udcf *.fit *.json *.sml)")
        + QStringLiteral(";;")
        + QCoreApplication::translate("MainWindow", "Binary dive file (*.divebin)");
}

} // namespace

void MainWindow::connectFileActions()
{
    connect(m_ui->actionOpen, &QAction::triggered, this, &MainWindow::openDiveProfile);
    // Importing stores every dive of many files into the logbook (opening shows one).
    auto* importFiles = new QAction(tr("Import dives..."), this);
    auto* importFolder = new QAction(tr("Import a folder of dives..."), this);
    m_ui->menuFile->insertActions(m_ui->actionOpen, { importFiles, importFolder });
    connect(importFiles, &QAction::triggered, this, [this]() { chooseDivesToImport(false); });
    connect(importFolder, &QAction::triggered, this, [this]() { chooseDivesToImport(true); });
    connect(m_ui->actionAbout, &QAction::triggered, this, &MainWindow::about);
    connect(m_ui->actionPreferences, &QAction::triggered, this, &MainWindow::editPreferences);
    connect(m_ui->btStoreDive, &QPushButton::clicked, this, &MainWindow::storeCurrentDive);
    connect(m_ui->btImportDive, &QPushButton::clicked, this, &MainWindow::openDiveProfile);
    m_ui->btStoreDive->setEnabled(false);
}

bool MainWindow::openDiveFile(const QString& path)
{
    if (m_detailsEditor)
        m_detailsEditor->commit();
    // Read into fresh profiles: a failed read leaves the shown dive untouched.
    DiveFileContent content = readDiveFileAsking(path, m_questions);
    if (content.ok() && content.dives.isEmpty())
        content.error = content.refused.isEmpty() ? tr("The file holds no dive.")
                                                  : content.refused.constFirst().reason;
    if (!content.ok()) {
        QMessageBox::critical(this, tr("Error"),
            tr("Impossible to open file") + QLatin1Char('\n') + QDir::toNativeSeparators(path)
                + QLatin1Char('\n') + content.error);
        return false;
    }
    m_currentDive = std::move(content.dives.first());
    m_shownDiveId = -1;
    showCurrentDive();
    m_ui->btStoreDive->setEnabled(true);
    // Remarks of the reader (skipped lines, a short file) and dives beyond the first are shown,
    // not only logged.
    QStringList remarks = content.warnings;
    if (content.dives.size() + content.refused.size() > 1)
        remarks << tr("The file holds %1 dives; \"Import dives\" stores them all.")
                       .arg(content.dives.size() + content.refused.size());
    for (const QString& remark : remarks)
        logToConsole(QDir::toNativeSeparators(path) + QStringLiteral(": ") + remark);
    if (!remarks.isEmpty())
        statusBar()->showMessage(remarks.join(QLatin1Char(' ')));
    highlightDiveRow(QModelIndex());
    if (m_settings) {
        m_settings->setValue(
            QStringLiteral("directories/lastDiveFile"), QFileInfo(path).absolutePath());
        m_settings->sync();
    }
    return true;
}

void MainWindow::openDiveProfile()
{
    const QString start = m_settings
        ? m_settings->value(QStringLiteral("directories/lastDiveFile")).toString()
        : QString();
    const QString file
        = QFileDialog::getOpenFileName(this, tr("Open Dive File"), start, diveFileFilter());
    if (!file.isEmpty())
        openDiveFile(file);
}

void MainWindow::dropFiles(const QStringList& pFiles)
{
    if (pFiles.isEmpty())
        return;
    const QString& path = pFiles.first();
    // The reader is chosen by the content; what no reader knows is said on opening.
    openDiveFile(path);
}

void MainWindow::openDiveProfileItem(const QModelIndex& index)
{
    const int id = DiveListView::diveIdOf(*m_ui->diveList, index);
    if (id < 0)
        return;
    if (m_detailsEditor)
        m_detailsEditor->commit();
    DiveProfile loaded;
    if (!LogbookDatabase::instance().loadDive(id, loaded)) {
        QMessageBox::critical(this, tr("Database Error"), tr("Impossible to read profile"));
        return;
    }
    m_currentDive = std::move(loaded);
    m_shownDiveId = id;
    showCurrentDive();
    m_ui->btStoreDive->setEnabled(false);
    highlightDiveRow(index);
}

void MainWindow::storeCurrentDive()
{
    if (!m_hasDive)
        return;
    MultiFieldDialog dialog(tr("Store the dive in the logbook"));
    dialog.addTextField(tr("Name"), m_currentDive.name);
    if (dialog.run() != QDialog::Accepted)
        return;
    const QString name = dialog.value(tr("Name")).toString().trimmed();
    if (name.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Invalid name"));
        return;
    }
    // A dive the logbook has already, whatever its name or file, is not stored twice.
    const int stored = LogbookDatabase::instance().findSameDive(m_currentDive);
    if (stored >= 0) {
        QMessageBox::information(this, tr("Store dive"),
            tr("This dive is already in the logbook as dive %1.").arg(stored));
        return;
    }
    const QString previous = m_currentDive.name;
    m_currentDive.name = name;
    // A refused store keeps the dive as it was, old name included.
    if (writeDiveToDatabase(m_currentDive) != LogbookDatabase::Success)
        m_currentDive.name = previous;
    m_graphView->profileItem()->refreshHeader();
}

int MainWindow::writeDiveToDatabase(DiveProfile& dive)
{
    LogbookDatabase& logbook = LogbookDatabase::instance();
    int storedId = -1;
    const int outcome = logbook.storeDive(dive, &storedId);
    if (outcome == LogbookDatabase::Success) {
        m_ui->btStoreDive->setEnabled(false);
        if (&dive == &m_currentDive)
            m_shownDiveId = storedId;
        else
            m_downloadedIds << storedId;
        // Undoable: the push refreshes the list and the shown dive's number.
        pushLogbookCommand(*m_undoStack, new ImportDiveCommand(dive, storedId));
        return outcome;
    }
    QString text = tr("Impossible to write profile ") + dive.name;
    switch (outcome) {
    case LogbookDatabase::NotOpen:
        text += tr("\nDatabase not open");
        break;
    case LogbookDatabase::DuplicateDive:
        text += tr("\nDive Id already exists");
        break;
    case LogbookDatabase::StatementFailed:
        text += QLatin1Char('\n') + logbook.lastError();
        break;
    default:
        break;
    }
    QMessageBox::critical(this, tr("Write Database Error"), text);
    return outcome;
}

void MainWindow::chooseDivesToImport(bool folder)
{
    const QString start = m_settings
        ? m_settings->value(QStringLiteral("directories/lastDiveFile")).toString()
        : QString();
    QStringList paths;
    if (folder) {
        const QString dir = QFileDialog::getExistingDirectory(this, tr("Import dives"), start);
        if (!dir.isEmpty())
            paths << dir;
    } else {
        paths = QFileDialog::getOpenFileNames(this, tr("Import dives"), start, diveFileFilter());
    }
    if (!paths.isEmpty())
        importDives(paths);
}

ImportReport MainWindow::importDives(const QStringList& paths, bool showSummary)
{
    const QStringList files = diveFilesIn(paths);
    QProgressDialog progress(tr("Importing dives..."), tr("Stop"), 0, int(files.size()), this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    ImportReport report = importDiveFiles(
        LogbookDatabase::instance(), files,
        [&progress](int done, int total) {
            progress.setMaximum(total);
            progress.setValue(done);
            return !progress.wasCanceled();
        },
        m_questions);
    progress.reset();
    fillDiveList();
    for (const QString& warning : report.warnings)
        logToConsole(warning);
    if (showSummary) {
        ImportSummaryDialog summary(LogbookDatabase::instance(), report, this);
        connect(&summary, &ImportSummaryDialog::divesStored, this, &MainWindow::fillDiveList);
        summary.exec();
        report = summary.report();
    }
    // One undo step takes the whole import back.
    QList<const ImportEntry*> stored;
    for (const ImportEntry& entry : std::as_const(report.entries))
        if (entry.kind == ImportEntry::Stored && entry.diveId >= 0)
            stored << &entry;
    if (!stored.isEmpty()) {
        m_undoStack->beginMacro(tr("import of %1 dives").arg(stored.size()));
        for (const ImportEntry* entry : std::as_const(stored)) {
            DiveProfile named;
            named.name = entry->name;
            m_undoStack->push(new ImportDiveCommand(named, entry->diveId));
        }
        m_undoStack->endMacro();
        QList<int> ids;
        for (const ImportEntry* entry : std::as_const(stored))
            ids << entry->diveId;
        if (showSummary)
            m_logbookActions->offerTrips(ids);
    }
    return report;
}

void MainWindow::setCsvSeparator(bool comma)
{
    m_csvComma = comma;
    if (!m_settings)
        return;
    m_settings->setValue(QStringLiteral("export/csvSeparator"), comma);
    m_settings->sync();
}

void MainWindow::applyCsvModeFromSettings()
{
    // The saved choice decides every write, whatever another writer set last.
    if (m_settings) {
        m_settings->sync();
        m_csvComma = m_settings->value(QStringLiteral("export/csvSeparator"), m_csvComma).toBool();
    }
    CsvFile::setMode(m_csvComma ? 1 : 0);
}

void MainWindow::exportFromList(const QModelIndex& item)
{
    const int id = DiveListView::diveIdOf(*m_ui->diveList, item);
    if (id < 0)
        return;
    const QString file = chooseSaveFile(this, tr("Export Profile"), QString(),
        tr("Dive file (*.uddf *.csv);;UDDF file (*.uddf);;Csv file (*.csv)"));
    if (!file.isEmpty())
        exportStoredDive(id, file);
}

bool MainWindow::exportStoredDive(int diveId, const QString& path)
{
    applyCsvModeFromSettings();
    const DiveExport done = ::exportStoredDive(LogbookDatabase::instance(), diveId, path);
    if (!done.ok()) {
        QMessageBox::critical(this, done.title, done.problem);
        return false;
    }
    statusBar()->showMessage(
        tr("Dive \"%1\" exported to %2").arg(done.diveName, QDir::toNativeSeparators(path)));
    return true;
}

bool MainWindow::saveSelectionMenu(QMenu& menu)
{
    if (!m_hasDive || !m_graphView->isSelectionVisible())
        return false;
    menu.addAction(tr("Save selection"), this, [this]() {
        const QString file = chooseSaveFile(this, tr("Save Dive File"), QString(),
            tr("Dive file (*.uddf *.csv);;UDDF file (*.uddf);;Csv file (*.csv)"));
        if (!file.isEmpty())
            saveSelection(file);
    });
    return true;
}

bool MainWindow::saveSelection(const QString& path)
{
    if (!m_hasDive)
        return false;
    applyCsvModeFromSettings();
    const auto range = m_graphView->selectedRange();
    const DiveExport done = exportDiveRange(m_currentDive, range.first, range.second, path);
    if (!done.ok()) {
        QMessageBox::critical(this, done.title, done.problem);
        return false;
    }
    statusBar()->showMessage(tr("Selection saved to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}
