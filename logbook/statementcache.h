#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <memory>

class QSqlQuery;
class SqliteStatement;

// Statements prepared once and reused for every dive of a write: SQLite spent as long parsing
// the few statements of a stored dive's details, tanks and lookups as running them. Owned by
// the logbook for its open file; an edit can make one of its own that lives for that edit.
class StatementCache
{
public:
    explicit StatementCache(const QSqlDatabase& db);
    ~StatementCache();
    StatementCache(const StatementCache&) = delete;
    StatementCache& operator=(const StatementCache&) = delete;

    // The statement of sql, ready to bind; null (and error set) when SQLite refuses it. A query
    // that returns rows must be finished by the caller before the next use.
    QSqlQuery* prepared(const QString& sql, QString& error);
    // The same on SQLite's own connection, for inserts of many rows.
    SqliteStatement* direct(const QString& sql, QString& error);
    QSqlDatabase& db() { return m_db; }

private:
    QSqlDatabase m_db;
    QHash<QString, std::shared_ptr<QSqlQuery>> m_queries;
    QHash<QString, std::shared_ptr<SqliteStatement>> m_direct;
};
