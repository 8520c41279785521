#pragma once

#include <QByteArray>
#include <QString>

// What a look at the first bytes of a would-be logbook file tells before SQLite opens it.
// SQLite itself opens any file lazily and only fails later, so a file that is plainly not
// a database (or cut short) is refused here, before anything can write to it.
enum class LogbookFileStatus {
    Missing, // no file yet: a new logbook will be created
    Empty, // zero bytes: SQLite treats it as a new database
    Valid,
    TooShort, // shorter than the 100-byte database header
    NotSqlite, // the header does not start with the SQLite signature
    BadHeader, // signature present but page size or format bytes are impossible
    UnsupportedVersion, // written in a file format this SQLite cannot read
    Truncated, // fewer bytes than the header's page count says
    NotAFile, // a directory or something else that is not a regular file
};

// Pure check of the database header (the file's first bytes, at least 100 of them when the
// file has that many) against the file's full size.
LogbookFileStatus checkSqliteHeader(const QByteArray& header, qint64 fileSize);

// Reads the header of the file at path and checks it.
LogbookFileStatus checkLogbookFile(const QString& path);

// A sentence for the user, naming the problem.
QString logbookFileStatusText(LogbookFileStatus status);
