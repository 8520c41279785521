#pragma once

#include "fileio/csvmapping.h"

#include <QByteArray>
#include <QDialog>

class QComboBox;
class QFormLayout;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

// Maps the columns of a CSV table to what they hold (time, depth, temperature, tank pressure,
// ppO2, with units and decimal mark), from a preset or by hand, and shows the file's first
// lines and the samples the mapping reads from them.
class CsvImportDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CsvImportDialog(const QString& path, QWidget* parent = nullptr);

    CsvColumnMapping mapping() const;
    // The samples the current mapping reads ("time s, depth m, temperature C" per row).
    QTableWidget* preview() const { return m_preview; }
    QComboBox* presetBox() const { return m_preset; }
    QSpinBox* columnBox(CsvColumnMapping::Field field) const { return m_columns[field]; }

private:
    QFormLayout* buildForm();
    void applyPreset();
    void refresh();

    QByteArray m_head;
    CsvColumnMapping m_presetMapping;
    QComboBox* m_preset = nullptr;
    QComboBox* m_separator = nullptr;
    QComboBox* m_decimal = nullptr;
    QComboBox* m_timeUnit = nullptr;
    QComboBox* m_depthUnit = nullptr;
    QSpinBox* m_columns[CsvColumnMapping::FieldCount] = {};
    QTableWidget* m_lines = nullptr;
    QTableWidget* m_preview = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_ok = nullptr;
};
