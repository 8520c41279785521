#include "views/adddivedialog.h"

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
    m_start->setCalendarPopup(true);
    m_duration = decimalBox(1, 48 * 60, 45, tr(" min"), this);
    m_depth = decimalBox(0.1, 350, 18, tr(" m"), this);
    m_meanDepth = decimalBox(0, 350, 0, tr(" m"), this);
    m_meanDepth->setSpecialValueText(tr("not known"));
    m_o2 = wholeBox(1, 100, 21, tr(" % O2"), this);
    m_he = wholeBox(0, 99, 0, tr(" % He"), this);
    m_cylinder = decimalBox(0, 100, 0, tr(" L"), this);
    m_cylinder->setSpecialValueText(tr("not known"));
    m_startBar = wholeBox(0, 400, 0, tr(" bar"), this);
    m_endBar = wholeBox(0, 400, 0, tr(" bar"), this);
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

DiveProfile AddDiveDialog::dive() const
{
    ManualDive numbers;
    numbers.start = m_start->dateTime().toSecsSinceEpoch();
    numbers.durationS = m_duration->value() * 60.0;
    numbers.maxDepthM = m_depth->value();
    numbers.meanDepthM = m_meanDepth->value();
    numbers.o2 = m_o2->value();
    numbers.he = m_he->value();
    numbers.cylinderL = m_cylinder->value();
    numbers.startBar = m_startBar->value();
    numbers.endBar = m_endBar->value();
    DiveProfile dive = manualDiveProfile(numbers);
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
    numbers.maxDepthM = m_depth->value();
    numbers.meanDepthM = m_meanDepth->value();
    numbers.o2 = m_o2->value();
    numbers.he = m_he->value();
    const QString problem = checkManualDive(numbers);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}
