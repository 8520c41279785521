#pragma once

#include "dive/diveprofile.h"
#include "dive/divesample.h"
#include "logbook/logbookdatabase.h"

#include <QDateTime>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QtTest>

// A second, independent connection to a logbook file, to look at or tamper with it the way
// another program (or an older version) would.
class Probe
{
public:
    explicit Probe(const QString& path)
    {
        m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        m_db.setDatabaseName(path);
        m_ok = m_db.open();
    }
    ~Probe()
    {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    }
    bool ok() const { return m_ok; }
    bool exec(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (q.exec(sql))
            return true;
        qWarning() << sql << q.lastError().text();
        return false;
    }
    QVariant value(const QString& sql)
    {
        QSqlQuery q(m_db);
        if (!q.exec(sql) || !q.next())
            return QVariant(QMetaType::fromType<QString>()); // distinguishable from NULL
        return q.value(0);
    }
    QList<QVariantList> rows(const QString& sql)
    {
        QList<QVariantList> result;
        QSqlQuery q(m_db);
        if (!q.exec(sql))
            qWarning() << sql << q.lastError().text();
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            result << row;
        }
        return result;
    }
    // The statements older versions ran: the first made dives and profiles only; the second
    // added the dives' period and alerts, the samples' alert flags and the gases; the third the
    // samples' tissues and gas index.
    static QStringList oldTables(int version)
    {
        QStringList sql {
            QStringLiteral("CREATE TABLE dives (diveid INTEGER, name TEXT, computer TEXT, datetime "
                           "INTEGER, serial TEXT, divemode INTEGER, gfslow INTEGER, gfshigh "
                           "INTEGER, waterdensity INTEGER, psurf INTEGER%1, PRIMARY KEY(diveid))")
                .arg(version > 1 ? ", period INTEGER, alerts INTEGER" : ""),
            QStringLiteral("CREATE TABLE profiles (diveid INTEGER, pointid INTEGER, time REAL, "
                           "depth REAL, temperature REAL, OTU REAL, CNS REAL, decoCeiling REAL, "
                           "gradientFactor REAL%1, PRIMARY KEY(diveid, pointid))")
                .arg(version > 2 ? ",\talertFlag INTEGER, tissues BLOB, gasindex INTEGER"
                                 : (version > 1 ? ", alertFlag INTEGER" : "")),
        };
        if (version > 1)
            sql << "CREATE TABLE gases (diveid INTEGER, gasid INTEGER, o2 INTEGER, he INTEGER, "
                   "PRIMARY KEY(diveid, gasid))";
        return sql;
    }
    bool createOldTables(int version)
    {
        for (const QString& sql : oldTables(version)) {
            if (!exec(sql))
                return false;
        }
        return true;
    }
    QStringList columns(const QString& table)
    {
        QStringList names;
        for (const QVariantList& row : rows(QStringLiteral("PRAGMA table_info(%1)").arg(table)))
            names << row.value(1).toString();
        return names;
    }

private:
    QSqlDatabase m_db;
    bool m_ok = false;
};

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Every field of every sample, as stored and read back.
inline void compareSamples(const QList<DiveSample>& got, const QList<DiveSample>& expected)
{
    const auto fields = [](const DiveSample& s) {
        return QVariantList { s.time, s.depth, s.temperature, s.otu, s.cns, s.decoCeiling,
            s.gradientFactor, s.alertFlags, s.gasIndex,
            QByteArray(reinterpret_cast<const char*>(s.tissues), 16) };
    };
    QCOMPARE(got.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(fields(got.at(i)) == fields(expected.at(i)), qPrintable(QString::number(i)));
}

// The names of listed dives, in list order.
inline QStringList names(const QList<DiveListEntry>& entries)
{
    QStringList list;
    for (const DiveListEntry& e : entries)
        list << e.name;
    return list;
}

// The names of the dives the filter keeps, in list order, or the error; groups gets the number
// of computer groups.
inline QStringList listed(const DiveFilter& filter = {}, int* groups = nullptr)
{
    QList<DiveListEntry> entries;
    int count = -1;
    if (!LogbookDatabase::instance().listDives(filter, entries, count))
        return { QStringLiteral("error: ") + LogbookDatabase::instance().lastError() };
    if (groups)
        *groups = count;
    return names(entries);
}

inline qint64 utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second), Qt::UTC)
        .toSecsSinceEpoch();
}

// Samples every 10 s: down to depthM, back up at durationS, temperatures from warm to coldC,
// every field set, a switch from air to Nx32 at 30 s. The serial is the computer's name + "-1".
inline DiveProfile makeDive(const QString& name, const QString& computer, qint64 start,
    double depthM = 10, int durationS = 40, double coldC = 16)
{
    DiveProfile dive;
    dive.name = name;
    dive.computer = computer;
    dive.serial = computer + QStringLiteral("-1");
    dive.dateTime = start;
    DiveGas air;
    DiveGas nitrox;
    nitrox.o2 = 32;
    dive.gases = { air, nitrox };
    for (int t = 0; t <= durationS; t += 10) {
        DiveSample s;
        s.time = t;
        s.depth = (t == 0 || t == durationS) ? 0.0 : (t == 10 ? depthM : depthM * 0.8);
        s.temperature = t == 20 ? coldC : coldC + 3.5;
        s.otu = t * 0.25;
        s.cns = t * 0.125;
        s.decoCeiling = t == 20 ? 3.0 : 0.0;
        s.gradientFactor = 0.5;
        s.alertFlags = quint8(t / 10);
        s.gasIndex = t < 30 ? 0 : 1;
        for (int k = 0; k < 16; ++k)
            s.tissues[k] = quint8(t + k);
        dive.samples.append(s);
    }
    return dive;
}
