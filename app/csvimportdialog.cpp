#include "app/csvimportdialog.h"

#include "dive/diveprofile.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The preview reads this much of the file: a few hundred lines of any table.
constexpr qint64 PreviewBytes = 32 * 1024;
constexpr int PreviewRows = 12;

} // namespace

CsvImportDialog::CsvImportDialog(const QString& path, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(tr("Import CSV: %1").arg(QFileInfo(path).fileName()));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_head = file.read(PreviewBytes);

    QFormLayout* form = buildForm();

    m_lines = new QTableWidget(this);
    m_lines->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview = new QTableWidget(0, 3, this);
    m_preview->setObjectName(QStringLiteral("csvPreview"));
    m_preview->setHorizontalHeaderLabels({ tr("Time (s)"), tr("Depth (m)"), tr("Temp. (C)") });
    m_preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_preview->verticalHeader()->setVisible(false);
    m_status = new QLabel(this);
    m_status->setWordWrap(true);

    auto* top = new QHBoxLayout;
    top->addLayout(form);
    auto* tables = new QVBoxLayout;
    tables->addWidget(new QLabel(tr("The file"), this));
    tables->addWidget(m_lines, 2);
    tables->addWidget(new QLabel(tr("What is read"), this));
    tables->addWidget(m_preview, 1);
    top->addLayout(tables, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_preset, &QComboBox::currentIndexChanged, this, &CsvImportDialog::applyPreset);
    for (QComboBox* box : { m_separator, m_decimal, m_timeUnit, m_depthUnit })
        connect(box, &QComboBox::currentIndexChanged, this, &CsvImportDialog::refresh);
    for (int f = 0; f <= CsvColumnMapping::PpO2; ++f)
        connect(m_columns[f], &QSpinBox::valueChanged, this, &CsvImportDialog::refresh);
    CsvColumnMapping detected;
    if (detectCsvPreset(m_head, detected))
        m_preset->setCurrentIndex(m_preset->findData(detected.preset));
    else {
        m_columns[CsvColumnMapping::Time]->setValue(1);
        m_columns[CsvColumnMapping::Depth]->setValue(2);
    }
    resize(900, 520);
    refresh();
}

QFormLayout* CsvImportDialog::buildForm()
{
    auto* form = new QFormLayout;
    m_preset = new QComboBox(this);
    m_preset->addItem(tr("My own columns"), QString());
    m_preset->addItem(tr("Subsurface CSV profile"), QStringLiteral("subsurface-profile"));
    m_preset->addItem(tr("Subsurface dive list"), QStringLiteral("subsurface-divelist"));
    m_preset->addItem(tr("Seabear"), QStringLiteral("seabear"));
    m_preset->addItem(tr("Sensus Ultra"), QStringLiteral("sensus-ultra"));
    form->addRow(tr("Layout"), m_preset);
    m_separator = new QComboBox(this);
    m_separator->addItem(tr("Guess"), 0);
    m_separator->addItem(tr("Tab"), int('\t'));
    m_separator->addItem(tr("Semicolon ;"), int(';'));
    m_separator->addItem(tr("Comma ,"), int(','));
    form->addRow(tr("Separator"), m_separator);
    m_decimal = new QComboBox(this);
    m_decimal->addItem(tr("Dot ."), int('.'));
    m_decimal->addItem(tr("Comma ,"), int(','));
    form->addRow(tr("Decimal mark"), m_decimal);
    const QString fieldNames[] = { tr("Time column"), tr("Depth column"), tr("Temperature column"),
        tr("Tank pressure column"), tr("ppO2 column") };
    for (int f = 0; f <= CsvColumnMapping::PpO2; ++f) {
        m_columns[f] = new QSpinBox(this);
        m_columns[f]->setRange(0, 200);
        m_columns[f]->setSpecialValueText(tr("none"));
        form->addRow(fieldNames[f], m_columns[f]);
    }
    m_timeUnit = new QComboBox(this);
    m_timeUnit->addItem(tr("seconds"), int(CsvColumnMapping::TimeUnit::Seconds));
    m_timeUnit->addItem(tr("minutes"), int(CsvColumnMapping::TimeUnit::Minutes));
    m_timeUnit->addItem(tr("minutes:seconds"), int(CsvColumnMapping::TimeUnit::MinutesSeconds));
    form->addRow(tr("Time in"), m_timeUnit);
    m_depthUnit = new QComboBox(this);
    m_depthUnit->addItem(tr("metres"), false);
    m_depthUnit->addItem(tr("feet"), true);
    form->addRow(tr("Depth in"), m_depthUnit);
    return form;
}

void CsvImportDialog::applyPreset()
{
    const QString name = m_preset->currentData().toString();
    m_presetMapping = CsvColumnMapping();
    if (!name.isEmpty() && csvPreset(name, m_presetMapping)) {
        for (int f = 0; f <= CsvColumnMapping::PpO2; ++f)
            m_columns[f]->setValue(m_presetMapping.columns[f]);
        m_separator->setCurrentIndex(m_separator->findData(int(m_presetMapping.separator)));
        m_timeUnit->setCurrentIndex(m_timeUnit->findData(int(m_presetMapping.timeUnit)));
    }
    refresh();
}

CsvColumnMapping CsvImportDialog::mapping() const
{
    CsvColumnMapping m
        = m_preset->currentData().toString().isEmpty() ? CsvColumnMapping() : m_presetMapping;
    for (int f = 0; f <= CsvColumnMapping::PpO2; ++f) {
        if (m.names[f].isEmpty())
            m.columns[f] = m_columns[f]->value();
    }
    m.separator = char(m_separator->currentData().toInt());
    m.decimalMark = char(m_decimal->currentData().toInt());
    m.timeUnit = CsvColumnMapping::TimeUnit(m_timeUnit->currentData().toInt());
    m.feet = m_depthUnit->currentData().toBool();
    return m;
}

void CsvImportDialog::refresh()
{
    const CsvColumnMapping m = mapping();
    // The file's first lines, split as the mapping splits them.
    const QList<QByteArray> lines = m_head.split('\n').mid(0, 40);
    const char sep = m.separator ? m.separator : ',';
    m_lines->clear();
    m_lines->setRowCount(int(lines.size()));
    int width = 0;
    for (int r = 0; r < lines.size(); ++r) {
        const QList<QByteArray> cells = lines.at(r).trimmed().split(sep);
        width = std::max(width, int(cells.size()));
        m_lines->setColumnCount(width);
        for (int c = 0; c < cells.size(); ++c)
            m_lines->setItem(r, c, new QTableWidgetItem(QString::fromUtf8(cells.at(c))));
    }
    DiveFileContent content;
    parseMappedCsv(m_head, m, content);
    m_preview->setRowCount(0);
    const QList<DiveSample> samples
        = content.dives.isEmpty() ? QList<DiveSample>() : content.dives.constFirst().samples;
    for (int r = 0; r < std::min<qsizetype>(samples.size(), PreviewRows); ++r) {
        m_preview->insertRow(r);
        const DiveSample& s = samples.at(r);
        for (int c = 0; c < 3; ++c)
            m_preview->setItem(r, c,
                new QTableWidgetItem(QString::number(c == 0 ? s.time
                        : c == 1                            ? s.depth
                                                            : s.temperature)));
    }
    m_status->setText(content.ok()
            ? tr("%n dive(s) in the first lines.", nullptr, int(content.dives.size()))
            : content.error);
    if (m_ok)
        m_ok->setEnabled(content.ok() && !content.dives.isEmpty());
}
