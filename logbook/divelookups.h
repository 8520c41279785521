#pragma once

#include <QString>

class QSqlDatabase;

// The statements the logbook runs once for every dive it stores or imports, and the indexes
// that answer them with a seek: without them each stored dive read the whole dives table
// several times, and writing slowed down as the logbook grew.
namespace DiveLookups {

// Dives starting in a range, to be weighed by the same-dive rule.
extern const char sameStartSql[];
// Dives whose summary has this largest time and depth, the candidates for identical samples.
extern const char sameSummarySql[];
// A dive of this name and serial.
extern const char nameTakenSql[];
// Numbering a new dive: the highest number, and a numbered dive that starts after it (stored
// numbers are never moved, so only a dive newer than every numbered one gets the next).
extern const char highestNumberSql[];
extern const char laterNumberedSql[];

struct Lookup
{
    const char* name;
    const char* sql;
};
// Every statement above, for the test that reads their query plans.
extern const Lookup all[5];

// Creates the indexes that are missing (changed is then set), in the caller's transaction.
// Dives an older program stored without a summary get one, so that sameSummarySql sees them.
bool ensureIndexes(QSqlDatabase& db, bool& changed, QString& error);

} // namespace DiveLookups
