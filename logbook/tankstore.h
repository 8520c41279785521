#pragma once

#include <QList>
#include <QString>

class DiveProfile;
class QSqlDatabase;
class QVariant;
class StatementCache;

// The cylinders of a dive beside the details: table divetanks (gas, start and end pressure,
// size, working pressure), table tankpressures (the tank pressure of each sample that has one)
// and the dive's air use kept in divedetails for the list and the statistics.
namespace TankStore {

bool ensureSchema(QSqlDatabase& db, bool& changed, QString& error);
// Writes the cylinders, the sample pressures and the air use of a dive stored under diveId.
bool store(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error);
// The cylinders and sample pressures alone, for a dive whose details row is written with its
// air use (airUse) and gases in the same statement.
bool storeRows(StatementCache& sql, qint64 diveId, const DiveProfile& dive, QString& error);
QVariant airUse(const DiveProfile& dive);
// Reads them into the dive, whose gases and samples are already loaded.
bool load(QSqlDatabase& db, qint64 diveId, DiveProfile& dive, QString& error);
bool remove(StatementCache& sql, qint64 diveId, QString& error);

} // namespace TankStore
