#include "app/filequestions.h"

#include "app/csvimportdialog.h"
#include "fileio/csvmapping.h"
#include "fileio/divefileformat.h"

#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {

qint64 askStartDate(QWidget* parent, const QString& file, qint64 guessUtc)
{
    QDialog dialog(parent);
    dialog.setWindowTitle(QCoreApplication::translate("FileQuestions", "Start of the dive"));
    auto* layout = new QVBoxLayout(&dialog);
    auto* label = new QLabel(QCoreApplication::translate("FileQuestions",
                                 "%1 does not say when the dive started. The file's "
                                 "modification time is offered; correct it if needed.")
                                 .arg(QFileInfo(file).fileName()),
        &dialog);
    label->setWordWrap(true);
    layout->addWidget(label);
    auto* edit = new QDateTimeEdit(QDateTime::fromSecsSinceEpoch(guessUtc), &dialog);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    edit->setObjectName(QStringLiteral("startDate"));
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    return edit->dateTime().toSecsSinceEpoch();
}

} // namespace

FileQuestions FileQuestions::dialogs(QWidget* parent)
{
    FileQuestions q;
    q.startDate
        = [parent](const QString& file, qint64 guess) { return askStartDate(parent, file, guess); };
    q.csvColumns = [parent](const QString& file, CsvColumnMapping& mapping) {
        CsvImportDialog dialog(file, parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        mapping = dialog.mapping();
        return true;
    };
    return q;
}

DiveFileContent readDiveFileAsking(const QString& path, const FileQuestions& questions)
{
    DiveReadOptions options;
    CsvColumnMapping mapping;
    DiveFileContent content = readDiveFile(path, options);
    if (!content.ok() && questions.csvColumns && diveFormatOfFile(path) == DiveOriginCsv
        && questions.csvColumns(path, mapping)) {
        options.csv = &mapping;
        content = readDiveFile(path, options);
    }
    if (content.ok() && content.undated > 0 && questions.startDate) {
        const qint64 guess = QFileInfo(path).lastModified().toSecsSinceEpoch();
        options.fallbackDateTime = questions.startDate(path, guess);
        if (options.fallbackDateTime != 0)
            content = readDiveFile(path, options);
    }
    return content;
}
