#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>

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

    // A query: next() until it returns false (error then set when it failed), then reset().
    bool next(QString& error);
    void reset();
    // Columns count from 0; the types are SQLite's own codes.
    enum ColumnType { Integer = 1, Float = 2, Text = 3, Blob = 4, Null = 5 };
    ColumnType type(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // The bytes of a Blob column, valid until the next step.
    QByteArrayView blob(int column) const;
    // The value as Qt's SQLite driver gives it (qint64, double, QString, QByteArray or null),
    // for the rare values that are not of their column's type.
    QVariant value(int column) const;

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};
