#include "app/diveimport.h"

#include "fileio/divefileformat.h"
#include "fileio/divelinesio.h"
#include "logbook/logbookdatabase.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

int ImportReport::count(ImportEntry::Kind kind) const
{
    return int(std::count_if(
        entries.cbegin(), entries.cend(), [kind](const ImportEntry& e) { return e.kind == kind; }));
}

QStringList diveFilesIn(const QStringList& paths)
{
    QStringList files;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.isDir()) {
            files << path;
            continue;
        }
        QStringList found;
        QDirIterator it(path, readableFilePatterns(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            found << it.next();
        found.sort(Qt::CaseInsensitive);
        files << found;
    }
    return files;
}

namespace {

// Fills the entry from what the logbook did with its dive (named as stored).
void record(ImportEntry& entry, const LogbookDatabase::ImportOutcome& outcome)
{
    entry.name = entry.dive.name;
    entry.diveId = outcome.id;
    if (outcome.code == LogbookDatabase::Success
        || outcome.code == LogbookDatabase::DuplicateDive) {
        entry.kind = outcome.code == LogbookDatabase::Success ? ImportEntry::Stored
                                                              : ImportEntry::Duplicate;
        entry.dive = DiveProfile();
        entry.reason.clear();
    } else {
        // Nothing of the dive is stored: keep it for a retry.
        entry.kind = ImportEntry::StoreFailed;
        entry.reason = outcome.error;
    }
}

} // namespace

ImportReport importDiveFiles(LogbookDatabase& logbook, const QStringList& files,
    const std::function<bool(int, int)>& progress, const FileQuestions& questions)
{
    ImportReport report;
    for (int i = 0; i < files.size(); ++i) {
        if (progress && !progress(i, int(files.size())))
            break;
        const QString& file = files.at(i);
        const DiveFileContent content = readDiveFileAsking(file, questions);
        if (!content.ok()) {
            ImportEntry entry;
            entry.file = file;
            entry.name = QFileInfo(file).fileName();
            entry.reason = content.error;
            report.entries << entry;
            continue;
        }
        for (const QString& warning : content.warnings)
            report.warnings << QStringLiteral("%1: %2").arg(
                QDir::toNativeSeparators(file), warning);
        QList<DiveProfile> dives = content.dives;
        for (DiveProfile& dive : dives) {
            if (dive.name.isEmpty())
                dive.name = QFileInfo(file).completeBaseName();
        }
        const QList<LogbookDatabase::ImportOutcome> outcomes = logbook.importDives(dives);
        for (qsizetype d = 0; d < dives.size(); ++d) {
            ImportEntry entry;
            entry.file = file;
            entry.dive = dives.at(d);
            record(entry, outcomes.at(d));
            report.entries << entry;
        }
        for (const RefusedDive& refused : content.refused) {
            ImportEntry entry;
            entry.file = file;
            entry.name = refused.name;
            entry.reason = refused.reason;
            report.entries << entry;
        }
    }
    if (progress)
        progress(int(files.size()), int(files.size()));
    return report;
}

void retryFailedStores(LogbookDatabase& logbook, ImportReport& report)
{
    for (ImportEntry& entry : report.entries) {
        if (entry.kind == ImportEntry::StoreFailed) {
            LogbookDatabase::ImportOutcome outcome;
            outcome.code = logbook.importDive(entry.dive, &outcome.id);
            outcome.error = logbook.lastError();
            record(entry, outcome);
        }
    }
}

ImportSummaryDialog::ImportSummaryDialog(
    LogbookDatabase& logbook, ImportReport report, QWidget* parent)
    : QDialog(parent)
    , m_logbook(logbook)
    , m_report(std::move(report))
{
    setWindowTitle(tr("Import dives"));
    auto* layout = new QVBoxLayout(this);
    m_counts = new QLabel(this);
    QFont bold = m_counts->font();
    bold.setBold(true);
    m_counts->setFont(bold);
    layout->addWidget(m_counts);

    m_table = new QTableWidget(0, 4, this);
    m_table->setHorizontalHeaderLabels({ tr("Dive"), tr("Result"), tr("File"), tr("Reason") });
    m_table->verticalHeader()->setVisible(false);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    m_warnings = new QLabel(this);
    m_warnings->setWordWrap(true);
    m_warnings->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_warnings);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_retry = buttons->addButton(tr("Retry failed dives"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::accept);
    connect(m_retry, &QPushButton::clicked, this, [this]() {
        const int before = m_report.count(ImportEntry::Stored);
        retryFailedStores(m_logbook, m_report);
        if (m_report.count(ImportEntry::Stored) != before)
            emit divesStored();
        refresh();
    });
    layout->addWidget(buttons);
    resize(760, 420);
    refresh();
}

QString ImportSummaryDialog::countsText() const
{
    return tr("%1 stored, %2 duplicates, %3 refused, %4 failed to store")
        .arg(m_report.count(ImportEntry::Stored))
        .arg(m_report.count(ImportEntry::Duplicate))
        .arg(m_report.count(ImportEntry::Refused))
        .arg(m_report.count(ImportEntry::StoreFailed));
}

void ImportSummaryDialog::refresh()
{
    m_counts->setText(countsText());
    // Every dive that was not stored is named, with why; stored dives are only counted.
    m_table->setRowCount(0);
    for (const ImportEntry& e : m_report.entries) {
        QString result;
        QString reason = e.reason;
        switch (e.kind) {
        case ImportEntry::Stored:
            continue;
        case ImportEntry::Duplicate:
            result = tr("Duplicate");
            reason = tr("Already in the logbook as dive %1").arg(e.diveId);
            break;
        case ImportEntry::Refused:
            result = tr("Refused");
            break;
        case ImportEntry::StoreFailed:
            result = tr("Not stored (can be retried)");
            break;
        }
        const int row = m_table->rowCount();
        m_table->insertRow(row);
        m_table->setItem(row, 0, new QTableWidgetItem(e.name));
        m_table->setItem(row, 1, new QTableWidgetItem(result));
        m_table->setItem(row, 2, new QTableWidgetItem(QFileInfo(e.file).fileName()));
        m_table->item(row, 2)->setToolTip(QDir::toNativeSeparators(e.file));
        m_table->setItem(row, 3, new QTableWidgetItem(reason));
        m_table->item(row, 3)->setToolTip(reason);
    }
    m_table->resizeColumnsToContents();
    m_table->setVisible(m_table->rowCount() > 0);
    m_warnings->setText(m_report.warnings.isEmpty()
            ? QString()
            : tr("Warnings:") + QLatin1Char('\n') + m_report.warnings.join(QLatin1Char('\n')));
    m_warnings->setVisible(!m_report.warnings.isEmpty());
    m_retry->setVisible(m_report.count(ImportEntry::StoreFailed) > 0);
}
