#pragma once

#include "dive/diveprofile.h"

#include <QString>
#include <QStringList>

class QSqlDatabase;
class StatementCache;

// Notes longer than this (in UTF-8 bytes) are refused.
constexpr int MaxNotesBytes = 64 * 1024;

inline DiveDetails detailsOf(const DiveProfile& dive)
{
    return dive;
}
inline void applyDetails(const DiveDetails& details, DiveProfile& dive)
{
    static_cast<DiveDetails&>(dive) = details;
}
// Empty when the details can be stored, otherwise a sentence saying what is wrong.
QString checkDetails(const DiveDetails& details);

// The FTS5 query for what was typed in the search box: every word must start a word of the
// dive's texts. Empty when the text holds no word at all (only spaces, punctuation or
// operators), which finds nothing.
QString searchExpression(const QString& typed);

// The storage of the details beside the original tables, used by LogbookDatabase inside its
// own transactions: a table of details and per-dive summary, a table of tank pressures and an
// FTS5 index over the dive's texts, kept in step by triggers on dives and divedetails.
namespace DiveDetailsStore {

// Creates what is missing and fills it for the dives already stored; changed tells whether
// anything was written.
bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error);
// Details, tanks and summary of a dive just inserted under diveId. A dive without a number
// gets the next one when it is newer than every numbered dive, otherwise none; other dives keep
// theirs.
bool storeNew(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error);
// Fills the details and tanks of the profile; a dive without details keeps the defaults.
bool load(QSqlDatabase& db, qint64 diveId, DiveProfile& dive, QString& error);
bool remove(QSqlDatabase& db, qint64 diveId, QString& error);

} // namespace DiveDetailsStore
