// The dive numbers as a whole, for an undoable renumbering.
#include "logbook/logbookdatabase.h"

#include <QCoreApplication>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

class DiveNumbersText
{
    Q_DECLARE_TR_FUNCTIONS(LogbookDatabase)
};

} // namespace

bool LogbookDatabase::diveNumbers(QHash<int, int>& numbers)
{
    if (!isOpen())
        return fail(DiveNumbersText::tr("No logbook database is open."));
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT d.diveid, COALESCE(x.number, 0) FROM dives d LEFT JOIN "
                               "divedetails x ON x.diveid=d.diveid")))
        return fail(q.lastError().text());
    QHash<int, int> read;
    while (q.next())
        read.insert(q.value(0).toInt(), q.value(1).toInt());
    numbers = read;
    return true;
}

bool LogbookDatabase::setDiveNumbers(const QHash<int, int>& numbers)
{
    if (!isOpen())
        return fail(DiveNumbersText::tr("No logbook database is open."));
    if (!m_db.transaction())
        return fail(m_db.lastError().text());
    QSqlQuery q(m_db);
    bool done = q.prepare(QStringLiteral("UPDATE divedetails SET number=:n WHERE diveid=:id"));
    for (auto it = numbers.cbegin(); done && it != numbers.cend(); ++it) {
        q.bindValue(QStringLiteral(":n"), std::max(it.value(), 0));
        q.bindValue(QStringLiteral(":id"), it.key());
        done = q.exec();
    }
    const QString error = q.lastError().text();
    if (done && m_db.commit())
        return true;
    m_db.rollback();
    return fail(done ? m_db.lastError().text() : error);
}
