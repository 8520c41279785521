// The window's construction, its preferences and its life: the parts are wired in
// mainlist.cpp (the dive list), mainsummary.cpp (the dive shown), mainfiles.cpp (files in and
// out) and mainmenus.cpp (keys, menus and the computer).
#include "app/mainwindow.h"

#include "app/aboutwindow.h"
#include "app/appdata.h"
#include "app/graphreplay.h"
#include "app/hiddenoptions.h"
#include "app/logbooklock.h"
#include "app/preferencesdialog.h"
#include "computer/firmwaremgt.h"
#include "plannerui/planificationtab.h"
#include "plannerui/plansettingsdialog.h"
#include "plannerui/simulationtab.h"
#include "ui_mainwindow.h"
#include "views/divedetailseditor.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/multifielddialog.h"
#include "views/replaylayer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QHBoxLayout>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTextEdit>
#include <QUndoStack>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
    , m_ui(std::make_unique<Ui::MainWindowClass>())
{
    m_ui->setupUi(this);
    m_ui->tabMain->setCurrentIndex(0);
    m_undoStack = new QUndoStack(this);
    m_questions = FileQuestions::dialogs(this);
    setWindowIcon(QIcon(QStringLiteral(":/AppIcon/BrenmorSystemsDiveIcon.ico")));
    connectFileActions();
    createGraph();
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
    loadSettings();
    createLogbookFeatures();
    openLogbook();
    fillDiveList();
    arrangeDiveList();

    MultiFieldDialog::setIconPaths(QStringLiteral(":/TestGraphics/icons/ok.png"),
        QStringLiteral(":/TestGraphics/icons/cancel.png"));
    setWindowTitle(tr("Veltra Desktop - ") + QApplication::applicationVersion());
    // The hidden test button opens the firmware manager without any connection check.
    connect(m_ui->btTest, &QPushButton::clicked, this,
        [this]() { FirmwareMgt::openManager(this, m_appDataDir); });
    createComputerActions();
    createMenusAndKeys();
    createSimulationTab();
    m_ui->tabProfile->setCurrentIndex(0);
    applyHiddenOptions(
        HiddenOptions::read(QDir(m_appDataDir).filePath(QStringLiteral("options.ini"))));
    connect(m_ui->btFilter, &QPushButton::clicked, this, &MainWindow::setFilter);
}

void MainWindow::createGraph()
{
    for (QCheckBox* box : { m_ui->ckPoints, m_ui->ckTemperature, m_ui->ckDeco, m_ui->ckAlerts })
        connect(box, &QCheckBox::clicked, this, &MainWindow::showItems);
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
    connect(m_ui->btFitAllVisu, &QPushButton::clicked, m_graphView,
        [this]() { m_graphView->profileItem()->fitAll(); });
}

void MainWindow::loadSettings()
{
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
}

void MainWindow::createSimulationTab()
{
    // The simulation tab replays the dive shown or the planned dive. In a scroll area: the tall
    // simulation controls must not make the window taller than a laptop screen.
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
    const QString held = lockLogbook(path, m_logbookLock);
    if (!held.isEmpty()) {
        QMessageBox::critical(this, tr("Logbook in use"), held);
        return;
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
