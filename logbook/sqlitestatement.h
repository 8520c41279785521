#pragma once

#include <QString>
#include <QVariantList>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

// One statement run on the SQLite connection under a Qt Sql database, for the queries that read
// many rows: Qt Sql boxes every value of every row in a QVariant and converts every text to
// UTF-16 inside SQLite first, which cost as much as the query itself for 50,000 dives.
class SqliteStatement
{
public:
    // Prepares sql on the database's connection; a database that is not SQLite fails.
    SqliteStatement(const QSqlDatabase& db, const QString& sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    // Binds the values to the statement's "?" in order: null, whole numbers, real numbers
    // and text.
    bool bind(const QVariantList& values);
    // The next row; false at the end or on an error (error() then says which).
    bool next();
    QString error() const { return m_error; }

    // The column's value as Qt Sql's SQLite driver gives it (a whole number, a real number, a
    // text, bytes or null), for the values read by type only when stored as expected.
    QVariant value(int column) const;
    bool isNull(int column) const;
    bool isInteger(int column) const;
    bool isNumber(int column) const;
    bool isText(int column) const;
    qint64 integer(int column) const;
    double real(int column) const;
    // A text's UTF-8 as stored, not copied: valid until the next row.
    QByteArray bytes(int column) const;
    QString text(int column) const;

private:
    bool failed();

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_error;
};
