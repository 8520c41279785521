#pragma once

#include "dive/units.h"
#include "planner/plancompute.h"
#include "planner/planification.h"

#include <QWidget>

#include <memory>

class DivePoint;
class GasPanel;
class GraphView;
class MeasureWindow;
class QLabel;
struct PlanWarning;
class QMenu;
class QSettings;
class SpinBoxDelegate;
class TblDivePointsModel;
namespace Ui {
class PlanificationTabClass;
}

// The "Dive planification" tab: up to three planned dives edited as point tables and on the
// graph, recomputed after every edit, saved and loaded as plan files.
class PlanificationTab : public QWidget
{
    Q_OBJECT

public:
    explicit PlanificationTab(QWidget* parent = nullptr);
    ~PlanificationTab() override;

    Planification& plan() { return m_plan; }
    GraphView* graph() const;
    // Where the last folders are remembered ("directories/lastDiveFile", ".../lastPlanFile").
    // The program's settings: folders, and the plan settings new plans start with.
    void setSettings(QSettings* settings);
    // The plan settings of new dives, and with `toDives` of every dive of the plan.
    void applyAscentSettings(const AscentSettings& ascent, bool toDives);
    // The add-on row (gradient factors, reduction) and whether its values reach the plan.
    void setAddOnEnabled(bool enabled);
    bool addOnEnabled() const { return m_addOn; }

    // Hand-over from the logbook and from files; false (and a message) when no slot is free or
    // there is no current dive to replace.
    bool addDiveProfile(const DiveProfile& profile);
    bool replaceCurrentProfile(const DiveProfile& profile);
    bool hasCurrentDive() const { return m_plan.current() != nullptr; }

    bool savePlanTo(const QString& path);
    bool loadPlanFrom(const QString& path);
    // Whether the plan changed since it was created, loaded or saved.
    bool isModified() const { return m_modified; }
    // Before the plan is dropped (closing, loading another): asks whether to save unsaved
    // changes. False when the user cancels or the save fails.
    bool maybeSave();

    // The settings the next computation uses.
    PlanComputeSettings computeSettings() const;
    // The result box's HTML of the last computation.
    QString resultHtml() const;

public slots:
    void recompute();
    void changeCurrentPlanifDive(int slot);
    void addNewDive();
    void replaceByNewDive();
    void removeCurrentDive();
    void newPlanification();
    void loadPlan();
    // Asks for a file and saves; false when cancelled or the save failed.
    bool savePlan();
    void addDivePoint();
    void removeDivePoint();
    void enabledDisabledEffortMode(int slot);
    void showStartTissues();
    void showEndTissues();
    void exportSlate();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Units changed in Preferences show when the tab is shown or its window active again.
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

signals:
    // Diagnostics for the console.
    void logMessage(const QString& text);
    // What a save did, for the window's status bar ("Plan saved to ...").
    void done(const QString& text);

private:
    void editPlanSettings();
    void followUnits();
    void showNotDiveable(const QList<PlanWarning>& warnings);
    void setUpPointsTable();
    void setUpGraph();
    void updatePointClip();
    void setUpSettingsWidgets();
    void rebuildDivesTable();
    void loadDiveSettingsIntoWidgets();
    void refreshPoints(int row);
    void updateTissuesGraph();
    void showPointMenu(DivePoint* point, const QPointF& screenPos);
    bool fillGraphMenu(QMenu& menu, DivePoint* point);
    void addExistingDive(bool replace);
    void measureSelectedPoints();
    void setStartOfDtr(int index);
    void graphMouseMove(const QPointF& scenePoint, int timeS);
    void applyDiveMode(int index);
    void fillGasTable();
    void readGasTable();
    bool depthChanged(int point, double depthM);
    bool timeChanged(int point, int& seconds);
    QString lastFolder(const char* key) const;
    void rememberFolder(const char* key, const QString& path);
    void error(const QString& title, const QString& text);
    void setUpGasPanel();
    void updateGasPanel();
    void applyGasSettings();

    std::unique_ptr<Ui::PlanificationTabClass> m_ui;
    QLabel* m_banner = nullptr; // above the graph: why the plan must not be dived
    Planification m_plan;
    TblDivePointsModel* m_pointsModel = nullptr;
    SpinBoxDelegate* m_delegate = nullptr;
    std::unique_ptr<MeasureWindow> m_measure;
    QSettings* m_settings = nullptr;
    QString m_resultHtml;
    bool m_addOn = false;
    bool m_pointsVisible = true;
    GasPanel* m_gas = nullptr;
    bool m_modified = false;
    DisplayUnits m_units = DisplayUnits::current(); // the units on show
};
