#include "app/mainwindow.h"

#include "app/aboutwindow.h"
#include "app/appdata.h"
#include "app/computerlink.h"
#include "app/diveimport.h"
#include "app/graphreplay.h"
#include "app/hiddenoptions.h"
#include "app/logbookactions.h"
#include "app/preferencesdialog.h"
#include "computer/computeractions.h"
#include "computer/firmwaremgt.h"
#include "dive/airuse.h"
#include "dive/divealerts.h"
#include "dive/formattime.h"
#include "fileio/csvfile.h"
#include "fileio/divefileformat.h"
#include "fileio/divelinesio.h"
#include "logbook/divecounts.h"
#include "logbook/divedetails.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookstats.h"
#include "plannerui/planificationtab.h"
#include "plannerui/plansettingsdialog.h"
#include "plannerui/simulationtab.h"
#include "ui_mainwindow.h"
#include "views/cylinderseditor.h"
#include "views/divedetailseditor.h"
#include "views/divelistcolumns.h"
#include "views/divelistview.h"
#include "views/diveprofileitem.h"
#include "views/formfilter.h"
#include "views/graphview.h"
#include "views/logbookcommands.h"
#include "views/multifielddialog.h"
#include "views/placecommands.h"
#include "views/pressurecurve.h"
#include "views/replaylayer.h"
#include "views/savefiledialog.h"
#include "views/statisticspage.h"
#include "views/statisticsview.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLocale>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <QUndoStack>

namespace {

const char* const LaterVersion = QT_TRANSLATE_NOOP("MainWindow", "Not available in this version");

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

QString unknownExtensionText(const QString& path)
{
    return QCoreApplication::translate(
        "MainWindow", "%1: the file name must end in .uddf or .csv to choose the file's format.")
        .arg(QFileInfo(path).fileName());
}

} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindowClass>())
{
    m_ui->setupUi(this);
    m_ui->tabMain->setCurrentIndex(0);
    m_undoStack = new QUndoStack(this);
    m_questions = FileQuestions::dialogs(this);
    setWindowIcon(QIcon(QStringLiteral(":/AppIcon/BrenmorSystemsDiveIcon.ico")));

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
    // A click or the arrow keys show the dive: the shown dive is the current row.
    // The list's model first: its selection model carries the current row.
    DiveListView::model(*m_ui->diveList);
    connect(m_ui->diveList->selectionModel(), &QItemSelectionModel::currentChanged, this,
        [this](const QModelIndex& index) {
            const int id = DiveListView::diveIdOf(*m_ui->diveList, index);
            if (id >= 0 && id != m_shownDiveId)
                openDiveProfileItem(index);
        });
    connect(m_ui->diveList, &QWidget::customContextMenuRequested, this,
        &MainWindow::onDiveListContextMenu);
    for (QCheckBox* box : { m_ui->ckPoints, m_ui->ckTemperature, m_ui->ckDeco, m_ui->ckAlerts })
        connect(box, &QCheckBox::clicked, this, &MainWindow::showItems);
    m_ui->imgVeltra->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->btImportDive, &QPushButton::clicked, this, &MainWindow::openDiveProfile);

    m_graphView = new GraphView(m_ui->widgetGraph);
    auto* graphLayout = new QHBoxLayout(m_ui->widgetGraph);
    graphLayout->setContentsMargins(0, 0, 0, 0);
    graphLayout->addWidget(m_graphView);
    m_graphView->rangeSelectionEnabled = true;
    connect(m_graphView, &GraphView::mouseMove, this, &MainWindow::graphViewMouseMove);
    connect(m_graphView, &GraphView::dragDropFiles, this, &MainWindow::dropFiles);
    m_graphView->contextMenuHook = [this](QMenu& menu) {
        const bool saving = saveSelectionMenu(menu);
        if (m_hasDive)
            addComparePlanActions(menu, this, m_graphView, m_planTab->plan());
        return saving || m_hasDive;
    };

    // The planification tab is a widget of its own, with its own form.
    m_planTab = new PlanificationTab(m_ui->tab_7);
    m_ui->tab_7->layout()->addWidget(m_planTab);
    connect(m_planTab, &PlanificationTab::logMessage, this,
        [this](const QString& text) { logToConsole(QStringLiteral("Log: ") + text); });
    connect(m_planTab, &PlanificationTab::done, this,
        [this](const QString& text) { statusBar()->showMessage(text); });

    m_appDataDir = AppData::dataDirPath();
    if (!AppData::ensureDir(m_appDataDir)) {
        AppData::reportDirFailure(this, m_appDataDir);
        m_usable = false;
        return;
    }

    const QDir dataDir(m_appDataDir);
    m_settings = new QSettings(
        dataDir.filePath(QStringLiteral("settings.cfg")), QSettings::IniFormat, this);
    m_planTab->setSettings(m_settings);
    connectReplayOptions(m_settings, { m_graphView, m_planTab->graph() });
    addReplayButton(m_ui->horizontalLayout_5, m_ui->horizontalLayout_5->indexOf(m_ui->ckAlerts) + 1,
        m_graphView);
    // Written as a bool (true/false); reading it as an int would turn "true" into 0.
    m_csvComma = m_settings->value(QStringLiteral("export/csvSeparator"), false).toBool();
    m_units = DisplayUnits::load(*m_settings);
    DisplayUnits::setCurrent(m_units);

    createLogbookFeatures();
    openLogbook();
    fillDiveList();

    m_ui->splitVert->setStretchFactor(1, 1);
    m_ui->splitVert->setSizes({ 400, 1000 });
    // The last column takes what is left of the pane, down to 40 pixels.
    m_ui->diveList->horizontalHeader()->setMinimumSectionSize(40);
    m_ui->diveList->horizontalHeader()->setStretchLastSection(false);
    m_ui->diveList->horizontalHeader()->setSectionResizeMode(
        DiveListView::SiteColumn, QHeaderView::Stretch);
    m_ui->diveList->setColumnWidth(0, 100);
    // The date column is 120 pixels unless the font needs more for a whole date and time.
    QFont bold = m_ui->diveList->font();
    bold.setBold(true);
    m_ui->diveList->setColumnWidth(1,
        std::max(
            120, QFontMetrics(bold).horizontalAdvance(QStringLiteral("00/00/0000 00:00:00")) + 12));
    m_ui->diveList->setColumnWidth(2, 70);
    m_ui->diveList->setWordWrap(false);
    m_ui->diveList->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_ui->btStoreDive->setEnabled(false);

    MultiFieldDialog::setIconPaths(QStringLiteral(":/TestGraphics/icons/ok.png"),
        QStringLiteral(":/TestGraphics/icons/cancel.png"));

    m_title = tr("Veltra Desktop - ") + QApplication::applicationVersion();
    // The hidden test button opens the firmware manager without any connection check.
    connect(m_ui->btTest, &QPushButton::clicked, this,
        [this]() { FirmwareMgt::openManager(this, m_appDataDir); });

    // The computer's menu and its state label; the actions live in computer/.
    m_deviceMenu = new QMenu(this);
    m_deviceMenu->setToolTipsVisible(true);
    m_downloadAction = m_deviceMenu->addAction(tr("Download dives"));
    m_programNameAction = m_deviceMenu->addAction(tr("Program name"));
    m_ui->btImportVeltra->setMenu(m_deviceMenu);
    setWindowTitle(m_title);
    createComputerActions();
    createMenusAndKeys();

    // The simulation tab is a widget of its own; it replays the dive shown or the planned dive.
    // In a scroll area: the tall simulation controls must not make the window taller than a
    // laptop screen.
    auto* simulationScroll = new QScrollArea(m_ui->tab_3);
    simulationScroll->setWidgetResizable(true);
    simulationScroll->setFrameShape(QFrame::NoFrame);
    m_simulationTab = new SimulationTab(simulationScroll);
    simulationScroll->setWidget(m_simulationTab);
    m_ui->verticalLayout_15->addWidget(simulationScroll);
    m_ui->tab_3->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    m_simulationTab->connectComputer = [this] { return connectTarskBle(); };
    m_simulationTab->addReplaySource(tr("Dive shown"), m_graphView);
    if (auto* planGraph = m_planTab->findChild<GraphView*>(QStringLiteral("widgetSimul")))
        m_simulationTab->addReplaySource(tr("Planned dive"), planGraph);
    connect(m_simulationTab, &SimulationTab::logMessage, this,
        [this](const QString& text) { logToConsole(text); });
    m_ui->tabProfile->setCurrentIndex(0);
    applyHiddenOptions(
        HiddenOptions::read(QDir(m_appDataDir).filePath(QStringLiteral("options.ini"))));

    connect(m_ui->btFitAllVisu, &QPushButton::clicked, m_graphView,
        [this]() { m_graphView->profileItem()->fitAll(); });
    connect(m_ui->btFilter, &QPushButton::clicked, this, &MainWindow::setFilter);
}

void MainWindow::createLogbookFeatures()
{
    QTableView* list = m_ui->diveList;
    m_grouped = m_settings->value(QStringLiteral("list/groupByComputer"), false).toBool();
    m_groupedByTrip = m_settings->value(QStringLiteral("list/groupByTrip"), false).toBool();
    m_sortColumn
        = std::clamp(m_settings->value(QStringLiteral("list/sortColumn"), m_sortColumn).toInt(), 0,
            int(DiveListView::ColumnCount) - 1);
    m_sortDescending
        = m_settings->value(QStringLiteral("list/sortDescending"), m_sortDescending).toBool();

    // The search box above the list; it narrows what the filter keeps.
    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("edSearch"));
    m_search->setPlaceholderText(tr("Search dives"));
    m_search->setClearButtonEnabled(true);
    m_ui->verticalLayout_4->insertWidget(0, m_search);
    m_searchTimer = new QTimer(this);
    m_searchTimer->setSingleShot(true);
    m_searchTimer->setInterval(150);
    connect(m_search, &QLineEdit::textChanged, m_searchTimer, qOverload<>(&QTimer::start));
    connect(m_searchTimer, &QTimer::timeout, this, [this] {
        m_filter.search = m_search->text();
        fillDiveList();
    });

    QHeaderView* header = list->horizontalHeader();
    // The dive number reads first; the name keeps the first model column, which carries the id.
    header->moveSection(DiveListView::NumberColumn, 0);
    list->setColumnWidth(DiveListView::NumberColumn, 48);
    DiveListColumns::install(*list, m_settings);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        m_sortColumn, m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::sortByColumn);
    for (const int key : { int(Qt::Key_Return), int(Qt::Key_Enter) }) {
        auto* open = new QShortcut(QKeySequence(key), list, nullptr, nullptr, Qt::WidgetShortcut);
        connect(open, &QShortcut::activated, this,
            [this] { openDiveProfileItem(m_ui->diveList->currentIndex()); });
    }

    auto* edit = new QMenu(tr("&Edit"), this);
    edit->setObjectName(QStringLiteral("menuEdit"));
    menuBar()->insertMenu(m_ui->menuHelp->menuAction(), edit);
    QAction* undo = m_undoStack->createUndoAction(edit, tr("&Undo"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = m_undoStack->createRedoAction(edit, tr("&Redo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    edit->addAction(tr("Renumber dives by date"), this, &MainWindow::renumberDives);
    m_logbookActions = new LogbookActions(this, m_undoStack, m_ui->menuFile,
        m_ui->actionPreferences, [this] { return DiveListView::selectedDiveIds(*m_ui->diveList); });
    connect(m_logbookActions, &LogbookActions::diveAdded, this, [this](int id) {
        const QModelIndex index = DiveListView::indexOfDive(*m_ui->diveList, id);
        if (index.isValid())
            m_ui->diveList->setCurrentIndex(index);
    });
    QAction* grouped = edit->addAction(tr("Group dives by computer"));
    grouped->setCheckable(true);
    grouped->setChecked(m_grouped);
    connect(grouped, &QAction::toggled, this, &MainWindow::setGroupedByComputer);
    QAction* byTrip = edit->addAction(tr("Group dives by trip"));
    byTrip->setCheckable(true);
    byTrip->setChecked(m_groupedByTrip);
    // One grouping at a time.
    connect(byTrip, &QAction::toggled, this, [this, grouped](bool on) {
        m_groupedByTrip = on;
        if (m_settings)
            m_settings->setValue(QStringLiteral("list/groupByTrip"), on);
        if (on && grouped->isChecked())
            grouped->setChecked(false);
        else
            fillDiveList();
    });
    connect(grouped, &QAction::toggled, byTrip, [byTrip](bool on) {
        if (on)
            byTrip->setChecked(false);
    });
    connect(list, &QAbstractItemView::clicked, this,
        [this](const QModelIndex& index) { DiveListView::toggleGroup(*m_ui->diveList, index); });
    connect(m_undoStack, &QUndoStack::indexChanged, this, &MainWindow::logbookChanged);

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

    m_statisticsPage = new StatisticsPage(this);
    m_statistics = m_statisticsPage->overview();
    m_ui->tabMain->addTab(m_statisticsPage, tr("Statistics"));
    connect(m_ui->tabMain, &QTabWidget::currentChanged, this, [this] {
        if (m_ui->tabMain->currentWidget() == m_statisticsPage && m_statisticsStale)
            showStatistics();
    });
    connect(m_statistics, &StatisticsView::openDive, this, [this](int id) {
        const QModelIndex index = DiveListView::indexOfDive(*m_ui->diveList, id);
        if (index.isValid()) {
            m_ui->tabMain->setCurrentIndex(0);
            m_ui->diveList->setCurrentIndex(index);
            openDiveProfileItem(index);
        }
    });
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
    QList<DiveSite> sites;
    db.listSites(sites);
    QStringList names;
    for (const DiveSite& site : sites)
        names << site.name;
    names.removeDuplicates();
    m_detailsEditor->setCompletions(names, db.usedNames(LogbookDatabase::UsedList::Buddies),
        db.usedNames(LogbookDatabase::UsedList::Tags));
}

void MainWindow::showStatistics()
{
    m_statistics->setStatistics(computeStatistics(m_listed));
    m_statisticsPage->setCounts(computeDiveCounts(m_listed), int(m_listed.size()));
    m_statisticsStale = false;
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
    const double sac = surfaceAirConsumption(m_currentDive);
    m_airUse->setText(sac > 0 ? tr("%1 L/min").arg(sac, 0, 'f', 1) : QString());
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

void MainWindow::sortByColumn(int column)
{
    if (column == m_sortColumn) {
        m_sortDescending = !m_sortDescending;
    } else {
        m_sortColumn = column;
        // Numbers and times read best largest first, names from A.
        m_sortDescending = column != DiveListView::NameColumn && column != DiveListView::SiteColumn;
    }
    m_ui->diveList->horizontalHeader()->setSortIndicator(
        column, m_sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder);
    if (m_settings) {
        m_settings->setValue(QStringLiteral("list/sortColumn"), m_sortColumn);
        m_settings->setValue(QStringLiteral("list/sortDescending"), m_sortDescending);
    }
    fillDiveList();
}

void MainWindow::setGroupedByComputer(bool grouped)
{
    m_grouped = grouped;
    if (m_settings)
        m_settings->setValue(QStringLiteral("list/groupByComputer"), grouped);
    fillDiveList();
}

void MainWindow::renumberDives()
{
    if (QMessageBox::question(this, tr("Renumber dives"),
            tr("Number every dive 1, 2, 3... in date order?"), QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    const QString failed = pushLogbookCommand(*m_undoStack, new RenumberDivesCommand());
    if (!failed.isEmpty())
        QMessageBox::critical(this, tr("Database Error"), failed);
}

void MainWindow::createComputerActions()
{
    ComputerActions::Hooks hooks;
    hooks.console = [this](const QString& line) { logToConsole(line); };
    hooks.downloadStored = [this](const DiveProfile& dive, int diveId) {
        pushLogbookCommand(*m_undoStack, new ImportDiveCommand(dive, diveId));
    };
    hooks.askOwner = [](QWidget*, const QString& current) -> std::optional<QString> {
        MultiFieldDialog dialog(tr("Set owner"));
        dialog.addTextField(tr("Owner name"), current);
        if (dialog.run() != QDialog::Accepted)
            return std::nullopt;
        return dialog.value(tr("Owner name")).toString();
    };
    // The simulation tab follows the link's disconnection itself.
    hooks.disconnected = [] {};
    hooks.openFirmwareManager = [this] { FirmwareMgt::openManager(this, m_appDataDir); };
    // The program, not the link, chooses what the link runs over.
    const bool demo
        = demoComputerRequested(QDir(m_appDataDir).filePath(QStringLiteral("options.ini")));
    hooks.makeLink = [demo](QObject* parent, TarskBle::LogCallback log) {
        return makeComputerLink(parent, std::move(log), demo);
    };
    hooks.extendMenu = [](QMenu& menu) { addDemoComputerActions(menu, bleLink); };
    hooks.linkLogPath = QDir(m_appDataDir).filePath(QStringLiteral("link.log"));
    m_computer = new ComputerActions(this, m_ui->imgVeltra, hooks);
    m_ui->menuHelp->addAction(tr("Save link log..."), m_computer, &ComputerActions::saveLinkLog);
    // Dives downloaded together within days of each other are offered as a trip.
    connect(m_computer, &ComputerActions::divesStored, this, [this] {
        const QList<int> ids = std::exchange(m_downloadedIds, {});
        m_logbookActions->offerTrips(ids);
    });
    connect(m_downloadAction, &QAction::triggered, this, &MainWindow::onDownloadDives);
    connect(m_programNameAction, &QAction::triggered, this, &MainWindow::onProgramName);
}

int MainWindow::connectTarskBle()
{
    return m_computer->connectTarskBle();
}

void MainWindow::onDownloadDives()
{
    m_computer->onDownloadDives();
}

void MainWindow::onProgramName()
{
    m_computer->onProgramName();
}

MainWindow::~MainWindow()
{
    // The stack empties itself when it goes: nothing is left to refresh by then.
    m_undoStack->disconnect(this);
    // The view points at currentDive, which goes first.
    if (m_graphView)
        m_graphView->showProfile(nullptr);
}

void MainWindow::editPreferences()
{
    const QString path = QDir(m_appDataDir).filePath(QStringLiteral("options.ini"));
    PreferencesDialog dialog(HiddenOptions::read(path), this, m_units);
    dialog.setPlanDefaultsEditor([this, &dialog]() {
        PlanSettingsDialog plan(readPlanDefaults(*m_settings), &dialog);
        if (plan.exec() != QDialog::Accepted)
            return;
        writePlanDefaults(*m_settings, plan.settings());
        m_planTab->applyAscentSettings(plan.settings(), false);
    });
    ReplayLayer* replay = m_graphView->replayLayer();
    dialog.setReplayFactors(replay->options().gfLow, replay->options().gfHigh);
    if (dialog.exec() != QDialog::Accepted)
        return;
    replay->setFactors(dialog.replayGfLow(), dialog.replayGfHigh());
    if (dialog.units() != m_units) {
        m_units = dialog.units();
        if (m_settings)
            m_units.save(*m_settings);
        DisplayUnits::setCurrent(m_units);
        // Every view shows the new units at once.
        fillDiveList();
        if (m_hasDive) {
            displayDiveSummary();
            m_graphView->profileItem()->refreshHeader();
        }
        m_statisticsStale = true;
    }
    const HiddenOptions options = dialog.options();
    if (!options.write(path))
        QMessageBox::warning(this, tr("Preferences"),
            tr("The preferences could not be saved in\n%1\nThey apply until the program ends.")
                .arg(QDir::toNativeSeparators(path)));
    applyHiddenOptions(options);
}

void MainWindow::applyHiddenOptions(const HiddenOptions& options)
{
    // Tabs 3 and 4 of the profile tabs: Console and Simulation.
    m_ui->tabProfile->setTabVisible(3, options.simulation);
    m_ui->tabProfile->setTabVisible(4, options.simulation);
    m_planTab->setAddOnEnabled(options.planificationAddOn);
    m_ui->tabMain->setTabVisible(1, options.planification);
    m_ui->btImportDive->setVisible(options.import);
    m_ui->btStoreDive->setVisible(options.import);
    m_ui->actionOpen->setEnabled(options.import);
    m_ui->gbAlerts->setVisible(options.alerts);
    m_programNameAction->setVisible(options.programName);
    m_ui->btTest->setVisible(options.developer);
    for (const char* name : { "btTestPlanif", "btTestRR", "btSolve" }) {
        if (auto* button = m_planTab->findChild<QWidget*>(QLatin1String(name)))
            button->setVisible(options.developer);
    }
}

void MainWindow::openLogbook()
{
    LogbookDatabase& logbook = LogbookDatabase::instance();
    const QString path = QDir(m_appDataDir).filePath(QStringLiteral("diveDB.db"));
    // A second program on the same logbook would fail at its first write after SQLite's
    // five-second wait: tell the user at once which program holds it.
    m_logbookLock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    m_logbookLock->setStaleLockTime(0);
    if (!m_logbookLock->tryLock(0)) {
        qint64 pid = 0;
        QString host;
        QString application;
        const bool known = m_logbookLock->getLockInfo(&pid, &host, &application);
        m_logbookLock.reset();
        // The same process (a second window) shares the connection.
        if (!known || pid != QCoreApplication::applicationPid()) {
            QMessageBox::critical(this, tr("Logbook in use"),
                tr("The logbook %1 is already open in another VeltraDesktop (process %2 on %3).\n"
                   "Close it, then start VeltraDesktop again; this window works without the "
                   "logbook.")
                    .arg(QDir::toNativeSeparators(path))
                    .arg(pid)
                    .arg(host));
            return;
        }
    }
    const int outcome = logbook.openOrCreate(path);
    if (outcome == LogbookDatabase::NotOpen) {
        QString text = tr("Impossible to open database");
        if (!logbook.lastError().isEmpty())
            text += QLatin1Char('\n') + logbook.lastError();
        QMessageBox::critical(this, tr("Database Error"), text);
    } else if (outcome == LogbookDatabase::StatementFailed) {
        QMessageBox::critical(this, tr("Database Error"),
            tr("Impossible to create database \n") + logbook.lastError());
    }
}

void MainWindow::on_actionQuit_triggered()
{
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // An edit still in its field is saved, not lost.
    if (m_detailsEditor)
        m_detailsEditor->commit();
    if (m_planTab && !m_planTab->maybeSave()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::logToConsole(const QString& text, bool clear)
{
    if (clear)
        m_ui->console->clear();
    m_ui->console->append(text);
}

void MainWindow::setAlertLed(QAbstractButton* button, int level, bool strong)
{
    const QString base = QStringLiteral(":/TestGraphics/icons/");
    switch (level) {
    case 0:
        button->setIcon(QIcon(base + QStringLiteral("Led_Green.png")));
        break;
    case 1:
        button->setIcon(QIcon(
            base + (strong ? QStringLiteral("Led_Red.png") : QStringLiteral("Led_Orange.png"))));
        break;
    case 2:
        button->setIcon(QIcon(base + QStringLiteral("Led_Orange.png")));
        break;
    case 3:
        button->setIcon(QIcon(base + QStringLiteral("Led_Red.png")));
        break;
    default:
        // No dive shown: nothing to judge, so no light says "fine" either.
        button->setIcon(QIcon(base + QStringLiteral("Led_Grey.png")));
        break;
    }
}

void MainWindow::showAlertLights(const DiveAlertSummary& alerts)
{
    // The graph's marks and colours come from the same analysis, so a light always has
    // something to point at on the profile.
    const auto show = [](QAbstractButton* button, AlertLight light, const QString& text) {
        setAlertLed(button,
            light == AlertLight::Green        ? 0
                : light == AlertLight::Orange ? 2
                                              : 3,
            false);
        button->setToolTip(text);
    };
    const QString ceiling = tr("Ceil: decompression ceiling.");
    show(m_ui->alertCeil, alerts.ceiling,
        ceiling + QLatin1Char('\n')
            + (alerts.ceiling == AlertLight::Red
                    ? tr("The diver went above the ceiling: see the marks on the graph.")
                    : alerts.ceiling == AlertLight::Orange
                    ? tr("The computer warned that the ceiling was near.")
                    : tr("The diver stayed below the ceiling.")));
    show(m_ui->alertRR, alerts.rapidAscent,
        tr("RR: rapid ascent, faster than %1 m/min.").arg(MaxAscentSpeed) + QLatin1Char('\n')
            + (alerts.rapidAscent == AlertLight::Red
                    ? tr("Too fast: the red segments and marks on the graph show where.")
                    : alerts.rapidAscent == AlertLight::Orange
                    ? tr("Near the limit: the orange segments on the graph show where.")
                    : tr("Every ascent stayed within the limit.")));
    show(m_ui->alertYoyo, alerts.yoyoLight,
        tr("Yoyo: an ascent of 10 m or more followed by a descent of 10 m or more.")
            + QLatin1Char('\n')
            + (alerts.yoyoLight == AlertLight::Green
                    ? tr("No yoyo in this dive.")
                    : tr("Yoyos found: %1 (see the marks on the graph).").arg(alerts.yoyoCount)));
    show(m_ui->alertSecurity, alerts.security,
        tr("Security: safety warning recorded by the computer.") + QLatin1Char('\n')
            + (alerts.security == AlertLight::Green
                    ? tr("No warning.")
                    : tr("The computer recorded a warning of level %1.")
                          .arg(alerts.securityLevel)));
    const QString dives = tr("Dives/24H: dives within 24 hours.") + QLatin1Char('\n');
    show(m_ui->alertDives24H, alerts.dives24h,
        dives
            + (alerts.dives24hLevel == 0        ? tr("First dive of the last 24 hours.")
                    : alerts.dives24hLevel == 1 ? tr("Second dive within 24 hours.")
                    : alerts.dives24hLevel == 2 ? tr("Third dive within 24 hours: take care.")
                                                : tr("Four or more dives within 24 hours.")));
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
    const double sac = surfaceAirConsumption(dive);
    if (m_airUse)
        m_airUse->setText(sac > 0 ? tr("%1 L/min").arg(sac, 0, 'f', 1) : QString());
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

void MainWindow::showItems()
{
    m_graphView->setItemsVisible(m_ui->ckPoints->isChecked(), m_ui->ckTemperature->isChecked(),
        m_ui->ckDeco->isChecked(), m_ui->ckAlerts->isChecked());
}

void MainWindow::graphViewMouseMove(QPointF pScenePoint, int pTime)
{
    if (pTime < 0) {
        m_simulationTab->positionInformation()->clear();
        return;
    }
    m_simulationTab->positionInformation()->setHtml(
        m_graphView->positionInformation(pScenePoint, pTime));
}

void MainWindow::about()
{
    auto* window = new AboutWindow;
    window->adjustSize();
    // Frameless, it has no title bar to drag: centre it on the main window, inside the screen.
    QRect place(QPoint(), window->size());
    place.moveCenter(frameGeometry().center());
    if (const QScreen* screen = this->screen()) {
        const QRect available = screen->availableGeometry();
        place.moveLeft(std::clamp(place.left(), available.left(),
            std::max(available.left(), available.right() + 1 - place.width())));
        place.moveTop(std::clamp(place.top(), available.top(),
            std::max(available.top(), available.bottom() + 1 - place.height())));
    }
    window->move(place.topLeft());
    window->show();
}

// ---- Logbook view

void MainWindow::fillDiveList()
{
    QList<DiveListEntry> entries;
    int computers = 0;
    if (!LogbookDatabase::instance().listDives(m_filter, entries, computers)) {
        entries.clear();
        computers = 0;
    }
    const DiveSortKey keys[] = { DiveSortKey::Name, DiveSortKey::Date, DiveSortKey::Duration,
        DiveSortKey::Depth, DiveSortKey::Site, DiveSortKey::Number };
    const int column = m_sortColumn >= 0 && m_sortColumn < DiveListView::ColumnCount
        ? m_sortColumn
        : int(DiveListView::DateColumn);
    sortDiveEntries(entries, keys[column], m_sortDescending, m_grouped);
    const bool narrowed = m_filter.isActive() || !m_filter.search.trimmed().isEmpty();
    const QString empty = narrowed
        ? tr("No dive matches: clear the search box or the filter to see every dive.")
        : tr("No dives yet: download them from your computer, import dive files or use Log > Add "
             "dive.");
    if (m_groupedByTrip && !m_grouped) {
        DiveListView::sortByTrip(entries);
        DiveListView::fillByTrip(*m_ui->diveList, *m_ui->lbFilter, entries, empty);
    } else {
        DiveListView::fill(*m_ui->diveList, *m_ui->lbFilter, entries, computers, m_grouped, empty);
    }
    m_listed = std::move(entries);
    m_statisticsStale = true;
    if (m_statistics && m_ui->tabMain->currentWidget() == m_statisticsPage)
        showStatistics();
    if (m_shownDiveId >= 0)
        highlightDiveRow(DiveListView::indexOfDive(*m_ui->diveList, m_shownDiveId));
}

void MainWindow::highlightDiveRow(const QModelIndex& index)
{
    DiveListView::highlight(*m_ui->diveList, index);
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

QMenu* MainWindow::createDiveListMenu(const QModelIndex& item)
{
    // Kept as a persistent index: a refill while the menu is open turns it invalid rather than
    // pointing at another dive.
    const QPersistentModelIndex kept(item);
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->setToolTipsVisible(true);
    menu->addAction(tr("Open"), this, [this, kept]() { openDiveProfileItem(kept); });
    menu->addAction(tr("Delete"), this, &MainWindow::deleteSelectedDives);
    menu->addSeparator();
    menu->addAction(tr("Rename"), this, [this, kept]() { renameDive(kept); });
    menu->addAction(tr("Export"), this, [this, kept]() { exportFromList(kept); });
    QMenu* separator = menu->addMenu(tr("csv separator"));
    QAction* dot = separator->addAction(tr("Dot ."), this, [this]() { setCsvSeparator(false); });
    dot->setCheckable(true);
    dot->setChecked(!m_csvComma);
    QAction* comma = separator->addAction(tr("Comma ,"), this, [this]() { setCsvSeparator(true); });
    comma->setCheckable(true);
    comma->setChecked(m_csvComma);
    menu->addSeparator();
    menu->addAction(tr("Add to the plan"), this, [this, kept]() { planStoredDive(kept, false); });
    if (m_planTab->hasCurrentDive())
        menu->addAction(tr("Replace the current dive of the plan"), this,
            [this, kept]() { planStoredDive(kept, true); });
    return menu;
}

void MainWindow::planStoredDive(const QModelIndex& item, bool replace)
{
    const int diveId = DiveListView::diveIdOf(*m_ui->diveList, item);
    DiveProfile dive;
    if (diveId < 0 || !LogbookDatabase::instance().loadDive(diveId, dive)) {
        QMessageBox::critical(this, tr("Database Error"), tr("Impossible to read profile"));
        return;
    }
    const bool done
        = replace ? m_planTab->replaceCurrentProfile(dive) : m_planTab->addDiveProfile(dive);
    if (done)
        m_ui->tabMain->setCurrentWidget(m_ui->tab_7);
}

void MainWindow::onDiveListContextMenu(const QPoint& pos)
{
    const QModelIndex item = m_ui->diveList->indexAt(pos).siblingAtColumn(0);
    if (!item.isValid())
        return;
    QMenu* menu = createDiveListMenu(item);
    menu->popup(m_ui->diveList->viewport()->mapToGlobal(pos));
}

void MainWindow::deleteSelectedDives()
{
    QTableView* list = m_ui->diveList;
    const QList<int> ids = DiveListView::selectedDiveIds(*list);
    if (ids.isEmpty())
        return;
    QStringList labels;
    for (int id : ids)
        labels << DiveListView::indexOfDive(*list, id).data().toString();
    const QString question = ids.size() == 1
        ? tr("Do you really want to delete the dive \"%1\"?").arg(labels.constFirst())
        : tr("Do you really want to delete these %1 dives?").arg(ids.size());
    if (QMessageBox::question(this, tr("Delete dive"), question, QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    // Undoable: the dives stay in memory for the session.
    const QString failed = pushLogbookCommand(*m_undoStack, new DeleteDivesCommand(ids, labels));
    list->clearSelection();
    if (!failed.isEmpty()) {
        QMessageBox::critical(this, tr("Database Error"),
            tr("Impossible to delete profile(") + failed + QLatin1Char(')'));
    }
}

void MainWindow::renameDive(const QModelIndex& item)
{
    const int id = DiveListView::diveIdOf(*m_ui->diveList, item);
    if (id < 0)
        return;
    const QString old = item.siblingAtColumn(0).data().toString();
    MultiFieldDialog dialog(tr("Rename"));
    dialog.addTextField(tr("Name"), old);
    if (dialog.run() != QDialog::Accepted)
        return;
    const QString name = dialog.value(tr("Name")).toString();
    if (name == old || name.trimmed().isEmpty()) {
        QMessageBox::critical(this, tr("Error"), tr("Invalid name"));
        return;
    }
    // The push refreshes the list and the shown dive: item is gone after it.
    if (!pushLogbookCommand(*m_undoStack, new RenameDiveCommand(id, old, name)).isEmpty())
        QMessageBox::critical(this, tr("Error"), tr("Name already exists"));
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
    const std::unique_ptr<DiveLinesIO> writer = makeWriter(path);
    if (!writer) {
        QMessageBox::critical(this, tr("Error"), unknownExtensionText(path));
        return false;
    }
    DiveProfile dive;
    if (!LogbookDatabase::instance().loadDive(diveId, dive)) {
        QMessageBox::critical(this, tr("Database Error"), tr("Impossible to read profile"));
        return false;
    }
    applyCsvModeFromSettings();
    if (!writer->write(path, dive)) {
        QMessageBox::critical(this, tr("Error"),
            tr("Impossible to write file") + QLatin1Char('\n') + QDir::toNativeSeparators(path)
                + QLatin1Char('\n') + writer->errorString());
        return false;
    }
    statusBar()->showMessage(
        tr("Dive \"%1\" exported to %2").arg(dive.name, QDir::toNativeSeparators(path)));
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
    if (!makeWriter(path)) {
        QMessageBox::critical(this, tr("Error"), unknownExtensionText(path));
        return false;
    }
    const auto range = m_graphView->selectedRange();
    if (range.first < 0 || range.second <= range.first)
        return false;
    DiveProfile cut = m_currentDive.cutSelection(range.first, range.second);
    applyCsvModeFromSettings();
    QString error;
    if (!exportDive(cut, path, &error)) {
        QMessageBox::critical(this, tr("Error"),
            tr("Impossible to write file") + QLatin1Char('\n') + QDir::toNativeSeparators(path)
                + QLatin1Char('\n') + error);
        return false;
    }
    statusBar()->showMessage(tr("Selection saved to %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void MainWindow::setFilter()
{
    if (!m_formFilter)
        m_formFilter = new FormFilter(this);
    m_formFilter->setFilter(m_filter, LogbookDatabase::instance().listComputers());
    if (m_formFilter->exec() != QDialog::Accepted)
        return;
    m_formFilter->readInto(m_filter);
    fillDiveList();
    showFilterState();
}

void MainWindow::showFilterState()
{
    const bool active = m_filter.isActive();
    m_ui->btFilter->setText(active ? tr("Filter (on)") : tr("Filter"));
    QFont font = m_ui->btFilter->font();
    font.setBold(active);
    m_ui->btFilter->setFont(font);
    m_ui->btFilter->setToolTip(active ? tr("Some dives are hidden by the filter") : QString());
}
