#include "logbook/tankstore.h"

#include "dive/airuse.h"
#include "dive/diveprofile.h"
#include "logbook/diveplaces.h"
#include "logbook/logbookdatabase.h"

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

bool storeTanks(QSqlDatabase& db, qint64 diveId, const DiveProfile& dive, QString& error)
{
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO divetanks (diveid, tankid, gasindex, startbar, "
                                  "endbar, sizel, workingbar) VALUES (:id, :tank, :gas, :start, "
                                  ":end, :size, :working)")))
        return fails(q, error);
    for (qsizetype i = 0; i < dive.tanks.size(); ++i) {
        const DiveProfile::TankPressure& tank = dive.tanks.at(i);
        q.bindValue(QStringLiteral(":id"), diveId);
        q.bindValue(QStringLiteral(":tank"), qint64(i));
        q.bindValue(QStringLiteral(":gas"), tank.gasIndex);
        q.bindValue(QStringLiteral(":start"), tank.startBar);
        q.bindValue(QStringLiteral(":end"), tank.endBar);
        q.bindValue(QStringLiteral(":size"), knownOrNull(tank.sizeL));
        q.bindValue(QStringLiteral(":working"), knownOrNull(tank.workingBar));
        if (!q.exec())
            return fails(q, error);
    }
    return true;
}

bool storePressures(QSqlDatabase& db, qint64 diveId, const DiveProfile& dive, QString& error)
{
    QSqlQuery q(db);
    bool prepared = false;
    for (qsizetype i = 0; i < dive.samples.size(); ++i) {
        const float bar = dive.samples.at(i).tankPressureBar;
        if (!(bar > 0.0f) || !std::isfinite(bar))
            continue;
        // Most dives have no pressure at all and never prepare the statement.
        if (!prepared
            && !(prepared = q.prepare(QStringLiteral("INSERT INTO tankpressures (diveid, pointid, "
                                                     "bar) VALUES (:id, :point, :bar)"))))
            return fails(q, error);
        q.bindValue(QStringLiteral(":id"), diveId);
        q.bindValue(QStringLiteral(":point"), qint64(i));
        q.bindValue(QStringLiteral(":bar"), double(bar));
        if (!q.exec())
            return fails(q, error);
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

bool store(QSqlDatabase& db, qint64 diveId, const DiveProfile& dive, QString& error)
{
    if (!remove(db, diveId, error) || !storeTanks(db, diveId, dive, error)
        || !storePressures(db, diveId, dive, error))
        return false;
    QSqlQuery q(db);
    // Whether the dive has samples, kept beside it: the list would look into the samples of
    // every dive otherwise.
    if (!q.prepare(QStringLiteral("UPDATE divedetails SET sac=:sac, gases=(%1), "
                                  "hasprofile=:profile WHERE diveid=:id")
                       .arg(QLatin1String(gasesOfDiveSql).arg(QStringLiteral(":id")))))
        return fails(q, error);
    q.bindValue(QStringLiteral(":sac"), knownOrNull(surfaceAirConsumption(dive)));
    q.bindValue(QStringLiteral(":profile"), dive.samples.isEmpty() ? 0 : 1);
    q.bindValue(QStringLiteral(":id"), diveId);
    return q.exec() || fails(q, error);
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

bool remove(QSqlDatabase& db, qint64 diveId, QString& error)
{
    for (const char* table : { "divetanks", "tankpressures" }) {
        QSqlQuery q(db);
        if (!q.prepare(QStringLiteral("DELETE FROM %1 WHERE diveid=:id").arg(QLatin1String(table))))
            return fails(q, error);
        q.bindValue(QStringLiteral(":id"), diveId);
        if (!q.exec())
            return fails(q, error);
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
    return inTransaction(
        [&](QString& error) { return TankStore::store(m_db, diveId, dive, error); });
}
