#pragma once

#include "dive/diveprofile.h"
#include "fileio/divelinesio.h"

#include <QString>

#include <functional>

class QWidget;
struct CsvColumnMapping;

// What the window asks when a file leaves something open: the start of dives whose file gives
// none (the file's modification time is offered), and the columns of a CSV table no reader
// knows. Tests put answers of their own in place of the dialogs.
struct FileQuestions
{
    // The start chosen, in seconds since 1970 UTC; 0 when the user declines.
    std::function<qint64(const QString& file, qint64 guessUtc)> startDate;
    // False when the user declines.
    std::function<bool(const QString& file, CsvColumnMapping& mapping)> csvColumns;

    // The dialogs of the window.
    static FileQuestions dialogs(QWidget* parent);
};

// Reads the file; a CSV table none of the readers knows is read with the columns the user maps,
// and dives without a start date get the date the user gives.
DiveFileContent readDiveFileAsking(const QString& path, const FileQuestions& questions);
