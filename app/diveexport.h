#pragma once

#include <QString>

class DiveProfile;
class LogbookDatabase;

// What writing a dive to a file came to: on failure the dialog's title and the reason; on
// success the name of the dive written.
struct DiveExport
{
    QString title;
    QString problem;
    QString diveName;
    bool ok() const { return problem.isEmpty(); }
};

// Writes the stored dive to the file, the writer chosen by the extension (.uddf or .csv). A
// refused extension or a dive the logbook cannot read writes nothing.
DiveExport exportStoredDive(LogbookDatabase& logbook, int diveId, const QString& path);
// Writes the part of the dive between the two times (s from its start), with a descent to its
// first depth and an ascent from its last, as the graph's "Save selection" does.
DiveExport exportDiveRange(const DiveProfile& dive, int fromS, int toS, const QString& path);
