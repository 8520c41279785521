#include "logbook/sqlitestatement.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

SqliteStatement::SqliteStatement(const QSqlDatabase& db, const QString& sql)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        m_error = QCoreApplication::translate("LogbookDatabase", "The logbook is not open.");
        return;
    }
    m_db = *static_cast<sqlite3* const*>(handle.data());
    const QByteArray utf8 = sql.toUtf8();
    if (!m_db
        || sqlite3_prepare_v2(m_db, utf8.constData(), int(utf8.size()), &m_statement, nullptr)
            != SQLITE_OK)
        failed();
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_statement);
}

bool SqliteStatement::failed()
{
    if (m_error.isEmpty())
        m_error = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("no database");
    return false;
}

bool SqliteStatement::bind(const QVariantList& values)
{
    if (!m_statement)
        return failed();
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& v = values.at(i);
        int status = SQLITE_OK;
        switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
        case QMetaType::UnknownType:
            status = sqlite3_bind_null(m_statement, i + 1);
            break;
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Bool:
            status = sqlite3_bind_int64(m_statement, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            status = sqlite3_bind_double(m_statement, i + 1, v.toDouble());
            break;
        default: {
            const QByteArray utf8 = v.toString().toUtf8();
            status = sqlite3_bind_text(
                m_statement, i + 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        }
        if (status != SQLITE_OK)
            return failed();
    }
    return true;
}

bool SqliteStatement::next()
{
    if (!m_statement)
        return failed();
    const int status = sqlite3_step(m_statement);
    if (status == SQLITE_ROW)
        return true;
    return status == SQLITE_DONE ? false : failed();
}

QVariant SqliteStatement::value(int column) const
{
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return integer(column);
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(m_statement, column)),
            sqlite3_column_bytes(m_statement, column));
    default:
        return QVariant();
    }
}

bool SqliteStatement::isNull(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
}

bool SqliteStatement::isInteger(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_INTEGER;
}

bool SqliteStatement::isNumber(int column) const
{
    const int type = sqlite3_column_type(m_statement, column);
    return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
}

bool SqliteStatement::isText(int column) const
{
    return sqlite3_column_type(m_statement, column) == SQLITE_TEXT;
}

qint64 SqliteStatement::integer(int column) const
{
    return sqlite3_column_int64(m_statement, column);
}

double SqliteStatement::real(int column) const
{
    return sqlite3_column_double(m_statement, column);
}

QByteArray SqliteStatement::bytes(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QByteArray::fromRawData(data, sqlite3_column_bytes(m_statement, column));
}

QString SqliteStatement::text(int column) const
{
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(m_statement, column));
}
