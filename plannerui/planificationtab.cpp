#include "plannerui/planificationtab.h"

#include "dive/units.h"
#include "planner/bailout.h"
#include "planner/divegas.h"
#include "planner/gasplantext.h"
#include "planner/planresulttext.h"
#include "planner/planstorage.h"
#include "planner/planwarnings.h"
#include "plannerui/gaspanel.h"
#include "plannerui/planpanes.h"
#include "plannerui/plansettingsdialog.h"
#include "plannerui/spinboxdelegate.h"
#include "plannerui/tbldivepointsmodel.h"
#include "ui_planificationtab.h"
#include "views/divepoint.h"
#include "views/diveprofileitem.h"
#include "views/graphview.h"
#include "views/measurewindow.h"
#include "views/tissuesgraph.h"

#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>
#include <cmath>

namespace {

// As the plan files and the command line allow.
constexpr int kMaxPlanDepthM = 150;

enum GasColumn { GasColumnO2, GasColumnHe, GasColumnRole, GasColumnSwitch, GasColumnCount };

} // namespace

PlanificationTab::PlanificationTab(QWidget* parent)
    : QWidget(parent)
    , m_ui(std::make_unique<Ui::PlanificationTabClass>())
{
    m_ui->setupUi(this);
    setUpPointsTable();
    setUpGraph();
    setUpSettingsWidgets();
    setUpGasPanel();
    m_banner = arrangePlanPanes(m_ui->verticalLayout_27, m_ui->widgetSimul, 250);
    setAddOnEnabled(false);
    rebuildDivesTable();
    loadDiveSettingsIntoWidgets();
}

PlanificationTab::~PlanificationTab()
{
    // Points keep a callback into this tab; the shared menu callback must not outlive it.
    DivePoint::setMenuCallback(nullptr);
    DiveProfileItem::setLogCallback(nullptr);
    m_ui->widgetSimul->showProfile(nullptr);
}

void PlanificationTab::setUpPointsTable()
{
    m_pointsModel = new TblDivePointsModel(&m_plan, this);
    m_delegate = new SpinBoxDelegate(this);
    // The table edits depths in the diver's units.
    m_delegate->setDepthChanged([this](int point, double shown) {
        depthChanged(point, Units::fromDisplay(Quantity::Depth, shown, DisplayUnits::current()));
    });
    m_delegate->setTimeChanged(
        [this](int point, int& seconds) { return timeChanged(point, seconds); });
    m_delegate->setGasChanged([this](int point, int gas) {
        PlanifDive* dive = m_plan.current();
        if (!dive || point <= 0 || point >= dive->profile.samples.size())
            return;
        dive->profile.samples[point].gasIndex = gas;
        recompute();
        refreshPoints(point);
    });
    QTableView* table = m_ui->tblViewlDivePoints;
    table->setModel(m_pointsModel);
    table->setItemDelegateForColumn(TblDivePointsModel::ColumnDepth, m_delegate);
    table->setItemDelegateForColumn(TblDivePointsModel::ColumnTime, m_delegate);
    table->setItemDelegateForColumn(TblDivePointsModel::ColumnGas, m_delegate);
    table->verticalHeader()->setMinimumWidth(20);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    table->setColumnWidth(0, 40);
    table->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionsClickable(false);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pointsModel->setCellSize(QSize(40, table->verticalHeader()->defaultSectionSize()));
    connect(table, &QTableView::clicked, this, [this](const QModelIndex& index) {
        PlanifDive* dive = m_plan.current();
        if (!dive || index.column() != TblDivePointsModel::ColumnDelete || index.row() <= 0)
            return;
        dive->profile.removeSample(index.row());
        dive->profile.computeSpeeds(false);
        m_ui->widgetSimul->profileItem()->reloadPoints();
        recompute();
        refreshPoints(-1);
        m_ui->widgetSimul->profileItem()->fitAll();
    });
}

void PlanificationTab::setUpSettingsWidgets()
{
    connect(m_ui->btAddDive, &QPushButton::clicked, this, &PlanificationTab::addNewDive);
    connect(m_ui->btNewReplace, &QPushButton::clicked, this, &PlanificationTab::replaceByNewDive);
    connect(m_ui->btRemoveDive, &QPushButton::clicked, this, &PlanificationTab::removeCurrentDive);
    connect(
        m_ui->btNewSimulation, &QPushButton::clicked, this, &PlanificationTab::newPlanification);
    connect(m_ui->btLoadSimulation, &QPushButton::clicked, this, &PlanificationTab::loadPlan);
    connect(m_ui->btSaveSimulation, &QPushButton::clicked, this, &PlanificationTab::savePlan);
    connect(m_ui->btAddDivePoint, &QPushButton::clicked, this, &PlanificationTab::addDivePoint);
    connect(
        m_ui->btRemoveDivePoint, &QPushButton::clicked, this, &PlanificationTab::removeDivePoint);

    auto* existing = new QMenu(this);
    QAction* addAction = existing->addAction(tr("Add dive"));
    QAction* replaceAction = existing->addAction(tr("Replace current dive"));
    connect(existing, &QMenu::aboutToShow, this,
        [this, replaceAction]() { replaceAction->setEnabled(m_plan.current() != nullptr); });
    connect(addAction, &QAction::triggered, this, [this]() { addExistingDive(false); });
    connect(replaceAction, &QAction::triggered, this, [this]() { addExistingDive(true); });
    m_ui->btAddExistingDive->setMenu(existing);

    connect(m_ui->spSurfPressure, &QSpinBox::valueChanged, this, [this](int mbar) {
        if (PlanifDive* dive = m_plan.current()) {
            dive->surfacePressure = float(mbar) / 1000.0f;
            recompute();
        }
    });
    m_ui->cbWaterType->addItem(tr("Brackish"));
    connect(m_ui->cbWaterType, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (PlanifDive* dive = m_plan.current()) {
            dive->waterType = quint32(std::clamp(index, 0, int(kWaterBrackish)));
            recompute();
        }
    });
    auto* settingsButton = new QPushButton(tr("Plan settings..."), this);
    settingsButton->setObjectName(QStringLiteral("btPlanSettings"));
    m_ui->horizontalLayout_24->insertWidget(2, settingsButton);
    connect(settingsButton, &QPushButton::clicked, this, &PlanificationTab::editPlanSettings);
    connect(m_ui->edSurfaceInterval, &QSpinBox::valueChanged, this, [this]() {
        if (PlanifDive* dive = m_plan.current()) {
            dive->surfaceIntervalS = quint32(m_ui->edSurfaceInterval->seconds());
            recompute();
        }
    });
    connect(
        m_ui->cbDiverType, &QComboBox::currentIndexChanged, this, &PlanificationTab::applyDiveMode);
    QTableWidget* gases = m_ui->tblPlanGases;
    gases->setColumnCount(GasColumnCount);
    gases->setHorizontalHeaderLabels({ tr("O2 %"), tr("He %"), tr("Role"), tr("Switch") });
    gases->verticalHeader()->setVisible(false);
    gases->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    gases->verticalHeader()->setDefaultSectionSize(20);
    connect(gases, &QTableWidget::itemChanged, this, [this]() { readGasTable(); });
    connect(m_ui->spGfLow, &QSpinBox::valueChanged, this, &PlanificationTab::recompute);
    connect(m_ui->spGfhigh, &QSpinBox::valueChanged, this, &PlanificationTab::recompute);
    connect(m_ui->spReduction, &QSpinBox::valueChanged, this, &PlanificationTab::recompute);
    connect(m_ui->rbStartOfDive, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showStartTissues();
    });
    connect(m_ui->rbEndOfDive, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            showEndTissues();
    });
    connect(m_ui->tblDives, &QTableWidget::cellDoubleClicked, this,
        [this](int row, int) { changeCurrentPlanifDive(row); });
    m_ui->tblDives->setColumnCount(2);
    m_ui->tblDives->setRowCount(kPlanSlots);
    m_ui->tblDives->setHorizontalHeaderLabels({ QString(), tr("Designation") });
    m_ui->tblDives->setColumnWidth(0, 30);
    m_ui->tblDives->horizontalHeader()->setStretchLastSection(true);
    m_ui->tblDives->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->edInfoPlanif->setFont(QFont(QStringLiteral("Courier New")));
    m_ui->runtime->setReadOnly(true);
    m_ui->runtime->setLineWrapMode(QTextEdit::NoWrap);
}

void PlanificationTab::setAddOnEnabled(bool enabled)
{
    m_addOn = enabled;
    m_ui->wdPlanifAddOn->setVisible(enabled);
}

PlanComputeSettings PlanificationTab::computeSettings() const
{
    PlanComputeSettings settings;
    if (m_addOn) {
        settings.gf = make_gf(quint8(m_ui->spGfLow->value()), quint8(m_ui->spGfhigh->value()));
        settings.reduction = float(m_ui->spReduction->value()) / 100.0f;
    }
    return settings;
}

QString PlanificationTab::resultHtml() const
{
    return m_resultHtml;
}

void PlanificationTab::recompute()
{
    PlanifDive* dive = m_plan.current();
    if (!dive)
        return;
    // Every edit of the plan ends here.
    m_modified = true;
    PlanResultText text;
    text.setUnits(DisplayUnits::current());
    text.setGasNames(dive->profile.gases);
    m_plan.lineCallback = [&text](const LinePlan& line) { text.add(line); };
    computePlan(m_plan, computeSettings());
    m_plan.lineCallback = nullptr;
    m_resultHtml = text.html();
    m_ui->runtime->setHtml(m_resultHtml);
    m_ui->runtime->append(usedGfText(*dive).toHtmlEscaped());
    const QList<PlanWarning> warnings = planWarnings(*dive);
    showNotDiveable(warnings);
    for (const PlanWarning& w : warnings)
        m_ui->runtime->append(
            QStringLiteral("<p style=\"color:%1;\">%2</p>")
                .arg(w.error ? QStringLiteral("#c00000") : QStringLiteral("#d07000"),
                    w.message.toHtmlEscaped()));
    if (dive->result.bailout)
        m_ui->runtime->append(
            QStringLiteral("<pre>%1</pre>")
                .arg(gasPlanText(*dive, DisplayUnits::current()).toHtmlEscaped()));
    else if (dive->settings.closedCircuit)
        m_ui->runtime->append(tr("On the loop nothing is breathed from the cylinders: switch on "
                                 "Bailout to plan the bailout.")
                                  .toHtmlEscaped());
    updateGasPanel();
    DiveProfileItem* item = m_ui->widgetSimul->profileItem();
    // The effort mark on the graph says the whole dive was planned at factors of at most 68.
    item->setStatusIconVisible(dive->effortMode != 0);
    item->refreshHeader();
    item->update();
    updateTissuesGraph();
    fillGasTable();
}

void PlanificationTab::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange)
        followUnits();
    QWidget::changeEvent(event);
}

void PlanificationTab::showEvent(QShowEvent* event)
{
    followUnits();
    QWidget::showEvent(event);
}

void PlanificationTab::followUnits()
{
    if (m_units == DisplayUnits::current())
        return;
    m_units = DisplayUnits::current();
    // Showing other units changes nothing of the plan.
    const bool modified = m_modified;
    recompute();
    m_modified = modified;
    refreshPoints(-1);
}

void PlanificationTab::setSettings(QSettings* settings)
{
    m_settings = settings;
    if (m_settings)
        applyAscentSettings(readPlanDefaults(*m_settings), false);
}

void PlanificationTab::editPlanSettings()
{
    PlanSettingsDialog dialog(m_plan.newDiveSettings.ascent, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    applyAscentSettings(dialog.settings(), true);
}

void PlanificationTab::applyAscentSettings(const AscentSettings& ascent, bool toDives)
{
    PlanDiveSettings settings = m_plan.newDiveSettings;
    const bool altitudeChanged = ascent.altitudeM != settings.ascent.altitudeM;
    settings.ascent = ascent;
    if (!toDives) {
        m_plan.newDiveSettings = settings;
        return;
    }
    m_plan.applySettings(settings);
    // A new altitude gives every dive the surface pressure of the standard atmosphere there.
    for (auto& dive : m_plan.dives)
        if (dive && altitudeChanged)
            dive->surfacePressure = ascent.altitudeM > 0
                ? float(surfacePressureAtAltitude(ascent.altitudeM))
                : kSurfacePressureDefault;
    loadDiveSettingsIntoWidgets();
    recompute();
}

void PlanificationTab::showNotDiveable(const QList<PlanWarning>& warnings)
{
    QStringList errors;
    for (const PlanWarning& w : warnings)
        if (w.error)
            errors.append(w.message);
    m_banner->setText(tr("Not diveable: %1").arg(errors.join(QLatin1Char(' '))));
    m_banner->setVisible(!errors.isEmpty());
}

void PlanificationTab::setUpGasPanel()
{
    m_gas = new GasPanel(this);
    // Under the graph, above the tissues and the result.
    m_ui->verticalLayout_27->insertWidget(
        m_ui->verticalLayout_27->indexOf(m_ui->widgetSimul) + 1, m_gas);
    connect(m_gas, &GasPanel::settingsChanged, this, &PlanificationTab::applyGasSettings);
    connect(m_gas, &GasPanel::exportSlateClicked, this, &PlanificationTab::exportSlate);
    connect(m_gas, &GasPanel::refused, this, [this](const QString& why) { error(tr("Gas"), why); });
    connect(m_gas, &GasPanel::cylinderEdited, this,
        [this](int gasIndex, double litres, double workBar, double fillBar) {
            PlanifDive* dive = m_plan.current();
            if (!dive)
                return;
            const QString invalid = setCylinderSize(*dive, gasIndex, litres, workBar, fillBar);
            if (!invalid.isEmpty()) {
                error(tr("Gas"), invalid);
                return;
            }
            // Deferred: the recomputation rebuilds the very widgets that reported the edit.
            QMetaObject::invokeMethod(this, &PlanificationTab::recompute, Qt::QueuedConnection);
        });
}

void PlanificationTab::applyGasSettings()
{
    QString invalid;
    const GasSettings s = m_gas->settings(m_plan.gasSettings, invalid);
    if (!invalid.isEmpty()) {
        // The plan on show stays as it was computed.
        error(tr("Gas"), invalid);
        return;
    }
    m_plan.gasSettings = s;
    recompute();
}

void PlanificationTab::updateGasPanel()
{
    // The widgets follow the plan (a loaded file brings its own settings).
    PlanifDive* dive = m_plan.current();
    m_gas->showSettings(m_plan.gasSettings, dive && dive->settings.closedCircuit);
    DiveProfileItem* item = m_ui->widgetSimul->profileItem();
    m_gas->showCylinders(dive ? dive->result : PlanDiveResult {});
    item->setSecondaryCurve(
        dive ? cylinderPressureCurve(dive->result) : DiveProfileItem::SecondaryCurve {});
}

void PlanificationTab::changeCurrentPlanifDive(int slot)
{
    if (slot >= 0 && slot < kPlanSlots && m_plan.dives[size_t(slot)])
        m_plan.currentIndex = slot;
    PlanifDive* dive = m_plan.current();
    loadDiveSettingsIntoWidgets();
    rebuildDivesTable();
    if (!dive) {
        m_ui->widgetSimul->showProfile(nullptr);
        refreshPoints(-1);
        m_ui->tissuesGraph->clear();
        m_ui->runtime->clear();
        return;
    }
    // The ascent is computed before the graph fits, so the whole dive is in view. Showing
    // another dive changes nothing of the plan.
    const bool modified = m_modified;
    recompute();
    m_modified = modified;
    m_ui->widgetSimul->showProfile(&dive->profile);
    updatePointClip();
    m_ui->widgetSimul->profileItem()->setPointItemsVisible(m_pointsVisible);
    refreshPoints(-1);
}

void PlanificationTab::loadDiveSettingsIntoWidgets()
{
    PlanifDive* dive = m_plan.current();
    const bool has = dive != nullptr;
    for (QWidget* w : std::initializer_list<QWidget*> { m_ui->spSurfPressure, m_ui->cbWaterType,
             m_ui->edSurfaceInterval, m_ui->btNewReplace, m_ui->btRemoveDive, m_ui->btAddDivePoint,
             m_ui->btRemoveDivePoint, m_ui->btSaveSimulation })
        w->setEnabled(has);
    if (!has)
        return;
    const QSignalBlocker b1(m_ui->spSurfPressure);
    const QSignalBlocker b2(m_ui->cbWaterType);
    const QSignalBlocker b3(m_ui->edSurfaceInterval);
    m_ui->spSurfPressure->setValue(int(std::lround(dive->surfacePressure * 1000.0f)));
    m_ui->cbWaterType->setCurrentIndex(int(std::min<quint32>(dive->waterType, kWaterBrackish)));
    m_ui->edSurfaceInterval->setSeconds(int(std::min<quint32>(dive->surfaceIntervalS, INT32_MAX)));
    // The first dive of the day starts rested.
    m_ui->edSurfaceInterval->setEnabled(m_plan.currentIndex > 0);
    const QSignalBlocker b4(m_ui->cbDiverType);
    m_ui->cbDiverType->setCurrentIndex(dive->settings.closedCircuit ? 1 : 0);
}

void PlanificationTab::rebuildDivesTable()
{
    QTableWidget* table = m_ui->tblDives;
    for (int slot = 0; slot < kPlanSlots; ++slot) {
        const PlanifDive* dive = m_plan.dives[size_t(slot)].get();
        table->removeCellWidget(slot, 0);
        auto* name = new QTableWidgetItem(dive ? dive->profile.name : QString());
        if (dive && slot == m_plan.currentIndex)
            name->setBackground(QColor(255, 220, 150));
        table->setItem(slot, 1, name);
        if (!dive)
            continue;
        auto* effort = new QToolButton(table);
        effort->setIcon(
            QIcon(dive->effortMode ? QStringLiteral(":/TestGraphics/icons/effortOn.png")
                                   : QStringLiteral(":/TestGraphics/icons/effort.png")));
        effort->setToolTip(tr("Activate on/off effort mode"));
        effort->setAutoRaise(true);
        effort->setEnabled(slot == m_plan.currentIndex);
        connect(effort, &QToolButton::clicked, this,
            [this, slot]() { enabledDisabledEffortMode(slot); });
        table->setCellWidget(slot, 0, effort);
    }
}

void PlanificationTab::refreshPoints(int row)
{
    m_pointsModel->refresh(row);
}

void PlanificationTab::updateTissuesGraph()
{
    if (m_ui->rbEndOfDive->isChecked())
        showEndTissues();
    else
        showStartTissues();
}

void PlanificationTab::showStartTissues()
{
    if (!m_plan.current()) {
        m_ui->tissuesGraph->clear();
        return;
    }
    m_ui->tissuesGraph->setLoads(m_plan.startTensions);
}

void PlanificationTab::showEndTissues()
{
    if (PlanifDive* dive = m_plan.current())
        m_ui->tissuesGraph->setLoads(dive->tissues.pN2);
    else
        m_ui->tissuesGraph->clear();
}

void PlanificationTab::addNewDive()
{
    const int slot = m_plan.addDefaultDive();
    if (slot < 0) {
        error(tr("Error"), tr("No free place for a new dive"));
        return;
    }
    changeCurrentPlanifDive(slot);
    m_modified = true;
}

bool PlanificationTab::addDiveProfile(const DiveProfile& profile)
{
    const int slot = m_plan.addDive(profile);
    if (slot < 0) {
        error(tr("Error"), tr("No free location for a new dive"));
        return false;
    }
    changeCurrentPlanifDive(slot);
    m_modified = true;
    return true;
}

bool PlanificationTab::replaceCurrentProfile(const DiveProfile& profile)
{
    if (!m_plan.replaceCurrentProfile(profile))
        return false;
    changeCurrentPlanifDive(m_plan.currentIndex);
    m_modified = true;
    return true;
}

void PlanificationTab::replaceByNewDive()
{
    if (!m_plan.current())
        return;
    if (QMessageBox::question(this, tr("Replace dive"), tr("Replace the current dive?"))
        != QMessageBox::Yes)
        return;
    // The graph refers to the dive about to be replaced.
    m_ui->widgetSimul->showProfile(nullptr);
    m_plan.replaceCurrentByDefault();
    changeCurrentPlanifDive(m_plan.currentIndex);
    m_modified = true;
}

void PlanificationTab::removeCurrentDive()
{
    if (!m_plan.current())
        return;
    // The graph refers to the dive about to go.
    m_ui->widgetSimul->showProfile(nullptr);
    changeCurrentPlanifDive(m_plan.removeCurrent());
    m_modified = true;
}

void PlanificationTab::newPlanification()
{
    // One question, and only when something would be lost.
    if (!maybeSave())
        return;
    m_ui->widgetSimul->showProfile(nullptr);
    m_plan.clear();
    changeCurrentPlanifDive(-1);
    m_modified = false;
    // The gas tables and the result belong to the plan that went.
    updateGasPanel();
    fillGasTable();
    m_ui->runtime->clear();
    m_banner->hide();
}

void PlanificationTab::addDivePoint()
{
    const QModelIndexList rows = m_ui->tblViewlDivePoints->selectionModel()
        ? m_ui->tblViewlDivePoints->selectionModel()->selectedRows()
        : QModelIndexList();
    if (rows.isEmpty() || !m_plan.current()) {
        error(tr("Error"), tr("Select a line after which insert a point"));
        return;
    }
    int first = rows.first().row();
    for (const QModelIndex& index : rows)
        first = std::min(first, index.row());
    m_ui->widgetSimul->profileItem()->addDivePointAfter(first);
}

void PlanificationTab::removeDivePoint()
{
    PlanifDive* dive = m_plan.current();
    QList<int> rows;
    if (dive && m_ui->tblViewlDivePoints->selectionModel()) {
        for (const QModelIndex& index : m_ui->tblViewlDivePoints->selectionModel()->selectedRows())
            if (index.row() > 0) // the start at the surface stays
                rows.append(index.row());
    }
    if (rows.isEmpty()) {
        error(tr("Error"), tr("Select the dive point to remove"));
        return;
    }
    dive->profile.removeSamples(rows);
    dive->profile.computeSpeeds(false);
    m_ui->tblViewlDivePoints->clearSelection();
    m_ui->widgetSimul->profileItem()->reloadPoints();
    recompute();
    refreshPoints(-1);
}

void PlanificationTab::enabledDisabledEffortMode(int slot)
{
    if (slot != m_plan.currentIndex || !m_plan.current())
        return;
    PlanifDive* dive = m_plan.current();
    dive->effortMode = dive->effortMode ? 0 : 1;
    rebuildDivesTable();
    recompute();
}

bool PlanificationTab::depthChanged(int point, double depthM)
{
    PlanifDive* dive = m_plan.current();
    if (!dive || point <= 0 || point >= dive->profile.samples.size())
        return false;
    if (depthM > kMaxPlanDepthM) {
        error(tr("Depth"),
            tr("A planned point lies between 0 and %1.")
                .arg(Units::format(
                    Quantity::Depth, kMaxPlanDepthM, 0, DisplayUnits::current(), locale())));
        refreshPoints(point);
        return false;
    }
    m_ui->widgetSimul->profileItem()->setDivePointDepth(point, depthM);
    recompute();
    refreshPoints(point);
    // Typed into the table, the new point may lie outside the graph: show the whole dive.
    m_ui->widgetSimul->profileItem()->fitAll();
    return true;
}

bool PlanificationTab::timeChanged(int point, int& seconds)
{
    PlanifDive* dive = m_plan.current();
    if (!dive || point <= 0 || point >= dive->profile.samples.size())
        return false;
    double t = seconds;
    m_ui->widgetSimul->profileItem()->setDivePointTime(point, t);
    seconds = int(std::lround(t));
    recompute();
    refreshPoints(point);
    m_ui->widgetSimul->profileItem()->fitAll();
    return true;
}

void PlanificationTab::applyDiveMode(int index)
{
    PlanDiveSettings settings = m_plan.newDiveSettings;
    settings.closedCircuit = index == 1;
    m_plan.applySettings(settings);
    recompute();
    fillGasTable();
}

void PlanificationTab::fillGasTable()
{
    QTableWidget* table = m_ui->tblPlanGases;
    const QSignalBlocker blocker(table);
    const PlanifDive* dive = m_plan.current();
    const QList<PlanGas> gases = dive ? planGasTable(*dive) : QList<PlanGas>();
    qsizetype bottomRows = 0;
    for (const PlanGas& g : gases)
        bottomRows += g.role == PlanGasRole::Bottom ? 1 : 0;
    // The bottom gases, then the deco gases and empty rows up to three deco gases.
    table->setRowCount(int(bottomRows) + kMaxDecoGases);
    const bool closed = dive && dive->settings.closedCircuit;
    for (int row = 0; row < table->rowCount(); ++row) {
        const PlanGas* gas = row < gases.size() ? &gases[row] : nullptr;
        const bool deco = row >= bottomRows;
        auto cell = [&](int column, const QString& text, bool editable) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(editable ? Qt::ItemIsEnabled | Qt::ItemIsEditable | Qt::ItemIsSelectable
                                    : Qt::ItemIsEnabled);
            table->setItem(row, column, item);
        };
        cell(GasColumnO2, gas ? QString::number(gas->o2) : QString(), deco && dive);
        cell(GasColumnHe, gas ? QString::number(gas->he) : QString(), deco && dive);
        cell(GasColumnRole, deco ? tr("deco") : tr("bottom"), false);
        QString at;
        if (gas && deco)
            at = closed ? tr("not used (closed circuit)")
                        : (gas->switchDepthM > 0 ? Units::format(Quantity::Depth, gas->switchDepthM,
                               0, DisplayUnits::current(), locale())
                                                 : tr("never"));
        cell(GasColumnSwitch, at, false);
    }
}

void PlanificationTab::readGasTable()
{
    QTableWidget* table = m_ui->tblPlanGases;
    PlanDiveSettings settings = m_plan.newDiveSettings;
    settings.decoGases.clear();
    for (int row = 0; row < table->rowCount(); ++row) {
        const QTableWidgetItem* o2Item = table->item(row, GasColumnO2);
        const QTableWidgetItem* heItem = table->item(row, GasColumnHe);
        if (!o2Item || !(o2Item->flags() & Qt::ItemIsEditable))
            continue;
        bool okO2 = false;
        bool okHe = true;
        const int o2 = o2Item->text().toInt(&okO2);
        const int he = heItem && !heItem->text().isEmpty() ? heItem->text().toInt(&okHe) : 0;
        // An empty or impossible mix is no gas; the row is cleared on the refill below.
        if (!okO2 || !okHe || o2 < 1 || he < 0 || o2 + he > 100)
            continue;
        if (settings.decoGases.size() < kMaxDecoGases)
            settings.decoGases.append({ o2, he, PlanGasRole::Deco, 0.0f });
    }
    m_plan.applySettings(settings);
    recompute();
    fillGasTable();
}

void PlanificationTab::error(const QString& title, const QString& text)
{
    emit logMessage(text);
    QMessageBox::critical(this, title, text);
}
