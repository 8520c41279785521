#include "views/multifielddialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpacerItem>
#include <QSpinBox>

namespace {
QString okIconPath = QStringLiteral(":/TestGraphics/icons/ok.png");
QString cancelIconPath = QStringLiteral(":/TestGraphics/icons/cancel.png");
} // namespace

InputDialogMultiField::InputDialogMultiField(const QString& label, QObject* parent)
    : QObject(parent)
    , m_label(label)
{ }

void InputDialogMultiField::setChecked(bool checked)
{
    m_checked = checked;
}

InputDialogMultiFieldDouble::InputDialogMultiFieldDouble(const QString& label, double value,
    double minimum, double maximum, double step, int decimals, QObject* parent)
    : InputDialogMultiField(label, parent)
    , m_decimals(decimals)
    , m_value(value)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step)
{ }

QVariant InputDialogMultiFieldDouble::value() const
{
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor()))
        return spin->value();
    return m_value;
}

QWidget* InputDialogMultiFieldDouble::createEditor()
{
    auto* spin = new QDoubleSpinBox;
    spin->setMinimumWidth(80);
    spin->setDecimals(m_decimals);
    spin->setMinimum(m_minimum);
    spin->setMaximum(m_maximum);
    spin->setValue(m_value);
    spin->setSingleStep(m_step);
    return spin;
}

InputDialogMultiFieldInt::InputDialogMultiFieldInt(
    const QString& label, int value, int minimum, int maximum, int step, QObject* parent)
    : InputDialogMultiField(label, parent)
    , m_value(value)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step)
{ }

QVariant InputDialogMultiFieldInt::value() const
{
    if (auto* spin = qobject_cast<QSpinBox*>(editor()))
        return spin->value();
    return m_value;
}

QWidget* InputDialogMultiFieldInt::createEditor()
{
    auto* spin = new QSpinBox;
    spin->setMinimumWidth(80);
    spin->setMinimum(m_minimum);
    spin->setMaximum(m_maximum);
    spin->setValue(m_value);
    spin->setSingleStep(m_step);
    return spin;
}

InputDialogMultiFieldBool::InputDialogMultiFieldBool(
    const QString& label, bool value, QObject* parent)
    : InputDialogMultiField(label, parent)
    , m_value(value)
{ }

QVariant InputDialogMultiFieldBool::value() const
{
    if (auto* box = qobject_cast<QCheckBox*>(editor()))
        return box->isChecked();
    return m_value;
}

QWidget* InputDialogMultiFieldBool::createEditor()
{
    auto* box = new QCheckBox;
    box->setChecked(m_value);
    return box;
}

InputDialogMultiFieldString::InputDialogMultiFieldString(
    const QString& label, const QString& value, QObject* parent)
    : InputDialogMultiField(label, parent)
    , m_value(value)
{ }

QVariant InputDialogMultiFieldString::value() const
{
    if (auto* edit = qobject_cast<QLineEdit*>(editor()))
        return edit->text();
    return m_value;
}

QWidget* InputDialogMultiFieldString::createEditor()
{
    auto* edit = new QLineEdit;
    edit->setMinimumWidth(80);
    edit->setText(m_value);
    return edit;
}

MultiFieldDialog::MultiFieldDialog(const QString& title)
    : m_title(title)
{ }

MultiFieldDialog::~MultiFieldDialog()
{
    // The editors belong to the dialog; the fields only point at them.
    m_dialog.reset();
    m_fields.clear();
}

void MultiFieldDialog::setIconPaths(const QString& okIcon, const QString& cancelIcon)
{
    okIconPath = okIcon;
    cancelIconPath = cancelIcon;
}

InputDialogMultiField* MultiFieldDialog::addField(InputDialogMultiField* field)
{
    if (!field)
        return nullptr;
    field->setParent(nullptr);
    m_fields.emplace_back(field);
    return field;
}

InputDialogMultiField* MultiFieldDialog::addTextField(const QString& label, const QString& text)
{
    return addField(new InputDialogMultiFieldString(label, text));
}

InputDialogMultiField* MultiFieldDialog::addIntField(
    const QString& label, int minimum, int maximum, int step, int value)
{
    return addField(new InputDialogMultiFieldInt(label, value, minimum, maximum, step));
}

QDialog* MultiFieldDialog::dialog()
{
    if (!m_dialog)
        build();
    return m_dialog.get();
}

int MultiFieldDialog::run()
{
    return dialog()->exec();
}

InputDialogMultiField* MultiFieldDialog::field(const QString& label) const
{
    for (const auto& f : m_fields) {
        if (f->label() == label)
            return f.get();
    }
    return nullptr;
}

QVariant MultiFieldDialog::value(const InputDialogMultiField* f) const
{
    return f ? f->value() : QVariant();
}

QVariant MultiFieldDialog::value(const QString& label) const
{
    return value(field(label));
}

void MultiFieldDialog::build()
{
    m_dialog = std::make_unique<QDialog>();
    auto* form = new QFormLayout(m_dialog.get());
    m_dialog->setWindowTitle(m_title);

    for (const auto& f : m_fields) {
        InputDialogMultiField* fieldPtr = f.get();
        QWidget* editor = fieldPtr->createEditor();
        fieldPtr->setEditor(editor);
        auto* row = new QHBoxLayout;
        auto* label = new QLabel(fieldPtr->label());
        label->setMinimumWidth(100);
        row->addWidget(label);
        row->addWidget(editor);
        if (fieldPtr->isCheckable()) {
            auto* box = new QCheckBox(QString());
            box->setChecked(fieldPtr->isChecked());
            QObject::connect(box, &QCheckBox::clicked, fieldPtr, [fieldPtr](bool on) {
                if (fieldPtr->editor())
                    fieldPtr->editor()->setEnabled(on);
                fieldPtr->setChecked(on);
            });
            row->addWidget(box);
            editor->setEnabled(fieldPtr->isChecked());
        }
        form->addRow(row);
    }

    form->addItem(new QSpacerItem(10, 20, QSizePolicy::Minimum, QSizePolicy::Expanding));

    auto* buttons = new QHBoxLayout;
    buttons->addItem(new QSpacerItem(10, 10, QSizePolicy::Expanding, QSizePolicy::Minimum));
    auto* ok = new QPushButton(QIcon(okIconPath), QObject::tr("Ok"));
    ok->setObjectName(QStringLiteral("btOk"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QIcon(cancelIconPath), QObject::tr("Cancel"));
    cancel->setObjectName(QStringLiteral("btCancel"));
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    form->addRow(buttons);
    QObject::connect(ok, &QPushButton::clicked, m_dialog.get(), &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, m_dialog.get(), &QDialog::reject);
}
