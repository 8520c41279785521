#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Takes the lock beside the logbook file, so that a second program on the same logbook learns
// at once which program holds it (SQLite would only fail its first write after five seconds).
// Returns an empty text when this program may use the logbook: the lock is then in lock, or
// lock stays empty when this very process (a second window) holds it. Otherwise the text says
// which program holds it, and lock stays empty.
QString lockLogbook(const QString& databasePath, std::unique_ptr<QLockFile>& lock);
