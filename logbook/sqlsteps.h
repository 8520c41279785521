#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

// The steps of a statement that keep SQLite's message on failure, shared by the logbook's
// places and trips code so each caller can stop at the first failure and report why.
namespace SqlSteps {

inline bool run(QSqlDatabase& db, const QString& sql, QString& error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    error = q.lastError().text();
    return false;
}

inline bool prepare(QSqlQuery& q, const QString& sql, QString& error)
{
    if (q.prepare(sql))
        return true;
    error = q.lastError().text();
    return false;
}

inline bool exec(QSqlQuery& q, QString& error)
{
    if (q.exec())
        return true;
    error = q.lastError().text();
    return false;
}

// Texts are stored as '' rather than NULL, which the original tables' readers expect.
inline QVariant text(const QString& value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}

} // namespace SqlSteps
