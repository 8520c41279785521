#include "app/preferencesdialog.h"

#include "views/unitsbox.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

PreferencesDialog::PreferencesDialog(
    const HiddenOptions& options, QWidget* parent, const DisplayUnits& units)
    : QDialog(parent)
{
    setWindowTitle(tr("Preferences"));
    auto* layout = new QVBoxLayout(this);
    const auto& switches = HiddenOptions::switches();
    for (std::size_t i = 0; i < switches.size(); ++i) {
        m_boxes[i] = new QCheckBox(tr(switches[i].label), this);
        m_boxes[i]->setObjectName(QLatin1String("ck_") + QLatin1String(switches[i].key));
        m_boxes[i]->setChecked(options.*switches[i].member);
        layout->addWidget(m_boxes[i]);
    }
    auto* factors = new QHBoxLayout;
    factors->addWidget(new QLabel(tr("My gradient factors (dive replay)"), this), 1);
    for (QSpinBox** box : { &m_gfLow, &m_gfHigh }) {
        *box = new QSpinBox(this);
        (*box)->setRange(10, 100);
        (*box)->setSuffix(QStringLiteral(" %"));
        factors->addWidget(*box);
    }
    m_gfLow->setObjectName(QStringLiteral("spReplayGfLow"));
    m_gfHigh->setObjectName(QStringLiteral("spReplayGfHigh"));
    // The low factor applies at the first stop and the high one at the surface: never above it.
    connect(m_gfLow, &QSpinBox::valueChanged, m_gfHigh, [this](int v) { m_gfHigh->setMinimum(v); });
    layout->addLayout(factors);
    m_units = new UnitsBox(units, this);
    layout->addWidget(m_units);
    auto* note = new QLabel(tr("Changes apply at once and are kept in options.ini."), this);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

HiddenOptions PreferencesDialog::options() const
{
    HiddenOptions result;
    const auto& switches = HiddenOptions::switches();
    for (std::size_t i = 0; i < switches.size(); ++i)
        result.*switches[i].member = m_boxes[i]->isChecked();
    return result;
}

void PreferencesDialog::setPlanDefaultsEditor(std::function<void()> edit)
{
    auto* button = new QPushButton(tr("Plan settings for new plans..."), this);
    button->setObjectName(QStringLiteral("btPlanDefaults"));
    connect(button, &QPushButton::clicked, this, [edit = std::move(edit)]() { edit(); });
    // Above the note and the buttons.
    auto* box = qobject_cast<QVBoxLayout*>(layout());
    box->insertWidget(box->count() - 2, button);
}

DisplayUnits PreferencesDialog::units() const
{
    return m_units->units();
}

void PreferencesDialog::setReplayFactors(int low, int high)
{
    m_gfLow->setValue(low);
    m_gfHigh->setValue(high);
}

int PreferencesDialog::replayGfLow() const
{
    return m_gfLow->value();
}

int PreferencesDialog::replayGfHigh() const
{
    return m_gfHigh->value();
}
