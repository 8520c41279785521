#pragma once

#include "app/divelistorder.h"
#include "app/filequestions.h"
#include "dive/diveprofile.h"
#include "dive/units.h"
#include "logbook/logbookdatabase.h"

#include <QMainWindow>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <memory>

struct DiveAlertSummary;
struct HiddenOptions;
class ComputerActions;
class CylindersEditor;
class DiveDetailsEditor;
class LogbookActions;
class StatisticsPage;
class StatisticsView;
class QLineEdit;
class QTimer;
class QUndoStack;
struct DiveDetails;
struct ImportReport;
class QLockFile;
class FormFilter;
class GraphView;
class PlanificationTab;
class SimulationTab;
class QAbstractButton;
class QAction;
class QMenu;
class QSettings;
class QModelIndex;
namespace Ui {
class MainWindowClass;
}

// The application's one top-level window: the logbook on the left, the dive shown
// on the right with its summary, computer data and gases. Its parts are wired in mainwindow.cpp
// (construction, preferences), mainlist.cpp, mainsummary.cpp, mainfiles.cpp and mainmenus.cpp;
// the work they drive lives in plain functions beside them.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

protected:
    // An unsaved plan is offered for saving before the window closes.
    void closeEvent(QCloseEvent* event) override;

public:
    // False when the data folder could not be created: the user has been told and
    // the program must stop.
    bool isUsable() const { return m_usable; }
    QString dataDir() const { return m_appDataDir; }

    // Loads a dive file (its reader chosen by its content) and shows it. On failure the
    // dive shown before stays as it was.
    bool openDiveFile(const QString& path);
    // What opening and importing ask when a file leaves a start date or CSV columns open
    // (dialogs unless replaced).
    void setFileQuestions(const FileQuestions& questions) { m_questions = questions; }
    void displayDiveSummary();
    // Reads the dive files and folders and stores every dive the logbook does not have, with a
    // progress dialog; ends with the summary dialog when showSummary is set.
    ImportReport importDives(const QStringList& paths, bool showSummary = true);
    void chooseDivesToImport(bool folder);
    // Stores the dive in the logbook; returns the logbook's outcome code and shows
    // the matching message when it is not a success.
    int writeDiveToDatabase(DiveProfile& dive);
    void highlightDiveRow(const QModelIndex& index);
    void logToConsole(const QString& text, bool clear = false);
    // The diagnostics callback handed to the dive computer link.
    void logFromLink(const QString& text) { logToConsole(QStringLiteral("Log: ") + text); }
    static void setAlertLed(QAbstractButton* button, int level, bool strong);

    // The logbook view.
    void fillDiveList();
    void setCsvSeparator(bool comma);
    bool csvSeparator() const { return m_csvComma; }
    const DiveFilter& diveFilter() const { return m_filter; }
    // Deletes the selected dives after asking; the dives that could not be deleted
    // are named in the error message.
    void deleteSelectedDives();
    void renameDive(const QModelIndex& item);
    // Writes the stored dive to a file chosen by extension; reports every failure.
    bool exportStoredDive(int diveId, const QString& path);
    // Writes the selected range of the shown dive to a file; reports every failure.
    bool saveSelection(const QString& path);
    // The dive list's context menu for the item's row (deletes itself when closed).
    QMenu* createDiveListMenu(const QModelIndex& item);

    // The dive computer (computer/): connect when needed, download, owner name.
    int connectTarskBle();
    void onDownloadDives();
    void onProgramName();
    ComputerActions* computerActions() const { return m_computer; }

    const DiveProfile& currentDive() const { return m_currentDive; }
    GraphView* graphView() const { return m_graphView; }
    QMenu* deviceMenu() const { return m_deviceMenu; }
    FormFilter* filterDialog() const { return m_formFilter; }
    QUndoStack* undoStack() const { return m_undoStack; }
    // Saves a details edit of the shown dive (undoable when it is a stored dive).
    void saveDetails(const DiveDetails& before, const DiveDetails& after);
    // Orders the list by the column (a second click on it turns the order round).
    void sortByColumn(int column);
    void setGroupedByComputer(bool grouped);
    void renumberDives();

public slots:
    void on_actionQuit_triggered();
    void graphViewMouseMove(QPointF pScenePoint, int pTime);
    void onDiveListContextMenu(const QPoint& pos);
    void openDiveProfileItem(const QModelIndex& index);
    void openDiveProfile();
    void dropFiles(const QStringList& pFiles);
    void storeCurrentDive();
    void showItems();
    void about();
    void setFilter();
    // Shows the switches of options.ini, writes them back and applies them at once.
    void editPreferences();
    // Help > User guide (F1) and Help > Keyboard shortcuts (mainmenus.cpp).
    void showUserGuide();
    void showShortcuts();

private:
    FileQuestions m_questions;
    void applyHiddenOptions(const HiddenOptions& options);
    void showFilterState();
    void showAlertLights(const DiveAlertSummary& alerts);
    void showCurrentDive();
    void openLogbook();
    void exportFromList(const QModelIndex& item);
    // Hands a stored dive to the planner, as a new planned dive or in place of the current one.
    void planStoredDive(const QModelIndex& item, bool replace);
    bool saveSelectionMenu(QMenu& menu);
    void applyCsvModeFromSettings();
    // The construction's steps (mainwindow.cpp).
    void connectFileActions();
    void createGraph();
    void loadSettings();
    void createSimulationTab();
    // The computer's menu and actions, the keys, the Computer menu and Help's guide
    // (mainmenus.cpp).
    void createComputerActions();
    void createMenusAndKeys();
    // The search box, sorting, Return, the Edit menu, the Summary details and the Statistics tab
    // (mainlist.cpp).
    void createLogbookFeatures();
    void createSearchBox();
    void createListHeader();
    void arrangeDiveList();
    void createEditMenu();
    void createStatisticsTab();
    void saveListOrder();
    // The Summary's fields, details editor and lights (mainsummary.cpp).
    void createSummaryFeatures();
    void showAirUse();
    void logbookChanged();
    void showStatistics();
    void createAirUseFields();
    void arrangeSummary();
    void refreshCompletions();

    QString m_appDataDir;
    bool m_usable = true;
    std::unique_ptr<Ui::MainWindowClass> m_ui;
    QSettings* m_settings = nullptr;
    GraphView* m_graphView = nullptr;
    DiveProfile m_currentDive;
    // The dive the graph shows: the current dive, or none before the first one.
    bool m_hasDive = false;
    // Logbook id of the dive shown, -1 when it came from a file.
    int m_shownDiveId = -1;
    // Logbook id of the dive shown while it is deleted, -1 for none.
    int m_deletedDiveId = -1;
    bool m_csvComma = false;
    DiveFilter m_filter;
    DisplayUnits m_units; // what the views show; storage stays SI
    FormFilter* m_formFilter = nullptr;
    PlanificationTab* m_planTab = nullptr;
    SimulationTab* m_simulationTab = nullptr;
    QMenu* m_deviceMenu = nullptr;
    QAction* m_downloadAction = nullptr;
    QAction* m_programNameAction = nullptr;
    ComputerActions* m_computer = nullptr;
    QUndoStack* m_undoStack = nullptr;
    LogbookActions* m_logbookActions = nullptr;
    CylindersEditor* m_cylinders = nullptr;
    QLineEdit* m_airUse = nullptr;
    QLineEdit* m_search = nullptr;
    QTimer* m_searchTimer = nullptr;
    DiveDetailsEditor* m_detailsEditor = nullptr;
    StatisticsView* m_statistics = nullptr;
    StatisticsPage* m_statisticsPage = nullptr;
    QList<DiveListEntry> m_listed; // the dives the list shows, for the statistics
    bool m_statisticsStale = true;
    DiveListOrder m_order;
    QList<int> m_downloadedIds; // stored by the download under way
    // Held while this window uses the logbook, so that a second program on the same logbook
    // can say so.
    std::unique_ptr<QLockFile> m_logbookLock;
};
