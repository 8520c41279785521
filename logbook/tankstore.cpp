#include "logbook/tankstore.h"

#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"
#include "logbook/sqlitestatement.h"
#include "logbook/statementcache.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace {

const char createPressures[] = "CREATE TABLE tankpressures (diveid INTEGER, pointid INTEGER, bar "
                               "REAL, PRIMARY KEY(diveid, pointid))";

bool fails(const QSqlQuery& q, QString& error)
{
    error = q.lastError().text();
    return false;
}

// A stored size or pressure read back: 0 for NULL, damaged or impossible values.
double measure(const QVariant& value, double highest)
{
    const double v = value.toDouble();
    return std::isfinite(v) && v > 0.0 && v <= highest ? v : 0.0;
}

QVariant knownOrNull(double value)
{
    return value > 0.0 && std::isfinite(value) ? QVariant(value) : QVariant();
}

bool storeTanks(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error)
{
    QSqlQuery* q = sql.prepared(QStringLiteral("INSERT INTO divetanks (diveid, tankid, gasindex, "
                                               "startbar, endbar, sizel, workingbar) VALUES (:id, "
                                               ":tank, :gas, :start, :end, :size, :working)"),
        error);
    if (!q)
        return false;
    for (qsizetype i = 0; i < dive.tanks.size(); ++i) {
        const DiveProfile::TankPressure& tank = dive.tanks.at(i);
        q->bindValue(QStringLiteral(":id"), diveId);
        q->bindValue(QStringLiteral(":tank"), qint64(i));
        q->bindValue(QStringLiteral(":gas"), tank.gasIndex);
        q->bindValue(QStringLiteral(":start"), tank.startBar);
        q->bindValue(QStringLiteral(":end"), tank.endBar);
        q->bindValue(QStringLiteral(":size"), knownOrNull(tank.sizeL));
        q->bindValue(QStringLiteral(":working"), knownOrNull(tank.workingBar));
        if (!q->exec())
            return fails(*q, error);
    }
    return true;
}

// Pressures go kPressuresPerInsert rows a statement, the rest one by one, straight on SQLite: a
// statement a row cost more in its own overhead than in the insert.
constexpr int kPressuresPerInsert = 16;

QString pressureInsertSql(int rows)
{
    return QStringLiteral("INSERT INTO tankpressures (diveid, pointid, bar) VALUES ")
        + QStringList(rows, QStringLiteral("(?, ?, ?)")).join(QStringLiteral(", "));
}

bool storePressures(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error)
{
    QList<qsizetype> points;
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const float bar = dive.samples.at(i).tankPressureBar;
        if (bar > 0.0f && std::isfinite(bar))
            points << i;
    }
    if (points.isEmpty())
        return true;
    static const QString manySql = pressureInsertSql(kPressuresPerInsert);
    static const QString oneSql = pressureInsertSql(1);
    SqliteStatement* many = sql.direct(manySql, error);
    SqliteStatement* one = sql.direct(oneSql, error);
    if (!many || !one)
        return false;
    qsizetype next = 0;
    while (next < points.size()) {
        SqliteStatement* q = points.size() - next >= kPressuresPerInsert ? many : one;
        const int rows = q == many ? kPressuresPerInsert : 1;
        for (int r = 0; r < rows; ++r, ++next) {
            const qsizetype point = points.at(next);
            q->bind(3 * r + 1, diveId);
            q->bind(3 * r + 2, qint64(point));
            q->bind(3 * r + 3, double(dive.samples.at(point).tankPressureBar));
        }
        if (!q->run(error))
            return false;
    }
    return true;
}

} // namespace

namespace TankStore {

bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                               "name='tankpressures'"))
        || !q.next())
        return fails(q, error);
    if (q.value(0).toInt() > 0)
        return true;
    q.finish();
    if (!q.exec(QLatin1String(createPressures)))
        return fails(q, error);
    changed = true;
    return true;
}

bool storeRows(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error)
{
    return remove(sql, diveId, error) && storeTanks(sql, diveId, dive, error)
        && storePressures(sql, diveId, dive, error);
}

QVariant airUse(const DiveProfile& dive)
{
    return knownOrNull(surfaceAirConsumption(dive));
}

bool store(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error)
{
    if (!storeRows(sql, diveId, dive, error))
        return false;
    // Whether the dive has samples, kept beside it: the list would look into the samples of
    // every dive otherwise.
    QSqlQuery* q = sql.prepared(QStringLiteral("UPDATE divedetails SET sac=:sac, gases=(%1), "
                                               "hasprofile=:profile WHERE diveid=:id")
                                    .arg(QLatin1String(gasesOfDiveSql).arg(QStringLiteral(":id"))),
        error);
    if (!q)
        return false;
    q->bindValue(QStringLiteral(":sac"), airUse(dive));
    q->bindValue(QStringLiteral(":profile"), dive.samples.isEmpty() ? 0 : 1);
    q->bindValue(QStringLiteral(":id"), diveId);
    return q->exec() || fails(*q, error);
}

bool load(QSqlDatabase& db, qint64 diveId, DiveProfile& dive, QString& error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    QList<DiveProfile::TankPressure> tanks;
    if (!q.prepare(QStringLiteral("SELECT gasindex, startbar, endbar, sizel, workingbar FROM "
                                  "divetanks WHERE diveid=:id ORDER BY tankid")))
        return fails(q, error);
    q.bindValue(QStringLiteral(":id"), diveId);
    if (!q.exec())
        return fails(q, error);
    while (q.next()) {
        DiveProfile::TankPressure tank;
        const qint64 gas = q.value(0).toLongLong();
        tank.gasIndex = gas >= 0 && gas < dive.gases.size() ? int(gas) : -1;
        tank.startBar = q.value(1).toDouble();
        tank.endBar = q.value(2).toDouble();
        if (!std::isfinite(tank.startBar) || !std::isfinite(tank.endBar))
            continue;
        tank.sizeL = measure(q.value(3), 1000.0);
        tank.workingBar = measure(q.value(4), 1000.0);
        tanks.append(tank);
    }
    q.finish();
    if (!q.prepare(QStringLiteral("SELECT pointid, bar FROM tankpressures WHERE diveid=:id")))
        return fails(q, error);
    q.bindValue(QStringLiteral(":id"), diveId);
    if (!q.exec())
        return fails(q, error);
    QList<DiveSample>& samples = dive.samples;
    while (q.next()) {
        const qint64 point = q.value(0).toLongLong();
        if (point >= 0 && point < samples.size())
            samples[point].tankPressureBar = float(measure(q.value(1), 1000.0));
    }
    dive.tanks = tanks;
    return true;
}

bool remove(StatementCache& sql, qint64 diveId, QString& error)
{
    for (const char* table : { "divetanks", "tankpressures" }) {
        QSqlQuery* q = sql.prepared(
            QStringLiteral("DELETE FROM %1 WHERE diveid=:id").arg(QLatin1String(table)), error);
        if (!q)
            return false;
        q->bindValue(QStringLiteral(":id"), diveId);
        if (!q->exec())
            return fails(*q, error);
    }
    return true;
}

} // namespace TankStore

bool LogbookDatabase::updateTanks(int diveId, const QList<DiveProfile::TankPressure>& tanks)
{
    DiveProfile dive;
    if (!loadDive(diveId, dive))
        return false;
    for (const DiveProfile::TankPressure& tank : tanks) {
        if (!std::isfinite(tank.startBar) || !std::isfinite(tank.endBar) || tank.startBar < 0
            || tank.endBar < 0 || tank.sizeL < 0 || !std::isfinite(tank.sizeL)
            || tank.gasIndex >= dive.gases.size())
            return fail(QCoreApplication::translate(
                "TankStore", "A cylinder's size and pressures must be 0 or more."));
    }
    dive.tanks = tanks;
    StatementCache sql(m_db);
    return inTransaction(
        [&](QString& error) { return TankStore::store(sql, diveId, dive, error); });
}
