#pragma once

#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <vector>

class QDialog;
class QWidget;

// One row of a MultiFieldDialog: a label, an editor made by the subclass and, when checkable,
// a check box that enables the editor. The value is always read from the editor once the
// dialog exists, even when the editor is disabled.
class InputDialogMultiField : public QObject
{
    Q_OBJECT

public:
    enum Type { Double = 0, Int = 1, Bool = 2, String = 3 };

    explicit InputDialogMultiField(const QString& label, QObject* parent = nullptr);

    virtual int type() const = 0;
    virtual QVariant value() const = 0;
    // Makes the editor; the dialog's layout takes ownership of it.
    virtual QWidget* createEditor() = 0;

    QWidget* editor() const { return m_editor; }
    void setEditor(QWidget* editor) { m_editor = editor; }
    const QString& label() const { return m_label; }
    bool isCheckable() const { return m_checkable; }
    void setCheckable(bool checkable) { m_checkable = checkable; }
    bool isChecked() const { return m_checked; }

public slots:
    virtual void setChecked(bool checked);

private:
    QWidget* m_editor = nullptr;
    QString m_label;
    bool m_checkable = false;
    bool m_checked = true;
};

class InputDialogMultiFieldDouble : public InputDialogMultiField
{
    Q_OBJECT

public:
    InputDialogMultiFieldDouble(const QString& label, double value, double minimum, double maximum,
        double step, int decimals, QObject* parent = nullptr);
    int type() const override { return Double; }
    QVariant value() const override;
    QWidget* createEditor() override;

private:
    int m_decimals;
    double m_value;
    double m_minimum;
    double m_maximum;
    double m_step;
};

class InputDialogMultiFieldInt : public InputDialogMultiField
{
    Q_OBJECT

public:
    InputDialogMultiFieldInt(const QString& label, int value, int minimum, int maximum, int step,
        QObject* parent = nullptr);
    int type() const override { return Int; }
    QVariant value() const override;
    QWidget* createEditor() override;

private:
    int m_value;
    int m_minimum;
    int m_maximum;
    int m_step;
};

class InputDialogMultiFieldBool : public InputDialogMultiField
{
    Q_OBJECT

public:
    InputDialogMultiFieldBool(const QString& label, bool value, QObject* parent = nullptr);
    int type() const override { return Bool; }
    QVariant value() const override;
    QWidget* createEditor() override;

private:
    bool m_value;
};

class InputDialogMultiFieldString : public InputDialogMultiField
{
    Q_OBJECT

public:
    InputDialogMultiFieldString(
        const QString& label, const QString& value, QObject* parent = nullptr);
    int type() const override { return String; }
    QVariant value() const override;
    QWidget* createEditor() override;

private:
    QString m_value;
};

// A modal dialog of labelled fields built at its first run. The editors keep their contents
// between runs, so a second run shows what the user typed the first time.
class MultiFieldDialog
{
public:
    explicit MultiFieldDialog(const QString& title);
    ~MultiFieldDialog();
    MultiFieldDialog(const MultiFieldDialog&) = delete;
    MultiFieldDialog& operator=(const MultiFieldDialog&) = delete;

    // Takes ownership of the field.
    InputDialogMultiField* addField(InputDialogMultiField* field);
    InputDialogMultiField* addTextField(const QString& label, const QString& text);
    InputDialogMultiField* addIntField(
        const QString& label, int minimum, int maximum, int step, int value);

    // Builds the dialog if needed, runs it modally; returns QDialog::Accepted (1) or Rejected.
    int run();
    // The dialog, built on first use (no parent).
    QDialog* dialog();

    InputDialogMultiField* field(const QString& label) const;
    QVariant value(const InputDialogMultiField* field) const;
    QVariant value(const QString& label) const;
    const std::vector<std::unique_ptr<InputDialogMultiField>>& fields() const { return m_fields; }

    // Icons of the Ok and Cancel buttons, shared by every dialog.
    static void setIconPaths(const QString& okIcon, const QString& cancelIcon);

private:
    void build();

    std::unique_ptr<QDialog> m_dialog;
    QString m_title;
    std::vector<std::unique_ptr<InputDialogMultiField>> m_fields;
};
