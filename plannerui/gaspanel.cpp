#include "plannerui/gaspanel.h"

#include "dive/units.h"
#include "planner/gasplan.h"
#include "planner/planification.h"
#include "plannerui/gasplanextras.h"
#include "plannerui/unitspin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <cmath>

namespace {

double shown(Quantity quantity, double si)
{
    return Units::toDisplay(quantity, si, DisplayUnits::current());
}

QString unit(Quantity quantity)
{
    return Units::symbol(quantity, DisplayUnits::current());
}

// The value of a box of whole units in SI; unchanged, the previous value exactly.
double siOf(Quantity quantity, int boxValue, double previous)
{
    if (std::lround(shown(quantity, previous)) == boxValue)
        return previous;
    return Units::fromDisplay(quantity, boxValue, DisplayUnits::current());
}

// "13.5", "13,5", "13.5 L" or "80 cuft" (or the unit's translated symbol).
double typedNumber(QString text, bool* ok)
{
    text = text.trimmed();
    for (const QString& suffix :
        { unit(Quantity::Volume), QStringLiteral("cuft"), QStringLiteral("L") }) {
        if (text.endsWith(suffix, Qt::CaseInsensitive))
            text.chop(suffix.size());
    }
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return text.trimmed().toDouble(ok);
}

QString pressureText(double bar)
{
    return QStringLiteral("%1 %2")
        .arg(std::floor(shown(Quantity::Pressure, bar)), 0, 'f', 0)
        .arg(unit(Quantity::Pressure));
}

QProgressBar* gauge(const Cylinder& c, const CylinderUse& use, QWidget* parent)
{
    auto* bar = new QProgressBar(parent);
    bar->setRange(0, int(std::lround(c.fillBar)));
    bar->setValue(int(std::lround(std::max(0.0, use.endBar))));
    bar->setFormat(pressureText(use.endBar));
    bar->setAlignment(Qt::AlignCenter);
    const bool used = use.usedLitres > 0;
    const bool empty = used && use.endBar <= 0;
    const bool low = used && use.endBar < use.reserveBar;
    const QString colour = empty ? QStringLiteral("#d00000")
        : low                    ? QStringLiteral("#f08000")
                                 : QStringLiteral("#30a050");
    bar->setStyleSheet(QStringLiteral("QProgressBar::chunk { background: %1; }").arg(colour));
    if (empty)
        bar->setStyleSheet(QStringLiteral("QProgressBar { background: #d00000; }"));
    return bar;
}

} // namespace

bool bailoutGfPair(int low, int high)
{
    return low >= 10 && high >= 10 && low <= high;
}

GasPanel::GasPanel(QWidget* parent)
    : QGroupBox(tr("Gas"), parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 4, 4, 4);
    m_table = new QTableWidget(0, ColumnCount, this);
    m_table->setObjectName(QStringLiteral("tblGas"));
    m_table->setHorizontalHeaderLabels({ tr("Gas"), tr("Size"), tr("Working"), tr("Fill"),
        tr("Used"), tr("End"), tr("Reserve"), QString() });
    m_table->horizontalHeaderItem(ColumnWorking)
        ->setToolTip(tr("Working pressure: the pressure the cylinder is made for"));
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setMaximumHeight(110);
    grid->addWidget(m_table, 0, 0, 1, 12);
    addSettingsRows(grid);
    addBailoutRow(grid);
    m_extras = new GasPlanExtras(this);
    grid->addWidget(m_extras, 4, 0, 1, 12);
    connectSettings();
    showSettings(GasSettings {}, false);
}

QDoubleSpinBox* GasPanel::spin(
    double lo, double hi, double value, double step, const QString& suffix)
{
    auto* box = new QDoubleSpinBox(this);
    box->setRange(lo, hi);
    box->setSingleStep(step);
    box->setDecimals(1);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

void GasPanel::addSettingsRows(QGridLayout* grid)
{
    const GasSettings defaults;
    m_sac = spin(1, 100, defaults.bottomSacLpm, 1, QString());
    m_decoSac = spin(1, 100, defaults.decoSacLpm, 1, QString());
    m_factor = spin(1, 10, defaults.minimumGasFactor, 0.5, QString());
    m_problemMin = spin(0, 30, defaults.problemMin, 1, tr(" min"));
    m_decoReserve = spin(0, 300, defaults.decoReserveBar, 1, QString());
    m_reserve = new QComboBox(this);
    m_reserve->addItems({ tr("Minimum gas"), tr("Thirds") });
    m_sac->setObjectName(QStringLiteral("spSac"));
    m_decoSac->setObjectName(QStringLiteral("spDecoSac"));
    m_reserve->setObjectName(QStringLiteral("cbReserve"));
    m_factor->setToolTip(tr("Minimum-gas factor: two divers breathing twice their normal rate"));
    m_problemMin->setToolTip(tr("Time to solve a problem at the deepest depth"));
    // Three settings a row: in one row their longer French labels made the window wider than
    // a laptop screen.
    int row = 1;
    int column = 0;
    auto add = [&](const QString& label, QWidget* w) {
        grid->addWidget(new QLabel(label, this), row, column++);
        grid->addWidget(w, row, column++);
        if (column == 6) {
            ++row;
            column = 0;
        }
    };
    add(tr("SAC"), m_sac);
    add(tr("Deco SAC"), m_decoSac);
    add(tr("Reserve"), m_reserve);
    add(tr("x"), m_factor);
    add(tr("Problem"), m_problemMin);
    add(tr("Deco reserve"), m_decoReserve);
}

void GasPanel::addBailoutRow(QGridLayout* grid)
{
    const GasSettings defaults;
    m_bailout = new QCheckBox(tr("Bailout"), this);
    m_bailout->setObjectName(QStringLiteral("chkBailout"));
    m_bailout->setToolTip(tr("Closed circuit: plan the open-circuit ascent if the loop fails at "
                             "the end of the bottom phase"));
    grid->addWidget(m_bailout, 3, 0, 1, 2);
    // Bailout factors: 0/0 takes the dive's own.
    auto gfBox = [&](int value) {
        auto* box = new QSpinBox(this);
        box->setRange(0, 100);
        box->setValue(value);
        box->setSpecialValueText(tr("dive"));
        return box;
    };
    m_bailoutGfLow = gfBox(defaults.bailoutGfLow);
    m_bailoutGfHigh = gfBox(defaults.bailoutGfHigh);
    m_stressFactor = spin(1, 10, defaults.bailoutStressFactor, 0.5, QString());
    m_stressMin = spin(0, 60, defaults.bailoutStressMin, 1, tr(" min"));
    m_stressFactor->setToolTip(
        tr("Deco SAC multiplier for the first minutes after the loop fails"));
    grid->addWidget(new QLabel(tr("GF"), this), 3, 2);
    grid->addWidget(m_bailoutGfLow, 3, 3);
    grid->addWidget(m_bailoutGfHigh, 3, 4);
    grid->addWidget(new QLabel(tr("Stress x"), this), 3, 5);
    grid->addWidget(m_stressFactor, 3, 6);
    grid->addWidget(m_stressMin, 3, 7);
    m_exportSlate = new QPushButton(tr("Export slate"), this);
    m_exportSlate->setObjectName(QStringLiteral("btExportSlate"));
    grid->addWidget(m_exportSlate, 3, 8, 1, 2);
}

void GasPanel::connectSettings()
{
    for (QDoubleSpinBox* box :
        { m_sac, m_decoSac, m_factor, m_problemMin, m_decoReserve, m_stressFactor, m_stressMin })
        connect(box, &QDoubleSpinBox::valueChanged, this, &GasPanel::settingsChanged);
    for (QSpinBox* box : { m_bailoutGfLow, m_bailoutGfHigh })
        connect(box, &QSpinBox::valueChanged, this, &GasPanel::settingsChanged);
    connect(m_reserve, &QComboBox::currentIndexChanged, this, &GasPanel::settingsChanged);
    connect(m_bailout, &QCheckBox::toggled, this, &GasPanel::settingsChanged);
    connect(m_extras, &GasPlanExtras::changed, this, &GasPanel::settingsChanged);
    connect(m_exportSlate, &QPushButton::clicked, this, &GasPanel::exportSlateClicked);
}

void GasPanel::showSettings(const GasSettings& s, bool closedCircuit)
{
    const QSignalBlocker b1(m_sac), b2(m_decoSac), b3(m_reserve), b4(m_factor), b5(m_problemMin),
        b6(m_decoReserve), b7(m_bailout), b8(m_bailoutGfLow), b9(m_bailoutGfHigh),
        b10(m_stressFactor), b11(m_stressMin);
    m_shown = s;
    showSi(m_sac, Quantity::BreathingRate, s.bottomSacLpm, 1, 100, 1);
    showSi(m_decoSac, Quantity::BreathingRate, s.decoSacLpm, 1, 100, 1);
    showSi(m_decoReserve, Quantity::Pressure, s.decoReserveBar, 0, 300, 0);
    m_reserve->setCurrentIndex(s.reserveMode == ReserveMode::Thirds ? 1 : 0);
    m_factor->setValue(s.minimumGasFactor);
    m_problemMin->setValue(s.problemMin);
    m_bailout->setChecked(s.bailout);
    // A pair half typed in stays in the boxes while the plan keeps the dive's factors.
    if (s.bailoutGfLow != 0 || bailoutGfPair(m_bailoutGfLow->value(), m_bailoutGfHigh->value())) {
        m_bailoutGfLow->setValue(s.bailoutGfLow);
        m_bailoutGfHigh->setValue(s.bailoutGfHigh);
    }
    m_stressFactor->setValue(s.bailoutStressFactor);
    m_stressMin->setValue(s.bailoutStressMin);
    m_extras->setSettings(s);
    m_bailout->setEnabled(closedCircuit);
}

GasSettings GasPanel::settings(const GasSettings& base, QString& invalid) const
{
    GasSettings s = base;
    s.bottomSacLpm = siOf(m_sac, Quantity::BreathingRate, m_shown.bottomSacLpm);
    s.decoSacLpm = siOf(m_decoSac, Quantity::BreathingRate, m_shown.decoSacLpm);
    s.reserveMode = m_reserve->currentIndex() == 1 ? ReserveMode::Thirds : ReserveMode::MinimumGas;
    s.minimumGasFactor = m_factor->value();
    s.problemMin = m_problemMin->value();
    s.decoReserveBar = siOf(m_decoReserve, Quantity::Pressure, m_shown.decoReserveBar);
    m_extras->applyTo(s);
    invalid = validateGasSettings(s);
    s.bailout = m_bailout->isChecked();
    s.bailoutGfLow = m_bailoutGfLow->value();
    s.bailoutGfHigh = m_bailoutGfHigh->value();
    s.bailoutStressFactor = m_stressFactor->value();
    s.bailoutStressMin = m_stressMin->value();
    // Until both factors make a pair the dive's own apply; typing one then the other is no error.
    if (!bailoutGfPair(s.bailoutGfLow, s.bailoutGfHigh))
        s.bailoutGfLow = s.bailoutGfHigh = 0;
    return s;
}

void GasPanel::showCylinders(const PlanDiveResult& r)
{
    m_table->setRowCount(int(r.cylinders.size()));
    for (int row = 0; row < r.cylinders.size(); ++row)
        addCylinderRow(row, r.cylinders[row], r.gas.cylinders.value(row), r.cylinderGas.value(row));
    m_table->resizeColumnsToContents();
    // The boxes' own widths, which the contents of the cells do not give.
    for (const int column : { ColumnSize, ColumnWorking, ColumnFill }) {
        for (int row = 0; row < m_table->rowCount(); ++row)
            m_table->setColumnWidth(column,
                std::max(m_table->columnWidth(column),
                    m_table->cellWidget(row, column)->sizeHint().width()));
    }
}

QComboBox* GasPanel::sizeBox(const Cylinder& c)
{
    auto* size = new QComboBox(m_table);
    // Any size may be typed (litres, or in imperial the cubic feet at the working pressure);
    // the presets are the usual ones.
    size->setEditable(true);
    size->setInsertPolicy(QComboBox::NoInsert);
    const bool cuft = DisplayUnits::current().volume == UnitSystem::Imperial;
    for (const CylinderPreset& preset : cylinderPresets()) {
        const QString name = QCoreApplication::translate("GasPlan", preset.name);
        // In imperial a preset reads as the cubic feet it holds at its working pressure.
        size->addItem(cuft
                ? QStringLiteral("%1 %2")
                      .arg(Units::cylinderCubicFeet(preset.litres, preset.workBar), 0, 'f', 1)
                      .arg(unit(Quantity::Volume))
                : name,
            preset.litres);
        size->setItemData(size->count() - 1, name, Qt::ToolTipRole);
    }
    int at = size->findData(c.litres);
    if (at < 0) {
        const double typed = cuft ? Units::cylinderCubicFeet(c.litres, c.workingBar()) : c.litres;
        size->insertItem(
            0, QStringLiteral("%1 %2").arg(typed, 0, 'g', 4).arg(unit(Quantity::Volume)), c.litres);
        at = 0;
    }
    size->setCurrentIndex(at);
    return size;
}

void GasPanel::addCylinderRow(int row, const Cylinder& c, const CylinderUse& use, int gasIndex)
{
    m_table->setItem(row, ColumnGas, new QTableWidgetItem(cylinderGasName(c)));
    QComboBox* size = sizeBox(c);
    auto pressureBox = [&](double bar) {
        auto* box = new QSpinBox(m_table);
        box->setRange(int(std::ceil(shown(Quantity::Pressure, 1))),
            int(std::floor(shown(Quantity::Pressure, kMaxFillBar))));
        box->setSuffix(QLatin1Char(' ') + unit(Quantity::Pressure));
        box->setValue(int(std::lround(shown(Quantity::Pressure, bar))));
        return box;
    };
    QSpinBox* working = pressureBox(c.workingBar());
    QSpinBox* fill = pressureBox(c.fillBar);
    auto store = [this, c, gasIndex, size, working, fill](bool presetChosen) {
        // Unchanged boxes keep the cylinder's own values; a working pressure never given stays so.
        double workBar = siOf(Quantity::Pressure, working->value(), c.workingBar());
        if (workBar == c.workingBar())
            workBar = c.workBar;
        const double fillBar = siOf(Quantity::Pressure, fill->value(), c.fillBar);
        double litres = c.litres;
        const int preset = size->findText(size->currentText());
        if (preset >= 0 && size->itemData(preset).toDouble() != c.litres) {
            litres = size->itemData(preset).toDouble();
            const CylinderPreset* p = nullptr;
            for (const CylinderPreset& candidate : cylinderPresets())
                p = candidate.litres == litres ? &candidate : p;
            workBar = p && presetChosen ? p->workBar : workBar;
        } else if (preset < 0) {
            bool ok = false;
            const double typed = typedNumber(size->currentText(), &ok);
            if (!ok) {
                emit refused(DisplayUnits::current().volume == UnitSystem::Imperial
                        ? tr("A cylinder size is a number of cubic feet of gas at its working "
                             "pressure, for example 80.")
                        : tr("A cylinder size is a number of litres, for example 13.5."));
                return;
            }
            litres = DisplayUnits::current().volume == UnitSystem::Imperial
                ? Units::cylinderWaterLitres(typed, workBar > 0 ? workBar : fillBar)
                : typed;
        }
        emit cylinderEdited(gasIndex, litres, workBar, fillBar);
    };
    connect(size, &QComboBox::currentIndexChanged, this, [store]() { store(true); });
    connect(size->lineEdit(), &QLineEdit::editingFinished, this, [store]() { store(false); });
    connect(working, &QSpinBox::editingFinished, this, [store]() { store(false); });
    connect(fill, &QSpinBox::editingFinished, this, [store]() { store(false); });
    m_table->setCellWidget(row, ColumnSize, size);
    m_table->setCellWidget(row, ColumnWorking, working);
    m_table->setCellWidget(row, ColumnFill, fill);
    const bool cuft = DisplayUnits::current().volume == UnitSystem::Imperial;
    m_table->setItem(row, ColumnUsed,
        new QTableWidgetItem(QStringLiteral("%1 %2")
                                 .arg(shown(Quantity::Volume, use.usedLitres), 0, 'f', cuft ? 1 : 0)
                                 .arg(unit(Quantity::Volume))));
    m_table->setItem(row, ColumnEnd, new QTableWidgetItem(pressureText(use.endBar)));
    m_table->setItem(row, ColumnReserve,
        new QTableWidgetItem(QStringLiteral("%1 %2")
                                 .arg(std::lround(shown(Quantity::Pressure, use.reserveBar)))
                                 .arg(unit(Quantity::Pressure))));
    m_table->setCellWidget(row, ColumnGauge, gauge(c, use, m_table));
}

DiveProfileItem::SecondaryCurve cylinderPressureCurve(const PlanDiveResult& r)
{
    DiveProfileItem::SecondaryCurve curve;
    curve.unit = QCoreApplication::translate("GasPanel", "bar");
    for (const CylinderPressurePoint& p : r.gas.pressureCurve) {
        curve.points.append(QPointF(p.timeMin * 60.0, std::max(0.0, p.bar)));
        curve.limits.append(r.gas.cylinders.value(p.cylinder).reserveBar);
        curve.top = std::max(curve.top, r.cylinders.value(p.cylinder).fillBar);
    }
    return curve;
}
