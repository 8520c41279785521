#pragma once

#include "app/filequestions.h"
#include "dive/diveprofile.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class LogbookDatabase;
class QLabel;
class QPushButton;
class QTableWidget;

// What became of one dive (or of one file that could not be read) in an import.
struct ImportEntry
{
    enum Kind { Stored, Duplicate, Refused, StoreFailed };
    Kind kind = Refused;
    QString file;
    QString name;
    QString reason; // refused and failed entries
    int diveId = -1; // stored: the new id; duplicate: the stored dive's id
    DiveProfile dive; // kept for a retry when the store failed
};

struct ImportReport
{
    QList<ImportEntry> entries;
    QStringList warnings; // "FILE: remark" of the readers
    int count(ImportEntry::Kind kind) const;
};

// The dive files among the paths: files as given, folders searched (with their subfolders)
// for the files of every format read (readableFilePatterns()), in name order.
QStringList diveFilesIn(const QStringList& paths);

// Reads every file and stores each dive unless the logbook has it (LogbookDatabase::
// importDive). progress(done, total) is called before each file; returning false stops the
// import there (what was stored stays stored). questions complete files that leave a start date
// or CSV columns open; without them such dives are refused.
ImportReport importDiveFiles(LogbookDatabase& logbook, const QStringList& files,
    const std::function<bool(int, int)>& progress = {}, const FileQuestions& questions = {});
// Stores the dives whose store failed again; entries that succeed change kind.
void retryFailedStores(LogbookDatabase& logbook, ImportReport& report);

// The summary at the end of an import: the counts, every dive not stored with its reason, the
// readers' warnings, and a retry for dives whose store failed.
class ImportSummaryDialog : public QDialog
{
    Q_OBJECT
public:
    ImportSummaryDialog(LogbookDatabase& logbook, ImportReport report, QWidget* parent = nullptr);

    const ImportReport& report() const { return m_report; }
    QString countsText() const;
    QTableWidget* table() const { return m_table; }
    QPushButton* retryButton() const { return m_retry; }

signals:
    // Dives were stored by a retry: the dive list needs a refill.
    void divesStored();

private:
    void refresh();

    LogbookDatabase& m_logbook;
    ImportReport m_report;
    QLabel* m_counts = nullptr;
    QTableWidget* m_table = nullptr;
    QLabel* m_warnings = nullptr;
    QPushButton* m_retry = nullptr;
};
