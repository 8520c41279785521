#pragma once

#include <QString>

class QWidget;

// Where the settings, options and logbook files of the user live.
namespace AppData {

// The first application-local data location of the platform.
QString dataDirPath();

// Creates the directory with all its missing parents. Returns false when it
// still does not exist afterwards.
bool ensureDir(const QString& path);

// Tells the user that the data directory cannot be created; start-up stops after it.
void reportDirFailure(QWidget* parent, const QString& path);

} // namespace AppData
