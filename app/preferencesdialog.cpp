#include "app/preferencesdialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PreferencesDialog::PreferencesDialog(const HiddenOptions& options, QWidget* parent)
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
