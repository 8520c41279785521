#pragma once

#include <QString>

class QSqlDatabase;

// The statements the logbook runs once for every dive it stores or imports, and the indexes
// that answer them with a seek: without them each stored dive read the whole dives table
// several times, and writing slowed down as the logbook grew.
namespace DiveLookups {

// The same computer (by serial, or by name for dives without one) and a start in a range.
extern const char sameSerialSql[];
extern const char sameComputerSql[];
// Dives whose summary has this largest time and depth, the candidates for identical samples.
extern const char sameSummarySql[];
// A dive of this name and serial.
extern const char nameTakenSql[];
// Numbering a new dive: the number of the dive before it, the lowest number, and the numbers
// of later dives moved up by one.
extern const char previousNumberSql[];
extern const char lowestNumberSql[];
extern const char shiftNumbersSql[];

struct Lookup
{
    const char* name;
    const char* sql;
};
// Every statement above, for the test that reads their query plans.
extern const Lookup all[7];

// Creates the indexes that are missing (changed is then set), in the caller's transaction.
// Dives an older program stored without a summary get one, so that sameSummarySql sees them.
bool ensureIndexes(QSqlDatabase& db, bool& changed, QString& error);

} // namespace DiveLookups
