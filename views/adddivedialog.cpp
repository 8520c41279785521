#include "views/adddivedialog.h"

#include "dive/formattime.h"
#include "dive/manualdive.h"
#include "views/listcompleter.h"

#include <QCompleter>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <cmath>

namespace {

QDoubleSpinBox* decimalBox(
    double low, double high, double value, const QString& suffix, QWidget* parent)
{
    auto* box = new QDoubleSpinBox(parent);
    box->setRange(low, high);
    box->setDecimals(1);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

QSpinBox* wholeBox(int low, int high, int value, const QString& suffix, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(low, high);
    box->setValue(value);
    box->setSuffix(suffix);
    return box;
}

} // namespace

AddDiveDialog::AddDiveDialog(
    const QStringList& sites, const QStringList& buddies, const QStringList& tags, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Add dive"));
    auto* form = new QFormLayout(this);
    m_start = new QDateTimeEdit(QDateTime::currentDateTime(), this);
    m_start->setDisplayFormat(diveDateFormat() + QStringLiteral(" hh:mm"));
    m_start->setCalendarPopup(true);
    m_duration = decimalBox(1, 48 * 60, 45, tr(" min"), this);
    createUnitBoxes();
    m_o2 = wholeBox(1, 100, 21, tr(" % O2"), this);
    m_he = wholeBox(0, 99, 0, tr(" % He"), this);
    m_site = new QLineEdit(this);
    m_site->setObjectName(QStringLiteral("edAddSite"));
    m_site->setCompleter(new QCompleter(sites, m_site));
    m_site->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    m_location = new QLineEdit(this);
    m_buddies = new QLineEdit(this);
    m_buddies->setPlaceholderText(tr("Names separated by commas"));
    installListCompleter(m_buddies, buddies);
    m_tags = new QLineEdit(this);
    m_tags->setPlaceholderText(tr("Words separated by commas"));
    installListCompleter(m_tags, tags);
    m_rating = wholeBox(0, 5, 0, tr(" / 5"), this);
    m_notes = new QPlainTextEdit(this);
    m_notes->setTabChangesFocus(true);

    form->addRow(tr("Date and time"), m_start);
    form->addRow(tr("Duration"), m_duration);
    form->addRow(tr("Maximum depth"), m_depth);
    form->addRow(tr("Mean depth"), m_meanDepth);
    form->addRow(tr("Oxygen"), m_o2);
    form->addRow(tr("Helium"), m_he);
    form->addRow(tr("Cylinder size"), m_cylinder);
    if (m_working)
        form->addRow(tr("Working pressure"), m_working);
    form->addRow(tr("Start pressure"), m_startBar);
    form->addRow(tr("End pressure"), m_endBar);
    form->addRow(tr("Site"), m_site);
    form->addRow(tr("Location"), m_location);
    form->addRow(tr("Buddies"), m_buddies);
    form->addRow(tr("Tags"), m_tags);
    form->addRow(tr("Rating"), m_rating);
    form->addRow(tr("Notes"), m_notes);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &AddDiveDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AddDiveDialog::reject);
    form->addRow(buttons);
}

void AddDiveDialog::createUnitBoxes()
{
    // In the diver's units: an imperial cylinder is named by the gas it holds at its working
    // pressure (an AL80: 80 cuft at 3000 psi), a metric one by its water volume.
    const auto suffix = [this](Quantity q) { return QLatin1Char(' ') + Units::symbol(q, m_units); };
    const auto shown = [this](Quantity q, double si) { return Units::toDisplay(q, si, m_units); };
    const bool feet = m_units.depth == UnitSystem::Imperial;
    m_depth = decimalBox(shown(Quantity::Depth, 0.1), shown(Quantity::Depth, 350), feet ? 60 : 18,
        suffix(Quantity::Depth), this);
    m_meanDepth = decimalBox(0, shown(Quantity::Depth, 350), 0, suffix(Quantity::Depth), this);
    m_meanDepth->setSpecialValueText(tr("not known"));
    const int highPressure = int(shown(Quantity::Pressure, 400));
    m_startBar = wholeBox(0, highPressure, 0, suffix(Quantity::Pressure), this);
    m_startBar->setObjectName(QStringLiteral("sbAddStartPressure"));
    m_endBar = wholeBox(0, highPressure, 0, suffix(Quantity::Pressure), this);
    m_endBar->setObjectName(QStringLiteral("sbAddEndPressure"));
    if (m_units.volume == UnitSystem::Imperial) {
        m_cylinder = decimalBox(0, 400, 0, suffix(Quantity::Volume), this);
        m_working = wholeBox(1, highPressure, int(std::lround(shown(Quantity::Pressure, 206.84))),
            suffix(Quantity::Pressure), this);
    } else {
        m_cylinder = decimalBox(0, 100, 0, tr(" L"), this);
    }
    m_cylinder->setSpecialValueText(tr("not known"));
    m_depth->setObjectName(QStringLiteral("sbAddDepth"));
    m_cylinder->setObjectName(QStringLiteral("sbAddCylinder"));
}

double AddDiveDialog::depthM(const QDoubleSpinBox* box) const
{
    return Units::fromDisplay(Quantity::Depth, box->value(), m_units);
}

DiveProfile AddDiveDialog::dive() const
{
    ManualDive numbers;
    numbers.start = m_start->dateTime().toSecsSinceEpoch();
    numbers.durationS = m_duration->value() * 60.0;
    numbers.maxDepthM = depthM(m_depth);
    numbers.meanDepthM = depthM(m_meanDepth);
    numbers.o2 = m_o2->value();
    numbers.he = m_he->value();
    const double workingBar
        = m_working ? Units::fromDisplay(Quantity::Pressure, m_working->value(), m_units) : 0;
    numbers.cylinderL = m_working ? Units::cylinderWaterLitres(m_cylinder->value(), workingBar)
                                  : m_cylinder->value();
    numbers.startBar = Units::fromDisplay(Quantity::Pressure, m_startBar->value(), m_units);
    numbers.endBar = Units::fromDisplay(Quantity::Pressure, m_endBar->value(), m_units);
    DiveProfile dive = manualDiveProfile(numbers);
    for (DiveProfile::TankPressure& tank : dive.tanks)
        tank.workingBar = workingBar;
    dive.site = m_site->text().trimmed();
    dive.location = m_location->text().trimmed();
    dive.buddies = splitTypedList(m_buddies->text());
    dive.tags = splitTypedList(m_tags->text());
    dive.rating = m_rating->value();
    dive.notes = m_notes->toPlainText();
    return dive;
}

void AddDiveDialog::accept()
{
    ManualDive numbers;
    numbers.durationS = m_duration->value() * 60.0;
    numbers.maxDepthM = depthM(m_depth);
    numbers.meanDepthM = depthM(m_meanDepth);
    numbers.o2 = m_o2->value();
    numbers.he = m_he->value();
    const QString problem = checkManualDive(numbers);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}
