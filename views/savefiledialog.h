#pragma once

#include <QString>

class QWidget;

// The name as saved: with the first extension of the chosen file type ("UDDF file (*.uddf)")
// added when the name has none, as a diver who picked the type expects. A name with an extension
// is kept as typed.
QString withChosenExtension(const QString& path, const QString& chosenFilter);

// QFileDialog::getSaveFileName, then withChosenExtension; empty when cancelled.
QString chooseSaveFile(
    QWidget* parent, const QString& caption, const QString& folder, const QString& filters);
