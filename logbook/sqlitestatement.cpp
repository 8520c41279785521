#include "logbook/sqlitestatement.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::prepare(const QSqlDatabase& db, const QString& sql, QString& error)
{
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    m_db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
        ? *static_cast<sqlite3* const*>(handle.constData())
        : nullptr;
    if (!m_db) {
        error = QCoreApplication::translate(
            "SqliteStatement", "The logbook's connection is not an SQLite one.");
        return false;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &m_statement, nullptr)
        == SQLITE_OK)
        return true;
    error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

void SqliteStatement::bind(int parameter, double value)
{
    sqlite3_bind_double(m_statement, parameter, value);
}

void SqliteStatement::bind(int parameter, qint64 value)
{
    sqlite3_bind_int64(m_statement, parameter, value);
}

void SqliteStatement::bindBlob(int parameter, const void* data, int size)
{
    sqlite3_bind_blob(m_statement, parameter, data, size, SQLITE_STATIC);
}

bool SqliteStatement::run(QString& error)
{
    const int status = sqlite3_step(m_statement);
    const bool done = status == SQLITE_DONE || status == SQLITE_ROW;
    if (!done)
        error = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_statement);
    return done;
}

static_assert(SqliteStatement::Integer == SQLITE_INTEGER && SqliteStatement::Float == SQLITE_FLOAT
    && SqliteStatement::Text == SQLITE_TEXT && SqliteStatement::Blob == SQLITE_BLOB
    && SqliteStatement::Null == SQLITE_NULL);

bool SqliteStatement::next(QString& error)
{
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW)
        return true;
    if (status != SQLITE_DONE)
        error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_statement);
}

SqliteStatement::ColumnType SqliteStatement::type(int column) const
{
    return ColumnType(sqlite3_column_type(m_statement, column));
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QByteArrayView SqliteStatement::blob(int column) const
{
    const char* data = static_cast<const char*>(sqlite3_column_blob(m_statement, column));
    return QByteArrayView(data, sqlite3_column_bytes(m_statement, column));
}

QVariant SqliteStatement::value(int column) const
{
    switch (type(column)) {
    case Integer:
        return QVariant(integer(column));
    case Float:
        return QVariant(real(column));
    case Text:
        return QVariant(QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
            sqlite3_column_bytes(m_statement, column)));
    case Blob:
        return QVariant(blob(column).toByteArray());
    case Null:
        break;
    }
    return QVariant();
}
