#pragma once

#include <QString>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

// A statement run on SQLite's own connection under the Qt one, for the inserts of a dive's
// many rows (samples, tank pressures): binding through QSqlQuery, a QVariant and a name lookup
// per value, cost as much as the inserts themselves. It takes part in whatever transaction the
// Qt connection has open. Finalized before the connection closes (its owner goes first).
class SqliteStatement
{
public:
    SqliteStatement() = default;
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // False with SQLite's message when the connection is not SQLite or the text is refused.
    bool prepare(const QSqlDatabase& db, const QString& sql, QString& error);
    // Parameters count from 1, as SQLite's do.
    void bind(int parameter, double value);
    void bind(int parameter, qint64 value);
    // The bytes must live until run() returns; they are not copied.
    void bindBlob(int parameter, const void* data, int size);
    // Runs the statement once and makes it ready for the next binds.
    bool run(QString& error);

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};
