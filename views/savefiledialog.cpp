#include "views/savefiledialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

QString withChosenExtension(const QString& path, const QString& chosenFilter)
{
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    static const QRegularExpression firstPattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch match = firstPattern.match(chosenFilter);
    return match.hasMatch() ? path + QLatin1Char('.') + match.captured(1) : path;
}

QString chooseSaveFile(
    QWidget* parent, const QString& caption, const QString& folder, const QString& filters)
{
    QString chosen;
    const QString path = QFileDialog::getSaveFileName(parent, caption, folder, filters, &chosen);
    return withChosenExtension(path, chosen.isEmpty() ? filters : chosen);
}
