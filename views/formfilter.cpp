#include "views/formfilter.h"

#include "dive/formattime.h"
#include "logbook/logbookdatabase.h"
#include "ui_formfilter.h"

#include <QStyle>
#include <QTableWidgetItem>

#include <algorithm>

FormFilter::FormFilter(QWidget* parent)
    : QDialog(parent)
    , m_ui(std::make_unique<Ui::FormFilterClass>())
{
    m_ui->setupUi(this);
    // Dates and times read as in the list and the Summary.
    for (QDateEdit* date : { m_ui->startDate, m_ui->endDate })
        date->setDisplayFormat(diveDateFormat());
    for (QTimeEdit* time : { m_ui->startTime, m_ui->endTime })
        time->setDisplayFormat(QStringLiteral("hh:mm"));
    // The date page is wider than the form's first width (in French above all): open wide
    // enough for every page, with no sideways scroll bar.
    int widest = 0;
    for (int i = 0; i < m_ui->toolBox->count(); ++i)
        widest = std::max(widest, m_ui->toolBox->widget(i)->sizeHint().width());
    resize(
        std::max(width(), widest + 2 * style()->pixelMetric(QStyle::PM_ScrollBarExtent)), height());
    connect(m_ui->btCheckAll, &QPushButton::clicked, this, [this]() { checkAll(true); });
    connect(m_ui->btUncheckAll, &QPushButton::clicked, this, [this]() { checkAll(false); });
}

FormFilter::~FormFilter() = default;

void FormFilter::checkAll(bool checked)
{
    for (int row = 0; row < m_ui->tblComputers->rowCount(); ++row)
        m_ui->tblComputers->item(row, 0)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void FormFilter::setFilter(const DiveFilter& filter, const QStringList& computers)
{
    QTableWidget* table = m_ui->tblComputers;
    table->clearContents();
    table->setRowCount(computers.size());
    for (int row = 0; row < computers.size(); ++row) {
        const QString& name = computers[row];
        auto* item = new QTableWidgetItem(name.isEmpty() ? tr("No name") : name);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setData(Qt::UserRole, name.isEmpty());
        // Without a computer restriction every computer is shown, so every row starts ticked.
        const bool kept = !filter.byComputer || filter.computers.contains(name);
        item->setCheckState(kept ? Qt::Checked : Qt::Unchecked);
        table->setItem(row, 0, item);
    }
    m_ui->grComputer->setChecked(filter.byComputer);

    m_ui->grDateTime->setChecked(filter.byDate);
    const QDate today = QDate::currentDate();
    m_ui->startDate->setDate(filter.from.isValid() ? filter.from.date() : today);
    m_ui->grEndDate->setChecked(filter.hasTo);
    m_ui->endDate->setDate(filter.to.isValid() ? filter.to.date() : today);
    m_ui->grTime->setChecked(filter.byTime);
    m_ui->startTime->setTime(
        filter.fromTime >= 0 ? QTime::fromMSecsSinceStartOfDay(filter.fromTime) : QTime(0, 0));
    m_ui->endTime->setTime(
        filter.toTime >= 0 ? QTime::fromMSecsSinceStartOfDay(filter.toTime) : QTime(23, 59, 59));
}

void FormFilter::readInto(DiveFilter& filter) const
{
    filter.byComputer = m_ui->grComputer->isChecked();
    if (filter.byComputer) {
        QStringList names;
        bool someUnchecked = false;
        const QTableWidget* table = m_ui->tblComputers;
        for (int row = 0; row < table->rowCount(); ++row) {
            const QTableWidgetItem* item = table->item(row, 0);
            if (item->checkState() == Qt::Checked)
                names.append(item->data(Qt::UserRole).toBool() ? QString() : item->text());
            else
                someUnchecked = true;
        }
        filter.computers = names;
        // Every computer ticked is no restriction at all.
        filter.byComputer = someUnchecked;
    }

    filter.byDate = m_ui->grDateTime->isChecked();
    if (!filter.byDate)
        return;
    filter.from = m_ui->startDate->date().startOfDay();
    filter.hasTo = m_ui->grEndDate->isChecked();
    if (filter.hasTo)
        filter.to = m_ui->endDate->date().startOfDay();
    filter.byTime = m_ui->grTime->isChecked();
    if (filter.byTime) {
        filter.fromTime = m_ui->startTime->time().msecsSinceStartOfDay();
        filter.toTime = m_ui->endTime->time().msecsSinceStartOfDay();
    }
}
