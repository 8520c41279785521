#include "logbook/statementcache.h"

#include "logbook/sqlitestatement.h"

#include <QSqlError>
#include <QSqlQuery>

StatementCache::StatementCache(const QSqlDatabase& db)
    : m_db(db)
{ }

StatementCache::~StatementCache() = default;

QSqlQuery* StatementCache::prepared(const QString& sql, QString& error)
{
    const auto found = m_queries.constFind(sql);
    if (found != m_queries.constEnd())
        return found->get();
    auto query = std::make_shared<QSqlQuery>(m_db);
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        error = query->lastError().text();
        return nullptr;
    }
    m_queries.insert(sql, query);
    return query.get();
}

SqliteStatement* StatementCache::direct(const QString& sql, QString& error)
{
    const auto found = m_direct.constFind(sql);
    if (found != m_direct.constEnd())
        return found->get();
    auto statement = std::make_shared<SqliteStatement>(m_db, sql);
    if (!statement->error().isEmpty()) {
        error = statement->error();
        return nullptr;
    }
    m_direct.insert(sql, statement);
    return statement.get();
}
